// Every fixed text the player reports or returns, in one place.
#pragma once

namespace ZRText {
inline constexpr wchar_t kControlVersion[] = L"6.0.1.0";

// Playback graph
inline constexpr wchar_t kCantFindInputFile[] = L"Can't find input file.";
inline constexpr wchar_t kUnableToPlay[] = L"Unable to play file, stream or DVD.";
inline constexpr wchar_t kUnableToCreateGraph[] = L"Unable to create graph.";
inline constexpr wchar_t kUnableToInitDecoder[] = L"Unable to init custom video decoder: ";
inline constexpr wchar_t kUnableToClose[] = L"Unable to close file.";

// Transport
inline constexpr wchar_t kUnableToPause[] = L"Unable to pause playback.";
inline constexpr wchar_t kUnableToResume[] = L"Unable to resume playback.";
inline constexpr wchar_t kStopException[] = L"Exception during Stop method.";
inline constexpr wchar_t kUnableToSetDvdPosition[] = L"Unable to set DVD position.";

// Video effects
inline constexpr wchar_t kUnableToCreateEffects[] = L"Unable to create effects filter.";

// Renderer builder steps
inline constexpr wchar_t kUnableToAddRenderer[] = L"Unable to add video renderer";
inline constexpr wchar_t kFirstRendering[] = L"Unable to perform first rendering";

// Names used in the graph
inline constexpr wchar_t kSourceFilterName[] = L"SRC";
inline constexpr wchar_t kAudioRendererName[] = L"Audio Renderer ";
inline constexpr wchar_t kEvrFriendlyName[] = L"Enhanced Video Renderer";
inline constexpr wchar_t kVmr9FriendlyName[] = L"Video Mixing Renderer 9";

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

// Class identifiers refused while a playback graph builds itself.
inline constexpr wchar_t kBlacklistClsid1[] = L"{9852A670-F845-491B-9BE6-EBD841B8A613}";
inline constexpr wchar_t kBlacklistClsid2[] = L"{93A22E7A-5091-45EF-BA61-6DA26156A5D0}";
}  // namespace ZRText
