// Our DVD navigator, created by class from the filters DLL: the volume's tables through IDvdInfo2, navigation
// through IDvdControl2 with its DVD events in a graph, and the failures of missing or damaged volumes.
#include <windows.h>
#include <dshow.h>
#include <dvdevcod.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "filters/filter_guids.h"
#include "graph/comptr.h"
#include "testutil.h"

namespace {

namespace fs = std::filesystem;

ComPtr<IBaseFilter> Navigator() {
    ComPtr<IBaseFilter> f;
    EXPECT_EQ(CoCreateInstance(zrf::CLSID_ZRDvdNavigator, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               f.PutVoid()), S_OK);
    return f;
}

class DvdNav : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MediaExists(L"disc1\\VIDEO_TS\\VIDEO_TS.IFO")) GTEST_SKIP() << "no authored discs";
        nav = Navigator();
        ASSERT_TRUE(nav);
        ASSERT_EQ(nav->QueryInterface(IID_IDvdControl2, ctl.PutVoid()), S_OK);
        ASSERT_EQ(nav->QueryInterface(IID_IDvdInfo2, info.PutVoid()), S_OK);
    }
    ComPtr<IBaseFilter> nav;
    ComPtr<IDvdControl2> ctl;
    ComPtr<IDvdInfo2> info;
};

TEST_F(DvdNav, VolumeAndTitleInformation) {
    ASSERT_EQ(ctl->SetDVDDirectory(MediaPath(L"disc1").c_str()), S_OK);
    ULONG volumes = 0, volume = 0, titles = 0;
    DVD_DISC_SIDE side{};
    ASSERT_EQ(info->GetDVDVolumeInfo(&volumes, &volume, &side, &titles), S_OK);
    EXPECT_EQ(volumes, 1u);
    EXPECT_EQ(volume, 1u);
    EXPECT_EQ(side, DVD_SIDE_A);
    EXPECT_EQ(titles, 2u);
    ULONG chapters = 0;
    EXPECT_EQ(info->GetNumberOfChapters(1, &chapters), S_OK);
    EXPECT_EQ(chapters, 3u);
    EXPECT_EQ(info->GetNumberOfChapters(2, &chapters), S_OK);
    EXPECT_EQ(chapters, 2u);
    EXPECT_EQ(info->GetNumberOfChapters(3, &chapters), E_INVALIDARG);

    DVD_MenuAttributes menu{};
    DVD_TitleAttributes title{};
    ASSERT_EQ(info->GetTitleAttributes(1, &menu, &title), S_OK);
    EXPECT_EQ(title.VideoAttributes.Compression, DVD_VideoCompression_MPEG2);
    EXPECT_EQ(title.VideoAttributes.ulSourceResolutionX, 352u);
    EXPECT_EQ(title.VideoAttributes.ulSourceResolutionY, 288u);
    EXPECT_EQ(title.VideoAttributes.ulFrameRate, 25u);
    EXPECT_EQ(title.VideoAttributes.ulAspectX, 4u);
    ASSERT_EQ(title.ulNumberOfAudioStreams, 2u);
    EXPECT_EQ(title.AudioAttributes[0].AudioFormat, DVD_AudioFormat_AC3);
    EXPECT_EQ(title.AudioAttributes[0].Language, 0x0409u);
    EXPECT_EQ(title.AudioAttributes[1].Language, 0x0407u);
    EXPECT_EQ(title.AudioAttributes[1].dwFrequency, 48000u);
    EXPECT_EQ(title.AudioAttributes[1].bNumberOfChannels, 2);
    EXPECT_EQ(title.ulNumberOfSubpictureStreams, 0u);
    EXPECT_TRUE(menu.fAudioPresent);
    EXPECT_TRUE(menu.fSubpicturePresent);  // the menu's button overlay
    EXPECT_EQ(info->GetTitleAttributes(0, &menu, &title), E_INVALIDARG);
    DVD_MenuAttributes vmg{};
    ASSERT_EQ(info->GetVMGAttributes(&vmg), S_OK);
    for (int r = 0; r < 8; ++r) EXPECT_TRUE(vmg.fCompatibleRegion[r]) << r;
    ULONG available = 0, current = 9;
    EXPECT_EQ(info->GetCurrentAudio(&available, &current), S_OK);
    EXPECT_EQ(available, 2u);
    EXPECT_EQ(current, 0u);
    DVD_DECODER_CAPS caps{};
    EXPECT_EQ(info->GetDecoderCaps(&caps), E_INVALIDARG);  // the size field must be set
    caps.dwSize = sizeof caps;
    EXPECT_EQ(info->GetDecoderCaps(&caps), S_OK);
    ULONGLONG id1 = 0, id2 = 0, again = 0;
    EXPECT_EQ(info->GetDiscID(MediaPath(L"disc1").c_str(), &id1), S_OK);
    EXPECT_EQ(info->GetDiscID(nullptr, &again), S_OK);
    EXPECT_EQ(info->GetDiscID(MediaPath(L"disc2").c_str(), &id2), S_OK);
    EXPECT_EQ(id1, again);
    EXPECT_NE(id1, id2);

    // The second volume: NTSC 16:9, one MPEG audio stream and one subpicture stream in French.
    ASSERT_EQ(ctl->SetDVDDirectory(MediaPath(L"disc2").c_str()), S_OK);
    ASSERT_EQ(info->GetDVDVolumeInfo(&volumes, &volume, &side, &titles), S_OK);
    EXPECT_EQ(titles, 1u);
    ASSERT_EQ(info->GetTitleAttributes(1, &menu, &title), S_OK);
    EXPECT_EQ(title.VideoAttributes.ulAspectX, 16u);
    EXPECT_EQ(title.VideoAttributes.ulFrameRate, 30u);
    EXPECT_EQ(title.VideoAttributes.ulSourceResolutionY, 240u);
    EXPECT_FALSE(title.VideoAttributes.fPanscanPermitted);
    EXPECT_TRUE(title.VideoAttributes.fLetterboxPermitted);
    ASSERT_EQ(title.ulNumberOfAudioStreams, 1u);
    EXPECT_EQ(title.AudioAttributes[0].AudioFormat, DVD_AudioFormat_MPEG1_DRC);  // dvdauthor sets the DRC flag
    EXPECT_EQ(title.AudioAttributes[0].Language, 0x040Cu);
    ASSERT_EQ(title.ulNumberOfSubpictureStreams, 1u);
    EXPECT_EQ(title.SubpictureAttributes[0].Language, 0x040Cu);
    EXPECT_FALSE(menu.fAudioPresent);
}

