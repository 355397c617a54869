// Filling an effect record from Video_Effect_Ex's arguments: the amount and the nine keys of the
// additional parameter text ("MIN=10;MAX=90;SCALE=1.5"; see FillEffectEx).
#pragma once
#include <cstdint>
#include <string_view>

#include "core/pixels/effect_record.h"

namespace zr::pix {

// Nearest integer with ties to even (2.5 -> 2, 3.5 -> 4); NaN gives 0 and values beyond the 32-bit range
// the nearest end of it.
int32_t RoundHalfEven(double v);

// ID, Enabled (as LongBool), StartTime and StopTime (widened), _type, pAmountI (rounded), pAmountD and the
// keys: the text is upper-cased, ';' starts a new line, and for each of MIN, MAX, SCALE, TURBULENCE, SIZE,
// SEAM, FACTOR, INFERENCE, STYLE the first line whose part before its first '=' is exactly that key gives
// the text after the '=' (trimmed of blanks and control characters). An empty or missing value keeps the
// field; SCALE is a number with '.' as separator, the others signed decimal 32-bit integers; text that does
// not read as such sets the field to 0. Strings of the record are not touched.
void FillEffectEx(CZREffect& e, int32_t id, int32_t startTime, int32_t stopTime, bool enabled, int32_t type,
                  double amount, std::wstring_view params);

// Reads a whole signed decimal 32-bit integer; false for anything else.
bool ParseInt32(std::wstring_view s, int32_t& out);

}  // namespace zr::pix
