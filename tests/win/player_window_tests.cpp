// The player window: input messages to events, private messages, painting and the background image.
#include <windows.h>
#include "playerfixture.h"

namespace {
struct Input {
    std::vector<std::wstring> seen;
};
std::wstring B(bool v) { return v ? L"1" : L"0"; }

void HookEverything(TZRMediaPlayer& p, Input& in) {
    p.OnMouseDown.Set([](void* c, TZRMouseButton b, int32_t x, int32_t y, bool ctrl, bool shift, bool, bool l, bool r,
                         bool m) {
        static_cast<Input*>(c)->seen.push_back(L"down " + std::to_wstring(b) + L" " + std::to_wstring(x) + L"," +
                                               std::to_wstring(y) + L" " + B(ctrl) + B(shift) + B(l) + B(r) + B(m));
    }, &in);
    p.OnMouseUp.Set([](void* c, TZRMouseButton b, int32_t x, int32_t y, bool, bool, bool, bool, bool, bool) {
        static_cast<Input*>(c)->seen.push_back(L"up " + std::to_wstring(b) + L" " + std::to_wstring(x) + L"," +
                                               std::to_wstring(y));
    }, &in);
    p.OnMouseMove.Set([](void* c, int32_t x, int32_t y) {
        static_cast<Input*>(c)->seen.push_back(L"move " + std::to_wstring(x) + L"," + std::to_wstring(y));
    }, &in);
    p.OnMouseDoubleClick.Set([](void* c) { static_cast<Input*>(c)->seen.push_back(L"dblclick"); }, &in);
    p.OnMouseWheelUp.Set([](void* c, int32_t x, int32_t y, bool ctrl, bool, bool, bool, bool, bool, bool, bool,
                            int32_t v) {
        static_cast<Input*>(c)->seen.push_back(L"wheelup " + std::to_wstring(v) + L" " + std::to_wstring(x) + L"," +
                                               std::to_wstring(y) + L" " + B(ctrl));
    }, &in);
    p.OnMouseWheelDown.Set([](void* c, int32_t, int32_t, bool, bool, bool, bool, bool, bool, bool, bool, int32_t v) {
        static_cast<Input*>(c)->seen.push_back(L"wheeldown " + std::to_wstring(v));
    }, &in);
    p.OnKeyDown.Set([](void* c, char k, int32_t n) {
        static_cast<Input*>(c)->seen.push_back(L"keydown " + std::to_wstring(static_cast<unsigned char>(k)) + L" x" +
                                               std::to_wstring(n));
    }, &in);
    p.OnKeyUp.Set([](void* c, char k, int32_t n) {
        static_cast<Input*>(c)->seen.push_back(L"keyup " + std::to_wstring(static_cast<unsigned char>(k)) + L" x" +
                                               std::to_wstring(n));
    }, &in);
}
}  // namespace

TEST_F(PlayerTest, InputMessagesRaiseTheirEvents) {
    MakePlayer(false);
    Input in;
    HookEverything(*player, in);
    HWND h = player->Handle();
    struct Case { UINT msg; WPARAM wp; LPARAM lp; const wchar_t* expect; };
    const Case cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 20), L"down 0 10,20 10100"},
        {WM_LBUTTONUP, 0, MAKELPARAM(11, 21), L"up 0 11,21"},
        {WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(1, 2), L"down 1 1,2 01010"},
        {WM_RBUTTONUP, 0, MAKELPARAM(1, 2), L"up 1 1,2"},
        {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(3, 4), L"down 2 3,4 00001"},
        {WM_MBUTTONUP, 0, MAKELPARAM(3, 4), L"up 2 3,4"},
        {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), MAKELPARAM(5, 6), L"down 3 5,6 00000"},
        {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(5, 6), L"down 4 5,6 00000"},
        {WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(7, 8), L"up 4 7,8"},
        {WM_LBUTTONDBLCLK, 0, 0, L"dblclick"},
        {WM_MOUSEMOVE, 0, MAKELPARAM(300, 200), L"move 300,200"},
        // Coordinates are the unsigned words of LParam.
        {WM_MOUSEMOVE, 0, MAKELPARAM(0xFFFF, 2), L"move 65535,2"},
        {WM_KEYDOWN, 'A', 3, L"keydown 65 x3"},
        {WM_KEYUP, VK_SPACE, 1, L"keyup 32 x1"},
    };
    for (const Case& c : cases) {
        in.seen.clear();
        SendMessageW(h, c.msg, c.wp, c.lp);
        ASSERT_EQ(in.seen.size(), 1u) << c.expect;
        EXPECT_EQ(in.seen[0], c.expect);
    }
    if (GetSystemMetrics(SM_MOUSEWHEELPRESENT)) {
        in.seen.clear();
        SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), MAKELPARAM(50, 60));
        SendMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 240), MAKELPARAM(50, 60));
        ASSERT_EQ(in.seen.size(), 2u);
        EXPECT_EQ(in.seen[0], L"wheeldown 120");
        EXPECT_EQ(in.seen[1], L"wheelup 240 50,60 1");
    }
    // Without hooks every input message is still consumed quietly.
    MakePlayer(false);
    for (const Case& c : cases) SendMessageW(player->Handle(), c.msg, c.wp, c.lp);
    SendMessageW(player->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
}

