// An event hook: a plain callback with a context pointer. An unassigned hook is skipped.
#pragma once

template <class... A>
struct Hook {
    using Fn = void (*)(void* ctx, A... args);
    Fn fn = nullptr;
    void* ctx = nullptr;

    void Set(Fn f, void* c) { fn = f; ctx = c; }
    void Reset() { fn = nullptr; ctx = nullptr; }
    explicit operator bool() const { return fn != nullptr; }
    void operator()(A... args) const { if (fn) fn(ctx, args...); }
};

struct IUnknown;
// OnError(ErrorText) and OnFilterAdded(Name, Intf): the two hooks the graph wrappers carry.
using ErrorHook = Hook<const wchar_t*>;
using FilterHook = Hook<const wchar_t*, IUnknown*>;
