// Persistence of the published settings through IPersistStreamInit, IPersistStorage and IPersistPropertyBag,
// and the value lists of IPerPropertyBrowsing. The settings are the read-write properties of the type library
// below the standard window members; they are read and written through the control's own IDispatch.
#include <cstring>

#include "control/control_call.h"
#include "control/control_dispargs.h"
#include "player/player.h"

namespace {

constexpr UINT kMaxTextChars = 1u << 20;  // longer saved texts mean a damaged stream

void Append(std::vector<BYTE>& out, const void* p, size_t n) {
    const BYTE* b = static_cast<const BYTE*>(p);
    out.insert(out.end(), b, b + n);
}

HRESULT ReadExact(IStream* s, void* p, ULONG n) {
    ULONG got = 0;
    HRESULT hr = s->Read(p, n, &got);
    if (FAILED(hr)) return hr;
    return got == n ? S_OK : SetControlErrorInfo(E_FAIL, ZRControlText::kBadStream);
}

class Variant {
public:
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT v;
};

}  // namespace

const std::vector<TTxZRMediaPlayer::TPersisted>& TTxZRMediaPlayer::PersistedProperties() {
    if (FPersistedBuilt) return FPersisted;
    FPersistedBuilt = true;
    TYPEATTR* ta = nullptr;
    if (!FTypeInfo || FAILED(FTypeInfo->GetTypeAttr(&ta))) return FPersisted;
    const WORD funcs = ta->cFuncs;
    FTypeInfo->ReleaseTypeAttr(ta);
    for (WORD i = 0; i < funcs; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(FTypeInfo->GetFuncDesc(i, &fd))) continue;
        // Published settings: read-write properties below the standard window members.
        if (fd->invkind == INVOKE_PROPERTYPUT && fd->memid >= 0 && fd->memid < zrdispid::ParentBackground &&
            fd->cParams == 1) {
            BSTR name = nullptr;
            VARTYPE vt = ZRResolvedType(FTypeInfo.Get(), fd->lprgelemdescParam[0].tdesc);
            // Unsigned settings (colours) are kept as their 32 bits, signed: the type IDispatch hands them out
            // as, and the one every property bag and script host can hold (an OLE system colour such as
            // 0x8000000F is negative there).
            if (vt == VT_UI4) vt = VT_I4;
            if (SUCCEEDED(FTypeInfo->GetDocumentation(fd->memid, &name, nullptr, nullptr, nullptr)) && name &&
                (vt == VT_BOOL || vt == VT_I4 || vt == VT_R8 || vt == VT_BSTR))
                FPersisted.push_back({fd->memid, std::wstring(name, SysStringLen(name)), vt});
            SysFreeString(name);
        }
        FTypeInfo->ReleaseFuncDesc(fd);
    }
    return FPersisted;
}

HRESULT TTxZRMediaPlayer::GetProperty(DISPID dispid, VARIANT* out) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

HRESULT TTxZRMediaPlayer::PutProperty(DISPID dispid, VARIANT* value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value, &named, 1, 1};
    return Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

// Stream layout: magic, version, count, then per setting its dispatch identifier, its VARTYPE and the value
// (BOOL 2 bytes, I4/UI4 4, R8 8, BSTR a 32-bit length in characters and the characters).
HRESULT TTxZRMediaPlayer::SaveToStream(IStream* stream) {
    if (!stream) return E_POINTER;
    try {
        std::vector<BYTE> out;
        const auto& props = PersistedProperties();
        const DWORD header[3] = {ZRControlText::kStreamMagic, ZRControlText::kStreamVersion,
                                 static_cast<DWORD>(props.size())};
        Append(out, header, sizeof(header));
        for (const auto& p : props) {
            Variant value;
            HRESULT hr = GetProperty(p.dispid, &value.v);
            if (SUCCEEDED(hr)) hr = VariantChangeType(&value.v, &value.v, 0, p.vt);
            if (FAILED(hr)) return hr;
            const DWORD id = static_cast<DWORD>(p.dispid);
            const WORD vt = p.vt;
            Append(out, &id, 4);
            Append(out, &vt, 2);
            switch (p.vt) {
            case VT_BOOL: Append(out, &value.v.boolVal, 2); break;
            case VT_I4:
            case VT_UI4: Append(out, &value.v.lVal, 4); break;
            case VT_R8: Append(out, &value.v.dblVal, 8); break;
            case VT_BSTR: {
                const DWORD n = SysStringLen(value.v.bstrVal);
                Append(out, &n, 4);
                Append(out, value.v.bstrVal ? value.v.bstrVal : L"", n * sizeof(wchar_t));
                break;
            }
            default: break;
            }
        }
        ULONG written = 0;
        HRESULT hr = stream->Write(out.data(), static_cast<ULONG>(out.size()), &written);
        if (FAILED(hr)) return hr;
        return written == out.size() ? S_OK : STG_E_MEDIUMFULL;
    } catch (...) {
        return HandleCurrentException();
    }
}

