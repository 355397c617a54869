// TTxZRMediaPlayer: creation, lifetime, IDispatch, the control's own windows and the queue of transport calls.
#include "control/control.h"

#include "control/control_call.h"
#include "control/control_dispargs.h"
#include "control/module.h"
#include "player/player.h"

namespace {
// Messages of the parking window.
constexpr UINT WM_ZR_RUN_QUEUED = WM_APP + 0x101;
constexpr UINT WM_ZR_DESTROY = WM_APP + 0x102;
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMs = 10;
// The player's size before a site gives it one.
constexpr int kDefaultWidth = 320, kDefaultHeight = 240;

void RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    HINSTANCE inst = zrmodule::Instance();
    if (GetClassInfoExW(inst, name, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}
}  // namespace

// --- creation and lifetime

TTxZRMediaPlayer::TTxZRMediaPlayer()
    : FEventsPoint(this, DIID_ITxZRMediaPlayerEvents, true), FNotifyPoint(this, IID_IPropertyNotifySink, false) {
    zrmodule::ObjectCreated();
}

HRESULT TTxZRMediaPlayer::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TTxZRMediaPlayer* control = nullptr;
    try {
        control = new TTxZRMediaPlayer();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    control->FRefs = 1;
    HRESULT hr = control->Initialize();
    if (SUCCEEDED(hr)) hr = control->QueryInterface(riid, ppv);
    control->Release();
    return hr;
}

HRESULT TTxZRMediaPlayer::Initialize() {
    FThreadId = GetCurrentThreadId();
    HRESULT hr = zrmodule::GetTypeInfoOf(IID_ITxZRMediaPlayer, FTypeInfo);
    if (FAILED(hr)) return hr;
    hr = zrmodule::GetTypeInfoOf(CLSID_TxZRMediaPlayer, FClassInfo);
    if (FAILED(hr)) return hr;
    try {
        RegisterWindowClass(ZRControlText::kParkingClass, &TTxZRMediaPlayer::ParkingProc);
        RegisterWindowClass(ZRControlText::kSiteClass, &TTxZRMediaPlayer::SiteProc);
        FParking = CreateWindowExW(WS_EX_TOOLWINDOW, ZRControlText::kParkingClass, L"", WS_POPUP, 0, 0,
                                   kDefaultWidth, kDefaultHeight, nullptr, nullptr, zrmodule::Instance(), this);
        if (!FParking) return HRESULT_FROM_WIN32(GetLastError());
        FPlayer = std::make_unique<TZRMediaPlayer>(FParking, 0, 0, kDefaultWidth, kDefaultHeight);
        if (!FPlayer->Handle()) return SetControlErrorInfo(E_FAIL, ZRControlText::kNoPlayer);
        zrmodule::RememberPlayerWindowClass(FPlayer->Handle());
        FExtent = PixelsToHimetric(kDefaultWidth, kDefaultHeight);
        AttachEvents();
        return S_OK;
    } catch (...) {
        return HandleCurrentException();
    }
}

TTxZRMediaPlayer::~TTxZRMediaPlayer() {
    FClosing = true;
    // Released sinks or windows that still call AddRef and Release on the way out cannot bring the count back
    // to zero a second time.
    FRefs = 0x40000000;
    // No sink hears anything from here on.
    FEventsPoint.Clear();
    FNotifyPoint.Clear();
    {
        AcquireSRWLockExclusive(&FQueueLock);
        FQueue.clear();
        ReleaseSRWLockExclusive(&FQueueLock);
        AcquireSRWLockExclusive(&FHeldLock);
        FHeld.clear();
        ReleaseSRWLockExclusive(&FHeldLock);
    }
    // A site that did not deactivate the control loses its window quietly: the site is not called any more.
    if (FSiteWnd) {
        if (FPlayer && FPlayer->Handle()) SetParent(FPlayer->Handle(), FParking);
        SetWindowLongPtrW(FSiteWnd, GWLP_USERDATA, 0);
        DestroyWindow(FSiteWnd);
        FSiteWnd = nullptr;
    }
    // The player closes any playback and destroys its window.
    try {
        FPlayer.reset();
    } catch (...) {
    }
    if (FParking) {
        SetWindowLongPtrW(FParking, GWLP_USERDATA, 0);
        DestroyWindow(FParking);
        FParking = nullptr;
    }
    zrmodule::ObjectDestroyed();
}

HRESULT TTxZRMediaPlayer::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ITxZRMediaPlayer)
        *ppv = static_cast<ITxZRMediaPlayer*>(this);
    else if (riid == IID_IProvideClassInfo) *ppv = static_cast<IProvideClassInfo*>(this);
    else if (riid == IID_ISupportErrorInfo) *ppv = static_cast<ISupportErrorInfo*>(this);
    else if (riid == IID_IViewObject2) *ppv = static_cast<IViewObject2*>(this);
    else if (riid == IID_IViewObject) *ppv = static_cast<IViewObject*>(static_cast<IViewObject2*>(this));
    else if (riid == IID_ISpecifyPropertyPages) *ppv = static_cast<ISpecifyPropertyPages*>(this);
    else if (riid == IID_ISimpleFrameSite) *ppv = static_cast<ISimpleFrameSite*>(this);
    else if (riid == IID_IQuickActivate) *ppv = static_cast<IQuickActivate*>(this);
    else if (riid == IID_IPersistStreamInit) *ppv = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IPersistStorage) *ppv = static_cast<IPersistStorage*>(this);
    else if (riid == IID_IPersistPropertyBag) *ppv = static_cast<IPersistPropertyBag*>(this);
    else if (riid == IID_IPersist) *ppv = static_cast<IPersist*>(static_cast<IPersistStreamInit*>(this));
    else if (riid == IID_IPerPropertyBrowsing) *ppv = static_cast<IPerPropertyBrowsing*>(this);
    else if (riid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleInPlaceObject) *ppv = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IOleWindow) *ppv = static_cast<IOleWindow*>(static_cast<IOleInPlaceObject*>(this));
    else if (riid == IID_IOleInPlaceActiveObject) *ppv = static_cast<IOleInPlaceActiveObject*>(this);
    else if (riid == IID_IOleControl) *ppv = static_cast<IOleControl*>(this);
    else if (riid == IID_IObjectSafety) *ppv = static_cast<IObjectSafety*>(this);
    else if (riid == IID_IDataObject) *ppv = static_cast<IDataObject*>(this);
    else if (riid == IID_IConnectionPointContainer) *ppv = static_cast<IConnectionPointContainer*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TTxZRMediaPlayer::AddRef() { return ++FRefs; }

