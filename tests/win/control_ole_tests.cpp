// The control as an OLE object: the interfaces it answers, the object and view basics, persistence of the
// published settings through stream, storage and property bag, property-change notification, the
// conversions and failures at the COM boundary, quick activation and safety for untrusted callers.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "control_testkit.h"

namespace {

// A property bag kept in memory.
class TMemoryBag final : public IPropertyBag {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IPropertyBag) return E_NOINTERFACE;
        *ppv = static_cast<IPropertyBag*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* v, IErrorLog*) override {
        auto it = values.find(name);
        if (it == values.end()) return E_INVALIDARG;
        VARTYPE want = v->vt;
        VariantInit(v);
        if (want == VT_EMPTY) return VariantCopy(v, &it->second.v);
        return VariantChangeType(v, &it->second.v, 0, want);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* v) override {
        return VariantCopy(&values[name].v, v);
    }
    ULONG refs = 1;
    std::map<std::wstring, TVar> values;
};

class TNotifySink final : public IPropertyNotifySink {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IPropertyNotifySink) return E_NOINTERFACE;
        *ppv = static_cast<IPropertyNotifySink*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs;
        if (n == 0) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
    ULONG refs = 1;
    std::vector<DISPID> changed;
};

// Settings written before a save and compared after a load, read through IDispatch by name.
struct TSetting {
    const wchar_t* name;
    VARTYPE vt;
    const wchar_t* text;  // the value, as text
};
const TSetting kSettings[] = {
    {L"FilenameOrURL", VT_BSTR, L"C:\\media\\movie file.avi"},
    {L"Loop", VT_BOOL, L"-1"},
    {L"Screen_VideoRenderer", VT_I4, L"2"},
    {L"Background_Color", VT_I4, L"1193046"},
    {L"Selection_Active", VT_BOOL, L"-1"},
    {L"Selection_Start", VT_I4, L"1234"},
    {L"Screen_Zoom_Ratio", VT_I4, L"50"},
    {L"Screen_Aspect_Ratio_X", VT_I4, L"21"},
    {L"Video_Decoder", VT_BSTR, L"Some Decoder"},
    {L"Source_Mode", VT_I4, L"3"},
};

