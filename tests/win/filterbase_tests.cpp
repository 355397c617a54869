// The filter base classes carry real streams: a copy transform and an in-place transform built on them
// sit in platform graphs between the platform's splitter and its renderers.
#include <dshow.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "filters/base/allocator.h"
#include "filters/base/transform.h"
#include "filters/filter_guids.h"
#include "playerfixture.h"

namespace {

constexpr GUID kSwapClsid = {0x7A1E0001, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};
constexpr GUID kCountClsid = {0x7A1E0002, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 2}};

// Copy transform on 32-bit RGB video: exchanges red and blue.
class SwapRedBlue final : public zrf::TZRTransformFilter {
public:
    SwapRedBlue() : TZRTransformFilter(kSwapClsid, L"swap") {}
    std::atomic<int> frames{0};

    HRESULT CheckInputType(const AM_MEDIA_TYPE& mt) override {
        if (mt.majortype != MEDIATYPE_Video || mt.subtype != MEDIASUBTYPE_RGB32 || mt.formattype != FORMAT_VideoInfo ||
            mt.cbFormat < sizeof(VIDEOINFOHEADER) || !mt.pbFormat)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }
    HRESULT GetInputType(int index, zrf::MediaType& mt) override {
        if (index != 0) return VFW_S_NO_MORE_ITEMS;
        VIDEOINFOHEADER vih = {};
        vih.AvgTimePerFrame = 400000;
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = 320;
        vih.bmiHeader.biHeight = 240;
        vih.bmiHeader.biPlanes = 1;
        vih.bmiHeader.biBitCount = 32;
        vih.bmiHeader.biCompression = BI_RGB;
        vih.bmiHeader.biSizeImage = 320 * 240 * 4;
        mt.Clear();
        mt->majortype = MEDIATYPE_Video;
        mt->subtype = MEDIASUBTYPE_RGB32;
        mt->lSampleSize = vih.bmiHeader.biSizeImage;
        return mt.SetFormat(FORMAT_VideoInfo, &vih, sizeof vih);
    }
    HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) override {
        return CheckInputType(out) == S_OK && zrf::MediaTypesEqual(in, out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetOutputType(int index, zrf::MediaType& mt) override {
        if (index != 0) return VFW_S_NO_MORE_ITEMS;
        return mt.Set(input_.CurrentMediaType().Get());
    }
    HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* p) override {
        const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(input_.CurrentMediaType()->pbFormat);
        ALLOCATOR_PROPERTIES want = *p, got = {};
        want.cBuffers = std::max<LONG>(want.cBuffers, 2);
        want.cbBuffer = std::max<LONG>(want.cbBuffer, static_cast<LONG>(vih->bmiHeader.biSizeImage));
        if (want.cbAlign <= 0) want.cbAlign = 1;
        HRESULT hr = a->SetProperties(&want, &got);
        return FAILED(hr) ? hr : (got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL);
    }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
        BYTE *src = nullptr, *dst = nullptr;
        in->GetPointer(&src);
        out->GetPointer(&dst);
        LONG n = std::min(in->GetActualDataLength(), out->GetSize()) & ~3;
        for (LONG i = 0; i < n; i += 4) {
            dst[i] = src[i + 2];
            dst[i + 1] = src[i + 1];
            dst[i + 2] = src[i];
            dst[i + 3] = src[i + 3];
        }
        out->SetActualDataLength(n);
        ++frames;
        return S_OK;
    }
};

// In-place transform on audio: counts what passes.
class CountAudio final : public zrf::TZRTransInPlaceFilter {
public:
    CountAudio() : TZRTransInPlaceFilter(kCountClsid, L"count") {}
    std::atomic<long long> bytes{0};
    std::atomic<int> samples{0};
    HRESULT CheckInputType(const AM_MEDIA_TYPE& mt) override {
        return mt.majortype == MEDIATYPE_Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT TransformInPlace(IMediaSample* s) override {
        bytes += s->GetActualDataLength();
        ++samples;
        return S_OK;
    }
};

// A video sink that counts what reaches it: samples (with the sample objects and a checksum of their
// data), flushes and ends of stream. With refuseShared it will not take a read-only allocator from
// upstream, so its samples come in buffers of its own.
class CountSink final : public zrf::TZRBaseFilter {
public:
    explicit CountSink(bool refuseShared) : TZRBaseFilter(kCountClsid, L"sink"), pin_(this, refuseShared) {}
    int GetPinCount() override { return 1; }
    zrf::TZRBasePin* GetPin(int i) override { return i == 0 ? &pin_ : nullptr; }

