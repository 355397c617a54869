// An IStream of the tests' own over bytes in memory, with faults to order: reads that return at most
// `chunk` bytes at a time, a length that Stat does not tell, reads that fail, a gate that holds every
// read until opened, and free threading (the free-threaded marshaler aggregated) or not.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "graph/comptr.h"

class TestStream final : public IStream {
public:
    struct Options {
        ULONG chunk = 0;           // 0: whole reads
        bool agile = false;        // aggregates the free-threaded marshaler
        bool statFails = false;    // Stat answers E_NOTIMPL
        bool readsFail = false;    // Read answers E_FAIL
        HANDLE gate = nullptr;     // each Read waits for this event when set
    };
    static ComPtr<IStream> Create(std::vector<BYTE> data, Options o) {
        auto* s = new TestStream(std::move(data), o);
        ComPtr<IStream> r(s);
        if (o.agile) CoCreateFreeThreadedMarshaler(static_cast<IStream*>(s), s->ftm_.Put());
        return r;
    }
    std::atomic<int> reads{0};

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
            *ppv = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        if (iid == IID_IMarshal && ftm_) return ftm_->QueryInterface(iid, ppv);
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP Read(void* buf, ULONG cb, ULONG* read) override {
        ++reads;
        if (o_.gate) WaitForSingleObject(o_.gate, INFINITE);
        if (read) *read = 0;
        if (o_.readsFail) return E_FAIL;
        ULONGLONG left = pos_ < data_.size() ? data_.size() - pos_ : 0;
        ULONG n = static_cast<ULONG>(std::min<ULONGLONG>(left, cb));
        if (o_.chunk) n = std::min(n, o_.chunk);
        if (n) std::memcpy(buf, data_.data() + pos_, n);
        pos_ += n;
        if (read) *read = n;
        return n == cb ? S_OK : S_FALSE;
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
        LONGLONG base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? LONGLONG(pos_) : LONGLONG(data_.size());
        LONGLONG p = base + move.QuadPart;
        if (p < 0) return STG_E_INVALIDFUNCTION;
        pos_ = static_cast<ULONGLONG>(p);
        if (newPos) newPos->QuadPart = pos_;
        return S_OK;
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return S_OK; }
    STDMETHODIMP Revert() override { return E_NOTIMPL; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATSTG* st, DWORD) override {
        if (o_.statFails) return E_NOTIMPL;
        std::memset(st, 0, sizeof *st);
        st->type = STGTY_STREAM;
        st->cbSize.QuadPart = data_.size();
        return S_OK;
    }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

private:
    TestStream(std::vector<BYTE> d, Options o) : data_(std::move(d)), o_(o) {}
    ~TestStream() = default;
    std::atomic<ULONG> refs_{0};
    std::vector<BYTE> data_;
    Options o_;
    ULONGLONG pos_ = 0;
    ComPtr<IUnknown> ftm_;
};

// Whole file content; empty when it cannot be read.
inline std::vector<BYTE> ReadWholeFile(const std::wstring& path) {
    std::vector<BYTE> out;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31)) {
        out.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) || got != out.size()) out.clear();
    }
    CloseHandle(h);
    return out;
}

// An HGLOBAL stream holding a copy of data (the stream frees the memory).
inline ComPtr<IStream> HGlobalStream(const std::vector<BYTE>& data) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, data.size());
    if (!h) return {};
    void* p = GlobalLock(h);
    std::memcpy(p, data.data(), data.size());
    GlobalUnlock(h);
    ComPtr<IStream> s;
    if (FAILED(CreateStreamOnHGlobal(h, TRUE, s.Put()))) GlobalFree(h);
    return s;
}
