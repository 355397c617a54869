#include "filters/base/allocator.h"

#include <cstdint>
#include <limits>

namespace zrf {

// ---------------------------------------------------------------------------------------------------
// TZRMediaSample

STDMETHODIMP TZRMediaSample::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (iid == IID_IUnknown || iid == IID_IMediaSample) return HandOut<IMediaSample>(this, ppv);
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TZRMediaSample::AddRef() { return static_cast<ULONG>(++refs_); }

STDMETHODIMP_(ULONG) TZRMediaSample::Release() {
    LONG n = --refs_;
    if (n == 0) {
        // Keep the allocator alive until the sample is back in its free list; after that this object
        // may be gone (the allocator owns it), so nothing below touches a member.
        ComPtr<IMemAllocator> hold = std::move(hold_);
        owner_->ReturnSample(this);
        hold.Reset();
        return 0;
    }
    return static_cast<ULONG>(n < 0 ? 0 : n);
}

void TZRMediaSample::ResetProperties() {
    actual_ = 0;
    timeValid_ = stopValid_ = mediaTimeValid_ = false;
    sync_ = preroll_ = discontinuity_ = false;
    type_.Clear();
    hasType_ = false;
}

STDMETHODIMP TZRMediaSample::GetPointer(BYTE** ppBuffer) {
    if (!ppBuffer) return E_POINTER;
    *ppBuffer = buffer_;
    return S_OK;
}
STDMETHODIMP_(LONG) TZRMediaSample::GetSize() { return size_; }

STDMETHODIMP TZRMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    if (!timeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if (!stopValid_) {
        *end = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *end = end_;
    return S_OK;
}

STDMETHODIMP TZRMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start) {
        timeValid_ = stopValid_ = false;
        return S_OK;
    }
    start_ = *start;
    timeValid_ = true;
    stopValid_ = end != nullptr;
    if (end) end_ = *end;
    return S_OK;
}

STDMETHODIMP TZRMediaSample::IsSyncPoint() { return sync_ ? S_OK : S_FALSE; }
STDMETHODIMP TZRMediaSample::SetSyncPoint(BOOL v) { sync_ = v != FALSE; return S_OK; }
STDMETHODIMP TZRMediaSample::IsPreroll() { return preroll_ ? S_OK : S_FALSE; }
STDMETHODIMP TZRMediaSample::SetPreroll(BOOL v) { preroll_ = v != FALSE; return S_OK; }
STDMETHODIMP_(LONG) TZRMediaSample::GetActualDataLength() { return actual_; }

STDMETHODIMP TZRMediaSample::SetActualDataLength(LONG len) {
    if (len < 0 || len > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = len;
    return S_OK;
}

STDMETHODIMP TZRMediaSample::GetMediaType(AM_MEDIA_TYPE** mt) {
    if (!mt) return E_POINTER;
    *mt = nullptr;
    if (!hasType_) return S_FALSE;
    *mt = CreateMediaTypeCopy(type_.Get());
    return *mt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TZRMediaSample::SetMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) {
        type_.Clear();
        hasType_ = false;
        return S_OK;
    }
    HRESULT hr = type_.Set(*mt);
    if (SUCCEEDED(hr)) hasType_ = true;
    return hr;
}

STDMETHODIMP TZRMediaSample::IsDiscontinuity() { return discontinuity_ ? S_OK : S_FALSE; }
STDMETHODIMP TZRMediaSample::SetDiscontinuity(BOOL v) { discontinuity_ = v != FALSE; return S_OK; }

STDMETHODIMP TZRMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start || !end) return E_POINTER;
    if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *end = mediaEnd_;
    return S_OK;
}

STDMETHODIMP TZRMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start || !end) {
        mediaTimeValid_ = false;
        return S_OK;
    }
    mediaStart_ = *start;
    mediaEnd_ = *end;
    mediaTimeValid_ = true;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------------
// TZRMemAllocator

TZRMemAllocator::TZRMemAllocator() { ModuleAddRef(); }
TZRMemAllocator::~TZRMemAllocator() { ModuleRelease(); }

ComPtr<IMemAllocator> TZRMemAllocator::Create() {
    auto* a = new (std::nothrow) TZRMemAllocator();
    return ComPtr<IMemAllocator>::Attach(a);
}

