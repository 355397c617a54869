#include "filters/filtertable.h"

#include "filters/dvdnav/dvdnav.h"
#include "filters/inftee.h"
#include "filters/memsource.h"
#include "filters/videoeffects.h"

namespace zrf {

namespace {

const REGPINTYPES kStreamType = {&MEDIATYPE_Stream, &GUID_NULL};
const REGFILTERPINS2 kMemorySourcePins[] = {
    {REG_PINFLAG_B_OUTPUT, 1, 1, &kStreamType, 0, nullptr, &GUID_NULL},
};
const REGPINTYPES kAnyType = {&GUID_NULL, &GUID_NULL};
const REGFILTERPINS2 kInfTeePins[] = {
    {0, 1, 1, &kAnyType, 0, nullptr, &GUID_NULL},
    {REG_PINFLAG_B_OUTPUT | REG_PINFLAG_B_MANY, 1, 1, &kAnyType, 0, nullptr, &GUID_NULL},
};

const REGPINTYPES kDvdTypes[] = {{&MEDIATYPE_MPEG2_PES, &GUID_NULL}};
const REGFILTERPINS2 kDvdNavigatorPins[] = {
    {REG_PINFLAG_B_OUTPUT, 1, 1, kDvdTypes, 0, nullptr, &GUID_NULL},
};
const REGPINTYPES kVideoType = {&MEDIATYPE_Video, &GUID_NULL};
const REGFILTERPINS2 kVideoEffectsPins[] = {
    {0, 1, 1, &kVideoType, 0, nullptr, &GUID_NULL},
    {REG_PINFLAG_B_OUTPUT, 1, 1, &kVideoType, 0, nullptr, &GUID_NULL},
};

const TZRFilterTemplate kTemplates[] = {
    {&CLSID_ZRMemorySource, L"Zantorival AsyncEx", &TZRMemorySource::CreateInstance, kMemorySourcePins, 1},
    {&CLSID_ZRDvdNavigator, L"DVD Navigator", &TZRDvdNavigator::CreateInstance, kDvdNavigatorPins, 1},
    {&CLSID_ZRVideoEffects, L"Zirez Ureroro Daz", &TZRVideoEffects::CreateInstance, kVideoEffectsPins, 2},
    {&CLSID_ZRInfTee, L"Zantorival Infinite Pin Tee", &TZRInfTee::CreateInstance, kInfTeePins, 2},
};

}  // namespace

const TZRFilterTemplate* FilterTemplates(int* count) {
    *count = static_cast<int>(sizeof kTemplates / sizeof kTemplates[0]);
    return kTemplates;
}

}  // namespace zrf
