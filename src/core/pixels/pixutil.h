// Small helpers of the pixel kernels.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zr::pix {

inline uint8_t Clamp8(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
inline int ClampInt(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }
inline double ClampD(double v, double lo, double hi) {
    if (!(v == v)) return lo;  // NaN
    return v < lo ? lo : v > hi ? hi : v;
}

// A well-mixed 32-bit hash (for noise that depends only on position and frame).
inline uint32_t Hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

struct Rng {
    uint32_t s;
    explicit Rng(uint32_t seed) : s(Hash32(seed) | 1u) {}
    uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

// Full-range value of a studio-range luma sample and back.
inline int LumaToFull(int y) { return Clamp8(((y - 16) * 298 + 128) >> 8); }
inline int FullToLuma(int v) { return ((v * 219 + 127) / 255) + 16; }

}  // namespace zr::pix