    std::atomic<int> samples{0}, flushes{0}, eos{0};
    std::vector<IMediaSample*> seen;  // sample objects, in order (streaming thread only while running)
    uint64_t checksum = 0;

private:
    class Pin final : public zrf::TZRInputPin {
    public:
        Pin(CountSink* f, bool refuse) : TZRInputPin(f, L"In"), owner_(f), refuse_(refuse) {}
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
            return mt.majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        STDMETHODIMP NotifyAllocator(IMemAllocator* a, BOOL readOnly) override {
            if (refuse_ && readOnly) return E_FAIL;
            return TZRInputPin::NotifyAllocator(a, readOnly);
        }
        HRESULT OnReceive(IMediaSample* s) override {
            BYTE* p = nullptr;
            s->GetPointer(&p);
            const LONG n = s->GetActualDataLength();
            for (LONG i = 0; i < n; i += 61) owner_->checksum = owner_->checksum * 31 + p[i];
            owner_->seen.push_back(s);
            ++owner_->samples;
            return S_OK;
        }
        STDMETHODIMP BeginFlush() override {
            ++owner_->flushes;
            return TZRInputPin::BeginFlush();
        }
        STDMETHODIMP EndOfStream() override {
            HRESULT hr = TZRInputPin::EndOfStream();
            ++owner_->eos;
            return hr;
        }

    private:
        CountSink* owner_;
        bool refuse_;
    };
    Pin pin_;
};

// Waits for EC_COMPLETE (or an error event) while pumping messages.
long WaitForEnd(IMediaEventEx* ev, DWORD ms) {
    long result = 0;
    PumpUntil([&] {
        long code;
        LONG_PTR p1, p2;
        while (ev->GetEvent(&code, &p1, &p2, 0) == S_OK) {
            ev->FreeEventParams(code, p1, p2);
            if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) result = code;
        }
        return result != 0;
    }, ms);
    return result;
}

TEST(FilterBase, CopyTransformDeliversEveryFrameToTheRenderer) {
    HWND host = CreateHostWindow(40, 40, 320, 240);
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CreateInstance(CLSID_FilterGraph, graph), S_OK);
    ComPtr<ICaptureGraphBuilder2> cgb;
    ASSERT_EQ(CreateInstance(CLSID_CaptureGraphBuilder2, cgb), S_OK);
    cgb->SetFiltergraph(graph.Get());
    ComPtr<IBaseFilter> src, vr;
    ASSERT_EQ(graph->AddSourceFilter(MediaPath(L"videoonly.avi").c_str(), L"src", src.Put()), S_OK);
    auto* swap = new SwapRedBlue();
    ComPtr<IBaseFilter> swapFilter(swap);
    ASSERT_EQ(graph->AddFilter(swapFilter.Get(), L"swap"), S_OK);
    ASSERT_EQ(CreateInstance(CLSID_VideoRenderer, vr), S_OK);
    ASSERT_EQ(graph->AddFilter(vr.Get(), L"vr"), S_OK);
    ASSERT_EQ(cgb->RenderStream(nullptr, nullptr, src.Get(), swapFilter.Get(), vr.Get()), S_OK);
    AM_MEDIA_TYPE mt = {};
    ASSERT_EQ(swap->OutputPin().ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_RGB32);
    zrf::FreeMediaTypeContent(mt);

    ComPtr<IVideoWindow> vw = graph.As<IVideoWindow>();
    vw->put_Owner(reinterpret_cast<OAHWND>(host));
    vw->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    vw->SetWindowPosition(0, 0, 320, 240);
    vw->put_Visible(OATRUE);
    ComPtr<IMediaControl> mc = graph.As<IMediaControl>();
    ComPtr<IMediaEventEx> ev = graph.As<IMediaEventEx>();
    ASSERT_TRUE(SUCCEEDED(mc->Run()));
    // Red and blue change places; green and white stay.
    std::string q;
    PumpUntil([&] { return (q = ClientColours(host, {{80, 60}, {240, 60}, {80, 180}, {240, 180}})) == "BGRW"; }, 4000);
    EXPECT_EQ(q, "BGRW");
    EXPECT_EQ(WaitForEnd(ev.Get(), 10000), EC_COMPLETE);
    EXPECT_GE(swap->frames.load(), 70);  // 3 s at 25 frames per second
    mc->Stop();
    vw->put_Visible(OAFALSE);
    vw->put_Owner(0);
    DestroyWindow(host);
}

