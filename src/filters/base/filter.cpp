#include "filters/base/filter.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace zrf {

namespace {

std::atomic<LONG> gModuleCount{0};

// IEnumPins over a filter's GetPin list. Holds a reference on the filter.
class TZREnumPins final : public IEnumPins {
public:
    TZREnumPins(TZRBaseFilter* f, ULONG pos) : filter_(f), pos_(pos), version_(f->PinVersion()) { ModuleAddRef(); }
    ~TZREnumPins() { ModuleRelease(); }
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IEnumPins) return HandOut<IEnumPins>(this, ppv);
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (!pins) return E_POINTER;
        if (count > 1 && !fetched) return E_INVALIDARG;
        if (fetched) *fetched = 0;
        if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG got = 0;
        const ULONG total = static_cast<ULONG>(filter_->GetPinCount());
        while (got < count && pos_ < total) {
            TZRBasePin* p = filter_->GetPin(static_cast<int>(pos_++));
            if (!p) continue;
            HandOut<IPin>(p, &pins[got++]);
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        const ULONG total = static_cast<ULONG>(filter_->GetPinCount());
        if (count > total - (pos_ < total ? pos_ : total)) {
            pos_ = total;
            return S_FALSE;
        }
        pos_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        version_ = filter_->PinVersion();
        pos_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins** out) override {
        if (!out) return E_POINTER;
        auto* e = new (std::nothrow) TZREnumPins(filter_.Get(), pos_);
        if (!e) return E_OUTOFMEMORY;
        e->version_ = version_;
        return HandOut<IEnumPins>(e, out);
    }

private:
    ComPtr<TZRBaseFilter> filter_;
    ULONG pos_;
    LONG version_;
    std::atomic<LONG> refs_{0};
};

// IEnumMediaTypes over a pin's GetMediaType list. Holds a reference on the pin (and so the filter).
class TZREnumMediaTypes final : public IEnumMediaTypes {
public:
    TZREnumMediaTypes(TZRBasePin* pin, ULONG pos) : pin_(pin), pos_(pos), version_(pin->TypeVersion()) { ModuleAddRef(); }
    ~TZREnumMediaTypes() { ModuleRelease(); }
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) return HandOut<IEnumMediaTypes>(this, ppv);
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = --refs_;
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types) return E_POINTER;
        if (count > 1 && !fetched) return E_INVALIDARG;
        if (fetched) *fetched = 0;
        if (version_ != pin_->TypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG got = 0;
        while (got < count) {
            MediaType mt;
            HRESULT hr = ComGuard([&] { return pin_->GetMediaType(static_cast<int>(pos_), mt); });
            if (hr != S_OK) break;
            ++pos_;
            AM_MEDIA_TYPE* copy = CreateMediaTypeCopy(mt.Get());
            if (!copy) break;
            types[got++] = copy;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        if (version_ != pin_->TypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        while (count > 0) {
            MediaType mt;
            if (ComGuard([&] { return pin_->GetMediaType(static_cast<int>(pos_), mt); }) != S_OK) return S_FALSE;
            ++pos_;
            --count;
        }
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        version_ = pin_->TypeVersion();
        pos_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes** out) override {
        if (!out) return E_POINTER;
        auto* e = new (std::nothrow) TZREnumMediaTypes(pin_.Get(), pos_);
        if (!e) return E_OUTOFMEMORY;
        e->version_ = version_;
        return HandOut<IEnumMediaTypes>(e, out);
    }

private:
    ComPtr<TZRBasePin> pin_;
    ULONG pos_;
    LONG version_;
    std::atomic<LONG> refs_{0};
};

void CopyName(WCHAR* dst, size_t cap, const std::wstring& src) {
    size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
    std::memcpy(dst, src.data(), n * sizeof(WCHAR));
    dst[n] = 0;
}

}  // namespace

void ModuleAddRef() { ++gModuleCount; }
void ModuleRelease() { --gModuleCount; }
LONG ModuleCount() { return gModuleCount; }

// ---------------------------------------------------------------------------------------------------
// TZRBaseFilter

TZRBaseFilter::TZRBaseFilter(const CLSID& clsid, const wchar_t* name) : name_(name ? name : L""), clsid_(clsid) {
    ModuleAddRef();
}

TZRBaseFilter::~TZRBaseFilter() { ModuleRelease(); }

STDMETHODIMP TZRBaseFilter::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return NonDelegatingQueryInterface(iid, ppv);
}

HRESULT TZRBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == IID_IUnknown || iid == IID_IBaseFilter || iid == IID_IMediaFilter || iid == IID_IPersist)
        return HandOut<IBaseFilter>(this, ppv);
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TZRBaseFilter::AddRef() { return static_cast<ULONG>(++refs_); }

STDMETHODIMP_(ULONG) TZRBaseFilter::Release() {
    LONG n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n < 0 ? 0 : n);
}

STDMETHODIMP TZRBaseFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

