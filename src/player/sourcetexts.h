// Fixed texts and names of the memory and network source steps.
#pragma once

namespace ZRText {
// Memory source
inline constexpr wchar_t kMemorySourceName[] = L"Zantorival AsyncEx";
inline constexpr wchar_t kUnableToCreateAsyncEx[] = L"Unable to create AsyncEx filter.";
inline constexpr wchar_t kUnableToQueryAsyncEx[] = L"Unable to query AsyncEx interface.";
inline constexpr wchar_t kUnableToAddAsyncEx[] = L"Unable to add AsyncEx filter.";
inline constexpr wchar_t kUnableToCreateAndAddAsyncEx[] = L"Unable to create and add AsyncEx filter.";
inline constexpr wchar_t kUnableToLoadStream[] = L"Unable to load file to stream.";
inline constexpr wchar_t kSourceStreamNull[] = L"Source stream is null.";

// Network source
inline constexpr wchar_t kNetworkSourceName[] = L"Zantorival Network Source";
inline constexpr wchar_t kMmsUrlIncorrect[] = L"MMS / WMV URL is incorrect";
inline constexpr wchar_t kUnableToAddMms[] = L"Unable to add MMS / WMV source filter";
inline constexpr wchar_t kUnableToInitMms[] = L"Unable to init MMS / WMV source filter";
inline constexpr wchar_t kIpCameraUrlMissing[] = L"IP camera URL not specified!";
}  // namespace ZRText
