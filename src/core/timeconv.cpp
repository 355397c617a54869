#include "core/timeconv.h"

#include <cmath>
#include <limits>

int64_t RoundHalfEven(double v)
{
    if (std::isnan(v))
        return 0;
    // 2^63 is exactly representable; every double at or above it is out of range.
    constexpr double kTwo63 = 9223372036854775808.0;
    if (v >= kTwo63)
        return std::numeric_limits<int64_t>::max();
    if (v <= -kTwo63)
        return std::numeric_limits<int64_t>::min();
    const double fl = std::floor(v);
    const double frac = v - fl;  // 0 for every |v| >= 2^52, so r stays below 2^63
    double r = fl;
    if (frac > 0.5)
        r = fl + 1.0;
    else if (frac == 0.5)
        r = (std::fmod(fl, 2.0) == 0.0) ? fl : fl + 1.0;
    return static_cast<int64_t>(r);
}

int32_t UnitsToMs(int64_t units)
{
    // Exact integer form of round-half-even(units / 10000.0): floor quotient and
    // a remainder in [0, 10000).
    int64_t q = units / 10000;
    int64_t r = units % 10000;
    if (r < 0) {
        q -= 1;
        r += 10000;
    }
    if (r > 5000 || (r == 5000 && (q & 1) != 0))
        q += 1;
    if (q > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (q < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(q);
}

int64_t MsToUnits(int32_t ms)
{
    return static_cast<int64_t>(ms) * 10000;
}

int32_t TimecodeToSeconds(DvdTimecode tc)
{
    return int32_t{tc.hours} * 3600 + int32_t{tc.minutes} * 60 + int32_t{tc.seconds};
}

DvdTimecode SecondsToTimecode(int32_t seconds)
{
    constexpr int32_t kMax = 255 * 3600 + 59 * 60 + 59;
    if (seconds < 0)
        seconds = 0;
    if (seconds > kMax)
        seconds = kMax;
    DvdTimecode tc;
    const int32_t hours = seconds / 3600;
    const int32_t minutes = (seconds - hours * 3600) / 60;
    tc.hours = static_cast<uint8_t>(hours);
    tc.minutes = static_cast<uint8_t>(minutes);
    tc.seconds = static_cast<uint8_t>(seconds - hours * 3600 - minutes * 60);
    tc.frames = 0;
    return tc;
}

DvdTimecode MsToTimecode(int32_t ms)
{
    // |ms| / 1000 is far inside the 32-bit range, so the cast cannot truncate.
    return SecondsToTimecode(static_cast<int32_t>(RoundHalfEven(ms / 1000.0)));
}
