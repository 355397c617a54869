// The graph support layer on Wine's real DirectShow objects: identifiers, the floating-point guard,
// file sizes, pin and filter helpers on rendered graphs, device enumeration and naming, merits in the
// registry, the blacklisting graph callback, the category filter and property pages.
#include <windows.h>
#include <dshow.h>
#include <d3d9.h>
#include <evr.h>
#include <evr9.h>
#include <qedit.h>
#include <emmintrin.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/textutil.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "graph/sysdevenum.h"
#include "testutil.h"

namespace {

// Wine's GStreamer-based demultiplexer/decoder (Wine's own class; not a platform constant).
const GUID kGstSplitter = {0xF9D8D64E, 0xA144, 0x47DC, {0x8E, 0xE0, 0xF5, 0x34, 0x98, 0x37, 0x2C, 0x29}};
const wchar_t* const kGstSplitterName = L"GStreamer splitter filter";

ComPtr<IFilterGraph2> NewGraph() {
    ComPtr<IFilterGraph2> g;
    EXPECT_EQ(CreateInstance(CLSID_FilterGraph, g), S_OK);
    return g;
}

GUID ClassOf(IBaseFilter* f) {
    GUID g = GUID_NULL;
    if (f) f->GetClassID(&g);
    return g;
}

std::wstring NameOf(IBaseFilter* f) {
    FILTER_INFO fi{};
    if (!f || FAILED(f->QueryFilterInfo(&fi))) return {};
    ComPtr<IFilterGraph>::Attach(fi.pGraph);
    return fi.achName;
}

ComPtr<IBaseFilter> FilterOfClass(IFilterGraph* g, REFGUID clsid) {
    TZRFilterList list(g);
    for (int i = 0; i < list.Count(); ++i)
        if (IsEqualGUID(ClassOf(list[i].Get()), clsid)) return list[i];
    return {};
}

std::vector<std::wstring> FilterNames(IFilterGraph* g) {
    std::vector<std::wstring> names;
    TZRFilterList list(g);
    for (int i = 0; i < list.Count(); ++i) names.push_back(NameOf(list[i].Get()));
    return names;
}

std::wstring Lower(const std::wstring& s) { return ToLowerW(s); }

// Source and GStreamer splitter of a file, connected and nothing else.
struct SplitGraph {
    ComPtr<IFilterGraph2> graph;
    ComPtr<IBaseFilter> source, splitter;

    explicit SplitGraph(const wchar_t* media) {
        graph = NewGraph();
        if (!graph) return;
        EXPECT_EQ(graph->AddSourceFilter(MediaPath(media).c_str(), L"Source", source.Put()), S_OK);
        EXPECT_EQ(CreateInstance(kGstSplitter, splitter), S_OK);
        if (!source || !splitter) return;
        EXPECT_EQ(graph->AddFilter(splitter.Get(), L"Splitter"), S_OK);
        ComPtr<IPin> out, in;
        EXPECT_TRUE(GetPinByIndex(source.Get(), PINDIR_OUTPUT, 1, out));
        EXPECT_TRUE(GetPinByIndex(splitter.Get(), PINDIR_INPUT, 1, in));
        if (out && in) {
            EXPECT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), S_OK);
        }
    }
};

// ---------------------------------------------------------------------------------------------------
// Identifiers

TEST(Guids, TextForm) {
    const GUID vmr9 = CLSID_VideoMixingRenderer9;
    EXPECT_EQ(GuidToString(vmr9), L"{51B4ABF3-748F-4E3B-A276-C828330E926A}");
    EXPECT_EQ(GuidToString(GUID_NULL), L"{00000000-0000-0000-0000-000000000000}");

    GUID g{};
    ASSERT_TRUE(StringToGuid(L"{51b4abf3-748f-4e3b-a276-c828330e926a}", g));
    EXPECT_TRUE(IsEqualGUID(g, vmr9));
    ASSERT_TRUE(StringToGuid(L"{FA10746C-9B63-4B6C-BC49-FC300EA5F256}", g));
    EXPECT_TRUE(IsEqualGUID(g, zr::CLSID_EnhancedVideoRenderer));

    const wchar_t* bad[] = {
        L"51B4ABF3-748F-4E3B-A276-C828330E926A",     // no braces
        L"{51B4ABF3-748F-4E3B-A276-C828330E926A",    // one brace
        L"{51B4ABF3-748F-4E3B-A276-C828330E926A} ",  // trailing blank
        L"{51B4ABF3-748F-4E3B-A276-C828330E926G}",   // not hex
        L"{51B4ABF3-748F-4E3BA-276-C828330E926A}",   // dash misplaced
        L"{+1B4ABF3-748F-4E3B-A276-C828330E926A}",   // sign
        L"",
    };
    for (const wchar_t* s : bad) {
        GUID keep = vmr9;
        EXPECT_FALSE(StringToGuid(s, keep)) << testing::PrintToString(std::wstring(s));
        EXPECT_TRUE(IsEqualGUID(keep, vmr9));
    }
}

TEST(Guids, MatchThePlatform) {
    // Where MinGW knows the interface, its declaration must agree with ours.
    EXPECT_TRUE(IsEqualGUID(zr::IID_IMFVideoDisplayControl, __uuidof(IMFVideoDisplayControl)));
    EXPECT_TRUE(IsEqualGUID(zr::IID_IMFVideoMixerControl, __uuidof(IMFVideoMixerControl)));
    EXPECT_TRUE(IsEqualGUID(zr::IID_IMFVideoMixerBitmap, __uuidof(IMFVideoMixerBitmap)));
    EXPECT_TRUE(IsEqualGUID(zr::IID_IMFVideoProcessor, __uuidof(IMFVideoProcessor)));
    EXPECT_TRUE(IsEqualGUID(zr::CLSID_MediaDet, __uuidof(MediaDet)));
    EXPECT_TRUE(IsEqualGUID(zr::MR_VIDEO_RENDER_SERVICE, ::MR_VIDEO_RENDER_SERVICE));
    EXPECT_TRUE(IsEqualGUID(zr::MR_VIDEO_MIXER_SERVICE, ::MR_VIDEO_MIXER_SERVICE));

    // Classes are checked by the platform itself: each one creates the object it names.
    ComPtr<ISampleGrabber> grabber;
    EXPECT_EQ(CreateInstance(zr::CLSID_SampleGrabber, grabber), S_OK);
    ComPtr<IBaseFilter> nullRenderer;
    ASSERT_EQ(CreateInstance(zr::CLSID_NullRenderer, nullRenderer), S_OK);
    EXPECT_TRUE(IsEqualGUID(ClassOf(nullRenderer.Get()), zr::CLSID_NullRenderer));
    ComPtr<IMediaDet> det;
    EXPECT_EQ(CreateInstance(zr::CLSID_MediaDet, det), S_OK);
}

