// Platform probes that may never return. Wine's GStreamer-based parsers now and then stall for good on a
// malformed file (seen with a cut-short MP4): the probe then runs on a thread of its own and the caller stops
// waiting after a while.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

// How long a caller waits for one probe of a file (media detector pass, trial render).
inline constexpr uint32_t kProbeTimeoutMs = 15000;

// The bound the media information reader gives each of its probes: kProbeTimeoutMs unless a program of our own
// (a test) changes it for the whole process.
uint32_t ProbeTimeout();
void SetProbeTimeout(uint32_t ms);

// One probe: work started on a new thread, in a multithreaded COM apartment of its own, at construction.
// Work must own everything it touches (capture by value or shared_ptr): a probe given up on is left to end
// (or not) on its own thread, which keeps the module holding this code loaded until it ends. An exception
// from work ends it quietly.
//
// While the caller waits it keeps answering what other threads ask of it: in a single-threaded apartment
// the COM modal loop runs (incoming COM calls, messages sent from other threads, paint), elsewhere messages
// sent from other threads are delivered. Work that sends a message to a window of the waiting thread, or
// calls an object living in its apartment, therefore completes. Such a call may reach the caller's own
// object again (re-entrancy): callers make sure that is safe.
class TZRProbe {
public:
    explicit TZRProbe(std::function<void()> work);
    ~TZRProbe();  // a probe still running is given up
    TZRProbe(const TZRProbe&) = delete;
    TZRProbe& operator=(const TZRProbe&) = delete;

    // True when work has finished, waiting for it until timeoutMs after the probe started. False when it is
    // still running then (it is given up and counted once) or could not be started.
    bool Wait(uint32_t timeoutMs = kProbeTimeoutMs);

private:
    struct State;
    std::shared_ptr<State> FState;
    void* FThread = nullptr;
    uint32_t FStartTick = 0;
    bool FGivenUp = false;
};

// Runs work as one probe and waits for it (TZRProbe). True when it finished in time.
bool RunBounded(std::function<void()> work, uint32_t timeoutMs = kProbeTimeoutMs);

// Probes given up on so far in this process. Such a probe may still sit inside the platform; a process that
// ends while one does can crash in the platform's own clean-up, so a program may prefer to end without it
// (TerminateProcess) when this is not 0.
uint32_t AbandonedProbes();