STDMETHODIMP TZRBaseFilter::Stop() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        HRESULT result = S_OK;
        if (state_ != State_Stopped) {
            for (int i = 0; i < GetPinCount(); ++i) {
                TZRBasePin* p = GetPin(i);
                if (p && p->IsConnected()) {
                    HRESULT hr = p->Inactive();
                    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
                }
            }
        }
        state_ = State_Stopped;
        return result;
    });
}

STDMETHODIMP TZRBaseFilter::Pause() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        if (state_ == State_Stopped) {
            for (int i = 0; i < GetPinCount(); ++i) {
                TZRBasePin* p = GetPin(i);
                if (p && p->IsConnected()) {
                    HRESULT hr = p->Active();
                    if (FAILED(hr)) return hr;
                }
            }
        }
        state_ = State_Paused;
        return S_OK;
    });
}

STDMETHODIMP TZRBaseFilter::Run(REFERENCE_TIME start) {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        start_ = start;
        if (state_ == State_Stopped) {
            HRESULT hr = Pause();
            if (FAILED(hr)) return hr;
        }
        state_ = State_Running;
        return S_OK;
    });
}

STDMETHODIMP TZRBaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = state_;
    return S_OK;
}

STDMETHODIMP TZRBaseFilter::SetSyncSource(IReferenceClock* clock) {
    AutoLock l(filterLock_);
    clock_ = ComPtr<IReferenceClock>(clock);
    return S_OK;
}

STDMETHODIMP TZRBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    AutoLock l(filterLock_);
    *clock = ComPtr<IReferenceClock>(clock_).Detach();
    return S_OK;
}

ComPtr<IReferenceClock> TZRBaseFilter::Clock() {
    AutoLock l(filterLock_);
    return clock_;
}

STDMETHODIMP TZRBaseFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    *pins = nullptr;
    auto* e = new (std::nothrow) TZREnumPins(this, 0);
    if (!e) return E_OUTOFMEMORY;
    return HandOut<IEnumPins>(e, pins);
}

STDMETHODIMP TZRBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    for (int i = 0; i < GetPinCount(); ++i) {
        TZRBasePin* p = GetPin(i);
        if (p && p->Name() == id) return HandOut<IPin>(p, pin);
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP TZRBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    AutoLock l(filterLock_);
    CopyName(info->achName, MAX_FILTER_NAME, name_);
    info->pGraph = ComPtr<IFilterGraph>(graph_).Detach();
    return S_OK;
}

STDMETHODIMP TZRBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        graph_ = graph;
        name_ = name ? name : L"";
        return S_OK;
    });
}

STDMETHODIMP TZRBaseFilter::QueryVendorInfo(LPWSTR* info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT TZRBaseFilter::NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2) {
    IFilterGraph* g;
    {
        AutoLock l(filterLock_);
        g = graph_;
    }
    if (!g) return E_NOTIMPL;
    ComPtr<IMediaEventSink> sink;
    if (FAILED(g->QueryInterface(IID_IMediaEventSink, sink.PutVoid())) || !sink) return E_NOTIMPL;
    // EC_COMPLETE carries the sending filter.
    if (code == EC_COMPLETE && p2 == 0) p2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(code, p1, p2);
}

// ---------------------------------------------------------------------------------------------------
// TZRBasePin

TZRBasePin::TZRBasePin(TZRBaseFilter* filter, const wchar_t* name, PIN_DIRECTION dir)
    : filter_(filter), name_(name ? name : L""), dir_(dir) {}

TZRBasePin::~TZRBasePin() = default;

STDMETHODIMP TZRBasePin::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return NonDelegatingQueryInterface(iid, ppv);
}

HRESULT TZRBasePin::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == IID_IUnknown || iid == IID_IPin) return HandOut<IPin>(this, ppv);
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TZRBasePin::AddRef() { return filter_->AddRef(); }
STDMETHODIMP_(ULONG) TZRBasePin::Release() { return filter_->Release(); }

HRESULT TZRBasePin::GetMediaType(int, MediaType&) { return VFW_S_NO_MORE_ITEMS; }

HRESULT TZRBasePin::CheckConnect(IPin* peer) {
    PIN_DIRECTION d;
    if (FAILED(peer->QueryDirection(&d))) return E_FAIL;
    if (d == dir_) return VFW_E_INVALID_DIRECTION;
    return S_OK;
}

HRESULT TZRBasePin::SetMediaType(const AM_MEDIA_TYPE& mt) { return mt_.Set(mt); }
HRESULT TZRBasePin::CompleteConnect(IPin*) { return S_OK; }
void TZRBasePin::BreakConnect() {}

HRESULT TZRBasePin::TryConnect(IPin* receivePin, const AM_MEDIA_TYPE& mt) {
    HRESULT hr = CheckMediaType(mt);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    connected_ = ComPtr<IPin>(receivePin);
    hr = SetMediaType(mt);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(this, &mt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receivePin);
            if (SUCCEEDED(hr)) return S_OK;
            receivePin->Disconnect();
        }
    }
    BreakConnect();
    connected_.Reset();
    mt_.Clear();
    return FAILED(hr) ? hr : E_FAIL;
}

