#include "core/mtnames.h"

#include <cstring>

namespace {

constexpr TZRGuid G(const char (&s)[37]) { return MakeGuid(s); }

constexpr uint32_t FourCCCode(const char (&c)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(c[0])) | static_cast<uint32_t>(static_cast<uint8_t>(c[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c[2])) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(c[3])) << 24;
}

constexpr TZRGuid FourCCG(uint32_t code) {
    TZRGuid g;
    g.Data1 = code;
    g.Data2 = 0x0000;
    g.Data3 = 0x0010;
    const uint8_t tail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    for (int i = 0; i < 8; ++i) g.Data4[i] = tail[i];
    return g;
}
constexpr TZRGuid F(const char (&c)[5]) { return FourCCG(FourCCCode(c)); }
constexpr TZRGuid Tag(uint32_t tag) { return FourCCG(tag); }

struct NamedGuid {
    TZRGuid id;
    const wchar_t* name;
};

// Major types. LMRT and ScriptCommand are the platform's values (their first field spells the code from the
// highest byte down). {E06D8021-...} keeps the name "CONTROL"; the DVD navigator's own type {E06D802E-...} is
// named after its platform name.
const NamedGuid kMajorTypes[] = {
    {G("0482DEE1-7817-11CF-8A03-00AA006ECB65"), L"AnalogAudio"},
    {G("0482DDE1-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo"},
    {F("auds"), L"Audio"},
    {G("670AEA80-3A82-11D0-B79B-00AA003767A7"), L"AUXLine21Data"},
    {F("file"), L"File"},
    {F("iavs"), L"Interleaved"},
    {G("74726C6D-0000-0010-8000-00AA00389B71"), L"LMRT"},
    {F("mids"), L"Midi"},
    {G("E06D8020-DB46-11CF-B4D1-00805F6CBBEA"), L"MPEG2_PES"},
    {G("73636D64-0000-0010-8000-00AA00389B71"), L"ScriptCommand"},
    {G("E436EB83-524F-11CE-9F53-0020AF0BA770"), L"Stream"},
    {F("txts"), L"Text"},
    {G("0482DEE3-7817-11CF-8A03-00AA006ECB65"), L"Timecode"},
    {F("urls"), L"URL_STREAM"},
    {F("vids"), L"Video"},
    {G("F72A76E1-EB0A-11D0-ACE4-0000C0CC16BA"), L"VBI"},
    {G("36523B13-8EE5-11D1-8CA3-0060B057664A"), L"MPEG2_PACK"},
    {G("455F176C-4B06-47CE-9AEF-8CAEF73DF7B5"), L"MPEG2_SECTIONS"},
    {G("E06D8021-DB46-11CF-B4D1-00805F6CBBEA"), L"CONTROL"},
    {G("E06D802E-DB46-11CF-B4D1-00805F6CBBEA"), L"DVD_NAVIGATION"},
};

// Subtypes, first match wins.
const NamedGuid kSubTypes[] = {
    {F("CLPL"), L"CLPL"}, {F("YUYV"), L"YUYV"}, {F("IYUV"), L"IYUV"}, {F("YVU9"), L"YVU9"},
    {F("Y411"), L"Y411"}, {F("Y41P"), L"Y41P"}, {F("YUY2"), L"YUY2"}, {F("YVYU"), L"YVYU"},
    {F("UYVY"), L"UYVY"}, {F("Y211"), L"Y211"}, {F("YV12"), L"YV12"}, {F("CLJR"), L"CLJR"},
    {F("IF09"), L"IF09"}, {F("CPLA"), L"CPLA"}, {F("MJPG"), L"MJPG"}, {F("TVMJ"), L"TVMJ"},
    {F("WAKE"), L"WAKE"}, {F("CFCC"), L"CFCC"}, {F("IJPG"), L"IJPG"}, {F("Plum"), L"Plum"},
    {F("DVCS"), L"DVCS"}, {F("DVSD"), L"DVSD"}, {F("MDVF"), L"MDVF"},
    {G("E436EB78-524F-11CE-9F53-0020AF0BA770"), L"RGB1"},
    {G("E436EB79-524F-11CE-9F53-0020AF0BA770"), L"RGB4"},
    {G("E436EB7A-524F-11CE-9F53-0020AF0BA770"), L"RGB8"},
    {G("E436EB7B-524F-11CE-9F53-0020AF0BA770"), L"RGB565"},
    {G("E436EB7C-524F-11CE-9F53-0020AF0BA770"), L"RGB555"},
    {G("E436EB7D-524F-11CE-9F53-0020AF0BA770"), L"RGB24"},
    {G("E436EB7E-524F-11CE-9F53-0020AF0BA770"), L"RGB32"},
    {G("773C9AC0-3274-11D0-B724-00AA006C1A01"), L"ARGB32"},
    {G("E436EB7F-524F-11CE-9F53-0020AF0BA770"), L"Overlay"},
    {G("E436EB80-524F-11CE-9F53-0020AF0BA770"), L"MPEG1Packet"},
    {G("E436EB81-524F-11CE-9F53-0020AF0BA770"), L"MPEG1Payload"},
    {Tag(0x0050), L"MPEG1AudioPayload"},
    {G("E436EB84-524F-11CE-9F53-0020AF0BA770"), L"MPEG1System"},
    {G("E436EB85-524F-11CE-9F53-0020AF0BA770"), L"MPEG1VideoCD"},
    {G("E436EB86-524F-11CE-9F53-0020AF0BA770"), L"MPEG1Video"},
    {G("E436EB87-524F-11CE-9F53-0020AF0BA770"), L"MPEG1Audio"},
    {G("E436EB88-524F-11CE-9F53-0020AF0BA770"), L"Avi"},
    {G("3DB80F90-9412-11D1-ADED-0000F8754B99"), L"Asf"},
    {G("E436EB89-524F-11CE-9F53-0020AF0BA770"), L"QTMovie"},
    {F("rpza"), L"QTRpza"}, {F("smc "), L"QTSmc"}, {F("rle "), L"QTRle"}, {F("jpeg"), L"QTJpeg"},
    {G("E436EB8A-524F-11CE-9F53-0020AF0BA770"), L"PCMAudio_Obsolete"},
    {Tag(0x0001), L"PCM"},
    {G("E436EB8B-524F-11CE-9F53-0020AF0BA770"), L"WAVE"},
    {G("E436EB8C-524F-11CE-9F53-0020AF0BA770"), L"AU"},
    {G("E436EB8D-524F-11CE-9F53-0020AF0BA770"), L"AIFF"},
    {F("dvsd"), L"dvsd_"}, {F("dvhd"), L"dvhd"}, {F("dvsl"), L"dvsl"},
    {G("6E8D4A22-310C-11D0-B79A-00AA003767A7"), L"Line21_BytePair"},
    {G("6E8D4A23-310C-11D0-B79A-00AA003767A7"), L"Line21_GOPPacket"},
    {G("6E8D4A24-310C-11D0-B79A-00AA003767A7"), L"Line21_VBIRawData"},
    {Tag(0x0009), L"DRM_Audio"},
    {Tag(0x0003), L"IEEE_FLOAT"},
    {Tag(0x0092), L"DOLBY_AC3_SPDIF"},
    {Tag(0x0240), L"RAW_SPORT"},
    {Tag(0x0241), L"SPDIF_TAG_241h"},
    {G("A0AF4F81-E163-11D0-BAD9-00609744111A"), L"DssVideo"},
    {G("A0AF4F82-E163-11D0-BAD9-00609744111A"), L"DssAudio"},
    {G("5A9B6A40-1A22-11D1-BAD9-00609744111A"), L"VPVideo"},
    {G("5A9B6A41-1A22-11D1-BAD9-00609744111A"), L"VPVBI"},
    {G("0482DDE2-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_NTSC_M"},
    {G("0482DDE5-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_B"},
    {G("0482DDE6-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_D"},
    {G("0482DDE7-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_G"},
    {G("0482DDE8-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_H"},
    {G("0482DDE9-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_I"},
    {G("0482DDEA-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_M"},
    {G("0482DDEB-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_N"},
    {G("0482DDEC-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_PAL_N_COMBO"},
    {G("0482DDF0-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_B"},
    {G("0482DDF1-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_D"},
    {G("0482DDF2-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_G"},
    {G("0482DDF3-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_H"},
    {G("0482DDF4-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_K"},
    {G("0482DDF5-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_K1"},
    {G("0482DDF6-7817-11CF-8A03-00AA006ECB65"), L"AnalogVideo_SECAM_L"},
    {G("E06D8026-DB46-11CF-B4D1-00805F6CBBEA"), L"MPEG2_VIDEO"},
    {G("E06D8022-DB46-11CF-B4D1-00805F6CBBEA"), L"MPEG2_PROGRAM"},
    {G("E06D8023-DB46-11CF-B4D1-00805F6CBBEA"), L"MPEG2_TRANSPORT"},
    {G("E06D802B-DB46-11CF-B4D1-00805F6CBBEA"), L"MPEG2_AUDIO"},
    {G("E06D802C-DB46-11CF-B4D1-00805F6CBBEA"), L"DOLBY_AC3"},
    {G("E06D802D-DB46-11CF-B4D1-00805F6CBBEA"), L"DVD_SUBPICTURE"},
    {G("E06D8032-DB46-11CF-B4D1-00805F6CBBEA"), L"DVD_LPCM_AUDIO"},
    {G("E06D8033-DB46-11CF-B4D1-00805F6CBBEA"), L"DTS"},
    {G("E06D8034-DB46-11CF-B4D1-00805F6CBBEA"), L"SDDS"},
    {G("E06D802F-DB46-11CF-B4D1-00805F6CBBEA"), L"PCI"},
    {G("E06D8030-DB46-11CF-B4D1-00805F6CBBEA"), L"DSI"},
    {G("E06D8031-DB46-11CF-B4D1-00805F6CBBEA"), L"PROVIDER"},
    {F("MP42"), L"MS-MPEG4"},
    {F("DIVX"), L"DIVX"},
    {Tag(0x0075), L"VOXWARE_MetaSound"},
};

const TZRGuid kFormatNone = G("0F6417D6-C318-11D0-A43F-00A0C9223196");
const TZRGuid kFormatMPEGStreams = G("05589F83-C356-11CE-BF01-00AA0055595A");
const TZRGuid kFormatDvInfo = G("05589F84-C356-11CE-BF01-00AA0055595A");
const TZRGuid kFormatAnalogVideo = G("0482DDE0-7817-11CF-8A03-00AA006ECB65");
const TZRGuid kFormatDolbyAC3 = G("E06D80E4-DB46-11CF-B4D1-00805F6CBBEA");
const TZRGuid kFormatMPEG2Audio = G("E06D80E5-DB46-11CF-B4D1-00805F6CBBEA");
const TZRGuid kFormatDVD_LPCMAudio = G("E06D80E6-DB46-11CF-B4D1-00805F6CBBEA");

const NamedGuid kFormatTypes[] = {
    {kFormatNone, L"None"},
    {kFormatVideoInfo, L"VideoInfo"},
    {kFormatVideoInfo2, L"VideoInfo2"},
    {kFormatWaveFormatEx, L"WaveFormatEx"},
    {kFormatMPEGVideo, L"MPEG Video"},
    {kFormatMPEGStreams, L"MPEG Streams"},
    {kFormatDvInfo, L"DV Info"},
    {kFormatAnalogVideo, L"AnalogVideo"},
    {kFormatMPEG2Video, L"MPEG-2 Video"},
    {kFormatDolbyAC3, L"Dolby AC3"},
    {kFormatMPEG2Audio, L"MPEG-2 Audio"},
    {kFormatDVD_LPCMAudio, L"DVD LPCM Audio"},
};

struct NamedTag {
    uint32_t tag;
    const wchar_t* name;
};

const NamedTag kWaveTags[] = {
    {1, L"PCM"}, {2, L"ADPCM"}, {3, L"IEEE_FLOAT"}, {5, L"IBM_CVSD"}, {6, L"ALAW"}, {7, L"MULAW"},
    {16, L"OKI_ADPCM"}, {17, L"DVI_ADPCM"}, {18, L"MEDIASPACE_ADPCM"}, {19, L"SIERRA_ADPCM"},
    {20, L"G723_ADPCM"}, {21, L"DIGISTD"}, {22, L"DIGIFIX"}, {23, L"DIALOGIC_OKI_ADPCM"},
    {24, L"MEDIAVISION_ADPCM"}, {32, L"YAMAHA_ADPCM"}, {33, L"SONARC"}, {34, L"DSPGROUP_TRUESPEECH"},
    {35, L"ECHOSC1"}, {36, L"AUDIOFILE_AF36"}, {37, L"APTX"}, {38, L"AUDIOFILE_AF10"}, {48, L"DOLBY_AC2"},
    {49, L"GSM610"}, {50, L"MSNAUDIO"}, {51, L"ANTEX_ADPCME"}, {52, L"CONTROL_RES_VQLPC"}, {53, L"DIGIREAL"},
    {54, L"DIGIADPCM"}, {55, L"CONTROL_RES_CR10"}, {56, L"NMS_VBXADPCM"}, {57, L"CS_IMAADPCM"},
    {58, L"ECHOSC3"}, {59, L"ROCKWELL_ADPCM"}, {60, L"ROCKWELL_DIGITALK"}, {61, L"XEBEC"},
    {64, L"G721_ADPCM"}, {65, L"G728_CELP"}, {80, L"MPEG"}, {85, L"MPEGLAYER3"}, {96, L"CIRRUS"},
    {97, L"ESPCM"}, {98, L"VOXWARE"}, {99, L"CANOPUS_ATRAC"}, {100, L"G726_ADPCM"}, {101, L"G722_ADPCM"},
    {102, L"DSAT"}, {103, L"DSAT_DISPLAY"}, {117, L"VOXWARE"}, {128, L"SOFTSOUND"}, {256, L"RHETOREX_ADPCM"},
    {512, L"CREATIVE_ADPCM"}, {514, L"CREATIVE_FASTSPEECH8"}, {515, L"CREATIVE_FASTSPEECH10"},
    {544, L"QUARTERDECK"}, {768, L"FM_TOWNS_SND"}, {1024, L"BTV_DIGITAL"}, {4096, L"OLIGSM"},
    {4097, L"OLIADPCM"}, {4098, L"OLICELP"}, {4099, L"OLISBC"}, {4100, L"OLIOPR"}, {4352, L"LH_CODEC"},
    {5120, L"NORRIS"},
};

template <size_t N>
std::wstring LookUp(const NamedGuid (&table)[N], const TZRGuid& g) {
    for (const NamedGuid& row : table)
        if (row.id == g) return row.name;
    return L"UnKnown: " + GuidText(g);
}

// Little-endian fields of a format block; false when the field does not lie wholly inside the block.
bool ReadI32(const TZRMediaTypeView& mt, uint32_t offset, int32_t& v) {
    if (!mt.pbFormat || offset > mt.cbFormat || mt.cbFormat - offset < 4) return false;
    const uint8_t* p = mt.pbFormat + offset;
    v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                             static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
    return true;
}
bool ReadU16(const TZRMediaTypeView& mt, uint32_t offset, uint16_t& v) {
    if (!mt.pbFormat || offset > mt.cbFormat || mt.cbFormat - offset < 2) return false;
    const uint8_t* p = mt.pbFormat + offset;
    v = static_cast<uint16_t>(p[0] | p[1] << 8);
    return true;
}

struct BitmapFields {
    int32_t width = 0, height = 0, compression = 0;
    uint16_t bits = 0;
};

// The bitmap header fields at the offsets of a VIDEOINFOHEADER (base 48) or VIDEOINFOHEADER2 (base 72).
bool ReadBitmap(const TZRMediaTypeView& mt, uint32_t base, BitmapFields& f) {
    return ReadI32(mt, base + 4, f.width) && ReadI32(mt, base + 8, f.height) && ReadU16(mt, base + 14, f.bits) &&
           ReadI32(mt, base + 16, f.compression);
}

std::wstring Num(int64_t v) { return std::to_wstring(v); }

}  // namespace

bool operator==(const TZRGuid& a, const TZRGuid& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 && std::memcmp(a.Data4, b.Data4, 8) == 0;
}

TZRGuid FourCCGuid(uint32_t code) { return FourCCG(code); }

std::wstring GuidText(const TZRGuid& g) {
    static const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring s;
    s.reserve(38);
    auto put = [&](uint32_t v, int digits) {
        for (int i = digits - 1; i >= 0; --i) s += hex[(v >> (4 * i)) & 0xF];
    };
    s += L'{';
    put(g.Data1, 8);
    s += L'-';
    put(g.Data2, 4);
    s += L'-';
    put(g.Data3, 4);
    s += L'-';
    put(g.Data4[0], 2);
    put(g.Data4[1], 2);
    s += L'-';
    for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
    s += L'}';
    return s;
}

std::wstring MajorTypeName(const TZRGuid& g) { return LookUp(kMajorTypes, g); }
std::wstring SubTypeName(const TZRGuid& g) { return LookUp(kSubTypes, g); }
std::wstring FormatTypeName(const TZRGuid& g) { return LookUp(kFormatTypes, g); }

std::wstring WaveFormatTagName(uint32_t tag) {
    for (const NamedTag& row : kWaveTags)
        if (row.tag == tag) return row.name;
    return L"Unknown";
}

std::string CompressionName(uint32_t code) {
    switch (code) {
    case 0: return "RGB";
    case 1: return "RLE8";
    case 2: return "RLE4";
    case 3: return "BITFIELDS";
    default: break;
    }
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        if (c == 0) break;
        s += c;
    }
    return s;
}

std::wstring CompressionNameW(uint32_t code) {
    const std::string s = CompressionName(code);
    std::wstring w;
    for (char c : s) w += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
}

std::wstring MediaTypeDescription(const TZRMediaTypeView& mt) {
    const bool block = mt.cbFormat != 0 && mt.pbFormat != nullptr;
    const TZRGuid& ft = mt.formattype;
    BitmapFields b;
    if (ft == kFormatVideoInfo || ft == kFormatVideoInfo2) {
        if (!block || !ReadBitmap(mt, ft == kFormatVideoInfo ? 48 : 72, b)) return {};
        return Num(b.width) + L"x" + Num(b.height) + L" " + CompressionNameW(static_cast<uint32_t>(b.compression)) +
               L", " + Num(b.bits) + L" bits";
    }
    if (ft == kFormatWaveFormatEx) {
        uint16_t tag = 0, channels = 0, bits = 0;
        int32_t rate = 0;
        if (!block || !ReadU16(mt, 0, tag) || !ReadU16(mt, 2, channels) || !ReadI32(mt, 4, rate) ||
            !ReadU16(mt, 14, bits))
            return {};
        return WaveFormatTagName(tag) + L", " + Num(rate) + L" Hz, " + Num(bits) + L" Bits, " + Num(channels) +
               L" Channels";
    }
    if (ft == kFormatMPEGVideo || ft == kFormatMPEG2Video) {
        std::wstring s = ft == kFormatMPEGVideo ? L"MPEG1 " : L"MPEG2 ";
        if (block && ReadBitmap(mt, ft == kFormatMPEGVideo ? 48 : 72, b))
            s += CompressionNameW(static_cast<uint32_t>(b.compression)) + L" " + Num(b.width) + L"X" +
                 Num(b.height) + L", " + Num(b.bits) + L" bits";
        return s;
    }
    if (ft == kFormatDvInfo) return L"DV";
    if (ft == kFormatMPEGStreams) return L"MPEGStreams";
    if (ft == kFormatDolbyAC3) return L"DolbyAC3";
    if (ft == kFormatMPEG2Audio) return L"MPEG2 Audio";
    if (ft == kFormatDVD_LPCMAudio) return L"DVD_LPCMAudio";
    return L"MajorType: " + MajorTypeName(mt.majortype) + L", SubType: " + SubTypeName(mt.subtype) +
           L", FormatType: " + FormatTypeName(mt.formattype);
}
