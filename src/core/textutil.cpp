#include "core/textutil.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cwctype>
#include <system_error>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsBlank(wchar_t c)
{
    // wchar_t may be signed: compare the code unit as an unsigned value.
    return static_cast<uint32_t>(c) <= 0x20;
}

wchar_t FoldLower(wchar_t c)
{
    return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}

wchar_t FoldUpper(wchar_t c)
{
    return static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
}

std::wstring Widen(std::string_view ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t cp)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

}  // namespace

std::wstring Trim(std::wstring_view s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::wstring(s.substr(b, e - b));
}

bool SameTextCI(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldLower(a[i]) != FoldLower(b[i]))
            return false;
    }
    return true;
}

std::wstring ToUpperW(std::wstring_view s)
{
    std::wstring r(s);
    for (wchar_t& c : r)
        c = FoldUpper(c);
    return r;
}

std::wstring ToLowerW(std::wstring_view s)
{
    std::wstring r(s);
    for (wchar_t& c : r)
        c = FoldLower(c);
    return r;
}

std::wstring FormatDouble(double v, int maxDecimals)
{
    if (std::isnan(v))
        return L"nan";
    if (v == 0.0)
        v = 0.0;  // drop the sign of negative zero
    // Fixed notation of the largest double takes 309 digits, plus sign, point, decimals.
    constexpr int kMaxDecimals = 50;
    std::array<char, 400> buf;
    std::to_chars_result res;
    if (maxDecimals < 0) {
        res = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    } else {
        if (maxDecimals > kMaxDecimals)
            maxDecimals = kMaxDecimals;
        res = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, maxDecimals);
    }
    if (res.ec != std::errc())
        return std::wstring();
    std::string_view text(buf.data(), static_cast<size_t>(res.ptr - buf.data()));
    if (maxDecimals > 0 && std::isfinite(v) && text.find('.') != std::string_view::npos) {
        while (text.back() == '0')
            text.remove_suffix(1);
        if (text.back() == '.')
            text.remove_suffix(1);
    }
    if (text == "-0")  // a small negative value rounded away
        text = "0";
    return Widen(text);
}

bool ParseDouble(std::wstring_view s, double& out)
{
    const std::wstring t = Trim(s);
    std::string narrow;
    narrow.reserve(t.size());
    for (wchar_t c : t) {
        if (static_cast<uint32_t>(c) > 0x7F)
            return false;
        narrow += static_cast<char>(c);
    }
    std::string_view text(narrow);
    // from_chars takes a '-' but no '+'.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            return false;
    }
    if (text.empty())
        return false;
    double v = 0.0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size())
        return false;
    out = v;
    return true;
}

std::wstring FormatInt(int64_t v)
{
    std::array<char, 24> buf;
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    return Widen(std::string_view(buf.data(), static_cast<size_t>(res.ptr - buf.data())));
}

std::string ToUtf8(std::wstring_view s)
{
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = static_cast<char32_t>(static_cast<uint32_t>(s[i]));
        if constexpr (sizeof(wchar_t) == 2) {
            cp &= 0xFFFF;
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size()) {
                const char32_t lo = static_cast<char32_t>(s[i + 1]) & 0xFFFF;
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    ++i;
                }
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            cp = kReplacement;
        AppendUtf8(out, cp);
    }
    return out;
}

std::wstring FromUtf8(std::string_view s)
{
    std::wstring out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b0 = static_cast<unsigned char>(s[i]);
        if (b0 < 0x80) {
            out += static_cast<wchar_t>(b0);
            ++i;
            continue;
        }
        // Well-formed sequences: lead byte, count of continuation bytes, and the allowed
        // range of the first continuation byte (excludes overlongs, surrogates, > U+10FFFF).
        size_t need = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        char32_t cp = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            need = 1; cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            need = 2; cp = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;
            if (b0 == 0xED) hi = 0x9F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            need = 3; cp = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;
            if (b0 == 0xF4) hi = 0x8F;
        } else {
            out += static_cast<wchar_t>(kReplacement);
            ++i;
            continue;
        }
        ++i;
        bool ok = true;
        for (size_t k = 0; k < need; ++k) {
            if (i >= s.size()) {
                ok = false;
                break;
            }
            const unsigned char b = static_cast<unsigned char>(s[i]);
            const unsigned char min = (k == 0) ? lo : 0x80;
            const unsigned char max = (k == 0) ? hi : 0xBF;
            if (b < min || b > max) {
                ok = false;  // the offending byte starts the next sequence
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
            ++i;
        }
        AppendWide(out, ok ? cp : kReplacement);
    }
    return out;
}