HRESULT TZRBasePin::TryTypesOf(IPin* receivePin, IPin* offering, const AM_MEDIA_TYPE* partial) {
    ComPtr<IEnumMediaTypes> e;
    if (FAILED(offering->EnumMediaTypes(e.Put())) || !e) return VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* mt = nullptr;
        ULONG got = 0;
        if (e->Next(1, &mt, &got) != S_OK || got != 1 || !mt) {
            DeleteMediaTypeCopy(mt);
            break;
        }
        HRESULT hr = VFW_E_TYPE_NOT_ACCEPTED;
        if (!partial || MediaTypeMatches(*partial, *mt)) hr = TryConnect(receivePin, *mt);
        DeleteMediaTypeCopy(mt);
        if (SUCCEEDED(hr)) return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

STDMETHODIMP TZRBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) {
    if (!receivePin) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        if (dir_ != PINDIR_OUTPUT) return E_UNEXPECTED;
        AutoLock l(filter_->FilterLock());
        if (connected_) return VFW_E_ALREADY_CONNECTED;
        if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
        PIN_DIRECTION d;
        if (FAILED(receivePin->QueryDirection(&d)) || d != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
        if (mt && MediaTypeIsComplete(*mt)) {
            HRESULT hr = TryConnect(receivePin, *mt);
            return SUCCEEDED(hr) ? S_OK : (hr == E_FAIL ? VFW_E_TYPE_NOT_ACCEPTED : hr);
        }
        // The input side's preferences first, then ours.
        if (SUCCEEDED(TryTypesOf(receivePin, receivePin, mt))) return S_OK;
        if (SUCCEEDED(TryTypesOf(receivePin, this, mt))) return S_OK;
        return VFW_E_NO_ACCEPTABLE_TYPES;
    });
}

STDMETHODIMP TZRBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
    if (!connector || !mt) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        if (dir_ != PINDIR_INPUT) return E_UNEXPECTED;
        AutoLock l(filter_->FilterLock());
        if (connected_) return VFW_E_ALREADY_CONNECTED;
        if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
        HRESULT hr = CheckConnect(connector);
        if (FAILED(hr)) return hr;
        hr = CheckMediaType(*mt);
        if (hr != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
        connected_ = ComPtr<IPin>(connector);
        hr = SetMediaType(*mt);
        if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
        if (SUCCEEDED(hr)) return S_OK;
        BreakConnect();
        connected_.Reset();
        mt_.Clear();
        return hr;
    });
}

STDMETHODIMP TZRBasePin::Disconnect() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filter_->FilterLock());
        if (!filter_->IsStopped()) return VFW_E_NOT_STOPPED;
        if (!connected_) return S_FALSE;
        BreakConnect();
        connected_.Reset();
        mt_.Clear();
        return S_OK;
    });
}

STDMETHODIMP TZRBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    AutoLock l(filter_->FilterLock());
    *pin = ComPtr<IPin>(connected_).Detach();
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

STDMETHODIMP TZRBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    AutoLock l(filter_->FilterLock());
    if (!connected_) {
        std::memset(mt, 0, sizeof *mt);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaTypeContent(*mt, mt_.Get());
}

STDMETHODIMP TZRBasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = ComPtr<IBaseFilter>(filter_).Detach();
    info->dir = dir_;
    CopyName(info->achName, MAX_PIN_NAME, name_);
    return S_OK;
}

STDMETHODIMP TZRBasePin::QueryDirection(PIN_DIRECTION* dir) {
    if (!dir) return E_POINTER;
    *dir = dir_;
    return S_OK;
}

STDMETHODIMP TZRBasePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    const size_t bytes = (name_.size() + 1) * sizeof(WCHAR);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, name_.c_str(), bytes);
    return S_OK;
}

STDMETHODIMP TZRBasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    return ComGuard([&]() -> HRESULT { return CheckMediaType(*mt) == S_OK ? S_OK : S_FALSE; });
}

STDMETHODIMP TZRBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = nullptr;
    auto* e = new (std::nothrow) TZREnumMediaTypes(this, 0);
    if (!e) return E_OUTOFMEMORY;
    return HandOut<IEnumMediaTypes>(e, types);
}

STDMETHODIMP TZRBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }
STDMETHODIMP TZRBasePin::EndOfStream() { return dir_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }
STDMETHODIMP TZRBasePin::BeginFlush() { return dir_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }
STDMETHODIMP TZRBasePin::EndFlush() { return dir_ == PINDIR_INPUT ? S_OK : E_UNEXPECTED; }

STDMETHODIMP TZRBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    segStart_ = start;
    segStop_ = stop;
    segRate_ = rate;
    return S_OK;
}

}  // namespace zrf
