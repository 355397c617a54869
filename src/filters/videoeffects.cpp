#include "filters/videoeffects.h"

#include <dvdmedia.h>

#include <algorithm>
#include <cwchar>

#include "filters/filter_guids.h"

namespace zrf {

namespace {

using zr::pix::PixFormat;

constexpr wchar_t kFilterName[] = L"Zirez Ureroro Daz";
constexpr size_t kMaxText = 65536;

constexpr GUID FourCCType(uint32_t fcc) { return {fcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}; }
constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}
constexpr GUID kI420 = FourCCType(FourCC('I', '4', '2', '0'));
constexpr GUID kIYUV = FourCCType(FourCC('I', 'Y', 'U', 'V'));
constexpr GUID kYV12 = FourCCType(FourCC('Y', 'V', '1', '2'));
constexpr GUID kNV12 = FourCCType(FourCC('N', 'V', '1', '2'));

std::wstring CopyText(const char16_t* s) {
    if (!s) return {};
    const wchar_t* w = reinterpret_cast<const wchar_t*>(s);
    return std::wstring(w, wcsnlen(w, kMaxText));
}

TZREffectEntry EntryOf(const CZREffect& e, uint64_t revision) {
    TZREffectEntry entry;
    entry.rec = e;
    entry.text = CopyText(e.TextLogo.text);
    entry.fontName = CopyText(e.TextLogo.font_name);
    entry.dateMask = CopyText(e.TextLogo.dateMask);
    entry.fileName = CopyText(e.GraphicLogo.Filename);
    entry.rec.TextLogo.text = entry.rec.TextLogo.font_name = entry.rec.TextLogo.dateMask = nullptr;
    entry.rec.GraphicLogo.Filename = nullptr;
    entry.revision = revision;
    return entry;
}

bool Flag(BOOL b) { return b != 0; }

}  // namespace

bool FrameFormatOf(const AM_MEDIA_TYPE& mt, TZRFrameFormat& out) {
    out = TZRFrameFormat();
    if (mt.majortype != MEDIATYPE_Video || !mt.pbFormat) return false;
    const BITMAPINFOHEADER* bih = nullptr;
    const RECT* src = nullptr;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* v = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        bih = &v->bmiHeader;
        src = &v->rcSource;
    } else if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* v = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
        bih = &v->bmiHeader;
        src = &v->rcSource;
    } else {
        return false;
    }
    if (bih->biWidth <= 0 || bih->biHeight == 0 || bih->biWidth > 16384 || bih->biHeight > 16384 ||
        bih->biHeight < -16384)
        return false;
    PixFormat f = PixFormat::None;
    if (mt.subtype == MEDIASUBTYPE_RGB24 && bih->biBitCount == 24) f = PixFormat::RGB24;
    else if ((mt.subtype == MEDIASUBTYPE_RGB32 || mt.subtype == MEDIASUBTYPE_ARGB32) && bih->biBitCount == 32)
        f = PixFormat::RGB32;
    else if (mt.subtype == kI420 || mt.subtype == kIYUV) f = PixFormat::I420;
    else if (mt.subtype == kYV12) f = PixFormat::YV12;
    else if (mt.subtype == kNV12) f = PixFormat::NV12;
    if (f == PixFormat::None) return false;
    const bool rgb = f == PixFormat::RGB24 || f == PixFormat::RGB32;
    if (rgb && bih->biCompression != BI_RGB && bih->biCompression != BI_BITFIELDS) return false;
    out.format = f;
    out.height = std::abs(bih->biHeight);
    out.bottomUp = rgb && bih->biHeight > 0;
    out.stride = rgb ? ((static_cast<ptrdiff_t>(bih->biWidth) * bih->biBitCount + 31) / 32) * 4 : bih->biWidth;
    out.width = bih->biWidth;
    // A source rectangle narrower than the rows: the rows are longer than the picture.
    if (src && src->left == 0 && src->right > 0 && src->right < bih->biWidth) out.width = src->right;
    out.bytes = zr::pix::FrameBytes(f, bih->biWidth, out.height, out.stride);
    return out.bytes > 0;
}

HRESULT TZRVideoEffects::CreateInstance(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* f = new (std::nothrow) TZRVideoEffects();
    if (!f) return E_OUTOFMEMORY;
    ComPtr<IBaseFilter> hold(static_cast<IBaseFilter*>(f));
    return f->QueryInterface(iid, ppv);
}

TZRVideoEffects::TZRVideoEffects()
    : TZRTransformFilter(CLSID_ZRVideoEffects, kFilterName, L"Video Input", L"Video Output"),
      settings_(std::make_shared<TZREffectSettings>()),
      stages_(MakeStages()) {}

TZRVideoEffects::~TZRVideoEffects() = default;

