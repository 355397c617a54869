// The colour a colour setting shows on screen.
#pragma once
#include <windows.h>
#include <olectl.h>

// An OLE system colour (0x80 in the high byte, e.g. 0x8000000F for the face of buttons) becomes the system's
// current colour of that kind, or black when the system has no colour of that index; any other value paints
// its low 24 bits (0x00BBGGRR).
inline COLORREF ZRScreenColour(COLORREF c) {
    if ((c >> 24) != 0x80) return c & 0x00FFFFFFu;
    COLORREF rgb = 0;
    if (FAILED(OleTranslateColor(static_cast<OLE_COLOR>(c), nullptr, &rgb))) return 0;
    return rgb & 0x00FFFFFFu;
}
