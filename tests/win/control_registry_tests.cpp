// The control as a host finds it: the registration keys, the embedded type library read back through
// ITypeLib/ITypeInfo (identities, versions, flags, dispatch identifiers, parameter and event types), the
// toolbox bitmap, and unregistration.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "control_testkit.h"
#include "graph/sysdevenum.h"
#include "player/types.h"
#include "video/dsscreen.h"

namespace {

const wchar_t kProgID[] = L"Zantorival_Media_Player_AX.TxZRMediaPlayer";
const wchar_t kClsid[] = L"{0697F6C8-7427-4691-8AD9-34F657C06AF0}";
const wchar_t kLibid[] = L"{E5B7460D-CEA6-4C21-8DF0-4CA41D154FAF}";

std::wstring Guid(REFGUID g) {
    wchar_t b[64] = {};
    StringFromGUID2(g, b, 64);
    return b;
}

// The default (or named) value of a key under the classes root; "<missing>" when there is none.
std::wstring RegValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf), type = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, &type, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}
bool KeyExists(const std::wstring& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::wstring ControlDll() {
    wchar_t buf[MAX_PATH] = {};
    GetEnvironmentVariableW(L"ZR_CONTROL_DLL", buf, MAX_PATH);
    return buf;
}

// Calls an export of a loaded control DLL.
HRESULT CallExport(HMODULE m, const char* name) {
    auto f = reinterpret_cast<HRESULT(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    return f ? f() : E_NOTIMPL;
}

ComPtr<ITypeLib> RegisteredLibrary() {
    ComPtr<ITypeLib> lib;
    GUID libid;
    CLSIDFromString(kLibid, &libid);
    EXPECT_EQ(LoadRegTypeLib(libid, 6, 0, 0x0409, lib.Put()), S_OK);
    return lib;
}

ComPtr<ITypeInfo> TypeByName(ITypeLib* lib, const wchar_t* name) {
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        ComPtr<ITypeInfo> ti;
        TBstr n;
        if (SUCCEEDED(lib->GetTypeInfo(i, ti.Put())) && SUCCEEDED(ti->GetDocumentation(-1, n.Out(), nullptr, nullptr, nullptr)) &&
            n.str() == name)
            return ti;
    }
    return {};
}

struct TAttr {
    TYPEKIND kind;
    std::wstring guid;
    WORD major, minor, flags;
    WORD funcs, vars, impls;
};
TAttr Attr(ITypeInfo* ti) {
    TYPEATTR* a = nullptr;
    EXPECT_EQ(ti->GetTypeAttr(&a), S_OK);
    TAttr r{a->typekind, Guid(a->guid), a->wMajorVerNum, a->wMinorVerNum, a->wTypeFlags, a->cFuncs, a->cVars,
            a->cImplTypes};
    ti->ReleaseTypeAttr(a);
    return r;
}
std::wstring Help(ITypeInfo* ti, MEMBERID id = -1) {
    TBstr h;
    ti->GetDocumentation(id, nullptr, h.Out(), nullptr, nullptr);
    return h.str();
}

// A type as text: I4, BSTR, BOOL, UI4, I2, R8, VOID, HRESULT, BOOL* (by reference), or the name of a user type.
std::wstring TypeText(ITypeInfo* ti, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_I2: return L"I2";
    case VT_I4: return L"I4";
    case VT_UI4: return L"UI4";
    case VT_R8: return L"R8";
    case VT_BSTR: return L"BSTR";
    case VT_BOOL: return L"BOOL";
    case VT_VOID: return L"VOID";
    case VT_HRESULT: return L"HRESULT";
    case VT_PTR: return TypeText(ti, *t.lptdesc) + L"*";
    case VT_USERDEFINED: {
        ComPtr<ITypeInfo> r;
        TBstr n;
        if (SUCCEEDED(ti->GetRefTypeInfo(t.hreftype, r.Put()))) r->GetDocumentation(-1, n.Out(), nullptr, nullptr, nullptr);
        return n.str();
    }
    default: return L"vt" + std::to_wstring(t.vt);
    }
}

// One function of a type: its parameters' types in order, and the return type.
struct TFunc {
    MEMBERID id;
    INVOKEKIND kind;
    std::wstring ret;
    std::vector<std::wstring> params;
    std::vector<USHORT> paramFlags;
};
std::vector<TFunc> Funcs(ITypeInfo* ti) {
    std::vector<TFunc> r;
    const TAttr a = Attr(ti);
    for (WORD i = 0; i < a.funcs; ++i) {
        FUNCDESC* fd = nullptr;
        if (FAILED(ti->GetFuncDesc(i, &fd))) continue;
        TFunc f{fd->memid, fd->invkind, TypeText(ti, fd->elemdescFunc.tdesc), {}, {}};
        for (SHORT p = 0; p < fd->cParams; ++p) {
            f.params.push_back(TypeText(ti, fd->lprgelemdescParam[p].tdesc));
            f.paramFlags.push_back(fd->lprgelemdescParam[p].paramdesc.wParamFlags);
        }
        ti->ReleaseFuncDesc(fd);
        r.push_back(f);
    }
    return r;
}

}  // namespace

