#include "core/pixels/keying.h"

#include <algorithm>
#include <cstring>

#include "core/pixels/pixutil.h"

namespace zr::pix {

namespace {

struct Rgb8 {
    int r, g, b;
};

// BT.601 studio range, 8-bit fixed point.
inline Rgb8 YuvToRgb(int y, int u, int v) {
    const int c = (y - 16) * 298 + 128, d = u - 128, e = v - 128;
    return {Clamp8((c + 409 * e) >> 8), Clamp8((c - 100 * d - 208 * e) >> 8), Clamp8((c + 516 * d) >> 8)};
}
inline void RgbToYuv(int r, int g, int b, int& y, int& u, int& v) {
    y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
}
inline int Grey(int r, int g, int b) { return (77 * r + 150 * g + 29 * b + 128) >> 8; }

inline uint8_t* ChromaAt(uint8_t* base, const Frame& f, int cx, int cy) { return base + f.cstride * cy + cx * f.cstep; }

// The RGB value of pixel (x, y) of any format.
inline Rgb8 PixelRgb(const Frame& f, int x, int y) {
    if (f.IsRgb()) {
        const uint8_t* p = f.planes[0].Row(y) + x * f.planes[0].bpp;
        return {p[2], p[1], p[0]};
    }
    return YuvToRgb(f.planes[0].Row(y)[x], *ChromaAt(f.u, f, x / 2, y / 2), *ChromaAt(f.v, f, x / 2, y / 2));
}

inline int Mix(int a, int b, int w) { return (a * (255 - w) + b * w + 127) / 255; }

bool SameLayout(const Frame& a, const Frame& b) {
    return a.format == b.format && a.width == b.width && a.height == b.height && a.format != PixFormat::None;
}

}  // namespace

bool MakeOwnedFrame(PixFormat format, const uint8_t* bgra, int width, int height, ptrdiff_t stride, OwnedFrame& out) {
    out = OwnedFrame();
    const size_t bytes = FrameBytes(format, width, height);
    if (!bgra || bytes == 0 || stride < static_cast<ptrdiff_t>(width) * 4) return false;
    out.buf.assign(bytes, 0);
    if (!MakeFrame(format, out.buf.data(), out.buf.size(), width, height, 0, false, out.frame)) {
        out = OwnedFrame();
        return false;
    }
    Frame& f = out.frame;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = bgra + stride * y;
        if (f.IsRgb()) {
            uint8_t* d = f.planes[0].Row(y);
            const int bpp = f.planes[0].bpp;
            for (int x = 0; x < width; ++x) std::memcpy(d + x * bpp, s + x * 4, 3);
        } else {
            uint8_t* d = f.planes[0].Row(y);
            for (int x = 0; x < width; ++x) d[x] = static_cast<uint8_t>(((66 * s[x * 4 + 2] + 129 * s[x * 4 + 1] + 25 * s[x * 4] + 128) >> 8) + 16);
        }
    }
    if (f.IsYuv()) {
        for (int cy = 0; cy < f.cheight; ++cy)
            for (int cx = 0; cx < f.cwidth; ++cx) {
                int r = 0, g = 0, b = 0, n = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const int x = cx * 2 + dx, y = cy * 2 + dy;
                        if (x >= width || y >= height) continue;
                        const uint8_t* p = bgra + stride * y + x * 4;
                        b += p[0];
                        g += p[1];
                        r += p[2];
                        ++n;
                    }
                int yy, u, v;
                RgbToYuv((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n, yy, u, v);
                *ChromaAt(f.u, f, cx, cy) = Clamp8(u);
                *ChromaAt(f.v, f, cx, cy) = Clamp8(v);
            }
    }
    return true;
}

