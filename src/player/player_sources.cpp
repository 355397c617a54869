// Sources other than files: the host's memory stream and network (MMS / WMV) streams.
#include <windows.h>
#include <dshow.h>

#include <memory>

#include "core/textutil.h"
#include "filters/asyncex.h"
#include "graph/graphutil.h"
#include "player/netsource.h"
#include "player/player.h"
#include "player/texts.h"

// The memory source: the project's memory-stream source filter, created by its class, given the
// host's stream, then added to the graph.
bool TZRMediaPlayer::MemorySource_Add() {
    try {
        dsSource.Reset();
        if (FAILED(CoCreateInstance(zrf::CLSID_ZRMemorySource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    dsSource.PutVoid())) ||
            !dsSource) {
            dsSource.Reset();
            ReportError(ZRText::kUnableToCreateAsyncEx);
            return false;
        }
        dsAsyncExIntf.Reset();
        if (FAILED(dsSource.As(dsAsyncExIntf)) || !dsAsyncExIntf) {
            dsAsyncExIntf.Reset();
            ReportError(ZRText::kUnableToQueryAsyncEx);
        } else {
            // Stream attach step: a host that can pass only a plain object supplies the stream through
            // Source_Stream_AX, which takes the place of Source_Stream.
            if (FSource_Stream_AX) {
                FSource_Stream.Reset();
                FSource_Stream_AX.As(FSource_Stream);
            }
            if (FSource_Stream) {
                if (dsAsyncExIntf->AttachStream(FSource_Stream.Get(), static_cast<LONGLONG>(FSource_Stream_Size)) != S_OK)
                    ReportError(ZRText::kUnableToLoadStream);
            } else {
                ReportError(ZRText::kSourceStreamNull);
            }
        }
        if (!dsFilterGraph) throw 1;
        if (dsFilterGraph->AddFilter(dsSource.Get(), ZRText::kMemorySourceName) != S_OK) {
            dsSource.Reset();
            ReportError(ZRText::kUnableToAddAsyncEx);
            return false;
        }
        return true;
    } catch (...) {
        dsSource.Reset();
        ReportError(ZRText::kUnableToCreateAndAddAsyncEx);
        return false;
    }
}

// The network source: the platform's ASF reader opened on FilenameOrURL. No guard of its own: a
// failure ends the build.
bool TZRMediaPlayer::NetworkSource_Add() {
    dsMMSSource = std::make_unique<TDSNetworkSource>();
    TDSNetworkSource* source = dsMMSSource.get();
    if (Trim(FFilenameOrURL).empty()) {
        ReportError(ZRText::kMmsUrlIncorrect);
        return false;
    }
    source->SourceType = IP_MMS_WMV;
    source->URL = FFilenameOrURL;
    source->UseFFMPEG = false;
    if (!source->Init(Graph2())) {
        ReportError(ZRText::kUnableToAddMms);
        return false;
    }
    dsSource = source->Filter;
    if (!source->InitIntf()) {
        ReportError(ZRText::kUnableToInitMms);
        return false;
    }
    source->Apply(Graph2());
    ComPtr<IPin> pin;
    if (FindFreePinByMajorType(dsSource.Get(), PINDIR_OUTPUT, MEDIATYPE_Video, pin)) {
        FVideoAvailable = true;
        int w = 0, h = 0;
        GetVideoSizeFromPin(pin.Get(), w, h);
        FVideoWidth = w;
        FVideoHeight = h;
    } else {
        FVideoWidth = 0;
        FVideoHeight = 0;
    }
    pin.Reset();
    if (FindFreePinByMajorType(dsSource.Get(), PINDIR_OUTPUT, MEDIATYPE_Audio, pin)) FAudioAvailable = true;
    return true;
}
