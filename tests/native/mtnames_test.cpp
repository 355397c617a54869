#include "core/mtnames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr TZRGuid kVideo = MakeGuid("73646976-0000-0010-8000-00AA00389B71");
constexpr TZRGuid kAudio = MakeGuid("73647561-0000-0010-8000-00AA00389B71");
constexpr TZRGuid kStream = MakeGuid("E436EB83-524F-11CE-9F53-0020AF0BA770");
constexpr TZRGuid kAvi = MakeGuid("E436EB88-524F-11CE-9F53-0020AF0BA770");
constexpr TZRGuid kFormatNone = MakeGuid("0F6417D6-C318-11D0-A43F-00A0C9223196");
constexpr TZRGuid kVideoInfo = MakeGuid("05589F80-C356-11CE-BF01-00AA0055595A");
constexpr TZRGuid kVideoInfo2 = MakeGuid("F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA");
constexpr TZRGuid kWaveFormatEx = MakeGuid("05589F81-C356-11CE-BF01-00AA0055595A");
constexpr TZRGuid kMpegVideo = MakeGuid("05589F82-C356-11CE-BF01-00AA0055595A");
constexpr TZRGuid kMpeg2Video = MakeGuid("E06D80E3-DB46-11CF-B4D1-00805F6CBBEA");
constexpr uint32_t kMJPG = 'M' | 'J' << 8 | 'P' << 16 | 'G' << 24;

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A VIDEOINFOHEADER (88 bytes) or VIDEOINFOHEADER2 (112 bytes) with its bitmap header filled in.
std::vector<uint8_t> VideoBlock(bool vih2, int32_t w, int32_t h, uint32_t compression, uint16_t bits) {
    std::vector<uint8_t> b(vih2 ? 112 : 88, 0);
    const size_t base = vih2 ? 72 : 48;
    Put32(b, base, 40);
    Put32(b, base + 4, static_cast<uint32_t>(w));
    Put32(b, base + 8, static_cast<uint32_t>(h));
    Put16(b, base + 14, bits);
    Put32(b, base + 16, compression);
    return b;
}

std::vector<uint8_t> WaveBlock(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> b(18, 0);
    Put16(b, 0, tag);
    Put16(b, 2, channels);
    Put32(b, 4, rate);
    Put16(b, 14, bits);
    return b;
}

std::wstring Describe(const TZRGuid& major, const TZRGuid& format, const std::vector<uint8_t>* block,
                      TZRGuid sub = {}) {
    TZRMediaTypeView v;
    v.majortype = major;
    v.subtype = sub;
    v.formattype = format;
    if (block) {
        v.cbFormat = static_cast<uint32_t>(block->size());
        v.pbFormat = block->data();
    }
    return MediaTypeDescription(v);
}