HRESULT TZRVideoEffects::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == __uuidof(IZREffectsPro)) return HandOut<IZREffectsPro>(this, ppv);
    if (iid == __uuidof(IZREffects45)) return HandOut<IZREffects45>(this, ppv);
    if (iid == __uuidof(IZRMotDetConfig)) return HandOut<IZRMotDetConfig>(this, ppv);
    if (iid == __uuidof(IZRChromaKey)) return HandOut<IZRChromaKey>(this, ppv);
    return TZRTransformFilter::NonDelegatingQueryInterface(iid, ppv);
}

std::shared_ptr<const TZREffectSettings> TZRVideoEffects::Settings() {
    AutoLock l(settingsLock_);
    return settings_;
}

template <class F>
HRESULT TZRVideoEffects::Change(F&& f) {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(settingsLock_);
        auto next = std::make_shared<TZREffectSettings>(*settings_);
        f(*next);
        settings_ = std::move(next);
        return S_OK;
    });
}

// --- IZREffectsPro

STDMETHODIMP TZRVideoEffects::SetEnabledComponents(BOOL effects, BOOL motion, BOOL chroma, BOOL grabber) {
    return Change([&](TZREffectSettings& s) {
        s.effectsOn = Flag(effects);
        s.motionOn = Flag(motion);
        s.chromaOn = Flag(chroma);
        s.grabberOn = Flag(grabber);
    });
}
STDMETHODIMP TZRVideoEffects::SetSGCallback24(void* cb) {
    return Change([&](TZREffectSettings& s) { s.frameCallback = cb; });
}
STDMETHODIMP TZRVideoEffects::SetSecondCallback(void* cb) {
    return Change([&](TZREffectSettings& s) { s.secondCallback = cb; });
}
STDMETHODIMP TZRVideoEffects::SetAppHandle(void* app) {
    return Change([&](TZREffectSettings& s) { s.app = app; });
}
STDMETHODIMP TZRVideoEffects::SetAppHandleID(int32_t window) {
    return Change([&](TZREffectSettings& s) { s.appWindow = window; });
}

// --- IZREffects45

STDMETHODIMP TZRVideoEffects::AddVideoEffect(CZREffect effect) {
    return Change([&](TZREffectSettings& s) { s.effects.push_back(EntryOf(effect, nextRevision_++)); });
}
STDMETHODIMP TZRVideoEffects::UpdateVideoEffect(CZREffect effect) {
    return Change([&](TZREffectSettings& s) {
        for (TZREffectEntry& e : s.effects)
            if (e.rec.ID == effect.ID) {
                e = EntryOf(effect, nextRevision_++);
                return;
            }
    });
}
STDMETHODIMP TZRVideoEffects::RemoveVideoEffect(int32_t id) {
    return Change([&](TZREffectSettings& s) {
        s.effects.erase(std::remove_if(s.effects.begin(), s.effects.end(), [&](const TZREffectEntry& e) { return e.rec.ID == id; }),
                        s.effects.end());
    });
}
STDMETHODIMP TZRVideoEffects::ClearVideoEffects() {
    return Change([&](TZREffectSettings& s) { s.effects.clear(); });
}

// --- IZRMotDetConfig: kept for motion detection

STDMETHODIMP TZRVideoEffects::SetMotionCallback(void* cb) {
    return Change([&](TZREffectSettings& s) { s.motion.callback = cb; });
}
STDMETHODIMP TZRVideoEffects::SetHighlightEnabled(BOOL on) {
    return Change([&](TZREffectSettings& s) { s.motion.highlight = Flag(on); });
}
STDMETHODIMP TZRVideoEffects::SetHighlightColor(int32_t c) {
    return Change([&](TZREffectSettings& s) { s.motion.highlightColor = c; });
}
STDMETHODIMP TZRVideoEffects::SetHighlightThreshold(int32_t t) {
    return Change([&](TZREffectSettings& s) { s.motion.highlightThreshold = t; });
}
STDMETHODIMP TZRVideoEffects::SetMatrixWidth(int32_t w) {
    return Change([&](TZREffectSettings& s) { s.motion.matrixWidth = w; });
}
STDMETHODIMP TZRVideoEffects::SetMatrixHeight(int32_t h) {
    return Change([&](TZREffectSettings& s) { s.motion.matrixHeight = h; });
}
STDMETHODIMP TZRVideoEffects::SetDropFramesEnabled(BOOL on) {
    return Change([&](TZREffectSettings& s) { s.motion.dropFrames = Flag(on); });
}
STDMETHODIMP TZRVideoEffects::SetDropFramesThreshold(int32_t t) {
    return Change([&](TZREffectSettings& s) { s.motion.dropFramesThreshold = t; });
}
STDMETHODIMP TZRVideoEffects::SetFrameInterval(int32_t n) {
    return Change([&](TZREffectSettings& s) { s.motion.frameInterval = n; });
}
STDMETHODIMP TZRVideoEffects::SetCompareChannels(BOOL r, BOOL g, BOOL b, BOOL grey) {
    return Change([&](TZREffectSettings& s) {
        s.motion.red = Flag(r);
        s.motion.green = Flag(g);
        s.motion.blue = Flag(b);
        s.motion.greyscale = Flag(grey);
    });
}

