#include "filters/memsource.h"

#include <algorithm>
#include <cstring>

namespace zrf {

namespace {

const HRESULT kShort = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
// MEDIASUBTYPE_MPEG2_PROGRAM (MinGW declares it only in a header meant for inclusion inside uuids.h).
// The free-threaded marshaler's unmarshal class, {0000033A-0000-0000-C000-000000000046} (the value in
// MinGW's import library is wrong).
constexpr GUID kInProcFreeMarshaler = {0x0000033A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kMpeg2Program = {0xE06D8022, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
constexpr wchar_t kFilterName[] = L"Zantorival AsyncEx";

// Bytes read from an agile stream, one read at a time.
class StreamBytes final : public TZRByteSource {
public:
    StreamBytes(ComPtr<IStream> s, LONGLONG size) : stream_(std::move(s)), size_(size) {}
    LONGLONG Size() const override { return size_; }
    HRESULT ReadAt(LONGLONG pos, LONG len, BYTE* buf, LONG* got) override {
        *got = 0;
        AutoLock l(lock_);
        LARGE_INTEGER at;
        at.QuadPart = pos;
        HRESULT hr = stream_->Seek(at, STREAM_SEEK_SET, nullptr);
        if (FAILED(hr)) return hr;
        while (*got < len) {
            ULONG n = 0;
            hr = stream_->Read(buf + *got, static_cast<ULONG>(len - *got), &n);
            if (FAILED(hr)) return hr;
            if (n == 0) break;
            *got += static_cast<LONG>(std::min<ULONG>(n, static_cast<ULONG>(len - *got)));
        }
        return *got == len ? S_OK : kShort;
    }

private:
    CritSec lock_;
    ComPtr<IStream> stream_;
    LONGLONG size_;
};

// Bytes copied from the stream.
class CopiedBytes final : public TZRByteSource {
public:
    CopiedBytes(std::unique_ptr<BYTE[]> data, LONGLONG size) : data_(std::move(data)), size_(size) {}
    LONGLONG Size() const override { return size_; }
    HRESULT ReadAt(LONGLONG pos, LONG len, BYTE* buf, LONG* got) override {
        *got = 0;
        if (pos < 0 || len < 0 || pos > size_ || len > size_ - pos) return E_INVALIDARG;
        std::memcpy(buf, data_.get() + pos, static_cast<size_t>(len));
        *got = len;
        return S_OK;
    }

private:
    std::unique_ptr<BYTE[]> data_;
    LONGLONG size_;
};

// Reads size bytes from the start of the stream; the stream's seek position is put back afterwards.
HRESULT CopyStream(IStream* s, LONGLONG size, std::unique_ptr<BYTE[]>& out) {
    if (static_cast<ULONGLONG>(size) > static_cast<ULONGLONG>(SIZE_MAX)) return E_OUTOFMEMORY;
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[static_cast<size_t>(size)]);
    if (!data) return E_OUTOFMEMORY;
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER old = {};
    HRESULT hr = s->Seek(zero, STREAM_SEEK_CUR, &old);
    const bool restore = SUCCEEDED(hr);
    hr = s->Seek(zero, STREAM_SEEK_SET, nullptr);
    LONGLONG done = 0;
    while (SUCCEEDED(hr) && done < size) {
        const ULONG want = static_cast<ULONG>(std::min<LONGLONG>(size - done, 1 << 20));
        ULONG n = 0;
        hr = s->Read(data.get() + done, want, &n);
        if (FAILED(hr)) break;
        if (n == 0) {
            hr = kShort;
            break;
        }
        done += std::min<ULONG>(n, want);
        hr = S_OK;
    }
    if (restore) {
        LARGE_INTEGER back;
        back.QuadPart = static_cast<LONGLONG>(old.QuadPart);
        s->Seek(back, STREAM_SEEK_SET, nullptr);
    }
    if (FAILED(hr)) return hr;
    out = std::move(data);
    return S_OK;
}

}  // namespace

bool IsAgileStream(IStream* stream) {
    ComPtr<IUnknown> agile;
    if (SUCCEEDED(stream->QueryInterface(IID_IAgileObject, agile.PutVoid())) && agile) return true;
    ComPtr<IMarshal> m;
    if (SUCCEEDED(stream->QueryInterface(IID_IMarshal, m.PutVoid())) && m) {
        CLSID c = GUID_NULL;
        if (SUCCEEDED(m->GetUnmarshalClass(IID_IStream, stream, MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL, &c)) &&
            c == kInProcFreeMarshaler)
            return true;
    }
    HGLOBAL h = nullptr;
    return SUCCEEDED(GetHGlobalFromStream(stream, &h)) && h;
}

GUID GuessStreamSubtype(const BYTE* h, size_t n) {
    auto at = [&](size_t off, const char* sig) {
        size_t len = std::strlen(sig);
        return n >= off + len && std::memcmp(h + off, sig, len) == 0;
    };
    if (at(0, "RIFF") && at(8, "AVI ")) return MEDIASUBTYPE_Avi;
    if (at(0, "RIFF") && at(8, "WAVE")) return MEDIASUBTYPE_WAVE;
    static const BYTE kAsf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    if (n >= sizeof kAsf && std::memcmp(h, kAsf, sizeof kAsf) == 0) return MEDIASUBTYPE_Asf;
    if (n >= 5 && h[0] == 0 && h[1] == 0 && h[2] == 1 && h[3] == 0xBA)
        return (h[4] & 0xC0) == 0x40 ? kMpeg2Program : MEDIASUBTYPE_MPEG1System;
    if (at(0, "ID3") || (n >= 2 && h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && (h[1] & 0x06) != 0))
        return MEDIASUBTYPE_MPEG1Audio;
    return GUID_NULL;
}

HRESULT TZRMemorySource::CreateInstance(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* f = new (std::nothrow) TZRMemorySource();
    if (!f) return E_OUTOFMEMORY;
    ComPtr<IBaseFilter> hold(static_cast<IBaseFilter*>(f));
    return f->QueryInterface(iid, ppv);
}

TZRMemorySource::TZRMemorySource() : TZRAsyncSourceFilter(CLSID_ZRMemorySource, kFilterName) {}

HRESULT TZRMemorySource::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == IID_IAsyncExControl) return HandOut<IAsyncExControl>(this, ppv);
    return TZRAsyncSourceFilter::NonDelegatingQueryInterface(iid, ppv);
}

