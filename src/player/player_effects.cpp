// The video effect list and the effects filter of a playback: every member stores its effect in
// FEffectList and, while a playback runs (not paused), hands it to the running filter at once.
#include <windows.h>

#include "core/pixels/effect_ex.h"
#include "graph/graphutil.h"
#include "player/player.h"
#include "player/texts.h"

using namespace zr::pix;

namespace {
LongBool LB(bool b) { return b ? -1 : 0; }
}  // namespace

CZREffect_Main* TZRMediaPlayer::FindEffect(int32_t ID) const {
    for (const auto& item : FEffectList)
        if (item->eff.ID == ID) return item.get();
    return nullptr;
}

CZREffect_Main& TZRMediaPlayer::EffectForWrite(int32_t ID, bool& created) {
    if (CZREffect_Main* found = FindEffect(ID)) {
        created = false;
        return *found;
    }
    auto item = std::make_unique<CZREffect_Main>();
    item->eff.ID = ID;
    created = true;
    FEffectList.push_back(std::move(item));
    return *FEffectList.back();
}

bool TZRMediaPlayer::EffectPushAllowed() const {
    return FStatus == ST_PLAY && dsVideoEffects && dsVideoEffects->EffectsIntf;
}

void TZRMediaPlayer::PushEffect(const CZREffect_Main& item, bool created) {
    if (!EffectPushAllowed()) return;
    if (created) dsVideoEffects->EffectsIntf->AddVideoEffect(item.eff);
    else dsVideoEffects->EffectsIntf->UpdateVideoEffect(item.eff);
}

template <class F>
void TZRMediaPlayer::StoreEffect(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled, TZREffectType type, F&& fill) {
    try {
        bool created = false;
        CZREffect_Main& item = EffectForWrite(ID, created);
        item.eff.Enabled = LB(Enabled);
        item.eff.StartTime = StartTime;
        item.eff.StopTime = StopTime;
        item.eff._type = type;
        fill(item);
        PushEffect(item, created);
    } catch (...) {
    }
}

template <class F>
void TZRMediaPlayer::ChangeTextLogo(int32_t ID, F&& change) {
    try {
        CZREffect_Main* item = FindEffect(ID);
        if (!item) return;
        change(item->eff.TextLogo, *item);
        PushEffect(*item, false);
    } catch (...) {
    }
}

std::vector<const CZREffect*> TZRMediaPlayer::EffectRecords() const {
    std::vector<const CZREffect*> v;
    for (const auto& item : FEffectList) v.push_back(&item->eff);
    return v;
}

void TZRMediaPlayer::Video_Effects_Clear() {
    try {
        if (dsVideoEffects) dsVideoEffects->Clear();
        FEffectList.clear();
    } catch (...) {
    }
}

void TZRMediaPlayer::Video_Effects_Remove(int32_t ID) {
    try {
        if (EffectPushAllowed()) {
            dsVideoEffects->EffectsIntf->RemoveVideoEffect(ID);
            return;
        }
        for (auto it = FEffectList.begin(); it != FEffectList.end(); ++it)
            if ((*it)->eff.ID == ID) {
                FEffectList.erase(it);
                return;
            }
    } catch (...) {
    }
}

void TZRMediaPlayer::Video_Effects_Text_Logo(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                             const std::wstring& text, int32_t X, int32_t Y, bool TransparentBG,
                                             const std::wstring& FontName, int32_t FontSize, bool Bold, bool Italic,
                                             bool Underline, bool StrikeOut, uint32_t FontColor, uint32_t BGColor) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_text_logo, [&](CZREffect_Main& item) {
        CZRTextLogo& t = item.eff.TextLogo;
        item.SetText(text);
        t.x = X;
        t.y = Y;
        t.transparent_bg = LB(TransparentBG);
        item.SetFontName(FontName);
        t.font_size = FontSize;
        t.font_italic = LB(Italic);
        t.font_bold = LB(Bold);
        t.font_underline = LB(Underline);
        t.font_strikeout = LB(StrikeOut);
        t.font_color = FontColor;
        t.bg_color = BGColor;
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                                  const std::wstring& text, int32_t X, int32_t Y,
                                                  const std::wstring& FontName, int32_t FontSize, bool Bold,
                                                  bool Italic, bool Underline, bool StrikeOut, int32_t FontColor) {
    Video_Effects_Text_Logo(ID, StartTime, StopTime, Enabled, text, X, Y, true, FontName, FontSize, Bold, Italic,
                            Underline, StrikeOut, static_cast<uint32_t>(FontColor), 0xFFFFFF);
}