DISPID IdOf(IDispatch* d, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n[] = {const_cast<LPOLESTR>(name)};
    d->GetIDsOfNames(IID_NULL, n, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

HRESULT PutText(IDispatch* d, const wchar_t* name, const wchar_t* text) {
    TVar v;
    v.v.vt = VT_BSTR;
    v.v.bstrVal = SysAllocString(text);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p = {&v.v, &named, 1, 1};
    return d->Invoke(IdOf(d, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr);
}

std::wstring GetText(IDispatch* d, const wchar_t* name) {
    TVar v;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (FAILED(d->Invoke(IdOf(d, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &v.v, nullptr,
                         nullptr)))
        return L"<failed>";
    if (v.v.vt == VT_BOOL) return std::to_wstring(v.v.boolVal);
    if (FAILED(VariantChangeType(&v.v, &v.v, 0, VT_BSTR))) return L"<type>";
    return Text(v.v.bstrVal);
}

void WriteSettings(ITxZRMediaPlayer* c) {
    for (auto& s : kSettings) ASSERT_EQ(PutText(c, s.name, s.text), S_OK) << s.name;
}
void ExpectSettings(ITxZRMediaPlayer* c) {
    for (auto& s : kSettings) EXPECT_EQ(GetText(c, s.name), s.text) << s.name;
}

}  // namespace

// The interfaces of a standard OLE control, each the same object.
TEST(ControlOle, AnswersTheStandardInterfaces) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ASSERT_TRUE(c);
    const IID iids[] = {IID_ISupportErrorInfo, IID_IProvideClassInfo, IID_IDispatch, IID_IViewObject2,
                        IID_IViewObject, IID_ISpecifyPropertyPages, IID_ISimpleFrameSite, IID_IQuickActivate,
                        IID_IPersistStreamInit, IID_IPersistStorage, IID_IPersistPropertyBag,
                        IID_IPerPropertyBrowsing, IID_IOleObject, IID_IOleInPlaceObject, IID_IOleInPlaceActiveObject,
                        IID_IOleControl, IID_IObjectSafety, IID_IDataObject, IID_IConnectionPointContainer,
                        IID_ITxZRMediaPlayer, IID_IPersist, IID_IOleWindow};
    ComPtr<IUnknown> identity;
    ASSERT_EQ(c->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    for (auto& iid : iids) {
        ComPtr<IUnknown> p, back;
        ASSERT_EQ(c->QueryInterface(iid, p.PutVoid()), S_OK) << iid.Data1;
        ASSERT_EQ(p->QueryInterface(IID_IUnknown, back.PutVoid()), S_OK);
        EXPECT_EQ(back.Get(), identity.Get()) << iid.Data1;
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(c->QueryInterface(IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
}

TEST(ControlOle, ObjectAndViewBasics) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ASSERT_TRUE(c);
    ComPtr<IOleObject> ole = c.As<IOleObject>();
    DWORD misc = 0;
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, 0x20191u);
    CLSID clsid;
    EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TxZRMediaPlayer);
    LPOLESTR userType = nullptr;
    EXPECT_EQ(ole->GetUserType(USERCLASSTYPE_FULL, &userType), S_OK);
    EXPECT_STREQ(userType, L"TxZRMediaPlayer Control");
    CoTaskMemFree(userType);

    // One verb, 0, "Properties".
    ComPtr<IEnumOLEVERB> verbs;
    ASSERT_EQ(ole->EnumVerbs(verbs.Put()), S_OK);
    std::vector<std::pair<LONG, std::wstring>> seen;
    OLEVERB v;
    while (verbs->Next(1, &v, nullptr) == S_OK) {
        seen.emplace_back(v.lVerb, v.lpszVerbName ? v.lpszVerbName : L"");
        CoTaskMemFree(v.lpszVerbName);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 0);
    EXPECT_EQ(seen[0].second, L"Properties");

    ComPtr<IProvideClassInfo> pci = c.As<IProvideClassInfo>();
    ComPtr<ITypeInfo> cls;
    ASSERT_EQ(pci->GetClassInfo(cls.Put()), S_OK);
    TYPEATTR* ta = nullptr;
    cls->GetTypeAttr(&ta);
    EXPECT_EQ(ta->guid, CLSID_TxZRMediaPlayer);
    EXPECT_EQ(ta->typekind, TKIND_COCLASS);
    cls->ReleaseTypeAttr(ta);

    CAUUID pages = {5, nullptr};
    EXPECT_EQ(c.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
    EXPECT_EQ(pages.cElems, 0u);

    ComPtr<ISupportErrorInfo> sei = c.As<ISupportErrorInfo>();
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_ITxZRMediaPlayer), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);

    FORMATETC fe = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM sm = {};
    EXPECT_EQ(c.As<IDataObject>()->GetData(&fe, &sm), DV_E_FORMATETC);

    // The extent set is the extent of the view; a drawing is the background colour.
    SIZEL ext = {5080, 2540};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &ext), S_OK);
    SIZEL got = {};
    EXPECT_EQ(c.As<IViewObject2>()->GetExtent(DVASPECT_CONTENT, -1, nullptr, &got), S_OK);
    EXPECT_EQ(got.cx, 5080);
    EXPECT_EQ(got.cy, 2540);
    c->put_Background_Color(RGB(200, 20, 30));
    EXPECT_EQ(DrawnColour(c.Get()), RGB(200, 20, 30));
}

