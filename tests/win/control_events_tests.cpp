// The control's events as a C++ client of the registered DLL receives them through its own IDispatch sink:
// end of stream, a failing step, input in the control's window; one events sink at a time; a failing sink;
// Play, Stop and Close called from inside event handlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "control_testkit.h"
#include "player/texts.h"

namespace {

const wchar_t* VtName(VARTYPE vt) {
    switch (vt) {
    case VT_I2: return L"I2";
    case VT_I4: return L"I4";
    case VT_BOOL: return L"BOOL";
    case VT_BSTR: return L"BSTR";
    case VT_BOOL | VT_BYREF: return L"BOOL&";
    default: return L"?";
    }
}

// The arguments of an event as "type value" items: "I4 0, I4 10, BOOL -1".
std::wstring Describe(const TEventCall& c) {
    std::wstring s;
    for (auto& a : c.args) {
        if (!s.empty()) s += L", ";
        s += VtName(a.v.vt);
        s += L" ";
        switch (a.v.vt) {
        case VT_I2: s += std::to_wstring(a.v.iVal); break;
        case VT_I4: s += std::to_wstring(a.v.lVal); break;
        case VT_BOOL: s += std::to_wstring(a.v.boolVal); break;
        case VT_BSTR: s += Text(a.v.bstrVal); break;
        default: break;
        }
    }
    return s;
}

class ControlEvents : public ::testing::Test {
protected:
    void SetUp() override {
        host = SharedHostWindow();
        control = CreateControl();
        ASSERT_TRUE(control);
        site = new TTestSite(host, RECT{10, 10, 330, 250});
        controlWindow = ActivateInPlace(control.Get(), site);
        ASSERT_NE(controlWindow, nullptr);
        playerWindow = PlayerWindowIn(controlWindow);
        ASSERT_NE(playerWindow, nullptr);
        sink = new TRecordingSink();
        ASSERT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, sink, &cookie), S_OK);
    }
    void TearDown() override {
        if (control) {
            control->Close();
            Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie);
            CloseInPlace(control.Get());
        }
        control = nullptr;
        if (sink) sink->Release();
        if (site) site->Release();
        PumpFor(50);
    }
    bool PlayFile(const wchar_t* name) {
        TBstr f(MediaPath(name));
        control->put_FilenameOrURL(f.b);
        control->put_Screen_VideoRenderer(0);
        VARIANT_BOOL ok = VARIANT_FALSE;
        return SUCCEEDED(control->Play(&ok)) && ok == VARIANT_TRUE;
    }
    LONG Status() {
        LONG s = -1;
        control->get_Status(&s);
        return s;
    }

    HWND host = nullptr, controlWindow = nullptr, playerWindow = nullptr;
    ComPtr<ITxZRMediaPlayer> control;
    TTestSite* site = nullptr;
    TRecordingSink* sink = nullptr;
    DWORD cookie = 0;
};

}  // namespace

// At the end of the stream the sink gets OnStop: a method call without arguments; nothing else fails.
TEST_F(ControlEvents, EndOfStreamRaisesOnStop) {
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    ASSERT_TRUE(PumpUntil([&] { return sink->Count(zrevent::OnStop) > 0; }, 10000));
    for (auto& c : sink->Calls()) {
        EXPECT_NE(c.id, zrevent::OnError) << Describe(c);
        if (c.id != zrevent::OnStop) continue;
        EXPECT_EQ(c.flags, DISPATCH_METHOD);
        EXPECT_EQ(c.named, 0u);
        EXPECT_TRUE(c.args.empty());
        EXPECT_EQ(c.thread, GetCurrentThreadId());
    }
    EXPECT_EQ(Status(), 2);
}

