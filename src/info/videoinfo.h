// TZRVideoInfoMP: what a media file holds (streams, sizes, lengths, container format), read with the
// platform's media detector without playing the file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _AMMediaType;
struct IMediaDet;

struct TZRVideoStreamInfo {
    double Bitrate = 0;
    double FrameRate = 0;
    double AspectRatio = 0;
    int64_t DurationMSec = 0;
    std::wstring Codec, Duration, FourCC, MpegAudioTag, AspectRatioStr;
    int32_t Width = 0, Height = 0, FramesCount = 0, AspectW = 0, AspectH = 0;
};

struct TZRAudioStreamInfo {
    int32_t Bitrate = 0, Channels = 0, SampleRate = 0, BPS = 0;
    std::wstring Codec, CodecInfo, Duration;
    int64_t DurationMSec = 0;
};

struct TZRTextStreamInfo {
    std::wstring Codec, Name, Language;
};

class TZRVideoInfoMP {
public:
    std::wstring FileName;  // file to read

    // Reads FileName; never throws. Failures end the read quietly, keeping what was filled.
    void ReadInfo();

    int32_t VideoStreamsCount() const { return static_cast<int32_t>(FVideoStreams.size()); }
    int32_t AudioStreamsCount() const { return static_cast<int32_t>(FAudioStreams.size()); }
    int32_t TextStreamsCount() const { return static_cast<int32_t>(FSubtitles.size()); }
    const std::wstring& FileFormat() const { return FFileFormat; }
    const std::wstring& VideoMajorType() const { return FVideoMajorType; }
    bool AdditionalStreams() const { return FAdditionalStreams; }

    // Video getters answer 0 for a stream number not below the count; a negative number throws
    // std::out_of_range ("List index out of bounds (%d)").
    int32_t Video_Width(int32_t stream) const;
    int32_t Video_Height(int32_t stream) const;
    double Video_FrameRate(int32_t stream) const;
    int64_t Video_DurationMSec(int32_t stream) const;
    int64_t Audio_DurationMSec(int32_t stream) const;  // throws for any number outside the list

    const std::vector<TZRVideoStreamInfo>& VideoStreams() const { return FVideoStreams; }
    const std::vector<TZRAudioStreamInfo>& AudioStreams() const { return FAudioStreams; }

private:
    void AddStreamFromMediaType(const _AMMediaType& mt, IMediaDet* det);

    bool FAdditionalStreams = false;
    std::wstring FDefVideoDuration, FDefAudioDuration;
    int64_t FDefVideoDurationMSec = 0, FDefAudioDurationMSec = 0;
    double FDefVideoDurationDouble = 0, FDefAudioDurationDouble = 0;
    std::vector<TZRVideoStreamInfo> FVideoStreams;
    std::vector<TZRAudioStreamInfo> FAudioStreams;
    std::vector<TZRTextStreamInfo> FSubtitles;
    std::wstring FFileFormat;
    std::wstring FVideoMajorType;
};
