#include "filters/base/asyncsource.h"

#include <algorithm>
#include <climits>

#include "filters/base/allocator.h"

namespace zrf {

namespace {
const HRESULT kPastEnd = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
bool IsPowerOf2(LONG v) { return v > 0 && (v & (v - 1)) == 0; }
}  // namespace

// ---------------------------------------------------------------------------------------------------
// TZRAsyncReaderPin

TZRAsyncReaderPin::TZRAsyncReaderPin(TZRAsyncSourceFilter* filter, const wchar_t* name)
    : TZRBasePin(filter, name, PINDIR_OUTPUT), owner_(filter) {}

TZRAsyncReaderPin::~TZRAsyncReaderPin() = default;

HRESULT TZRAsyncReaderPin::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == IID_IAsyncReader) return HandOut<IAsyncReader>(this, ppv);
    return TZRBasePin::NonDelegatingQueryInterface(iid, ppv);
}

HRESULT TZRAsyncReaderPin::CheckMediaType(const AM_MEDIA_TYPE& mt) { return owner_->CheckOutputType(mt); }
HRESULT TZRAsyncReaderPin::GetMediaType(int index, MediaType& mt) { return owner_->GetOutputType(index, mt); }

void TZRAsyncReaderPin::BreakConnect() {
    std::deque<Req> dropped;
    {
        AutoLock l(qlock_);
        dropped.swap(queue_);
        flushing_ = false;
        qcv_.NotifyAll();
    }
    // The samples go back to their allocator outside the lock.
}

size_t TZRAsyncReaderPin::QueuedCount() {
    AutoLock l(qlock_);
    return queue_.size();
}

STDMETHODIMP TZRAsyncReaderPin::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                                 IMemAllocator** actual) {
    if (!props || !actual) return E_POINTER;
    *actual = nullptr;
    return ComGuard([&]() -> HRESULT {
        const LONG align = owner_->Alignment();
        ALLOCATOR_PROPERTIES want = *props;
        if (want.cbAlign <= 0 || !IsPowerOf2(want.cbAlign)) want.cbAlign = 1;
        want.cbAlign = std::max(want.cbAlign, align);
        if (want.cBuffers <= 0) want.cBuffers = 1;
        if (want.cbBuffer <= 0) return E_INVALIDARG;
        if (want.cbPrefix < 0) want.cbPrefix = 0;
        if (preferred) {
            ALLOCATOR_PROPERTIES got = {};
            if (SUCCEEDED(preferred->SetProperties(&want, &got)) && got.cbAlign > 0 && got.cbAlign % align == 0 &&
                got.cbBuffer >= want.cbBuffer)
                return HandOut<IMemAllocator>(preferred, actual);
        }
        ComPtr<IMemAllocator> own = TZRMemAllocator::Create();
        if (!own) return E_OUTOFMEMORY;
        ALLOCATOR_PROPERTIES got = {};
        HRESULT hr = own->SetProperties(&want, &got);
        if (FAILED(hr)) return hr;
        return HandOut<IMemAllocator>(own.Get(), actual);
    });
}

HRESULT TZRAsyncReaderPin::CheckSample(IMediaSample* sample, LONGLONG& pos, LONG& len) {
    REFERENCE_TIME start = 0, stop = 0;
    if (sample->GetTime(&start, &stop) != S_OK) return VFW_E_SAMPLE_TIME_NOT_SET;
    if (start < 0 || stop < start) return E_INVALIDARG;
    pos = start / kUnits;
    const LONGLONG n = stop / kUnits - pos;
    if (n > LONG_MAX) return E_INVALIDARG;
    len = static_cast<LONG>(n);
    if (len > sample->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    const LONG align = owner_->Alignment();
    if (align > 1) {
        BYTE* p = nullptr;
        if (FAILED(sample->GetPointer(&p))) return E_POINTER;
        std::shared_ptr<TZRByteSource> src = owner_->Source();
        const LONGLONG size = src ? src->Size() : 0;
        // The last piece of the data may end anywhere; every other edge must sit on the alignment.
        const bool endsAtEof = pos + len >= size;
        if (pos % align || (!endsAtEof && len % align) || reinterpret_cast<uintptr_t>(p) % align) return VFW_E_BADALIGN;
    }
    return S_OK;
}

HRESULT TZRAsyncReaderPin::ReadRange(LONGLONG pos, LONG len, BYTE* buf, LONG* got) {
    *got = 0;
    if (pos < 0 || len < 0) return E_INVALIDARG;
    std::shared_ptr<TZRByteSource> src = owner_->Source();
    if (!src) return E_UNEXPECTED;
    const LONGLONG size = src->Size();
    if (pos > size) return kPastEnd;
    if (len == 0) return S_OK;
    if (!buf) return E_POINTER;
    const LONG n = static_cast<LONG>(std::min<LONGLONG>(len, size - pos));
    if (n > 0) {
        LONG read = 0;
        HRESULT hr = src->ReadAt(pos, n, buf, &read);
        *got = std::clamp<LONG>(read, 0, n);
        if (FAILED(hr)) return hr;
        if (*got < n) return kPastEnd;
    }
    return n < len ? S_FALSE : S_OK;
}

HRESULT TZRAsyncReaderPin::Perform(const Req& r) {
    BYTE* p = nullptr;
    HRESULT hr = r.sample->GetPointer(&p);
    if (FAILED(hr)) return hr;
    LONG got = 0;
    hr = ReadRange(r.pos, r.len, p, &got);
    r.sample->SetActualDataLength(got);
    if (got < r.len) {
        REFERENCE_TIME start = r.pos * kUnits, stop = (r.pos + got) * kUnits;
        r.sample->SetTime(&start, &stop);
    }
    return hr;
}

STDMETHODIMP TZRAsyncReaderPin::Request(IMediaSample* sample, DWORD_PTR user) {
    if (!sample) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        LONGLONG pos = 0;
        LONG len = 0;
        HRESULT hr = CheckSample(sample, pos, len);
        if (FAILED(hr)) return hr;
        AutoLock l(qlock_);
        if (flushing_) return VFW_E_WRONG_STATE;
        if (!owner_->Source()) return E_UNEXPECTED;
        // The caller's reference travels with the request and comes back through WaitForNext.
        queue_.push_back(Req{ComPtr<IMediaSample>::Attach(sample), user, pos, len});
        qcv_.NotifyAll();
        return S_OK;
    });
}

