#include "core/timeconv.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int32_t kI32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t kI32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kI64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kI64Min = std::numeric_limits<int64_t>::min();

TEST(TimeConv, UnitsToMsRoundsHalfToEvenAndSaturates)
{
    const struct { int64_t units; int32_t ms; } cases[] = {
        {0, 0},
        {12'345'678, 1235},
        {12'345'000, 1234},  // 1234.5 -> even
        {12'355'000, 1236},  // 1235.5 -> even
        {4'999, 0},
        {5'000, 0},
        {5'001, 1},
        {15'000, 2},
        {-5'000, 0},
        {-15'000, -2},
        {-12'345'000, -1234},
        {-12'345'678, -1235},
        {-12'344'999, -1234},
        {21'474'836'465'000, 2'147'483'646},  // .5 just inside the range
        {21'474'836'470'000, kI32Max},
        {21'474'836'475'000, kI32Max},  // rounds up past the top: saturates
        {-21'474'836'480'000, kI32Min},
        {-21'474'836'485'000, kI32Min},
        {kI64Max, kI32Max},
        {kI64Min, kI32Min},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnitsToMs(c.units), c.ms) << c.units;
}

TEST(TimeConv, UnitsToMsAgreesWithFloatingPointDivision)
{
    // The reference: units / 10000.0, rounded by the FPU in round-to-nearest-even mode.
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    for (int64_t base : {int64_t{0}, int64_t{-7'000'000}, int64_t{123'456'789'012}, int64_t{-21'474'836'000'000}}) {
        for (int64_t u = base - 30'000; u <= base + 30'000; u += 7) {
            const double ref = std::nearbyint(static_cast<double>(u) / 10000.0);
            ASSERT_EQ(UnitsToMs(u), static_cast<int32_t>(ref)) << u;
        }
    }
}

TEST(TimeConv, MsToUnitsUses64BitProduct)
{
    EXPECT_EQ(MsToUnits(0), 0);
    EXPECT_EQ(MsToUnits(1), 10'000);
    EXPECT_EQ(MsToUnits(-3), -30'000);
    EXPECT_EQ(MsToUnits(kI32Max), 21'474'836'470'000);
    EXPECT_EQ(MsToUnits(kI32Min), -21'474'836'480'000);
    for (int32_t ms : {0, 1, -1, 999, 90'500, kI32Max, kI32Min})
        EXPECT_EQ(UnitsToMs(MsToUnits(ms)), ms);
}

TEST(TimeConv, RoundHalfEven)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct { double v; int64_t r; } cases[] = {
        {0.0, 0},
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4999999, 2},
        {2.5000001, 3},
        {-2.5000001, -3},
        {0.49999999999999994, 0},   // largest double below 0.5
        {-0.49999999999999994, 0},
        {-1.4999999999999998, -1},
        {4503599627370497.0, 4503599627370497},  // 2^52 + 1: already whole
        {-9223372036854775808.0, kI64Min},
        {9223372036854774784.0, 9223372036854774784},  // largest double below 2^63
        {9223372036854775808.0, kI64Max},
        {1e300, kI64Max},
        {-1e300, kI64Min},
        {inf, kI64Max},
        {-inf, kI64Min},
        {nan, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfEven(c.v), c.r) << c.v;
}

bool Same(DvdTimecode a, DvdTimecode b)
{
    return a.hours == b.hours && a.minutes == b.minutes && a.seconds == b.seconds && a.frames == b.frames;
}

std::string Show(DvdTimecode t)
{
    return std::to_string(t.hours) + ":" + std::to_string(t.minutes) + ":" + std::to_string(t.seconds) + "." +
           std::to_string(t.frames);
}

TEST(TimeConv, TimecodeToSecondsIgnoresFrames)
{
    EXPECT_EQ(TimecodeToSeconds({0, 0, 0, 0}), 0);
    EXPECT_EQ(TimecodeToSeconds({1, 2, 3, 0}), 3723);
    EXPECT_EQ(TimecodeToSeconds({1, 2, 3, 29}), 3723);
    // Out-of-range bytes still add up without overflow.
    EXPECT_EQ(TimecodeToSeconds({255, 255, 255, 255}), 255 * 3600 + 255 * 60 + 255);
}

TEST(TimeConv, SecondsAndMsToTimecode)
{
    constexpr int32_t kMax = 255 * 3600 + 59 * 60 + 59;
    const struct { int32_t s; DvdTimecode tc; } seconds[] = {
        {0, {0, 0, 0, 0}},
        {59, {0, 0, 59, 0}},
        {3599, {0, 59, 59, 0}},
        {3723, {1, 2, 3, 0}},
        {kMax, {255, 59, 59, 0}},
        {kMax + 1, {255, 59, 59, 0}},  // saturates
        {kI32Max, {255, 59, 59, 0}},
        {-1, {0, 0, 0, 0}},  // negative clamps to zero
        {kI32Min, {0, 0, 0, 0}},
    };
    for (const auto& c : seconds)
        EXPECT_TRUE(Same(SecondsToTimecode(c.s), c.tc)) << c.s << " -> " << Show(SecondsToTimecode(c.s));

    const struct { int32_t ms; DvdTimecode tc; } ms[] = {
        {90'500, {0, 1, 30, 0}},  // 90.5 -> 90
        {91'500, {0, 1, 32, 0}},  // 91.5 -> 92
        {90'499, {0, 1, 30, 0}},
        {90'501, {0, 1, 31, 0}},
        {499, {0, 0, 0, 0}},
        {-400, {0, 0, 0, 0}},
        {-90'500, {0, 0, 0, 0}},
        {kI32Max, {255, 59, 59, 0}},
    };
    for (const auto& c : ms)
        EXPECT_TRUE(Same(MsToTimecode(c.ms), c.tc)) << c.ms << " -> " << Show(MsToTimecode(c.ms));

    for (int32_t s = 0; s <= kMax; s += 977)
        ASSERT_EQ(TimecodeToSeconds(SecondsToTimecode(s)), s);
}

}  // namespace
