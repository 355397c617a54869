// The stream records of a media file and how they are made from media types and the lengths a media
// detector reports. Portable: the platform reader (info/videoinfo.h) gathers the values and calls this.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/mtnames.h"

struct TZRVideoStreamInfo {
    double Bitrate = 0;      // bits per second from the format block, or file bytes per second (Finish)
    double FrameRate = 0;    // frames per second
    double AspectRatio = 0;  // display aspect as a quotient
    int64_t DurationMSec = 0;
    std::wstring Codec, Duration, FourCC, MpegAudioTag, AspectRatioStr;
    int32_t Width = 0, Height = 0, FramesCount = 0, AspectW = 0, AspectH = 0;
};

struct TZRAudioStreamInfo {
    int32_t Bitrate = 0;  // the wave format's average bytes per second
    int32_t Channels = 0, SampleRate = 0, BPS = 0;
    std::wstring Codec, CodecInfo, Duration;
    int64_t DurationMSec = 0;
};

struct TZRTextStreamInfo {
    std::wstring Codec, Name, Language;
};

// What the media detector said about the stream a media type belongs to.
struct TZRDetectorValues {
    bool hasLength = false;
    double length = 0;  // seconds
    bool hasFrameRate = false;
    double frameRate = 0;
};

// A length remembered as the default for streams that report none.
struct TZRDefaultLength {
    std::wstring text;
    int64_t msec = 0;
    double seconds = 0;
};

// The streams of one read.
class TZRStreamSet {
public:
    std::vector<TZRVideoStreamInfo> Video;
    std::vector<TZRAudioStreamInfo> Audio;
    std::vector<TZRTextStreamInfo> Text;
    // The length of the last video and audio stream whose length the detector reported during this read.
    TZRDefaultLength DefVideo, DefAudio;

    // Empties the lists (ClearLists) and forgets the default lengths.
    void Clear();
    // Empties the three lists only; the default lengths stay.
    void ClearLists();

    // Adds the record for one media type: a video record for a video type whose format is VideoInfo,
    // VideoInfo2, MPEGVideo or MPEG2Video; an audio record for every audio type (filled only from a
    // WaveFormatEx block); a text record for a subtitle type; nothing for anything else. det is null when
    // no detector is at hand: lengths then come from the defaults. A length counts when it is finite and
    // positive; it becomes the default for later streams of its kind. A format block is read only when
    // it holds the whole header its type promises (88 bytes for VideoInfo, 112 for VideoInfo2, 14 for
    // WaveFormatEx, 16 with the bits per sample).
    void Add(const TZRMediaTypeView& mt, const TZRDetectorValues* det);

    // The steps after all records are in: video streams without a length take the longest audio
    // stream's, with their frame count from it; a first video stream without a bitrate gets the file's
    // bytes per second (fileSize / seconds; nothing when fileSize is negative).
    void Finish(int64_t fileSize);
};

// Nearest 32-bit integer, halves to even; NaN gives 0, values outside the range saturate.
int32_t RoundToInt32(double v);
