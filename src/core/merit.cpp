#include "core/merit.h"
#include <cstring>

namespace {
constexpr size_t kMeritOffset = 4;
constexpr size_t kMeritBytes = 4;
}  // namespace

uint32_t MeritFromFilterData(const uint8_t* data, size_t size) {
    uint32_t merit = 0;
    for (size_t i = 0; i < kMeritBytes; ++i) {
        size_t at = kMeritOffset + i;
        if (data && at < size) merit |= static_cast<uint32_t>(data[at]) << (8 * i);
    }
    return merit;
}

bool BuildMeritRecord(TZRRegValueKind kind, const uint8_t* data, size_t size, uint32_t merit,
                      std::array<uint8_t, kMeritRecordSize>& out) {
    if (kind == TZRRegValueKind::Text || kind == TZRRegValueKind::Integer) return false;
    std::array<uint8_t, kMeritRecordSize> rec{};
    if (kind != TZRRegValueKind::Absent) {
        if (size > kMeritRecordSize) return false;
        if (size > 0) {
            if (!data) return false;
            std::memcpy(rec.data(), data, size);
        }
    }
    for (size_t i = 0; i < kMeritBytes; ++i) rec[kMeritOffset + i] = static_cast<uint8_t>(merit >> (8 * i));
    out = rec;
    return true;
}
