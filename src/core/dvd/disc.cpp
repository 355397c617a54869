#include "core/dvd/disc.h"

#include <cctype>
#include <algorithm>
#include <cstring>
#include <system_error>

namespace fs = std::filesystem;

namespace zrdvd {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The entry of 'dir' whose name matches 'name' regardless of case; empty when there is none.
fs::path Find(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    fs::path exact = dir / name;
    if (fs::exists(exact, ec)) return exact;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (Upper(it->path().filename().string()) == name) return it->path();
    }
    return {};
}

FILE* OpenRead(const fs::path& p) {
#ifdef _WIN32
    return _wfopen(p.c_str(), L"rb");
#else
    return std::fopen(p.c_str(), "rb");
#endif
}

}  // namespace

bool ReadFileBytes(const fs::path& p, std::vector<uint8_t>& out) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(OpenRead(p), &std::fclose);
    if (!f) return false;
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        if (out.size() + n > kMaxIfoSize) return false;
        out.insert(out.end(), buf, buf + n);
    }
    return std::ferror(f.get()) == 0;
}

void VobSet::Add(const fs::path& p) {
    std::error_code ec;
    uintmax_t size = fs::file_size(p, ec);
    if (ec) return;
    files_.push_back({p, uint64_t(size) / kSectorSize});
}

uint64_t VobSet::Sectors() const {
    uint64_t n = 0;
    for (const auto& f : files_) n += f.sectors;
    return n;
}

uint32_t VobSet::Read(uint32_t sector, uint32_t count, uint8_t* buf) {
    uint32_t done = 0;
    uint64_t s = sector;
    while (done < count) {
        uint64_t base = 0;
        size_t i = 0;
        while (i < files_.size() && s >= base + files_[i].sectors) base += files_[i++].sectors;
        if (i == files_.size()) break;
        if (openIndex_ != i) {
            open_.reset(OpenRead(files_[i].path));
            openIndex_ = open_ ? i : SIZE_MAX;
            if (!open_) break;
        }
        uint64_t within = s - base;
        uint32_t take = uint32_t(std::min<uint64_t>(count - done, files_[i].sectors - within));
#ifdef _WIN32
        if (_fseeki64(open_.get(), int64_t(within * kSectorSize), SEEK_SET) != 0) break;
#else
        if (fseeko(open_.get(), off_t(within * kSectorSize), SEEK_SET) != 0) break;
#endif
        size_t got = std::fread(buf + size_t(done) * kSectorSize, kSectorSize, take, open_.get());
        done += uint32_t(got);
        s += got;
        if (got < take) break;
    }
    return done;
}

OpenError Disc::Open(const fs::path& given, std::string* detail) {
    try {
        return OpenFolder(given, detail);
    } catch (const std::exception& e) {  // a name the file system cannot convert, memory
        if (detail) *detail = e.what();
        return OpenError::NoFolder;
    }
}

OpenError Disc::OpenFolder(const fs::path& given, std::string* detail) {
    std::error_code ec;
    fs::path folder = given;
    if (!folder.empty() && folder.filename().empty()) folder = folder.parent_path();  // a trailing separator
    if (folder.empty() || !fs::is_directory(folder, ec)) return OpenError::NoFolder;
    fs::path vts = Upper(folder.filename().string()) == "VIDEO_TS" ? folder : Find(folder, "VIDEO_TS");
    if (vts.empty() || !fs::is_directory(vts, ec)) return OpenError::NoVideoTs;
    fs::path vmgIfo = Find(vts, "VIDEO_TS.IFO");
    if (vmgIfo.empty()) return OpenError::NoVideoTs;
    videoTs_ = vts;
    identity_ = 0;
    // The backup copy stands in for a damaged information file.
    auto load = [&](const std::string& stem, auto parse, auto& into) {
        std::vector<uint8_t> bytes;
        std::string why;
        for (const char* ext : {".IFO", ".BUP"}) {
            fs::path p = Find(vts, stem + ext);
            if (p.empty() || !ReadFileBytes(p, bytes)) { why = stem + ext + " cannot be read"; continue; }
            if (parse(bytes.data(), bytes.size(), into, &why)) {
                identity_ = identity_ * 1000003u + bytes.size();
                return true;
            }
            why = stem + ext + ": " + why;
        }
        if (detail) *detail = why;
        return false;
    };
    if (!load("VIDEO_TS", &ParseVmg, vmg_)) return OpenError::BadIfo;
    sets_.clear();
    for (uint16_t n = 1; n <= vmg_.titleSets; ++n) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "VTS_%02u_0", unsigned(n));
        auto set = std::make_unique<TitleSet>();
        if (!load(stem, &ParseVts, set->ifo)) return OpenError::BadIfo;
        if (fs::path m = Find(vts, std::string(stem) + ".VOB"); !m.empty()) set->menuVobs.Add(m);
        for (int k = 1; k <= 9; ++k) {
            char name[20];
            std::snprintf(name, sizeof name, "VTS_%02u_%d.VOB", unsigned(n), k);
            fs::path p = Find(vts, name);
            if (p.empty()) break;
            set->titleVobs.Add(p);
        }
        sets_.push_back(std::move(set));
    }
    for (const auto& t : vmg_.titles) {
        if (t.vtsTitle > sets_[t.vts - 1]->ifo.chapters.size()) {
            if (detail) *detail = "a title is missing from its title set";
            return OpenError::BadIfo;
        }
    }
    vmgVobs_ = VobSet();
    if (fs::path m = Find(vts, "VIDEO_TS.VOB"); !m.empty()) vmgVobs_.Add(m);
    return OpenError::None;
}

}  // namespace zrdvd
