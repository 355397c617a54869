// The standard interfaces of a windowed OLE control: object, in-place activation, view, quick activation,
// safety, data object, connection points, class and error information.
#include <cstring>

#include "control/control_call.h"
#include "control/module.h"
#include "player/player.h"
#include "player/player_colour.h"

namespace {
bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace

// --- IProvideClassInfo, ISupportErrorInfo, ISpecifyPropertyPages, ISimpleFrameSite

HRESULT TTxZRMediaPlayer::GetClassInfo(ITypeInfo** ppTI) {
    if (!ppTI) return E_POINTER;
    *ppTI = ComPtr<ITypeInfo>(FClassInfo).Detach();
    return *ppTI ? S_OK : E_UNEXPECTED;
}

HRESULT TTxZRMediaPlayer::InterfaceSupportsErrorInfo(REFIID riid) {
    return riid == IID_ITxZRMediaPlayer ? S_OK : S_FALSE;
}

HRESULT TTxZRMediaPlayer::GetPages(CAUUID* pPages) {
    if (!pPages) return E_POINTER;
    pPages->cElems = 0;  // the control has no property pages of its own
    pPages->pElems = nullptr;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::PreMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD*) { return S_OK; }
HRESULT TTxZRMediaPlayer::PostMessageFilter(HWND, UINT, WPARAM, LPARAM, LRESULT*, DWORD) { return S_OK; }

// --- IViewObject, IViewObject2: a drawing of the control is its background.

HRESULT TTxZRMediaPlayer::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw,
                               LPCRECTL lprcBounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!hdcDraw) return E_INVALIDARG;
    if (!lprcBounds) return E_INVALIDARG;
    if (!FPlayer) return E_UNEXPECTED;
    RECT r = {lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    HBRUSH b = CreateSolidBrush(ZRScreenColour(FPlayer->Background_Color()));
    FillRect(hdcDraw, &r, b);
    DeleteObject(b);
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) {
    if (ppColorSet) *ppColorSet = nullptr;
    return S_FALSE;
}
HRESULT TTxZRMediaPlayer::Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) {
    if (pdwFreeze) *pdwFreeze = 0;
    return E_NOTIMPL;
}
HRESULT TTxZRMediaPlayer::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT TTxZRMediaPlayer::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) {
    FViewAdvise = ComPtr<IAdviseSink>(pAdvSink);
    FViewAspects = aspects;
    FViewAdvf = advf;
    if (pAdvSink && (advf & ADVF_PRIMEFIRST)) pAdvSink->OnViewChange(DVASPECT_CONTENT, -1);
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
    if (pAspects) *pAspects = FViewAspects;
    if (pAdvf) *pAdvf = FViewAdvf;
    if (ppAdvSink) *ppAdvSink = ComPtr<IAdviseSink>(FViewAdvise).Detach();
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetExtent(DWORD dwDrawAspect, LONG, DVTARGETDEVICE*, LPSIZEL lpsizel) {
    if (!lpsizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *lpsizel = FExtent;
    return S_OK;
}

// --- IQuickActivate

HRESULT TTxZRMediaPlayer::QuickActivate(QACONTAINER* pQaContainer, QACONTROL* pQaControl) {
    if (!pQaContainer || !pQaControl) return E_POINTER;
    if (pQaContainer->cbSize < offsetof(QACONTAINER, pOleControlSite) || pQaControl->cbSize < sizeof(QACONTROL))
        return E_INVALIDARG;
    const ULONG cb = pQaControl->cbSize;
    *pQaControl = QACONTROL{};
    pQaControl->cbSize = cb;
    FUserMode = (pQaContainer->dwAmbientFlags & QACONTAINER_USERMODE) != 0;
    if (FPlayer) FPlayer->SetDesignMode(!FUserMode);
    HRESULT hr = SetClientSite(pQaContainer->pClientSite);
    if (FAILED(hr)) return hr;
    if (pQaContainer->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, pQaContainer->pAdviseSink);
    if (pQaContainer->pUnkEventSink) FEventsPoint.Advise(pQaContainer->pUnkEventSink, &pQaControl->dwEventCookie);
    if (pQaContainer->pPropertyNotifySink)
        FNotifyPoint.Advise(pQaContainer->pPropertyNotifySink, &pQaControl->dwPropNotifyCookie);
    pQaControl->dwMiscStatus = ZRControlText::kMiscStatus;
    pQaControl->dwViewStatus = VIEWSTATUS_OPAQUE;
    pQaControl->dwPointerActivationPolicy = 0;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetContentExtent(LPSIZEL pSizel) { return SetExtent(DVASPECT_CONTENT, pSizel); }
HRESULT TTxZRMediaPlayer::GetContentExtent(LPSIZEL pSizel) { return GetExtent(DVASPECT_CONTENT, pSizel); }

// --- IOleObject

void TTxZRMediaPlayer::ReadAmbientUserMode() {
    bool userMode = true;
    if (ComPtr<IDispatch> ambient = FClientSite.As<IDispatch>()) {
        VARIANT v;
        VariantInit(&v);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                      &none, &v, nullptr, nullptr)) &&
            SUCCEEDED(VariantChangeType(&v, &v, 0, VT_BOOL)))
            userMode = v.boolVal != VARIANT_FALSE;
        VariantClear(&v);
    }
    FUserMode = userMode;
    if (FPlayer) FPlayer->SetDesignMode(!FUserMode);
}

