#include "graph/sysdevenum.h"

#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <atomic>

#include "core/devnames.h"
#include "core/merit.h"
#include "core/textutil.h"
#include "graph/guids.h"

namespace {

constexpr const wchar_t* kPropFriendlyName = L"FriendlyName";
constexpr const wchar_t* kPropDescription = L"Description";
constexpr const wchar_t* kPropCLSID = L"CLSID";
constexpr const wchar_t* kPropFccHandler = L"FccHandler";
constexpr const wchar_t* kPropDevicePath = L"DevicePath";
constexpr const wchar_t* kFilterDataValue = L"FilterData";

// Case-insensitive comparison of the user's locale.
bool SameTextUser(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

int IndexOfTextUser(const TZRWideStringList& list, std::wstring_view s) {
    for (int32_t i = 0; i < list.Count(); ++i)
        if (SameTextUser(list.Get(i), s)) return i;
    return -1;
}

struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

// A text property of a property bag; false when it is absent or not convertible to text.
bool ReadBagText(IPropertyBag* bag, const wchar_t* name, std::wstring& out) {
    Variant var;
    if (FAILED(bag->Read(name, &var.v, nullptr))) return false;
    if (var.v.vt != VT_BSTR && FAILED(VariantChangeType(&var.v, &var.v, 0, VT_BSTR))) return false;
    out = var.v.bstrVal ? std::wstring(var.v.bstrVal, SysStringLen(var.v.bstrVal)) : std::wstring();
    return true;
}

std::wstring BagText(IPropertyBag* bag, const wchar_t* name) {
    std::wstring s;
    if (!ReadBagText(bag, name, s)) s.clear();
    return s;
}

ComPtr<IEnumMoniker> EnumerateCategory(REFGUID category) {
    ComPtr<ICreateDevEnum> devEnum;
    if (FAILED(CreateInstance(CLSID_SystemDeviceEnum, devEnum)) || !devEnum) return {};
    ComPtr<IEnumMoniker> monikers;
    // S_FALSE: the category is empty or not registered.
    if (devEnum->CreateClassEnumerator(category, monikers.Put(), 0) != S_OK) return {};
    return monikers;
}

class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (h_) RegCloseKey(h_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    bool Open(HKEY root, const std::wstring& path, REGSAM access) {
        return RegOpenKeyExW(root, path.c_str(), 0, access, &h_) == ERROR_SUCCESS;
    }
    HKEY Get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

// Reads a whole registry value; false when it is absent or cannot be read.
bool ReadValue(HKEY key, const wchar_t* name, DWORD& type, std::vector<uint8_t>& data, LONG& status) {
    DWORD size = 0;
    status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    for (int attempt = 0; attempt < 4 && status == ERROR_SUCCESS; ++attempt) {
        data.resize(size);
        DWORD got = size;
        status = RegQueryValueExW(key, name, nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (status == ERROR_SUCCESS) {
            data.resize(got);
            return true;
        }
        if (status == ERROR_MORE_DATA) {  // grew meanwhile
            size = got;
            status = ERROR_SUCCESS;
        }
    }
    return false;
}

TZRRegValueKind KindOf(DWORD type) {
    switch (type) {
        case REG_BINARY: return TZRRegValueKind::Binary;
        case REG_SZ:
        case REG_EXPAND_SZ: return TZRRegValueKind::Text;
        case REG_DWORD:
        case REG_DWORD_BIG_ENDIAN: return TZRRegValueKind::Integer;
        default: return TZRRegValueKind::Other;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TZRSysDevEnum

TZRSysDevEnum::TZRSysDevEnum() { ReadCategory(FCategories, CLSID_ActiveMovieCategories); }

TZRSysDevEnum::TZRSysDevEnum(REFGUID category) : TZRSysDevEnum() { SelectGUIDCategory(category); }

void TZRSysDevEnum::SelectGUIDCategory(REFGUID guid) {
    FGUID = guid;
    ReadCategory(FFilters, guid);
}

void TZRSysDevEnum::SelectIndexCategory(int index) {
    if (index < 0 || index >= CountCategories()) return;
    GUID g = FCategories[static_cast<size_t>(index)].CLSID;
    SelectGUIDCategory(g);
}

TFilCatNode TZRSysDevEnum::GetCategory(int item) const {
    if (item < 0 || item >= CountCategories()) ThrowListIndexError(item);
    return FCategories[static_cast<size_t>(item)];
}

TFilCatNode TZRSysDevEnum::GetFilter(int item) const {
    if (item < 0 || item >= CountFilters()) ThrowListIndexError(item);
    return FFilters[static_cast<size_t>(item)];
}

void TZRSysDevEnum::ReadCategory(std::vector<TFilCatNode>& list, REFGUID category) {
    list.clear();
    const bool audioRenderers = IsEqualGUID(category, CLSID_AudioRendererCategory) != FALSE;
    TZRNameSet given(&SameTextUser);
    try {
        ComPtr<IEnumMoniker> monikers = EnumerateCategory(category);
        if (!monikers) return;
        for (;;) {
            ComPtr<IMoniker> moniker;
            ULONG fetched = 0;
            if (monikers->Next(1, moniker.Put(), &fetched) != S_OK || !moniker) break;
            try {
                ComPtr<IPropertyBag> bag;
                if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag)
                    continue;  // this entry only
                TFilCatNode node;
                const std::wstring registered = BagText(bag.Get(), kPropFriendlyName);
                std::wstring text;
                if (!ReadBagText(bag.Get(), kPropCLSID, text) || !StringToGuid(text, node.CLSID)) node.CLSID = GUID_NULL;
                node.FOURCC = BagText(bag.Get(), kPropFccHandler);
                node.Description = BagText(bag.Get(), kPropDescription);
                node.FriendlyName = NameDevice(given, registered, node.Description, audioRenderers);
                node.DevicePath = BagText(bag.Get(), kPropDevicePath);
                if (FReadMerit) node.Merit = GetFilterMerit(std::wstring(), GuidToString(node.CLSID));
                list.push_back(std::move(node));
            } catch (...) {
                // drop this entry, go on with the next
            }
        }
    } catch (...) {
        // the list keeps what was read so far
    }
}

int TZRSysDevEnum::FilterIndexOfFriendlyName(std::wstring_view name) const {
    for (int i = CountFilters() - 1; i >= 0; --i)
        if (SameTextUser(FFilters[static_cast<size_t>(i)].FriendlyName, name)) return i;
    return -1;
}

ComPtr<IMoniker> TZRSysDevEnum::GetMoniker(int index) const {
    if (index < 0 || index >= CountFilters()) return {};
    ComPtr<IEnumMoniker> monikers = EnumerateCategory(FGUID);
    if (!monikers) return {};
    // Walks to the position with Next rather than Skip: Wine's device enumerator skips no further
    // than its last DMO entry, so Skip(n) lands on the wrong entry in categories that mix DMOs and
    // registered filters.
    ComPtr<IMoniker> moniker;
    for (int i = 0; i <= index; ++i) {
        ULONG fetched = 0;
        if (monikers->Next(1, moniker.Put(), &fetched) != S_OK || !moniker) return {};
    }
    return moniker;
}

ComPtr<IBaseFilter> TZRSysDevEnum::GetBaseFilter(int index) const {
    ComPtr<IMoniker> moniker = GetMoniker(index);
    ComPtr<IBaseFilter> filter;
    if (!moniker || FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.PutVoid())))
        filter.Reset();
    return filter;
}

ComPtr<IBaseFilter> TZRSysDevEnum::GetBaseFilter(REFGUID clsid) const {
    for (int i = 0; i < CountFilters(); ++i)
        if (IsEqualGUID(FFilters[static_cast<size_t>(i)].CLSID, clsid)) return GetBaseFilter(i);
    return {};
}

bool TZRSysDevEnum::MeritKey(const std::wstring& name, const std::wstring& guid, std::wstring& key) const {
    std::wstring id;
    if (!guid.empty()) {
        // Only a class identifier names a key: no other text reaches the registry path.
        GUID g;
        if (!StringToGuid(guid, g)) return false;
        id = guid;
    } else {
        const TFilCatNode* hit = nullptr;
        for (const auto& n : FFilters)
            if (n.FriendlyName == name) {
                hit = &n;
                break;
            }
        if (!hit) return false;
        id = GuidToString(hit->CLSID);
    }
    key = zr::kLegacyFilterInstanceKey + id;
    return true;
}

uint32_t TZRSysDevEnum::GetFilterMerit(const std::wstring& name, const std::wstring& guid) const {
    try {
        std::wstring path;
        if (!MeritKey(name, guid, path)) return 0;
        RegKey key;
        if (!key.Open(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE)) return 0;
        DWORD type = 0;
        std::vector<uint8_t> data;
        LONG status;
        if (!ReadValue(key.Get(), kFilterDataValue, type, data, status) || type != REG_BINARY) return 0;
        return MeritFromFilterData(data.data(), data.size());
    } catch (...) {
        return 0;
    }
}

bool TZRSysDevEnum::SetFilterMerit(const std::wstring& name, const std::wstring& guid, uint32_t merit) {
    try {
        std::wstring path;
        if (!MeritKey(name, guid, path)) return false;
        RegKey key;
        if (!key.Open(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE | KEY_SET_VALUE)) return false;
        DWORD type = 0;
        std::vector<uint8_t> data;
        LONG status;
        TZRRegValueKind kind;
        if (ReadValue(key.Get(), kFilterDataValue, type, data, status))
            kind = KindOf(type);
        else if (status == ERROR_FILE_NOT_FOUND)
            kind = TZRRegValueKind::Absent;
        else
            return false;
        std::array<uint8_t, kMeritRecordSize> record;
        if (!BuildMeritRecord(kind, data.data(), data.size(), merit, record)) return false;
        return RegSetValueExW(key.Get(), kFilterDataValue, 0, REG_BINARY, record.data(),
                              static_cast<DWORD>(record.size())) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------------------
// Property pages

namespace {

bool CaptureDialogCode(TZRPropertyPage kind, int& code) {
    switch (kind) {
        case ppVFWCapDisplay: code = VfwCaptureDialog_Display; return true;
        case ppVFWCapFormat: code = VfwCaptureDialog_Format; return true;
        case ppVFWCapSource: code = VfwCaptureDialog_Source; return true;
        default: return false;
    }
}

bool CompressDialogCodes(TZRPropertyPage kind, int& query, int& show) {
    switch (kind) {
        case ppVFWCompConfig:
            query = VfwCompressDialog_QueryConfig;
            show = VfwCompressDialog_Config;
            return true;
        case ppVFWCompAbout:
            query = VfwCompressDialog_QueryAbout;
            show = VfwCompressDialog_About;
            return true;
        default: return false;
    }
}

struct PageList {
    CAUUID pages{};
    ~PageList() {
        if (pages.pElems) CoTaskMemFree(pages.pElems);
    }
};

}  // namespace

bool HasPropertyPage(IBaseFilter* filter, TZRPropertyPage pageType) {
    if (!filter) return false;
    int code = 0, show = 0;
    if (pageType == ppDefault) {
        ComPtr<ISpecifyPropertyPages> pages;
        return SUCCEEDED(filter->QueryInterface(IID_ISpecifyPropertyPages, pages.PutVoid())) && pages;
    }
    if (CaptureDialogCode(pageType, code)) {
        ComPtr<IAMVfwCaptureDialogs> dialogs;
        if (filter->QueryInterface(IID_IAMVfwCaptureDialogs, dialogs.PutVoid()) != S_OK || !dialogs) return false;
        return dialogs->HasDialog(code) == S_OK;
    }
    if (CompressDialogCodes(pageType, code, show)) {
        ComPtr<IAMVfwCompressDialogs> dialogs;
        if (filter->QueryInterface(IID_IAMVfwCompressDialogs, dialogs.PutVoid()) != S_OK || !dialogs) return false;
        return dialogs->ShowDialog(code, nullptr) == S_OK;
    }
    return false;
}

HRESULT ShowPropertyPage(HWND owner, IBaseFilter* filter, TZRPropertyPage pageType) {
    if (!filter) return S_FALSE;
    int code = 0, show = 0;
    if (pageType == ppDefault) {
        ComPtr<ISpecifyPropertyPages> pageSource;
        HRESULT hr = filter->QueryInterface(IID_ISpecifyPropertyPages, pageSource.PutVoid());
        if (FAILED(hr) || !pageSource) return FAILED(hr) ? hr : E_NOINTERFACE;
        PageList list;
        hr = pageSource->GetPages(&list.pages);
        if (FAILED(hr)) return hr;
        FILTER_INFO info{};
        hr = filter->QueryFilterInfo(&info);
        if (FAILED(hr)) return hr;
        ComPtr<IFilterGraph> graphRef = ComPtr<IFilterGraph>::Attach(info.pGraph);
        info.achName[MAX_FILTER_NAME - 1] = 0;
        ComPtr<IUnknown> object;
        hr = filter->QueryInterface(IID_IUnknown, object.PutVoid());
        if (FAILED(hr)) return hr;
        IUnknown* objects[1] = {object.Get()};
        return OleCreatePropertyFrame(owner, 0, 0, info.achName, 1, objects, list.pages.cElems, list.pages.pElems, 0,
                                      0, nullptr);
    }
    if (CaptureDialogCode(pageType, code)) {
        ComPtr<IAMVfwCaptureDialogs> dialogs;
        HRESULT hr = filter->QueryInterface(IID_IAMVfwCaptureDialogs, dialogs.PutVoid());
        if (hr != S_OK || !dialogs) return FAILED(hr) ? hr : E_NOINTERFACE;
        hr = dialogs->HasDialog(code);
        if (hr != S_OK) return hr;
        return dialogs->ShowDialog(code, owner);
    }
    if (CompressDialogCodes(pageType, code, show)) {
        ComPtr<IAMVfwCompressDialogs> dialogs;
        HRESULT hr = filter->QueryInterface(IID_IAMVfwCompressDialogs, dialogs.PutVoid());
        if (hr != S_OK || !dialogs) return FAILED(hr) ? hr : E_NOINTERFACE;
        hr = dialogs->ShowDialog(code, nullptr);
        if (hr != S_OK) return hr;
        return dialogs->ShowDialog(show, owner);
    }
    return S_FALSE;
}

// ---------------------------------------------------------------------------------------------------
// TZRGraphCallbacks

namespace {

std::atomic<long> g_liveSites{0};

// What a graph holds as its site: forwards to the player's callback object while that lives.
class GraphCallbackSite final : public IAMGraphBuilderCallback {
public:
    explicit GraphCallbackSite(TZRGraphCallbacks* owner) : owner_(owner) {
        InitializeCriticalSection(&lock_);
        ++g_liveSites;
    }

    // Called by the owner's destructor; waits for a call in progress.
    void Detach() {
        EnterCriticalSection(&lock_);
        owner_ = nullptr;
        LeaveCriticalSection(&lock_);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMGraphBuilderCallback)) {
            *ppv = ComPtr<IAMGraphBuilderCallback>(this).Detach();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* pMon) override {
        HRESULT hr = S_OK;
        EnterCriticalSection(&lock_);
        if (owner_) hr = owner_->SelectedFilter(pMon);
        LeaveCriticalSection(&lock_);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* pFil) override {
        HRESULT hr = S_OK;
        EnterCriticalSection(&lock_);
        if (owner_) hr = owner_->CreatedFilter(pFil);
        LeaveCriticalSection(&lock_);
        return hr;
    }

private:
    ~GraphCallbackSite() {
        DeleteCriticalSection(&lock_);
        --g_liveSites;
    }

    LONG refs_ = 0;
    CRITICAL_SECTION lock_;
    TZRGraphCallbacks* owner_;
};

}  // namespace

TZRGraphCallbacks::TZRGraphCallbacks() : site_(new GraphCallbackSite(this)) {}

TZRGraphCallbacks::~TZRGraphCallbacks() {
    if (site_) static_cast<GraphCallbackSite*>(site_.Get())->Detach();
}

long TZRGraphCallbacks::LiveSites() { return g_liveSites.load(); }

HRESULT STDMETHODCALLTYPE TZRGraphCallbacks::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IAMGraphBuilderCallback)) {
        *ppv = ComPtr<IAMGraphBuilderCallback>(this).Detach();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The count includes the owner's own hold, so it never reaches 0: the player frees this object.
ULONG STDMETHODCALLTYPE TZRGraphCallbacks::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_) + 1); }

