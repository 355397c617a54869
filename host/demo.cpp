// Demo host: plays one media file through the ActiveX control, hosted in a window by ATL's control container
// (AtlAxWin), and prints its status, position and duration while it plays; exits when playback ends. The
// control's events come to the demo's own sink: OnStop ends the demo, OnError is printed.
//   zrdemo file [--renderer vr|vmr9|evr|none] [--seconds N]
// The control is created by its class when it is registered; otherwise from ZRMediaPlayer.dll found through
// ZR_CONTROL_DLL, next to the program, or in the build tree (..\src\control).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "control/zrax.h"
#include "graph/comptr.h"

namespace {

bool g_stopped = false;

// The demo's event sink: OnStop and OnError.
class TDemoSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID_ITxZRMediaPlayerEvents) return E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == zrevent::OnStop) {
            g_stopped = true;
        } else if (id == zrevent::OnError && p && p->cArgs == 1 && p->rgvarg[0].vt == VT_BSTR) {
            std::fwprintf(stdout, L"error: %ls\n", p->rgvarg[0].bstrVal ? p->rgvarg[0].bstrVal : L"");
            std::fflush(stdout);
        }
        return S_OK;
    }

private:
    ULONG refs_ = 1;
};

const wchar_t* StatusName(LONG s) {
    switch (s) {
    case 0: return L"playing";
    case 1: return L"paused";
    default: return L"free";
    }
}

LRESULT CALLBACK FrameProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_CLOSE) {
        g_stopped = true;
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

std::wstring ProgramDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/") + 1);
}

// The control by its registered class, or from its DLL directly.
HRESULT CreateControl(ComPtr<IUnknown>& out) {
    HRESULT hr = CoCreateInstance(CLSID_TxZRMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, out.PutVoid());
    if (SUCCEEDED(hr)) return hr;
    wchar_t env[MAX_PATH] = {};
    std::wstring candidates[] = {
        GetEnvironmentVariableW(L"ZR_CONTROL_DLL", env, MAX_PATH) ? std::wstring(env) : std::wstring(),
        ProgramDir() + L"ZRMediaPlayer.dll",
        ProgramDir() + L"..\\src\\control\\ZRMediaPlayer.dll",
    };
    for (const auto& path : candidates) {
        if (path.empty()) continue;
        HMODULE dll = LoadLibraryW(path.c_str());  // kept loaded for the demo's life
        if (!dll) continue;
        using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        ComPtr<IClassFactory> factory;
        if (get && SUCCEEDED(get(CLSID_TxZRMediaPlayer, IID_IClassFactory, factory.PutVoid())))
            return factory->CreateInstance(nullptr, IID_IUnknown, out.PutVoid());
    }
    return hr;
}