// ---------------------------------------------------------------------------------------------------
// Floating-point guard

void LoadX87(uint16_t cw) { __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(cw)); }
void LoadCsr(uint32_t v) { __asm__ __volatile__("ldmxcsr %0" : : "m"(v)); }

// Divisions by zero and an overflow in both units; they trap unless the exceptions are masked.
__attribute__((noinline, target("sse2"))) void FaultingArithmetic() {
    volatile long double one = 1.0L, zero = 0.0L, big = 1e4000L;
    volatile long double r = one / zero;
    r = big * big;
    (void)r;
    volatile double a = 1.0, z = 0.0;
    __m128d q = _mm_div_sd(_mm_set_sd(a), _mm_set_sd(z));
    volatile double d = _mm_cvtsd_f64(q);
    (void)d;
}

__attribute__((noinline)) long double HarmlessArithmetic(long double x) {
    volatile long double v = x;
    return v * 2.0L + 1.0L;
}

struct RestoreFP {
    uint16_t x87 = GetX87ControlWord();
    uint32_t csr = GetMXCSR();
    ~RestoreFP() {
        LoadX87(x87);
        LoadCsr(csr);
    }
};

TEST(FPUGuard, MasksInsideAndRestoresTheCallersWordsExactly) {
    RestoreFP restore;
    // A caller that runs with invalid-operation, zero-divide and overflow unmasked, round-down
    // x87 rounding and MXCSR zero-divide unmasked plus flush-to-zero.
    const uint16_t callerX87 = 0x0672;
    const uint32_t callerCsr = (0x1F80 & ~0x0200u) | 0x8000u | 0x2000u;
    LoadX87(callerX87);
    LoadCsr(callerCsr);

    SetFPUGuard(true);
    EXPECT_EQ(GetX87ControlWord() & 0x3F, 0x3F);
    EXPECT_EQ(GetX87ControlWord() & 0x0C00, 0);  // to nearest
    EXPECT_EQ(GetMXCSR() & 0x1F80u, 0x1F80u);
    EXPECT_EQ(GetMXCSR() & 0x6000u, 0u);
    EXPECT_EQ(GetMXCSR() & 0x8000u, 0x8000u);  // flush mode untouched
    FaultingArithmetic();                       // no trap
    {
        FPUGuard inner;  // nesting keeps the outer guard's state
        FaultingArithmetic();
    }
    EXPECT_EQ(GetX87ControlWord() & 0x3F, 0x3F);
    EXPECT_EQ(GetMXCSR() & 0x1F80u, 0x1F80u);
    SetFPUGuard(false);

    EXPECT_EQ(GetX87ControlWord(), callerX87);
    EXPECT_EQ(GetMXCSR(), callerCsr);
    // The flags raised while masked were dropped: unmasked again, they must not fire now.
    EXPECT_EQ(HarmlessArithmetic(2.0L), 5.0L);

    // An unmatched release changes nothing.
    SetFPUGuard(false);
    EXPECT_EQ(GetX87ControlWord(), callerX87);
    EXPECT_EQ(GetMXCSR(), callerCsr);
}

TEST(FPUGuard, DeepNestingUnwindsToTheFirstWords) {
    RestoreFP restore;
    LoadX87(0x027F);
    LoadCsr(0x1F80);
    const uint16_t before = GetX87ControlWord();
    for (int i = 0; i < 100; ++i) SetFPUGuard(true);
    for (int i = 0; i < 100; ++i) SetFPUGuard(false);
    EXPECT_EQ(GetX87ControlWord(), before);
    EXPECT_EQ(GetMXCSR(), 0x1F80u);
}

// ---------------------------------------------------------------------------------------------------
// File size

struct TempDir {
    std::wstring path;
    TempDir() {
        wchar_t buf[MAX_PATH];
        GetTempPathW(MAX_PATH, buf);
        path = std::wstring(buf) + L"zr_graph_tests_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~TempDir() {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path + L"\\" + fd.cFileName).c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(path.c_str());
    }
};

