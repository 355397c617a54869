#include "info/graphdump.h"

#include <cstdint>
#include <string>

#include "graph/comptr.h"
#include "graph/graphutil.h"

namespace {

std::wstring Hex(uint64_t v, int minDigits) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring s;
    do {
        s.insert(s.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v);
    if (static_cast<int>(s.size()) < minDigits) s.insert(0, static_cast<size_t>(minDigits) - s.size(), L'0');
    return s;
}

std::wstring NameOf(const WCHAR* field, size_t capacity) {
    size_t n = 0;
    while (n < capacity && field[n]) ++n;
    return std::wstring(field, n);
}

// "<filter>, <pin>" of the pin's peer; false when any step fails.
bool PeerText(IPin* pin, std::wstring& text) {
    ComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(peer.Put())) || !peer) return false;
    PIN_INFO pi{};
    if (FAILED(peer->QueryPinInfo(&pi))) return false;
    ComPtr<IBaseFilter> owner = ComPtr<IBaseFilter>::Attach(pi.pFilter);
    if (!owner) return false;
    FILTER_INFO fi{};
    if (FAILED(owner->QueryFilterInfo(&fi))) return false;
    ComPtr<IFilterGraph> graphRef = ComPtr<IFilterGraph>::Attach(fi.pGraph);
    text = NameOf(fi.achName, MAX_FILTER_NAME) + L", " + NameOf(pi.achName, MAX_PIN_NAME);
    return true;
}

}  // namespace

std::wstring RotDisplayName(IUnknown* graph) {
    return L"FilterGraph " + Hex(reinterpret_cast<uintptr_t>(graph), 2 * static_cast<int>(sizeof(void*))) +
           L" pid " + Hex(GetCurrentProcessId(), 1);
}

HRESULT AddGraphToRot(IUnknown* graph, DWORD* registration) {
    try {
        if (!graph || !registration) return E_POINTER;
        ComPtr<IRunningObjectTable> rot;
        HRESULT hr = GetRunningObjectTable(0, rot.Put());
        if (FAILED(hr)) return hr;
        ComPtr<IMoniker> moniker;
        hr = CreateItemMoniker(L"!", RotDisplayName(graph).c_str(), moniker.Put());
        if (FAILED(hr)) return hr;
        return rot->Register(0, graph, moniker.Get(), registration);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT RemoveGraphFromRot(DWORD registration) {
    try {
        ComPtr<IRunningObjectTable> rot;
        HRESULT hr = GetRunningObjectTable(0, rot.Put());
        if (FAILED(hr)) return hr;
        return rot->Revoke(registration);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT SaveGraphFile(IUnknown* graph, const std::wstring& path) {
    HRESULT hr = E_POINTER;
    try {
        if (!graph) return hr;
        ComPtr<IStorage> storage;
        hr = StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_TRANSACTED | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                              storage.Put());
        if (FAILED(hr)) return hr;
        ComPtr<IStream> stream;
        hr = storage->CreateStream(L"ActiveMovieGraph", STGM_WRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                   stream.Put());
        if (FAILED(hr)) return hr;
        ComPtr<IPersistStream> persist;
        hr = graph->QueryInterface(IID_IPersistStream, persist.PutVoid());
        if (FAILED(hr)) return hr;
        hr = persist->Save(stream.Get(), TRUE);
        if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
    } catch (...) {
    }
    return hr;
}

std::vector<std::wstring> GraphTextLines(IFilterGraph* graph) {
    std::vector<std::wstring> lines;
    TZRFilterList filters(graph);
    lines.push_back(L"Filters count: " + std::to_wstring(filters.Count()));
    lines.emplace_back();
    for (int i = 0; i < filters.Count(); ++i) {
        TZRFilterInfo info;
        filters.GetFilterInfo(i, info);
        lines.push_back(L"Filter name: " + info.Name);
        TZRPinList pins(filters.GetFilter(i).Get());
        for (int j = 0; j < pins.Count(); ++j) {
            IPin* pin = pins.GetPin(j).Get();
            TZRPinInfo pinInfo;
            if (!pins.GetPinInfo(j, pinInfo) && pin) pin->QueryDirection(&pinInfo.Direction);
            lines.push_back(L"  Pin " + std::to_wstring(j) +
                            (pinInfo.Direction == PINDIR_INPUT ? L" - Input - " : L" - Output - ") + pinInfo.Name);
            if (!pin) continue;
            std::wstring peer;
            if (PeerText(pin, peer)) lines.push_back(L"    Connected to: " + peer);
            TZREnumMediaType types(pin);
            if (types.Count() > 0) {
                lines.push_back(L"    Mediatypes:");
                for (int k = 0; k < types.Count(); ++k) lines.push_back(L"      " + types.GetMediaDescription(k));
            }
        }
        lines.emplace_back();
        lines.emplace_back();
    }
    return lines;
}

void SaveGraphText(IFilterGraph* graph, const std::wstring& path) {
    try {
        if (!graph) return;
        std::wstring text;
        for (const std::wstring& line : GraphTextLines(graph)) text += line + L"\r\n";
        std::string bytes;
        if (!text.empty()) {
            const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                              nullptr, nullptr);
            if (n <= 0) return;
            bytes.resize(static_cast<size_t>(n));
            WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                                nullptr);
        }
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(f);
    } catch (...) {
    }
}
