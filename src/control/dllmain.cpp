// The control DLL's entry points. The COM class factory and registration are added with the control shell;
// until then the DLL loads, registers nothing and offers no class.
#include <windows.h>
#include <objbase.h>

namespace {
HINSTANCE g_instance = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** ppv) {
    if (ppv) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return S_OK; }
extern "C" HRESULT __stdcall DllRegisterServer() { return S_OK; }
extern "C" HRESULT __stdcall DllUnregisterServer() { return S_OK; }
