#include "core/pixels/filters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/pixels/pixutil.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zr::pix {

namespace {

size_t RowBytes(const Plane& p) { return static_cast<size_t>(p.width) * static_cast<size_t>(p.bpp); }

const uint8_t* Snapshot(const Plane& p, std::vector<uint8_t>& scratch) {
    const size_t rb = RowBytes(p);
    scratch.resize(rb * static_cast<size_t>(p.height));
    for (int y = 0; y < p.height; ++y) std::memcpy(scratch.data() + rb * static_cast<size_t>(y), p.Row(y), rb);
    return scratch.data();
}

inline int Sel(int n, int c, int t) { return std::abs(n - c) <= t ? n : c; }

// One output row from the packed rows a (above), b, c (below); elements [from, to) in bytes.
void SmoothRowScalar(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int n, int bpp, int t,
                     int from, int to) {
    for (int i = from; i < to; ++i) {
        const int l = i - bpp >= 0 ? i - bpp : i, r = i + bpp < n ? i + bpp : i;
        const int m = b[i];
        const int sum = Sel(a[l], m, t) + 2 * Sel(a[i], m, t) + Sel(a[r], m, t) + 2 * Sel(b[l], m, t) + 4 * m +
                        2 * Sel(b[r], m, t) + Sel(c[l], m, t) + 2 * Sel(c[i], m, t) + Sel(c[r], m, t);
        out[i] = static_cast<uint8_t>((sum + 8) >> 4);
    }
}

void SmoothRow(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int n, int bpp, int t) {
    int i = bpp;
#if defined(__SSE2__)
    const __m128i tv = _mm_set1_epi8(static_cast<char>(ClampInt(t, 0, 255)));
    const __m128i zero = _mm_setzero_si128();
    const __m128i eight = _mm_set1_epi16(8);
    auto sel = [&](__m128i nb, __m128i m) {
        __m128i d = _mm_or_si128(_mm_subs_epu8(nb, m), _mm_subs_epu8(m, nb));
        __m128i keep = _mm_cmpeq_epi8(_mm_min_epu8(d, tv), d);
        return _mm_or_si128(_mm_and_si128(keep, nb), _mm_andnot_si128(keep, m));
    };
    auto ld = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    for (; i + 16 + bpp <= n; i += 16) {
        const __m128i m = ld(b + i);
        const __m128i al = sel(ld(a + i - bpp), m), am = sel(ld(a + i), m), ar = sel(ld(a + i + bpp), m);
        const __m128i bl = sel(ld(b + i - bpp), m), br = sel(ld(b + i + bpp), m);
        const __m128i cl = sel(ld(c + i - bpp), m), cm = sel(ld(c + i), m), cr = sel(ld(c + i + bpp), m);
        auto half = [&](auto unpack) {
            __m128i corners = _mm_add_epi16(_mm_add_epi16(unpack(al, zero), unpack(ar, zero)),
                                            _mm_add_epi16(unpack(cl, zero), unpack(cr, zero)));
            __m128i edges = _mm_add_epi16(_mm_add_epi16(unpack(am, zero), unpack(cm, zero)),
                                          _mm_add_epi16(unpack(bl, zero), unpack(br, zero)));
            __m128i s = _mm_add_epi16(corners, _mm_slli_epi16(edges, 1));
            s = _mm_add_epi16(s, _mm_slli_epi16(unpack(m, zero), 2));
            return _mm_srli_epi16(_mm_add_epi16(s, eight), 4);
        };
        const __m128i lo = half([](__m128i x, __m128i z) { return _mm_unpacklo_epi8(x, z); });
        const __m128i hi = half([](__m128i x, __m128i z) { return _mm_unpackhi_epi8(x, z); });
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    SmoothRowScalar(a, b, c, out, n, bpp, t, 0, std::min(bpp, n));
    SmoothRowScalar(a, b, c, out, n, bpp, t, std::max(i, std::min(bpp, n)), n);
}

}  // namespace

void PlaneHistory::Store(const Plane& p) {
    width = p.width;
    height = p.height;
    bpp = p.bpp;
    const size_t rb = RowBytes(p);
    data.resize(rb * static_cast<size_t>(p.height));
    for (int y = 0; y < p.height; ++y) std::memcpy(data.data() + rb * static_cast<size_t>(y), p.Row(y), rb);
}

void SelectiveSmooth(const uint8_t* src, int width, int height, int bpp, int t, uint8_t* dst, ptrdiff_t dstStride) {
    if (width <= 0 || height <= 0) return;
    const int n = width * bpp;
    t = ClampInt(t, 0, 255);
    for (int y = 0; y < height; ++y) {
        const uint8_t* b = src + static_cast<size_t>(n) * y;
        const uint8_t* a = y > 0 ? b - n : b;
        const uint8_t* c = y + 1 < height ? b + n : b;
        SmoothRow(a, b, c, dst + dstStride * y, n, bpp, t);
    }
}

uint8_t SelectiveSmoothAt(const uint8_t* src, int width, int height, int bpp, int x, int y, int c, int t) {
    auto at = [&](int xx, int yy) {
        return static_cast<int>(src[(ClampInt(yy, 0, height - 1) * width + ClampInt(xx, 0, width - 1)) * bpp + c]);
    };
    const int m = at(x, y);
    static const int w[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) sum += w[dy + 1][dx + 1] * Sel(at(x + dx, y + dy), m, t);
    return static_cast<uint8_t>((sum + 8) >> 4);
}

void DenoiseAdaptive(const Plane& p, int t, int blurMode, std::vector<uint8_t>& scratch) {
    const int passes = blurMode == 0 ? 1 : 2;
    for (int i = 0; i < passes; ++i) {
        const uint8_t* src = Snapshot(p, scratch);
        SelectiveSmooth(src, p.width, p.height, p.bpp, t, p.data, p.stride);
    }
}

void DenoiseMosquito(const Plane& p, int block, std::vector<uint8_t>& scratch) {
    block = std::max(block, 2);
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    std::vector<uint8_t> smooth(scratch.size());
    SelectiveSmooth(src, p.width, p.height, p.bpp, 12, smooth.data(), static_cast<ptrdiff_t>(rb));
    const int bpp = p.bpp;
    for (int by = 0; by < p.height; by += block) {
        const int bh = std::min(block, p.height - by);
        for (int bx = 0; bx < p.width; bx += block) {
            const int bw = std::min(block, p.width - bx);
            for (int c = 0; c < bpp; ++c) {
                int lo = 255, hi = 0;
                for (int y = 0; y < bh; ++y) {
                    const uint8_t* r = src + rb * static_cast<size_t>(by + y) + static_cast<size_t>(bx * bpp + c);
                    for (int x = 0; x < bw; ++x) {
                        lo = std::min<int>(lo, r[x * bpp]);
                        hi = std::max<int>(hi, r[x * bpp]);
                    }
                }
                if (hi - lo <= 48) continue;
                for (int y = 0; y < bh; ++y) {
                    const uint8_t* s = smooth.data() + rb * static_cast<size_t>(by + y) + static_cast<size_t>(bx * bpp + c);
                    uint8_t* o = p.Row(by + y) + bx * bpp + c;
                    for (int x = 0; x < bw; ++x) o[x * bpp] = s[x * bpp];
                }
            }
        }
    }
}

void DenoiseCast(const Plane& p, const CastParams& cp, PlaneHistory& history, std::vector<uint8_t>& scratch) {
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    const int n = static_cast<int>(rb);
    SelectiveSmooth(src, p.width, p.height, p.bpp, cp.gaussianThreshold, p.data, p.stride);
    const int ew = ClampInt(cp.edgeWeight, 0, 256), nw = ClampInt(cp.nonEdgeWeight, 0, 256);
    const int strong = std::max(cp.strongEdge, 0);
    const int bpp = p.bpp;
    // Spatial: give back part of the original, more of it on strong edges.
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* b = src + rb * static_cast<size_t>(y);
        const uint8_t* a = y > 0 ? b - rb : b;
        const uint8_t* c = y + 1 < p.height ? b + rb : b;
        uint8_t* o = p.Row(y);
        for (int i = 0; i < n; ++i) {
            const int l = i >= bpp ? i - bpp : i, r = i + bpp < n ? i + bpp : i;
            const int grad = std::abs(b[r] - b[l]) + std::abs(c[i] - a[i]);
            const int w = grad > strong ? ew : nw;
            o[i] = static_cast<uint8_t>((b[i] * w + o[i] * (256 - w) + 128) >> 8);
        }
    }
    // Temporal: blocks without motion lean on the previous output.
    const int hw = ClampInt(cp.historyWeight, 0, 256);
    if (history.Matches(p) && hw > 0) {
        const int bw = ClampInt(cp.blockWidth, 1, 256), bh = ClampInt(cp.blockHeight, 1, 256);
        const int td = std::max(cp.temporalDifference, 0), mp = std::max(cp.motionPixels, 0);
        for (int by = 0; by < p.height; by += bh) {
            const int h = std::min(bh, p.height - by);
            for (int bx = 0; bx < p.width; bx += bw) {
                const int w = std::min(bw, p.width - bx);
                int moving = 0;
                for (int y = 0; y < h && moving <= mp; ++y) {
                    const uint8_t* s = src + rb * static_cast<size_t>(by + y) + static_cast<size_t>(bx * bpp);
                    const uint8_t* q = history.Row(by + y) + bx * bpp;
                    for (int i = 0; i < w * bpp; ++i)
                        if (std::abs(s[i] - q[i]) > td) ++moving;
                }
                if (moving > mp) continue;
                for (int y = 0; y < h; ++y) {
                    uint8_t* o = p.Row(by + y) + bx * bpp;
                    const uint8_t* q = history.Row(by + y) + bx * bpp;
                    for (int i = 0; i < w * bpp; ++i) o[i] = static_cast<uint8_t>((o[i] * (256 - hw) + q[i] * hw + 128) >> 8);
                }
            }
        }
    }
    history.Store(p);
}

