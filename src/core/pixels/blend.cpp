#include "core/pixels/blend.h"

#include <algorithm>

#include "core/pixels/pixutil.h"

namespace zr::pix {

namespace {

inline int Div255(int v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

// dst * (255 - a) / 255 + premultiplied source.
inline uint8_t Over(uint8_t dst, uint8_t srcP, uint8_t a) { return Clamp8(srcP + Div255(dst * (255 - a))); }

}  // namespace

void ApplyColourKey(uint8_t* bgra, int width, int height, ptrdiff_t stride, uint32_t key) {
    if (!bgra) return;
    const uint8_t r = key & 0xFF, g = (key >> 8) & 0xFF, b = (key >> 16) & 0xFF;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = bgra + stride * y;
        for (int x = 0; x < width; ++x, p += 4)
            if (p[0] == b && p[1] == g && p[2] == r) p[3] = 0;
    }
}

void PrepareOverlay(const uint8_t* bgra, int width, int height, ptrdiff_t stride, int globalAlpha, bool yuv,
                    Overlay& out) {
    out = Overlay();
    if (!bgra || width <= 0 || height <= 0) return;
    globalAlpha = ClampInt(globalAlpha, 0, 255);
    out.width = width;
    out.height = height;
    out.yuv = yuv;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    auto alphaAt = [&](const uint8_t* p) { return Div255(p[3] * globalAlpha); };
    if (!yuv) {
        out.bgra.resize(n * 4);
        uint8_t* o = out.bgra.data();
        for (int y = 0; y < height; ++y) {
            const uint8_t* p = bgra + stride * y;
            for (int x = 0; x < width; ++x, p += 4, o += 4) {
                const int a = alphaAt(p);
                o[0] = static_cast<uint8_t>(Div255(p[0] * a));
                o[1] = static_cast<uint8_t>(Div255(p[1] * a));
                o[2] = static_cast<uint8_t>(Div255(p[2] * a));
                o[3] = static_cast<uint8_t>(a);
            }
        }
        return;
    }
    out.ya.resize(n * 2);
    out.cwidth = (width + 1) / 2;
    out.cheight = (height + 1) / 2;
    out.uva.resize(static_cast<size_t>(out.cwidth) * out.cheight * 3);
    for (int cy = 0; cy < out.cheight; ++cy) {
        for (int cx = 0; cx < out.cwidth; ++cx) {
            int su = 0, sv = 0, sa = 0, cnt = 0;
            for (int k = 0; k < 4; ++k) {
                const int x = 2 * cx + (k & 1), y = 2 * cy + (k >> 1);
                if (x >= width || y >= height) continue;
                const uint8_t* p = bgra + stride * y + x * 4;
                const int a = alphaAt(p);
                const int r = p[2], g = p[1], b = p[0];
                const int yy = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
                const int u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
                const int v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
                uint8_t* o = out.ya.data() + (static_cast<size_t>(y) * width + x) * 2;
                o[0] = static_cast<uint8_t>(Div255(yy * a));
                o[1] = static_cast<uint8_t>(a);
                su += u * a;
                sv += v * a;
                sa += a;
                ++cnt;
            }
            uint8_t* c = out.uva.data() + (static_cast<size_t>(cy) * out.cwidth + cx) * 3;
            const int ma = cnt ? (sa + cnt / 2) / cnt : 0;
            // Premultiplied by the block's mean alpha: the alpha-weighted colour times the mean alpha.
            c[0] = static_cast<uint8_t>(sa ? Div255((su / sa) * ma) : 0);
            c[1] = static_cast<uint8_t>(sa ? Div255((sv / sa) * ma) : 0);
            c[2] = static_cast<uint8_t>(ma);
        }
    }
}

void BlendOverlay(Frame& f, const Overlay& o, int x, int y) {
    if (o.Empty()) return;
    if (f.IsRgb() && !o.yuv) {
        const Plane& p = f.planes[0];
        const int x0 = std::max(0, x), y0 = std::max(0, y);
        const int x1 = std::min(p.width, x + o.width), y1 = std::min(p.height, y + o.height);
        for (int yy = y0; yy < y1; ++yy) {
            uint8_t* d = p.Row(yy) + static_cast<ptrdiff_t>(x0) * p.bpp;
            const uint8_t* s = o.bgra.data() + (static_cast<size_t>(yy - y) * o.width + (x0 - x)) * 4;
            for (int xx = x0; xx < x1; ++xx, d += p.bpp, s += 4) {
                const uint8_t a = s[3];
                if (a == 0) continue;
                d[0] = Over(d[0], s[0], a);
                d[1] = Over(d[1], s[1], a);
                d[2] = Over(d[2], s[2], a);
            }
        }
        return;
    }
    if (!f.IsYuv() || !o.yuv) return;
    x &= ~1;
    y &= ~1;
    const Plane& yp = f.planes[0];
    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(yp.width, x + o.width), y1 = std::min(yp.height, y + o.height);
    for (int yy = y0; yy < y1; ++yy) {
        uint8_t* d = yp.Row(yy) + x0;
        const uint8_t* s = o.ya.data() + (static_cast<size_t>(yy - y) * o.width + (x0 - x)) * 2;
        for (int xx = x0; xx < x1; ++xx, ++d, s += 2)
            if (s[1]) *d = Over(*d, s[0], s[1]);
    }
    const int cx0 = x0 / 2, cy0 = y0 / 2;
    const int cx1 = std::min(f.cwidth, (x1 + 1) / 2), cy1 = std::min(f.cheight, (y1 + 1) / 2);
    for (int cy = cy0; cy < cy1; ++cy) {
        uint8_t* u = f.u + f.cstride * cy + static_cast<ptrdiff_t>(cx0) * f.cstep;
        uint8_t* v = f.v + f.cstride * cy + static_cast<ptrdiff_t>(cx0) * f.cstep;
        const uint8_t* s = o.uva.data() + (static_cast<size_t>(cy - y / 2) * o.cwidth + (cx0 - x / 2)) * 3;
        for (int cx = cx0; cx < cx1; ++cx, u += f.cstep, v += f.cstep, s += 3) {
            if (!s[2]) continue;
            *u = Over(*u, s[0], s[2]);
            *v = Over(*v, s[1], s[2]);
        }
    }
}

}  // namespace zr::pix
