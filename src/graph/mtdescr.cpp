#include "graph/mtdescr.h"

#include <cstring>

#include "graph/graphutil.h"

TZRGuid ToZRGuid(const GUID& g) {
    static_assert(sizeof(TZRGuid) == sizeof(GUID), "TZRGuid has the layout of GUID");
    TZRGuid r;
    std::memcpy(&r, &g, sizeof r);
    return r;
}

std::wstring MajorTypeName(const GUID& g) { return MajorTypeName(ToZRGuid(g)); }
std::wstring SubTypeName(const GUID& g) { return SubTypeName(ToZRGuid(g)); }
std::wstring FormatTypeName(const GUID& g) { return FormatTypeName(ToZRGuid(g)); }

std::wstring MediaTypeDescription(const AM_MEDIA_TYPE& mt) {
    TZRMediaTypeView v;
    v.majortype = ToZRGuid(mt.majortype);
    v.subtype = ToZRGuid(mt.subtype);
    v.formattype = ToZRGuid(mt.formattype);
    v.cbFormat = mt.cbFormat;
    v.pbFormat = mt.pbFormat;
    return MediaTypeDescription(v);
}

std::wstring TZREnumMediaType::GetMediaDescription(int index) const {
    if (index < 0 || index >= Count()) return {};
    return MediaTypeDescription(*GetItem(index).AMMediaType());
}
