// The player on real playback: building, transport, positions, end of stream, loop and selection.
#include "playerfixture.h"
#include "player/texts.h"

TEST_F(PlayerTest, DefaultsAndWindowSize) {
    MakePlayer(false, 3, 3);
    EXPECT_EQ(player->Width(), 40);
    EXPECT_EQ(player->Height(), 40);
    MakePlayer(false, 3, 10);
    EXPECT_EQ(player->Width(), 3);
    EXPECT_EQ(player->Height(), 10);

    EXPECT_EQ(player->ControlVersion(), L"6.0.1.0");
    EXPECT_EQ(player->Status(), ST_FREE);
    EXPECT_EQ(player->Source_Mode(), SM_File);
    EXPECT_EQ(player->Screen_VideoRenderer(), VR_VMR9);
    EXPECT_EQ(player->Screen_Aspect_Ratio_X(), 16);
    EXPECT_EQ(player->Screen_Aspect_Ratio_Y(), 9);
    EXPECT_EQ(player->ChromaKey_Color(), Chroma_Green);
    EXPECT_EQ(player->ChromaKey_ContrastHigh(), 70);
    EXPECT_EQ(player->ChromaKey_ContrastLow(), 110);
    EXPECT_TRUE(player->MotionDetection_Compare_Greyscale());
    EXPECT_EQ(player->MotionDetection_Matrix_Width(), 8);
    EXPECT_EQ(player->Video_Resize_NewWidth(), 640);
    EXPECT_EQ(player->Video_Resize_Mode(), rm_Bilinear);
    EXPECT_DOUBLE_EQ(player->Frame_Save_ZoomRatio(), 1.0);
    EXPECT_TRUE(player->Audio_Play());
    EXPECT_TRUE(player->Source_Stream_Audio_Present());
    EXPECT_EQ(player->Background_Image_DrawMode(), DM_Center);
    // Stored-only settings read back what was written and change nothing else.
    player->Set_Video_Resize_NewWidth(1234);
    EXPECT_EQ(player->Video_Resize_NewWidth(), 1234);
    // A zoom written without playback is only stored.
    player->Set_Screen_Zoom_Ratio(25);
    EXPECT_EQ(player->Screen_Zoom_Ratio(), 25);
    EXPECT_EQ(player->MainScreen(), nullptr);
}

TEST_F(PlayerTest, MissingFileReportsAndKeepsCurrentPlayback) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(WaitPosition(300));
    player->Set_FilenameOrURL(MediaPath(L"no-such-file.avi"));
    EXPECT_FALSE(player->Play());
    EXPECT_TRUE(log.HasError(ZRText::kCantFindInputFile));
    EXPECT_EQ(player->Status(), ST_PLAY);
    EXPECT_TRUE(player->HasGraph());
    player->Set_FilenameOrURL(L"");
    EXPECT_FALSE(player->Play());
}

TEST_F(PlayerTest, EndOfStreamRaisesOnStopOnceAndKeepsGraph) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    EXPECT_EQ(log.starts, 1);  // raised once the graph runs
    EXPECT_EQ(player->Status(), ST_PLAY);
    EXPECT_TRUE(player->VideoAvailable());
    EXPECT_TRUE(player->AudioAvailable());
    EXPECT_NEAR(player->Duration_Time(), 3000, 100);
    ASSERT_TRUE(WaitStop());
    PumpFor(500);
    EXPECT_EQ(log.stops, 1);
    EXPECT_EQ(player->Status(), ST_FREE);
    EXPECT_EQ(player->Position_Get_Time(), 0);
    EXPECT_TRUE(player->HasGraph());  // stopped at its end, kept until the next Play or Close
    player->Stop();                    // free: nothing to do
    EXPECT_TRUE(player->HasGraph());
    player->Close();
    EXPECT_FALSE(player->HasGraph());
    player->Close();  // twice in a row does nothing
    EXPECT_EQ(log.stops, 1);
}

TEST_F(PlayerTest, AudioOnlyFileBuildsNoRenderer) {
    MakePlayer(false);
    for (const wchar_t* f : {L"clip.mp3", L"clip.wav", L"audioonly.mp4"}) {
        SCOPED_TRACE(f);
        log = {};
        MakePlayer(false);
        ASSERT_TRUE(PlayFile(f));
        EXPECT_FALSE(player->VideoAvailable());
        EXPECT_TRUE(player->AudioAvailable());
        EXPECT_EQ(player->MainScreen(), nullptr);
        EXPECT_TRUE(WaitStop());
        EXPECT_TRUE(log.errors.empty());
    }
}

