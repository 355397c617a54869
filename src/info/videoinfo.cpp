#include "info/videoinfo.h"

#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <dvdmedia.h>

#include <cstddef>
#include <memory>

#include "core/mediafmt.h"
#include "graph/comptr.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "graph/mtdescr.h"
#include "info/boundedcall.h"

// The record builder reads the platform's format blocks at these offsets.
static_assert(offsetof(VIDEOINFOHEADER, dwBitRate) == 32 && offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40 &&
              offsetof(VIDEOINFOHEADER, bmiHeader) == 48 && sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX) == 56 && offsetof(VIDEOINFOHEADER2, dwPictAspectRatioY) == 60 &&
              offsetof(VIDEOINFOHEADER2, bmiHeader) == 72 && sizeof(VIDEOINFOHEADER2) == 112);
static_assert(offsetof(BITMAPINFOHEADER, biWidth) == 4 && offsetof(BITMAPINFOHEADER, biHeight) == 8 &&
              offsetof(BITMAPINFOHEADER, biBitCount) == 14 && offsetof(BITMAPINFOHEADER, biCompression) == 16);
static_assert(offsetof(WAVEFORMATEX, nChannels) == 2 && offsetof(WAVEFORMATEX, nSamplesPerSec) == 4 &&
              offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8 && offsetof(WAVEFORMATEX, wBitsPerSample) == 14);

