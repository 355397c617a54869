// Demo host: plays one media file through the player and prints its status, position and duration while
// it plays; exits when playback ends.
//   zrdemo [file] [--renderer vr|vmr9|evr|none] [--seconds N]
#include <windows.h>
#include <cstdio>
#include <cwchar>
#include <string>

#include "player/player.h"

namespace {
bool g_stopped = false;
void OnStopped(void*) { g_stopped = true; }
void OnErr(void*, const wchar_t* text) {
    std::fwprintf(stdout, L"error: %ls\n", text);
    std::fflush(stdout);
}
const wchar_t* StatusName(TZRPlayerStatus s) {
    switch (s) {
    case ST_PLAY: return L"playing";
    case ST_PAUSE: return L"paused";
    default: return L"free";
    }
}
LRESULT CALLBACK FrameProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_CLOSE) { g_stopped = true; return 0; }
    return DefWindowProcW(h, m, w, l);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring file;
    TZRVideoRenderer renderer = VR_VideoRenderer;  // draws into a child window on every platform
    double maxSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--renderer" && i + 1 < argc) {
            std::wstring r = argv[++i];
            renderer = r == L"vmr9" ? VR_VMR9 : r == L"evr" ? VR_EVR : r == L"none" ? VR_NONE : VR_VideoRenderer;
        } else if (a == L"--seconds" && i + 1 < argc) {
            maxSeconds = _wtof(argv[++i]);
        } else {
            file = a;
        }
    }
    if (file.empty()) {
        std::fwprintf(stderr, L"usage: zrdemo file [--renderer vr|vmr9|evr|none] [--seconds N]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    wc.lpszClassName = L"ZRDemoFrame";
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, L"ZRDemoFrame", L"ZR Media Player demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE |
                                 WS_CLIPCHILDREN, 60, 60, 680, 520, nullptr, nullptr, wc.hInstance, nullptr);
    int rc = 1;
    {
        TZRMediaPlayer player(frame, 10, 10, 640, 480);
        player.OnStop.Set(&OnStopped, nullptr);
        player.OnError.Set(&OnErr, nullptr);
        player.Set_FilenameOrURL(file);
        player.Set_Screen_VideoRenderer(renderer);
        std::fwprintf(stdout, L"playing %ls\n", file.c_str());
        std::fflush(stdout);
        if (player.Play()) {
            player.Screen_Update();
            DWORD start = GetTickCount(), lastPrint = 0;
            while (!g_stopped) {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
                DWORD now = GetTickCount() - start;
                if (now - lastPrint >= 500 || lastPrint == 0) {
                    lastPrint = now ? now : 1;
                    std::fwprintf(stdout, L"status %ls  position %d ms  duration %d ms\n", StatusName(player.Status()),
                                  player.Position_Get_Time(), player.Duration_Time());
                    std::fflush(stdout);
                }
                if (maxSeconds > 0 && now > maxSeconds * 1000) break;
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            }
            std::fwprintf(stdout, L"%ls\n", g_stopped ? L"end of playback" : L"time limit reached");
            rc = g_stopped ? 0 : 3;
        }
        player.Close();
    }
    DestroyWindow(frame);
    CoUninitialize();
    return rc;
}
