#include "core/dvd/vm.h"

#include <algorithm>
#include <cstring>

namespace zrdvd {
namespace {

constexpr int kMaxSteps = 4096;   // commands run for one link before the machine gives up
constexpr int kMaxLinks = 256;    // program chains entered without a cell to play

uint16_t W(const Command& c, int i) { return uint16_t(c.b[i] << 8 | c.b[i + 1]); }

}  // namespace

Vm::Vm(const Vmg& vmg, std::vector<const Vts*> sets) : vmg_(vmg), sets_(std::move(sets)) { Reset(); }

void Vm::Reset() {
    gprm_.fill(0);
    sprm_.fill(0);
    sprm_[0] = 'e' << 8 | 'n';
    sprm_[1] = 0;
    sprm_[2] = 62;
    sprm_[3] = 1;
    sprm_[4] = 1;
    sprm_[5] = 1;
    sprm_[7] = 1;
    sprm_[8] = 1 << 10;
    sprm_[12] = 'U' << 8 | 'S';
    sprm_[13] = 15;
    sprm_[14] = 0x0C00;
    sprm_[15] = 0x5000;
    sprm_[16] = 'e' << 8 | 'n';
    sprm_[18] = 'e' << 8 | 'n';
    sprm_[20] = 1;
    domain_ = Domain::Stop;
    vts_ = pgcn_ = lu_ = 0;
    cell_ = program_ = 0;
    hasResume_ = false;
    hl_ = Highlight();
    lastTitle_ = lastChapter_ = 0;
    item_ = PlayItem();
    item_.generation = ++generation_;
}

void Vm::SetDefaultLanguages(uint16_t menu, uint16_t audio, uint16_t audioExt, uint16_t subp, uint16_t subpExt) {
    if (menu) sprm_[0] = menu;
    if (audio) sprm_[16] = audio;
    sprm_[17] = audioExt;
    if (subp) sprm_[18] = subp;
    sprm_[19] = subpExt;
}

std::vector<Event> Vm::TakeEvents() {
    std::vector<Event> e;
    e.swap(events_);
    return e;
}

void Vm::SetDomain(Domain d) {
    if (d == domain_) return;
    domain_ = d;
    Emit(EventKind::DomainChange, uint32_t(d));
}

const std::vector<PgcEntry>* Vm::MenuTable(Domain d, uint16_t vts) const {
    const std::vector<LanguageUnit>* lus = nullptr;
    if (d == Domain::VmgMenu) lus = &vmg_.menus;
    else if (d == Domain::VtsMenu && Set(vts)) lus = &Set(vts)->menus;
    if (!lus || lus->empty()) return nullptr;
    uint16_t lu = PickLanguageUnit(*lus);
    return &(*lus)[lu].pgcs;
}

uint16_t Vm::PickLanguageUnit(const std::vector<LanguageUnit>& lus) const {
    for (size_t i = 0; i < lus.size(); ++i)
        if (lus[i].lang == sprm_[0]) return uint16_t(i);
    return 0;
}

const Pgc* Vm::Pgc_(Domain d, uint16_t vts, uint16_t pgcn) const {
    switch (d) {
    case Domain::FirstPlay: return vmg_.hasFirstPlay && pgcn <= 1 ? &vmg_.firstPlay : nullptr;
    case Domain::VmgMenu:
    case Domain::VtsMenu: {
        const auto* t = MenuTable(d, vts);
        return t && pgcn >= 1 && pgcn <= t->size() ? &(*t)[pgcn - 1].pgc : nullptr;
    }
    case Domain::Title: {
        const Vts* s = Set(vts);
        return s && pgcn >= 1 && pgcn <= s->titlePgcs.size() ? &s->titlePgcs[pgcn - 1].pgc : nullptr;
    }
    default: return nullptr;
    }
}

bool Vm::Start() {
    Reset();
    if (vmg_.hasFirstPlay) {
        SetDomain(Domain::FirstPlay);
        Run({Link::PlayPgc, 1});
        return true;
    }
    Emit(EventKind::NoFirstPlay);
    return PlayTitle(1);
}

bool Vm::Stop() {
    Run({Link::Stop});
    return true;
}

// --- running program chains -------------------------------------------------------------------

void Vm::Run(Link l) {
    int program = 0;
    for (int guard = 0; guard < kMaxLinks; ++guard) {
        const Pgc* p = CurrentPgc();
        switch (l.kind) {
        case Link::None:
        case Link::Done:
            return;
        case Link::Stop:
            SetDomain(Domain::Stop);
            cell_ = program_ = 0;
            hl_ = Highlight();
            item_ = PlayItem();
            item_.generation = ++generation_;
            return;
        case Link::PlayPgc: {
            uint16_t n = uint16_t(l.a & 0xFFFF);
            program = l.a >> 16;
            p = Pgc_(domain_, vts_, n);
            if (!p) {
                Emit(EventKind::Warning, 3);
                l = {Link::Stop};
                continue;
            }
            pgcn_ = n;
            cell_ = program_ = 0;
            hl_ = Highlight();
            // Streams the new chain lacks fall back to its first available one.
            if (AudioPhysical(sprm_[1]) < 0) {
                for (int i = 0; i < 8; ++i) if (AudioPhysical(i) >= 0) { sprm_[1] = uint16_t(i); break; }
            }
            Link pre = RunCommands(p->pre, 0);
            if (pre.kind != Link::None) { l = pre; continue; }
            l = {Link::PlayProgram, program ? program : 1};
            continue;
        }
        case Link::PlayProgram:
            if (!p || l.a < 1 || l.a > int(p->programMap.size())) { l = {Link::TailPgc}; continue; }
            l = {Link::PlayCell, p->programMap[l.a - 1]};
            continue;
        case Link::PlayCell: {
            if (!p || l.a < 1 || l.a > int(p->cells.size())) { l = {Link::TailPgc}; continue; }
            int c = l.a;
            // In an angle block play the cell of the current angle.
            if (p->cells[c - 1].blockType == 1 && p->cells[c - 1].blockMode == 1) {
                int want = c + std::max(0, sprm_[3] - 1);
                int k = c;
                while (k < want && k < int(p->cells.size()) && p->cells[k].blockType == 1 && p->cells[k].blockMode >= 2) ++k;
                c = k;
            }
            uint32_t seek = pendingSeek_;
            pendingSeek_ = 0;
            PlayCellAt(c, seek);
            return;
        }
        case Link::TailPgc: {
            if (!p) { l = {Link::Stop}; continue; }
            Link post = RunCommands(p->post, 0);
            if (post.kind != Link::None) { l = post; continue; }
            if (p->nextPgc && domain_ != Domain::FirstPlay) { l = {Link::PlayPgc, p->nextPgc}; continue; }
            l = {Link::Stop};
            continue;
        }
        case Link::Resume: {
            if (!hasResume_ || !Pgc_(Domain::Title, rsmVts_, rsmPgcn_)) return;
            hasResume_ = false;
            vts_ = rsmVts_;
            pgcn_ = rsmPgcn_;
            for (int i = 0; i < 5; ++i) sprm_[4 + i] = rsmSprm_[i];
            SetDomain(Domain::Title);
            hl_ = Highlight();
            lastChapter_ = 0;
            PlayCellAt(std::max<int>(1, rsmCell_), rsmOffsetMs_);
            return;
        }
        default:
            return;
        }
    }
    Emit(EventKind::Error, 1);  // program chains link to each other without ever playing a cell
    SetDomain(Domain::Stop);
    item_ = PlayItem();
    item_.generation = ++generation_;
}

bool Vm::PlayCellAt(int c, uint32_t seekMs) {
    const Pgc* p = CurrentPgc();
    if (!p || c < 1 || c > int(p->cells.size())) return false;
    cell_ = c;
    posInCellMs_ = seekMs;
    program_ = ProgramOfCell(c);
    const CellPlayback& cp = p->cells[c - 1];
    PlayItem it;
    it.domain = domain_;
    it.vts = domain_ == Domain::VmgMenu || domain_ == Domain::FirstPlay ? 0 : vts_;
    it.menuVobs = domain_ != Domain::Title;
    it.firstSector = cp.firstSector;
    it.lastSector = cp.lastSector;
    it.stillTime = cp.stillTime;
    if (c == int(p->cells.size()) && p->stillTime && !it.stillTime) it.stillTime = p->stillTime;
    it.cell = uint16_t(c);
    uint32_t start = 0;
    for (int i = 1; i < c; ++i) {
        const CellPlayback& q = p->cells[i - 1];
        if (q.blockType == 1 && q.blockMode != 1) continue;  // other angles of a block count once
        start += q.time.Ms();
    }
    it.cellStartMs = start;
    it.seekMs = seekMs;
    it.generation = ++generation_;
    item_ = it;
    if (domain_ == Domain::Title) UpdateChapter();
    return true;
}

int Vm::ProgramOfCell(int c) const {
    const Pgc* p = CurrentPgc();
    int prog = 0;
    if (!p) return 0;
    for (size_t i = 0; i < p->programMap.size(); ++i)
        if (p->programMap[i] <= c) prog = int(i) + 1;
    return prog;
}

void Vm::UpdateChapter() {
    // The title and chapter that hold this program chain and program.
    int ttn = 0, ptt = 0;
    for (size_t t = 0; t < vmg_.titles.size() && !ttn; ++t) {
        const TitleEntry& te = vmg_.titles[t];
        if (te.vts != vts_ || !Set(vts_) || te.vtsTitle > Set(vts_)->chapters.size()) continue;
        const auto& list = Set(vts_)->chapters[te.vtsTitle - 1];
        for (size_t k = 0; k < list.size(); ++k) {
            if (list[k].pgcn == pgcn_ && list[k].pgn <= program_) {
                ttn = int(t) + 1;
                ptt = int(k) + 1;
            }
        }
    }
    if (!ttn) return;
    bool newTitle = ttn != lastTitle_;
    sprm_[4] = uint16_t(ttn);
    sprm_[5] = vmg_.titles[ttn - 1].vtsTitle;
    sprm_[6] = pgcn_;
    sprm_[7] = uint16_t(ptt);
    if (newTitle) {
        lastTitle_ = ttn;
        Emit(EventKind::TitleChange, uint32_t(ttn));
    }
    const Pgc* p = CurrentPgc();
    bool programStart = p && program_ >= 1 && p->programMap[program_ - 1] == cell_;
    if (newTitle || programStart || ptt != lastChapter_) {
        lastChapter_ = ptt;
        Emit(EventKind::ChapterStart, uint32_t(ptt));
    }
}

void Vm::CellDone() {
    const Pgc* p = CurrentPgc();
    if (domain_ == Domain::Stop || !p || cell_ < 1 || cell_ > int(p->cells.size())) return;
    const CellPlayback& cp = p->cells[cell_ - 1];
    if (cp.cellCommand && cp.cellCommand <= p->cellCommands.size()) {
        std::vector<Command> one{p->cellCommands[cp.cellCommand - 1]};
        Link l = RunCommands(one, 0);
        if (l.kind != Link::None) { Run(l); return; }
    }
    int next = cell_ + 1;
    if (cp.blockType == 1) {  // leave the angle block
        while (next <= int(p->cells.size()) && p->cells[next - 1].blockType == 1 && p->cells[next - 1].blockMode >= 2) ++next;
    }
    if (next > int(p->cells.size())) Run({Link::TailPgc});
    else Run({Link::PlayCell, next});
}

// --- commands ------------------------------------------------------------------------------------

uint16_t Vm::Reg(uint8_t r) const {
    if (r & 0x80) return (r & 0x1F) < 24 ? sprm_[r & 0x1F] : 0;
    return gprm_[r & 0x0F];
}

void Vm::SetReg(uint8_t r, uint16_t v) {
    if (r & 0x80) return;  // system registers change only through their own commands
    gprm_[r & 0x0F] = v;
}

bool Vm::Compare(uint8_t op, uint16_t a, uint16_t b) const {
    switch (op) {
    case 0: return true;
    case 1: return (a & b) != 0;
    case 2: return a == b;
    case 3: return a != b;
    case 4: return a >= b;
    case 5: return a > b;
    case 6: return a <= b;
    case 7: return a < b;
    }
    return false;
}

Vm::Link Vm::RunCommands(const std::vector<Command>& cmds, size_t start) {
    size_t pc = start;
    for (int steps = 0; steps < kMaxSteps && pc < cmds.size(); ++steps) {
        bool gotoLine = false, brk = false;
        int line = 0;
        Link l = Execute(cmds[pc], gotoLine, line, brk);
        if (l.kind != Link::None) return l;
        if (brk) return {};
        if (gotoLine) {
            if (line < 1 || size_t(line) > cmds.size()) { illegal_ = true; Emit(EventKind::Warning, 3); return {}; }
            pc = size_t(line) - 1;
        } else {
            ++pc;
        }
    }
    if (pc < cmds.size()) { illegal_ = true; Emit(EventKind::Warning, 3); }  // endless loop cut short
    return {};
}

static uint16_t SetOp(uint8_t op, uint16_t a, uint16_t b, uint32_t& rng) {
    switch (op) {
    case 1: return b;
    case 3: return uint16_t(std::min<uint32_t>(0xFFFF, uint32_t(a) + b));
    case 4: return a > b ? uint16_t(a - b) : 0;
    case 5: return uint16_t(std::min<uint32_t>(0xFFFF, uint32_t(a) * b));
    case 6: return b ? uint16_t(a / b) : 0xFFFF;
    case 7: return b ? uint16_t(a % b) : 0xFFFF;
    case 8:
        rng ^= rng << 13; rng ^= rng >> 17; rng ^= rng << 5;
        return b ? uint16_t(1 + rng % b) : 0;
    case 9: return a & b;
    case 10: return a | b;
    case 11: return a ^ b;
    default: return a;
    }
}

Vm::Link Vm::LinkSub(uint8_t op, uint16_t arg) {
    int button = arg >> 10;
    if (button) sprm_[8] = uint16_t(button << 10);
    const Pgc* p = CurrentPgc();
    switch (op & 0x1F) {
    case 0: return {};
    case 1: return {Link::PlayCell, cell_};
    case 2: return {Link::PlayCell, cell_ + 1};
    case 3: return {Link::PlayCell, cell_ - 1};
    case 5: return {Link::PlayProgram, program_};
    case 6: return {Link::PlayProgram, program_ + 1};
    case 7: return {Link::PlayProgram, program_ - 1};
    case 9: return {Link::PlayPgc, pgcn_};
    case 10: return p && p->nextPgc ? Link{Link::PlayPgc, p->nextPgc} : Link{Link::Stop};
    case 11: return p && p->prevPgc ? Link{Link::PlayPgc, p->prevPgc} : Link{Link::Stop};
    case 12: return p && p->goUpPgc ? Link{Link::PlayPgc, p->goUpPgc} : Link{Link::Stop};
    case 13: return {Link::TailPgc};
    case 16: return {Link::Resume};
    default:
        illegal_ = true;
        Emit(EventKind::Warning, 3);
        return {};
    }
}

// The link of byte 1's low nibble (links of types 1 to 3), arguments in bytes 6 and 7.
static int LinkOpcode(const Command& c) { return c.b[1] & 0x0F; }

Vm::Link Vm::Execute(const Command& c, bool& gotoLine, int& line, bool& brk) {
    const uint8_t type = c.b[0] >> 5;
    const bool imm = (c.b[0] & 0x10) != 0;
    const uint8_t cmpOp = (c.b[1] >> 4) & 7;
    const bool cmpImm = (c.b[1] & 0x80) != 0;
    auto cmp1 = [&] { return Compare(cmpOp, Reg(c.b[3]), cmpImm ? W(c, 4) : Reg(c.b[5])); };
    auto cmp2 = [&] { return Compare(cmpOp, Reg(c.b[6]), Reg(c.b[7])); };
    auto link = [&]() -> Link {
        uint16_t arg = W(c, 6);
        switch (LinkOpcode(c)) {
        case 0: return {};
        case 1: return LinkSub(c.b[7], arg);
        case 4: return {Link::PlayPgc, arg & 0x7FFF};
        case 5: {
            if (arg >> 10) sprm_[8] = uint16_t((arg >> 10) << 10);
            int ptt = arg & 0x3FF;
            const Vts* s = Set(vts_);
            if (domain_ != Domain::Title || !s || sprm_[5] < 1 || sprm_[5] > s->chapters.size() ||
                ptt < 1 || ptt > int(s->chapters[sprm_[5] - 1].size())) {
                illegal_ = true; Emit(EventKind::Warning, 3); return {};
            }
            const ChapterEntry& ce = s->chapters[sprm_[5] - 1][ptt - 1];
            return {Link::PlayPgc, int(ce.pgcn) | int(ce.pgn) << 16};
        }
        case 6:
            if (arg >> 10) sprm_[8] = uint16_t((arg >> 10) << 10);
            return {Link::PlayProgram, c.b[7] & 0x7F};
        case 7:
            if (arg >> 10) sprm_[8] = uint16_t((arg >> 10) << 10);
            return {Link::PlayCell, c.b[7]};
        default:
            illegal_ = true; Emit(EventKind::Warning, 3); return {};
        }
    };
    switch (type) {
    case 0: {
        if (!cmp1()) return {};
        switch (c.b[1] & 0x0F) {
        case 0: return {};
        case 1: gotoLine = true; line = c.b[7]; return {};
        case 2: brk = true; return {};
        case 3: {
            int level = c.b[6] & 0x0F;
            if (level != sprm_[13]) {
                levelBefore_ = sprm_[13];
                pendingLevel_ = uint16_t(level);
                sprm_[13] = uint16_t(level);
                Emit(EventKind::ParentalLevelChange, uint32_t(level));
            }
            gotoLine = true; line = c.b[7];
            return {};
        }
        }
        break;
    }
    case 1: {
        if (!imm) {  // link
            if (!cmp1()) return {};
            return link();
        }
        if (!cmp2()) return {};
        switch (c.b[1] & 0x0F) {
        case 1: return {Link::Stop};
        case 2: {
            bool ok = false;
            Link l = TitleLink(c.b[5] & 0x7F, 1, 0, false, ok);
            if (ok) return l;
            break;
        }
        case 3: {
            int n = c.b[5] & 0x7F;
            for (size_t t = 0; t < vmg_.titles.size(); ++t) {
                if (vmg_.titles[t].vts != vts_ || vmg_.titles[t].vtsTitle != n) continue;
                bool ok = false;
                Link l = TitleLink(int(t) + 1, 1, 0, false, ok);
                if (ok) return l;
            }
            break;
        }
        case 5: {
            int n = c.b[5] & 0x7F, ptt = W(c, 2) & 0x3FF;
            for (size_t t = 0; t < vmg_.titles.size(); ++t) {
                if (vmg_.titles[t].vts != vts_ || vmg_.titles[t].vtsTitle != n) continue;
                bool ok = false;
                Link l = TitleLink(int(t) + 1, ptt, 0, false, ok);
                if (ok) return l;
            }
            break;
        }
        case 6:
        case 8: {
            bool call = (c.b[1] & 0x0F) == 8;
            if (call) {
                if (domain_ != Domain::Title) break;
                SaveResume(c.b[4] ? c.b[4] : uint16_t(cell_));
            }
            switch (c.b[5] >> 6) {
            case 0:
                if (!vmg_.hasFirstPlay) break;
                SetDomain(Domain::FirstPlay);
                return {Link::PlayPgc, 1};
            case 1: {
                bool ok = false;
                Link l = MenuLink(Domain::VmgMenu, 0, c.b[5] & 0x0F, ok);
                if (ok) return l;
                break;
            }
            case 2: {
                uint16_t vts = call ? vts_ : c.b[4];
                if (!call && c.b[3]) sprm_[5] = c.b[3];
                bool ok = false;
                Link l = MenuLink(Domain::VtsMenu, vts, c.b[5] & 0x0F, ok);
                if (ok) return l;
                break;
            }
            case 3: {
                uint16_t n = W(c, 2) & 0x7FFF;
                if (!Pgc_(Domain::VmgMenu, 0, n)) break;
                SetDomain(Domain::VmgMenu);
                vts_ = 0;
                return {Link::PlayPgc, n};
            }
            }
            break;
        }
        default: break;
        }
        illegal_ = true;
        Emit(EventKind::Warning, 3);
        return {};
    }
    case 2: {
        if (!cmp2()) return {};
        auto val = [&](uint8_t b) -> int {  // a stream field: bit 7 set when given
            if (!(b & 0x80)) return -1;
            return imm ? (b & 0x7F) : Reg(b & 0x0F);
        };
        switch (c.b[0] & 0x0F) {
        case 1: {
            int a = val(c.b[3]), s = val(c.b[4]), g = val(c.b[5]);
            if (a >= 0 && a != sprm_[1]) { sprm_[1] = uint16_t(a); Emit(EventKind::AudioStreamChange, uint32_t(a)); }
            if (s >= 0 && s != sprm_[2]) { sprm_[2] = uint16_t(s); Emit(EventKind::SubpictureStreamChange, uint32_t(s & 0x3F)); }
            if (g >= 0 && g != sprm_[3]) { sprm_[3] = uint16_t(g); Emit(EventKind::AngleChange, uint32_t(g)); }
            break;
        }
        case 2: sprm_[9] = imm ? W(c, 2) : Reg(c.b[3]); sprm_[10] = W(c, 6); return {};
        case 3: gprm_[c.b[5] & 0x0F] = imm ? W(c, 2) : Reg(c.b[3]); break;
        case 4: sprm_[11] = imm ? W(c, 2) : Reg(c.b[3]); break;
        case 6: {
            uint16_t v = imm ? W(c, 4) : Reg(c.b[5]);
            if (v >> 10) sprm_[8] = uint16_t(v & 0xFC00);
            break;
        }
        default: break;
        }
        return link();
    }
    case 3: {
        if (!Compare(cmpOp, gprm_[c.b[2] & 0x0F], cmpImm ? W(c, 6) : Reg(c.b[7]))) return {};
        uint8_t op = c.b[0] & 0x0F;
        uint8_t dst = c.b[3] & 0x0F;
        if (op == 2 && !imm) {
            uint16_t t = gprm_[dst];
            gprm_[dst] = Reg(c.b[5]);
            SetReg(c.b[5], t);
        } else {
            gprm_[dst] = SetOp(op, gprm_[dst], imm ? W(c, 4) : Reg(c.b[5]), rng_);
        }
        return link();
    }
    case 4:
    case 5:
    case 6: {
        uint8_t op = c.b[0] & 0x0F;
        uint8_t dst = c.b[1] & 0x0F;
        auto set = [&] {
            uint16_t src = imm ? W(c, 2) : Reg(c.b[3]);
            if (op == 2 && !imm) {
                uint16_t t = gprm_[dst];
                gprm_[dst] = src;
                SetReg(c.b[3], t);
            } else {
                gprm_[dst] = SetOp(op, gprm_[dst], src, rng_);
            }
        };
        auto cond = [&] { return Compare(cmpOp, gprm_[dst], cmpImm ? W(c, 4) : Reg(c.b[5])); };
        if (type == 4) {
            set();
            if (cond()) return LinkSub(c.b[7], W(c, 6));
        } else if (type == 5) {
            if (cond()) { set(); return LinkSub(c.b[7], W(c, 6)); }
        } else {
            if (cond()) set();
            return LinkSub(c.b[7], W(c, 6));
        }
        return {};
    }
    default: break;
    }
    illegal_ = true;
    Emit(EventKind::Warning, 3);
    return {};
}

// --- jumps -----------------------------------------------------------------------------------

void Vm::SaveResume(uint16_t cell) {
    if (domain_ != Domain::Title) return;
    hasResume_ = true;
    rsmVts_ = vts_;
    rsmPgcn_ = pgcn_;
    rsmCell_ = cell;
    rsmOffsetMs_ = cell == cell_ ? posInCellMs_ : 0;
    for (int i = 0; i < 5; ++i) rsmSprm_[i] = sprm_[4 + i];
}

Vm::Link Vm::TitleLink(int ttn, int ptt, uint32_t seekMs, bool hasTime, bool& ok) {
    ok = false;
    if (ttn < 1 || ttn > int(vmg_.titles.size())) return {};
    const TitleEntry& t = vmg_.titles[ttn - 1];
    const Vts* s = Set(t.vts);
    if (!s || t.vtsTitle < 1 || t.vtsTitle > s->chapters.size()) return {};
    const auto& list = s->chapters[t.vtsTitle - 1];
    if (ptt < 1 || ptt > int(list.size())) return {};
    const ChapterEntry& ce = list[ptt - 1];
    const Pgc* p = Pgc_(Domain::Title, t.vts, ce.pgcn);
    if (!p) return {};
    ok = true;
    vts_ = t.vts;
    sprm_[4] = uint16_t(ttn);
    sprm_[5] = t.vtsTitle;
    sprm_[6] = ce.pgcn;
    sprm_[7] = uint16_t(ptt);
    if (domain_ != Domain::Title) lastTitle_ = 0;
    SetDomain(Domain::Title);
    lastChapter_ = 0;
    if (!hasTime) return {Link::PlayPgc, int(ce.pgcn) | int(ce.pgn) << 16};
    // A time inside the title: the cell that holds it, entered without the chain's pre-commands.
    pgcn_ = ce.pgcn;
    hl_ = Highlight();
    uint32_t at = 0;
    for (size_t i = 0; i < p->cells.size(); ++i) {
        const CellPlayback& q = p->cells[i];
        if (q.blockType == 1 && q.blockMode != 1) continue;
        uint32_t len = q.time.Ms();
        if (seekMs < at + len || i + 1 == p->cells.size()) {
            pendingSeek_ = seekMs > at ? std::min(seekMs - at, len) : 0;
            return {Link::PlayCell, int(i) + 1};
        }
        at += len;
    }
    return {Link::TailPgc};
}

Vm::Link Vm::MenuLink(Domain d, uint16_t vts, int menuType, bool& ok) {
    ok = false;
    const auto* t = MenuTable(d, vts);
    if (!t) return {};
    for (size_t i = 0; i < t->size(); ++i) {
        if ((*t)[i].IsEntry() && (*t)[i].MenuType() == menuType) {
            ok = true;
            vts_ = vts;
            SetDomain(d);
            return {Link::PlayPgc, int(i) + 1};
        }
    }
    return {};
}

bool Vm::JumpTitle(int ttn, int ptt, uint32_t seekMs, bool hasTime) {
    bool ok = false;
    Link l = TitleLink(ttn, ptt, seekMs, hasTime, ok);
    if (ok) Run(l);
    return ok;
}

bool Vm::JumpMenu(Domain d, uint16_t vts, int menuType) {
    bool ok = false;
    Link l = MenuLink(d, vts, menuType, ok);
    if (ok) Run(l);
    return ok;
}

bool Vm::PlayTitle(int ttn) { return JumpTitle(ttn, 1); }

bool Vm::PlayChapterInTitle(int ttn, int ptt) { return JumpTitle(ttn, ptt); }

bool Vm::PlayChapter(int ptt) {
    if (domain_ != Domain::Title) return false;
    return JumpTitle(sprm_[4], ptt);
}

bool Vm::NextChapter() {
    if (domain_ != Domain::Title || sprm_[7] >= ChaptersOfTitle(sprm_[4])) return false;
    return PlayChapter(sprm_[7] + 1);
}

bool Vm::PrevChapter() {
    if (domain_ != Domain::Title || sprm_[7] <= 1) return false;
    return PlayChapter(sprm_[7] - 1);
}

bool Vm::ReplayChapter() {
    if (domain_ != Domain::Title) return false;
    return PlayChapter(sprm_[7]);
}

bool Vm::PlayAtTimeInTitle(int ttn, uint32_t ms) { return JumpTitle(ttn, 1, ms, true); }

bool Vm::PlayAtTime(uint32_t ms) {
    if (domain_ != Domain::Title) return false;
    return JumpTitle(sprm_[4], 1, ms, true);
}

int Vm::ChaptersOfTitle(int ttn) const {
    if (ttn < 1 || ttn > int(vmg_.titles.size())) return 0;
    return vmg_.titles[ttn - 1].chapters;
}

bool Vm::ShowMenu(int menuType) {
    Domain from = domain_;
    uint16_t cell = uint16_t(cell_);
    bool ok;
    bool hadResume = hasResume_;
    if (from == Domain::Title) SaveResume(cell);
    if (menuType == 2) {
        ok = JumpMenu(Domain::VmgMenu, 0, 2);
    } else {
        uint16_t vts = vts_;
        if (!vts && sprm_[4] >= 1 && sprm_[4] <= vmg_.titles.size()) vts = vmg_.titles[sprm_[4] - 1].vts;
        ok = vts && JumpMenu(Domain::VtsMenu, vts, menuType);
    }
    if (!ok && from == Domain::Title) hasResume_ = hadResume;
    return ok;
}

bool Vm::Resume() {
    if (domain_ == Domain::Title || !hasResume_) return false;
    Run({Link::Resume});
    return domain_ == Domain::Title;
}

bool Vm::ReturnFromSubmenu() {
    const Pgc* p = CurrentPgc();
    if (!p || !p->goUpPgc || (domain_ != Domain::VmgMenu && domain_ != Domain::VtsMenu)) return false;
    Run({Link::PlayPgc, p->goUpPgc});
    return true;
}

// --- buttons -----------------------------------------------------------------------------------

void Vm::SetHighlight(const Highlight& hl) {
    if (hl.status == 0 || hl.status == 2) {
        if (hl.status == 0 && !hl_.buttons.empty()) {
            hl_ = Highlight();
            Emit(EventKind::ButtonChange, 0, 0);
        }
        return;
    }
    size_t before = hl_.buttons.size();
    hl_ = hl;
    int sel = SelectedButton();
    if (hl.forcedSelect && hl.forcedSelect <= hl.buttons.size()) sel = hl.forcedSelect;
    if (sel < 1 || sel > int(hl.buttons.size())) sel = hl.buttons.empty() ? 0 : 1;
    if (sel) sprm_[8] = uint16_t(sel << 10);
    if (before != hl_.buttons.size()) Emit(EventKind::ButtonChange, uint32_t(hl_.buttons.size()), uint32_t(sel));
    if (hl.forcedActivate && hl.forcedActivate <= hl.buttons.size()) SelectAndActivate(hl.forcedActivate);
}

bool Vm::SelectButton(int n) {
    if (n < 1 || n > int(hl_.buttons.size())) return false;
    sprm_[8] = uint16_t(n << 10);
    return true;
}

bool Vm::SelectRelative(int dir) {
    int sel = SelectedButton();
    if (sel < 1 || sel > int(hl_.buttons.size())) return false;
    const Button& b = hl_.buttons[sel - 1];
    int to = dir == 0 ? b.up : dir == 1 ? b.down : dir == 2 ? b.left : b.right;
    return SelectButton(to);
}

bool Vm::ActivateButton() {
    int sel = SelectedButton();
    if (sel < 1 || sel > int(hl_.buttons.size())) return false;
    std::vector<Command> one{hl_.buttons[sel - 1].command};
    Link l = RunCommands(one, 0);
    if (l.kind != Link::None) Run(l);
    return true;
}

bool Vm::SelectAndActivate(int n) { return SelectButton(n) && ActivateButton(); }

int Vm::ButtonAt(int x, int y) const {
    for (size_t i = 0; i < hl_.buttons.size(); ++i) {
        const Button& b = hl_.buttons[i];
        if (x >= b.x0 && x <= b.x1 && y >= b.y0 && y <= b.y1) return int(i) + 1;
    }
    return 0;
}

// --- streams -----------------------------------------------------------------------------------

int Vm::AudioPhysical(int n) const {
    const Pgc* p = CurrentPgc();
    if (!p || n < 0 || n > 7) return -1;
    uint16_t c = p->audioControl[n];
    if (!(c & 0x8000)) return -1;
    return (c >> 8) & 7;
}

int Vm::SubpicturePhysical(int n) const {
    const Pgc* p = CurrentPgc();
    if (!p || n < 0 || n > 31) return -1;
    uint32_t c = p->subpControl[n];
    if (!(c & 0x80000000u)) return -1;
    const Vts* s = Set(vts_);
    bool wide = domain_ == Domain::Title && s && s->video.aspect == 3;
    return int((wide ? c >> 16 : c >> 24) & 0x1F);
}

int Vm::AudioStreamsAvailable() const {
    int n = 0;
    for (int i = 0; i < 8; ++i) if (AudioPhysical(i) >= 0) n = i + 1;
    return n;
}

int Vm::SubpictureStreamsAvailable() const {
    int n = 0;
    for (int i = 0; i < 32; ++i) if (SubpicturePhysical(i) >= 0) n = i + 1;
    return n;
}

bool Vm::SelectAudio(int n) {
    if (AudioPhysical(n) < 0) return false;
    if (sprm_[1] != n) {
        sprm_[1] = uint16_t(n);
        Emit(EventKind::AudioStreamChange, uint32_t(n));
    }
    return true;
}

bool Vm::SelectSubpicture(int n) {
    if (SubpicturePhysical(n) < 0) return false;
    uint16_t v = uint16_t((sprm_[2] & 0x40) | n);
    if (v != sprm_[2]) {
        sprm_[2] = v;
        Emit(EventKind::SubpictureStreamChange, uint32_t(n));
    }
    return true;
}

bool Vm::SetSubpictureOn(bool on) {
    sprm_[2] = uint16_t(on ? sprm_[2] | 0x40 : sprm_[2] & ~0x40);
    return true;
}

bool Vm::SelectAngle(int n) {
    if (domain_ != Domain::Title || n < 1 || sprm_[4] < 1 || sprm_[4] > vmg_.titles.size() ||
        n > vmg_.titles[sprm_[4] - 1].angles)
        return false;
    if (sprm_[3] != n) {
        sprm_[3] = uint16_t(n);
        Emit(EventKind::AngleChange, uint32_t(n));
    }
    return true;
}

// --- parental level ----------------------------------------------------------------------------

void Vm::AcceptParentalLevel(bool accept) {
    if (!pendingLevel_) return;
    if (!accept) {
        sprm_[13] = levelBefore_;
        Run({Link::Stop});
    }
    pendingLevel_ = 0;
}

uint32_t Vm::TitleParentalLevels(int ttn) const {
    if (ttn < 1 || ttn > int(vmg_.titles.size())) return 0;
    const TitleEntry& t = vmg_.titles[ttn - 1];
    if (vmg_.parental.empty() || t.parentalId == 0) return 0xFF;
    const ParentalCountry* pc = &vmg_.parental[0];
    for (const auto& c : vmg_.parental) if (c.country == sprm_[12]) pc = &c;
    uint32_t levels = 0;
    for (int l = 0; l < 8; ++l) {
        const auto& row = pc->masks[l];
        if (t.vts < row.size() && (row[t.vts] & t.parentalId)) levels |= 1u << l;
    }
    return levels;
}

uint32_t Vm::TitleLengthMs() const {
    const Pgc* p = domain_ == Domain::Title ? CurrentPgc() : nullptr;
    return p ? p->time.Ms() : 0;
}

// --- saved state -------------------------------------------------------------------------------

VmState Vm::Save(uint32_t cellOffsetMs) const {
    VmState s;
    s.gprm = gprm_;
    s.sprm = sprm_;
    s.domain = domain_;
    s.vts = vts_;
    s.pgcn = pgcn_;
    s.cell = uint16_t(cell_);
    s.cellOffsetMs = cellOffsetMs;
    s.hasResume = hasResume_;
    s.rsmVts = rsmVts_;
    s.rsmPgcn = rsmPgcn_;
    s.rsmCell = rsmCell_;
    s.rsmOffsetMs = rsmOffsetMs_;
    s.rsmSprm = rsmSprm_;
    return s;
}

bool Vm::Restore(const VmState& s) {
    if (s.domain == Domain::Stop || !Pgc_(s.domain, s.vts, s.pgcn)) return false;
    const Pgc* p = Pgc_(s.domain, s.vts, s.pgcn);
    if (s.cell < 1 || s.cell > p->cells.size()) return false;
    gprm_ = s.gprm;
    sprm_ = s.sprm;
    vts_ = s.vts;
    pgcn_ = s.pgcn;
    hasResume_ = s.hasResume;
    rsmVts_ = s.rsmVts;
    rsmPgcn_ = s.rsmPgcn;
    rsmCell_ = s.rsmCell;
    rsmOffsetMs_ = s.rsmOffsetMs;
    rsmSprm_ = s.rsmSprm;
    lastTitle_ = 0;
    lastChapter_ = 0;
    SetDomain(s.domain);
    hl_ = Highlight();
    return PlayCellAt(s.cell, s.cellOffsetMs);
}

std::vector<uint8_t> VmState::Serialize() const {
    std::vector<uint8_t> v{'Z', 'R', 'V', 'M', 1};
    auto u16 = [&](uint16_t x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); };
    for (auto g : gprm) u16(g);
    for (auto r : sprm) u16(r);
    v.push_back(uint8_t(domain));
    u16(vts); u16(pgcn); u16(cell); u16(lu);
    u16(uint16_t(cellOffsetMs)); u16(uint16_t(cellOffsetMs >> 16));
    v.push_back(hasResume ? 1 : 0);
    u16(rsmVts); u16(rsmPgcn); u16(rsmCell);
    u16(uint16_t(rsmOffsetMs)); u16(uint16_t(rsmOffsetMs >> 16));
    for (auto r : rsmSprm) u16(r);
    return v;
}

std::optional<VmState> VmState::Deserialize(const uint8_t* d, size_t n) {
    VmState s;
    size_t need = 5 + 2 * (16 + 24) + 1 + 2 * 6 + 1 + 2 * 5 + 2 * 5;
    if (n < need || std::memcmp(d, "ZRVM\x01", 5) != 0) return std::nullopt;
    size_t p = 5;
    auto u16 = [&] { uint16_t x = uint16_t(d[p] | d[p + 1] << 8); p += 2; return x; };
    for (auto& g : s.gprm) g = u16();
    for (auto& r : s.sprm) r = u16();
    uint8_t dom = d[p++];
    if (dom < 1 || dom > 5) return std::nullopt;
    s.domain = Domain(dom);
    s.vts = u16(); s.pgcn = u16(); s.cell = u16(); s.lu = u16();
    uint32_t lo = u16(), hi = u16();
    s.cellOffsetMs = lo | hi << 16;
    s.hasResume = d[p++] != 0;
    s.rsmVts = u16(); s.rsmPgcn = u16(); s.rsmCell = u16();
    lo = u16(); hi = u16();
    s.rsmOffsetMs = lo | hi << 16;
    for (auto& r : s.rsmSprm) r = u16();
    return s;
}

}  // namespace zrdvd
