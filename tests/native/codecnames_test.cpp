#include "core/codecnames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(CodecNames, VideoCodecsByFourCC) {
    const struct {
        const wchar_t* fourcc;
        const wchar_t* codec;
    } cases[] = {
        {L"XVID", L"XVID MPEG-4"}, {L"xvid", L"XVID MPEG-4"}, {L"XviD", L"XVID MPEG-4"},
        {L"RGB", L"Full Frames (Uncompressed)"}, {L"raw", L"Full Frames (Uncompressed)"},
        {L"RLE8", L"Run Length Encoded 8bpp"}, {L"RLE4", L"Run Length Encoded 4bpp"},
        {L"MJPG", L"Motion JPEG"}, {L"DIVX", L"DivX"}, {L"DIV3", L"DivX Low Motion"}, {L"DX50", L"DivX 5.0 codec"},
        {L"MP4V", L"MPEG4 Video"}, {L"MP42", L"MS MPEG-4"}, {L"MP43", L"MS MPEG-4"},
        {L"H263", L"Intel ITU H.263"}, {L"H264", L"Intel ITU H.264"}, {L"MP2V", L"MPEG2 Video"},
        {L"WMV1", L"Windows Media Video 7"}, {L"WMV2", L"Windows Media Video 8"}, {L"WMV3", L"Windows Media Video 9"},
        {L"dvsd", L"Sony Digital Video"}, {L"cvid", L"Cinepak by Radius YUV 4:2:2"},
        {L"IV50", L"Intel Indeo 5.0 Interactive"}, {L"I420", L"Intel Indeo 4 H.263"}, {L"YUY2", L"RAW YUV 4:2:2"},
        {L"YV12", L"ATI YVU12 4:2:0 Planar"}, {L"Y8", L"Simple grayscale video"}, {L"Y800", L"Simple grayscale video"},
        {L"Y411", L"YUV 2:1:1"}, {L"3IV0", L"MPEG4-based codec 3ivx"}, {L"3ivx", L"MPEG4-based codec 3ivx"},
        {L"3IVD", L"FFmpeg DivX ;-) (MS MPEG-4 v3)"},
        // Keys with a trailing blank match only with it.
        {L"RLE ", L"Run Length Encoder"}, {L"RLE", L"Unknown Codec"},
        // Not listed.
        {L"BITFIELDS", L"Unknown Codec"}, {L"", L"Unknown Codec"}, {L"ZZZZ", L"Unknown Codec"},
        {L"AVC1", L"Unknown Codec"},
    };
    for (auto& c : cases) EXPECT_EQ(VideoCodecName(c.fourcc), c.codec) << c.fourcc;
}

TEST(CodecNames, AudioCodecsByTag) {
    const struct {
        uint16_t tag;
        const wchar_t* codec;
    } cases[] = {
        {0x0000, L"Microsoft Unknown Wave Format"}, {0x0001, L"Microsoft PCM Format"},
        {0x0002, L"Microsoft ADPCM Format"}, {0x0003, L"IEEE FLOAT"}, {0x0032, L"MSNAudio "},
        {0x0050, L"MPEG-1 layer 1, 2"}, {0x0055, L"MPEG-1 Layer 3 (MP3)"}, {0x00FF, L"AAC"},
        {0x0160, L"Windows Media Audio V1"}, {0x0161, L"Windows Media Audio 7/8/9"},
        {0x0162, L"Windows Media Audio Professional V9"}, {0x0163, L"Windows Media Audio Lossless V9"},
        {0x0230, L"-link Worldwide ILINK VC"}, {0x2000, L"Dolby AC3 / FAST Multimedia AG DVM"},
        {0x2001, L"Dolby DTS (Digital Theater System)"}, {0xF1AC, L"Free Lossless Audio Codec FLAC"},
        {0xFFFE, L"Extensible wave format"}, {0xFFFF, L"In Development / Unregistered"},
        // Shared descriptions.
        {0x0043, L"IBM AVC ADPCM"}, {0x0103, L"IBM AVC ADPCM"}, {0x0215, L"Ulead DV ACM"}, {0x0216, L"Ulead DV ACM"},
        {0x1102, L"Lernout & Hauspie SBC codec"}, {0x1104, L"Lernout & Hauspie SBC codec"},
        // Gaps of the table.
        {0x0029, L"Unknown"}, {0x0051, L"Unknown"}, {0x1105, L"Unknown"}, {0xFFFD, L"Unknown"},
    };
    for (auto& c : cases) EXPECT_EQ(AudioCodecName(c.tag), c.codec) << c.tag;
}

