// A memory allocator (IMemAllocator) and its media samples (IMediaSample).
//
// Buffers live in one block per commit. A sample handed out by GetBuffer holds a reference on its
// allocator; its last Release returns it to the free list and wakes a waiting GetBuffer. Decommit
// wakes every waiter (they fail with VFW_E_NOT_COMMITTED) and frees the block once the last sample is
// back. The allocator is free-threaded.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <memory>
#include <vector>

#include "filters/base/mediatype.h"
#include "filters/base/zrfcommon.h"

namespace zrf {

class TZRMemAllocator;

class TZRMediaSample final : public IMediaSample {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IMediaSample
    STDMETHODIMP GetPointer(BYTE** ppBuffer) override;
    STDMETHODIMP_(LONG) GetSize() override;
    STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    STDMETHODIMP IsSyncPoint() override;
    STDMETHODIMP SetSyncPoint(BOOL v) override;
    STDMETHODIMP IsPreroll() override;
    STDMETHODIMP SetPreroll(BOOL v) override;
    STDMETHODIMP_(LONG) GetActualDataLength() override;
    STDMETHODIMP SetActualDataLength(LONG len) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** mt) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP IsDiscontinuity() override;
    STDMETHODIMP SetDiscontinuity(BOOL v) override;
    STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* end) override;
    STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* end) override;

private:
    friend class TZRMemAllocator;
    explicit TZRMediaSample(TZRMemAllocator* owner) : owner_(owner) {}
    void ResetProperties();

    TZRMemAllocator* owner_;
    ComPtr<IMemAllocator> hold_;  // set while the sample is out
    std::atomic<LONG> refs_{0};
    BYTE* buffer_ = nullptr;
    LONG size_ = 0;
    LONG actual_ = 0;
    REFERENCE_TIME start_ = 0, end_ = 0;
    LONGLONG mediaStart_ = 0, mediaEnd_ = 0;
    bool timeValid_ = false, stopValid_ = false, mediaTimeValid_ = false;
    bool sync_ = false, preroll_ = false, discontinuity_ = false;
    MediaType type_;
    bool hasType_ = false;
};

class TZRMemAllocator final : public IMemAllocator {
public:
    // A new allocator with one reference held by the result.
    static ComPtr<IMemAllocator> Create();

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) override;
    STDMETHODIMP ReleaseBuffer(IMediaSample* sample) override;

private:
    friend class TZRMediaSample;
    TZRMemAllocator();
    ~TZRMemAllocator();
    void ReturnSample(TZRMediaSample* s);
    void FreeBlockLocked();

    std::atomic<LONG> refs_{1};
    CritSec lock_;
    CondVar freed_;
    ALLOCATOR_PROPERTIES props_{};
    bool propsSet_ = false;
    bool committed_ = false;
    std::unique_ptr<BYTE[]> block_;
    std::vector<std::unique_ptr<TZRMediaSample>> samples_;
    std::vector<TZRMediaSample*> free_;
    LONG outstanding_ = 0;
};

}  // namespace zrf
