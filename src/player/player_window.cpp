// The player window: input events, graph events, painting, and the renderer members that follow it.
#include <windows.h>
#include <windowsx.h>
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>
#include <evr.h>
#include <gdiplus.h>

#include "core/timeconv.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "graph/sysdevenum.h"
#include "player/player.h"
#include "player/player_colour.h"
#include "player/texts.h"

LRESULT CALLBACK TZRMediaPlayer::WndProcThunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* self = static_cast<TZRMediaPlayer*>(cs->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->FHandle = hwnd;
    }
    auto* self = reinterpret_cast<TZRMediaPlayer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->WndProc(msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

namespace {
bool AltDown() { return (GetKeyState(VK_MENU) & 0x8000) != 0; }
int32_t LoX(LPARAM lp) { return static_cast<int32_t>(LOWORD(lp)); }
int32_t HiY(LPARAM lp) { return static_cast<int32_t>(HIWORD(lp)); }
}  // namespace

void TZRMediaPlayer::MouseButton(bool down, TZRMouseButton button, WPARAM wp, LPARAM lp) {
    const TZRMouseDownUpEvent& ev = down ? OnMouseDown : OnMouseUp;
    if (!ev) return;
    ev(button, LoX(lp), HiY(lp), (wp & MK_CONTROL) != 0, (wp & MK_SHIFT) != 0, AltDown(), (wp & MK_LBUTTON) != 0,
       (wp & MK_RBUTTON) != 0, (wp & MK_MBUTTON) != 0);
}

void TZRMediaPlayer::MouseWheel(WPARAM wp, LPARAM lp) {
    if (!GetSystemMetrics(SM_MOUSEWHEELPRESENT)) return;
    if (!OnMouseWheelUp && !OnMouseWheelDown) return;
    const int32_t delta = static_cast<int16_t>(HIWORD(wp));
    const WORD keys = LOWORD(wp);
    const bool ctrl = keys & MK_CONTROL, shift = keys & MK_SHIFT, alt = AltDown();
    const bool l = keys & MK_LBUTTON, r = keys & MK_RBUTTON, m = keys & MK_MBUTTON, x1 = keys & MK_XBUTTON1,
               x2 = keys & MK_XBUTTON2;
    if (delta > 0) {
        if (OnMouseWheelUp) OnMouseWheelUp(LoX(lp), HiY(lp), ctrl, shift, alt, l, r, m, x1, x2, delta);
    } else {
        if (OnMouseWheelDown) OnMouseWheelDown(LoX(lp), HiY(lp), ctrl, shift, alt, l, r, m, x1, x2, -delta);
    }
}

LRESULT TZRMediaPlayer::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (FDesignMode) return DefaultProcessing(msg, wp, lp);
    switch (msg) {
    case WM_LBUTTONDOWN: MouseButton(true, MB_LEFT, wp, lp); return 0;
    case WM_LBUTTONUP: MouseButton(false, MB_LEFT, wp, lp); return 0;
    case WM_LBUTTONDBLCLK: if (OnMouseDoubleClick) OnMouseDoubleClick(); return 0;
    case WM_RBUTTONUP: MouseButton(false, MB_RIGHT, wp, lp); return 0;
    case WM_RBUTTONDOWN: MouseButton(true, MB_RIGHT, wp, lp); return 0;
    case WM_MBUTTONUP: MouseButton(false, MB_MIDDLE, wp, lp); return 0;
    case WM_MBUTTONDOWN: MouseButton(true, MB_MIDDLE, wp, lp); return 0;
    case WM_MOUSEMOVE: if (OnMouseMove) OnMouseMove(LoX(lp), HiY(lp)); return 0;
    case WM_MOUSEWHEEL: MouseWheel(wp, lp); return 0;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP: {
        const WORD which = HIWORD(wp);
        if (which & XBUTTON1) MouseButton(msg == WM_XBUTTONDOWN, MB_X1, wp, lp);
        else if (which & XBUTTON2) MouseButton(msg == WM_XBUTTONDOWN, MB_X2, wp, lp);
        return TRUE;
    }
    case WM_KEYUP: if (OnKeyUp) OnKeyUp(static_cast<char>(wp & 0xFF), LOWORD(lp)); return 0;
    case WM_KEYDOWN: if (OnKeyDown) OnKeyDown(static_cast<char>(wp & 0xFF), LOWORD(lp)); return 0;
    case WM_ZR_STOP:
        FStatus = ST_FREE;
        if (OnStop) OnStop();
        return 0;
    case WM_ZR_REFRESH: Repaint(); return 0;
    case WM_ZR_DVDEVENT: return 0;
    case WM_ZR_GRAPHEVENT: HandleGraphEvents(); return 0;
    case WM_ZR_MOTION: HandleMotionMessage(wp, lp); return 0;
    default:
        break;
    }
    RendererSpecificHandling(msg, wp, lp);
    return DefaultProcessing(msg, wp, lp);
}