TEST_F(DvdNav, MissingAndDamagedVolumesAreRefused) {
    EXPECT_EQ(ctl->SetDVDDirectory(nullptr), E_POINTER);
    EXPECT_EQ(ctl->SetDVDDirectory(MediaPath(L"no-such-folder").c_str()), E_INVALIDARG);
    EXPECT_EQ(ctl->SetDVDDirectory(MediaPath(L"").c_str()), E_INVALIDARG);  // media folder: no VIDEO_TS
    ULONG v, n, t;
    DVD_DISC_SIDE s;
    EXPECT_TRUE(FAILED(info->GetDVDVolumeInfo(&v, &n, &s, &t)));
    // A copy whose information files are cut short.
    fs::path tmp = fs::temp_directory_path() / "zrdvd-damaged";
    std::error_code ec;
    fs::remove_all(tmp, ec);
    fs::copy(fs::path(MediaPath(L"disc1")), tmp, fs::copy_options::recursive);
    for (const char* name : {"VTS_01_0.IFO", "VTS_01_0.BUP"}) fs::resize_file(tmp / "VIDEO_TS" / name, 1000);
    EXPECT_EQ(ctl->SetDVDDirectory(tmp.wstring().c_str()), VFW_E_DVD_INVALID_DISC);
    fs::remove_all(tmp, ec);
    // Navigation without a volume is refused, not a crash.
    EXPECT_TRUE(FAILED(ctl->PlayTitle(1, 0, nullptr)));
    EXPECT_TRUE(FAILED(ctl->PlayNextChapter(DVD_CMD_FLAG_Flush, nullptr)));
}

// The DVD events of one graph, as "code:param1" words.
std::string Drain(IMediaEventEx* ev) {
    std::string s;
    long code;
    LONG_PTR p1, p2;
    while (ev->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        if (code >= EC_DVD_DOMAIN_CHANGE && code <= EC_DVD_CHAPTER_START) {
            s += (code == EC_DVD_DOMAIN_CHANGE ? "D" : code == EC_DVD_TITLE_CHANGE ? "T" : "C") + std::to_string(p1) + " ";
        }
        ev->FreeEventParams(code, p1, p2);
    }
    return s;
}