HRESULT TTxZRMediaPlayer::SetClientSite(IOleClientSite* pClientSite) {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    if (!pClientSite && FInPlaceActive) InPlaceDeactivate();
    FClientSite = ComPtr<IOleClientSite>(pClientSite);
    if (FClientSite) ReadAmbientUserMode();
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetClientSite(IOleClientSite** ppClientSite) {
    if (!ppClientSite) return E_POINTER;
    *ppClientSite = ComPtr<IOleClientSite>(FClientSite).Detach();
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT TTxZRMediaPlayer::Close(DWORD dwSaveOption) {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    if (FDirty && FClientSite && (dwSaveOption == OLECLOSE_SAVEIFDIRTY || dwSaveOption == OLECLOSE_PROMPTSAVE))
        FClientSite->SaveObject();
    if (FInPlaceActive) InPlaceDeactivate();
    if (FOleAdvise) FOleAdvise->SendOnClose();
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
HRESULT TTxZRMediaPlayer::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}
HRESULT TTxZRMediaPlayer::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
HRESULT TTxZRMediaPlayer::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (ppDataObject) *ppDataObject = nullptr;
    return E_NOTIMPL;
}

HRESULT TTxZRMediaPlayer::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND, LPCRECT lprcPosRect) {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    if (!FClientSite && pActiveSite) SetClientSite(pActiveSite);
    switch (iVerb) {
    case OLEIVERB_PRIMARY:  // "Properties"
    case OLEIVERB_PROPERTIES:
        if (FClientSite && !FInPlaceActive) InPlaceActivate(false);
        ShowPropertiesThroughSite();
        return S_OK;
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE: {
        HRESULT hr = InPlaceActivate(false);
        if (SUCCEEDED(hr) && lprcPosRect && FSiteWnd) SetObjectRects(lprcPosRect, lprcPosRect);
        return hr;
    }
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(true);
    case OLEIVERB_HIDE:
        UIDeactivate();
        if (FSiteWnd) ShowWindow(FSiteWnd, SW_HIDE);
        return S_OK;
    case OLEIVERB_OPEN:
    case OLEIVERB_DISCARDUNDOSTATE:
        return E_NOTIMPL;
    default:
        return iVerb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
}

void TTxZRMediaPlayer::ShowPropertiesThroughSite() {
    // The control has no property pages; a container that shows its own property browser may do so.
    if (ComPtr<IOleControlSite> cs = FClientSite.As<IOleControlSite>()) cs->ShowPropertyFrame();
}

HRESULT TTxZRMediaPlayer::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (!ppEnumOleVerb) return E_POINTER;
    return OleRegEnumVerbs(CLSID_TxZRMediaPlayer, ppEnumOleVerb);
}
HRESULT TTxZRMediaPlayer::Update() { return S_OK; }
HRESULT TTxZRMediaPlayer::IsUpToDate() { return S_OK; }
HRESULT TTxZRMediaPlayer::GetUserClassID(CLSID* pClsid) {
    if (!pClsid) return E_POINTER;
    *pClsid = CLSID_TxZRMediaPlayer;
    return S_OK;
}
// The registered name when there is one (a setup may have changed it); otherwise, for a class used without
// registration, the control's own description, in every form.
HRESULT TTxZRMediaPlayer::GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) {
    if (!pszUserType) return E_POINTER;
    *pszUserType = nullptr;
    if (SUCCEEDED(OleRegGetUserType(CLSID_TxZRMediaPlayer, dwFormOfType, pszUserType)) && *pszUserType)
        return S_OK;
    *pszUserType = nullptr;
    const size_t bytes = sizeof(ZRControlText::kDescription);
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!text) return E_OUTOFMEMORY;
    std::memcpy(text, ZRControlText::kDescription, bytes);
    *pszUserType = text;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    FExtent = *psizel;
    // Not in place: the player's window takes the size now. In place the site sets it with SetObjectRects.
    if (!FSiteWnd && PlayerWindow()) {
        SIZE px = HimetricToPixels(FExtent);
        SetWindowPos(PlayerWindow(), nullptr, 0, 0, px.cx, px.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *psizel = FExtent;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    if (!pdwConnection) return E_POINTER;
    *pdwConnection = 0;
    if (!FOleAdvise) {
        HRESULT hr = CreateOleAdviseHolder(FOleAdvise.Put());
        if (FAILED(hr)) return hr;
    }
    return FOleAdvise->Advise(pAdvSink, pdwConnection);
}

HRESULT TTxZRMediaPlayer::Unadvise(DWORD dwConnection) {
    return FOleAdvise ? FOleAdvise->Unadvise(dwConnection) : OLE_E_NOCONNECTION;
}

HRESULT TTxZRMediaPlayer::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (!ppenumAdvise) return E_POINTER;
    *ppenumAdvise = nullptr;
    return FOleAdvise ? FOleAdvise->EnumAdvise(ppenumAdvise) : E_FAIL;
}

