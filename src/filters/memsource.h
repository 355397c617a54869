// The memory-stream source: serves a host's IStream to the platform's splitter through IAsyncReader,
// as the file source serves a file.
//
// Threads: the splitter reads from its own threads while the stream came from the host's thread. A
// stream that may be called from any thread is read directly, under one lock, through a clone when it
// can be cloned (an independent seek pointer leaves the host's alone): objects that aggregate the
// free-threaded marshaler, that declare IAgileObject, and HGLOBAL streams (CreateStreamOnHGlobal). Any
// other stream may belong to the host's apartment; calling it from a streaming thread would break COM's
// rules, and marshalling the calls back would deadlock while the host's thread waits inside the graph
// (Connect, Pause) for those very reads. Its bytes are therefore copied once, inside AttachStream on the
// host's thread, and served from memory.
#pragma once
#include <memory>

#include "filters/asyncex.h"
#include "filters/base/asyncsource.h"

namespace zrf {

class TZRMemorySource final : public TZRAsyncSourceFilter, public IAsyncExControl {
public:
    static HRESULT CreateInstance(REFIID iid, void** ppv);
    TZRMemorySource();

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return TZRBaseFilter::QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return TZRBaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TZRBaseFilter::Release(); }

    // IAsyncExControl
    STDMETHODIMP AttachStream(IStream* stream, LONGLONG size) override;
    STDMETHODIMP DetachStream() override;
    STDMETHODIMP GetStreamInfo(LONGLONG* size, BOOL* copied) override;

protected:
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv) override;

private:
    bool copied_ = false;
};

// Whether an object may be called from any thread of the process (see above).
bool IsAgileStream(IStream* stream);
// The container subtype guessed from the first bytes of the data (GUID_NULL when unknown).
GUID GuessStreamSubtype(const BYTE* head, size_t len);

}  // namespace zrf
