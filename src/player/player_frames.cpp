// Frames for the host: the effects filter's frame callback, the frame events, the last frame as a bitmap and
// saved as an image file.
//
// The streaming thread copies every frame into FCurrentBuffer under FFrameLock (held only for the copy) and
// raises the frame events itself, with no lock held, on a bitmap of its own (FEventFrame): a handler may take
// as long as it likes, call back into the player or wait for the window thread, and the window thread's
// members (which rebuild FCurrentFrame from the buffer under the same lock) never see half a frame.
#include "player/player.h"

#include <gdiplus.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr int kMaxSide = 16384;

BITMAPINFO Bgr24Info(int width, int height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    bi.bmiHeader.biSizeImage = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    return bi;
}

// Puts the pixels into bmp: into its own memory when it is a 24-bit section of that size, otherwise into a
// new section that replaces it. A failure leaves bmp as it was.
void FrameToBitmap(HBITMAP& bmp, const uint8_t* pixels, size_t length, int width, int height) {
    if (!pixels || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return;
    const BITMAPINFO bi = Bgr24Info(width, height);
    const size_t bytes = std::min<size_t>(length, bi.bmiHeader.biSizeImage);
    if (bmp) {
        DIBSECTION ds = {};
        if (GetObjectW(bmp, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits && ds.dsBmih.biBitCount == 24 &&
            ds.dsBmih.biWidth == width && ds.dsBmih.biHeight == height) {
            GdiFlush();
            std::memcpy(ds.dsBm.bmBits, pixels, bytes);
            return;
        }
    }
    void* bits = nullptr;
    HBITMAP fresh = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!fresh) return;
    if (!bits) {
        DeleteObject(fresh);
        return;
    }
    std::memcpy(bits, pixels, bytes);
    if (bmp) DeleteObject(bmp);
    bmp = fresh;
}

}  // namespace

void TZRMediaPlayer::FreeFrameBuffer() {
    AcquireSRWLockExclusive(&FFrameLock);
    std::vector<uint8_t>().swap(FCurrentBuffer);
    FCurrentFrameWidth = FCurrentFrameHeight = 0;
    ReleaseSRWLockExclusive(&FFrameLock);
}

int32_t ZR_PIX_STDCALL TZRMediaPlayer::VideoFrame_Callback(void* app, void*, uint8_t* pixels, int32_t length,
                                                           int32_t width, int32_t height, int32_t startLo, int32_t,
                                                           int32_t stopLo, int32_t, void*) {
    auto* p = static_cast<TZRMediaPlayer*>(app);
    if (!p || !pixels || length <= 0) return 0;
    try {
        AcquireSRWLockExclusive(&p->FFrameLock);
        try {
            if (p->FCurrentBuffer.size() != static_cast<size_t>(length)) {
                std::vector<uint8_t> fresh(static_cast<size_t>(length));  // a failure keeps the old buffer
                p->FCurrentBuffer.swap(fresh);
            }
            std::memcpy(p->FCurrentBuffer.data(), pixels, static_cast<size_t>(length));
            p->FCurrentFrameWidth = width;
            p->FCurrentFrameHeight = height;
        } catch (...) {
        }
        ReleaseSRWLockExclusive(&p->FFrameLock);
        // The events, each at most once, the picture converted once and only when one is assigned.
        if (!p->OnVideoFrame && !p->OnVideoFrameH && !p->OnVideoFrameI) return 0;
        FrameToBitmap(p->FEventFrame, pixels, static_cast<size_t>(length), width, height);
        if (!p->FEventFrame) return 0;
        if (p->OnVideoFrame) p->OnVideoFrame(p->FEventFrame, startLo, stopLo);
        if (p->OnVideoFrameH) p->OnVideoFrameH(p->FEventFrame, startLo, stopLo);
        if (p->OnVideoFrameI)
            p->OnVideoFrameI(static_cast<int32_t>(reinterpret_cast<intptr_t>(p->FEventFrame)), startLo, stopLo);
    } catch (...) {
    }
    return 0;
}

bool TZRMediaPlayer::Frame_GetCurrent(HBITMAP& frame) {
    try {
        AcquireSRWLockShared(&FFrameLock);
        try {
            if (!FCurrentBuffer.empty())
                FrameToBitmap(FCurrentFrame, FCurrentBuffer.data(), FCurrentBuffer.size(), FCurrentFrameWidth,
                              FCurrentFrameHeight);
        } catch (...) {
        }
        ReleaseSRWLockShared(&FFrameLock);
        if (!FCurrentFrame) return false;
        frame = FCurrentFrame;
        return true;
    } catch (...) {
        return false;
    }
}

