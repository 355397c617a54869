#include "filters/base/transform.h"

#include <algorithm>
#include <cstring>

namespace zrf {

TZRTransformFilter::TZRTransformFilter(const CLSID& clsid, const wchar_t* name, const wchar_t* inName,
                                       const wchar_t* outName)
    : TZRBaseFilter(clsid, name), input_(this, inName), output_(this, outName) {}

TZRBasePin* TZRTransformFilter::GetPin(int index) {
    if (index == 0) return &input_;
    if (index == 1) return &output_;
    return nullptr;
}

STDMETHODIMP TZRTransformFilter::Stop() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        // Decommitting first releases a Receive that waits for a buffer; then the stream is idle.
        HRESULT hr = TZRBaseFilter::Stop();
        AutoLock r(receiveLock_);
        if (streaming_) {
            StopStreaming();
            streaming_ = false;
        }
        return hr;
    });
}

STDMETHODIMP TZRTransformFilter::Pause() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(filterLock_);
        const bool wasStopped = IsStopped();
        HRESULT hr = TZRBaseFilter::Pause();
        if (FAILED(hr)) return hr;
        if (wasStopped && input_.IsConnected() && output_.IsConnected()) {
            AutoLock r(receiveLock_);
            hr = StartStreaming();
            if (FAILED(hr)) {
                TZRBaseFilter::Stop();
                return hr;
            }
            streaming_ = true;
        }
        return S_OK;
    });
}

void TZRTransformFilter::CopySampleProperties(IMediaSample* in, IMediaSample* out) {
    REFERENCE_TIME s = 0, e = 0;
    HRESULT hr = in->GetTime(&s, &e);
    if (hr == S_OK) out->SetTime(&s, &e);
    else if (hr == VFW_S_NO_STOP_TIME) out->SetTime(&s, nullptr);
    LONGLONG ms = 0, me = 0;
    if (in->GetMediaTime(&ms, &me) == S_OK) out->SetMediaTime(&ms, &me);
    out->SetSyncPoint(in->IsSyncPoint() == S_OK);
    out->SetPreroll(in->IsPreroll() == S_OK);
    out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
}

HRESULT TZRTransformFilter::Receive(IMediaSample* in) {
    AutoLock r(receiveLock_);
    if (!output_.IsConnected()) return S_OK;  // nothing downstream: the sample is consumed
    ComPtr<IMediaSample> out;
    HRESULT hr = output_.GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    CopySampleProperties(in, out.Get());
    LONG len = std::min(in->GetActualDataLength(), out->GetSize());
    out->SetActualDataLength(len);
    hr = Transform(in, out.Get());
    if (hr == S_FALSE) return S_OK;
    if (FAILED(hr)) return hr;
    return output_.Deliver(out.Get());
}

HRESULT TZRTransformFilter::EndOfStream() {
    AutoLock r(receiveLock_);
    return output_.IsConnected() ? output_.DeliverEndOfStream() : S_OK;
}

HRESULT TZRTransformFilter::BeginFlush() {
    // Not under the receive lock: a Receive blocked downstream must be released by this flush.
    return output_.IsConnected() ? output_.DeliverBeginFlush() : S_OK;
}

HRESULT TZRTransformFilter::EndFlush() {
    AutoLock r(receiveLock_);
    return output_.IsConnected() ? output_.DeliverEndFlush() : S_OK;
}

HRESULT TZRTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    AutoLock r(receiveLock_);
    return output_.IsConnected() ? output_.DeliverNewSegment(start, stop, rate) : S_OK;
}

// --- input pin

STDMETHODIMP TZRTransformFilter::TInPin::GetAllocator(IMemAllocator** allocator) {
    return owner_->InputAllocator(allocator);
}

STDMETHODIMP TZRTransformFilter::TInPin::EndOfStream() {
    HRESULT hr = TZRInputPin::EndOfStream();
    if (hr != S_OK) return hr;
    return ComGuard([&] { return owner_->EndOfStream(); });
}

STDMETHODIMP TZRTransformFilter::TInPin::BeginFlush() {
    TZRInputPin::BeginFlush();
    return ComGuard([&] { return owner_->BeginFlush(); });
}

STDMETHODIMP TZRTransformFilter::TInPin::EndFlush() {
    HRESULT hr = ComGuard([&] { return owner_->EndFlush(); });
    TZRInputPin::EndFlush();
    return hr;
}

STDMETHODIMP TZRTransformFilter::TInPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    TZRBasePin::NewSegment(start, stop, rate);
    return ComGuard([&] { return owner_->NewSegment(start, stop, rate); });
}

// --- output pin

HRESULT TZRTransformFilter::TOutPin::CheckConnect(IPin* peer) {
    if (!owner_->input_.IsConnected()) return VFW_E_NOT_CONNECTED;
    return TZROutputPin::CheckConnect(peer);
}

