// Chroma key, motion detection and the 24-bit RGB copy of a frame handed to the host.
//
// Chroma key. A pixel's dominance is the value of the keyed channel (red, green or blue) minus the larger of
// the other two, from -255 to 255. With lo and hi the smaller and the larger of the two contrast bounds (the
// order in which they are given does not matter; the defaults are 110 and 70): a pixel whose dominance is at
// or above hi shows the background entirely, one at or below lo stays as it is, and between the two the
// background is mixed in linearly (a soft edge). When the bounds are equal the step is hard at that value.
// The background is a picture of the frame's own format and size; without one (no image file, or a file that
// cannot be read) keyed pixels become black. YUV frames are keyed per pixel on their RGB values (BT.601
// studio range); chroma takes the mean weight of its 2x2 block.
//
// Motion detection. The picture is divided into a grid of `cols` columns and `rows` rows of cells (the cell
// edges at x = c * width / cols and y = r * height / rows). A pixel has moved when one of the compared
// channels (red, green, blue, greyscale: full-range BT.601 luma; greyscale alone when none is chosen) differs
// by more than kMotionPixelThreshold from the same pixel of the previously measured frame.
//   - Each matrix byte is the share of its cell's pixels that moved, in percent (0 to 100; 0 for a cell
//     without pixels when the grid is finer than the picture).
//   - The matrix lists the cells column by column: byte k is the cell of column k / rows (from the left) and
//     row k % rows (from the top). Printed as `cols` lines of `rows` numbers, each line is one column of the
//     picture read from top to bottom.
//   - The level is the share of all pixels of the picture that moved, in percent (0 to 100).
// The first frame measured after a reset, or after the size, format or compared channels change, has no
// predecessor: it is stored as the reference and gives no measurement.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/pixels/frame.h"

namespace zr::pix {

// A frame-sized picture in the same format as the frames it is used with, over its own buffer.
struct OwnedFrame {
    std::vector<uint8_t> buf;
    Frame frame;
    bool Empty() const { return frame.format == PixFormat::None; }
};
// Converts a BGRA picture (top row first) of the given size into `format` (alpha ignored). False when the
// format or size is impossible.
bool MakeOwnedFrame(PixFormat format, const uint8_t* bgra, int width, int height, ptrdiff_t stride, OwnedFrame& out);

enum ChromaChannel : int32_t { kChromaRed = 0, kChromaGreen = 1, kChromaBlue = 2 };

struct ChromaKeyParams {
    int32_t channel = kChromaGreen;  // another value keys nothing
    int32_t low = 110, high = 70;
};

// Weight (0 transparent foreground ... 255 background) of an RGB pixel under the key.
int ChromaWeight(int r, int g, int b, const ChromaKeyParams& p);
// Keys the frame against the background (same format and size; nullptr or another size: black).
void ChromaKey(Frame& f, const ChromaKeyParams& p, const Frame* background);

constexpr int kMotionPixelThreshold = 24;
constexpr int kMaxMotionCells = 256;  // per direction

struct MotionParams {
    bool red = false, green = false, blue = false, grey = true;
    int cols = 8, rows = 8;  // clamped to 1 ... kMaxMotionCells
};

class MotionDetector {
public:
    // Compares the frame with the reference and makes it the new reference. False (matrix and level
    // untouched) when there was no reference to compare with. The matrix gets cols * rows bytes.
    bool Measure(const Frame& f, const MotionParams& p, std::vector<uint8_t>& matrix, int& level);
    void Reset();

private:
    std::vector<uint8_t> ref_;  // compared values per pixel, channel after channel
    PixFormat format_ = PixFormat::None;
    int width_ = 0, height_ = 0;
    unsigned channels_ = 0;
    std::vector<uint32_t> moved_, total_;
};

// Clamped grid size as the detector uses it.
int MotionCells(int n);

// Tints every cell whose value is above threshold half-way towards colour (0x00BBGGRR); the matrix is laid
// out as the detector's (cols * rows bytes, column by column).
void HighlightCells(Frame& f, const uint8_t* matrix, int cols, int rows, int threshold, uint32_t colour);

// The picture as a bottom-up 24-bit DIB: B, G, R bytes, rows padded to 4 bytes, the bottom row first.
// dst holds FrameBytes(PixFormat::RGB24, width, height) bytes. YUV is taken as BT.601 studio range.
void ToBgr24BottomUp(const Frame& f, uint8_t* dst);

}  // namespace zr::pix