TEST_F(PlayerTest, PauseResumeStopAndPlayOnPause) {
    MakePlayer(false);
    player->Pause();  // free: nothing
    player->Resume();
    EXPECT_TRUE(log.errors.empty());
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    ASSERT_TRUE(WaitPosition(200));
    player->Pause();
    EXPECT_EQ(player->Status(), ST_PAUSE);
    PumpFor(300);
    int32_t p1 = player->Position_Get_Time();
    PumpFor(400);
    EXPECT_NEAR(player->Position_Get_Time(), p1, 60);
    // Play on a paused playback runs it again, builds nothing and answers false.
    IGraphBuilder* graph = player->Graph();
    EXPECT_FALSE(player->Play());
    EXPECT_EQ(player->Status(), ST_PLAY);
    EXPECT_EQ(player->Graph(), graph);
    ASSERT_TRUE(WaitPosition(p1 + 300));
    player->Pause();
    player->Resume();
    EXPECT_EQ(player->Status(), ST_PLAY);
    player->Stop();
    EXPECT_EQ(player->Status(), ST_FREE);
    EXPECT_FALSE(player->HasGraph());
    EXPECT_EQ(log.stops, 0);  // Stop raises no OnStop
}

// Seeks on a running audio + video graph; afterwards Stop must still return.
TEST_F(PlayerTest, SeekByTimeAndFrameThenStop) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    ASSERT_TRUE(WaitPosition(100));
    EXPECT_TRUE(player->Position_Set_Time(2000));
    EXPECT_EQ(player->Status(), ST_PLAY);
    EXPECT_GE(player->Position_Get_Time(), 1990);
    ASSERT_TRUE(WaitPosition(2200));
    player->Pause();
    EXPECT_TRUE(player->Position_Set_Time(500));
    EXPECT_NEAR(player->Position_Get_Time(), 500, 40);
    EXPECT_EQ(player->Status(), ST_PAUSE);

    EXPECT_EQ(player->Duration_Frames(), 75);  // 3 s at 25 frames per second
    EXPECT_TRUE(player->Position_Set_Frame(50));
    EXPECT_EQ(player->Position_Get_Frame(), 50);
    EXPECT_NEAR(player->Position_Get_Time(), 2000, 40);
    // Frame numbers are never media times, whatever the graph supports.
    EXPECT_LT(player->Position_Get_Frame(), 100);

    EXPECT_TRUE(player->NextFrame());
    EXPECT_EQ(player->Status(), ST_PAUSE);
    EXPECT_EQ(player->Position_Get_Frame(), 51);
    player->Resume();
    ASSERT_TRUE(WaitPosition(2300));
    DWORD t = GetTickCount();
    player->Stop();
    EXPECT_LT(GetTickCount() - t, 3000u);
    EXPECT_FALSE(player->HasGraph());
}

TEST_F(PlayerTest, NextFrameOnPlayingFilePausesAndSteps) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(WaitPosition(400));
    ASSERT_TRUE(player->NextFrame());
    EXPECT_EQ(player->Status(), ST_PAUSE);
    int32_t f = player->Position_Get_Frame();
    ASSERT_TRUE(player->NextFrame());
    EXPECT_EQ(player->Position_Get_Frame(), f + 1);
}

TEST_F(PlayerTest, SetSpeedAlwaysEndsPlayingAndTellsWhetherTheRateTookEffect) {
    MakePlayer(false);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(WaitPosition(200));
    player->Pause();
    bool changed = player->SetSpeed(2.0);
    EXPECT_EQ(player->Status(), ST_PLAY);
    ComPtr<IMediaSeeking> seeking;
    player->Graph()->QueryInterface(IID_IMediaSeeking, seeking.PutVoid());
    double rate = 0;
    ASSERT_EQ(seeking->GetRate(&rate), S_OK);
    // True exactly when the graph now reports the new rate (some graphs accept a rate and ignore it).
    EXPECT_EQ(changed, rate == 2.0);
}

