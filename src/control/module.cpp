#include "control/module.h"

#include <atomic>

#include "control/control_texts.h"
#include "control/zrax.h"
#include "graph/sysdevenum.h"

namespace {
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
wchar_t g_playerClass[256] = {};
HINSTANCE g_playerClassInstance = nullptr;

bool ProcInModule(WNDPROC proc, HINSTANCE module) {
    HMODULE m = nullptr;
    return proc &&
           GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(proc), &m) &&
           m == module;
}
}  // namespace

namespace zrmodule {

HINSTANCE Instance() {
    HMODULE m = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Instance), &m);
    return m;
}

std::wstring FileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(Instance(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void RememberPlayerWindowClass(HWND playerWindow) {
    if (g_playerClass[0] || !playerWindow) return;
    g_playerClassInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(playerWindow, GWLP_HINSTANCE));
    GetClassNameW(playerWindow, g_playerClass, 256);
}

void UnregisterWindowClasses() {
    HINSTANCE self = Instance();
    UnregisterClassW(ZRControlText::kParkingClass, self);
    UnregisterClassW(ZRControlText::kSiteClass, self);
    if (g_playerClass[0]) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        if (GetClassInfoExW(g_playerClassInstance, g_playerClass, &wc) && ProcInModule(wc.lpfnWndProc, self))
            UnregisterClassW(g_playerClass, g_playerClassInstance);
    }
}

void ObjectCreated() { ++g_objects; }
void ObjectDestroyed() { --g_objects; }
void Lock(bool lock) {
    if (lock) ++g_locks;
    else --g_locks;
}
// Graphs hold forwarding objects of the player's graph callbacks and may outlive the control (a graph tool
// keeps one it found in the running object table): the module stays while one lives.
bool CanUnload() {
    return g_objects.load() == 0 && g_locks.load() == 0 && TZRGraphCallbacks::LiveSites() == 0;
}

HRESULT LoadTypeLibrary(ComPtr<ITypeLib>& out) {
    HRESULT hr = LoadTypeLibEx(FileName().c_str(), REGKIND_NONE, out.Put());
    if (FAILED(hr))
        hr = LoadRegTypeLib(LIBID_Zantorival_Media_Player_AX, ZRControlText::kTypeLibMajor,
                            ZRControlText::kTypeLibMinor, ZRControlText::kTypeLibLcid, out.Put());
    return hr;
}

HRESULT GetTypeInfoOf(REFGUID guid, ComPtr<ITypeInfo>& out) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = LoadTypeLibrary(lib);
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(guid, out.Put());
}

}  // namespace zrmodule