// The published settings survive a save and a load through each persistence interface.
TEST(ControlOle, PersistenceRoundTrips) {
    // Stream.
    {
        ComPtr<ITxZRMediaPlayer> a = CreateControl(), b = CreateControl();
        ComPtr<IPersistStreamInit> pa = a.As<IPersistStreamInit>(), pb = b.As<IPersistStreamInit>();
        EXPECT_EQ(pa->InitNew(), S_OK);
        EXPECT_EQ(pa->IsDirty(), S_FALSE);
        WriteSettings(a.Get());
        EXPECT_EQ(pa->IsDirty(), S_OK);
        ComPtr<IStream> s;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.Put()), S_OK);
        ULARGE_INTEGER max = {};
        EXPECT_EQ(pa->GetSizeMax(&max), S_OK);
        ASSERT_EQ(pa->Save(s.Get(), TRUE), S_OK);
        EXPECT_EQ(pa->IsDirty(), S_FALSE);
        STATSTG st = {};
        s->Stat(&st, STATFLAG_NONAME);
        EXPECT_EQ(st.cbSize.QuadPart, max.QuadPart);
        LARGE_INTEGER zero = {};
        s->Seek(zero, STREAM_SEEK_SET, nullptr);
        ASSERT_EQ(pb->Load(s.Get()), S_OK);
        ExpectSettings(b.Get());
        EXPECT_EQ(pb->IsDirty(), S_FALSE);
    }
    // Storage.
    {
        ComPtr<ITxZRMediaPlayer> a = CreateControl(), b = CreateControl();
        ComPtr<ILockBytes> bytes;
        ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
        ComPtr<IStorage> stg;
        ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                               stg.Put()),
                  S_OK);
        WriteSettings(a.Get());
        ComPtr<IPersistStorage> pa = a.As<IPersistStorage>();
        ASSERT_EQ(pa->Save(stg.Get(), FALSE), S_OK);
        EXPECT_EQ(pa->SaveCompleted(nullptr), S_OK);
        EXPECT_EQ(pa->IsDirty(), S_FALSE);
        ASSERT_EQ(stg->Commit(STGC_DEFAULT), S_OK);
        ASSERT_EQ(b.As<IPersistStorage>()->Load(stg.Get()), S_OK);
        ExpectSettings(b.Get());
    }
    // Property bag: one entry per setting under its name, with the setting's type; read-only and window
    // members are not saved.
    {
        ComPtr<ITxZRMediaPlayer> a = CreateControl(), b = CreateControl();
        WriteSettings(a.Get());
        auto* bag = new TMemoryBag();
        ASSERT_EQ(a.As<IPersistPropertyBag>()->Save(bag, TRUE, TRUE), S_OK);
        EXPECT_EQ(bag->values[L"Loop"].v.vt, VT_BOOL);
        EXPECT_EQ(bag->values[L"FilenameOrURL"].v.vt, VT_BSTR);
        EXPECT_EQ(bag->values.count(L"Status"), 0u);
        EXPECT_EQ(bag->values.count(L"Visible"), 0u);
        ASSERT_EQ(b.As<IPersistPropertyBag>()->Load(bag, nullptr), S_OK);
        ExpectSettings(b.Get());
        bag->Release();

        // A bag written by hand, with texts for every value, loads too; absent settings keep their defaults.
        auto* texts = new TMemoryBag();
        for (const wchar_t* name : {L"Loop", L"Selection_Stop"}) {
            texts->values[name].v.vt = VT_BSTR;
            texts->values[name].v.bstrVal = SysAllocString(std::wstring(name) == L"Loop" ? L"True" : L"777");
        }
        ComPtr<ITxZRMediaPlayer> c = CreateControl();
        ASSERT_EQ(c.As<IPersistPropertyBag>()->Load(texts, nullptr), S_OK);
        EXPECT_EQ(GetText(c.Get(), L"Loop"), L"-1");
        EXPECT_EQ(GetText(c.Get(), L"Selection_Stop"), L"777");
        EXPECT_EQ(GetText(c.Get(), L"Screen_VideoRenderer"), L"1");  // the player's default, VMR-9
        texts->Release();
    }
}

