// The filters this DLL serves: class, name, creation and DirectShow registration.
#pragma once
#include <windows.h>
#include <dshow.h>

namespace zrf {

struct TZRFilterTemplate {
    const CLSID* clsid;
    const wchar_t* name;
    HRESULT (*create)(REFIID iid, void** ppv);
    const REGFILTERPINS2* pins;  // registered pins
    ULONG pinCount;
};

// Every filter of the DLL; count in *count.
const TZRFilterTemplate* FilterTemplates(int* count);

}  // namespace zrf