HRESULT TTxZRMediaPlayer::LoadFromStream(IStream* stream) {
    if (!stream) return E_POINTER;
    try {
        DWORD header[3] = {};
        HRESULT hr = ReadExact(stream, header, sizeof(header));
        if (FAILED(hr)) return hr;
        if (header[0] != ZRControlText::kStreamMagic || header[1] == 0 || header[2] > 0x10000)
            return SetControlErrorInfo(E_FAIL, ZRControlText::kBadStream);
        const auto& props = PersistedProperties();
        FLoading = true;
        struct Restore {
            bool& f;
            ~Restore() { f = false; }
        } restore{FLoading};
        for (DWORD i = 0; i < header[2]; ++i) {
            DWORD id = 0;
            WORD vt = 0;
            if (FAILED(hr = ReadExact(stream, &id, 4)) || FAILED(hr = ReadExact(stream, &vt, 2))) return hr;
            Variant value;
            value.v.vt = vt;
            switch (vt) {
            case VT_BOOL: hr = ReadExact(stream, &value.v.boolVal, 2); break;
            case VT_I4:
            case VT_UI4: hr = ReadExact(stream, &value.v.lVal, 4); break;
            case VT_R8: hr = ReadExact(stream, &value.v.dblVal, 8); break;
            case VT_BSTR: {
                DWORD n = 0;
                if (FAILED(hr = ReadExact(stream, &n, 4))) return hr;
                if (n > kMaxTextChars) return SetControlErrorInfo(E_FAIL, ZRControlText::kBadStream);
                value.v.bstrVal = SysAllocStringLen(nullptr, n);
                if (!value.v.bstrVal) return E_OUTOFMEMORY;
                hr = ReadExact(stream, value.v.bstrVal, n * sizeof(wchar_t));
                break;
            }
            default:
                value.v.vt = VT_EMPTY;
                return SetControlErrorInfo(E_FAIL, ZRControlText::kBadStream);
            }
            if (FAILED(hr)) return hr;
            // Settings this version does not know are passed over; a value the setting refuses is left out.
            for (const auto& p : props)
                if (static_cast<DWORD>(p.dispid) == id) PutProperty(p.dispid, &value.v);
        }
        FDirty = false;
        return S_OK;
    } catch (...) {
        return HandleCurrentException();
    }
}

// --- IPersist, IPersistStreamInit

HRESULT TTxZRMediaPlayer::GetClassID(CLSID* pClassID) {
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_TxZRMediaPlayer;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::IsDirty() { return FDirty ? S_OK : S_FALSE; }

HRESULT TTxZRMediaPlayer::Load(LPSTREAM pStm) {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    return LoadFromStream(pStm);
}

HRESULT TTxZRMediaPlayer::Save(LPSTREAM pStm, BOOL fClearDirty) {
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    HRESULT hr = SaveToStream(pStm);
    if (SUCCEEDED(hr) && fClearDirty) FDirty = false;
    return hr;
}

HRESULT TTxZRMediaPlayer::GetSizeMax(ULARGE_INTEGER* pCbSize) {
    if (!pCbSize) return E_POINTER;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    ComPtr<IStream> s;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, s.Put());
    if (SUCCEEDED(hr)) hr = SaveToStream(s.Get());
    STATSTG st = {};
    if (SUCCEEDED(hr)) hr = s->Stat(&st, STATFLAG_NONAME);
    if (SUCCEEDED(hr)) *pCbSize = st.cbSize;
    return hr;
}

HRESULT TTxZRMediaPlayer::InitNew() {
    FDirty = false;
    return S_OK;  // the player starts with its own defaults
}

// --- IPersistStorage: the settings in one stream of the storage.

HRESULT TTxZRMediaPlayer::InitNew(IStorage*) { return InitNew(); }

HRESULT TTxZRMediaPlayer::Load(IStorage* pStg) {
    if (!pStg) return E_POINTER;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    ComPtr<IStream> s;
    HRESULT hr = pStg->OpenStream(ZRControlText::kStorageStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                  s.Put());
    if (FAILED(hr)) return hr;
    return LoadFromStream(s.Get());
}