// A failing step reaches the sink as OnError with the player's text as a BSTR.
TEST_F(ControlEvents, FailingStepRaisesOnErrorWithItsText) {
    TBstr missing(MediaPath(L"no such file.avi"));
    control->put_FilenameOrURL(missing.b);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(control->Play(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    auto calls = sink->Calls();
    ASSERT_EQ(sink->Count(zrevent::OnError), 1);
    for (auto& c : calls) {
        if (c.id == zrevent::OnError) {
            EXPECT_EQ(Describe(c), std::wstring(L"BSTR ") + ZRText::kCantFindInputFile);
        }
    }
}

// Input in the player's window: each event with its arguments in order and their exact types.
TEST_F(ControlEvents, InputRaisesMouseAndKeyEvents) {
    struct Case {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        DISPID id;
        const wchar_t* args;
    } cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 20), zrevent::OnMouseDown,
         L"I4 0, I4 10, I4 20, BOOL -1, BOOL 0, BOOL 0, BOOL -1, BOOL 0, BOOL 0"},
        {WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(11, 21), zrevent::OnMouseUp,
         L"I4 0, I4 11, I4 21, BOOL 0, BOOL -1, BOOL 0, BOOL 0, BOOL 0, BOOL 0"},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 2), zrevent::OnMouseDown,
         L"I4 1, I4 1, I4 2, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL -1, BOOL 0"},
        {WM_MBUTTONUP, 0, MAKELPARAM(3, 4), zrevent::OnMouseUp,
         L"I4 2, I4 3, I4 4, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL 0"},
        {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(5, 6), zrevent::OnMouseDown,
         L"I4 4, I4 5, I4 6, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL 0"},
        {WM_MOUSEMOVE, 0, MAKELPARAM(30, 40), zrevent::OnMouseMove, L"I4 30, I4 40"},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1), zrevent::OnMouseDoubleClick, L""},
        {WM_KEYDOWN, 'A', 1, zrevent::OnKeyDown, L"I2 65, I4 1"},
        {WM_KEYDOWN, VK_OEM_1, 3, zrevent::OnKeyDown, L"I2 186, I4 3"},  // codes above 127 stay positive
        {WM_KEYUP, 'A', 1, zrevent::OnKeyUp, L"I2 65, I4 1"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.args);
        sink->Clear();
        PostMessageW(playerWindow, c.msg, c.wp, c.lp);
        ASSERT_TRUE(PumpUntil([&] { return sink->Count(c.id) > 0; }, 2000));
        for (auto& call : sink->Calls()) {
            if (call.id == c.id) {
                EXPECT_EQ(Describe(call), c.args);
                EXPECT_EQ(call.flags, DISPATCH_METHOD);
            }
        }
    }
    if (GetSystemMetrics(SM_MOUSEWHEELPRESENT)) {
        sink->Clear();
        PostMessageW(playerWindow, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(50, 60));
        ASSERT_TRUE(PumpUntil([&] { return sink->Count(zrevent::OnMouseWheelUp) > 0; }, 2000));
        for (auto& call : sink->Calls()) {
            if (call.id == zrevent::OnMouseWheelUp) {
                EXPECT_EQ(Describe(call), L"I4 50, I4 60, BOOL -1, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL 0, BOOL 0, "
                                          L"BOOL 0, I4 120");
            }
        }
    }
}

// The events point takes one sink at a time; after the first leaves, another may connect.
TEST_F(ControlEvents, SecondSinkIsRefused) {
    auto* second = new TRecordingSink();
    DWORD c2 = 0;
    EXPECT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, second, &c2), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie), S_OK);
    EXPECT_EQ(Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, second, &c2), S_OK);
    PostMessageW(playerWindow, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_TRUE(PumpUntil([&] { return second->Count(zrevent::OnMouseMove) > 0; }, 2000));
    EXPECT_EQ(sink->Count(zrevent::OnMouseMove), 0);
    EXPECT_EQ(Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, c2), S_OK);
    EXPECT_EQ(Connect(control.Get(), DIID_ITxZRMediaPlayerEvents, sink, &cookie), S_OK);
    second->Release();
}