TEST(CodecNames, SubtitleCodecsAndBlocks) {
    EXPECT_EQ(SubtitleCodecName(MakeGuid("87C0B230-03A8-4FDF-8010-B27A5848200D")), L"UTF8");
    EXPECT_EQ(SubtitleCodecName(MakeGuid("F7239E31-9599-4E43-8DD5-FBAF75CF37F1")), L"VOBSUB");
    EXPECT_EQ(SubtitleCodecName(MakeGuid("370689E7-B226-4F67-978D-F10BC1A9C6AE")), L"ASS2");
    EXPECT_EQ(SubtitleCodecName(kSubtitleMajorType), L"");

    std::vector<uint8_t> block(4 + 4 + 512, 0);
    block[4] = 'e', block[5] = 'n', block[6] = 'g';
    const std::u16string name = u"Director\u00e9s cut";
    for (size_t i = 0; i < name.size(); ++i) {
        block[8 + 2 * i] = static_cast<uint8_t>(name[i]);
        block[9 + 2 * i] = static_cast<uint8_t>(name[i] >> 8);
    }
    std::wstring lang, track;
    ParseSubtitleFormat(block.data(), static_cast<uint32_t>(block.size()), lang, track);
    EXPECT_EQ(lang, L"eng");
    EXPECT_EQ(track, L"Director\u00e9s cut");

    // Four language bytes without a zero, and a name filling all 256 characters: nothing past them is read.
    block[7] = 'x';
    for (size_t i = 0; i < 256; ++i) block[8 + 2 * i] = 'a', block[9 + 2 * i] = 0;
    ParseSubtitleFormat(block.data(), static_cast<uint32_t>(block.size()), lang, track);
    EXPECT_EQ(lang, L"engx");
    EXPECT_EQ(track, std::wstring(256, L'a'));

    // A block cut short keeps what lies inside it.
    std::vector<uint8_t> cut(block.begin(), block.begin() + 8 + 2 * 5 + 1);
    ParseSubtitleFormat(cut.data(), static_cast<uint32_t>(cut.size()), lang, track);
    EXPECT_EQ(lang, L"engx");
    EXPECT_EQ(track, L"aaaaa");
    std::vector<uint8_t> tiny(block.begin(), block.begin() + 6);
    ParseSubtitleFormat(tiny.data(), static_cast<uint32_t>(tiny.size()), lang, track);
    EXPECT_EQ(lang, L"en");
    EXPECT_EQ(track, L"");
    ParseSubtitleFormat(nullptr, 520, lang, track);
    EXPECT_EQ(lang, L"");
}

TEST(CodecNames, SecondsToTimeFormatted) {
    const struct {
        int32_t s;
        const wchar_t* text;
    } cases[] = {{0, L"00:00:00"},       {59, L"00:00:59"},        {60, L"00:01:00"},
                 {3599, L"00:59:59"},    {3600, L"01:00:00"},      {45296, L"12:34:56"},
                 {359999, L"99:59:59"},  {360000, L"100:00:00"},   {-5, L"-00:00:05"},
                 {-3661, L"-01:01:01"},  {INT32_MAX, L"596523:14:07"}, {INT32_MIN, L"-596523:14:08"}};
    for (auto& c : cases) EXPECT_EQ(SecondsToTimeFormatted(c.s), c.text) << c.s;
}

TEST(CodecNames, TrialRenderResults) {
    const struct {
        uint32_t hr;
        uint8_t code;
        bool playable;
        const wchar_t* text;
    } cases[] = {
        {0x00000000, 0, true, L"Success"},
        {0x00040258, 1, true, L"Partial success; the audio was not rendered."},
        {0x00040257, 2, true, L"Partial success; some of the streams in this movie are in an unsupported format."},
        {0x00040242, 3, true, L"Some of the streams in this movie are in an unsupported format."},
        {0x80040217, 5, false, L"No combination of intermediate dsFilters could be found to make the connection."},
        {0x80040241, 6, false, L"The source filter for this file could not be loaded."},
        {0x80040218, 7, false, L"No combination of dsFilters could be found to render the stream."},
        {0x8004022F, 8, false, L"The file format is invalid."},
        {0x80040240, 9, false, L"The media type of this file is not recognized."},
        {0x80040265, 10, false, L"Cannot play back the file: the format is not supported."},
        {0x0004022D, 12, false, L"Failure"},
        {0x80004003, 12, false, L"Failure"},
        {0x80004004, 12, false, L"Failure"},
        {0x80040216, 12, false, L"Failure"},
        {0x80070057, 12, false, L"Failure"},
        {0x00000001, 11, false, L"Unknown error."},
        {0x80004005, 11, false, L"Unknown error."},
        {0x8007000E, 11, false, L"Unknown error."},
    };
    for (auto& c : cases) {
        const TZRFilePlayResult r = FilePlayResult(static_cast<int32_t>(c.hr));
        EXPECT_EQ(r.code, c.code) << std::hex << c.hr;
        EXPECT_EQ(r.playable, c.playable) << std::hex << c.hr;
        EXPECT_STREQ(r.text, c.text) << std::hex << c.hr;
    }
}

}  // namespace