TEST_F(DvdNav, NavigationInAGraphSendsDvdEventsInOrder) {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.PutVoid()), S_OK);
    ASSERT_EQ(graph->AddFilter(nav.Get(), L"DVD Navigator"), S_OK);
    ASSERT_EQ(ctl->SetDVDDirectory(MediaPath(L"disc1").c_str()), S_OK);
    ComPtr<IMediaEventEx> ev;
    ComPtr<IMediaControl> mc;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaEventEx, ev.PutVoid()), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, mc.PutVoid()), S_OK);
    ASSERT_TRUE(SUCCEEDED(mc->Pause()));
    EXPECT_EQ(Drain(ev.Get()), "D1 D2 ");  // first play, then the VMG menu it jumps to
    DVD_DOMAIN domain{};
    ASSERT_EQ(info->GetCurrentDomain(&domain), S_OK);
    EXPECT_EQ(domain, DVD_DOMAIN_VideoManagerMenu);

    IDvdCmd* cmd = reinterpret_cast<IDvdCmd*>(1);
    ASSERT_EQ(ctl->PlayTitle(2, DVD_CMD_FLAG_Flush, &cmd), S_OK);
    EXPECT_EQ(cmd, nullptr);
    EXPECT_EQ(Drain(ev.Get()), "D4 T2 C1 ");
    EXPECT_EQ(ctl->PlayNextChapter(DVD_CMD_FLAG_Flush, nullptr), S_OK);
    EXPECT_EQ(ctl->PlayNextChapter(DVD_CMD_FLAG_Flush, nullptr), VFW_E_DVD_OPERATION_INHIBITED);  // last chapter
    EXPECT_EQ(ctl->PlayChapterInTitle(1, 3, DVD_CMD_FLAG_Flush, nullptr), S_OK);
    EXPECT_EQ(Drain(ev.Get()), "C2 T1 C3 ");
    DVD_PLAYBACK_LOCATION2 loc{};
    ASSERT_EQ(info->GetCurrentLocation(&loc), S_OK);
    EXPECT_EQ(loc.TitleNum, 1u);
    EXPECT_EQ(loc.ChapterNum, 3u);
    EXPECT_EQ(loc.TimeCode.bSeconds, 2);
    DVD_HMSF_TIMECODE total{};
    ULONG flags = 0;
    ASSERT_EQ(info->GetTotalTitleTime(&total, &flags), S_OK);
    EXPECT_EQ(total.bSeconds, 3);
    EXPECT_EQ(flags, ULONG(DVD_TC_FLAG_25fps));

    EXPECT_EQ(ctl->SelectAudioStream(1, DVD_CMD_FLAG_Flush, nullptr), S_OK);
    EXPECT_EQ(ctl->SelectAudioStream(5, DVD_CMD_FLAG_Flush, nullptr), VFW_E_DVD_OPERATION_INHIBITED);
    ULONG available = 0, current = 0;
    ASSERT_EQ(info->GetCurrentAudio(&available, &current), S_OK);
    EXPECT_EQ(current, 1u);

    // The title set's root menu and back to the place in the title.
    EXPECT_EQ(ctl->ShowMenu(DVD_MENU_Root, DVD_CMD_FLAG_Flush, nullptr), S_OK);
    EXPECT_EQ(Drain(ev.Get()), "D3 ");
    EXPECT_EQ(ctl->Resume(DVD_CMD_FLAG_Flush, nullptr), S_OK);
    EXPECT_EQ(Drain(ev.Get()), "D4 C3 ");
    EXPECT_EQ(ctl->ShowMenu(DVD_MENU_Audio, DVD_CMD_FLAG_Flush, nullptr), VFW_E_DVD_OPERATION_INHIBITED);
    EXPECT_EQ(ctl->SetOption(DVD_ResetOnStop, FALSE), S_OK);
    EXPECT_EQ(ctl->SetOption(DVD_HMSF_TimeCodeEvents, TRUE), S_OK);
    EXPECT_EQ(ctl->SelectVideoModePreference(2), S_OK);
    EXPECT_EQ(ctl->SelectVideoModePreference(7), E_INVALIDARG);
    EXPECT_TRUE(SUCCEEDED(mc->Stop()));
    EXPECT_EQ(graph->RemoveFilter(nav.Get()), S_OK);
}

}  // namespace
