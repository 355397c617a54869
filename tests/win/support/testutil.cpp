#include "testutil.h"
#include <cstdlib>
#include <vector>

std::wstring MediaPath(const wchar_t* name) {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"ZR_MEDIA", buf, MAX_PATH);
    std::wstring dir = (n > 0 && n < MAX_PATH) ? std::wstring(buf, n) : std::wstring(L".");
    return dir + L"\\" + name;
}

bool MediaExists(const wchar_t* name) {
    DWORD a = GetFileAttributesW(MediaPath(name).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool PumpUntil(const std::function<bool()>& pred, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (pred && pred()) return true;
        if (GetTickCount() - start >= ms) return pred ? pred() : true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) { PumpUntil(nullptr, ms); }

static LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

HWND CreateHostWindow(int x, int y, int w, int h, HWND parent) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = L"ZRTestHost";
        wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
        RegisterClassW(&wc);
        registered = true;
    }
    DWORD style = parent ? (WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN) : (WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
    // Top-level test windows stay above anything else on a shared display.
    HWND hwnd = CreateWindowExW(parent ? 0 : WS_EX_TOPMOST, L"ZRTestHost", L"test host", style, x, y, w, h, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return hwnd;
}

uint32_t ScreenPixel(int x, int y) {
    ScreenShot shot;
    return shot.Take() ? shot.Pixel(x, y) : ScreenShot::kNoPixel;
}

uint32_t ClientPixel(HWND hwnd, int x, int y) {
    ScreenShot shot;
    return shot.Take() ? shot.ClientPixel(hwnd, x, y) : ScreenShot::kNoPixel;
}

std::string ClientColours(HWND hwnd, const std::vector<POINT>& points) {
    ScreenShot shot;
    const bool taken = shot.Take();
    std::string s;
    for (const POINT& p : points) s += ColourClass(taken ? shot.ClientPixel(hwnd, p.x, p.y) : ScreenShot::kNoPixel);
    return s;
}

char ColourClass(uint32_t rgb) {
    int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    auto hi = [](int v) { return v >= 160; };
    auto lo = [](int v) { return v <= 90; };
    if (hi(r) && hi(g) && hi(b)) return 'W';
    if (lo(r) && lo(g) && lo(b)) return 'K';
    if (hi(r) && lo(g) && lo(b)) return 'R';
    if (lo(r) && hi(g) && lo(b)) return 'G';
    if (lo(r) && lo(g) && hi(b)) return 'B';
    if (hi(r) && hi(g) && lo(b)) return 'Y';
    if (lo(r) && hi(g) && hi(b)) return 'C';
    if (hi(r) && lo(g) && hi(b)) return 'M';
    return '?';
}
