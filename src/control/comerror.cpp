#include "control/comerror.h"

#include <exception>
#include <new>

#include "control/control_texts.h"
#include "control/zrax.h"
#include "graph/comptr.h"

void ThrowComError(HRESULT hr, const wchar_t* text) { throw ZRComError{hr, text}; }

HRESULT SetControlErrorInfo(HRESULT hr, const wchar_t* text) noexcept {
    try {
        ComPtr<ICreateErrorInfo> create;
        if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
            create->SetGUID(IID_ITxZRMediaPlayer);
            create->SetSource(const_cast<LPOLESTR>(ZRControlText::kProgID));
            create->SetDescription(const_cast<LPOLESTR>(text ? text : L""));
            ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
            if (info) SetErrorInfo(0, info.Get());
        }
    } catch (...) {
    }
    return hr;
}

namespace {
std::wstring Widen(const char* s) {
    std::wstring r;
    if (!s) return r;
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    if (n > 1) {
        r.resize(static_cast<size_t>(n - 1));
        MultiByteToWideChar(CP_UTF8, 0, s, -1, r.data(), n);
    }
    return r;
}
}  // namespace

HRESULT HandleCurrentException() noexcept {
    try {
        throw;
    } catch (const ZRComError& e) {
        // A system failure keeps its own code; anything else is reported as unexpected.
        return SetControlErrorInfo(FAILED(e.hr) ? e.hr : E_UNEXPECTED, e.text.c_str());
    } catch (const std::bad_alloc&) {
        return SetControlErrorInfo(E_OUTOFMEMORY, ZRControlText::kOutOfMemory);
    } catch (const std::exception& e) {
        std::wstring text;
        try { text = Widen(e.what()); } catch (...) {}
        return SetControlErrorInfo(E_UNEXPECTED, text.empty() ? ZRControlText::kUnexpected : text.c_str());
    } catch (...) {
        return SetControlErrorInfo(E_UNEXPECTED, ZRControlText::kUnexpected);
    }
}
