#include "core/dvd/ifo.h"

#include <cstring>
#include <stdexcept>

namespace zrdvd {
namespace {

struct Fail : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Bounded big-endian reads over the whole file.
class Buf {
public:
    Buf(const uint8_t* d, size_t n) : d_(d), n_(n), budget_(n / 2 + (1u << 16)) {}
    size_t size() const { return n_; }
    void Need(size_t off, size_t len, const char* what) const {
        if (off > n_ || len > n_ - off) throw Fail(std::string(what) + " lies beyond the end of the file");
    }
    uint8_t U8(size_t off) const { Need(off, 1, "a field"); return d_[off]; }
    uint16_t U16(size_t off) const { Need(off, 2, "a field"); return uint16_t(d_[off] << 8 | d_[off + 1]); }
    uint32_t U32(size_t off) const {
        Need(off, 4, "a field");
        return uint32_t(d_[off]) << 24 | uint32_t(d_[off + 1]) << 16 | uint32_t(d_[off + 2]) << 8 | d_[off + 3];
    }
    const uint8_t* At(size_t off, size_t len) const { Need(off, len, "a field"); return d_ + off; }
    // Every record decoded is paid for; a file whose tables point at each other over and over runs out.
    void Spend(size_t units) {
        if (units > budget_) throw Fail("the tables refer to too much data");
        budget_ -= units;
    }

private:
    const uint8_t* d_;
    size_t n_;
    size_t budget_;
};

size_t SectorOffset(const Buf& b, uint32_t sector, const char* what) {
    uint64_t off = uint64_t(sector) * kSectorSize;
    if (off >= b.size()) throw Fail(std::string(what) + " lies beyond the end of the file");
    return size_t(off);
}

VideoAttr ReadVideo(const Buf& b, size_t off) {
    VideoAttr v;
    uint8_t x = b.U8(off), y = b.U8(off + 1);
    v.coding = x >> 6;
    v.standard = (x >> 4) & 3;
    v.aspect = (x >> 2) & 3;
    v.noPanscan = (x & 2) != 0;
    v.noLetterbox = (x & 1) != 0;
    v.line21Field1 = (y & 0x80) != 0;
    v.line21Field2 = (y & 0x40) != 0;
    v.size = (y >> 3) & 7;
    v.letterboxed = (y & 4) != 0;
    v.film = (y & 1) != 0;
    return v;
}

AudioAttr ReadAudio(const Buf& b, size_t off) {
    AudioAttr a;
    const uint8_t* p = b.At(off, 8);
    a.coding = p[0] >> 5;
    a.multichannel = (p[0] & 0x10) != 0;
    a.langType = (p[0] >> 2) & 3;
    a.appMode = p[0] & 3;
    a.quantization = p[1] >> 6;
    a.frequency = (p[1] >> 4) & 3;
    a.channels = p[1] & 7;
    a.lang[0] = char(p[2]);
    a.lang[1] = char(p[3]);
    a.langExt = p[5];
    a.appInfo = p[7];
    return a;
}

SubpAttr ReadSubp(const Buf& b, size_t off) {
    SubpAttr s;
    const uint8_t* p = b.At(off, 6);
    s.coding = p[0] >> 5;
    s.langType = p[0] & 3;
    s.lang[0] = char(p[2]);
    s.lang[1] = char(p[3]);
    s.langExt = p[5];
    return s;
}

std::vector<Command> ReadCommands(Buf& b, size_t off, uint16_t count) {
    b.Spend(count);
    std::vector<Command> v(count);
    const uint8_t* p = b.At(off, size_t(count) * 8);
    for (uint16_t i = 0; i < count; ++i) std::memcpy(v[i].b.data(), p + 8 * i, 8);
    return v;
}

// A program chain starting at byte 'off'.
Pgc ReadPgc(Buf& b, size_t off) {
    Pgc g;
    b.Need(off, 0xEC, "a program chain");
    g.programCount = b.U8(off + 2);
    uint8_t cellCount = b.U8(off + 3);
    g.time = DecodeTime(b.At(off + 4, 4));
    g.prohibitedOps = b.U32(off + 8);
    for (int i = 0; i < 8; ++i) g.audioControl[i] = b.U16(off + 0x0C + 2 * i);
    for (int i = 0; i < 32; ++i) g.subpControl[i] = b.U32(off + 0x1C + 4 * i);
    g.nextPgc = b.U16(off + 0x9C);
    g.prevPgc = b.U16(off + 0x9E);
    g.goUpPgc = b.U16(off + 0xA0);
    g.stillTime = b.U8(off + 0xA2);
    g.playbackMode = b.U8(off + 0xA3);
    for (int i = 0; i < 16; ++i) g.palette[i] = b.U32(off + 0xA4 + 4 * i);
    uint16_t cmdOff = b.U16(off + 0xE4), mapOff = b.U16(off + 0xE6);
    uint16_t cellOff = b.U16(off + 0xE8), posOff = b.U16(off + 0xEA);
    b.Spend(g.programCount / 4u + cellCount * 2u + 1);
    if (cmdOff) {
        size_t c = off + cmdOff;
        uint16_t nPre = b.U16(c), nPost = b.U16(c + 2), nCell = b.U16(c + 4);
        if (size_t(nPre) + nPost + nCell > 128) throw Fail("a program chain has more than 128 commands");
        g.pre = ReadCommands(b, c + 8, nPre);
        g.post = ReadCommands(b, c + 8 + 8 * size_t(nPre), nPost);
        g.cellCommands = ReadCommands(b, c + 8 + 8 * (size_t(nPre) + nPost), nCell);
    }
    if (g.programCount) {
        if (!mapOff) throw Fail("a program chain has programs but no program map");
        const uint8_t* p = b.At(off + mapOff, g.programCount);
        g.programMap.assign(p, p + g.programCount);
        for (size_t i = 0; i < g.programMap.size(); ++i) {
            if (g.programMap[i] == 0 || g.programMap[i] > cellCount || (i && g.programMap[i] <= g.programMap[i - 1]))
                throw Fail("a program map names cells out of order or out of range");
        }
    }
    if (cellCount) {
        if (!cellOff || !posOff) throw Fail("a program chain has cells but no cell tables");
        g.cells.resize(cellCount);
        g.positions.resize(cellCount);
        for (uint8_t i = 0; i < cellCount; ++i) {
            size_t c = off + cellOff + 24 * size_t(i);
            const uint8_t* p = b.At(c, 24);
            CellPlayback& cp = g.cells[i];
            cp.blockMode = p[0] >> 6;
            cp.blockType = (p[0] >> 4) & 3;
            cp.seamless = (p[0] & 8) != 0;
            cp.interleaved = (p[0] & 4) != 0;
            cp.stcDiscontinuity = (p[0] & 2) != 0;
            cp.seamlessAngle = (p[0] & 1) != 0;
            cp.restricted = (p[1] & 0x20) != 0;
            cp.stillTime = p[2];
            cp.cellCommand = p[3];
            cp.time = DecodeTime(p + 4);
            cp.firstSector = b.U32(c + 8);
            cp.firstIlvuEnd = b.U32(c + 12);
            cp.lastVobuStart = b.U32(c + 16);
            cp.lastSector = b.U32(c + 20);
            if (cp.lastSector < cp.firstSector || cp.lastVobuStart < cp.firstSector || cp.lastVobuStart > cp.lastSector)
                throw Fail("a cell's sector range is inverted");
            size_t q = off + posOff + 4 * size_t(i);
            g.positions[i].vobId = b.U16(q);
            g.positions[i].cellId = b.U8(q + 3);
        }
    } else if (g.programCount) {
        throw Fail("a program chain has programs but no cells");
    }
    return g;
}

// A program chain table (VTS_PGCIT or a menu language unit) at byte 'off'.
std::vector<PgcEntry> ReadPgcTable(Buf& b, size_t off) {
    uint16_t n = b.U16(off);
    uint32_t last = b.U32(off + 4);
    b.Need(off, size_t(8) + 8 * size_t(n), "a program chain table");
    b.Spend(n);
    std::vector<PgcEntry> v(n);
    for (uint16_t i = 0; i < n; ++i) {
        size_t e = off + 8 + 8 * size_t(i);
        v[i].category = b.U8(e);
        v[i].parentalMask = b.U16(e + 2);
        uint32_t start = b.U32(e + 4);
        if (start < 8 || start > last) throw Fail("a program chain lies outside its table");
        v[i].pgc = ReadPgc(b, off + start);
    }
    return v;
}

std::vector<LanguageUnit> ReadMenus(Buf& b, uint32_t sector) {
    std::vector<LanguageUnit> v;
    if (!sector) return v;
    size_t off = SectorOffset(b, sector, "the menu table");
    uint16_t n = b.U16(off);
    uint32_t last = b.U32(off + 4);
    if (n > 100) throw Fail("the menu table has too many language units");
    b.Need(off, size_t(8) + 8 * size_t(n), "the menu table");
    v.resize(n);
    for (uint16_t i = 0; i < n; ++i) {
        size_t e = off + 8 + 8 * size_t(i);
        v[i].lang = b.U16(e);
        v[i].menuFlags = b.U8(e + 3);
        uint32_t start = b.U32(e + 4);
        if (start < 8 || start > last) throw Fail("a menu language unit lies outside its table");
        v[i].pgcs = ReadPgcTable(b, off + start);
    }
    return v;
}

std::vector<CellAddress> ReadCellAddresses(Buf& b, uint32_t sector) {
    std::vector<CellAddress> v;
    if (!sector) return v;
    size_t off = SectorOffset(b, sector, "the cell address table");
    uint32_t last = b.U32(off + 4);
    if (last < 7) return v;
    size_t count = (size_t(last) + 1 - 8) / 12;
    b.Need(off, 8 + 12 * count, "the cell address table");
    b.Spend(count);
    v.resize(count);
    for (size_t i = 0; i < count; ++i) {
        size_t e = off + 8 + 12 * i;
        v[i].vobId = b.U16(e);
        v[i].cellId = b.U8(e + 2);
        v[i].startSector = b.U32(e + 4);
        v[i].lastSector = b.U32(e + 8);
    }
    return v;
}

std::vector<uint32_t> ReadVobuMap(Buf& b, uint32_t sector) {
    std::vector<uint32_t> v;
    if (!sector) return v;
    size_t off = SectorOffset(b, sector, "the VOBU address map");
    uint32_t last = b.U32(off);
    if (last < 3) return v;
    size_t count = (size_t(last) + 1 - 4) / 4;
    b.Need(off, 4 + 4 * count, "the VOBU address map");
    b.Spend(count);
    v.resize(count);
    for (size_t i = 0; i < count; ++i) v[i] = b.U32(off + 4 + 4 * i);
    return v;
}

void ReadMenuStreams(const Buf& b, size_t base, VideoAttr& video, std::vector<AudioAttr>& audio,
                     std::vector<SubpAttr>& subp) {
    video = ReadVideo(b, base);
    uint16_t na = b.U16(base + 2);
    if (na > 8) throw Fail("more than 8 menu audio streams");
    for (uint16_t i = 0; i < na; ++i) audio.push_back(ReadAudio(b, base + 4 + 8 * i));
    uint16_t ns = b.U16(base + 0x54);
    if (ns > 1) throw Fail("more than one menu subpicture stream");
    if (ns) subp.push_back(ReadSubp(b, base + 0x56));
}

template <class F>
bool Guard(F&& f, std::string* error) {
    try {
        f();
        return true;
    } catch (const Fail& e) {
        if (error) *error = e.what();
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
    }
    return false;
}

}  // namespace

uint32_t PlaybackTime::Ms() const {
    uint32_t ms = (uint32_t(hours) * 3600 + minutes * 60u + seconds) * 1000u;
    if (fps) ms += uint32_t(frames) * 1000u / fps;
    return ms;
}

PlaybackTime DecodeTime(const uint8_t b[4]) {
    auto bcd = [](uint8_t v) { return uint8_t((v >> 4) * 10 + (v & 0x0F)); };
    PlaybackTime t;
    t.hours = bcd(b[0]);
    t.minutes = bcd(b[1]);
    t.seconds = bcd(b[2]);
    t.frames = bcd(b[3] & 0x3F);
    switch (b[3] >> 6) {
    case 1: t.fps = 25; break;
    case 3: t.fps = 30; break;
    default: t.fps = 0; break;
    }
    return t;
}

uint32_t VideoAttr::Width() const {
    switch (size) {
    case 0: return 720;
    case 1: return 704;
    default: return 352;
    }
}

uint32_t VideoAttr::Height() const {
    uint32_t full = FrameHeight();
    return size == 3 ? full / 2 : full;
}

bool ParseVmg(const uint8_t* data, size_t size, Vmg& out, std::string* error) {
    return Guard([&] {
        if (size > kMaxIfoSize) throw Fail("the information file is too large");
        Buf b(data, size);
        Vmg v;
        if (std::memcmp(b.At(0, 12), "DVDVIDEO-VMG", 12) != 0) throw Fail("not a video manager information file");
        v.version = b.U16(0x20);
        v.category = b.U32(0x22);
        v.volumes = b.U16(0x26);
        v.volume = b.U16(0x28);
        v.side = b.U8(0x2A);
        v.titleSets = b.U16(0x3E);
        const uint8_t* prov = b.At(0x40, 32);
        size_t plen = 0;
        while (plen < 32 && prov[plen]) ++plen;
        v.provider.assign(reinterpret_cast<const char*>(prov), plen);
        uint32_t fpOff = b.U32(0x84);
        v.menuVobSector = b.U32(0xC0);
        ReadMenuStreams(b, 0x100, v.menuVideo, v.menuAudio, v.menuSubp);
        if (fpOff) {
            v.firstPlay = ReadPgc(b, fpOff);
            v.hasFirstPlay = true;
        }
        // Title table.
        uint32_t ttSector = b.U32(0xC4);
        if (!ttSector) throw Fail("the disc has no title table");
        size_t tt = SectorOffset(b, ttSector, "the title table");
        uint16_t nt = b.U16(tt);
        if (nt > 99) throw Fail("the title table lists more than 99 titles");
        b.Need(tt, 8 + 12 * size_t(nt), "the title table");
        v.titles.resize(nt);
        for (uint16_t i = 0; i < nt; ++i) {
            size_t e = tt + 8 + 12 * size_t(i);
            TitleEntry& t = v.titles[i];
            t.playbackType = b.U8(e);
            t.angles = b.U8(e + 1);
            t.chapters = b.U16(e + 2);
            t.parentalId = b.U16(e + 4);
            t.vts = b.U8(e + 6);
            t.vtsTitle = b.U8(e + 7);
            t.vtsSector = b.U32(e + 8);
            if (t.vts == 0 || t.vts > v.titleSets || t.vtsTitle == 0)
                throw Fail("a title names a title set the disc does not have");
        }
        v.menus = ReadMenus(b, b.U32(0xC8));
        // Parental management.
        if (uint32_t ptl = b.U32(0xCC)) {
            size_t p = SectorOffset(b, ptl, "the parental table");
            uint16_t nc = b.U16(p), nv = b.U16(p + 2);
            if (nc > 256 || nv > 99) throw Fail("the parental table is too large");
            b.Need(p, 8 + 8 * size_t(nc), "the parental table");
            for (uint16_t c = 0; c < nc; ++c) {
                ParentalCountry pc;
                pc.country = b.U16(p + 8 + 8 * c);
                size_t m = p + b.U16(p + 8 + 8 * c + 4);
                b.Need(m, 8 * 2 * (size_t(nv) + 1), "the parental masks");
                b.Spend(nv + 1u);
                for (int lvl = 0; lvl < 8; ++lvl) {  // stored from level 8 down to level 1
                    auto& row = pc.masks[7 - lvl];
                    for (uint16_t k = 0; k <= nv; ++k) row.push_back(b.U16(m + 2 * ((nv + 1u) * lvl + k)));
                }
                v.parental.push_back(std::move(pc));
            }
        }
        v.menuCells = ReadCellAddresses(b, b.U32(0xD8));
        v.menuVobus = ReadVobuMap(b, b.U32(0xDC));
        out = std::move(v);
    }, error);
}

bool ParseVts(const uint8_t* data, size_t size, Vts& out, std::string* error) {
    return Guard([&] {
        if (size > kMaxIfoSize) throw Fail("the information file is too large");
        Buf b(data, size);
        Vts v;
        if (std::memcmp(b.At(0, 12), "DVDVIDEO-VTS", 12) != 0) throw Fail("not a title set information file");
        v.version = b.U16(0x20);
        v.category = b.U32(0x22);
        v.menuVobSector = b.U32(0xC0);
        v.titleVobSector = b.U32(0xC4);
        ReadMenuStreams(b, 0x100, v.menuVideo, v.menuAudio, v.menuSubp);
        v.video = ReadVideo(b, 0x200);
        uint16_t na = b.U16(0x202);
        if (na > 8) throw Fail("more than 8 audio streams");
        for (uint16_t i = 0; i < na; ++i) v.audio.push_back(ReadAudio(b, 0x204 + 8 * i));
        uint16_t ns = b.U16(0x254);
        if (ns > 32) throw Fail("more than 32 subpicture streams");
        for (uint16_t i = 0; i < ns; ++i) v.subp.push_back(ReadSubp(b, 0x256 + 6 * i));
        for (int i = 0; i < 8; ++i) std::memcpy(v.multichannel[i].data(), b.At(0x318 + 24 * i, 24), 24);
        // Chapters of each title.
        uint32_t pttSector = b.U32(0xC8);
        if (!pttSector) throw Fail("the title set has no chapter table");
        size_t pt = SectorOffset(b, pttSector, "the chapter table");
        uint16_t ntitles = b.U16(pt);
        uint32_t last = b.U32(pt + 4);
        b.Need(pt, 8 + 4 * size_t(ntitles), "the chapter table");
        b.Need(pt, size_t(last) + 1, "the chapter table");
        v.chapters.resize(ntitles);
        for (uint16_t t = 0; t < ntitles; ++t) {
            uint32_t s = b.U32(pt + 8 + 4 * t);
            uint32_t e = t + 1 < ntitles ? b.U32(pt + 8 + 4 * (t + 1)) : last + 1;
            if (s < 8 + 4u * ntitles || e < s || e > last + 1) throw Fail("a title's chapter list is out of range");
            size_t n = (e - s) / 4;
            if (n > 999) throw Fail("a title has more than 999 chapters");
            b.Spend(n);
            for (size_t k = 0; k < n; ++k) {
                ChapterEntry c{b.U16(pt + s + 4 * k), b.U16(pt + s + 4 * k + 2)};
                v.chapters[t].push_back(c);
            }
        }
        uint32_t pgcSector = b.U32(0xCC);
        if (!pgcSector) throw Fail("the title set has no program chain table");
        v.titlePgcs = ReadPgcTable(b, SectorOffset(b, pgcSector, "the program chain table"));
        for (const auto& title : v.chapters) {
            for (const auto& c : title) {
                if (c.pgcn == 0 || c.pgcn > v.titlePgcs.size() || c.pgn == 0 ||
                    c.pgn > v.titlePgcs[c.pgcn - 1].pgc.programCount)
                    throw Fail("a chapter names a program that does not exist");
            }
        }
        v.menus = ReadMenus(b, b.U32(0xD0));
        if (uint32_t tm = b.U32(0xD4)) {
            size_t t = SectorOffset(b, tm, "the time map table");
            uint16_t n = b.U16(t);
            b.Need(t, 8 + 4 * size_t(n), "the time map table");
            for (uint16_t i = 0; i < n; ++i) {
                size_t m = t + b.U32(t + 8 + 4 * i);
                TimeMap map;
                map.unitSeconds = b.U8(m);
                uint16_t ne = b.U16(m + 2);
                b.Need(m + 4, 4 * size_t(ne), "a time map");
                b.Spend(ne + 1u);
                for (uint16_t k = 0; k < ne; ++k) map.entries.push_back(b.U32(m + 4 + 4 * k));
                v.timeMaps.push_back(std::move(map));
            }
        }
        v.menuCells = ReadCellAddresses(b, b.U32(0xD8));
        v.menuVobus = ReadVobuMap(b, b.U32(0xDC));
        v.titleCells = ReadCellAddresses(b, b.U32(0xE0));
        v.titleVobus = ReadVobuMap(b, b.U32(0xE4));
        out = std::move(v);
    }, error);
}

}  // namespace zrdvd