// Every key of the registration, with the DLL's own path (it has no blank in the test build).
TEST(ControlRegistry, KeysAsRegistered) {
    const std::wstring dll = ControlDll();
    ASSERT_FALSE(dll.empty());
    ASSERT_EQ(dll.find(L' '), std::wstring::npos);
    const std::wstring c = std::wstring(L"CLSID\\") + kClsid;
    struct Row {
        std::wstring key;
        const wchar_t* name;
        std::wstring expected;
    } rows[] = {
        {c, nullptr, L"TxZRMediaPlayer Control"},
        {c + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {kProgID, nullptr, L"TxZRMediaPlayer Control"},
        {std::wstring(kProgID) + L"\\Clsid", nullptr, kClsid},
        {c + L"\\ProgID", nullptr, kProgID},
        {c + L"\\Version", nullptr, L"6.0"},
        {c + L"\\TypeLib", nullptr, kLibid},
        {c + L"\\MiscStatus", nullptr, L"0"},
        {c + L"\\MiscStatus\\1", nullptr, L"131473"},
        {c + L"\\ToolboxBitmap32", nullptr, dll + L",1"},
        {c + L"\\Control", nullptr, L""},
        {c + L"\\Verb", nullptr, L""},
        {c + L"\\Verb\\0", nullptr, L"Properties,0,2"},
    };
    for (auto& r : rows) EXPECT_EQ(RegValue(r.key, r.name), r.expected) << r.key;
    EXPECT_EQ(_wcsicmp(RegValue(c + L"\\InprocServer32").c_str(), dll.c_str()), 0) << RegValue(c + L"\\InprocServer32");

    // The type library is registered for this process's platform, pointing at the DLL.
    const std::wstring win = sizeof(void*) == 8 ? L"win64" : L"win32";
    EXPECT_EQ(_wcsicmp(RegValue(std::wstring(L"TypeLib\\") + kLibid + L"\\6.0\\409\\" + win).c_str(), dll.c_str()), 0);

    // The ProgID leads to the class; the toolbox bitmap and the type library are resources 1 of the DLL.
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(kProgID, &clsid), S_OK);
    EXPECT_EQ(Guid(clsid), kClsid);
    HMODULE data = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(FindResourceW(data, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(2) /* RT_BITMAP */), nullptr);
    EXPECT_NE(FindResourceW(data, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
    FreeLibrary(data);
}

// Registered from a folder with a blank in its name, the class points at the DLL's short path; unregistering
// removes every key and the type library's registration, and a control made by the unregistered DLL still
// answers its user type. The original registration is restored afterwards.
TEST(ControlRegistry, ShortPathWithBlankAndUnregistration) {
    const std::wstring dll = ControlDll();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"zr control test";
    const std::wstring copy = dir + L"\\ZRMediaPlayer.dll";
    CreateDirectoryW(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(dll.c_str(), copy.c_str(), FALSE));
    const std::wstring c = std::wstring(L"CLSID\\") + kClsid;

    HMODULE m = LoadLibraryW(copy.c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(CallExport(m, "DllRegisterServer"), S_OK);
    const std::wstring server = RegValue(c + L"\\InprocServer32");
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(copy.c_str(), shortPath, MAX_PATH);
    EXPECT_EQ(server.find(L' '), std::wstring::npos) << server;
    EXPECT_EQ(_wcsicmp(server.c_str(), shortPath), 0) << server;
    EXPECT_EQ(RegValue(c + L"\\ToolboxBitmap32"), server + L",1");

    // Unregistration: every key of the class and the ProgID, and the type library, are gone.
    EXPECT_EQ(CallExport(m, "DllUnregisterServer"), S_OK);
    for (const std::wstring& key : {c, std::wstring(kProgID), std::wstring(L"TypeLib\\") + kLibid + L"\\6.0"})
        EXPECT_FALSE(KeyExists(key)) << key;
    CLSID clsid;
    EXPECT_NE(CLSIDFromProgID(kProgID, &clsid), S_OK);

    // Used without registration (a host that loads the DLL itself), the control still names its type.
    {
        auto getClassObject = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(m, "DllGetClassObject")));
        ASSERT_NE(getClassObject, nullptr);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_TxZRMediaPlayer, IID_IClassFactory, factory.PutVoid()), S_OK);
        ComPtr<IOleObject> ole;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, ole.PutVoid()), S_OK);
        for (DWORD form : {USERCLASSTYPE_FULL, USERCLASSTYPE_SHORT, USERCLASSTYPE_APPNAME}) {
            LPOLESTR type = nullptr;
            EXPECT_EQ(ole->GetUserType(form, &type), S_OK) << form;
            EXPECT_STREQ(type, L"TxZRMediaPlayer Control") << form;
            CoTaskMemFree(type);
        }
    }
    EXPECT_EQ(CallExport(m, "DllCanUnloadNow"), S_OK);
    FreeLibrary(m);

    // Back to the registration of the build's DLL.
    HMODULE orig = LoadLibraryW(dll.c_str());
    ASSERT_NE(orig, nullptr);
    EXPECT_EQ(CallExport(orig, "DllRegisterServer"), S_OK);
    EXPECT_EQ(_wcsicmp(RegValue(c + L"\\InprocServer32").c_str(), dll.c_str()), 0);
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(dir.c_str());
}

