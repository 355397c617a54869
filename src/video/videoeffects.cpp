#include "video/videoeffects.h"

#include "filters/filter_guids.h"

#include <new>

namespace {
// LongBool as the filter's switches take it; 32-bit 1 / 0 for the motion Booleans.
BOOL LongBool(bool b) { return b ? -1 : 0; }
BOOL Bool01(bool b) { return b ? 1 : 0; }
}  // namespace

namespace {
// Replaces an owned automation string and points the record's field at it.
void Assign(BSTR& slot, zr::pix::RecordText& field, const std::wstring& v) {
    BSTR n = SysAllocStringLen(v.data(), static_cast<UINT>(v.size()));
    if (!n) throw std::bad_alloc();
    SysFreeString(slot);
    slot = n;
    field = reinterpret_cast<zr::pix::RecordText>(n);
}
}  // namespace

CZREffect_Main::CZREffect_Main() : eff(zr::pix::CZREffect_Init()) { SetFontName(L"Arial"); }

CZREffect_Main::~CZREffect_Main() {
    SysFreeString(FText);
    SysFreeString(FFontName);
    SysFreeString(FDateMask);
    SysFreeString(FFilename);
}

void CZREffect_Main::SetText(const std::wstring& v) { Assign(FText, eff.TextLogo.text, v); }
void CZREffect_Main::SetFontName(const std::wstring& v) { Assign(FFontName, eff.TextLogo.font_name, v); }
void CZREffect_Main::SetDateMask(const std::wstring& v) { Assign(FDateMask, eff.TextLogo.dateMask, v); }
void CZREffect_Main::SetFilename(const std::wstring& v) { Assign(FFilename, eff.GraphicLogo.Filename, v); }

TDSVideoEffects::~TDSVideoEffects() {
    try {
        TDSVideoEffects::Clear();
    } catch (...) {
    }
}

bool TDSVideoEffects::Init(IFilterGraph2* graph) {
    if (!InitCLSID(graph, zrf::CLSID_ZRVideoEffects)) return false;
    TDSBaseFilter::Init(graph);
    return true;
}

bool TDSVideoEffects::InitIntf() {
    FIntfAvailable = false;
    if (!Filter) return false;
    const bool a = SUCCEEDED(QueryInterface(MainIntf)) && MainIntf;
    const bool b = SUCCEEDED(QueryInterface(EffectsIntf)) && EffectsIntf;
    const bool c = SUCCEEDED(QueryInterface(FMotionIntf)) && FMotionIntf;
    const bool d = SUCCEEDED(QueryInterface(FChromaIntf)) && FChromaIntf;
    FIntfAvailable = a && b && c && d;
    return FIntfAvailable;
}

void TDSVideoEffects::SetEnabled(bool effects, bool motdet, bool chroma, bool sampleGrabber24, bool sampleGrabber32) {
    if (!MainIntf) return;
    MainIntf->SetEnabledComponents(LongBool(effects), LongBool(motdet), LongBool(chroma),
                                   LongBool(sampleGrabber24 || sampleGrabber32));
    if (sampleGrabber24) {
        MainIntf->SetAppHandle(AppHandle);
        MainIntf->SetAppHandleID(AppHandleID);
        MainIntf->SetSGCallback24(SGCallback24);
    }
}

void TDSVideoEffects::MotionUpdate() {
    if (!FMotionIntf) return;
    FMotionIntf->SetMotionCallback(MotionCallback);
    FMotionIntf->SetAppHandle(AppHandle);
    FMotionIntf->SetCompareChannels(Bool01(FMotionRed), Bool01(FMotionGreen), Bool01(FMotionBlue), Bool01(FMotionGrayscale));
    FMotionIntf->SetHighlightEnabled(Bool01(FMotionCHLEnabled));
    FMotionIntf->SetHighlightColor(FMotionCHLColor);
    FMotionIntf->SetHighlightThreshold(FMotionCHLThreshold);
    FMotionIntf->SetMatrixWidth(FMotionMatrixWidth);
    FMotionIntf->SetMatrixHeight(FMotionMatrixHeight);
    FMotionIntf->SetFrameInterval(FMotionFrameInterval);
    FMotionIntf->SetDropFramesEnabled(Bool01(FMotionDropFramesEnabled));
    FMotionIntf->SetDropFramesThreshold(FMotionDropFramesThreshold);
}

void TDSVideoEffects::Chroma_Update() {
    if (!FChromaIntf) return;
    FChromaIntf->SetContrast(FChromaContrastLow, FChromaContrastHigh);
    FChromaIntf->SetColor(FChromaColorMode);
    FChromaIntf->SetImageFilename(FChromaImageFilename.c_str());
}

void TDSVideoEffects::Clear() {
    if (FMotionIntf) {
        FMotionIntf->SetMotionCallback(nullptr);
        FMotionIntf.Reset();
    }
    if (MainIntf) {
        MainIntf->SetSGCallback24(nullptr);
        MainIntf->SetSecondCallback(nullptr);
        MainIntf.Reset();
    }
    EffectsIntf.Reset();
    FChromaIntf.Reset();
    FIntfAvailable = false;
    TDSBaseFilter::Clear();
}