int ChromaWeight(int r, int g, int b, const ChromaKeyParams& p) {
    int c, o;
    switch (p.channel) {
    case kChromaRed: c = r, o = std::max(g, b); break;
    case kChromaGreen: c = g, o = std::max(r, b); break;
    case kChromaBlue: c = b, o = std::max(r, g); break;
    default: return 0;
    }
    const int d = c - o;
    // Bounds beyond the dominance range act as the range's ends (and keep the arithmetic in range).
    const int b0 = ClampInt(p.low, -256, 256), b1 = ClampInt(p.high, -256, 256);
    const int lo = std::min(b0, b1), hi = std::max(b0, b1);
    if (d >= hi) return 255;
    if (d <= lo) return 0;
    return ((d - lo) * 255 + (hi - lo) / 2) / (hi - lo);
}

void ChromaKey(Frame& f, const ChromaKeyParams& p, const Frame* bg) {
    if (f.format == PixFormat::None || p.channel < kChromaRed || p.channel > kChromaBlue) return;
    if (bg && !SameLayout(f, *bg)) bg = nullptr;
    const int w = f.width, h = f.height;
    if (f.IsRgb()) {
        const int bpp = f.planes[0].bpp;
        for (int y = 0; y < h; ++y) {
            uint8_t* d = f.planes[0].Row(y);
            const uint8_t* s = bg ? bg->planes[0].Row(y) : nullptr;
            const int sbpp = bg ? bg->planes[0].bpp : 0;
            for (int x = 0; x < w; ++x, d += bpp) {
                const int wgt = ChromaWeight(d[2], d[1], d[0], p);
                if (wgt == 0) continue;
                for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(Mix(d[k], s ? s[x * sbpp + k] : 0, wgt));
            }
        }
        return;
    }
    // YUV: weights per pixel first (they depend on the chroma still unkeyed), then luma and chroma.
    std::vector<uint8_t> weight(static_cast<size_t>(w) * h);
    bool any = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb8 c = PixelRgb(f, x, y);
            const int wgt = ChromaWeight(c.r, c.g, c.b, p);
            weight[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(wgt);
            any |= wgt != 0;
        }
    if (!any) return;
    for (int y = 0; y < h; ++y) {
        uint8_t* d = f.planes[0].Row(y);
        const uint8_t* s = bg ? bg->planes[0].Row(y) : nullptr;
        const uint8_t* wr = &weight[static_cast<size_t>(y) * w];
        for (int x = 0; x < w; ++x)
            if (wr[x]) d[x] = static_cast<uint8_t>(Mix(d[x], s ? s[x] : 16, wr[x]));
    }
    for (int cy = 0; cy < f.cheight; ++cy)
        for (int cx = 0; cx < f.cwidth; ++cx) {
            int sum = 0, n = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const int x = cx * 2 + dx, y = cy * 2 + dy;
                    if (x >= w || y >= h) continue;
                    sum += weight[static_cast<size_t>(y) * w + x];
                    ++n;
                }
            const int wgt = (sum + n / 2) / n;
            if (!wgt) continue;
            uint8_t* u = ChromaAt(f.u, f, cx, cy);
            uint8_t* v = ChromaAt(f.v, f, cx, cy);
            const int bu = bg ? *ChromaAt(bg->u, *bg, cx, cy) : 128, bv = bg ? *ChromaAt(bg->v, *bg, cx, cy) : 128;
            *u = static_cast<uint8_t>(Mix(*u, bu, wgt));
            *v = static_cast<uint8_t>(Mix(*v, bv, wgt));
        }
}

// --- motion

int MotionCells(int n) { return ClampInt(n, 1, kMaxMotionCells); }

void MotionDetector::Reset() {
    ref_.clear();
    format_ = PixFormat::None;
    width_ = height_ = 0;
    channels_ = 0;
}

