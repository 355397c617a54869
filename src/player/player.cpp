// Construction, destruction, settings with immediate effect, the error path and general members.
#include "player/player.h"

#include <gdiplus.h>

#include "core/textutil.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "graph/sysdevenum.h"
#include "info/videoinfo.h"
#include "player/netsource.h"
#include "player/texts.h"

namespace {
const wchar_t kWindowClass[] = L"TZRMediaPlayer";

// The module that holds the player's code (the control DLL, or the program that links the player), so that
// two copies in one process never share a window class.
HINSTANCE CodeModule() {
    HMODULE m = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CodeModule), &m);
    return m ? m : GetModuleHandleW(nullptr);
}

void RegisterPlayerClass(WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(CodeModule(), kWindowClass, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = CodeModule();
    wc.hCursor = nullptr;  // WM_SETCURSOR shows the player's own cursor
    wc.hbrBackground = nullptr;  // opaque: nothing is erased behind the panel
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
}
}  // namespace

TZRMediaPlayer::TZRMediaPlayer(HWND parent, int x, int y, int width, int height) {
    // 1. The panel.
    try {
        RegisterPlayerClass(&TZRMediaPlayer::WndProcThunk);
        if (width < 5 && height < 5) { width = 40; height = 40; }
        DWORD style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE | (parent ? WS_CHILD : WS_POPUP);
        FHandle = CreateWindowExW(0, kWindowClass, L"", style, x, y, width, height, parent, nullptr,
                                  CodeModule(), this);
    } catch (...) {
    }
    // 2. COM for this thread, as a single-threaded apartment.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FComInitialized = SUCCEEDED(hr);
    // 3. GDI+.
    try {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&FGdiplusToken, &input, nullptr) != Gdiplus::Ok) FGdiplusToken = 0;
    } catch (...) {
        FGdiplusToken = 0;
    }
    // 4. Numbers: the player's own text conversions always use '.', so the process locale is left alone.
    // 5. Defaults are the member initialisers; the status starts free.
    FStatus = ST_FREE;
    // 6. Owned objects.
    try { dsGraphCB = std::make_unique<TZRGraphCallbacks>(); } catch (...) {}
    try { Info = std::make_unique<TZRVideoInfoMP>(); } catch (...) {}
    // 7. The two device enumerators, and with them the list of audio output devices, are filled when first
    // needed (Filters(), AudioOutputDevices()): enumerating a category costs time and, on some platforms,
    // handles that the platform keeps, which a host creating many controls would pay for nothing.
}

TZRSysDevEnum* TZRMediaPlayer::Filters() {
    if (!dsFilters) {
        try { dsFilters = std::make_unique<TZRSysDevEnum>(CLSID_LegacyAmFilterCategory); } catch (...) {}
    }
    return dsFilters.get();
}

const TZRWideStringList& TZRMediaPlayer::AudioOutputDevices() {
    if (!dsAudioOutputDevicesEnum) {
        try {
            dsAudioOutputDevicesEnum = std::make_unique<TZRSysDevEnum>(CLSID_AudioRendererCategory);
            FAudioOutputDevices.Clear();
            for (int32_t i = 0; i < dsAudioOutputDevicesEnum->CountFilters(); ++i)
                FAudioOutputDevices.Add(dsAudioOutputDevicesEnum->GetFilter(i).FriendlyName);
        } catch (...) {
        }
    }
    return FAudioOutputDevices;
}

TZRMediaPlayer::~TZRMediaPlayer() {
    try { Stop(); } catch (...) {}
    try {
        FAudioOutputDevices.Clear();
        FAdditionalAudioFiles.Clear();
        FDSFilters.Clear();
        FVideoRendererDeinterlaceModes.Clear();
        if (FBackgroundBitmap) DeleteObject(FBackgroundBitmap);
        FBackgroundBitmap = nullptr;
    } catch (...) {
    }
    try { ClearGraph(true); } catch (...) {}
    // The frame bitmaps (no streaming thread runs any more).
    if (FCurrentFrame) DeleteObject(FCurrentFrame);
    if (FEventFrame) DeleteObject(FEventFrame);
    FCurrentFrame = FEventFrame = nullptr;
    dsAudioOutputDevicesEnum.reset();
    dsFilters.reset();
    // The graph callback object goes last among the graph helpers: a graph that is still alive somewhere
    // keeps only a reference that no longer reaches it.
    dsGraphCB.reset();
    Info.reset();
    if (FHandle) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
        FHandle = nullptr;
    }
    if (FGdiplusToken) {
        try { Gdiplus::GdiplusShutdown(FGdiplusToken); } catch (...) {}
        FGdiplusToken = 0;
    }
    if (FComInitialized) CoUninitialize();
}

int TZRMediaPlayer::Width() const {
    RECT r = {};
    if (FHandle) GetClientRect(FHandle, &r);
    return r.right - r.left;
}

int TZRMediaPlayer::Height() const {
    RECT r = {};
    if (FHandle) GetClientRect(FHandle, &r);
    return r.bottom - r.top;
}

void TZRMediaPlayer::ReportError(const wchar_t* text) {
    if (!OnError) return;
    try {
        OnError(text ? text : L"");
    } catch (...) {
    }
}