TEST(MediaTypeNames, NamesAndUnknownIdentifiers) {
    EXPECT_EQ(MajorTypeName(kAudio), L"Audio");
    EXPECT_EQ(MajorTypeName(kStream), L"Stream");
    const TZRGuid odd = MakeGuid("0123abcd-4567-89ef-0A1b-C2d3E4f5a6B7");
    EXPECT_EQ(MajorTypeName(odd), L"UnKnown: {0123ABCD-4567-89EF-0A1B-C2D3E4F5A6B7}");
    EXPECT_EQ(SubTypeName(odd), L"UnKnown: {0123ABCD-4567-89EF-0A1B-C2D3E4F5A6B7}");
    EXPECT_EQ(FormatTypeName(odd), L"UnKnown: {0123ABCD-4567-89EF-0A1B-C2D3E4F5A6B7}");
    // A major type is not a subtype and the other way round.
    EXPECT_EQ(SubTypeName(kAudio).rfind(L"UnKnown: ", 0), 0u);
    EXPECT_EQ(MajorTypeName(kAvi).rfind(L"UnKnown: ", 0), 0u);
    EXPECT_EQ(FormatTypeName(kFormatNone), L"None");
    EXPECT_EQ(FormatTypeName(kMpeg2Video), L"MPEG-2 Video");

    // The FourCC family: the code sits in the first field, first character lowest.
    EXPECT_EQ(GuidText(FourCCGuid(kMJPG)), L"{47504A4D-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(SubTypeName(FourCCGuid(kMJPG)), L"MJPG");
    // Upper- and lower-case codes are different subtypes.
    EXPECT_EQ(SubTypeName(FourCCGuid('d' | 'v' << 8 | 's' << 16 | 'd' << 24)), L"dvsd_");
    EXPECT_EQ(SubTypeName(FourCCGuid('D' | 'V' << 8 | 'S' << 16 | 'D' << 24)), L"DVSD");
    EXPECT_EQ(SubTypeName(FourCCGuid('s' | 'm' << 8 | 'c' << 16 | ' ' << 24)), L"QTSmc");
    // Wave tag 0x0075: the subtype table and the tag table name it differently.
    EXPECT_EQ(SubTypeName(FourCCGuid(0x0075)), L"VOXWARE_MetaSound");
    EXPECT_EQ(WaveFormatTagName(0x0075), L"VOXWARE");
    EXPECT_EQ(SubTypeName(FourCCGuid(0x0001)), L"PCM");
    EXPECT_EQ(SubTypeName(FourCCGuid(0x0050)), L"MPEG1AudioPayload");
    EXPECT_EQ(SubTypeName(MakeGuid("0482DDEC-7817-11CF-8A03-00AA006ECB65")), L"AnalogVideo_PAL_N_COMBO");
    EXPECT_EQ(SubTypeName(MakeGuid("E06D8031-DB46-11CF-B4D1-00805F6CBBEA")), L"PROVIDER");
    // {E06D8021-...} is "CONTROL"; the DVD navigator's type has its platform name.
    EXPECT_EQ(MajorTypeName(MakeGuid("E06D8021-DB46-11CF-B4D1-00805F6CBBEA")), L"CONTROL");
    EXPECT_EQ(MajorTypeName(MakeGuid("E06D802E-DB46-11CF-B4D1-00805F6CBBEA")), L"DVD_NAVIGATION");
    // The platform's LMRT and ScriptCommand identifiers spell their code from the highest byte down.
    EXPECT_EQ(MajorTypeName(MakeGuid("74726C6D-0000-0010-8000-00AA00389B71")), L"LMRT");
    EXPECT_EQ(MajorTypeName(MakeGuid("73636D64-0000-0010-8000-00AA00389B71")), L"ScriptCommand");
}

TEST(MediaTypeNames, WaveTagsAndCompressionCodes) {
    const struct {
        uint32_t tag;
        const wchar_t* name;
    } tags[] = {{1, L"PCM"}, {3, L"IEEE_FLOAT"}, {4, L"Unknown"}, {85, L"MPEGLAYER3"}, {98, L"VOXWARE"},
                {5120, L"NORRIS"}, {0xFFFE, L"Unknown"}, {0x10001, L"Unknown"}};
    for (auto& t : tags) EXPECT_EQ(WaveFormatTagName(t.tag), t.name) << t.tag;

    const struct {
        uint32_t code;
        const char* name;
    } codes[] = {{0, "RGB"}, {1, "RLE8"}, {2, "RLE4"}, {3, "BITFIELDS"}, {4, "\x04"}, {kMJPG, "MJPG"},
                 {'Y' | 'V' << 8 | '1' << 16 | '2' << 24, "YV12"},
                 // Up to the first zero byte; what follows it is not looked at.
                 {'X', "X"}, {'X' | 'Y' << 16, "X"}, {'a' | 'b' << 8 | 'c' << 16, "abc"},
                 {0x00FFFFFF, "\xFF\xFF\xFF"}};
    for (auto& c : codes) EXPECT_EQ(CompressionName(c.code), c.name) << c.code;
    EXPECT_EQ(CompressionNameW(0x00FFFFFF), std::wstring(3, L'\xFF'));
}

TEST(MediaTypeNames, Descriptions) {
    auto vih = VideoBlock(false, 640, 480, 0, 24);
    EXPECT_EQ(Describe(kVideo, kVideoInfo, &vih), L"640x480 RGB, 24 bits");
    vih = VideoBlock(false, 640, -480, kMJPG, 24);  // top-down: the height prints signed
    EXPECT_EQ(Describe(kVideo, kVideoInfo, &vih), L"640x-480 MJPG, 24 bits");
    auto vih2 = VideoBlock(true, 720, 576, '2' << 24 | '1' << 16 | 'V' << 8 | 'Y', 12);
    EXPECT_EQ(Describe(kVideo, kVideoInfo2, &vih2), L"720x576 YV12, 12 bits");
    EXPECT_EQ(Describe(kVideo, kVideoInfo, nullptr), L"");
    EXPECT_EQ(Describe(kVideo, kVideoInfo2, nullptr), L"");

    auto mpeg1 = VideoBlock(false, 352, 288, 0, 24);
    EXPECT_EQ(Describe(kVideo, kMpegVideo, &mpeg1), L"MPEG1 RGB 352X288, 24 bits");
    auto mpeg2 = VideoBlock(true, 720, 480, kMJPG, 16);
    EXPECT_EQ(Describe(kVideo, kMpeg2Video, &mpeg2), L"MPEG2 MJPG 720X480, 16 bits");
    EXPECT_EQ(Describe(kVideo, kMpeg2Video, nullptr), L"MPEG2 ");
    EXPECT_EQ(Describe(kVideo, kMpegVideo, nullptr), L"MPEG1 ");

    auto wave = WaveBlock(1, 2, 44100, 16);
    EXPECT_EQ(Describe(kAudio, kWaveFormatEx, &wave), L"PCM, 44100 Hz, 16 Bits, 2 Channels");
    wave = WaveBlock(4, 6, 48000, 24);
    EXPECT_EQ(Describe(kAudio, kWaveFormatEx, &wave), L"Unknown, 48000 Hz, 24 Bits, 6 Channels");
    EXPECT_EQ(Describe(kAudio, kWaveFormatEx, nullptr), L"");

    const struct {
        const char* format;
        const wchar_t* text;
    } fixed[] = {{"05589F84-C356-11CE-BF01-00AA0055595A", L"DV"},
                 {"05589F83-C356-11CE-BF01-00AA0055595A", L"MPEGStreams"},
                 {"E06D80E4-DB46-11CF-B4D1-00805F6CBBEA", L"DolbyAC3"},
                 {"E06D80E5-DB46-11CF-B4D1-00805F6CBBEA", L"MPEG2 Audio"},
                 {"E06D80E6-DB46-11CF-B4D1-00805F6CBBEA", L"DVD_LPCMAudio"}};
    for (auto& f : fixed) {
        char text[37];
        std::memcpy(text, f.format, 37);
        EXPECT_EQ(Describe(kAudio, MakeGuid(text), nullptr), f.text);
    }

    EXPECT_EQ(Describe(kStream, kFormatNone, nullptr, kAvi), L"MajorType: Stream, SubType: Avi, FormatType: None");
    const TZRGuid odd = MakeGuid("11111111-2222-3333-4444-555555555555");
    EXPECT_EQ(Describe(odd, odd, nullptr, odd),
              L"MajorType: UnKnown: {11111111-2222-3333-4444-555555555555}, SubType: UnKnown: "
              L"{11111111-2222-3333-4444-555555555555}, FormatType: UnKnown: {11111111-2222-3333-4444-555555555555}");
}

// A format block shorter than the header its type promises is never read past its end: the type is
// described as one without a block. (Run under the address sanitizer, an over-read fails the test.)
TEST(MediaTypeNames, ShortFormatBlocksAreNotOverread) {
    const struct {
        TZRGuid format;
        size_t need;  // bytes the description reads
        const wchar_t* without;
    } cases[] = {{kVideoInfo, 68, L""}, {kVideoInfo2, 92, L""}, {kMpegVideo, 68, L"MPEG1 "},
                 {kMpeg2Video, 92, L"MPEG2 "}, {kWaveFormatEx, 16, L""}};
    for (auto& c : cases) {
        auto full = c.format == kWaveFormatEx ? WaveBlock(1, 2, 8000, 8)
                                              : VideoBlock(c.need == 92, 16, 16, 0, 8);
        for (size_t n : {size_t{1}, c.need - 1}) {
            std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
            cut.shrink_to_fit();
            EXPECT_EQ(Describe(kVideo, c.format, &cut), c.without) << n;
        }
        std::vector<uint8_t> exact(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(c.need));
        EXPECT_NE(Describe(kVideo, c.format, &exact), c.without);
    }
}

}  // namespace
