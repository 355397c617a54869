// Display names of DirectShow media-type identifiers and a one-line description of a whole media type.
// Pure functions over plain values, so they build and are tested without the platform headers.
#pragma once
#include <cstdint>
#include <string>

// A GUID with the platform's memory layout (so a GUID can be copied into it byte for byte).
struct TZRGuid {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};
};
bool operator==(const TZRGuid& a, const TZRGuid& b);

namespace zrguid_detail {
constexpr uint32_t Hex(const char* s, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        const char c = s[i];
        v = v << 4 | static_cast<uint32_t>(c >= '0' && c <= '9'   ? c - '0'
                                           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                  : 0);
    }
    return v;
}
}  // namespace zrguid_detail

// A GUID from its text without braces, "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (36 characters).
constexpr TZRGuid MakeGuid(const char (&s)[37]) {
    using zrguid_detail::Hex;
    TZRGuid g;
    g.Data1 = Hex(s, 8);
    g.Data2 = static_cast<uint16_t>(Hex(s + 9, 4));
    g.Data3 = static_cast<uint16_t>(Hex(s + 14, 4));
    g.Data4[0] = static_cast<uint8_t>(Hex(s + 19, 2));
    g.Data4[1] = static_cast<uint8_t>(Hex(s + 21, 2));
    for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<uint8_t>(Hex(s + 24 + 2 * i, 2));
    return g;
}
inline bool operator!=(const TZRGuid& a, const TZRGuid& b) { return !(a == b); }

// Identifiers the media information reader and the descriptions look at.
inline constexpr TZRGuid kMediaTypeVideo = MakeGuid("73646976-0000-0010-8000-00AA00389B71");
inline constexpr TZRGuid kMediaTypeAudio = MakeGuid("73647561-0000-0010-8000-00AA00389B71");
inline constexpr TZRGuid kFormatVideoInfo = MakeGuid("05589F80-C356-11CE-BF01-00AA0055595A");
inline constexpr TZRGuid kFormatVideoInfo2 = MakeGuid("F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA");
inline constexpr TZRGuid kFormatWaveFormatEx = MakeGuid("05589F81-C356-11CE-BF01-00AA0055595A");
inline constexpr TZRGuid kFormatMPEGVideo = MakeGuid("05589F82-C356-11CE-BF01-00AA0055595A");
inline constexpr TZRGuid kFormatMPEG2Video = MakeGuid("E06D80E3-DB46-11CF-B4D1-00805F6CBBEA");

// The identifier of the FourCC family: code (a four-character code, first character in the lowest byte,
// or a wave format tag) followed by -0000-0010-8000-00AA00389B71.
TZRGuid FourCCGuid(uint32_t code);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::wstring GuidText(const TZRGuid& g);

// Names of major types, subtypes and format types; "UnKnown: " + GuidText for an identifier without a
// name.
std::wstring MajorTypeName(const TZRGuid& g);
std::wstring SubTypeName(const TZRGuid& g);
std::wstring FormatTypeName(const TZRGuid& g);

// Short name of a wave format tag (the 16-bit wFormatTag widened); "Unknown" for a tag without one.
std::wstring WaveFormatTagName(uint32_t tag);

// Name of a bitmap compression code (biCompression): "RGB", "RLE8", "RLE4", "BITFIELDS" for 0..3, else
// the bytes of the code as characters, lowest byte first, up to the first zero byte ("MJPG").
std::string CompressionName(uint32_t code);
// The same text widened character by character (each byte is one character, Latin-1).
std::wstring CompressionNameW(uint32_t code);

// The parts of a media type that its description reads. The format block is present when cbFormat is not
// 0 and pbFormat is set; it is read only within its cbFormat bytes.
struct TZRMediaTypeView {
    TZRGuid majortype, subtype, formattype;
    uint32_t cbFormat = 0;
    const uint8_t* pbFormat = nullptr;
};

// One line describing the type:
//   VideoInfo / VideoInfo2:  "640x480 MJPG, 24 bits"         (empty without a block)
//   WaveFormatEx:            "PCM, 44100 Hz, 16 Bits, 2 Channels" (empty without a block)
//   MPEGVideo / MPEG2Video:  "MPEG1 " / "MPEG2 " followed by "MJPG 640X480, 24 bits" when there is a block
//   DvInfo, MPEGStreams, DolbyAC3, MPEG2Audio, DVD_LPCMAudio: "DV", "MPEGStreams", "DolbyAC3", "MPEG2 Audio",
//                            "DVD_LPCMAudio"
//   anything else:           "MajorType: <major>, SubType: <sub>, FormatType: <format>"
// A block too short for the header it should hold counts as absent (it is never read past its end).
std::wstring MediaTypeDescription(const TZRMediaTypeView& mt);