TEST_F(PlayerTest, LoopRestartsFromTheBeginning) {
    MakePlayer(false);
    player->Set_Loop(true);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    ASSERT_TRUE(WaitPosition(2500));
    // After the end the position comes back near the start and playback goes on.
    EXPECT_TRUE(PumpUntil([&] { return player->Position_Get_Time() < 1500; }, 5000));
    EXPECT_EQ(player->Status(), ST_PLAY);
    EXPECT_EQ(log.stops, 0);
}

TEST_F(PlayerTest, LoopWithSelectionReturnsToSelectionStart) {
    MakePlayer(false);
    player->Set_Loop(true);
    player->Set_Selection_Active(true);
    player->Set_Selection_Start(1000);
    player->Set_Selection_Stop(2000);
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    EXPECT_GE(player->Position_Get_Time(), 990);
    int32_t lo = 100000, hi = 0;
    bool wrapped = false;
    int32_t last = 0;
    PumpUntil([&] {
        int32_t p = player->Position_Get_Time();
        lo = std::min(lo, p);
        hi = std::max(hi, p);
        if (last > 1700 && p < 1400) wrapped = true;
        last = p;
        return false;
    }, 3500);
    EXPECT_TRUE(wrapped);
    EXPECT_GE(lo, 950);
    EXPECT_LE(hi, 2300);  // the end event arrives a little after the stop position
    EXPECT_EQ(log.stops, 0);
    EXPECT_EQ(player->Status(), ST_PLAY);
}

TEST_F(PlayerTest, SelectionStopsAtItsEnd) {
    MakePlayer(false);
    player->Set_Selection_Active(true);
    player->Set_Selection_Start(1500);
    player->Set_Selection_Stop(2000);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    DWORD t = GetTickCount();
    ASSERT_TRUE(WaitStop(5000));
    EXPECT_LT(GetTickCount() - t, 1800u);
}

TEST_F(PlayerTest, UnknownCustomDecoderReportsAndStillPlays) {
    MakePlayer(false);
    player->Set_Video_Decoder(L"No Such Decoder");
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    EXPECT_TRUE(log.HasError(std::wstring(ZRText::kUnableToInitDecoder) + L"No Such Decoder"));
    EXPECT_TRUE(WaitPosition(300));
}

TEST_F(PlayerTest, DecoderThatCannotConnectReportsFirstRendering) {
    MakePlayer(false);
    // A renderer named as the decoder: it has no output, so no chain can pass through it.
    player->Set_Video_Decoder(L"Null Renderer");
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    EXPECT_TRUE(log.HasError(ZRText::kFirstRendering));
    EXPECT_EQ(player->Status(), ST_PLAY);
}

TEST_F(PlayerTest, OddWindowSizeBecomesEvenAtPlay) {
    MakePlayer(false, 321, 241);
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    EXPECT_EQ(player->Width(), 320);
    EXPECT_EQ(player->Height(), 240);
}

TEST_F(PlayerTest, EveryKindPlaysToItsEnd) {
    for (const wchar_t* f : {L"clip.avi", L"clip.mp4", L"clip.mpg", L"clip.wmv", L"twoaudio.avi", L"videoonly.avi"}) {
        SCOPED_TRACE(f);
        log = {};
        MakePlayer(false);
        ASSERT_TRUE(PlayFile(f));
        EXPECT_TRUE(player->VideoAvailable());
        EXPECT_TRUE(WaitStop(12000));
        EXPECT_EQ(player->Status(), ST_FREE);
    }
}

TEST_F(PlayerTest, BrokenFilesNeverHang) {
    for (const wchar_t* f : {L"truncated.mp4", L"random.avi"}) {
        SCOPED_TRACE(f);
        log = {};
        MakePlayer(false);
        PlayFile(f);  // may or may not build
        PumpFor(500);
        player->Position_Get_Time();
        player->Duration_Time();
        DWORD t = GetTickCount();
        player->Stop();
        player->Close();
        EXPECT_LT(GetTickCount() - t, 5000u);
        EXPECT_EQ(player->Status(), ST_FREE);
    }
}

