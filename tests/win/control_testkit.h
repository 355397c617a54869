// Shared pieces of the control tests: creating the registered control, a recording event sink, and a small
// OLE container (client site, in-place site, frame) that activates the control in a window.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "control/zrax.h"
#include "graph/comptr.h"
#include "testutil.h"

// A VARIANT that frees itself.
struct TVar {
    VARIANT v;
    TVar() { VariantInit(&v); }
    TVar(const TVar& o) {
        VariantInit(&v);
        VariantCopy(&v, const_cast<VARIANT*>(&o.v));
    }
    TVar& operator=(const TVar& o) {
        if (this != &o) VariantCopy(&v, const_cast<VARIANT*>(&o.v));
        return *this;
    }
    ~TVar() { VariantClear(&v); }
};

inline std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// A BSTR that frees itself.
struct TBstr {
    BSTR b = nullptr;
    TBstr() = default;
    explicit TBstr(const std::wstring& s) : b(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~TBstr() { SysFreeString(b); }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    BSTR* Out() {
        SysFreeString(b);
        b = nullptr;
        return &b;
    }
    std::wstring str() const { return Text(b); }
};

// One top-level host window for all the tests of a program. (Under Wine without a window manager, hiding or
// destroying an active top-level window waits about 2 s; the tests keep theirs.)
inline HWND SharedHostWindow() {
    static HWND host = CreateHostWindow(40, 40, 400, 320);
    return host;
}

inline ComPtr<ITxZRMediaPlayer> CreateControl() {
    ComPtr<ITxZRMediaPlayer> c;
    HRESULT hr = CoCreateInstance(CLSID_TxZRMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_ITxZRMediaPlayer,
                                  c.PutVoid());
    EXPECT_EQ(hr, S_OK);
    return c;
}

// The colour in the middle of a drawing of the control (IViewObject::Draw into a small bitmap); CLR_INVALID
// when the drawing fails.
inline COLORREF DrawnColour(IUnknown* control) {
    ComPtr<IViewObject> view;
    if (FAILED(control->QueryInterface(IID_IViewObject, view.PutVoid()))) return CLR_INVALID;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 20, 20);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECTL bounds = {0, 0, 20, 20};
    COLORREF c = CLR_INVALID;
    if (view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, mem, &bounds, nullptr, nullptr, 0) == S_OK)
        c = GetPixel(mem, 10, 10);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

// The description and source of the calling thread's error information.
inline std::pair<std::wstring, std::wstring> LastErrorInfo() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) return {};
    TBstr d, s;
    info->GetDescription(d.Out());
    info->GetSource(s.Out());
    return {d.str(), s.str()};
}

// One event as the sink received it: the arguments in the order the event lists them.
struct TEventCall {
    DISPID id = 0;
    WORD flags = 0;
    UINT named = 0;
    std::vector<TVar> args;
    DWORD thread = 0;
};

// An event sink that answers the events interface and IDispatch and records every call. A handler may act
// on an event; the result of Invoke can be set.
class TRecordingSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || (riid == DIID_ITxZRMediaPlayerEvents && answerEvents)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        TEventCall c;
        c.id = id;
        c.flags = flags;
        c.thread = GetCurrentThreadId();
        if (p) {
            c.named = p->cNamedArgs;
            for (UINT i = p->cArgs; i > 0; --i) {
                TVar v;
                // By-reference arguments are recorded as they are (the pointer), not copied.
                if (p->rgvarg[i - 1].vt & VT_BYREF) v.v = p->rgvarg[i - 1];
                else VariantCopy(&v.v, &p->rgvarg[i - 1]);
                c.args.push_back(v);
            }
        }
        {
            AcquireSRWLockExclusive(&lock);
            calls.push_back(c);
            ReleaseSRWLockExclusive(&lock);
        }
        if (onEvent) onEvent(id, p);
        return result;
    }

    std::vector<TEventCall> Calls() {
        AcquireSRWLockShared(&lock);
        std::vector<TEventCall> r = calls;
        ReleaseSRWLockShared(&lock);
        return r;
    }
    int Count(DISPID id) {
        int n = 0;
        for (auto& c : Calls()) n += c.id == id;
        return n;
    }
    void Clear() {
        AcquireSRWLockExclusive(&lock);
        calls.clear();
        ReleaseSRWLockExclusive(&lock);
    }

    std::atomic<ULONG> refs{1};
    bool answerEvents = true;
    HRESULT result = S_OK;
    std::function<void(DISPID, DISPPARAMS*)> onEvent;

private:
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<TEventCall> calls;
};

inline HRESULT Connect(IUnknown* control, REFIID iid, IUnknown* sink, DWORD* cookie) {
    ComPtr<IConnectionPointContainer> cpc;
    HRESULT hr = control->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid());
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPoint> cp;
    hr = cpc->FindConnectionPoint(iid, cp.Put());
    if (FAILED(hr)) return hr;
    return cp->Advise(sink, cookie);
}

inline HRESULT Disconnect(IUnknown* control, REFIID iid, DWORD cookie) {
    ComPtr<IConnectionPointContainer> cpc;
    HRESULT hr = control->QueryInterface(IID_IConnectionPointContainer, cpc.PutVoid());
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPoint> cp;
    hr = cpc->FindConnectionPoint(iid, cp.Put());
    if (FAILED(hr)) return hr;
    return cp->Unadvise(cookie);
}

// A minimal OLE container for one control: client site, in-place site and frame over a host window.
class TTestSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit TTestSite(HWND window, RECT pos) : hwnd(window), rect(pos) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow) *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceFrame || riid == IID_IOleInPlaceUIWindow)
            *ppv = static_cast<IOleInPlaceFrame*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) delete this;
        return n;
    }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
        *m = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* h) override {
        *h = hwnd;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        ++activations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override {
        ++uiActivations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *frame = ComPtr<IOleInPlaceFrame>(static_cast<IOleInPlaceFrame*>(this)).Detach();
        *doc = nullptr;
        *pos = rect;
        *clip = rect;
        info->fMDIApp = FALSE;
        info->hwndFrame = hwnd;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        ++deactivations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }
    // IOleInPlaceUIWindow, IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* o, LPCOLESTR) override {
        activeObject = ComPtr<IOleInPlaceActiveObject>(o);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    std::atomic<ULONG> refs{1};
    HWND hwnd;
    RECT rect;
    int activations = 0, uiActivations = 0, deactivations = 0;
    ComPtr<IOleInPlaceActiveObject> activeObject;
};

// Activates the control in place in the site's window. Returns the control's window there.
inline HWND ActivateInPlace(IUnknown* control, TTestSite* site) {
    ComPtr<IOleObject> ole;
    if (FAILED(control->QueryInterface(IID_IOleObject, ole.PutVoid()))) return nullptr;
    if (FAILED(ole->SetClientSite(site))) return nullptr;
    if (FAILED(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, site->hwnd, &site->rect))) return nullptr;
    ComPtr<IOleInPlaceObject> ip;
    if (FAILED(control->QueryInterface(IID_IOleInPlaceObject, ip.PutVoid()))) return nullptr;
    HWND w = nullptr;
    ip->GetWindow(&w);
    return w;
}

// Deactivates and lets the site go (what a container does before it releases a control).
inline void CloseInPlace(IUnknown* control) {
    ComPtr<IOleObject> ole;
    if (FAILED(control->QueryInterface(IID_IOleObject, ole.PutVoid()))) return;
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
}

// The player's window: the child of the control's window in place.
inline HWND PlayerWindowIn(HWND controlWindow) {
    return controlWindow ? GetWindow(controlWindow, GW_CHILD) : nullptr;
}
