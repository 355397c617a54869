// The 22 player events the control raises to its sink, each as IDispatch::Invoke with DISPATCH_METHOD, the
// event's dispatch identifier and positional arguments of fixed VARIANT types.
#include <cstdint>

#include "control/control_call.h"
#include "player/player.h"

namespace {

VARIANT I4(int32_t v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
}
VARIANT I2(int16_t v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I2;
    r.iVal = v;
    return r;
}
VARIANT Bool(bool v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BOOL;
    r.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}

// A BSTR argument made from the player's text; freed after the call.
class TextArg {
public:
    explicit TextArg(const wchar_t* text) : b_(SysAllocString(text ? text : L"")) {}
    ~TextArg() { SysFreeString(b_); }
    TextArg(const TextArg&) = delete;
    TextArg& operator=(const TextArg&) = delete;
    bool ok() const { return b_ != nullptr; }
    VARIANT Arg() const {
        VARIANT r;
        VariantInit(&r);
        r.vt = VT_BSTR;
        r.bstrVal = b_;
        return r;
    }

private:
    BSTR b_;
};

// The 32 bits of a handle, as the host sees them.
int32_t HandleBits(HBITMAP h) { return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h))); }

}  // namespace

void TTxZRMediaPlayer::Fire(DISPID dispid, VARIANT* argsInOrder, UINT count, bool tail) {
    if (FClosing) return;
    if (HoldOrDrop(dispid, argsInOrder, count)) return;
    Send(dispid, argsInOrder, count, tail);
}

void TTxZRMediaPlayer::Send(DISPID dispid, VARIANT* argsInOrder, UINT count, bool tail) {
    if (FClosing) return;
    if (!TryAddRef()) return;  // the object is going away
    const bool owner = OnOwnerThread();
    const bool savedTail = FTailEvent;
    if (owner) {
        ++FEventDepth;
        FTailEvent = tail;
    }
    {
        // The control stays alive through the call even if the host lets it go inside its handler; a last
        // release here is carried out later from the message loop.
        auto self = ComPtr<ITxZRMediaPlayer>::Attach(static_cast<ITxZRMediaPlayer*>(this));
        ComPtr<IUnknown> sink = FEventsPoint.FirstSink();
        if (sink) {
            // DISPPARAMS holds the arguments last to first.
            VARIANT reversed[16];
            for (UINT i = 0; i < count && i < 16; ++i) reversed[i] = argsInOrder[count - 1 - i];
            DISPPARAMS params = {count ? reversed : nullptr, nullptr, count, 0};
            // The sink's result, failure or exception information is not looked at.
            static_cast<IDispatch*>(sink.Get())->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                        &params, nullptr, nullptr, nullptr);
        }
    }
    if (owner) {
        FTailEvent = savedTail;
        --FEventDepth;
    }
}

// --- events while the container has them frozen
//
// A container freezes events while it cannot handle them (VB6 and Access while they load a form). Events that
// report a change of state the host keeps track of (start, stop, errors, DVD title, chapter and domain) are
// held, the latest kHeldEvents of them, and delivered in the order they were raised from the message loop once
// the last freeze is lifted; a host that loads a form while a clip ends still learns that it stopped. The
// others are dropped: input describes what a user did at a moment the form could not answer (replayed later
// it would act on stale positions), a frame's bitmap handle is valid only during its event, a motion level is
// a snapshot, and the parental-level request needs its answer at once (not asked, the player's own decision
// stands, as with no sink). Events raised while no sink is connected are lost, frozen or not.

namespace {
constexpr size_t kHeldEvents = 64;

bool HeldWhileFrozen(DISPID dispid) {
    switch (dispid) {
    case zrevent::OnStart:
    case zrevent::OnStop:
    case zrevent::OnError:
    case zrevent::OnDVDPlaybackError:
    case zrevent::OnDVDDomainChanged:
    case zrevent::OnDVDTitleChanged:
    case zrevent::OnDVDChapterChanged:
        return true;
    default:
        return false;
    }
}
}  // namespace

