#include "core/mediafmt.h"

#include "core/textutil.h"

namespace {

struct ExtFormat {
    const wchar_t* ext;
    const wchar_t* format;
};

namespace N = FileFormatName;

// First match wins.
constexpr ExtFormat kExtFormats[] = {
    {L"AVI", N::kAvi},    {L"MPG", N::kMpeg12}, {L"MPEG", N::kMpeg12}, {L"VOB", N::kVob},
    {L"MP4", N::kMpeg4},  {L"M4V", N::kMpeg4Video}, {L"WMV", N::kWmv}, {L"ASF", N::kAsf},
    {L"MOV", N::kMov},    {L"3GP", N::k3gp},    {L"3G2", N::k3g2},     {L"OGM", N::kOgm},
    {L"MKV", N::kMkv},    {L"RM", N::kRm},      {L"MP2", N::kMp2},     {L"MP3", N::kMp3},
    {L"OGG", N::kOgg},    {L"WAV", N::kWav},    {L"WMA", N::kWma},     {L"AAC", N::kAac},
    {L"M4A", N::kM4a},
};

// Upper-cases ASCII letters only, so the result does not depend on the C locale.
std::wstring AsciiUpper(std::wstring_view s)
{
    std::wstring r(s);
    for (wchar_t& c : r) {
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return r;
}

void AppendTwoDigits(std::wstring& out, int64_t v)
{
    if (v < 10)
        out += L'0';
    out += FormatInt(v);
}

}  // namespace

std::wstring FileFormatFromName(std::wstring_view fileName)
{
    const size_t dot = fileName.rfind(L'.');
    if (dot == std::wstring_view::npos)
        return std::wstring();
    const size_t sep = fileName.find_first_of(L"\\/", dot);
    if (sep != std::wstring_view::npos)
        return std::wstring();  // the point is part of a folder name
    const std::wstring ext = AsciiUpper(fileName.substr(dot + 1));
    if (ext.empty())
        return std::wstring();
    for (const ExtFormat& e : kExtFormats) {
        if (ext == e.ext)
            return e.format;
    }
    return std::wstring();
}

std::wstring TimeText(int32_t seconds)
{
    std::wstring out;
    int64_t s = seconds;  // 64-bit so that the magnitude of INT32_MIN fits
    if (s < 0) {
        out += L'-';
        s = -s;
    }
    const int64_t h = s / 3600;
    const int64_t m = s / 60;
    const int64_t r = s % 60;
    if (h <= 0) {
        AppendTwoDigits(out, m);
    } else {
        AppendTwoDigits(out, h);
        out += L':';
        AppendTwoDigits(out, m % 60);
    }
    out += L':';
    AppendTwoDigits(out, r);
    return out;
}

bool AspectReduction(int32_t w, int32_t h, std::wstring& text, int32_t& aw, int32_t& ah)
{
    text.clear();
    if (w <= 0 || h <= 0)
        return false;
    const double target = static_cast<double>(w) / static_cast<double>(h);
    for (int32_t i = 1; i <= 100; ++i) {
        for (int32_t j = 1; j <= 100; ++j) {
            const double q = (static_cast<double>(i) / j) / target * 100.0;
            if (q >= 99.98 && q <= 100.02) {
                text = FormatInt(i) + L':' + FormatInt(j);
                aw = i;
                ah = j;
                return true;
            }
        }
    }
    return false;
}