// The library, the interface, the events and the class: names, identities, version 6.0, flags, help strings.
TEST(ControlTypeLibrary, Identities) {
    ComPtr<ITypeLib> lib = RegisteredLibrary();
    ASSERT_TRUE(lib);
    TLIBATTR* la = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
    EXPECT_EQ(Guid(la->guid), kLibid);
    EXPECT_EQ(la->wMajorVerNum, 6);
    EXPECT_EQ(la->wMinorVerNum, 0);
    EXPECT_EQ(la->lcid, 0x0409u);
    EXPECT_TRUE(la->wLibFlags & LIBFLAG_FCONTROL);
    lib->ReleaseTLibAttr(la);
    TBstr name;
    lib->GetDocumentation(-1, name.Out(), nullptr, nullptr, nullptr);
    EXPECT_EQ(name.str(), L"Zantorival_Media_Player_AX");

    struct Row {
        const wchar_t* name;
        TYPEKIND kind;
        const wchar_t* guid;
        WORD flags;
        const wchar_t* help;
    } rows[] = {
        {L"ITxZRMediaPlayer", TKIND_DISPATCH, L"{BAAC348B-AD59-4F6D-A305-66F472F11E17}",
         TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE, L"Dispatch interface for TxZRMediaPlayer Control"},
        {L"ITxZRMediaPlayerEvents", TKIND_DISPATCH, L"{8F8AFF29-B702-4DFD-BB72-85257F4BA654}", TYPEFLAG_FDISPATCHABLE,
         L"Events interface for TxZRMediaPlayer Control"},
        {L"TxZRMediaPlayer", TKIND_COCLASS, kClsid, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, L"TxZRMediaPlayer Control"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.name);
        ComPtr<ITypeInfo> ti = TypeByName(lib.Get(), r.name);
        ASSERT_TRUE(ti);
        TAttr a = Attr(ti.Get());
        EXPECT_EQ(a.kind, r.kind);
        EXPECT_EQ(a.guid, r.guid);
        EXPECT_EQ(a.major, 6);
        EXPECT_EQ(a.minor, 0);
        EXPECT_EQ(a.flags & r.flags, r.flags);
        EXPECT_EQ(Help(ti.Get()), r.help);
    }

    // The vtable side of the dual interface: dual, OLE automation, dispatchable, derived from IDispatch.
    ComPtr<ITypeInfo> disp = TypeByName(lib.Get(), L"ITxZRMediaPlayer");
    HREFTYPE h = 0;
    ASSERT_EQ(disp->GetRefTypeOfImplType(-1, &h), S_OK);
    ComPtr<ITypeInfo> vtbl;
    ASSERT_EQ(disp->GetRefTypeInfo(h, vtbl.Put()), S_OK);
    TAttr va = Attr(vtbl.Get());
    EXPECT_EQ(va.kind, TKIND_INTERFACE);
    const WORD dualFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
    EXPECT_EQ(va.flags & dualFlags, dualFlags);
    ASSERT_EQ(vtbl->GetRefTypeOfImplType(0, &h), S_OK);
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(vtbl->GetRefTypeInfo(h, base.Put()), S_OK);
    EXPECT_EQ(Attr(base.Get()).guid, Guid(IID_IDispatch));

    // The class: default interface and default source.
    ComPtr<ITypeInfo> cls = TypeByName(lib.Get(), L"TxZRMediaPlayer");
    ASSERT_EQ(Attr(cls.Get()).impls, 2);
    for (UINT i = 0; i < 2; ++i) {
        INT f = 0;
        cls->GetImplTypeFlags(i, &f);
        cls->GetRefTypeOfImplType(i, &h);
        ComPtr<ITypeInfo> ref;
        cls->GetRefTypeInfo(h, ref.Put());
        TBstr n;
        ref->GetDocumentation(-1, n.Out(), nullptr, nullptr, nullptr);
        if (n.str() == L"ITxZRMediaPlayer") EXPECT_EQ(f, IMPLTYPEFLAG_FDEFAULT);
        else if (n.str() == L"ITxZRMediaPlayerEvents") EXPECT_EQ(f, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
        else ADD_FAILURE() << "unexpected interface of the class";
    }
}

// The 24 enumerations: identity, version, and values 0 to n-1 from the first to the last name.
TEST(ControlTypeLibrary, Enumerations) {
    ComPtr<ITypeLib> lib = RegisteredLibrary();
    ASSERT_TRUE(lib);
    struct Row {
        const wchar_t* name;
        const wchar_t* guid;
        int count;
        const wchar_t* first;
        const wchar_t* last;
    } rows[] = {
        {L"TxZRAudioEffectType", L"{83BD7877-AFFB-4567-B4DA-25952F4AFB7D}", 29, L"AE_Amplify", L"AE_ParametricEQ"},
        {L"TxZRFFTSize", L"{0466ED91-9F12-4765-ACDA-5E5F41E18B72}", 13, L"fts2", L"fts8192"},
        {L"TxZRPropertyPage", L"{836AD5C9-435B-4CE8-9003-87AB840CAE4F}", 6, L"ppDefault", L"ppVFWCompAbout"},
        {L"TxZRDVDMenu", L"{AB19AE9D-188D-4102-B1BC-A7E5A3889832}", 6, L"MN_Title", L"MN_Chapter"},
        {L"TxZRDVDDisplayMode", L"{72706AEE-9E36-4EB6-A271-48048CE27BEE}", 4, L"DDM_Default", L"DDM_4x3_LETTERBOX"},
        {L"TxZRImageFormat", L"{E26706CB-043B-4DD2-A444-69B32BDB112D}", 5, L"IM_BMP", L"IM_TIFF"},
        {L"TxZRFilePlayError", L"{A47C2801-F18F-4555-9B44-2BF2544120C6}", 13, L"ZR_FP_OK", L"ZR_FP_FAIL"},
        {L"TxZRTextEffectMode", L"{8FE5C7A4-7AB4-45C6-AA9E-8865310AD172}", 8, L"bm_none", L"bm_halo"},
        {L"TxZRTextGradientMode", L"{A00BBCBA-4FA3-4986-BAAC-0BC58CC3445E}", 4, L"gm_horizontal", L"gm_backward_diagonal"},
        {L"TxZRTextRotationMode", L"{2E6E22CC-E009-4B1A-AE89-D3174C569F6E}", 4, L"rm_none", L"rm_270"},
        {L"TxZRTextFlipMode", L"{E4FEE66D-EED6-48D7-9EB0-73952E7CC4CB}", 4, L"fm_none", L"fm_x_and_y"},
        {L"TxZRTextShapeType", L"{FC9CF231-5DD4-4B64-824A-04B5806EACE4}", 2, L"st_rectangle", L"st_ellipse"},
        {L"TxZRTextAlign", L"{AB6A834B-26C7-47C6-AEDF-FADE45B1CE1C}", 3, L"al_left", L"al_right"},
        {L"TxZRTextAntialiasingMode", L"{BCEDBC37-EB46-4450-AE97-84E647C3CF7E}", 6, L"am_system_default", L"am_ClearTypeGridFit"},
        {L"TxZRTextDrawMode", L"{46CE5004-02E6-4B37-9CFC-437692B1A0EB}", 8, L"dq_bicubic_hq", L"dq_system_default"},
        {L"TxZREffectType", L"{560FD83C-F398-4603-8E56-147D799C592C}", 36, L"ef_text_logo", L"ef_deint_cavt"},
        {L"TxZRBGImageDrawMode", L"{5825C312-540A-46BD-A595-67CF6B9D258A}", 3, L"DM_Center", L"DM_Repeat"},
        {L"TxZRChromaColor", L"{362DDD8A-2665-4728-BF1D-07864E396899}", 3, L"Chroma_Red", L"Chroma_Blue"},
        {L"TxZRVideoRenderer", L"{36A06770-6D4D-4293-ADDF-187879C71CA5}", 4, L"VR_VideoRenderer", L"VR_NONE"},
        {L"TxZRSourceMode", L"{54E8BE8D-15D0-41C7-9D24-54E5EBE0BC6F}", 4, L"SM_File", L"SM_MMS_WMV"},
        {L"TxZRPlayerStatus", L"{B3552EB2-499C-40F5-928A-2164019318B5}", 3, L"ST_PLAY", L"ST_FREE"},
        {L"TxZRResizeMode", L"{0704D055-DF8C-465F-9924-414D126454F3}", 5, L"rm_CropOnly", L"rm_Lancroz"},
        {L"TxZRDVDDomain", L"{AA299DA2-6B9D-4DCD-9D70-BB738988866E}", 5, L"DC_FirstPlay", L"DC_Stop"},
        {L"TxZRMouseButton", L"{FB729C70-0ACE-4044-AB69-C1E73E66F8F9}", 5, L"MB_LEFT", L"MB_X2"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.name);
        ComPtr<ITypeInfo> ti = TypeByName(lib.Get(), r.name);
        ASSERT_TRUE(ti);
        TAttr a = Attr(ti.Get());
        EXPECT_EQ(a.kind, TKIND_ENUM);
        EXPECT_EQ(a.guid, r.guid);
        EXPECT_EQ(a.major, 6);
        EXPECT_EQ(a.minor, 0);
        ASSERT_EQ(a.vars, r.count);
        for (WORD i = 0; i < a.vars; ++i) {
            VARDESC* vd = nullptr;
            ASSERT_EQ(ti->GetVarDesc(i, &vd), S_OK);
            TBstr n;
            ti->GetDocumentation(vd->memid, n.Out(), nullptr, nullptr, nullptr);
            EXPECT_EQ(V_I4(vd->lpvarValue), i) << n.str();
            if (i == 0) {
                EXPECT_EQ(n.str(), r.first);
            }
            if (i + 1 == a.vars) {
                EXPECT_EQ(n.str(), r.last);
            }
            ti->ReleaseVarDesc(vd);
        }
    }

    // The enumerations the player itself declares carry the same values under the same names.
    struct Shared {
        const wchar_t* type;
        const wchar_t* name;
        int value;
    } shared[] = {
        {L"TxZRPlayerStatus", L"ST_PAUSE", ST_PAUSE}, {L"TxZRPlayerStatus", L"ST_FREE", ST_FREE},
        {L"TxZRSourceMode", L"SM_DVD", SM_DVD}, {L"TxZRSourceMode", L"SM_MMS_WMV", SM_MMS_WMV},
        {L"TxZRBGImageDrawMode", L"DM_Repeat", DM_Repeat}, {L"TxZRChromaColor", L"Chroma_Blue", Chroma_Blue},
        {L"TxZRResizeMode", L"rm_Lancroz", rm_Lancroz}, {L"TxZRMouseButton", L"MB_X1", MB_X1},
        {L"TxZRDVDDomain", L"DC_Title", DC_Title}, {L"TxZRPropertyPage", L"ppVFWCompConfig", ppVFWCompConfig},
        {L"TxZRFilePlayError", L"ZR_FP_UNKNOWN_FILE_TYPE", ZR_FP_UNKNOWN_FILE_TYPE},
        {L"TxZRVideoRenderer", L"VR_EVR", VR_EVR}, {L"TxZRVideoRenderer", L"VR_NONE", VR_NONE},
    };
    for (auto& s : shared) {
        ComPtr<ITypeInfo> ti = TypeByName(lib.Get(), s.type);
        ASSERT_TRUE(ti);
        MEMBERID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(s.name)};
        ASSERT_EQ(ti->GetIDsOfNames(names, 1, &id), S_OK) << s.name;
        VARDESC* vd = nullptr;
        UINT index = 0;
        ComPtr<ITypeInfo2> ti2 = ti.As<ITypeInfo2>();
        ASSERT_TRUE(ti2);
        ASSERT_EQ(ti2->GetVarIndexOfMemId(id, &index), S_OK);
        ASSERT_EQ(ti->GetVarDesc(index, &vd), S_OK);
        EXPECT_EQ(V_I4(vd->lpvarValue), s.value) << s.name;
        ti->ReleaseVarDesc(vd);
    }
}