bool MakeFile(const std::wstring& name, int64_t size) {
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER li;
    li.QuadPart = size;
    bool ok = SetFilePointerEx(h, li, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
}

TEST(FileSize, SizesAndNamesTakenLiterally) {
    TempDir dir;
    const std::wstring small = dir.path + L"\\a1.bin";
    const std::wstring big = dir.path + L"\\big.bin";
    ASSERT_TRUE(MakeFile(small, 1234));
    ASSERT_TRUE(MakeFile(big, 5368709120LL));  // 5 GiB, sparse
    EXPECT_EQ(GetFileSize64(small), 1234);
    EXPECT_EQ(GetFileSize64(big), 5368709120LL);
    EXPECT_EQ(GetFileSize64(L"\\\\?\\" + big), 5368709120LL);
    EXPECT_EQ(GetFileSize64(dir.path + L"\\missing.bin"), -1);
    EXPECT_EQ(GetFileSize64(L""), -1);
    // Patterns that match the files above are not file names.
    for (const wchar_t* pattern : {L"\\a?.bin", L"\\*.bin", L"\\big*", L"\\a<.bin", L"\\big.bin\""})
        EXPECT_EQ(GetFileSize64(dir.path + pattern), -1) << testing::PrintToString(std::wstring(pattern));
    WIN32_FILE_ATTRIBUTE_DATA media;
    ASSERT_TRUE(GetFileAttributesExW(MediaPath(L"clip.avi").c_str(), GetFileExInfoStandard, &media));
    EXPECT_EQ(GetFileSize64(MediaPath(L"clip.avi")), static_cast<int64_t>(media.nFileSizeLow));
}

// ---------------------------------------------------------------------------------------------------
// Media types

// An IUnknown that counts its references, to watch what the media type helpers do with pUnk.
class CountedUnknown : public IUnknown {
public:
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

TEST(MediaTypes, CopiesOwnTheirBlockAndReference) {
    CountedUnknown unk;
    VIDEOINFOHEADER vih{};
    vih.bmiHeader.biWidth = 640;
    vih.bmiHeader.biHeight = -480;
    AM_MEDIA_TYPE src{};
    src.majortype = MEDIATYPE_Video;
    src.subtype = MEDIASUBTYPE_RGB32;
    src.formattype = FORMAT_VideoInfo;
    src.cbFormat = sizeof vih;
    src.pbFormat = reinterpret_cast<BYTE*>(&vih);
    src.pUnk = &unk;
    {
        TZRMediaType a(src);
        EXPECT_EQ(unk.refs, 2);
        ASSERT_NE(a.FormatPtr(), src.pbFormat);
        EXPECT_EQ(a.FormatLength(), sizeof vih);
        EXPECT_EQ(std::memcmp(a.FormatPtr(), &vih, sizeof vih), 0);
        TZRMediaType b(a);
        EXPECT_EQ(unk.refs, 3);
        EXPECT_NE(b.FormatPtr(), a.FormatPtr());
        TZRMediaType c;
        EXPECT_EQ(c.AMMediaType()->lSampleSize, 1u);
        EXPECT_TRUE(c.AMMediaType()->bFixedSizeSamples);
        c = b;
        EXPECT_EQ(unk.refs, 4);
        c = c;
        EXPECT_EQ(unk.refs, 4);
        EXPECT_TRUE(IsEqualGUID(c.subtype(), MEDIASUBTYPE_RGB32));
    }
    EXPECT_EQ(unk.refs, 1);

    // Loud preconditions.
    AM_MEDIA_TYPE dst{};
    EXPECT_THROW(zr::CopyMediaType(&src, &src), std::invalid_argument);
    AM_MEDIA_TYPE broken = src;
    broken.pbFormat = nullptr;
    EXPECT_THROW(zr::CopyMediaType(&dst, &broken), std::invalid_argument);
    EXPECT_EQ(unk.refs, 1);

    // Freeing the copy the task allocator made.
    auto* heap = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    ASSERT_NE(heap, nullptr);
    std::memset(heap, 0, sizeof *heap);
    zr::CopyMediaType(heap, &src);
    EXPECT_EQ(unk.refs, 2);
    zr::DeleteMediaType(heap);
    EXPECT_EQ(unk.refs, 1);
    zr::DeleteMediaType(nullptr);

    EXPECT_THROW(TZREnumMediaType(static_cast<IPin*>(nullptr)), std::invalid_argument);
    EXPECT_THROW(TZREnumMediaType(static_cast<IEnumMediaTypes*>(nullptr)), std::invalid_argument);
}

// ---------------------------------------------------------------------------------------------------
// Pins and filters on real graphs

TEST(GraphHelpers, RenderedGraph) {
    ComPtr<IFilterGraph2> g = NewGraph();
    ASSERT_TRUE(g);
    ASSERT_EQ(g->RenderFile(MediaPath(L"clip.avi").c_str(), nullptr), S_OK);

    ComPtr<IBaseFilter> splitter = FilterOfClass(g.Get(), kGstSplitter);
    ASSERT_TRUE(splitter) << "Wine renders AVI through its GStreamer splitter";
    EXPECT_EQ(FindSplitterName(g.Get()), NameOf(splitter.Get()));
    EXPECT_FALSE(FindSplitterName(g.Get()).empty());

    ULONG in = 9, out = 9;
    ASSERT_EQ(CountPins(splitter.Get(), &in, &out), S_OK);
    EXPECT_EQ(in, 1u);
    EXPECT_EQ(out, 2u);
    EXPECT_EQ(CountPins(nullptr, &in, &out), E_POINTER);
    EXPECT_EQ(CountPins(splitter.Get(), nullptr, &out), E_POINTER);

    // Direction-indexed access follows the enumeration order.
    TZRPinList pins(splitter.Get());
    ASSERT_EQ(pins.Count(), 3);
    std::vector<IPin*> outs;
    for (int i = 0; i < pins.Count(); ++i) {
        TZRPinInfo info;
        ASSERT_TRUE(pins.GetPinInfo(i, info));
        EXPECT_EQ(info.Filter.Get(), splitter.Get());
        if (info.Direction == PINDIR_OUTPUT) outs.push_back(pins[i].Get());
        EXPECT_TRUE(pins.GetConnected(i));
    }
    ASSERT_EQ(outs.size(), 2u);
    ComPtr<IPin> p;
    ASSERT_TRUE(GetPinByIndex(splitter.Get(), PINDIR_OUTPUT, 2, p));
    EXPECT_EQ(p.Get(), outs[1]);
    ComPtr<IPin> keep = p;
    EXPECT_FALSE(GetPinByIndex(splitter.Get(), PINDIR_OUTPUT, 3, p));
    EXPECT_FALSE(GetPinByIndex(splitter.Get(), PINDIR_INPUT, 0, p));
    EXPECT_EQ(p.Get(), keep.Get()) << "a failed search leaves the output alone";
    EXPECT_THROW(pins.GetPin(3), std::out_of_range);

    // Everything is connected: no free audio pin.
    ComPtr<IPin> free;
    EXPECT_FALSE(FindFreePinByMajorType(splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, free));

    // Video size of the splitter's video pin.
    ComPtr<IPin> video;
    for (IPin* o : outs)
        if (PinHasMajorType(o, MEDIATYPE_Video)) video = ComPtr<IPin>(o);
    ASSERT_TRUE(video);
    int w = -1, h = -1;
    EXPECT_TRUE(GetVideoSizeFromPin(video.Get(), w, h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_FALSE(PinHasMajorType(video.Get(), MEDIATYPE_Audio));

    // Neighbours, and disconnecting the video renderer's input.
    ComPtr<IPin> videoPeer;
    ASSERT_EQ(video->ConnectedTo(videoPeer.Put()), S_OK);
    PIN_INFO pi{};
    ASSERT_EQ(videoPeer->QueryPinInfo(&pi), S_OK);
    ComPtr<IBaseFilter> renderer = ComPtr<IBaseFilter>::Attach(pi.pFilter);
    EXPECT_TRUE(IsInputConnected(renderer.Get()));
    EXPECT_EQ(GetPeerFilter(renderer.Get(), PINDIR_INPUT).Get(), splitter.Get());
    EXPECT_FALSE(GetPeerFilter(renderer.Get(), PINDIR_OUTPUT));
    ComPtr<IBaseFilter> source = GetPeerFilter(splitter.Get(), PINDIR_INPUT);
    ASSERT_TRUE(source);
    EXPECT_EQ(GetPeerFilter(source.Get(), PINDIR_OUTPUT).Get(), splitter.Get());
    EXPECT_FALSE(IsInputConnected(source.Get())) << "a source has no input pin";

    DisconnectInput(renderer.Get());
    EXPECT_FALSE(IsInputConnected(renderer.Get()));
    ComPtr<IPin> gone;
    EXPECT_EQ(video->ConnectedTo(gone.Put()), VFW_E_NOT_CONNECTED);
    // Now the video pin is free again and found by major type.
    EXPECT_TRUE(FindFreePinByMajorType(splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Video, free));
    EXPECT_EQ(free.Get(), video.Get());

    // A fresh filter list, updated, holds each filter once.
    TZRFilterList filters(g.Get());
    const int n = filters.Count();
    EXPECT_GE(n, 4);
    filters.Update();
    EXPECT_EQ(filters.Count(), n);
    EXPECT_GE(filters.IndexOf(splitter.Get()), 0);
}

TEST(GraphHelpers, FreePinsSkipConnectedOnes) {
    SplitGraph sg(L"twoaudio.avi");
    ASSERT_TRUE(sg.splitter);
    ULONG in = 0, out = 0;
    ASSERT_EQ(CountPins(sg.splitter.Get(), &in, &out), S_OK);
    ASSERT_EQ(out, 3u) << "video and two audio streams";

    ComPtr<IPin> first, second, none;
    ASSERT_TRUE(FindFreePinByMajorType(sg.splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, first));
    EXPECT_TRUE(PinHasMajorType(first.Get(), MEDIATYPE_Audio));

    TDSBaseFilter sink(L"Audio sink 1");
    ASSERT_TRUE(sink.InitCLSID(sg.graph.Get(), zr::CLSID_NullRenderer));
    EXPECT_EQ(sink.ConnectDirectIn(sg.graph.Get(), first.Get()), S_OK);

    ASSERT_TRUE(FindFreePinByMajorType(sg.splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, second));
    EXPECT_NE(second.Get(), first.Get());
    TDSBaseFilter sink2(L"Audio sink 2");
    ASSERT_TRUE(sink2.InitCLSID(sg.graph.Get(), zr::CLSID_NullRenderer));
    EXPECT_EQ(sink2.ConnectIn(sg.graph.Get(), second.Get()), S_OK);
    EXPECT_FALSE(FindFreePinByMajorType(sg.splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, none));
    EXPECT_EQ(GetPeerFilter(sink2.Filter.Get(), PINDIR_INPUT).Get(), sg.splitter.Get());

    // The splitter offers audio and video on different pins: it is the splitter of this graph.
    EXPECT_EQ(FindSplitterName(sg.graph.Get()), L"Splitter");
    // A graph with only a source has none.
    SplitGraph only(L"clip.wav");
    ASSERT_TRUE(only.graph);
    EXPECT_EQ(FindSplitterName(only.graph.Get()), L"");
}

TEST(BaseFilter, CreateAddConnectAndReport) {
    SplitGraph sg(L"clip.avi");
    ASSERT_TRUE(sg.splitter);
    struct Seen {
        std::vector<std::wstring> errors;
        std::vector<std::wstring> filters;
        IUnknown* lastUnknown = nullptr;
    } seen;

    TDSBaseFilter f(L"My Null");
    f.OnError.Set([](void* ctx, const wchar_t* t) { static_cast<Seen*>(ctx)->errors.push_back(t); }, &seen);
    EXPECT_TRUE(f.Init(sg.graph.Get())) << "no hook: nothing to report";
    f.OnFilter.Set(
        [](void* ctx, const wchar_t* name, IUnknown* u) {
            auto* s = static_cast<Seen*>(ctx);
            s->filters.push_back(name);
            s->lastUnknown = u;
        },
        &seen);
    EXPECT_FALSE(f.Init(sg.graph.Get())) << "hook but no filter";

    ASSERT_TRUE(f.InitCLSID(sg.graph.Get(), zr::CLSID_NullRenderer));
    EXPECT_TRUE(seen.errors.empty());
    ComPtr<IBaseFilter> found;
    ASSERT_EQ(sg.graph->FindFilterByName(L"My Null", found.Put()), S_OK);
    EXPECT_EQ(found.Get(), f.Filter.Get());
    EXPECT_EQ(f.PinsCount(), 1);
    ComPtr<IPin> none;
    EXPECT_FALSE(f.GetOut(none));
    ComPtr<IBasicAudio> noAudio;
    EXPECT_EQ(f.QueryInterface(IID_IBasicAudio, noAudio.PutVoid()), E_NOINTERFACE);
    ComPtr<IMediaFilter> mf;
    EXPECT_EQ(f.QueryInterface(mf), S_OK);

    ASSERT_TRUE(f.Init(sg.graph.Get()));
    ASSERT_EQ(seen.filters.size(), 1u);
    EXPECT_EQ(seen.filters[0], L"My Null");
    ComPtr<IUnknown> unk;
    f.Filter.As(unk);
    EXPECT_EQ(seen.lastUnknown, unk.Get());
    f.FName = L"  ";
    EXPECT_FALSE(f.Init(sg.graph.Get())) << "blank name";
    f.FName = L"My Null";

    // Connecting: into the null renderer through the graph builder; a filter without input pins
    // refuses at once and leaves the graph alone.
    ComPtr<IPin> audio;
    ASSERT_TRUE(FindFreePinByMajorType(sg.splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, audio));
    TDSBaseFilter src;
    src.Filter = sg.source;
    EXPECT_EQ(src.ConnectIn(sg.graph.Get(), audio.Get()), E_FAIL);
    EXPECT_EQ(src.ConnectDirectInX(sg.graph.Get(), 1, audio.Get()), E_FAIL);
    ComPtr<IPin> stillFree;
    EXPECT_TRUE(FindFreePinByMajorType(sg.splitter.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, stillFree));
    EXPECT_EQ(f.ConnectInX(sg.graph.Get(), 2, audio.Get()), E_FAIL) << "one input pin only";
    EXPECT_EQ(f.ConnectIn(nullptr, audio.Get()), E_POINTER);
    EXPECT_EQ(f.ConnectIn(sg.graph.Get(), audio.Get()), S_OK);
    EXPECT_TRUE(IsInputConnected(f.Filter.Get()));

    // Failures are reported with the wrapper's name.
    TDSBaseFilter bogus(L"Nothing");
    bogus.OnError = f.OnError;
    const GUID unknown = {0x1234, 0x5678, 0x9ABC, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_FALSE(bogus.InitCLSID(sg.graph.Get(), unknown));
    EXPECT_FALSE(bogus.Filter);
    TDSBaseFilter noGraph(L"My Null");
    noGraph.OnError = f.OnError;
    EXPECT_FALSE(noGraph.InitCLSID(nullptr, zr::CLSID_NullRenderer));
    ASSERT_EQ(seen.errors.size(), 2u);
    EXPECT_EQ(seen.errors[0], L"Unable to create filter: Nothing");
    EXPECT_EQ(seen.errors[1], L"Unable to add filter: My Null");

    // A throwing error hook does not escape.
    TDSBaseFilter loud(L"Loud");
    loud.OnError.Set([](void*, const wchar_t*) { throw std::runtime_error("hook"); }, nullptr);
    EXPECT_NO_THROW(loud.OnErrorS(L"text"));
    EXPECT_FALSE(loud.InitCLSID(sg.graph.Get(), unknown));

    f.Clear();
    EXPECT_FALSE(f.Filter);
    EXPECT_EQ(f.PinsCount(), 0);
    EXPECT_EQ(f.QueryInterface(mf), E_FAIL);
}

// ---------------------------------------------------------------------------------------------------
// Device and filter enumeration

std::vector<std::wstring> Names(const TZRSysDevEnum& e) {
    std::vector<std::wstring> r;
    for (int i = 0; i < e.CountFilters(); ++i) r.push_back(e.GetFilter(i).FriendlyName);
    return r;
}

bool Has(const std::vector<std::wstring>& v, const std::wstring& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

void ExpectUniqueIgnoringCase(const std::vector<std::wstring>& names) {
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j)
            EXPECT_FALSE(SameTextCI(names[i], names[j])) << "duplicate: " << testing::PrintToString(names[i]);
}

TEST(DevEnum, AudioRenderersAreNamedForDirectSound) {
    TZRSysDevEnum audio(CLSID_AudioRendererCategory);
    const auto names = Names(audio);
    ASSERT_GE(names.size(), 4u) << testing::PrintToString(names);
    // Wine registers "Default DirectSound Device", "Default WaveOut Device", "DirectSound: Out: default"
    // and "Out: default": two DirectSound devices and two others.
    EXPECT_TRUE(Has(names, L"Default DirectSound Device"));
    EXPECT_TRUE(Has(names, L"Out: default"));
    EXPECT_TRUE(Has(names, L"<ignore>"));
    EXPECT_TRUE(Has(names, L"<ignore> (2)"));
    for (const auto& n : names) EXPECT_EQ(n.find(L"DirectSound:"), std::wstring::npos) << testing::PrintToString(n);
    ExpectUniqueIgnoringCase(names);

    int ds = audio.FilterIndexOfFriendlyName(L"default directsound device");
    ASSERT_GE(ds, 0);
    EXPECT_TRUE(IsEqualGUID(audio.GetFilter(ds).CLSID, CLSID_DSoundRender));
    ComPtr<IBaseFilter> renderer = audio.GetBaseFilter(ds);
    ASSERT_TRUE(renderer);
    EXPECT_TRUE(IsEqualGUID(ClassOf(renderer.Get()), CLSID_DSoundRender));
    // Every call makes a new instance.
    EXPECT_NE(audio.GetBaseFilter(ds).Get(), renderer.Get());
}

TEST(DevEnum, LegacyFiltersCategoriesAndLookups) {
    TZRSysDevEnum cats;
    ASSERT_GT(cats.CountCategories(), 0);
    EXPECT_EQ(cats.CountFilters(), 0);
    int legacy = -1;
    for (int i = 0; i < cats.CountCategories(); ++i)
        if (IsEqualGUID(cats.GetCategory(i).CLSID, CLSID_LegacyAmFilterCategory)) legacy = i;
    ASSERT_GE(legacy, 0) << "the category list holds the DirectShow filter category";
    cats.SelectIndexCategory(legacy);
    EXPECT_TRUE(IsEqualGUID(cats.Category(), CLSID_LegacyAmFilterCategory));
    EXPECT_THROW(cats.GetCategory(cats.CountCategories()), std::out_of_range);

    TZRSysDevEnum filters(CLSID_LegacyAmFilterCategory);
    const auto names = Names(filters);
    EXPECT_EQ(Names(cats), names);
    for (const wchar_t* n : {L"Video Mixing Renderer 9", kGstSplitterName, L"Null Renderer", L"File Source (Async.)"})
        EXPECT_TRUE(Has(names, n)) << testing::PrintToString(std::wstring(n)) << " in " << testing::PrintToString(names);
    ExpectUniqueIgnoringCase(names);

    // Lookups by name ignore case and take the last match; by class the first.
    int vmr9 = filters.FilterIndexOfFriendlyName(L"VIDEO MIXING renderer 9");
    ASSERT_GE(vmr9, 0);
    EXPECT_EQ(filters.GetFilter(vmr9).FriendlyName, L"Video Mixing Renderer 9");
    EXPECT_TRUE(IsEqualGUID(filters.GetFilter(vmr9).CLSID, CLSID_VideoMixingRenderer9));
    EXPECT_EQ(filters.FilterIndexOfFriendlyName(L"Video Mixing Renderer"), -1);
    ComPtr<IBaseFilter> byIndex = filters.GetBaseFilter(vmr9);
    ComPtr<IBaseFilter> byClass = filters.GetBaseFilter(CLSID_VideoMixingRenderer9);
    ASSERT_TRUE(byIndex);
    ASSERT_TRUE(byClass);
    EXPECT_TRUE(IsEqualGUID(ClassOf(byClass.Get()), CLSID_VideoMixingRenderer9));
    const GUID unknown = {0x1234, 0x5678, 0x9ABC, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_FALSE(filters.GetBaseFilter(unknown));
    EXPECT_FALSE(filters.GetMoniker(-1));
    EXPECT_FALSE(filters.GetMoniker(filters.CountFilters()));
    EXPECT_FALSE(filters.GetBaseFilter(-1));
    EXPECT_THROW(filters.GetFilter(filters.CountFilters()), std::out_of_range);

    // Lookups by index reach the entry listed at that index, all along the category (Wine lists its
    // DMOs first; its Skip stops at the last of them). Wine registers two filters named "Video Renderer".
    EXPECT_TRUE(Has(names, L"Video Renderer (2)"));
    for (int i = 0; i < filters.CountFilters(); ++i) {
        ComPtr<IMoniker> m = filters.GetMoniker(i);
        ASSERT_TRUE(m) << i;
        ComPtr<IPropertyBag> bag;
        ASSERT_EQ(m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()), S_OK);
        VARIANT v;
        VariantInit(&v);
        ASSERT_EQ(bag->Read(L"FriendlyName", &v, nullptr), S_OK);
        const std::wstring registered = v.vt == VT_BSTR ? v.bstrVal : L"";
        VariantClear(&v);
        const std::wstring listed = filters.GetFilter(i).FriendlyName;
        EXPECT_TRUE(listed == registered || listed.rfind(registered + L" (", 0) == 0)
            << i << ": " << testing::PrintToString(listed) << " vs " << testing::PrintToString(registered);
    }

    // With ReadMerit on, entries carry their registered merit.
    TZRSysDevEnum merits;
    merits.SetReadMerit(true);
    merits.SelectGUIDCategory(CLSID_LegacyAmFilterCategory);
    int gst = merits.FilterIndexOfFriendlyName(kGstSplitterName);
    ASSERT_GE(gst, 0);
    EXPECT_EQ(merits.GetFilter(gst).Merit, 0x00800000u);
    EXPECT_EQ(filters.GetFilter(filters.FilterIndexOfFriendlyName(kGstSplitterName)).Merit, 0u);
    for (int i = 0; i < merits.CountFilters(); ++i) {
        const TFilCatNode n = merits.GetFilter(i);
        EXPECT_EQ(n.Merit, merits.GetFilterMerit(L"", GuidToString(n.CLSID))) << testing::PrintToString(n.FriendlyName);
    }
}

// ---------------------------------------------------------------------------------------------------
// Merits in the registry

const wchar_t* const kInstanceKey = L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\";
// A registration of our own that no filter uses.
const wchar_t* const kScratchGuid = L"{6F1B2D3C-84A5-4E97-B0C1-D2E3F4A5B6C7}";

struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::vector<uint8_t> data;
};

RegValue ReadFilterData(const std::wstring& guid) {
    RegValue v;
    HKEY k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (kInstanceKey + guid).c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return v;
    DWORD size = 0;
    if (RegQueryValueExW(k, L"FilterData", nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        if (RegQueryValueExW(k, L"FilterData", nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS) {
            v.present = true;
            v.data.resize(size);
        }
    }
    RegCloseKey(k);
    return v;
}

void WriteFilterData(const std::wstring& guid, const RegValue& v) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (kInstanceKey + guid).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &k, nullptr),
              ERROR_SUCCESS);
    if (v.present)
        RegSetValueExW(k, L"FilterData", 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    else
        RegDeleteValueW(k, L"FilterData");
    RegCloseKey(k);
}

// Puts a registration back as it was, whatever the test did.
struct RestoreFilterData {
    std::wstring guid;
    RegValue saved;
    explicit RestoreFilterData(std::wstring g) : guid(std::move(g)), saved(ReadFilterData(guid)) {}
    ~RestoreFilterData() { WriteFilterData(guid, saved); }
};

struct ScratchKey {
    ScratchKey() {
        HKEY k;
        RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kInstanceKey) + kScratchGuid).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &k, nullptr);
        RegCloseKey(k);
    }
    ~ScratchKey() { RegDeleteKeyW(HKEY_CLASSES_ROOT, (std::wstring(kInstanceKey) + kScratchGuid).c_str()); }
};

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(0x30 + i);
    return v;
}

