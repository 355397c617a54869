// A video frame as the pixel kernels see it: one of the formats the effects filter carries, described by
// planes over the caller's buffer. No pixels are copied to describe a frame.
//
// RGB frames (RGB24: B, G, R bytes; RGB32: B, G, R, X) have one plane whose first row is the top row of the
// picture: a bottom-up buffer gets a pointer to its last row and a negative stride. Planar YUV 4:2:0 frames
// (I420: Y, U, V; YV12: Y, V, U; NV12: Y, then U and V interleaved) have a luma plane and chroma at half the
// size in both directions (rounded up). Planes tell their element size in bytes (bpp), so that kernels that
// treat every byte channel alike (geometry, blur, denoise, deinterlace) run on any plane unchanged.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zr::pix {

enum class PixFormat : uint8_t { None, RGB24, RGB32, I420, YV12, NV12 };

struct Plane {
    uint8_t* data = nullptr;  // top row
    ptrdiff_t stride = 0;     // bytes from one row to the next one down (negative for bottom-up buffers)
    int width = 0, height = 0;
    int bpp = 1;              // bytes per element
    uint8_t* Row(int y) const { return data + stride * y; }
};

struct Frame {
    PixFormat format = PixFormat::None;
    int width = 0, height = 0;
    int planeCount = 0;
    Plane planes[3];
    // Chroma of YUV frames: U and V samples with their own step between neighbours (1 planar, 2 for NV12).
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    ptrdiff_t cstride = 0;
    int cstep = 1;
    int cwidth = 0, cheight = 0;

    bool IsYuv() const { return format == PixFormat::I420 || format == PixFormat::YV12 || format == PixFormat::NV12; }
    bool IsRgb() const { return format == PixFormat::RGB24 || format == PixFormat::RGB32; }
    int Bpp() const { return format == PixFormat::RGB24 ? 3 : format == PixFormat::RGB32 ? 4 : 1; }
};

// Bytes a frame of that format and size needs with the given luma (or RGB) row stride in bytes (0: the
// platform's packing: RGB rows padded to 4 bytes, YUV luma rows of width bytes). 0 for an impossible size.
size_t FrameBytes(PixFormat f, int width, int height, ptrdiff_t stride = 0);
// The default row stride in bytes of the luma (or RGB) plane.
ptrdiff_t DefaultStride(PixFormat f, int width);

// Describes a frame held in buf (len bytes). bottomUp applies to RGB only. False when the format is None, a
// size is not positive, a stride is smaller than a row, or the buffer is too short.
bool MakeFrame(PixFormat f, uint8_t* buf, size_t len, int width, int height, ptrdiff_t stride, bool bottomUp,
               Frame& out);

// Copies the picture of src into dst (same format and size; strides and orientation may differ).
void CopyFrame(const Frame& src, Frame& dst);

}  // namespace zr::pix
