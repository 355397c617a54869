// Helpers every part of the player uses on a DirectShow filter graph: the base wrapper of one filter,
// lists of a filter's pins and of a graph's filters, an owned media type and a list of them, pin search
// and connection functions, the file size, and the floating-point guard around graph calls.
//
// Nothing here keeps global state except the per-thread stack of the floating-point guard. Functions
// borrow the interface pointers they are given; whatever they hand back is a ComPtr.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graph/comptr.h"
#include "graph/hook.h"

// ---------------------------------------------------------------------------------------------------
// TDSBaseFilter: one filter added to a graph under a name.
//
// The wrapper holds one reference on Filter and reports its own failures through OnError. Derived
// wrappers override Clear, ConnectIn and Init. Destroying a wrapper runs TDSBaseFilter::Clear; a derived
// class whose Clear does more must call its own Clear from its destructor (C++ does not dispatch to the
// override from the base destructor).
class TDSBaseFilter {
public:
    TDSBaseFilter() = default;
    explicit TDSBaseFilter(std::wstring name) : FName(std::move(name)) {}
    TDSBaseFilter(const TDSBaseFilter&) = delete;
    TDSBaseFilter& operator=(const TDSBaseFilter&) = delete;
    virtual ~TDSBaseFilter();

    // Releases Filter.
    virtual void Clear();
    // Connects upstream (an output pin) to this filter's first input pin with IGraphBuilder::Connect,
    // which may insert intermediate filters. E_FAIL when the filter has no input pin, E_POINTER when
    // graph or upstream is missing.
    virtual HRESULT ConnectIn(IFilterGraph2* graph, IPin* upstream);
    // Base: without an OnFilter hook, true. With one: false when Filter is missing or Name is blank;
    // else OnFilter(Name, the filter's IUnknown) and true.
    virtual bool Init(IFilterGraph2* graph);

    // Creates the filter in-process from its class and adds it to graph under Name. Reports
    // "Unable to create filter: <Name>" or "Unable to add filter: <Name>" and returns false on failure.
    bool InitCLSID(IFilterGraph2* graph, REFCLSID clsid);

    // As ConnectIn, with IFilterGraph::ConnectDirect (no intermediate filters, no media type).
    HRESULT ConnectDirectIn(IFilterGraph2* graph, IPin* upstream);
    // As ConnectIn / ConnectDirectIn on the index-th input pin (1-based).
    HRESULT ConnectInX(IFilterGraph2* graph, int index, IPin* upstream);
    HRESULT ConnectDirectInX(IFilterGraph2* graph, int index, IPin* upstream);

    // The index-th (1-based) input or output pin; false and pin untouched when there is none.
    bool GetInPin(int index, ComPtr<IPin>& pin) const;
    bool GetOutPin(int index, ComPtr<IPin>& pin) const;
    // The first output pin.
    bool GetOut(ComPtr<IPin>& pin) const;
    // FindFreePinByMajorType on Filter.
    bool GetFreePinByMediaType(PIN_DIRECTION dir, REFGUID majorType, ComPtr<IPin>& pin) const;
    // Pins of both directions; 0 on failure.
    int PinsCount() const;

    // Forwards to Filter; E_FAIL when there is no filter.
    HRESULT QueryInterface(REFIID iid, void** ppv) const;
    template <class T>
    HRESULT QueryInterface(ComPtr<T>& out) const {
        return QueryInterface(__uuidof(T), out.PutVoid());
    }

    // Calls OnError with text when it is assigned; anything the hook throws is swallowed.
    void OnErrorS(const std::wstring& text) const;

    const std::wstring& Name() const { return FName; }
    void SetName(std::wstring name) { FName = std::move(name); }

    std::wstring FName;          // name under which the filter is added to the graph
    ComPtr<IBaseFilter> Filter;  // nil until created
    ErrorHook OnError;
    FilterHook OnFilter;
};

// ---------------------------------------------------------------------------------------------------
// Pin and filter lists. Each entry holds one reference. Index-based members throw std::out_of_range
// ("List index out of bounds (%d)") for an index outside the list; that is an error of the caller.

struct TZRPinInfo {
    ComPtr<IBaseFilter> Filter;  // owning filter
    PIN_DIRECTION Direction = PINDIR_INPUT;
    std::wstring Name;
};

