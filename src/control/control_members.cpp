// ITxZRMediaPlayer: each member forwards to the player member of the same name.
#include "control/control_call.h"
#include "player/player.h"

using namespace zrconv;

// --- Window background and cursor

HRESULT TTxZRMediaPlayer::Background_Image_Clear() {
    return Member([&] { FPlayer->Background_Image_Clear(); });
}
HRESULT TTxZRMediaPlayer::Background_Image_SetFromFile(BSTR Filename, VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Background_Image_SetFromFile(InText(Filename))); });
}
HRESULT TTxZRMediaPlayer::Cursor_Set(ULONG Cursor) {
    return Member([&] { FPlayer->Cursor_Set(InHandle<HCURSOR>(Cursor)); });
}
HRESULT TTxZRMediaPlayer::Cursor_SetDefault() {
    return Member([&] { FPlayer->Cursor_SetDefault(); });
}
HRESULT TTxZRMediaPlayer::Cursor_SetI(LONG Cursor) {
    return Member([&] { FPlayer->Cursor_SetI(Cursor); });
}

// --- Playback, transport and position

HRESULT TTxZRMediaPlayer::Close() { return Transport(TTransport::Close, nullptr); }
HRESULT TTxZRMediaPlayer::Play(VARIANT_BOOL* Value) {
    if (!Value) return E_POINTER;
    *Value = VARIANT_FALSE;
    return Transport(TTransport::Play, Value);
}
HRESULT TTxZRMediaPlayer::Pause() { return Transport(TTransport::Pause, nullptr); }
HRESULT TTxZRMediaPlayer::Resume() { return Transport(TTransport::Resume, nullptr); }
HRESULT TTxZRMediaPlayer::Stop() { return Transport(TTransport::Stop, nullptr); }
HRESULT TTxZRMediaPlayer::ControlVersion(BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->ControlVersion(); });
}
HRESULT TTxZRMediaPlayer::Position_Get_Time(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Position_Get_Time()); });
}
HRESULT TTxZRMediaPlayer::Duration_Time(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Duration_Time()); });
}
HRESULT TTxZRMediaPlayer::Duration_Frames(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Duration_Frames()); });
}
HRESULT TTxZRMediaPlayer::NextFrame(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->NextFrame()); });
}
HRESULT TTxZRMediaPlayer::Position_Get_Frame(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Position_Get_Frame()); });
}
HRESULT TTxZRMediaPlayer::Position_Set_Time(LONG Position, VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Position_Set_Time(Position)); });
}
HRESULT TTxZRMediaPlayer::Position_Set_Frame(LONG Position, VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Position_Set_Frame(Position)); });
}
HRESULT TTxZRMediaPlayer::SetSpeed(DOUBLE Speed, VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->SetSpeed(Speed)); });
}
HRESULT TTxZRMediaPlayer::Test() {
    return Member([&] { FPlayer->Test(); });
}

// --- Filters and devices

HRESULT TTxZRMediaPlayer::DirectShow_Filters_Blacklist_Add(BSTR Name) {
    return Member([&] { FPlayer->DirectShow_Filters_Blacklist_Add(InText(Name)); });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filters_Blacklist_Clear() {
    return Member([&] { FPlayer->DirectShow_Filters_Blacklist_Clear(); });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filters_GetCount(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->DirectShow_Filters_GetCount()); });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filters_GetItem(LONG Index, BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->DirectShow_Filters_GetItem(Index); });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filter_Has_Dialog(BSTR Name, TxZRPropertyPage PageType, VARIANT_BOOL* Value) {
    return Get(Value, [&] {
        return OutBool(FPlayer->DirectShow_Filter_Has_Dialog(InText(Name), InEnum<TZRPropertyPage>(PageType)));
    });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filter_Merit_Get(BSTR Name, LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->DirectShow_Filter_Merit_Get(InText(Name))); });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filter_Merit_Set(BSTR Name, LONG Merit, VARIANT_BOOL* Value) {
    if (!Value) return E_POINTER;
    *Value = VARIANT_FALSE;
    return Refused([&] { *Value = OutBool(FPlayer->DirectShow_Filter_Merit_Set(InText(Name), Merit)); });
}
HRESULT TTxZRMediaPlayer::DirectShow_Filter_Show_Dialog(BSTR Name, TxZRPropertyPage PageType) {
    return Refused([&] { FPlayer->DirectShow_Filter_Show_Dialog(InText(Name), InEnum<TZRPropertyPage>(PageType)); });
}

// --- Video renderer

