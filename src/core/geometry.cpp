#include "core/geometry.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/textutil.h"

namespace {

constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();

bool Fits32(int64_t v) { return v >= kMin32 && v <= kMax32; }

// Truncation toward zero into 32 bits; false for NaN, infinities and values out of range.
bool Trunc32(double v, int64_t& out)
{
    if (!std::isfinite(v))
        return false;
    const double t = std::trunc(v);
    if (t < static_cast<double>(kMin32) || t > static_cast<double>(kMax32))
        return false;
    out = static_cast<int64_t>(t);
    return true;
}

// Nearest integer, halves to the even neighbour, into 32 bits; false when not representable.
bool Nearest32(double v, int64_t& out)
{
    if (!std::isfinite(v))
        return false;
    const double fl = std::floor(v);
    const double frac = v - fl;
    double r = fl;
    if (frac > 0.5)
        r = fl + 1.0;
    else if (frac == 0.5)
        r = (std::fmod(fl, 2.0) == 0.0) ? fl : fl + 1.0;
    if (r < static_cast<double>(kMin32) || r > static_cast<double>(kMax32))
        return false;
    out = static_cast<int64_t>(r);
    return true;
}

bool MakeRect(int64_t l, int64_t t, int64_t r, int64_t b, ZRect& out)
{
    if (!Fits32(l) || !Fits32(t) || !Fits32(r) || !Fits32(b))
        return false;
    out = ZRect{static_cast<int32_t>(l), static_cast<int32_t>(t), static_cast<int32_t>(r),
                static_cast<int32_t>(b)};
    return true;
}

}  // namespace

ZRect CalcZoomRect(int32_t w, int32_t h, int32_t shiftX, int32_t shiftY, int32_t zoom)
{
    const ZRect whole{0, 0, w, h};
    if (w == 0)
        return whole;
    const int64_t cut = static_cast<int64_t>(w) * zoom;
    if (!Fits32(cut))
        return whole;
    const double ratio = static_cast<double>(h) / w;
    const double sw = w - static_cast<double>(cut) / 100.0;
    const double sh = sw * ratio;
    const double mx = (w - sw) / 2.0;
    const double my = (h - sh) / 2.0;
    int64_t tmx, tmy, tsw, tsh;
    if (!Trunc32(mx, tmx) || !Trunc32(my, tmy) || !Trunc32(sw, tsw) || !Trunc32(sh, tsh))
        return whole;
    ZRect r;
    if (!MakeRect(shiftX + tmx, shiftY + tmy, shiftX + tsw + tmx, shiftY + tsh + tmy, r))
        return whole;
    return r;
}

ZRect CalcAspectRect(int32_t w, int32_t h, int32_t x, int32_t y)
{
    const ZRect whole{0, 0, w, h};
    if (x == 0 || y == 0 || (x < 0) != (y < 0))
        return whole;
    const double shape = static_cast<double>(x) / y;
    int64_t rw = 0, rh = 0;
    if (w > 0 && h > 0) {
        if (static_cast<double>(w) / h >= shape) {
            if (!Nearest32(shape * h, rw))
                return whole;
            rh = h;
        } else {
            rw = w;
            if (!Nearest32(static_cast<double>(y) / x * w, rh))
                return whole;
        }
    }
    int64_t left, top;
    if (!Nearest32(w / 2.0 - rw / 2.0, left) || !Nearest32(h / 2.0 - rh / 2.0, top))
        return whole;
    ZRect r;
    if (!MakeRect(left, top, left + rw, top + rh, r))
        return whole;
    return r;
}

std::wstring DeinterlaceTechnologyName(uint32_t technology)
{
    struct Bit {
        uint32_t weight;
        const wchar_t* text;
    };
    static constexpr Bit kBits[] = {
        {128, L"Motion Vector Steered, "}, {64, L"Pixel Adaptive, "},      {32, L"Field Adaptive, "},
        {16, L"Edge Filtering, "},         {4, L"Median Filtering, "},     {2, L"BOB Vertical Stretch, "},
        {1, L"BOB Line Replicate, "},
    };
    std::wstring s;
    if (technology == 0)
        s = L"Unknown/Proprietary";
    uint32_t t = technology;
    // A bit counts only while nothing above it is left over: t / weight must be exactly 1.
    for (const Bit& b : kBits) {
        if (t / b.weight == 1) {
            s += b.text;
            t -= b.weight;
        }
    }
    s = Trim(s);
    if (!s.empty() && s.back() == L',')
        s.back() = L' ';
    return Trim(s);
}