class TZRPinList {
public:
    TZRPinList() = default;
    // Fills the list with the pins of filter, in enumeration order.
    explicit TZRPinList(IBaseFilter* filter) { Assign(filter); }

    void Assign(IBaseFilter* filter);  // re-points the list and fills it again
    void Update();                     // clears and fills again from Filter
    void Clear() { FList.clear(); }

    int Count() const { return static_cast<int>(FList.size()); }
    const ComPtr<IPin>& GetPin(int index) const;
    const ComPtr<IPin>& operator[](int index) const { return GetPin(index); }
    // IPin::QueryPinInfo of entry index; false when it fails.
    bool GetPinInfo(int index, TZRPinInfo& info) const;
    // Whether entry index is connected (IPin::ConnectedTo yields a pin).
    bool GetConnected(int index) const;
    ComPtr<IPin> First() const;  // nil when empty
    ComPtr<IPin> Last() const;
    int IndexOf(IPin* pin) const;  // -1 when absent
    int Add(IPin* pin);
    void Insert(int index, IPin* pin);  // 0..Count
    void PutPin(int index, IPin* pin);
    int Remove(IPin* pin);  // index it had, -1 when absent
    void Delete(int index);

    ComPtr<IBaseFilter> Filter;

private:
    std::vector<ComPtr<IPin>> FList;
};

struct TZRFilterInfo {
    std::wstring Name;
    ComPtr<IFilterGraph> Graph;
};

class TZRFilterList {
public:
    TZRFilterList() = default;
    // Fills the list with the filters of graph, in enumeration order.
    explicit TZRFilterList(IFilterGraph* graph) { Assign(graph); }

    void Assign(IFilterGraph* graph);  // re-points the list and fills it again
    void Update();                     // clears and fills again from Graph
    void Clear() { FList.clear(); }

    int Count() const { return static_cast<int>(FList.size()); }
    const ComPtr<IBaseFilter>& GetFilter(int index) const;
    const ComPtr<IBaseFilter>& operator[](int index) const { return GetFilter(index); }
    // IBaseFilter::QueryFilterInfo of entry index; false when it fails.
    bool GetFilterInfo(int index, TZRFilterInfo& info) const;
    ComPtr<IBaseFilter> First() const;
    ComPtr<IBaseFilter> Last() const;
    int IndexOf(IBaseFilter* filter) const;
    int Add(IBaseFilter* filter);
    void Insert(int index, IBaseFilter* filter);
    void PutFilter(int index, IBaseFilter* filter);
    int Remove(IBaseFilter* filter);
    void Delete(int index);

    ComPtr<IFilterGraph> Graph;

private:
    std::vector<ComPtr<IBaseFilter>> FList;
};

// ---------------------------------------------------------------------------------------------------
// Media types.

namespace zr {
// Copies src into dst (whose old content is overwritten, not freed): the format block is duplicated
// into new task memory (a failed allocation leaves dst with no block and length 0) and the record's
// IUnknown gets a reference. Throws std::invalid_argument when dst and src are the same record or
// src claims a format length without a block.
void CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src);
// Frees the format block and releases the IUnknown; leaves length 0 and no block.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// FreeMediaType, then frees the record itself (task memory, as IEnumMediaTypes hands them out). nil
// is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
}  // namespace zr

// One owned AM_MEDIA_TYPE with its format block.
class TZRMediaType {
public:
    // Zero-filled, sample size 1, fixed-size samples.
    TZRMediaType();
    explicit TZRMediaType(const AM_MEDIA_TYPE& mt);
    TZRMediaType(const TZRMediaType& o);
    TZRMediaType& operator=(const TZRMediaType& o);
    ~TZRMediaType();

    void Assign(const AM_MEDIA_TYPE& mt);

    AM_MEDIA_TYPE* AMMediaType() { return &mt_; }
    const AM_MEDIA_TYPE* AMMediaType() const { return &mt_; }
    const GUID& majortype() const { return mt_.majortype; }
    const GUID& subtype() const { return mt_.subtype; }
    const GUID& formattype() const { return mt_.formattype; }
    BYTE* FormatPtr() const { return mt_.pbFormat; }
    ULONG FormatLength() const { return mt_.cbFormat; }

private:
    AM_MEDIA_TYPE mt_;
};