bool MotionDetector::Measure(const Frame& f, const MotionParams& p, std::vector<uint8_t>& matrix, int& level) {
    if (f.format == PixFormat::None || f.width <= 0 || f.height <= 0) return false;
    unsigned ch = (p.red ? 1u : 0u) | (p.green ? 2u : 0u) | (p.blue ? 4u : 0u) | (p.grey ? 8u : 0u);
    if (!ch) ch = 8u;
    const int w = f.width, h = f.height;
    int n = 0;
    for (unsigned b = ch; b; b &= b - 1) ++n;
    const size_t plane = static_cast<size_t>(w) * h;
    const bool compare = !ref_.empty() && format_ == f.format && width_ == w && height_ == h && channels_ == ch;
    if (!compare) ref_.assign(plane * n, 0);
    format_ = f.format;
    width_ = w;
    height_ = h;
    channels_ = ch;

    const int cols = MotionCells(p.cols), rows = MotionCells(p.rows);
    moved_.assign(static_cast<size_t>(cols) * rows, 0);
    total_.assign(moved_.size(), 0);
    std::vector<int> colOf(static_cast<size_t>(w));
    for (int c = 0, x = 0; x < w; ++x) {
        while (c + 1 < cols && x >= static_cast<int64_t>(c + 1) * w / cols) ++c;
        colOf[static_cast<size_t>(x)] = c;
    }
    uint64_t movedAll = 0;
    int row = 0;
    for (int y = 0; y < h; ++y) {
        while (row + 1 < rows && y >= static_cast<int64_t>(row + 1) * h / rows) ++row;
        uint8_t* refRow = ref_.data() + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            int vals[4], k = 0;
            if (f.IsYuv() && ch == 8u) {
                vals[k++] = LumaToFull(f.planes[0].Row(y)[x]);
            } else {
                const Rgb8 c = PixelRgb(f, x, y);
                if (ch & 1u) vals[k++] = c.r;
                if (ch & 2u) vals[k++] = c.g;
                if (ch & 4u) vals[k++] = c.b;
                if (ch & 8u) vals[k++] = Grey(c.r, c.g, c.b);
            }
            bool moved = false;
            for (int i = 0; i < k; ++i) {
                uint8_t& r = refRow[plane * i + x];
                if (compare && std::abs(vals[i] - r) > kMotionPixelThreshold) moved = true;
                r = static_cast<uint8_t>(vals[i]);
            }
            const size_t cell = static_cast<size_t>(colOf[static_cast<size_t>(x)]) * rows + row;
            ++total_[cell];
            if (moved) {
                ++moved_[cell];
                ++movedAll;
            }
        }
    }
    if (!compare) return false;
    matrix.resize(moved_.size());
    for (size_t i = 0; i < moved_.size(); ++i)
        matrix[i] = static_cast<uint8_t>(total_[i] ? (moved_[i] * 100 + total_[i] / 2) / total_[i] : 0);
    level = static_cast<int>((movedAll * 100 + plane / 2) / plane);
    return true;
}