TTxZRMediaPlayer::THeldEvent::~THeldEvent() {
    for (auto& a : args) VariantClear(&a);
}

bool TTxZRMediaPlayer::HoldOrDrop(DISPID dispid, VARIANT* argsInOrder, UINT count) {
    const bool frozen = FFreezeCount.load() > 0;
    AcquireSRWLockShared(&FHeldLock);
    const bool waiting = !FHeld.empty();
    ReleaseSRWLockShared(&FHeldLock);
    if (!frozen && !waiting) return false;
    // Unfrozen while held events still wait for the message loop: the dropped kinds go out at once, the held
    // kinds queue behind the waiting ones to keep their order.
    if (!HeldWhileFrozen(dispid)) return frozen;
    if (!FEventsPoint.FirstSink()) return true;
    THeldEvent e;
    e.dispid = dispid;
    e.args.resize(count);
    for (UINT i = 0; i < count; ++i) {
        VariantInit(&e.args[i]);
        if (FAILED(VariantCopy(&e.args[i], &argsInOrder[i]))) return true;  // cannot be kept: dropped
    }
    AcquireSRWLockExclusive(&FHeldLock);
    try {
        if (FHeld.size() >= kHeldEvents) FHeld.pop_front();
        FHeld.push_back(std::move(e));
    } catch (...) {
    }
    ReleaseSRWLockExclusive(&FHeldLock);
    // Unfrozen meanwhile (an event from another thread): make sure it is delivered.
    if (FFreezeCount.load() == 0 && FParking) PostMessageW(FParking, WM_ZR_DELIVER_HELD, 0, 0);
    return true;
}

void TTxZRMediaPlayer::DeliverHeld() {
    if (FClosing || !OnOwnerThread()) return;
    if (!TryAddRef()) return;  // the last reference is gone
    auto self = ComPtr<ITxZRMediaPlayer>::Attach(static_cast<ITxZRMediaPlayer*>(this));
    // A handler that freezes events again leaves the rest for the next unfreeze.
    while (!FClosing && FFreezeCount.load() == 0) {
        THeldEvent e;
        AcquireSRWLockExclusive(&FHeldLock);
        const bool empty = FHeld.empty();
        if (!empty) {
            e = std::move(FHeld.front());
            FHeld.pop_front();
        }
        ReleaseSRWLockExclusive(&FHeldLock);
        if (empty) break;
        // From the message loop the player is not in the middle of its work: calls from the handler run at once.
        Send(e.dispid, e.args.data(), static_cast<UINT>(e.args.size()), true);
    }
}

// The forwarding handlers, attached to the player's hooks with the control as context. None lets an exception
// out into the player.
struct TZREventForwarders {
    static TTxZRMediaPlayer& C(void* ctx) { return *static_cast<TTxZRMediaPlayer*>(ctx); }

    template <size_t N>
    static void Send(void* ctx, DISPID id, VARIANT (&args)[N], bool tail) {
        C(ctx).Fire(id, args, N, tail);
    }
    static void SendNone(void* ctx, DISPID id, bool tail) { C(ctx).Fire(id, nullptr, 0, tail); }