void DeinterlaceBlend(const Plane& p, int t1, int t2, double w1, double w2, PlaneHistory& history,
                      std::vector<uint8_t>& scratch) {
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    const bool motion = t2 > 0 && history.Matches(p);
    double sum = w1 + 2 * w2;
    if (!(sum > 0) || !std::isfinite(sum) || w1 < 0 || w2 < 0) {
        w1 = 0.5;
        w2 = 0.25;
        sum = 1;
    }
    const int q1 = static_cast<int>(std::lround(w1 / sum * 256)), q2 = (256 - q1) / 2;
    const int64_t comb = std::max(t1, 0);
    for (int y = 1; y + 1 < p.height; ++y) {
        const uint8_t* b = src + rb * static_cast<size_t>(y);
        const uint8_t* a = b - rb;
        const uint8_t* c = b + rb;
        const uint8_t* prev = motion ? history.Row(y) : nullptr;
        uint8_t* o = p.Row(y);
        for (size_t i = 0; i < rb; ++i) {
            if (static_cast<int64_t>(b[i] - a[i]) * (b[i] - c[i]) <= comb) continue;
            if (prev && std::abs(b[i] - prev[i]) <= t2) continue;
            o[i] = Clamp8((b[i] * q1 + (a[i] + c[i]) * q2 + 128) >> 8);
        }
    }
    history.data.assign(src, src + rb * static_cast<size_t>(p.height));
    history.width = p.width;
    history.height = p.height;
    history.bpp = p.bpp;
}

