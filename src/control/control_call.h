// The member-call machinery of TTxZRMediaPlayer and the conversions at the COM boundary. Included only by the
// control's own sources.
#pragma once
#include <cstdint>
#include <cwchar>
#include <string>

#include "control/comerror.h"
#include "control/control.h"
#include "control/control_texts.h"

namespace zrconv {

// BOOL: true when the 16-bit value is not 0; true goes out as -1.
inline bool InBool(VARIANT_BOOL v) { return v != 0; }
inline VARIANT_BOOL OutBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

// Enumerations: the low 8 bits of the 32-bit value, without a range check; zero-extended going out.
template <class E>
E InEnum(LONG v) {
    return static_cast<E>(static_cast<uint8_t>(static_cast<uint32_t>(v) & 0xFFu));
}
template <class E>
LONG OutEnum(E e) {
    return static_cast<LONG>(static_cast<uint8_t>(e));
}

// BSTR [in]: used for the call only. A null BSTR is the empty text. A text with a null character in it is
// refused: the player would see only the part before it (a file name cut short names another file).
inline std::wstring InText(BSTR b) {
    if (!b) return {};
    const UINT n = SysStringLen(b);
    if (n && std::wmemchr(b, L'\0', n)) ThrowComError(E_INVALIDARG, ZRControlText::kEmbeddedNull);
    return std::wstring(b, n);
}

// BSTR [out, retval]: a new string the caller frees.
inline BSTR OutText(const std::wstring& s) {
    BSTR b = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    if (!b) ThrowComError(E_OUTOFMEMORY, ZRControlText::kOutOfMemory);
    return b;
}

// Handles typed UI4 or I4: the 32 bits as they are.
template <class H>
H InHandle(uint32_t v) {
    return reinterpret_cast<H>(static_cast<uintptr_t>(v));
}

}  // namespace zrconv

template <class F>
HRESULT TTxZRMediaPlayer::Member(F&& f) {
    if (!OnOwnerThread()) return SetControlErrorInfo(RPC_E_WRONG_THREAD, ZRControlText::kWrongThread);
    if (!FPlayer || FClosing) return SetControlErrorInfo(E_UNEXPECTED, ZRControlText::kNoPlayer);
    ++FCallDepth;
    HRESULT hr = ComGuard(f);
    --FCallDepth;
    return hr;
}

template <class T, class F>
HRESULT TTxZRMediaPlayer::Get(T* out, F&& f) {
    if (!out) return E_POINTER;
    *out = T{};
    return Member([&] { *out = f(); });
}

template <class F>
HRESULT TTxZRMediaPlayer::GetText(BSTR* out, F&& f) {
    if (!out) return E_POINTER;
    *out = nullptr;  // stays null when the call fails
    return Member([&] { *out = zrconv::OutText(f()); });
}

template <class F>
HRESULT TTxZRMediaPlayer::Put(DISPID dispid, F&& f) {
    HRESULT hr = Member(f);
    if (SUCCEEDED(hr)) PropertyChanged(dispid);
    return hr;
}

template <class F>
HRESULT TTxZRMediaPlayer::Refused(F&& f) {
    if (FSafety & INTERFACESAFE_FOR_UNTRUSTED_CALLER)
        return SetControlErrorInfo(E_ACCESSDENIED, ZRControlText::kUntrustedCaller);
    return Member(f);
}
