#include "core/pixels/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/pixels/pixutil.h"

namespace zr::pix {

namespace {

size_t RowBytes(const Plane& p) { return static_cast<size_t>(p.width) * static_cast<size_t>(p.bpp); }

// A copy of the plane's rows, packed.
const uint8_t* Snapshot(const Plane& p, std::vector<uint8_t>& scratch) {
    const size_t rb = RowBytes(p);
    scratch.resize(rb * static_cast<size_t>(p.height));
    for (int y = 0; y < p.height; ++y) std::memcpy(scratch.data() + rb * static_cast<size_t>(y), p.Row(y), rb);
    return scratch.data();
}

// Smooth value noise in [-1, 1] on a lattice hashed from the seed.
double Lattice(int x, int y, uint32_t seed) {
    const uint32_t h = Hash32(static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed);
    return static_cast<double>(h & 0xFFFF) / 32767.5 - 1.0;
}
double ValueNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const double a = Lattice(ix, iy, seed), b = Lattice(ix + 1, iy, seed);
    const double c = Lattice(ix, iy + 1, seed), d = Lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

template <class Fn>
void EachPlane(Frame& f, Fn&& fn) {
    for (int i = 0; i < f.planeCount; ++i) fn(f.planes[i], i == 0 || f.IsRgb() ? 1 : 2);
}

}  // namespace

void FlipVertical(const Plane& p) {
    const size_t rb = RowBytes(p);
    std::vector<uint8_t> tmp(rb);
    for (int y = 0; y < p.height / 2; ++y) {
        uint8_t* a = p.Row(y);
        uint8_t* b = p.Row(p.height - 1 - y);
        std::memcpy(tmp.data(), a, rb);
        std::memcpy(a, b, rb);
        std::memcpy(b, tmp.data(), rb);
    }
}

void FlipHorizontal(const Plane& p) {
    const int bpp = p.bpp;
    for (int y = 0; y < p.height; ++y) {
        uint8_t* r = p.Row(y);
        if (bpp == 1) {
            std::reverse(r, r + p.width);
            continue;
        }
        for (int a = 0, b = p.width - 1; a < b; ++a, --b)
            for (int c = 0; c < bpp; ++c) std::swap(r[a * bpp + c], r[b * bpp + c]);
    }
}

void MirrorDown(const Plane& p) {
    const size_t rb = RowBytes(p);
    for (int y = (p.height + 1) / 2; y < p.height; ++y) std::memcpy(p.Row(y), p.Row(p.height - 1 - y), rb);
}

void MirrorRight(const Plane& p) {
    const int bpp = p.bpp;
    for (int y = 0; y < p.height; ++y) {
        uint8_t* r = p.Row(y);
        for (int x = (p.width + 1) / 2; x < p.width; ++x)
            std::memcpy(r + x * bpp, r + (p.width - 1 - x) * bpp, static_cast<size_t>(bpp));
    }
}

void ShiftDown(const Plane& p, int n) {
    n = ClampInt(n, 0, p.height);
    if (n == 0) return;
    const size_t rb = RowBytes(p);
    for (int y = p.height - 1; y >= n; --y) std::memcpy(p.Row(y), p.Row(y - n), rb);
    for (int y = 1; y < n && y < p.height; ++y) std::memcpy(p.Row(y), p.Row(0), rb);
}

void Mosaic(const Plane& p, int size, int seam, int style, const uint8_t seamValue[4]) {
    size = std::max(size, 1);
    seam = ClampInt(seam, 0, size - 1);
    const int bpp = p.bpp;
    for (int ty = 0; ty < p.height; ty += size) {
        const int th = std::min(size, p.height - ty);
        for (int tx = 0; tx < p.width; tx += size) {
            const int tw = std::min(size, p.width - tx);
            uint32_t value[4] = {};
            if (style == 1) {
                for (int c = 0; c < bpp; ++c) value[c] = p.Row(ty)[tx * bpp + c];
            } else {
                uint32_t sum[4] = {};
                for (int y = 0; y < th; ++y) {
                    const uint8_t* r = p.Row(ty + y) + tx * bpp;
                    for (int x = 0; x < tw; ++x)
                        for (int c = 0; c < bpp; ++c) sum[c] += r[x * bpp + c];
                }
                const uint32_t n = static_cast<uint32_t>(tw * th);
                for (int c = 0; c < bpp; ++c) value[c] = (sum[c] + n / 2) / n;
            }
            for (int y = 0; y < th; ++y) {
                uint8_t* r = p.Row(ty + y) + tx * bpp;
                const bool seamRow = y >= size - seam;
                for (int x = 0; x < tw; ++x) {
                    const bool s = seamRow || x >= size - seam;
                    for (int c = 0; c < bpp; ++c) r[x * bpp + c] = s ? seamValue[c] : static_cast<uint8_t>(value[c]);
                }
            }
        }
    }
}

void BoxBlur(const Plane& p, int rx, int ry, std::vector<uint8_t>& scratch) {
    const int bpp = p.bpp, w = p.width, h = p.height;
    rx = ClampInt(rx, 0, std::max(0, w - 1));
    ry = ClampInt(ry, 0, std::max(0, h - 1));
    if (rx > 0) {
        std::vector<uint8_t> row(RowBytes(p));
        const uint32_t n = static_cast<uint32_t>(2 * rx + 1), half = n / 2;
        for (int y = 0; y < h; ++y) {
            uint8_t* r = p.Row(y);
            std::memcpy(row.data(), r, row.size());
            for (int c = 0; c < bpp; ++c) {
                auto at = [&](int x) -> uint32_t { return row[ClampInt(x, 0, w - 1) * bpp + c]; };
                uint32_t sum = 0;
                for (int k = -rx; k <= rx; ++k) sum += at(k);
                for (int x = 0; x < w; ++x) {
                    r[x * bpp + c] = static_cast<uint8_t>((sum + half) / n);
                    sum += at(x + rx + 1);
                    sum -= at(x - rx);
                }
            }
        }
    }
    if (ry > 0) {
        const uint8_t* src = Snapshot(p, scratch);
        const size_t rb = RowBytes(p);
        const uint32_t n = static_cast<uint32_t>(2 * ry + 1), half = n / 2;
        std::vector<uint32_t> sum(rb, 0);
        auto row = [&](int y) { return src + rb * static_cast<size_t>(ClampInt(y, 0, h - 1)); };
        for (int k = -ry; k <= ry; ++k) {
            const uint8_t* r = row(k);
            for (size_t i = 0; i < rb; ++i) sum[i] += r[i];
        }
        for (int y = 0; y < h; ++y) {
            uint8_t* out = p.Row(y);
            const uint8_t* add = row(y + ry + 1);
            const uint8_t* sub = row(y - ry);
            for (size_t i = 0; i < rb; ++i) {
                out[i] = static_cast<uint8_t>((sum[i] + half) / n);
                sum[i] += add[i];
                sum[i] -= sub[i];
            }
        }
    }
}

void Spray(const Plane& p, int radius, int percent, uint32_t seed, int scale, std::vector<uint8_t>& scratch) {
    radius = ClampInt(radius, 0, 256);
    percent = ClampInt(percent, 0, 100);
    scale = std::max(scale, 1);
    if (radius == 0 || percent == 0) return;
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    const int bpp = p.bpp, span = 2 * radius + 1;
    for (int y = 0; y < p.height; ++y) {
        uint8_t* out = p.Row(y);
        for (int x = 0; x < p.width; ++x) {
            // The offset of the luma position this element covers.
            const uint32_t h = Hash32(static_cast<uint32_t>(x * scale) * 0x9E3779B1u ^
                                      static_cast<uint32_t>(y * scale) * 0x85EBCA77u ^ seed);
            if (static_cast<int>(h % 100) >= percent) continue;
            const int dx = static_cast<int>((h >> 8) % static_cast<uint32_t>(span)) - radius;
            const int dy = static_cast<int>((h >> 20) % static_cast<uint32_t>(span)) - radius;
            const int sx = ClampInt(x + dx / scale, 0, p.width - 1), sy = ClampInt(y + dy / scale, 0, p.height - 1);
            std::memcpy(out + x * bpp, src + rb * static_cast<size_t>(sy) + static_cast<size_t>(sx * bpp),
                        static_cast<size_t>(bpp));
        }
    }
}

void Marble(const Plane& p, double amplitude, double size, uint32_t seed, std::vector<uint8_t>& scratch) {
    amplitude = ClampD(amplitude, 0, 256);
    size = ClampD(size, 1, 4096);
    if (amplitude <= 0) return;
    const uint8_t* src = Snapshot(p, scratch);
    const size_t rb = RowBytes(p);
    const int bpp = p.bpp;
    // The displacement is computed on a grid of points 8 elements apart and interpolated between them.
    constexpr int G = 8;
    const int gw = p.width / G + 2, gh = p.height / G + 2;
    std::vector<float> gx(static_cast<size_t>(gw) * gh), gy(gx.size());
    for (int j = 0; j < gh; ++j)
        for (int i = 0; i < gw; ++i) {
            const double x = i * G, y = j * G;
            // Veins: a sine of the noise makes the marble bands.
            gx[j * gw + i] = static_cast<float>(amplitude * std::sin(3.14159265358979 * ValueNoise(x / size, y / size, seed)));
            gy[j * gw + i] = static_cast<float>(
                amplitude * std::sin(3.14159265358979 * ValueNoise(x / size + 17.3, y / size + 5.1, seed ^ 0xA5A5A5A5u)));
        }
    for (int y = 0; y < p.height; ++y) {
        uint8_t* out = p.Row(y);
        const int j = y / G;
        const float ty = static_cast<float>(y - j * G) / G;
        for (int x = 0; x < p.width; ++x) {
            const int i = x / G;
            const float tx = static_cast<float>(x - i * G) / G;
            const size_t k = static_cast<size_t>(j) * gw + i;
            const float dx = (gx[k] * (1 - tx) + gx[k + 1] * tx) * (1 - ty) + (gx[k + gw] * (1 - tx) + gx[k + gw + 1] * tx) * ty;
            const float dy = (gy[k] * (1 - tx) + gy[k + 1] * tx) * (1 - ty) + (gy[k + gw] * (1 - tx) + gy[k + gw + 1] * tx) * ty;
            const int sx = ClampInt(x + static_cast<int>(std::lround(dx)), 0, p.width - 1);
            const int sy = ClampInt(y + static_cast<int>(std::lround(dy)), 0, p.height - 1);
            std::memcpy(out + x * bpp, src + rb * static_cast<size_t>(sy) + static_cast<size_t>(sx * bpp),
                        static_cast<size_t>(bpp));
        }
    }
}

void FrameFlipVertical(Frame& f) { EachPlane(f, [](const Plane& p, int) { FlipVertical(p); }); }
void FrameFlipHorizontal(Frame& f) { EachPlane(f, [](const Plane& p, int) { FlipHorizontal(p); }); }
void FrameMirrorDown(Frame& f) { EachPlane(f, [](const Plane& p, int) { MirrorDown(p); }); }
void FrameMirrorRight(Frame& f) { EachPlane(f, [](const Plane& p, int) { MirrorRight(p); }); }
void FrameShiftDown(Frame& f, int n) { EachPlane(f, [&](const Plane& p, int s) { ShiftDown(p, n / s); }); }

void FrameMosaic(Frame& f, int size, int seam, int style) {
    EachPlane(f, [&](const Plane& p, int s) {
        uint8_t seamValue[4] = {0, 0, 0, 0};
        if (f.IsYuv()) std::memset(seamValue, s == 1 ? 16 : 128, sizeof seamValue);
        Mosaic(p, std::max(1, size / s), seam / s, style, seamValue);
    });
}

void FrameBoxBlur(Frame& f, int rx, int ry, std::vector<uint8_t>& scratch) {
    EachPlane(f, [&](const Plane& p, int s) { BoxBlur(p, (rx + s - 1) / s, (ry + s - 1) / s, scratch); });
}

void FrameSpray(Frame& f, int radius, int percent, uint32_t seed, std::vector<uint8_t>& scratch) {
    EachPlane(f, [&](const Plane& p, int s) { Spray(p, radius, percent, seed, s, scratch); });
}

void FrameMarble(Frame& f, double amplitude, double size, uint32_t seed, std::vector<uint8_t>& scratch) {
    EachPlane(f, [&](const Plane& p, int s) { Marble(p, amplitude / s, size / s, seed, scratch); });
}

}  // namespace zr::pix