TEST(Merit, RoundTripOnARealFilter) {
    TZRSysDevEnum filters(CLSID_LegacyAmFilterCategory);
    // A registration whose record fits the 128 bytes the writer handles, and one that does not.
    int small = -1, large = -1;
    for (int i = 0; i < filters.CountFilters(); ++i) {
        RegValue v = ReadFilterData(GuidToString(filters.GetFilter(i).CLSID));
        if (!v.present || v.type != REG_BINARY) continue;
        if (v.data.size() <= 128 && small < 0 && filters.FilterIndexOfFriendlyName(filters.GetFilter(i).FriendlyName) == i)
            small = i;
        if (v.data.size() > 128 && large < 0) large = i;
    }
    ASSERT_GE(small, 0);
    const TFilCatNode node = filters.GetFilter(small);
    const std::wstring guid = GuidToString(node.CLSID);
    RestoreFilterData restore(guid);
    const uint32_t original = filters.GetFilterMerit(node.FriendlyName, L"");
    EXPECT_EQ(original, filters.GetFilterMerit(L"ignored when a class is given", guid));

    ASSERT_TRUE(filters.SetFilterMerit(node.FriendlyName, L"", 0x00123456u));
    EXPECT_EQ(filters.GetFilterMerit(node.FriendlyName, L""), 0x00123456u);
    EXPECT_EQ(filters.GetFilterMerit(L"", guid), 0x00123456u);
    // Names are matched exactly here.
    EXPECT_EQ(filters.GetFilterMerit(Lower(node.FriendlyName) == node.FriendlyName ? node.FriendlyName + L"x"
                                                                                   : Lower(node.FriendlyName),
                                     L""),
              0u);
    EXPECT_FALSE(filters.SetFilterMerit(L"no such filter", L"", 1));
    RegValue after = ReadFilterData(guid);
    EXPECT_EQ(after.data.size(), 128u);
    // The rest of the record is kept.
    for (size_t i = 0; i < restore.saved.data.size(); ++i) {
        if (i < 4 || i >= 8) {
            ASSERT_EQ(after.data[i], restore.saved.data[i]) << i;
        }
    }

    if (large >= 0) {
        const std::wstring big = GuidToString(filters.GetFilter(large).CLSID);
        RestoreFilterData keepBig(big);
        EXPECT_FALSE(filters.SetFilterMerit(L"", big, 0x00200000u));
        EXPECT_EQ(ReadFilterData(big).data, keepBig.saved.data);
    }
}

