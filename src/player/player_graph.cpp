// Building, running and tearing down the playback graph.
#include <windows.h>
#include <dshow.h>

#include "core/textutil.h"
#include "core/timeconv.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "graph/sysdevenum.h"
#include "info/graphdump.h"
#include "info/videoinfo.h"
#include "player/netsource.h"
#include "player/player.h"
#include "player/texts.h"

namespace {

bool FileExistsForPlay(const std::wstring& name) {
    if (name.empty()) return false;
    // GetFileAttributes follows a symbolic link to its target, so a dangling link counts as missing.
    HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    bool ok = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(h);
    return ok;
}

bool IsOneOf(const std::wstring& s, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* n : names)
        if (s == n) return true;
    return false;
}

}  // namespace

IFilterGraph2* TZRMediaPlayer::Graph2() {
    // The graph object implements IFilterGraph2 on every platform the control runs on; the pointer is only
    // used for the duration of a call, while dsFilterGraph holds the graph.
    if (!dsFilterGraph) return nullptr;
    ComPtr<IFilterGraph2> g = dsFilterGraph.As<IFilterGraph2>();
    return g.Get();
}

bool TZRMediaPlayer::Play() {
    try {
        // 1. A file must exist.
        if (FSource_Mode == SM_File && !FileExistsForPlay(FFilenameOrURL)) {
            ReportError(ZRText::kCantFindInputFile);
            return false;
        }
        // 2. Even window size.
        if (FHandle) {
            int w = Width(), h = Height();
            int ew = w - w % 2, eh = h - h % 2;
            if (ew != w || eh != h) {
                RECT r;
                GetWindowRect(FHandle, &r);
                int bw = (r.right - r.left) - w, bh = (r.bottom - r.top) - h;
                SetWindowPos(FHandle, nullptr, 0, 0, ew + bw, eh + bh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
        // 3. A paused playback simply runs again.
        if (FStatus == ST_PAUSE && dsMediaControl) {
            FPUGuard guard;
            dsMediaControl->Run();
            FStatus = ST_PLAY;
            return false;
        }
        // 4. Tear down what the previous playback left.
        Stop();
        Close();
        // 5. Media information.
        if (FSource_Mode == SM_DVD) {
            // DVD information is read by the DVD graph step.
        } else if (!ReadInfoForPlay()) {
            return false;
        }
        // 6-8.
        FOSDUpdateLayers = true;
        FStatus = ST_PLAY;
        BuildGraph();
        return true;
    } catch (...) {
        ReportError(ZRText::kUnableToPlay);
        return false;
    }
}

void TZRMediaPlayer::Close() {
    try {
        if (FStatus != ST_FREE) Stop();
        ClearGraph(false);
    } catch (...) {
        ReportError(ZRText::kUnableToClose);
    }
}

void TZRMediaPlayer::CreateGraph() {
    try {
        ++FGraphGeneration;
        CreateInstance(CLSID_FilterGraph, dsFilterGraph);
        if (FDebug_Mode) RegisterGraphForDebug();
        if (FAILED(CreateInstance(CLSID_CaptureGraphBuilder2, dsCaptureBuilder))) throw 1;
        if (FAILED(dsCaptureBuilder->SetFiltergraph(dsFilterGraph.Get()))) throw 1;
        if (FAILED(dsFilterGraph.As(dsMediaControl))) throw 1;
        if (FAILED(dsFilterGraph.As(dsMediaSeeking))) throw 1;
        dsMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
        if (dsFilterGraph->QueryInterface(IID_IMediaEventEx, dsMediaEventEx.PutVoid()) == S_OK)
            dsMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(FHandle), WM_ZR_GRAPHEVENT, 0);
        dsFilterGraph.As(dsFrameStep);
        if (dsGraphCB) dsGraphCB->AssignToGraph(dsFilterGraph.Get());
    } catch (...) {
        ReportError(ZRText::kUnableToCreateGraph);
    }
}

void TZRMediaPlayer::BuildGraph() {
    // 1-2.
    FAudioAvailable = false;
    FVideoAvailable = false;
    FVideoWidth = 0;
    FVideoHeight = 0;
    FreeFrameBuffer();

    const int videoStreams = Info ? Info->VideoStreamsCount() : 0;
    const int audioStreams = Info ? Info->AudioStreamsCount() : 0;
    const std::wstring format = Info ? Info->FileFormat() : std::wstring();
    try {
        if (FSource_Mode == SM_DVD) {
            // 3.
            CreateGraph();
            DVD_BuildGraph();
        } else {
            // 4.
            CreateGraph();
            switch (FSource_Mode) {
            case SM_File:
                if (!dsFilterGraph) return;
                dsSource.Reset();
                dsFilterGraph->AddSourceFilter(FFilenameOrURL.c_str(), ZRText::kSourceFilterName, dsSource.Put());
                FAudioAvailable = audioStreams > 0 || FAdditionalAudioFiles.Count() > 0;
                FVideoAvailable = videoStreams > 0 || IsOneOf(format, {L"VOB", L"MPG", L"MPEG", L"MPEG 1/2"});
                break;
            case SM_Memory:
                MemorySource_Add();
                FAudioAvailable = FSource_Stream_Audio_Present;
                FVideoAvailable = FSource_Stream_Video_Present;
                break;
            case SM_MMS_WMV:
                NetworkSource_Add();
                break;
            default:
                break;
            }
            // 5. The video chain.
            if (FVideoAvailable) {
                if (FSource_Mode == SM_File && videoStreams > 0) {
                    FVideoWidth = Info->Video_Width(0);
                    FVideoHeight = Info->Video_Height(0);
                }
                if (!Trim(FVideo_Decoder).empty()) {
                    dsVideoDecoder = std::make_unique<TDSCatFilter>();
                    dsVideoDecoder->Filters = Filters();
                    dsVideoDecoder->SetFilterName(FVideo_Decoder);
                    if (!dsVideoDecoder->Init(Graph2())) {
                        ReportError(std::wstring(ZRText::kUnableToInitDecoder) + FVideo_Decoder);
                        dsVideoDecoder->Clear();
                        dsVideoDecoder.reset();
                    }
                }
                if (dsGraphCB) {
                    dsGraphCB->BlackListByCLSID().Clear();
                    dsGraphCB->BlackListByCLSID().Add(ZRText::kBlacklistClsid1);
                    dsGraphCB->BlackListByCLSID().Add(ZRText::kBlacklistClsid2);
                }
                if (FVideo_Effects_Enabled) {
                    VideoEffects_AddFilter();
                    if (dsVideoDecoder) Screen_RenderThroughDecoderAndEffects();
                } else if (dsVideoDecoder) {
                    Screen_RenderThroughDecoder();
                }
                if (!dsMainScreen) Screen_AddRenderer();
                if (FVideo_Effects_Enabled && !dsVideoDecoder) Screen_RenderThroughEffects();
                else if (!FVideo_Effects_Enabled && !dsVideoDecoder) Screen_RenderFromSource();
                MultiScreen_Build();
                if (dsMainScreen) dsMainScreen->Update_Renderer(Graph2());
                if (FDebug_Mode) SaveGraphDumps(L"play0");
                FindSplitter();
            }
            // 6. The audio branch.
            if (FAudio_Play && (FAudioAvailable || IsOneOf(format, {L"MP3", L"MP2", L"WMA", L"WAV", L"OGG", L"AAC", L"M4A"}))) {
                FAudioAvailable = true;
                if (FVideoAvailable) {
                    Audio_AddRenderers();
                    if (FAudio_Effects_Enabled) Audio_AddEffectFilters();
                    if (FAudio_Sample_Grabber_Enabled) Audio_AddSampleGrabbers();
                    Audio_ConnectRenderers();
                    Audio_AddAdditionalFiles();
                    Audio_GetInterfaces();
                } else {
                    Audio_AddRenderers();
                    Audio_RenderTo(dsSource.Get(), 1);
                    if (FAudio_Sample_Grabber_Enabled) Audio_AddSampleGrabbers();
                    Audio_ConnectRenderers();
                    Audio_GetInterfaces();
                }
            }
        }
        // 7-12.
        if (FVideoAvailable && dsMainScreen) dsMainScreen->Update_Renderer(Graph2());
        if (FDebug_Mode) SaveGraphDumps(L"play_run");
        if (FSelection_Active && dsMediaSeeking) {
            LONGLONG start = MsToUnits(FSelection_Start), stop = MsToUnits(FSelection_Stop);
            FPUGuard guard;
            dsMediaSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning);
        }
        if (!dsMediaControl) return;
        HRESULT run;
        {
            FPUGuard guard;
            run = dsMediaControl->Run();
        }
        if (FVideoAvailable && dsMainScreen) dsMainScreen->Update_Renderer(Graph2());
        if (FDebug_Mode) SaveGraphDumps(L"play_last");
        // The playback is built and started.
        if (SUCCEEDED(run) && OnStart) OnStart();
    } catch (...) {
        // A missing graph object ends the build here; the failing step has already reported.
    }
}

void TZRMediaPlayer::FindSplitter() {
    try {
        dsSplitter.Reset();
        if (!dsFilterGraph) return;
        std::wstring name = FindSplitterName(dsFilterGraph.Get());
        if (!name.empty()) dsFilterGraph->FindFilterByName(name.c_str(), dsSplitter.Put());
    } catch (...) {
        dsSplitter.Reset();
    }
}

void TZRMediaPlayer::ClearGraph(bool clearAudioChains) {
    // Releasing the graph stops it: no motion report may wait for this thread meanwhile.
    TMotionHold hold(*this);
    FreeFrameBuffer();
    try {
        if (dsMainScreen) {
            dsMainScreen->ClearVideoWindow();
            dsMainScreen->Clear();
        }
    } catch (...) {
    }
    dsMainScreen.reset();
    try { if (dsVideoEffects) dsVideoEffects->Clear(); } catch (...) {}
    dsVideoEffects.reset();
    try { if (dsVideoDecoder) dsVideoDecoder->Clear(); } catch (...) {}
    dsVideoDecoder.reset();
    try {
        dsMediaControl.Reset();
        dsMediaSeeking.Reset();
        if (dsMediaEventEx) dsMediaEventEx->SetNotifyWindow(0, 0, 0);
        dsMediaEventEx.Reset();
        dsFrameStep.Reset();
        for (auto& r : dsAudioRenderers) r.Reset();
        for (auto& b : dsBasicAudio) b.Reset();
        dsSource.Reset();
        dsStreamSelect.Reset();
        dsSplitter.Reset();
        dsAsyncExIntf.Reset();
    } catch (...) {
    }
    (void)clearAudioChains;  // the audio effect chains keep their effects across playbacks
    try {
        if (dsMMSSource) dsMMSSource->Clear();
    } catch (...) {
    }
    dsMMSSource.reset();
    try {
        dsCaptureBuilder.Reset();
    } catch (...) {
    }
    try {
        if (FRotRegister) {
            RemoveGraphFromRot(FRotRegister);
            FRotRegister = 0;
        }
        if (dsFilterGraph) ++FGraphGeneration;
        dsFilterGraph.Reset();
    } catch (...) {
    }
    FAudioStreamsCount = 0;
    try { Repaint(); } catch (...) {}
}

// --- steps that other subsystems fill in; a build without them skips the step

void TZRMediaPlayer::MultiScreen_Build() {}
void TZRMediaPlayer::DVD_BuildGraph() {}
void TZRMediaPlayer::Audio_AddEffectFilters() {}
void TZRMediaPlayer::Audio_AddSampleGrabbers() {}
void TZRMediaPlayer::Audio_AddAdditionalFiles() {}

// --- the audio branch: one renderer on the default output, fed by the first audio stream

void TZRMediaPlayer::Audio_AddRenderers() {
    try {
        if (!dsFilterGraph) return;
        dsAudioRenderers[0].Reset();
        if (FAILED(CreateInstance(CLSID_DSoundRender, dsAudioRenderers[0]))) return;
        std::wstring name = std::wstring(ZRText::kAudioRendererName) + L"1";
        if (FAILED(dsFilterGraph->AddFilter(dsAudioRenderers[0].Get(), name.c_str()))) dsAudioRenderers[0].Reset();
    } catch (...) {
    }
}

void TZRMediaPlayer::Audio_RenderTo(IBaseFilter* from, int slot) {
    try {
        if (!dsCaptureBuilder || !from || slot < 1 || slot > 8 || !dsAudioRenderers[slot - 1]) return;
        dsCaptureBuilder->RenderStream(nullptr, nullptr, from, nullptr, dsAudioRenderers[slot - 1].Get());
    } catch (...) {
    }
}

void TZRMediaPlayer::Audio_ConnectRenderers() {
    try {
        IBaseFilter* renderer = dsAudioRenderers[0].Get();
        if (!dsFilterGraph || !renderer || IsInputConnected(renderer)) return;
        // The first free audio output of any filter in the graph (normally the splitter's).
        TZRFilterList filters(dsFilterGraph.Get());
        for (int i = 0; i < filters.Count(); ++i) {
            IBaseFilter* f = filters.GetFilter(i).Get();
            if (f == renderer) continue;
            ComPtr<IPin> out, in;
            if (!FindFreePinByMajorType(f, PINDIR_OUTPUT, MEDIATYPE_Audio, out)) continue;
            if (!GetPinByIndex(renderer, PINDIR_INPUT, 1, in)) return;
            if (SUCCEEDED(dsFilterGraph->Connect(out.Get(), in.Get()))) {
                FAudioStreamsCount = 1;
                return;
            }
        }
    } catch (...) {
    }
}

void TZRMediaPlayer::Audio_GetInterfaces() {
    try {
        for (int i = 0; i < 8; ++i) {
            dsBasicAudio[i].Reset();
            if (dsAudioRenderers[i]) dsAudioRenderers[i].As(dsBasicAudio[i]);
        }
        if (dsAudioRenderers[0] && IsInputConnected(dsAudioRenderers[0].Get())) FAudioStreamsCount = 1;
    } catch (...) {
    }
}

// --- renderer builder steps

void TZRMediaPlayer::Screen_Prepare() {
    if (!dsMainScreen) dsMainScreen = std::make_unique<TDSScreen>();
    TDSScreen& s = *dsMainScreen;
    s.FlipHorizontal = FScreen_Flip_Horizontal;
    s.FlipVertical = FScreen_Flip_Vertical;
    s.FAspect_Ratio_Override = FScreen_Aspect_Ratio_Override;
    s.FAspect_Ratio_X = FScreen_Aspect_Ratio_X;
    s.FAspect_Ratio_Y = FScreen_Aspect_Ratio_Y;
    s.height = Height();
    s.width = Width();
    s.ScreenHandle = FHandle;
    s.Stretch = FScreen_Stretch;
    s.FOnError = OnError;
}

void TZRMediaPlayer::Screen_AddRenderer() {
    try {
        Screen_Prepare();
        TDSScreen& s = *dsMainScreen;
        s.VideoInWidth = 0;
        s.VideoInHeight = 0;
        if (FSource_Mode == SM_File && Info && Info->VideoStreamsCount() > 0) {
            s.VideoInWidth = Info->Video_Width(0);
            s.VideoInHeight = Info->Video_Height(0);
        } else if (FSource_Mode == SM_DVD) {
            s.VideoInWidth = FVideoWidth;
            s.VideoInHeight = FVideoHeight;
        }
        s.Renderer = FScreen_VideoRenderer;
        if (!s.Init_Renderer(Graph2(), 2)) ReportError(ZRText::kUnableToAddRenderer);
    } catch (...) {
        ReportError(ZRText::kUnableToAddRenderer);
    }
}

namespace {
// The major type of the connection at a filter's first input pin; GUID_NULL when unconnected.
GUID InputMajorType(IBaseFilter* f) {
    ComPtr<IPin> in;
    AM_MEDIA_TYPE mt = {};
    if (!f || !GetPinByIndex(f, PINDIR_INPUT, 1, in) || FAILED(in->ConnectionMediaType(&mt))) return GUID_NULL;
    GUID major = mt.majortype;
    zr::FreeMediaType(mt);
    return major;
}

// A filter with an input and no output that the graph added by itself for the given major type.
bool IsRendererOf(IBaseFilter* f, REFGUID major) {
    ULONG ins = 0, outs = 0;
    return SUCCEEDED(CountPins(f, &ins, &outs)) && ins > 0 && outs == 0 && InputMajorType(f) == major;
}
}  // namespace

// A renderer that takes any media type (the null renderer) can end up connected straight to the file
// source's byte stream, where nothing ever plays. The graph then renders the source its own way, and
// the renderer it chose for the picture is replaced by ours; renderers it added for sound go too, so
// that the audio branch connects its own.
bool TZRMediaPlayer::RenderThroughSplitter(IBaseFilter* renderer) {
    if (!dsFilterGraph || !dsSource || !renderer || InputMajorType(renderer) != MEDIATYPE_Stream) return false;
    DisconnectInput(renderer);
    ComPtr<IPin> out, in;
    if (!GetPinByIndex(dsSource.Get(), PINDIR_OUTPUT, 1, out) || !GetPinByIndex(renderer, PINDIR_INPUT, 1, in)) return false;
    dsFilterGraph->RemoveFilter(renderer);
    HRESULT hr = dsFilterGraph->Render(out.Get());
    dsFilterGraph->AddFilter(renderer, kRendererNameNone);
    if (FAILED(hr)) return false;
    bool connected = false;
    TZRFilterList filters(dsFilterGraph.Get());
    for (int i = 0; i < filters.Count(); ++i) {
        IBaseFilter* f = filters.GetFilter(i).Get();
        if (f == renderer) continue;
        const bool video = IsRendererOf(f, MEDIATYPE_Video), audio = IsRendererOf(f, MEDIATYPE_Audio);
        if (!video && !audio) continue;
        ComPtr<IPin> fin, upstream;
        if (!GetPinByIndex(f, PINDIR_INPUT, 1, fin) || FAILED(fin->ConnectedTo(upstream.Put()))) continue;
        DisconnectInput(f);
        dsFilterGraph->RemoveFilter(f);
        if (video && !connected) connected = SUCCEEDED(dsFilterGraph->Connect(upstream.Get(), in.Get()));
    }
    return connected;
}

void TZRMediaPlayer::Screen_RenderFromSource() {
    try {
        if (!dsMainScreen) throw 1;
        IBaseFilter* r = dsMainScreen->pVideoRenderer.Get();
        if (!RenderStreamThrough(dsCaptureBuilder.Get(), dsSource.Get(), nullptr, r, r)) ReportError(ZRText::kFirstRendering);
        else if (FScreen_VideoRenderer == VR_NONE && InputMajorType(r) == MEDIATYPE_Stream && !RenderThroughSplitter(r))
            ReportError(ZRText::kFirstRendering);
    } catch (...) {
        ReportError(ZRText::kFirstRendering);
    }
}

void TZRMediaPlayer::Screen_RenderThroughDecoder() {
    try {
        if (!dsMainScreen) Screen_AddRenderer();
        if (!dsMainScreen) { ReportError(ZRText::kFirstRendering); return; }
        IBaseFilter* r = dsMainScreen->pVideoRenderer.Get();
        IBaseFilter* dec = dsVideoDecoder ? dsVideoDecoder->Filter.Get() : nullptr;
        if (!RenderStreamThrough(dsCaptureBuilder.Get(), dsSource.Get(), dec, r, r)) ReportError(ZRText::kFirstRendering);
    } catch (...) {
        ReportError(ZRText::kFirstRendering);
    }
}

// Without an effects filter (it could not be created) the source is connected straight to the renderer.
void TZRMediaPlayer::Screen_RenderThroughEffects() {
    try {
        if (!dsMainScreen) throw 1;
        IBaseFilter* r = dsMainScreen->pVideoRenderer.Get();
        IBaseFilter* fx = dsVideoEffects ? dsVideoEffects->Filter.Get() : nullptr;
        if (!RenderStreamThrough(dsCaptureBuilder.Get(), dsSource.Get(), fx, r, r)) ReportError(ZRText::kFirstRendering);
    } catch (...) {
        ReportError(ZRText::kFirstRendering);
    }
}

void TZRMediaPlayer::Screen_RenderThroughDecoderAndEffects() {
    try {
        IBaseFilter* dec = dsVideoDecoder ? dsVideoDecoder->Filter.Get() : nullptr;
        IBaseFilter* fx = dsVideoEffects ? dsVideoEffects->Filter.Get() : nullptr;
        if (!fx) {
            Screen_RenderThroughDecoder();
            return;
        }
        const bool first = RenderStreamThrough(dsCaptureBuilder.Get(), dsSource.Get(), dec, fx, dec);
        if (!first) ReportError(ZRText::kFirstRendering);
        if (!dsMainScreen) Screen_AddRenderer();
        if (!first || !dsMainScreen) return;
        IBaseFilter* r = dsMainScreen->pVideoRenderer.Get();
        if (!RenderStreamThrough(dsCaptureBuilder.Get(), fx, nullptr, r, r)) ReportError(ZRText::kFirstRendering);
    } catch (...) {
        ReportError(ZRText::kFirstRendering);
    }
}
