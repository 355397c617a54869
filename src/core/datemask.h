// Date and time text from a mask, as a text logo in date mode shows it. The mask follows the usual
// FormatDateTime conventions (letters in either case):
//   yyyy yy      year (4 digits / 2 digits)
//   m mm         month (1-2 digits / 2 digits); right after an hour they mean minutes
//   mmm mmmm     month name (short / full, English)
//   d dd         day; ddd dddd: weekday name (short / full, English)
//   h hh         hour (24-hour clock, or 12-hour when the mask holds am/pm or a/p)
//   n nn         minutes;  s ss: seconds;  z zzz: milliseconds
//   am/pm a/p    "am"/"pm" or "a"/"p" in the case written
//   '...' "..."  literal text; any other character stands for itself
// An empty mask gives "yyyy-mm-dd hh:nn:ss".
#pragma once
#include <string>
#include <string_view>

struct TDateTimeParts {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 6;  // 0 = Sunday
};

std::wstring FormatDateMask(std::wstring_view mask, const TDateTimeParts& t);