HBITMAP TZRMediaPlayer::Frame_GetCurrentH() {
    HBITMAP h = nullptr;
    return Frame_GetCurrent(h) ? h : nullptr;
}

int32_t TZRMediaPlayer::Frame_GetCurrentI() {
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(Frame_GetCurrentH()));
}

// --- saving

namespace {

namespace G = Gdiplus;

const wchar_t* MimeOf(int32_t format) {
    switch (format) {
    case 0: return L"image/bmp";
    case 1: return L"image/jpeg";
    case 2: return L"image/png";
    case 3: return L"image/gif";
    case 4: return L"image/tiff";
    default: return nullptr;
    }
}

}  // namespace

// The platform's image encoder of that MIME type (the last one listed wins).
bool FindImageEncoder(const wchar_t* mime, CLSID& clsid) {
    if (!mime) return false;
    UINT count = 0, size = 0;
    if (G::GetImageEncodersSize(&count, &size) != G::Ok || count == 0 || size == 0) return false;
    std::vector<uint8_t> buf(size);
    auto* codecs = reinterpret_cast<G::ImageCodecInfo*>(buf.data());
    if (G::GetImageEncoders(count, size, codecs) != G::Ok) return false;
    bool found = false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, mime) == 0) {
            clsid = codecs[i].Clsid;
            found = true;
        }
    return found;
}

