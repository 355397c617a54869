#include "graph/graphutil.h"

#include <climits>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "core/textutil.h"
#include "core/widestrlist.h"

namespace {

constexpr const wchar_t* kErrCreateFilter = L"Unable to create filter: ";
constexpr const wchar_t* kErrAddFilter = L"Unable to add filter: ";
constexpr const char* kErrNoEnum = "IEnumMediaType not assigned";
constexpr const char* kErrNoPin = "IPin not assigned";

// Calls fn(pin) for each pin of filter in enumeration order until fn returns true.
template <class F>
void ForEachPin(IBaseFilter* filter, F&& fn) {
    if (!filter) return;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())) || !pins) return;
    for (;;) {
        ComPtr<IPin> pin;
        ULONG fetched = 0;
        if (pins->Next(1, pin.Put(), &fetched) != S_OK || !pin) break;
        if (fn(pin)) break;
    }
}

bool PinIs(IPin* pin, PIN_DIRECTION dir) {
    PIN_DIRECTION d;
    return SUCCEEDED(pin->QueryDirection(&d)) && d == dir;
}

ComPtr<IPin> PeerOf(IPin* pin) {
    ComPtr<IPin> peer;
    if (!pin || FAILED(pin->ConnectedTo(peer.Put()))) peer.Reset();
    return peer;
}

// Releases an AM_MEDIA_TYPE handed out by an enumerator, whatever happens to the copy.
struct MediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* mt) const { zr::DeleteMediaType(mt); }
};
using EnumeratedType = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDeleter>;

// Next media type of the enumerator; nil when it stops returning S_OK.
EnumeratedType NextType(IEnumMediaTypes* e) {
    AM_MEDIA_TYPE* mt = nullptr;
    ULONG fetched = 0;
    HRESULT hr = e->Next(1, &mt, &fetched);
    EnumeratedType owned(mt);
    if (hr != S_OK) owned.reset();
    return owned;
}

