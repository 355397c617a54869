// Helpers shared by the Windows tests: media paths, message pumping, screen pixels.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Full Windows path of a generated test file (the media folder comes from ZR_MEDIA).
std::wstring MediaPath(const wchar_t* name);
// True when the generated file exists (tests skip a kind whose file could not be generated).
bool MediaExists(const wchar_t* name);

// Dispatches window messages of this thread for up to ms milliseconds, or until pred() holds.
bool PumpUntil(const std::function<bool()>& pred, DWORD ms);
void PumpFor(DWORD ms);

// A top-level or child host window for the tests (plain window class, white background).
HWND CreateHostWindow(int x, int y, int w, int h, HWND parent = nullptr);

// The screen as a person sees it, read at one moment. Under Wine it is an X screenshot of the root window
// (the X server's picture, which is what is on the display); on Windows a copy of the screen device context.
class ScreenShot {
public:
    static constexpr uint32_t kNoPixel = 0x808080;  // outside the picture, or no picture: classified '?'
    // False when no picture could be taken (the reason is written to stderr).
    bool Take();
    // A pixel as 0x00RRGGBB, in screen coordinates or in a window's client coordinates.
    uint32_t Pixel(int x, int y) const;
    uint32_t ClientPixel(HWND hwnd, int x, int y) const;
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    bool TakeFromX();
    bool TakeFromScreenDC();
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// One pixel of a new screenshot, as 0x00RRGGBB: in screen coordinates, or in a window's client coordinates.
uint32_t ScreenPixel(int x, int y);
uint32_t ClientPixel(HWND hwnd, int x, int y);
// Colour classes (see ColourClass) of client points of a window, all from one screenshot, as a string.
std::string ClientColours(HWND hwnd, const std::vector<POINT>& points);
// Rough colour classification for picture checks: 'R', 'G', 'B', 'W', 'K' (black), 'Y', 'C' (cyan), 'M'
// (magenta), '?'.
char ColourClass(uint32_t rgb);
