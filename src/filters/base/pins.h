// Push-mode pins: an input pin with IMemInputPin and an output pin that negotiates an allocator with
// the input pin it connects to and delivers samples, end of stream, flushes and segments downstream.
#pragma once
#include <atomic>

#include "filters/base/filter.h"

namespace zrf {

class TZRInputPin : public TZRBasePin, public IMemInputPin {
public:
    TZRInputPin(TZRBaseFilter* filter, const wchar_t* name);

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return TZRBasePin::QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return TZRBasePin::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TZRBasePin::Release(); }

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    // IPin streaming calls: the base versions keep the flushing and end-of-stream flags; derived pins
    // call them first and then pass the call on.
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    // The work on one sample, after Receive checked the state (derived pins override this, not Receive).
    virtual HRESULT OnReceive(IMediaSample* sample) = 0;

    HRESULT Active() override;
    HRESULT Inactive() override;
    void BreakConnect() override;

    bool IsFlushing() const { return flushing_; }
    bool AtEndOfStream() const { return eos_; }
    bool ReadOnly() const { return readOnly_; }
    ComPtr<IMemAllocator> Allocator();

protected:
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv) override;
    // S_OK when samples may be received now; otherwise the result Receive gives.
    HRESULT CheckStreaming();

    CritSec allocLock_;
    ComPtr<IMemAllocator> allocator_;
    bool readOnly_ = false;
    std::atomic<bool> flushing_{false};
    std::atomic<bool> eos_{false};
    std::atomic<bool> running_{false};
};

class TZROutputPin : public TZRBasePin {
public:
    TZROutputPin(TZRBaseFilter* filter, const wchar_t* name);

    // Sets the buffer count and size on the allocator (props holds the input pin's requirements).
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
    // The input pin's allocator when it has one and DecideBufferSize succeeds on it, else our own.
    virtual HRESULT DecideAllocator(IMemInputPin* input, ComPtr<IMemAllocator>& out);

    HRESULT CheckConnect(IPin* peer) override;
    HRESULT CompleteConnect(IPin* peer) override;
    void BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    // Whether the input pin downstream may block in Receive (S_OK) or not (S_FALSE).
    HRESULT DownstreamCanBlock();

    ComPtr<IMemAllocator> Allocator() const { return allocator_; }

protected:
    ComPtr<IMemInputPin> input_;
    ComPtr<IMemAllocator> allocator_;
};

}  // namespace zrf
