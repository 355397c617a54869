// ITxZRMediaPlayer: media information, codec and filter lists, and the debug settings. Each member forwards
// to the player member of the same name. A stream or list number the player refuses ("List index out of
// bounds (<n>)") comes back as a failing HRESULT with that text.
#include "control/control_call.h"
#include "player/player.h"

using namespace zrconv;

// --- Media information

HRESULT TTxZRMediaPlayer::Info_IsFilePlayable(TxZRFilePlayError* ErrorCode, BSTR* ErrorText, VARIANT_BOOL* Value) {
    if (!ErrorCode || !ErrorText) return E_POINTER;
    return Get(Value, [&] {
        // When the player cannot make its trial graph it leaves both unchanged; so do we.
        TZRFilePlayError code = InEnum<TZRFilePlayError>(*ErrorCode);
        const std::wstring before = *ErrorText ? std::wstring(*ErrorText, SysStringLen(*ErrorText)) : std::wstring();
        std::wstring text = before;
        const bool playable = FPlayer->Info_IsFilePlayable(code, text);
        *ErrorCode = OutEnum(code);
        if (text != before || !*ErrorText) {
            BSTR replacement = OutText(text);
            SysFreeString(*ErrorText);
            *ErrorText = replacement;
        }
        return OutBool(playable);
    });
}

HRESULT TTxZRMediaPlayer::Info_Video_Streams_Count(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Info_Video_Streams_Count()); });
}
HRESULT TTxZRMediaPlayer::Info_Audio_Streams_Count(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Info_Audio_Streams_Count()); });
}
HRESULT TTxZRMediaPlayer::Info_Text_Streams_Count(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Info_Text_Streams_Count()); });
}
HRESULT TTxZRMediaPlayer::Info_Audio_Streams_AllInOne(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Info_Audio_Streams_AllInOne()); });
}

#define ZR_STREAM_LONG(Name)                                                                              \
    HRESULT TTxZRMediaPlayer::Name(LONG StreamNumber, LONG* Value) {                                     \
        return Get(Value, [&] { return static_cast<LONG>(FPlayer->Name(StreamNumber)); });               \
    }
#define ZR_STREAM_DOUBLE(Name)                                                                            \
    HRESULT TTxZRMediaPlayer::Name(LONG StreamNumber, DOUBLE* Value) {                                   \
        return Get(Value, [&] { return static_cast<DOUBLE>(FPlayer->Name(StreamNumber)); });             \
    }
#define ZR_STREAM_TEXT(Name)                                                                              \
    HRESULT TTxZRMediaPlayer::Name(LONG StreamNumber, BSTR* Value) {                                     \
        return GetText(Value, [&] { return FPlayer->Name(StreamNumber); });                              \
    }

ZR_STREAM_LONG(Info_Video_Width)
ZR_STREAM_LONG(Info_Video_Height)
ZR_STREAM_LONG(Info_Video_FramesCount)
ZR_STREAM_LONG(Info_Video_AspectW)
ZR_STREAM_LONG(Info_Video_AspectH)
ZR_STREAM_LONG(Info_Video_DurationMSec)
ZR_STREAM_DOUBLE(Info_Video_FrameRate)
ZR_STREAM_DOUBLE(Info_Video_Bitrate)
ZR_STREAM_DOUBLE(Info_Video_AspectRatio)
ZR_STREAM_TEXT(Info_Video_Codec)
ZR_STREAM_TEXT(Info_Video_FourCC)
ZR_STREAM_TEXT(Info_Video_Duration)
ZR_STREAM_TEXT(Info_Video_AspectRatioStr)
ZR_STREAM_TEXT(Info_Video_MpegAudioTag)
ZR_STREAM_LONG(Info_Audio_Bitrate)
ZR_STREAM_LONG(Info_Audio_BPS)
ZR_STREAM_LONG(Info_Audio_Channels)
ZR_STREAM_LONG(Info_Audio_SampleRate)
ZR_STREAM_LONG(Info_Audio_DurationMSec)
ZR_STREAM_TEXT(Info_Audio_Codec)
ZR_STREAM_TEXT(Info_Audio_CodecInfo)
ZR_STREAM_TEXT(Info_Audio_Duration)
ZR_STREAM_TEXT(Info_Text_Codec)
ZR_STREAM_TEXT(Info_Text_Language)
ZR_STREAM_TEXT(Info_Text_Name)

#undef ZR_STREAM_LONG
#undef ZR_STREAM_DOUBLE
#undef ZR_STREAM_TEXT

// --- Codec and filter lists