// A sink that fails every call does not stop the playback, and its failures produce no OnError.
TEST_F(ControlEvents, FailingSinkDoesNotStopPlayback) {
    sink->result = E_FAIL;
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    PostMessageW(playerWindow, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    LONG furthest = 0;
    ASSERT_TRUE(PumpUntil([&] {
        LONG p = 0;
        control->Position_Get_Time(&p);
        furthest = std::max(furthest, p);
        return sink->Count(zrevent::OnStop) > 0;
    }, 10000));
    EXPECT_EQ(sink->Count(zrevent::OnMouseMove), 1);
    EXPECT_EQ(sink->Count(zrevent::OnError), 0);
    EXPECT_GT(furthest, 2000);  // played through, not stopped early
}

// Play, Stop and Close from inside OnStop run at once; from inside OnError (raised in the middle of Play)
// they run as soon as Play has returned. Neither deadlocks nor touches a released graph.
TEST_F(ControlEvents, TransportFromInsideEvents) {
    // OnStop: play once more, at once.
    int stops = 0;
    LONG statusInHandler = -1;
    sink->onEvent = [&](DISPID id, DISPPARAMS*) {
        if (id != zrevent::OnStop || ++stops > 1) return;
        VARIANT_BOOL ok = VARIANT_FALSE;
        control->Play(&ok);
        control->get_Status(&statusInHandler);
    };
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(PumpUntil([&] { return stops >= 2; }, 15000));
    EXPECT_EQ(statusInHandler, 0);  // playing again before the handler returned

    // OnStop: Close, then Stop.
    for (int mode = 0; mode < 2; ++mode) {
        stops = 0;
        sink->onEvent = [&](DISPID id, DISPPARAMS*) {
            if (id != zrevent::OnStop) return;
            ++stops;
            if (mode == 0) control->Close();
            else control->Stop();
        };
        ASSERT_TRUE(PlayFile(L"videoonly.avi"));
        ASSERT_TRUE(PumpUntil([&] { return stops > 0; }, 10000));
        PumpFor(100);
        EXPECT_EQ(Status(), 2);
    }

    // OnError while Play fails: the handler names a good file and plays it; that playback starts once the
    // failing Play has returned, and ends with OnStop.
    stops = 0;
    int errors = 0;
    VARIANT_BOOL acceptedInHandler = VARIANT_FALSE;
    sink->onEvent = [&](DISPID id, DISPPARAMS*) {
        if (id == zrevent::OnStop) ++stops;
        if (id != zrevent::OnError || ++errors > 1) return;
        TBstr good(MediaPath(L"videoonly.avi"));
        control->put_FilenameOrURL(good.b);
        control->Stop();
        control->Close();
        control->Play(&acceptedInHandler);
    };
    TBstr missing(MediaPath(L"no such file.avi"));
    control->put_FilenameOrURL(missing.b);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(control->Play(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(acceptedInHandler, VARIANT_TRUE);
    ASSERT_TRUE(PumpUntil([&] { return Status() == 0; }, 3000));
    ASSERT_TRUE(PumpUntil([&] { return stops > 0; }, 10000));
    EXPECT_EQ(errors, 1);
}

// A host may let the control go inside its own event handler: the control outlives the call and is
// destroyed afterwards from the message loop.
TEST_F(ControlEvents, ReleasedInsideItsOwnEvent) {
    HMODULE dll = GetModuleHandleW(L"ZRMediaPlayer.dll");
    ASSERT_NE(dll, nullptr);
    auto canUnload = reinterpret_cast<HRESULT(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    bool released = false;
    sink->onEvent = [&](DISPID id, DISPPARAMS*) {
        if (id != zrevent::OnMouseMove || released) return;
        released = true;
        Disconnect(control.Get(), DIID_ITxZRMediaPlayerEvents, cookie);
        CloseInPlace(control.Get());
        control = nullptr;  // the last reference
    };
    PostMessageW(playerWindow, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    ASSERT_TRUE(PumpUntil([&] { return released; }, 2000));
    EXPECT_TRUE(PumpUntil([&] { return canUnload() == S_OK; }, 2000));
    EXPECT_FALSE(IsWindow(playerWindow));
}

// Motion reports wait for the window thread and frame events run on the streaming thread: Stop and Close from
// inside OnMotion and from inside the frame events, and Stop while a motion report waits for a window thread
// that is busy elsewhere, neither deadlock nor raise anything about the stopped playback afterwards.
TEST_F(ControlEvents, TransportFromMotionAndFrameEvents) {
    control->put_Video_Effects_Enabled(VARIANT_TRUE);
    control->put_MotionDetection_Enabled(VARIANT_TRUE);
    struct Case {
        DISPID event;
        bool close;
    } cases[] = {{zrevent::OnMotion, false}, {zrevent::OnMotion, true}, {zrevent::OnVideoFrameH, true},
                 {zrevent::OnVideoFrameI, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.event) + (c.close ? " Close" : " Stop"));
        sink->Clear();
        std::atomic<int> acted{0};
        sink->onEvent = [&](DISPID id, DISPPARAMS*) {
            if (id != c.event || acted++ > 0) return;
            if (c.close) control->Close();
            else control->Stop();
        };
        ASSERT_TRUE(PlayFile(L"motion.avi"));
        ASSERT_TRUE(PumpUntil([&] { return acted > 0 && Status() == 2; }, 10000)) << Status();
        PumpFor(300);
        const int motion = sink->Count(zrevent::OnMotion), frames = sink->Count(zrevent::OnVideoFrameH);
        PumpFor(300);
        EXPECT_EQ(sink->Count(zrevent::OnMotion), motion);
        EXPECT_EQ(sink->Count(zrevent::OnVideoFrameH), frames);
        EXPECT_EQ(sink->Count(zrevent::OnError), 0);
    }

    // The window thread does not pump for a while: a motion report is waiting for it when it stops the
    // playback. Stop returns, and the report that waited raises nothing later.
    sink->onEvent = nullptr;
    sink->Clear();
    ASSERT_TRUE(PlayFile(L"motion.avi"));
    Sleep(1500);
    const DWORD before = GetTickCount();
    EXPECT_EQ(control->Stop(), S_OK);
    EXPECT_LT(GetTickCount() - before, 5000u);
    EXPECT_EQ(Status(), 2);
    PumpFor(500);
    EXPECT_EQ(sink->Count(zrevent::OnMotion), 0);
    EXPECT_GT(sink->Count(zrevent::OnVideoFrameH), 0);  // frames came until the report blocked the stream
}
