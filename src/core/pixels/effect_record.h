// The effect record the player hands the video effects filter, its parts and enumerations, and the two
// callbacks the filter calls. Shared by the player, the filter and the portable kernels; no Windows headers.
//
// Layout: on x86 the record is 360 bytes with 4-byte string pointers (Int64 and Double fields on 8-byte
// boundaries, also where a 32-bit ABI would align them to 4); on x64 every part keeps its natural alignment
// with 8-byte pointers (384 bytes). Both layouts
// are checked below, field by field where a host could rely on them.
//
// Booleans stored as LongBool hold -1 (true) or 0 (false); readers take any non-zero value as true.
// Colours are 0x00BBGGRR. Strings point at the characters of a zero-terminated UTF-16 text (an automation
// string, owned by whoever fills the record); the filter copies them during the call that hands it the record.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zr::pix {

using LongBool = int32_t;
using RecordText = const char16_t*;

enum TZREffectType : int32_t {
    ef_text_logo = 0, ef_graphic_logo = 1, ef_blue = 2, ef_blur = 3, ef_color_noise = 4, ef_contrast = 5,
    ef_darkness = 6, ef_filter_blue = 7, ef_filter_blue_2 = 8, ef_filter_green = 9, ef_filter_green2 = 10,
    ef_filter_red = 11, ef_filter_red2 = 12, ef_flip_down = 13, ef_flip_right = 14, ef_green = 15,
    ef_greyscale = 16, ef_invert = 17, ef_lightness = 18, ef_marble = 19, ef_mirror_down = 20,
    ef_mirror_right = 21, ef_mono_noise = 22, ef_mosaic = 23, ef_posterize = 24, ef_red = 25,
    ef_saturation = 26, ef_shake_down = 27, ef_solorize = 28, ef_spray = 29, ef_denoise_cast = 30,
    ef_denoise_adaptive = 31, ef_denoise_mosquito = 32, ef_deint_blend = 33, ef_deint_triangle = 34,
    ef_deint_cavt = 35
};
constexpr int32_t kEffectTypeCount = 36;

enum TZRTextEffectMode : int32_t {
    bm_none, bm_inner, bm_outer, bm_inner_and_outer, bm_embossed, bm_outline, bm_filled_outline, bm_halo
};
enum TZRTextGradientMode : int32_t { gm_horizontal, gm_vertical, gm_forward_diagonal, gm_backward_diagonal };
enum TZRTextAlign : int32_t { al_left, al_center, al_right };
enum TZRTextAntialiasingMode : int32_t {
    am_system_default, am_SingleBitPerPixelGridFit, am_SingleBitPerPixel, am_AntiAliasGridFit, am_AntiAlias,
    am_ClearTypeGridFit
};
enum TZRTextDrawMode : int32_t {
    dq_bicubic_hq, dq_bilinear_hq, dq_nearest_neighbor, dq_bicubic, dq_bilinear, dq_standard_hq, dq_standard_lq,
    dq_system_default
};
enum TZRTextShapeType : int32_t { st_rectangle, st_ellipse };
enum TZRTextFlipMode : int32_t { fm_none, fm_x, fm_y, fm_x_and_y };
enum TZRTextRotationMode : int32_t { rm_none, rm_90, rm_180, rm_270 };

struct CZRTextLogo {
    int32_t x, y;
    LongBool transparent_bg;
    int32_t font_size;
    LongBool font_italic, font_bold, font_underline, font_strikeout;
    uint32_t font_color, bg_color;
    LongBool rightToLeft, vertical;
    int32_t align, drawQuality, antialiasing;
    int32_t rectWidth, rectHeight;
    int32_t rotationMode, flipMode;
    int32_t transp;  // 0..255, 255 = opaque
    LongBool gradient;
    int32_t gradientMode;
    uint32_t gradientColor1, gradientColor2;
    int32_t borderMode;
    uint32_t innerBorderColor, outerBorderColor;
    int32_t innerBorderSize, outerBorderSize;
    LongBool bgShape;
    int32_t bgShapeType, bgShapeX, bgShapeY, bgShapeWidth, bgShapeHeight;
    uint32_t bgShapeColor;
    RecordText text;
    RecordText font_name;
    LongBool dateMode;
    RecordText dateMask;
};

struct CZRGraphicLogo {
    int32_t x, y;
    uint32_t StretchMode;
    int32_t hBmp;  // bitmap handle (32 bits as the record carries it)
    int32_t TranspLevel;  // 0 = opaque .. 255 = invisible
    uint32_t ColorKey;
    LongBool UseColorKey;
    RecordText Filename;
};

