#include "filters/inftee.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "filters/filter_guids.h"

namespace zrf {

namespace {
constexpr wchar_t kFilterName[] = L"Zantorival Infinite Pin Tee";
}

class TZRInfTee::TInPin final : public TZRInputPin {
public:
    TInPin(TZRInfTee* f) : TZRInputPin(f, L"Input"), owner_(f) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override { return owner_->CheckInputType(mt); }
    HRESULT OnReceive(IMediaSample* s) override { return owner_->Receive(s); }
    STDMETHODIMP EndOfStream() override {
        HRESULT hr = TZRInputPin::EndOfStream();
        if (hr != S_OK) return hr;
        return ComGuard([&] { return owner_->EndOfStream(); });
    }
    STDMETHODIMP BeginFlush() override {
        TZRInputPin::BeginFlush();
        return ComGuard([&] { return owner_->BeginFlush(); });
    }
    STDMETHODIMP EndFlush() override {
        HRESULT hr = ComGuard([&] { return owner_->EndFlush(); });
        TZRInputPin::EndFlush();
        return hr;
    }
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
        TZRBasePin::NewSegment(start, stop, rate);
        return ComGuard([&] { return owner_->NewSegment(start, stop, rate); });
    }
    // Blocks when any output downstream may block.
    STDMETHODIMP ReceiveCanBlock() override;

private:
    TZRInfTee* owner_;
};

class TZRInfTee::TOutPin final : public TZROutputPin {
public:
    TOutPin(TZRInfTee* f, const std::wstring& name) : TZROutputPin(f, name.c_str()), owner_(f) {}

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        TInPin& in = *owner_->input_;
        if (!in.IsConnected()) return VFW_E_NOT_CONNECTED;
        return MediaTypesEqual(in.CurrentMediaType().Get(), mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int index, MediaType& mt) override {
        TInPin& in = *owner_->input_;
        if (index != 0 || !in.IsConnected()) return VFW_S_NO_MORE_ITEMS;
        return mt.Set(in.CurrentMediaType().Get());
    }
    HRESULT CheckConnect(IPin* peer) override {
        if (!owner_->input_->IsConnected()) return VFW_E_NOT_CONNECTED;
        return TZROutputPin::CheckConnect(peer);
    }
    // The input's allocator, read-only, when the input pin downstream takes it; otherwise buffers of our
    // own (or downstream's) that samples are copied into.
    HRESULT DecideAllocator(IMemInputPin* input, ComPtr<IMemAllocator>& out) override {
        ComPtr<IMemAllocator> shared = owner_->input_->Allocator();
        if (shared && SUCCEEDED(input->NotifyAllocator(shared.Get(), TRUE))) {
            shared_ = true;
            out = std::move(shared);
            return S_OK;
        }
        shared_ = false;
        return TZROutputPin::DecideAllocator(input, out);
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
        ALLOCATOR_PROPERTIES want = *props;
        ComPtr<IMemAllocator> up = owner_->input_->Allocator();
        ALLOCATOR_PROPERTIES upProps = {};
        if (up && SUCCEEDED(up->GetProperties(&upProps))) {
            want.cbBuffer = std::max(want.cbBuffer, upProps.cbBuffer);
            want.cBuffers = std::max(want.cBuffers, upProps.cBuffers);
        }
        const AM_MEDIA_TYPE& mt = CurrentMediaType().Get();
        if (want.cbBuffer <= 0) want.cbBuffer = mt.lSampleSize > 0 ? static_cast<LONG>(mt.lSampleSize) : 65536;
        if (want.cBuffers <= 0) want.cBuffers = 1;
        if (want.cbAlign <= 0) want.cbAlign = 1;
        ALLOCATOR_PROPERTIES got = {};
        HRESULT hr = allocator->SetProperties(&want, &got);
        if (FAILED(hr)) return hr;
        return got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL;
    }
    HRESULT CompleteConnect(IPin* peer) override {
        HRESULT hr = TZROutputPin::CompleteConnect(peer);
        if (SUCCEEDED(hr)) owner_->EnsureFreeOutput();
        return hr;
    }
    void BreakConnect() override {
        // The shared allocator belongs to the input: it is decommitted there, not by this pin.
        if (shared_) allocator_.Reset();
        shared_ = false;
        TZROutputPin::BreakConnect();
    }
    HRESULT Inactive() override {
        if (shared_) return S_OK;
        return TZROutputPin::Inactive();
    }
    HRESULT Active() override {
        if (shared_) return S_OK;
        return TZROutputPin::Active();
    }