void TZRMediaPlayer::Video_Effects_Picture_Logo(const std::wstring& Filename, int32_t ID, int32_t StartTime,
                                                int32_t StopTime, bool Enabled, int32_t X, int32_t Y) {
    Video_Effects_Picture_Logo_Ex(Filename, ID, StartTime, StopTime, Enabled, X, Y, nullptr, 0, 0, false);
}

void TZRMediaPlayer::Video_Effects_Picture_Logo_Ex(const std::wstring& Filename, int32_t ID, int32_t StartTime,
                                                   int32_t StopTime, bool Enabled, int32_t X, int32_t Y, HBITMAP HBmp,
                                                   int32_t TranspLevel, uint32_t ColorKey, bool UseColorKey) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_graphic_logo, [&](CZREffect_Main& item) {
        CZRGraphicLogo& g = item.eff.GraphicLogo;
        g.x = X;
        g.y = Y;
        item.SetFilename(Filename);
        g.StretchMode = 3;
        // The record carries the handle's 32 bits (handles are 32-bit values on 64-bit Windows as well).
        g.hBmp = static_cast<int32_t>(reinterpret_cast<intptr_t>(HBmp));
        g.TranspLevel = TranspLevel;
        g.ColorKey = ColorKey;
        g.UseColorKey = LB(UseColorKey);
    });
}

void TZRMediaPlayer::Video_Effects_Picture_Logo_ExI(const std::wstring& Filename, int32_t ID, int32_t StartTime,
                                                    int32_t StopTime, bool Enabled, int32_t X, int32_t Y, int32_t HBmp,
                                                    int32_t TranspLevel, uint32_t ColorKey, bool UseColorKey) {
    Video_Effects_Picture_Logo_Ex(Filename, ID, StartTime, StopTime, Enabled, X, Y,
                                  reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(static_cast<uint32_t>(HBmp))),
                                  TranspLevel, ColorKey, UseColorKey);
}

void TZRMediaPlayer::Video_Effects_Denoise_CAST(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_denoise_cast,
                [&](CZREffect_Main& item) { item.eff.DenoiseCAST = CZRDenoiseCAST{16, 0, 8, 4, 4, 128, 16, 12, 6, 192}; });
}

void TZRMediaPlayer::Video_Effects_Denoise_CAST_Params(int32_t ID, int32_t TemporalDifferenceThreshold,
                                                       int32_t NumberOfMotionPixelsThreshold, int32_t StrongEdgeThreshold,
                                                       int32_t BlockWidth, int32_t BlockHeight, int32_t EdgePixelWeight,
                                                       int32_t NonEdgePixelWeight, int32_t GaussianThresholdY,
                                                       int32_t GaussianThresholdUV, int32_t HistoryWeight) {
    try {
        bool created = false;
        CZREffect_Main& item = EffectForWrite(ID, created);
        item.eff._type = ef_denoise_cast;
        item.eff.Enabled = LB(FHandle && IsWindowEnabled(FHandle));
        item.eff.DenoiseCAST = CZRDenoiseCAST{TemporalDifferenceThreshold, NumberOfMotionPixelsThreshold,
                                              StrongEdgeThreshold, BlockWidth, BlockHeight, EdgePixelWeight,
                                              NonEdgePixelWeight, GaussianThresholdY, GaussianThresholdUV, HistoryWeight};
        PushEffect(item, created);
    } catch (...) {
    }
}