void HighlightCells(Frame& f, const uint8_t* matrix, int cols, int rows, int threshold, uint32_t colour) {
    if (!matrix || f.format == PixFormat::None) return;
    cols = MotionCells(cols);
    rows = MotionCells(rows);
    const int w = f.width, h = f.height;
    const int cr = colour & 0xFF, cg = (colour >> 8) & 0xFF, cb = (colour >> 16) & 0xFF;
    int cy, cu, cv;
    RgbToYuv(cr, cg, cb, cy, cu, cv);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) {
            if (matrix[static_cast<size_t>(c) * rows + r] <= threshold) continue;
            const int x0 = static_cast<int>(static_cast<int64_t>(c) * w / cols);
            const int x1 = static_cast<int>(static_cast<int64_t>(c + 1) * w / cols);
            const int y0 = static_cast<int>(static_cast<int64_t>(r) * h / rows);
            const int y1 = static_cast<int>(static_cast<int64_t>(r + 1) * h / rows);
            if (f.IsRgb()) {
                const int bpp = f.planes[0].bpp;
                for (int y = y0; y < y1; ++y) {
                    uint8_t* d = f.planes[0].Row(y);
                    for (int x = x0; x < x1; ++x) {
                        uint8_t* px = d + x * bpp;
                        px[0] = static_cast<uint8_t>((px[0] + cb + 1) / 2);
                        px[1] = static_cast<uint8_t>((px[1] + cg + 1) / 2);
                        px[2] = static_cast<uint8_t>((px[2] + cr + 1) / 2);
                    }
                }
                continue;
            }
            for (int y = y0; y < y1; ++y) {
                uint8_t* d = f.planes[0].Row(y);
                for (int x = x0; x < x1; ++x) d[x] = static_cast<uint8_t>((d[x] + cy + 1) / 2);
            }
            for (int y = (y0 + 1) / 2; y < (y1 + 1) / 2 && y < f.cheight; ++y)
                for (int x = (x0 + 1) / 2; x < (x1 + 1) / 2 && x < f.cwidth; ++x) {
                    uint8_t* u = ChromaAt(f.u, f, x, y);
                    uint8_t* v = ChromaAt(f.v, f, x, y);
                    *u = static_cast<uint8_t>((*u + cu + 1) / 2);
                    *v = static_cast<uint8_t>((*v + cv + 1) / 2);
                }
        }
}

namespace {
// Clamping to 0..255 by table for the conversion's range of (value >> 8): -278 ... 535.
struct ClampTable {
    uint8_t v[1024];
    ClampTable() {
        for (int i = 0; i < 1024; ++i) v[i] = Clamp8(i - 384);
    }
};
const uint8_t* Clamp8Table() {
    static const ClampTable t;
    return t.v + 384;
}
}  // namespace

void ToBgr24BottomUp(const Frame& f, uint8_t* dst) {
    if (!dst || f.format == PixFormat::None) return;
    const int w = f.width, h = f.height;
    const ptrdiff_t ds = DefaultStride(PixFormat::RGB24, w);
    for (int y = 0; y < h; ++y) {
        uint8_t* d = dst + ds * (h - 1 - y);
        if (f.format == PixFormat::RGB24) {
            std::memcpy(d, f.planes[0].Row(y), static_cast<size_t>(w) * 3);
        } else if (f.format == PixFormat::RGB32) {
            const uint8_t* s = f.planes[0].Row(y);
            int x = 0;
            // Four bytes at a time where the next pixel's first byte may be overwritten.
            for (; x + 1 < w; ++x) std::memcpy(d + x * 3, s + x * 4, 4);
            if (x < w) std::memcpy(d + x * 3, s + x * 4, 3);
        } else {
            const uint8_t* yr = f.planes[0].Row(y);
            const uint8_t* ur = f.u + f.cstride * (y / 2);
            const uint8_t* vr = f.v + f.cstride * (y / 2);
            const int step = f.cstep;
            const uint8_t* clip = Clamp8Table();
            auto put = [&](uint8_t* px, int yv, int rr, int gg, int bb) {
                const int c = (yv - 16) * 298;
                px[0] = clip[(c + bb) >> 8];
                px[1] = clip[(c + gg) >> 8];
                px[2] = clip[(c + rr) >> 8];
            };
            int x = 0;
            for (; x + 1 < w; x += 2) {
                const int du = ur[(x / 2) * step] - 128, dv = vr[(x / 2) * step] - 128;
                const int rr = 409 * dv + 128, gg = -100 * du - 208 * dv + 128, bb = 516 * du + 128;
                put(d + x * 3, yr[x], rr, gg, bb);
                put(d + x * 3 + 3, yr[x + 1], rr, gg, bb);
            }
            if (x < w) {
                const int du = ur[(x / 2) * step] - 128, dv = vr[(x / 2) * step] - 128;
                put(d + x * 3, yr[x], 409 * dv + 128, -100 * du - 208 * dv + 128, 516 * du + 128);
            }
        }
        // Row padding stays as it was (zero in a fresh buffer).
    }
}

}  // namespace zr::pix