ULONG TTxZRMediaPlayer::Release() {
    const ULONG n = --FRefs;
    if (n == 0) {
        if (CanDestroyNow()) delete this;
        else ScheduleDestroy();
    }
    return n;
}

bool TTxZRMediaPlayer::TryAddRef() {
    ULONG n = FRefs.load();
    while (n != 0)
        if (FRefs.compare_exchange_weak(n, n + 1)) return true;
    return false;
}

bool TTxZRMediaPlayer::OnOwnerThread() const { return GetCurrentThreadId() == FThreadId; }

bool TTxZRMediaPlayer::CanDestroyNow() const { return OnOwnerThread() && FEventDepth == 0 && FCallDepth == 0; }

void TTxZRMediaPlayer::ScheduleDestroy() {
    // The parking window lives as long as the object; its thread destroys the object from the message loop.
    if (FParking && PostMessageW(FParking, WM_ZR_DESTROY, 0, 0)) return;
    if (OnOwnerThread()) delete this;
    // Otherwise the owner thread has no window any more: the object is left rather than destroyed on a
    // thread that does not own its windows.
}

// --- IDispatch

HRESULT TTxZRMediaPlayer::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_POINTER;
    *ppTInfo = nullptr;
    if (iTInfo != 0) return DISP_E_BADINDEX;
    *ppTInfo = ComPtr<ITypeInfo>(FTypeInfo).Detach();
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return DispGetIDsOfNames(FTypeInfo.Get(), rgszNames, cNames, rgDispId);
}