struct CZRDenoiseCAST {
    int32_t TemporalDifferenceThreshold, NumberOfMotionPixelsThreshold, StrongEdgeThreshold, BlockWidth,
        BlockHeight, EdgePixelWeight, NonEdgePixelWeight, GaussianThresholdY, GaussianThresholdUV, HistoryWeight;
};

struct CZRDeintBlend {
    int32_t blendThresh1, blendThresh2;
    alignas(8) double blendConstants1;
    alignas(8) double blendConstants2;
};

struct CZREffect {
    int32_t _type;
    int32_t ID;
    alignas(8) int64_t StartTime;
    alignas(8) int64_t StopTime;
    LongBool Enabled;
    int32_t pAmountI, pMinI, pMaxI;
    alignas(8) double pAmountD;
    alignas(8) double pScaleD;
    int32_t pTurbulenceI, pSizeI, pSeamI, pFactorI, pInferenceI, pStyleI;
    int32_t pDenoiseSNRThreshold, pDeintTriangleWeight, pDeintCAVTThreshold, pDenoiseAdaptiveThreshold,
        pDenoiseAdaptiveBlurMode;
    CZRTextLogo TextLogo;
    CZRGraphicLogo GraphicLogo;
    CZRDenoiseCAST DenoiseCAST;
    CZRDeintBlend DeintBlend;
};

// A new record: everything 0 except a transparent text background, "Arial" 32 pixels, opaque text and
// 1-pixel borders. The font name points at a text that lives as long as the program.
CZREffect CZREffect_Init();

// The callbacks the filter calls, with the platform's standard calling convention (stdcall on x86).
#if defined(_WIN32) && !defined(_WIN64)
#define ZR_PIX_STDCALL __attribute__((stdcall))
#else
#define ZR_PIX_STDCALL
#endif
// app (from SetAppHandle), reserved, pixels, length in bytes, width, height, start time (low, high 32 bits),
// stop time (low, high 32 bits), reserved.
using TZRVideoFrameCallback = int32_t(ZR_PIX_STDCALL*)(void* app, void* reserved, uint8_t* pixels, int32_t length,
                                                       int32_t width, int32_t height, int32_t startLo,
                                                       int32_t startHi, int32_t stopLo, int32_t stopHi,
                                                       void* reserved2);
// app, matrix bytes, matrix length (non-zero), level.
using TZRMotionCallback = int32_t(ZR_PIX_STDCALL*)(void* app, uint8_t* matrix, int32_t length, int32_t level);

// --- layout checks
static_assert(offsetof(CZREffect, StartTime) == 8 && offsetof(CZREffect, StopTime) == 16);
static_assert(offsetof(CZREffect, Enabled) == 24 && offsetof(CZREffect, pAmountD) == 40);
static_assert(offsetof(CZREffect, pScaleD) == 48 && offsetof(CZREffect, pTurbulenceI) == 56);
static_assert(offsetof(CZREffect, pStyleI) == 76 && offsetof(CZREffect, pDenoiseAdaptiveBlurMode) == 96);
static_assert(offsetof(CZRTextLogo, gradient) == 80 && offsetof(CZRTextLogo, bgShapeColor) == 140);
static_assert(offsetof(CZRTextLogo, text) == 144);
static_assert(sizeof(CZRDenoiseCAST) == 40 && sizeof(CZRDeintBlend) == 24);
static_assert(offsetof(CZRDeintBlend, blendConstants1) == 8 && offsetof(CZRDeintBlend, blendConstants2) == 16);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(CZRTextLogo) == 160 && sizeof(CZRGraphicLogo) == 32);
static_assert(offsetof(CZRTextLogo, font_name) == 148 && offsetof(CZRTextLogo, dateMode) == 152 &&
              offsetof(CZRTextLogo, dateMask) == 156);
static_assert(offsetof(CZRGraphicLogo, Filename) == 28);
static_assert(offsetof(CZREffect, TextLogo) == 100 && offsetof(CZREffect, GraphicLogo) == 260);
static_assert(offsetof(CZREffect, DenoiseCAST) == 292 && offsetof(CZREffect, DeintBlend) == 336);
static_assert(sizeof(CZREffect) == 360);
#else
static_assert(sizeof(CZRTextLogo) == 176 && sizeof(CZRGraphicLogo) == 40);
static_assert(offsetof(CZRTextLogo, font_name) == 152 && offsetof(CZRTextLogo, dateMode) == 160 &&
              offsetof(CZRTextLogo, dateMask) == 168);
static_assert(offsetof(CZRGraphicLogo, Filename) == 32);
static_assert(offsetof(CZREffect, TextLogo) == 104 && offsetof(CZREffect, GraphicLogo) == 280);
static_assert(offsetof(CZREffect, DenoiseCAST) == 320 && offsetof(CZREffect, DeintBlend) == 360);
static_assert(sizeof(CZREffect) == 384);
#endif

}  // namespace zr::pix