TEST(Merit, RecordShapesOnAScratchKey) {
    TZRSysDevEnum e;  // no category needed when the class is given
    ScratchKey scratch;
    const std::wstring guid = kScratchGuid;

    // 60 bytes: kept, merit replaced, zero-padded to 128.
    WriteFilterData(guid, {true, REG_BINARY, Pattern(60)});
    ASSERT_TRUE(e.SetFilterMerit(L"", guid, 0x00600001u));
    RegValue v = ReadFilterData(guid);
    ASSERT_EQ(v.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(v.data.size(), 128u);
    auto expected = Pattern(60);
    expected.resize(128, 0);
    expected[4] = 0x01;
    expected[5] = 0x00;
    expected[6] = 0x60;
    expected[7] = 0x00;
    EXPECT_EQ(v.data, expected);
    EXPECT_EQ(e.GetFilterMerit(L"", guid), 0x00600001u);

    // No value: 128 zero bytes but the merit.
    WriteFilterData(guid, {});
    ASSERT_TRUE(e.SetFilterMerit(L"", guid, 0xFF000000u));
    v = ReadFilterData(guid);
    std::vector<uint8_t> zeros(128, 0);
    zeros[7] = 0xFF;
    EXPECT_EQ(v.data, zeros);

    // Refused, value left alone: too long, text, integer.
    const RegValue refused[] = {
        {true, REG_BINARY, Pattern(200)},
        {true, REG_SZ, {'a', 0, 'b', 0, 0, 0}},
        {true, REG_DWORD, {1, 2, 3, 4}},
    };
    for (const RegValue& r : refused) {
        WriteFilterData(guid, r);
        EXPECT_FALSE(e.SetFilterMerit(L"", guid, 7)) << r.type << "/" << r.data.size();
        RegValue now = ReadFilterData(guid);
        EXPECT_EQ(now.type, r.type);
        EXPECT_EQ(now.data, r.data);
    }

    // Reading: only binary records count, short ones are zero-extended.
    struct ReadCase {
        RegValue value;
        uint32_t merit;
    };
    const ReadCase reads[] = {
        {{true, REG_BINARY, {2, 0, 0, 0, 0x34, 0x12}}, 0x1234u},
        {{true, REG_BINARY, Pattern(200)}, 0x37363534u},
        {{true, REG_DWORD, {1, 2, 3, 4}}, 0u},
        {{true, REG_SZ, {'a', 0, 0, 0}}, 0u},
        {{}, 0u},
    };
    for (const ReadCase& r : reads) {
        WriteFilterData(guid, r.value);
        EXPECT_EQ(e.GetFilterMerit(L"", guid), r.merit) << r.value.data.size();
    }

    // A class that is not registered: nothing read, nothing created. Text that is not a class
    // identifier never reaches the registry.
    const std::wstring absent = L"{6F1B2D3C-84A5-4E97-B0C1-D2E3F4A5B6C8}";
    EXPECT_EQ(e.GetFilterMerit(L"", absent), 0u);
    EXPECT_FALSE(e.SetFilterMerit(L"", absent, 1));
    HKEY k;
    EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, (kInstanceKey + absent).c_str(), 0, KEY_QUERY_VALUE, &k), ERROR_SUCCESS);
    WriteFilterData(guid, {true, REG_BINARY, Pattern(8)});
    EXPECT_FALSE(e.SetFilterMerit(L"", guid + L"\\..", 1));
    EXPECT_EQ(e.GetFilterMerit(L"", Lower(guid)), 0x37363534u) << "any letter case of the class";
}