HRESULT TTxZRMediaPlayer::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (pExcepInfo) *pExcepInfo = EXCEPINFO{};
    SetErrorInfo(0, nullptr);
    HRESULT hr;
    try {
        TZRDispArgs args;
        hr = args.Prepare(FTypeInfo.Get(), dispIdMember, wFlags, pDispParams, puArgErr);
        if (SUCCEEDED(hr))
            hr = FTypeInfo->Invoke(static_cast<ITxZRMediaPlayer*>(this), dispIdMember, wFlags, args.Params(),
                                   pVarResult, pExcepInfo, puArgErr);
        if (SUCCEEDED(hr)) args.WriteBack();
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    // A member that failed with its own HRESULT: the caller gets it as an exception with the error
    // information the member left.
    if (FAILED(hr) && HRESULT_FACILITY(hr) != FACILITY_DISPATCH && pExcepInfo && !pExcepInfo->scode &&
        !pExcepInfo->bstrDescription) {
        pExcepInfo->scode = hr;
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.Put()) == S_OK && info) {
            info->GetSource(&pExcepInfo->bstrSource);
            info->GetDescription(&pExcepInfo->bstrDescription);
            info->GetHelpFile(&pExcepInfo->bstrHelpFile);
            info->GetHelpContext(&pExcepInfo->dwHelpContext);
            SetErrorInfo(0, info.Get());
        }
        hr = DISP_E_EXCEPTION;
    }
    // Colours (OLE_COLOR, an unsigned 32-bit alias) go out as signed 32-bit values with the same bits:
    // script engines have no unsigned type.
    if (SUCCEEDED(hr) && pVarResult && pVarResult->vt == VT_UI4) pVarResult->vt = VT_I4;
    return hr;
}

// --- transport calls and their queue

bool TTxZRMediaPlayer::MustDefer() const {
    if (!OnOwnerThread()) return true;
    if (FCallDepth > 0) return true;
    return FEventDepth > 0 && !FTailEvent;
}

HRESULT TTxZRMediaPlayer::Transport(TTransport op, VARIANT_BOOL* result) {
    if (FClosing || !FPlayer) return SetControlErrorInfo(E_UNEXPECTED, ZRControlText::kNoPlayer);
    if (MustDefer()) {
        try {
            QueueTransport(op);
        } catch (...) {
            return HandleCurrentException();
        }
        if (result) *result = VARIANT_TRUE;  // accepted; a failure reaches the host through OnError
        return S_OK;
    }
    return Member([&] { RunTransport(op, result); });
}

void TTxZRMediaPlayer::RunTransport(TTransport op, VARIANT_BOOL* result) {
    switch (op) {
    case TTransport::Play: {
        bool ok = FPlayer->Play();
        if (result) *result = zrconv::OutBool(ok);
        break;
    }
    case TTransport::Stop: FPlayer->Stop(); break;
    case TTransport::Close: FPlayer->Close(); break;
    case TTransport::Pause: FPlayer->Pause(); break;
    case TTransport::Resume: FPlayer->Resume(); break;
    }
}

void TTxZRMediaPlayer::QueueTransport(TTransport op) {
    AcquireSRWLockExclusive(&FQueueLock);
    try {
        FQueue.push_back(op);
    } catch (...) {
        ReleaseSRWLockExclusive(&FQueueLock);
        throw;
    }
    ReleaseSRWLockExclusive(&FQueueLock);
    PostMessageW(FParking, WM_ZR_RUN_QUEUED, 0, 0);
}

void TTxZRMediaPlayer::RunQueued() {
    if (FClosing || !FPlayer) return;
    // Still inside a member or an event (a modal loop dispatched the message): try again shortly.
    if (FCallDepth > 0 || FEventDepth > 0) {
        SetTimer(FParking, kRetryTimer, kRetryMs, nullptr);
        return;
    }
    KillTimer(FParking, kRetryTimer);
    if (!TryAddRef()) return;  // the last reference is gone: the object is about to be destroyed
    auto self = ComPtr<ITxZRMediaPlayer>::Attach(static_cast<ITxZRMediaPlayer*>(this));  // alive while the calls run
    for (;;) {
        TTransport op;
        AcquireSRWLockExclusive(&FQueueLock);
        const bool empty = FQueue.empty();
        if (!empty) {
            op = FQueue.front();
            FQueue.pop_front();
        }
        ReleaseSRWLockExclusive(&FQueueLock);
        if (empty || FClosing) break;
        Member([&] { RunTransport(op, nullptr); });
        if (FCallDepth > 0 || FEventDepth > 0) break;
    }
}

