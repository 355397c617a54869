// DVD-Video information files (VIDEO_TS.IFO and VTS_nn_0.IFO): the tables a player needs, decoded from
// their big-endian on-disc form. Parsing checks every offset and count against the bytes it was given;
// a corrupt or truncated file gives an error, never a read outside the buffer, and a bounded amount of work.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zrdvd {

constexpr size_t kSectorSize = 2048;

// A playback time (BCD on disc) decoded to numbers; fps is 25, 30 or 0 (not given).
struct PlaybackTime {
    uint8_t hours = 0, minutes = 0, seconds = 0, frames = 0;
    uint8_t fps = 0;
    // Whole milliseconds (frames counted at fps, 0 when fps is unknown).
    uint32_t Ms() const;
};
PlaybackTime DecodeTime(const uint8_t b[4]);

struct VideoAttr {
    uint8_t coding = 0;        // 0 MPEG-1, 1 MPEG-2
    uint8_t standard = 0;      // 0 NTSC (525/60), 1 PAL (625/50)
    uint8_t aspect = 0;        // 0 4:3, 3 16:9
    bool noPanscan = false;    // automatic pan-scan not allowed
    bool noLetterbox = false;  // automatic letterbox not allowed
    bool line21Field1 = false, line21Field2 = false;
    uint8_t size = 0;          // 0 720 wide, 1 704, 2 352 (full height), 3 352 (half height)
    bool letterboxed = false;
    bool film = false;         // PAL only: film (not camera) source
    uint32_t Width() const;
    uint32_t Height() const;
    uint32_t FrameRate() const { return standard == 1 ? 25 : 30; }
    uint32_t FrameHeight() const { return standard == 1 ? 576 : 480; }
};

struct AudioAttr {
    uint8_t coding = 0;        // 0 AC-3, 2 MPEG-1, 3 MPEG-2 extended, 4 LPCM, 6 DTS
    bool multichannel = false; // a multichannel extension record describes the stream
    uint8_t langType = 0;      // 1 when lang holds a language code
    uint8_t appMode = 0;       // 0 none, 1 karaoke, 2 surround
    uint8_t quantization = 0;  // LPCM: 0 16 bit, 1 20 bit, 2 24 bit; MPEG: 1 dynamic range control
    uint8_t frequency = 0;     // 0 48 kHz, 1 96 kHz
    uint8_t channels = 0;      // number of channels minus 1
    char lang[2] = {0, 0};
    uint8_t langExt = 0;       // 0 unspecified, 1 normal, 2 visually impaired, 3/4 director's comments
    uint8_t appInfo = 0;
    uint16_t LangCode() const { return langType == 1 ? uint16_t(uint8_t(lang[0]) << 8 | uint8_t(lang[1])) : 0; }
};

struct SubpAttr {
    uint8_t coding = 0;        // 0 run length
    uint8_t langType = 0;      // 1 when lang holds a language code
    char lang[2] = {0, 0};
    uint8_t langExt = 0;
    uint16_t LangCode() const { return langType == 1 ? uint16_t(uint8_t(lang[0]) << 8 | uint8_t(lang[1])) : 0; }
};

struct Command {
    std::array<uint8_t, 8> b{};
};

struct CellPlayback {
    uint8_t blockMode = 0, blockType = 0;  // angle blocks: type 1, mode 1 first, 2 inside, 3 last
    bool seamless = false, interleaved = false, stcDiscontinuity = false, seamlessAngle = false;
    bool restricted = false;
    uint8_t stillTime = 0;     // seconds; 255 for ever
    uint8_t cellCommand = 0;   // 1-based cell command number, 0 none
    PlaybackTime time;
    uint32_t firstSector = 0, firstIlvuEnd = 0, lastVobuStart = 0, lastSector = 0;
};

struct CellPosition {
    uint16_t vobId = 0;
    uint8_t cellId = 0;
};

