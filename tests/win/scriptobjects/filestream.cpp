// ZRTestObjects.dll: objects the script tests create by ProgID where the script host has none of its own.
//   ZRTest.FileStream - a file's bytes held in memory behind IStream, scriptable through IDispatch:
//                       Load(path) reads the whole file (True when it could), Size tells its length in bytes.
//                       Reads return at most 4093 bytes at a time, as a host's own stream may.
// The object lives in the apartment that created it (ThreadingModel Apartment) and is not agile.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

namespace {

// {B2DCF45D-4DAB-4E4A-B69F-900C80E18046}
const CLSID kClsidFileStream = {0xb2dcf45d, 0x4dab, 0x4e4a, {0xb6, 0x9f, 0x90, 0x0c, 0x80, 0xe1, 0x80, 0x46}};
const wchar_t kClsidText[] = L"{B2DCF45D-4DAB-4E4A-B69F-900C80E18046}";
const wchar_t kProgId[] = L"ZRTest.FileStream";
constexpr ULONG kChunk = 4093;
constexpr DISPID kDispLoad = 1;
constexpr DISPID kDispSize = 2;

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};
HMODULE gModule = nullptr;

class TFileStream final : public IDispatch, public IStream {
public:
    TFileStream() { ++gObjects; }
    ~TFileStream() { --gObjects; }

    // IUnknown (the IDispatch side is the object's identity)
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch) *ppv = static_cast<IDispatch*>(this);
        else if (iid == IID_IStream || iid == IID_ISequentialStream) *ppv = static_cast<IStream*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG r = --refs_;
        if (r == 0) delete this;
        return r;
    }

    // IDispatch (late bound only: no type information)
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (!names[0]) return DISP_E_UNKNOWNNAME;
        if (_wcsicmp(names[0], L"Load") == 0) ids[0] = kDispLoad;
        else if (_wcsicmp(names[0], L"Size") == 0) ids[0] = kDispSize;
        else hr = DISP_E_UNKNOWNNAME;
        if (count > 1) hr = DISP_E_UNKNOWNNAME;  // no named arguments
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argErr) override {
        if (!params) return E_INVALIDARG;
        if (result) VariantInit(result);
        if (id == kDispSize) {
            if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            if (result) {
                V_VT(result) = VT_I4;
                V_I4(result) = static_cast<LONG>(data_.size());
            }
            return S_OK;
        }
        if (id == kDispLoad) {
            if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            VARIANT path;
            VariantInit(&path);
            const HRESULT hr = VariantChangeType(&path, &params->rgvarg[0], 0, VT_BSTR);
            if (FAILED(hr)) {
                if (argErr) *argErr = 0;
                return DISP_E_TYPEMISMATCH;
            }
            const bool ok = Load(V_BSTR(&path) ? V_BSTR(&path) : L"");
            VariantClear(&path);
            if (result) {
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = ok ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // ISequentialStream
    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* read) override {
        if (!pv) return STG_E_INVALIDPOINTER;
        ULONG n = 0;
        if (pos_ < data_.size()) {
            const size_t left = data_.size() - static_cast<size_t>(pos_);
            n = static_cast<ULONG>(std::min<size_t>(std::min<ULONG>(cb, kChunk), left));
            std::memcpy(pv, data_.data() + pos_, n);
            pos_ += n;
        }
        if (read) *read = n;
        return n < cb ? S_FALSE : S_OK;
    }
    STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

    // IStream
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
        LONGLONG base = 0;
        if (origin == STREAM_SEEK_CUR) base = static_cast<LONGLONG>(pos_);
        else if (origin == STREAM_SEEK_END) base = static_cast<LONGLONG>(data_.size());
        else if (origin != STREAM_SEEK_SET) return STG_E_INVALIDFUNCTION;
        const LONGLONG target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        pos_ = static_cast<ULONGLONG>(target);
        if (newPos) newPos->QuadPart = pos_;
        return S_OK;
    }
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return S_OK; }
    STDMETHODIMP Revert() override { return S_OK; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    STDMETHODIMP Stat(STATSTG* st, DWORD) override {
        if (!st) return STG_E_INVALIDPOINTER;
        ZeroMemory(st, sizeof(*st));
        st->type = STGTY_STREAM;
        st->cbSize.QuadPart = data_.size();
        st->grfMode = STGM_READ;
        return S_OK;
    }
    STDMETHODIMP Clone(IStream** out) override {
        if (!out) return STG_E_INVALIDPOINTER;
        *out = nullptr;
        return E_NOTIMPL;
    }

private:
    bool Load(const wchar_t* path) {
        data_.clear();
        pos_ = 0;
        HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size{};
        bool ok = GetFileSizeEx(f, &size) && size.QuadPart < 0x7fffffff;
        if (ok) {
            data_.resize(static_cast<size_t>(size.QuadPart));
            DWORD got = 0;
            ok = data_.empty() || (ReadFile(f, data_.data(), static_cast<DWORD>(data_.size()), &got, nullptr) &&
                                   got == data_.size());
        }
        CloseHandle(f);
        if (!ok) data_.clear();
        return ok;
    }

    std::atomic<ULONG> refs_{1};
    std::vector<BYTE> data_;
    ULONGLONG pos_ = 0;
};

class TFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* s = new (std::nothrow) TFileStream;
        if (!s) return E_OUTOFMEMORY;
        const HRESULT hr = static_cast<IDispatch*>(s)->QueryInterface(iid, ppv);
        static_cast<IDispatch*>(s)->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) ++gLocks;
        else --gLocks;
        return S_OK;
    }
};
TFactory gFactory;

LONG SetText(HKEY key, const wchar_t* sub, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    LONG rc = RegCreateKeyExW(key, sub, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != kClsidFileStream) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return gObjects == 0 && gLocks == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT __stdcall DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(gModule, path, MAX_PATH)) return SELFREG_E_CLASS;
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    LONG rc = SetText(HKEY_CLASSES_ROOT, clsidKey.c_str(), nullptr, L"Test file stream");
    if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, (clsidKey + L"\\InprocServer32").c_str(), nullptr, path);
    if (rc == ERROR_SUCCESS)
        rc = SetText(HKEY_CLASSES_ROOT, (clsidKey + L"\\InprocServer32").c_str(), L"ThreadingModel", L"Apartment");
    if (rc == ERROR_SUCCESS) rc = SetText(HKEY_CLASSES_ROOT, (clsidKey + L"\\ProgID").c_str(), nullptr, kProgId);
    if (rc == ERROR_SUCCESS)
        rc = SetText(HKEY_CLASSES_ROOT, (std::wstring(kProgId) + L"\\CLSID").c_str(), nullptr, kClsidText);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    return S_OK;
}