// Every member of the built parts with its dispatch identifier and kind, and nothing else.
TEST(ControlTypeLibrary, MembersAndDispatchIdentifiers) {
    struct Row {
        const wchar_t* name;
        DISPID id;
        char kind;  // m method, r read-only property, w read-write property, o object property (get, put, putref)
    } rows[] = {
    {L"Close", 0xFD, 'm'},
    {L"ControlVersion", 0xFE, 'm'},
    {L"Position_Get_Time", 0x11D, 'm'},
    {L"Duration_Time", 0x11E, 'm'},
    {L"Duration_Frames", 0x11F, 'm'},
    {L"NextFrame", 0x1D8, 'm'},
    {L"Pause", 0x1E7, 'm'},
    {L"Play", 0x1E8, 'm'},
    {L"Position_Get_Frame", 0x1E9, 'm'},
    {L"Resume", 0x1EA, 'm'},
    {L"Position_Set_Time", 0x1EC, 'm'},
    {L"Position_Set_Frame", 0x1ED, 'm'},
    {L"SetSpeed", 0x1EF, 'm'},
    {L"Stop", 0x1F0, 'm'},
    {L"Test", 0x1F1, 'm'},
    {L"Loop", 0x20F, 'w'},
    {L"FilenameOrURL", 0x220, 'w'},
    {L"Source_Mode", 0x23B, 'w'},
    {L"Source_Stream_AX", 0x23A, 'o'},
    {L"Source_Stream_Size", 0x23C, 'w'},
    {L"Source_Stream_Audio_Present", 0x243, 'w'},
    {L"Source_Stream_Video_Present", 0x244, 'w'},
    {L"Status", 0x23D, 'r'},
    {L"Selection_Active", 0x240, 'w'},
    {L"Selection_Start", 0x241, 'w'},
    {L"Selection_Stop", 0x242, 'w'},
    {L"Background_Image_Clear", 0xFB, 'm'},
    {L"Background_Image_SetFromFile", 0xFC, 'm'},
    {L"Cursor_Set", 0xFF, 'm'},
    {L"Cursor_SetDefault", 0x100, 'm'},
    {L"Cursor_SetI", 0x101, 'm'},
    {L"Background_Color", 0x217, 'w'},
    {L"Background_Image_DrawMode", 0x218, 'w'},
    {L"Filter_Supported_EVR", 0x119, 'm'},
    {L"Filter_Supported_VMR9", 0x11A, 'm'},
    {L"Screen_Update", 0x1EB, 'm'},
    {L"Screen_Video_Renderer_Deinterlace_Modes_Fill", 0x20C, 'm'},
    {L"Screen_Video_Renderer_Deinterlace_Modes_GetCount", 0x20D, 'm'},
    {L"Screen_Video_Renderer_Deinterlace_Modes_GetItem", 0x20E, 'm'},
    {L"Screen_Aspect_Ratio_Override", 0x210, 'w'},
    {L"Screen_Aspect_Ratio_X", 0x211, 'w'},
    {L"Screen_Aspect_Ratio_Y", 0x212, 'w'},
    {L"Screen_Flip_Horizontal", 0x232, 'w'},
    {L"Screen_Flip_Vertical", 0x233, 'w'},
    {L"Screen_Stretch", 0x234, 'w'},
    {L"Screen_VideoRenderer", 0x235, 'w'},
    {L"Screen_VR_FullScreen", 0x236, 'w'},
    {L"Screen_Zoom_Ratio", 0x237, 'w'},
    {L"Screen_Zoom_ShiftX", 0x238, 'w'},
    {L"Screen_Zoom_ShiftY", 0x239, 'w'},
    {L"Screen_Video_Renderer_Deinterlace_Mode", 0x23E, 'w'},
    {L"Screen_Video_Renderer_Deinterlace_UseDefault", 0x23F, 'w'},
    {L"Video_Decoder", 0x249, 'w'},
    {L"Info_FileFormat", 0x1B2, 'm'},
    {L"Info_Read", 0x1BC, 'm'},
    {L"Helpful_SecondsToTimeFormatted", 0x124, 'm'},
    {L"Info_Audio_Bitrate", 0x125, 'm'},
    {L"Info_Audio_BPS", 0x126, 'm'},
    {L"Info_Audio_Channels", 0x127, 'm'},
    {L"Info_Audio_Codec", 0x128, 'm'},
    {L"Info_Audio_CodecInfo", 0x129, 'm'},
    {L"Info_Audio_Codec_HasDialog", 0x12A, 'm'},
    {L"Info_Audio_Codec_ShowDialog", 0x12B, 'm'},
    {L"Info_Audio_Duration", 0x12C, 'm'},
    {L"Info_Audio_DurationMSec", 0x12D, 'm'},
    {L"Info_Audio_SampleRate", 0x12E, 'm'},
    {L"Info_Audio_Streams_AllInOne", 0x12F, 'm'},
    {L"Info_Audio_Streams_Count", 0x130, 'm'},
    {L"Info_Filter_HasDialog", 0x1B3, 'm'},
    {L"Info_Filter_ShowDialog", 0x1B4, 'm'},
    {L"Info_IsFilePlayable", 0x1B5, 'm'},
    {L"Info_List_AudioCodecs_GetCount", 0x1B6, 'm'},
    {L"Info_List_AudioCodecs_GetItem", 0x1B7, 'm'},
    {L"Info_List_DirectShowFilters_GetCount", 0x1B8, 'm'},
    {L"Info_List_DirectShowFilters_GetItem", 0x1B9, 'm'},
    {L"Info_List_VideoCodecs_GetCount", 0x1BA, 'm'},
    {L"Info_List_VideoCodecs_GetItem", 0x1BB, 'm'},
    {L"Info_Read_Lists", 0x1BE, 'm'},
    {L"Info_Text_Codec", 0x1BF, 'm'},
    {L"Info_Text_Language", 0x1C0, 'm'},
    {L"Info_Text_Name", 0x1C1, 'm'},
    {L"Info_Text_Streams_Count", 0x1C2, 'm'},
    {L"Info_Video_AspectH", 0x1C3, 'm'},
    {L"Info_Video_AspectRatio", 0x1C4, 'm'},
    {L"Info_Video_AspectRatioStr", 0x1C5, 'm'},
    {L"Info_Video_AspectW", 0x1C6, 'm'},
    {L"Info_Video_Bitrate", 0x1C7, 'm'},
    {L"Info_Video_Codec", 0x1C8, 'm'},
    {L"Info_Video_Codec_HasDialog", 0x1C9, 'm'},
    {L"Info_Video_Codec_ShowDialog", 0x1CA, 'm'},
    {L"Info_Video_Duration", 0x1CB, 'm'},
    {L"Info_Video_DurationMSec", 0x1CC, 'm'},
    {L"Info_Video_FourCC", 0x1CD, 'm'},
    {L"Info_Video_FrameRate", 0x1CE, 'm'},
    {L"Info_Video_FramesCount", 0x1CF, 'm'},
    {L"Info_Video_Height", 0x1D0, 'm'},
    {L"Info_Video_MpegAudioTag", 0x1D1, 'm'},
    {L"Info_Video_Streams_Count", 0x1D2, 'm'},
    {L"Info_Video_Width", 0x1D3, 'm'},
    {L"Debug_Dir", 0x21E, 'w'},
    {L"Debug_Mode", 0x21F, 'w'},
    {L"DirectShow_Filters_Blacklist_Add", 0x102, 'm'},
    {L"DirectShow_Filters_Blacklist_Clear", 0x103, 'm'},
    {L"DirectShow_Filters_GetCount", 0x104, 'm'},
    {L"DirectShow_Filters_GetItem", 0x105, 'm'},
    {L"DirectShow_Filter_Has_Dialog", 0x106, 'm'},
    {L"DirectShow_Filter_Merit_Get", 0x107, 'm'},
    {L"DirectShow_Filter_Merit_Set", 0x108, 'm'},
    {L"DirectShow_Filter_Show_Dialog", 0x109, 'm'},
    {L"ParentBackground", 0x250, 'w'},
    {L"DockSite", 0x251, 'w'},
    {L"DoubleBuffered", 0x252, 'w'},
    {L"SetDesignVisible", 0x253, 'm'},
    {L"AlignDisabled", 0x254, 'r'},
    {L"MouseInClient", 0x255, 'r'},
    {L"VisibleDockClientCount", 0x256, 'r'},
    {L"ParentDoubleBuffered", 0x257, 'w'},
    {L"UseDockManager", 0x258, 'w'},
    {L"DrawTextBiDiModeFlagsReadingOnly", 0x259, 'm'},
    {L"Enabled", DISPID_ENABLED, 'w'},
    {L"InitiateAction", 0x25A, 'm'},
    {L"IsRightToLeft", 0x25B, 'm'},
    {L"UseRightToLeftReading", 0x25C, 'm'},
    {L"UseRightToLeftScrollBar", 0x25D, 'm'},
    {L"ExplicitLeft", 0x25E, 'r'},
    {L"ExplicitTop", 0x25F, 'r'},
    {L"ExplicitWidth", 0x260, 'r'},
    {L"ExplicitHeight", 0x261, 'r'},
    {L"Visible", 0x262, 'w'},
    {L"AlignWithMargins", 0x263, 'w'},
    {L"ParentCustomHint", 0x264, 'w'},
    {L"SetSubComponent", 0x265, 'm'},
    {L"Video_Effects_Clear", 0x1F2, 'm'},
    {L"Video_Effects_Deinterlace_Blend", 0x1F3, 'm'},
    {L"Video_Effects_Deinterlace_CAVT", 0x1F4, 'm'},
    {L"Video_Effects_Deinterlace_Triangle", 0x1F5, 'm'},
    {L"Video_Effects_Denoise_Adaptive", 0x1F6, 'm'},
    {L"Video_Effects_Denoise_CAST", 0x1F7, 'm'},
    {L"Video_Effects_Denoise_CAST_Params", 0x1F8, 'm'},
    {L"Video_Effects_Denoise_Mosquito", 0x1F9, 'm'},
    {L"Video_Effects_Picture_Logo", 0x1FA, 'm'},
    {L"Video_Effects_Picture_Logo_Ex", 0x1FB, 'm'},
    {L"Video_Effects_Picture_Logo_ExI", 0x1FC, 'm'},
    {L"Video_Effects_Remove", 0x1FD, 'm'},
    {L"Video_Effects_Text_Logo", 0x1FE, 'm'},
    {L"Video_Effects_Text_Logo_Plus", 0x1FF, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Effect", 0x200, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Gradient", 0x201, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Rect", 0x202, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Rotate", 0x203, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Shape", 0x204, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Text", 0x205, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Transparency", 0x206, 'm'},
    {L"Video_Effects_Text_Logo_Plus_Params_Update", 0x207, 'm'},
    {L"Video_Effect_Ex", 0x208, 'm'},
    {L"Video_Filters_Add", 0x209, 'm'},
    {L"Video_Filters_Clear", 0x20A, 'm'},
    {L"Video_Filters_Delete", 0x20B, 'm'},
    {L"Video_Crop_Bottom", 0x245, 'w'},
    {L"Video_Crop_Left", 0x246, 'w'},
    {L"Video_Crop_Right", 0x247, 'w'},
    {L"Video_Crop_Top", 0x248, 'w'},
    {L"Video_ResizeOrCrop_Enabled", 0x24A, 'w'},
    {L"Video_Resize_LetterBox", 0x24B, 'w'},
    {L"Video_Resize_Mode", 0x24C, 'w'},
    {L"Video_Resize_NewHeight", 0x24D, 'w'},
    {L"Video_Resize_NewWidth", 0x24E, 'w'},
    {L"Video_Effects_Enabled", 0x24F, 'w'},
    {L"Frame_GetCurrentH", 0x11B, 'm'},
    {L"Frame_GetCurrentI", 0x11C, 'm'},
    {L"Frame_Save", 0x120, 'm'},
    {L"Helpful_SaveFrameFromFile", 0x121, 'm'},
    {L"Helpful_GetFrameFromFileI", 0x122, 'm'},
    {L"Helpful_GetFrameFromFileH", 0x123, 'm'},
    {L"ChromaKey_Color", 0x219, 'w'},
    {L"ChromaKey_ContrastHigh", 0x21A, 'w'},
    {L"ChromaKey_ContrastLow", 0x21B, 'w'},
    {L"ChromaKey_Enabled", 0x21C, 'w'},
    {L"ChromaKey_ImageFilename", 0x21D, 'w'},
    {L"Frame_Save_Resize", 0x221, 'w'},
    {L"Frame_Save_Resize_Height", 0x222, 'w'},
    {L"Frame_Save_Resize_Width", 0x223, 'w'},
    {L"Frame_Save_ZoomRatio", 0x224, 'w'},
    {L"MotionDetection_Compare_Blue", 0x225, 'w'},
    {L"MotionDetection_Compare_Green", 0x226, 'w'},
    {L"MotionDetection_Compare_Greyscale", 0x227, 'w'},
    {L"MotionDetection_Compare_Red", 0x228, 'w'},
    {L"MotionDetection_DropFrames_Enabled", 0x229, 'w'},
    {L"MotionDetection_DropFrames_Threshold", 0x22A, 'w'},
    {L"MotionDetection_Enabled", 0x22B, 'w'},
    {L"MotionDetection_FrameInterval", 0x22C, 'w'},
    {L"MotionDetection_Highlight_Color", 0x22D, 'w'},
    {L"MotionDetection_Highlight_Enabled", 0x22E, 'w'},
    {L"MotionDetection_Highlight_Threshold", 0x22F, 'w'},
    {L"MotionDetection_Matrix_Height", 0x230, 'w'},
    {L"MotionDetection_Matrix_Width", 0x231, 'w'}
    };
    ComPtr<ITypeLib> lib = RegisteredLibrary();
    ASSERT_TRUE(lib);
    ComPtr<ITypeInfo> disp = TypeByName(lib.Get(), L"ITxZRMediaPlayer");
    ASSERT_TRUE(disp);
    std::vector<TFunc> funcs = Funcs(disp.Get());
    size_t expectedFuncs = 0;
    std::set<MEMBERID> expectedIds;
    for (auto& r : rows) {
        SCOPED_TRACE(r.name);
        MEMBERID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(r.name)};
        ASSERT_EQ(disp->GetIDsOfNames(names, 1, &id), S_OK);
        EXPECT_EQ(id, r.id);
        expectedIds.insert(r.id);
        bool func = false, get = false, put = false, putref = false;
        for (auto& f : funcs) {
            if (f.id != r.id) continue;
            func |= f.kind == INVOKE_FUNC;
            get |= f.kind == INVOKE_PROPERTYGET;
            put |= f.kind == INVOKE_PROPERTYPUT;
            putref |= f.kind == INVOKE_PROPERTYPUTREF;
        }
        EXPECT_EQ(func, r.kind == 'm');
        EXPECT_EQ(get, r.kind != 'm');
        EXPECT_EQ(put, r.kind == 'w' || r.kind == 'o');
        EXPECT_EQ(putref, r.kind == 'o');
        expectedFuncs += r.kind == 'o' ? 3 : r.kind == 'w' ? 2 : 1;
    }
    // Only these: IDispatch's own seven and the members above (later parts add theirs).
    size_t own = 0;
    for (auto& f : funcs)
        if (f.id >= 0x60000000 && f.id < 0x60020000) continue;
        else {
            ++own;
            EXPECT_TRUE(expectedIds.count(f.id)) << "unexpected member " << std::hex << f.id;
        }
    EXPECT_EQ(own, expectedFuncs);
}