HRESULT TZRTransformFilter::TOutPin::CompleteConnect(IPin* peer) {
    HRESULT hr = TZROutputPin::CompleteConnect(peer);
    if (FAILED(hr)) return hr;
    return owner_->CompleteOutputConnect(peer);
}

HRESULT TZRTransformFilter::TOutPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    if (!owner_->input_.IsConnected()) return VFW_E_NOT_CONNECTED;
    return owner_->CheckTransform(owner_->input_.CurrentMediaType().Get(), mt);
}

HRESULT TZRTransformFilter::TOutPin::GetMediaType(int index, MediaType& mt) {
    if (!owner_->input_.IsConnected()) return VFW_S_NO_MORE_ITEMS;
    return owner_->GetOutputType(index, mt);
}

// ---------------------------------------------------------------------------------------------------
// TZRTransInPlaceFilter

HRESULT TZRTransInPlaceFilter::CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) {
    return MediaTypesEqual(in, out) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TZRTransInPlaceFilter::GetOutputType(int index, MediaType& mt) {
    if (index != 0) return VFW_S_NO_MORE_ITEMS;
    return mt.Set(input_.CurrentMediaType().Get());
}

HRESULT TZRTransInPlaceFilter::CheckInput(const AM_MEDIA_TYPE& mt) {
    HRESULT hr = CheckInputType(mt);
    if (hr != S_OK) return hr;
    // With the output connected, downstream must take the same type.
    if (output_.IsConnected() && output_.Peer()) {
        if (output_.Peer()->QueryAccept(&mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT TZRTransInPlaceFilter::InputAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    // Upstream may fill downstream's buffers directly: then samples pass through unchanged in place.
    ComPtr<IMemAllocator> out = output_.Allocator();
    if (out) return HandOut<IMemAllocator>(out.Get(), allocator);
    return input_.TZRInputPin::GetAllocator(allocator);
}

HRESULT TZRTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    ALLOCATOR_PROPERTIES want = *props;
    ComPtr<IMemAllocator> in = input_.Allocator();
    ALLOCATOR_PROPERTIES up = {};
    if (in && SUCCEEDED(in->GetProperties(&up)) && up.cbBuffer > 0) {
        want.cbBuffer = std::max(want.cbBuffer, up.cbBuffer);
        want.cBuffers = std::max(want.cBuffers, up.cBuffers);
    }
    const AM_MEDIA_TYPE& mt = input_.CurrentMediaType().Get();
    if (want.cbBuffer <= 0) want.cbBuffer = mt.lSampleSize > 0 ? static_cast<LONG>(mt.lSampleSize) : 65536;
    if (want.cBuffers <= 0) want.cBuffers = 2;
    if (want.cbAlign <= 0) want.cbAlign = 1;
    ALLOCATOR_PROPERTIES got = {};
    HRESULT hr = allocator->SetProperties(&want, &got);
    if (FAILED(hr)) return hr;
    return got.cbBuffer >= want.cbBuffer ? S_OK : E_FAIL;
}

HRESULT TZRTransInPlaceFilter::Transform(IMediaSample* in, IMediaSample* out) {
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    if (FAILED(in->GetPointer(&src)) || FAILED(out->GetPointer(&dst))) return E_POINTER;
    LONG len = std::min(in->GetActualDataLength(), out->GetSize());
    if (len > 0) std::memmove(dst, src, static_cast<size_t>(len));
    out->SetActualDataLength(len);
    AM_MEDIA_TYPE* mt = nullptr;
    if (in->GetMediaType(&mt) == S_OK && mt) {
        out->SetMediaType(mt);
        DeleteMediaTypeCopy(mt);
    }
    return TransformInPlace(out);
}

HRESULT TZRTransInPlaceFilter::Receive(IMediaSample* in) {
    AutoLock r(receiveLock_);
    if (!output_.IsConnected()) return S_OK;
    ComPtr<IMemAllocator> inAlloc = input_.Allocator();
    ComPtr<IMemAllocator> outAlloc = output_.Allocator();
    if (inAlloc && inAlloc.Get() == outAlloc.Get() && !input_.ReadOnly()) {
        HRESULT hr = TransformInPlace(in);
        if (hr == S_FALSE) return S_OK;
        if (FAILED(hr)) return hr;
        return output_.Deliver(in);
    }
    ComPtr<IMediaSample> out;
    HRESULT hr = output_.GetDeliveryBuffer(out.Put(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    CopySampleProperties(in, out.Get());
    hr = Transform(in, out.Get());
    if (hr == S_FALSE) return S_OK;
    if (FAILED(hr)) return hr;
    return output_.Deliver(out.Get());
}

}  // namespace zrf
