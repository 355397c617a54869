// ITxZRMediaPlayer: chroma key and motion detection settings, the last frame, saved frames and stills from
// files. Members that write files are refused to untrusted callers, like the debug directory.
#include "control/control_call.h"
#include "player/player.h"

using namespace zrconv;

// --- frames and stills

HRESULT TTxZRMediaPlayer::Frame_GetCurrentH(ULONG* Value) {
    return Get(Value, [&] { return static_cast<ULONG>(reinterpret_cast<uintptr_t>(FPlayer->Frame_GetCurrentH())); });
}
HRESULT TTxZRMediaPlayer::Frame_GetCurrentI(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Frame_GetCurrentI()); });
}
HRESULT TTxZRMediaPlayer::Frame_Save(BSTR Filename, TxZRImageFormat Format, LONG Quality) {
    return Refused([&] { FPlayer->Frame_Save(InText(Filename), static_cast<int32_t>(Format), Quality); });
}
HRESULT TTxZRMediaPlayer::Helpful_SaveFrameFromFile(BSTR SourceFilename, LONG Position, BSTR OutputFilename,
                                                    TxZRImageFormat Format, VARIANT_BOOL* Value) {
    if (!Value) return E_POINTER;
    *Value = VARIANT_FALSE;
    return Refused([&] {
        *Value = OutBool(FPlayer->Helpful_SaveFrameFromFile(InText(SourceFilename), Position, InText(OutputFilename),
                                                            static_cast<int32_t>(Format)));
    });
}
HRESULT TTxZRMediaPlayer::Helpful_GetFrameFromFileI(BSTR SourceFilename, LONG Position, LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Helpful_GetFrameFromFileI(InText(SourceFilename), Position)); });
}
HRESULT TTxZRMediaPlayer::Helpful_GetFrameFromFileH(BSTR SourceFilename, LONG Position, LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Helpful_GetFrameFromFileI(InText(SourceFilename), Position)); });
}

// --- stored settings

#define ZR_FR_BOOL(Name)                                                                                  \
    HRESULT TTxZRMediaPlayer::get_##Name(VARIANT_BOOL* Value) {                                          \
        return Get(Value, [&] { return OutBool(FPlayer->Name()); });                                     \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(VARIANT_BOOL Value) {                                           \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(InBool(Value)); });                          \
    }
#define ZR_FR_LONG(Name)                                                                                  \
    HRESULT TTxZRMediaPlayer::get_##Name(LONG* Value) {                                                  \
        return Get(Value, [&] { return static_cast<LONG>(FPlayer->Name()); });                           \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(LONG Value) {                                                   \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(Value); });                                  \
    }

ZR_FR_LONG(ChromaKey_ContrastHigh)
ZR_FR_LONG(ChromaKey_ContrastLow)
ZR_FR_BOOL(ChromaKey_Enabled)
ZR_FR_BOOL(Frame_Save_Resize)
ZR_FR_LONG(Frame_Save_Resize_Height)
ZR_FR_LONG(Frame_Save_Resize_Width)
ZR_FR_BOOL(MotionDetection_Compare_Blue)
ZR_FR_BOOL(MotionDetection_Compare_Green)
ZR_FR_BOOL(MotionDetection_Compare_Greyscale)
ZR_FR_BOOL(MotionDetection_Compare_Red)
ZR_FR_BOOL(MotionDetection_DropFrames_Enabled)
ZR_FR_LONG(MotionDetection_DropFrames_Threshold)
ZR_FR_BOOL(MotionDetection_Enabled)
ZR_FR_LONG(MotionDetection_FrameInterval)
ZR_FR_LONG(MotionDetection_Highlight_Color)
ZR_FR_BOOL(MotionDetection_Highlight_Enabled)
ZR_FR_LONG(MotionDetection_Highlight_Threshold)
ZR_FR_LONG(MotionDetection_Matrix_Height)
ZR_FR_LONG(MotionDetection_Matrix_Width)

#undef ZR_FR_BOOL
#undef ZR_FR_LONG

HRESULT TTxZRMediaPlayer::get_ChromaKey_Color(TxZRChromaColor* Value) {
    return Get(Value, [&] { return static_cast<TxZRChromaColor>(OutEnum(FPlayer->ChromaKey_Color())); });
}
HRESULT TTxZRMediaPlayer::put_ChromaKey_Color(TxZRChromaColor Value) {
    return Put(zrdispid::ChromaKey_Color, [&] { FPlayer->Set_ChromaKey_Color(InEnum<TZRChromaColor>(Value)); });
}
HRESULT TTxZRMediaPlayer::get_ChromaKey_ImageFilename(BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->ChromaKey_ImageFilename(); });
}
HRESULT TTxZRMediaPlayer::put_ChromaKey_ImageFilename(BSTR Value) {
    return Put(zrdispid::ChromaKey_ImageFilename, [&] { FPlayer->Set_ChromaKey_ImageFilename(InText(Value)); });
}
HRESULT TTxZRMediaPlayer::get_Frame_Save_ZoomRatio(DOUBLE* Value) {
    return Get(Value, [&] { return static_cast<DOUBLE>(FPlayer->Frame_Save_ZoomRatio()); });
}
HRESULT TTxZRMediaPlayer::put_Frame_Save_ZoomRatio(DOUBLE Value) {
    return Put(zrdispid::Frame_Save_ZoomRatio, [&] { FPlayer->Set_Frame_Save_ZoomRatio(Value); });
}