bool TZRMediaPlayer::RendererSpecificHandling(UINT msg, WPARAM, LPARAM) {
    if (!dsMainScreen) return false;
    TDSScreen& s = *dsMainScreen;
    try {
        if (FScreen_VideoRenderer == VR_VMR9 && s.pVMRWindowlessControl) {
            auto paintVmr = [&] {
                if (FStatus != ST_FREE) {
                    PAINTSTRUCT ps;
                    HDC dc = BeginPaint(FHandle, &ps);
                    s.pVMRWindowlessControl->RepaintVideo(FHandle, dc);
                    EndPaint(FHandle, &ps);
                } else {
                    HDC dc = GetDC(FHandle);
                    RECT r = {0, 0, Width(), Height()};
                    HBRUSH b = CreateSolidBrush(ZRScreenColour(FBackground_Color));
                    FillRect(dc, &r, b);
                    DeleteObject(b);
                    ReleaseDC(FHandle, dc);
                }
            };
            if (msg == WM_PAINT) {
                paintVmr();
            } else if (msg == WM_DISPLAYCHANGE) {
                Repaint();
                s.pVMRWindowlessControl->DisplayModeChanged();
            } else if (msg == WM_SIZE) {
                FOSDUpdateLayers = true;
                Repaint();
                s.width = Width();
                s.height = Height();
                s.Update_Renderer(Graph2());
                paintVmr();
                Repaint();
                SendMessageW(FHandle, WM_PAINT, 0, 0);
            }
        } else if (FScreen_VideoRenderer == VR_EVR && s.pMFVideoDisplayControl) {
            if (msg == WM_PAINT) {
                try { s.pMFVideoDisplayControl->RepaintVideo(); } catch (...) {}
            } else if (msg == WM_SIZE) {
                FOSDUpdateLayers = true;
                try { s.Update_Renderer(Graph2()); } catch (...) {}
            }
        } else if (FScreen_VideoRenderer == VR_VideoRenderer && s.pVideoWindow) {
            if (msg == WM_SIZE) {
                FOSDUpdateLayers = true;
                // The renderer window follows the panel's new size.
                s.width = Width();
                s.height = Height();
                s.Update_Renderer(Graph2());
            }
        }
    } catch (...) {
    }
    return true;
}

