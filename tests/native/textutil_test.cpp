#include "core/textutil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <string>

namespace {

TEST(TextUtil, TrimRemovesBlanksAndControlCharacters)
{
    const struct { std::wstring in, out; } cases[] = {
        {L"", L""},
        {L"   ", L""},
        {L"abc", L"abc"},
        {L"  a b \t\r\n", L"a b"},
        {L"\x01\x1F" L"x\x1F", L"x"},
        {std::wstring(L"\0a\0", 3), L"a"},
        {L"\x7F" L"a\x7F", L"\x7F" L"a\x7F"},        // DEL is above U+0020
        {L"\u00A0a\u00A0", L"\u00A0a\u00A0"},        // so is a no-break space
        {L"\u3000a", L"\u3000a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Trim(c.in), c.out) << c.in.size();
}

TEST(TextUtil, SameTextCIAndCaseMapping)
{
    const struct { const wchar_t* a; const wchar_t* b; bool same; } cases[] = {
        {L"", L"", true},
        {L"Video Renderer", L"VIDEO renderer", true},
        {L"Z", L"z", true},
        {L"abc", L"abd", false},
        {L"abc", L"abcd", false},
        {L"abc", L"", false},
        {L"[", L"{", false},  // differ by 0x20 like letters, but are not letters
        {L"@", L"`", false},
        {L"1", L"\x11", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameTextCI(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(SameTextCI(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
    EXPECT_EQ(ToUpperW(L"aBc1-[z]"), L"ABC1-[Z]");
    EXPECT_EQ(ToLowerW(L"aBc1-[Z]"), L"abc1-[z]");
}

TEST(TextUtil, FormatDouble)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct { double v; int dec; const wchar_t* text; } cases[] = {
        {0.5, -1, L"0.5"},
        {1.0, -1, L"1"},
        {-2.25, -1, L"-2.25"},
        {0.1, -1, L"0.1"},
        {1e21, -1, L"1e+21"},
        {-0.0, -1, L"0"},
        {3.14159, 2, L"3.14"},
        {3.14159, 4, L"3.1416"},
        {2.5, 3, L"2.5"},
        {2.0, 3, L"2"},
        {100.0, 2, L"100"},
        {1234.5678, 0, L"1235"},
        {-0.001, 2, L"0"},
        {0.1, 60, L"0.1000000000000000055511151231257827021181583404541"},  // capped at 50 decimals
        {std::nan(""), -1, L"nan"},
        {inf, 2, L"inf"},
        {-inf, -1, L"-inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDouble(c.v, c.dec), c.text) << c.v << " dec " << c.dec;
    EXPECT_EQ(FormatDouble(-1.7976931348623157e308, 50).size(), 310u);  // widest fixed text fits
}

TEST(TextUtil, ParseDouble)
{
    const struct { const wchar_t* text; bool ok; double v; } cases[] = {
        {L"1.5", true, 1.5},
        {L"  2.5 \t", true, 2.5},
        {L"+3", true, 3.0},
        {L"-4.25e2", true, -425.0},
        {L"1E-3", true, 0.001},
        {L".5", true, 0.5},
        {L"0", true, 0.0},
        {L"1,5", false, 0},
        {L"1.5x", false, 0},
        {L"x1.5", false, 0},
        {L"", false, 0},
        {L"  ", false, 0},
        {L"+", false, 0},
        {L"+-1", false, 0},
        {L"--1", false, 0},
        {L"1 000", false, 0},
        {L"0x10", false, 0},
        {L"1e400", false, 0},
        {L"\u0661", false, 0},     // Arabic-Indic digit one
        {L"1\u00B7" L"5", false, 0},  // middle dot
    };
    for (const auto& c : cases) {
        double out = 42.0;
        EXPECT_EQ(ParseDouble(c.text, out), c.ok) << c.text;
        EXPECT_EQ(out, c.ok ? c.v : 42.0) << c.text;
    }
    double out = 0;
    EXPECT_TRUE(ParseDouble(L"inf", out));
    EXPECT_TRUE(std::isinf(out));
    EXPECT_TRUE(ParseDouble(L"nan", out));
    EXPECT_TRUE(std::isnan(out));
}

TEST(TextUtil, FormatParseRoundTripIsExact)
{
    const double values[] = {0.1, 1.0 / 3.0, -123456.789, 1e-300, 4.9406564584124654e-324,
                             1.7976931348623157e308, 44100.0, 0.000125, 2.0 / 3.0 * 1e17};
    for (double v : values) {
        double back = 0;
        ASSERT_TRUE(ParseDouble(FormatDouble(v), back)) << v;
        EXPECT_EQ(back, v);
    }
}

// Puts a decimal-comma locale in place for one test and restores "C" afterwards.
class CommaLocale {
public:
    ~CommaLocale()
    {
        std::locale::global(std::locale::classic());
        std::setlocale(LC_ALL, "C");
    }
};

struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};
struct CommaPunctW : std::numpunct<wchar_t> {
    wchar_t do_decimal_point() const override { return L','; }
};

void ExpectPointSeparator()
{
    EXPECT_EQ(FormatDouble(2.5), L"2.5");
    EXPECT_EQ(FormatDouble(1234.5678, 2), L"1234.57");
    double v = 0;
    EXPECT_TRUE(ParseDouble(L"2.5", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_FALSE(ParseDouble(L"2,5", v));
}

TEST(TextUtil, NumbersIgnoreCppGlobalLocale)
{
    CommaLocale restore;
    std::locale comma(std::locale(std::locale::classic(), new CommaPunct), new CommaPunctW);
    std::locale::global(comma);
    ExpectPointSeparator();
}

TEST(TextUtil, NumbersIgnoreCLocale)
{
    CommaLocale restore;
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                             "ru_RU.UTF-8", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
            found = name;
            break;
        }
    }
    if (found == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    ExpectPointSeparator();
}

TEST(TextUtil, FormatInt)
{
    EXPECT_EQ(FormatInt(0), L"0");
    EXPECT_EQ(FormatInt(-1), L"-1");
    EXPECT_EQ(FormatInt(44100), L"44100");
    EXPECT_EQ(FormatInt(std::numeric_limits<int64_t>::max()), L"9223372036854775807");
    EXPECT_EQ(FormatInt(std::numeric_limits<int64_t>::min()), L"-9223372036854775808");
}

// Wide literals are UTF-16 where wchar_t has 16 bits and UTF-32 where it has 32, so the
// same table checks surrogate handling on Windows and plain code points elsewhere.
TEST(TextUtil, Utf8RoundTrip)
{
    const struct { const char* utf8; const wchar_t* wide; } cases[] = {
        {"", L""},
        {"Abc", L"Abc"},
        {"\xC3\xA9", L"\u00E9"},
        {"\xDF\xBF", L"\u07FF"},
        {"\xE0\xA0\x80", L"\u0800"},
        {"\xE2\x82\xAC", L"\u20AC"},
        {"\xEF\xBF\xBF", L"\uFFFF"},
        {"\xF0\x90\x80\x80", L"\U00010000"},
        {"\xF0\x9F\x98\x80", L"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
        {"C:\\Filme\\\xC3\x9C" "ber \xF0\x9F\x8E\xAC.mkv", L"C:\\Filme\\\u00DCber \U0001F3AC.mkv"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(ToUtf8(c.wide), c.utf8) << c.utf8;
    }
}

TEST(TextUtil, MalformedTextBecomesReplacementCharacter)
{
    const struct { const char* utf8; const wchar_t* wide; } bad8[] = {
        {"\x80", L"\uFFFD"},
        {"a\xFF" "b", L"a\uFFFD" L"b"},
        {"\xC0\xAF", L"\uFFFD\uFFFD"},               // overlong '/'
        {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},     // overlong, three bytes
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},     // encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xE2\x82", L"\uFFFD"},                     // truncated at the end
        {"\xE2\x82" "A", L"\uFFFD" L"A"},            // truncated before an ASCII byte
        {"\xF0\x9F\x98", L"\uFFFD"},
    };
    for (const auto& c : bad8)
        EXPECT_EQ(FromUtf8(c.utf8), c.wide) << c.utf8;

    const std::string repl = "\xEF\xBF\xBD";
    const wchar_t hi = static_cast<wchar_t>(0xD83D);
    const wchar_t lo = static_cast<wchar_t>(0xDE00);
    EXPECT_EQ(ToUtf8(std::wstring{hi, L'A'}), repl + "A");
    EXPECT_EQ(ToUtf8(std::wstring{L'A', lo}), "A" + repl);
    EXPECT_EQ(ToUtf8(std::wstring{hi}), repl);
    EXPECT_EQ(ToUtf8(std::wstring{lo, hi}), repl + repl);
    if constexpr (sizeof(wchar_t) == 2)
        EXPECT_EQ(ToUtf8(std::wstring{hi, lo}), "\xF0\x9F\x98\x80");
    else
        EXPECT_EQ(ToUtf8(std::wstring{static_cast<wchar_t>(0x110000)}), repl);
}

}  // namespace
