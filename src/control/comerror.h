// Failures at the COM boundary: a failure carries an HRESULT and a description; the member that catches it
// returns the HRESULT and leaves error information for the caller with the control's ProgID as source.
#pragma once
#include <windows.h>
#include <string>

struct ZRComError {
    HRESULT hr;
    std::wstring text;
};

[[noreturn]] void ThrowComError(HRESULT hr, const wchar_t* text);

// Sets the calling thread's error information (source: the ProgID, interface: ITxZRMediaPlayer) and returns hr.
HRESULT SetControlErrorInfo(HRESULT hr, const wchar_t* text) noexcept;

// Maps the exception being handled to an HRESULT with error information. Call only inside a catch block.
HRESULT HandleCurrentException() noexcept;

// Runs f; a failure escaping it becomes a failing HRESULT with error information.
template <class F>
HRESULT ComGuard(F&& f) noexcept {
    try {
        f();
        return S_OK;
    } catch (...) {
        return HandleCurrentException();
    }
}
