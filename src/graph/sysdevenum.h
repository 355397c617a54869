// What the platform's media framework has registered, reached by name: device and filter categories,
// their entries with readable unique names, filter instances made from entries, filter merits in the
// registry, property pages of a filter, the graph-builder callback that refuses blacklisted filters,
// and the wrapper that puts a filter chosen by name into a graph.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/widestrlist.h"
#include "graph/comptr.h"
#include "graph/graphutil.h"

// One category, or one device or filter of a category.
struct TFilCatNode {
    std::wstring FriendlyName;  // "FriendlyName", made readable and unique within its listing
    std::wstring Description;   // "Description"; empty when absent
    GUID CLSID{};               // "CLSID" parsed; GUID_NULL when absent or not a braced GUID
    std::wstring FOURCC;        // "FccHandler"; empty when absent
    std::wstring DevicePath;    // "DevicePath"; empty when absent
    uint32_t Merit = 0;         // merit from the registry when the enumerator reads merits; else 0
};

// Lists the categories at creation and the entries of one selected category. Entry indices are
// positions in the platform's enumeration of the category when the list was filled; lookups by index
// enumerate the category again and count to the same position.
class TZRSysDevEnum {
public:
    // Reads the list of categories; no category selected.
    TZRSysDevEnum();
    // As above, then SelectGUIDCategory(category).
    explicit TZRSysDevEnum(REFGUID category);
    TZRSysDevEnum(const TZRSysDevEnum&) = delete;
    TZRSysDevEnum& operator=(const TZRSysDevEnum&) = delete;

    // Selects a category and reads its entries.
    void SelectGUIDCategory(REFGUID guid);
    // SelectGUIDCategory with the CLSID of category entry index (nothing happens for a bad index).
    void SelectIndexCategory(int index);
    const GUID& Category() const { return FGUID; }

    int CountCategories() const { return static_cast<int>(FCategories.size()); }
    int CountFilters() const { return static_cast<int>(FFilters.size()); }
    // Copies of entries; std::out_of_range "List index out of bounds (%d)" outside the list.
    TFilCatNode GetCategory(int item) const;
    TFilCatNode GetFilter(int item) const;

    // When true, entries read from now on carry their merit from the registry.
    bool ReadMerit() const { return FReadMerit; }
    void SetReadMerit(bool on) { FReadMerit = on; }

    // Index of the last entry whose name equals name ignoring case (user locale); -1 when none.
    int FilterIndexOfFriendlyName(std::wstring_view name) const;

    // The moniker of entry index (re-enumerated); nil outside 0..CountFilters-1 or when the category
    // now has fewer entries.
    ComPtr<IMoniker> GetMoniker(int index) const;
    // A new filter instance of entry index; nil on failure.
    ComPtr<IBaseFilter> GetBaseFilter(int index) const;
    // GetBaseFilter of the first entry whose CLSID is clsid; nil when none is.
    ComPtr<IBaseFilter> GetBaseFilter(REFGUID clsid) const;

    // The filter's merit from its registration ("FilterData" bytes 4..7 under
    // HKCR\CLSID\{083863F1-70DE-11D0-BD40-00A0C911CE86}\Instance\<clsid>). The filter is named by
    // guid (braced text) when it is not empty, else by the first entry whose FriendlyName equals name
    // exactly (case-sensitive). 0 on any failure.
    uint32_t GetFilterMerit(const std::wstring& name, const std::wstring& guid) const;
    // Writes the merit into a 128-byte "FilterData" (see BuildMeritRecord). False on any failure,
    // including a value longer than 128 bytes or of text or integer type (left as it was).
    bool SetFilterMerit(const std::wstring& name, const std::wstring& guid, uint32_t merit);

private:
    void ReadCategory(std::vector<TFilCatNode>& list, REFGUID category);
    bool MeritKey(const std::wstring& name, const std::wstring& guid, std::wstring& key) const;

    std::vector<TFilCatNode> FCategories;
    std::vector<TFilCatNode> FFilters;
    GUID FGUID{};
    bool FReadMerit = false;
};

// ---------------------------------------------------------------------------------------------------
// Property pages of one filter.