TEST(FilterBase, InPlaceTransformPassesAllSoundAndEndOfStream) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CreateInstance(CLSID_FilterGraph, graph), S_OK);
    ComPtr<ICaptureGraphBuilder2> cgb;
    ASSERT_EQ(CreateInstance(CLSID_CaptureGraphBuilder2, cgb), S_OK);
    cgb->SetFiltergraph(graph.Get());
    ComPtr<IBaseFilter> src, ds;
    ASSERT_EQ(graph->AddSourceFilter(MediaPath(L"clip.wav").c_str(), L"src", src.Put()), S_OK);
    auto* count = new CountAudio();
    ComPtr<IBaseFilter> countFilter(count);
    ASSERT_EQ(graph->AddFilter(countFilter.Get(), L"count"), S_OK);
    ASSERT_EQ(CreateInstance(CLSID_DSoundRender, ds), S_OK);
    ASSERT_EQ(graph->AddFilter(ds.Get(), L"ds"), S_OK);
    ASSERT_EQ(cgb->RenderStream(nullptr, nullptr, src.Get(), countFilter.Get(), ds.Get()), S_OK);
    ComPtr<IMediaControl> mc = graph.As<IMediaControl>();
    ComPtr<IMediaEventEx> ev = graph.As<IMediaEventEx>();
    for (int round = 0; round < 2; ++round) {  // a stopped graph runs again from the start
        SCOPED_TRACE(round);
        count->bytes = 0;
        ComPtr<IMediaSeeking> seek = graph.As<IMediaSeeking>();
        LONGLONG zero = 0;
        seek->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        ASSERT_TRUE(SUCCEEDED(mc->Run()));
        EXPECT_EQ(WaitForEnd(ev.Get(), 10000), EC_COMPLETE);
        mc->Stop();
        // 3 s of 16-bit stereo at 44.1 kHz, whatever the platform's sample format.
        AM_MEDIA_TYPE mt = {};
        ASSERT_EQ(count->InputPin().ConnectionMediaType(&mt), S_OK);
        const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
        const double seconds = static_cast<double>(count->bytes) / wf->nAvgBytesPerSec;
        zrf::FreeMediaTypeContent(mt);
        EXPECT_NEAR(seconds, 3.0, 0.1);
    }
}

