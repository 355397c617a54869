#include "core/dvd/lang.h"

namespace zrdvd {
namespace {

struct Entry {
    char code[3];
    uint16_t primary;  // Windows primary language identifier
};

constexpr Entry kLanguages[] = {
    {"af", 0x36}, {"am", 0x5E}, {"ar", 0x01}, {"as", 0x4D}, {"az", 0x2C}, {"be", 0x23}, {"bg", 0x02},
    {"bn", 0x45}, {"bo", 0x51}, {"ca", 0x03}, {"cs", 0x05}, {"cy", 0x52}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"et", 0x25}, {"eu", 0x2D}, {"fa", 0x29}, {"fi", 0x0B},
    {"fo", 0x38}, {"fr", 0x0C}, {"fy", 0x62}, {"ga", 0x3C}, {"gd", 0x3C}, {"gl", 0x56}, {"gn", 0x74},
    {"gu", 0x47}, {"ha", 0x68}, {"he", 0x0D}, {"hi", 0x39}, {"hr", 0x1A}, {"hu", 0x0E}, {"hy", 0x2B},
    {"id", 0x21}, {"ig", 0x70}, {"in", 0x21}, {"is", 0x0F}, {"it", 0x10}, {"iu", 0x5D}, {"iw", 0x0D},
    {"ja", 0x11}, {"ji", 0x3D}, {"ka", 0x37}, {"kk", 0x3F}, {"km", 0x53}, {"kn", 0x4B}, {"ko", 0x12},
    {"ks", 0x60}, {"ky", 0x40}, {"la", 0x76}, {"lo", 0x54}, {"lt", 0x27}, {"lv", 0x26}, {"mk", 0x2F},
    {"ml", 0x4C}, {"mn", 0x50}, {"mr", 0x4E}, {"ms", 0x3E}, {"mt", 0x3A}, {"my", 0x55}, {"ne", 0x61},
    {"nl", 0x13}, {"no", 0x14}, {"om", 0x72}, {"or", 0x48}, {"pa", 0x46}, {"pl", 0x15}, {"ps", 0x63},
    {"pt", 0x16}, {"rm", 0x17}, {"ro", 0x18}, {"ru", 0x19}, {"sa", 0x4F}, {"sd", 0x59}, {"si", 0x5B},
    {"sk", 0x1B}, {"sl", 0x24}, {"so", 0x77}, {"sq", 0x1C}, {"sr", 0x1A}, {"sv", 0x1D}, {"sw", 0x41},
    {"ta", 0x49}, {"te", 0x4A}, {"tg", 0x28}, {"th", 0x1E}, {"ti", 0x73}, {"tk", 0x42}, {"tr", 0x1F},
    {"ts", 0x31}, {"tt", 0x44}, {"uk", 0x22}, {"ur", 0x20}, {"uz", 0x43}, {"vi", 0x2A}, {"xh", 0x34},
    {"yi", 0x3D}, {"yo", 0x6A}, {"zh", 0x04}, {"zu", 0x35},
};

}  // namespace

uint32_t LangCodeToLcid(uint16_t code) {
    char a = char(code >> 8), b = char(code & 0xFF);
    if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
    for (const Entry& e : kLanguages)
        if (e.code[0] == a && e.code[1] == b) return 0x0400u | e.primary;
    return 0;
}

uint16_t LcidToLangCode(uint32_t lcid) {
    uint16_t primary = uint16_t(lcid & 0x3FF);
    for (const Entry& e : kLanguages)
        if (e.primary == primary) return uint16_t(uint8_t(e.code[0]) << 8 | uint8_t(e.code[1]));
    return 0;
}

}  // namespace zrdvd
