// Still frames from files, independent of any playback: the platform's media detector first; where the
// detector cannot grab bitmaps (it answers E_NOTIMPL, as Wine's does), a graph of our own takes the frame
// (source, the platform's splitter and decoder chosen by the graph, a sample grabber asking for 24-bit RGB,
// a null renderer; seek, run without a clock until the frame at the position arrives).
#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <dvdmedia.h>
#include <gdiplus.h>

#include <cstring>
#include <memory>
#include <vector>

#include "graph/comptr.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "player/player.h"

bool SaveImage(Gdiplus::Bitmap& image, const std::wstring& fileName, int32_t format, int32_t quality);

namespace {

constexpr GUID kIID_ISampleGrabberCB = {0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};
constexpr DWORD kGrabTimeoutMs = 10000;
constexpr int kMaxSide = 16384;

// A packed DIB: the 40-byte header followed by the pixels.
using PackedDib = std::vector<uint8_t>;

bool FrameSizeOf(const AM_MEDIA_TYPE& mt, int& w, int& h) {
    w = h = 0;
    if (!mt.pbFormat) return false;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* v = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        w = v->bmiHeader.biWidth;
        h = v->bmiHeader.biHeight;
    } else if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* v = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
        w = v->bmiHeader.biWidth;
        h = v->bmiHeader.biHeight;
    }
    return true;
}

void FreeType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat && mt.pbFormat) CoTaskMemFree(mt.pbFormat);
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
    if (mt.pUnk) mt.pUnk->Release();
    mt.pUnk = nullptr;
}

enum class DetectorResult { Ok, Failed, CannotGrab };

// The media detector's way: the first video stream, its frame size, GetBitmapBits at the position.
DetectorResult StillByDetector(const std::wstring& file, int32_t positionMs, PackedDib& dib) {
    ComPtr<IMediaDet> det;
    if (FAILED(CreateInstance(zr::CLSID_MediaDet, det)) || !det) return DetectorResult::Failed;
    BSTR name = SysAllocStringLen(file.data(), static_cast<UINT>(file.size()));
    if (!name) return DetectorResult::Failed;
    const HRESULT open = det->put_Filename(name);
    SysFreeString(name);
    if (FAILED(open)) return DetectorResult::Failed;
    long streams = 0;
    if (FAILED(det->get_OutputStreams(&streams))) return DetectorResult::Failed;
    int width = 0, height = 0;
    bool video = false;
    for (long i = 0; i < streams && i < 64 && !video; ++i) {
        if (FAILED(det->put_CurrentStream(i))) continue;
        AM_MEDIA_TYPE mt = {};
        if (FAILED(det->get_StreamMediaType(&mt))) continue;
        if (mt.majortype == MEDIATYPE_Video) {
            video = true;
            FrameSizeOf(mt, width, height);
        }
        FreeType(mt);
    }
    if (!video) return DetectorResult::Failed;
    const double at = positionMs / 1000.0;
    long size = 0;
    HRESULT hr = det->GetBitmapBits(at, &size, nullptr, width, height);
    if (hr == E_NOTIMPL) return DetectorResult::CannotGrab;
    if (FAILED(hr) || size <= static_cast<long>(sizeof(BITMAPINFOHEADER)) || size > 512 * 1024 * 1024)
        return DetectorResult::Failed;
    dib.assign(static_cast<size_t>(size), 0);
    hr = det->GetBitmapBits(at, &size, reinterpret_cast<char*>(dib.data()), width, height);
    if (hr == E_NOTIMPL) return DetectorResult::CannotGrab;
    return SUCCEEDED(hr) ? DetectorResult::Ok : DetectorResult::Failed;
}