// Our infinite tee, from the registered filters DLL, in a graph of its own: a new output appears each time
// the last one is connected, and every frame reaches every sink, as the same sample object where the sink
// takes the shared allocator and as a copy with the same data where it does not. Ends of stream, running
// again after a stop, and a flush reach every output.
TEST(FilterBase, InfiniteTeeFeedsEveryOutput) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CreateInstance(CLSID_FilterGraph, graph), S_OK);
    ComPtr<IBaseFilter> src, tee;
    ASSERT_EQ(graph->AddSourceFilter(MediaPath(L"videoonly.avi").c_str(), L"src", src.Put()), S_OK);
    ASSERT_EQ(CreateInstance(zrf::CLSID_ZRInfTee, tee), S_OK);
    ASSERT_EQ(graph->AddFilter(tee.Get(), L"tee"), S_OK);
    auto pinCount = [&] {
        ULONG in = 0, out = 0;
        CountPins(tee.Get(), &in, &out);
        return std::pair<ULONG, ULONG>(in, out);
    };
    EXPECT_EQ(pinCount(), (std::pair<ULONG, ULONG>(1, 1)));
    ComPtr<IPin> srcOut, teeIn, out1;
    ASSERT_TRUE(GetPinByIndex(src.Get(), PINDIR_OUTPUT, 1, srcOut));
    ASSERT_TRUE(GetPinByIndex(tee.Get(), PINDIR_INPUT, 1, teeIn));
    // An output cannot connect before the input has a type.
    ASSERT_TRUE(GetPinByIndex(tee.Get(), PINDIR_OUTPUT, 1, out1));
    CountSink* sinks[3] = {new CountSink(false), new CountSink(false), new CountSink(true)};
    ComPtr<IBaseFilter> sinkFilters[3];
    for (int i = 0; i < 3; ++i) {
        sinkFilters[i] = ComPtr<IBaseFilter>(sinks[i]);
        ASSERT_EQ(graph->AddFilter(sinks[i], (L"sink" + std::to_wstring(i)).c_str()), S_OK);
    }
    ComPtr<IPin> sink0In;
    ASSERT_TRUE(GetPinByIndex(sinks[0], PINDIR_INPUT, 1, sink0In));
    EXPECT_TRUE(FAILED(out1->Connect(sink0In.Get(), nullptr)));
    // The tee takes any type, the file's byte stream too: it goes where a video renderer's input was,
    // behind the splitter the platform chose for that renderer.
    ComPtr<IBaseFilter> vr;
    ComPtr<IPin> vrIn, video;
    ASSERT_EQ(CreateInstance(CLSID_VideoRenderer, vr), S_OK);
    ASSERT_EQ(graph->AddFilter(vr.Get(), L"vr"), S_OK);
    ASSERT_TRUE(GetPinByIndex(vr.Get(), PINDIR_INPUT, 1, vrIn));
    ASSERT_EQ(graph->Connect(srcOut.Get(), vrIn.Get()), S_OK);
    ASSERT_EQ(vrIn->ConnectedTo(video.Put()), S_OK);
    graph->Disconnect(vrIn.Get());
    graph->Disconnect(video.Get());
    graph->RemoveFilter(vr.Get());
    ASSERT_EQ(graph->ConnectDirect(video.Get(), teeIn.Get(), nullptr), S_OK);
    for (int i = 0; i < 3; ++i) {
        ComPtr<IPin> out, in;
        ASSERT_TRUE(GetPinByIndex(tee.Get(), PINDIR_OUTPUT, static_cast<uint8_t>(i + 1), out)) << i;
        ASSERT_TRUE(GetPinByIndex(sinks[i], PINDIR_INPUT, 1, in));
        ASSERT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), S_OK) << i;
        PIN_INFO info = {};
        out->QueryPinInfo(&info);
        if (info.pFilter) info.pFilter->Release();
        EXPECT_EQ(std::wstring(info.achName), L"Output" + std::to_wstring(i + 1));
    }
    EXPECT_EQ(pinCount(), (std::pair<ULONG, ULONG>(1, 4)));

    ComPtr<IMediaFilter> mf = graph.As<IMediaFilter>();
    mf->SetSyncSource(nullptr);  // as fast as the frames come
    ComPtr<IMediaControl> mc = graph.As<IMediaControl>();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (CountSink* s : sinks) { s->samples = 0; s->eos = 0; s->seen.clear(); s->checksum = 0; }
        ComPtr<IMediaSeeking> seek = graph.As<IMediaSeeking>();
        LONGLONG zero = 0;
        seek->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        ASSERT_TRUE(SUCCEEDED(mc->Run()));
        EXPECT_TRUE(PumpUntil([&] { return sinks[0]->eos && sinks[1]->eos && sinks[2]->eos; }, 15000));
        mc->Stop();
        EXPECT_GE(sinks[0]->samples.load(), 70);  // 3 s at 25 frames per second
        EXPECT_EQ(sinks[1]->samples.load(), sinks[0]->samples.load());
        EXPECT_EQ(sinks[2]->samples.load(), sinks[0]->samples.load());
        EXPECT_EQ(sinks[0]->seen, sinks[1]->seen);  // the very same samples
        EXPECT_EQ(sinks[1]->checksum, sinks[0]->checksum);
        EXPECT_EQ(sinks[2]->checksum, sinks[0]->checksum);  // copies with the same data
        ASSERT_FALSE(sinks[2]->seen.empty());
        EXPECT_NE(sinks[2]->seen[0], sinks[0]->seen[0]);
    }
    // A flush from upstream reaches every branch.
    ASSERT_TRUE(SUCCEEDED(mc->Pause()));
    for (CountSink* s : sinks) s->flushes = 0;
    EXPECT_EQ(teeIn->BeginFlush(), S_OK);
    EXPECT_EQ(teeIn->EndFlush(), S_OK);
    mc->Stop();
    for (CountSink* s : sinks) EXPECT_EQ(s->flushes.load(), 1);
    // An output that goes away leaves a free pin to connect again; no further pin appears.
    ComPtr<IPin> out2;
    ASSERT_TRUE(GetPinByIndex(tee.Get(), PINDIR_OUTPUT, 2, out2));
    ComPtr<IPin> peer;
    ASSERT_EQ(out2->ConnectedTo(peer.Put()), S_OK);
    EXPECT_EQ(graph->Disconnect(out2.Get()), S_OK);
    EXPECT_EQ(graph->Disconnect(peer.Get()), S_OK);
    EXPECT_EQ(pinCount(), (std::pair<ULONG, ULONG>(1, 4)));
    for (auto& f : sinkFilters) graph->RemoveFilter(f.Get());
}

