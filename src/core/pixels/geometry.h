// Kernels that move pixels: flips, mirrors, shifts, mosaic, blur, spray and marble. Each works on one plane
// and treats every byte channel alike, so one kernel serves RGB frames and every plane of YUV frames; the
// frame-level functions call it per plane with sizes scaled for subsampled chroma.
#pragma once
#include <cstdint>
#include <vector>

#include "core/pixels/frame.h"

namespace zr::pix {

// Rows upside down / columns right to left.
void FlipVertical(const Plane& p);
void FlipHorizontal(const Plane& p);
// The top half reflected into the bottom half / the left half into the right half.
void MirrorDown(const Plane& p);
void MirrorRight(const Plane& p);
// Moves the picture down by n rows; the rows uncovered at the top repeat the first row.
void ShiftDown(const Plane& p, int n);
// Tiles of size x size elements filled with their mean (style 0) or their top-left element (style 1); the
// last `seam` rows and columns of each tile take the seam value (per byte channel, channel c: seam[c]).
void Mosaic(const Plane& p, int size, int seam, int style, const uint8_t seamValue[4]);
// Box blur of radius rx horizontally and ry vertically (0: no blur in that direction).
void BoxBlur(const Plane& p, int rx, int ry, std::vector<uint8_t>& scratch);
// Each element moves to a random neighbour within radius (percent % of the elements); the offsets depend
// on position and seed only, with `scale` (1 or 2) the subsampling of this plane, so chroma follows luma.
void Spray(const Plane& p, int radius, int percent, uint32_t seed, int scale, std::vector<uint8_t>& scratch);
// Displaces elements along a smooth random field: amplitude in elements, features `size` elements across.
void Marble(const Plane& p, double amplitude, double size, uint32_t seed, std::vector<uint8_t>& scratch);

// The frame versions (every plane, chroma scaled).
void FrameFlipVertical(Frame& f);
void FrameFlipHorizontal(Frame& f);
void FrameMirrorDown(Frame& f);
void FrameMirrorRight(Frame& f);
void FrameShiftDown(Frame& f, int n);
void FrameMosaic(Frame& f, int size, int seam, int style);
void FrameBoxBlur(Frame& f, int rx, int ry, std::vector<uint8_t>& scratch);
void FrameSpray(Frame& f, int radius, int percent, uint32_t seed, std::vector<uint8_t>& scratch);
void FrameMarble(Frame& f, double amplitude, double size, uint32_t seed, std::vector<uint8_t>& scratch);

}  // namespace zr::pix