    // Sends one sample on: the sample itself over the shared allocator, else a copy.
    HRESULT Send(IMediaSample* in) {
        if (shared_) return Deliver(in);
        ComPtr<IMediaSample> out;
        HRESULT hr = GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
        if (FAILED(hr)) return hr;
        BYTE* src = nullptr;
        BYTE* dst = nullptr;
        if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst))) return E_POINTER;
        const LONG len = std::min(in->GetActualDataLength(), out->GetSize());
        if (len > 0) std::memcpy(dst, src, static_cast<size_t>(len));
        out->SetActualDataLength(std::max<LONG>(len, 0));
        REFERENCE_TIME s = 0, e = 0;
        hr = in->GetTime(&s, &e);
        if (hr == S_OK) out->SetTime(&s, &e);
        else if (hr == VFW_S_NO_STOP_TIME) out->SetTime(&s, nullptr);
        LONGLONG ms = 0, me = 0;
        if (in->GetMediaTime(&ms, &me) == S_OK) out->SetMediaTime(&ms, &me);
        out->SetSyncPoint(in->IsSyncPoint() == S_OK);
        out->SetPreroll(in->IsPreroll() == S_OK);
        out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
        AM_MEDIA_TYPE* mt = nullptr;
        if (in->GetMediaType(&mt) == S_OK && mt) {
            out->SetMediaType(mt);
            DeleteMediaTypeCopy(mt);
        }
        return Deliver(out.Get());
    }
    bool Shared() const { return shared_; }

private:
    TZRInfTee* owner_;
    bool shared_ = false;
};

STDMETHODIMP TZRInfTee::TInPin::ReceiveCanBlock() {
    for (TOutPin* o : owner_->ConnectedOutputs())
        if (o->DownstreamCanBlock() == S_OK) return S_OK;
    return S_FALSE;
}

HRESULT TZRInfTee::CreateInstance(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* f = new (std::nothrow) TZRInfTee();
    if (!f) return E_OUTOFMEMORY;
    ComPtr<IBaseFilter> hold(static_cast<IBaseFilter*>(f));
    return f->QueryInterface(iid, ppv);
}

TZRInfTee::TZRInfTee() : TZRBaseFilter(CLSID_ZRInfTee, kFilterName) {
    input_ = std::make_unique<TInPin>(this);
    outputs_.push_back(std::make_unique<TOutPin>(this, L"Output1"));
}

TZRInfTee::~TZRInfTee() = default;

int TZRInfTee::GetPinCount() {
    AutoLock l(pinsLock_);
    return 1 + static_cast<int>(outputs_.size());
}

TZRBasePin* TZRInfTee::GetPin(int index) {
    if (index == 0) return input_.get();
    AutoLock l(pinsLock_);
    if (index < 1 || index > static_cast<int>(outputs_.size())) return nullptr;
    return outputs_[static_cast<size_t>(index - 1)].get();
}

void TZRInfTee::EnsureFreeOutput() {
    {
        AutoLock l(pinsLock_);
        for (auto& o : outputs_)
            if (!o->IsConnected()) return;
        outputs_.push_back(std::make_unique<TOutPin>(this, L"Output" + std::to_wstring(outputs_.size() + 1)));
    }
    PinsChanged();
}

std::vector<TZRInfTee::TOutPin*> TZRInfTee::ConnectedOutputs() {
    std::vector<TOutPin*> list;
    AutoLock l(pinsLock_);
    for (auto& o : outputs_)
        if (o->IsConnected()) list.push_back(o.get());
    return list;
}

HRESULT TZRInfTee::CheckInputType(const AM_MEDIA_TYPE& mt) {
    if (mt.majortype == GUID_NULL) return VFW_E_TYPE_NOT_ACCEPTED;
    // Outputs connected earlier must be able to take the new type.
    for (TOutPin* o : ConnectedOutputs()) {
        IPin* peer = o->Peer();
        if (peer && peer->QueryAccept(&mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

STDMETHODIMP TZRInfTee::Stop() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        // Decommitting first releases a Receive waiting for a buffer; then the stream is idle.
        HRESULT hr = TZRBaseFilter::Stop();
        AutoLock r(receiveLock_);
        return hr;
    });
}

HRESULT TZRInfTee::Receive(IMediaSample* sample) {
    AutoLock r(receiveLock_);
    const std::vector<TOutPin*> outs = ConnectedOutputs();
    if (outs.empty()) return S_OK;  // nothing downstream: the sample is consumed
    // An output whose branch failed does not stop the others; the stream fails only when all of them do.
    HRESULT first = S_OK;
    bool delivered = false;
    for (TOutPin* o : outs) {
        HRESULT hr = o->Send(sample);
        if (hr == S_OK) delivered = true;
        else if (first == S_OK) first = hr;
    }
    return delivered ? S_OK : first;
}

HRESULT TZRInfTee::EndOfStream() {
    AutoLock r(receiveLock_);
    for (TOutPin* o : ConnectedOutputs()) o->DeliverEndOfStream();
    return S_OK;
}

HRESULT TZRInfTee::BeginFlush() {
    // Not under the receive lock: a Receive blocked downstream is released by this flush.
    for (TOutPin* o : ConnectedOutputs()) o->DeliverBeginFlush();
    return S_OK;
}

HRESULT TZRInfTee::EndFlush() {
    AutoLock r(receiveLock_);
    for (TOutPin* o : ConnectedOutputs()) o->DeliverEndFlush();
    return S_OK;
}

HRESULT TZRInfTee::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    AutoLock r(receiveLock_);
    for (TOutPin* o : ConnectedOutputs()) o->DeliverNewSegment(start, stop, rate);
    return S_OK;
}

}  // namespace zrf