enum TZRPropertyPage : int {
    ppDefault = 0,        // the filter's own pages (ISpecifyPropertyPages) in a property frame
    ppVFWCapDisplay = 1,  // IAMVfwCaptureDialogs, VfwCaptureDialog_Display
    ppVFWCapFormat = 2,   // IAMVfwCaptureDialogs, VfwCaptureDialog_Format
    ppVFWCapSource = 3,   // IAMVfwCaptureDialogs, VfwCaptureDialog_Source
    ppVFWCompConfig = 4,  // IAMVfwCompressDialogs, VfwCompressDialog_Config
    ppVFWCompAbout = 5,   // IAMVfwCompressDialogs, VfwCompressDialog_About
};

// Whether the filter offers that kind of dialog.
bool HasPropertyPage(IBaseFilter* filter, TZRPropertyPage pageType);
// Shows it, modally; the result is that of the last platform call made. S_FALSE and nothing shown for
// a nil filter or an unknown kind.
HRESULT ShowPropertyPage(HWND owner, IBaseFilter* filter, TZRPropertyPage pageType);

// ---------------------------------------------------------------------------------------------------
// TZRGraphCallbacks: the graph-builder callback with the two blacklists.
//
// The player owns this object and deletes it; AddRef/Release only count. A graph never holds a
// pointer to it: AssignToGraph gives the graph a small forwarding object (its own reference count,
// freed with the last graph that holds it) that calls this object while it lives. Destroying this
// object cuts the link (waiting for a call in progress on another thread), after which any graph
// still alive, e.g. one a host kept, sees every filter allowed. The site is never cleared from a graph
// (IObjectWithSite::SetSite(NULL) crashes Wine's filter graph).
class TZRGraphCallbacks final : public IAMGraphBuilderCallback {
public:
    TZRGraphCallbacks();
    ~TZRGraphCallbacks();
    TZRGraphCallbacks(const TZRGraphCallbacks&) = delete;
    TZRGraphCallbacks& operator=(const TZRGraphCallbacks&) = delete;

    // IUnknown (IUnknown and IAMGraphBuilderCallback; the count never frees the object).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // E_FAIL refuses the filter: its registered friendly name is on BlackList, or (when
    // BlackListByCLSID is not empty) an instance made from the moniker reports a class on
    // BlackListByCLSID. A nil moniker is refused; any failure while reading the candidate allows it.
    HRESULT STDMETHODCALLTYPE SelectedFilter(IMoniker* pMon) override;
    // Always S_OK.
    HRESULT STDMETHODCALLTYPE CreatedFilter(IBaseFilter* pFil) override;

    // Makes graph consult this object while it builds itself (IObjectWithSite::SetSite).
    void AssignToGraph(IGraphBuilder* graph);

    // Friendly names as registered; looked up ignoring case (user locale). Kept for the player's life.
    TZRWideStringList& BlackList() { return FBlackList; }
    // Class identifiers in braced text form; looked up ignoring case. Rebuilt for every graph.
    TZRWideStringList& BlackListByCLSID() { return FBlackListByCLSID; }

    // Forwarding objects still held by graphs, across all instances (a DLL must not unload while
    // one lives).
    static long LiveSites();

private:
    TZRWideStringList FBlackList;
    TZRWideStringList FBlackListByCLSID;
    ComPtr<IAMGraphBuilderCallback> site_;  // the forwarding object handed to graphs
    LONG refs_ = 0;
};

// ---------------------------------------------------------------------------------------------------
// TDSCatFilter: a filter chosen by friendly name from an enumerator (the custom video decoder).
class TDSCatFilter : public TDSBaseFilter {
public:
    TDSCatFilter() = default;

    // False without touching the graph when Filters or graph is missing, FilterName is blank or not
    // listed. Otherwise makes a new instance of the listed filter, adds it to the graph under
    // FilterName (exactly as set) and runs the base Init; false when no instance could be made.
    bool Init(IFilterGraph2* graph) override;

    const std::wstring& FilterName() const { return FFilterName; }
    void SetFilterName(std::wstring name) { FFilterName = std::move(name); }

    std::wstring FFilterName;
    TZRSysDevEnum* Filters = nullptr;  // not owned
};