// An owned, ordered list of media types, filled from IEnumMediaTypes (IEnumMediaTypes::Next one at a
// time until it stops returning S_OK; each type handed out is deleted after copying).
class TZREnumMediaType {
public:
    TZREnumMediaType() = default;
    // Throw std::invalid_argument "IEnumMediaType not assigned" / "IPin not assigned" when nil.
    explicit TZREnumMediaType(IEnumMediaTypes* e) { Assign(e); }
    explicit TZREnumMediaType(IPin* pin) { Assign(pin); }

    void Assign(IEnumMediaTypes* e);  // clears, then fills
    void Assign(IPin* pin);           // IPin::EnumMediaTypes, then as above
    void Clear() { FList.clear(); }
    void Delete(int index);
    int Count() const { return static_cast<int>(FList.size()); }
    TZRMediaType& GetItem(int index);
    const TZRMediaType& GetItem(int index) const;
    void SetItem(int index, const TZRMediaType& mt);
    int Add(const AM_MEDIA_TYPE& mt);
    std::wstring GetMediaDescription(int index) const;  // one line (graph/mtdescr.h); empty outside the list

private:
    std::vector<std::unique_ptr<TZRMediaType>> FList;
};

// ---------------------------------------------------------------------------------------------------
// Pin search and connection. All searches follow the filter's pin enumeration order and stop at the
// first match; indexes are 1-based and count only pins of the requested direction. None of these
// throws.

// The index-th pin of direction dir; false and pin untouched when there is none.
bool GetPinByIndex(IBaseFilter* filter, PIN_DIRECTION dir, int index, ComPtr<IPin>& pin);
// Whether one of the media types the pin offers has majorType.
bool PinHasMajorType(IPin* pin, REFGUID majorType);
// The first unconnected pin of direction dir that offers majorType.
bool FindFreePinByMajorType(IBaseFilter* filter, PIN_DIRECTION dir, REFGUID majorType, ComPtr<IPin>& pin);
// Counts the filter's pins by direction. E_POINTER when filter or an output is nil.
HRESULT CountPins(IBaseFilter* filter, ULONG* inputs, ULONG* outputs);
// Whether the first input pin is connected.
bool IsInputConnected(IBaseFilter* filter);
// When the first input pin is connected: disconnects it, then its peer.
void DisconnectInput(IBaseFilter* filter);
// The filter on the other side of the first pin of direction dir (upstream for PINDIR_INPUT,
// downstream for PINDIR_OUTPUT); nil when that pin is absent or unconnected.
ComPtr<IBaseFilter> GetPeerFilter(IBaseFilter* filter, PIN_DIRECTION dir);
// Name of the first filter (enumeration order) that has output pins offering audio and video; empty
// when none.
std::wstring FindSplitterName(IFilterGraph* graph);
// Size from the first offered type with a VIDEOINFOHEADER format block; height made positive.
// false with width and height 0 when none qualifies.
bool GetVideoSizeFromPin(IPin* pin, int& width, int& height);

// Size of a file in bytes; -1 when there is no such file. The name is taken literally: wildcard
// characters are not expanded (a name containing * ? < > " is no file).
int64_t GetFileSize64(const std::wstring& fileName);

// ---------------------------------------------------------------------------------------------------
// Floating-point guard around graph calls (run, pause, stop, seek, rate, positions).
//
// SetFPUGuard(true) saves the calling thread's x87 control word and SSE MXCSR and masks all six
// floating-point exceptions in both (rounding to nearest; precision and flush modes stay as they were),
// so that filters doing arithmetic inside the call never trap into the host. SetFPUGuard(false)
// discards the exception flags raised meanwhile and restores exactly the words saved by the matching
// SetFPUGuard(true). Calls nest (a per-thread stack); an unmatched SetFPUGuard(false) does nothing.
void SetFPUGuard(bool on);

class FPUGuard {
public:
    FPUGuard() { SetFPUGuard(true); }
    ~FPUGuard() { SetFPUGuard(false); }
    FPUGuard(const FPUGuard&) = delete;
    FPUGuard& operator=(const FPUGuard&) = delete;
};

// The current x87 control word and MXCSR of this thread (for checks and diagnostics).
uint16_t GetX87ControlWord();
uint32_t GetMXCSR();