STDMETHODIMP TZRAsyncReaderPin::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) {
    if (!sample || !user) return E_POINTER;
    *sample = nullptr;
    *user = 0;
    return ComGuard([&]() -> HRESULT {
        Req r;
        {
            AutoLock l(qlock_);
            const ULONGLONG deadline = timeout == INFINITE ? 0 : GetTickCount64() + timeout;
            while (queue_.empty()) {
                if (flushing_) return VFW_E_WRONG_STATE;
                DWORD wait = INFINITE;
                if (timeout != INFINITE) {
                    const ULONGLONG now = GetTickCount64();
                    if (now >= deadline) return VFW_E_TIMEOUT;
                    wait = static_cast<DWORD>(deadline - now);
                }
                qcv_.Wait(qlock_, wait);
            }
            r = std::move(queue_.front());
            queue_.pop_front();
            if (flushing_) {
                *user = r.user;
                r.sample->SetActualDataLength(0);
                *sample = r.sample.Detach();
                return VFW_E_WRONG_STATE;
            }
        }
        HRESULT hr = Perform(r);
        *user = r.user;
        *sample = r.sample.Detach();
        return hr;
    });
}

STDMETHODIMP TZRAsyncReaderPin::SyncReadAligned(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        LONGLONG pos = 0;
        LONG len = 0;
        HRESULT hr = CheckSample(sample, pos, len);
        if (FAILED(hr)) return hr;
        return Perform(Req{ComPtr<IMediaSample>(sample), 0, pos, len});
    });
}

STDMETHODIMP TZRAsyncReaderPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
    return ComGuard([&]() -> HRESULT {
        LONG got = 0;
        return ReadRange(position, length, buffer, &got);
    });
}

STDMETHODIMP TZRAsyncReaderPin::Length(LONGLONG* total, LONGLONG* available) {
    if (!total || !available) return E_POINTER;
    std::shared_ptr<TZRByteSource> src = owner_->Source();
    if (!src) {
        *total = *available = 0;
        return E_UNEXPECTED;
    }
    *total = *available = src->Size();
    return S_OK;
}

STDMETHODIMP TZRAsyncReaderPin::BeginFlush() {
    AutoLock l(qlock_);
    flushing_ = true;
    qcv_.NotifyAll();
    return S_OK;
}

STDMETHODIMP TZRAsyncReaderPin::EndFlush() {
    AutoLock l(qlock_);
    flushing_ = false;
    qcv_.NotifyAll();
    return S_OK;
}

// ---------------------------------------------------------------------------------------------------
// TZRAsyncSourceFilter

TZRAsyncSourceFilter::TZRAsyncSourceFilter(const CLSID& clsid, const wchar_t* name, const wchar_t* pinName)
    : TZRBaseFilter(clsid, name), pin_(this, pinName) {}

std::shared_ptr<TZRByteSource> TZRAsyncSourceFilter::Source() {
    AutoLock l(sourceLock_);
    return source_;
}

HRESULT TZRAsyncSourceFilter::SetSource(std::shared_ptr<TZRByteSource> source, const GUID& subtype) {
    AutoLock f(filterLock_);
    if (pin_.IsConnected()) return VFW_E_ALREADY_CONNECTED;
    {
        AutoLock l(sourceLock_);
        source_ = std::move(source);
        subtype_ = subtype;
    }
    pin_.TypesChanged();
    return S_OK;
}

HRESULT TZRAsyncSourceFilter::GetOutputType(int index, MediaType& mt) {
    GUID sub;
    bool have;
    {
        AutoLock l(sourceLock_);
        sub = subtype_;
        have = static_cast<bool>(source_);
    }
    if (!have) return VFW_S_NO_MORE_ITEMS;
    if (sub == GUID_NULL) ++index;  // only the generic type
    if (index > 1) return VFW_S_NO_MORE_ITEMS;
    mt.Clear();
    AM_MEDIA_TYPE& m = mt.Get();
    m.majortype = MEDIATYPE_Stream;
    m.subtype = index == 0 ? sub : GUID_NULL;
    m.formattype = GUID_NULL;
    m.bFixedSizeSamples = TRUE;
    m.bTemporalCompression = FALSE;
    m.lSampleSize = 1;
    return S_OK;
}

HRESULT TZRAsyncSourceFilter::CheckOutputType(const AM_MEDIA_TYPE& mt) {
    if (!Source()) return VFW_E_TYPE_NOT_ACCEPTED;
    return mt.majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace zrf
