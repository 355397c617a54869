// TZRMediaPlayer: the windowed player component. It holds every setting, owns at most one playback graph
// at a time, and raises its events through hooks (callback + context).
#pragma once
#include <windows.h>
#include "graph/dshowuuid.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/widestrlist.h"
#include "filters/asyncex.h"
#include "graph/comptr.h"
#include "graph/sysdevenum.h"
#include "core/pixels/effect_record.h"
#include "player/types.h"
#include "video/dsscreen.h"
#include "video/videoeffects.h"

class TDSNetworkSource;

class TZRVideoInfoMP;

// A plain setting: field F<Name>, getter <Name>() and setter Set_<Name>(value).
#define ZR_SETTING(Type, Name, Default)                  \
public:                                                 \
    Type Name() const { return F##Name; }               \
    void Set_##Name(Type v) { F##Name = v; }            \
                                                        \
private:                                                \
    Type F##Name = Default;

#define ZR_WSETTING(Name)                                             \
public:                                                               \
    const std::wstring& Name() const { return F##Name; }              \
    void Set_##Name(const std::wstring& v) { F##Name = v; }           \
    void Set_##Name(const wchar_t* v) { F##Name = v ? v : L""; }      \
                                                                      \
private:                                                              \
    std::wstring F##Name;

class TZRMediaPlayer {
public:
    // Creates the player window as a child of parent (or a top-level window when parent is null) at the
    // given place. A window asked for smaller than 5 x 5 pixels is made 40 x 40. Never fails visibly.
    TZRMediaPlayer(HWND parent, int x, int y, int width, int height);
    ~TZRMediaPlayer();
    TZRMediaPlayer(const TZRMediaPlayer&) = delete;
    TZRMediaPlayer& operator=(const TZRMediaPlayer&) = delete;

    HWND Handle() const { return FHandle; }
    int Width() const;
    int Height() const;
    // While a form designer edits the control, its window leaves every message to default processing.
    void SetDesignMode(bool on) { FDesignMode = on; }

    // --- Events
    TZRErrorEvent OnError;
    TZRStopEvent OnStop;
    TZRStartEvent OnStart;
    TZRMouseDownUpEvent OnMouseDown, OnMouseUp;
    TZRMouseMoveEvent OnMouseMove;
    TZRMouseDoubleClickEvent OnMouseDoubleClick;
    TZRMouseWheelUpDownEvent OnMouseWheelUp, OnMouseWheelDown;
    TZRMouseClickEvent OnMouseClick;
    TZRMouseEnterLeaveEvent OnMouseEnter, OnMouseLeave;
    TZRKeyDown OnKeyDown;
    TZRKeyUp OnKeyUp;
    TZRMotionEvent OnMotion;
    TZRFrameEvent OnVideoFrame;
    TZRFrameEventH OnVideoFrameH;
    TZRFrameEventI OnVideoFrameI;
    TZRAudioFrameEvent OnAudioFrame;
    TZRFilterEvent OnFilterAdded;
    TZRDVDEvent OnDVDChapterChanged, OnDVDTitleChanged, OnDVDDiskInserted, OnDVDDiskEjected;
    TZRDVDDomainChangedEvent OnDVDDomainChanged;
    TZRDVDParentalLevelChangedEvent OnDVDParentalLevelChanged;
    TZRDVDPlaybackErrorEvent OnDVDPlaybackError;

    // --- Settings: source and playback
    ZR_WSETTING(FilenameOrURL)
    ZR_SETTING(TZRSourceMode, Source_Mode, SM_File)
    ZR_SETTING(int32_t, Source_Stream_Size, 0)
    ZR_SETTING(bool, Source_Stream_Audio_Present, true)
    ZR_SETTING(bool, Source_Stream_Video_Present, true)
    ZR_WSETTING(Video_Decoder)
    ZR_SETTING(bool, Loop, false)
    ZR_SETTING(bool, Selection_Active, false)
    ZR_SETTING(int32_t, Selection_Start, 0)
    ZR_SETTING(int32_t, Selection_Stop, 0)
    ZR_SETTING(bool, Debug_Mode, false)
    ZR_WSETTING(Debug_Dir)
public:
    IStream* Source_Stream() const { return FSource_Stream.Get(); }
    void Set_Source_Stream(IStream* s) { FSource_Stream = ComPtr<IStream>(s); }
    IUnknown* Source_Stream_AX() const { return FSource_Stream_AX.Get(); }
    void Set_Source_Stream_AX(IUnknown* s) { FSource_Stream_AX = ComPtr<IUnknown>(s); }
    TZRPlayerStatus Status() const { return FStatus; }

    // --- Settings: picture
    ZR_SETTING(TZRVideoRenderer, Screen_VideoRenderer, VR_VMR9)
    ZR_SETTING(bool, Screen_Aspect_Ratio_Override, false)
    ZR_SETTING(int32_t, Screen_Aspect_Ratio_X, 16)
    ZR_SETTING(int32_t, Screen_Aspect_Ratio_Y, 9)
    ZR_SETTING(bool, Screen_Flip_Horizontal, false)
    ZR_SETTING(bool, Screen_Flip_Vertical, false)
    ZR_SETTING(bool, Screen_Stretch, false)
    ZR_WSETTING(Screen_Video_Renderer_Deinterlace_Mode)
    ZR_SETTING(bool, Screen_Video_Renderer_Deinterlace_UseDefault, false)
    ZR_SETTING(bool, Screen_VR_FullScreen, false)
    ZR_SETTING(TZRBGImageDrawMode, Background_Image_DrawMode, DM_Center)
public:
    int32_t Screen_Zoom_Ratio() const { return FScreen_Zoom_Ratio; }
    int32_t Screen_Zoom_ShiftX() const { return FScreen_Zoom_ShiftX; }
    int32_t Screen_Zoom_ShiftY() const { return FScreen_Zoom_ShiftY; }
    void Set_Screen_Zoom_Ratio(int32_t v);
    void Set_Screen_Zoom_ShiftX(int32_t v);
    void Set_Screen_Zoom_ShiftY(int32_t v);
    COLORREF Background_Color() const { return FBackground_Color; }
    void Set_Background_Color(COLORREF c);

    // --- Settings: video processing and capture
    ZR_SETTING(bool, Video_Effects_Enabled, false)
    ZR_SETTING(bool, ChromaKey_Enabled, false)
    ZR_WSETTING(ChromaKey_ImageFilename)
    ZR_SETTING(bool, MotionDetection_Enabled, false)
    ZR_SETTING(bool, MotionDetection_Compare_Red, false)
    ZR_SETTING(bool, MotionDetection_Compare_Green, false)
    ZR_SETTING(bool, MotionDetection_Compare_Blue, false)
    ZR_SETTING(bool, MotionDetection_Compare_Greyscale, true)
    ZR_SETTING(bool, MotionDetection_DropFrames_Enabled, false)
    ZR_SETTING(int32_t, MotionDetection_DropFrames_Threshold, 5)
    ZR_SETTING(int32_t, MotionDetection_FrameInterval, 0)
    ZR_SETTING(bool, MotionDetection_Highlight_Enabled, false)
    ZR_SETTING(int32_t, MotionDetection_Highlight_Color, 0)
    ZR_SETTING(int32_t, MotionDetection_Highlight_Threshold, 25)
    ZR_SETTING(int32_t, MotionDetection_Matrix_Width, 8)
    ZR_SETTING(int32_t, MotionDetection_Matrix_Height, 8)
    ZR_SETTING(bool, Video_ResizeOrCrop_Enabled, false)
    ZR_SETTING(int32_t, Video_Resize_NewWidth, 640)
    ZR_SETTING(int32_t, Video_Resize_NewHeight, 480)
    ZR_SETTING(TZRResizeMode, Video_Resize_Mode, rm_Bilinear)
    ZR_SETTING(bool, Video_Resize_LetterBox, false)
    ZR_SETTING(int32_t, Video_Crop_Left, 0)
    ZR_SETTING(int32_t, Video_Crop_Top, 0)
    ZR_SETTING(int32_t, Video_Crop_Right, 0)
    ZR_SETTING(int32_t, Video_Crop_Bottom, 0)
    ZR_SETTING(bool, Frame_Save_Resize, false)
    ZR_SETTING(int32_t, Frame_Save_Resize_Width, 0)
    ZR_SETTING(int32_t, Frame_Save_Resize_Height, 0)
    ZR_SETTING(double, Frame_Save_ZoomRatio, 1.0)
public:
    TZRChromaColor ChromaKey_Color() const { return FChromaKey_Color; }
    int32_t ChromaKey_ContrastHigh() const { return FChromaKey_ContrastHigh; }
    int32_t ChromaKey_ContrastLow() const { return FChromaKey_ContrastLow; }
    void Set_ChromaKey_Color(TZRChromaColor v);
    void Set_ChromaKey_ContrastHigh(int32_t v);
    void Set_ChromaKey_ContrastLow(int32_t v);

    // --- Settings: audio
    ZR_SETTING(bool, Audio_Play, true)
    ZR_WSETTING(Audio_Output_Device)
    ZR_SETTING(bool, Audio_Effects_Enabled, false)
    ZR_SETTING(bool, Audio_Sample_Grabber_Enabled, false)

public:
    // --- General members
    std::wstring ControlVersion() const;
    void Cursor_Set(HCURSOR cursor);
    void Cursor_SetI(int32_t cursor);
    void Cursor_SetDefault();
    void Test() {}

    // --- Playback graph
    // False also when a host call made while this Play read the media information (the thread answers
    // other threads meanwhile) played, stopped or closed: that later call's outcome stands.
    bool Play();
    void Close();

    // --- Transport, position and speed
    void Pause();
    void Resume();
    void Stop();
    int32_t Position_Get_Time();
    int32_t Position_Get_Frame();
    bool Position_Set_Time(int32_t position);
    bool Position_Set_Frame(int32_t position);
    int32_t Duration_Time();
    int32_t Duration_Frames();
    bool SetSpeed(double speed);
    bool NextFrame();

    // --- Window: background image
    bool Background_Image_SetFromFile(const std::wstring& fileName);
    void Background_Image_Clear();

    // --- Video renderer
    void Screen_Update();
    void Screen_Video_Renderer_Deinterlace_Modes_Fill();
    int32_t Screen_Video_Renderer_Deinterlace_Modes_GetCount();
    std::wstring Screen_Video_Renderer_Deinterlace_Modes_GetItem(int32_t index);
    bool Filter_Supported_EVR();
    bool Filter_Supported_VMR9();

    // --- DirectShow filters
    void DirectShow_Filters_Blacklist_Add(const std::wstring& name);
    void DirectShow_Filters_Blacklist_Clear();
    int32_t DirectShow_Filters_GetCount();
    std::wstring DirectShow_Filters_GetItem(int32_t index);
    bool DirectShow_Filter_Has_Dialog(const std::wstring& name, TZRPropertyPage pageType);
    void DirectShow_Filter_Show_Dialog(const std::wstring& name, TZRPropertyPage pageType);
    int32_t DirectShow_Filter_Merit_Get(const std::wstring& name);
    bool DirectShow_Filter_Merit_Set(const std::wstring& name, int32_t merit);

    // --- Media information (the part a playback relies on)
    bool Info_Read();
    std::wstring Info_FileFormat();

    // --- Media information, codec and filter lists, debug dumps
    // Trial render of FilenameOrURL (never run): ErrorCode and ErrorText get the fixed code and text of
    // the render's result; true when the file can be played. False with both untouched when no graph
    // could be made.
    bool Info_IsFilePlayable(TZRFilePlayError& ErrorCode, std::wstring& ErrorText);
    int32_t Info_Video_Streams_Count();
    int32_t Info_Audio_Streams_Count();
    int32_t Info_Text_Streams_Count();
    bool Info_Audio_Streams_AllInOne();
    // Per-stream values of the last read (StreamNumber from 0). Video members answer 0 / "" for a number
    // not below the video count; a negative number (and for audio and text members a number not below
    // their count) throws std::out_of_range "List index out of bounds (<n>)", which the COM shell turns
    // into a failing HRESULT with that text.
    int32_t Info_Video_Width(int32_t StreamNumber);
    int32_t Info_Video_Height(int32_t StreamNumber);
    int32_t Info_Video_FramesCount(int32_t StreamNumber);
    int32_t Info_Video_AspectW(int32_t StreamNumber);
    int32_t Info_Video_AspectH(int32_t StreamNumber);
    double Info_Video_FrameRate(int32_t StreamNumber);
    double Info_Video_Bitrate(int32_t StreamNumber);
    double Info_Video_AspectRatio(int32_t StreamNumber);
    std::wstring Info_Video_Codec(int32_t StreamNumber);
    std::wstring Info_Video_FourCC(int32_t StreamNumber);
    std::wstring Info_Video_Duration(int32_t StreamNumber);
    std::wstring Info_Video_AspectRatioStr(int32_t StreamNumber);
    std::wstring Info_Video_MpegAudioTag(int32_t StreamNumber);
    int32_t Info_Video_DurationMSec(int32_t StreamNumber);  // low 32 bits of the length in ms
    int32_t Info_Audio_DurationMSec(int32_t StreamNumber);  // low 32 bits of the length in ms
    int32_t Info_Audio_Bitrate(int32_t StreamNumber);       // average bytes per second
    int32_t Info_Audio_BPS(int32_t StreamNumber);
    int32_t Info_Audio_Channels(int32_t StreamNumber);
    int32_t Info_Audio_SampleRate(int32_t StreamNumber);
    std::wstring Info_Audio_Codec(int32_t StreamNumber);
    std::wstring Info_Audio_CodecInfo(int32_t StreamNumber);
    std::wstring Info_Audio_Duration(int32_t StreamNumber);
    std::wstring Info_Text_Codec(int32_t StreamNumber);
    std::wstring Info_Text_Language(int32_t StreamNumber);
    std::wstring Info_Text_Name(int32_t StreamNumber);
    // Installed audio codecs, video codecs and DirectShow filters (empty until Info_Read_Lists; a failure
    // of the listing escapes). GetItem throws "List index out of bounds (<n>)" outside the list.
    void Info_Read_Lists();
    int32_t Info_List_AudioCodecs_GetCount();
    std::wstring Info_List_AudioCodecs_GetItem(int32_t Index);
    int32_t Info_List_VideoCodecs_GetCount();
    std::wstring Info_List_VideoCodecs_GetItem(int32_t Index);
    int32_t Info_List_DirectShowFilters_GetCount();
    std::wstring Info_List_DirectShowFilters_GetItem(int32_t Index);
    bool Info_Audio_Codec_HasDialog(const std::wstring& CodecName, TZRPropertyPage PageType);
    void Info_Audio_Codec_ShowDialog(const std::wstring& CodecName, TZRPropertyPage PageType);
    bool Info_Video_Codec_HasDialog(const std::wstring& CodecName, TZRPropertyPage PageType);
    void Info_Video_Codec_ShowDialog(const std::wstring& CodecName, TZRPropertyPage PageType);
    bool Info_Filter_HasDialog(const std::wstring& FilterName, TZRPropertyPage PageType);
    void Info_Filter_ShowDialog(const std::wstring& FilterName, TZRPropertyPage PageType);
    // "HH:MM:SS" (hours with two or more digits; a negative number after a minus sign).
    std::wstring Helpful_SecondsToTimeFormatted(int32_t seconds);

    // --- Video effects: the effect list, sent to the effects filter of each playback
    void Video_Effects_Clear();
    void Video_Effects_Remove(int32_t ID);
    void Video_Effects_Text_Logo(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled, const std::wstring& text,
                                 int32_t X, int32_t Y, bool TransparentBG, const std::wstring& FontName, int32_t FontSize,
                                 bool Bold, bool Italic, bool Underline, bool StrikeOut, uint32_t FontColor,
                                 uint32_t BGColor);
    void Video_Effects_Text_Logo_Plus(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                      const std::wstring& text, int32_t X, int32_t Y, const std::wstring& FontName,
                                      int32_t FontSize, bool Bold, bool Italic, bool Underline, bool StrikeOut,
                                      int32_t FontColor);
    void Video_Effects_Picture_Logo(const std::wstring& Filename, int32_t ID, int32_t StartTime, int32_t StopTime,
                                    bool Enabled, int32_t X, int32_t Y);
    void Video_Effects_Picture_Logo_Ex(const std::wstring& Filename, int32_t ID, int32_t StartTime, int32_t StopTime,
                                       bool Enabled, int32_t X, int32_t Y, HBITMAP HBmp, int32_t TranspLevel,
                                       uint32_t ColorKey, bool UseColorKey);
    void Video_Effects_Picture_Logo_ExI(const std::wstring& Filename, int32_t ID, int32_t StartTime, int32_t StopTime,
                                        bool Enabled, int32_t X, int32_t Y, int32_t HBmp, int32_t TranspLevel,
                                        uint32_t ColorKey, bool UseColorKey);
    void Video_Effects_Denoise_CAST(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled);
    void Video_Effects_Denoise_CAST_Params(int32_t ID, int32_t TemporalDifferenceThreshold,
                                           int32_t NumberOfMotionPixelsThreshold, int32_t StrongEdgeThreshold,
                                           int32_t BlockWidth, int32_t BlockHeight, int32_t EdgePixelWeight,
                                           int32_t NonEdgePixelWeight, int32_t GaussianThresholdY,
                                           int32_t GaussianThresholdUV, int32_t HistoryWeight);
    void Video_Effects_Denoise_Adaptive(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled, int32_t Threshold,
                                        int32_t BlurMode);
    void Video_Effects_Denoise_Mosquito(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled);
    void Video_Effects_Deinterlace_Blend(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                         int32_t Threshold1, int32_t Threshold2, double Constants1, double Constants2);
    void Video_Effects_Deinterlace_Triangle(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                            int32_t Weight);
    void Video_Effects_Deinterlace_CAVT(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled,
                                        int32_t Threshold);
    void Video_Effects_Text_Logo_Plus_Params_Effect(int32_t ID, zr::pix::TZRTextEffectMode Mode, int32_t InnerColor,
                                                    int32_t OuterColor, int32_t InnerSize, int32_t OuterSize);
    void Video_Effects_Text_Logo_Plus_Params_Gradient(int32_t ID, bool GradientEnabled,
                                                      zr::pix::TZRTextGradientMode Mode, int32_t Color1, int32_t Color2);
    void Video_Effects_Text_Logo_Plus_Params_Rect(int32_t ID, bool RectEnabled, int32_t RectWidth, int32_t RectHeight);
    void Video_Effects_Text_Logo_Plus_Params_Rotate(int32_t ID, zr::pix::TZRTextRotationMode RotationMode,
                                                    zr::pix::TZRTextFlipMode FlipMode);
    void Video_Effects_Text_Logo_Plus_Params_Shape(int32_t ID, bool Shape_Enabled, zr::pix::TZRTextShapeType type_,
                                                   int32_t X, int32_t Y, int32_t ShapeWidth, int32_t ShapeHeight,
                                                   int32_t Color);
    void Video_Effects_Text_Logo_Plus_Params_Text(int32_t ID, bool BGTransparent, int32_t BGColor, bool Vertical,
                                                  bool RightToLeft, zr::pix::TZRTextAlign Align,
                                                  zr::pix::TZRTextAntialiasingMode Antialiasing,
                                                  zr::pix::TZRTextDrawMode DrawMode);
    void Video_Effects_Text_Logo_Plus_Params_Transparency(int32_t ID, int32_t Transparency);
    void Video_Effects_Text_Logo_Plus_Params_DateTimeMode(int32_t ID, bool enabled_, const std::wstring& mask);
    void Video_Effects_Text_Logo_Plus_Params_Update(int32_t ID, bool Enabled);
    void Video_Effect_Ex(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled, zr::pix::TZREffectType Effect,
                         double Amount, const std::wstring& AdditionalParams);
    bool Video_Filters_Add(const std::wstring& Name);
    bool Video_Filters_Delete(const std::wstring& Name);
    void Video_Filters_Clear();
    // The stored effect records in list order (for inspection) and the effects wrapper of the playback.
    std::vector<const zr::pix::CZREffect*> EffectRecords() const;
    TDSVideoEffects* VideoEffects() const { return dsVideoEffects.get(); }

    // --- Inspection for the player's own tests and diagnostics
    bool HasGraph() const { return static_cast<bool>(dsFilterGraph); }
    IGraphBuilder* Graph() const { return dsFilterGraph.Get(); }
    TDSScreen* MainScreen() const { return dsMainScreen.get(); }
    bool AudioAvailable() const { return FAudioAvailable; }
    bool VideoAvailable() const { return FVideoAvailable; }
    // The audio renderer devices by friendly name, in the platform's order (read once, when first asked).
    const TZRWideStringList& AudioOutputDevices();

    // --- Motion reports (player_motion.cpp)
    // Pushes the thirteen motion settings to a running effects filter.
    void MotionDetection_Update();
    // The matrix text of the last motion report.
    std::wstring MotionMatrix();

    // --- Frames for the host and stills from files (player_frames.cpp, player_stills.cpp)
    // The last frame of this playback as a 24-bit bottom-up DIB section owned by the player (the same handle
    // while the frame size stays); false / 0 when there has been no frame yet.
    bool Frame_GetCurrent(HBITMAP& frame);
    HBITMAP Frame_GetCurrentH();
    int32_t Frame_GetCurrentI();
    // Writes the last frame as BMP, JPEG (with Quality), PNG, GIF or TIFF (Format 0 ... 4), zoomed by
    // Frame_Save_ZoomRatio and then resized when Frame_Save_Resize says so. Nothing happens without a frame.
    void Frame_Save(const std::wstring& Filename, int32_t Format, int32_t Quality);
    // A still of a video file at Position milliseconds: written to an image file, or as a new bitmap the
    // caller owns (0 on failure).
    bool Helpful_SaveFrameFromFile(const std::wstring& SourceFilename, int32_t Position,
                                   const std::wstring& OutputFilename, int32_t Format);
    HBITMAP Helpful_GetFrameFromFileH(const std::wstring& SourceFilename, int32_t Position);
    int32_t Helpful_GetFrameFromFileI(const std::wstring& SourceFilename, int32_t Position);

private:
    friend struct PlayerAccess;
    static LRESULT CALLBACK WndProcThunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultProcessing(UINT msg, WPARAM wp, LPARAM lp);
    bool RendererSpecificHandling(UINT msg, WPARAM wp, LPARAM lp);
    void MouseButton(bool down, TZRMouseButton button, WPARAM wp, LPARAM lp);
    void MouseWheel(WPARAM wp, LPARAM lp);
    void Paint(HDC dc);
    void PanelPaint(HDC dc);
    void Repaint();
    void HandleGraphEvents();

    TZRSysDevEnum* Filters();  // the legacy filter enumerator, filled on first use
    TZRVideoInfoMP& Reader();  // the media information reader; made again if it could not be made before
    void ReportError(const wchar_t* text);
    void ReportError(const std::wstring& text) { ReportError(text.c_str()); }

    // Playback graph steps
    void CreateGraph();
    void BuildGraph();
    void ClearGraph(bool clearAudioChains);
    void FindSplitter();
    bool ReadInfoForPlay();  // Play's information step; false when a host call made meanwhile took over
    void RegisterGraphForDebug();
    void SaveGraphDumps(const wchar_t* baseName);
    bool VideoEffects_AddFilter();
    // The callbacks handed to the effects filter (frames for the host, motion reports).
    static int32_t ZR_PIX_STDCALL VideoFrame_Callback(void* app, void* reserved, uint8_t* pixels, int32_t length,
                                                      int32_t width, int32_t height, int32_t startLo, int32_t startHi,
                                                      int32_t stopLo, int32_t stopHi, void* reserved2);
    static int32_t ZR_PIX_STDCALL Motion_Callback(void* app, uint8_t* matrix, int32_t length, int32_t level);
    void VideoEffects_SetupMotion();
    void VideoEffects_SetupChroma();
    // Motion reports wait for the window thread, except while the window thread changes the graph's state
    // (stopping, pausing, seeking, tearing down: the streaming thread must be able to finish then). A
    // TMotionHold on the window thread releases the waiting report and drops new ones while it lives.
    class TMotionHold {
    public:
        explicit TMotionHold(TZRMediaPlayer& p);
        ~TMotionHold();
        TMotionHold(const TMotionHold&) = delete;
        TMotionHold& operator=(const TMotionHold&) = delete;

    private:
        TZRMediaPlayer& FPlayer;
    };
    void HandleMotionMessage(WPARAM level, LPARAM report);
    void FreeFrameBuffer();
    // Effect list helpers
    CZREffect_Main* FindEffect(int32_t ID) const;
    CZREffect_Main& EffectForWrite(int32_t ID, bool& created);
    bool EffectPushAllowed() const;
    void PushEffect(const CZREffect_Main& item, bool created);
    template <class F>
    void StoreEffect(int32_t ID, int32_t StartTime, int32_t StopTime, bool Enabled, zr::pix::TZREffectType type, F&& fill);
    template <class F>
    void ChangeTextLogo(int32_t ID, F&& change);
    void MultiScreen_Build();
    bool MemorySource_Add();
    bool NetworkSource_Add();
    void DVD_BuildGraph();

    // Audio branch steps
    void Audio_AddRenderers();
    void Audio_RenderTo(IBaseFilter* from, int slot);
    void Audio_ConnectRenderers();
    void Audio_AddAdditionalFiles();
    void Audio_GetInterfaces();
    void Audio_AddEffectFilters();
    void Audio_AddSampleGrabbers();

    // Renderer builder steps
    void Screen_Prepare();
    void Screen_AddRenderer();
    void Screen_RenderFromSource();
    void Screen_RenderThroughDecoder();
    void Screen_RenderThroughEffects();
    void Screen_RenderThroughDecoderAndEffects();
    bool RenderThroughSplitter(IBaseFilter* renderer);
    IFilterGraph2* Graph2();

    // Seeking: every position change goes through here.
    HRESULT SeekTo(LONGLONG current, DWORD currentFlags, LONGLONG stop, DWORD stopFlags);
    LONGLONG FrameDuration();
    void SetZoomValue(int32_t& field, int32_t TDSScreen::*screenField, int32_t v);

    // --- window and state
    HWND FHandle = nullptr;
    bool FDesignMode = false;
    bool FComInitialized = false;
    ULONG_PTR FGdiplusToken = 0;
    HCURSOR FCursor = nullptr;
    TZRPlayerStatus FStatus = ST_FREE;
    uint32_t FGraphGeneration = 0;  // changes whenever a graph is built or torn down

    // --- settings with setters
    ComPtr<IStream> FSource_Stream;
    ComPtr<IUnknown> FSource_Stream_AX;
    int32_t FScreen_Zoom_Ratio = 0, FScreen_Zoom_ShiftX = 0, FScreen_Zoom_ShiftY = 0;
    COLORREF FBackground_Color = 0;
    TZRChromaColor FChromaKey_Color = Chroma_Green;
    int32_t FChromaKey_ContrastHigh = 70, FChromaKey_ContrastLow = 110;
    int32_t FAudioVolume[8] = {700, 700, 700, 700, 700, 700, 700, 700};
    int32_t FAudioBalance[8] = {};

    // --- per playback
    bool FAudioAvailable = false, FVideoAvailable = false;
    int32_t FVideoWidth = 0, FVideoHeight = 0;
    ComPtr<IGraphBuilder> dsFilterGraph;
    ComPtr<ICaptureGraphBuilder2> dsCaptureBuilder;
    ComPtr<IMediaControl> dsMediaControl;
    ComPtr<IMediaSeeking> dsMediaSeeking;
    ComPtr<IMediaEventEx> dsMediaEventEx;
    ComPtr<IVideoFrameStep> dsFrameStep;
    ComPtr<IBaseFilter> dsSource;
    ComPtr<IBaseFilter> dsSplitter;
    std::unique_ptr<TDSScreen> dsMainScreen;
    std::unique_ptr<TDSCatFilter> dsVideoDecoder;
    std::unique_ptr<TDSVideoEffects> dsVideoEffects;
    ComPtr<IBaseFilter> dsAudioRenderers[8];
    ComPtr<IBasicAudio> dsBasicAudio[8];
    ComPtr<IAMStreamSelect> dsStreamSelect;
    ComPtr<IAsyncExControl> dsAsyncExIntf;
    std::unique_ptr<TDSNetworkSource> dsMMSSource;
    DWORD FRotRegister = 0;
    int32_t FAudioStreamsCount = 0;
    bool FOSDUpdateLayers = false;

    // --- owned for the player's whole life
    std::vector<std::unique_ptr<CZREffect_Main>> FEffectList;
    std::unique_ptr<TZRVideoInfoMP> Info;
    std::unique_ptr<TZRGraphCallbacks> dsGraphCB;
    std::unique_ptr<TZRSysDevEnum> dsAudioOutputDevicesEnum;
    std::unique_ptr<TZRSysDevEnum> dsFilters;
    TZRWideStringList FAudioOutputDevices;
    TZRWideStringList FAdditionalAudioFiles;
    TZRWideStringList FDSFilters;
    TZRWideStringList FVideoRendererDeinterlaceModes;
    std::wstring FPreviousInfoFileName;
    int64_t FPreviousInfoFileSize = 0;
    // --- frames for the host: the last frame's pixels (bottom-up 24-bit rows) under FFrameLock. The streaming
    // thread writes them; the window thread reads them. FEventFrame belongs to the streaming thread (the
    // bitmap the frame events carry), FCurrentFrame to the window thread (the one the members hand out).
    SRWLOCK FFrameLock = SRWLOCK_INIT;
    std::vector<uint8_t> FCurrentBuffer;
    int32_t FCurrentFrameWidth = 0, FCurrentFrameHeight = 0;
    HBITMAP FCurrentFrame = nullptr;
    HBITMAP FEventFrame = nullptr;
    // --- motion reports: the matrix text and the hand-over to the window thread (under FMotionLock)
    SRWLOCK FMotionLock = SRWLOCK_INIT;
    CONDITION_VARIABLE FMotionDone = CONDITION_VARIABLE_INIT;
    std::wstring FMotionMatrix;
    uint64_t FMotionSeq = 0;      // number of the last report
    uint64_t FMotionWaiting = 0;  // the report waiting for the window thread (0: none)
    int FMotionHolds = 0;
    HBITMAP FBackgroundBitmap = nullptr;
    int FBackgroundWidth = 0, FBackgroundHeight = 0;
    bool FBackgroundInUse = false;
};

#undef ZR_SETTING
#undef ZR_WSETTING
