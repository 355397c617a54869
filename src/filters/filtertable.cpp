#include "filters/filtertable.h"

#include "filters/memsource.h"

namespace zrf {

namespace {

const REGPINTYPES kStreamType = {&MEDIATYPE_Stream, &GUID_NULL};
const REGFILTERPINS2 kMemorySourcePins[] = {
    {REG_PINFLAG_B_OUTPUT, 1, 1, &kStreamType, 0, nullptr, &GUID_NULL},
};

const TZRFilterTemplate kTemplates[] = {
    {&CLSID_ZRMemorySource, L"Zantorival AsyncEx", &TZRMemorySource::CreateInstance, kMemorySourcePins, 1},
};

}  // namespace

const TZRFilterTemplate* FilterTemplates(int* count) {
    *count = static_cast<int>(sizeof kTemplates / sizeof kTemplates[0]);
    return kTemplates;
}

}  // namespace zrf
