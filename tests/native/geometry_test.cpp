#include "core/geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

static std::ostream& operator<<(std::ostream& os, const ZRect& r)
{
    return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

constexpr int32_t kI32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kI32Min = std::numeric_limits<int32_t>::min();

TEST(Geometry, CalcZoomRect)
{
    const struct {
        int32_t w, h, sx, sy, z;
        ZRect want;
    } cases[] = {
        {640, 480, 0, 0, 25, {80, 60, 560, 420}},
        {640, 480, 10, -20, 25, {90, 40, 570, 400}},
        {640, 480, 0, 0, 0, {0, 0, 640, 480}},
        {640, 480, 0, 0, 100, {320, 240, 320, 240}},
        // 111 x 111 at 10 %: width 99.9 and margin 5.55 are truncated each on its own (99 + 5),
        // not as their sum 105.45.
        {111, 111, 0, 0, 10, {5, 5, 104, 104}},
        // Negative zoom grows the rectangle; truncation goes toward zero (-0.75 -> 0, not -1).
        {150, 100, 0, 0, -1, {0, 0, 151, 101}},
        {640, 480, 0, 0, -25, {-80, -60, 720, 540}},
        // The shift is not clamped to the frame.
        {320, 240, 1000, -1000, 50, {1080, -940, 1240, -820}},
        // Arithmetic failures give the whole frame.
        {0, 480, 5, 5, 25, {0, 0, 0, 480}},
        {100000, 50000, 0, 0, 30000, {0, 0, 100000, 50000}},  // w * zoom beyond 32 bits
        {640, 480, kI32Max, 0, 25, {0, 0, 640, 480}},          // left beyond 32 bits
        {640, 480, 0, kI32Min, -25, {0, 0, 640, 480}},  // top below 32 bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CalcZoomRect(c.w, c.h, c.sx, c.sy, c.z), c.want)
            << c.w << "x" << c.h << " shift " << c.sx << "," << c.sy << " zoom " << c.z;
    }
}

TEST(Geometry, CalcAspectRect)
{
    const struct {
        int32_t w, h, x, y;
        ZRect want;
    } table[] = {
        {800, 600, 16, 9, {0, 75, 800, 525}},
        {800, 600, 4, 3, {0, 0, 800, 600}},
        {800, 600, -16, -9, {0, 75, 800, 525}},
        // Pillarbox: 666.67 rounds to 667 and the left edge 166.5 goes to the even 166.
        {1000, 500, 4, 3, {166, 0, 833, 500}},
        // Letterbox: height 0.5625 * 100 = 56.25 -> 56, top 22 exactly.
        {100, 100, 16, 9, {0, 22, 100, 78}},
        // Height 3 / 4 * 10 = 7.5 -> 8 (even), top 5 - 4 = 1.
        {10, 10, 4, 3, {0, 1, 10, 9}},
        // A target that is not positive gives an empty rectangle at its centre (2.5 -> 2).
        {0, 0, 16, 9, {0, 0, 0, 0}},
        {-10, 5, 16, 9, {-5, 2, -5, 2}},
        // A zero component or a negative shape gives the whole target.
        {800, 600, 0, 9, {0, 0, 800, 600}},
        {800, 600, 16, 0, {0, 0, 800, 600}},
        {800, 600, -16, 9, {0, 0, 800, 600}},
        // Extreme shapes stay inside the target.
        {800, 600, kI32Max, 1, {0, 300, 800, 300}},
        {800, 600, 1, kI32Max, {400, 0, 400, 600}},
    };
    for (const auto& c : table) {
        EXPECT_EQ(CalcAspectRect(c.w, c.h, c.x, c.y), c.want) << c.w << "x" << c.h << " at " << c.x << ":" << c.y;
    }
}

TEST(Geometry, DeinterlaceTechnologyName)
{
    const struct {
        uint32_t t;
        const wchar_t* want;
    } cases[] = {
        {0, L"Unknown/Proprietary"},
        {0x80, L"Motion Vector Steered"},
        {0x61, L"Pixel Adaptive, Field Adaptive, BOB Line Replicate"},
        {0x12, L"Edge Filtering, BOB Vertical Stretch"},
        {0x01, L"BOB Line Replicate"},
        {0x07, L"Median Filtering, BOB Vertical Stretch, BOB Line Replicate"},
        // A bit is named only while what is left divided by its weight is exactly 1: the unnamed
        // bit 8 (and anything above 0xFF) stops the lower bits from being named.
        {0xFF, L"Motion Vector Steered, Pixel Adaptive, Field Adaptive, Edge Filtering"},
        {0x1C, L"Edge Filtering"},
        {0x08, L""},
        {0x100, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeinterlaceTechnologyName(c.t), c.want) << "0x" << std::hex << c.t;
    }
}

}  // namespace
