// A DVD-Video volume on a file system: its VIDEO_TS folder, information files and VOB file sets.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/dvd/ifo.h"

namespace zrdvd {

enum class OpenError { None, NoFolder, NoVideoTs, BadIfo };

// The VOB files of one domain read as one run of sectors (VTS_nn_1.VOB to VTS_nn_9.VOB for titles).
class VobSet {
public:
    void Add(const std::filesystem::path& p);
    bool Empty() const { return files_.empty(); }
    uint64_t Sectors() const;
    // Reads count sectors from 'sector' into buf; returns the number read (short at the end of the set).
    uint32_t Read(uint32_t sector, uint32_t count, uint8_t* buf);

private:
    struct File {
        std::filesystem::path path;
        uint64_t sectors = 0;
    };
    std::vector<File> files_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> open_{nullptr, &std::fclose};
    size_t openIndex_ = SIZE_MAX;
};

struct TitleSet {
    Vts ifo;
    VobSet menuVobs, titleVobs;
};

class Disc {
public:
    // 'folder' is the volume's root (holding VIDEO_TS) or the VIDEO_TS folder itself.
    OpenError Open(const std::filesystem::path& folder, std::string* detail = nullptr);
    const Vmg& vmg() const { return vmg_; }
    size_t TitleSetCount() const { return sets_.size(); }
    TitleSet& Set(size_t n) { return *sets_.at(n - 1); }  // 1-based
    const TitleSet& Set(size_t n) const { return *sets_.at(n - 1); }
    VobSet& VmgMenuVobs() { return vmgVobs_; }
    const std::filesystem::path& VideoTs() const { return videoTs_; }
    // Sum of the sizes of the information files: a stable identity of the volume.
    uint64_t Identity() const { return identity_; }

private:
    OpenError OpenFolder(const std::filesystem::path& folder, std::string* detail);
    std::filesystem::path videoTs_;
    Vmg vmg_;
    std::vector<std::unique_ptr<TitleSet>> sets_;
    VobSet vmgVobs_;
    uint64_t identity_ = 0;
};

// Reads a whole file (at most kMaxIfoSize bytes); false when it cannot be read or is larger.
bool ReadFileBytes(const std::filesystem::path& p, std::vector<uint8_t>& out);

}  // namespace zrdvd