// Keeps the first frame that shows at the position (its stop time past `at`, counted from the segment start)
// and, until then, the latest one (a position beyond the last frame gives the last frame).
class TStillGrabber final : public ISampleGrabberCB {
public:
    explicit TStillGrabber(REFERENCE_TIME at) : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), at_(at) {}
    ~TStillGrabber() {
        if (done_) CloseHandle(done_);
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (iid == IID_IUnknown || iid == kIID_ISampleGrabberCB) {
            *ppv = static_cast<ISampleGrabberCB*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&ref_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG r = InterlockedDecrement(&ref_);
        if (r == 0) delete this;
        return static_cast<ULONG>(r);
    }
    STDMETHODIMP SampleCB(double, IMediaSample* s) override {
        if (!s) return S_OK;
        AcquireSRWLockExclusive(&lock_);
        if (!got_) {
            BYTE* p = nullptr;
            const LONG len = s->GetActualDataLength();
            if (SUCCEEDED(s->GetPointer(&p)) && p && len > 0) {
                try {
                    pixels_.assign(p, p + len);
                    REFERENCE_TIME a = 0, b = 0;
                    const HRESULT t = s->GetTime(&a, &b);
                    if ((t == S_OK && b > at_) || (t == VFW_S_NO_STOP_TIME && a >= at_) || FAILED(t)) got_ = true;
                } catch (...) {
                }
            }
        }
        const bool got = got_;
        ReleaseSRWLockExclusive(&lock_);
        if (got) SetEvent(done_);
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

    HANDLE Done() const { return done_; }
    std::vector<uint8_t> Take() {
        AcquireSRWLockExclusive(&lock_);
        std::vector<uint8_t> p;
        p.swap(pixels_);
        got_ = true;  // nothing more is kept
        ReleaseSRWLockExclusive(&lock_);
        return p;
    }

private:
    LONG ref_ = 1;
    HANDLE done_;
    REFERENCE_TIME at_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<uint8_t> pixels_;
    bool got_ = false;
};

IPin* FirstPin(IBaseFilter* f, PIN_DIRECTION dir) {
    ComPtr<IEnumPins> e;
    if (FAILED(f->EnumPins(e.Put())) || !e) return nullptr;
    IPin* pin = nullptr;
    while (e->Next(1, &pin, nullptr) == S_OK && pin) {
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == dir) return pin;
        pin->Release();
        pin = nullptr;
    }
    return nullptr;
}

