// The navigation pack that starts every VOBU: presentation control (PCI: times, buttons) and data search
// information (DSI: addresses of the following VOBUs), and the MPEG-2 program-stream packs around it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/dvd/ifo.h"

namespace zrdvd {

struct Button {
    uint8_t colourSet = 0;                 // 0 none, else 1-3: which selection/activation colour pair
    uint16_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;  // inclusive
    uint8_t autoAction = 0;
    uint8_t up = 0, down = 0, left = 0, right = 0;
    Command command;
};

struct Highlight {
    uint16_t status = 0;                   // 0 none, 1 new buttons, 2 same as before, 3 same except commands
    uint32_t startPtm = 0, endPtm = 0, selectEndPtm = 0;
    uint8_t buttonOffset = 0;
    uint8_t forcedSelect = 0, forcedActivate = 0;
    std::array<uint32_t, 3> selectColours{}, actionColours{};
    std::vector<Button> buttons;
};

struct NavPack {
    uint32_t sector = 0;        // logical block number of this pack inside its VOB set
    uint32_t prohibitedOps = 0;
    uint32_t startPtm = 0, endPtm = 0;  // 90 kHz presentation times of the VOBU
    Highlight highlight;
    uint32_t scr = 0;
    uint32_t vobuLastSector = 0; // relative: last sector of this VOBU
    uint16_t vobId = 0;
    uint8_t cellId = 0;
    PlaybackTime cellElapsed;
    uint32_t nextVobu = 0;      // raw next-VOBU field: bit 31 valid, low 30 bits relative sector offset
    bool HasNext() const { return (nextVobu & 0x80000000u) && (nextVobu & 0x3FFFFFFFu) != 0x3FFFFFFFu; }
    uint32_t NextOffset() const { return nextVobu & 0x3FFFFFFFu; }
};

// Decode a navigation pack from one 2048-byte sector; false when the sector is not one.
bool ParseNavPack(const uint8_t* sector, size_t size, NavPack& out);

// One elementary-stream payload out of a program-stream pack.
struct PesPayload {
    uint8_t streamId = 0;       // 0xE0 video, 0xC0-0xC7 MPEG audio, 0xBD private stream 1, 0xBF/0xBE
    uint8_t subStream = 0;      // private stream 1: 0x20-0x3F subpicture, 0x80-0x87 AC-3, 0x88-0x8F DTS, 0xA0-0xA7 LPCM
    bool hasPts = false;
    uint64_t pts = 0;           // 90 kHz
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Walk the PES packets of one 2048-byte pack; false when the sector is not an MPEG-2 pack.
// Private stream 1 payloads have their substream byte (and the audio frame header bytes) removed.
bool ParsePack(const uint8_t* sector, size_t size, std::vector<PesPayload>& out);

}  // namespace zrdvd
