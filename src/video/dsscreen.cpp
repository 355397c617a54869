#include "video/dsscreen.h"

#include <algorithm>

#include "core/textutil.h"
#include "graph/graphutil.h"
#include "graph/guids.h"

namespace {

// Every text the wrapper reports.
namespace Text {
constexpr wchar_t kNoVideoWindow[] = L"Unable to get IVideoWindow interface.";
constexpr wchar_t kNoVmrMixerControl[] = L"Unable to get IVMRMixerControl9 interface.";
constexpr wchar_t kNoVmrMixerBitmap[] = L"Unable to get IVMRMixerBitmap9 interface.";
constexpr wchar_t kNoMfVideoRenderer[] = L"Unable to query IMFVideoRenderer interface.";
constexpr wchar_t kNoEvrFilterConfig[] = L"Unable to get IEVRFilterConfig interface.";
constexpr wchar_t kNoMfGetService[] = L"Unable to get IMFGetService interface.";
constexpr wchar_t kNoMfDisplayControl[] = L"Unable to get IMFVideoDisplayControl interface.";
constexpr wchar_t kNoMfMixerControl[] = L"Unable to get IMFVideoMixerControl interface.";
constexpr wchar_t kNoMfMixerBitmap[] = L"Unable to get IMFVideoMixerBitmap interface.";
constexpr wchar_t kCantZoom[] = L"Can't zoom";
constexpr wchar_t kCantSetDeinterlace[] = L"(Warning) Unable to set deinterlace mode.";
}  // namespace Text

// At most this many deinterlace modes are considered.
constexpr DWORD kMaxDeinterlaceModes = 11;

// The video description used to ask VMR-9 for its deinterlace modes: interlaced YUY2, even field
// first, 25 frames in, 50 fields out.
VMR9VideoDesc DeinterlaceDesc(DWORD w, DWORD h)
{
    VMR9VideoDesc d = {};
    d.dwSize = sizeof(VMR9VideoDesc);
    d.dwSampleWidth = w;
    d.dwSampleHeight = h;
    d.SampleFormat = VMR9_SampleFieldInterleavedEvenFirst;
    d.dwFourCC = MAKEFOURCC('Y', 'U', 'Y', '2');
    d.InputSampleFreq.dwNumerator = 25000;
    d.InputSampleFreq.dwDenominator = 1000;
    d.OutputFrameFreq.dwNumerator = 50000;
    d.OutputFrameFreq.dwDenominator = 1000;
    return d;
}

// The renderer's deinterlace modes for desc (at most kMaxDeinterlaceModes). False when the renderer
// cannot tell.
bool DeinterlaceModes(IVMRDeinterlaceControl9* dc, VMR9VideoDesc& desc, std::vector<GUID>& modes)
{
    modes.clear();
    DWORD count = 0;
    if (FAILED(dc->GetNumberOfDeinterlaceModes(&desc, &count, nullptr)))
        return false;
    if (count == 0)
        return true;
    GUID buf[kMaxDeinterlaceModes] = {};
    count = std::min(count, kMaxDeinterlaceModes);
    if (FAILED(dc->GetNumberOfDeinterlaceModes(&desc, &count, buf)))
        return false;
    modes.assign(buf, buf + std::min(count, kMaxDeinterlaceModes));
    return true;
}

bool ModeTechnologyName(IVMRDeinterlaceControl9* dc, GUID& mode, VMR9VideoDesc& desc, std::wstring& name)
{
    VMR9DeinterlaceCaps caps = {};
    caps.dwSize = sizeof(VMR9DeinterlaceCaps);
    if (FAILED(dc->GetDeinterlaceModeCaps(&mode, &desc, &caps)))
        return false;
    name = DeinterlaceTechnologyName(static_cast<uint32_t>(caps.DeinterlaceTechnology));
    return true;
}

// QueryInterface by explicit identifier, for the interfaces the SDK headers give no __uuidof.
template <class T, class U>
HRESULT QueryIid(const ComPtr<U>& from, REFIID iid, ComPtr<T>& out)
{
    if (!from) {
        out = nullptr;
        return E_POINTER;
    }
    return from->QueryInterface(iid, out.PutVoid());
}

RECT ToRect(const ZRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The display's resolution, from the "DISPLAY" device context.
SIZE DisplaySize()
{
    SIZE s = {0, 0};
    if (HDC dc = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {
        s.cx = GetDeviceCaps(dc, HORZRES);
        s.cy = GetDeviceCaps(dc, VERTRES);
        DeleteDC(dc);
    }
    return s;
}

// Creates a renderer and adds it to the graph under name. Neither result is an error here: a
// renderer that is not created is simply not added.
void CreateAndAdd(IFilterGraph2* graph, const CLSID& clsid, const wchar_t* name, ComPtr<IBaseFilter>& out)
{
    CreateInstance(clsid, out);
    if (graph && out)
        graph->AddFilter(out.Get(), name);
}

}  // namespace

// Clear, then the members release what is still held.
TDSScreen::~TDSScreen()
{
    Clear();
}

void TDSScreen::OnErrorS(const wchar_t* Text)
{
    try {
        FOnError(Text);
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------
// Creation

bool TDSScreen::Init_Renderer(IFilterGraph2* filterGraph, int32_t PIP_Count)
{
    switch (Renderer) {
    case VR_VideoRenderer:
        return Init_VR(filterGraph);
    case VR_VMR9:
        Init_VMR9(filterGraph, PIP_Count);
        return true;
    case VR_EVR:
        Init_EVR(filterGraph, PIP_Count);
        return true;
    default:
        Init_None(filterGraph);
        return true;
    }
}

bool TDSScreen::Init_VR(IFilterGraph2* filterGraph)
{
    CreateAndAdd(filterGraph, CLSID_VideoRenderer, kRendererNameVR, pVideoRenderer);
    if (!pVideoRenderer)
        return false;
    if (FAILED(QueryIid(pVideoRenderer, IID_IVideoWindow, pVideoWindow))) {
        OnErrorS(Text::kNoVideoWindow);
        return true;
    }
    pVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(ScreenHandle));
    pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(ScreenHandle));
    return true;
}

void TDSScreen::Init_VMR9(IFilterGraph2* filterGraph, int32_t PIP_Count)
{
    CreateAndAdd(filterGraph, CLSID_VideoMixingRenderer9, kRendererNameVMR9, pVideoRenderer);
    if (!filterGraph || !pVideoRenderer)
        return;
    if (FAILED(pVideoRenderer.As(pVMRFilterConfig)))
        return;
    pVMRFilterConfig->SetRenderingMode(VMR9Mode_Windowless);
    // The clipping window must be set before the number of streams: some VMR-9 implementations
    // accept only the first of the two calls, and a windowless VMR-9 without a clipping window
    // cannot run. Where both are accepted the order makes no difference.
    if (SUCCEEDED(pVideoRenderer.As(pVMRWindowlessControl)))
        pVMRWindowlessControl->SetVideoClippingWindow(ScreenHandle);
    pVMRFilterConfig->SetNumberOfStreams(static_cast<DWORD>(std::max(PIP_Count, 0)) + 1);
    if (FAILED(pVideoRenderer.As(pVMRMixerControl9)))
        OnErrorS(Text::kNoVmrMixerControl);
    if (FAILED(pVideoRenderer.As(pVMRMixerBitmap9)))
        OnErrorS(Text::kNoVmrMixerBitmap);
    pVideoRenderer.As(pVMRDeinterlaceControl9);
}

void TDSScreen::Init_EVR(IFilterGraph2* filterGraph, int32_t /*PIP_Count*/)
{
    CreateAndAdd(filterGraph, zr::CLSID_EnhancedVideoRenderer, kRendererNameEVR, pVideoRenderer);
    if (!filterGraph || !pVideoRenderer)
        return;
    if (FAILED(pVideoRenderer.As(pMFVideoRenderer)))
        OnErrorS(Text::kNoMfVideoRenderer);
    if (FAILED(pVideoRenderer.As(pEVRFilterConfig)))
        OnErrorS(Text::kNoEvrFilterConfig);
    if (FAILED(pVideoRenderer.As(pMFGetService))) {
        OnErrorS(Text::kNoMfGetService);
        return;
    }
    if (FAILED(pMFGetService->GetService(zr::MR_VIDEO_RENDER_SERVICE, __uuidof(IMFVideoDisplayControl),
                                         pMFVideoDisplayControl.PutVoid())) ||
        !pMFVideoDisplayControl) {
        pMFVideoDisplayControl = nullptr;
        OnErrorS(Text::kNoMfDisplayControl);
    } else {
        pMFVideoDisplayControl->SetVideoWindow(ScreenHandle);
    }
    if (FAILED(pMFGetService->GetService(zr::MR_VIDEO_MIXER_SERVICE, __uuidof(IMFVideoMixerControl),
                                         pMFVideoMixerControl.PutVoid())) ||
        !pMFVideoMixerControl) {
        pMFVideoMixerControl = nullptr;
        OnErrorS(Text::kNoMfMixerControl);
    }
    if (FAILED(pMFGetService->GetService(zr::MR_VIDEO_MIXER_SERVICE, __uuidof(IMFVideoMixerBitmap),
                                         pMFMixerBitmap.PutVoid())) ||
        !pMFMixerBitmap) {
        pMFMixerBitmap = nullptr;
        OnErrorS(Text::kNoMfMixerBitmap);
    }
}

void TDSScreen::Init_None(IFilterGraph2* filterGraph)
{
    CreateAndAdd(filterGraph, zr::CLSID_NullRenderer, kRendererNameNone, pVideoRenderer);
}

// ---------------------------------------------------------------------------------------------
// Updates

void TDSScreen::Update_Renderer(IFilterGraph2* filterGraph)
{
    switch (Renderer) {
    case VR_VideoRenderer:
        Update_VR(filterGraph);
        break;
    case VR_VMR9:
        Update_VMR9(filterGraph);
        break;
    case VR_EVR:
        Update_EVR(filterGraph);
        break;
    default:
        break;
    }
}

ZRect TDSScreen::CalcAspectRect(int32_t W, int32_t H, int32_t X, int32_t Y) const
{
    if (W == 0) {
        if (FullScreen) {
            const SIZE d = DisplaySize();
            W = d.cx;
            H = d.cy;
        } else {
            W = width;
            H = height;
        }
    }
    if (X == 1 && Y == 1) {
        X = VideoInWidth;
        Y = VideoInHeight;
    }
    return ::CalcAspectRect(W, H, X, Y);
}

// Classic renderer. The picture is letterboxed by moving and sizing the renderer's own child window
// inside ScreenHandle, whose background shows around it. Reading the native size, re-parenting and
// placing the window are required: a failure there ends the update. A rejected source rectangle
// stops only the zoom; the border colour, cursor and foreground calls are tried without depending on
// their result.
void TDSScreen::Update_VR(IFilterGraph2* filterGraph)
{
    if (!pVideoWindow || !filterGraph)
        return;
    // A renderer that is not connected has no picture to position; some renderers fault when asked.
    if (!IsInputConnected(pVideoRenderer.Get()))
        return;
    try {
        if (VideoInWidth == 0 || VideoInHeight == 0) {
            ComPtr<IBasicVideo> bv;
            if (FAILED(QueryIid(pVideoRenderer, IID_IBasicVideo, bv)))
                return;
            long w = 0, h = 0;
            if (FAILED(bv->get_VideoWidth(&w)) || FAILED(bv->get_VideoHeight(&h)))
                return;
            VideoInWidth = w;
            VideoInHeight = h;
        }
        pVideoWindow->put_BorderColor(static_cast<long>(FBorderColor));
        if (Screen_Zoom_Ratio >= 0 && VideoInWidth > 0 && VideoInHeight > 0) {
            ComPtr<IBasicVideo> bv;
            if (FAILED(QueryIid(pVideoRenderer, IID_IBasicVideo, bv)))
                return;
            // A rejected rectangle (for instance one shifted out of the frame) leaves the rest of the
            // source rectangle as it is; the window is still placed below.
            if (SUCCEEDED(bv->SetDefaultSourcePosition())) {
                const ZRect r =
                    ::CalcZoomRect(VideoInWidth, VideoInHeight, Screen_Zoom_ShiftX, Screen_Zoom_ShiftY, Screen_Zoom_Ratio);
                if (SUCCEEDED(bv->put_SourceWidth(r.right - r.left)) && SUCCEEDED(bv->put_SourceHeight(r.bottom - r.top)) &&
                    SUCCEEDED(bv->put_SourceLeft(r.left)))
                    bv->put_SourceTop(r.top);
            }
        }
        if (FullScreen)
            UpdateVRFullScreen(filterGraph);
        else
            UpdateVRWindowed(filterGraph);
    } catch (...) {
    }
}

void TDSScreen::UpdateVRWindowed(IFilterGraph2* filterGraph)
{
    OAHWND owner = 0;
    if (FAILED(pVideoWindow->get_Owner(&owner)))
        return;
    if (owner != reinterpret_cast<OAHWND>(ScreenHandle)) {
        pVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(ScreenHandle));
        if (FAILED(pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(ScreenHandle))))
            return;
    }
    // A plain child without caption or frame, whichever call gave it the owner: some renderers accept the
    // owner before they are connected (Init_VR) and keep their top-level style, a caption over the picture.
    long style = 0;
    if (FAILED(pVideoWindow->get_WindowStyle(&style)) || (style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME)) != WS_CHILD) {
        pVideoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
        pVideoWindow->put_Visible(OATRUE);
    }
    ComPtr<IBasicVideo> graphVideo;
    if (FAILED(filterGraph->QueryInterface(IID_IBasicVideo, graphVideo.PutVoid())))
        return;
    // Full-screen mode is switched off only when it is on, and before the window is placed: some
    // renderers move their window back to the owner's origin whenever it is switched off.
    long fullScreen = OAFALSE;
    if (SUCCEEDED(pVideoWindow->get_FullScreenMode(&fullScreen)) && fullScreen != OAFALSE)
        pVideoWindow->put_FullScreenMode(OAFALSE);
    ZRect fit{};
    if (width > 0 && height > 0 && VideoInWidth > 0 && VideoInHeight > 0)
        fit = ::CalcAspectRect(width, height, VideoInWidth, VideoInHeight);
    HRESULT hr = Stretch ? pVideoWindow->SetWindowPosition(0, 0, width, height)
                         : pVideoWindow->SetWindowPosition(fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top);
    if (FAILED(hr))
        return;
    graphVideo->SetDefaultDestinationPosition();
    pVideoWindow->HideCursor(OAFALSE);
    pVideoWindow->SetWindowForeground(OATRUE);
}

