#include "filters/logorender.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
using std::max;
using std::min;
#include <gdiplus.h>

#include "core/pixels/blend.h"

namespace zrf {

namespace G = Gdiplus;

namespace {

std::mutex gGdiplusLock;
int gGdiplusRefs = 0;
ULONG_PTR gGdiplusToken = 0;

G::Color ColourOf(uint32_t bgr, BYTE alpha = 255) {
    return G::Color(alpha, static_cast<BYTE>(bgr & 0xFF), static_cast<BYTE>((bgr >> 8) & 0xFF),
                    static_cast<BYTE>((bgr >> 16) & 0xFF));
}

// Copies a GDI+ bitmap into straight-alpha BGRA.
bool ToBgra(G::Bitmap& bmp, TZRLogoPicture& out) {
    const int w = static_cast<int>(bmp.GetWidth()), h = static_cast<int>(bmp.GetHeight());
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;
    G::Rect r(0, 0, w, h);
    G::BitmapData data = {};
    if (bmp.LockBits(&r, G::ImageLockModeRead, PixelFormat32bppARGB, &data) != G::Ok) return false;
    out.width = w;
    out.height = h;
    out.bgra.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        std::memcpy(out.bgra.data() + static_cast<size_t>(y) * w * 4,
                    static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(data.Stride) * y,
                    static_cast<size_t>(w) * 4);
    bmp.UnlockBits(&data);
    return true;
}

G::RotateFlipType RotateFlipOf(int32_t rotation, int32_t flip) {
    // RotateNoneFlipNone = 0, Rotate90 = 1, Rotate180 = 2, Rotate270 = 3; FlipX adds 4; FlipXY = Rotate180.
    const int rot = rotation >= 0 && rotation <= 3 ? rotation : 0;
    int v = rot;
    if (flip == zr::pix::fm_x) v = rot + 4;
    else if (flip == zr::pix::fm_y) v = ((rot + 2) % 4) + 4;  // a vertical flip is a horizontal one turned 180
    else if (flip == zr::pix::fm_x_and_y) v = (rot + 2) % 4;
    return static_cast<G::RotateFlipType>(v);
}

G::TextRenderingHint HintOf(int32_t mode) {
    switch (mode) {
    case zr::pix::am_SingleBitPerPixelGridFit: return G::TextRenderingHintSingleBitPerPixelGridFit;
    case zr::pix::am_SingleBitPerPixel: return G::TextRenderingHintSingleBitPerPixel;
    case zr::pix::am_AntiAliasGridFit: return G::TextRenderingHintAntiAliasGridFit;
    case zr::pix::am_AntiAlias: return G::TextRenderingHintAntiAlias;
    case zr::pix::am_ClearTypeGridFit: return G::TextRenderingHintClearTypeGridFit;
    default: return G::TextRenderingHintSystemDefault;
    }
}

void ApplyDrawQuality(G::Graphics& g, int32_t q) {
    using namespace zr::pix;
    switch (q) {
    case dq_nearest_neighbor:
    case dq_standard_lq:
        g.SetSmoothingMode(G::SmoothingModeNone);
        g.SetInterpolationMode(G::InterpolationModeNearestNeighbor);
        g.SetPixelOffsetMode(G::PixelOffsetModeNone);
        break;
    case dq_bilinear:
    case dq_bicubic:
    case dq_standard_hq:
        g.SetSmoothingMode(G::SmoothingModeAntiAlias);
        g.SetInterpolationMode(q == dq_bicubic ? G::InterpolationModeBicubic : G::InterpolationModeBilinear);
        break;
    case dq_system_default: g.SetSmoothingMode(G::SmoothingModeDefault); break;
    default:  // the high-quality modes
        g.SetSmoothingMode(G::SmoothingModeHighQuality);
        g.SetInterpolationMode(q == dq_bilinear_hq ? G::InterpolationModeHighQualityBilinear
                                                   : G::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(G::PixelOffsetModeHighQuality);
        break;
    }
}

}  // namespace

bool GdiplusAddRef() {
    std::lock_guard<std::mutex> l(gGdiplusLock);
    if (gGdiplusRefs == 0) {
        G::GdiplusStartupInput in;
        if (G::GdiplusStartup(&gGdiplusToken, &in, nullptr) != G::Ok) return false;
    }
    ++gGdiplusRefs;
    return true;
}

void GdiplusRelease() {
    std::lock_guard<std::mutex> l(gGdiplusLock);
    if (gGdiplusRefs > 0 && --gGdiplusRefs == 0) G::GdiplusShutdown(gGdiplusToken);
}

bool RenderTextLogo(const zr::pix::CZRTextLogo& t, const std::wstring& text, const std::wstring& fontName,
                    TZRLogoPicture& out) {
    using namespace zr::pix;
    out = TZRLogoPicture();
    if (text.empty()) return false;
    const float size = static_cast<float>(t.font_size > 0 && t.font_size <= 2000 ? t.font_size : 32);
    int style = G::FontStyleRegular;
    if (t.font_bold) style |= G::FontStyleBold;
    if (t.font_italic) style |= G::FontStyleItalic;
    if (t.font_underline) style |= G::FontStyleUnderline;
    if (t.font_strikeout) style |= G::FontStyleStrikeout;
    std::unique_ptr<G::FontFamily> family(new G::FontFamily(fontName.empty() ? L"Arial" : fontName.c_str()));
    if (family->GetLastStatus() != G::Ok) {
        family.reset(G::FontFamily::GenericSansSerif() ? G::FontFamily::GenericSansSerif()->Clone() : nullptr);
        if (!family || family->GetLastStatus() != G::Ok) return false;
    }
    if (!family->IsStyleAvailable(style)) style &= ~(G::FontStyleBold | G::FontStyleItalic);
    G::StringFormat format(G::StringFormat::GenericTypographic());
    INT flags = format.GetFormatFlags() & ~G::StringFormatFlagsLineLimit;
    if (t.rightToLeft) flags |= G::StringFormatFlagsDirectionRightToLeft;
    if (t.vertical) flags |= G::StringFormatFlagsDirectionVertical;
    if (t.rectWidth <= 0 || t.rectHeight <= 0) flags |= G::StringFormatFlagsNoWrap;
    format.SetFormatFlags(flags);
    format.SetAlignment(t.align == al_center ? G::StringAlignmentCenter
                        : t.align == al_right ? G::StringAlignmentFar
                                              : G::StringAlignmentNear);

    // The text's box: the given rectangle, or the measured text.
    G::Bitmap probe(1, 1, PixelFormat32bppARGB);
    G::Graphics pg(&probe);
    pg.SetTextRenderingHint(HintOf(t.antialiasing));
    G::GraphicsPath path;
    const float em = size;
    G::RectF layout;
    if (t.rectWidth > 0 && t.rectHeight > 0) {
        layout = G::RectF(0, 0, static_cast<float>(std::min(t.rectWidth, 8192)), static_cast<float>(std::min(t.rectHeight, 8192)));
        path.AddString(text.c_str(), static_cast<INT>(text.size()), family.get(), style, em, layout, &format);
    } else {
        path.AddString(text.c_str(), static_cast<INT>(text.size()), family.get(), style, em, G::PointF(0, 0), &format);
        G::RectF b;
        path.GetBounds(&b);
        layout = G::RectF(0, 0, std::max(1.0f, b.X + b.Width) + 2, std::max(em, b.Y + b.Height) + 2);
    }
    const int mode = t.borderMode;
    const float inner = static_cast<float>(std::clamp(t.innerBorderSize, 0, 100));
    const float outer = static_cast<float>(std::clamp(t.outerBorderSize, 0, 100));
    const float margin = std::ceil(std::max(inner, outer) * (mode == bm_halo ? 3.0f : 1.0f)) + 2;
    // The canvas holds the text box with its borders, and the background shape.
    float left = -margin, top = -margin, right = layout.Width + margin, bottom = layout.Height + margin;
    if (t.bgShape && t.bgShapeWidth > 0 && t.bgShapeHeight > 0) {
        left = std::min(left, static_cast<float>(t.bgShapeX));
        top = std::min(top, static_cast<float>(t.bgShapeY));
        right = std::max(right, static_cast<float>(t.bgShapeX + std::min(t.bgShapeWidth, 8192)));
        bottom = std::max(bottom, static_cast<float>(t.bgShapeY + std::min(t.bgShapeHeight, 8192)));
    }
    const int w = std::clamp(static_cast<int>(std::ceil(right - left)), 1, 8192);
    const int h = std::clamp(static_cast<int>(std::ceil(bottom - top)), 1, 8192);
    G::Bitmap canvas(w, h, PixelFormat32bppARGB);
    if (canvas.GetLastStatus() != G::Ok) return false;
    {
        G::Graphics g(&canvas);
        g.Clear(G::Color(0, 0, 0, 0));
        ApplyDrawQuality(g, t.drawQuality);
        g.SetTextRenderingHint(HintOf(t.antialiasing));
        g.TranslateTransform(-left, -top);
        if (!t.transparent_bg) {
            G::SolidBrush bg(ColourOf(t.bg_color));
            g.FillRectangle(&bg, -margin, -margin, layout.Width + 2 * margin, layout.Height + 2 * margin);
        }
        if (t.bgShape && t.bgShapeWidth > 0 && t.bgShapeHeight > 0) {
            G::SolidBrush sb(ColourOf(t.bgShapeColor));
            const G::RectF r(static_cast<float>(t.bgShapeX), static_cast<float>(t.bgShapeY),
                             static_cast<float>(t.bgShapeWidth), static_cast<float>(t.bgShapeHeight));
            if (t.bgShapeType == st_ellipse) g.FillEllipse(&sb, r);
            else g.FillRectangle(&sb, r);
        }
        std::unique_ptr<G::Brush> fill;
        if (t.gradient) {
            const G::LinearGradientMode gm = t.gradientMode == gm_vertical ? G::LinearGradientModeVertical
                                             : t.gradientMode == gm_forward_diagonal ? G::LinearGradientModeForwardDiagonal
                                             : t.gradientMode == gm_backward_diagonal ? G::LinearGradientModeBackwardDiagonal
                                                                                      : G::LinearGradientModeHorizontal;
            fill.reset(new G::LinearGradientBrush(layout, ColourOf(t.gradientColor1), ColourOf(t.gradientColor2), gm));
        } else {
            fill.reset(new G::SolidBrush(ColourOf(t.font_color)));
        }
        G::Pen innerPen(ColourOf(t.innerBorderColor), inner);
        G::Pen outerPen(ColourOf(t.outerBorderColor), outer * 2);
        innerPen.SetLineJoin(G::LineJoinRound);
        outerPen.SetLineJoin(G::LineJoinRound);
        switch (mode) {
        case bm_inner:
            g.FillPath(fill.get(), &path);
            innerPen.SetAlignment(G::PenAlignmentInset);
            g.DrawPath(&innerPen, &path);
            break;
        case bm_outer:
            if (outer > 0) g.DrawPath(&outerPen, &path);
            g.FillPath(fill.get(), &path);
            break;
        case bm_inner_and_outer:
            if (outer > 0) g.DrawPath(&outerPen, &path);
            g.FillPath(fill.get(), &path);
            innerPen.SetAlignment(G::PenAlignmentInset);
            if (inner > 0) g.DrawPath(&innerPen, &path);
            break;
        case bm_embossed: {
            G::SolidBrush light(ColourOf(t.innerBorderColor)), dark(ColourOf(t.outerBorderColor));
            const float d = std::max(1.0f, std::max(inner, outer));
            g.TranslateTransform(-d, -d);
            g.FillPath(&light, &path);
            g.TranslateTransform(2 * d, 2 * d);
            g.FillPath(&dark, &path);
            g.TranslateTransform(-d, -d);
            g.FillPath(fill.get(), &path);
            break;
        }
        case bm_outline:
            if (inner > 0) g.DrawPath(&innerPen, &path);
            break;
        case bm_filled_outline:
            g.FillPath(fill.get(), &path);
            if (outer > 0) {
                G::Pen p(ColourOf(t.outerBorderColor), outer);
                g.DrawPath(&p, &path);
            }
            break;
        case bm_halo: {
            // A soft glow: wide pens of falling opacity around the letters.
            const int steps = 4;
            for (int i = steps; i >= 1; --i) {
                G::Pen p(ColourOf(t.outerBorderColor, static_cast<BYTE>(255 / (i + 1))), outer * 2 * i);
                p.SetLineJoin(G::LineJoinRound);
                g.DrawPath(&p, &path);
            }
            g.FillPath(fill.get(), &path);
            break;
        }
        default: g.FillPath(fill.get(), &path); break;
        }
    }
    const G::RotateFlipType rf = RotateFlipOf(t.rotationMode, t.flipMode);
    if (rf != G::RotateNoneFlipNone) canvas.RotateFlip(rf);
    if (!ToBgra(canvas, out)) return false;
    out.x = static_cast<int>(std::floor(t.x + left));
    out.y = static_cast<int>(std::floor(t.y + top));
    out.alpha = std::clamp(t.transp, 0, 255);
    return true;
}

bool RenderPictureLogo(const zr::pix::CZRGraphicLogo& gl, const std::wstring& fileName, int frameWidth,
                       int frameHeight, TZRLogoPicture& out) {
    out = TZRLogoPicture();
    std::unique_ptr<G::Bitmap> src;
    if (gl.hBmp != 0) {
        const HBITMAP h = reinterpret_cast<HBITMAP>(static_cast<intptr_t>(gl.hBmp));
        BITMAP info = {};
        if (GetObjectW(h, sizeof info, &info) == 0) return false;
        src.reset(G::Bitmap::FromHBITMAP(h, nullptr));
    } else if (!fileName.empty()) {
        src.reset(G::Bitmap::FromFile(fileName.c_str()));
    }
    if (!src || src->GetLastStatus() != G::Ok) return false;
    const int iw = static_cast<int>(src->GetWidth()), ih = static_cast<int>(src->GetHeight());
    if (iw <= 0 || ih <= 0 || frameWidth <= 0 || frameHeight <= 0) return false;
    int w = iw, h = ih, x = gl.x, y = gl.y;
    switch (gl.StretchMode) {
    case 0:
        w = frameWidth;
        h = frameHeight;
        x = y = 0;
        break;
    case 1: {
        const double s = std::min(static_cast<double>(frameWidth) / iw, static_cast<double>(frameHeight) / ih);
        w = std::max(1, static_cast<int>(iw * s));
        h = std::max(1, static_cast<int>(ih * s));
        x = (frameWidth - w) / 2;
        y = (frameHeight - h) / 2;
        break;
    }
    case 2:
        x = (frameWidth - iw) / 2;
        y = (frameHeight - ih) / 2;
        break;
    default: break;
    }
    w = std::min(w, 8192);
    h = std::min(h, 8192);
    TZRLogoPicture pic;
    if (w == iw && h == ih) {
        if (!ToBgra(*src, pic)) return false;
    } else {
        G::Bitmap scaled(w, h, PixelFormat32bppARGB);
        {
            G::Graphics g(&scaled);
            g.Clear(G::Color(0, 0, 0, 0));
            g.SetInterpolationMode(G::InterpolationModeHighQualityBicubic);
            g.SetPixelOffsetMode(G::PixelOffsetModeHalf);
            g.DrawImage(src.get(), G::Rect(0, 0, w, h), 0, 0, iw, ih, G::UnitPixel);
        }
        if (!ToBgra(scaled, pic)) return false;
    }
    // The key compares the picture's own colours: applied before any scaling blends them.
    if (gl.UseColorKey) {
        if (w == iw && h == ih) {
            zr::pix::ApplyColourKey(pic.bgra.data(), pic.width, pic.height, static_cast<ptrdiff_t>(pic.width) * 4, gl.ColorKey);
        } else {
            TZRLogoPicture orig;
            if (ToBgra(*src, orig)) {
                zr::pix::ApplyColourKey(orig.bgra.data(), orig.width, orig.height, static_cast<ptrdiff_t>(orig.width) * 4,
                                        gl.ColorKey);
                // Nearest source pixel decides whether a scaled pixel is keyed out.
                for (int yy = 0; yy < h; ++yy)
                    for (int xx = 0; xx < w; ++xx) {
                        const int sx = std::min(iw - 1, xx * iw / w), sy = std::min(ih - 1, yy * ih / h);
                        if (orig.bgra[(static_cast<size_t>(sy) * iw + sx) * 4 + 3] == 0)
                            pic.bgra[(static_cast<size_t>(yy) * w + xx) * 4 + 3] = 0;
                    }
            }
        }
    }
    out = std::move(pic);
    out.x = x;
    out.y = y;
    out.alpha = 255 - std::clamp(gl.TranspLevel, 0, 255);
    return true;
}

}  // namespace zrf
