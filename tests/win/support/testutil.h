// Helpers shared by the Windows tests: media paths, message pumping, screen pixels.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>

// Full Windows path of a generated test file (the media folder comes from ZR_MEDIA).
std::wstring MediaPath(const wchar_t* name);
// True when the generated file exists (tests skip a kind whose file could not be generated).
bool MediaExists(const wchar_t* name);

// Dispatches window messages of this thread for up to ms milliseconds, or until pred() holds.
bool PumpUntil(const std::function<bool()>& pred, DWORD ms);
void PumpFor(DWORD ms);

// A top-level or child host window for the tests (plain window class, white background).
HWND CreateHostWindow(int x, int y, int w, int h, HWND parent = nullptr);

// Reads one pixel of the screen (root window) as 0x00RRGGBB.
uint32_t ScreenPixel(int x, int y);
// Reads one pixel of a window's client area, in client coordinates, as 0x00RRGGBB (from the screen).
uint32_t ClientPixel(HWND hwnd, int x, int y);
// Rough colour classification for picture checks: 'R', 'G', 'B', 'W', 'K' (black), 'Y', '?'.
char ColourClass(uint32_t rgb);