// Parameter types at the boundary, as the dispatch view of the interface shows them.
TEST(ControlTypeLibrary, ParameterTypes) {
    ComPtr<ITypeLib> lib = RegisteredLibrary();
    ASSERT_TRUE(lib);
    ComPtr<ITypeInfo> disp = TypeByName(lib.Get(), L"ITxZRMediaPlayer");
    ASSERT_TRUE(disp);
    std::vector<TFunc> funcs = Funcs(disp.Get());
    auto find = [&](MEMBERID id, INVOKEKIND kind) -> const TFunc* {
        for (auto& f : funcs)
            if (f.id == id && f.kind == kind) return &f;
        return nullptr;
    };
    struct Row {
        MEMBERID id;
        INVOKEKIND kind;
        const wchar_t* ret;
        std::vector<std::wstring> params;
    } rows[] = {
        {0xFF, INVOKE_FUNC, L"VOID", {L"UI4"}},                           // Cursor_Set
        {0x101, INVOKE_FUNC, L"VOID", {L"I4"}},                           // Cursor_SetI
        {0xFE, INVOKE_FUNC, L"BSTR", {}},                                 // ControlVersion
        {0x1E8, INVOKE_FUNC, L"BOOL", {}},                                // Play
        {0x1EF, INVOKE_FUNC, L"BOOL", {L"R8"}},                           // SetSpeed
        {0x106, INVOKE_FUNC, L"BOOL", {L"BSTR", L"TxZRPropertyPage"}},    // DirectShow_Filter_Has_Dialog
        {0x108, INVOKE_FUNC, L"BOOL", {L"BSTR", L"I4"}},                  // DirectShow_Filter_Merit_Set
        {0x217, INVOKE_PROPERTYGET, L"OLE_COLOR", {}},                    // Background_Color
        {0x217, INVOKE_PROPERTYPUT, L"VOID", {L"OLE_COLOR"}},
        {0x235, INVOKE_PROPERTYPUT, L"VOID", {L"TxZRVideoRenderer"}},     // Screen_VideoRenderer
        {0x23D, INVOKE_PROPERTYGET, L"TxZRPlayerStatus", {}},             // Status
        {0x220, INVOKE_PROPERTYGET, L"BSTR", {}},                         // FilenameOrURL
        {DISPID_ENABLED, INVOKE_PROPERTYPUT, L"VOID", {L"BOOL"}},         // Enabled
        {0x265, INVOKE_FUNC, L"VOID", {L"BOOL"}},                         // SetSubComponent
    };
    for (auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.id) + " kind " + std::to_string(r.kind));
        const TFunc* f = find(r.id, r.kind);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->ret, r.ret);
        EXPECT_EQ(f->params, r.params);
    }
    // Colours are the standard OLE_COLOR of the OLE library, not a copy.
    const TFunc* colour = find(0x217, INVOKE_PROPERTYGET);
    ASSERT_NE(colour, nullptr);
    FUNCDESC* fd = nullptr;
    for (WORD i = 0; i < Attr(disp.Get()).funcs; ++i) {
        ASSERT_EQ(disp->GetFuncDesc(i, &fd), S_OK);
        if (fd->memid == 0x217 && fd->invkind == INVOKE_PROPERTYGET) break;
        disp->ReleaseFuncDesc(fd);
        fd = nullptr;
    }
    ASSERT_NE(fd, nullptr);
    ComPtr<ITypeInfo> alias;
    ASSERT_EQ(disp->GetRefTypeInfo(fd->elemdescFunc.tdesc.hreftype, alias.Put()), S_OK);
    disp->ReleaseFuncDesc(fd);
    ComPtr<ITypeLib> owner;
    UINT index = 0;
    ASSERT_EQ(alias->GetContainingTypeLib(owner.Put(), &index), S_OK);
    TLIBATTR* la = nullptr;
    owner->GetLibAttr(&la);
    EXPECT_EQ(Guid(la->guid), L"{00020430-0000-0000-C000-000000000046}");  // stdole
    owner->ReleaseTLibAttr(la);
    EXPECT_EQ(Attr(alias.Get()).guid, L"{66504301-BE0F-101A-8BBB-00AA00300CAB}");
}