    static void DVDChapterChanged(void* ctx) {
        try { SendNone(ctx, zrevent::OnDVDChapterChanged, false); } catch (...) {}
    }
    static void DVDDomainChanged(void* ctx, TZRDVDDomain domain) {
        try {
            VARIANT a[] = {I4(static_cast<uint8_t>(domain))};
            Send(ctx, zrevent::OnDVDDomainChanged, a, false);
        } catch (...) {
        }
    }
    static void DVDParentalLevelChanged(void* ctx, bool* allow) {
        try {
            if (!allow) return;
            VARIANT_BOOL local = *allow ? VARIANT_TRUE : VARIANT_FALSE;
            VARIANT a[1];
            VariantInit(&a[0]);
            a[0].vt = VT_BOOL | VT_BYREF;
            a[0].pboolVal = &local;
            if (!C(ctx).FEventsPoint.FirstSink()) return;  // no sink: Allow stays as the player set it
            Send(ctx, zrevent::OnDVDParentalLevelChanged, a, false);
            *allow = local != 0;
        } catch (...) {
        }
    }
    static void DVDPlaybackError(void* ctx, int32_t code, const wchar_t* text) {
        try {
            TextArg t(text);
            if (!t.ok()) return;
            VARIANT a[] = {I4(code), t.Arg()};
            Send(ctx, zrevent::OnDVDPlaybackError, a, false);
        } catch (...) {
        }
    }
    static void DVDTitleChanged(void* ctx) {
        try { SendNone(ctx, zrevent::OnDVDTitleChanged, false); } catch (...) {}
    }
    static void Error(void* ctx, const wchar_t* text) {
        try {
            TextArg t(text);
            if (!t.ok()) return;
            VARIANT a[] = {t.Arg()};
            Send(ctx, zrevent::OnError, a, false);
        } catch (...) {
        }
    }
    static void Key(void* ctx, DISPID id, char key, int32_t pressedCount) {
        try {
            VARIANT a[] = {I2(static_cast<int16_t>(static_cast<uint8_t>(key))), I4(pressedCount)};
            Send(ctx, id, a, true);
        } catch (...) {
        }
    }
    static void KeyDown(void* ctx, char key, int32_t n) { Key(ctx, zrevent::OnKeyDown, key, n); }
    static void KeyUp(void* ctx, char key, int32_t n) { Key(ctx, zrevent::OnKeyUp, key, n); }
    static void Motion(void* ctx, int32_t level, const wchar_t* matrix) {
        try {
            TextArg t(matrix);
            if (!t.ok()) return;
            VARIANT a[] = {I4(level), t.Arg()};
            Send(ctx, zrevent::OnMotion, a, true);
        } catch (...) {
        }
    }
    static void MouseButton(void* ctx, DISPID id, TZRMouseButton button, int32_t x, int32_t y, bool ctrl, bool shift,
                            bool alt, bool left, bool right, bool middle) {
        try {
            VARIANT a[] = {I4(static_cast<uint8_t>(button)), I4(x), I4(y), Bool(ctrl), Bool(shift),
                           Bool(alt), Bool(left), Bool(right), Bool(middle)};
            Send(ctx, id, a, true);
        } catch (...) {
        }
    }
    static void MouseDown(void* ctx, TZRMouseButton b, int32_t x, int32_t y, bool c, bool s, bool a, bool l, bool r,
                          bool m) {
        MouseButton(ctx, zrevent::OnMouseDown, b, x, y, c, s, a, l, r, m);
    }
    static void MouseUp(void* ctx, TZRMouseButton b, int32_t x, int32_t y, bool c, bool s, bool a, bool l, bool r,
                        bool m) {
        MouseButton(ctx, zrevent::OnMouseUp, b, x, y, c, s, a, l, r, m);
    }
    static void MouseClick(void* ctx) {
        try { SendNone(ctx, zrevent::OnMouseClick, true); } catch (...) {}
    }
    static void MouseDoubleClick(void* ctx) {
        try { SendNone(ctx, zrevent::OnMouseDoubleClick, true); } catch (...) {}
    }
    static void MouseMove(void* ctx, int32_t x, int32_t y) {
        try {
            VARIANT a[] = {I4(x), I4(y)};
            Send(ctx, zrevent::OnMouseMove, a, true);
        } catch (...) {
        }
    }
    static void MouseEnter(void* ctx) {
        try { SendNone(ctx, zrevent::OnMouseEnter, true); } catch (...) {}
    }
    static void MouseLeave(void* ctx) {
        try { SendNone(ctx, zrevent::OnMouseLeave, true); } catch (...) {}
    }
    static void Wheel(void* ctx, DISPID id, int32_t x, int32_t y, bool ctrl, bool shift, bool alt, bool left,
                      bool right, bool middle, bool x1, bool x2, int32_t value) {
        try {
            VARIANT a[] = {I4(x), I4(y), Bool(ctrl), Bool(shift), Bool(alt), Bool(left),
                           Bool(right), Bool(middle), Bool(x1), Bool(x2), I4(value)};
            Send(ctx, id, a, true);
        } catch (...) {
        }
    }
    static void WheelDown(void* ctx, int32_t x, int32_t y, bool c, bool s, bool a, bool l, bool r, bool m, bool x1,
                          bool x2, int32_t v) {
        Wheel(ctx, zrevent::OnMouseWheelDown, x, y, c, s, a, l, r, m, x1, x2, v);
    }
    static void WheelUp(void* ctx, int32_t x, int32_t y, bool c, bool s, bool a, bool l, bool r, bool m, bool x1,
                        bool x2, int32_t v) {
        Wheel(ctx, zrevent::OnMouseWheelUp, x, y, c, s, a, l, r, m, x1, x2, v);
    }
    static void Start(void* ctx) {
        try { SendNone(ctx, zrevent::OnStart, false); } catch (...) {}
    }
    static void Stop(void* ctx) {
        try { SendNone(ctx, zrevent::OnStop, true); } catch (...) {}
    }
    static void VideoFrameH(void* ctx, HBITMAP frame, int32_t start, int32_t stop) {
        try {
            VARIANT a[] = {I4(HandleBits(frame)), I4(start), I4(stop)};
            Send(ctx, zrevent::OnVideoFrameH, a, false);
        } catch (...) {
        }
    }
    static void VideoFrameI(void* ctx, int32_t frame, int32_t start, int32_t stop) {
        try {
            VARIANT a[] = {I4(frame), I4(start), I4(stop)};
            Send(ctx, zrevent::OnVideoFrameI, a, false);
        } catch (...) {
        }
    }
};

