// Every fixed text and number of the control shell, in one place.
#pragma once
#include <windows.h>
#include <ole2.h>

namespace ZRControlText {
// Identity
inline constexpr wchar_t kProgID[] = L"Zantorival_Media_Player_AX.TxZRMediaPlayer";
inline constexpr wchar_t kDescription[] = L"TxZRMediaPlayer Control";
inline constexpr wchar_t kThreadingModel[] = L"Apartment";
inline constexpr wchar_t kTypeLibVersion[] = L"6.0";
inline constexpr WORD kTypeLibMajor = 6;
inline constexpr WORD kTypeLibMinor = 0;
inline constexpr LCID kTypeLibLcid = 0x0409;
inline constexpr wchar_t kVerbName[] = L"Properties";
inline constexpr wchar_t kVerbFlags[] = L",0,2";
inline constexpr DWORD kMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                                     OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;  // 0x20191
inline constexpr int kToolboxBitmapId = 1;

// Windows of the shell
inline constexpr wchar_t kParkingClass[] = L"TTxZRMediaPlayerParking";
inline constexpr wchar_t kSiteClass[] = L"TTxZRMediaPlayerSite";

// Persistence
inline constexpr wchar_t kStorageStream[] = L"Contents";
inline constexpr DWORD kStreamMagic = 0x504D525A;  // "ZRMP"
inline constexpr DWORD kStreamVersion = 1;

// Errors raised at the COM boundary
inline constexpr wchar_t kUnexpected[] = L"Unexpected failure in the control.";
inline constexpr wchar_t kOutOfMemory[] = L"Not enough memory to complete the call.";
inline constexpr wchar_t kNoPlayer[] = L"The player window could not be created.";
inline constexpr wchar_t kWrongThread[] =
    L"The control was called from a thread other than the one that created it; only Play, Stop, Close, Pause "
    L"and Resume are accepted there, and they run on the control's thread.";
inline constexpr wchar_t kEmbeddedNull[] = L"A text argument contains a null character.";
inline constexpr wchar_t kUntrustedCaller[] = L"This member is not available to an untrusted caller.";
inline constexpr wchar_t kBadStream[] = L"The saved settings of the control are damaged.";
}  // namespace ZRControlText
