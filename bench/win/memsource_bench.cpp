// Reading 100 MB through the memory-stream source beside the platform's File Source (Async.) on the
// same bytes, in one run: sequential SyncRead and pipelined Request / WaitForNext, plus the cost of
// attaching a stream that has to be copied (one that is not free-threaded).
//   memsource_bench [megabytes] [rounds]
#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "filters/base/zrfcommon.h"
#include "filters/memsource.h"
#include "benchtime.h"

// (Release in ApartmentStream and the test streams count their own references, as every COM object does.)
#include "graph/comptr.h"

namespace {

uint64_t Fnv(uint64_t h, const BYTE* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ULL;
    return h;
}

// An IStream that forwards to another but is not free-threaded (the memory source copies it).
class ApartmentStream final : public IStream {
public:
    explicit ApartmentStream(IStream* s) : s_(s) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
            *ppv = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }
    STDMETHODIMP Read(void* b, ULONG n, ULONG* r) override { return s_->Read(b, n, r); }
    STDMETHODIMP Write(const void* b, ULONG n, ULONG* w) override { return s_->Write(b, n, w); }
    STDMETHODIMP Seek(LARGE_INTEGER m, DWORD o, ULARGE_INTEGER* p) override { return s_->Seek(m, o, p); }
    STDMETHODIMP SetSize(ULARGE_INTEGER n) override { return s_->SetSize(n); }
    STDMETHODIMP CopyTo(IStream* d, ULARGE_INTEGER n, ULARGE_INTEGER* r, ULARGE_INTEGER* w) override { return s_->CopyTo(d, n, r, w); }
    STDMETHODIMP Commit(DWORD f) override { return s_->Commit(f); }
    STDMETHODIMP Revert() override { return s_->Revert(); }
    STDMETHODIMP LockRegion(ULARGE_INTEGER a, ULARGE_INTEGER b, DWORD c) override { return s_->LockRegion(a, b, c); }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER a, ULARGE_INTEGER b, DWORD c) override { return s_->UnlockRegion(a, b, c); }
    STDMETHODIMP Stat(STATSTG* st, DWORD f) override { return s_->Stat(st, f); }
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~ApartmentStream() = default;
    LONG refs_ = 1;
    ComPtr<IStream> s_;
};

ComPtr<IAsyncReader> ReaderOf(IBaseFilter* f) {
    ComPtr<IEnumPins> e;
    ComPtr<IPin> pin;
    ComPtr<IAsyncReader> r;
    if (SUCCEEDED(f->EnumPins(e.Put())) && e->Next(1, pin.Put(), nullptr) == S_OK) pin.As(r);
    return r;
}

constexpr LONG kChunk = 64 * 1024;

// Sequential SyncRead over the whole length; returns the ms spent reading, and the checksum.
double SyncPass(IAsyncReader* r, LONGLONG total, uint64_t& sum) {
    std::vector<BYTE> buf(kChunk);
    sum = 1469598103934665603ULL;
    double ms = 0;  // the reads only, not the checksum
    for (LONGLONG pos = 0; pos < total; pos += kChunk) {
        LONG n = static_cast<LONG>(std::min<LONGLONG>(kChunk, total - pos));
        double t0 = Now();
        if (FAILED(r->SyncRead(pos, n, buf.data()))) return -1;
        ms += Now() - t0;
        sum = Fnv(sum, buf.data(), static_cast<size_t>(n));
    }
    return ms;
}