void TTxZRMediaPlayer::AttachEvents() {
    using F = TZREventForwarders;
    TZRMediaPlayer& p = *FPlayer;
    void* ctx = this;
    p.OnDVDChapterChanged.Set(&F::DVDChapterChanged, ctx);
    p.OnDVDDomainChanged.Set(&F::DVDDomainChanged, ctx);
    p.OnDVDParentalLevelChanged.Set(&F::DVDParentalLevelChanged, ctx);
    p.OnDVDPlaybackError.Set(&F::DVDPlaybackError, ctx);
    p.OnDVDTitleChanged.Set(&F::DVDTitleChanged, ctx);
    p.OnError.Set(&F::Error, ctx);
    p.OnKeyDown.Set(&F::KeyDown, ctx);
    p.OnKeyUp.Set(&F::KeyUp, ctx);
    p.OnMotion.Set(&F::Motion, ctx);
    p.OnMouseDown.Set(&F::MouseDown, ctx);
    p.OnMouseUp.Set(&F::MouseUp, ctx);
    p.OnMouseClick.Set(&F::MouseClick, ctx);
    p.OnMouseDoubleClick.Set(&F::MouseDoubleClick, ctx);
    p.OnMouseMove.Set(&F::MouseMove, ctx);
    p.OnMouseEnter.Set(&F::MouseEnter, ctx);
    p.OnMouseLeave.Set(&F::MouseLeave, ctx);
    p.OnMouseWheelDown.Set(&F::WheelDown, ctx);
    p.OnMouseWheelUp.Set(&F::WheelUp, ctx);
    p.OnStart.Set(&F::Start, ctx);
    p.OnStop.Set(&F::Stop, ctx);
    p.OnVideoFrameH.Set(&F::VideoFrameH, ctx);
    p.OnVideoFrameI.Set(&F::VideoFrameI, ctx);
}
