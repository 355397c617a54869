#include "core/pixels/effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/pixels/colour.h"
#include "core/pixels/geometry.h"
#include "core/pixels/pixutil.h"

namespace zr::pix {

namespace {

double Amount(const CZREffect& e) {
    const double a = std::isfinite(e.pAmountD) && e.pAmountD != 0 ? e.pAmountD : static_cast<double>(e.pAmountI);
    return ClampD(a, -1e6, 1e6);
}
double AmountOr(const CZREffect& e, double def) {
    const double a = Amount(e);
    return a == 0 ? def : a;
}
// Strength 0..1 from a percentage Amount (0: the default).
double Strength(const CZREffect& e, double defPercent) { return ClampD(AmountOr(e, defPercent), 0, 100) / 100.0; }

constexpr double kLuma[3] = {0.299, 0.587, 0.114};  // R, G, B

ColourMatrix Diagonal(double r, double g, double b) {
    ColourMatrix cm = {};
    cm.m[0][0] = r;
    cm.m[1][1] = g;
    cm.m[2][2] = b;
    return cm;
}

// Channel index (0 R, 1 G, 2 B) of the channel effects.
int ChannelOf(int32_t t) {
    switch (t) {
    case ef_red: case ef_filter_red: case ef_filter_red2: return 0;
    case ef_green: case ef_filter_green: case ef_filter_green2: return 1;
    default: return 2;
    }
}

void ApplyColour(Frame& f, const CZREffect& e, EffectState& st, const EffectContext& ctx) {
    const int32_t t = e._type;
    switch (t) {
    case ef_red: case ef_green: case ef_blue: {
        const double s = Strength(e, 100), k = ChannelOf(t);
        ApplyMatrix(f, Diagonal(k == 0 ? 1 : 1 - s, k == 1 ? 1 : 1 - s, k == 2 ? 1 : 1 - s));
        break;
    }
    case ef_filter_red: case ef_filter_green: case ef_filter_blue: {
        const double s = Strength(e, 100) / 2, k = ChannelOf(t);
        ApplyMatrix(f, Diagonal(k == 0 ? 1 : 1 - s, k == 1 ? 1 : 1 - s, k == 2 ? 1 : 1 - s));
        break;
    }
    case ef_filter_red2: case ef_filter_green2: case ef_filter_blue_2: {
        const double s = Strength(e, 100) / 2;
        const int k = ChannelOf(t);
        ColourMatrix cm = {};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) cm.m[i][j] = kLuma[j] * (i == k ? 1 : 1 - s);
        ApplyMatrix(f, cm);
        break;
    }
    case ef_greyscale: {
        const double s = Strength(e, 100);
        if (s >= 1 && f.IsYuv()) {
            ApplySaturation(f, 0);
            break;
        }
        ColourMatrix cm = {};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) cm.m[i][j] = s * kLuma[j] + (i == j ? 1 - s : 0);
        ApplyMatrix(f, cm);
        break;
    }
    case ef_invert: {
        const double s = Strength(e, 100);
        ApplyAffine(f, 1 - 2 * s, 255 * s);
        break;
    }
    case ef_lightness: ApplyAffine(f, 1, ClampD(AmountOr(e, 64), 0, 255)); break;
    case ef_darkness: ApplyAffine(f, 1, -ClampD(AmountOr(e, 64), 0, 255)); break;
    case ef_contrast: {
        const double k = ClampD(1 + AmountOr(e, 50) / 100, 0, 16);
        ApplyAffine(f, k, 128 * (1 - k));
        break;
    }
    case ef_saturation: ApplySaturation(f, ClampD(1 + AmountOr(e, 100) / 100, 0, 16)); break;
    case ef_posterize: {
        const int n = ClampInt(static_cast<int>(AmountOr(e, 4)), 2, 64);
        uint8_t lut[256];
        for (int v = 0; v < 256; ++v) lut[v] = static_cast<uint8_t>((v * n / 256) * 255 / (n - 1));
        ApplyLut(f, lut);
        break;
    }
    case ef_solorize: {
        const int th = ClampInt(static_cast<int>(AmountOr(e, 128)), 0, 255);
        uint8_t lut[256];
        for (int v = 0; v < 256; ++v) lut[v] = static_cast<uint8_t>(v >= th ? 255 - v : v);
        ApplyLut(f, lut);
        break;
    }
    case ef_color_noise: case ef_mono_noise: {
        const int pct = e.pInferenceI > 0 ? e.pInferenceI : 100;
        AddNoise(f, static_cast<int>(ClampD(AmountOr(e, 32), 0, 255)), pct, t == ef_mono_noise,
                 ctx.frameIndex * 0x9E3779B9u ^ static_cast<uint32_t>(e.ID));
        break;
    }
    default: break;
    }
    (void)st;
    if (e.pMinI >= 0 && e.pMinI < e.pMaxI && e.pMaxI <= 255) ClampLevels(f, e.pMinI, e.pMaxI);
}