std::wstring TZRMediaPlayer::ControlVersion() const { return ZRText::kControlVersion; }

void TZRMediaPlayer::Cursor_Set(HCURSOR cursor) {
    FCursor = cursor;
    if (!FHandle) return;
    POINT p;
    if (GetCursorPos(&p) && WindowFromPoint(p) == FHandle)
        SetCursor(FCursor ? FCursor : LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
}

void TZRMediaPlayer::Cursor_SetI(int32_t cursor) {
    // Handles widen to pointer size by sign extension.
    Cursor_Set(reinterpret_cast<HCURSOR>(static_cast<intptr_t>(cursor)));
}

void TZRMediaPlayer::Cursor_SetDefault() { Cursor_Set(LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW)); }

void TZRMediaPlayer::Repaint() {
    if (FHandle) RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// --- settings that take effect at once

void TZRMediaPlayer::SetZoomValue(int32_t& field, int32_t TDSScreen::*screenField, int32_t v) {
    field = v;
    try {
        if (FStatus != ST_FREE && dsMainScreen) {
            (*dsMainScreen).*screenField = v;
            dsMainScreen->Update_Renderer(Graph2());
        }
    } catch (...) {
    }
    Repaint();
}

void TZRMediaPlayer::Set_Screen_Zoom_Ratio(int32_t v) { SetZoomValue(FScreen_Zoom_Ratio, &TDSScreen::Screen_Zoom_Ratio, v); }
void TZRMediaPlayer::Set_Screen_Zoom_ShiftX(int32_t v) { SetZoomValue(FScreen_Zoom_ShiftX, &TDSScreen::Screen_Zoom_ShiftX, v); }
void TZRMediaPlayer::Set_Screen_Zoom_ShiftY(int32_t v) { SetZoomValue(FScreen_Zoom_ShiftY, &TDSScreen::Screen_Zoom_ShiftY, v); }

void TZRMediaPlayer::Set_Background_Color(COLORREF c) {
    FBackground_Color = c;
    try {
        if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
    } catch (...) {
    }
}

// The effects filter that would take these at once is not part of this build; they are stored for the next
// playback.
// The three chroma values reach a running effects filter at once (with the stored image file name).
void TZRMediaPlayer::Set_ChromaKey_Color(TZRChromaColor v) {
    FChromaKey_Color = v;
    if (dsVideoEffects) VideoEffects_SetupChroma();
}
void TZRMediaPlayer::Set_ChromaKey_ContrastHigh(int32_t v) {
    FChromaKey_ContrastHigh = v;
    if (dsVideoEffects) VideoEffects_SetupChroma();
}
void TZRMediaPlayer::Set_ChromaKey_ContrastLow(int32_t v) {
    FChromaKey_ContrastLow = v;
    if (dsVideoEffects) VideoEffects_SetupChroma();
}

// --- DirectShow filters

void TZRMediaPlayer::DirectShow_Filters_Blacklist_Add(const std::wstring& name) {
    try {
        if (dsGraphCB) dsGraphCB->BlackList().Add(name);
    } catch (...) {
    }
}

void TZRMediaPlayer::DirectShow_Filters_Blacklist_Clear() {
    try {
        if (dsGraphCB) dsGraphCB->BlackList().Clear();
    } catch (...) {
    }
}

int32_t TZRMediaPlayer::DirectShow_Filters_GetCount() {
    try {
        return FDSFilters.Count();
    } catch (...) {
        return 0;
    }
}

std::wstring TZRMediaPlayer::DirectShow_Filters_GetItem(int32_t index) {
    try {
        return FDSFilters.Get(index);
    } catch (...) {
        return {};
    }
}

bool TZRMediaPlayer::DirectShow_Filter_Has_Dialog(const std::wstring& name, TZRPropertyPage pageType) {
    try {
        TZRSysDevEnum* filters = Filters();
        if (!filters) return false;
        ComPtr<IBaseFilter> f = filters->GetBaseFilter(filters->FilterIndexOfFriendlyName(name));
        return HasPropertyPage(f.Get(), pageType);
    } catch (...) {
        return false;
    }
}

void TZRMediaPlayer::DirectShow_Filter_Show_Dialog(const std::wstring& name, TZRPropertyPage pageType) {
    try {
        TZRSysDevEnum* filters = Filters();
        if (!filters) return;
        ComPtr<IBaseFilter> f = filters->GetBaseFilter(filters->FilterIndexOfFriendlyName(name));
        ShowPropertyPage(nullptr, f.Get(), pageType);
    } catch (...) {
    }
}

int32_t TZRMediaPlayer::DirectShow_Filter_Merit_Get(const std::wstring& name) {
    try {
        TZRSysDevEnum* filters = Filters();
        return filters ? static_cast<int32_t>(filters->GetFilterMerit(name, L"")) : 0;
    } catch (...) {
        return 0;
    }
}

bool TZRMediaPlayer::DirectShow_Filter_Merit_Set(const std::wstring& name, int32_t merit) {
    try {
        TZRSysDevEnum* filters = Filters();
        return filters && filters->SetFilterMerit(name, L"", static_cast<uint32_t>(merit));
    } catch (...) {
        return false;
    }
}
