#include "core/streaminfo.h"

#include <cmath>
#include <cstdint>

#include "core/codecnames.h"
#include "core/mediafmt.h"
#include "core/timeconv.h"

namespace {

// Little-endian fields of a format block whose size the caller has checked.
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int64_t I64(const uint8_t* p) { return static_cast<int64_t>(static_cast<uint64_t>(U32(p)) | static_cast<uint64_t>(U32(p + 4)) << 32); }

constexpr uint32_t kVideoInfoSize = 88;    // VIDEOINFOHEADER
constexpr uint32_t kVideoInfo2Size = 112;  // VIDEOINFOHEADER2
constexpr uint32_t kWaveFormatSize = 14;   // WAVEFORMAT
constexpr uint32_t kPcmWaveFormatSize = 16;

// The clock text of a length: whole seconds, the fraction cut off.
std::wstring LengthText(double seconds) {
    double t = std::trunc(seconds);
    if (!(t < 2147483647.0)) t = 2147483647.0;
    return TimeText(static_cast<int32_t>(t));
}

bool UsableLength(const TZRDetectorValues* det) {
    return det && det->hasLength && std::isfinite(det->length) && det->length > 0;
}

double Quotient(double a, double b) { return b != 0 ? a / b : 0.0; }

}  // namespace

int32_t RoundToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(RoundHalfEven(v));
}

void TZRStreamSet::ClearLists() {
    Video.clear();
    Audio.clear();
    Text.clear();
}

void TZRStreamSet::Clear() {
    ClearLists();
    DefVideo = {};
    DefAudio = {};
}

void TZRStreamSet::Add(const TZRMediaTypeView& mt, const TZRDetectorValues* det) {
    const bool block = mt.cbFormat != 0 && mt.pbFormat != nullptr;
    const uint8_t* p = mt.pbFormat;

    if (mt.majortype == kMediaTypeVideo) {
        const bool vih = mt.formattype == kFormatVideoInfo || mt.formattype == kFormatMPEGVideo;
        const bool vih2 = mt.formattype == kFormatVideoInfo2 || mt.formattype == kFormatMPEG2Video;
        if (!vih && !vih2) return;
        TZRVideoStreamInfo v;
        double len = 0;
        if (UsableLength(det)) {
            len = det->length;
            v.Duration = LengthText(len);
            v.DurationMSec = RoundHalfEven(len * 1000.0);
            if (det->hasFrameRate && std::isfinite(det->frameRate) && det->frameRate > 0) v.FrameRate = det->frameRate;
            DefVideo = {v.Duration, v.DurationMSec, len};
        }
        if (block && mt.cbFormat >= (vih ? kVideoInfoSize : kVideoInfo2Size)) {
            const uint8_t* bih = p + (vih ? 48 : 72);
            v.Width = I32(bih + 4);
            v.Height = I32(bih + 8);
            v.FourCC = CompressionNameW(U32(bih + 16));
            v.Codec = VideoCodecName(v.FourCC);
            v.Bitrate = static_cast<double>(U32(p + 32));
            const int64_t avgTimePerFrame = I64(p + 40);
            if (vih) {
                v.AspectRatio = Quotient(v.Width, v.Height);
                AspectReduction(v.Width, v.Height, v.AspectRatioStr, v.AspectW, v.AspectH);
            } else {
                v.AspectW = I32(p + 56);
                v.AspectH = I32(p + 60);
                if (v.AspectW == v.Width && v.AspectH == v.Height)
                    AspectReduction(v.Width, v.Height, v.AspectRatioStr, v.AspectW, v.AspectH);
                else
                    v.AspectRatioStr = std::to_wstring(v.AspectW) + L":" + std::to_wstring(v.AspectH);
                v.AspectRatio = Quotient(v.AspectW, v.AspectH);
            }
            if (len < 0.01) {
                v.Duration = DefVideo.text;
                v.DurationMSec = DefVideo.msec;
                len = DefVideo.seconds;
            }
            if (v.FrameRate < 0.01 && avgTimePerFrame > 0) v.FrameRate = 10000000.0 / static_cast<double>(avgTimePerFrame);
            v.FramesCount = RoundToInt32(len * v.FrameRate);
        }
        Video.push_back(std::move(v));
    } else if (mt.majortype == kMediaTypeAudio) {
        TZRAudioStreamInfo a;
        if (mt.formattype == kFormatWaveFormatEx && block && mt.cbFormat >= kWaveFormatSize) {
            double len = 0;
            if (UsableLength(det)) {
                len = det->length;
                a.Duration = LengthText(len);
                a.DurationMSec = RoundHalfEven(len * 1000.0);
                DefAudio = {a.Duration, a.DurationMSec, len};
            }
            a.Codec = AudioCodecName(U16(p));
            if (len < 0.01) {
                a.Duration = DefAudio.text;
                a.DurationMSec = DefAudio.msec;
            }
            a.SampleRate = I32(p + 4);
            a.Bitrate = I32(p + 8);
            a.BPS = mt.cbFormat >= kPcmWaveFormatSize ? U16(p + 14) : 0;
            a.Channels = U16(p + 2);
        }
        Audio.push_back(std::move(a));
    } else if (mt.majortype == kSubtitleMajorType) {
        TZRTextStreamInfo t;
        t.Codec = SubtitleCodecName(mt.subtype);
        if (mt.formattype == kSubtitleFormatType && block) ParseSubtitleFormat(p, mt.cbFormat, t.Language, t.Name);
        Text.push_back(std::move(t));
    }
}

void TZRStreamSet::Finish(int64_t fileSize) {
    bool lengthless = false;
    for (const auto& v : Video) lengthless |= v.DurationMSec == 0;
    if (lengthless) {
        int64_t best = 0;
        std::wstring bestText;
        for (const auto& a : Audio) {
            if (a.DurationMSec > best) {
                best = a.DurationMSec;
                bestText = a.Duration;
            }
        }
        for (auto& v : Video) {
            if (v.DurationMSec != 0) continue;
            v.DurationMSec = best;
            v.Duration = bestText;
            v.FramesCount = RoundToInt32(v.FrameRate * static_cast<double>(best) / 1000.0);
        }
    }
    if (!Video.empty() && !(Video[0].Bitrate > 0) && Video[0].DurationMSec > 0 && fileSize >= 0)
        Video[0].Bitrate = static_cast<double>(fileSize) / (static_cast<double>(Video[0].DurationMSec) / 1000.0);
}