// True when the control is active in place with its window inside the container's window.
bool ActiveInWindow(IUnknown* control, HWND container) {
    ComPtr<IOleWindow> w;
    HWND hwnd = nullptr;
    return SUCCEEDED(control->QueryInterface(IID_IOleWindow, w.PutVoid())) && SUCCEEDED(w->GetWindow(&hwnd)) &&
           IsChild(container, hwnd) && IsWindowVisible(hwnd);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring file;
    LONG renderer = 0;  // the classic Video Renderer draws into a child window on every platform
    double maxSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--renderer" && i + 1 < argc) {
            std::wstring r = argv[++i];
            renderer = r == L"vmr9" ? 1 : r == L"evr" ? 2 : r == L"none" ? 3 : 0;
        } else if (a == L"--seconds" && i + 1 < argc) {
            maxSeconds = _wtof(argv[++i]);
        } else {
            file = a;
        }
    }
    if (file.empty()) {
        std::fwprintf(stderr, L"usage: zrdemo file [--renderer vr|vmr9|evr|none] [--seconds N]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    // ATL's control container, from Wine's (or Windows') atl.dll.
    HMODULE atl = LoadLibraryW(L"atl.dll");
    using AxWinInit = BOOL(WINAPI*)();
    using AxAttach = HRESULT(WINAPI*)(IUnknown*, HWND, IUnknown**);
    auto axInit = atl ? reinterpret_cast<AxWinInit>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit"))) : nullptr;
    auto axAttach = atl ? reinterpret_cast<AxAttach>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxAttachControl")))
                        : nullptr;
    if (!axInit || !axAttach || !axInit()) {
        std::fwprintf(stderr, L"ATL's control container (atl.dll) is not available\n");
        CoUninitialize();
        return 1;
    }

    WNDCLASSW wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    wc.lpszClassName = L"ZRDemoFrame";
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, L"ZRDemoFrame", L"ZR Media Player demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE |
                                 WS_CLIPCHILDREN, 60, 60, 680, 520, nullptr, nullptr, wc.hInstance, nullptr);
    HWND ax = CreateWindowExW(0, L"AtlAxWin", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10, 640, 480,
                              frame, nullptr, wc.hInstance, nullptr);
    int rc = 1;
    // The container ATL makes for the window is asked for and kept until the window is gone: Wine's ATL attaches
    // nothing at all (and still answers S_OK) when the caller does not take it.
    ComPtr<IUnknown> container;
    {
        ComPtr<IUnknown> unk;
        HRESULT hr = CreateControl(unk);
        if (FAILED(hr) || !ax || FAILED(hr = axAttach(unk.Get(), ax, container.Put()))) {
            std::fwprintf(stderr, L"cannot create or host the control (0x%08lx)\n", static_cast<unsigned long>(hr));
        } else if (!ActiveInWindow(unk.Get(), ax)) {
            std::fwprintf(stderr, L"the container did not activate the control in its window\n");
        } else {
            ComPtr<ITxZRMediaPlayer> player = unk.As<ITxZRMediaPlayer>();
            ComPtr<IConnectionPoint> cp;
            if (ComPtr<IConnectionPointContainer> cpc = unk.As<IConnectionPointContainer>())
                cpc->FindConnectionPoint(DIID_ITxZRMediaPlayerEvents, cp.Put());
            auto* sink = new TDemoSink();
            DWORD cookie = 0;
            if (cp) cp->Advise(sink, &cookie);

            BSTR name = SysAllocString(file.c_str());
            player->put_FilenameOrURL(name);
            SysFreeString(name);
            player->put_Screen_VideoRenderer(renderer);
            std::fwprintf(stdout, L"playing %ls\n", file.c_str());
            std::fflush(stdout);
            VARIANT_BOOL ok = VARIANT_FALSE;
            if (SUCCEEDED(player->Play(&ok)) && ok) {
                player->Screen_Update();
                DWORD start = GetTickCount(), lastPrint = 0;
                while (!g_stopped) {
                    MSG msg;
                    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                        TranslateMessage(&msg);
                        DispatchMessageW(&msg);
                    }
                    DWORD now = GetTickCount() - start;
                    if (now - lastPrint >= 500 || lastPrint == 0) {
                        lastPrint = now ? now : 1;
                        LONG status = 2, position = 0, duration = 0;
                        player->get_Status(&status);
                        player->Position_Get_Time(&position);
                        player->Duration_Time(&duration);
                        std::fwprintf(stdout, L"status %ls  position %ld ms  duration %ld ms\n", StatusName(status),
                                      position, duration);
                        std::fflush(stdout);
                    }
                    if (maxSeconds > 0 && now > maxSeconds * 1000) break;
                    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
                }
                std::fwprintf(stdout, L"%ls\n", g_stopped ? L"end of playback" : L"time limit reached");
                rc = g_stopped ? 0 : 3;
            }
            player->Close();
            if (cp) cp->Unadvise(cookie);
            sink->Release();
        }
    }
    // ATL closes and releases the control with its window.
    if (ax) DestroyWindow(ax);
    container = nullptr;
    DestroyWindow(frame);
    CoUninitialize();
    return rc;
}
