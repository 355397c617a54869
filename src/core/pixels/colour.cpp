#include "core/pixels/colour.h"

#include <cmath>
#include <cstring>

#include "core/pixels/pixutil.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zr::pix {

namespace {

// BT.601 studio-range RGB -> YCbCr (without the offsets 16, 128, 128).
constexpr double kToYuv[3][3] = {{65.738 / 256, 129.057 / 256, 25.064 / 256},
                                 {-37.945 / 256, -74.494 / 256, 112.439 / 256},
                                 {112.439 / 256, -94.154 / 256, -18.285 / 256}};

void Invert3(const double a[3][3], double out[3][3]) {
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    const double d = 1.0 / det;
    out[0][0] = (a[1][1] * a[2][2] - a[1][2] * a[2][1]) * d;
    out[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * d;
    out[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * d;
    out[1][0] = (a[1][2] * a[2][0] - a[1][0] * a[2][2]) * d;
    out[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * d;
    out[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * d;
    out[2][0] = (a[1][0] * a[2][1] - a[1][1] * a[2][0]) * d;
    out[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * d;
    out[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * d;
}

void Mul3(const double a[3][3], const double b[3][3], double out[3][3]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
}

int Q(double v, double scale, double lim) { return static_cast<int>(std::lround(ClampD(v, -lim, lim) * scale)); }

// One row of bytes: out = (v * mulQ8 + add * 256 + 128) >> 8, saturated.
void AffineRow(uint8_t* p, size_t n, int mulQ8, int add) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i coef = _mm_set1_epi32(static_cast<int>((static_cast<uint32_t>(add) << 16) | static_cast<uint16_t>(mulQ8)));
    const __m128i one = _mm_set1_epi16(256);
    const __m128i round = _mm_set1_epi32(128);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
        __m128i r0 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(lo, one), coef), round), 8);
        __m128i r1 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(lo, one), coef), round), 8);
        __m128i r2 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(hi, one), coef), round), 8);
        __m128i r3 = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(hi, one), coef), round), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i),
                         _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3)));
    }
#endif
    for (; i < n; ++i) p[i] = AffineByte(p[i], mulQ8, add);
}

void AffinePlane(const Plane& pl, int mulQ8, int add) {
    const size_t n = static_cast<size_t>(pl.width) * static_cast<size_t>(pl.bpp);
    for (int y = 0; y < pl.height; ++y) AffineRow(pl.Row(y), n, mulQ8, add);
}

// The chroma samples of a YUV frame, whatever their packing.
void AffineChroma(Frame& f, int mulQ8, int add) {
    if (f.format == PixFormat::NV12) AffinePlane(f.planes[1], mulQ8, add);
    else {
        AffinePlane(f.planes[1], mulQ8, add);
        AffinePlane(f.planes[2], mulQ8, add);
    }
}

void LutRow(uint8_t* p, size_t n, const uint8_t* lut) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        p[i] = lut[p[i]];
        p[i + 1] = lut[p[i + 1]];
        p[i + 2] = lut[p[i + 2]];
        p[i + 3] = lut[p[i + 3]];
    }
    for (; i < n; ++i) p[i] = lut[p[i]];
}

void ClampRow(uint8_t* p, size_t n, uint8_t lo, uint8_t hi) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i l = _mm_set1_epi8(static_cast<char>(lo)), h = _mm_set1_epi8(static_cast<char>(hi));
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_min_epu8(_mm_max_epu8(v, l), h));
    }
#endif
    for (; i < n; ++i) p[i] = p[i] < lo ? lo : p[i] > hi ? hi : p[i];
}

// Calls fn(ys[4] pointers (nullptr where the block has no such pixel), u, v) for every 2x2 block.
template <class Fn>
void ForEachBlock(Frame& f, Fn&& fn) {
    const Plane& yp = f.planes[0];
    for (int cy = 0; cy < f.cheight; ++cy) {
        uint8_t* r0 = yp.Row(2 * cy);
        uint8_t* r1 = 2 * cy + 1 < yp.height ? yp.Row(2 * cy + 1) : nullptr;
        uint8_t* urow = f.u + f.cstride * cy;
        uint8_t* vrow = f.v + f.cstride * cy;
        for (int cx = 0; cx < f.cwidth; ++cx) {
            const int x = 2 * cx;
            const bool right = x + 1 < yp.width;
            uint8_t* ys[4] = {r0 + x, right ? r0 + x + 1 : nullptr, r1 ? r1 + x : nullptr,
                              (r1 && right) ? r1 + x + 1 : nullptr};
            fn(ys, urow + static_cast<ptrdiff_t>(cx) * f.cstep, vrow + static_cast<ptrdiff_t>(cx) * f.cstep);
        }
    }
}

}  // namespace

