// Text helpers on std::wstring: trimming, case, numbers with a fixed '.' separator, UTF-8.
// wchar_t is 16 bits (UTF-16) on Windows and 32 bits (UTF-32) elsewhere; both work.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Removes every leading and trailing character <= U+0020 (blanks and control characters).
std::wstring Trim(std::wstring_view s);

// Case-insensitive equality. Folds one wchar_t at a time with towlower of the current
// C locale (so under the "C" locale only A-Z fold); lengths must match.
bool SameTextCI(std::wstring_view a, std::wstring_view b);

// Per-character towupper / towlower (current C locale).
std::wstring ToUpperW(std::wstring_view s);
std::wstring ToLowerW(std::wstring_view s);

// Number text that always uses '.' as decimal separator, whatever the process locale.
// maxDecimals < 0: shortest text that reads back to the same double (may use an
// exponent, "1e+21"). maxDecimals >= 0 (at most 50): fixed notation rounded to that
// many decimals, trailing zeros and a bare '.' dropped ("2.5", "3"). Negative zero is
// written "0"; NaN and infinities as "nan", "inf", "-inf".
std::wstring FormatDouble(double v, int maxDecimals = -1);

// Reads a whole decimal number with '.' as separator (an exponent, a leading '+' or '-',
// "inf" and "nan" are accepted; surrounding characters <= U+0020 are ignored). Returns
// false and leaves out untouched for anything else, including ',' separators and
// values beyond the double range.
bool ParseDouble(std::wstring_view s, double& out);

std::wstring FormatInt(int64_t v);

// UTF-8 <-> wide. Malformed input (lone surrogates, invalid or truncated UTF-8
// sequences) becomes U+FFFD instead of failing.
std::string ToUtf8(std::wstring_view s);
std::wstring FromUtf8(std::string_view s);