struct Pgc {
    uint8_t programCount = 0;
    PlaybackTime time;
    uint32_t prohibitedOps = 0;
    std::array<uint16_t, 8> audioControl{};      // bit 15 available, bits 8-10 stream number
    std::array<uint32_t, 32> subpControl{};      // bit 31 available, then 4:3, wide, letterbox, pan-scan numbers
    uint16_t nextPgc = 0, prevPgc = 0, goUpPgc = 0;
    uint8_t stillTime = 0;
    uint8_t playbackMode = 0;                    // 0 sequential, else random or shuffle
    std::array<uint32_t, 16> palette{};          // 0x00YYCrCb
    std::vector<Command> pre, post, cellCommands;
    std::vector<uint8_t> programMap;             // entry cell (1-based) of each program
    std::vector<CellPlayback> cells;
    std::vector<CellPosition> positions;
};

struct PgcEntry {
    uint8_t category = 0;      // bit 7 entry program chain; titles: low 7 bits title number; menus: menu type
    uint16_t parentalMask = 0;
    Pgc pgc;
    bool IsEntry() const { return (category & 0x80) != 0; }
    uint8_t MenuType() const { return category & 0x0F; }  // 2 title, 3 root, 4 subpicture, 5 audio, 6 angle, 7 chapter
};

struct LanguageUnit {
    uint16_t lang = 0;         // two ASCII letters
    uint8_t menuFlags = 0;     // VMG: 0x80 title menu; VTS: 0x80 root, 0x40 subpicture, 0x20 audio, 0x10 angle, 0x08 chapter
    std::vector<PgcEntry> pgcs;
};

struct TitleEntry {
    uint8_t playbackType = 0;
    uint8_t angles = 0;
    uint16_t chapters = 0;
    uint16_t parentalId = 0;
    uint8_t vts = 0;           // title set number
    uint8_t vtsTitle = 0;      // title number inside the set
    uint32_t vtsSector = 0;
};

struct ChapterEntry {
    uint16_t pgcn = 0, pgn = 0;
};

struct CellAddress {
    uint16_t vobId = 0;
    uint8_t cellId = 0;
    uint32_t startSector = 0, lastSector = 0;
};

struct TimeMap {
    uint8_t unitSeconds = 0;
    std::vector<uint32_t> entries;
};

struct ParentalCountry {
    uint16_t country = 0;                     // two ASCII letters
    std::array<std::vector<uint16_t>, 8> masks;  // masks[level - 1][0 = VMG, n = title set n]
};

struct Vmg {
    uint16_t version = 0;
    uint32_t category = 0;
    uint16_t volumes = 0, volume = 0;
    uint8_t side = 0;          // 2 side B, else side A
    uint16_t titleSets = 0;
    std::string provider;
    uint32_t menuVobSector = 0;
    bool hasFirstPlay = false;
    Pgc firstPlay;
    std::vector<TitleEntry> titles;
    std::vector<LanguageUnit> menus;
    std::vector<ParentalCountry> parental;
    VideoAttr menuVideo;
    std::vector<AudioAttr> menuAudio;
    std::vector<SubpAttr> menuSubp;
    std::vector<CellAddress> menuCells;
    std::vector<uint32_t> menuVobus;
    // Regions that may play the disc: bit r for region r + 1.
    uint8_t RegionMask() const { return uint8_t(~(category >> 16) & 0xFF); }
};

struct Vts {
    uint16_t version = 0;
    uint32_t category = 0;
    uint32_t menuVobSector = 0, titleVobSector = 0;
    std::vector<std::vector<ChapterEntry>> chapters;  // per title of the set
    std::vector<PgcEntry> titlePgcs;
    std::vector<LanguageUnit> menus;
    std::vector<TimeMap> timeMaps;
    std::vector<CellAddress> menuCells, titleCells;
    std::vector<uint32_t> menuVobus, titleVobus;
    VideoAttr menuVideo, video;
    std::vector<AudioAttr> menuAudio, audio;
    std::vector<SubpAttr> menuSubp, subp;
    std::array<std::array<uint8_t, 24>, 8> multichannel{};
};

// Parse a whole information file. On failure they return false and put a short reason in *error.
bool ParseVmg(const uint8_t* data, size_t size, Vmg& out, std::string* error = nullptr);
bool ParseVts(const uint8_t* data, size_t size, Vts& out, std::string* error = nullptr);

// Largest information file accepted (real ones are a few hundred kilobytes at most).
constexpr size_t kMaxIfoSize = 16u << 20;

}  // namespace zrdvd
