// The control object linked into the test: the player's hooks are raised directly, so every one of the 22
// events, the by-reference Allow of OnDVDParentalLevelChanged and the frame events of a streaming thread can
// be checked against a C++ sink, including a sink that lives in another apartment.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "control/control.h"
#include "control_testkit.h"
#include "player/player.h"

namespace {

std::wstring Describe(const TEventCall& c) {
    std::wstring s;
    for (auto& a : c.args) {
        if (!s.empty()) s += L", ";
        switch (a.v.vt) {
        case VT_I2: s += L"I2 " + std::to_wstring(a.v.iVal); break;
        case VT_I4: s += L"I4 " + std::to_wstring(a.v.lVal); break;
        case VT_BOOL: s += L"BOOL " + std::to_wstring(a.v.boolVal); break;
        case VT_BSTR: s += L"BSTR " + Text(a.v.bstrVal); break;
        case VT_BOOL | VT_BYREF: s += L"BOOL&"; break;
        default: s += L"vt" + std::to_wstring(a.v.vt); break;
        }
    }
    return s;
}

class ControlWhiteBox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(TTxZRMediaPlayer::CreateInstance(nullptr, IID_ITxZRMediaPlayer, control.PutVoid()), S_OK);
        object = static_cast<TTxZRMediaPlayer*>(control.Get());
        sink = new TRecordingSink();
        ASSERT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, sink, &cookie), S_OK);
    }
    void TearDown() override {
        if (control) {
            control->Close();
            Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie);
        }
        control = nullptr;
        if (sink) sink->Release();
        PumpFor(30);
    }
    TZRMediaPlayer& P() { return object->Player(); }
    LONG Status() {
        LONG s = -1;
        control->get_Status(&s);
        return s;
    }
    bool PlayFile(const wchar_t* name) {
        TBstr f(MediaPath(name));
        control->put_FilenameOrURL(f.b);
        control->put_Screen_VideoRenderer(0);
        VARIANT_BOOL ok = VARIANT_FALSE;
        return SUCCEEDED(control->Play(&ok)) && ok == VARIANT_TRUE;
    }

    ComPtr<ITxZRMediaPlayer> control;
    TTxZRMediaPlayer* object = nullptr;
    TRecordingSink* sink = nullptr;
    DWORD cookie = 0;
};

}  // namespace

