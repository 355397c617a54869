#include "control/connpoints.h"

#include <atomic>

#include "control/module.h"
#include "control/zrax.h"

namespace {

class SharedLock {
public:
    explicit SharedLock(SRWLOCK& l, bool exclusive) : l_(l), ex_(exclusive) {
        if (ex_) AcquireSRWLockExclusive(&l_);
        else AcquireSRWLockShared(&l_);
    }
    ~SharedLock() {
        if (ex_) ReleaseSRWLockExclusive(&l_);
        else ReleaseSRWLockShared(&l_);
    }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    SRWLOCK& l_;
    bool ex_;
};

// A snapshot enumerator over CONNECTDATA.
class TEnumConnections final : public IEnumConnections {
public:
    explicit TEnumConnections(std::vector<CONNECTDATA> items) : items_(std::move(items)) {
        for (auto& c : items_) holds_.emplace_back(c.pUnk);
        zrmodule::ObjectCreated();  // a host may keep it after the control is gone
    }
    ~TEnumConnections() { zrmodule::ObjectDestroyed(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IEnumConnections) return E_NOINTERFACE;
        *ppv = static_cast<IEnumConnections*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, CONNECTDATA* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < items_.size()) {
            out[n].dwCookie = items_[pos_].dwCookie;
            out[n].pUnk = ComPtr<IUnknown>(items_[pos_].pUnk).Detach();
            ++pos_;
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        size_t left = items_.size() - pos_;
        if (count > left) {
            pos_ = items_.size();
            return S_FALSE;
        }
        pos_ += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            auto* e = new TEnumConnections(items_);
            e->pos_ = pos_;
            *out = e;
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    std::atomic<ULONG> refs_{1};
    std::vector<CONNECTDATA> items_;    // raw pointers, each kept alive by holds_
    std::vector<ComPtr<IUnknown>> holds_;
    size_t pos_ = 0;
};

class TEnumConnectionPoints final : public IEnumConnectionPoints {
public:
    explicit TEnumConnectionPoints(const std::vector<IConnectionPoint*>& items) {
        for (auto* p : items) items_.emplace_back(p);
        zrmodule::ObjectCreated();
    }
    ~TEnumConnectionPoints() { zrmodule::ObjectDestroyed(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IEnumConnectionPoints) return E_NOINTERFACE;
        *ppv = static_cast<IEnumConnectionPoints*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < items_.size()) out[n++] = ComPtr<IConnectionPoint>(items_[pos_++]).Detach();
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        size_t left = items_.size() - pos_;
        if (count > left) {
            pos_ = items_.size();
            return S_FALSE;
        }
        pos_ += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            std::vector<IConnectionPoint*> raw;
            for (auto& p : items_) raw.push_back(p.Get());
            auto* e = new TEnumConnectionPoints(raw);
            e->pos_ = pos_;
            *out = e;
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    std::atomic<ULONG> refs_{1};
    std::vector<ComPtr<IConnectionPoint>> items_;
    size_t pos_ = 0;
};

}  // namespace

TZRConnectionPoint::TZRConnectionPoint(IConnectionPointContainer* container, REFIID iid, bool single)
    : container_(container), iid_(iid), single_(single) {}

TZRConnectionPoint::~TZRConnectionPoint() { Clear(); }

HRESULT TZRConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG TZRConnectionPoint::AddRef() { return container_->AddRef(); }
ULONG TZRConnectionPoint::Release() { return container_->Release(); }

HRESULT TZRConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (!pIID) return E_POINTER;
    *pIID = iid_;
    return S_OK;
}

HRESULT TZRConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (!ppCPC) return E_POINTER;
    *ppCPC = ComPtr<IConnectionPointContainer>(container_).Detach();
    return S_OK;
}

HRESULT TZRConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (pdwCookie) *pdwCookie = 0;
    if (!pUnkSink || !pdwCookie) return E_POINTER;
    try {
        ComPtr<IUnknown> sink;
        if (FAILED(pUnkSink->QueryInterface(iid_, sink.PutVoid()))) {
            // An events sink that answers only IDispatch is taken too: scripting hosts build such sinks.
            if (iid_ == IID_IPropertyNotifySink || FAILED(pUnkSink->QueryInterface(IID_IDispatch, sink.PutVoid())))
                return CONNECT_E_CANNOTCONNECT;
        }
        SharedLock guard(lock_, true);
        if (single_ && !connections_.empty()) return CONNECT_E_CANNOTCONNECT;
        DWORD cookie = nextCookie_++;
        if (nextCookie_ == 0) nextCookie_ = 1;
        connections_.push_back({cookie, std::move(sink)});
        *pdwCookie = cookie;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TZRConnectionPoint::Unadvise(DWORD dwCookie) {
    ComPtr<IUnknown> dropped;  // released after the lock is let go: the sink's Release may call back
    {
        SharedLock guard(lock_, true);
        for (auto it = connections_.begin(); it != connections_.end(); ++it) {
            if (it->cookie == dwCookie) {
                dropped = std::move(it->sink);
                connections_.erase(it);
                break;
            }
        }
    }
    return dropped ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT TZRConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    try {
        std::vector<CONNECTDATA> items;
        {
            SharedLock guard(lock_, false);
            for (auto& c : connections_) items.push_back({c.sink.Get(), c.cookie});
            // The enumerator takes its own references before the lock is let go.
            *ppEnum = new TEnumConnections(std::move(items));
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

std::vector<ComPtr<IUnknown>> TZRConnectionPoint::Sinks() const {
    std::vector<ComPtr<IUnknown>> r;
    SharedLock guard(lock_, false);
    r.reserve(connections_.size());
    for (auto& c : connections_) r.push_back(c.sink);
    return r;
}

ComPtr<IUnknown> TZRConnectionPoint::FirstSink() const {
    SharedLock guard(lock_, false);
    return connections_.empty() ? ComPtr<IUnknown>() : connections_.front().sink;
}

void TZRConnectionPoint::Clear() {
    std::vector<Connection> dropped;
    {
        SharedLock guard(lock_, true);
        dropped.swap(connections_);
    }
}

HRESULT CreateConnectionPointEnum(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        *out = new TEnumConnectionPoints(points);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