// An OLE system colour (the high bit set; 0x8000000F is the face of buttons, which form designers offer) keeps
// its 32 bits through every persistence path and through a late-bound read written back as it came: script
// hosts and property bags see it as a signed 32-bit number.
TEST(ControlOle, SystemColourPersistsAndRoundTrips) {
    const OLE_COLOR kButtonFace = 0x8000000F;
    const struct {
        const char* path;
        std::function<void(ITxZRMediaPlayer*, ITxZRMediaPlayer*)> copy;  // saves the first, loads the second
    } paths[] = {
        {"stream",
         [](ITxZRMediaPlayer* a, ITxZRMediaPlayer* b) {
             ComPtr<IStream> s;
             ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, s.Put()), S_OK);
             ASSERT_EQ(ComPtr<ITxZRMediaPlayer>(a).As<IPersistStreamInit>()->Save(s.Get(), TRUE), S_OK);
             LARGE_INTEGER zero = {};
             s->Seek(zero, STREAM_SEEK_SET, nullptr);
             ASSERT_EQ(ComPtr<ITxZRMediaPlayer>(b).As<IPersistStreamInit>()->Load(s.Get()), S_OK);
         }},
        {"storage",
         [](ITxZRMediaPlayer* a, ITxZRMediaPlayer* b) {
             ComPtr<ILockBytes> bytes;
             ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
             ComPtr<IStorage> stg;
             ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                                    0, stg.Put()),
                       S_OK);
             ASSERT_EQ(ComPtr<ITxZRMediaPlayer>(a).As<IPersistStorage>()->Save(stg.Get(), FALSE), S_OK);
             ASSERT_EQ(stg->Commit(STGC_DEFAULT), S_OK);
             ASSERT_EQ(ComPtr<ITxZRMediaPlayer>(b).As<IPersistStorage>()->Load(stg.Get()), S_OK);
         }},
        {"property bag",
         [](ITxZRMediaPlayer* a, ITxZRMediaPlayer* b) {
             auto* bag = new TMemoryBag();
             ASSERT_EQ(ComPtr<ITxZRMediaPlayer>(a).As<IPersistPropertyBag>()->Save(bag, TRUE, TRUE), S_OK);
             EXPECT_EQ(bag->values[L"Background_Color"].v.vt, VT_I4);
             EXPECT_EQ(bag->values[L"Background_Color"].v.lVal, static_cast<LONG>(0x8000000F));
             EXPECT_EQ(ComPtr<ITxZRMediaPlayer>(b).As<IPersistPropertyBag>()->Load(bag, nullptr), S_OK);
             bag->Release();
         }},
    };
    for (auto& p : paths) {
        SCOPED_TRACE(p.path);
        ComPtr<ITxZRMediaPlayer> a = CreateControl(), b = CreateControl();
        ASSERT_EQ(a->put_Background_Color(kButtonFace), S_OK);
        p.copy(a.Get(), b.Get());
        OLE_COLOR got = 0;
        EXPECT_EQ(b->get_Background_Color(&got), S_OK);
        EXPECT_EQ(got, kButtonFace);
    }

    // A bag that holds the colour as text, as a page's PARAM element or a form file gives it.
    {
        ComPtr<ITxZRMediaPlayer> b = CreateControl();
        auto* texts = new TMemoryBag();
        texts->values[L"Background_Color"].v.vt = VT_BSTR;
        texts->values[L"Background_Color"].v.bstrVal = SysAllocString(L"-2147483633");
        EXPECT_EQ(b.As<IPersistPropertyBag>()->Load(texts, nullptr), S_OK);
        OLE_COLOR got = 0;
        b->get_Background_Color(&got);
        EXPECT_EQ(got, kButtonFace);
        texts->Release();
    }

    // Late-bound: the colour written as scripts and form files hold it, then read and written back.
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    const DISPID id = IdOf(c.Get(), L"Background_Color");
    DISPID named = DISPID_PROPERTYPUT;
    auto putVariant = [&](VARIANT* value) {
        DISPPARAMS put = {value, &named, 1, 1};
        return c->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr);
    };
    const struct {
        VARTYPE vt;
        LONG i4;
        double r8;
        const wchar_t* text;
    } forms[] = {
        {VT_I4, static_cast<LONG>(kButtonFace), 0, nullptr},
        {VT_R8, 0, 2147483663.0, nullptr},
        {VT_BSTR, 0, 0, L"-2147483633"},
        {VT_BSTR, 0, 0, L"&H8000000F"},
    };
    for (auto& f : forms) {
        SCOPED_TRACE(f.vt);
        ASSERT_EQ(c->put_Background_Color(0), S_OK);
        TVar v;
        v.v.vt = f.vt;
        if (f.vt == VT_I4) v.v.lVal = f.i4;
        else if (f.vt == VT_R8) v.v.dblVal = f.r8;
        else v.v.bstrVal = SysAllocString(f.text);
        EXPECT_EQ(putVariant(&v.v), S_OK);
        OLE_COLOR got = 0;
        c->get_Background_Color(&got);
        EXPECT_EQ(got, kButtonFace);
    }
    TVar read;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(c->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &read.v, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(read.v.vt, VT_I4);
    EXPECT_EQ(read.v.lVal, static_cast<LONG>(kButtonFace));
    ASSERT_EQ(c->put_Background_Color(0), S_OK);
    EXPECT_EQ(putVariant(&read.v), S_OK);
    OLE_COLOR got = 0;
    c->get_Background_Color(&got);
    EXPECT_EQ(got, kButtonFace);
}

