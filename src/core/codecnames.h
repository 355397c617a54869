// Descriptions of the codecs a media file names (video FourCC, audio wave format tag, subtitle subtype),
// the subtitle format block, the clock text of a number of seconds, and the fixed code and text of each
// result a trial render can give.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/mtnames.h"

// Description of a video compression from its FourCC text (CompressionNameW of biCompression): the text
// is lower-cased (A-Z only) and looked up; "Unknown Codec" when it is not listed. "RGB" gives
// "Full Frames (Uncompressed)", "MJPG" "Motion JPEG"; "BITFIELDS" is not listed.
std::wstring VideoCodecName(std::wstring_view fourccText);

// Description of an audio format from its wave format tag; "Unknown" when the tag is not listed.
// 0x0001 gives "Microsoft PCM Format".
std::wstring AudioCodecName(uint16_t formatTag);

// Subtitle streams: their major type, the format type of their block, and the codec of a subtype
// ("UTF8", "SSA", "ASS", "ASS2", "USF", "VOBSUB"; empty for any other).
inline constexpr TZRGuid kSubtitleMajorType = MakeGuid("E487EB08-6B26-4BE9-9DD3-993434D313FD");
inline constexpr TZRGuid kSubtitleFormatType = MakeGuid("A33D2F7D-96BC-4337-B23B-A8B9FBC295E9");
std::wstring SubtitleCodecName(const TZRGuid& subtype);

// The subtitle format block: a 32-bit offset, a 4-byte ISO language code and a track name of 256 UTF-16
// characters. language = the code's bytes up to the first zero byte, name = the characters up to the
// first zero. Only the bytes inside the block are read: a field that does not fit is left empty (a name
// cut short by the block's end keeps its whole characters).
void ParseSubtitleFormat(const uint8_t* block, uint32_t size, std::wstring& language, std::wstring& name);

// "HH:MM:SS": hours with at least two digits (more when needed), minutes and seconds with two.
// 45296 gives "12:34:56", 360000 "100:00:00". A negative number gives the text of its magnitude after a
// minus sign ("-00:00:05").
std::wstring SecondsToTimeFormatted(int32_t seconds);

// What a trial render's result means for playing the file. code is the value of the player's
// TZRFilePlayError (ZR_FP_OK = 0 ... ZR_FP_FAIL = 12).
struct TZRFilePlayResult {
    uint8_t code;
    const wchar_t* text;
    bool playable;
};
TZRFilePlayResult FilePlayResult(int32_t hr);
