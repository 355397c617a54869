// Rectangle arithmetic of the video renderers: zoomed source rectangles, centred rectangles of a
// given shape, and the names of the VMR-9 deinterlace technologies.
#pragma once
#include <cstdint>
#include <string>

// An integer rectangle in pixels: left and top inclusive, right and bottom exclusive.
struct ZRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const ZRect&) const = default;
};

// Source rectangle for a zoom of `zoom` percent on a w x h frame, moved by (shiftX, shiftY).
// The cut is zoom percent of the width (w * zoom taken as a 32-bit product, divided by 100.0); the
// height follows with the frame's shape; the rectangle is centred, each edge truncated toward
// zero on its own, then shifted (the shift is not clamped to the frame).
// 640x480, zoom 25 -> (80, 60, 560, 420). When the arithmetic fails (w == 0, a 32-bit overflow,
// a result outside the 32-bit range) the result is the whole frame (0, 0, w, h).
ZRect CalcZoomRect(int32_t w, int32_t h, int32_t shiftX, int32_t shiftY, int32_t zoom);

// The largest rectangle of shape x:y centred in a w x h target, edges rounded to the nearest
// integer (halves to even). 800x600 at 16:9 -> (0, 75, 800, 525). A target that is not positive in
// both dimensions gives an empty rectangle at its centre. A ratio with a zero component, or one
// whose components have opposite signs, gives the whole target (0, 0, w, h).
ZRect CalcAspectRect(int32_t w, int32_t h, int32_t x, int32_t y);

// Name of a VMR-9 deinterlace technology bit set (DeinterlaceTech9_*): "Unknown/Proprietary" for 0,
// otherwise the names of the known bits from the highest down, joined by ", ".
std::wstring DeinterlaceTechnologyName(uint32_t technology);
