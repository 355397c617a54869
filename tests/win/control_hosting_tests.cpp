// The control hosted in a window: in-place activation into a container's site (our own small container, and
// ATL's AtlAxWin), the picture on screen, moving and sizing, deactivation back into the control's hidden
// window, the site's window destroyed under the control, and the standard window members.
#include <gtest/gtest.h>

#include <string>

#include "control_testkit.h"

namespace {

std::string Quadrants(HWND h, int w, int ht) {
    return ClientColours(h, {{w / 4, ht / 4}, {3 * w / 4, ht / 4}, {w / 4, 3 * ht / 4}, {3 * w / 4, 3 * ht / 4}});
}

bool PlayFile(ITxZRMediaPlayer* c, const wchar_t* name) {
    TBstr f(MediaPath(name));
    c->put_FilenameOrURL(f.b);
    c->put_Screen_VideoRenderer(0);  // the Video Renderer: it draws into a child window under Wine
    VARIANT_BOOL ok = VARIANT_FALSE;
    return SUCCEEDED(c->Play(&ok)) && ok == VARIANT_TRUE;
}

LONG Position(ITxZRMediaPlayer* c) {
    LONG p = 0;
    c->Position_Get_Time(&p);
    return p;
}

}  // namespace

// The control's picture inside the site's window, following SetObjectRects; after deactivation the player
// lives on outside the site, and a second activation brings it back.
TEST(ControlHosting, InPlacePictureMoveAndDeactivate) {
    HWND host = SharedHostWindow();
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    auto* site = new TTestSite(host, RECT{20, 20, 340, 260});
    HWND w = ActivateInPlace(c.Get(), site);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetParent(w), host);
    EXPECT_EQ(site->activations, 1);
    HWND player = PlayerWindowIn(w);
    ASSERT_NE(player, nullptr);
    RECT r;
    GetClientRect(player, &r);
    EXPECT_EQ(r.right, 320);
    EXPECT_EQ(r.bottom, 240);

    c->put_Loop(VARIANT_TRUE);  // still playing when it is deactivated
    ASSERT_TRUE(PlayFile(c.Get(), L"videoonly.avi"));
    c->Screen_Update();
    ASSERT_TRUE(PumpUntil([&] { return Position(c.Get()) > 500; }, 8000));
    std::string q;
    PumpUntil([&] { q = Quadrants(player, 320, 240); return q == "RGBW"; }, 3000);
    EXPECT_EQ(q, "RGBW");

    // Moved and made smaller by the site: the player fills the new rectangle with the whole picture.
    ComPtr<IOleInPlaceObject> ip = c.As<IOleInPlaceObject>();
    RECT pos = {60, 40, 220, 160};
    ASSERT_EQ(ip->SetObjectRects(&pos, &pos), S_OK);
    GetClientRect(player, &r);
    EXPECT_EQ(r.right, 160);
    EXPECT_EQ(r.bottom, 120);
    POINT origin = {0, 0};
    MapWindowPoints(player, host, &origin, 1);
    EXPECT_EQ(origin.x, 60);
    EXPECT_EQ(origin.y, 40);
    c->Screen_Update();
    PumpUntil([&] { q = Quadrants(player, 160, 120); return q == "RGBW"; }, 3000);
    EXPECT_EQ(q, "RGBW");
    LONG left = -1, width = -1;
    c->get_ExplicitLeft(&left);
    c->get_ExplicitWidth(&width);
    EXPECT_EQ(left, 60);
    EXPECT_EQ(width, 160);

    // Visible and Enabled act on the player's window.
    c->put_Visible(VARIANT_FALSE);
    EXPECT_FALSE(IsWindowVisible(player));
    VARIANT_BOOL visible = VARIANT_TRUE;
    c->get_Visible(&visible);
    EXPECT_EQ(visible, VARIANT_FALSE);
    c->put_Visible(VARIANT_TRUE);
    EXPECT_TRUE(IsWindowVisible(player));
    c->put_Enabled(VARIANT_FALSE);
    EXPECT_FALSE(IsWindowEnabled(player));
    c->put_Enabled(VARIANT_TRUE);

    // Deactivated: the site hears it, the player leaves the site's window and keeps playing.
    ASSERT_EQ(ip->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(site->deactivations, 1);
    EXPECT_TRUE(IsWindow(player));
    EXPECT_FALSE(IsChild(host, player));
    EXPECT_FALSE(IsWindow(w));
    LONG status = -1;
    c->get_Status(&status);
    EXPECT_EQ(status, 0);

    // Activated again in the same site.
    HWND again = ActivateInPlace(c.Get(), site);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsChild(host, player));
    c->Close();
    CloseInPlace(c.Get());
    c = nullptr;
    site->Release();
}

