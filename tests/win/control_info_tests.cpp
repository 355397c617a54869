// The media information, list and debug members at the COM surface of the registered control: through the
// dual interface, and late-bound through IDispatch as a script host calls them (the in/out parameters of
// Info_IsFilePlayable included).
#include "control_testkit.h"

namespace {

DISPID IdOf(IDispatch* d, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

TEST(ControlInfo, FileInformationThroughTheInterface) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ASSERT_TRUE(c);
    TBstr file(MediaPath(L"clip.avi"));
    ASSERT_EQ(c->put_FilenameOrURL(file.b), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(c->Info_Read(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    LONG n = 0;
    EXPECT_EQ(c->Info_Video_Streams_Count(&n), S_OK);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(c->Info_Video_Width(0, &n), S_OK);
    EXPECT_EQ(n, 320);
    DOUBLE rate = 0;
    EXPECT_EQ(c->Info_Video_FrameRate(0, &rate), S_OK);
    EXPECT_NEAR(rate, 25.0, 0.01);
    TBstr text;
    EXPECT_EQ(c->Info_Audio_Codec(0, text.Out()), S_OK);
    EXPECT_EQ(text.str(), L"Microsoft PCM Format");
    EXPECT_EQ(c->Info_Video_AspectRatioStr(0, text.Out()), S_OK);
    EXPECT_EQ(text.str(), L"4:3");

    // A video number past the count answers 0; an audio number past the count fails with the list error.
    EXPECT_EQ(c->Info_Video_Height(3, &n), S_OK);
    EXPECT_EQ(n, 0);
    BSTR none = SysAllocString(L"stale");
    HRESULT hr = c->Info_Audio_Codec(5, &none);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(LastErrorInfo().first, L"List index out of bounds (5)");
    EXPECT_TRUE(FAILED(c->Info_Video_Width(-1, &n)));
    EXPECT_EQ(LastErrorInfo().first, L"List index out of bounds (-1)");

    // In/out: the code and text are replaced by the trial render's.
    TxZRFilePlayError code = 99;
    BSTR msg = SysAllocString(L"old text");
    ok = VARIANT_TRUE;
    ASSERT_EQ(c->put_FilenameOrURL(TBstr(MediaPath(L"random.avi")).b), S_OK);
    EXPECT_EQ(c->Info_IsFilePlayable(&code, &msg, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(code, 7);  // ZR_FP_CANNOT_RENDER
    EXPECT_EQ(Text(msg), L"No combination of dsFilters could be found to render the stream.");
    SysFreeString(msg);

    EXPECT_EQ(c->Helpful_SecondsToTimeFormatted(45296, text.Out()), S_OK);
    EXPECT_EQ(text.str(), L"12:34:56");
    EXPECT_EQ(c->Info_List_DirectShowFilters_GetCount(&n), S_OK);
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(FAILED(c->Info_List_DirectShowFilters_GetItem(0, text.Out())));
    EXPECT_EQ(LastErrorInfo().first, L"List index out of bounds (0)");
    EXPECT_EQ(c->Info_Read_Lists(), S_OK);
    EXPECT_EQ(c->Info_List_DirectShowFilters_GetCount(&n), S_OK);
    EXPECT_GT(n, 0);
}

// A script host calls by name with VARIANTs; Info_IsFilePlayable's code and text come back through the
// references it passes.
TEST(ControlInfo, LateBoundLikeAScript) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ASSERT_TRUE(c);
    ASSERT_EQ(c->put_FilenameOrURL(TBstr(MediaPath(L"clip.mp4")).b), S_OK);
    const DISPID id = IdOf(c.Get(), L"Info_IsFilePlayable");
    ASSERT_EQ(id, 0x1B5);
    LONG code = 42;
    BSTR text = SysAllocString(L"before");
    VARIANT args[2];  // in reverse order: ErrorText, ErrorCode
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_BYREF | VT_BSTR;
    args[0].pbstrVal = &text;
    args[1].vt = VT_BYREF | VT_I4;
    args[1].plVal = &code;
    DISPPARAMS params = {args, nullptr, 2, 0};
    TVar result;
    EXCEPINFO ex = {};
    UINT bad = 0;
    ASSERT_EQ(c->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result.v, &ex, &bad), S_OK);
    EXPECT_EQ(result.v.vt, VT_BOOL);
    EXPECT_EQ(result.v.boolVal, VARIANT_TRUE);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Text(text), L"Success");
    SysFreeString(text);

    // A list error arrives as an exception with its text.
    DISPID getItem = IdOf(c.Get(), L"Info_Audio_SampleRate");
    TVar index;
    index.v.vt = VT_I4;
    index.v.lVal = 3;
    DISPPARAMS one = {&index.v, nullptr, 1, 0};
    TVar r;
    ex = {};
    EXPECT_EQ(c->Invoke(getItem, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, &r.v, &ex, &bad),
              DISP_E_EXCEPTION);
    EXPECT_EQ(Text(ex.bstrDescription), L"List index out of bounds (3)");
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
}

// Debug_Mode and Debug_Dir are stored settings; a caller marked untrusted may read them but not change them
// (debug mode writes files wherever Debug_Dir points).
TEST(ControlInfo, DebugSettings) {
    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ASSERT_TRUE(c);
    VARIANT_BOOL mode = VARIANT_TRUE;
    TBstr dir;
    EXPECT_EQ(c->get_Debug_Mode(&mode), S_OK);
    EXPECT_EQ(mode, VARIANT_FALSE);
    EXPECT_EQ(c->get_Debug_Dir(dir.Out()), S_OK);
    EXPECT_EQ(dir.str(), L"");
    EXPECT_EQ(c->put_Debug_Mode(VARIANT_TRUE), S_OK);
    EXPECT_EQ(c->put_Debug_Dir(TBstr(L"C:\\dumps\\").b), S_OK);
    EXPECT_EQ(c->get_Debug_Mode(&mode), S_OK);
    EXPECT_EQ(mode, VARIANT_TRUE);
    EXPECT_EQ(c->get_Debug_Dir(dir.Out()), S_OK);
    EXPECT_EQ(dir.str(), L"C:\\dumps\\");

    ComPtr<IObjectSafety> safety;
    ASSERT_EQ(c->QueryInterface(IID_IObjectSafety, safety.PutVoid()), S_OK);
    ASSERT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                INTERFACESAFE_FOR_UNTRUSTED_CALLER),
              S_OK);
    EXPECT_EQ(c->put_Debug_Mode(VARIANT_FALSE), E_ACCESSDENIED);
    EXPECT_EQ(c->put_Debug_Dir(TBstr(L"C:\\elsewhere\\").b), E_ACCESSDENIED);
    EXPECT_EQ(c->Info_Filter_ShowDialog(TBstr(L"AVI Mux").b, 0), E_ACCESSDENIED);
    EXPECT_EQ(c->get_Debug_Dir(dir.Out()), S_OK);
    EXPECT_EQ(dir.str(), L"C:\\dumps\\");
}

}  // namespace