HRESULT TTxZRMediaPlayer::Filter_Supported_EVR(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Filter_Supported_EVR()); });
}
HRESULT TTxZRMediaPlayer::Filter_Supported_VMR9(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Filter_Supported_VMR9()); });
}
HRESULT TTxZRMediaPlayer::Screen_Update() {
    return Member([&] { FPlayer->Screen_Update(); });
}
HRESULT TTxZRMediaPlayer::Screen_Video_Renderer_Deinterlace_Modes_Fill() {
    return Member([&] { FPlayer->Screen_Video_Renderer_Deinterlace_Modes_Fill(); });
}
HRESULT TTxZRMediaPlayer::Screen_Video_Renderer_Deinterlace_Modes_GetCount(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Screen_Video_Renderer_Deinterlace_Modes_GetCount()); });
}
HRESULT TTxZRMediaPlayer::Screen_Video_Renderer_Deinterlace_Modes_GetItem(LONG Index, BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Screen_Video_Renderer_Deinterlace_Modes_GetItem(Index); });
}

// --- Media information

HRESULT TTxZRMediaPlayer::Info_FileFormat(BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Info_FileFormat(); });
}
HRESULT TTxZRMediaPlayer::Info_Read(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Info_Read()); });
}

// --- Published settings

#define ZR_BOOL_PROPERTY(Name)                                                                            \
    HRESULT TTxZRMediaPlayer::get_##Name(VARIANT_BOOL* Value) {                                          \
        return Get(Value, [&] { return OutBool(FPlayer->Name()); });                                     \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(VARIANT_BOOL Value) {                                           \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(InBool(Value)); });                          \
    }
#define ZR_LONG_PROPERTY(Name)                                                                            \
    HRESULT TTxZRMediaPlayer::get_##Name(LONG* Value) {                                                  \
        return Get(Value, [&] { return static_cast<LONG>(FPlayer->Name()); });                           \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(LONG Value) {                                                   \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(Value); });                                  \
    }
#define ZR_TEXT_PROPERTY(Name)                                                                            \
    HRESULT TTxZRMediaPlayer::get_##Name(BSTR* Value) {                                                  \
        return GetText(Value, [&] { return FPlayer->Name(); });                                          \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(BSTR Value) {                                                   \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(InText(Value)); });                          \
    }