// Our own graph: the frame at the position as 24-bit RGB. The graph is sought to `start` and the frame is
// the first one whose stop time passes `target` (both in 100 ns units).
bool StillByGraph(const std::wstring& file, LONGLONG start, LONGLONG target, PackedDib& dib) {
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CreateInstance(CLSID_FilterGraph, graph)) || !graph) return false;
    ComPtr<IBaseFilter> source, grabberFilter, sink;
    if (FAILED(graph->AddSourceFilter(file.c_str(), L"Source", source.Put())) || !source) return false;
    if (FAILED(CreateInstance(zr::CLSID_SampleGrabber, grabberFilter)) || !grabberFilter) return false;
    if (FAILED(CreateInstance(zr::CLSID_NullRenderer, sink)) || !sink) return false;
    if (FAILED(graph->AddFilter(grabberFilter.Get(), L"Still Grabber")) || FAILED(graph->AddFilter(sink.Get(), L"Null")))
        return false;
    ComPtr<ISampleGrabber> grabber = grabberFilter.As<ISampleGrabber>();
    if (!grabber) return false;
    AM_MEDIA_TYPE want = {};
    want.majortype = MEDIATYPE_Video;
    want.subtype = MEDIASUBTYPE_RGB24;
    want.formattype = FORMAT_VideoInfo;
    if (FAILED(grabber->SetMediaType(&want))) return false;
    grabber->SetBufferSamples(FALSE);
    grabber->SetOneShot(FALSE);
    auto* cb = new TStillGrabber(target - start);
    ComPtr<ISampleGrabberCB> hold = ComPtr<ISampleGrabberCB>::Attach(cb);
    if (FAILED(grabber->SetCallback(cb, 0))) return false;
    bool ok = false;
    ComPtr<IMediaControl> control = graph.As<IMediaControl>();
    try {
        ComPtr<IPin> srcOut = ComPtr<IPin>::Attach(FirstPin(source.Get(), PINDIR_OUTPUT));
        ComPtr<IPin> grabIn = ComPtr<IPin>::Attach(FirstPin(grabberFilter.Get(), PINDIR_INPUT));
        ComPtr<IPin> grabOut = ComPtr<IPin>::Attach(FirstPin(grabberFilter.Get(), PINDIR_OUTPUT));
        ComPtr<IPin> sinkIn = ComPtr<IPin>::Attach(FirstPin(sink.Get(), PINDIR_INPUT));
        // The graph inserts the splitter and decoder; a file without video connects nothing to the grabber.
        if (!srcOut || !grabIn || !grabOut || !sinkIn) throw 1;
        if (FAILED(graph->Connect(srcOut.Get(), grabIn.Get())) || FAILED(graph->Connect(grabOut.Get(), sinkIn.Get())))
            throw 1;
        // The splitter's other streams (audio in front of the video, more video) go to null renderers: some
        // splitters stop streaming when a stream has nowhere to go.
        ComPtr<IPin> splitterIn;
        PIN_INFO info = {};
        if (SUCCEEDED(srcOut->ConnectedTo(splitterIn.Put())) && splitterIn && SUCCEEDED(splitterIn->QueryPinInfo(&info)) &&
            info.pFilter) {
            ComPtr<IBaseFilter> splitter = ComPtr<IBaseFilter>::Attach(info.pFilter);
            ComPtr<IEnumPins> pins;
            std::vector<ComPtr<IPin>> open;
            if (SUCCEEDED(splitter->EnumPins(pins.Put())) && pins) {
                IPin* pin = nullptr;
                while (pins->Next(1, &pin, nullptr) == S_OK && pin) {
                    ComPtr<IPin> p = ComPtr<IPin>::Attach(pin);
                    PIN_DIRECTION d;
                    ComPtr<IPin> peer;
                    if (SUCCEEDED(p->QueryDirection(&d)) && d == PINDIR_OUTPUT && FAILED(p->ConnectedTo(peer.Put())))
                        open.push_back(p);
                }
            }
            for (auto& p : open) {
                ComPtr<IBaseFilter> extra;
                if (FAILED(CreateInstance(zr::CLSID_NullRenderer, extra)) || !extra ||
                    FAILED(graph->AddFilter(extra.Get(), L"Null (other stream)")))
                    continue;
                ComPtr<IPin> in = ComPtr<IPin>::Attach(FirstPin(extra.Get(), PINDIR_INPUT));
                if (!in || FAILED(graph->ConnectDirect(p.Get(), in.Get(), nullptr))) graph->RemoveFilter(extra.Get());
            }
        }
        AM_MEDIA_TYPE mt = {};
        if (FAILED(grabber->GetConnectedMediaType(&mt))) throw 1;
        int w = 0, h = 0;
        const bool rgb24 = mt.subtype == MEDIASUBTYPE_RGB24 && FrameSizeOf(mt, w, h);
        FreeType(mt);
        if (!rgb24 || w <= 0 || h == 0 || w > kMaxSide || h > kMaxSide || h < -kMaxSide) throw 1;
        if (ComPtr<IMediaFilter> mf = graph.As<IMediaFilter>()) mf->SetSyncSource(nullptr);  // as fast as it decodes
        if (ComPtr<IMediaSeeking> seek = graph.As<IMediaSeeking>()) {
            LONGLONG at = start;
            seek->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        }
        if (!control || FAILED(control->Run())) throw 1;
        ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
        const DWORD begin = GetTickCount();
        bool ended = false;
        while (!ended && GetTickCount() - begin < kGrabTimeoutMs) {
            if (WaitForSingleObject(cb->Done(), 20) == WAIT_OBJECT_0) break;
            long code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            while (events && events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
                events->FreeEventParams(code, p1, p2);
                if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) ended = true;
            }
        }
        control->Stop();
        grabber->SetCallback(nullptr, 0);
        std::vector<uint8_t> pixels = cb->Take();
        const int height = h < 0 ? -h : h;
        const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
        if (pixels.size() < stride * height) throw 1;
        BITMAPINFOHEADER bih = {};
        bih.biSize = sizeof bih;
        bih.biWidth = w;
        bih.biHeight = h;
        bih.biPlanes = 1;
        bih.biBitCount = 24;
        bih.biCompression = BI_RGB;
        bih.biSizeImage = static_cast<DWORD>(stride * height);
        dib.resize(sizeof bih + stride * height);
        std::memcpy(dib.data(), &bih, sizeof bih);
        std::memcpy(dib.data() + sizeof bih, pixels.data(), stride * height);
        ok = true;
    } catch (...) {
        if (control) control->Stop();
        grabber->SetCallback(nullptr, 0);
    }
    // The graph goes before the callback object.
    graph->RemoveFilter(grabberFilter.Get());
    return ok;
}