// --- IZRChromaKey: kept for chroma keying

STDMETHODIMP TZRVideoEffects::SetContrast(int32_t low, int32_t high) {
    return Change([&](TZREffectSettings& s) {
        s.chroma.contrastLow = low;
        s.chroma.contrastHigh = high;
    });
}
STDMETHODIMP TZRVideoEffects::SetColor(int32_t c) {
    return Change([&](TZREffectSettings& s) { s.chroma.colour = c; });
}
STDMETHODIMP TZRVideoEffects::SetImageFilename(const wchar_t* name) {
    return Change([&](TZREffectSettings& s) { s.chroma.imageFile = name ? std::wstring(name, wcsnlen(name, kMaxText)) : L""; });
}

// --- media types

HRESULT TZRVideoEffects::CheckInputType(const AM_MEDIA_TYPE& mt) {
    TZRFrameFormat f;
    return FrameFormatOf(mt, f) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

std::vector<MediaType> TZRVideoEffects::OtherUpstreamTypes() {
    std::vector<MediaType> list;
    IPin* up = input_.Peer();
    if (!up) return list;
    ComPtr<IEnumMediaTypes> e;
    if (FAILED(up->EnumMediaTypes(e.Put())) || !e) return list;
    const GUID current = input_.CurrentMediaType()->subtype;
    for (int guard = 0; guard < 256; ++guard) {
        AM_MEDIA_TYPE* mt = nullptr;
        ULONG got = 0;
        if (e->Next(1, &mt, &got) != S_OK || got != 1 || !mt) {
            DeleteMediaTypeCopy(mt);
            break;
        }
        TZRFrameFormat f;
        if (mt->subtype != current && FrameFormatOf(*mt, f)) {
            list.emplace_back();
            if (FAILED(list.back().Set(*mt))) list.pop_back();
        }
        DeleteMediaTypeCopy(mt);
    }
    return list;
}

HRESULT TZRVideoEffects::CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) {
    TZRFrameFormat a, b;
    if (!FrameFormatOf(in, a) || !FrameFormatOf(out, b)) return VFW_E_TYPE_NOT_ACCEPTED;
    if (a.width != b.width || a.height != b.height) return VFW_E_TYPE_NOT_ACCEPTED;
    if (in.subtype == out.subtype) return S_OK;
    // Another subtype only when upstream can deliver it (the input is then reconnected with it).
    for (const MediaType& t : OtherUpstreamTypes()) {
        TZRFrameFormat u;
        if (t->subtype == out.subtype && FrameFormatOf(t.Get(), u) && u.width == b.width && u.height == b.height)
            return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TZRVideoEffects::GetOutputType(int index, MediaType& mt) {
    if (index < 0) return E_INVALIDARG;
    if (index == 0) return mt.Set(input_.CurrentMediaType().Get());
    std::vector<MediaType> others = OtherUpstreamTypes();
    if (static_cast<size_t>(index - 1) >= others.size()) return VFW_S_NO_MORE_ITEMS;
    return mt.Set(others[static_cast<size_t>(index - 1)].Get());
}

HRESULT TZRVideoEffects::CompleteOutputConnect(IPin*) {
    const AM_MEDIA_TYPE& out = output_.CurrentMediaType().Get();
    if (out.subtype == input_.CurrentMediaType()->subtype) return S_OK;
    ComPtr<IPin> up(input_.Peer());
    if (!up || !graph_) return VFW_E_TYPE_NOT_ACCEPTED;
    TZRFrameFormat want;
    if (!FrameFormatOf(out, want)) return VFW_E_TYPE_NOT_ACCEPTED;
    MediaType old(input_.CurrentMediaType());
    for (const MediaType& t : OtherUpstreamTypes()) {
        TZRFrameFormat u;
        if (t->subtype != out.subtype || !FrameFormatOf(t.Get(), u) || u.width != want.width || u.height != want.height)
            continue;
        up->Disconnect();
        input_.Disconnect();
        if (SUCCEEDED(graph_->ConnectDirect(up.Get(), &input_, &t.Get()))) return S_OK;
        // Back to the type the input had.
        up->Disconnect();
        input_.Disconnect();
        graph_->ConnectDirect(up.Get(), &input_, &old.Get());
        break;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TZRVideoEffects::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    TZRFrameFormat f;
    if (!FrameFormatOf(output_.CurrentMediaType().Get(), f)) return VFW_E_TYPE_NOT_ACCEPTED;
    ALLOCATOR_PROPERTIES want = *props;
    want.cbBuffer = std::max<LONG>({want.cbBuffer, static_cast<LONG>(f.bytes),
                                    static_cast<LONG>(output_.CurrentMediaType()->lSampleSize)});
    want.cBuffers = std::max<LONG>(want.cBuffers, 1);
    if (want.cbAlign <= 0) want.cbAlign = 1;
    ALLOCATOR_PROPERTIES got = {};
    HRESULT hr = allocator->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cbBuffer >= static_cast<LONG>(f.bytes) ? S_OK : E_FAIL;
}

// --- streaming

HRESULT TZRVideoEffects::StartStreaming() {
    for (auto& s : stages_) s->Reset();
    frameIndex_ = 0;
    outFormatValid_ = false;
    return S_OK;
}

HRESULT TZRVideoEffects::RunStages(IMediaSample* in, IMediaSample* out, zr::pix::Frame& frame, bool& have) {
    have = false;
    // A downstream pin may ask for another layout on a sample (a different stride or orientation).
    AM_MEDIA_TYPE* dyn = nullptr;
    if (out->GetMediaType(&dyn) == S_OK && dyn) {
        outFormatValid_ = FrameFormatOf(*dyn, outFormat_);
        DeleteMediaTypeCopy(dyn);
    }
    if (!outFormatValid_) outFormatValid_ = FrameFormatOf(output_.CurrentMediaType().Get(), outFormat_);
    TZRFrameFormat inFormat;
    if (!outFormatValid_ || !FrameFormatOf(input_.CurrentMediaType().Get(), inFormat)) return VFW_E_TYPE_NOT_ACCEPTED;
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst)) || !src || !dst) return E_POINTER;
    zr::pix::Frame inFrame;
    const LONG inLen = in->GetActualDataLength();
    if (!zr::pix::MakeFrame(inFormat.format, src, static_cast<size_t>(std::max<LONG>(inLen, 0)), inFormat.width,
                            inFormat.height, inFormat.stride, inFormat.bottomUp, inFrame))
        return S_FALSE;  // a short sample: dropped
    if (!zr::pix::MakeFrame(outFormat_.format, dst, static_cast<size_t>(out->GetSize()), outFormat_.width,
                            outFormat_.height, outFormat_.stride, outFormat_.bottomUp, frame))
        return E_FAIL;
    zr::pix::CopyFrame(inFrame, frame);
    out->SetActualDataLength(static_cast<LONG>(outFormat_.bytes));
    have = true;
    frameSettings_ = Settings();
    return S_OK;
}

