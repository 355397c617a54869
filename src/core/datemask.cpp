#include "core/datemask.h"

#include <cwctype>

namespace {

const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                  L"July",    L"August",   L"September", L"October", L"November", L"December"};
const wchar_t* const kDays[] = {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"};

std::wstring Num(int v, int digits) {
    if (v < 0) v = 0;
    std::wstring s = std::to_wstring(v);
    while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), L'0');
    return s;
}

wchar_t Lower(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }

bool StartsCI(std::wstring_view s, size_t i, std::wstring_view what) {
    if (s.size() - i < what.size()) return false;
    for (size_t k = 0; k < what.size(); ++k)
        if (Lower(s[i + k]) != what[k]) return false;
    return true;
}

}  // namespace

std::wstring FormatDateMask(std::wstring_view mask, const TDateTimeParts& t) {
    if (mask.empty()) mask = L"yyyy-mm-dd hh:nn:ss";
    bool twelve = false;
    for (size_t k = 0; k < mask.size(); ++k)
        if (StartsCI(mask, k, L"am/pm") || StartsCI(mask, k, L"a/p")) twelve = true;
    const int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
    const int dow = t.dayOfWeek >= 0 && t.dayOfWeek <= 6 ? t.dayOfWeek : 0;
    std::wstring out;
    bool afterHour = false;
    size_t i = 0;
    while (i < mask.size()) {
        const wchar_t c = mask[i];
        const wchar_t lc = Lower(c);
        if (c == L'\'' || c == L'"') {
            const size_t end = mask.find(c, i + 1);
            const size_t stop = end == std::wstring_view::npos ? mask.size() : end;
            out.append(mask.substr(i + 1, stop - i - 1));
            i = stop == mask.size() ? stop : stop + 1;
            continue;
        }
        if (StartsCI(mask, i, L"am/pm")) {
            const bool upper = c == L'A';
            out += t.hour < 12 ? (upper ? L"AM" : L"am") : (upper ? L"PM" : L"pm");
            i += 5;
            continue;
        }
        if (StartsCI(mask, i, L"a/p")) {
            const bool upper = c == L'A';
            out += t.hour < 12 ? (upper ? L'A' : L'a') : (upper ? L'P' : L'p');
            i += 3;
            continue;
        }
        size_t run = 1;
        while (i + run < mask.size() && Lower(mask[i + run]) == lc) ++run;
        switch (lc) {
        case L'y':
            out += run >= 3 ? Num(t.year, 4) : Num(t.year % 100, 2);
            afterHour = false;
            break;
        case L'm':
            if (afterHour && run <= 2) {
                out += Num(t.minute, run == 2 ? 2 : 1);
            } else if (run >= 4) {
                out += kMonths[month - 1];
            } else if (run == 3) {
                out += std::wstring(kMonths[month - 1]).substr(0, 3);
            } else {
                out += Num(month, run == 2 ? 2 : 1);
            }
            afterHour = false;
            break;
        case L'd':
            if (run >= 4) out += kDays[dow];
            else if (run == 3) out += std::wstring(kDays[dow]).substr(0, 3);
            else out += Num(t.day, run == 2 ? 2 : 1);
            afterHour = false;
            break;
        case L'h': {
            int h = t.hour;
            if (twelve) {
                h %= 12;
                if (h == 0) h = 12;
            }
            out += Num(h, run >= 2 ? 2 : 1);
            afterHour = true;
            break;
        }
        case L'n':
            out += Num(t.minute, run >= 2 ? 2 : 1);
            afterHour = false;
            break;
        case L's':
            out += Num(t.second, run >= 2 ? 2 : 1);
            afterHour = false;
            break;
        case L'z':
            out += Num(t.millisecond, run >= 3 ? 3 : 1);
            afterHour = false;
            break;
        default:
            out.append(mask.substr(i, run));
            // Separators keep the hour context (hh:mm), letters end it.
            if (std::iswalpha(static_cast<wint_t>(c))) afterHour = false;
            break;
        }
        i += run;
    }
    return out;
}
