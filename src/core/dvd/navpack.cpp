#include "core/dvd/navpack.h"

namespace zrdvd {
namespace {

uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Length of the MPEG-2 pack header at p (with its stuffing), 0 when p holds none.
size_t PackHeader(const uint8_t* p, size_t n) {
    if (n < 14 || p[0] || p[1] || p[2] != 1 || p[3] != 0xBA || (p[4] & 0xC0) != 0x40) return 0;
    size_t len = 14 + (p[13] & 7);
    return len <= n ? len : 0;
}

void ReadHighlight(const uint8_t* h, Highlight& hl) {
    hl.status = Be16(h) & 3;
    hl.startPtm = Be32(h + 2);
    hl.endPtm = Be32(h + 6);
    hl.selectEndPtm = Be32(h + 10);
    hl.buttonOffset = h[16];
    uint8_t count = h[17] & 0x3F;
    hl.forcedSelect = h[20] & 0x3F;
    hl.forcedActivate = h[21] & 0x3F;
    const uint8_t* col = h + 22;
    for (int i = 0; i < 3; ++i) {
        hl.selectColours[i] = Be32(col + 8 * i);
        hl.actionColours[i] = Be32(col + 8 * i + 4);
    }
    if (count > 36) count = 36;
    const uint8_t* bt = h + 22 + 24;
    for (uint8_t i = 0; i < count; ++i, bt += 18) {
        Button b;
        b.colourSet = bt[0] >> 6;
        b.x0 = uint16_t((bt[0] & 0x3F) << 4 | bt[1] >> 4);
        b.x1 = uint16_t((bt[1] & 0x03) << 8 | bt[2]);
        b.autoAction = bt[3] >> 6;
        b.y0 = uint16_t((bt[3] & 0x3F) << 4 | bt[4] >> 4);
        b.y1 = uint16_t((bt[4] & 0x03) << 8 | bt[5]);
        b.up = bt[6] & 0x3F;
        b.down = bt[7] & 0x3F;
        b.left = bt[8] & 0x3F;
        b.right = bt[9] & 0x3F;
        for (int k = 0; k < 8; ++k) b.command.b[k] = bt[10 + k];
        hl.buttons.push_back(b);
    }
}

}  // namespace

bool ParseNavPack(const uint8_t* s, size_t n, NavPack& out) {
    if (n < kSectorSize) return false;
    size_t p = PackHeader(s, n);
    if (!p) return false;
    // System header, then the PCI packet (private stream 2, substream 0) and the DSI packet (substream 1).
    if (p + 6 > n || Be32(s + p) != 0x000001BB) return false;
    p += 6 + Be16(s + p + 4);
    if (p + 7 > n || Be32(s + p) != 0x000001BF || s[p + 6] != 0x00) return false;
    size_t pciLen = Be16(s + p + 4);
    const uint8_t* pci = s + p + 7;
    if (pciLen < 1 + 0x60 + 22 + 24 + 36 * 18 || p + 6 + pciLen > n) return false;
    size_t d = p + 6 + pciLen;
    if (d + 7 > n || Be32(s + d) != 0x000001BF || s[d + 6] != 0x01) return false;
    size_t dsiLen = Be16(s + d + 4);
    const uint8_t* dsi = s + d + 7;
    if (dsiLen < 1 + 0x13E || d + 6 + dsiLen > n) return false;

    NavPack v;
    v.sector = Be32(pci);
    v.prohibitedOps = Be32(pci + 8);
    v.startPtm = Be32(pci + 12);
    v.endPtm = Be32(pci + 16);
    ReadHighlight(pci + 0x60, v.highlight);
    v.scr = Be32(dsi);
    v.vobuLastSector = Be32(dsi + 8);
    v.vobId = Be16(dsi + 0x18);
    v.cellId = dsi[0x1B];
    v.cellElapsed = DecodeTime(dsi + 0x1C);
    v.nextVobu = Be32(dsi + 0xEA + 4 + 19 * 4);
    out = v;
    return true;
}

bool ParsePack(const uint8_t* s, size_t n, std::vector<PesPayload>& out) {
    out.clear();
    size_t p = PackHeader(s, n);
    if (!p) return false;
    while (p + 6 <= n) {
        if (s[p] || s[p + 1] || s[p + 2] != 1) break;
        uint8_t id = s[p + 3];
        if (id == 0xB9) break;  // program end
        size_t len = Be16(s + p + 4);
        size_t end = p + 6 + len;
        if (end > n) break;
        if (id == 0xBB || id == 0xBE || id == 0xBF) {  // system header, padding, navigation data
            p = end;
            continue;
        }
        if (len < 3 || (s[p + 6] & 0xC0) != 0x80) {
            p = end;
            continue;
        }
        size_t hdr = s[p + 8];
        size_t q = p + 9 + hdr;
        if (q > end) break;
        PesPayload pl;
        pl.streamId = id;
        if ((s[p + 7] & 0x80) && hdr >= 5) {
            const uint8_t* t = s + p + 9;
            pl.hasPts = true;
            pl.pts = (uint64_t(t[0] & 0x0E) << 29) | (uint64_t(t[1]) << 22) | (uint64_t(t[2] & 0xFE) << 14) |
                     (uint64_t(t[3]) << 7) | (t[4] >> 1);
        }
        if (id == 0xBD) {
            if (q >= end) { p = end; continue; }
            pl.subStream = s[q];
            size_t skip = 1;
            if (pl.subStream >= 0x80 && pl.subStream <= 0x8F) skip = 4;        // AC-3 / DTS: frame count, pointer
            else if (pl.subStream >= 0xA0 && pl.subStream <= 0xA7) skip = 7;   // LPCM: plus its audio header
            if (q + skip > end) { p = end; continue; }
            q += skip;
        }
        pl.data = s + q;
        pl.size = end - q;
        out.push_back(pl);
        p = end;
    }
    return true;
}

}  // namespace zrdvd