// The allocator: its states, the waiting GetBuffer, and samples that come back recycled.
TEST(FilterBase, AllocatorStatesAndWaits) {
    ComPtr<IMemAllocator> a = zrf::TZRMemAllocator::Create();
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Commit(), VFW_E_SIZENOTSET);
    ALLOCATOR_PROPERTIES bad = {2, 100, 3, 0}, got = {};
    EXPECT_EQ(a->SetProperties(&bad, &got), VFW_E_BADALIGN);
    ALLOCATOR_PROPERTIES want = {2, 1000, 64, 16};
    ASSERT_EQ(a->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(got.cBuffers, 2);
    ComPtr<IMediaSample> none;
    EXPECT_EQ(a->GetBuffer(none.Put(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(a->Commit(), S_OK);
    EXPECT_EQ(a->SetProperties(&want, &got), VFW_E_ALREADY_COMMITTED);

    ComPtr<IMediaSample> s1, s2;
    ASSERT_EQ(a->GetBuffer(s1.Put(), nullptr, nullptr, 0), S_OK);
    ASSERT_EQ(a->GetBuffer(s2.Put(), nullptr, nullptr, 0), S_OK);
    BYTE* p = nullptr;
    s1->GetPointer(&p);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
    EXPECT_EQ(s1->GetSize(), 1000);
    EXPECT_EQ(a->GetBuffer(none.Put(), nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

    // Sample properties, and their reset when the sample comes back.
    REFERENCE_TIME t0 = 0, t1 = 0;
    EXPECT_EQ(s1->GetTime(&t0, &t1), VFW_E_SAMPLE_TIME_NOT_SET);
    t0 = 5;
    EXPECT_EQ(s1->SetTime(&t0, nullptr), S_OK);
    EXPECT_EQ(s1->GetTime(&t0, &t1), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(s1->SetActualDataLength(1001), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(s1->SetActualDataLength(1000), S_OK);
    s1->SetSyncPoint(TRUE);
    AM_MEDIA_TYPE mt = {};
    mt.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(s1->SetMediaType(&mt), S_OK);

    // A waiting GetBuffer gets the sample released elsewhere.
    HRESULT waited = E_FAIL;
    ComPtr<IMediaSample> s3;
    std::thread t([&] { waited = a->GetBuffer(s3.Put(), nullptr, nullptr, 0); });
    Sleep(100);
    s1.Reset();
    t.join();
    EXPECT_EQ(waited, S_OK);
    ASSERT_TRUE(s3);
    EXPECT_EQ(s3->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(s3->GetActualDataLength(), 0);
    AM_MEDIA_TYPE* back = nullptr;
    EXPECT_EQ(s3->GetMediaType(&back), S_FALSE);

    // Decommit releases a waiter; samples still out stay usable and come back later.
    std::thread t2([&] { waited = a->GetBuffer(none.Put(), nullptr, nullptr, 0); });
    Sleep(100);
    EXPECT_EQ(a->Decommit(), S_OK);
    t2.join();
    EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
    EXPECT_EQ(a->SetProperties(&want, &got), VFW_E_BUFFERS_OUTSTANDING);
    s2->GetPointer(&p);
    std::memset(p, 0xAB, 1000);
    s2.Reset();
    s3.Reset();
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
    ASSERT_EQ(a->Commit(), S_OK);
    ASSERT_EQ(a->GetBuffer(s1.Put(), nullptr, nullptr, 0), S_OK);
    s1.Reset();
    a->Decommit();
}

}  // namespace