// The site's window destroyed while the control is active in it: the player survives in the control's own
// window, the control keeps working and can be activated in a new site.
TEST(ControlHosting, SiteWindowDestroyedUnderTheControl) {
    HWND host = SharedHostWindow();
    HWND child = CreateHostWindow(0, 0, 360, 280, host);
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    auto* site = new TTestSite(child, RECT{0, 0, 320, 240});
    HWND w = ActivateInPlace(c.Get(), site);
    ASSERT_NE(w, nullptr);
    HWND player = PlayerWindowIn(w);
    ASSERT_TRUE(PlayFile(c.Get(), L"videoonly.avi"));
    ASSERT_TRUE(PumpUntil([&] { return Position(c.Get()) > 200; }, 8000));

    DestroyWindow(child);
    EXPECT_TRUE(IsWindow(player));
    PumpFor(100);
    LONG status = -1;
    EXPECT_EQ(c->get_Status(&status), S_OK);
    EXPECT_EQ(status, 0);
    EXPECT_GT(Position(c.Get()), 200);

    auto* second = new TTestSite(host, RECT{0, 0, 320, 240});
    c.As<IOleObject>()->SetClientSite(nullptr);
    HWND w2 = ActivateInPlace(c.Get(), second);
    ASSERT_NE(w2, nullptr);
    EXPECT_EQ(PlayerWindowIn(w2), player);
    c->Close();
    CloseInPlace(c.Get());
    c = nullptr;
    site->Release();
    second->Release();
}

// A system colour as the background shows on screen as the system's colour of that kind, the same in the
// control's window and in a drawing of the control (what a form designer shows while the control is not
// active).
TEST(ControlHosting, SystemColourBackgroundShownAsTheSystemColour) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(face, COLORREF(0x0F)) << "the face colour must differ from the low bits of its system colour";
    const uint32_t faceOnScreen = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    auto* site = new TTestSite(SharedHostWindow(), RECT{20, 20, 180, 140});
    HWND w = ActivateInPlace(c.Get(), site);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(c->put_Background_Color(0x8000000F), S_OK);
    uint32_t shown = 0;
    PumpUntil([&] { shown = ClientPixel(PlayerWindowIn(w), 80, 60); return shown == faceOnScreen; }, 5000);
    EXPECT_EQ(shown, faceOnScreen);
    EXPECT_EQ(DrawnColour(c.Get()), face);
    CloseInPlace(c.Get());
    c = nullptr;
    site->Release();
}

// ATL's control host (Wine's atl.dll) creates the control from its ProgID and activates it in place.
TEST(ControlHosting, AtlAxWinHostsTheControlByProgID) {
    HMODULE atl = LoadLibraryW(L"atl.dll");
    ASSERT_NE(atl, nullptr);
    auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    ASSERT_TRUE(init && getControl);
    ASSERT_TRUE(init());
    HWND host = SharedHostWindow();
    HWND ax = CreateWindowExW(0, L"AtlAxWin", L"Zantorival_Media_Player_AX.TxZRMediaPlayer",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 30, 30, 200, 150, host, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(ax, nullptr);
    ComPtr<IUnknown> unk;
    ASSERT_EQ(getControl(ax, unk.Put()), S_OK);
    ComPtr<ITxZRMediaPlayer> c = unk.As<ITxZRMediaPlayer>();
    ASSERT_TRUE(c);

    // Active in place inside ATL's window, painting its background colour there.
    ComPtr<IOleWindow> ow = c.As<IOleWindow>();
    HWND w = nullptr;
    ASSERT_EQ(ow->GetWindow(&w), S_OK);
    EXPECT_TRUE(IsChild(ax, w));
    c->put_Background_Color(RGB(255, 0, 0));
    char colour = '?';
    PumpUntil([&] { colour = ColourClass(ClientPixel(ax, 100, 75)); return colour == 'R'; }, 5000);
    EXPECT_EQ(colour, 'R');

    // ATL closes and releases the control with its window; the DLL is then free to unload.
    c = nullptr;
    unk = nullptr;
    ow = nullptr;
    DestroyWindow(ax);
    auto canUnload = reinterpret_cast<HRESULT(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ZRMediaPlayer.dll"), "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return canUnload() == S_OK; }, 3000));
}
