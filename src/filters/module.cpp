// The DLL's entry points: class factories and self-registration.
//
// DllRegisterServer writes each filter's COM class (in-process server, both threading models) and its
// DirectShow registration in the legacy filter category with MERIT_DO_NOT_USE, so that intelligent
// connection never picks one of these filters by itself: the player adds them by class identifier.
#include <windows.h>
#include <dshow.h>

#include <string>

#include "filters/base/zrfcommon.h"
#include "filters/filtertable.h"
#include "graph/comptr.h"

namespace {

HMODULE gModule = nullptr;

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const zrf::TZRFilterTemplate* t) : t_(t) { zrf::ModuleAddRef(); }
    ~ClassFactory() { zrf::ModuleRelease(); }
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) return zrf::HandOut<IClassFactory>(this, ppv);
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return zrf::ComGuard([&] { return t_->create(iid, ppv); });
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) zrf::ModuleAddRef();
        else zrf::ModuleRelease();
        return S_OK;
    }

private:
    const zrf::TZRFilterTemplate* t_;
    LONG refs_ = 0;
};

std::wstring GuidText(const GUID& g) {
    wchar_t buf[64] = {};
    StringFromGUID2(g, buf, 64);
    return buf;
}

LONG SetValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

HRESULT RegisterClassKey(const zrf::TZRFilterTemplate& t, const std::wstring& path) {
    const std::wstring key = L"CLSID\\" + GuidText(*t.clsid);
    HKEY k = nullptr, inproc = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    rc = SetValue(k, nullptr, t.name);
    if (rc == ERROR_SUCCESS)
        rc = RegCreateKeyExW(k, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &inproc, nullptr);
    if (rc == ERROR_SUCCESS) {
        rc = SetValue(inproc, nullptr, path);
        if (rc == ERROR_SUCCESS) rc = SetValue(inproc, L"ThreadingModel", L"Both");
        RegCloseKey(inproc);
    }
    RegCloseKey(k);
    return HRESULT_FROM_WIN32(rc);
}

// COM may not be initialised on the registering thread (regsvr32 does it; other callers may not).
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() { if (SUCCEEDED(hr_)) CoUninitialize(); }

private:
    HRESULT hr_;
};

HRESULT RegisterAll(bool add) {
    int count = 0;
    const zrf::TZRFilterTemplate* t = zrf::FilterTemplates(&count);
    wchar_t path[MAX_PATH * 2] = {};
    if (!GetModuleFileNameW(gModule, path, MAX_PATH * 2)) return HRESULT_FROM_WIN32(GetLastError());
    ComScope com;
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper.PutVoid());
    if (FAILED(hr)) return hr;
    HRESULT result = S_OK;
    for (int i = 0; i < count; ++i) {
        if (add) {
            hr = RegisterClassKey(t[i], path);
            if (SUCCEEDED(hr)) {
                REGFILTER2 rf = {};
                rf.dwVersion = 2;
                rf.dwMerit = MERIT_DO_NOT_USE;
                rf.cPins2 = t[i].pinCount;
                rf.rgPins2 = t[i].pins;
                hr = mapper->RegisterFilter(*t[i].clsid, t[i].name, nullptr, &CLSID_LegacyAmFilterCategory, nullptr, &rf);
            }
        } else {
            mapper->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *t[i].clsid);
            const std::wstring key = L"CLSID\\" + GuidText(*t[i].clsid);
            LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
            hr = (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? S_OK : HRESULT_FROM_WIN32(rc);
        }
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return zrf::ComGuard([&]() -> HRESULT {
        int count = 0;
        const zrf::TZRFilterTemplate* t = zrf::FilterTemplates(&count);
        for (int i = 0; i < count; ++i) {
            if (*t[i].clsid != clsid) continue;
            auto* f = new (std::nothrow) ClassFactory(&t[i]);
            if (!f) return E_OUTOFMEMORY;
            ComPtr<IClassFactory> hold(f);
            return f->QueryInterface(iid, ppv);
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    });
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return zrf::ModuleCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT __stdcall DllRegisterServer() {
    return zrf::ComGuard([] { return RegisterAll(true); });
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    return zrf::ComGuard([] { return RegisterAll(false); });
}