HRESULT TTxZRMediaPlayer::Save(IStorage* pStgSave, BOOL) {
    if (!pStgSave) return E_POINTER;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    ComPtr<IStream> s;
    HRESULT hr = pStgSave->CreateStream(ZRControlText::kStorageStream,
                                        STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, s.Put());
    if (FAILED(hr)) return hr;
    return SaveToStream(s.Get());
}

HRESULT TTxZRMediaPlayer::SaveCompleted(IStorage*) {
    FDirty = false;
    return S_OK;
}

HRESULT TTxZRMediaPlayer::HandsOffStorage() { return S_OK; }  // no storage is kept open

// --- IPersistPropertyBag: one entry per setting, under the property's name.

HRESULT TTxZRMediaPlayer::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
    if (!pPropBag) return E_POINTER;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    try {
        FLoading = true;
        struct Restore {
            bool& f;
            ~Restore() { f = false; }
        } restore{FLoading};
        for (const auto& p : PersistedProperties()) {
            Variant value;
            value.v.vt = p.vt;
            if (FAILED(pPropBag->Read(p.name.c_str(), &value.v, pErrorLog))) {
                // Not in the bag, or not readable as the setting's type: try the bag's own type.
                VariantClear(&value.v);
                if (FAILED(pPropBag->Read(p.name.c_str(), &value.v, pErrorLog))) continue;
            }
            EXCEPINFO ex = {};
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params = {&value.v, &named, 1, 1};
            HRESULT hr = Invoke(p.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                &ex, nullptr);
            if (FAILED(hr) && pErrorLog) {
                if (!ex.scode) ex.scode = hr;
                pErrorLog->AddError(p.name.c_str(), &ex);
            }
            SysFreeString(ex.bstrSource);
            SysFreeString(ex.bstrDescription);
            SysFreeString(ex.bstrHelpFile);
        }
        FDirty = false;
        return S_OK;
    } catch (...) {
        return HandleCurrentException();
    }
}

HRESULT TTxZRMediaPlayer::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
    if (!pPropBag) return E_POINTER;
    if (!OnOwnerThread()) return RPC_E_WRONG_THREAD;
    try {
        for (const auto& p : PersistedProperties()) {
            Variant value;
            HRESULT hr = GetProperty(p.dispid, &value.v);
            if (SUCCEEDED(hr)) hr = VariantChangeType(&value.v, &value.v, 0, p.vt);
            if (SUCCEEDED(hr)) hr = pPropBag->Write(p.name.c_str(), &value.v);
            if (FAILED(hr)) return hr;
        }
        if (fClearDirty) FDirty = false;
        return S_OK;
    } catch (...) {
        return HandleCurrentException();
    }
}

// --- IPerPropertyBrowsing: enumerated settings offer their named values.

HRESULT TTxZRMediaPlayer::EnumValues(DISPID dispid, std::vector<std::pair<std::wstring, LONG>>& out) {
    out.clear();
    TYPEATTR* ta = nullptr;
    if (!FTypeInfo || FAILED(FTypeInfo->GetTypeAttr(&ta))) return E_UNEXPECTED;
    const WORD funcs = ta->cFuncs;
    FTypeInfo->ReleaseTypeAttr(ta);
    ComPtr<ITypeInfo> enumInfo;
    for (WORD i = 0; i < funcs && !enumInfo; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(FTypeInfo->GetFuncDesc(i, &fd))) continue;
        if (fd->memid == dispid && fd->invkind == INVOKE_PROPERTYGET && fd->elemdescFunc.tdesc.vt == VT_USERDEFINED) {
            ComPtr<ITypeInfo> ref;
            TYPEATTR* ra = nullptr;
            if (SUCCEEDED(FTypeInfo->GetRefTypeInfo(fd->elemdescFunc.tdesc.hreftype, ref.Put())) &&
                SUCCEEDED(ref->GetTypeAttr(&ra))) {
                if (ra->typekind == TKIND_ENUM) enumInfo = ref;
                ref->ReleaseTypeAttr(ra);
            }
        }
        FTypeInfo->ReleaseFuncDesc(fd);
    }
    if (!enumInfo) return E_NOTIMPL;
    TYPEATTR* ea = nullptr;
    if (FAILED(enumInfo->GetTypeAttr(&ea))) return E_UNEXPECTED;
    const WORD vars = ea->cVars;
    enumInfo->ReleaseTypeAttr(ea);
    for (WORD i = 0; i < vars; ++i) {
        VARDESC* vd = nullptr;
        if (FAILED(enumInfo->GetVarDesc(i, &vd))) continue;
        BSTR name = nullptr;
        Variant value;
        if (vd->varkind == VAR_CONST && vd->lpvarValue &&
            SUCCEEDED(VariantChangeType(&value.v, vd->lpvarValue, 0, VT_I4)) &&
            SUCCEEDED(enumInfo->GetDocumentation(vd->memid, &name, nullptr, nullptr, nullptr)) && name)
            out.emplace_back(std::wstring(name, SysStringLen(name)), value.v.lVal);
        SysFreeString(name);
        enumInfo->ReleaseVarDesc(vd);
    }
    return S_OK;
}

