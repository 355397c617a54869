// The control's connection points. A point lives inside the control and shares its reference count. The
// events point takes one sink at a time; the property-notification point takes any number.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <vector>

#include "graph/comptr.h"

class TZRConnectionPoint final : public IConnectionPoint {
public:
    // container: the control (its reference count is used); iid: the outgoing interface; single: one sink only.
    TZRConnectionPoint(IConnectionPointContainer* container, REFIID iid, bool single);
    ~TZRConnectionPoint();
    TZRConnectionPoint(const TZRConnectionPoint&) = delete;
    TZRConnectionPoint& operator=(const TZRConnectionPoint&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

    // The connected sinks, each as the point's interface (IDispatch for the events point). Safe on any thread.
    std::vector<ComPtr<IUnknown>> Sinks() const;
    ComPtr<IUnknown> FirstSink() const;
    // Drops every connection (the control is going away).
    void Clear();

private:
    struct Connection {
        DWORD cookie;
        ComPtr<IUnknown> sink;
    };
    IConnectionPointContainer* container_;  // not counted: the point is part of it
    IID iid_;
    bool single_;
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<Connection> connections_;
    DWORD nextCookie_ = 1;
};

// Enumerates the control's connection points (each counted through the control).
HRESULT CreateConnectionPointEnum(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** out);
