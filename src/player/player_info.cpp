// Media information members: the file reader with its cache, the trial render, the codec and filter lists.
#include <cstdint>
#include <memory>

#include "core/codecnames.h"
#include "graph/graphutil.h"
#include "info/boundedcall.h"
#include "info/graphdump.h"
#include "info/videoinfo.h"
#include "player/player.h"

namespace {
int32_t Low32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
}  // namespace

TZRVideoInfoMP& TZRMediaPlayer::Reader() {
    if (!Info) Info = std::make_unique<TZRVideoInfoMP>();
    return *Info;
}

bool TZRMediaPlayer::Info_Read() {
    try {
        if (!Info) return false;
        const std::wstring name = FFilenameOrURL;
        const int64_t size = GetFileSize64(name);
        if (FPreviousInfoFileName == name && size == FPreviousInfoFileSize) return true;
        Info->FileName = name;
        // The key is stored once the read is done: while its probes run, a host call may ask for the same
        // file, which must not be answered from the cache before the values are in. A read whose probe was
        // given up is not kept at all (the key goes back to its initial values, which no file matches), so
        // the next read of that file probes again instead of answering "no streams" for good. A read that a
        // later one (made from such a host call) superseded leaves that one's key.
        switch (Info->ReadInfo()) {
        case TZRReadOutcome::Complete:
            FPreviousInfoFileName = name;
            FPreviousInfoFileSize = size;
            break;
        case TZRReadOutcome::GivenUp:
            FPreviousInfoFileName.clear();
            FPreviousInfoFileSize = 0;
            break;
        case TZRReadOutcome::Superseded:
            break;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TZRMediaPlayer::ReadInfoForPlay() {
    // The read's probes run while this thread answers other threads, so a host call can arrive here. One that
    // builds or tears down a playback (Play, Stop, Close) was made after this Play: its outcome stands, and
    // this Play builds nothing. A file name changed meanwhile is read again (a few times at most), so the
    // build never pairs one file's information with another file.
    const uint32_t generation = FGraphGeneration;
    for (int i = 0; i < 3; ++i) {
        const std::wstring name = FFilenameOrURL;
        Info_Read();
        if (FGraphGeneration != generation) return false;
        if (FFilenameOrURL == name) break;
    }
    return true;
}

std::wstring TZRMediaPlayer::Info_FileFormat() {
    try {
        return Info ? Info->FileFormat() : std::wstring();
    } catch (...) {
        return {};
    }
}

bool TZRMediaPlayer::Info_IsFilePlayable(TZRFilePlayError& ErrorCode, std::wstring& ErrorText) {
    try {
        // The trial graph lives on a thread of its own (a stalled render is given up after a while) and is
        // registered for graph tools while it exists, whatever Debug_Mode says. It is never run.
        struct Trial {
            bool created = false;
            HRESULT hr = E_FAIL;
        };
        auto trial = std::make_shared<Trial>();
        const std::wstring file = FFilenameOrURL;
        const bool finished = RunBounded([trial, file] {
            ComPtr<IGraphBuilder> graph;
            if (FAILED(CreateInstance(CLSID_FilterGraph, graph))) return;
            trial->created = true;
            DWORD registration = 0;
            const bool registered = SUCCEEDED(AddGraphToRot(graph.Get(), &registration));
            trial->hr = graph->RenderFile(file.c_str(), nullptr);
            if (registered) RemoveGraphFromRot(registration);
        });
        if (finished && !trial->created) return false;
        const TZRFilePlayResult r = FilePlayResult(finished ? trial->hr : VFW_E_TIMEOUT);
        ErrorCode = static_cast<TZRFilePlayError>(r.code);
        ErrorText = r.text;
        return r.playable;
    } catch (...) {
        return false;
    }
}

int32_t TZRMediaPlayer::Info_Video_Streams_Count() { return Info ? Info->VideoStreamsCount() : 0; }
int32_t TZRMediaPlayer::Info_Audio_Streams_Count() { return Info ? Info->AudioStreamsCount() : 0; }
int32_t TZRMediaPlayer::Info_Text_Streams_Count() { return Info ? Info->TextStreamsCount() : 0; }
bool TZRMediaPlayer::Info_Audio_Streams_AllInOne() { return Info && Info->AdditionalStreams(); }

int32_t TZRMediaPlayer::Info_Video_Width(int32_t n) { return Reader().Video_Width(n); }
int32_t TZRMediaPlayer::Info_Video_Height(int32_t n) { return Reader().Video_Height(n); }
int32_t TZRMediaPlayer::Info_Video_FramesCount(int32_t n) { return Reader().Video_FramesCount(n); }
int32_t TZRMediaPlayer::Info_Video_AspectW(int32_t n) { return Reader().Video_AspectW(n); }
int32_t TZRMediaPlayer::Info_Video_AspectH(int32_t n) { return Reader().Video_AspectH(n); }
double TZRMediaPlayer::Info_Video_FrameRate(int32_t n) { return Reader().Video_FrameRate(n); }
double TZRMediaPlayer::Info_Video_Bitrate(int32_t n) { return Reader().Video_Bitrate(n); }
double TZRMediaPlayer::Info_Video_AspectRatio(int32_t n) { return Reader().Video_AspectRatio(n); }
std::wstring TZRMediaPlayer::Info_Video_Codec(int32_t n) { return Reader().Video_Codec(n); }
std::wstring TZRMediaPlayer::Info_Video_FourCC(int32_t n) { return Reader().Video_FourCC(n); }
std::wstring TZRMediaPlayer::Info_Video_Duration(int32_t n) { return Reader().Video_Duration(n); }
std::wstring TZRMediaPlayer::Info_Video_AspectRatioStr(int32_t n) { return Reader().Video_AspectRatioStr(n); }
std::wstring TZRMediaPlayer::Info_Video_MpegAudioTag(int32_t n) { return Reader().Video_MPEGAudioTag(n); }
int32_t TZRMediaPlayer::Info_Video_DurationMSec(int32_t n) { return Low32(Reader().Video_DurationMSec(n)); }
int32_t TZRMediaPlayer::Info_Audio_DurationMSec(int32_t n) { return Low32(Reader().Audio_DurationMSec(n)); }
int32_t TZRMediaPlayer::Info_Audio_Bitrate(int32_t n) { return Reader().Audio_Bitrate(n); }
int32_t TZRMediaPlayer::Info_Audio_BPS(int32_t n) { return Reader().Audio_BPS(n); }
int32_t TZRMediaPlayer::Info_Audio_Channels(int32_t n) { return Reader().Audio_Channels(n); }
int32_t TZRMediaPlayer::Info_Audio_SampleRate(int32_t n) { return Reader().Audio_SampleRate(n); }
std::wstring TZRMediaPlayer::Info_Audio_Codec(int32_t n) { return Reader().Audio_Codec(n); }
std::wstring TZRMediaPlayer::Info_Audio_CodecInfo(int32_t n) { return Reader().Audio_CodecInfo(n); }
std::wstring TZRMediaPlayer::Info_Audio_Duration(int32_t n) { return Reader().Audio_Duration(n); }
std::wstring TZRMediaPlayer::Info_Text_Codec(int32_t n) { return Reader().Text_Codec(n); }
std::wstring TZRMediaPlayer::Info_Text_Language(int32_t n) { return Reader().Text_Language(n); }
std::wstring TZRMediaPlayer::Info_Text_Name(int32_t n) { return Reader().Text_Name(n); }

void TZRMediaPlayer::Info_Read_Lists() { Reader().ReadLists(); }
int32_t TZRMediaPlayer::Info_List_AudioCodecs_GetCount() { return Reader().List_AudioCodecs_GetCount(); }
std::wstring TZRMediaPlayer::Info_List_AudioCodecs_GetItem(int32_t i) { return Reader().List_AudioCodecs_GetItem(i); }
int32_t TZRMediaPlayer::Info_List_VideoCodecs_GetCount() { return Reader().List_VideoCodecs_GetCount(); }
std::wstring TZRMediaPlayer::Info_List_VideoCodecs_GetItem(int32_t i) { return Reader().List_VideoCodecs_GetItem(i); }
int32_t TZRMediaPlayer::Info_List_DirectShowFilters_GetCount() { return Reader().List_DirectShowFilters_GetCount(); }
std::wstring TZRMediaPlayer::Info_List_DirectShowFilters_GetItem(int32_t i) {
    return Reader().List_DirectShowFilters_GetItem(i);
}
bool TZRMediaPlayer::Info_Audio_Codec_HasDialog(const std::wstring& name, TZRPropertyPage page) {
    return Reader().AudioCodecHasDialog(name, page);
}
void TZRMediaPlayer::Info_Audio_Codec_ShowDialog(const std::wstring& name, TZRPropertyPage page) {
    Reader().AudioCodecShowDialog(name, page);
}
bool TZRMediaPlayer::Info_Video_Codec_HasDialog(const std::wstring& name, TZRPropertyPage page) {
    return Reader().VideoCodecHasDialog(name, page);
}
void TZRMediaPlayer::Info_Video_Codec_ShowDialog(const std::wstring& name, TZRPropertyPage page) {
    Reader().VideoCodecShowDialog(name, page);
}
bool TZRMediaPlayer::Info_Filter_HasDialog(const std::wstring& name, TZRPropertyPage page) {
    return Reader().FilterHasDialog(name, page);
}
void TZRMediaPlayer::Info_Filter_ShowDialog(const std::wstring& name, TZRPropertyPage page) {
    Reader().FilterShowDialog(name, page);
}

std::wstring TZRMediaPlayer::Helpful_SecondsToTimeFormatted(int32_t seconds) { return SecondsToTimeFormatted(seconds); }
