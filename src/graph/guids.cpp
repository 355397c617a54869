#include "graph/guids.h"

namespace zr {

const GUID CLSID_SampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const GUID CLSID_NullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const GUID CLSID_MediaDet = {0x65BD0711, 0x24D2, 0x4FF7, {0x93, 0x24, 0xED, 0x2E, 0x5D, 0x3A, 0xBA, 0xFA}};

const GUID CLSID_EnhancedVideoRenderer = {0xFA10746C, 0x9B63, 0x4B6C, {0xBC, 0x49, 0xFC, 0x30, 0x0E, 0xA5, 0xF2, 0x56}};
const GUID MR_VIDEO_RENDER_SERVICE = {0x1092A86C, 0xAB1A, 0x459A, {0xA3, 0x36, 0x83, 0x1F, 0xBC, 0x4D, 0x11, 0xFF}};
const GUID MR_VIDEO_MIXER_SERVICE = {0x073CD2FC, 0x6CF4, 0x40B7, {0x88, 0x59, 0xE8, 0x95, 0x52, 0xC8, 0x41, 0xF8}};
const GUID IID_IMFVideoDisplayControl = {0xA490B1E4, 0xAB84, 0x4D31, {0xA1, 0xB2, 0x18, 0x1E, 0x03, 0xB1, 0x07, 0x7A}};
const GUID IID_IMFVideoMixerControl = {0xA5C6C53F, 0xC202, 0x4AA5, {0x96, 0x95, 0x17, 0x5B, 0xA8, 0xC5, 0x08, 0xA5}};
const GUID IID_IMFVideoMixerBitmap = {0x814C7B20, 0x0FDB, 0x4EEC, {0xAF, 0x8F, 0xF9, 0x57, 0xC8, 0xF6, 0x9E, 0xDC}};
const GUID IID_IMFVideoProcessor = {0x6AB0000C, 0xFECE, 0x4D1F, {0xA2, 0xAC, 0xA9, 0x57, 0x35, 0x30, 0x65, 0x6E}};

const wchar_t* const kLegacyFilterInstanceKey = L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\";

}  // namespace zr

namespace {

constexpr wchar_t kHex[] = L"0123456789ABCDEF";

void PutHex(std::wstring& out, unsigned long long v, int digits) {
    for (int i = digits - 1; i >= 0; --i) out.push_back(kHex[(v >> (i * 4)) & 0xF]);
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// Reads `digits` hex digits at s[pos]; false on a non-hex character.
bool ReadHex(std::wstring_view s, size_t pos, int digits, unsigned long long& v) {
    v = 0;
    for (int i = 0; i < digits; ++i) {
        int d = HexValue(s[pos + i]);
        if (d < 0) return false;
        v = (v << 4) | static_cast<unsigned>(d);
    }
    return true;
}

}  // namespace

std::wstring GuidToString(const GUID& g) {
    std::wstring s;
    s.reserve(38);
    s.push_back(L'{');
    PutHex(s, g.Data1, 8);
    s.push_back(L'-');
    PutHex(s, g.Data2, 4);
    s.push_back(L'-');
    PutHex(s, g.Data3, 4);
    s.push_back(L'-');
    PutHex(s, g.Data4[0], 2);
    PutHex(s, g.Data4[1], 2);
    s.push_back(L'-');
    for (int i = 2; i < 8; ++i) PutHex(s, g.Data4[i], 2);
    s.push_back(L'}');
    return s;
}

bool StringToGuid(std::wstring_view s, GUID& g) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (s.size() != 38 || s[0] != L'{' || s[37] != L'}' || s[9] != L'-' || s[14] != L'-' || s[19] != L'-' ||
        s[24] != L'-')
        return false;
    GUID r{};
    unsigned long long v = 0;
    if (!ReadHex(s, 1, 8, v)) return false;
    r.Data1 = static_cast<unsigned long>(v);
    if (!ReadHex(s, 10, 4, v)) return false;
    r.Data2 = static_cast<unsigned short>(v);
    if (!ReadHex(s, 15, 4, v)) return false;
    r.Data3 = static_cast<unsigned short>(v);
    static const size_t bytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(s, bytePos[i], 2, v)) return false;
        r.Data4[i] = static_cast<unsigned char>(v);
    }
    g = r;
    return true;
}