// Each of the 22 events: its dispatch identifier, DISPATCH_METHOD, no named arguments, and the arguments in
// the order the event lists them with their exact VARIANT types.
TEST_F(ControlWhiteBox, EveryEventWithItsArgumentTypes) {
    const auto frame = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(0x8001F00Du));
    struct Case {
        DISPID id;
        std::function<void(TZRMediaPlayer&)> raise;
        const wchar_t* args;
    } cases[] = {
        {zrevent::OnDVDChapterChanged, [](TZRMediaPlayer& p) { p.OnDVDChapterChanged(); }, L""},
        {zrevent::OnDVDDomainChanged, [](TZRMediaPlayer& p) { p.OnDVDDomainChanged(DC_Title); }, L"I4 3"},
        {zrevent::OnDVDParentalLevelChanged, [](TZRMediaPlayer& p) { bool a = true; p.OnDVDParentalLevelChanged(&a); },
         L"BOOL&"},
        {zrevent::OnDVDPlaybackError, [](TZRMediaPlayer& p) { p.OnDVDPlaybackError(7, L"disc error"); },
         L"I4 7, BSTR disc error"},
        {zrevent::OnDVDTitleChanged, [](TZRMediaPlayer& p) { p.OnDVDTitleChanged(); }, L""},
        {zrevent::OnError, [](TZRMediaPlayer& p) { p.OnError(L"Unable to play file, stream or DVD."); },
         L"BSTR Unable to play file, stream or DVD."},
        {zrevent::OnKeyDown, [](TZRMediaPlayer& p) { p.OnKeyDown(static_cast<char>(0xE9), 2); }, L"I2 233, I4 2"},
        {zrevent::OnKeyUp, [](TZRMediaPlayer& p) { p.OnKeyUp('Z', 1); }, L"I2 90, I4 1"},
        {zrevent::OnMotion, [](TZRMediaPlayer& p) { p.OnMotion(42, L"0110"); }, L"I4 42, BSTR 0110"},
        {zrevent::OnMouseDown,
         [](TZRMediaPlayer& p) { p.OnMouseDown(MB_MIDDLE, 5, -6, true, false, true, false, true, false); },
         L"I4 2, I4 5, I4 -6, BOOL -1, BOOL 0, BOOL -1, BOOL 0, BOOL -1, BOOL 0"},
        {zrevent::OnMouseUp,
         [](TZRMediaPlayer& p) { p.OnMouseUp(MB_X2, 7, 8, false, true, false, true, false, true); },
         L"I4 4, I4 7, I4 8, BOOL 0, BOOL -1, BOOL 0, BOOL -1, BOOL 0, BOOL -1"},
        {zrevent::OnMouseClick, [](TZRMediaPlayer& p) { p.OnMouseClick(); }, L""},
        {zrevent::OnMouseDoubleClick, [](TZRMediaPlayer& p) { p.OnMouseDoubleClick(); }, L""},
        {zrevent::OnMouseMove, [](TZRMediaPlayer& p) { p.OnMouseMove(300, 200); }, L"I4 300, I4 200"},
        {zrevent::OnMouseEnter, [](TZRMediaPlayer& p) { p.OnMouseEnter(); }, L""},
        {zrevent::OnMouseLeave, [](TZRMediaPlayer& p) { p.OnMouseLeave(); }, L""},
        {zrevent::OnMouseWheelDown,
         [](TZRMediaPlayer& p) { p.OnMouseWheelDown(1, 2, true, false, false, true, false, false, true, false, 240); },
         L"I4 1, I4 2, BOOL -1, BOOL 0, BOOL 0, BOOL -1, BOOL 0, BOOL 0, BOOL -1, BOOL 0, I4 240"},
        {zrevent::OnMouseWheelUp,
         [](TZRMediaPlayer& p) { p.OnMouseWheelUp(3, 4, false, true, true, false, true, true, false, true, 120); },
         L"I4 3, I4 4, BOOL 0, BOOL -1, BOOL -1, BOOL 0, BOOL -1, BOOL -1, BOOL 0, BOOL -1, I4 120"},
        {zrevent::OnStart, [](TZRMediaPlayer& p) { p.OnStart(); }, L""},
        {zrevent::OnStop, [](TZRMediaPlayer& p) { p.OnStop(); }, L""},
        // The bitmap handle goes out as its 32 bits in a VT_I4, like the I4 twin.
        {zrevent::OnVideoFrameH, [frame](TZRMediaPlayer& p) { p.OnVideoFrameH(frame, 40, 80); },
         L"I4 -2147356659, I4 40, I4 80"},
        {zrevent::OnVideoFrameI, [](TZRMediaPlayer& p) { p.OnVideoFrameI(-2147356659, 80, 120); },
         L"I4 -2147356659, I4 80, I4 120"},
    };
    ASSERT_EQ(std::size(cases), 22u);
    for (auto& c : cases) {
        SCOPED_TRACE(c.args);
        sink->Clear();
        c.raise(P());
        auto calls = sink->Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].id, c.id);
        EXPECT_EQ(calls[0].flags, DISPATCH_METHOD);
        EXPECT_EQ(calls[0].named, 0u);
        EXPECT_EQ(Describe(calls[0]), c.args);
    }
}

// Allow of OnDVDParentalLevelChanged is a VT_BOOL by reference: the player's value goes in as -1 or 0, and
// what the sink leaves there comes back.
TEST_F(ControlWhiteBox, ParentalLevelAllowByReference) {
    struct Case {
        bool before;
        int write;  // -2: the sink does not write
        VARIANT_BOOL seen;
        bool after;
    } cases[] = {
        {true, VARIANT_FALSE, VARIANT_TRUE, false},
        {false, VARIANT_TRUE, VARIANT_FALSE, true},
        {false, 1, VARIANT_FALSE, true},
        {true, -2, VARIANT_TRUE, true},
        {false, -2, VARIANT_FALSE, false},
    };
    for (auto& c : cases) {
        VARIANT_BOOL seen = 123;
        sink->onEvent = [&](DISPID id, DISPPARAMS* p) {
            if (id != zrevent::OnDVDParentalLevelChanged || p->cArgs != 1) return;
            ASSERT_EQ(p->rgvarg[0].vt, VT_BOOL | VT_BYREF);
            seen = *p->rgvarg[0].pboolVal;
            if (c.write != -2) *p->rgvarg[0].pboolVal = static_cast<VARIANT_BOOL>(c.write);
        };
        bool allow = c.before;
        P().OnDVDParentalLevelChanged(&allow);
        EXPECT_EQ(seen, c.seen);
        EXPECT_EQ(allow, c.after);
    }
    // Without a sink Allow stays as it was, and events are not kept for a later sink.
    ASSERT_EQ(Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie), S_OK);
    sink->Clear();
    bool allow = false;
    P().OnDVDParentalLevelChanged(&allow);
    P().OnStop();
    EXPECT_FALSE(allow);
    ASSERT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, sink, &cookie), S_OK);
    P().OnStart();
    auto calls = sink->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].id, zrevent::OnStart);
}

