#include "info/boundedcall.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>

namespace {

std::atomic<uint32_t> gAbandoned{0};
std::atomic<uint32_t> gProbeTimeout{kProbeTimeoutMs};

// Owns one reference on the state and one on the module; releases the module as the thread's last act.
struct ThreadStart {
    std::shared_ptr<void> state;
    std::function<void()>* work = nullptr;
    HANDLE done = nullptr;
    HMODULE module = nullptr;
};

DWORD WINAPI ProbeThread(void* param) {
    HMODULE module = nullptr;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
        module = start->module;
        const HRESULT co = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        try {
            (*start->work)();
        } catch (...) {
        }
        if (SUCCEEDED(co)) CoUninitialize();
        SetEvent(start->done);
    }
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
}

bool InSingleThreadedApartment() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

// Waits for h until timeoutMs after startTick, answering other threads meanwhile (see TZRProbe).
bool WaitAnswering(HANDLE h, DWORD startTick, DWORD timeoutMs) {
    auto remaining = [&]() -> DWORD {
        const DWORD elapsed = GetTickCount() - startTick;
        return elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
    };
    if (InSingleThreadedApartment()) {
        DWORD index = 0;
        const HRESULT hr = CoWaitForMultipleHandles(0, remaining(), 1, &h, &index);
        if (hr == S_OK) return true;
        if (hr == RPC_S_CALLPENDING) return false;
        // Any other failure: wait below.
    }
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &h, remaining(), QS_SENDMESSAGE, 0);
        if (r == WAIT_OBJECT_0) return true;
        if (r == WAIT_OBJECT_0 + 1) {
            // Delivers the messages sent from other threads; posted ones stay queued for the caller's loop.
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (r == WAIT_TIMEOUT) return false;
        return WaitForSingleObject(h, remaining()) == WAIT_OBJECT_0;
    }
}

}  // namespace

struct TZRProbe::State {
    std::function<void()> work;
    HANDLE done = nullptr;
    ~State() {
        if (done) CloseHandle(done);
    }
};

uint32_t ProbeTimeout() { return gProbeTimeout.load(); }
void SetProbeTimeout(uint32_t ms) { gProbeTimeout = ms; }

TZRProbe::TZRProbe(std::function<void()> work) {
    FStartTick = GetTickCount();
    try {
        auto state = std::make_shared<State>();
        state->work = std::move(work);
        state->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!state->done) return;
        auto start = std::make_unique<ThreadStart>();
        start->state = state;
        start->work = &state->work;
        start->done = state->done;
        // The thread runs this module's code: the module stays loaded until the thread ends.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ProbeThread),
                           &start->module);
        HANDLE thread = CreateThread(nullptr, 0, ProbeThread, start.get(), 0, nullptr);
        if (!thread) {
            if (start->module) FreeLibrary(start->module);
            return;
        }
        start.release();  // the thread owns it now
        FThread = thread;
        FState = std::move(state);
    } catch (...) {
    }
}

TZRProbe::~TZRProbe() {
    if (!FThread) return;
    if (!FGivenUp && WaitForSingleObject(FState->done, 0) != WAIT_OBJECT_0) ++gAbandoned;
    CloseHandle(FThread);
}

bool TZRProbe::Wait(uint32_t timeoutMs) {
    if (!FThread) return false;
    if (FGivenUp) return WaitForSingleObject(FState->done, 0) == WAIT_OBJECT_0;
    if (!WaitAnswering(FState->done, FStartTick, timeoutMs)) {
        FGivenUp = true;
        ++gAbandoned;
        return false;
    }
    // The thread only releases what it holds once the work is done.
    WaitForSingleObject(FThread, INFINITE);
    return true;
}

bool RunBounded(std::function<void()> work, uint32_t timeoutMs) {
    try {
        TZRProbe probe(std::move(work));
        return probe.Wait(timeoutMs);
    } catch (...) {
        return false;
    }
}

uint32_t AbandonedProbes() { return gAbandoned.load(); }
