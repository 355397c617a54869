#include "info/videoinfo.h"

#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <dvdmedia.h>
#include <cmath>
#include <stdexcept>

#include "core/mediafmt.h"
#include "core/timeconv.h"
#include "core/widestrlist.h"
#include "graph/comptr.h"
#include "graph/graphutil.h"
#include "graph/guids.h"

namespace {

bool FileExists(const std::wstring& name) {
    if (name.empty()) return false;
    DWORD a = GetFileAttributesW(name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Length of the detector's current stream in seconds; 0 when it reports none.
double StreamLength(IMediaDet* det) {
    double len = 0;
    if (!det || FAILED(det->get_StreamLength(&len)) || !std::isfinite(len) || len < 0) return 0;
    return len;
}

int64_t SecondsToMs(double s) { return RoundHalfEven(s * 1000.0); }

std::wstring DurationText(double seconds) {
    double t = std::trunc(seconds);
    if (t > 2147483647.0) t = 2147483647.0;
    return TimeText(static_cast<int32_t>(t));
}

}  // namespace

int32_t TZRVideoInfoMP::Video_Width(int32_t s) const {
    if (s < 0) ThrowListIndexError(s);
    return s < VideoStreamsCount() ? FVideoStreams[s].Width : 0;
}
int32_t TZRVideoInfoMP::Video_Height(int32_t s) const {
    if (s < 0) ThrowListIndexError(s);
    return s < VideoStreamsCount() ? FVideoStreams[s].Height : 0;
}
double TZRVideoInfoMP::Video_FrameRate(int32_t s) const {
    if (s < 0) ThrowListIndexError(s);
    return s < VideoStreamsCount() ? FVideoStreams[s].FrameRate : 0.0;
}
int64_t TZRVideoInfoMP::Video_DurationMSec(int32_t s) const {
    if (s < 0) ThrowListIndexError(s);
    return s < VideoStreamsCount() ? FVideoStreams[s].DurationMSec : 0;
}
int64_t TZRVideoInfoMP::Audio_DurationMSec(int32_t s) const {
    if (s < 0 || s >= AudioStreamsCount()) ThrowListIndexError(s);
    return FAudioStreams[s].DurationMSec;
}

void TZRVideoInfoMP::AddStreamFromMediaType(const AM_MEDIA_TYPE& mt, IMediaDet* det) {
    const bool hasFormat = mt.cbFormat != 0 && mt.pbFormat != nullptr;
    if (mt.majortype == MEDIATYPE_Video) {
        const bool vih = mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_MPEGVideo;
        const bool vih2 = mt.formattype == FORMAT_VideoInfo2 || mt.formattype == FORMAT_MPEG2Video;
        if (!vih && !vih2) return;
        TZRVideoStreamInfo v;
        double len = StreamLength(det);
        if (det && len > 0) {
            v.Duration = DurationText(len);
            v.DurationMSec = SecondsToMs(len);
            double fr = 0;
            if (SUCCEEDED(det->get_FrameRate(&fr)) && std::isfinite(fr)) v.FrameRate = fr;
            FDefVideoDuration = v.Duration;
            FDefVideoDurationMSec = v.DurationMSec;
            FDefVideoDurationDouble = len;
        }
        // A format block too small for its header is treated as absent.
        const size_t need = vih ? sizeof(VIDEOINFOHEADER) : sizeof(VIDEOINFOHEADER2);
        if (hasFormat && mt.cbFormat >= need) {
            const BITMAPINFOHEADER* bih;
            REFERENCE_TIME avg;
            if (vih) {
                auto* h = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
                bih = &h->bmiHeader;
                avg = h->AvgTimePerFrame;
                v.Bitrate = static_cast<double>(h->dwBitRate);
            } else {
                auto* h = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
                bih = &h->bmiHeader;
                avg = h->AvgTimePerFrame;
                v.Bitrate = static_cast<double>(h->dwBitRate);
            }
            v.Width = bih->biWidth;
            v.Height = bih->biHeight;
            if (vih) {
                v.AspectRatio = v.Height != 0 ? static_cast<double>(v.Width) / v.Height : 0.0;
                AspectReduction(v.Width, v.Height, v.AspectRatioStr, v.AspectW, v.AspectH);
            } else {
                auto* h = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
                v.AspectW = static_cast<int32_t>(h->dwPictAspectRatioX);
                v.AspectH = static_cast<int32_t>(h->dwPictAspectRatioY);
                if (v.AspectW == v.Width && v.AspectH == v.Height)
                    AspectReduction(v.Width, v.Height, v.AspectRatioStr, v.AspectW, v.AspectH);
                else
                    v.AspectRatioStr = std::to_wstring(v.AspectW) + L":" + std::to_wstring(v.AspectH);
                v.AspectRatio = v.AspectH != 0 ? static_cast<double>(v.AspectW) / v.AspectH : 0.0;
            }
            if (len < 0.01) {
                v.Duration = FDefVideoDuration;
                v.DurationMSec = FDefVideoDurationMSec;
                len = FDefVideoDurationDouble;
            }
            if (v.FrameRate < 0.01 && avg > 0) v.FrameRate = 10000000.0 / static_cast<double>(avg);
            double frames = len * v.FrameRate;
            if (std::isfinite(frames) && frames < 2147483647.0) v.FramesCount = static_cast<int32_t>(RoundHalfEven(frames));
        }
        FVideoStreams.push_back(std::move(v));
    } else if (mt.majortype == MEDIATYPE_Audio) {
        TZRAudioStreamInfo a;
        if (mt.formattype == FORMAT_WaveFormatEx && hasFormat && mt.cbFormat >= sizeof(WAVEFORMAT)) {
            double len = StreamLength(det);
            if (det && len > 0) {
                a.Duration = DurationText(len);
                a.DurationMSec = SecondsToMs(len);
                FDefAudioDuration = a.Duration;
                FDefAudioDurationMSec = a.DurationMSec;
                FDefAudioDurationDouble = len;
            }
            if (len < 0.01) {
                a.Duration = FDefAudioDuration;
                a.DurationMSec = FDefAudioDurationMSec;
            }
            auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
            a.SampleRate = static_cast<int32_t>(wf->nSamplesPerSec);
            a.Bitrate = static_cast<int32_t>(wf->nAvgBytesPerSec);
            a.Channels = wf->nChannels;
            if (mt.cbFormat >= sizeof(PCMWAVEFORMAT)) a.BPS = wf->wBitsPerSample;
        }
        FAudioStreams.push_back(std::move(a));
    }
}

void TZRVideoInfoMP::ReadInfo() {
    try {
        FVideoStreams.clear();
        FAudioStreams.clear();
        FSubtitles.clear();
        FAdditionalStreams = false;
        if (!FileExists(FileName)) {
            FVideoMajorType = L"FILE NOT FOUND";
            return;
        }
        FFileFormat = FileFormatFromName(FileName);

        HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<IMediaDet> det;
            if (SUCCEEDED(CreateInstance(zr::CLSID_MediaDet, det))) {
                BSTR name = SysAllocString(FileName.c_str());
                HRESULT hr = det->put_Filename(name);
                SysFreeString(name);
                if (FAILED(hr)) {
                    FVideoMajorType = L"ERROR";
                } else {
                    long streams = 0;
                    if (FAILED(det->get_OutputStreams(&streams))) streams = 0;
                    for (long i = 0; i < streams; ++i) {
                        if (FAILED(det->put_CurrentStream(i))) continue;
                        AM_MEDIA_TYPE mt = {};
                        if (SUCCEEDED(det->get_StreamMediaType(&mt))) {
                            AddStreamFromMediaType(mt, det.Get());
                            zr::FreeMediaType(mt);
                        }
                    }
                }
            }
        }
        if (SUCCEEDED(co)) CoUninitialize();

        // A video stream without a length of its own takes the longest audio stream's.
        bool zeroVideo = false;
        for (auto& v : FVideoStreams) zeroVideo |= v.DurationMSec == 0;
        if (zeroVideo) {
            int64_t best = 0;
            std::wstring bestText;
            for (auto& a : FAudioStreams)
                if (a.DurationMSec > best) { best = a.DurationMSec; bestText = a.Duration; }
            for (auto& v : FVideoStreams) {
                if (v.DurationMSec != 0) continue;
                v.DurationMSec = best;
                v.Duration = bestText;
                double frames = v.FrameRate * static_cast<double>(best) / 1000.0;
                if (std::isfinite(frames) && frames < 2147483647.0) v.FramesCount = static_cast<int32_t>(RoundHalfEven(frames));
            }
        }
        if (!FVideoStreams.empty() && FVideoStreams[0].Bitrate <= 0 && FVideoStreams[0].DurationMSec > 0) {
            int64_t size = GetFileSize64(FileName);
            if (size > 0) FVideoStreams[0].Bitrate = static_cast<double>(size) / (FVideoStreams[0].DurationMSec / 1000.0);
        }
    } catch (...) {
    }
}