namespace {
// GIF holds palette pictures: the frame mapped onto a fixed palette of the 216 evenly spaced colours and 40
// greys (encoders differ in what they do with a 24-bit picture; Wine's writes no pixels at all).
std::unique_ptr<G::Bitmap> ToPalette(G::Bitmap& src) {
    const UINT w = src.GetWidth(), h = src.GetHeight();
    if (w == 0 || h == 0) return nullptr;
    auto dst = std::make_unique<G::Bitmap>(static_cast<INT>(w), static_cast<INT>(h), PixelFormat8bppIndexed);
    if (dst->GetLastStatus() != G::Ok) return nullptr;
    std::vector<uint8_t> pal(sizeof(G::ColorPalette) + 255 * sizeof(G::ARGB));
    auto* cp = reinterpret_cast<G::ColorPalette*>(pal.data());
    cp->Flags = 0;
    cp->Count = 256;
    for (int i = 0; i < 216; ++i) cp->Entries[i] = G::Color::MakeARGB(255, (i / 36) * 51, (i / 6 % 6) * 51, (i % 6) * 51);
    for (int i = 0; i < 40; ++i) {
        const BYTE v = static_cast<BYTE>((i * 255 + 19) / 39);
        cp->Entries[216 + i] = G::Color::MakeARGB(255, v, v, v);
    }
    if (dst->SetPalette(cp) != G::Ok) return nullptr;
    G::Rect r(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    G::BitmapData in = {}, out = {};
    if (src.LockBits(&r, G::ImageLockModeRead, PixelFormat24bppRGB, &in) != G::Ok) return nullptr;
    if (dst->LockBits(&r, G::ImageLockModeWrite, PixelFormat8bppIndexed, &out) != G::Ok) {
        src.UnlockBits(&in);
        return nullptr;
    }
    for (UINT y = 0; y < h; ++y) {
        const auto* s = static_cast<const uint8_t*>(in.Scan0) + static_cast<ptrdiff_t>(in.Stride) * y;
        auto* d = static_cast<uint8_t*>(out.Scan0) + static_cast<ptrdiff_t>(out.Stride) * y;
        for (UINT x = 0; x < w; ++x, s += 3) {
            const int b = s[0], g = s[1], rr = s[2];
            const int ci = ((rr * 5 + 127) / 255) * 36 + ((g * 5 + 127) / 255) * 6 + (b * 5 + 127) / 255;
            d[x] = static_cast<uint8_t>(ci);
            // A grey is nearer to one of the greys.
            if (std::abs(rr - g) <= 8 && std::abs(g - b) <= 8) {
                const int v = (rr + g + b) / 3;
                const int gi = (v * 39 + 127) / 255, cv = ((v * 5 + 127) / 255) * 51, gv = (gi * 255 + 19) / 39;
                if (std::abs(gv - v) < std::abs(cv - v)) d[x] = static_cast<uint8_t>(216 + gi);
            }
        }
    }
    dst->UnlockBits(&out);
    src.UnlockBits(&in);
    return dst;
}
}  // namespace

// Saves a GDI+ picture with the format's encoder (JPEG with the quality given).
bool SaveImage(G::Bitmap& image, const std::wstring& fileName, int32_t format, int32_t quality) {
    CLSID encoder;
    if (fileName.empty() || !FindImageEncoder(MimeOf(format), encoder)) return false;
    if (format == 3) {
        std::unique_ptr<G::Bitmap> indexed = ToPalette(image);
        return indexed && indexed->Save(fileName.c_str(), &encoder, nullptr) == G::Ok;
    }
    if (format != 1) return image.Save(fileName.c_str(), &encoder, nullptr) == G::Ok;
    G::EncoderParameters params;
    params.Count = 1;
    params.Parameter[0].Guid = G::EncoderQuality;
    params.Parameter[0].Type = G::EncoderParameterValueTypeLong;
    params.Parameter[0].NumberOfValues = 1;
    ULONG q = static_cast<ULONG>(quality);
    params.Parameter[0].Value = &q;
    return image.Save(fileName.c_str(), &encoder, &params) == G::Ok;
}

void TZRMediaPlayer::Frame_Save(const std::wstring& Filename, int32_t Format, int32_t Quality) {
    try {
        if (!MimeOf(Format) || !FGdiplusToken) return;
        HBITMAP frame = nullptr;
        AcquireSRWLockShared(&FFrameLock);
        const bool have = !FCurrentBuffer.empty();
        ReleaseSRWLockShared(&FFrameLock);
        if (!have || !Frame_GetCurrent(frame)) return;
        BITMAP info = {};
        if (GetObjectW(frame, sizeof info, &info) == 0) return;
        // Zoom: a stretched copy at the nearest size (ties to even).
        HBITMAP zoomed = nullptr;
        const double ratio = FFrame_Save_ZoomRatio;
        if (ratio >= 1.00001 || ratio <= 0.99998) {
            const double zw = std::nearbyint(info.bmWidth * ratio), zh = std::nearbyint(info.bmHeight * ratio);
            if (!(zw >= 1 && zh >= 1 && zw <= kMaxSide && zh <= kMaxSide)) return;
            const BITMAPINFO bi = Bgr24Info(static_cast<int>(zw), static_cast<int>(zh));
            void* bits = nullptr;
            zoomed = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (!zoomed) return;
            HDC src = CreateCompatibleDC(nullptr), dst = CreateCompatibleDC(nullptr);
            HGDIOBJ oldSrc = SelectObject(src, frame), oldDst = SelectObject(dst, zoomed);
            SetStretchBltMode(dst, COLORONCOLOR);
            StretchBlt(dst, 0, 0, static_cast<int>(zw), static_cast<int>(zh), src, 0, 0, info.bmWidth, info.bmHeight,
                       SRCCOPY);
            SelectObject(src, oldSrc);
            SelectObject(dst, oldDst);
            DeleteDC(src);
            DeleteDC(dst);
        }
        std::unique_ptr<G::Bitmap> image(G::Bitmap::FromHBITMAP(zoomed ? zoomed : frame, nullptr));
        if (zoomed) DeleteObject(zoomed);  // GDI+ keeps its own copy of the pixels
        if (!image || image->GetLastStatus() != G::Ok) return;
        if (FFrame_Save_Resize && FFrame_Save_Resize_Width > 0 && FFrame_Save_Resize_Height > 0) {
            if (FFrame_Save_Resize_Width > kMaxSide || FFrame_Save_Resize_Height > kMaxSide) return;
            auto resized = std::make_unique<G::Bitmap>(FFrame_Save_Resize_Width, FFrame_Save_Resize_Height,
                                                       PixelFormat24bppRGB);
            if (resized->GetLastStatus() != G::Ok) return;
            {
                G::Graphics g(resized.get());
                g.DrawImage(image.get(), G::Rect(0, 0, FFrame_Save_Resize_Width, FFrame_Save_Resize_Height));
            }
            image = std::move(resized);
        }
        SaveImage(*image, Filename, Format, Quality);
    } catch (...) {
    }
}