uint8_t AffineByte(uint8_t v, int mulQ8, int add) { return Clamp8((v * mulQ8 + add * 256 + 128) >> 8); }

void ApplyAffine(Frame& f, double mul, double add) {
    mul = ClampD(mul, -16, 16);
    add = ClampD(add, -1024, 1024);
    const int mulQ8 = static_cast<int>(std::lround(mul * 256));
    if (f.IsRgb()) {
        AffinePlane(f.planes[0], mulQ8, static_cast<int>(std::lround(add)));
    } else if (f.IsYuv()) {
        AffinePlane(f.planes[0], mulQ8, static_cast<int>(std::lround(16 * (1 - mul) + add * 219.0 / 255.0)));
        AffineChroma(f, mulQ8, static_cast<int>(std::lround(128 * (1 - mul))));
    }
}

void ApplySaturation(Frame& f, double k) {
    k = ClampD(k, 0, 16);
    if (f.IsYuv()) {
        AffineChroma(f, static_cast<int>(std::lround(k * 256)), static_cast<int>(std::lround(128 * (1 - k))));
        return;
    }
    // Luma weights as in the studio-range transform, normalised.
    const double wr = 0.299, wg = 0.587, wb = 0.114;
    ColourMatrix cm = {};
    const double w[3] = {wr, wg, wb};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) cm.m[i][j] = (1 - k) * w[j] + (i == j ? k : 0);
    ApplyMatrix(f, cm);
}

void ApplyMatrix(Frame& f, const ColourMatrix& cm) {
    if (f.IsRgb()) {
        int m[3][3], o[3];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] = Q(cm.m[i][j], 4096, 16);
            o[i] = Q(cm.offset[i], 4096, 1024) + 2048;
        }
        const Plane& p = f.planes[0];
        for (int y = 0; y < p.height; ++y) {
            uint8_t* px = p.Row(y);
            for (int x = 0; x < p.width; ++x, px += p.bpp) {
                const int b = px[0], g = px[1], r = px[2];
                px[2] = Clamp8((m[0][0] * r + m[0][1] * g + m[0][2] * b + o[0]) >> 12);
                px[1] = Clamp8((m[1][0] * r + m[1][1] * g + m[1][2] * b + o[1]) >> 12);
                px[0] = Clamp8((m[2][0] * r + m[2][1] * g + m[2][2] * b + o[2]) >> 12);
            }
        }
        return;
    }
    if (!f.IsYuv()) return;
    // The same change in YCbCr: T = A M A^-1 on values centred at (16, 128, 128), offset A o.
    double inv[3][3], am[3][3], t[3][3];
    Invert3(kToYuv, inv);
    Mul3(kToYuv, cm.m, am);
    Mul3(am, inv, t);
    double off[3];
    for (int i = 0; i < 3; ++i)
        off[i] = kToYuv[i][0] * cm.offset[0] + kToYuv[i][1] * cm.offset[1] + kToYuv[i][2] * cm.offset[2];
    int m[3][3], o[3];
    const double centre[3] = {16, 128, 128};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[i][j] = Q(t[i][j], 4096, 64);
        o[i] = Q(off[i] + centre[i], 4096, 2048) + 2048;
    }
    ForEachBlock(f, [&](uint8_t* ys[4], uint8_t* u, uint8_t* v) {
        const int cu = *u - 128, cv = *v - 128;
        int sum = 0, n = 0;
        const int chromaPart = m[0][1] * cu + m[0][2] * cv + o[0];
        for (int k = 0; k < 4; ++k) {
            if (!ys[k]) continue;
            const int yv = *ys[k] - 16;
            sum += yv;
            ++n;
            *ys[k] = Clamp8((m[0][0] * yv + chromaPart) >> 12);
        }
        const int ym = n ? (sum + n / 2) / n : 0;
        *u = Clamp8((m[1][0] * ym + m[1][1] * cu + m[1][2] * cv + o[1]) >> 12);
        *v = Clamp8((m[2][0] * ym + m[2][1] * cu + m[2][2] * cv + o[2]) >> 12);
    });
}