// Full screen: the renderer's window leaves the host window and covers the display as a pop-up; the
// picture is fitted (or stretched) to the display's resolution, the cursor hidden, and input keeps
// going to ScreenHandle through the message drain.
void TDSScreen::UpdateVRFullScreen(IFilterGraph2* filterGraph)
{
    const SIZE d = DisplaySize();
    if (d.cx <= 0 || d.cy <= 0)
        return;
    ComPtr<IBasicVideo> graphVideo;
    if (FAILED(filterGraph->QueryInterface(IID_IBasicVideo, graphVideo.PutVoid())))
        return;
    pVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(ScreenHandle));
    OAHWND owner = 0;
    if (FAILED(pVideoWindow->get_Owner(&owner)))
        return;
    if (owner != 0) {
        if (FAILED(pVideoWindow->put_Owner(0)))
            return;
    }
    pVideoWindow->put_WindowStyle(WS_POPUP | WS_CLIPSIBLINGS);
    if (FAILED(pVideoWindow->SetWindowPosition(0, 0, d.cx, d.cy)))
        return;
    ZRect fit{0, 0, d.cx, d.cy};
    if (!Stretch)
        fit = (VideoInWidth > 0 && VideoInHeight > 0) ? ::CalcAspectRect(d.cx, d.cy, VideoInWidth, VideoInHeight) : ZRect{};
    graphVideo->SetDestinationPosition(fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top);
    pVideoWindow->put_Visible(OATRUE);
    pVideoWindow->SetWindowForeground(OATRUE);
    pVideoWindow->HideCursor(OATRUE);
}