// A damaged stream is refused without taking anything from it; an unknown setting in it is passed over.
TEST(ControlOle, DamagedAndNewerStreams) {
    // The saved layout: magic, version, count, then per setting its identifier (4 bytes), its VARTYPE (2)
    // and its value.
    struct Bytes {
        std::vector<BYTE> b;
        Bytes& D(DWORD v) { return Raw(&v, 4); }
        Bytes& W(WORD v) { return Raw(&v, 2); }
        Bytes& Raw(const void* p, size_t n) {
            b.insert(b.end(), static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
            return *this;
        }
    };
    auto load = [](const Bytes& bytes, ITxZRMediaPlayer* c) {
        ComPtr<IStream> s;
        CreateStreamOnHGlobal(nullptr, TRUE, s.Put());
        s->Write(bytes.b.data(), static_cast<ULONG>(bytes.b.size()), nullptr);
        LARGE_INTEGER zero = {};
        s->Seek(zero, STREAM_SEEK_SET, nullptr);
        return ComPtr<ITxZRMediaPlayer>(c).As<IPersistStreamInit>()->Load(s.Get());
    };
    const DWORD magic = 0x504D525A;
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    EXPECT_EQ(load(Bytes().D(0x12345678).D(1).D(0), c.Get()), E_FAIL);  // not a saved control
    EXPECT_EQ(load(Bytes().D(magic).D(1).D(1).D(0x220).W(VT_BSTR), c.Get()), E_FAIL);  // cut short
    EXPECT_EQ(LastErrorInfo().second, L"Zantorival_Media_Player_AX.TxZRMediaPlayer");
    // A text length no saved setting can have: refused before anything is allocated for it.
    EXPECT_EQ(load(Bytes().D(magic).D(1).D(1).D(0x220).W(VT_BSTR).D(0xFFFFFFF0), c.Get()), E_FAIL);
    TBstr name;
    c->get_FilenameOrURL(name.Out());
    EXPECT_EQ(name.str(), L"");
    // An entry this version does not know, then Loop = true.
    EXPECT_EQ(load(Bytes().D(magic).D(1).D(2).D(0x7777).W(VT_I4).D(5).D(0x20F).W(VT_BOOL).W(0xFFFF), c.Get()), S_OK);
    VARIANT_BOOL loop = VARIANT_FALSE;
    c->get_Loop(&loop);
    EXPECT_EQ(loop, VARIANT_TRUE);
}

// Any number of property-notification sinks hear every successful write.
TEST(ControlOle, PropertyNotifySinks) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    auto* s1 = new TNotifySink();
    auto* s2 = new TNotifySink();
    DWORD c1 = 0, c2 = 0;
    ASSERT_EQ(Connect(c.Get(), IID_IPropertyNotifySink, s1, &c1), S_OK);
    ASSERT_EQ(Connect(c.Get(), IID_IPropertyNotifySink, s2, &c2), S_OK);
    EXPECT_NE(c1, c2);
    c->put_Loop(VARIANT_TRUE);
    c->put_Background_Color(0x00FF00);
    TBstr bad(std::wstring(L"a\0b", 3));
    EXPECT_EQ(c->put_FilenameOrURL(bad.b), E_INVALIDARG);
    EXPECT_EQ(s1->changed, (std::vector<DISPID>{0x20F, 0x217}));
    EXPECT_EQ(s2->changed, s1->changed);
    EXPECT_EQ(Disconnect(c.Get(), IID_IPropertyNotifySink, c1), S_OK);
    c->put_Screen_Stretch(VARIANT_TRUE);
    EXPECT_EQ(s1->changed.size(), 2u);
    EXPECT_EQ(s2->changed.back(), 0x234);
    Disconnect(c.Get(), IID_IPropertyNotifySink, c2);
    s1->Release();
    s2->Release();
}

