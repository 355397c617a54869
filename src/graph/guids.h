// Class, interface and service identifiers the player uses that MinGW-w64's headers or import
// libraries do not carry, and the text form of a GUID.
//
// Every identifier the control names beyond the platform's standard set lives here, in namespace zr;
// add new ones to this file (declaration) and guids.cpp (value). Qualify them (zr::CLSID_NullRenderer):
// a few share their name with a platform declaration (CLSID_MediaDet) so that code never depends on
// which import library happens to define them.
//
// The platform's own identifiers that MinGW declares and libstrmiids/libuuid define (IID_IBaseFilter,
// CLSID_FilterGraph, CLSID_VideoMixingRenderer9, CLSID_SystemDeviceEnum, the category identifiers,
// MEDIATYPE_*, FORMAT_* ...) are used directly from <dshow.h>/<uuids.h>.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

namespace zr {

// DirectShow filters (qedit) whose class identifiers MinGW's headers lack.
extern const GUID CLSID_SampleGrabber;         // {C1F400A0-3F08-11D3-9F0B-006008039E37}
extern const GUID CLSID_NullRenderer;          // {C1F400A4-3F08-11D3-9F0B-006008039E37}
extern const GUID CLSID_MediaDet;              // {65BD0711-24D2-4FF7-9324-ED2E5D3ABAFA}

// Enhanced Video Renderer and its Media Foundation services and interfaces.
extern const GUID CLSID_EnhancedVideoRenderer; // {FA10746C-9B63-4B6C-BC49-FC300EA5F256}
extern const GUID MR_VIDEO_RENDER_SERVICE;     // {1092A86C-AB1A-459A-A336-831FBC4D11FF}
extern const GUID MR_VIDEO_MIXER_SERVICE;      // {073CD2FC-6CF4-40B7-8859-E89552C841F8}
extern const GUID IID_IMFVideoDisplayControl;  // {A490B1E4-AB84-4D31-A1B2-181E03B1077A}
extern const GUID IID_IMFVideoMixerControl;    // {A5C6C53F-C202-4AA5-9695-175BA8C508A5}
extern const GUID IID_IMFVideoMixerBitmap;     // {814C7B20-0FDB-4EEC-AF8F-F957C8F69EDC}
extern const GUID IID_IMFVideoProcessor;       // {6AB0000C-FECE-4D1F-A2AC-A9573530656E}

// The key under HKEY_CLASSES_ROOT\CLSID that holds the DirectShow filter registrations
// (the legacy filter category), as text.
extern const wchar_t* const kLegacyFilterInstanceKey;  // L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\"

}  // namespace zr

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
std::wstring GuidToString(const GUID& g);

// Reads the braced form (hex digits in either case, no surrounding blanks). Returns false and leaves g
// untouched for anything else.
bool StringToGuid(std::wstring_view s, GUID& g);
