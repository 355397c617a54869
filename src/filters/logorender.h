// Text and picture logos drawn with GDI+ into BGRA pictures (straight alpha, top row first), ready for
// the portable blending kernel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/pixels/effect_record.h"

namespace zrf {

struct TZRLogoPicture {
    std::vector<uint8_t> bgra;
    int width = 0, height = 0;
    int x = 0, y = 0;  // where its top-left corner goes on the frame
    int alpha = 255;   // opacity of the whole picture
};

// Starts GDI+ for the filters (counted; the last Release shuts it down). False when it cannot start.
bool GdiplusAddRef();
void GdiplusRelease();

// The text (already resolved for date mode) with every parameter of the record's text logo.
bool RenderTextLogo(const zr::pix::CZRTextLogo& t, const std::wstring& text, const std::wstring& fontName,
                    TZRLogoPicture& out);
// The picture from the record's bitmap handle (when not 0) or file, placed as StretchMode says:
// 0 stretched over the frame, 1 fitted into the frame keeping its shape (centred), 2 centred at its own
// size, 3 and any other value at its own size at (x, y). The colour key and TranspLevel (0 opaque .. 255
// invisible) apply.
bool RenderPictureLogo(const zr::pix::CZRGraphicLogo& g, const std::wstring& fileName, int frameWidth,
                       int frameHeight, TZRLogoPicture& out);

}  // namespace zrf