// Enumerated settings offer their names and values to a property browser.
TEST(ControlOle, PerPropertyBrowsing) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ComPtr<IPerPropertyBrowsing> ppb = c.As<IPerPropertyBrowsing>();
    CALPOLESTR names = {};
    CADWORD cookies = {};
    ASSERT_EQ(ppb->GetPredefinedStrings(0x235, &names, &cookies), S_OK);
    std::vector<std::wstring> seen;
    for (ULONG i = 0; i < names.cElems; ++i) {
        seen.push_back(names.pElems[i]);
        EXPECT_EQ(cookies.pElems[i], i);
        CoTaskMemFree(names.pElems[i]);
    }
    CoTaskMemFree(names.pElems);
    CoTaskMemFree(cookies.pElems);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"VR_VideoRenderer", L"VR_VMR9", L"VR_EVR", L"VR_NONE"}));
    TVar v;
    EXPECT_EQ(ppb->GetPredefinedValue(0x235, 2, &v.v), S_OK);
    EXPECT_EQ(v.v.vt, VT_I4);
    EXPECT_EQ(v.v.lVal, 2);
    c->put_Screen_VideoRenderer(3);
    TBstr shown;
    EXPECT_EQ(ppb->GetDisplayString(0x235, shown.Out()), S_OK);
    EXPECT_EQ(shown.str(), L"VR_NONE");
    EXPECT_EQ(ppb->GetPredefinedStrings(0x220, &names, &cookies), E_NOTIMPL);  // FilenameOrURL
    CLSID page;
    EXPECT_EQ(ppb->MapPropertyToPage(0x235, &page), PERPROP_E_NOPAGEAVAILABLE);
}

// Conversions at the boundary, and failures as HRESULTs with error information from the control.
TEST(ControlOle, BoundaryConversionsAndFailures) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    // BOOL in: any non-zero 16-bit value is true; out: -1 or 0.
    for (VARIANT_BOOL in : {static_cast<VARIANT_BOOL>(1), static_cast<VARIANT_BOOL>(-1),
                            static_cast<VARIANT_BOOL>(0x8000), static_cast<VARIANT_BOOL>(0)}) {
        VARIANT_BOOL out = 5;
        c->put_Selection_Active(in);
        c->get_Selection_Active(&out);
        EXPECT_EQ(out, in ? VARIANT_TRUE : VARIANT_FALSE) << in;
    }
    // Enumerations: the low byte goes in, zero-extended out.
    for (auto [in, out] : std::vector<std::pair<LONG, LONG>>{{0x103, 3}, {-1, 255}, {0x7FFFFF02, 2}}) {
        LONG got = -5;
        c->put_Screen_VideoRenderer(in);
        c->get_Screen_VideoRenderer(&got);
        EXPECT_EQ(got, out) << in;
    }
    EXPECT_EQ(c->Test(), S_OK);
    EXPECT_EQ(c->get_Status(nullptr), E_POINTER);

    // A refused argument: E_INVALIDARG with the control's error information.
    TBstr bad(std::wstring(L"movie.avi\0.txt", 14));
    EXPECT_EQ(c->put_FilenameOrURL(bad.b), E_INVALIDARG);
    auto [text, source] = LastErrorInfo();
    EXPECT_EQ(text, L"A text argument contains a null character.");
    EXPECT_EQ(source, L"Zantorival_Media_Player_AX.TxZRMediaPlayer");

    // Through IDispatch the same failure is an exception.
    TVar arg;
    arg.v.vt = VT_BSTR;
    arg.v.bstrVal = SysAllocStringLen(L"a\0b", 3);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p = {&arg.v, &named, 1, 1};
    EXCEPINFO ex = {};
    EXPECT_EQ(c->Invoke(0x220, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &p, nullptr, &ex, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, E_INVALIDARG);
    EXPECT_EQ(Text(ex.bstrSource), L"Zantorival_Media_Player_AX.TxZRMediaPlayer");
    EXPECT_EQ(Text(ex.bstrDescription), L"A text argument contains a null character.");
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);

    // Status has no put accessor; members of parts not built are not there.
    TVar one;
    one.v.vt = VT_I4;
    one.v.lVal = 1;
    DISPPARAMS put = {&one.v, &named, 1, 1};
    EXPECT_TRUE(FAILED(c->Invoke(0x23D, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                                 nullptr)));
    EXPECT_EQ(IdOf(c.Get(), L"Audio_Effects_Add"), DISPID_UNKNOWN);
    EXPECT_EQ(IdOf(c.Get(), L"DVD_Title_Play"), DISPID_UNKNOWN);
}