HRESULT TTxZRMediaPlayer::GetDisplayString(DISPID dispID, BSTR* pBstr) {
    if (!pBstr) return E_POINTER;
    *pBstr = nullptr;
    try {
        std::vector<std::pair<std::wstring, LONG>> values;
        HRESULT hr = EnumValues(dispID, values);
        if (FAILED(hr)) return hr;
        Variant current;
        hr = GetProperty(dispID, &current.v);
        if (SUCCEEDED(hr)) hr = VariantChangeType(&current.v, &current.v, 0, VT_I4);
        if (FAILED(hr)) return hr;
        for (auto& [name, value] : values)
            if (value == current.v.lVal) {
                *pBstr = zrconv::OutText(name);
                return S_OK;
            }
        return E_NOTIMPL;
    } catch (...) {
        return HandleCurrentException();
    }
}

HRESULT TTxZRMediaPlayer::MapPropertyToPage(DISPID, CLSID* pClsid) {
    if (pClsid) *pClsid = CLSID_NULL;
    return PERPROP_E_NOPAGEAVAILABLE;
}

HRESULT TTxZRMediaPlayer::GetPredefinedStrings(DISPID dispID, CALPOLESTR* pCaStringsOut, CADWORD* pCaCookiesOut) {
    if (!pCaStringsOut || !pCaCookiesOut) return E_POINTER;
    *pCaStringsOut = CALPOLESTR{};
    *pCaCookiesOut = CADWORD{};
    try {
        std::vector<std::pair<std::wstring, LONG>> values;
        HRESULT hr = EnumValues(dispID, values);
        if (FAILED(hr)) return hr;
        const size_t n = values.size();
        auto* strings = static_cast<LPOLESTR*>(CoTaskMemAlloc(n * sizeof(LPOLESTR)));
        auto* cookies = static_cast<DWORD*>(CoTaskMemAlloc(n * sizeof(DWORD)));
        if (!strings || !cookies) {
            CoTaskMemFree(strings);
            CoTaskMemFree(cookies);
            return E_OUTOFMEMORY;
        }
        for (size_t i = 0; i < n; ++i) {
            const size_t bytes = (values[i].first.size() + 1) * sizeof(wchar_t);
            strings[i] = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!strings[i]) {
                for (size_t j = 0; j < i; ++j) CoTaskMemFree(strings[j]);
                CoTaskMemFree(strings);
                CoTaskMemFree(cookies);
                return E_OUTOFMEMORY;
            }
            std::memcpy(strings[i], values[i].first.c_str(), bytes);
            cookies[i] = static_cast<DWORD>(values[i].second);
        }
        pCaStringsOut->cElems = static_cast<ULONG>(n);
        pCaStringsOut->pElems = strings;
        pCaCookiesOut->cElems = static_cast<ULONG>(n);
        pCaCookiesOut->pElems = cookies;
        return S_OK;
    } catch (...) {
        return HandleCurrentException();
    }
}

HRESULT TTxZRMediaPlayer::GetPredefinedValue(DISPID dispID, DWORD dwCookie, VARIANT* pVarOut) {
    if (!pVarOut) return E_POINTER;
    VariantInit(pVarOut);
    try {
        std::vector<std::pair<std::wstring, LONG>> values;
        HRESULT hr = EnumValues(dispID, values);
        if (FAILED(hr)) return hr;
        for (auto& v : values)
            if (static_cast<DWORD>(v.second) == dwCookie) {
                pVarOut->vt = VT_I4;
                pVarOut->lVal = v.second;
                return S_OK;
            }
        return E_INVALIDARG;
    } catch (...) {
        return HandleCurrentException();
    }
}