namespace {
// Points a class's in-process server at a missing DLL for the life of the object, then restores it.
class BrokenClass {
public:
    explicit BrokenClass(const wchar_t* clsid) {
        key_ = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
        HKEY k;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
        wchar_t buf[MAX_PATH] = {};
        DWORD size = sizeof(buf), type = 0;
        if (RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS) {
            saved_.assign(buf);
            const wchar_t bogus[] = L"zr-no-such-module.dll";
            ok_ = RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(bogus), sizeof(bogus)) == ERROR_SUCCESS;
        }
        RegCloseKey(k);
    }
    ~BrokenClass() {
        if (!ok_) return;
        HKEY k;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_SET_VALUE, &k) != ERROR_SUCCESS) return;
        RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                       static_cast<DWORD>((saved_.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }
    bool ok() const { return ok_; }

private:
    std::wstring key_, saved_;
    bool ok_ = false;
};
}  // namespace

TEST_F(PlayerTest, MissingRendererReportsAndBuildGoesOn) {
    MakePlayer(false);
    {
        BrokenClass broken(L"{70E102B0-5556-11CE-97C0-00AA0055595A}");  // the classic Video Renderer
        ASSERT_TRUE(broken.ok());
        ASSERT_TRUE(PlayFile(L"clip.avi", VR_VideoRenderer));
    }
    EXPECT_TRUE(log.HasError(ZRText::kUnableToAddRenderer));
    EXPECT_TRUE(log.HasError(ZRText::kFirstRendering));
    EXPECT_EQ(player->Status(), ST_PLAY);  // the build went on: sound without picture
    player->Close();
    // The class works again once restored.
    log = {};
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(PlayerTest, FilterMembers) {
    MakePlayer(false);
    // Renderer support follows the registered friendly name and a real instance.
    EXPECT_TRUE(player->Filter_Supported_VMR9());
    player->Filter_Supported_EVR();  // answers either way; must not disturb anything
    // Merits: read, written and read back on a real registration; other letter case finds nothing.
    const std::wstring vr = L"Video Renderer";
    const int32_t merit = player->DirectShow_Filter_Merit_Get(vr);
    EXPECT_NE(merit, 0);
    EXPECT_EQ(player->DirectShow_Filter_Merit_Get(L"VIDEO RENDERER"), 0);
    ASSERT_TRUE(player->DirectShow_Filter_Merit_Set(vr, 0x1234));
    EXPECT_EQ(player->DirectShow_Filter_Merit_Get(vr), 0x1234);
    ASSERT_TRUE(player->DirectShow_Filter_Merit_Set(vr, merit));
    EXPECT_EQ(player->DirectShow_Filter_Merit_Get(vr), merit);
    // The dialog lookup ignores letter case; Wine's filters have no property pages.
    EXPECT_FALSE(player->DirectShow_Filter_Has_Dialog(L"video renderer", ppDefault));
    EXPECT_EQ(player->DirectShow_Filters_GetCount(), 0);
    EXPECT_EQ(player->DirectShow_Filters_GetItem(0), L"");
    // A blacklisted splitter is never chosen while the graph builds itself.
    player->DirectShow_Filters_Blacklist_Add(L"gstreamer SPLITTER filter");
    ASSERT_TRUE(PlayFile(L"clip.avi", VR_VideoRenderer));
    ComPtr<IBaseFilter> f;
    EXPECT_NE(player->Graph()->FindFilterByName(L"GStreamer splitter filter", f.Put()), S_OK);
    player->Close();
    player->DirectShow_Filters_Blacklist_Clear();
    ASSERT_TRUE(PlayFile(L"clip.avi", VR_VideoRenderer));
    EXPECT_EQ(player->Graph()->FindFilterByName(L"GStreamer splitter filter", f.Put()), S_OK);
}

TEST_F(PlayerTest, MissingFilterGraphReportsAndLeavesNothingBehind) {
    MakePlayer(false);
    {
        BrokenClass broken(L"{E436EBB3-524F-11CE-9F53-0020AF0BA770}");  // the filter graph
        ASSERT_TRUE(broken.ok());
        EXPECT_TRUE(PlayFile(L"clip.avi"));  // a new playback was started; its steps failed in turn
        EXPECT_TRUE(log.HasError(ZRText::kUnableToCreateGraph));
        EXPECT_EQ(player->Status(), ST_PLAY);
        EXPECT_EQ(player->Position_Get_Time(), 0);
        EXPECT_FALSE(player->NextFrame());
        player->Stop();
        EXPECT_EQ(player->Status(), ST_FREE);
    }
    log = {};
    ASSERT_TRUE(PlayFile(L"videoonly.avi"));
    EXPECT_TRUE(WaitPosition(200));
    EXPECT_TRUE(log.errors.empty());
}
