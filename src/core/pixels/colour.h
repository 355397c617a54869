// Colour kernels: affine changes of every channel, colour matrices, look-up tables, levels and noise, on RGB
// and planar YUV frames alike. YUV frames are taken as BT.601 with studio levels (luma 16..235), which is
// what the platform's decoders deliver; a change defined on RGB is carried into YUV by the equivalent
// transform there, with chroma computed from each 2x2 block's mean luma.
#pragma once
#include <cstdint>

#include "core/pixels/frame.h"

namespace zr::pix {

// out = in * mul + add on every RGB channel (full range, add in 0..255 units). YUV: the same change expressed
// on luma, and chroma scaled by mul about its neutral value. mul and add are clamped to +-16 and +-1024.
void ApplyAffine(Frame& f, double mul, double add);

// out = M * in + offset on (R, G, B) rows of M; offset in 0..255 units.
struct ColourMatrix {
    double m[3][3];
    double offset[3];
};
void ApplyMatrix(Frame& f, const ColourMatrix& cm);
// Chroma scaled by k about neutral grey keeping luma (saturation); cheaper than the matrix on YUV.
void ApplySaturation(Frame& f, double k);

// The same 256-entry table on every RGB channel. YUV: each pixel is taken to RGB with its block's chroma,
// the table applied there, and luma per pixel and chroma per 2x2 block taken back.
void ApplyLut(Frame& f, const uint8_t lut[256]);

// RGB channels clamped to [lo, hi] (YUV frames through RGB as ApplyLut does).
void ClampLevels(Frame& f, int lo, int hi);

// Adds uniform noise in [-amount, amount] to percent % of the pixels. mono: one value for the three
// channels (RGB) or luma only (YUV); otherwise every channel (chroma planes included) gets its own value.
void AddNoise(Frame& f, int amount, int percent, bool mono, uint32_t seed);

// Scalar reference of ApplyAffine's per-byte rule (tests compare the vector path with it).
uint8_t AffineByte(uint8_t v, int mulQ8, int addQ8);

}  // namespace zr::pix