HRESULT TTxZRMediaPlayer::Info_Read_Lists() {
    return Member([&] { FPlayer->Info_Read_Lists(); });
}
HRESULT TTxZRMediaPlayer::Info_List_AudioCodecs_GetCount(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Info_List_AudioCodecs_GetCount()); });
}
HRESULT TTxZRMediaPlayer::Info_List_AudioCodecs_GetItem(LONG Index, BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Info_List_AudioCodecs_GetItem(Index); });
}
HRESULT TTxZRMediaPlayer::Info_List_VideoCodecs_GetCount(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Info_List_VideoCodecs_GetCount()); });
}
HRESULT TTxZRMediaPlayer::Info_List_VideoCodecs_GetItem(LONG Index, BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Info_List_VideoCodecs_GetItem(Index); });
}
HRESULT TTxZRMediaPlayer::Info_List_DirectShowFilters_GetCount(LONG* Value) {
    return Get(Value, [&] { return static_cast<LONG>(FPlayer->Info_List_DirectShowFilters_GetCount()); });
}
HRESULT TTxZRMediaPlayer::Info_List_DirectShowFilters_GetItem(LONG Index, BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Info_List_DirectShowFilters_GetItem(Index); });
}

HRESULT TTxZRMediaPlayer::Info_Audio_Codec_HasDialog(BSTR CodecName, TxZRPropertyPage PageType, VARIANT_BOOL* Value) {
    return Get(Value, [&] {
        return OutBool(FPlayer->Info_Audio_Codec_HasDialog(InText(CodecName), InEnum<TZRPropertyPage>(PageType)));
    });
}
HRESULT TTxZRMediaPlayer::Info_Video_Codec_HasDialog(BSTR CodecName, TxZRPropertyPage PageType, VARIANT_BOOL* Value) {
    return Get(Value, [&] {
        return OutBool(FPlayer->Info_Video_Codec_HasDialog(InText(CodecName), InEnum<TZRPropertyPage>(PageType)));
    });
}
HRESULT TTxZRMediaPlayer::Info_Filter_HasDialog(BSTR FilterName, TxZRPropertyPage PageType, VARIANT_BOOL* Value) {
    return Get(Value, [&] {
        return OutBool(FPlayer->Info_Filter_HasDialog(InText(FilterName), InEnum<TZRPropertyPage>(PageType)));
    });
}
// The dialogs are modal: untrusted callers may not open them.
HRESULT TTxZRMediaPlayer::Info_Audio_Codec_ShowDialog(BSTR CodecName, TxZRPropertyPage PageType) {
    return Refused([&] { FPlayer->Info_Audio_Codec_ShowDialog(InText(CodecName), InEnum<TZRPropertyPage>(PageType)); });
}
HRESULT TTxZRMediaPlayer::Info_Video_Codec_ShowDialog(BSTR CodecName, TxZRPropertyPage PageType) {
    return Refused([&] { FPlayer->Info_Video_Codec_ShowDialog(InText(CodecName), InEnum<TZRPropertyPage>(PageType)); });
}
HRESULT TTxZRMediaPlayer::Info_Filter_ShowDialog(BSTR FilterName, TxZRPropertyPage PageType) {
    return Refused([&] { FPlayer->Info_Filter_ShowDialog(InText(FilterName), InEnum<TZRPropertyPage>(PageType)); });
}

HRESULT TTxZRMediaPlayer::Helpful_SecondsToTimeFormatted(LONG seconds, BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Helpful_SecondsToTimeFormatted(seconds); });
}

// --- Debug settings (stored values). Debug mode writes files into Debug_Dir: an untrusted caller may read
// the settings but not change them.

HRESULT TTxZRMediaPlayer::get_Debug_Dir(BSTR* Value) {
    return GetText(Value, [&] { return FPlayer->Debug_Dir(); });
}
HRESULT TTxZRMediaPlayer::put_Debug_Dir(BSTR Value) {
    const HRESULT hr = Refused([&] { FPlayer->Set_Debug_Dir(InText(Value)); });
    if (SUCCEEDED(hr)) PropertyChanged(zrdispid::Debug_Dir);
    return hr;
}
HRESULT TTxZRMediaPlayer::get_Debug_Mode(VARIANT_BOOL* Value) {
    return Get(Value, [&] { return OutBool(FPlayer->Debug_Mode()); });
}
HRESULT TTxZRMediaPlayer::put_Debug_Mode(VARIANT_BOOL Value) {
    const HRESULT hr = Refused([&] { FPlayer->Set_Debug_Mode(InBool(Value)); });
    if (SUCCEEDED(hr)) PropertyChanged(zrdispid::Debug_Mode);
    return hr;
}
