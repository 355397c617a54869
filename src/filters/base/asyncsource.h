// A pull-mode source: one output pin that offers MEDIATYPE_Stream and serves bytes through
// IAsyncReader, as a file source does for a parser or splitter downstream.
//
// Reads: SyncRead takes any position and length; Request and SyncReadAligned take samples whose times
// give the byte range (byte offset x 10,000,000) and must respect the alignment handed out by
// RequestAllocator (the source's Alignment(); 1 means any). A range that runs past the end is cut
// there and completes with S_FALSE; a range that starts past the end fails with
// HRESULT_FROM_WIN32(ERROR_HANDLE_EOF); bytes the source cannot deliver inside its stated length fail
// with the source's error (ERROR_HANDLE_EOF for a source that ends early).
//
// Overlapped reads: Request queues the sample together with the caller's reference to it (as the
// IAsyncReader contract has it: the caller does not release a sample it handed to Request, and
// releases it once WaitForNext has given it back); a refused request leaves the reference with the
// caller. WaitForNext takes the oldest queued request and performs it on the
// calling thread, so every request is completed exactly once, by exactly one WaitForNext. BeginFlush
// fails new requests and makes WaitForNext hand back every queued request unread with
// VFW_E_WRONG_STATE, then return at once with no sample; a WaitForNext waiting for work is woken.
// EndFlush ends that.
#pragma once
#include <deque>
#include <memory>

#include "filters/base/filter.h"

namespace zrf {

// The bytes a pull-mode source serves. Called from several threads at once.
class TZRByteSource {
public:
    virtual ~TZRByteSource() = default;
    virtual LONGLONG Size() const = 0;
    // Reads len bytes at pos (0 <= pos, pos + len <= Size()) into buf; *got receives how many came.
    // S_OK when all came; an error when the source failed or ended early.
    virtual HRESULT ReadAt(LONGLONG pos, LONG len, BYTE* buf, LONG* got) = 0;
};

class TZRAsyncSourceFilter;

class TZRAsyncReaderPin final : public TZRBasePin, public IAsyncReader {
public:
    TZRAsyncReaderPin(TZRAsyncSourceFilter* filter, const wchar_t* name);
    ~TZRAsyncReaderPin();

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return TZRBasePin::QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return TZRBasePin::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TZRBasePin::Release(); }

    // IAsyncReader
    STDMETHODIMP RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props, IMemAllocator** actual) override;
    STDMETHODIMP Request(IMediaSample* sample, DWORD_PTR user) override;
    STDMETHODIMP WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override;
    STDMETHODIMP SyncReadAligned(IMediaSample* sample) override;
    STDMETHODIMP SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    STDMETHODIMP Length(LONGLONG* total, LONGLONG* available) override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int index, MediaType& mt) override;
    void BreakConnect() override;

    // Queued requests (for checks).
    size_t QueuedCount();

protected:
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv) override;

private:
    struct Req {
        ComPtr<IMediaSample> sample;
        DWORD_PTR user;
        LONGLONG pos;
        LONG len;
    };
    // Checks a sample's range against the alignment and its buffer.
    HRESULT CheckSample(IMediaSample* sample, LONGLONG& pos, LONG& len);
    // Reads a range into buf: see the header comment for the results.
    HRESULT ReadRange(LONGLONG pos, LONG len, BYTE* buf, LONG* got);
    HRESULT Perform(const Req& r);

    TZRAsyncSourceFilter* owner_;
    CritSec qlock_;
    CondVar qcv_;
    std::deque<Req> queue_;
    bool flushing_ = false;
};

class TZRAsyncSourceFilter : public TZRBaseFilter {
public:
    TZRAsyncSourceFilter(const CLSID& clsid, const wchar_t* name, const wchar_t* pinName = L"Output");

    int GetPinCount() override { return 1; }
    TZRBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

    // The bytes served now (nil: none); the pin takes a snapshot for each read.
    std::shared_ptr<TZRByteSource> Source();
    // Replaces the bytes served and the subtype offered first (GUID_NULL: only the generic stream type).
    // Refused with VFW_E_ALREADY_CONNECTED while the pin is connected.
    HRESULT SetSource(std::shared_ptr<TZRByteSource> source, const GUID& subtype);
    // Byte alignment of aligned reads (a power of 2).
    virtual LONG Alignment() { return 1; }
    // The types offered: MEDIATYPE_Stream with the subtype given to SetSource, then with GUID_NULL.
    virtual HRESULT GetOutputType(int index, MediaType& mt);
    virtual HRESULT CheckOutputType(const AM_MEDIA_TYPE& mt);

    TZRAsyncReaderPin& OutputPin() { return pin_; }

protected:
    CritSec sourceLock_;
    std::shared_ptr<TZRByteSource> source_;
    GUID subtype_ = GUID_NULL;
    TZRAsyncReaderPin pin_;
};

}  // namespace zrf