TEST_F(PlayerTest, StopAndRefreshMessages) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(WaitPosition(200));
    PostMessageW(player->Handle(), WM_ZR_STOP, 0, 0);
    PostMessageW(player->Handle(), WM_ZR_REFRESH, 0, 0);
    PumpFor(200);
    EXPECT_EQ(log.stops, 1);
    EXPECT_EQ(player->Status(), ST_FREE);
    EXPECT_TRUE(player->HasGraph());  // the message does not stop the graph
}

TEST_F(PlayerTest, IdleWindowShowsBackgroundColour) {
    MakePlayer(false);
    player->Set_Background_Color(RGB(255, 0, 0));  // 0x00BBGGRR
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(player->Handle(), 100, 100)), 'R');
    player->Set_Background_Color(RGB(0, 0, 255));
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(player->Handle(), 100, 100)), 'B');
}

namespace {
// Writes a w x h BMP whose left half is green and right half yellow.
std::wstring WriteBmp(const wchar_t* name, int w, int h) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + name;
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = x < w / 2 ? 0x0000FF00 : 0x00FFFF00;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof(ih);
    ih.biWidth = w;
    ih.biHeight = -h;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(px.size() * 4);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(f, &fh, sizeof(fh), &n, nullptr);
    WriteFile(f, &ih, sizeof(ih), &n, nullptr);
    WriteFile(f, px.data(), static_cast<DWORD>(px.size() * 4), &n, nullptr);
    CloseHandle(f);
    return path;
}
}  // namespace

TEST_F(PlayerTest, BackgroundImageModes) {
    MakePlayer(false, 320, 240);
    player->Set_Background_Color(RGB(0, 0, 255));
    std::wstring small = WriteBmp(L"zr_bg_small.bmp", 100, 60);
    ASSERT_TRUE(player->Background_Image_SetFromFile(small));
    PumpFor(200);
    HWND h = player->Handle();
    // Centred: (110, 90) .. (210, 150); blue around it.
    EXPECT_EQ(ColourClass(ClientPixel(h, 130, 120)), 'G');
    EXPECT_EQ(ColourClass(ClientPixel(h, 190, 120)), 'Y');
    EXPECT_EQ(ColourClass(ClientPixel(h, 20, 20)), 'B');
    player->Set_Background_Image_DrawMode(DM_Stretch);
    InvalidateRect(h, nullptr, FALSE);
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(h, 20, 20)), 'G');
    EXPECT_EQ(ColourClass(ClientPixel(h, 300, 220)), 'Y');
    player->Set_Background_Image_DrawMode(DM_Repeat);
    InvalidateRect(h, nullptr, FALSE);
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(h, 20, 20)), 'G');
    EXPECT_EQ(ColourClass(ClientPixel(h, 80, 20)), 'Y');
    EXPECT_EQ(ColourClass(ClientPixel(h, 120, 80)), 'G');  // second column, second row
    // A file that cannot be read keeps the previous image.
    EXPECT_FALSE(player->Background_Image_SetFromFile(MediaPath(L"random.avi")));
    EXPECT_FALSE(player->Background_Image_SetFromFile(L""));
    InvalidateRect(h, nullptr, FALSE);
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(h, 20, 20)), 'G');
    // An image larger than the window is drawn from (0, 0) when centred.
    std::wstring big = WriteBmp(L"zr_bg_big.bmp", 400, 300);
    ASSERT_TRUE(player->Background_Image_SetFromFile(big));
    player->Set_Background_Image_DrawMode(DM_Center);
    InvalidateRect(h, nullptr, FALSE);
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(h, 190, 120)), 'G');
    EXPECT_EQ(ColourClass(ClientPixel(h, 210, 120)), 'Y');
    player->Background_Image_Clear();
    PumpFor(200);
    EXPECT_EQ(ColourClass(ClientPixel(h, 20, 20)), 'B');
    DeleteFileW(small.c_str());
    DeleteFileW(big.c_str());
}

TEST_F(PlayerTest, CursorMembers) {
    MakePlayer(false);
    HCURSOR cross = LoadCursorW(nullptr, (LPCWSTR)IDC_CROSS);
    player->Cursor_Set(cross);
    SendMessageW(player->Handle(), WM_SETCURSOR, (WPARAM)player->Handle(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), cross);
    player->Cursor_SetDefault();
    SendMessageW(player->Handle(), WM_SETCURSOR, (WPARAM)player->Handle(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
    player->Cursor_SetI(0);  // restores the system arrow
    SendMessageW(player->Handle(), WM_SETCURSOR, (WPARAM)player->Handle(), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
    player->Test();
}