LRESULT TZRMediaPlayer::DefaultProcessing(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FHandle, &ps);
        if (dc) Paint(dc);
        EndPaint(FHandle, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // opaque: Paint covers the whole client area
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            SetCursor(FCursor ? FCursor : LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(FHandle, msg, wp, lp);
}

void TZRMediaPlayer::PanelPaint(HDC dc) {
    RECT r;
    GetClientRect(FHandle, &r);
    HBRUSH b = CreateSolidBrush(ZRScreenColour(FBackground_Color));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void TZRMediaPlayer::Paint(HDC dc) {
    try {
        const bool rendering = FStatus != ST_FREE && dsMainScreen && dsMainScreen->pVideoRenderer;
        if (rendering || !FBackgroundInUse || !FBackgroundBitmap) {
            PanelPaint(dc);
            return;
        }
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, FBackgroundBitmap);
        const int w = Width(), h = Height();
        switch (FBackground_Image_DrawMode) {
        case DM_Center: {
            PanelPaint(dc);
            int x = std::max(0, w - FBackgroundWidth) / 2;
            int y = std::max(0, h - FBackgroundHeight) / 2;
            BitBlt(dc, x, y, FBackgroundWidth, FBackgroundHeight, mem, 0, 0, SRCCOPY);
            break;
        }
        case DM_Stretch:
            SetStretchBltMode(dc, HALFTONE);
            StretchBlt(dc, 0, 0, w, h, mem, 0, 0, FBackgroundWidth, FBackgroundHeight, SRCCOPY);
            break;
        case DM_Repeat:
            if (FBackgroundWidth > 0 && FBackgroundHeight > 0)
                for (int y = 0; y < h; y += FBackgroundHeight)
                    for (int x = 0; x < w; x += FBackgroundWidth)
                        BitBlt(dc, x, y, FBackgroundWidth, FBackgroundHeight, mem, 0, 0, SRCCOPY);
            break;
        }
        SelectObject(mem, old);
        DeleteDC(mem);
    } catch (...) {
    }
}

void TZRMediaPlayer::HandleGraphEvents() {
    ComPtr<IMediaEventEx> events = dsMediaEventEx;  // kept alive even if a handler tears the graph down
    if (!events) return;
    const uint32_t generation = FGraphGeneration;
    try {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (SUCCEEDED(events->GetEvent(&code, &p1, &p2, 0))) {
            events->FreeEventParams(code, p1, p2);
            if (code != EC_COMPLETE) continue;
            if (!FLoop) {
                if (dsMediaControl) {
                    TMotionHold hold(*this);
                    dsMediaControl->Stop();
                }
                FStatus = ST_FREE;
                if (OnStop) OnStop();
                Repaint();
            } else if (FSelection_Active) {
                SeekTo(MsToUnits(FSelection_Start), AM_SEEKING_AbsolutePositioning, MsToUnits(FSelection_Stop),
                       AM_SEEKING_AbsolutePositioning);
            } else {
                SeekTo(0, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning);
            }
            // A handler that closed the playback or started a new one ends this round: the events left
            // belong to a graph that is gone.
            if (generation != FGraphGeneration) break;
        }
    } catch (...) {
    }
}

bool TZRMediaPlayer::Background_Image_SetFromFile(const std::wstring& fileName) {
    try {
        if (!FGdiplusToken || fileName.empty()) return false;
        Gdiplus::Bitmap image(fileName.c_str(), FALSE);
        if (image.GetLastStatus() != Gdiplus::Ok) return false;
        const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
        if (w <= 0 || h <= 0) return false;
        HBITMAP hbm = nullptr;
        if (image.GetHBITMAP(Gdiplus::Color(255, 0, 0, 0), &hbm) != Gdiplus::Ok || !hbm) return false;
        HDC screen = GetDC(nullptr);
        HBITMAP target = CreateCompatibleBitmap(screen, w, h);
        HDC src = CreateCompatibleDC(screen), dst = CreateCompatibleDC(screen);
        HGDIOBJ o1 = SelectObject(src, hbm), o2 = SelectObject(dst, target);
        BitBlt(dst, 0, 0, w, h, src, 0, 0, SRCCOPY);
        SelectObject(src, o1);
        SelectObject(dst, o2);
        DeleteDC(src);
        DeleteDC(dst);
        ReleaseDC(nullptr, screen);
        DeleteObject(hbm);
        if (!target) return false;
        if (FBackgroundBitmap) DeleteObject(FBackgroundBitmap);
        FBackgroundBitmap = target;
        FBackgroundWidth = w;
        FBackgroundHeight = h;
        FBackgroundInUse = true;
        Repaint();
        return true;
    } catch (...) {
        return false;
    }
}

void TZRMediaPlayer::Background_Image_Clear() {
    try {
        FBackgroundInUse = false;
        Repaint();
    } catch (...) {
    }
}

// --- renderer members

void TZRMediaPlayer::Screen_Update() {
    try {
        if (!dsMainScreen) return;
        TDSScreen& s = *dsMainScreen;
        if (s.FAspect_Ratio_Override != FScreen_Aspect_Ratio_Override || s.FAspect_Ratio_X != FScreen_Aspect_Ratio_X ||
            s.FAspect_Ratio_Y != FScreen_Aspect_Ratio_Y) {
            s.FAspect_Ratio_Override = FScreen_Aspect_Ratio_Override;
            s.FAspect_Ratio_X = FScreen_Aspect_Ratio_X;
            s.FAspect_Ratio_Y = FScreen_Aspect_Ratio_Y;
            HDC dc = GetDC(FHandle);
            RECT r = {0, 0, Width(), Height()};
            HBRUSH b = CreateSolidBrush(ZRScreenColour(FBackground_Color));
            FillRect(dc, &r, b);
            DeleteObject(b);
            ReleaseDC(FHandle, dc);
        }
        s.FBorderColor = ZRScreenColour(FBackground_Color);
        s.FlipHorizontal = FScreen_Flip_Horizontal;
        s.FlipVertical = FScreen_Flip_Vertical;
        s.height = Height();
        s.width = Width();
        s.ScreenHandle = FHandle;
        s.Stretch = FScreen_Stretch;
        s.Screen_Zoom_Ratio = FScreen_Zoom_Ratio;
        s.Screen_Zoom_ShiftX = FScreen_Zoom_ShiftX;
        s.Screen_Zoom_ShiftY = FScreen_Zoom_ShiftY;
        s.RendererDeinterlaceMode = FScreen_Video_Renderer_Deinterlace_Mode;
        s.RendererDeinterlaceUseDefault = FScreen_Video_Renderer_Deinterlace_UseDefault;
        s.FOnError = OnError;
        s.Update_Renderer(Graph2());
        Repaint();
    } catch (...) {
    }
}

void TZRMediaPlayer::Screen_Video_Renderer_Deinterlace_Modes_Fill() {
    try {
        FVideoRendererDeinterlaceModes.Clear();
        if (FScreen_VideoRenderer != VR_VMR9) return;
        std::vector<std::wstring> modes;
        FillDeinterlaceModes(modes);
        for (auto& m : modes) FVideoRendererDeinterlaceModes.Add(m);
    } catch (...) {
    }
}

int32_t TZRMediaPlayer::Screen_Video_Renderer_Deinterlace_Modes_GetCount() { return FVideoRendererDeinterlaceModes.Count(); }

std::wstring TZRMediaPlayer::Screen_Video_Renderer_Deinterlace_Modes_GetItem(int32_t index) {
    if (index < 0 || index >= FVideoRendererDeinterlaceModes.Count()) return {};
    return FVideoRendererDeinterlaceModes.Get(index);
}

bool TZRMediaPlayer::Filter_Supported_EVR() {
    try {
        if (!Filters() || Filters()->FilterIndexOfFriendlyName(ZRText::kEvrFriendlyName) < 0) return false;
        return RendererSupported(zr::CLSID_EnhancedVideoRenderer, L"EVR");
    } catch (...) {
        return false;
    }
}

bool TZRMediaPlayer::Filter_Supported_VMR9() {
    try {
        if (!Filters() || Filters()->FilterIndexOfFriendlyName(ZRText::kVmr9FriendlyName) < 0) return false;
        return RendererSupported(CLSID_VideoMixingRenderer9, L"VMR9");
    } catch (...) {
        return false;
    }
}