void TZRMediaPlayer::Video_Effects_Denoise_Adaptive(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                                    int32_t Threshold, int32_t BlurMode) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_denoise_adaptive, [&](CZREffect_Main& item) {
        item.eff.pDenoiseAdaptiveThreshold = Threshold;
        item.eff.pDenoiseAdaptiveBlurMode = BlurMode;
    });
}

void TZRMediaPlayer::Video_Effects_Denoise_Mosquito(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_denoise_mosquito, [](CZREffect_Main&) {});
}

void TZRMediaPlayer::Video_Effects_Deinterlace_Blend(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                                     int32_t Threshold1, int32_t Threshold2, double Constants1,
                                                     double Constants2) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_deint_blend, [&](CZREffect_Main& item) {
        item.eff.DeintBlend.blendThresh1 = Threshold1;
        item.eff.DeintBlend.blendThresh2 = Threshold2;
        item.eff.DeintBlend.blendConstants1 = Constants1;
        item.eff.DeintBlend.blendConstants2 = Constants2;
    });
}

void TZRMediaPlayer::Video_Effects_Deinterlace_Triangle(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                                        int32_t Weight) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_deint_triangle,
                [&](CZREffect_Main& item) { item.eff.pDeintTriangleWeight = Weight; });
}

void TZRMediaPlayer::Video_Effects_Deinterlace_CAVT(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                                    int32_t Threshold) {
    StoreEffect(ID, StartTime, StopTime, Enabled, ef_deint_cavt,
                [&](CZREffect_Main& item) { item.eff.pDeintCAVTThreshold = Threshold; });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Effect(int32_t ID, TZRTextEffectMode Mode, int32_t InnerColor,
                                                                int32_t OuterColor, int32_t InnerSize, int32_t OuterSize) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) {
        t.borderMode = Mode;
        t.innerBorderColor = static_cast<uint32_t>(InnerColor);
        t.outerBorderColor = static_cast<uint32_t>(OuterColor);
        t.innerBorderSize = InnerSize;
        t.outerBorderSize = OuterSize;
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Gradient(int32_t ID, bool GradientEnabled,
                                                                  TZRTextGradientMode Mode, int32_t Color1, int32_t Color2) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) {
        t.gradient = LB(GradientEnabled);
        t.gradientMode = Mode;
        t.gradientColor1 = static_cast<uint32_t>(Color1);
        t.gradientColor2 = static_cast<uint32_t>(Color2);
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Rect(int32_t ID, bool RectEnabled, int32_t RectWidth,
                                                              int32_t RectHeight) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) {
        t.rectWidth = RectEnabled ? RectWidth : 0;
        t.rectHeight = RectEnabled ? RectHeight : 0;
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Rotate(int32_t ID, TZRTextRotationMode RotationMode,
                                                                TZRTextFlipMode FlipMode) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) {
        t.rotationMode = RotationMode;
        t.flipMode = FlipMode;
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Shape(int32_t ID, bool Shape_Enabled, TZRTextShapeType type_,
                                                               int32_t X, int32_t Y, int32_t ShapeWidth,
                                                               int32_t ShapeHeight, int32_t Color) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) {
        t.bgShape = LB(Shape_Enabled);
        t.bgShapeType = type_;
        t.bgShapeX = X;
        t.bgShapeY = Y;
        t.bgShapeWidth = ShapeWidth;
        t.bgShapeHeight = ShapeHeight;
        t.bgShapeColor = static_cast<uint32_t>(Color);
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Text(int32_t ID, bool BGTransparent, int32_t BGColor,
                                                              bool Vertical, bool RightToLeft, TZRTextAlign Align,
                                                              TZRTextAntialiasingMode Antialiasing,
                                                              TZRTextDrawMode DrawMode) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) {
        t.transparent_bg = LB(BGTransparent);
        t.bg_color = static_cast<uint32_t>(BGColor);
        t.vertical = LB(Vertical);
        t.rightToLeft = LB(RightToLeft);
        t.align = Align;
        t.antialiasing = Antialiasing;
        t.drawQuality = DrawMode;
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Transparency(int32_t ID, int32_t Transparency) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main&) { t.transp = Transparency; });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_DateTimeMode(int32_t ID, bool enabled_, const std::wstring& mask) {
    ChangeTextLogo(ID, [&](CZRTextLogo& t, CZREffect_Main& item) {
        item.SetDateMask(mask);
        t.dateMode = LB(enabled_);
    });
}

void TZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Update(int32_t ID, bool Enabled) {
    ChangeTextLogo(ID, [&](CZRTextLogo&, CZREffect_Main& item) { item.eff.Enabled = LB(Enabled); });
}

void TZRMediaPlayer::Video_Effect_Ex(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                     TZREffectType Effect, double Amount, const std::wstring& AdditionalParams) {
    try {
        bool created = false;
        CZREffect_Main& item = EffectForWrite(ID, created);
        FillEffectEx(item.eff, ID, StartTime, StopTime, Enabled, Effect, Amount, AdditionalParams);
        PushEffect(item, created);
    } catch (...) {
    }
}

bool TZRMediaPlayer::Video_Filters_Add(const std::wstring&) { return true; }
bool TZRMediaPlayer::Video_Filters_Delete(const std::wstring&) { return false; }
void TZRMediaPlayer::Video_Filters_Clear() {}

// --- the builder step

bool TZRMediaPlayer::VideoEffects_AddFilter() {
    try {
        dsVideoEffects = std::make_unique<TDSVideoEffects>();
        TDSVideoEffects& v = *dsVideoEffects;
        v.OnError = OnError;
        v.AppHandle = this;
        v.AppHandleID = static_cast<int32_t>(reinterpret_cast<intptr_t>(FHandle));
        v.SGCallback24 = reinterpret_cast<void*>(&TZRMediaPlayer::VideoFrame_Callback);
        if (!v.Init(Graph2())) return false;
        if (!v.InitIntf()) return false;
        v.SetEnabled(FVideo_Effects_Enabled, FMotionDetection_Enabled, FChromaKey_Enabled, true, false);
        VideoEffects_SetupMotion();
        VideoEffects_SetupChroma();
        for (const auto& item : FEffectList) v.EffectsIntf->AddVideoEffect(item->eff);
        return true;
    } catch (...) {
        ReportError(ZRText::kUnableToCreateEffects);
        return false;
    }
}

void TZRMediaPlayer::VideoEffects_SetupMotion() {
    TDSVideoEffects& v = *dsVideoEffects;
    v.MotionCallback = reinterpret_cast<void*>(&TZRMediaPlayer::Motion_Callback);
    v.FMotionEnabled = FMotionDetection_Enabled;
    v.FMotionRed = FMotionDetection_Compare_Red;
    v.FMotionGreen = FMotionDetection_Compare_Green;
    v.FMotionBlue = FMotionDetection_Compare_Blue;
    v.FMotionGrayscale = FMotionDetection_Compare_Greyscale;
    v.FMotionCHLEnabled = FMotionDetection_Highlight_Enabled;
    v.FMotionCHLColor = FMotionDetection_Highlight_Color;
    v.FMotionCHLThreshold = FMotionDetection_Highlight_Threshold;
    v.FMotionMatrixWidth = FMotionDetection_Matrix_Width;
    v.FMotionMatrixHeight = FMotionDetection_Matrix_Height;
    v.FMotionFrameInterval = FMotionDetection_FrameInterval;
    v.FMotionDropFramesEnabled = FMotionDetection_DropFrames_Enabled;
    v.FMotionDropFramesThreshold = FMotionDetection_DropFrames_Threshold;
    v.MotionUpdate();
}

void TZRMediaPlayer::VideoEffects_SetupChroma() {
    TDSVideoEffects& v = *dsVideoEffects;
    v.FChromaContrastHigh = FChromaKey_ContrastHigh;
    v.FChromaContrastLow = FChromaKey_ContrastLow;
    v.FChromaColorMode = FChromaKey_Color;
    v.FChromaImageFilename = FChromaKey_ImageFilename;
    v.Chroma_Update();
}