HBITMAP StillBitmap(const std::wstring& file, int32_t positionMs) {
    PackedDib dib;
    switch (StillByDetector(file, positionMs, dib)) {
    case DetectorResult::Ok: break;
    case DetectorResult::CannotGrab: {
        // Sought to the position itself; when that gives no frame at all (an MPEG program stream sought near
        // its end was seen to end at once), from a second earlier.
        const LONGLONG at = static_cast<LONGLONG>(positionMs < 0 ? 0 : positionMs) * 10000;
        if (!StillByGraph(file, at, at, dib) && (at == 0 || !StillByGraph(file, at > 10000000 ? at - 10000000 : 0, at, dib)))
            return nullptr;
        break;
    }
    default: return nullptr;
    }
    if (dib.size() <= sizeof(BITMAPINFOHEADER)) return nullptr;
    const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    if (bih->biSize < sizeof(BITMAPINFOHEADER) || bih->biSize > dib.size()) return nullptr;
    // Pixels follow the header (and the colour table, for formats that have one).
    size_t offset = bih->biSize;
    if (bih->biBitCount <= 8) offset += (bih->biClrUsed ? bih->biClrUsed : (1u << bih->biBitCount)) * sizeof(RGBQUAD);
    else if (bih->biCompression == BI_BITFIELDS) offset += 3 * sizeof(DWORD);
    if (offset >= dib.size()) return nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateDIBitmap(screen, bih, CBM_INIT, dib.data() + offset, reinterpret_cast<const BITMAPINFO*>(bih),
                                 DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bmp;
}

}  // namespace

HBITMAP TZRMediaPlayer::Helpful_GetFrameFromFileH(const std::wstring& SourceFilename, int32_t Position) {
    try {
        if (SourceFilename.empty()) return nullptr;
        return StillBitmap(SourceFilename, Position);
    } catch (...) {
        return nullptr;
    }
}

int32_t TZRMediaPlayer::Helpful_GetFrameFromFileI(const std::wstring& SourceFilename, int32_t Position) {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(Helpful_GetFrameFromFileH(SourceFilename, Position)));
}

bool TZRMediaPlayer::Helpful_SaveFrameFromFile(const std::wstring& SourceFilename, int32_t Position,
                                               const std::wstring& OutputFilename, int32_t Format) {
    try {
        if (!FGdiplusToken || SourceFilename.empty() || OutputFilename.empty()) return false;
        HBITMAP bmp = Helpful_GetFrameFromFileH(SourceFilename, Position);
        if (!bmp) return false;
        bool saved = false;
        {
            std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromHBITMAP(bmp, nullptr));
            saved = image && image->GetLastStatus() == Gdiplus::Ok && SaveImage(*image, OutputFilename, Format, 85);
        }
        DeleteObject(bmp);
        return saved;
    } catch (...) {
        return false;
    }
}
