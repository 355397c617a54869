// The picture on screen: the generated clips show four flat quadrants, red (top left), green (top right),
// blue (bottom left) and white (bottom right); the tests read the screen under the player's window.
#include "playerfixture.h"

namespace {
std::string Quadrants(HWND h, int w, int ht) {
    return ClientColours(h, {{w / 4, ht / 4}, {3 * w / 4, ht / 4}, {w / 4, 3 * ht / 4}, {3 * w / 4, 3 * ht / 4}});
}
}  // namespace

// The classic Video Renderer draws into the player as a child of a host window.
TEST_F(PlayerTest, ClassicRendererShowsEveryKindInAChildWindow) {
    for (const wchar_t* f : {L"clip.avi", L"clip.mp4", L"clip.mpg", L"clip.wmv", L"videoonly.avi"}) {
        SCOPED_TRACE(f);
        MakePlayer(false);
        ASSERT_TRUE(PlayFile(f, VR_VideoRenderer));
        player->Screen_Update();
        ASSERT_TRUE(WaitPosition(600));
        std::string q;
        PumpUntil([&] { q = Quadrants(player->Handle(), 320, 240); return q == "RGBW"; }, 3000);
        EXPECT_EQ(q, "RGBW");
    }
}

// Direct3D renderers show on a top-level window.
TEST_F(PlayerTest, Vmr9ShowsPictureAndZoom) {
    MakePlayer(true, 320, 240, 400, 300);
    player->Set_Loop(true);  // the checks below outlast one run of the clip
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VMR9));
    ASSERT_NE(player->MainScreen(), nullptr);
    player->Screen_Update();
    ASSERT_TRUE(WaitPosition(400));
    std::string q;
    PumpUntil([&] { q = Quadrants(player->Handle(), 320, 240); return q == "RGBW"; }, 3000);
    EXPECT_EQ(q, "RGBW");

    // Zoom 50 with a shift of 80 source pixels to the right: the window shows the source rectangle
    // (160, 60)-(320, 180), so its left half is green over white instead of red over blue.
    player->Set_Screen_Zoom_Ratio(50);
    player->Set_Screen_Zoom_ShiftX(80);
    PumpUntil([&] { q = Quadrants(player->Handle(), 320, 240); return q == "GGWW"; }, 3000);
    EXPECT_EQ(q, "GGWW");
    player->Set_Screen_Zoom_ShiftX(0);
    player->Set_Screen_Zoom_Ratio(0);

}

// A 16:9 shape in a 4:3 window: the renderer is given (0, 30)-(320, 210) as the picture's place, and the
// picture shows there. The rows above and below are not read: Wine's VMR-9 repaints (RepaintVideo, on every
// WM_PAINT) by presenting the whole frame over the whole window, and a paint after the first frame leaves
// that picture in the bars for good.
TEST_F(PlayerTest, Vmr9AspectOverrideLetterboxes) {
    MakePlayer(true, 320, 240, 400, 300);
    player->Set_Background_Color(RGB(255, 255, 0));
    PumpFor(200);
    player->Set_Loop(true);
    player->Set_Screen_Aspect_Ratio_Override(true);
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VMR9));
    player->Screen_Update();
    ASSERT_TRUE(WaitPosition(400));
    ASSERT_TRUE(player->MainScreen() && player->MainScreen()->pVMRWindowlessControl);
    RECT src{}, dest{};
    ASSERT_EQ(player->MainScreen()->pVMRWindowlessControl->GetVideoPosition(&src, &dest), S_OK);
    EXPECT_EQ(dest.left, 0);
    EXPECT_EQ(dest.top, 30);
    EXPECT_EQ(dest.right, 320);
    EXPECT_EQ(dest.bottom, 210);
    EXPECT_EQ(src.right - src.left, 320);
    EXPECT_EQ(src.bottom - src.top, 240);
    char top = '?', bottom = '?';
    PumpUntil([&] {
        top = ColourClass(ClientPixel(player->Handle(), 80, 60));
        bottom = ColourClass(ClientPixel(player->Handle(), 80, 180));
        return top == 'R' && bottom == 'B';
    }, 3000);
    EXPECT_EQ(top, 'R');
    EXPECT_EQ(bottom, 'B');
}

TEST_F(PlayerTest, ClassicRendererZoomShowsTheCentre) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
    player->Set_Screen_Zoom_Ratio(50);
    player->Set_Screen_Zoom_ShiftX(80);
    ASSERT_TRUE(WaitPosition(400));
    std::string q;
    PumpUntil([&] { q = Quadrants(player->Handle(), 320, 240); return q == "GGWW"; }, 3000);
    EXPECT_EQ(q, "GGWW");
}