CastParams CastOf(const CZREffect& e, bool chroma) {
    CZRDenoiseCAST d = e.DenoiseCAST;
    const CZRDenoiseCAST zero = {};
    if (std::memcmp(&d, &zero, sizeof d) == 0) d = CZRDenoiseCAST{16, 0, 8, 4, 4, 128, 16, 12, 6, 192};
    CastParams c;
    c.temporalDifference = d.TemporalDifferenceThreshold;
    c.motionPixels = d.NumberOfMotionPixelsThreshold;
    c.strongEdge = d.StrongEdgeThreshold;
    c.blockWidth = chroma ? std::max(1, d.BlockWidth / 2) : d.BlockWidth;
    c.blockHeight = chroma ? std::max(1, d.BlockHeight / 2) : d.BlockHeight;
    c.edgeWeight = d.EdgePixelWeight;
    c.nonEdgeWeight = d.NonEdgePixelWeight;
    c.gaussianThreshold = chroma ? d.GaussianThresholdUV : d.GaussianThresholdY;
    c.historyWeight = d.HistoryWeight;
    return c;
}

void ApplyCleanup(Frame& f, const CZREffect& e, EffectState& st) {
    for (int i = 0; i < f.planeCount && i < 3; ++i) {
        const Plane& p = f.planes[i];
        const bool chroma = f.IsYuv() && i > 0;
        PlaneHistory& h = st.history[i];
        switch (e._type) {
        case ef_denoise_adaptive:
            DenoiseAdaptive(p, e.pDenoiseAdaptiveThreshold > 0 ? e.pDenoiseAdaptiveThreshold : 10,
                            e.pDenoiseAdaptiveBlurMode, st.scratch);
            break;
        case ef_denoise_mosquito: DenoiseMosquito(p, chroma ? 4 : 8, st.scratch); break;
        case ef_denoise_cast: DenoiseCast(p, CastOf(e, chroma), h, st.scratch); break;
        case ef_deint_blend: {
            const CZRDeintBlend& b = e.DeintBlend;
            double w1 = b.blendConstants1, w2 = b.blendConstants2;
            if (!(w1 > 0) && !(w2 > 0)) w1 = 0.5, w2 = 0.25;
            DeinterlaceBlend(p, b.blendThresh1 > 0 ? b.blendThresh1 : 64, b.blendThresh2, w1, w2, h, st.scratch);
            break;
        }
        case ef_deint_triangle:
            DeinterlaceTriangle(p, e.pDeintTriangleWeight > 0 ? e.pDeintTriangleWeight : 2, st.scratch);
            break;
        case ef_deint_cavt:
            DeinterlaceCavt(p, e.pDeintCAVTThreshold > 0 ? e.pDeintCAVTThreshold : 10, h, st.scratch);
            break;
        default: break;
        }
    }
}

}  // namespace

bool EffectActiveAt(const CZREffect& e, int64_t ms) {
    if (!e.Enabled) return false;
    if (ms < e.StartTime) return false;
    return e.StopTime <= 0 || ms < e.StopTime;
}

bool IsLogoEffect(int32_t t) { return t == ef_text_logo || t == ef_graphic_logo; }
bool IsCleanupEffect(int32_t t) { return t >= ef_denoise_cast && t <= ef_deint_cavt; }

void ApplyEffect(Frame& f, const CZREffect& e, EffectState& st, const EffectContext& ctx) {
    if (!f.IsRgb() && !f.IsYuv()) return;
    if (IsCleanupEffect(e._type)) {
        ApplyCleanup(f, e, st);
        return;
    }
    switch (e._type) {
    case ef_flip_down: FrameFlipVertical(f); return;
    case ef_flip_right: FrameFlipHorizontal(f); return;
    case ef_mirror_down: FrameMirrorDown(f); return;
    case ef_mirror_right: FrameMirrorRight(f); return;
    case ef_shake_down: {
        const double a = ClampD(AmountOr(e, 8), 0, f.height);
        const int period = e.pFactorI > 0 ? e.pFactorI : 6;
        const double phase = 2 * 3.14159265358979 * static_cast<double>(ctx.frameIndex % static_cast<uint32_t>(period)) / period;
        FrameShiftDown(f, static_cast<int>(std::lround(a * (1 - std::cos(phase)) / 2)));
        return;
    }
    case ef_blur: {
        const int r = ClampInt(e.pSizeI > 0 ? e.pSizeI : static_cast<int>(ClampD(AmountOr(e, 3), 1, 64)), 1, 64);
        FrameBoxBlur(f, e.pStyleI == 2 ? 0 : r, e.pStyleI == 1 ? 0 : r, st.scratch);
        return;
    }
    case ef_mosaic: {
        const int size = ClampInt(e.pSizeI > 0 ? e.pSizeI : static_cast<int>(ClampD(AmountOr(e, 16), 2, 256)), 2, 256);
        FrameMosaic(f, size, e.pSeamI, e.pStyleI == 1 ? 1 : 0);
        return;
    }
    case ef_spray: {
        const int r = ClampInt(e.pSizeI > 0 ? e.pSizeI : static_cast<int>(ClampD(AmountOr(e, 4), 1, 64)), 1, 64);
        FrameSpray(f, r, e.pInferenceI > 0 ? e.pInferenceI : 100, ctx.frameIndex * 0x2545F491u ^ static_cast<uint32_t>(e.ID),
                   st.scratch);
        return;
    }
    case ef_marble: {
        const double amp = e.pTurbulenceI > 0 ? e.pTurbulenceI : ClampD(AmountOr(e, 8), 1, 64);
        const double size = std::isfinite(e.pScaleD) && e.pScaleD > 0 ? e.pScaleD : 24;
        FrameMarble(f, ClampD(amp, 1, 64), ClampD(size, 2, 512), static_cast<uint32_t>(e.ID) * 0x27D4EB2Du + 1,
                    st.scratch);
        return;
    }
    default: ApplyColour(f, e, st, ctx); return;
    }
}

}  // namespace zr::pix
