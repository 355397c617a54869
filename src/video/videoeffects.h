// TDSVideoEffects: the video effects filter of one playback graph, added under its fixed name and driven
// through its four interfaces. Also carries the motion detection and chroma key values pushed to the filter.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>

#include "filters/zreffects.h"
#include "graph/graphutil.h"

inline constexpr wchar_t kVideoEffectsName[] = L"Zirez Ureroro Daz";

// One stored effect of the player's list: the record and the automation strings it points at (owned).
struct CZREffect_Main {
    zr::pix::CZREffect eff;
    CZREffect_Main();
    ~CZREffect_Main();
    CZREffect_Main(const CZREffect_Main&) = delete;
    CZREffect_Main& operator=(const CZREffect_Main&) = delete;
    void SetText(const std::wstring& v);
    void SetFontName(const std::wstring& v);
    void SetDateMask(const std::wstring& v);
    void SetFilename(const std::wstring& v);

private:
    BSTR FText = nullptr, FFontName = nullptr, FDateMask = nullptr, FFilename = nullptr;
};

class TDSVideoEffects : public TDSBaseFilter {
public:
    TDSVideoEffects() : TDSBaseFilter(kVideoEffectsName) {}
    ~TDSVideoEffects() override;

    // Creates the filter by its class and adds it under Name (reports through OnError as InitCLSID does).
    bool Init(IFilterGraph2* graph) override;
    // Queries the four interfaces in order; true, and IntfAvailable, only when all four were obtained.
    bool InitIntf();
    // SetEnabledComponents(effects, motdet, chroma, grabber24 or grabber32); with grabber24 also the
    // application pointer, window and frame callback.
    void SetEnabled(bool effects, bool motdet, bool chroma, bool sampleGrabber24, bool sampleGrabber32);
    // Pushes the motion settings (callback, application pointer, channels, highlight, matrix, interval,
    // dropping) to the filter when it has the interface.
    void MotionUpdate();
    // Pushes contrast, colour and image file to the filter when it has the interface.
    void Chroma_Update();
    // Unregisters the callbacks, releases the interfaces and the filter.
    void Clear() override;

    // Chroma key
    int32_t FChromaColorMode = 1;
    int32_t FChromaContrastHigh = 70, FChromaContrastLow = 110;
    std::wstring FChromaImageFilename;
    bool FIntfAvailable = false;
    ComPtr<IZRChromaKey> FChromaIntf;
    ComPtr<IZRMotDetConfig> FMotionIntf;
    // Motion detection
    bool FMotionBlue = false;
    int32_t FMotionCHLColor = 0;
    bool FMotionCHLEnabled = false;
    int32_t FMotionCHLThreshold = 25;
    bool FMotionDropFramesEnabled = false;
    int32_t FMotionDropFramesThreshold = 5;
    bool FMotionEnabled = false;
    int32_t FMotionFrameInterval = 0;
    bool FMotionGrayscale = true, FMotionGreen = false;
    int32_t FMotionMatrixHeight = 8, FMotionMatrixWidth = 8;
    bool FMotionRed = false;
    // Handed to the filter
    void* AppHandle = nullptr;
    int32_t AppHandleID = 0;
    ComPtr<IZREffectsPro> MainIntf;
    ComPtr<IZREffects45> EffectsIntf;
    void* MotionCallback = nullptr;
    void* SGCallback24 = nullptr;
};
