#include "core/pixels/effect_record.h"

namespace zr::pix {

CZREffect CZREffect_Init() {
    static constexpr char16_t kArial[] = u"Arial";
    CZREffect e = {};
    e.TextLogo.transparent_bg = -1;
    e.TextLogo.font_name = kArial;
    e.TextLogo.font_size = 32;
    e.TextLogo.transp = 255;
    e.TextLogo.innerBorderSize = 1;
    e.TextLogo.outerBorderSize = 1;
    return e;
}

}  // namespace zr::pix
