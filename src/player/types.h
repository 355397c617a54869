// Enumerations and event types shared by the player and its host. The numeric values are part of the
// control's COM surface; each is stored as one byte.
#pragma once
#include <windows.h>
#include <cstdint>
#include "graph/hook.h"

enum TZRPlayerStatus : uint8_t { ST_PLAY = 0, ST_PAUSE = 1, ST_FREE = 2 };
enum TZRSourceMode : uint8_t { SM_File = 0, SM_Memory = 1, SM_DVD = 2, SM_MMS_WMV = 3 };
enum TZRBGImageDrawMode : uint8_t { DM_Center = 0, DM_Stretch = 1, DM_Repeat = 2 };
enum TZRChromaColor : uint8_t { Chroma_Red = 0, Chroma_Green = 1, Chroma_Blue = 2 };
enum TZRResizeMode : uint8_t { rm_CropOnly = 0, rm_NearestNeighbor = 1, rm_Bilinear = 2, rm_Bicubic = 3, rm_Lancroz = 4 };
// winuser.h names a message-box flag MB_RIGHT; the control's mouse buttons need the name.
#undef MB_RIGHT
enum TZRMouseButton : uint8_t { MB_LEFT = 0, MB_RIGHT = 1, MB_MIDDLE = 2, MB_X1 = 3, MB_X2 = 4 };
enum TZRDVDDomain : uint8_t {
    DC_FirstPlay = 0, DC_VideoManagerMenu = 1, DC_VideoTitleSetMenu = 2, DC_Title = 3, DC_Stop = 4
};
enum TZRFilePlayError : uint8_t {
    ZR_FP_OK = 0, ZR_FP_AUDIO_ERROR = 1, ZR_FP_VIDEO_ERROR = 2, ZR_FP_OTHER_STREAM_ERROR = 3, ZR_FP_OUT_OF_MEMORY = 4,
    ZR_FP_CANNOT_CONNECT_FILTERS = 5, ZR_FP_CANNOT_LOAD_SOURCE_FILTER = 6, ZR_FP_CANNOT_RENDER = 7,
    ZR_FP_INVALID_FILE_FORMAT = 8, ZR_FP_UNKNOWN_FILE_TYPE = 9, ZR_FP_UNSUPPORTED_STREAM = 10,
    ZR_FP_UNKNOWN_ERROR = 11, ZR_FP_FAIL = 12
};


// Event hooks: (callback, context). An unassigned hook is skipped.
using TZRErrorEvent = Hook<const wchar_t* /*ErrorText*/>;
using TZRStopEvent = Hook<>;
using TZRStartEvent = Hook<>;
// Button, X, Y, Ctrl, Shift, Alt, LeftDown, RightDown, MiddleDown
using TZRMouseDownUpEvent = Hook<TZRMouseButton, int32_t, int32_t, bool, bool, bool, bool, bool, bool>;
using TZRMouseMoveEvent = Hook<int32_t, int32_t>;
using TZRMouseDoubleClickEvent = Hook<>;
// X, Y, Ctrl, Shift, Alt, MouseLeft, MouseRight, MouseMiddle, MouseX1, MouseX2, Value
using TZRMouseWheelUpDownEvent = Hook<int32_t, int32_t, bool, bool, bool, bool, bool, bool, bool, bool, int32_t>;
using TZRMouseClickEvent = Hook<>;
using TZRMouseEnterLeaveEvent = Hook<>;
using TZRKeyDown = Hook<char /*Key*/, int32_t /*PressedCount*/>;
using TZRKeyUp = Hook<char, int32_t>;
using TZRMotionEvent = Hook<int32_t /*Level*/, const wchar_t* /*Matrix*/>;
using TZRFrameEvent = Hook<void* /*bitmap object*/, int32_t /*StartTime*/, int32_t /*StopTime*/>;
using TZRFrameEventH = Hook<HBITMAP, int32_t, int32_t>;
using TZRFrameEventI = Hook<int32_t, int32_t, int32_t>;
// Frame, FrameSize, SampleRate, Channels, BPS, StartTime, StopTime
using TZRAudioFrameEvent = Hook<uint8_t*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t>;
using TZRFilterEvent = Hook<const wchar_t* /*Name*/, IUnknown* /*Intf*/>;
using TZRDVDEvent = Hook<>;
using TZRDVDDomainChangedEvent = Hook<TZRDVDDomain>;
using TZRDVDParentalLevelChangedEvent = Hook<bool* /*Allow, in and out*/>;
using TZRDVDPlaybackErrorEvent = Hook<int32_t /*Code*/, const wchar_t* /*ErrorText*/>;

// Private window messages of the player window.
constexpr UINT WM_ZR_STOP = 3382;
constexpr UINT WM_ZR_REFRESH = 3383;
constexpr UINT WM_ZR_GRAPHEVENT = 3384;
constexpr UINT WM_ZR_DVDEVENT = 3385;
constexpr UINT WM_ZR_MOTION = 3386;