// VMR-9 windowless. Reading the native size and positioning the video are required: a failure there
// ends the update. Re-asserting the rendering mode and clipping window, the border colour, the
// aspect-ratio mode and the flip through the mixer's output rectangle are tried and their failure
// ignored, so a VMR-9 that lacks one of these (or refuses it once the pin is connected) still gets
// its source and destination rectangles.
void TDSScreen::Update_VMR9(IFilterGraph2* filterGraph)
{
    if (!pVMRWindowlessControl || !filterGraph || !pVMRFilterConfig)
        return;
    try {
        LONG w = 0, h = 0, arw = 0, arh = 0;
        if (FAILED(pVMRWindowlessControl->GetNativeVideoSize(&w, &h, &arw, &arh)))
            return;
        VideoInWidth = w;
        VideoInHeight = h;
        pVMRFilterConfig->SetRenderingMode(VMR9Mode_Windowless);
        pVMRWindowlessControl->SetVideoClippingWindow(ScreenHandle);
        pVMRWindowlessControl->SetBorderColor(FBorderColor);
        pVMRWindowlessControl->SetAspectRatioMode((Stretch || FAspect_Ratio_Override) ? VMR9ARMode_None
                                                                                        : VMR9ARMode_LetterBox);
        if (pVMRMixerControl9) {
            VMR9NormalizedRect current = {};
            if (SUCCEEDED(pVMRMixerControl9->GetOutputRect(0, &current))) {
                VMR9NormalizedRect r = {0.0f, 0.0f, 1.0f, 1.0f};
                if (FlipHorizontal)
                    std::swap(r.left, r.right);
                if (FlipVertical)
                    std::swap(r.top, r.bottom);
                pVMRMixerControl9->SetOutputRect(0, &r);
            }
        }
        RECT dest = {0, 0, width, height};
        if (!Stretch && FAspect_Ratio_Override)
            dest = ToRect(CalcAspectRect(width, height, FAspect_Ratio_X, FAspect_Ratio_Y));
        if (VideoInWidth <= 0 || VideoInHeight <= 0) {
            if (FAILED(pVMRWindowlessControl->SetVideoPosition(nullptr, &dest)))
                return;
        } else if (Screen_Zoom_Ratio >= 1) {
            const RECT src = ToRect(
                ::CalcZoomRect(VideoInWidth, VideoInHeight, Screen_Zoom_ShiftX, Screen_Zoom_ShiftY, Screen_Zoom_Ratio));
            if (FAILED(pVMRWindowlessControl->SetVideoPosition(&src, &dest))) {
                OnErrorS(Text::kCantZoom);
                return;
            }
        } else {
            const RECT src = {0, 0, VideoInWidth, VideoInHeight};
            if (FAILED(pVMRWindowlessControl->SetVideoPosition(&src, &dest)))
                return;
        }
        if (!RendererDeinterlaceUseDefault) {
            SelectDeinterlaceMode();
            if (!pVMRDeinterlaceControl9)
                return;
        }
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(ScreenHandle, &ps)) {
            pVMRWindowlessControl->RepaintVideo(ScreenHandle, dc);
            EndPaint(ScreenHandle, &ps);
        }
    } catch (...) {
    }
}

