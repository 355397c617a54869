// ITxZRMediaPlayer: video effects, logos, denoising and deinterlacing, the video filter list, and the resize
// and crop settings. Each member forwards to the player member of the same name.
#include "control/control_call.h"
#include "player/player.h"

using namespace zrconv;
using namespace zr::pix;

namespace {
// OLE_COLOR and colours typed I4: the 32 bits as they are.
uint32_t InColour(OLE_COLOR c) { return static_cast<uint32_t>(c); }
}  // namespace

HRESULT TTxZRMediaPlayer::Video_Effects_Clear() {
    return Member([&] { FPlayer->Video_Effects_Clear(); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Remove(LONG ID) {
    return Member([&] { FPlayer->Video_Effects_Remove(ID); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Deinterlace_Blend(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled,
                                                          LONG Threshold1, LONG Threshold2, DOUBLE Constants1,
                                                          DOUBLE Constants2) {
    return Member([&] {
        FPlayer->Video_Effects_Deinterlace_Blend(ID, StartTime, StopTime, InBool(Enabled), Threshold1, Threshold2,
                                                 Constants1, Constants2);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Deinterlace_CAVT(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled,
                                                         LONG Threshold) {
    return Member([&] { FPlayer->Video_Effects_Deinterlace_CAVT(ID, StartTime, StopTime, InBool(Enabled), Threshold); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Deinterlace_Triangle(LONG ID, LONG StartTime, LONG StopTime,
                                                             VARIANT_BOOL Enabled, LONG Weight) {
    return Member([&] { FPlayer->Video_Effects_Deinterlace_Triangle(ID, StartTime, StopTime, InBool(Enabled), Weight); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Denoise_Adaptive(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled,
                                                         LONG Threshold, LONG BlurMode) {
    return Member([&] {
        FPlayer->Video_Effects_Denoise_Adaptive(ID, StartTime, StopTime, InBool(Enabled), Threshold, BlurMode);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Denoise_CAST(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled) {
    return Member([&] { FPlayer->Video_Effects_Denoise_CAST(ID, StartTime, StopTime, InBool(Enabled)); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Denoise_CAST_Params(LONG ID, LONG TemporalDifferenceThreshold,
                                                            LONG NumberOfMotionPixelsThreshold, LONG StrongEdgeThreshold,
                                                            LONG BlockWidth, LONG BlockHeight, LONG EdgePixelWeight,
                                                            LONG NonEdgePixelWeight, LONG GaussianThresholdY,
                                                            LONG GaussianThresholdUV, LONG HistoryWeight) {
    return Member([&] {
        FPlayer->Video_Effects_Denoise_CAST_Params(ID, TemporalDifferenceThreshold, NumberOfMotionPixelsThreshold,
                                                   StrongEdgeThreshold, BlockWidth, BlockHeight, EdgePixelWeight,
                                                   NonEdgePixelWeight, GaussianThresholdY, GaussianThresholdUV,
                                                   HistoryWeight);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Denoise_Mosquito(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled) {
    return Member([&] { FPlayer->Video_Effects_Denoise_Mosquito(ID, StartTime, StopTime, InBool(Enabled)); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Picture_Logo(BSTR Filename, LONG ID, LONG StartTime, LONG StopTime,
                                                     VARIANT_BOOL Enabled, LONG X, LONG Y) {
    return Member([&] { FPlayer->Video_Effects_Picture_Logo(InText(Filename), ID, StartTime, StopTime, InBool(Enabled), X, Y); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Picture_Logo_Ex(BSTR Filename, LONG ID, LONG StartTime, LONG StopTime,
                                                        VARIANT_BOOL Enabled, LONG X, LONG Y, ULONG HBmp,
                                                        LONG TranspLevel, OLE_COLOR ColorKey, VARIANT_BOOL UseColorKey) {
    return Member([&] {
        FPlayer->Video_Effects_Picture_Logo_Ex(InText(Filename), ID, StartTime, StopTime, InBool(Enabled), X, Y,
                                               InHandle<HBITMAP>(HBmp), TranspLevel, InColour(ColorKey),
                                               InBool(UseColorKey));
    });
}
// The signed handle carries the same 32 bits: the component's Ex member is called with it.
HRESULT TTxZRMediaPlayer::Video_Effects_Picture_Logo_ExI(BSTR Filename, LONG ID, LONG StartTime, LONG StopTime,
                                                         VARIANT_BOOL Enabled, LONG X, LONG Y, LONG HBmp,
                                                         LONG TranspLevel, OLE_COLOR ColorKey, VARIANT_BOOL UseColorKey) {
    return Video_Effects_Picture_Logo_Ex(Filename, ID, StartTime, StopTime, Enabled, X, Y, static_cast<ULONG>(HBmp),
                                         TranspLevel, ColorKey, UseColorKey);
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled,
                                                  BSTR text, LONG X, LONG Y, VARIANT_BOOL TransparentBG, BSTR FontName,
                                                  LONG FontSize, VARIANT_BOOL Bold, VARIANT_BOOL Italic,
                                                  VARIANT_BOOL Underline, VARIANT_BOOL StrikeOut, OLE_COLOR FontColor,
                                                  OLE_COLOR BGColor) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo(ID, StartTime, StopTime, InBool(Enabled), InText(text), X, Y,
                                         InBool(TransparentBG), InText(FontName), FontSize, InBool(Bold),
                                         InBool(Italic), InBool(Underline), InBool(StrikeOut), InColour(FontColor),
                                         InColour(BGColor));
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled,
                                                       BSTR text, LONG X, LONG Y, BSTR FontName, LONG FontSize,
                                                       VARIANT_BOOL Bold, VARIANT_BOOL Italic, VARIANT_BOOL Underline,
                                                       VARIANT_BOOL StrikeOut, LONG FontColor) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo_Plus(ID, StartTime, StopTime, InBool(Enabled), InText(text), X, Y,
                                              InText(FontName), FontSize, InBool(Bold), InBool(Italic),
                                              InBool(Underline), InBool(StrikeOut), FontColor);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Effect(LONG ID, TxZRTextEffectMode Mode, LONG InnerColor,
                                                                     LONG OuterColor, LONG InnerSize, LONG OuterSize) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo_Plus_Params_Effect(ID, InEnum<TZRTextEffectMode>(Mode), InnerColor, OuterColor,
                                                            InnerSize, OuterSize);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Gradient(LONG ID, VARIANT_BOOL GradientEnabled,
                                                                       TxZRTextGradientMode Mode, LONG Color1,
                                                                       LONG Color2) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo_Plus_Params_Gradient(ID, InBool(GradientEnabled),
                                                              InEnum<TZRTextGradientMode>(Mode), Color1, Color2);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Rect(LONG ID, VARIANT_BOOL RectEnabled, LONG RectWidth,
                                                                   LONG RectHeight) {
    return Member([&] { FPlayer->Video_Effects_Text_Logo_Plus_Params_Rect(ID, InBool(RectEnabled), RectWidth, RectHeight); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Rotate(LONG ID, TxZRTextRotationMode RotationMode,
                                                                     TxZRTextFlipMode FlipMode) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo_Plus_Params_Rotate(ID, InEnum<TZRTextRotationMode>(RotationMode),
                                                            InEnum<TZRTextFlipMode>(FlipMode));
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Shape(LONG ID, VARIANT_BOOL Shape_Enabled,
                                                                    TxZRTextShapeType type_, LONG X, LONG Y,
                                                                    LONG ShapeWidth, LONG ShapeHeight, LONG Color) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo_Plus_Params_Shape(ID, InBool(Shape_Enabled), InEnum<TZRTextShapeType>(type_), X,
                                                           Y, ShapeWidth, ShapeHeight, Color);
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Text(LONG ID, VARIANT_BOOL BGTransparent, LONG BGColor,
                                                                   VARIANT_BOOL Vertical, VARIANT_BOOL RightToLeft,
                                                                   TxZRTextAlign Align,
                                                                   TxZRTextAntialiasingMode Antialiasing,
                                                                   TxZRTextDrawMode DrawMode) {
    return Member([&] {
        FPlayer->Video_Effects_Text_Logo_Plus_Params_Text(ID, InBool(BGTransparent), BGColor, InBool(Vertical),
                                                          InBool(RightToLeft), InEnum<TZRTextAlign>(Align),
                                                          InEnum<TZRTextAntialiasingMode>(Antialiasing),
                                                          InEnum<TZRTextDrawMode>(DrawMode));
    });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Transparency(LONG ID, LONG Transparency) {
    return Member([&] { FPlayer->Video_Effects_Text_Logo_Plus_Params_Transparency(ID, Transparency); });
}
HRESULT TTxZRMediaPlayer::Video_Effects_Text_Logo_Plus_Params_Update(LONG ID, VARIANT_BOOL Enabled) {
    return Member([&] { FPlayer->Video_Effects_Text_Logo_Plus_Params_Update(ID, InBool(Enabled)); });
}
HRESULT TTxZRMediaPlayer::Video_Effect_Ex(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled,
                                          TxZREffectType Effect, DOUBLE Amount, BSTR AdditionalParams) {
    return Member([&] {
        FPlayer->Video_Effect_Ex(ID, StartTime, StopTime, InBool(Enabled), InEnum<TZREffectType>(Effect), Amount,
                                 InText(AdditionalParams));
    });
}
HRESULT TTxZRMediaPlayer::Video_Filters_Add(BSTR Name, VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Video_Filters_Add(InText(Name))); });
}
HRESULT TTxZRMediaPlayer::Video_Filters_Clear() {
    return Member([&] { FPlayer->Video_Filters_Clear(); });
}
HRESULT TTxZRMediaPlayer::Video_Filters_Delete(BSTR Name, VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Video_Filters_Delete(InText(Name))); });
}

// --- Stored settings

#define ZR_FX_LONG(Name)                                                                                     \
    HRESULT TTxZRMediaPlayer::get_##Name(LONG* Value) {                                                      \
        return Get(Value, [&] { return static_cast<LONG>(FPlayer->Name()); });                              \
    }                                                                                                        \
    HRESULT TTxZRMediaPlayer::put_##Name(LONG Value) {                                                       \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(Value); });                                    \
    }
#define ZR_FX_BOOL(Name)                                                                                     \
    HRESULT TTxZRMediaPlayer::get_##Name(VARIANT_BOOL* Value) {                                              \
        return Get(Value, [&] { return OutBool(FPlayer->Name()); });                                         \
    }                                                                                                        \
    HRESULT TTxZRMediaPlayer::put_##Name(VARIANT_BOOL Value) {                                               \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(InBool(Value)); });                            \
    }

ZR_FX_LONG(Video_Crop_Bottom)
ZR_FX_LONG(Video_Crop_Left)
ZR_FX_LONG(Video_Crop_Right)
ZR_FX_LONG(Video_Crop_Top)
ZR_FX_BOOL(Video_ResizeOrCrop_Enabled)
ZR_FX_BOOL(Video_Resize_LetterBox)
ZR_FX_LONG(Video_Resize_NewHeight)
ZR_FX_LONG(Video_Resize_NewWidth)
ZR_FX_BOOL(Video_Effects_Enabled)

#undef ZR_FX_LONG
#undef ZR_FX_BOOL

HRESULT TTxZRMediaPlayer::get_Video_Resize_Mode(TxZRResizeMode* Value) {
    return Get(Value, [&] { return OutEnum(FPlayer->Video_Resize_Mode()); });
}
HRESULT TTxZRMediaPlayer::put_Video_Resize_Mode(TxZRResizeMode Value) {
    return Put(zrdispid::Video_Resize_Mode, [&] { FPlayer->Set_Video_Resize_Mode(InEnum<TZRResizeMode>(Value)); });
}
