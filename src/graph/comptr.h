// The one owner of an interface reference: every COM pointer the control keeps lives in a ComPtr.
#pragma once
#include <windows.h>
#include <unknwn.h>
#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& o) noexcept { ComPtr(o).Swap(*this); return *this; }
    ComPtr& operator=(ComPtr&& o) noexcept { ComPtr(std::move(o)).Swap(*this); return *this; }
    ComPtr& operator=(std::nullptr_t) noexcept { Reset(); return *this; }

    // Adopts a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept { ComPtr r; r.p_ = p; return r; }
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    void Reset() noexcept { if (T* p = std::exchange(p_, nullptr)) p->Release(); }
    void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // Releases the held reference and gives the slot to an out-parameter.
    T** Put() noexcept { Reset(); return &p_; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    template <class U>
    HRESULT As(ComPtr<U>& out) const noexcept {
        if (!p_) { out.Reset(); return E_POINTER; }
        return p_->QueryInterface(__uuidof(U), out.PutVoid());
    }
    template <class U>
    ComPtr<U> As() const noexcept { ComPtr<U> r; As(r); return r; }

private:
    T* p_ = nullptr;
};

template <class T>
inline HRESULT CreateInstance(REFCLSID clsid, ComPtr<T>& out, DWORD ctx = CLSCTX_INPROC_SERVER) noexcept {
    return CoCreateInstance(clsid, nullptr, ctx, __uuidof(T), out.PutVoid());
}