STDMETHODIMP TZRMemorySource::AttachStream(IStream* stream, LONGLONG size) {
    if (!stream) return E_POINTER;
    if (size <= 0) return E_INVALIDARG;
    return ComGuard([&]() -> HRESULT {
        if (OutputPin().IsConnected()) return VFW_E_ALREADY_CONNECTED;
        // A stream that tells its length must hold the stated bytes.
        STATSTG st = {};
        if (SUCCEEDED(stream->Stat(&st, STATFLAG_NONAME)) && st.cbSize.QuadPart < static_cast<ULONGLONG>(size))
            return kShort;
        std::shared_ptr<TZRByteSource> bytes;
        bool copied = false;
        if (IsAgileStream(stream)) {
            ComPtr<IStream> reader;
            if (FAILED(stream->Clone(reader.Put())) || !reader || !IsAgileStream(reader.Get()))
                reader = ComPtr<IStream>(stream);
            bytes = std::make_shared<StreamBytes>(std::move(reader), size);
        } else {
            std::unique_ptr<BYTE[]> data;
            HRESULT hr = CopyStream(stream, size, data);
            if (FAILED(hr)) return hr;
            bytes = std::make_shared<CopiedBytes>(std::move(data), size);
            copied = true;
        }
        BYTE head[16] = {};
        LONG got = 0;
        const LONG want = static_cast<LONG>(std::min<LONGLONG>(size, sizeof head));
        HRESULT hr = bytes->ReadAt(0, want, head, &got);
        if (FAILED(hr)) return hr;
        hr = SetSource(bytes, GuessStreamSubtype(head, static_cast<size_t>(got)));
        if (SUCCEEDED(hr)) copied_ = copied;
        return hr;
    });
}

STDMETHODIMP TZRMemorySource::DetachStream() {
    return ComGuard([&]() -> HRESULT {
        HRESULT hr = SetSource(nullptr, GUID_NULL);
        if (SUCCEEDED(hr)) copied_ = false;
        return hr;
    });
}

STDMETHODIMP TZRMemorySource::GetStreamInfo(LONGLONG* size, BOOL* copied) {
    std::shared_ptr<TZRByteSource> s = Source();
    if (size) *size = s ? s->Size() : 0;
    if (copied) *copied = s && copied_;
    return S_OK;
}

}  // namespace zrf
