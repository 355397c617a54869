// The DVD-Video navigation machine: registers, domains, program chains with their pre, cell and post
// commands, links and jumps, menus with resume, buttons, stream selection, angles and parental level.
// It decides what to play; reading and demultiplexing the sectors is the caller's work. No file access.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/dvd/ifo.h"
#include "core/dvd/navpack.h"

namespace zrdvd {

// Domain numbers as the navigator's domain-change notification carries them.
enum class Domain : uint8_t { FirstPlay = 1, VmgMenu = 2, VtsMenu = 3, Title = 4, Stop = 5 };

enum class EventKind : uint8_t {
    DomainChange,        // value: Domain
    TitleChange,         // value: title number (1-based, disc-wide)
    ChapterStart,        // value: chapter number (1-based)
    NoFirstPlay,
    ParentalLevelChange, // value: the level the content asks for
    ButtonChange,        // value: number of buttons, value2: selected button
    AudioStreamChange,   // value: stream number
    SubpictureStreamChange,
    AngleChange,
    Warning,             // value: navigator warning code (3 illegal command)
    Error,               // value: navigator error code (1 unexpected)
};

struct Event {
    EventKind kind;
    uint32_t value = 0;
    uint32_t value2 = 0;
};

// What to play now: a run of sectors of one VOB set.
struct PlayItem {
    Domain domain = Domain::Stop;
    uint16_t vts = 0;           // title set (0: the VMG)
    bool menuVobs = false;      // the set's menu VOB rather than its title VOBs
    uint32_t firstSector = 0, lastSector = 0;
    uint8_t stillTime = 0;      // at the cell's end: seconds, 255 for ever
    uint16_t cell = 0;          // 1-based cell of the program chain
    uint32_t cellStartMs = 0;   // the cell's start inside its program chain
    uint32_t seekMs = 0;        // start this far into the cell (time search, resume)
    uint64_t generation = 0;    // grows with every jump; a player drops what it queued for older ones
};

// Position a player can save and restore (bookmarks).
struct VmState {
    std::array<uint16_t, 16> gprm{};
    std::array<uint16_t, 24> sprm{};
    Domain domain = Domain::Stop;
    uint16_t vts = 0, pgcn = 0, cell = 0, lu = 0;
    uint32_t cellOffsetMs = 0;
    bool hasResume = false;
    uint16_t rsmVts = 0, rsmPgcn = 0, rsmCell = 0;
    uint32_t rsmOffsetMs = 0;
    std::array<uint16_t, 5> rsmSprm{};  // SPRM 4 to 8
    std::vector<uint8_t> Serialize() const;
    static std::optional<VmState> Deserialize(const uint8_t* d, size_t n);
};

class Vm {
public:
    // The tables of the volume; the caller keeps them alive as long as the machine.
    Vm(const Vmg& vmg, std::vector<const Vts*> sets);

    // Fresh registers (default languages, parental level 15 = none, region from the disc).
    void Reset();
    // First play program chain, or title 1 with a NoFirstPlay event when there is none.
    bool Start();
    bool Stop();

    // The player finished the current play item's sectors (and its still time).
    void CellDone();
    // Where the player is inside the current cell (kept for resume from a menu and for bookmarks).
    void NotePosition(uint32_t msInCell) { posInCellMs_ = msInCell; }
    const PlayItem& Current() const { return item_; }
    Domain domain() const { return domain_; }

    // Navigation. Each returns false (and changes nothing) when the move is not possible here.
    bool PlayTitle(int ttn);
    bool PlayChapterInTitle(int ttn, int ptt);
    bool PlayChapter(int ptt);                      // in the current title
    bool NextChapter();
    bool PrevChapter();
    bool ReplayChapter();
    bool PlayAtTimeInTitle(int ttn, uint32_t ms);
    bool PlayAtTime(uint32_t ms);                   // in the current title
    bool ShowMenu(int menuType);                    // 2 title, 3 root, 4 subpicture, 5 audio, 6 angle, 7 chapter
    bool Resume();
    bool ReturnFromSubmenu();                       // the program chain's go-up link

    // Buttons of the current menu, as the last navigation pack gave them.
    void SetHighlight(const Highlight& hl);
    const Highlight& highlight() const { return hl_; }
    int SelectedButton() const { return sprm_[8] >> 10; }
    bool SelectButton(int n);
    bool SelectRelative(int dir);                   // 0 up, 1 down, 2 left, 3 right
    bool ActivateButton();
    int ButtonAt(int x, int y) const;               // 0 when no button holds the point
    bool SelectAndActivate(int n);

