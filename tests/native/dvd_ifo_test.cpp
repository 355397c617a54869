// The information-file and navigation-pack readers against volumes authored by dvdauthor at test time
// (tools/gen-dvd.sh) and against damaged copies of them.
#include "core/dvd/disc.h"
#include "core/dvd/ifo.h"
#include "core/dvd/navpack.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zrdvd;

namespace {

fs::path Media() {
    const char* m = std::getenv("ZR_MEDIA_NATIVE");
    return m ? fs::path(m) : fs::path();
}

std::vector<uint8_t> Bytes(const fs::path& p) {
    std::vector<uint8_t> b;
    EXPECT_TRUE(ReadFileBytes(p, b)) << p;
    return b;
}

class DvdDisc : public ::testing::Test {
protected:
    void SetUp() override {
        if (Media().empty() || !fs::exists(Media() / "disc1" / "VIDEO_TS")) GTEST_SKIP() << "no authored discs (ZR_MEDIA_NATIVE)";
    }
};

std::string Lang(uint16_t code) { return {char(code >> 8), char(code & 0xFF)}; }

TEST_F(DvdDisc, MenuDiscMatchesWhatWasAuthored) {
    Disc d;
    std::string why;
    ASSERT_EQ(d.Open(Media() / "disc1", &why), OpenError::None) << why;
    const Vmg& v = d.vmg();
    EXPECT_EQ(v.volumes, 1);
    EXPECT_EQ(v.volume, 1);
    EXPECT_EQ(v.titleSets, 1);
    ASSERT_EQ(v.titles.size(), 2u);
    EXPECT_EQ(v.titles[0].chapters, 3);
    EXPECT_EQ(v.titles[1].chapters, 2);
    EXPECT_EQ(v.titles[1].vts, 1);
    EXPECT_EQ(v.titles[1].vtsTitle, 2);
    EXPECT_TRUE(v.hasFirstPlay);
    EXPECT_FALSE(v.firstPlay.pre.empty());  // "jump menu 1"
    ASSERT_EQ(v.menus.size(), 1u);
    ASSERT_FALSE(v.menus[0].pgcs.empty());
    EXPECT_TRUE(v.menus[0].pgcs[0].IsEntry());
    EXPECT_EQ(v.menus[0].pgcs[0].MenuType(), 2);  // title menu
    EXPECT_EQ(v.menus[0].pgcs[0].pgc.cells.at(0).stillTime, 255);
    EXPECT_EQ(v.menuVideo.standard, 1);
    EXPECT_EQ(v.RegionMask(), 0xFF);

    TitleSet& s = d.Set(1);
    const Vts& t = s.ifo;
    EXPECT_EQ(t.video.coding, 1);
    EXPECT_EQ(t.video.standard, 1);
    EXPECT_EQ(t.video.aspect, 0);
    EXPECT_EQ(t.video.Width(), 352u);
    EXPECT_EQ(t.video.Height(), 288u);
    ASSERT_EQ(t.audio.size(), 2u);
    EXPECT_EQ(t.audio[0].coding, 0);
    EXPECT_EQ(Lang(t.audio[0].LangCode()), "en");
    EXPECT_EQ(Lang(t.audio[1].LangCode()), "de");
    EXPECT_EQ(t.audio[1].channels, 1);
    EXPECT_TRUE(t.subp.empty());
    ASSERT_EQ(t.chapters.size(), 2u);
    ASSERT_EQ(t.chapters[0].size(), 3u);
    const Pgc& p1 = t.titlePgcs.at(t.chapters[0][0].pgcn - 1).pgc;
    EXPECT_EQ(p1.programCount, 3);
    ASSERT_EQ(p1.cells.size(), 3u);
    EXPECT_EQ(p1.time.fps, 25);
    EXPECT_NEAR(double(p1.time.Ms()), 3000.0, 200.0);
    const Pgc& p2 = t.titlePgcs.at(t.chapters[1][0].pgcn - 1).pgc;
    EXPECT_FALSE(p2.post.empty());  // "call vmgm menu 1"
    ASSERT_EQ(t.menus.size(), 1u);
    EXPECT_EQ(t.menus[0].pgcs.at(0).MenuType(), 3);  // root menu
    // Cells lie inside the title VOB set, in order, and the cell address table agrees.
    uint64_t sectors = s.titleVobs.Sectors();
    uint32_t prevEnd = 0;
    for (const auto& c : p1.cells) {
        EXPECT_GE(c.firstSector, prevEnd);
        EXPECT_LT(c.lastSector, sectors);
        prevEnd = c.lastSector + 1;
    }
    bool found = false;
    for (const auto& a : t.titleCells) {
        if (a.vobId == p1.positions[1].vobId && a.cellId == p1.positions[1].cellId) {
            found = true;
            EXPECT_EQ(a.startSector, p1.cells[1].firstSector);
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(DvdDisc, NavigationPacksCarryButtonsTimesAndLinks) {
    Disc d;
    ASSERT_EQ(d.Open(Media() / "disc1" / "VIDEO_TS"), OpenError::None);
    // The VMG menu's first VOBU: two buttons where the overlay drew them.
    const Pgc& menu = d.vmg().menus[0].pgcs[0].pgc;
    std::vector<uint8_t> sec(kSectorSize);
    ASSERT_EQ(d.VmgMenuVobs().Read(menu.cells[0].firstSector, 1, sec.data()), 1u);
    NavPack nav;
    ASSERT_TRUE(ParseNavPack(sec.data(), sec.size(), nav));
    ASSERT_EQ(nav.highlight.buttons.size(), 2u);
    const Button& b1 = nav.highlight.buttons[0];
    EXPECT_NEAR(b1.x0, 40, 2);
    EXPECT_NEAR(b1.x1, 150, 2);
    EXPECT_NEAR(b1.y0, 100, 2);
    EXPECT_NEAR(b1.y1, 180, 2);
    EXPECT_EQ(b1.right, 2);
    EXPECT_NE(b1.command.b[0], 0);

    // Title 1: walking the VOBUs by their next links stays inside the cell and ends on its last VOBU.
    TitleSet& s = d.Set(1);
    const CellPlayback& c = s.ifo.titlePgcs[0].pgc.cells[0];
    uint32_t at = c.firstSector, vobus = 0;
    uint32_t lastPtm = 0;
    for (;;) {
        ASSERT_EQ(s.titleVobs.Read(at, 1, sec.data()), 1u);
        ASSERT_TRUE(ParseNavPack(sec.data(), sec.size(), nav)) << at;
        EXPECT_EQ(nav.sector, at);
        EXPECT_GE(nav.startPtm, lastPtm);
        lastPtm = nav.endPtm;
        ++vobus;
        if (!nav.HasNext()) break;
        at += nav.NextOffset();
        ASSERT_LE(at, c.lastVobuStart);
    }
    EXPECT_EQ(at, c.lastVobuStart);
    EXPECT_GE(vobus, 2u);
    // The pack after the navigation pack holds video with a time stamp.
    ASSERT_EQ(s.titleVobs.Read(c.firstSector + 1, 1, sec.data()), 1u);
    std::vector<PesPayload> pes;
    ASSERT_TRUE(ParsePack(sec.data(), sec.size(), pes));
    ASSERT_FALSE(pes.empty());
    EXPECT_EQ(pes[0].streamId, 0xE0);
    EXPECT_TRUE(pes[0].hasPts);
}

TEST_F(DvdDisc, SecondDiscHasItsOwnSettings) {
    Disc d;
    ASSERT_EQ(d.Open(Media() / "disc2"), OpenError::None);
    EXPECT_FALSE(d.vmg().hasFirstPlay && !d.vmg().firstPlay.pre.empty() && d.vmg().menus.size());
    ASSERT_EQ(d.vmg().titles.size(), 1u);
    EXPECT_EQ(d.vmg().titles[0].chapters, 2);
    const Vts& t = d.Set(1).ifo;
    EXPECT_EQ(t.video.standard, 0);
    EXPECT_EQ(t.video.aspect, 3);
    EXPECT_EQ(t.video.Width(), 352u);
    EXPECT_EQ(t.video.Height(), 240u);
    ASSERT_EQ(t.audio.size(), 1u);
    EXPECT_EQ(t.audio[0].coding, 2);
    EXPECT_EQ(Lang(t.audio[0].LangCode()), "fr");
    ASSERT_EQ(t.subp.size(), 1u);
    EXPECT_EQ(Lang(t.subp[0].LangCode()), "fr");
    EXPECT_TRUE(t.menus.empty());
}

// Damaged copies: every cut and every overwritten table pointer gives an error or a consistent result,
// never a read outside the buffer (the sanitizers watch).
TEST_F(DvdDisc, DamagedInformationFilesFailCleanly) {
    for (const char* name : {"VIDEO_TS.IFO", "VTS_01_0.IFO"}) {
        std::vector<uint8_t> good = Bytes(Media() / "disc1" / "VIDEO_TS" / name);
        bool vmg = name[0] == 'V' && name[1] == 'I';
        auto parse = [&](const std::vector<uint8_t>& b) {
            std::string why;
            if (vmg) { Vmg v; return ParseVmg(b.data(), b.size(), v, &why); }
            Vts v; return ParseVts(b.data(), b.size(), v, &why);
        };
        EXPECT_TRUE(parse(good)) << name;
        for (size_t cut : {size_t(0), size_t(11), size_t(0x84), size_t(0x200), size_t(2048), size_t(2048 + 8)}) {
            std::vector<uint8_t> b(good.begin(), good.begin() + std::min(cut, good.size()));
            EXPECT_FALSE(parse(b)) << name << " cut at " << cut;
        }
        // Table pointers and counts replaced by extreme values.
        for (size_t off = 0xC0; off < 0xE8; off += 4) {
            for (uint32_t val : {0xFFFFFFFFu, 0x00000001u, 0x7FFFFFFFu}) {
                std::vector<uint8_t> b = good;
                b[off] = uint8_t(val >> 24); b[off + 1] = uint8_t(val >> 16); b[off + 2] = uint8_t(val >> 8); b[off + 3] = uint8_t(val);
                parse(b);
            }
        }
        // Every byte of every table sector flipped to 0xFF in turn.
        for (size_t i = 2048; i < good.size(); i += 7) {
            std::vector<uint8_t> b = good;
            b[i] = 0xFF;
            parse(b);
        }
    }
    Vmg v;
    std::string why;
    const uint8_t junk[16] = {'D', 'V', 'D', 'V', 'I', 'D', 'E', 'O', '-', 'V', 'M', 'G'};
    EXPECT_FALSE(ParseVmg(junk, sizeof junk, v, &why));
    EXPECT_FALSE(why.empty());
}

TEST_F(DvdDisc, OpenReportsMissingFoldersAndFallsBackToBackups) {
    Disc d;
    EXPECT_EQ(d.Open(Media() / "no-such-folder"), OpenError::NoFolder);
    EXPECT_EQ(d.Open(""), OpenError::NoFolder);
    fs::path tmp = fs::temp_directory_path() / ("zrdvd-" + std::to_string(::getpid()));
    fs::remove_all(tmp);
    fs::create_directories(tmp / "empty");
    EXPECT_EQ(d.Open(tmp / "empty"), OpenError::NoVideoTs);
    // A copy whose IFO is damaged opens from the backup; with both damaged it does not.
    fs::copy(Media() / "disc1", tmp / "d", fs::copy_options::recursive);
    fs::path ifo = tmp / "d" / "VIDEO_TS" / "VTS_01_0.IFO";
    fs::resize_file(ifo, 100);
    EXPECT_EQ(d.Open(tmp / "d"), OpenError::None);
    fs::resize_file(tmp / "d" / "VIDEO_TS" / "VTS_01_0.BUP", 3000);
    std::string why;
    EXPECT_EQ(d.Open(tmp / "d", &why), OpenError::BadIfo);
    EXPECT_NE(why.find("VTS_01_0"), std::string::npos) << why;
    fs::remove_all(tmp);
}

TEST(DvdTime, BcdTimesAndFrameRates) {
    const struct { uint8_t b[4]; uint8_t h, m, s, f, fps; uint32_t ms; } cases[] = {
        {{0x01, 0x30, 0x15, 0x40 | 0x20}, 1, 30, 15, 20, 25, 5415800},
        {{0x00, 0x00, 0x03, 0xC0 | 0x15}, 0, 0, 3, 15, 30, 3500},
        {{0x00, 0x00, 0x02, 0x00 | 0x10}, 0, 0, 2, 10, 0, 2000},
    };
    for (const auto& c : cases) {
        PlaybackTime t = DecodeTime(c.b);
        EXPECT_EQ(t.hours, c.h);
        EXPECT_EQ(t.minutes, c.m);
        EXPECT_EQ(t.seconds, c.s);
        EXPECT_EQ(t.frames, c.f);
        EXPECT_EQ(t.fps, c.fps);
        EXPECT_EQ(t.Ms(), c.ms);
    }
}

}  // namespace