ULONG STDMETHODCALLTYPE TZRGraphCallbacks::Release() { return static_cast<ULONG>(InterlockedDecrement(&refs_) + 1); }

HRESULT STDMETHODCALLTYPE TZRGraphCallbacks::SelectedFilter(IMoniker* pMon) {
    if (!pMon) return E_FAIL;
    try {
        ComPtr<IPropertyBag> bag;
        if (FAILED(pMon->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag) return S_OK;
        const std::wstring name = BagText(bag.Get(), kPropFriendlyName);
        if (IndexOfTextUser(FBlackList, name) >= 0) return E_FAIL;
        if (FBlackListByCLSID.Count() == 0) return S_OK;
        ComPtr<IBaseFilter> candidate;
        if (FAILED(pMon->BindToObject(nullptr, nullptr, IID_IBaseFilter, candidate.PutVoid())) || !candidate)
            return S_OK;
        CLSID clsid;
        if (FAILED(candidate->GetClassID(&clsid))) return S_OK;
        return IndexOfTextUser(FBlackListByCLSID, GuidToString(clsid)) >= 0 ? E_FAIL : S_OK;
    } catch (...) {
        return S_OK;
    }
}

HRESULT STDMETHODCALLTYPE TZRGraphCallbacks::CreatedFilter(IBaseFilter*) { return S_OK; }

void TZRGraphCallbacks::AssignToGraph(IGraphBuilder* graph) {
    if (!graph || !site_) return;
    try {
        ComPtr<IObjectWithSite> withSite;
        if (SUCCEEDED(graph->QueryInterface(IID_IObjectWithSite, withSite.PutVoid())) && withSite)
            withSite->SetSite(site_.Get());
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------------
// TDSCatFilter

bool TDSCatFilter::Init(IFilterGraph2* graph) {
    try {
        if (!Filters || !graph || Trim(FFilterName).empty()) return false;
        int index = Filters->FilterIndexOfFriendlyName(FFilterName);
        if (index < 0) return false;
        Filter.Reset();
        ComPtr<IMoniker> moniker = Filters->GetMoniker(index);
        if (moniker && FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, Filter.PutVoid())))
            Filter.Reset();
        bool ok = false;
        if (Filter) {
            graph->AddFilter(Filter.Get(), FFilterName.c_str());
            ok = true;
        }
        TDSBaseFilter::Init(graph);
        return ok;
    } catch (...) {
        return false;
    }
}
