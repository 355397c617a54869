// A DirectShow filter's merit as its registration record ("FilterData") stores it: a 32-bit unsigned
// little-endian number in bytes 4 to 7. Nothing else of the record is interpreted.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Size of the record written back when a merit is changed.
constexpr size_t kMeritRecordSize = 128;

// Bytes 4..7 of the record, little-endian; bytes past the end of a shorter record count as zero.
uint32_t MeritFromFilterData(const uint8_t* data, size_t size);

// What the registry holds under the record's name, as far as the merit writer cares.
enum class TZRRegValueKind {
    Absent,   // no such value
    Binary,   // REG_BINARY
    Text,     // REG_SZ, REG_EXPAND_SZ
    Integer,  // REG_DWORD (either byte order)
    Other,    // any other type: taken as raw bytes
};

// The 128 bytes to write for `merit` over the existing value (`data`, `size` bytes of kind `kind`):
// the existing bytes with bytes 4..7 replaced, zero-filled up to 128 bytes; all zero but the merit
// when the value is absent. Refuses (false, `out` untouched) a text or integer value and a value
// longer than 128 bytes.
bool BuildMeritRecord(TZRRegValueKind kind, const uint8_t* data, size_t size, uint32_t merit,
                      std::array<uint8_t, kMeritRecordSize>& out);
