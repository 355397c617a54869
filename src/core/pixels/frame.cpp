#include "core/pixels/frame.h"

#include <cstring>

namespace zr::pix {

ptrdiff_t DefaultStride(PixFormat f, int width) {
    if (width <= 0) return 0;
    switch (f) {
    case PixFormat::RGB24: return ((static_cast<ptrdiff_t>(width) * 3 + 3) / 4) * 4;
    case PixFormat::RGB32: return static_cast<ptrdiff_t>(width) * 4;
    case PixFormat::I420:
    case PixFormat::YV12:
    case PixFormat::NV12: return width;
    default: return 0;
    }
}

size_t FrameBytes(PixFormat f, int width, int height, ptrdiff_t stride) {
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return 0;
    if (stride == 0) stride = DefaultStride(f, width);
    if (stride < DefaultStride(f, width) && f != PixFormat::RGB24) return 0;
    if (f == PixFormat::RGB24 && stride < static_cast<ptrdiff_t>(width) * 3) return 0;
    const size_t s = static_cast<size_t>(stride), h = static_cast<size_t>(height);
    const size_t ch = static_cast<size_t>((height + 1) / 2);
    switch (f) {
    case PixFormat::RGB24:
    case PixFormat::RGB32: return s * h;
    case PixFormat::I420:
    case PixFormat::YV12: return s * h + 2 * ((s + 1) / 2) * ch;
    case PixFormat::NV12: return s * h + ((s + 1) / 2) * 2 * ch;
    default: return 0;
    }
}

bool MakeFrame(PixFormat f, uint8_t* buf, size_t len, int width, int height, ptrdiff_t stride, bool bottomUp,
               Frame& out) {
    out = Frame();
    if (!buf) return false;
    if (stride == 0) stride = DefaultStride(f, width);
    const size_t need = FrameBytes(f, width, height, stride);
    if (need == 0 || len < need) return false;
    out.format = f;
    out.width = width;
    out.height = height;
    if (f == PixFormat::RGB24 || f == PixFormat::RGB32) {
        Plane& p = out.planes[0];
        p.bpp = f == PixFormat::RGB24 ? 3 : 4;
        p.width = width;
        p.height = height;
        p.stride = bottomUp ? -stride : stride;
        p.data = bottomUp ? buf + stride * (height - 1) : buf;
        out.planeCount = 1;
        return true;
    }
    const int cw = (width + 1) / 2, chh = (height + 1) / 2;
    const ptrdiff_t cs = (stride + 1) / 2;
    out.planes[0] = Plane{buf, stride, width, height, 1};
    uint8_t* c0 = buf + stride * height;
    out.cwidth = cw;
    out.cheight = chh;
    if (f == PixFormat::NV12) {
        out.planes[1] = Plane{c0, cs * 2, cw, chh, 2};
        out.planeCount = 2;
        out.u = c0;
        out.v = c0 + 1;
        out.cstride = cs * 2;
        out.cstep = 2;
        return true;
    }
    uint8_t* c1 = c0 + cs * chh;
    out.planeCount = 3;
    out.cstride = cs;
    out.cstep = 1;
    out.u = f == PixFormat::I420 ? c0 : c1;
    out.v = f == PixFormat::I420 ? c1 : c0;
    out.planes[1] = Plane{out.u, cs, cw, chh, 1};
    out.planes[2] = Plane{out.v, cs, cw, chh, 1};
    return true;
}

void CopyFrame(const Frame& src, Frame& dst) {
    if (src.format != dst.format || src.width != dst.width || src.height != dst.height) return;
    for (int i = 0; i < src.planeCount; ++i) {
        const Plane& s = src.planes[i];
        const Plane& d = dst.planes[i];
        const size_t row = static_cast<size_t>(s.width) * static_cast<size_t>(s.bpp);
        for (int y = 0; y < s.height; ++y) std::memcpy(d.Row(y), s.Row(y), row);
    }
}

}  // namespace zr::pix