void DeinterlaceTriangle(const Plane& p, int weight, std::vector<uint8_t>& scratch) {
    weight = ClampInt(weight, 0, 1 << 16);
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    const int64_t den = weight + 2;
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* b = src + rb * static_cast<size_t>(y);
        const uint8_t* a = y > 0 ? b - rb : b;
        const uint8_t* c = y + 1 < p.height ? b + rb : b;
        uint8_t* o = p.Row(y);
        for (size_t i = 0; i < rb; ++i)
            o[i] = static_cast<uint8_t>((a[i] + static_cast<int64_t>(weight) * b[i] + c[i] + den / 2) / den);
    }
}

void DeinterlaceCavt(const Plane& p, int t, PlaneHistory& history, std::vector<uint8_t>& scratch) {
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    const bool motion = history.Matches(p);
    t = std::max(t, 0);
    for (int y = 1; y < p.height; y += 2) {
        const uint8_t* b = src + rb * static_cast<size_t>(y);
        const uint8_t* a = b - rb;
        const uint8_t* c = y + 1 < p.height ? b + rb : a;
        const uint8_t* prev = motion ? history.Row(y) : nullptr;
        uint8_t* o = p.Row(y);
        for (size_t i = 0; i < rb; ++i) {
            const bool combs = (b[i] - a[i]) * (b[i] - c[i]) > 25 * 25;
            const bool moved = prev && std::abs(b[i] - prev[i]) > t;
            if (combs || moved) o[i] = static_cast<uint8_t>((a[i] + c[i] + 1) >> 1);
        }
    }
    history.data.assign(src, src + rb * static_cast<size_t>(p.height));
    history.width = p.width;
    history.height = p.height;
    history.bpp = p.bpp;
}

}  // namespace zr::pix