    // Streams.
    bool SelectAudio(int n);
    bool SelectSubpicture(int n);
    bool SetSubpictureOn(bool on);
    bool SelectAngle(int n);
    int AudioStream() const { return sprm_[1] == 15 ? -1 : sprm_[1]; }
    int SubpictureStream() const { return sprm_[2] & 0x3F; }
    bool SubpictureOn() const { return (sprm_[2] & 0x40) != 0; }
    int Angle() const { return sprm_[3]; }
    // Physical stream numbers of the current program chain for the logical ones (-1 when not available).
    int AudioPhysical(int logical) const;
    int SubpicturePhysical(int logical) const;
    int AudioStreamsAvailable() const;
    int SubpictureStreamsAvailable() const;

    // Parental level 1 to 8 (15: none) and country code.
    void SetParentalLevel(int level) { sprm_[13] = uint16_t(level); }
    void SetParentalCountry(uint16_t code) { sprm_[12] = code; }
    void AcceptParentalLevel(bool accept);
    // Levels at which title ttn has content: bit L-1 for level L (all eight when the disc has no table).
    uint32_t TitleParentalLevels(int ttn) const;

    void SetDefaultLanguages(uint16_t menu, uint16_t audio, uint16_t audioExt, uint16_t subp, uint16_t subpExt);

    uint16_t Sprm(int i) const { return i >= 0 && i < 24 ? sprm_[i] : 0; }
    uint16_t Gprm(int i) const { return i >= 0 && i < 16 ? gprm_[i] : 0; }
    int Title() const { return sprm_[4]; }
    int Chapter() const { return sprm_[7]; }
    // Position in the title: elapsed time of the current cell's start, and the title's length.
    uint32_t TitleLengthMs() const;
    const Pgc* CurrentPgc() const { return Pgc_(domain_, vts_, pgcn_); }
    uint16_t vts() const { return vts_; }
    int ChaptersOfTitle(int ttn) const;

    VmState Save(uint32_t cellOffsetMs) const;
    bool Restore(const VmState& s);

    std::vector<Event> TakeEvents();
    bool IllegalCommandSeen() const { return illegal_; }

private:
    struct Link {
        enum Kind { None, Stop, PlayCell, PlayProgram, PlayPgc, TailPgc, Resume, Done } kind = None;
        int a = 0;      // cell, program or program chain number
    };

    const Pgc* Pgc_(Domain d, uint16_t vts, uint16_t pgcn) const;
    const std::vector<PgcEntry>* MenuTable(Domain d, uint16_t vts) const;
    const Vts* Set(uint16_t vts) const { return vts >= 1 && vts <= sets_.size() ? sets_[vts - 1] : nullptr; }

    Link TitleLink(int ttn, int ptt, uint32_t seekMs, bool hasTime, bool& ok);
    Link MenuLink(Domain d, uint16_t vts, int menuType, bool& ok);
    bool JumpTitle(int ttn, int ptt, uint32_t seekMs = 0, bool hasTime = false);
    bool JumpMenu(Domain d, uint16_t vts, int menuType);
    void SaveResume(uint16_t cell);
    void Run(Link link);
    Link RunCommands(const std::vector<Command>& cmds, size_t start);
    Link Execute(const Command& c, bool& gotoLine, int& line, bool& brk);
    Link LinkSub(uint8_t op, uint16_t arg);
    bool Compare(uint8_t op, uint16_t a, uint16_t b) const;
    uint16_t Reg(uint8_t r) const;
    void SetReg(uint8_t r, uint16_t v);
    bool PlayCellAt(int cell, uint32_t seekMs);
    int ProgramOfCell(int cell) const;
    void UpdateChapter();
    void SetDomain(Domain d);
    void Emit(EventKind k, uint32_t v = 0, uint32_t v2 = 0) { events_.push_back({k, v, v2}); }
    uint16_t PickLanguageUnit(const std::vector<LanguageUnit>& lus) const;

    const Vmg& vmg_;
    std::vector<const Vts*> sets_;
    std::array<uint16_t, 16> gprm_{};
    std::array<uint16_t, 24> sprm_{};
    Domain domain_ = Domain::Stop;
    uint16_t vts_ = 0, pgcn_ = 0, lu_ = 0;
    int cell_ = 0;              // 1-based, 0 before the first cell
    int program_ = 0;
    PlayItem item_;
    uint64_t generation_ = 0;
    Highlight hl_;
    bool hasResume_ = false;
    uint16_t rsmVts_ = 0, rsmPgcn_ = 0, rsmCell_ = 0;
    uint32_t rsmOffsetMs_ = 0, posInCellMs_ = 0, pendingSeek_ = 0;
    std::array<uint16_t, 5> rsmSprm_{};
    uint16_t pendingLevel_ = 0, levelBefore_ = 0;
    int lastTitle_ = 0, lastChapter_ = 0;
    bool illegal_ = false;
    std::vector<Event> events_;
    uint32_t rng_ = 0x2545F491u;
};

}  // namespace zrdvd