void TDSScreen::SelectDeinterlaceMode()
{
    if (!pVMRDeinterlaceControl9)
        return;
    try {
        const std::wstring wanted = Trim(RendererDeinterlaceMode);
        VMR9VideoDesc desc = DeinterlaceDesc(static_cast<DWORD>(VideoInWidth), static_cast<DWORD>(VideoInHeight));
        std::vector<GUID> modes;
        if (!DeinterlaceModes(pVMRDeinterlaceControl9.Get(), desc, modes) || wanted.empty())
            return;
        for (GUID& mode : modes) {
            std::wstring name;
            if (!ModeTechnologyName(pVMRDeinterlaceControl9.Get(), mode, desc, name) || name != wanted)
                continue;
            if (FAILED(pVMRDeinterlaceControl9->SetDeinterlaceMode(0xFFFFFFFF, &mode)))
                OnErrorS(Text::kCantSetDeinterlace);
            return;
        }
    } catch (...) {
    }
}

// EVR. It needs only its display control here (the mixer control is not used by the update). The
// native size is required; the border colour, aspect-ratio mode and repaint are tried and their
// failure ignored.
void TDSScreen::Update_EVR(IFilterGraph2* filterGraph)
{
    if (!pMFVideoDisplayControl || !filterGraph)
        return;
    try {
        SIZE native = {0, 0}, ar = {0, 0};
        if (FAILED(pMFVideoDisplayControl->GetNativeVideoSize(&native, &ar)))
            return;
        VideoInWidth = native.cx;
        VideoInHeight = native.cy;
        pMFVideoDisplayControl->SetBorderColor(FBorderColor);
        RECT dest = {0, 0, width, height};
        MFVideoNormalizedRect src = {0.0f, 0.0f, 1.0f, 1.0f};
        if (Screen_Zoom_Ratio >= 1 && VideoInWidth > 0 && VideoInHeight > 0) {
            const ZRect r =
                ::CalcZoomRect(VideoInWidth, VideoInHeight, Screen_Zoom_ShiftX, Screen_Zoom_ShiftY, Screen_Zoom_Ratio);
            src.left = static_cast<float>(static_cast<double>(r.left) / VideoInWidth);
            src.right = static_cast<float>(static_cast<double>(r.right) / VideoInWidth);
            src.top = static_cast<float>(static_cast<double>(r.top) / VideoInHeight);
            src.bottom = static_cast<float>(static_cast<double>(r.bottom) / VideoInHeight);
        }
        pMFVideoDisplayControl->SetVideoPosition(&src, &dest);
        pMFVideoDisplayControl->SetAspectRatioMode(Stretch ? MFVideoARMode_None : MFVideoARMode_PreservePicture);
        pMFVideoDisplayControl->RepaintVideo();
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------
// Pins

HRESULT TDSScreen::ConnectIn(IFilterGraph2* filterGraph, IPin* pOut)
{
    return ConnectInX(filterGraph, 1, pOut);
}

HRESULT TDSScreen::ConnectDirectIn(IFilterGraph2* filterGraph, IPin* pOut)
{
    return ConnectDirectInX(filterGraph, 1, pOut);
}

HRESULT TDSScreen::ConnectInX(IFilterGraph2* filterGraph, uint8_t Index, IPin* pOut)
{
    ComPtr<IPin> in;
    if (!filterGraph || !GetPinByIndex(pVideoRenderer.Get(), PINDIR_INPUT, Index, in))
        return E_FAIL;
    return filterGraph->Connect(pOut, in.Get());
}

HRESULT TDSScreen::ConnectDirectInX(IFilterGraph2* filterGraph, uint8_t Index, IPin* pOut)
{
    ComPtr<IPin> in;
    if (!filterGraph || !GetPinByIndex(pVideoRenderer.Get(), PINDIR_INPUT, Index, in))
        return E_FAIL;
    return filterGraph->ConnectDirect(pOut, in.Get(), nullptr);
}

bool TDSScreen::GetInPin(uint8_t Index, ComPtr<IPin>& pPin) const
{
    return GetPinByIndex(pVideoRenderer.Get(), PINDIR_INPUT, static_cast<int>(Index) + 1, pPin);
}

// ---------------------------------------------------------------------------------------------
// Teardown

void TDSScreen::ClearVideoWindow()
{
    if (!pVideoWindow)
        return;
    try {
        pVideoWindow->put_Visible(OAFALSE);
        pVideoWindow->put_Owner(0);
        pVideoWindow->put_MessageDrain(0);
    } catch (...) {
    }
}

void TDSScreen::Clear()
{
    try {
        pVMRDeinterlaceControl9 = nullptr;
        pVMRWindowlessControl = nullptr;
        pVMRFilterConfig = nullptr;
        pVMRMixerBitmap9 = nullptr;
        pEVRFilterConfig = nullptr;
        pMFGetService = nullptr;
        pMFVideoRenderer = nullptr;
        pMFVideoDisplayControl = nullptr;
        pMFMixerBitmap = nullptr;
        ClearVideoWindow();
        pVideoRenderer = nullptr;
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------
// Free functions

bool RenderStreamThrough(ICaptureGraphBuilder2* builder, IBaseFilter* from, IBaseFilter* via, IBaseFilter* to,
                         IBaseFilter* tested)
{
    if (!builder || !from)
        return false;
    if (builder->RenderStream(nullptr, &MEDIATYPE_Video, from, via, to) == S_OK && IsInputConnected(tested))
        return true;
    if (builder->RenderStream(nullptr, &MEDIATYPE_Stream, from, via, to) == S_OK && IsInputConnected(tested))
        return true;
    return builder->RenderStream(nullptr, nullptr, from, via, to) == S_OK;
}

void FillDeinterlaceModes(std::vector<std::wstring>& list)
{
    list.clear();
    try {
        ComPtr<IGraphBuilder> graph;
        ComPtr<IBaseFilter> vmr;
        if (FAILED(CreateInstance(CLSID_FilterGraph, graph, CLSCTX_INPROC)) ||
            FAILED(CreateInstance(CLSID_VideoMixingRenderer9, vmr, CLSCTX_INPROC)) || !graph || !vmr)
            return;
        if (FAILED(graph->AddFilter(vmr.Get(), kRendererNameVMR9)))
            return;
        {
            ComPtr<IVMRFilterConfig9> config;
            if (FAILED(vmr.As(config)))
                return;
            config->SetRenderingMode(VMR9Mode_Windowless);
            config->SetNumberOfStreams(1);
        }
        ComPtr<IVMRDeinterlaceControl9> dc;
        if (SUCCEEDED(vmr.As(dc)))
            FillDeinterlaceModes(dc.Get(), list);
    } catch (...) {
    }
}

void FillDeinterlaceModes(IVMRDeinterlaceControl9* control, std::vector<std::wstring>& list)
{
    list.clear();
    if (!control)
        return;
    try {
        VMR9VideoDesc desc = DeinterlaceDesc(768, 576);
        std::vector<GUID> modes;
        if (!DeinterlaceModes(control, desc, modes))
            return;
        for (GUID& mode : modes) {
            std::wstring name;
            if (!ModeTechnologyName(control, mode, desc, name))
                continue;
            const bool known =
                std::any_of(list.begin(), list.end(), [&](const std::wstring& s) { return SameTextCI(s, name); });
            if (!known)
                list.push_back(name);
        }
    } catch (...) {
    }
}

bool RendererSupported(const CLSID& clsid, const wchar_t* graphName)
{
    try {
        ComPtr<IGraphBuilder> graph;
        ComPtr<IBaseFilter> renderer;
        if (FAILED(CreateInstance(CLSID_FilterGraph, graph)) || !graph)
            return false;
        if (FAILED(CreateInstance(clsid, renderer)) || !renderer)
            return false;
        return SUCCEEDED(graph->AddFilter(renderer.Get(), graphName));
    } catch (...) {
        return false;
    }
}
