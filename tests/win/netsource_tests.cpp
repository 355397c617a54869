// The network source (SM_MMS_WMV): the platform's ASF reader opened on FilenameOrURL.
#include <cstdio>

#include "playerfixture.h"

namespace {

std::string Quadrants(HWND h) { return ClientColours(h, {{80, 60}, {240, 60}, {80, 180}, {240, 180}}); }

class NetworkPlayerTest : public PlayerTest {
protected:
    bool PlayUrl(const std::wstring& url) {
        player->Set_Source_Mode(SM_MMS_WMV);
        player->Set_Screen_VideoRenderer(VR_VideoRenderer);
        player->Set_FilenameOrURL(url);
        return player->Play();
    }
    // Runs f and returns how long it took in milliseconds.
    template <class F>
    DWORD Timed(F f) {
        DWORD t0 = GetTickCount();
        f();
        return GetTickCount() - t0;
    }
};

// A stream with sound only: no picture, no renderer wrapper, played to its end.
TEST_F(NetworkPlayerTest, AudioOnlyAsfPlaysToItsEnd) {
    ASSERT_TRUE(MediaExists(L"audioonly.wma"));
    MakePlayer(false);
    ASSERT_TRUE(PlayUrl(MediaPath(L"audioonly.wma")));
    EXPECT_TRUE(log.errors.empty());
    EXPECT_TRUE(player->AudioAvailable());
    EXPECT_FALSE(player->VideoAvailable());
    EXPECT_EQ(player->MainScreen(), nullptr);
    EXPECT_TRUE(WaitPosition(500));
    EXPECT_TRUE(WaitStop(10000));
}

// A stream with a picture only: shown in the classic renderer and played to its end.
TEST_F(NetworkPlayerTest, VideoOnlyAsfShowsPictureAndPlaysToItsEnd) {
    ASSERT_TRUE(MediaExists(L"videoonly.wmv"));
    MakePlayer(false);
    ASSERT_TRUE(PlayUrl(MediaPath(L"videoonly.wmv")));
    EXPECT_TRUE(log.errors.empty());
    EXPECT_TRUE(player->VideoAvailable());
    ASSERT_NE(player->MainScreen(), nullptr);
    player->Screen_Update();
    std::string q;
    PumpUntil([&] { q = Quadrants(player->Handle()); return q == "RGBW"; }, 4000);
    EXPECT_EQ(q, "RGBW");
    EXPECT_TRUE(WaitStop(10000));
}

// No URL: reported, and the build goes on without a source.
TEST_F(NetworkPlayerTest, BlankUrlIsReported) {
    MakePlayer(false);
    for (const wchar_t* url : {L"", L"   "}) {
        log = EventLog();
        EXPECT_TRUE(PlayUrl(url));
        EXPECT_TRUE(log.HasError(L"MMS / WMV URL is incorrect"));
        EXPECT_TRUE(player->HasGraph());
        player->Close();
    }
}

// Sources that cannot be opened fail without holding the host's thread.
TEST_F(NetworkPlayerTest, UnreachableUrlsFailWithoutHanging) {
    MakePlayer(false);
    for (const wchar_t* url : {L"http://127.0.0.1:9/none.wmv", L"mms://127.0.0.1:9/none", L"Z:\\no\\such\\file.wmv"}) {
        SCOPED_TRACE(testing::Message() << std::string(url, url + wcslen(url)));
        log = EventLog();
        DWORD t = Timed([&] { PlayUrl(url); });
        EXPECT_LT(t, 10000u);
        EXPECT_FALSE(player->VideoAvailable());
        EXPECT_FALSE(player->AudioAvailable());
        PumpFor(300);
        EXPECT_LT(Timed([&] { player->Stop(); }), 3000u);
        EXPECT_LT(Timed([&] { player->Close(); }), 3000u);
    }
}

// Sound and picture together: the platform's reader may never start such a stream. Whatever it does,
// the control stays in the host's hands: Stop, Close and a new Play return promptly.
TEST_F(NetworkPlayerTest, AudioAndVideoTogetherNeverHoldTheHost) {
    ASSERT_TRUE(MediaExists(L"clip.wmv"));
    MakePlayer(false);
    DWORD t = Timed([&] { EXPECT_TRUE(PlayUrl(MediaPath(L"clip.wmv"))); });
    EXPECT_LT(t, 10000u);
    EXPECT_TRUE(player->VideoAvailable());
    EXPECT_TRUE(player->AudioAvailable());
    PumpFor(1500);
    // What the host sees meanwhile (printed for the record: the platform decides).
    std::printf("audio+video ASF after 1.5 s: position %d ms, %d errors, %d stops\n", player->Position_Get_Time(),
                static_cast<int>(log.errors.size()), log.stops);
    EXPECT_LT(Timed([&] { player->Position_Set_Time(1000); }), 3000u);  // a host may seek meanwhile
    PumpFor(500);
    EXPECT_LT(Timed([&] { player->Stop(); }), 3000u);
    EXPECT_EQ(player->Status(), ST_FREE);
    EXPECT_LT(Timed([&] { PlayUrl(MediaPath(L"clip.wmv")); }), 10000u);
    PumpFor(1000);
    EXPECT_LT(Timed([&] { player->Close(); }), 3000u);
    EXPECT_FALSE(player->HasGraph());
    EXPECT_LT(Timed([&] { PlayUrl(MediaPath(L"clip.wmv")); }), 10000u);
    PumpFor(500);
    EXPECT_LT(Timed([&] { PlayUrl(MediaPath(L"clip.wmv")); }), 10000u);  // Play over a playing one
    PumpFor(500);
}

}  // namespace