void ApplyLut(Frame& f, const uint8_t lut[256]) {
    if (f.IsRgb()) {
        const Plane& p = f.planes[0];
        if (p.bpp == 3) {
            for (int y = 0; y < p.height; ++y) LutRow(p.Row(y), static_cast<size_t>(p.width) * 3, lut);
        } else {
            for (int y = 0; y < p.height; ++y) {
                uint8_t* px = p.Row(y);
                for (int x = 0; x < p.width; ++x, px += 4) {
                    px[0] = lut[px[0]];
                    px[1] = lut[px[1]];
                    px[2] = lut[px[2]];
                }
            }
        }
        return;
    }
    if (!f.IsYuv()) return;
    // Through RGB: each pixel of a 2x2 block converted with the block's chroma, the table applied to its
    // channels, luma taken back per pixel and chroma from the block's mean result.
    ForEachBlock(f, [&](uint8_t* ys[4], uint8_t* u, uint8_t* v) {
        const int d = *u - 128, e = *v - 128;
        int sr = 0, sg = 0, sb = 0, n = 0;
        for (int k = 0; k < 4; ++k) {
            if (!ys[k]) continue;
            const int c = 298 * (*ys[k] - 16) + 128;
            const int r = lut[Clamp8((c + 409 * e) >> 8)];
            const int g = lut[Clamp8((c - 100 * d - 208 * e) >> 8)];
            const int b = lut[Clamp8((c + 516 * d) >> 8)];
            *ys[k] = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
            sr += r;
            sg += g;
            sb += b;
            ++n;
        }
        if (!n) return;
        sr /= n;
        sg /= n;
        sb /= n;
        *u = Clamp8(((-38 * sr - 74 * sg + 112 * sb + 128) >> 8) + 128);
        *v = Clamp8(((112 * sr - 94 * sg - 18 * sb + 128) >> 8) + 128);
    });
}

void ClampLevels(Frame& f, int lo, int hi) {
    lo = ClampInt(lo, 0, 255);
    hi = ClampInt(hi, 0, 255);
    if (lo > hi) return;
    if (f.IsYuv()) {
        uint8_t lut[256];
        for (int v = 0; v < 256; ++v) lut[v] = static_cast<uint8_t>(ClampInt(v, lo, hi));
        ApplyLut(f, lut);
        return;
    }
    if (!f.IsRgb()) return;
    const Plane& p = f.planes[0];
    const size_t n = static_cast<size_t>(p.width) * static_cast<size_t>(p.bpp);
    for (int y = 0; y < p.height; ++y) ClampRow(p.Row(y), n, static_cast<uint8_t>(lo), static_cast<uint8_t>(hi));
}

void AddNoise(Frame& f, int amount, int percent, bool mono, uint32_t seed) {
    amount = ClampInt(amount, 0, 255);
    percent = ClampInt(percent, 0, 100);
    if (amount == 0 || percent == 0) return;
    const uint32_t span = static_cast<uint32_t>(2 * amount + 1);
    auto noisePlane = [&](const Plane& p, uint32_t salt, bool sameForPixel) {
        const int channels = p.bpp >= 3 ? 3 : p.bpp;
        for (int y = 0; y < p.height; ++y) {
            Rng rng(seed ^ salt ^ (static_cast<uint32_t>(y) * 0x9E3779B9u));
            uint8_t* px = p.Row(y);
            for (int x = 0; x < p.width; ++x, px += p.bpp) {
                const uint32_t r = rng.Next();
                if (percent < 100 && (r >> 8) % 100 >= static_cast<uint32_t>(percent)) continue;
                if (sameForPixel) {
                    const int n = static_cast<int>(rng.Next() % span) - amount;
                    for (int c = 0; c < channels; ++c) px[c] = Clamp8(px[c] + n);
                } else {
                    for (int c = 0; c < channels; ++c) px[c] = Clamp8(px[c] + static_cast<int>(rng.Next() % span) - amount);
                }
            }
        }
    };
    if (f.IsRgb()) {
        noisePlane(f.planes[0], 0, mono);
        return;
    }
    if (!f.IsYuv()) return;
    noisePlane(f.planes[0], 0, true);
    if (!mono)
        for (int i = 1; i < f.planeCount; ++i) noisePlane(f.planes[i], 0x51ED27u * static_cast<uint32_t>(i), false);
}

}  // namespace zr::pix
