#include "core/streaminfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/codecnames.h"

namespace {

void Put(std::vector<uint8_t>& b, size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct VideoSpec {
    bool vih2 = false;
    int32_t w = 320, h = 240;
    uint32_t compression = 0;
    uint32_t bitrate = 0;
    int64_t avgTimePerFrame = 0;
    uint32_t aspectX = 0, aspectY = 0;
};

std::vector<uint8_t> VideoBlock(const VideoSpec& s) {
    std::vector<uint8_t> b(s.vih2 ? 112 : 88, 0);
    Put(b, 32, s.bitrate, 4);
    Put(b, 40, static_cast<uint64_t>(s.avgTimePerFrame), 8);
    if (s.vih2) {
        Put(b, 56, s.aspectX, 4);
        Put(b, 60, s.aspectY, 4);
    }
    const size_t bih = s.vih2 ? 72 : 48;
    Put(b, bih, 40, 4);
    Put(b, bih + 4, static_cast<uint32_t>(s.w), 4);
    Put(b, bih + 8, static_cast<uint32_t>(s.h), 4);
    Put(b, bih + 14, 24, 2);
    Put(b, bih + 16, s.compression, 4);
    return b;
}

std::vector<uint8_t> WaveBlock(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> b(18, 0);
    Put(b, 0, tag, 2);
    Put(b, 2, channels, 2);
    Put(b, 4, rate, 4);
    Put(b, 8, rate * channels * bits / 8, 4);
    Put(b, 12, channels * bits / 8, 2);
    Put(b, 14, bits, 2);
    return b;
}

TZRMediaTypeView View(const TZRGuid& major, const TZRGuid& format, const std::vector<uint8_t>& block,
                      TZRGuid sub = {}) {
    TZRMediaTypeView v;
    v.majortype = major;
    v.subtype = sub;
    v.formattype = format;
    v.cbFormat = static_cast<uint32_t>(block.size());
    v.pbFormat = block.empty() ? nullptr : block.data();
    return v;
}

TZRDetectorValues Det(double length, double frameRate = 0) {
    TZRDetectorValues d;
    d.hasLength = true;
    d.length = length;
    d.hasFrameRate = frameRate != 0;
    d.frameRate = frameRate;
    return d;
}

constexpr uint32_t FourCC(const char (&c)[5]) {
    return static_cast<uint32_t>(c[0]) | static_cast<uint32_t>(c[1]) << 8 | static_cast<uint32_t>(c[2]) << 16 |
           static_cast<uint32_t>(c[3]) << 24;
}

// Frame size, aspect, codec naming and frame rate from the format block.
TEST(StreamInfo, VideoFieldsFromTheFormatBlock) {
    const struct Case {
        VideoSpec spec;
        const wchar_t* fourcc;
        const wchar_t* codec;
        const wchar_t* aspectText;
        int32_t aw, ah;
        double ratio;
    } cases[] = {
        {{false, 1920, 1080, FourCC("XVID")}, L"XVID", L"XVID MPEG-4", L"16:9", 16, 9, 1920.0 / 1080},
        {{false, 640, 480, 0}, L"RGB", L"Full Frames (Uncompressed)", L"4:3", 4, 3, 640.0 / 480},
        {{false, 720, 576, FourCC("ZZZZ")}, L"ZZZZ", L"Unknown Codec", L"5:4", 5, 4, 1.25},
        {{false, 1, 200, 3}, L"BITFIELDS", L"Unknown Codec", L"", 0, 0, 0.005},
        {{true, 720, 576, FourCC("MJPG"), 0, 0, 16, 9}, L"MJPG", L"Motion JPEG", L"16:9", 16, 9, 16.0 / 9},
        {{true, 720, 576, FourCC("MJPG"), 0, 0, 720, 576}, L"MJPG", L"Motion JPEG", L"5:4", 5, 4, 1.25},
        // A picture aspect without a reduction keeps its own terms.
        {{true, 720, 576, 0, 0, 0, 221, 100}, L"RGB", L"Full Frames (Uncompressed)", L"221:100", 221, 100, 2.21},
        // Zero terms: no division by zero, the quotient is 0.
        {{false, 320, 0, 0}, L"RGB", L"Full Frames (Uncompressed)", L"", 0, 0, 0},
        {{true, 320, 240, 0, 0, 0, 4, 0}, L"RGB", L"Full Frames (Uncompressed)", L"4:0", 4, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fourcc);
        TZRStreamSet s;
        const auto block = VideoBlock(c.spec);
        s.Add(View(kMediaTypeVideo, c.spec.vih2 ? kFormatVideoInfo2 : kFormatVideoInfo, block), nullptr);
        ASSERT_EQ(s.Video.size(), 1u);
        const auto& v = s.Video[0];
        EXPECT_EQ(v.Width, c.spec.w);
        EXPECT_EQ(v.Height, c.spec.h);
        EXPECT_EQ(v.FourCC, c.fourcc);
        EXPECT_EQ(v.Codec, c.codec);
        EXPECT_EQ(v.AspectRatioStr, c.aspectText);
        EXPECT_EQ(v.AspectW, c.aw);
        EXPECT_EQ(v.AspectH, c.ah);
        EXPECT_DOUBLE_EQ(v.AspectRatio, c.ratio);
        EXPECT_EQ(v.MpegAudioTag, L"");
    }
}

TEST(StreamInfo, VideoLengthsFrameRatesAndCounts) {
    const auto block = VideoBlock({false, 320, 240, 0, 1536000, 400000});
    TZRStreamSet s;
    // The detector's length and frame rate.
    TZRDetectorValues det = Det(90.5, 30);
    s.Add(View(kMediaTypeVideo, kFormatVideoInfo, block), &det);
    // No frame rate from the detector: 10,000,000 / AvgTimePerFrame; frames = 90.1 * 25 = 2252.5 -> 2252.
    det = Det(90.1);
    s.Add(View(kMediaTypeVideo, kFormatMPEGVideo, block), &det);
    // Without the detector the stream takes the default length: the last one reported (90.1 s).
    s.Add(View(kMediaTypeVideo, kFormatVideoInfo, block), nullptr);
    ASSERT_EQ(s.Video.size(), 3u);
    EXPECT_EQ(s.Video[0].Duration, L"01:30");
    EXPECT_EQ(s.Video[0].DurationMSec, 90500);
    EXPECT_DOUBLE_EQ(s.Video[0].FrameRate, 30);
    EXPECT_EQ(s.Video[0].FramesCount, 2715);
    EXPECT_DOUBLE_EQ(s.Video[0].Bitrate, 1536000);
    EXPECT_DOUBLE_EQ(s.Video[1].FrameRate, 25);
    EXPECT_EQ(s.Video[1].FramesCount, 2252);
    EXPECT_EQ(s.Video[2].Duration, L"01:30");
    EXPECT_EQ(s.Video[2].DurationMSec, 90100);
    EXPECT_EQ(s.Video[2].FramesCount, 2252);

    // A new read forgets the default lengths: another file's length is never borrowed.
    s.Clear();
    s.Add(View(kMediaTypeVideo, kFormatVideoInfo, block), nullptr);
    EXPECT_EQ(s.Video[0].DurationMSec, 0);
    EXPECT_EQ(s.Video[0].Duration, L"");
    EXPECT_EQ(s.Video[0].FramesCount, 0);

    // Lengths that are no lengths (zero, negative, not finite) are not reported ones.
    for (double bad : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        TZRStreamSet t;
        det = Det(bad, std::numeric_limits<double>::quiet_NaN());
        t.Add(View(kMediaTypeVideo, kFormatVideoInfo, block), &det);
        EXPECT_EQ(t.Video[0].DurationMSec, 0) << bad;
        EXPECT_EQ(t.DefVideo.msec, 0) << bad;
        EXPECT_DOUBLE_EQ(t.Video[0].FrameRate, 25) << bad;
    }

    // Absurd values saturate instead of overflowing.
    TZRStreamSet big;
    det = Det(1e300, 1e300);
    big.Add(View(kMediaTypeVideo, kFormatVideoInfo, block), &det);
    EXPECT_EQ(big.Video[0].Duration, L"596523:14:07");
    EXPECT_EQ(big.Video[0].DurationMSec, INT64_MAX);
    EXPECT_EQ(big.Video[0].FramesCount, INT32_MAX);
}

TEST(StreamInfo, WhichTypesMakeRecords) {
    TZRStreamSet s;
    const auto vih = VideoBlock({});
    const auto wave = WaveBlock(1, 2, 44100, 16);
    const TZRGuid other = MakeGuid("0F6417D6-C318-11D0-A43F-00A0C9223196");  // FORMAT_None
    s.Add(View(kMediaTypeVideo, other, vih), nullptr);    // video in another format: no record
    s.Add(View(kMediaTypeVideo, kFormatVideoInfo, {}), nullptr);  // no block: an empty record
    std::vector<uint8_t> shortVih(vih.begin(), vih.end() - 1);
    s.Add(View(kMediaTypeVideo, kFormatVideoInfo, shortVih), nullptr);  // too short: treated as absent
    s.Add(View(kMediaTypeAudio, other, wave), nullptr);  // audio in another format: an empty record
    s.Add(View(MakeGuid("73747874-0000-0010-8000-00AA00389B71"), other, {}), nullptr);  // text major type: none
    ASSERT_EQ(s.Video.size(), 2u);
    EXPECT_EQ(s.Video[0].Width, 0);
    EXPECT_EQ(s.Video[1].Width, 0);
    EXPECT_EQ(s.Video[1].FourCC, L"");
    ASSERT_EQ(s.Audio.size(), 1u);
    EXPECT_EQ(s.Audio[0].SampleRate, 0);
    EXPECT_EQ(s.Audio[0].Codec, L"");
    EXPECT_TRUE(s.Text.empty());
}

TEST(StreamInfo, AudioAndSubtitleRecords) {
    TZRStreamSet s;
    const auto pcm = WaveBlock(1, 2, 44100, 16);
    TZRDetectorValues det = Det(3.0);
    s.Add(View(kMediaTypeAudio, kFormatWaveFormatEx, pcm), &det);
    // 14 bytes hold no bits per sample; 13 bytes hold no wave format at all.
    std::vector<uint8_t> wf14(pcm.begin(), pcm.begin() + 14), wf13(pcm.begin(), pcm.begin() + 13);
    s.Add(View(kMediaTypeAudio, kFormatWaveFormatEx, wf14), nullptr);
    s.Add(View(kMediaTypeAudio, kFormatWaveFormatEx, wf13), nullptr);
    ASSERT_EQ(s.Audio.size(), 3u);
    const auto& a = s.Audio[0];
    EXPECT_EQ(a.Codec, L"Microsoft PCM Format");
    EXPECT_EQ(a.Bitrate, 44100 * 4);  // average bytes per second, not bits
    EXPECT_EQ(a.BPS, 16);
    EXPECT_EQ(a.Channels, 2);
    EXPECT_EQ(a.SampleRate, 44100);
    EXPECT_EQ(a.Duration, L"00:03");
    EXPECT_EQ(a.DurationMSec, 3000);
    EXPECT_EQ(a.CodecInfo, L"");
    EXPECT_EQ(s.Audio[1].BPS, 0);
    EXPECT_EQ(s.Audio[1].SampleRate, 44100);
    EXPECT_EQ(s.Audio[1].DurationMSec, 3000);  // the default audio length
    EXPECT_EQ(s.Audio[2].SampleRate, 0);
    EXPECT_EQ(s.Audio[2].DurationMSec, 0);

    std::vector<uint8_t> sub(520, 0);
    sub[4] = 'd', sub[5] = 'e', sub[6] = 'u';
    sub[8] = 'T', sub[10] = 'x';
    s.Add(View(kSubtitleMajorType, kSubtitleFormatType, sub, MakeGuid("3020560F-255A-4DDC-806E-6C5CC6DCD70A")), nullptr);
    s.Add(View(kSubtitleMajorType, kFormatWaveFormatEx, sub, MakeGuid("11111111-2222-3333-4444-555555555555")), nullptr);
    ASSERT_EQ(s.Text.size(), 2u);
    EXPECT_EQ(s.Text[0].Codec, L"SSA");
    EXPECT_EQ(s.Text[0].Language, L"deu");
    EXPECT_EQ(s.Text[0].Name, L"Tx");
    EXPECT_EQ(s.Text[1].Codec, L"");
    EXPECT_EQ(s.Text[1].Language, L"");
}

TEST(StreamInfo, FinishBorrowsAudioLengthAndComputesBitrate) {
    const auto vih = VideoBlock({false, 320, 240, 0, 0, 400000});
    const auto wave = WaveBlock(1, 2, 44100, 16);

    // A video stream without a length takes the longest audio stream's (the first of equals).
    TZRStreamSet s;
    s.Add(View(kMediaTypeVideo, kFormatVideoInfo, vih), nullptr);
    TZRDetectorValues d60 = Det(60), d90 = Det(90.4), d90b = Det(90.4);
    s.Add(View(kMediaTypeAudio, kFormatWaveFormatEx, wave), &d60);
    s.Add(View(kMediaTypeAudio, kFormatWaveFormatEx, wave), &d90);
    s.Add(View(kMediaTypeAudio, kFormatWaveFormatEx, wave), &d90b);
    s.Audio[2].Duration = L"later";
    s.Finish(9040000);
    EXPECT_EQ(s.Video[0].DurationMSec, 90400);
    EXPECT_EQ(s.Video[0].Duration, L"01:30");
    EXPECT_EQ(s.Video[0].FramesCount, 2260);  // 25 * 90.4
    // No bitrate in the block: the file's bytes per second.
    EXPECT_DOUBLE_EQ(s.Video[0].Bitrate, 9040000 / 90.4);

    // Video only, no length anywhere: nothing to borrow, no bitrate, no division by zero.
    TZRStreamSet only;
    only.Add(View(kMediaTypeVideo, kFormatVideoInfo, vih), nullptr);
    only.Finish(1000);
    EXPECT_EQ(only.Video[0].DurationMSec, 0);
    EXPECT_EQ(only.Video[0].Duration, L"");
    EXPECT_EQ(only.Video[0].FramesCount, 0);
    EXPECT_DOUBLE_EQ(only.Video[0].Bitrate, 0);

    // A bitrate from the block stays; only the first video stream is looked at.
    TZRStreamSet two;
    TZRDetectorValues d3 = Det(3);
    const auto withRate = VideoBlock({false, 320, 240, 0, 777});
    two.Add(View(kMediaTypeVideo, kFormatVideoInfo, withRate), &d3);
    two.Add(View(kMediaTypeVideo, kFormatVideoInfo, vih), &d3);
    two.Finish(3000);
    EXPECT_DOUBLE_EQ(two.Video[0].Bitrate, 777);
    EXPECT_DOUBLE_EQ(two.Video[1].Bitrate, 0);
}

}  // namespace
