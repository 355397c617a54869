// Logos over the picture: a picture with an alpha channel (BGRA, straight alpha, top row first) prepared
// once for the frame format it goes onto, then blended onto every frame at a position.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/pixels/frame.h"

namespace zr::pix {

struct Overlay {
    int width = 0, height = 0;
    bool yuv = false;
    // RGB frames: premultiplied B, G, R and alpha per pixel.
    std::vector<uint8_t> bgra;
    // YUV frames: premultiplied studio-range luma and alpha per pixel; for each 2x2 block premultiplied U, V
    // and the block's mean alpha.
    std::vector<uint8_t> ya;
    std::vector<uint8_t> uva;
    int cwidth = 0, cheight = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};

// Pixels whose colour equals key (0x00BBGGRR) become fully transparent.
void ApplyColourKey(uint8_t* bgra, int width, int height, ptrdiff_t stride, uint32_t key);
// Prepares the picture (opacity scaled by globalAlpha 0..255) for RGB or YUV frames.
void PrepareOverlay(const uint8_t* bgra, int width, int height, ptrdiff_t stride, int globalAlpha, bool yuv,
                    Overlay& out);
// Blends the overlay with its top-left corner at (x, y) of the frame (top row 0); parts outside are cut off.
// YUV frames take odd positions rounded down to the chroma grid.
void BlendOverlay(Frame& f, const Overlay& o, int x, int y);

}  // namespace zr::pix