// Requests kept 16 deep, collected with WaitForNext in completion order.
double RequestPass(IAsyncReader* r, LONGLONG total, uint64_t& bytes) {
    ALLOCATOR_PROPERTIES want = {16, kChunk, 1, 0};
    ComPtr<IMemAllocator> a;
    if (FAILED(r->RequestAllocator(nullptr, &want, a.Put())) || FAILED(a->Commit())) return -1;
    bytes = 0;
    double t0 = Now();
    LONGLONG next = 0;
    int outstanding = 0;
    while (next < total || outstanding > 0) {
        while (next < total && outstanding < 16) {
            ComPtr<IMediaSample> s;
            if (FAILED(a->GetBuffer(s.Put(), nullptr, nullptr, 0))) return -1;
            REFERENCE_TIME t1 = next * zrf::kUnits, t2 = std::min<LONGLONG>(next + kChunk, total) * zrf::kUnits;
            s->SetTime(&t1, &t2);
            if (FAILED(r->Request(s.Get(), 0))) return -1;
            s.Detach();  // the reference travels with the request
            next += kChunk;
            ++outstanding;
        }
        IMediaSample* raw = nullptr;
        DWORD_PTR u = 0;
        HRESULT hr = r->WaitForNext(5000, &raw, &u);
        ComPtr<IMediaSample> done = ComPtr<IMediaSample>::Attach(raw);
        if (!done || FAILED(hr)) return -1;
        bytes += static_cast<uint64_t>(done->GetActualDataLength());
        --outstanding;
    }
    double ms = Now() - t0;
    a->Decommit();
    return ms;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const LONGLONG mb = argc > 1 ? _wtoi(argv[1]) : 100;
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const LONGLONG total = mb * 1024 * 1024;

    // The same bytes in a file and in an HGLOBAL.
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(total));
    if (!h) return 1;
    BYTE* p = static_cast<BYTE*>(GlobalLock(h));
    uint64_t x = 88172645463325252ULL;
    for (LONGLONG i = 0; i < total; i += 8) {
        x ^= x << 13; x ^= x >> 7; x ^= x << 17;
        std::memcpy(p + i, &x, static_cast<size_t>(std::min<LONGLONG>(8, total - i)));
    }
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"zrb", 0, path);
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, p, static_cast<DWORD>(total), &written, nullptr);
    CloseHandle(f);
    GlobalUnlock(h);
    ComPtr<IStream> hstream;
    if (FAILED(CreateStreamOnHGlobal(h, TRUE, hstream.Put()))) return 1;

    ComPtr<IBaseFilter> fileSrc, memSrc, copySrc;
    ComPtr<IFileSourceFilter> fs;
    if (FAILED(CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, fileSrc.PutVoid())) ||
        FAILED(fileSrc.As(fs)) || FAILED(fs->Load(path, nullptr))) {
        std::printf("File Source (Async.) could not open the file\n");
        return 1;
    }
    zrf::TZRMemorySource::CreateInstance(IID_IBaseFilter, memSrc.PutVoid());
    zrf::TZRMemorySource::CreateInstance(IID_IBaseFilter, copySrc.PutVoid());
    if (FAILED(memSrc.As<IAsyncExControl>()->AttachStream(hstream.Get(), total))) return 1;
    ComPtr<IStream> apt = ComPtr<IStream>::Attach(new ApartmentStream(hstream.Get()));
    std::vector<double> attach;
    for (int i = 0; i < rounds; ++i) {
        ComPtr<IBaseFilter> tmp;
        zrf::TZRMemorySource::CreateInstance(IID_IBaseFilter, tmp.PutVoid());
        double t0 = Now();
        if (FAILED(tmp.As<IAsyncExControl>()->AttachStream(apt.Get(), total))) return 1;
        attach.push_back(Now() - t0);
    }
    copySrc.As<IAsyncExControl>()->AttachStream(apt.Get(), total);

    struct Row {
        const char* name;
        ComPtr<IAsyncReader> r;
        std::vector<double> sync, req;
        uint64_t sum = 0, bytes = 0;
    } rows[] = {
        {"File Source (Async.)", ReaderOf(fileSrc.Get())},
        {"memory source, HGLOBAL stream read in place", ReaderOf(memSrc.Get())},
        {"memory source, copied stream", ReaderOf(copySrc.Get())},
    };
    for (int i = 0; i < rounds; ++i)
        for (auto& row : rows) {
            row.sync.push_back(SyncPass(row.r.Get(), total, row.sum));
            row.req.push_back(RequestPass(row.r.Get(), total, row.bytes));
        }
    std::printf("%lld MB, %d rounds, median; 64 KB reads\n\n", static_cast<long long>(mb), rounds);
    std::printf("| reader | SyncRead ms | SyncRead MB/s | Request/WaitForNext ms (16 deep) | MB/s | checksum |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (auto& row : rows) {
        double s = Median(row.sync), q = Median(row.req);
        std::printf("| %s | %.0f | %.0f | %.0f | %.0f | %016llx%s |\n", row.name, s, mb * 1000.0 / s, q, mb * 1000.0 / q,
                    static_cast<unsigned long long>(row.sum), row.bytes == static_cast<uint64_t>(total) ? "" : " (short!)");
    }
    std::printf("\nAttaching a stream that is not free-threaded (copied once, on the caller's thread): %.0f ms\n",
                Median(attach));
    DeleteFileW(path);
    CoUninitialize();
    return 0;
}