// --- property changes

void TTxZRMediaPlayer::PropertyChanged(DISPID dispid) {
    if (FLoading) return;
    FDirty = true;
    for (auto& sink : FNotifyPoint.Sinks()) {
        try {
            static_cast<IPropertyNotifySink*>(sink.Get())->OnChanged(dispid);
        } catch (...) {
        }
    }
    if (FViewAdvise) FViewAdvise->OnViewChange(DVASPECT_CONTENT, -1);
}

// --- windows

HWND TTxZRMediaPlayer::PlayerWindow() const { return FPlayer ? FPlayer->Handle() : nullptr; }

LRESULT CALLBACK TTxZRMediaPlayer::ParkingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TTxZRMediaPlayer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        switch (msg) {
        case WM_ZR_RUN_QUEUED:
            self->RunQueued();
            return 0;
        case WM_ZR_DELIVER_HELD:
            self->DeliverHeld();
            return 0;
        case WM_ZR_DESTROY:
            if (self->FRefs.load() == 0) {
                if (self->FCallDepth > 0 || self->FEventDepth > 0) SetTimer(hwnd, kRetryTimer, kRetryMs, nullptr);
                else delete self;  // destroys this window too; nothing follows
            }
            return 0;
        case WM_TIMER:
            if (wp == kRetryTimer) {
                if (self->FRefs.load() == 0) PostMessageW(hwnd, WM_ZR_DESTROY, 0, 0);
                else self->RunQueued();
                return 0;
            }
            break;
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TTxZRMediaPlayer::SiteProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TTxZRMediaPlayer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        switch (msg) {
        case WM_SIZE:
            if (HWND p = self->PlayerWindow(); p && GetParent(p) == hwnd)
                MoveWindow(p, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the player covers the whole window
        case WM_SETFOCUS:
            if (HWND p = self->PlayerWindow(); p && GetParent(p) == hwnd) SetFocus(p);
            return 0;
        case WM_PARENTNOTIFY:
            // A click in the player makes an inside-out control the site's active object.
            if (LOWORD(wp) == WM_LBUTTONDOWN || LOWORD(wp) == WM_RBUTTONDOWN || LOWORD(wp) == WM_MBUTTONDOWN) {
                if (self->FInPlaceActive && !self->FUIActive && self->FClientSite) self->InPlaceActivate(true);
            }
            break;
        case WM_DESTROY:
            // The site's window is going away with the control's window in it: the player survives in the
            // parking window.
            self->SiteWindowDestroyed();
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return 0;
        default:
            break;
        }
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void TTxZRMediaPlayer::SiteWindowDestroyed() {
    if (HWND p = PlayerWindow(); p && GetParent(p) == FSiteWnd) {
        ShowWindow(p, SW_HIDE);
        SetParent(p, FParking);
        ShowWindow(p, SW_SHOWNA);
    }
    FSiteWnd = nullptr;
    if (FInPlaceActive) {
        // Deactivated by the loss of the window, not by the site: the site is not called back.
        FInPlaceActive = false;
        FUIActive = false;
        FInPlaceSite = nullptr;
        FFrame = nullptr;
        FDocWindow = nullptr;
    }
}

SIZEL TTxZRMediaPlayer::PixelsToHimetric(int cx, int cy) const {
    HDC dc = GetDC(nullptr);
    int dx = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96, dy = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    if (dx <= 0) dx = 96;
    if (dy <= 0) dy = 96;
    return SIZEL{MulDiv(cx, 2540, dx), MulDiv(cy, 2540, dy)};
}

SIZE TTxZRMediaPlayer::HimetricToPixels(const SIZEL& s) const {
    HDC dc = GetDC(nullptr);
    int dx = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96, dy = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    if (dx <= 0) dx = 96;
    if (dy <= 0) dy = 96;
    return SIZE{MulDiv(s.cx, dx, 2540), MulDiv(s.cy, dy, 2540)};
}
