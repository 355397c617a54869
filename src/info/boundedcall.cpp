#include "info/boundedcall.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <memory>

namespace {

std::atomic<uint32_t> gAbandoned{0};

struct ProbeState {
    std::function<void()> work;
    HANDLE done = nullptr;
    ~ProbeState() {
        if (done) CloseHandle(done);
    }
};

// Owns one reference on the state and one on the module; releases the module as the thread's last act.
struct ThreadStart {
    std::shared_ptr<ProbeState> state;
    HMODULE module = nullptr;
};

DWORD WINAPI ProbeThread(void* param) {
    HMODULE module = nullptr;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
        module = start->module;
        const HRESULT co = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        try {
            start->state->work();
        } catch (...) {
        }
        if (SUCCEEDED(co)) CoUninitialize();
        SetEvent(start->state->done);
    }
    if (module) FreeLibraryAndExitThread(module, 0);
    return 0;
}

}  // namespace

bool RunBounded(std::function<void()> work, uint32_t timeoutMs) {
    try {
        auto state = std::make_shared<ProbeState>();
        state->work = std::move(work);
        state->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!state->done) return false;
        auto start = std::make_unique<ThreadStart>();
        start->state = state;
        // The thread runs this module's code: the module stays loaded until the thread ends.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ProbeThread),
                           &start->module);
        HANDLE thread = CreateThread(nullptr, 0, ProbeThread, start.get(), 0, nullptr);
        if (!thread) {
            if (start->module) FreeLibrary(start->module);
            return false;
        }
        start.release();  // the thread owns it now
        const bool finished = WaitForSingleObject(state->done, timeoutMs) == WAIT_OBJECT_0;
        if (finished) WaitForSingleObject(thread, INFINITE);  // it only releases what it holds
        else ++gAbandoned;
        CloseHandle(thread);
        return finished;
    } catch (...) {
        return false;
    }
}

uint32_t AbandonedProbes() { return gAbandoned.load(); }