template <class V>
void CheckIndex(const V& v, int index, bool insert = false) {
    int limit = static_cast<int>(v.size()) + (insert ? 1 : 0);
    if (index < 0 || index >= limit) ThrowListIndexError(index);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TDSBaseFilter

TDSBaseFilter::~TDSBaseFilter() { TDSBaseFilter::Clear(); }

void TDSBaseFilter::Clear() { Filter.Reset(); }

bool TDSBaseFilter::InitCLSID(IFilterGraph2* graph, REFCLSID clsid) {
    try {
        if (FAILED(CreateInstance(clsid, Filter)) || !Filter) {
            Filter.Reset();
            OnErrorS(kErrCreateFilter + FName);
            return false;
        }
        if (!graph || FAILED(graph->AddFilter(Filter.Get(), FName.c_str()))) {
            OnErrorS(kErrAddFilter + FName);
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TDSBaseFilter::Init(IFilterGraph2*) {
    if (!OnFilter) return true;
    try {
        if (!Filter || Trim(FName).empty()) return false;
        ComPtr<IUnknown> unknown;
        if (SUCCEEDED(Filter.As(unknown)) && unknown) OnFilter(FName.c_str(), unknown.Get());
        return true;
    } catch (...) {
        return true;
    }
}

HRESULT TDSBaseFilter::ConnectIn(IFilterGraph2* graph, IPin* upstream) { return ConnectInX(graph, 1, upstream); }

HRESULT TDSBaseFilter::ConnectDirectIn(IFilterGraph2* graph, IPin* upstream) {
    return ConnectDirectInX(graph, 1, upstream);
}

HRESULT TDSBaseFilter::ConnectInX(IFilterGraph2* graph, int index, IPin* upstream) {
    if (!graph || !upstream) return E_POINTER;
    ComPtr<IPin> in;
    if (!GetInPin(index, in)) return E_FAIL;
    return graph->Connect(upstream, in.Get());
}

HRESULT TDSBaseFilter::ConnectDirectInX(IFilterGraph2* graph, int index, IPin* upstream) {
    if (!graph || !upstream) return E_POINTER;
    ComPtr<IPin> in;
    if (!GetInPin(index, in)) return E_FAIL;
    return graph->ConnectDirect(upstream, in.Get(), nullptr);
}

bool TDSBaseFilter::GetInPin(int index, ComPtr<IPin>& pin) const {
    return GetPinByIndex(Filter.Get(), PINDIR_INPUT, index, pin);
}

bool TDSBaseFilter::GetOutPin(int index, ComPtr<IPin>& pin) const {
    return GetPinByIndex(Filter.Get(), PINDIR_OUTPUT, index, pin);
}

bool TDSBaseFilter::GetOut(ComPtr<IPin>& pin) const { return GetOutPin(1, pin); }

bool TDSBaseFilter::GetFreePinByMediaType(PIN_DIRECTION dir, REFGUID majorType, ComPtr<IPin>& pin) const {
    return FindFreePinByMajorType(Filter.Get(), dir, majorType, pin);
}

int TDSBaseFilter::PinsCount() const {
    ULONG in = 0, out = 0;
    if (FAILED(CountPins(Filter.Get(), &in, &out))) return 0;
    return static_cast<int>(in + out);
}

HRESULT TDSBaseFilter::QueryInterface(REFIID iid, void** ppv) const {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!Filter) return E_FAIL;
    return Filter->QueryInterface(iid, ppv);
}

void TDSBaseFilter::OnErrorS(const std::wstring& text) const {
    if (!OnError) return;
    try {
        OnError(text.c_str());
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------------
// TZRPinList

void TZRPinList::Assign(IBaseFilter* filter) {
    Filter = ComPtr<IBaseFilter>(filter);
    Update();
}

void TZRPinList::Update() {
    FList.clear();
    ForEachPin(Filter.Get(), [this](const ComPtr<IPin>& p) {
        FList.push_back(p);
        return false;
    });
}

const ComPtr<IPin>& TZRPinList::GetPin(int index) const {
    CheckIndex(FList, index);
    return FList[static_cast<size_t>(index)];
}

bool TZRPinList::GetPinInfo(int index, TZRPinInfo& info) const {
    const ComPtr<IPin>& pin = GetPin(index);
    if (!pin) return false;
    PIN_INFO pi{};
    if (FAILED(pin->QueryPinInfo(&pi))) return false;
    info.Filter = ComPtr<IBaseFilter>::Attach(pi.pFilter);
    info.Direction = pi.dir;
    pi.achName[MAX_PIN_NAME - 1] = 0;
    info.Name = pi.achName;
    return true;
}

bool TZRPinList::GetConnected(int index) const { return static_cast<bool>(PeerOf(GetPin(index).Get())); }

ComPtr<IPin> TZRPinList::First() const { return FList.empty() ? ComPtr<IPin>() : FList.front(); }

ComPtr<IPin> TZRPinList::Last() const { return FList.empty() ? ComPtr<IPin>() : FList.back(); }

int TZRPinList::IndexOf(IPin* pin) const {
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].Get() == pin) return static_cast<int>(i);
    return -1;
}

int TZRPinList::Add(IPin* pin) {
    FList.emplace_back(pin);
    return Count() - 1;
}

void TZRPinList::Insert(int index, IPin* pin) {
    CheckIndex(FList, index, true);
    FList.insert(FList.begin() + index, ComPtr<IPin>(pin));
}

void TZRPinList::PutPin(int index, IPin* pin) {
    CheckIndex(FList, index);
    FList[static_cast<size_t>(index)] = ComPtr<IPin>(pin);
}

int TZRPinList::Remove(IPin* pin) {
    int i = IndexOf(pin);
    if (i >= 0) FList.erase(FList.begin() + i);
    return i;
}

void TZRPinList::Delete(int index) {
    CheckIndex(FList, index);
    FList.erase(FList.begin() + index);
}

// ---------------------------------------------------------------------------------------------------
// TZRFilterList

void TZRFilterList::Assign(IFilterGraph* graph) {
    Graph = ComPtr<IFilterGraph>(graph);
    Update();
}

void TZRFilterList::Update() {
    FList.clear();
    if (!Graph) return;
    ComPtr<IEnumFilters> filters;
    if (FAILED(Graph->EnumFilters(filters.Put())) || !filters) return;
    for (;;) {
        ComPtr<IBaseFilter> f;
        ULONG fetched = 0;
        if (filters->Next(1, f.Put(), &fetched) != S_OK || !f) break;
        FList.push_back(std::move(f));
    }
}

const ComPtr<IBaseFilter>& TZRFilterList::GetFilter(int index) const {
    CheckIndex(FList, index);
    return FList[static_cast<size_t>(index)];
}

bool TZRFilterList::GetFilterInfo(int index, TZRFilterInfo& info) const {
    const ComPtr<IBaseFilter>& f = GetFilter(index);
    if (!f) return false;
    FILTER_INFO fi{};
    if (FAILED(f->QueryFilterInfo(&fi))) return false;
    info.Graph = ComPtr<IFilterGraph>::Attach(fi.pGraph);
    fi.achName[MAX_FILTER_NAME - 1] = 0;
    info.Name = fi.achName;
    return true;
}

ComPtr<IBaseFilter> TZRFilterList::First() const { return FList.empty() ? ComPtr<IBaseFilter>() : FList.front(); }

ComPtr<IBaseFilter> TZRFilterList::Last() const { return FList.empty() ? ComPtr<IBaseFilter>() : FList.back(); }

int TZRFilterList::IndexOf(IBaseFilter* filter) const {
    for (size_t i = 0; i < FList.size(); ++i)
        if (FList[i].Get() == filter) return static_cast<int>(i);
    return -1;
}

int TZRFilterList::Add(IBaseFilter* filter) {
    FList.emplace_back(filter);
    return Count() - 1;
}

void TZRFilterList::Insert(int index, IBaseFilter* filter) {
    CheckIndex(FList, index, true);
    FList.insert(FList.begin() + index, ComPtr<IBaseFilter>(filter));
}

void TZRFilterList::PutFilter(int index, IBaseFilter* filter) {
    CheckIndex(FList, index);
    FList[static_cast<size_t>(index)] = ComPtr<IBaseFilter>(filter);
}

int TZRFilterList::Remove(IBaseFilter* filter) {
    int i = IndexOf(filter);
    if (i >= 0) FList.erase(FList.begin() + i);
    return i;
}

void TZRFilterList::Delete(int index) {
    CheckIndex(FList, index);
    FList.erase(FList.begin() + index);
}

// ---------------------------------------------------------------------------------------------------
// Media types

namespace zr {

void CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE* src) {
    if (!dst || !src) throw std::invalid_argument("CopyMediaType: nil media type");
    if (dst == src) throw std::invalid_argument("CopyMediaType: source and destination are the same record");
    if (src->cbFormat != 0 && !src->pbFormat)
        throw std::invalid_argument("CopyMediaType: format length without a format block");
    *dst = *src;
    if (src->cbFormat != 0) {
        dst->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src->cbFormat));
        if (dst->pbFormat)
            std::memcpy(dst->pbFormat, src->pbFormat, src->cbFormat);
        else
            dst->cbFormat = 0;
    } else {
        dst->pbFormat = nullptr;
    }
    // The copy holds its own reference on the record's IUnknown.
    if (dst->pUnk) ComPtr<IUnknown>(dst->pUnk).Detach();
}

void FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
    mt.pbFormat = nullptr;
    mt.cbFormat = 0;
    if (mt.pUnk) ComPtr<IUnknown>::Attach(mt.pUnk).Reset();
    mt.pUnk = nullptr;
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return;
    FreeMediaType(*mt);
    CoTaskMemFree(mt);
}

}  // namespace zr

