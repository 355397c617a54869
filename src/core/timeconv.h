// Time conversions: graph units (100 ns) and milliseconds, rounding, DVD time codes.
#pragma once
#include <cstdint>

// Nearest integer, halves to the even neighbour. NaN gives 0; values beyond the
// 64-bit range saturate to its ends.
int64_t RoundHalfEven(double v);

// Graph units (100 ns) to milliseconds: units / 10000 rounded to nearest, halves to
// even, saturated to the 32-bit range.
int32_t UnitsToMs(int64_t units);

// Milliseconds to graph units (ms * 10000 in 64-bit arithmetic; never overflows).
int64_t MsToUnits(int32_t ms);

// A DVD time code: hours, minutes, seconds and frames, four bytes in that order.
struct DvdTimecode {
    uint8_t hours = 0;
    uint8_t minutes = 0;
    uint8_t seconds = 0;
    uint8_t frames = 0;
};

// hours * 3600 + minutes * 60 + seconds; the frames byte is ignored.
int32_t TimecodeToSeconds(DvdTimecode tc);

// Whole seconds to a time code with frames 0. Negative seconds give 0:00:00; more
// than the code can hold (255:59:59) gives 255:59:59.
DvdTimecode SecondsToTimecode(int32_t seconds);

// Milliseconds to a time code: seconds = RoundHalfEven(ms / 1000.0).
DvdTimecode MsToTimecode(int32_t ms);