STDMETHODIMP TZRMemAllocator::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (iid == IID_IUnknown || iid == IID_IMemAllocator) return HandOut<IMemAllocator>(this, ppv);
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TZRMemAllocator::AddRef() { return static_cast<ULONG>(++refs_); }

STDMETHODIMP_(ULONG) TZRMemAllocator::Release() {
    LONG n = --refs_;
    if (n == 0) delete this;
    return static_cast<ULONG>(n < 0 ? 0 : n);
}

STDMETHODIMP TZRMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual) return E_POINTER;
    AutoLock l(lock_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
    LONG align = request->cbAlign <= 0 ? 1 : request->cbAlign;
    if (align & (align - 1)) return VFW_E_BADALIGN;
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) return E_INVALIDARG;
    // One buffer with its prefix and alignment slack must stay well inside 32 bits.
    const int64_t per = int64_t(request->cbBuffer) + request->cbPrefix + align;
    if (per > std::numeric_limits<LONG>::max() / 2) return E_OUTOFMEMORY;
    props_ = *request;
    props_.cbAlign = align;
    propsSet_ = true;
    *actual = props_;
    return S_OK;
}

STDMETHODIMP TZRMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
    if (!props) return E_POINTER;
    AutoLock l(lock_);
    *props = props_;
    return S_OK;
}

STDMETHODIMP TZRMemAllocator::Commit() {
    return ComGuard([&]() -> HRESULT {
        AutoLock l(lock_);
        if (!propsSet_ || props_.cBuffers <= 0 || props_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
        if (committed_) return S_OK;
        if (!block_) {
            // A previous decommit may still wait for samples: those keep the old buffers until they
            // come back, so only a fully returned pool is rebuilt.
            if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
            const size_t align = static_cast<size_t>(props_.cbAlign);
            const size_t stride = (static_cast<size_t>(props_.cbPrefix) + props_.cbBuffer + align - 1) / align * align;
            const size_t count = static_cast<size_t>(props_.cBuffers);
            if (stride && count > (SIZE_MAX - align) / stride) return E_OUTOFMEMORY;
            std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[stride * count + align]);
            if (!block) return E_OUTOFMEMORY;
            uintptr_t base = reinterpret_cast<uintptr_t>(block.get()) + props_.cbPrefix;
            base = (base + align - 1) / align * align;
            samples_.clear();
            free_.clear();
            samples_.reserve(count);
            free_.reserve(count);
            for (size_t i = 0; i < count; ++i) {
                std::unique_ptr<TZRMediaSample> s(new TZRMediaSample(this));
                s->buffer_ = reinterpret_cast<BYTE*>(base + i * stride);
                s->size_ = props_.cbBuffer;
                free_.push_back(s.get());
                samples_.push_back(std::move(s));
            }
            block_ = std::move(block);
        }
        committed_ = true;
        return S_OK;
    });
}

STDMETHODIMP TZRMemAllocator::Decommit() {
    AutoLock l(lock_);
    committed_ = false;
    freed_.NotifyAll();
    if (outstanding_ == 0) FreeBlockLocked();
    return S_OK;
}

void TZRMemAllocator::FreeBlockLocked() {
    free_.clear();
    samples_.clear();
    block_.reset();
}

STDMETHODIMP TZRMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    AutoLock l(lock_);
    for (;;) {
        if (!committed_) return VFW_E_NOT_COMMITTED;
        if (!free_.empty()) break;
        if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
        freed_.Wait(lock_, INFINITE);
    }
    TZRMediaSample* s = free_.back();
    free_.pop_back();
    ++outstanding_;
    s->ResetProperties();
    s->refs_ = 1;
    s->hold_ = ComPtr<IMemAllocator>(this);
    if (start && end) s->SetTime(start, end);
    *sample = s;  // the sample's first reference goes to the caller
    return S_OK;
}

STDMETHODIMP TZRMemAllocator::ReleaseBuffer(IMediaSample*) {
    // Samples of this allocator return themselves on their last Release.
    return S_OK;
}

void TZRMemAllocator::ReturnSample(TZRMediaSample* s) {
    AutoLock l(lock_);
    s->ResetProperties();
    free_.push_back(s);
    --outstanding_;
    if (!committed_ && outstanding_ == 0) FreeBlockLocked();
    freed_.NotifyAll();
}

}  // namespace zrf