// While the container has events frozen, events that report a change of state are held and delivered in
// order from the message loop once the last freeze is lifted; input, frame and motion events and the
// parental-level request are dropped (Allow keeps the player's value).
TEST_F(ControlWhiteBox, FrozenEventsHeldOrDropped) {
    ComPtr<IOleControl> oc = control.As<IOleControl>();
    ASSERT_EQ(oc->FreezeEvents(TRUE), S_OK);
    ASSERT_EQ(oc->FreezeEvents(TRUE), S_OK);  // freezes nest
    sink->onEvent = [](DISPID id, DISPPARAMS* p) {
        if (id == zrevent::OnDVDParentalLevelChanged) *p->rgvarg[0].pboolVal = VARIANT_FALSE;
    };
    bool allow = true;
    P().OnStart();
    P().OnMouseMove(3, 4);
    P().OnError(L"Unable to play file, stream or DVD.");
    P().OnKeyDown('A', 1);
    P().OnVideoFrameI(5, 0, 40);
    P().OnMotion(7, L"01");
    P().OnDVDParentalLevelChanged(&allow);
    P().OnDVDDomainChanged(DC_Title);
    P().OnStop();
    PumpFor(50);
    EXPECT_TRUE(sink->Calls().empty());
    EXPECT_TRUE(allow);

    ASSERT_EQ(oc->FreezeEvents(FALSE), S_OK);
    PumpFor(50);
    EXPECT_TRUE(sink->Calls().empty()) << "still frozen once";
    ASSERT_EQ(oc->FreezeEvents(FALSE), S_OK);
    EXPECT_TRUE(sink->Calls().empty()) << "delivered from the message loop, not inside FreezeEvents";
    ASSERT_TRUE(PumpUntil([&] { return sink->Calls().size() >= 4; }, 2000));
    PumpFor(30);
    auto calls = sink->Calls();
    std::vector<std::wstring> seen;
    for (auto& c : calls) seen.push_back(std::to_wstring(c.id) + L": " + Describe(c));
    EXPECT_EQ(seen, (std::vector<std::wstring>{std::to_wstring(zrevent::OnStart) + L": ",
                                               std::to_wstring(zrevent::OnError) +
                                                   L": BSTR Unable to play file, stream or DVD.",
                                               std::to_wstring(zrevent::OnDVDDomainChanged) + L": I4 3",
                                               std::to_wstring(zrevent::OnStop) + L": "}));
    // Unfrozen: every event goes out at once again; one more unfreeze than freezes changes nothing.
    EXPECT_EQ(oc->FreezeEvents(FALSE), S_OK);
    sink->Clear();
    P().OnMouseMove(1, 2);
    P().OnStop();
    EXPECT_EQ(sink->Calls().size(), 2u);
}

// Frame events come on the graph's streaming thread and reach the sink there. From that thread a member
// other than the transport calls fails with RPC_E_WRONG_THREAD (a text result stays null); Stop is queued and
// carried out on the control's thread; the streaming thread is never held up.
TEST_F(ControlWhiteBox, FrameEventOnStreamingThread) {
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(PumpUntil([&] { return Status() == 0; }, 2000));
    DWORD sinkThread = 0;
    HRESULT positionHr = S_OK, nameHr = S_OK, stopHr = E_FAIL;
    BSTR name = reinterpret_cast<BSTR>(static_cast<uintptr_t>(0x1234));
    LONG statusRightAfterStop = -1;
    sink->onEvent = [&](DISPID id, DISPPARAMS*) {
        if (id != zrevent::OnVideoFrameI) return;
        sinkThread = GetCurrentThreadId();
        LONG pos = 0;
        positionHr = control->Position_Get_Time(&pos);
        nameHr = control->get_FilenameOrURL(&name);
        stopHr = control->Stop();
        statusRightAfterStop = object->Player().Status();
    };
    std::thread streaming([&] { P().OnVideoFrameI(1, 0, 40); });
    streaming.join();
    EXPECT_NE(sinkThread, GetCurrentThreadId());
    EXPECT_EQ(positionHr, RPC_E_WRONG_THREAD);
    EXPECT_EQ(nameHr, RPC_E_WRONG_THREAD);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(stopHr, S_OK);
    EXPECT_EQ(statusRightAfterStop, ST_PLAY);  // not yet: the control's thread runs it
    EXPECT_TRUE(PumpUntil([&] { return Status() == 2; }, 2000));
}

namespace {
// A sink in its own single-threaded apartment: a thread that creates it, hands out a marshalled pointer
// and dispatches calls until told to end. From inside OnStop it calls Stop back on the control.
struct TApartmentSink {
    HANDLE thread = nullptr;
    TRecordingSink* sink = nullptr;  // lives in the apartment
    IStream* marshalled = nullptr;
    IStream* controlStream = nullptr;  // the control, marshalled for the apartment
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD threadId = 0;
    HRESULT stopHr = E_PENDING;

