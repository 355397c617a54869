// An infinite pin tee: one input and any number of outputs. A new output appears each time the last free
// one is connected, so there is always one to connect. Every sample that reaches the input goes to every
// connected output; flushing, end of stream and new segments go to every connected output as well.
//
// Samples are passed on without a copy: each output offers the input's allocator downstream as read-only.
// An input pin downstream that refuses it gets its own buffers, and samples for it are copied.
//
// Outputs are never removed while the filter lives (a pin shares its filter's reference count, so a pin
// someone still holds must stay valid); a disconnected output simply waits to be connected again.
#pragma once
#include <memory>
#include <vector>

#include "filters/base/pins.h"

namespace zrf {

class TZRInfTee final : public TZRBaseFilter {
public:
    static HRESULT CreateInstance(REFIID iid, void** ppv);
    TZRInfTee();
    ~TZRInfTee() override;

    int GetPinCount() override;
    TZRBasePin* GetPin(int index) override;
    STDMETHODIMP Stop() override;

private:
    class TInPin;
    class TOutPin;
    friend class TInPin;
    friend class TOutPin;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& mt);
    HRESULT Receive(IMediaSample* sample);
    HRESULT EndOfStream();
    HRESULT BeginFlush();
    HRESULT EndFlush();
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    // Adds a free output when every output is connected (called when one gets connected).
    void EnsureFreeOutput();
    // The outputs connected now (the pins live as long as the filter).
    std::vector<TOutPin*> ConnectedOutputs();

    CritSec receiveLock_;
    CritSec pinsLock_;  // guards outputs_ (streaming threads walk it while the graph may add pins)
    std::unique_ptr<TInPin> input_;
    std::vector<std::unique_ptr<TOutPin>> outputs_;
};

}  // namespace zrf