// The 22 events: identifiers, parameter types and directions.
TEST(ControlTypeLibrary, Events) {
    const std::wstring B = L"BOOL";
    struct Row {
        const wchar_t* name;
        DISPID id;
        std::vector<std::wstring> params;
    } rows[] = {
        {L"OnDVDChapterChanged", 0xC9, {}},
        {L"OnDVDDomainChanged", 0xCA, {L"TxZRDVDDomain"}},
        {L"OnDVDParentalLevelChanged", 0xCB, {L"BOOL*"}},
        {L"OnDVDPlaybackError", 0xCC, {L"I4", L"BSTR"}},
        {L"OnDVDTitleChanged", 0xCD, {}},
        {L"OnError", 0xCE, {L"BSTR"}},
        {L"OnKeyDown", 0xCF, {L"I2", L"I4"}},
        {L"OnKeyUp", 0xD0, {L"I2", L"I4"}},
        {L"OnMotion", 0xD1, {L"I4", L"BSTR"}},
        {L"OnMouseDown", 0xD2, {L"TxZRMouseButton", L"I4", L"I4", B, B, B, B, B, B}},
        {L"OnMouseUp", 0xD3, {L"TxZRMouseButton", L"I4", L"I4", B, B, B, B, B, B}},
        {L"OnMouseClick", 0xD4, {}},
        {L"OnMouseDoubleClick", 0xD5, {}},
        {L"OnMouseMove", 0xD6, {L"I4", L"I4"}},
        {L"OnMouseEnter", 0xD7, {}},
        {L"OnMouseLeave", 0xD8, {}},
        {L"OnMouseWheelDown", 0xD9, {L"I4", L"I4", B, B, B, B, B, B, B, B, L"I4"}},
        {L"OnMouseWheelUp", 0xDA, {L"I4", L"I4", B, B, B, B, B, B, B, B, L"I4"}},
        {L"OnStart", 0xDB, {}},
        {L"OnStop", 0xDC, {}},
        {L"OnVideoFrameH", 0xDD, {L"UI4", L"I4", L"I4"}},
        {L"OnVideoFrameI", 0xDE, {L"I4", L"I4", L"I4"}},
    };
    ComPtr<ITypeLib> lib = RegisteredLibrary();
    ASSERT_TRUE(lib);
    ComPtr<ITypeInfo> ev = TypeByName(lib.Get(), L"ITxZRMediaPlayerEvents");
    ASSERT_TRUE(ev);
    std::vector<TFunc> funcs = Funcs(ev.Get());
    size_t own = 0;
    for (auto& f : funcs) own += !(f.id >= 0x60000000 && f.id < 0x60020000);
    EXPECT_EQ(own, std::size(rows));
    for (auto& r : rows) {
        SCOPED_TRACE(r.name);
        MEMBERID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(r.name)};
        ASSERT_EQ(ev->GetIDsOfNames(names, 1, &id), S_OK);
        EXPECT_EQ(id, r.id);
        const TFunc* f = nullptr;
        for (auto& x : funcs)
            if (x.id == r.id) f = &x;
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->kind, INVOKE_FUNC);
        EXPECT_EQ(f->ret, L"VOID");
        EXPECT_EQ(f->params, r.params);
        for (size_t i = 0; i < f->paramFlags.size(); ++i) {
            const USHORT dir = f->paramFlags[i] & (PARAMFLAG_FIN | PARAMFLAG_FOUT);
            EXPECT_EQ(dir, r.id == 0xCB ? (PARAMFLAG_FIN | PARAMFLAG_FOUT) : PARAMFLAG_FIN) << i;
        }
    }
}
