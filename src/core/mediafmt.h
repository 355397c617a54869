// Media-file naming helpers: container format from the file name, time text, aspect terms.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Container format names, compared by the player when it builds a graph.
namespace FileFormatName {
inline constexpr wchar_t kAvi[] = L"AVI";
inline constexpr wchar_t kMpeg12[] = L"MPEG 1/2";
inline constexpr wchar_t kMpeg1Vcd[] = L"MPEG 1 (VCD)";  // no extension selects it
inline constexpr wchar_t kVob[] = L"VOB";
inline constexpr wchar_t kMpeg4[] = L"MPEG 4";
inline constexpr wchar_t kMpeg4Video[] = L"MPEG-4 Video";
inline constexpr wchar_t kWmv[] = L"Windows Media Video";
inline constexpr wchar_t kAsf[] = L"Windows Media Video (ASF)";
inline constexpr wchar_t kMov[] = L"QuickTime MOV";
inline constexpr wchar_t k3gp[] = L"QuickTime 3GP";
inline constexpr wchar_t k3g2[] = L"QuickTime 3GP2";
inline constexpr wchar_t kOgm[] = L"OGG Media";
inline constexpr wchar_t kMkv[] = L"Matroska";
inline constexpr wchar_t kRm[] = L"RealMedia";
inline constexpr wchar_t kMp2[] = L"MPEG-1 layer 2";
inline constexpr wchar_t kMp3[] = L"MP3";
inline constexpr wchar_t kOgg[] = L"OGG Vorbis";
inline constexpr wchar_t kWav[] = L"WAV";
inline constexpr wchar_t kWma[] = L"Windows Media Audio";
inline constexpr wchar_t kAac[] = L"AAC";
inline constexpr wchar_t kM4a[] = L"MPEG-4 Audio";
}  // namespace FileFormatName

// The container format named by the extension (text after the last '.', any letter
// case). Empty for an unknown extension and for a name without one: no '.', a
// trailing '.', or a last '.' that belongs to a folder ("C:\my.dir\file").
std::wstring FileFormatFromName(std::wstring_view fileName);

// "MM:SS" below one hour, else "HH:MM:SS"; every field has at least two digits
// (hours may have more: 360000 -> "100:00:00"). Negative input gives the text of
// its magnitude with a leading '-' ("-01:05").
std::wstring TimeText(int32_t seconds);

// Aspect terms of a w x h frame: the first pair i:j (i = 1..100 outer, j = 1..100
// inner) with 99.98 <= (i / j) / (w / h) * 100 <= 100.02. Found: text "i:j", aw = i, ah = j, true. Otherwise (also for w <= 0 or
// h <= 0): text empty, aw and ah untouched, false.
bool AspectReduction(int32_t w, int32_t h, std::wstring& text, int32_t& aw, int32_t& ah);
