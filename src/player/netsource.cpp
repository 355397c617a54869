#include "player/netsource.h"

#include "core/textutil.h"
#include "player/texts.h"

TDSNetworkSource::TDSNetworkSource() : TDSBaseFilter(ZRText::kNetworkSourceName) {}

TDSNetworkSource::~TDSNetworkSource() { Clear(); }

bool TDSNetworkSource::Init(IFilterGraph2* graph) {
    if (SourceType != IP_MMS_WMV) return false;
    return InitCLSID(graph, CLSID_WMAsfReader);
}

bool TDSNetworkSource::InitIntf() { return true; }

bool TDSNetworkSource::Apply(IFilterGraph2*) {
    if (Trim(URL).empty()) {
        OnErrorS(ZRText::kIpCameraUrlMissing);
        return true;
    }
    ComPtr<IFileSourceFilter> fs;
    if (Filter && SUCCEEDED(Filter.As(fs)) && fs) LoadResult = fs->Load(URL.c_str(), nullptr);
    return true;
}

void TDSNetworkSource::Clear() {
    InterfaceAvailable = false;
    TDSBaseFilter::Clear();
}
