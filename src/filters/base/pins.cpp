#include "filters/base/pins.h"

#include "filters/base/allocator.h"

namespace zrf {

// ---------------------------------------------------------------------------------------------------
// TZRInputPin

TZRInputPin::TZRInputPin(TZRBaseFilter* filter, const wchar_t* name) : TZRBasePin(filter, name, PINDIR_INPUT) {}

HRESULT TZRInputPin::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == IID_IMemInputPin) return HandOut<IMemInputPin>(this, ppv);
    return TZRBasePin::NonDelegatingQueryInterface(iid, ppv);
}

ComPtr<IMemAllocator> TZRInputPin::Allocator() {
    AutoLock l(allocLock_);
    return allocator_;
}

STDMETHODIMP TZRInputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    *allocator = nullptr;
    AutoLock l(allocLock_);
    if (!allocator_) {
        allocator_ = TZRMemAllocator::Create();
        if (!allocator_) return E_OUTOFMEMORY;
    }
    return HandOut<IMemAllocator>(allocator_.Get(), allocator);
}

STDMETHODIMP TZRInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (!allocator) return E_POINTER;
    AutoLock l(allocLock_);
    allocator_ = ComPtr<IMemAllocator>(allocator);
    readOnly_ = readOnly != FALSE;
    return S_OK;
}

STDMETHODIMP TZRInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT TZRInputPin::CheckStreaming() {
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (filter_->IsStopped()) return VFW_E_WRONG_STATE;
    if (flushing_) return S_FALSE;
    if (eos_) return VFW_E_SAMPLE_REJECTED_EOS;
    return S_OK;
}

STDMETHODIMP TZRInputPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        HRESULT hr = CheckStreaming();
        if (hr != S_OK) return hr;
        // A sample may announce a new format; it must be one this pin accepts.
        AM_MEDIA_TYPE* mt = nullptr;
        if (sample->GetMediaType(&mt) == S_OK && mt) {
            HRESULT ok = CheckMediaType(*mt);
            if (ok == S_OK) ok = SetMediaType(*mt);
            DeleteMediaTypeCopy(mt);
            if (FAILED(ok) || ok == S_FALSE) return VFW_E_INVALIDMEDIATYPE;
        }
        return OnReceive(sample);
    });
}

STDMETHODIMP TZRInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    for (long i = 0; i < count; ++i) {
        hr = Receive(samples[i]);
        if (hr != S_OK) break;
        ++*processed;
    }
    return hr;
}

STDMETHODIMP TZRInputPin::ReceiveCanBlock() { return S_OK; }

STDMETHODIMP TZRInputPin::EndOfStream() {
    if (flushing_) return S_FALSE;
    if (filter_->IsStopped()) return VFW_E_WRONG_STATE;
    eos_ = true;
    return S_OK;
}

STDMETHODIMP TZRInputPin::BeginFlush() {
    flushing_ = true;
    eos_ = false;
    return S_OK;
}

STDMETHODIMP TZRInputPin::EndFlush() {
    flushing_ = false;
    eos_ = false;
    return S_OK;
}

HRESULT TZRInputPin::Active() {
    flushing_ = false;
    eos_ = false;
    return S_OK;
}

HRESULT TZRInputPin::Inactive() {
    eos_ = false;
    ComPtr<IMemAllocator> a = Allocator();
    if (a) a->Decommit();
    return S_OK;
}

void TZRInputPin::BreakConnect() {
    AutoLock l(allocLock_);
    allocator_.Reset();
    readOnly_ = false;
}

// ---------------------------------------------------------------------------------------------------
// TZROutputPin

TZROutputPin::TZROutputPin(TZRBaseFilter* filter, const wchar_t* name) : TZRBasePin(filter, name, PINDIR_OUTPUT) {}

HRESULT TZROutputPin::CheckConnect(IPin* peer) {
    HRESULT hr = TZRBasePin::CheckConnect(peer);
    if (FAILED(hr)) return hr;
    ComPtr<IMemInputPin> in;
    if (FAILED(peer->QueryInterface(IID_IMemInputPin, in.PutVoid())) || !in) return E_NOINTERFACE;
    input_ = std::move(in);
    return S_OK;
}

HRESULT TZROutputPin::DecideAllocator(IMemInputPin* input, ComPtr<IMemAllocator>& out) {
    ALLOCATOR_PROPERTIES req = {};
    input->GetAllocatorRequirements(&req);
    if (req.cbAlign <= 0) req.cbAlign = 1;
    ComPtr<IMemAllocator> a;
    if (SUCCEEDED(input->GetAllocator(a.Put())) && a) {
        ALLOCATOR_PROPERTIES p = req;
        if (SUCCEEDED(DecideBufferSize(a.Get(), &p)) && SUCCEEDED(input->NotifyAllocator(a.Get(), FALSE))) {
            out = std::move(a);
            return S_OK;
        }
    }
    a = TZRMemAllocator::Create();
    if (!a) return E_OUTOFMEMORY;
    ALLOCATOR_PROPERTIES p = req;
    HRESULT hr = DecideBufferSize(a.Get(), &p);
    if (FAILED(hr)) return hr;
    hr = input->NotifyAllocator(a.Get(), FALSE);
    if (FAILED(hr)) return hr;
    out = std::move(a);
    return S_OK;
}

HRESULT TZROutputPin::CompleteConnect(IPin*) {
    if (!input_) return E_UNEXPECTED;
    return DecideAllocator(input_.Get(), allocator_);
}

void TZROutputPin::BreakConnect() {
    if (allocator_) allocator_->Decommit();
    allocator_.Reset();
    input_.Reset();
}

HRESULT TZROutputPin::Active() { return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR; }
HRESULT TZROutputPin::Inactive() {
    if (allocator_) allocator_->Decommit();
    return S_OK;
}

HRESULT TZROutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags) {
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT TZROutputPin::Deliver(IMediaSample* sample) {
    if (!input_) return VFW_E_NOT_CONNECTED;
    return input_->Receive(sample);
}

HRESULT TZROutputPin::DeliverEndOfStream() {
    ComPtr<IPin> p = connected_;
    return p ? p->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT TZROutputPin::DeliverBeginFlush() {
    ComPtr<IPin> p = connected_;
    return p ? p->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TZROutputPin::DeliverEndFlush() {
    ComPtr<IPin> p = connected_;
    return p ? p->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT TZROutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    ComPtr<IPin> p = connected_;
    return p ? p->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT TZROutputPin::DownstreamCanBlock() { return input_ ? input_->ReceiveCanBlock() : S_FALSE; }

}  // namespace zrf