// ---------------------------------------------------------------------------------------------------
// Graph callbacks

TEST(GraphCallbacks, BlacklistsVetoFiltersDuringRender) {
    // Without a blacklist Wine picks its GStreamer splitter for AVI.
    {
        TZRGraphCallbacks cb;
        ComPtr<IFilterGraph2> g = NewGraph();
        cb.AssignToGraph(g.Get());
        ASSERT_EQ(g->RenderFile(MediaPath(L"clip.avi").c_str(), nullptr), S_OK);
        EXPECT_TRUE(FilterOfClass(g.Get(), kGstSplitter));
    }
    // By registered name, in another letter case, added after the graph got the callback.
    {
        TZRGraphCallbacks cb;
        ComPtr<IFilterGraph2> g = NewGraph();
        cb.AssignToGraph(g.Get());
        cb.BlackList().Add(L"gstreamer SPLITTER filter");
        g->RenderFile(MediaPath(L"clip.avi").c_str(), nullptr);
        EXPECT_FALSE(FilterOfClass(g.Get(), kGstSplitter)) << testing::PrintToString(FilterNames(g.Get()));
    }
    // By class identifier (lower-case text).
    {
        TZRGraphCallbacks cb;
        cb.BlackListByCLSID().Add(Lower(GuidToString(kGstSplitter)));
        ComPtr<IFilterGraph2> g = NewGraph();
        cb.AssignToGraph(g.Get());
        g->RenderFile(MediaPath(L"clip.avi").c_str(), nullptr);
        EXPECT_FALSE(FilterOfClass(g.Get(), kGstSplitter)) << testing::PrintToString(FilterNames(g.Get()));
    }
    // A class list that names another filter leaves the splitter alone.
    {
        TZRGraphCallbacks cb;
        cb.BlackListByCLSID().Add(GuidToString(CLSID_AviSplitter));
        ComPtr<IFilterGraph2> g = NewGraph();
        cb.AssignToGraph(g.Get());
        ASSERT_EQ(g->RenderFile(MediaPath(L"clip.avi").c_str(), nullptr), S_OK);
        EXPECT_TRUE(FilterOfClass(g.Get(), kGstSplitter));
    }
}

