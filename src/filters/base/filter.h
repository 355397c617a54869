// The filter and pin base classes.
//
// TZRBaseFilter implements IBaseFilter (with IMediaFilter and IPersist): state changes, the reference
// clock, graph membership, pin enumeration and event notification. A derived filter owns its pins
// (usually as members) and lists them through GetPinCount / GetPin.
//
// TZRBasePin implements IPin: connection with media-type negotiation (the output side proposes, the
// input side accepts), disconnection, the connection type, pin information and media-type
// enumeration. Pins share the reference count of their filter, so a pin reference keeps the filter
// alive. Derived pins supply CheckMediaType and GetMediaType and may hook the connection steps.
//
// Locking: the filter lock guards state changes and connections. Streaming calls (Receive,
// EndOfStream, flushing) never take it; filters that stream take their own receive lock.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <string>

#include "filters/base/mediatype.h"
#include "filters/base/zrfcommon.h"

namespace zrf {

class TZRBasePin;

class TZRBaseFilter : public IBaseFilter {
public:
    TZRBaseFilter(const CLSID& clsid, const wchar_t* name);
    virtual ~TZRBaseFilter();
    TZRBaseFilter(const TZRBaseFilter&) = delete;
    TZRBaseFilter& operator=(const TZRBaseFilter&) = delete;

    // IUnknown: derived filters add their interfaces in NonDelegatingQueryInterface.
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPersist
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD ms, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

    virtual int GetPinCount() = 0;
    virtual TZRBasePin* GetPin(int index) = 0;

    // Sends an event to the graph's event sink (when the filter is in a graph).
    HRESULT NotifyEvent(long code, LONG_PTR p1, LONG_PTR p2);
    FILTER_STATE State() const { return state_; }
    bool IsStopped() const { return state_ == State_Stopped; }
    CritSec& FilterLock() { return filterLock_; }
    // Bumped when pins come or go (IEnumPins notices and reports VFW_E_ENUM_OUT_OF_SYNC).
    void PinsChanged() { ++pinVersion_; }
    LONG PinVersion() const { return pinVersion_; }
    REFERENCE_TIME StartTime() const { return start_; }
    // The clock set by the graph; nil when the graph runs without one.
    ComPtr<IReferenceClock> Clock();

protected:
    virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv);

    CritSec filterLock_;
    std::atomic<FILTER_STATE> state_{State_Stopped};  // written under the filter lock, read by streaming threads
    REFERENCE_TIME start_ = 0;
    // The graph does not hold a reference on itself through its filters: the pointer is kept without one,
    // as the filter graph contract requires, and is valid from JoinFilterGraph until it is called with nil.
    IFilterGraph* graph_ = nullptr;
    std::wstring name_;

private:
    CLSID clsid_;
    std::atomic<LONG> refs_{0};
    std::atomic<LONG> pinVersion_{1};
    ComPtr<IReferenceClock> clock_;
};

class TZRBasePin : public IPin {
public:
    TZRBasePin(TZRBaseFilter* filter, const wchar_t* name, PIN_DIRECTION dir);
    virtual ~TZRBasePin();
    TZRBasePin(const TZRBasePin&) = delete;
    TZRBasePin& operator=(const TZRBasePin&) = delete;

    // IUnknown (counted on the filter)
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // Whether this pin accepts mt (S_OK) or not (any failure, normally VFW_E_TYPE_NOT_ACCEPTED).
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
    // The index-th preferred type: S_OK, or VFW_S_NO_MORE_ITEMS past the last.
    virtual HRESULT GetMediaType(int index, MediaType& mt);
    // Steps of a connection; on a failure after SetMediaType the connection is undone with BreakConnect.
    virtual HRESULT CheckConnect(IPin* peer);
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& mt);
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual void BreakConnect();
    // Called by the filter when it leaves / enters the stopped state (connected pins only).
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }

    bool IsConnected() const { return static_cast<bool>(connected_); }
    IPin* Peer() const { return connected_.Get(); }
    const MediaType& CurrentMediaType() const { return mt_; }
    const std::wstring& Name() const { return name_; }
    PIN_DIRECTION Direction() const { return dir_; }
    TZRBaseFilter* Filter() const { return filter_; }
    // Bumped when the list of preferred types changes (IEnumMediaTypes notices).
    void TypesChanged() { ++typeVersion_; }
    LONG TypeVersion() const { return typeVersion_; }
    REFERENCE_TIME SegmentStart() const { return segStart_; }
    REFERENCE_TIME SegmentStop() const { return segStop_; }
    double SegmentRate() const { return segRate_; }

protected:
    virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv);
    // Tries one complete type with receivePin (output side).
    HRESULT TryConnect(IPin* receivePin, const AM_MEDIA_TYPE& mt);
    // Tries each type an enumerator offers that matches the partial type.
    HRESULT TryTypesOf(IPin* receivePin, IPin* offering, const AM_MEDIA_TYPE* partial);

    TZRBaseFilter* filter_;
    std::wstring name_;
    PIN_DIRECTION dir_;
    ComPtr<IPin> connected_;
    MediaType mt_;
    std::atomic<LONG> typeVersion_{1};
    REFERENCE_TIME segStart_ = 0, segStop_ = 0;
    double segRate_ = 1.0;
};

}  // namespace zrf