HRESULT TTxZRMediaPlayer::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = dwAspect == DVASPECT_CONTENT ? ZRControlText::kMiscStatus : 0;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- in-place activation

HRESULT TTxZRMediaPlayer::InPlaceActivate(bool uiActivate) {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    if (!FClientSite) return E_UNEXPECTED;
    if (!PlayerWindow()) return E_UNEXPECTED;
    if (!FInPlaceActive) {
        ComPtr<IOleInPlaceSite> site = FClientSite.As<IOleInPlaceSite>();
        if (!site) return E_NOINTERFACE;
        if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
        HRESULT hr = site->OnInPlaceActivate();
        if (FAILED(hr)) return hr;
        HWND parent = nullptr;
        hr = site->GetWindow(&parent);
        if (FAILED(hr) || !parent) {
            site->OnInPlaceDeactivate();
            return FAILED(hr) ? hr : E_FAIL;
        }
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> doc;
        RECT pos = {}, clip = {};
        OLEINPLACEFRAMEINFO info = {};
        info.cb = sizeof(info);
        hr = site->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &info);
        if (FAILED(hr)) {
            site->OnInPlaceDeactivate();
            return hr;
        }
        FSiteWnd = CreateWindowExW(0, ZRControlText::kSiteClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                   pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr,
                                   zrmodule::Instance(), this);
        if (!FSiteWnd) {
            site->OnInPlaceDeactivate();
            return HRESULT_FROM_WIN32(GetLastError());
        }
        HWND p = PlayerWindow();
        SetParent(p, FSiteWnd);
        MoveWindow(p, 0, 0, pos.right - pos.left, pos.bottom - pos.top, FALSE);
        ShowWindow(p, SW_SHOWNA);
        FPosRect = pos;
        FInPlaceSite = site;
        FFrame = frame;
        FDocWindow = doc;
        FInPlaceActive = true;
        SetObjectRects(&pos, &clip);
        ShowWindow(FSiteWnd, SW_SHOWNA);
        FPlayer->Screen_Update();
    } else if (FSiteWnd) {
        ShowWindow(FSiteWnd, SW_SHOWNA);
    }
    if (uiActivate && !FUIActive && FInPlaceSite) {
        FUIActive = true;
        FInPlaceSite->OnUIActivate();
        if (FFrame) {
            FFrame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
            FFrame->SetBorderSpace(nullptr);
        }
        if (FDocWindow) {
            FDocWindow->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
            FDocWindow->SetBorderSpace(nullptr);
        }
        if (HWND p = PlayerWindow()) SetFocus(p);
    }
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = FSiteWnd;
    return FSiteWnd ? S_OK : E_FAIL;
}