HRESULT TZRVideoEffects::Transform(IMediaSample* in, IMediaSample* out) {
    zr::pix::Frame frame;
    bool have = false;
    HRESULT hr = RunStages(in, out, frame, have);
    if (hr != S_OK || !have) return hr;
    TZRFrameContext ctx{*frameSettings_};
    for (auto& s : stages_) s->Process(frame, ctx);
    return S_OK;
}

HRESULT TZRVideoEffects::Receive(IMediaSample* in) {
    ComPtr<IMediaSample> out;
    zr::pix::Frame frame;
    std::shared_ptr<const TZREffectSettings> settings;
    std::unique_ptr<TZRFrameContext> ctx;
    {
        AutoLock r(receiveLock_);
        if (!output_.IsConnected()) return S_OK;
        HRESULT hr = output_.GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        CopySampleProperties(in, out.Get());
        bool have = false;
        hr = RunStages(in, out.Get(), frame, have);
        if (hr == S_FALSE) return S_OK;
        if (FAILED(hr)) return hr;
        settings = frameSettings_;
        ctx = std::make_unique<TZRFrameContext>(TZRFrameContext{*settings});
        REFERENCE_TIME start = 0, stop = 0;
        const HRESULT th = in->GetTime(&start, &stop);
        ctx->hasTime = th == S_OK || th == VFW_S_NO_STOP_TIME;
        if (th == VFW_S_NO_STOP_TIME) stop = start;
        ctx->start = start;
        ctx->stop = stop;
        ctx->frameIndex = frameIndex_++;
        // Stream time: the sample's times plus the start of its segment.
        const REFERENCE_TIME seg = input_.SegmentStart();
        ctx->streamMs = ctx->hasTime ? (start + seg) / 10000 : 0;
        ctx->streamStopMs = ctx->hasTime ? (stop + seg) / 10000 : 0;
        for (auto& s : stages_) s->Process(frame, *ctx);
    }
    // Callbacks into the host run without any of the filter's locks.
    for (auto& s : stages_) s->AfterFrame(frame, *ctx);
    if (ctx->drop) return S_OK;
    AutoLock r(receiveLock_);
    if (!output_.IsConnected()) return S_OK;
    return output_.Deliver(out.Get());
}

}  // namespace zrf
