// TDSScreen: one video renderer of a playback graph (classic Video Renderer, VMR-9, EVR or a null
// renderer) bound to one host window, with the zoom, shift, stretch, aspect, flip, border colour and
// deinterlace settings that shape its picture.
#pragma once
#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>
#include <evr.h>
#include <evr9.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "graph/comptr.h"
#include "graph/hook.h"

enum TZRVideoRenderer : uint8_t { VR_VideoRenderer = 0, VR_VMR9 = 1, VR_EVR = 2, VR_NONE = 3 };

// Names under which the renderers are added to a graph.
inline constexpr wchar_t kRendererNameVR[] = L"Video Renderer";
inline constexpr wchar_t kRendererNameVMR9[] = L"VMR9";
inline constexpr wchar_t kRendererNameEVR[] = L"EVR";
inline constexpr wchar_t kRendererNameNone[] = L"Screen NULL Renderer";

class TDSScreen {
public:
    TDSScreen() = default;
    virtual ~TDSScreen();
    TDSScreen(const TDSScreen&) = delete;
    TDSScreen& operator=(const TDSScreen&) = delete;

    // --- Settings and held interfaces (the player copies its settings in before updates).
    bool FAspect_Ratio_Override = false;  // VMR-9 only: use X:Y instead of the native shape
    int32_t FAspect_Ratio_X = 16;         // 1:1 means the native video shape
    int32_t FAspect_Ratio_Y = 9;
    COLORREF FBorderColor = 0;            // 0x00BBGGRR, the area the picture does not cover
    ComPtr<IEVRFilterConfig> pEVRFilterConfig;
    ComPtr<IMFGetService> pMFGetService;
    ComPtr<IMFVideoMixerControl> pMFVideoMixerControl;
    ComPtr<IMFVideoRenderer> pMFVideoRenderer;
    ComPtr<IVMRDeinterlaceControl9> pVMRDeinterlaceControl9;
    ComPtr<IVMRFilterConfig9> pVMRFilterConfig;
    bool FlipHorizontal = false;  // VMR-9 only
    bool FlipVertical = false;    // VMR-9 only
    ErrorHook FOnError;
    int32_t height = 0;  // client height of ScreenHandle
    ComPtr<IMFVideoMixerBitmap> pMFMixerBitmap;
    ComPtr<IMFVideoDisplayControl> pMFVideoDisplayControl;
    ComPtr<IBaseFilter> pVideoRenderer;
    ComPtr<IVideoWindow> pVideoWindow;
    ComPtr<IVMRMixerBitmap9> pVMRMixerBitmap9;
    ComPtr<IVMRMixerControl9> pVMRMixerControl9;
    ComPtr<IVMRWindowlessControl9> pVMRWindowlessControl;
    TZRVideoRenderer Renderer = VR_VideoRenderer;
    std::wstring RendererDeinterlaceMode;  // technology name as listed by FillDeinterlaceModes
    bool RendererDeinterlaceUseDefault = false;
    HWND ScreenHandle = nullptr;
    int32_t Screen_Zoom_Ratio = 0;  // percent of the frame cut away; below 1 = whole frame
    int32_t Screen_Zoom_ShiftX = 0;
    int32_t Screen_Zoom_ShiftY = 0;
    bool Stretch = false;
    int32_t VideoInHeight = 0;  // native video size, 0 while unknown
    int32_t VideoInWidth = 0;
    int32_t width = 0;  // client width of ScreenHandle
    // Classic renderer only: show the picture on the whole display (the renderer's window as a
    // pop-up of the display's size) instead of inside ScreenHandle, which keeps receiving its input.
    bool FullScreen = false;

    // --- Creation. The graph is used for the call only, never kept.
    // Creates the renderer chosen by Renderer and adds it to the graph. Returns false only when the
    // classic Video Renderer cannot be created (the caller reports that as its own failure); a VMR-9,
    // EVR or null renderer that cannot be created leaves the wrapper empty without a message.
    bool Init_Renderer(IFilterGraph2* filterGraph, int32_t PIP_Count);
    bool Init_VR(IFilterGraph2* filterGraph);
    void Init_VMR9(IFilterGraph2* filterGraph, int32_t PIP_Count);
    void Init_EVR(IFilterGraph2* filterGraph, int32_t PIP_Count);
    void Init_None(IFilterGraph2* filterGraph);

    // --- Updates: push the settings into the renderer. Never throw; a failing platform call leaves
    // the picture as it was.
    void Update_Renderer(IFilterGraph2* filterGraph);
    void Update_VR(IFilterGraph2* filterGraph);
    void Update_VMR9(IFilterGraph2* filterGraph);
    void Update_EVR(IFilterGraph2* filterGraph);
    // VMR-9: selects the deinterlace mode whose technology name equals RendererDeinterlaceMode
    // (trimmed, case-sensitive); an empty name selects nothing. Part of Update_VMR9.
    void SelectDeinterlaceMode();

    // --- Pins. Connect an upstream output pin to the renderer's first (or Index-th, from 1) input
    // pin; E_FAIL when there is no such pin.
    virtual HRESULT ConnectIn(IFilterGraph2* filterGraph, IPin* pOut);
    HRESULT ConnectDirectIn(IFilterGraph2* filterGraph, IPin* pOut);
    HRESULT ConnectInX(IFilterGraph2* filterGraph, uint8_t Index, IPin* pOut);
    HRESULT ConnectDirectInX(IFilterGraph2* filterGraph, uint8_t Index, IPin* pOut);
    // The renderer's input pin number Index, counted from 0; false (pin untouched) when none.
    bool GetInPin(uint8_t Index, ComPtr<IPin>& pPin) const;

    // Centred rectangle of shape X:Y in W x H. W == 0 takes the wrapper's width x height (the
    // display's size in full-screen mode); 1:1 takes the native video shape.
    ZRect CalcAspectRect(int32_t W, int32_t H, int32_t X, int32_t Y) const;

    // --- Teardown.
    // Hides and detaches the classic renderer's window from ScreenHandle.
    void ClearVideoWindow();
    // Releases the renderer and its interfaces (the classic window, the VMR-9 and EVR mixer controls
    // stay until destruction). Never throws.
    void Clear();

    // Reports Text through FOnError when assigned; a failure inside the callback is swallowed.
    void OnErrorS(const wchar_t* Text);

private:
    void UpdateVRWindowed(IFilterGraph2* filterGraph);
    void UpdateVRFullScreen(IFilterGraph2* filterGraph);
};

// The three RenderStream attempts of a render step: from -> via -> to with MEDIATYPE_Video, then
// MEDIATYPE_Stream (each succeeds only when RenderStream gives S_OK and tested's first input pin is
// connected), then without a type (succeeds on S_OK). True on the first success.
bool RenderStreamThrough(ICaptureGraphBuilder2* builder, IBaseFilter* from, IBaseFilter* via, IBaseFilter* to,
                         IBaseFilter* tested);

// Fills list with the technology names of the VMR-9 deinterlace modes for a 768x576 interlaced
// YUY2 picture, each name once (case-insensitive), using a temporary graph. Leaves list empty when
// VMR-9 or its deinterlace control is not available.
void FillDeinterlaceModes(std::vector<std::wstring>& list);
// The same for the modes one deinterlace control offers (at most 11 are considered).
void FillDeinterlaceModes(IVMRDeinterlaceControl9* control, std::vector<std::wstring>& list);

// True when a renderer of class clsid can be created and added to a fresh graph as graphName.
bool RendererSupported(const CLSID& clsid, const wchar_t* graphName);
