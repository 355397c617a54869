#include "control/classfactory.h"

#include "control/control.h"
#include "control/module.h"

namespace {

// Counts as a server lock while a host holds it.
class TZRClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        zrmodule::Lock(true);
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        zrmodule::Lock(false);
        return 1;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        return TTxZRMediaPlayer::CreateInstance(outer, riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        zrmodule::Lock(lock != FALSE);
        return S_OK;
    }
};

TZRClassFactory g_factory;

}  // namespace

HRESULT GetControlClassFactory(REFIID riid, void** ppv) { return g_factory.QueryInterface(riid, ppv); }
