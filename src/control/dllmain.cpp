// The control DLL's entry points.
#include <windows.h>
#include <objbase.h>

#include "control/classfactory.h"
#include "control/module.h"
#include "control/registration.h"
#include "control/zrax.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded while the process goes on: no window class may keep pointing into this module.
        zrmodule::UnregisterWindowClasses();
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_TxZRMediaPlayer) return CLASS_E_CLASSNOTAVAILABLE;
    return GetControlClassFactory(riid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return zrmodule::CanUnload() ? S_OK : S_FALSE; }
extern "C" HRESULT __stdcall DllRegisterServer() { return RegisterControlServer(); }
extern "C" HRESULT __stdcall DllUnregisterServer() { return UnregisterControlServer(); }