HRESULT TTxZRMediaPlayer::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT TTxZRMediaPlayer::InPlaceDeactivate() {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    if (!FInPlaceActive) return S_OK;
    UIDeactivate();
    FInPlaceActive = false;
    if (HWND p = PlayerWindow()) {
        ShowWindow(p, SW_HIDE);
        SetParent(p, FParking);
        ShowWindow(p, SW_SHOWNA);
    }
    if (FSiteWnd) {
        HWND w = FSiteWnd;
        FSiteWnd = nullptr;
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        DestroyWindow(w);
    }
    ComPtr<IOleInPlaceSite> site = std::move(FInPlaceSite);
    FFrame = nullptr;
    FDocWindow = nullptr;
    if (site) site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT TTxZRMediaPlayer::UIDeactivate() {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    if (!FUIActive) return S_OK;
    FUIActive = false;
    if (FFrame) FFrame->SetActiveObject(nullptr, nullptr);
    if (FDocWindow) FDocWindow->SetActiveObject(nullptr, nullptr);
    if (FInPlaceSite) FInPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) {
    if (!lprcPosRect) return E_POINTER;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    FPosRect = *lprcPosRect;
    const int w = lprcPosRect->right - lprcPosRect->left, h = lprcPosRect->bottom - lprcPosRect->top;
    FExtent = PixelsToHimetric(w, h);
    if (!FSiteWnd) return S_OK;
    SetWindowPos(FSiteWnd, nullptr, lprcPosRect->left, lprcPosRect->top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    // Parts outside the site's clipping rectangle are not drawn.
    RECT visible;
    if (lprcClipRect && IntersectRect(&visible, lprcPosRect, lprcClipRect) && !SameRect(visible, *lprcPosRect)) {
        OffsetRect(&visible, -lprcPosRect->left, -lprcPosRect->top);
        SetWindowRgn(FSiteWnd, CreateRectRgnIndirect(&visible), TRUE);
    } else {
        SetWindowRgn(FSiteWnd, nullptr, TRUE);
    }
    return S_OK;
}

HRESULT TTxZRMediaPlayer::ReactivateAndUndo() { return E_NOTIMPL; }
HRESULT TTxZRMediaPlayer::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT TTxZRMediaPlayer::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT TTxZRMediaPlayer::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT TTxZRMediaPlayer::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT TTxZRMediaPlayer::EnableModeless(BOOL) { return S_OK; }

// --- IOleControl

HRESULT TTxZRMediaPlayer::GetControlInfo(CONTROLINFO* pCI) {
    if (!pCI) return E_POINTER;
    pCI->cb = sizeof(CONTROLINFO);
    pCI->hAccel = nullptr;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}
HRESULT TTxZRMediaPlayer::OnMnemonic(MSG*) { return S_OK; }
HRESULT TTxZRMediaPlayer::OnAmbientPropertyChange(DISPID dispID) {
    if (dispID == DISPID_AMBIENT_USERMODE || dispID == DISPID_UNKNOWN) ReadAmbientUserMode();
    return S_OK;
}
// Freezes nest. What happens to events meanwhile: HoldOrDrop (control_events.cpp).
HRESULT TTxZRMediaPlayer::FreezeEvents(BOOL bFreeze) {
    if (bFreeze) {
        ++FFreezeCount;
    } else {
        int n = FFreezeCount.load();
        while (n > 0 && !FFreezeCount.compare_exchange_weak(n, n - 1)) {
        }
        // The held events go out from the message loop, not inside the container's call.
        if (n == 1 && FParking) PostMessageW(FParking, WM_ZR_DELIVER_HELD, 0, 0);
    }
    return S_OK;
}

// --- IObjectSafety: a host may mark the caller untrusted; members that change the system (filter merits in
// the registry) or open filter dialogs are then refused.

namespace {
constexpr DWORD kSafetySupported = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
bool SafetyInterface(REFIID riid) {
    return riid == IID_IDispatch || riid == IID_ITxZRMediaPlayer || riid == IID_IPersistPropertyBag ||
           riid == IID_IPersistStreamInit || riid == IID_IPersistStorage;
}
}  // namespace

HRESULT TTxZRMediaPlayer::GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                    DWORD* pdwEnabledOptions) {
    if (!pdwSupportedOptions || !pdwEnabledOptions) return E_POINTER;
    *pdwSupportedOptions = *pdwEnabledOptions = 0;
    if (!SafetyInterface(riid)) return E_NOINTERFACE;
    *pdwSupportedOptions = kSafetySupported;
    *pdwEnabledOptions = FSafety;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) {
    if (!SafetyInterface(riid)) return E_NOINTERFACE;
    if (dwOptionSetMask & ~kSafetySupported) return E_FAIL;
    FSafety = (FSafety & ~dwOptionSetMask) | (dwEnabledOptions & dwOptionSetMask);
    return S_OK;
}

// --- IDataObject: the control offers no data formats.

HRESULT TTxZRMediaPlayer::GetData(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT TTxZRMediaPlayer::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT TTxZRMediaPlayer::QueryGetData(FORMATETC*) { return DV_E_FORMATETC; }
HRESULT TTxZRMediaPlayer::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pformatetcOut) {
    if (pformatetcOut) pformatetcOut->ptd = nullptr;
    return E_NOTIMPL;
}
HRESULT TTxZRMediaPlayer::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }
HRESULT TTxZRMediaPlayer::EnumFormatEtc(DWORD, IEnumFORMATETC** ppenumFormatEtc) {
    if (ppenumFormatEtc) *ppenumFormatEtc = nullptr;
    return E_NOTIMPL;
}
HRESULT TTxZRMediaPlayer::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* pdwConnection) {
    if (pdwConnection) *pdwConnection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT TTxZRMediaPlayer::DUnadvise(DWORD) { return OLE_E_NOCONNECTION; }
HRESULT TTxZRMediaPlayer::EnumDAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise) *ppenumAdvise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

// --- IConnectionPointContainer

HRESULT TTxZRMediaPlayer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    return CreateConnectionPointEnum({&FEventsPoint, &FNotifyPoint}, ppEnum);
}

HRESULT TTxZRMediaPlayer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    if (riid == DIID_ITxZRMediaPlayerEvents) *ppCP = ComPtr<IConnectionPoint>(&FEventsPoint).Detach();
    else if (riid == IID_IPropertyNotifySink) *ppCP = ComPtr<IConnectionPoint>(&FNotifyPoint).Detach();
    else return CONNECT_E_NOCONNECTION;
    return S_OK;
}