TZRMediaType::TZRMediaType() : mt_{} {
    mt_.lSampleSize = 1;
    mt_.bFixedSizeSamples = TRUE;
}

TZRMediaType::TZRMediaType(const AM_MEDIA_TYPE& mt) : mt_{} { zr::CopyMediaType(&mt_, &mt); }

TZRMediaType::TZRMediaType(const TZRMediaType& o) : mt_{} { zr::CopyMediaType(&mt_, &o.mt_); }

TZRMediaType& TZRMediaType::operator=(const TZRMediaType& o) {
    if (this != &o) Assign(o.mt_);
    return *this;
}

TZRMediaType::~TZRMediaType() { zr::FreeMediaType(mt_); }

void TZRMediaType::Assign(const AM_MEDIA_TYPE& mt) {
    if (&mt == &mt_) return;
    AM_MEDIA_TYPE copy{};
    zr::CopyMediaType(&copy, &mt);  // may throw: mt_ stays as it was
    zr::FreeMediaType(mt_);
    mt_ = copy;
}

void TZREnumMediaType::Assign(IEnumMediaTypes* e) {
    if (!e) throw std::invalid_argument(kErrNoEnum);
    FList.clear();
    for (;;) {
        EnumeratedType mt = NextType(e);
        if (!mt) break;
        Add(*mt);
    }
}

void TZREnumMediaType::Assign(IPin* pin) {
    if (!pin) throw std::invalid_argument(kErrNoPin);
    ComPtr<IEnumMediaTypes> e;
    if (FAILED(pin->EnumMediaTypes(e.Put())) || !e) {
        FList.clear();
        return;
    }
    Assign(e.Get());
}

void TZREnumMediaType::Delete(int index) {
    CheckIndex(FList, index);
    FList.erase(FList.begin() + index);
}

TZRMediaType& TZREnumMediaType::GetItem(int index) {
    CheckIndex(FList, index);
    return *FList[static_cast<size_t>(index)];
}

