#include <gtest/gtest.h>

#include "core/datemask.h"

TEST(DateMask, Tokens) {
    TDateTimeParts t;
    t.year = 2026;
    t.month = 3;
    t.day = 7;
    t.hour = 14;
    t.minute = 5;
    t.second = 9;
    t.millisecond = 42;
    t.dayOfWeek = 6;
    struct Case {
        const wchar_t* mask;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"", L"2026-03-07 14:05:09"},
        {L"dd.mm.yyyy hh:nn:ss.zzz", L"07.03.2026 14:05:09.042"},
        {L"d/m/yy h:m", L"7/3/26 14:5"},
        {L"hh:mm", L"14:05"},
        {L"dddd, mmmm d", L"Saturday, March 7"},
        {L"ddd mmm", L"Sat Mar"},
        {L"h:nn am/pm", L"2:05 pm"},
        {L"H:NN A/P", L"2:05 P"},
        {L"'Time:' hh\"h\"", L"Time: 14h"},
        {L"'unclosed", L"unclosed"},
        {L"[yyyy]", L"[2026]"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDateMask(c.mask, t), c.text) << std::wstring(c.mask);
    t.hour = 0;
    EXPECT_EQ(FormatDateMask(L"h am/pm", t), L"12 am");
}