namespace {

bool FileExists(const std::wstring& name) {
    if (name.empty()) return false;
    const DWORD a = GetFileAttributesW(name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

TZRMediaTypeView View(const AM_MEDIA_TYPE& mt) {
    TZRMediaTypeView v;
    v.majortype = ToZRGuid(mt.majortype);
    v.subtype = ToZRGuid(mt.subtype);
    v.formattype = ToZRGuid(mt.formattype);
    v.cbFormat = mt.cbFormat;
    v.pbFormat = mt.pbFormat;
    return v;
}

// Frees a media type the platform handed out, also when its use throws.
struct MediaTypeGuard {
    AM_MEDIA_TYPE& mt;
    ~MediaTypeGuard() { zr::FreeMediaType(mt); }
};

template <class T>
const T& Checked(const std::vector<T>& list, int32_t stream) {
    if (stream < 0 || stream >= static_cast<int32_t>(list.size())) ThrowListIndexError(stream);
    return list[static_cast<size_t>(stream)];
}

// The video record of a stream number, or an empty one for a number not below the count.
const TZRVideoStreamInfo& VideoOf(const std::vector<TZRVideoStreamInfo>& list, int32_t stream) {
    static const TZRVideoStreamInfo kNone;
    if (stream < 0) ThrowListIndexError(stream);
    return stream < static_cast<int32_t>(list.size()) ? list[static_cast<size_t>(stream)] : kNone;
}

// The dialog operations: the category's entry of that name, as a new filter instance (nil when absent).
ComPtr<IBaseFilter> ListedFilter(REFGUID category, const std::wstring& name) {
    TZRSysDevEnum e(category);
    return e.GetBaseFilter(e.FilterIndexOfFriendlyName(name));
}

bool HasDialog(REFGUID category, const std::wstring& name, TZRPropertyPage pageType) {
    try {
        ComPtr<IBaseFilter> f = ListedFilter(category, name);
        return f && HasPropertyPage(f.Get(), pageType);
    } catch (...) {
        return false;
    }
}

void ShowDialog(REFGUID category, const std::wstring& name, TZRPropertyPage pageType) {
    try {
        ComPtr<IBaseFilter> f = ListedFilter(category, name);
        if (f) ShowPropertyPage(nullptr, f.Get(), pageType);
    } catch (...) {
    }
}

void FillList(TZRSysDevEnum& e, REFGUID category, TZRWideStringList& list) {
    e.SelectGUIDCategory(category);
    for (int i = 0; i < e.CountFilters(); ++i) list.Add(e.GetFilter(i).FriendlyName);
}

}  // namespace

// --- Reading a file

namespace {

// What the media detector said, gathered on the probing thread.
struct TDetectorProbe {
    bool refused = false;  // put_Filename failed
    struct Stream {
        TZRMediaType type;
        TZRDetectorValues values;
    };
    std::vector<Stream> streams;
};

// What the stream selector of the demultiplexer in a trial graph said: its stream count and their types.
struct TSelectorProbe {
    DWORD count = 0;
    std::vector<TZRMediaType> types;
};

void ProbeDetector(const std::wstring& file, TDetectorProbe& out) {
    ComPtr<IMediaDet> det;
    if (FAILED(CreateInstance(zr::CLSID_MediaDet, det))) return;
    BSTR name = SysAllocString(file.c_str());
    const HRESULT hr = name ? det->put_Filename(name) : E_OUTOFMEMORY;
    SysFreeString(name);
    if (FAILED(hr)) {
        out.refused = true;
        return;
    }
    long streams = 0;
    if (FAILED(det->get_OutputStreams(&streams))) return;
    for (long i = 0; i < streams; ++i) {
        if (FAILED(det->put_CurrentStream(i))) continue;
        AM_MEDIA_TYPE mt = {};
        if (FAILED(det->get_StreamMediaType(&mt))) continue;
        MediaTypeGuard guard{mt};
        TDetectorProbe::Stream s{TZRMediaType(mt), {}};
        s.values.hasLength = SUCCEEDED(det->get_StreamLength(&s.values.length));
        s.values.hasFrameRate = SUCCEEDED(det->get_FrameRate(&s.values.frameRate));
        out.streams.push_back(std::move(s));
    }
}

void ProbeSelector(const std::wstring& file, TSelectorProbe& out) {
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    if (FAILED(CreateInstance(CLSID_FilterGraph, graph))) return;
    if (FAILED(CreateInstance(CLSID_CaptureGraphBuilder2, builder)) || FAILED(builder->SetFiltergraph(graph.Get())))
        return;
    const HRESULT hr = graph->RenderFile(file.c_str(), nullptr);
    if (hr != S_OK && hr != VFW_S_PARTIAL_RENDER && hr != VFW_S_VIDEO_NOT_RENDERED && hr != VFW_S_AUDIO_NOT_RENDERED)
        return;
    const std::wstring splitterName = FindSplitterName(graph.Get());
    if (splitterName.empty()) return;
    ComPtr<IBaseFilter> splitter;
    if (FAILED(graph->FindFilterByName(splitterName.c_str(), splitter.Put())) || !splitter) return;
    ComPtr<IAMStreamSelect> select;
    if (FAILED(splitter->QueryInterface(IID_IAMStreamSelect, select.PutVoid())) || !select) return;
    if (FAILED(select->Count(&out.count))) {
        out.count = 0;
        return;
    }
    for (DWORD i = 0; i < out.count; ++i) {
        AM_MEDIA_TYPE* pmt = nullptr;
        WCHAR* streamName = nullptr;
        if (FAILED(select->Info(static_cast<long>(i), &pmt, nullptr, nullptr, nullptr, &streamName, nullptr, nullptr)))
            continue;
        struct Owned {
            AM_MEDIA_TYPE* mt;
            WCHAR* name;
            ~Owned() {
                zr::DeleteMediaType(mt);
                CoTaskMemFree(name);
            }
        } owned{pmt, streamName};
        if (pmt) out.types.emplace_back(*pmt);
    }
    // The trial graph is released without having run.
}

}  // namespace

TZRReadOutcome TZRVideoInfoMP::ReadInfo() {
    // The probes run while the calling thread answers other threads (info/boundedcall.h), where a host call
    // may read again: everything the read yields is gathered first and stored at the end, in one go, unless
    // a read started meanwhile has already stored its own.
    const uint32_t read = ++FReads;
    try {
        const std::wstring file = FileName;
        if (!FileExists(file)) {
            FStreams.Clear();
            FAdditionalStreams = false;
            FVideoMajorType = L"FILE NOT FOUND";
            return TZRReadOutcome::Complete;
        }
        std::wstring format;
        try {
            format = FileFormatFromName(file);
        } catch (...) {
            format.clear();
        }

        // The media detector, stream by stream.
        auto det = std::make_shared<TDetectorProbe>();
        const uint32_t bound = ProbeTimeout();
        const bool detectorDone = RunBounded([det, file] { ProbeDetector(file, *det); }, bound);
        // The demultiplexer's stream selector may know more streams than the detector listed.
        auto sel = std::make_shared<TSelectorProbe>();
        const bool selectorDone = detectorDone && RunBounded([sel, file] { ProbeSelector(file, *sel); }, bound);
        if (read != FReads) return TZRReadOutcome::Superseded;

        FStreams.Clear();
        FAdditionalStreams = false;
        FFileFormat = format;
        if (!detectorDone) {
            // The platform's parser stalled on the file: nothing more is asked of it.
            FVideoMajorType = L"ERROR";
            return TZRReadOutcome::GivenUp;
        }
        if (det->refused) FVideoMajorType = L"ERROR";
        for (const auto& s : det->streams) FStreams.Add(View(*s.type.AMMediaType()), &s.values);
        if (selectorDone) {
            const uint64_t known = FStreams.Video.size() + FStreams.Audio.size() + FStreams.Text.size();
            if (sel->count > 0 && sel->count > known) {
                FAdditionalStreams = true;
                FStreams.ClearLists();
                for (const auto& t : sel->types) FStreams.Add(View(*t.AMMediaType()), nullptr);
            }
        }
        FStreams.Finish(GetFileSize64(file));
        return selectorDone ? TZRReadOutcome::Complete : TZRReadOutcome::GivenUp;
    } catch (...) {
        return read == FReads ? TZRReadOutcome::Complete : TZRReadOutcome::Superseded;
    }
}

// --- Per-stream getters

int32_t TZRVideoInfoMP::Video_Width(int32_t s) const { return VideoOf(FStreams.Video, s).Width; }
int32_t TZRVideoInfoMP::Video_Height(int32_t s) const { return VideoOf(FStreams.Video, s).Height; }
double TZRVideoInfoMP::Video_FrameRate(int32_t s) const { return VideoOf(FStreams.Video, s).FrameRate; }
int32_t TZRVideoInfoMP::Video_FramesCount(int32_t s) const { return VideoOf(FStreams.Video, s).FramesCount; }
double TZRVideoInfoMP::Video_Bitrate(int32_t s) const { return VideoOf(FStreams.Video, s).Bitrate; }
std::wstring TZRVideoInfoMP::Video_Codec(int32_t s) const { return VideoOf(FStreams.Video, s).Codec; }
std::wstring TZRVideoInfoMP::Video_FourCC(int32_t s) const { return VideoOf(FStreams.Video, s).FourCC; }
std::wstring TZRVideoInfoMP::Video_Duration(int32_t s) const { return VideoOf(FStreams.Video, s).Duration; }
int64_t TZRVideoInfoMP::Video_DurationMSec(int32_t s) const { return VideoOf(FStreams.Video, s).DurationMSec; }
double TZRVideoInfoMP::Video_AspectRatio(int32_t s) const { return VideoOf(FStreams.Video, s).AspectRatio; }
std::wstring TZRVideoInfoMP::Video_AspectRatioStr(int32_t s) const { return VideoOf(FStreams.Video, s).AspectRatioStr; }
int32_t TZRVideoInfoMP::Video_AspectW(int32_t s) const { return VideoOf(FStreams.Video, s).AspectW; }
int32_t TZRVideoInfoMP::Video_AspectH(int32_t s) const { return VideoOf(FStreams.Video, s).AspectH; }
std::wstring TZRVideoInfoMP::Video_MPEGAudioTag(int32_t s) const { return VideoOf(FStreams.Video, s).MpegAudioTag; }
int32_t TZRVideoInfoMP::Audio_Bitrate(int32_t s) const { return Checked(FStreams.Audio, s).Bitrate; }
int32_t TZRVideoInfoMP::Audio_BPS(int32_t s) const { return Checked(FStreams.Audio, s).BPS; }
int32_t TZRVideoInfoMP::Audio_Channels(int32_t s) const { return Checked(FStreams.Audio, s).Channels; }
int32_t TZRVideoInfoMP::Audio_SampleRate(int32_t s) const { return Checked(FStreams.Audio, s).SampleRate; }
std::wstring TZRVideoInfoMP::Audio_Codec(int32_t s) const { return Checked(FStreams.Audio, s).Codec; }
std::wstring TZRVideoInfoMP::Audio_CodecInfo(int32_t s) const { return Checked(FStreams.Audio, s).CodecInfo; }
std::wstring TZRVideoInfoMP::Audio_Duration(int32_t s) const { return Checked(FStreams.Audio, s).Duration; }
int64_t TZRVideoInfoMP::Audio_DurationMSec(int32_t s) const { return Checked(FStreams.Audio, s).DurationMSec; }
std::wstring TZRVideoInfoMP::Text_Codec(int32_t s) const { return Checked(FStreams.Text, s).Codec; }
std::wstring TZRVideoInfoMP::Text_Language(int32_t s) const { return Checked(FStreams.Text, s).Language; }
std::wstring TZRVideoInfoMP::Text_Name(int32_t s) const { return Checked(FStreams.Text, s).Name; }

// --- Installed codecs and filters

void TZRVideoInfoMP::ReadLists() {
    FList_AudioCodecs.Clear();
    FList_VideoCodecs.Clear();
    FList_DirectShowFilters.Clear();
    TZRSysDevEnum e;
    FillList(e, CLSID_AudioCompressorCategory, FList_AudioCodecs);
    FillList(e, CLSID_VideoCompressorCategory, FList_VideoCodecs);
    FillList(e, CLSID_LegacyAmFilterCategory, FList_DirectShowFilters);
}

bool TZRVideoInfoMP::AudioCodecHasDialog(const std::wstring& n, TZRPropertyPage p) const {
    return HasDialog(CLSID_AudioCompressorCategory, n, p);
}
bool TZRVideoInfoMP::VideoCodecHasDialog(const std::wstring& n, TZRPropertyPage p) const {
    return HasDialog(CLSID_VideoCompressorCategory, n, p);
}
bool TZRVideoInfoMP::FilterHasDialog(const std::wstring& n, TZRPropertyPage p) const {
    return HasDialog(CLSID_LegacyAmFilterCategory, n, p);
}
void TZRVideoInfoMP::AudioCodecShowDialog(const std::wstring& n, TZRPropertyPage p) const {
    ShowDialog(CLSID_AudioCompressorCategory, n, p);
}
void TZRVideoInfoMP::VideoCodecShowDialog(const std::wstring& n, TZRPropertyPage p) const {
    ShowDialog(CLSID_VideoCompressorCategory, n, p);
}
void TZRVideoInfoMP::FilterShowDialog(const std::wstring& n, TZRPropertyPage p) const {
    ShowDialog(CLSID_LegacyAmFilterCategory, n, p);
}
