// The navigation machine driven through the authored menu volume (first play, menu buttons, chapters,
// menus with resume, streams, saved state) and through hand-made command lists.
#include "core/dvd/disc.h"
#include "core/dvd/vm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace zrdvd;

namespace {

fs::path Media() {
    const char* m = std::getenv("ZR_MEDIA_NATIVE");
    return m ? fs::path(m) : fs::path();
}

std::string Trace(const std::vector<Event>& ev) {
    std::string s;
    for (const Event& e : ev) {
        switch (e.kind) {
        case EventKind::DomainChange: s += "D" + std::to_string(e.value); break;
        case EventKind::TitleChange: s += "T" + std::to_string(e.value); break;
        case EventKind::ChapterStart: s += "C" + std::to_string(e.value); break;
        case EventKind::NoFirstPlay: s += "N"; break;
        case EventKind::ButtonChange: s += "B" + std::to_string(e.value); break;
        case EventKind::AudioStreamChange: s += "A" + std::to_string(e.value); break;
        case EventKind::Warning: s += "W" + std::to_string(e.value); break;
        case EventKind::Error: s += "E" + std::to_string(e.value); break;
        default: s += "?"; break;
        }
        s += ' ';
    }
    return s;
}

class DvdVm : public ::testing::Test {
protected:
    void SetUp() override {
        if (Media().empty() || !fs::exists(Media() / "disc1" / "VIDEO_TS")) GTEST_SKIP() << "no authored discs";
        ASSERT_EQ(disc.Open(Media() / "disc1"), OpenError::None);
        vm = std::make_unique<Vm>(disc.vmg(), std::vector<const Vts*>{&disc.Set(1).ifo});
    }
    // Feed the machine the highlight of the navigation pack at the start of the current cell.
    void LoadButtons() {
        const PlayItem& it = vm->Current();
        VobSet& vobs = it.vts == 0 ? disc.VmgMenuVobs() : it.menuVobs ? disc.Set(it.vts).menuVobs : disc.Set(it.vts).titleVobs;
        std::vector<uint8_t> sec(kSectorSize);
        ASSERT_EQ(vobs.Read(it.firstSector, 1, sec.data()), 1u);
        NavPack nav;
        ASSERT_TRUE(ParseNavPack(sec.data(), sec.size(), nav));
        vm->SetHighlight(nav.highlight);
    }
    Disc disc;
    std::unique_ptr<Vm> vm;
};

TEST_F(DvdVm, FirstPlayMenuButtonTitleAndItsEnd) {
    ASSERT_TRUE(vm->Start());
    EXPECT_EQ(vm->domain(), Domain::VmgMenu);
    EXPECT_EQ(vm->Current().vts, 0);
    EXPECT_EQ(vm->Current().stillTime, 255);
    EXPECT_EQ(Trace(vm->TakeEvents()), "D1 D2 ");
    LoadButtons();
    EXPECT_EQ(Trace(vm->TakeEvents()), "B2 ");
    EXPECT_EQ(vm->ButtonAt(60, 140), 1);
    EXPECT_EQ(vm->ButtonAt(250, 120), 2);
    EXPECT_EQ(vm->ButtonAt(180, 140), 0);
    EXPECT_TRUE(vm->SelectRelative(3));  // right of button 1
    EXPECT_EQ(vm->SelectedButton(), 2);
    ASSERT_TRUE(vm->ActivateButton());
    EXPECT_EQ(vm->domain(), Domain::Title);
    EXPECT_EQ(vm->Title(), 2);
    EXPECT_EQ(vm->Chapter(), 1);
    EXPECT_EQ(Trace(vm->TakeEvents()), "D4 T2 C1 ");
    const PlayItem first = vm->Current();
    EXPECT_FALSE(first.menuVobs);
    EXPECT_EQ(first.vts, 1);
    vm->CellDone();
    EXPECT_EQ(vm->Chapter(), 2);
    EXPECT_EQ(vm->Current().cellStartMs, 1000u);
    EXPECT_GT(vm->Current().generation, first.generation);
    EXPECT_EQ(Trace(vm->TakeEvents()), "C2 ");
    // Title 2 ends by calling the VMG menu; resume brings back its first cell.
    vm->CellDone();
    EXPECT_EQ(vm->domain(), Domain::VmgMenu);
    EXPECT_EQ(Trace(vm->TakeEvents()), "D2 ");
    EXPECT_TRUE(vm->Resume());
    EXPECT_EQ(vm->domain(), Domain::Title);
    EXPECT_EQ(vm->Title(), 2);
    EXPECT_EQ(vm->Current().cell, 1);
}

TEST_F(DvdVm, ChaptersTitlesAndTime) {
    ASSERT_TRUE(vm->Start());
    EXPECT_FALSE(vm->NextChapter());  // not in a title
    ASSERT_TRUE(vm->PlayTitle(1));
    EXPECT_NEAR(double(vm->TitleLengthMs()), 3000.0, 200.0);
    EXPECT_TRUE(vm->NextChapter());
    EXPECT_EQ(vm->Chapter(), 2);
    EXPECT_EQ(vm->Current().cell, 2);
    EXPECT_TRUE(vm->PrevChapter());
    EXPECT_EQ(vm->Chapter(), 1);
    EXPECT_FALSE(vm->PrevChapter());
    EXPECT_TRUE(vm->PlayChapter(3));
    EXPECT_FALSE(vm->NextChapter());
    EXPECT_TRUE(vm->ReplayChapter());
    EXPECT_EQ(vm->Current().cell, 3);
    EXPECT_FALSE(vm->PlayChapter(4));
    EXPECT_FALSE(vm->PlayTitle(3));
    EXPECT_FALSE(vm->PlayTitle(0));
    vm->TakeEvents();
    ASSERT_TRUE(vm->PlayAtTimeInTitle(1, 2500));
    EXPECT_EQ(vm->Current().cell, 3);
    EXPECT_EQ(vm->Current().seekMs, 500u);
    EXPECT_EQ(vm->Chapter(), 3);
    EXPECT_EQ(Trace(vm->TakeEvents()), "C3 ");  // same title: no title change
    ASSERT_TRUE(vm->PlayChapterInTitle(2, 2));
    EXPECT_EQ(Trace(vm->TakeEvents()), "T2 C2 ");
    // Title 1 ends with an exit: the machine stops.
    ASSERT_TRUE(vm->PlayChapter(1));
    ASSERT_TRUE(vm->PlayTitle(1));
    vm->CellDone(); vm->CellDone(); vm->CellDone();
    EXPECT_EQ(vm->domain(), Domain::Stop);
}

TEST_F(DvdVm, MenuResumeStreamsAndSavedState) {
    ASSERT_TRUE(vm->Start());
    ASSERT_TRUE(vm->PlayChapterInTitle(1, 2));
    vm->NotePosition(400);
    ASSERT_TRUE(vm->ShowMenu(3));  // title set root menu
    EXPECT_EQ(vm->domain(), Domain::VtsMenu);
    EXPECT_TRUE(vm->Current().menuVobs);
    EXPECT_FALSE(vm->ShowMenu(5));  // no audio menu on this disc
    EXPECT_EQ(vm->domain(), Domain::VtsMenu);
    ASSERT_TRUE(vm->Resume());
    EXPECT_EQ(vm->Title(), 1);
    EXPECT_EQ(vm->Chapter(), 2);
    EXPECT_EQ(vm->Current().cell, 2);
    EXPECT_EQ(vm->Current().seekMs, 400u);
    EXPECT_FALSE(vm->Resume());  // already in the title

    EXPECT_EQ(vm->AudioStreamsAvailable(), 2);
    EXPECT_TRUE(vm->SelectAudio(1));
    EXPECT_EQ(vm->AudioPhysical(vm->AudioStream()), 1);
    EXPECT_FALSE(vm->SelectAudio(2));
    EXPECT_EQ(vm->AudioStream(), 1);
    EXPECT_EQ(vm->SubpictureStreamsAvailable(), 0);
    EXPECT_FALSE(vm->SelectSubpicture(0));
    EXPECT_FALSE(vm->SelectAngle(2));

    VmState st = vm->Save(250);
    std::vector<uint8_t> bytes = st.Serialize();
    ASSERT_TRUE(vm->PlayTitle(2));
    auto back = VmState::Deserialize(bytes.data(), bytes.size());
    ASSERT_TRUE(back.has_value());
    ASSERT_TRUE(vm->Restore(*back));
    EXPECT_EQ(vm->Title(), 1);
    EXPECT_EQ(vm->Current().cell, 2);
    EXPECT_EQ(vm->Current().seekMs, 250u);
    EXPECT_EQ(vm->AudioStream(), 1);
    // Damaged saved states are refused.
    EXPECT_FALSE(VmState::Deserialize(bytes.data(), bytes.size() - 1).has_value());
    bytes[0] = 'X';
    EXPECT_FALSE(VmState::Deserialize(bytes.data(), bytes.size()).has_value());
    VmState bad = st;
    bad.cell = 99;
    EXPECT_FALSE(vm->Restore(bad));
}

// Hand-made program chains: register arithmetic, compares, endless loops and links that never play.
Command Cmd(std::initializer_list<uint8_t> b) {
    Command c;
    size_t i = 0;
    for (uint8_t x : b) c.b[i++] = x;
    return c;
}

struct Machine {
    Vmg vmg;
    Vts vts;
    std::unique_ptr<Vm> vm;
    explicit Machine(std::vector<Command> pre) {
        vmg.titleSets = 1;
        vmg.hasFirstPlay = true;
        vmg.firstPlay.pre = std::move(pre);
        vmg.titles.push_back(TitleEntry{0, 1, 1, 0, 1, 1, 0});
        Pgc p;
        p.programCount = 1;
        p.programMap = {1};
        p.cells.resize(1);
        p.positions.resize(1);
        p.audioControl[0] = 0x8000;
        vts.titlePgcs.push_back({0x81, 0, p});
        vts.chapters = {{{1, 1}}};
        vm = std::make_unique<Vm>(vmg, std::vector<const Vts*>{&vts});
    }
};

TEST(DvdVmCommands, RegisterArithmeticAndCompares) {
    const struct { std::vector<Command> pre; int reg; uint16_t want; } cases[] = {
        {{Cmd({0x71, 0, 0, 0, 0, 5})}, 0, 5},                                           // g0 = 5
        {{Cmd({0x71, 0, 0, 0, 0, 5}), Cmd({0x73, 0, 0, 0, 0xFF, 0xFF})}, 0, 0xFFFF},    // add saturates
        {{Cmd({0x71, 0, 0, 0, 0, 5}), Cmd({0x74, 0, 0, 0, 0, 9})}, 0, 0},               // sub floors at 0
        {{Cmd({0x71, 0, 0, 0, 0, 7}), Cmd({0x76, 0, 0, 0, 0, 0})}, 0, 0xFFFF},          // divide by zero
        {{Cmd({0x71, 0, 0, 0, 0, 6}), Cmd({0x71, 0, 0, 1, 0, 9}), Cmd({0x62, 0, 0, 1, 0, 0})}, 0, 9},  // swap
        {{Cmd({0x71, 0, 0, 0, 0, 5}), Cmd({0x00, 0xA1, 0, 0, 0, 5, 0, 4}), Cmd({0x71, 0, 0, 1, 0, 1}),
          Cmd({0x71, 0, 0, 2, 0, 2})}, 1, 0},                                             // if g0 == 5 goto 4
        {{Cmd({0x71, 0, 0, 0, 0, 5}), Cmd({0x00, 0xB1, 0, 0, 0, 5, 0, 4}), Cmd({0x71, 0, 0, 1, 0, 1}),
          Cmd({0x71, 0, 0, 2, 0, 2})}, 1, 1},                                             // if g0 != 5: falls through
        {{Cmd({0x71, 0, 0, 3, 0x12, 0x34}), Cmd({0x00, 0x02}), Cmd({0x71, 0, 0, 3, 0, 0})}, 3, 0x1234},  // break
        {{Cmd({0x91, 0x04, 0, 0x0C})}, 4, 12},                                           // type 4: g4 = 12
        {{Cmd({0xB1, 0xA5, 0, 0x0C, 0, 1})}, 5, 0},                                      // type 5: g5 == 1 fails, no set
        {{Cmd({0xB1, 0xA5, 0, 0x0C, 0, 0})}, 5, 12},                                     // type 5: g5 == 0, set
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Machine m(cases[i].pre);
        m.vm->Start();
        EXPECT_EQ(m.vm->Gprm(cases[i].reg), cases[i].want) << "case " << i;
    }
}

TEST(DvdVmCommands, LoopsAndBadLinksEndCleanly) {
    {   // goto itself for ever: cut short with a warning, then the chain plays
        Machine m({Cmd({0x00, 0x01, 0, 0, 0, 0, 0, 1})});
        m.vm->Start();
        EXPECT_NE(Trace(m.vm->TakeEvents()).find("W3"), std::string::npos);
    }
    {   // first play jumps to itself through the first-play jump for ever: an error, then stop
        Machine m({Cmd({0x30, 0x06, 0, 0, 0, 0x00})});
        m.vm->Start();
        EXPECT_EQ(m.vm->domain(), Domain::Stop);
        EXPECT_NE(Trace(m.vm->TakeEvents()).find("E1"), std::string::npos);
    }
    {   // links to chains and titles that do not exist
        for (Command c : {Cmd({0x20, 0x04, 0, 0, 0, 0, 0x00, 0x09}), Cmd({0x30, 0x02, 0, 0, 0, 0x07}),
                          Cmd({0x30, 0x06, 0, 0x55, 0, 0xC0}), Cmd({0xE0, 0, 0, 0, 0, 0, 0, 0})}) {
            Machine m({c});
            m.vm->Start();
            EXPECT_NE(Trace(m.vm->TakeEvents()).find("W3"), std::string::npos);
        }
    }
    {   // jump to title 1 from first play
        Machine m({Cmd({0x30, 0x02, 0, 0, 0, 0x01})});
        m.vm->Start();
        EXPECT_EQ(m.vm->domain(), Domain::Title);
        EXPECT_EQ(Trace(m.vm->TakeEvents()), "D1 D4 T1 C1 ");
    }
}

}  // namespace
