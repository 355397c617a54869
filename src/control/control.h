// TTxZRMediaPlayer: the ActiveX control object. It wraps one TZRMediaPlayer (its window), forwards every member
// of ITxZRMediaPlayer to it with the conversions of the COM boundary, raises the player's events to the
// connected sink, and implements the standard interfaces of a windowed OLE control.
//
// Threads. The control belongs to the thread that created it (an apartment-threaded object). Members called
// there run at once. The player raises most events on that thread; video frame events come on the graph's
// streaming thread and reach the sink there, without marshalling. Calls that arrive where running them at
// once would break the player are queued to the control's window and run as soon as the thread is back in its
// message loop: Play, Stop, Close, Pause and Resume called from another thread, from inside a member call, or
// from an event the player raises in the middle of its own work (OnError, OnStart, DVD and frame events).
// From the tail events (OnStop, mouse, key and motion events) they run at once. Every other member called
// from another thread fails with RPC_E_WRONG_THREAD. The object is destroyed only on its own thread and never
// inside an event: a last release there is carried out from the message loop.
#pragma once
#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "control/zrax.h"
#include "control/connpoints.h"
#include "graph/comptr.h"

class TZRMediaPlayer;

class TTxZRMediaPlayer final : public ITxZRMediaPlayer,
                               public IProvideClassInfo,
                               public ISupportErrorInfo,
                               public IViewObject2,
                               public ISpecifyPropertyPages,
                               public ISimpleFrameSite,
                               public IQuickActivate,
                               public IPersistStreamInit,
                               public IPersistStorage,
                               public IPersistPropertyBag,
                               public IPerPropertyBrowsing,
                               public IOleObject,
                               public IOleInPlaceObject,
                               public IOleInPlaceActiveObject,
                               public IOleControl,
                               public IObjectSafety,
                               public IDataObject,
                               public IConnectionPointContainer {
public:
    // Creates a control (no aggregation) and returns the interface riid of it.
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

    // The wrapped player, for white-box tests of the event path.
    TZRMediaPlayer& Player() { return *FPlayer; }

    // --- IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // --- IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

    // --- ITxZRMediaPlayer
    HRESULT STDMETHODCALLTYPE Background_Image_Clear() override;
    HRESULT STDMETHODCALLTYPE Background_Image_SetFromFile(BSTR Filename, VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE ControlVersion(BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE Cursor_Set(ULONG Cursor) override;
    HRESULT STDMETHODCALLTYPE Cursor_SetDefault() override;
    HRESULT STDMETHODCALLTYPE Cursor_SetI(LONG Cursor) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filters_Blacklist_Add(BSTR Name) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filters_Blacklist_Clear() override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filters_GetCount(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filters_GetItem(LONG Index, BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filter_Has_Dialog(BSTR Name, TxZRPropertyPage PageType, VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filter_Merit_Get(BSTR Name, LONG *Value) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filter_Merit_Set(BSTR Name, LONG Merit, VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE DirectShow_Filter_Show_Dialog(BSTR Name, TxZRPropertyPage PageType) override;
    HRESULT STDMETHODCALLTYPE Filter_Supported_EVR(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Filter_Supported_VMR9(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Position_Get_Time(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE Duration_Time(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE Duration_Frames(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE Info_FileFormat(BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE Info_Read(VARIANT_BOOL *Value) override;
    // Media information, codec and filter lists, debug dumps (control_info.cpp)
    HRESULT STDMETHODCALLTYPE Helpful_SecondsToTimeFormatted(LONG seconds, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Bitrate(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_BPS(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Channels(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Codec(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_CodecInfo(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Codec_HasDialog(BSTR CodecName, TxZRPropertyPage PageType, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Codec_ShowDialog(BSTR CodecName, TxZRPropertyPage PageType) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Duration(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_DurationMSec(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_SampleRate(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Streams_AllInOne(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Audio_Streams_Count(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Filter_HasDialog(BSTR FilterName, TxZRPropertyPage PageType, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Filter_ShowDialog(BSTR FilterName, TxZRPropertyPage PageType) override;
    HRESULT STDMETHODCALLTYPE Info_IsFilePlayable(TxZRFilePlayError* ErrorCode, BSTR* ErrorText, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Info_List_AudioCodecs_GetCount(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_List_AudioCodecs_GetItem(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_List_DirectShowFilters_GetCount(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_List_DirectShowFilters_GetItem(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_List_VideoCodecs_GetCount(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_List_VideoCodecs_GetItem(LONG Index, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Read_Lists() override;
    HRESULT STDMETHODCALLTYPE Info_Text_Codec(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Text_Language(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Text_Name(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Text_Streams_Count(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_AspectH(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_AspectRatio(LONG StreamNumber, DOUBLE* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_AspectRatioStr(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_AspectW(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Bitrate(LONG StreamNumber, DOUBLE* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Codec(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Codec_HasDialog(BSTR CodecName, TxZRPropertyPage PageType, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Codec_ShowDialog(BSTR CodecName, TxZRPropertyPage PageType) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Duration(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_DurationMSec(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_FourCC(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_FrameRate(LONG StreamNumber, DOUBLE* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_FramesCount(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Height(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_MpegAudioTag(LONG StreamNumber, BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Streams_Count(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Info_Video_Width(LONG StreamNumber, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE get_Debug_Dir(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE put_Debug_Dir(BSTR Value) override;
    HRESULT STDMETHODCALLTYPE get_Debug_Mode(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_Debug_Mode(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE NextFrame(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Play(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Position_Get_Frame(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    HRESULT STDMETHODCALLTYPE Screen_Update() override;
    HRESULT STDMETHODCALLTYPE Position_Set_Time(LONG Position, VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Position_Set_Frame(LONG Position, VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE SetSpeed(double Speed, VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Test() override;
    HRESULT STDMETHODCALLTYPE Screen_Video_Renderer_Deinterlace_Modes_Fill() override;
    HRESULT STDMETHODCALLTYPE Screen_Video_Renderer_Deinterlace_Modes_GetCount(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE Screen_Video_Renderer_Deinterlace_Modes_GetItem(LONG Index, BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Aspect_Ratio_Override(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Aspect_Ratio_Override(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Aspect_Ratio_X(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Aspect_Ratio_X(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Aspect_Ratio_Y(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Aspect_Ratio_Y(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Background_Color(OLE_COLOR *Value) override;
    HRESULT STDMETHODCALLTYPE put_Background_Color(OLE_COLOR Value) override;
    HRESULT STDMETHODCALLTYPE get_Background_Image_DrawMode(TxZRBGImageDrawMode *Value) override;
    HRESULT STDMETHODCALLTYPE put_Background_Image_DrawMode(TxZRBGImageDrawMode Value) override;
    HRESULT STDMETHODCALLTYPE get_FilenameOrURL(BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE put_FilenameOrURL(BSTR Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Flip_Horizontal(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Flip_Horizontal(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Flip_Vertical(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Flip_Vertical(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Stretch(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Stretch(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_VideoRenderer(TxZRVideoRenderer *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_VideoRenderer(TxZRVideoRenderer Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_VR_FullScreen(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_VR_FullScreen(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Zoom_Ratio(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Zoom_Ratio(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Zoom_ShiftX(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Zoom_ShiftX(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Zoom_ShiftY(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Zoom_ShiftY(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Source_Mode(TxZRSourceMode *Value) override;
    HRESULT STDMETHODCALLTYPE put_Source_Mode(TxZRSourceMode Value) override;
    HRESULT STDMETHODCALLTYPE get_Status(TxZRPlayerStatus *Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Video_Renderer_Deinterlace_Mode(BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Video_Renderer_Deinterlace_Mode(BSTR Value) override;
    HRESULT STDMETHODCALLTYPE get_Screen_Video_Renderer_Deinterlace_UseDefault(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Screen_Video_Renderer_Deinterlace_UseDefault(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Selection_Active(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Selection_Active(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Selection_Start(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Selection_Start(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Selection_Stop(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Selection_Stop(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Source_Stream_AX(IUnknown **Value) override;
    HRESULT STDMETHODCALLTYPE put_Source_Stream_AX(IUnknown *Value) override;
    HRESULT STDMETHODCALLTYPE putref_Source_Stream_AX(IUnknown *Value) override;
    HRESULT STDMETHODCALLTYPE get_Source_Stream_Size(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE put_Source_Stream_Size(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Source_Stream_Audio_Present(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Source_Stream_Audio_Present(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Source_Stream_Video_Present(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Source_Stream_Video_Present(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Decoder(BSTR *Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Decoder(BSTR Value) override;
    // Video effects, logos, denoising, deinterlacing, resize and crop settings (control_effects.cpp)
    HRESULT STDMETHODCALLTYPE Video_Effects_Clear() override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Deinterlace_Blend(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG Threshold1, LONG Threshold2, DOUBLE Constants1, DOUBLE Constants2) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Deinterlace_CAVT(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG Threshold) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Deinterlace_Triangle(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG Weight) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Denoise_Adaptive(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG Threshold, LONG BlurMode) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Denoise_CAST(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Denoise_CAST_Params(LONG ID, LONG TemporalDifferenceThreshold, LONG NumberOfMotionPixelsThreshold, LONG StrongEdgeThreshold, LONG BlockWidth, LONG BlockHeight, LONG EdgePixelWeight, LONG NonEdgePixelWeight, LONG GaussianThresholdY, LONG GaussianThresholdUV, LONG HistoryWeight) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Denoise_Mosquito(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Picture_Logo(BSTR Filename, LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG X, LONG Y) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Picture_Logo_Ex(BSTR Filename, LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG X, LONG Y, ULONG HBmp, LONG TranspLevel, OLE_COLOR ColorKey, VARIANT_BOOL UseColorKey) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Picture_Logo_ExI(BSTR Filename, LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, LONG X, LONG Y, LONG HBmp, LONG TranspLevel, OLE_COLOR ColorKey, VARIANT_BOOL UseColorKey) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Remove(LONG ID) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, BSTR text, LONG X, LONG Y, VARIANT_BOOL TransparentBG, BSTR FontName, LONG FontSize, VARIANT_BOOL Bold, VARIANT_BOOL Italic, VARIANT_BOOL Underline, VARIANT_BOOL StrikeOut, OLE_COLOR FontColor, OLE_COLOR BGColor) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, BSTR text, LONG X, LONG Y, BSTR FontName, LONG FontSize, VARIANT_BOOL Bold, VARIANT_BOOL Italic, VARIANT_BOOL Underline, VARIANT_BOOL StrikeOut, LONG FontColor) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Effect(LONG ID, TxZRTextEffectMode Mode, LONG InnerColor, LONG OuterColor, LONG InnerSize, LONG OuterSize) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Gradient(LONG ID, VARIANT_BOOL GradientEnabled, TxZRTextGradientMode Mode, LONG Color1, LONG Color2) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Rect(LONG ID, VARIANT_BOOL RectEnabled, LONG RectWidth, LONG RectHeight) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Rotate(LONG ID, TxZRTextRotationMode RotationMode, TxZRTextFlipMode FlipMode) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Shape(LONG ID, VARIANT_BOOL Shape_Enabled, TxZRTextShapeType type_, LONG X, LONG Y, LONG ShapeWidth, LONG ShapeHeight, LONG Color) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Text(LONG ID, VARIANT_BOOL BGTransparent, LONG BGColor, VARIANT_BOOL Vertical, VARIANT_BOOL RightToLeft, TxZRTextAlign Align, TxZRTextAntialiasingMode Antialiasing, TxZRTextDrawMode DrawMode) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Transparency(LONG ID, LONG Transparency) override;
    HRESULT STDMETHODCALLTYPE Video_Effects_Text_Logo_Plus_Params_Update(LONG ID, VARIANT_BOOL Enabled) override;
    HRESULT STDMETHODCALLTYPE Video_Effect_Ex(LONG ID, LONG StartTime, LONG StopTime, VARIANT_BOOL Enabled, TxZREffectType Effect, DOUBLE Amount, BSTR AdditionalParams) override;
    HRESULT STDMETHODCALLTYPE Video_Filters_Add(BSTR Name, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Video_Filters_Clear() override;
    HRESULT STDMETHODCALLTYPE Video_Filters_Delete(BSTR Name, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Crop_Bottom(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Crop_Bottom(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Crop_Left(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Crop_Left(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Crop_Right(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Crop_Right(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Crop_Top(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Crop_Top(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_ResizeOrCrop_Enabled(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_ResizeOrCrop_Enabled(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Resize_LetterBox(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Resize_LetterBox(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Resize_Mode(TxZRResizeMode* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Resize_Mode(TxZRResizeMode Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Resize_NewHeight(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Resize_NewHeight(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Resize_NewWidth(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Resize_NewWidth(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Video_Effects_Enabled(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_Video_Effects_Enabled(VARIANT_BOOL Value) override;
    // Chroma key, motion detection, frames and stills (control_frames.cpp)
    HRESULT STDMETHODCALLTYPE Frame_GetCurrentH(ULONG* Value) override;
    HRESULT STDMETHODCALLTYPE Frame_GetCurrentI(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Frame_Save(BSTR Filename, TxZRImageFormat Format, LONG Quality) override;
    HRESULT STDMETHODCALLTYPE Helpful_SaveFrameFromFile(BSTR SourceFilename, LONG Position, BSTR OutputFilename,
                                                        TxZRImageFormat Format, VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE Helpful_GetFrameFromFileI(BSTR SourceFilename, LONG Position, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE Helpful_GetFrameFromFileH(BSTR SourceFilename, LONG Position, LONG* Value) override;
    HRESULT STDMETHODCALLTYPE get_ChromaKey_Color(TxZRChromaColor* Value) override;
    HRESULT STDMETHODCALLTYPE put_ChromaKey_Color(TxZRChromaColor Value) override;
    HRESULT STDMETHODCALLTYPE get_ChromaKey_ContrastHigh(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_ChromaKey_ContrastHigh(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_ChromaKey_ContrastLow(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_ChromaKey_ContrastLow(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_ChromaKey_Enabled(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_ChromaKey_Enabled(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_ChromaKey_ImageFilename(BSTR* Value) override;
    HRESULT STDMETHODCALLTYPE put_ChromaKey_ImageFilename(BSTR Value) override;
    HRESULT STDMETHODCALLTYPE get_Frame_Save_Resize(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_Frame_Save_Resize(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_Frame_Save_Resize_Height(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Frame_Save_Resize_Height(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Frame_Save_Resize_Width(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_Frame_Save_Resize_Width(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_Frame_Save_ZoomRatio(DOUBLE* Value) override;
    HRESULT STDMETHODCALLTYPE put_Frame_Save_ZoomRatio(DOUBLE Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Compare_Blue(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Compare_Blue(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Compare_Green(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Compare_Green(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Compare_Greyscale(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Compare_Greyscale(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Compare_Red(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Compare_Red(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_DropFrames_Enabled(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_DropFrames_Enabled(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_DropFrames_Threshold(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_DropFrames_Threshold(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Enabled(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Enabled(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_FrameInterval(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_FrameInterval(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Highlight_Color(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Highlight_Color(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Highlight_Enabled(VARIANT_BOOL* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Highlight_Enabled(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Highlight_Threshold(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Highlight_Threshold(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Matrix_Height(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Matrix_Height(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_MotionDetection_Matrix_Width(LONG* Value) override;
    HRESULT STDMETHODCALLTYPE put_MotionDetection_Matrix_Width(LONG Value) override;
    HRESULT STDMETHODCALLTYPE get_ParentBackground(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_ParentBackground(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_DockSite(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_DockSite(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE SetDesignVisible(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE get_MouseInClient(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE get_ParentDoubleBuffered(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_ParentDoubleBuffered(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_UseDockManager(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_UseDockManager(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE DrawTextBiDiModeFlagsReadingOnly(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE InitiateAction() override;
    HRESULT STDMETHODCALLTYPE IsRightToLeft(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE UseRightToLeftReading(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE UseRightToLeftScrollBar(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE get_ExplicitLeft(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE get_ExplicitTop(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE get_ExplicitWidth(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE get_ExplicitHeight(LONG *Value) override;
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_AlignWithMargins(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_AlignWithMargins(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE get_ParentCustomHint(VARIANT_BOOL *Value) override;
    HRESULT STDMETHODCALLTYPE put_ParentCustomHint(VARIANT_BOOL Value) override;
    HRESULT STDMETHODCALLTYPE SetSubComponent(VARIANT_BOOL IsSubComponent) override;

    // --- IProvideClassInfo
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** ppTI) override;
    // --- ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;
    // --- IViewObject, IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                   HDC hdcTargetDev, HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                                   BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue),
                                   ULONG_PTR dwContinue) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                          HDC hicTargetDev, LOGPALETTE** ppColorSet) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD dwFreeze) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, LONG lindex, DVTARGETDEVICE* ptd,
                                        LPSIZEL lpsizel) override;
    // --- ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pPages) override;
    // --- ISimpleFrameSite
    HRESULT STDMETHODCALLTYPE PreMessageFilter(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* plResult,
                                               DWORD* pdwCookie) override;
    HRESULT STDMETHODCALLTYPE PostMessageFilter(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* plResult,
                                                DWORD dwCookie) override;
    // --- IQuickActivate
    HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* pQaContainer, QACONTROL* pQaControl) override;
    HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL pSizel) override;
    HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL pSizel) override;
    // --- IPersist, IPersistStreamInit, IPersistStorage, IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM pStm) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM pStm, BOOL fClearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* pCbSize) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* pStg) override;
    HRESULT STDMETHODCALLTYPE Load(IStorage* pStg) override;
    HRESULT STDMETHODCALLTYPE Save(IStorage* pStgSave, BOOL fSameAsLoad) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* pStgNew) override;
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;
    // --- IPerPropertyBrowsing
    HRESULT STDMETHODCALLTYPE GetDisplayString(DISPID dispID, BSTR* pBstr) override;
    HRESULT STDMETHODCALLTYPE MapPropertyToPage(DISPID dispID, CLSID* pClsid) override;
    HRESULT STDMETHODCALLTYPE GetPredefinedStrings(DISPID dispID, CALPOLESTR* pCaStringsOut,
                                                   CADWORD* pCaCookiesOut) override;
    HRESULT STDMETHODCALLTYPE GetPredefinedValue(DISPID dispID, DWORD dwCookie, VARIANT* pVarOut) override;
    // --- IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* pClientSite) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** ppClientSite) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD dwSaveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex,
                                     HWND hwndParent, LPCRECT lprcPosRect) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* pClsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* pLogpal) override;
    // --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* phwnd) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL fEnterMode) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG lpmsg) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL fActivate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL fActivate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                           BOOL fFrameWindow) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) override;
    // --- IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* pCI) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* pMsg) override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispID) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL bFreeze) override;
    // --- IObjectSafety
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions,
                                                        DWORD* pdwEnabledOptions) override;
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask,
                                                        DWORD dwEnabledOptions) override;
    // --- IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pformatetc) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink,
                                      DWORD* pdwConnection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD dwConnection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override;
    // --- IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

private:
    TTxZRMediaPlayer();
    ~TTxZRMediaPlayer();
    TTxZRMediaPlayer(const TTxZRMediaPlayer&) = delete;
    TTxZRMediaPlayer& operator=(const TTxZRMediaPlayer&) = delete;
    HRESULT Initialize();

    // --- lifetime
    bool TryAddRef();                 // takes a reference unless the object is already going away
    bool CanDestroyNow() const;       // on its own thread and outside any event or member
    void ScheduleDestroy();           // a last release where destroying at once is not safe

    // --- member calls
    enum class TTransport { Play, Stop, Close, Pause, Resume };
    bool OnOwnerThread() const;
    bool MustDefer() const;
    template <class F> HRESULT Member(F&& f);
    template <class T, class F> HRESULT Get(T* out, F&& f);
    template <class F> HRESULT GetText(BSTR* out, F&& f);
    template <class F> HRESULT Put(DISPID dispid, F&& f);
    template <class F> HRESULT Refused(F&& f);  // members an untrusted caller may not use
    HRESULT Transport(TTransport op, VARIANT_BOOL* result);
    void RunTransport(TTransport op, VARIANT_BOOL* result);
    void QueueTransport(TTransport op);
    void RunQueued();
    void PropertyChanged(DISPID dispid);

    // --- events
    void AttachEvents();
    void Fire(DISPID dispid, VARIANT* argsInOrder, UINT count, bool tail);
    void Send(DISPID dispid, VARIANT* argsInOrder, UINT count, bool tail);
    friend struct TZREventForwarders;

    // --- events while the container has them frozen (IOleControl::FreezeEvents; control_events.cpp)
    struct THeldEvent {
        DISPID dispid = 0;
        std::vector<VARIANT> args;  // owned copies, in the event's order
        THeldEvent() = default;
        THeldEvent(THeldEvent&&) noexcept = default;
        THeldEvent& operator=(THeldEvent&& o) noexcept {
            if (this != &o) {
                for (auto& a : args) VariantClear(&a);
                dispid = o.dispid;
                args = std::move(o.args);
                o.args.clear();
            }
            return *this;
        }
        ~THeldEvent();
    };
    static constexpr UINT WM_ZR_DELIVER_HELD = WM_APP + 0x103;  // to the parking window
    bool HoldOrDrop(DISPID dispid, VARIANT* argsInOrder, UINT count);  // true: not to be sent now
    void DeliverHeld();

    // --- windows
    static LRESULT CALLBACK ParkingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SiteProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND PlayerWindow() const;
    HRESULT InPlaceActivate(bool uiActivate);
    void ShowPropertiesThroughSite();
    void SiteWindowDestroyed();
    void ReadAmbientUserMode();
    SIZEL PixelsToHimetric(int cx, int cy) const;
    SIZE HimetricToPixels(const SIZEL& s) const;

    // --- persistence
    struct TPersisted {
        DISPID dispid;
        std::wstring name;
        VARTYPE vt;
    };
    const std::vector<TPersisted>& PersistedProperties();
    HRESULT GetProperty(DISPID dispid, VARIANT* out);
    HRESULT PutProperty(DISPID dispid, VARIANT* value);
    HRESULT SaveToStream(IStream* stream);
    HRESULT LoadFromStream(IStream* stream);
    HRESULT EnumValues(DISPID dispid, std::vector<std::pair<std::wstring, LONG>>& out);

    // --- state
    std::atomic<ULONG> FRefs{0};
    DWORD FThreadId = 0;
    std::atomic<bool> FClosing{false};
    int FCallDepth = 0;       // member calls in progress on the control's thread
    int FEventDepth = 0;      // events being delivered on the control's thread
    bool FTailEvent = false;  // the innermost event is one after which the player does no more work

    std::unique_ptr<TZRMediaPlayer> FPlayer;
    HWND FParking = nullptr;  // hidden owner of the player while not in place; runs queued calls
    HWND FSiteWnd = nullptr;  // the control's window inside the site's window while in place
    ComPtr<ITypeInfo> FTypeInfo;   // ITxZRMediaPlayer
    ComPtr<ITypeInfo> FClassInfo;  // the coclass
    TZRConnectionPoint FEventsPoint;
    TZRConnectionPoint FNotifyPoint;

    SRWLOCK FQueueLock = SRWLOCK_INIT;
    std::deque<TTransport> FQueue;

    ComPtr<IOleClientSite> FClientSite;
    ComPtr<IOleInPlaceSite> FInPlaceSite;
    ComPtr<IOleInPlaceFrame> FFrame;
    ComPtr<IOleInPlaceUIWindow> FDocWindow;
    ComPtr<IOleAdviseHolder> FOleAdvise;
    ComPtr<IAdviseSink> FViewAdvise;
    DWORD FViewAspects = 0, FViewAdvf = 0;
    bool FInPlaceActive = false;
    bool FUIActive = false;
    bool FUserMode = true;
    RECT FPosRect = {};
    SIZEL FExtent = {};
    std::atomic<int> FFreezeCount{0};
    SRWLOCK FHeldLock = SRWLOCK_INIT;
    std::deque<THeldEvent> FHeld;

    bool FDirty = false;
    bool FLoading = false;
    std::vector<TPersisted> FPersisted;
    bool FPersistedBuilt = false;
    DWORD FSafety = 0;

    // Standard window members without a counterpart on this window framework: stored values.
    bool FParentBackground = false, FDockSite = false, FDoubleBuffered = false, FParentDoubleBuffered = true;
    bool FUseDockManager = false, FAlignWithMargins = false, FParentCustomHint = true;
    bool FDesignVisible = true, FSubComponent = false;
};
