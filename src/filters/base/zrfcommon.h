// Shared pieces of the filter base classes: locks, the module object count, handing out interface
// references, and the guard that keeps C++ exceptions inside a COM method.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <new>
#include <utility>

#include "graph/comptr.h"

namespace zrf {

// A recursive lock (one CRITICAL_SECTION).
class CritSec {
public:
    CritSec() { InitializeCriticalSection(&cs_); }
    ~CritSec() { DeleteCriticalSection(&cs_); }
    CritSec(const CritSec&) = delete;
    CritSec& operator=(const CritSec&) = delete;
    void Lock() { EnterCriticalSection(&cs_); }
    void Unlock() { LeaveCriticalSection(&cs_); }
    CRITICAL_SECTION* Native() { return &cs_; }

private:
    CRITICAL_SECTION cs_;
};

class AutoLock {
public:
    explicit AutoLock(CritSec& cs) : cs_(cs) { cs_.Lock(); }
    ~AutoLock() { cs_.Unlock(); }
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    CritSec& cs_;
};

// Condition variable used with a CritSec.
class CondVar {
public:
    CondVar() { InitializeConditionVariable(&cv_); }
    // false on timeout.
    bool Wait(CritSec& cs, DWORD ms) { return SleepConditionVariableCS(&cv_, cs.Native(), ms) != 0; }
    void NotifyAll() { WakeAllConditionVariable(&cv_); }

private:
    CONDITION_VARIABLE cv_;
};

// Live objects and server locks of the module that holds these classes (DllCanUnloadNow).
void ModuleAddRef();
void ModuleRelease();
LONG ModuleCount();

// Gives the caller a new reference on p through an out-parameter.
template <class T>
inline HRESULT HandOut(T* p, void** out) {
    if (!out) return E_POINTER;
    *out = ComPtr<T>(p).Detach();
    return S_OK;
}
template <class T>
inline HRESULT HandOut(T* p, T** out) {
    if (!out) return E_POINTER;
    *out = ComPtr<T>(p).Detach();
    return S_OK;
}

// Runs f and turns any C++ exception into an HRESULT.
template <class F>
inline HRESULT ComGuard(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Byte positions in IAsyncReader sample times are counted in these units.
constexpr LONGLONG kUnits = 10000000;

}  // namespace zrf
