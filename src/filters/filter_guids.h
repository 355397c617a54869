// Class and interface identifiers of the project's own filters, shared by the filters DLL and the
// player that creates them.
#pragma once
#include <windows.h>

namespace zrf {

// The memory-stream source ("Zantorival AsyncEx").
inline constexpr GUID CLSID_ZRMemorySource = {0xB173D0A0, 0xF669, 0x4F7A, {0x8C, 0x40, 0xCF, 0x46, 0xA1, 0xED, 0x04, 0xC6}};
// Its control interface, IAsyncExControl.
inline constexpr GUID IID_IAsyncExControl = {0x3E0FA056, 0x926C, 0x43D9, {0xBA, 0x18, 0xEF, 0x16, 0xE9, 0x80, 0x91, 0x3B}};
// Our DVD navigator ("DVD Navigator"), used where the platform's class cannot be created.
inline constexpr GUID CLSID_ZRDvdNavigator = {0x5C1E2F7A, 0x3B9D, 0x4E61, {0x9A, 0x0C, 0x7D, 0x21, 0xE4, 0x58, 0xB3, 0x16}};

// The video effects filter ("Zirez Ureroro Daz").
inline constexpr GUID CLSID_ZRVideoEffects = {0x980B1181, 0x1619, 0x44F9, {0xAE, 0xBE, 0xF2, 0xD7, 0xE5, 0xCE, 0x1E, 0xFE}};

// The infinite pin tee, used where the platform's Infinite Pin Tee is not registered.
inline constexpr GUID CLSID_ZRInfTee = {0x7D7FF954, 0xCFD2, 0x42A7, {0xA6, 0x65, 0x8E, 0x14, 0x04, 0xC2, 0xA0, 0x17}};

}  // namespace zrf