#define ZR_ENUM_PROPERTY(Name, ComType, PlayerType)                                                       \
    HRESULT TTxZRMediaPlayer::get_##Name(ComType* Value) {                                               \
        return Get(Value, [&] { return OutEnum(FPlayer->Name()); });                                     \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(ComType Value) {                                                \
        return Put(zrdispid::Name, [&] { FPlayer->Set_##Name(InEnum<PlayerType>(Value)); });              \
    }

ZR_BOOL_PROPERTY(Loop)
ZR_BOOL_PROPERTY(Screen_Aspect_Ratio_Override)
ZR_LONG_PROPERTY(Screen_Aspect_Ratio_X)
ZR_LONG_PROPERTY(Screen_Aspect_Ratio_Y)
ZR_ENUM_PROPERTY(Background_Image_DrawMode, TxZRBGImageDrawMode, TZRBGImageDrawMode)
ZR_TEXT_PROPERTY(FilenameOrURL)
ZR_BOOL_PROPERTY(Screen_Flip_Horizontal)
ZR_BOOL_PROPERTY(Screen_Flip_Vertical)
ZR_BOOL_PROPERTY(Screen_Stretch)
ZR_ENUM_PROPERTY(Screen_VideoRenderer, TxZRVideoRenderer, TZRVideoRenderer)
ZR_BOOL_PROPERTY(Screen_VR_FullScreen)
ZR_LONG_PROPERTY(Screen_Zoom_Ratio)
ZR_LONG_PROPERTY(Screen_Zoom_ShiftX)
ZR_LONG_PROPERTY(Screen_Zoom_ShiftY)
ZR_ENUM_PROPERTY(Source_Mode, TxZRSourceMode, TZRSourceMode)
ZR_TEXT_PROPERTY(Screen_Video_Renderer_Deinterlace_Mode)
ZR_BOOL_PROPERTY(Screen_Video_Renderer_Deinterlace_UseDefault)
ZR_BOOL_PROPERTY(Selection_Active)
ZR_LONG_PROPERTY(Selection_Start)
ZR_LONG_PROPERTY(Selection_Stop)

// Memory-stream source: the host's stream object (any COM object; queried for IStream at Play), its size and
// what it carries.
ZR_LONG_PROPERTY(Source_Stream_Size)
ZR_BOOL_PROPERTY(Source_Stream_Audio_Present)
ZR_BOOL_PROPERTY(Source_Stream_Video_Present)
HRESULT TTxZRMediaPlayer::get_Source_Stream_AX(IUnknown** Value) {
    return Get(Value, [&]() -> IUnknown* {
        IUnknown* p = FPlayer->Source_Stream_AX();
        if (p) p->AddRef();
        return p;
    });
}
HRESULT TTxZRMediaPlayer::put_Source_Stream_AX(IUnknown* Value) {
    return Put(zrdispid::Source_Stream_AX, [&] { FPlayer->Set_Source_Stream_AX(Value); });
}
// Script hosts assign objects by reference ("Set control.Source_Stream_AX = stream").
HRESULT TTxZRMediaPlayer::putref_Source_Stream_AX(IUnknown* Value) { return put_Source_Stream_AX(Value); }
ZR_TEXT_PROPERTY(Video_Decoder)

#undef ZR_BOOL_PROPERTY
#undef ZR_LONG_PROPERTY
#undef ZR_TEXT_PROPERTY
#undef ZR_ENUM_PROPERTY

HRESULT TTxZRMediaPlayer::get_Background_Color(OLE_COLOR* Value) {
    return Get(Value, [&] { return static_cast<OLE_COLOR>(FPlayer->Background_Color()); });
}
HRESULT TTxZRMediaPlayer::put_Background_Color(OLE_COLOR Value) {
    return Put(zrdispid::Background_Color, [&] { FPlayer->Set_Background_Color(static_cast<COLORREF>(Value)); });
}
HRESULT TTxZRMediaPlayer::get_Status(TxZRPlayerStatus* Value) {
    return Get(Value, [&] { return OutEnum(FPlayer->Status()); });
}

// --- Standard window members. They act on the player's window; those without a counterpart on this window
// framework keep the value they are given.

#define ZR_STORED_BOOL(Name)                                                                              \
    HRESULT TTxZRMediaPlayer::get_##Name(VARIANT_BOOL* Value) {                                          \
        return Get(Value, [&] { return OutBool(F##Name); });                                             \
    }                                                                                                     \
    HRESULT TTxZRMediaPlayer::put_##Name(VARIANT_BOOL Value) {                                           \
        return Put(zrdispid::Name, [&] { F##Name = InBool(Value); });                                     \
    }

ZR_STORED_BOOL(ParentBackground)
ZR_STORED_BOOL(DockSite)
ZR_STORED_BOOL(DoubleBuffered)
ZR_STORED_BOOL(ParentDoubleBuffered)
ZR_STORED_BOOL(UseDockManager)
ZR_STORED_BOOL(AlignWithMargins)
ZR_STORED_BOOL(ParentCustomHint)
#undef ZR_STORED_BOOL

HRESULT TTxZRMediaPlayer::SetDesignVisible(VARIANT_BOOL Value) {
    return Member([&] { FDesignVisible = InBool(Value); });
}
HRESULT TTxZRMediaPlayer::get_AlignDisabled(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return VARIANT_FALSE; });
}
HRESULT TTxZRMediaPlayer::get_MouseInClient(VARIANT_BOOL* Value) {
    return Get(Value, [&] {
        HWND w = PlayerWindow();
        POINT p;
        if (!w || !GetCursorPos(&p) || !IsWindowVisible(w)) return VARIANT_FALSE;
        HWND under = WindowFromPoint(p);
        return OutBool(under && (under == w || IsChild(w, under)));
    });
}
HRESULT TTxZRMediaPlayer::get_VisibleDockClientCount(LONG* Value) {
    return Get(Value, [&] { return 0L; });
}
HRESULT TTxZRMediaPlayer::DrawTextBiDiModeFlagsReadingOnly(LONG* Value) {
    return Get(Value, [&] { return 0L; });  // left-to-right reading
}
HRESULT TTxZRMediaPlayer::get_Enabled(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(IsWindowEnabled(PlayerWindow()) != FALSE); });
}
HRESULT TTxZRMediaPlayer::put_Enabled(VARIANT_BOOL Value) {
    return Put(DISPID_ENABLED, [&] { EnableWindow(PlayerWindow(), InBool(Value) ? TRUE : FALSE); });
}
HRESULT TTxZRMediaPlayer::InitiateAction() {
    return Member([] {});
}
HRESULT TTxZRMediaPlayer::IsRightToLeft(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return VARIANT_FALSE; });
}
HRESULT TTxZRMediaPlayer::UseRightToLeftReading(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return VARIANT_FALSE; });
}
HRESULT TTxZRMediaPlayer::UseRightToLeftScrollBar(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return VARIANT_FALSE; });
}
HRESULT TTxZRMediaPlayer::get_ExplicitLeft(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPosRect.left); });
}
HRESULT TTxZRMediaPlayer::get_ExplicitTop(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPosRect.top); });
}
HRESULT TTxZRMediaPlayer::get_ExplicitWidth(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Width()); });
}
HRESULT TTxZRMediaPlayer::get_ExplicitHeight(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Height()); });
}
HRESULT TTxZRMediaPlayer::get_Visible(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool((GetWindowLongW(PlayerWindow(), GWL_STYLE) & WS_VISIBLE) != 0); });
}
HRESULT TTxZRMediaPlayer::put_Visible(VARIANT_BOOL Value) {
    return Put(zrdispid::Visible, [&] { ShowWindow(PlayerWindow(), InBool(Value) ? SW_SHOWNA : SW_HIDE); });
}
HRESULT TTxZRMediaPlayer::SetSubComponent(VARIANT_BOOL IsSubComponent) {
    return Member([&] { FSubComponent = InBool(IsSubComponent); });
}
