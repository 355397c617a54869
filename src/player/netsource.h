// TDSNetworkSource: the network source of the player, the platform's Windows Media ASF reader opened
// on a URL (MMS, HTTP or a file path, as the reader allows).
#pragma once
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>

#include "graph/graphutil.h"

// Kinds of network source. The player uses IP_MMS_WMV only; the IP camera kinds are not built.
enum TZRIPSource : int32_t {
    IP_MMS_WMV = 5,
};

class TDSNetworkSource : public TDSBaseFilter {
public:
    TDSNetworkSource();
    ~TDSNetworkSource() override;

    // Creates the ASF reader and adds it to graph under Name.
    bool Init(IFilterGraph2* graph) override;
    // Nothing to query for IP_MMS_WMV: true.
    bool InitIntf();
    // Opens URL in the reader (IFileSourceFilter::Load, no media type); the load result is not
    // examined. A blank URL is reported through OnError. Returns true.
    bool Apply(IFilterGraph2* graph);
    // Releases the interface references, clears the interface flag, then releases the filter.
    void Clear() override;

    bool DebugMode = false;
    std::wstring DebugFileName;
    int32_t VideoHeight = 0;
    bool InterfaceAvailable = false;
    TZRIPSource SourceType = IP_MMS_WMV;
    std::wstring URL;
    int32_t VideoWidth = 0;
    std::wstring Password;
    int32_t Protocol = 0;
    bool UseFFMPEG = false;
    std::wstring UserName;
    // The reader's load result (for diagnostics; the player does not act on it).
    HRESULT LoadResult = S_OK;
};
