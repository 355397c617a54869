// Platform probes that may never return. Wine's GStreamer-based parsers now and then stall for good on a
// malformed file (seen with a cut-short MP4): the probe then runs on a thread of its own and the caller stops
// waiting after a while.
#pragma once
#include <cstdint>
#include <functional>

// How long a caller waits for one probe of a file (media detector pass, trial render).
inline constexpr uint32_t kProbeTimeoutMs = 15000;

// Runs work on a new thread, in a multithreaded COM apartment of its own, and waits up to timeoutMs for it.
// True when it finished in time. False when it is still running: it is left to end (or not) on its own
// thread, so work must own everything it touches (capture by value or shared_ptr). The thread keeps the
// module that holds this code loaded until it ends. An exception from work ends it quietly.
bool RunBounded(std::function<void()> work, uint32_t timeoutMs = kProbeTimeoutMs);

// Probes given up on so far in this process. Such a probe may still sit inside the platform; a process that
// ends while one does can crash in the platform's own clean-up, so a program may prefer to end without it
// (TerminateProcess) when this is not 0.
uint32_t AbandonedProbes();