TEST(GraphCallbacks, DirectCallsAndLifetime) {
    TZRGraphCallbacks cb;
    EXPECT_EQ(cb.SelectedFilter(nullptr), E_FAIL);
    EXPECT_EQ(cb.CreatedFilter(nullptr), S_OK);
    ComPtr<IAMGraphBuilderCallback> self;
    ASSERT_EQ(cb.QueryInterface(IID_IAMGraphBuilderCallback, self.PutVoid()), S_OK);
    self.Reset();  // the count never frees the object

    // Monikers of the real filter category, judged one by one.
    TZRSysDevEnum filters(CLSID_LegacyAmFilterCategory);
    int gst = filters.FilterIndexOfFriendlyName(kGstSplitterName);
    int vmr = filters.FilterIndexOfFriendlyName(L"Video Mixing Renderer 9");
    ASSERT_GE(gst, 0);
    ASSERT_GE(vmr, 0);
    ComPtr<IMoniker> gstMon = filters.GetMoniker(gst), vmrMon = filters.GetMoniker(vmr);
    ASSERT_TRUE(gstMon);
    ASSERT_TRUE(vmrMon);
    EXPECT_EQ(cb.SelectedFilter(gstMon.Get()), S_OK);
    cb.BlackList().Add(L"VIDEO MIXING RENDERER 9");
    EXPECT_EQ(cb.SelectedFilter(vmrMon.Get()), E_FAIL);
    EXPECT_EQ(cb.SelectedFilter(gstMon.Get()), S_OK);
    cb.BlackListByCLSID().Add(GuidToString(kGstSplitter));
    EXPECT_EQ(cb.SelectedFilter(gstMon.Get()), E_FAIL);
    cb.BlackList().Clear();
    cb.BlackListByCLSID().Clear();
    EXPECT_EQ(cb.SelectedFilter(vmrMon.Get()), S_OK);

    // A graph that outlives the callback object: it goes on building, with nothing refused.
    const long sitesBefore = TZRGraphCallbacks::LiveSites();
    ComPtr<IFilterGraph2> g = NewGraph();
    {
        auto* owner = new TZRGraphCallbacks;
        owner->BlackList().Add(kGstSplitterName);
        owner->AssignToGraph(g.Get());
        EXPECT_EQ(TZRGraphCallbacks::LiveSites(), sitesBefore + 1);
        delete owner;
    }
    EXPECT_EQ(TZRGraphCallbacks::LiveSites(), sitesBefore + 1) << "the graph still holds its site";
    ASSERT_EQ(g->RenderFile(MediaPath(L"clip.avi").c_str(), nullptr), S_OK);
    EXPECT_TRUE(FilterOfClass(g.Get(), kGstSplitter));
    g.Reset();
    EXPECT_EQ(TZRGraphCallbacks::LiveSites(), sitesBefore) << "released with the graph";
}

// ---------------------------------------------------------------------------------------------------
// Category filter