const TZRMediaType& TZREnumMediaType::GetItem(int index) const {
    CheckIndex(FList, index);
    return *FList[static_cast<size_t>(index)];
}

void TZREnumMediaType::SetItem(int index, const TZRMediaType& mt) {
    CheckIndex(FList, index);
    *FList[static_cast<size_t>(index)] = mt;
}

int TZREnumMediaType::Add(const AM_MEDIA_TYPE& mt) {
    FList.push_back(std::make_unique<TZRMediaType>(mt));
    return Count() - 1;
}

// ---------------------------------------------------------------------------------------------------
// Pin search and connection

bool GetPinByIndex(IBaseFilter* filter, PIN_DIRECTION dir, int index, ComPtr<IPin>& pin) {
    if (!filter || index < 1) return false;
    bool found = false;
    int seen = 0;
    try {
        ForEachPin(filter, [&](const ComPtr<IPin>& p) {
            if (!PinIs(p.Get(), dir) || ++seen != index) return false;
            pin = p;
            found = true;
            return true;
        });
    } catch (...) {
        return false;
    }
    return found;
}

bool PinHasMajorType(IPin* pin, REFGUID majorType) {
    if (!pin) return false;
    try {
        ComPtr<IEnumMediaTypes> e;
        if (FAILED(pin->EnumMediaTypes(e.Put())) || !e) return false;
        e->Reset();
        for (;;) {
            EnumeratedType mt = NextType(e.Get());
            if (!mt) return false;
            if (IsEqualGUID(mt->majortype, majorType)) return true;
        }
    } catch (...) {
        return false;
    }
}

bool FindFreePinByMajorType(IBaseFilter* filter, PIN_DIRECTION dir, REFGUID majorType, ComPtr<IPin>& pin) {
    bool found = false;
    try {
        ForEachPin(filter, [&](const ComPtr<IPin>& p) {
            if (!PinIs(p.Get(), dir) || PeerOf(p.Get()) || !PinHasMajorType(p.Get(), majorType)) return false;
            pin = p;
            found = true;
            return true;
        });
    } catch (...) {
        return false;
    }
    return found;
}

HRESULT CountPins(IBaseFilter* filter, ULONG* inputs, ULONG* outputs) {
    if (!filter || !inputs || !outputs) return E_POINTER;
    *inputs = 0;
    *outputs = 0;
    ComPtr<IEnumPins> pins;
    HRESULT hr = filter->EnumPins(pins.Put());
    if (FAILED(hr) || !pins) return FAILED(hr) ? hr : E_FAIL;
    for (;;) {
        ComPtr<IPin> pin;
        ULONG fetched = 0;
        if (pins->Next(1, pin.Put(), &fetched) != S_OK || !pin) break;
        PIN_DIRECTION d;
        if (FAILED(pin->QueryDirection(&d))) continue;
        if (d == PINDIR_INPUT)
            ++*inputs;
        else
            ++*outputs;
    }
    return S_OK;
}

bool IsInputConnected(IBaseFilter* filter) {
    ComPtr<IPin> in;
    return GetPinByIndex(filter, PINDIR_INPUT, 1, in) && PeerOf(in.Get());
}

void DisconnectInput(IBaseFilter* filter) {
    ComPtr<IPin> in;
    if (!GetPinByIndex(filter, PINDIR_INPUT, 1, in)) return;
    ComPtr<IPin> peer = PeerOf(in.Get());
    if (!peer) return;
    in->Disconnect();
    peer->Disconnect();
}

ComPtr<IBaseFilter> GetPeerFilter(IBaseFilter* filter, PIN_DIRECTION dir) {
    ComPtr<IPin> pin;
    if (!GetPinByIndex(filter, dir, 1, pin)) return {};
    ComPtr<IPin> peer = PeerOf(pin.Get());
    if (!peer) return {};
    PIN_INFO pi{};
    if (FAILED(peer->QueryPinInfo(&pi))) return {};
    return ComPtr<IBaseFilter>::Attach(pi.pFilter);
}

std::wstring FindSplitterName(IFilterGraph* graph) {
    if (!graph) return {};
    try {
        TZRFilterList filters(graph);
        for (int i = 0; i < filters.Count(); ++i) {
            IBaseFilter* f = filters.GetFilter(i).Get();
            ULONG in = 0, out = 0;
            if (FAILED(CountPins(f, &in, &out)) || out == 0) continue;
            bool audio = false, video = false;
            ForEachPin(f, [&](const ComPtr<IPin>& p) {
                if (!PinIs(p.Get(), PINDIR_OUTPUT)) return false;
                if (!audio) audio = PinHasMajorType(p.Get(), MEDIATYPE_Audio);
                if (!video) video = PinHasMajorType(p.Get(), MEDIATYPE_Video);
                return audio && video;
            });
            if (!(audio && video)) continue;
            TZRFilterInfo info;
            if (filters.GetFilterInfo(i, info)) return info.Name;
            return {};
        }
    } catch (...) {
    }
    return {};
}