// A host that marks its caller untrusted: the members that change the system or open dialogs are refused.
TEST(ControlOle, UntrustedCaller) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ComPtr<IObjectSafety> safety;
    ASSERT_EQ(c->QueryInterface(IID_IObjectSafety, safety.PutVoid()), S_OK);
    DWORD supported = 0, enabled = 0;
    ASSERT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
    EXPECT_EQ(supported, DWORD(INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA));
    EXPECT_EQ(enabled, 0u);
    ASSERT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                INTERFACESAFE_FOR_UNTRUSTED_CALLER),
              S_OK);
    TBstr name(L"no such filter");
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(c->DirectShow_Filter_Merit_Set(name.b, 0x600000, &ok), E_ACCESSDENIED);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(LastErrorInfo().first, L"This member is not available to an untrusted caller.");
    EXPECT_EQ(c->DirectShow_Filter_Show_Dialog(name.b, 0), E_ACCESSDENIED);
    LONG merit = -1;
    EXPECT_EQ(c->DirectShow_Filter_Merit_Get(name.b, &merit), S_OK);  // reading is allowed
    ASSERT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 0), S_OK);
    EXPECT_EQ(c->DirectShow_Filter_Merit_Set(name.b, 0x600000, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);  // no such filter
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IOleObject, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                INTERFACESAFE_FOR_UNTRUSTED_CALLER),
              E_NOINTERFACE);
}

// Quick activation: the container's site, events sink and notification sink in one call.
TEST(ControlOle, QuickActivate) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    auto* site = new TTestSite(SharedHostWindow(), RECT{0, 0, 100, 100});
    auto* events = new TRecordingSink();
    auto* notify = new TNotifySink();
    QACONTAINER qc = {};
    qc.cbSize = sizeof(qc);
    qc.pClientSite = site;
    qc.pUnkEventSink = events;
    qc.pPropertyNotifySink = notify;
    qc.dwAmbientFlags = QACONTAINER_USERMODE;
    QACONTROL ctl = {};
    ctl.cbSize = sizeof(ctl);
    ASSERT_EQ(c.As<IQuickActivate>()->QuickActivate(&qc, &ctl), S_OK);
    EXPECT_EQ(ctl.dwMiscStatus, 0x20191u);
    EXPECT_EQ(ctl.dwViewStatus, DWORD(VIEWSTATUS_OPAQUE));
    EXPECT_NE(ctl.dwEventCookie, 0u);
    EXPECT_NE(ctl.dwPropNotifyCookie, 0u);
    ComPtr<IOleClientSite> got;
    c.As<IOleObject>()->GetClientSite(got.Put());
    EXPECT_EQ(got.Get(), static_cast<IOleClientSite*>(site));
    c->put_Loop(VARIANT_TRUE);
    EXPECT_EQ(notify->changed, std::vector<DISPID>{0x20F});
    DWORD second = 0;
    EXPECT_EQ(Connect(c.Get(), DIID_ITxZRMediaPlayerEvents, events, &second), CONNECT_E_CANNOTCONNECT);
    Disconnect(c.Get(), DIID_ITxZRMediaPlayerEvents, ctl.dwEventCookie);
    Disconnect(c.Get(), IID_IPropertyNotifySink, ctl.dwPropNotifyCookie);
    CloseInPlace(c.Get());
    c = nullptr;
    site->Release();
    events->Release();
    notify->Release();
}