TEST(CatFilter, AddsTheNamedFilterOrNothing) {
    TZRSysDevEnum filters(CLSID_LegacyAmFilterCategory);
    ComPtr<IFilterGraph2> g = NewGraph();
    ASSERT_TRUE(g);

    TDSCatFilter cat;
    cat.Filters = &filters;
    for (const wchar_t* name : {L"No Such Decoder", L"   ", L""}) {
        cat.SetFilterName(name);
        EXPECT_FALSE(cat.Init(g.Get())) << testing::PrintToString(std::wstring(name));
        EXPECT_FALSE(cat.Filter);
        EXPECT_TRUE(FilterNames(g.Get()).empty());
    }
    cat.SetFilterName(L"null renderer");
    EXPECT_FALSE(cat.Init(nullptr));
    TDSCatFilter orphan;
    orphan.SetFilterName(L"Null Renderer");
    EXPECT_FALSE(orphan.Init(g.Get()));
    EXPECT_TRUE(FilterNames(g.Get()).empty());

    int calls = 0;
    cat.FName = L"Decoder";
    cat.OnFilter.Set([](void* ctx, const wchar_t*, IUnknown*) { ++*static_cast<int*>(ctx); }, &calls);
    ASSERT_TRUE(cat.Init(g.Get()));
    EXPECT_EQ(FilterNames(g.Get()), std::vector<std::wstring>{L"null renderer"}) << "added under the name as set";
    EXPECT_TRUE(IsEqualGUID(ClassOf(cat.Filter.Get()), zr::CLSID_NullRenderer));
    EXPECT_EQ(calls, 1);
}

// ---------------------------------------------------------------------------------------------------
// Property pages

// Stand-ins for a codec and a capture driver: they answer the dialog queries from their flags and
// record what they were asked to show.
class FakeCodec : public IAMVfwCompressDialogs {
public:
    bool config = false, about = false;
    std::vector<std::pair<int, HWND>> shown;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMVfwCompressDialogs)) {
            *ppv = static_cast<IAMVfwCompressDialogs*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ShowDialog(int code, HWND w) override {
        if (code == VfwCompressDialog_QueryConfig) return config ? S_OK : S_FALSE;
        if (code == VfwCompressDialog_QueryAbout) return about ? S_OK : S_FALSE;
        shown.emplace_back(code, w);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetState(LPVOID, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetState(LPVOID, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendDriverMessage(int, LONG, LONG) override { return E_NOTIMPL; }
};

// Only QueryInterface is called on these, and it sits in the first slot of every COM vtable.
template <class T>
IBaseFilter* AsFilter(T* obj) {
    return reinterpret_cast<IBaseFilter*>(static_cast<IUnknown*>(obj));
}

class FakeCapture : public IAMVfwCaptureDialogs {
public:
    int codes = 0;
    std::vector<std::pair<int, HWND>> shown;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMVfwCaptureDialogs)) {
            *ppv = static_cast<IAMVfwCaptureDialogs*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HasDialog(int code) override { return (codes & code) ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE ShowDialog(int code, HWND w) override {
        shown.emplace_back(code, w);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SendDriverMessage(int, int, long, long) override { return E_NOTIMPL; }
};

TEST(PropertyPages, KindsMapToTheirDialogs) {
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    // A capture driver with a format dialog only.
    FakeCapture cap;
    cap.codes = VfwCaptureDialog_Format;
    IBaseFilter* capF = AsFilter(&cap);
    EXPECT_FALSE(HasPropertyPage(capF, ppDefault));
    EXPECT_FALSE(HasPropertyPage(capF, ppVFWCapDisplay));
    EXPECT_TRUE(HasPropertyPage(capF, ppVFWCapFormat));
    EXPECT_FALSE(HasPropertyPage(capF, ppVFWCapSource));
    EXPECT_FALSE(HasPropertyPage(capF, ppVFWCompConfig));
    EXPECT_EQ(ShowPropertyPage(owner, capF, ppVFWCapSource), S_FALSE);
    EXPECT_TRUE(cap.shown.empty()) << "no source dialog: nothing shown";
    EXPECT_EQ(ShowPropertyPage(owner, capF, ppVFWCapFormat), S_OK);
    cap.codes = VfwCaptureDialog_Display | VfwCaptureDialog_Source;
    EXPECT_TRUE(HasPropertyPage(capF, ppVFWCapDisplay));
    EXPECT_EQ(ShowPropertyPage(owner, capF, ppVFWCapDisplay), S_OK);
    EXPECT_EQ(ShowPropertyPage(owner, capF, ppVFWCapSource), S_OK);
    const std::vector<std::pair<int, HWND>> capShown = {
        {VfwCaptureDialog_Format, owner}, {VfwCaptureDialog_Display, owner}, {VfwCaptureDialog_Source, owner}};
    EXPECT_EQ(cap.shown, capShown);

    // A codec with an about box only.
    FakeCodec codec;
    codec.about = true;
    IBaseFilter* codecF = AsFilter(&codec);
    EXPECT_FALSE(HasPropertyPage(codecF, ppVFWCompConfig));
    EXPECT_TRUE(HasPropertyPage(codecF, ppVFWCompAbout));
    EXPECT_FALSE(HasPropertyPage(codecF, ppVFWCapFormat));
    EXPECT_EQ(ShowPropertyPage(owner, codecF, ppVFWCompConfig), S_FALSE);
    EXPECT_EQ(ShowPropertyPage(owner, codecF, ppVFWCompAbout), S_OK);
    EXPECT_EQ(codec.shown, (std::vector<std::pair<int, HWND>>{{VfwCompressDialog_About, owner}}));

    EXPECT_FALSE(HasPropertyPage(nullptr, ppDefault));
    EXPECT_EQ(ShowPropertyPage(owner, nullptr, ppDefault), S_FALSE);
    EXPECT_EQ(ShowPropertyPage(owner, capF, static_cast<TZRPropertyPage>(6)), S_FALSE);
    EXPECT_FALSE(HasPropertyPage(capF, static_cast<TZRPropertyPage>(-1)));
}

TEST(PropertyPages, WineFiltersHaveNone) {
    TZRSysDevEnum filters(CLSID_LegacyAmFilterCategory);
    int checked = 0;
    for (const wchar_t* name : {L"Video Mixing Renderer 9", kGstSplitterName, L"Null Renderer", L"File Source (Async.)"}) {
        ComPtr<IBaseFilter> f = filters.GetBaseFilter(filters.FilterIndexOfFriendlyName(name));
        if (!f) continue;
        ++checked;
        for (int kind = ppDefault; kind <= ppVFWCompAbout; ++kind)
            EXPECT_FALSE(HasPropertyPage(f.Get(), static_cast<TZRPropertyPage>(kind)))
                << testing::PrintToString(std::wstring(name)) << " kind " << kind;
        // Nothing to show, so this returns at once instead of opening a modal frame.
        EXPECT_EQ(ShowPropertyPage(nullptr, f.Get(), ppDefault), E_NOINTERFACE);
    }
    EXPECT_EQ(checked, 4);
}

}  // namespace