bool GetVideoSizeFromPin(IPin* pin, int& width, int& height) {
    width = 0;
    height = 0;
    if (!pin) return false;
    try {
        TZREnumMediaType types(pin);
        for (int i = 0; i < types.Count(); ++i) {
            const TZRMediaType& mt = types.GetItem(i);
            if (!mt.FormatPtr() || !IsEqualGUID(mt.formattype(), FORMAT_VideoInfo) ||
                mt.FormatLength() < sizeof(VIDEOINFOHEADER))
                continue;
            const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.FormatPtr());
            LONG h = vih->bmiHeader.biHeight;
            width = vih->bmiHeader.biWidth;
            height = h >= 0 ? h : (h == LONG_MIN ? LONG_MAX : -h);
            return true;
        }
    } catch (...) {
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------
// File size

int64_t GetFileSize64(const std::wstring& fileName) {
    if (fileName.empty()) return -1;
    // The name is a path, never a pattern. Skip the "\\?\" / "\\.\" prefixes, whose '?' is no wildcard.
    std::wstring_view body = fileName;
    if (body.size() >= 4 && body[0] == L'\\' && body[1] == L'\\' && (body[2] == L'?' || body[2] == L'.') &&
        body[3] == L'\\')
        body.remove_prefix(4);
    if (body.find_first_of(L"*?<>\"") != std::wstring_view::npos) return -1;

    auto size = [](DWORD high, DWORD low) {
        return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
    };
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data))
        return size(data.nFileSizeHigh, data.nFileSizeLow);
    // A file another process holds without sharing may refuse its attributes; its directory entry
    // still carries the size.
    if (GetLastError() == ERROR_SHARING_VIOLATION) {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileExW(fileName.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
        if (h != INVALID_HANDLE_VALUE) {
            FindClose(h);
            return size(fd.nFileSizeHigh, fd.nFileSizeLow);
        }
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------------
// Floating-point guard

namespace {

constexpr uint16_t kX87ExceptionMasks = 0x003F;  // IM DM ZM OM UM PM
constexpr uint16_t kX87RoundingBits = 0x0C00;    // RC: 00 = to nearest
constexpr uint32_t kSseExceptionMasks = 0x1F80;  // IM DM ZM OM UM PM
constexpr uint32_t kSseRoundingBits = 0x6000;    // RC: 00 = to nearest
constexpr int kMaxGuardDepth = 64;

struct SavedFP {
    uint16_t x87;
    uint32_t mxcsr;
};

// Trivially destructible on purpose: no thread-exit work.
struct GuardStack {
    int depth;
    SavedFP saved[kMaxGuardDepth];
};
thread_local GuardStack t_guard{};

void LoadX87ControlWord(uint16_t cw) {
    // Exception flags raised while masked must not turn into a pending trap once they are unmasked.
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(cw) : "memory");
}

void LoadMXCSR(uint32_t v) { __asm__ __volatile__("ldmxcsr %0" : : "m"(v) : "memory"); }

}  // namespace

uint16_t GetX87ControlWord() {
    uint16_t cw = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(cw) : : "memory");
    return cw;
}

uint32_t GetMXCSR() {
    uint32_t v = 0;
    __asm__ __volatile__("stmxcsr %0" : "=m"(v) : : "memory");
    return v;
}

void SetFPUGuard(bool on) {
    GuardStack& st = t_guard;
    if (on) {
        SavedFP cur{GetX87ControlWord(), GetMXCSR()};
        // Beyond the stack's depth an outer guard is already in force; only the count is kept.
        if (st.depth < kMaxGuardDepth) st.saved[st.depth] = cur;
        ++st.depth;
        uint16_t cw = static_cast<uint16_t>((cur.x87 & ~kX87RoundingBits) | kX87ExceptionMasks);
        __asm__ __volatile__("fldcw %0" : : "m"(cw) : "memory");
        LoadMXCSR((cur.mxcsr & ~kSseRoundingBits) | kSseExceptionMasks);
        return;
    }
    if (st.depth == 0) return;
    --st.depth;
    if (st.depth >= kMaxGuardDepth) return;
    const SavedFP& s = st.saved[st.depth];
    LoadX87ControlWord(s.x87);
    LoadMXCSR(s.mxcsr);
}
