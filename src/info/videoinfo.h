// TZRVideoInfoMP: what a media file holds (streams, codecs, sizes, lengths, container format), read with
// the platform's media detector and the stream selector of a trial graph, without playing the file; and
// the installed audio codecs, video codecs and DirectShow filters with their configuration dialogs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/streaminfo.h"
#include "core/widestrlist.h"
#include "graph/sysdevenum.h"

enum class TZRReadOutcome { Complete, GivenUp, Superseded };

class TZRVideoInfoMP {
public:
    std::wstring FileName;  // file to read

    // Reads FileName; never throws. Failures end the read quietly, keeping what was filled:
    // a missing file leaves no streams and VideoMajorType "FILE NOT FOUND"; a file the detector refuses
    // sets VideoMajorType "ERROR" (the trial graph may still find streams). Each platform probe runs on a
    // thread of its own and is given up after ProbeTimeout() (info/boundedcall.h): a file that stalls
    // the platform's parser reads as one without streams, VideoMajorType "ERROR", and the outcome is
    // GivenUp (a later read of the same file may find more). The calling thread answers other threads
    // while the probes run; a read started from such a call stores its values when it ends, and the read
    // it interrupted then ends as Superseded, storing nothing.
    TZRReadOutcome ReadInfo();

    int32_t VideoStreamsCount() const { return static_cast<int32_t>(FStreams.Video.size()); }
    int32_t AudioStreamsCount() const { return static_cast<int32_t>(FStreams.Audio.size()); }
    int32_t TextStreamsCount() const { return static_cast<int32_t>(FStreams.Text.size()); }
    const std::wstring& FileFormat() const { return FFileFormat; }
    // True when the last read took its streams from the demultiplexer's stream selector.
    bool AdditionalStreams() const { return FAdditionalStreams; }
    const std::wstring& VideoMajorType() const { return FVideoMajorType; }
    const std::wstring& VideoSubType() const { return FVideoSubType; }
    const std::wstring& OtherMajorType() const { return FOtherMajorType; }
    const std::wstring& OtherSubType() const { return FOtherSubType; }

    // Per-stream getters, stream numbers from 0. A video getter answers 0 / 0.0 / "" for a number not
    // below the video count; every getter throws std::out_of_range ("List index out of bounds (%d)") for a
    // negative number, and the audio and text getters also for a number not below their count.
    int32_t Video_Width(int32_t stream) const;
    int32_t Video_Height(int32_t stream) const;
    double Video_FrameRate(int32_t stream) const;
    int32_t Video_FramesCount(int32_t stream) const;
    double Video_Bitrate(int32_t stream) const;
    std::wstring Video_Codec(int32_t stream) const;
    std::wstring Video_FourCC(int32_t stream) const;
    std::wstring Video_Duration(int32_t stream) const;
    int64_t Video_DurationMSec(int32_t stream) const;
    double Video_AspectRatio(int32_t stream) const;
    std::wstring Video_AspectRatioStr(int32_t stream) const;
    int32_t Video_AspectW(int32_t stream) const;
    int32_t Video_AspectH(int32_t stream) const;
    std::wstring Video_MPEGAudioTag(int32_t stream) const;
    int32_t Audio_Bitrate(int32_t stream) const;
    int32_t Audio_BPS(int32_t stream) const;
    int32_t Audio_Channels(int32_t stream) const;
    int32_t Audio_SampleRate(int32_t stream) const;
    std::wstring Audio_Codec(int32_t stream) const;
    std::wstring Audio_CodecInfo(int32_t stream) const;
    std::wstring Audio_Duration(int32_t stream) const;
    int64_t Audio_DurationMSec(int32_t stream) const;
    std::wstring Text_Codec(int32_t stream) const;
    std::wstring Text_Language(int32_t stream) const;
    std::wstring Text_Name(int32_t stream) const;

    const TZRStreamSet& Streams() const { return FStreams; }

    // --- Installed codecs and filters. The lists are empty until the first ReadLists; ReadLists
    // refills them (a failure escapes, the lists keep what was appended before it).
    void ReadLists();
    int32_t List_AudioCodecs_GetCount() const { return FList_AudioCodecs.Count(); }
    int32_t List_VideoCodecs_GetCount() const { return FList_VideoCodecs.Count(); }
    int32_t List_DirectShowFilters_GetCount() const { return FList_DirectShowFilters.Count(); }
    // Entry i; std::out_of_range ("List index out of bounds (%d)") outside the list.
    std::wstring List_AudioCodecs_GetItem(int32_t i) const { return FList_AudioCodecs.Get(i); }
    std::wstring List_VideoCodecs_GetItem(int32_t i) const { return FList_VideoCodecs.Get(i); }
    std::wstring List_DirectShowFilters_GetItem(int32_t i) const { return FList_DirectShowFilters.Get(i); }

    // Whether the codec or filter listed under that name (any letter case) offers the dialog; false for
    // a name not listed and on any failure. The show members open the dialog, modally, on a new instance
    // of the filter (no owner window); failures are swallowed.
    bool AudioCodecHasDialog(const std::wstring& name, TZRPropertyPage pageType) const;
    bool VideoCodecHasDialog(const std::wstring& name, TZRPropertyPage pageType) const;
    bool FilterHasDialog(const std::wstring& name, TZRPropertyPage pageType) const;
    void AudioCodecShowDialog(const std::wstring& name, TZRPropertyPage pageType) const;
    void VideoCodecShowDialog(const std::wstring& name, TZRPropertyPage pageType) const;
    void FilterShowDialog(const std::wstring& name, TZRPropertyPage pageType) const;

private:
    uint32_t FReads = 0;  // reads started so far
    bool FAdditionalStreams = false;
    TZRStreamSet FStreams;
    std::wstring FFileFormat;
    std::wstring FVideoMajorType, FVideoSubType, FOtherMajorType, FOtherSubType;
    TZRWideStringList FList_AudioCodecs, FList_VideoCodecs, FList_DirectShowFilters;
};
