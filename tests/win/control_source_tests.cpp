// The memory-stream source through the control's interface: a host hands any object with IStream over by
// reference (as a script host does with "Set control.Source_Stream_AX = stream") and plays from it.
#include "control_testkit.h"
#include "testutil.h"

namespace {
// The bytes of a generated clip in an HGLOBAL stream.
ComPtr<IStream> ClipStream(const wchar_t* name, LONG& size) {
    ComPtr<IStream> s;
    size = 0;
    HANDLE f = CreateFileW(MediaPath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return s;
    DWORD n = GetFileSize(f, nullptr), got = 0;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, n);
    void* p = GlobalLock(g);
    ReadFile(f, p, n, &got, nullptr);
    GlobalUnlock(g);
    CloseHandle(f);
    if (got == n && SUCCEEDED(CreateStreamOnHGlobal(g, TRUE, s.Put()))) size = static_cast<LONG>(n);
    return s;
}

HRESULT PutRef(IDispatch* d, DISPID id, IUnknown* value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&v, &named, 1, 1};
    return d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUTREF, &params, nullptr, nullptr, nullptr);
}
}  // namespace

TEST(ControlSource, PlaysFromAHostStreamGivenByReference) {
    HWND host = SharedHostWindow();
    ComPtr<ITxZRMediaPlayer> control = CreateControl();
    ASSERT_TRUE(control);
    TTestSite* site = new TTestSite(host, RECT{10, 10, 330, 250});
    ASSERT_NE(ActivateInPlace(control.Get(), site), nullptr);

    LONG size = 0;
    ComPtr<IStream> stream = ClipStream(L"clip.avi", size);
    ASSERT_TRUE(stream);
    ComPtr<IDispatch> disp = control.As<IDispatch>();
    ASSERT_EQ(PutRef(disp.Get(), 0x23A, stream.Get()), S_OK);
    ComPtr<IUnknown> back;
    ASSERT_EQ(control->get_Source_Stream_AX(back.Put()), S_OK);
    EXPECT_EQ(back.Get(), stream.As<IUnknown>().Get());
    ASSERT_EQ(control->put_Source_Stream_Size(size), S_OK);
    ASSERT_EQ(control->put_Source_Mode(static_cast<TxZRSourceMode>(1)), S_OK);  // memory
    ASSERT_EQ(control->put_Screen_VideoRenderer(static_cast<TxZRVideoRenderer>(0)), S_OK);
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(control->get_Source_Stream_Video_Present(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(control->Play(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    LONG pos = 0;
    EXPECT_TRUE(PumpUntil([&] { return SUCCEEDED(control->Position_Get_Time(&pos)) && pos > 500; }, 8000));
    control->Stop();
    // The object given through the interface outlives Stop; only the stream taken from it is let go.
    back = nullptr;
    ASSERT_EQ(control->get_Source_Stream_AX(back.Put()), S_OK);
    EXPECT_TRUE(back);
    control->Close();
    CloseInPlace(control.Get());
    control = nullptr;
    site->Release();
    PumpFor(50);
}