    static DWORD WINAPI Main(void* p) {
        auto* self = static_cast<TApartmentSink*>(p);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            ComPtr<ITxZRMediaPlayer> control;
            self->sink = new TRecordingSink();
            self->sink->onEvent = [self, &control](DISPID id, DISPPARAMS*) {
                if (!control && self->controlStream)
                    CoGetInterfaceAndReleaseStream(self->controlStream, IID_ITxZRMediaPlayer, control.PutVoid());
                self->controlStream = nullptr;
                if (id == zrevent::OnStop && control) self->stopHr = control->Stop();
            };
            CoMarshalInterThreadInterfaceInStream(IID_IDispatch, static_cast<IDispatch*>(self->sink), &self->marshalled);
            SetEvent(self->ready);
            MSG m;
            while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
        }
        self->sink->Release();
        CoUninitialize();
        return 0;
    }
    void Start() {
        thread = CreateThread(nullptr, 0, &Main, this, 0, &threadId);
        WaitForSingleObject(ready, 5000);
    }
    // Ends the apartment; this thread keeps dispatching meanwhile (the apartment releases its proxy of the
    // control, a call into this apartment).
    void End() {
        PostThreadMessageW(threadId, WM_QUIT, 0, 0);
        PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 10000);
        CloseHandle(thread);
        CloseHandle(ready);
    }
};
}  // namespace

// A sink in another apartment: events from the control's thread reach it through COM (and it may call the
// control back from inside them); an event raised on a streaming thread, where the sink's proxy cannot be
// used, fails inside COM and is dropped, without a crash or a hang.
TEST_F(ControlWhiteBox, SinkInAnotherApartment) {
    ASSERT_EQ(Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie), S_OK);
    TApartmentSink other;
    other.Start();
    ASSERT_NE(other.marshalled, nullptr);
    ComPtr<IDispatch> proxy;
    ASSERT_EQ(CoGetInterfaceAndReleaseStream(other.marshalled, IID_IDispatch, proxy.PutVoid()), S_OK);
    ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_ITxZRMediaPlayer, control.Get(), &other.controlStream), S_OK);
    DWORD c = 0;
    ASSERT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, proxy.Get(), &c), S_OK);

    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    P().OnMouseMove(9, 9);
    P().OnStop();  // the sink calls Stop back through its proxy while the event is delivered
    EXPECT_EQ(Status(), 2);
    std::thread streaming([&] { P().OnVideoFrameI(1, 0, 40); });
    streaming.join();

    auto calls = other.sink->Calls();
    // Play itself raised OnStart first.
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].id, zrevent::OnStart);
    calls.erase(calls.begin());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].id, zrevent::OnMouseMove);
    EXPECT_EQ(Describe(calls[0]), L"I4 9, I4 9");
    EXPECT_EQ(calls[0].thread, other.threadId);
    EXPECT_EQ(calls[1].id, zrevent::OnStop);
    EXPECT_EQ(other.stopHr, S_OK);
    EXPECT_EQ(Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, c), S_OK);
    proxy = nullptr;
    other.End();
    ASSERT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, sink, &cookie), S_OK);
}

namespace {
DWORD OpenHandles() {
    DWORD n = 0, flags;
    for (uintptr_t h = 4; h < 0x40000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    return n;
}
double HandlesPerCycle(int n, const std::function<void()>& cycle) {
    for (int i = 0; i < 5; ++i) cycle();
    PumpFor(20);
    const DWORD before = OpenHandles();
    for (int i = 0; i < n; ++i) cycle();
    PumpFor(20);
    return (static_cast<double>(OpenHandles()) - before) / n;
}
}  // namespace

// The control keeps no kernel handle of its own: a create-activate-release cycle of the control gains no
// more handles than constructing and destroying a bare player (which, on Wine, keeps what the system device
// enumerator leaks).
TEST(ControlWhiteBoxLifecycle, NoHandlesOfItsOwn) {
    HWND host = SharedHostWindow();
    const double player = HandlesPerCycle(100, [host] { TZRMediaPlayer p(host, 0, 0, 40, 40); });
    const double control = HandlesPerCycle(100, [host] {
        ComPtr<ITxZRMediaPlayer> c;
        ASSERT_EQ(TTxZRMediaPlayer::CreateInstance(nullptr, IID_ITxZRMediaPlayer, c.PutVoid()), S_OK);
        auto* site = new TTestSite(host, RECT{0, 0, 80, 60});
        ActivateInPlace(c.Get(), site);
        CloseInPlace(c.Get());
        c = nullptr;
        site->Release();
    });
    std::printf("kernel handles kept per cycle: bare player %.2f, control %.2f\n", player, control);
    EXPECT_LE(control, player + 0.05);
}
