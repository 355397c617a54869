// The video effects filter in real playback graphs: what the platform's decoders hand it, and what the
// effects do to the picture on screen (classic renderer; the clips show red, green, blue and white quadrants).
#include <cstdio>
#include <cstring>
#include <mutex>

#include "playerfixture.h"

#include <gdiplus.h>

#include "filters/videoeffects.h"
#include "graph/graphutil.h"

using namespace zr::pix;

namespace {

std::string Quadrants(HWND h) { return ClientColours(h, {{80, 60}, {240, 60}, {80, 180}, {240, 180}}); }

class EffectsTest : public PlayerTest {
protected:
    bool Start(const wchar_t* file = L"videoonly.avi") {
        MakePlayer(false);
        player->Set_Video_Effects_Enabled(true);
        if (!PlayFile(file, VR_VideoRenderer)) return false;
        player->Screen_Update();
        return WaitPosition(200);
    }
    // Waits until the four quadrants show the expected classes; returns what was seen last.
    std::string WaitQuadrants(const std::string& want, DWORD ms = 3000) {
        std::string q;
        PumpUntil([&] { q = Quadrants(player->Handle()); return q == want; }, ms);
        return q;
    }
    // The connection type at the effects filter's input.
    bool InputType(zrf::TZRFrameFormat& f, GUID& subtype) {
        TDSVideoEffects* v = player->VideoEffects();
        ComPtr<IPin> in;
        if (!v || !v->Filter || !GetPinByIndex(v->Filter.Get(), PINDIR_INPUT, 1, in)) return false;
        AM_MEDIA_TYPE mt = {};
        if (FAILED(in->ConnectionMediaType(&mt))) return false;
        subtype = mt.subtype;
        const bool ok = zrf::FrameFormatOf(mt, f);
        zr::FreeMediaType(mt);
        return ok;
    }
};

std::string FourCCText(const GUID& g) {
    if (g == MEDIASUBTYPE_RGB24) return "RGB24";
    if (g == MEDIASUBTYPE_RGB32) return "RGB32";
    if (g == MEDIASUBTYPE_ARGB32) return "ARGB32";
    char s[5] = {static_cast<char>(g.Data1 & 0xFF), static_cast<char>((g.Data1 >> 8) & 0xFF),
                 static_cast<char>((g.Data1 >> 16) & 0xFF), static_cast<char>((g.Data1 >> 24) & 0xFF), 0};
    return s;
}

}  // namespace

// Every kind of clip plays through the filter; the type it gets is one it works on natively.
TEST_F(EffectsTest, DecodersConnectThroughTheFilter) {
    for (const wchar_t* f : {L"clip.avi", L"clip.mp4", L"clip.mpg", L"clip.wmv"}) {
        SCOPED_TRACE(f);
        ASSERT_TRUE(Start(f));
        zrf::TZRFrameFormat fmt;
        GUID sub = GUID_NULL;
        ASSERT_TRUE(InputType(fmt, sub));
        std::printf("%ls: effects filter input %s %dx%d%s\n", f, FourCCText(sub).c_str(), fmt.width, fmt.height,
                    fmt.bottomUp ? " bottom-up" : "");
        EXPECT_EQ(WaitQuadrants("RGBW"), "RGBW");
        EXPECT_TRUE(log.errors.empty()) << ::testing::PrintToString(log.errors);
        player->Close();
    }
}

// What the effects do to the quadrants on screen.
TEST_F(EffectsTest, EffectsChangeThePictureOnScreen) {
    struct Case {
        int32_t type;
        const char* want;
    };
    // Invert turns red into cyan, green into magenta, blue into yellow, white into black; flip swaps top and
    // bottom; mirror_right repeats the left half.
    const Case cases[] = {{ef_invert, "CMYK"}, {ef_flip_down, "BWRG"}, {ef_mirror_right, "RRBB"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        MakePlayer(false);
        player->Video_Effect_Ex(1, 0, 0, true, static_cast<TZREffectType>(c.type), 0, L"");
        player->Set_Video_Effects_Enabled(true);
        ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
        player->Screen_Update();
        EXPECT_EQ(WaitQuadrants(c.want), c.want);
        player->Close();
    }
    // Greyscale: four grey levels, in the order of the colours' brightness.
    MakePlayer(false);
    player->Video_Effect_Ex(1, 0, 0, true, ef_greyscale, 0, L"");
    player->Set_Video_Effects_Enabled(true);
    player->Set_Loop(true);
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
    player->Screen_Update();
    uint32_t px[4] = {};
    auto grey = [](uint32_t p) {
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return std::abs(r - g) <= 6 && std::abs(g - b) <= 6;
    };
    PumpUntil([&] {
        ScreenShot shot;
        if (!shot.Take()) return false;
        int i = 0;
        for (auto [x, y] : {std::pair{80, 60}, {240, 60}, {80, 180}, {240, 180}})
            px[i++] = shot.ClientPixel(player->Handle(), x, y);
        return grey(px[0]) && grey(px[1]) && grey(px[2]) && grey(px[3]) && (px[2] & 0xFF) < (px[0] & 0xFF) &&
               (px[0] & 0xFF) < (px[1] & 0xFF) && (px[1] & 0xFF) < (px[3] & 0xFF);
    }, 3000);
    for (uint32_t p : px) EXPECT_TRUE(grey(p)) << std::hex << p;
    const int blue = px[2] & 0xFF, red = px[0] & 0xFF, green = px[1] & 0xFF, white = px[3] & 0xFF;
    EXPECT_LT(blue, red);
    EXPECT_LT(red, green);
    EXPECT_LT(green, white);
}

// With VMR-9 the filter works on the decoder's YUV frames; the effect shows the same.
TEST_F(EffectsTest, YuvFramesWithVmr9) {
    MakePlayer(true, 320, 240, 400, 300);
    player->Set_Loop(true);
    player->Video_Effect_Ex(1, 0, 0, true, ef_invert, 0, L"");
    player->Set_Video_Effects_Enabled(true);
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VMR9));
    player->Screen_Update();
    ASSERT_TRUE(WaitPosition(200));
    zrf::TZRFrameFormat fmt;
    GUID sub = GUID_NULL;
    ASSERT_TRUE(InputType(fmt, sub));
    std::printf("VMR-9: effects filter input %s\n", FourCCText(sub).c_str());
    EXPECT_TRUE(fmt.format == PixFormat::I420 || fmt.format == PixFormat::YV12 || fmt.format == PixFormat::NV12);
    EXPECT_EQ(WaitQuadrants("CMYK"), "CMYK");
}

// An effect added while playing shows at once; removed while playing it goes, and the next Play brings it back.
TEST_F(EffectsTest, AddAndRemoveWhilePlaying) {
    ASSERT_TRUE(Start());
    player->Set_Loop(true);
    EXPECT_EQ(WaitQuadrants("RGBW"), "RGBW");
    player->Video_Effect_Ex(7, 0, 0, true, ef_flip_down, 0, L"");
    EXPECT_EQ(WaitQuadrants("BWRG"), "BWRG");
    // An update of the same ID replaces it.
    player->Video_Effect_Ex(7, 0, 0, true, ef_invert, 0, L"");
    EXPECT_EQ(WaitQuadrants("CMYK"), "CMYK");
    player->Video_Effects_Remove(7);
    EXPECT_EQ(WaitQuadrants("RGBW"), "RGBW");
    EXPECT_EQ(player->EffectRecords().size(), 1u);
    ASSERT_TRUE(player->Play());
    player->Screen_Update();
    EXPECT_EQ(WaitQuadrants("CMYK"), "CMYK");
    // Paused, a removal takes the stored effect out; the paused filter keeps it until the next Play.
    player->Pause();
    player->Video_Effects_Remove(7);
    EXPECT_TRUE(player->EffectRecords().empty());
    EXPECT_FALSE(player->Play());  // resumes the paused playback
    ASSERT_TRUE(player->Play());   // a new playback without the effect
    player->Screen_Update();
    EXPECT_EQ(WaitQuadrants("RGBW"), "RGBW");
}

// Start and stop times are milliseconds of stream time: the window opens and closes during playback.
TEST_F(EffectsTest, TimeWindowOpensAndCloses) {
    MakePlayer(false);
    player->Video_Effect_Ex(1, 1000, 2000, true, ef_invert, 0, L"");
    player->Set_Video_Effects_Enabled(true);
    player->Set_Loop(true);
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
    player->Screen_Update();
    // A screenshot takes a moment: it counts for a part of the clip only when the position was inside that part
    // both before and after it was taken. The clip loops, so a part missed once comes again.
    std::string before, during, after;
    auto inside = [](int32_t a, int32_t b, int32_t lo, int32_t hi) { return a >= lo && b <= hi && a <= b; };
    PumpUntil([&] {
        const int32_t t0 = player->Position_Get_Time();
        const std::string q = Quadrants(player->Handle());
        const int32_t t1 = player->Position_Get_Time();
        if (inside(t0, t1, 100, 900)) before = q;
        if (inside(t0, t1, 1150, 1850)) during = q;
        if (inside(t0, t1, 2150, 2950)) after = q;
        return !before.empty() && !during.empty() && !after.empty();
    }, 20000);
    EXPECT_EQ(before, "RGBW");
    EXPECT_EQ(during, "CMYK");
    EXPECT_EQ(after, "RGBW");
}

// Without the filter registered the playback goes on without effects and says why.
TEST_F(EffectsTest, MissingFilterPlaysWithoutEffects) {
    const char* dll = std::getenv("ZR_FILTERS_DLL");
    ASSERT_NE(dll, nullptr);
    HMODULE m = LoadLibraryA(dll);
    ASSERT_NE(m, nullptr);
    using Fn = HRESULT(__stdcall*)();
    auto unreg = reinterpret_cast<Fn>(GetProcAddress(m, "DllUnregisterServer"));
    auto reg = reinterpret_cast<Fn>(GetProcAddress(m, "DllRegisterServer"));
    ASSERT_TRUE(unreg && reg);
    ASSERT_EQ(unreg(), S_OK);
    MakePlayer(false);
    player->Video_Effect_Ex(1, 0, 0, true, ef_invert, 0, L"");
    player->Set_Video_Effects_Enabled(true);
    const bool played = PlayFile(L"videoonly.avi", VR_VideoRenderer);
    player->Screen_Update();
    const std::string q = WaitQuadrants("RGBW");
    player->Close();
    EXPECT_EQ(reg(), S_OK);
    FreeLibrary(m);
    EXPECT_TRUE(played);
    EXPECT_EQ(q, "RGBW");
    EXPECT_TRUE(log.HasError(L"Unable to create filter: Zirez Ureroro Daz")) << ::testing::PrintToString(log.errors);
    EXPECT_EQ(player->VideoEffects(), nullptr);  // torn down with the graph
}

namespace {
// The player's client area as 0x00RRGGBB pixels, top row first (one copy of the screen).
std::vector<uint32_t> Capture(HWND h, int w, int ht) {
    POINT p = {0, 0};
    ClientToScreen(h, &p);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -ht;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, ht, screen, p.x, p.y, SRCCOPY);
    std::vector<uint32_t> px(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * ht);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    for (auto& v : px) v &= 0xFFFFFF;
    return px;
}

int CountClass(const std::vector<uint32_t>& px, int w, RECT r, char cls, bool inside) {
    int n = 0;
    for (int y = 0; y < static_cast<int>(px.size()) / w; ++y)
        for (int x = 0; x < w; ++x) {
            const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (in == inside && ColourClass(px[y * w + x]) == cls) ++n;
        }
    return n;
}

// A 64x64 24-bit BMP: left half yellow, right half magenta.
std::wstring WriteLogoBmp() {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"zr_logo_test.bmp";
    const int w = 64, h = 64, row = w * 3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + row * h;
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    std::vector<uint8_t> pixels(static_cast<size_t>(row) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[(y * w + x) * 3];
            p[0] = x < 32 ? 0 : 255;  // B
            p[1] = x < 32 ? 255 : 0;  // G
            p[2] = 255;               // R
        }
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return L"";
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&ih, sizeof ih, 1, f);
    fwrite(pixels.data(), 1, pixels.size(), f);
    fclose(f);
    return path;
}
}  // namespace

// A text logo puts text-coloured pixels inside its box and none outside.
TEST_F(EffectsTest, TextLogoDrawsInsideItsBox) {
    MakePlayer(false);
    // Magenta (0x00BBGGRR) text, which the clip never shows.
    player->Video_Effects_Text_Logo_Plus(1, 0, 0, true, L"WWW", 20, 20, L"Arial", 40, true, false, false, false, 0xFF00FF);
    player->Set_Video_Effects_Enabled(true);
    ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
    player->Screen_Update();
    std::vector<uint32_t> px;
    const RECT box = {10, 10, 200, 90};
    PumpUntil([&] { px = Capture(player->Handle(), 320, 240); return CountClass(px, 320, box, 'M', true) > 200; }, 3000);
    EXPECT_GT(CountClass(px, 320, box, 'M', true), 200);
    EXPECT_EQ(CountClass(px, 320, box, 'M', false), 0);
    // A parameter change while playing (an outer border in cyan) reaches the picture.
    player->Video_Effects_Text_Logo_Plus_Params_Effect(1, bm_outer, 0xFFFF00, 0xFFFF00, 1, 3);
    PumpUntil([&] { px = Capture(player->Handle(), 320, 240); return CountClass(px, 320, box, 'C', true) > 50; }, 3000);
    EXPECT_GT(CountClass(px, 320, box, 'C', true), 50);
}

// A picture logo from a file or a bitmap handle, with a colour key: keyed pixels leave the picture as it was.
TEST_F(EffectsTest, PictureLogoWithColourKey) {
    const std::wstring file = WriteLogoBmp();
    ASSERT_FALSE(file.empty());
    for (bool fromHandle : {false, true}) {
        SCOPED_TRACE(fromHandle ? "bitmap handle" : "file");
        MakePlayer(false);
        HBITMAP h = nullptr;
        if (fromHandle) {
            h = static_cast<HBITMAP>(LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
            ASSERT_NE(h, nullptr);
            player->Video_Effects_Picture_Logo_Ex(L"", 1, 0, 0, true, 40, 40, h, 0, 0x00FFFF, true);
        } else {
            player->Video_Effects_Picture_Logo_Ex(file, 1, 0, 0, true, 40, 40, nullptr, 0, 0x00FFFF, true);
        }
        player->Set_Video_Effects_Enabled(true);
        ASSERT_TRUE(PlayFile(L"videoonly.avi", VR_VideoRenderer));
        player->Screen_Update();
        std::vector<uint32_t> px;
        PumpUntil([&] { px = Capture(player->Handle(), 320, 240); return ColourClass(px[60 * 320 + 90]) == 'M'; }, 3000);
        EXPECT_EQ(ColourClass(px[60 * 320 + 90]), 'M');  // the logo's right half
        EXPECT_EQ(ColourClass(px[60 * 320 + 55]), 'R');  // its keyed left half: the red quadrant shows
        EXPECT_EQ(CountClass(px, 320, RECT{0, 0, 320, 240}, 'Y', true), 0);  // no key colour anywhere
        // The magenta part is the logo's right half: 32 x 64 pixels right of x = 72. Wine's classic renderer was
        // seen to show it up to 19 rows lower and 8 rows shorter (its window's picture placement), hence the
        // margins.
        int l = 320, t = 240, r = -1, b = -1;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                if (ColourClass(px[y * 320 + x]) == 'M') {
                    l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
                }
        EXPECT_NEAR(r - l + 1, 32, 4);
        EXPECT_NEAR(b - t + 1, 64, 12);
        EXPECT_NEAR(l, 72, 16);
        EXPECT_NEAR(t, 40, 24);
        player->Close();
        if (h) DeleteObject(h);
    }
    DeleteFileW(file.c_str());
}

// --- chroma key, motion detection, frames for the host, saved frames and stills

namespace {

// What the frame and motion hooks saw (they run on the streaming thread, respectively the window thread).
struct HostLog {
    std::mutex lock;
    int frames = 0;
    std::vector<std::pair<int32_t, std::wstring>> motion;
    std::vector<uint8_t> firstFrame;  // the pixels of the first frame event (bottom-up 24-bit rows)
    int width = 0, height = 0;
    bool highlighted = false;  // a frame showed a red-tinted cell where the block was
};

// The pixel (x, y from the top) of a bottom-up 24-bit DIB section, as 0x00RRGGBB.
uint32_t DibPixel(HBITMAP h, int x, int y) {
    DIBSECTION ds = {};
    if (GetObjectW(h, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits || ds.dsBm.bmBitsPixel != 24) return 0xFFFFFFFF;
    const int stride = (ds.dsBm.bmWidth * 3 + 3) & ~3;
    const auto* p = static_cast<const uint8_t*>(ds.dsBm.bmBits) + stride * (ds.dsBm.bmHeight - 1 - y) + x * 3;
    return static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

// An image file read back: its size and the colour classes at the centres of its quadrants.
struct ImageRead {
    UINT width = 0, height = 0;
    std::string quadrants;
};
ImageRead ReadImage(const std::wstring& file) {
    ImageRead r;
    Gdiplus::Bitmap bmp(file.c_str());
    if (bmp.GetLastStatus() != Gdiplus::Ok) return r;
    r.width = bmp.GetWidth();
    r.height = bmp.GetHeight();
    for (auto [fx, fy] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) {
        Gdiplus::Color c;
        bmp.GetPixel(r.width * fx / 4, r.height * fy / 4, &c);
        r.quadrants += ColourClass(c.GetValue() & 0xFFFFFF);
    }
    return r;
}

std::string FileMagic(const std::wstring& file) {
    std::string m(4, '\0');
    FILE* f = _wfopen(file.c_str(), L"rb");
    if (!f) return "";
    const size_t n = fread(m.data(), 1, 4, f);
    fclose(f);
    m.resize(n);
    return m;
}

std::wstring TempDir() {
    wchar_t buf[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, buf);
    std::wstring d(buf, n);
    while (!d.empty() && (d.back() == L'\\' || d.back() == L'/')) d.pop_back();
    return d;
}

// The numbers of a matrix text, line by line.
std::vector<std::vector<int>> MatrixLines(const std::wstring& text) {
    std::vector<std::vector<int>> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) break;
        std::vector<int> line;
        std::wstring l = text.substr(pos, end - pos);
        size_t p = 0;
        while (p < l.size()) {
            const size_t b = l.find(L' ', p);
            if (b == std::wstring::npos) break;
            line.push_back(std::stoi(l.substr(p, b - p)));
            p = b + 1;
        }
        lines.push_back(line);
        pos = end + 2;
    }
    return lines;
}

class HostFramesTest : public EffectsTest {
protected:
    void Hook() {
        player->OnVideoFrameH.Set(
            [](void* c, HBITMAP h, int32_t, int32_t) {
                auto* l = static_cast<HostLog*>(c);
                std::lock_guard<std::mutex> g(l->lock);
                if (l->frames++ == 0) {
                    DIBSECTION ds = {};
                    if (GetObjectW(h, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits) {
                        l->width = ds.dsBm.bmWidth;
                        l->height = ds.dsBm.bmHeight;
                        const auto* b = static_cast<const uint8_t*>(ds.dsBm.bmBits);
                        l->firstFrame.assign(b, b + ds.dsBmih.biSizeImage);
                    }
                }
                // The block's two corners (cells of 40 x 30 on 320 x 240): a red tint on black or white.
                for (auto [x, y] : {std::pair{20, 15}, {300, 225}}) {
                    const uint32_t p = DibPixel(h, x, y);
                    const int r = (p >> 16) & 0xFF, gr = (p >> 8) & 0xFF;
                    if (r >= 100 && r - gr >= 60) l->highlighted = true;
                }
            },
            &host_);
        player->OnMotion.Set(
            [](void* c, int32_t level, const wchar_t* m) {
                auto* l = static_cast<HostLog*>(c);
                std::lock_guard<std::mutex> g(l->lock);
                l->motion.emplace_back(level, m ? m : L"");
            },
            &host_);
    }
    bool PlayToEnd(const wchar_t* file, TZRVideoRenderer r = VR_VideoRenderer) {
        log.stops = 0;
        if (!PlayFile(file, r)) return false;
        return WaitStop(15000);
    }
    HostLog host_;
};

}  // namespace

// A green screen keyed against a picture shows the picture where the green was; the subject stays. Without a
// picture keyed pixels are black. The picture's name reaches a running filter with the next colour or contrast
// write, not before.
TEST_F(HostFramesTest, ChromaKeyShowsThePictureWhereTheGreenWas) {
    MakePlayer(false);
    player->Set_Video_Effects_Enabled(true);
    player->Set_ChromaKey_Enabled(true);
    player->Set_Loop(true);
    ASSERT_TRUE(PlayFile(L"greenscreen.avi"));
    player->Screen_Update();
    auto at = [&](int x, int y) { return ColourClass(ClientPixel(player->Handle(), x, y)); };
    EXPECT_TRUE(PumpUntil([&] { return at(160, 180) == 'K'; }, 3000)) << at(160, 180);
    player->Set_ChromaKey_ImageFilename(MediaPath(L"bluebg.bmp"));
    PumpFor(400);
    EXPECT_EQ(at(160, 180), 'K');  // stored only
    player->Set_ChromaKey_Color(Chroma_Green);
    EXPECT_TRUE(PumpUntil([&] { return at(160, 180) == 'B' && at(20, 200) == 'B'; }, 3000)) << at(160, 180);
    EXPECT_TRUE(PumpUntil([&] { return at(100, 60) == 'R'; }, 3000)) << at(100, 60);  // the square stays
    // Keying red instead takes the square away and gives the green back.
    player->Set_ChromaKey_Color(Chroma_Red);
    EXPECT_TRUE(PumpUntil([&] { return at(100, 60) == 'B' && at(160, 180) == 'G'; }, 3000)) << at(100, 60) << at(160, 180);
    player->Close();

    // The switch reaches the filter only when a playback builds it.
    MakePlayer(false);
    player->Set_Video_Effects_Enabled(true);
    ASSERT_TRUE(PlayFile(L"greenscreen.avi"));
    player->Screen_Update();
    player->Set_ChromaKey_Enabled(true);
    player->Set_ChromaKey_Color(Chroma_Green);
    PumpFor(500);
    EXPECT_EQ(at(160, 180), 'G');
}

// A block jumping between two corners raises OnMotion with the cells it left and entered (the matrix text:
// eight lines, one per column of cells, eight numbers each) and a level above a still clip's; highlight tints
// those cells in the frames the host gets. Motion enabled during a playback starts nothing.
TEST_F(HostFramesTest, MotionReportsWhereTheBlockMoved) {
    MakePlayer(false);
    Hook();
    player->Set_Video_Effects_Enabled(true);
    player->Set_MotionDetection_Enabled(true);
    player->Set_MotionDetection_Highlight_Enabled(true);
    player->Set_MotionDetection_Highlight_Color(0x0000FF);
    ASSERT_TRUE(PlayToEnd(L"motion.avi"));
    std::vector<std::pair<int32_t, std::wstring>> reports;
    {
        std::lock_guard<std::mutex> g(host_.lock);
        reports = host_.motion;
        EXPECT_TRUE(host_.highlighted);
    }
    ASSERT_GE(reports.size(), 20u);
    int moving = 0, maxLevel = 0;
    for (const auto& [level, text] : reports) {
        const auto lines = MatrixLines(text);
        ASSERT_EQ(lines.size(), 8u) << ::testing::PrintToString(text);
        for (const auto& l : lines) ASSERT_EQ(l.size(), 8u);
        maxLevel = std::max(maxLevel, level);
        if (level < 5) continue;
        ++moving;
        // Line = column of cells, position = row: the block covers columns 0-1 x rows 0-1 and 6-7 x 6-7.
        for (int c = 0; c < 8; ++c)
            for (int r = 0; r < 8; ++r) {
                const bool block = (c < 2 && r < 2) || (c >= 6 && r >= 6);
                if (block) EXPECT_GE(lines[c][r], 50) << c << "," << r;
                else EXPECT_LE(lines[c][r], 10) << c << "," << r;
            }
        EXPECT_NEAR(level, 12, 3);  // two blocks of 80 x 60 out of 320 x 240
    }
    EXPECT_GE(moving, 2);  // three jumps in two seconds
    EXPECT_EQ(player->MotionMatrix(), reports.back().second);

    // A still clip: no level above the noise.
    host_.motion.clear();
    ASSERT_TRUE(PlayToEnd(L"videoonly.avi"));
    int stillMax = 0;
    for (const auto& r : host_.motion) stillMax = std::max(stillMax, r.first);
    EXPECT_FALSE(host_.motion.empty());
    EXPECT_LT(stillMax, maxLevel);
    EXPECT_LE(stillMax, 1);
    player->Close();

    // Enabled while playing: nothing until the next playback.
    MakePlayer(false);
    Hook();
    host_.motion.clear();
    player->Set_Video_Effects_Enabled(true);
    ASSERT_TRUE(PlayFile(L"motion.avi"));
    player->Set_MotionDetection_Enabled(true);
    player->MotionDetection_Update();
    ASSERT_TRUE(WaitStop(15000));
    EXPECT_TRUE(host_.motion.empty());
}

// Every frame reaches the host as an upright 24-bit picture; the last one is kept for Frame_GetCurrentH and
// Frame_Save in every format, zoomed and resized.
TEST_F(HostFramesTest, FramesReachTheHostAndSave) {
    MakePlayer(false);
    Hook();
    player->Set_Video_Effects_Enabled(true);
    ASSERT_TRUE(PlayToEnd(L"videoonly.avi"));
    {
        std::lock_guard<std::mutex> g(host_.lock);
        EXPECT_NEAR(host_.frames, 75, 2);  // 3 s at 25 frames per second
        ASSERT_EQ(host_.width, 320);
        ASSERT_EQ(host_.height, 240);
        // Bottom-up rows: the top-left quadrant (red) is near the end of the buffer.
        const uint8_t* px = host_.firstFrame.data() + 960 * (239 - 60) + 80 * 3;
        EXPECT_EQ(ColourClass(static_cast<uint32_t>(px[2]) << 16 | px[1] << 8 | px[0]), 'R');
    }
    HBITMAP h = player->Frame_GetCurrentH();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(player->Frame_GetCurrentH(), h);  // same size: the same bitmap
    std::string q;
    for (auto [x, y] : {std::pair{80, 60}, {240, 60}, {80, 180}, {240, 180}}) q += ColourClass(DibPixel(h, x, y));
    EXPECT_EQ(q, "RGBW");

    const std::wstring dir = TempDir();
    struct Case {
        int32_t format;
        const wchar_t* ext;
        const char* magic;
    } cases[] = {{0, L"bmp", "BM"}, {1, L"jpg", "\xFF\xD8\xFF"}, {2, L"png", "\x89PNG"}, {3, L"gif", "GIF8"}, {4, L"tif", "II*"}};
    for (const Case& c : cases) {
        const std::wstring file = dir + L"\\frame." + c.ext;
        DeleteFileW(file.c_str());
        player->Frame_Save(file, c.format, 90);
        const std::string magic = FileMagic(file);
        EXPECT_EQ(magic.substr(0, strlen(c.magic)), c.magic) << c.format;
        const ImageRead r = ReadImage(file);
        EXPECT_EQ(r.width, 320u);
        EXPECT_EQ(r.height, 240u);
        EXPECT_EQ(r.quadrants, "RGBW") << c.format;
        if (!getenv("ZR_KEEP")) DeleteFileW(file.c_str());
    }
    // Zoom, then resize; a zoom within the tolerance of 1 is none; an unknown format writes nothing.
    struct Size {
        double zoom;
        bool resize;
        int rw, rh;
        UINT w, h;
    } sizes[] = {{0.5, false, 0, 0, 160, 120}, {1.000005, false, 0, 0, 320, 240}, {0.5, true, 100, 50, 100, 50},
                 {1.0, true, 0, 50, 320, 240}};
    for (const Size& s : sizes) {
        player->Set_Frame_Save_ZoomRatio(s.zoom);
        player->Set_Frame_Save_Resize(s.resize);
        player->Set_Frame_Save_Resize_Width(s.rw);
        player->Set_Frame_Save_Resize_Height(s.rh);
        const std::wstring file = dir + L"\\sized.png";
        DeleteFileW(file.c_str());
        player->Frame_Save(file, 2, 0);
        const ImageRead r = ReadImage(file);
        EXPECT_EQ(r.width, s.w) << s.zoom;
        EXPECT_EQ(r.height, s.h) << s.zoom;
        EXPECT_EQ(r.quadrants, "RGBW") << s.zoom;
        DeleteFileW(file.c_str());
    }
    const std::wstring bad = dir + L"\\bad.img";
    player->Frame_Save(bad, 5, 0);
    EXPECT_EQ(GetFileAttributesW(bad.c_str()), INVALID_FILE_ATTRIBUTES);
    player->Close();

    // Without the effects filter: no frame events and nothing to save.
    MakePlayer(false);
    host_.frames = 0;
    Hook();
    ASSERT_TRUE(PlayToEnd(L"videoonly.avi"));
    EXPECT_EQ(host_.frames, 0);
    const std::wstring none = dir + L"\\none.bmp";
    player->Frame_Save(none, 0, 0);
    EXPECT_EQ(GetFileAttributesW(none.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A still at a position shows the frame of that time (one colour per second), from each container and from a
// file whose first stream is audio; a file without video gives nothing.
TEST_F(HostFramesTest, StillsFromFiles) {
    MakePlayer(false);
    for (const wchar_t* f : {L"seconds.avi", L"seconds.mp4", L"seconds.mpg", L"seconds_audiofirst.avi"}) {
        for (auto [ms, want] : {std::pair{500, 'R'}, {1500, 'G'}, {2500, 'B'}}) {
            SCOPED_TRACE(::testing::PrintToString(std::wstring(f)) + " " + std::to_string(ms));
            HBITMAP h = player->Helpful_GetFrameFromFileH(MediaPath(f), ms);
            ASSERT_NE(h, nullptr);
            BITMAP b = {};
            ASSERT_NE(GetObjectW(h, sizeof b, &b), 0);
            EXPECT_EQ(b.bmWidth, 320);
            EXPECT_EQ(b.bmHeight, 240);
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, h);
            const COLORREF c = GetPixel(dc, 160, 60);
            SelectObject(dc, old);
            DeleteDC(dc);
            EXPECT_EQ(ColourClass(static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c)), want);
            DeleteObject(h);
        }
    }
    EXPECT_EQ(player->Helpful_GetFrameFromFileH(MediaPath(L"clip.wav"), 500), nullptr);
    EXPECT_EQ(player->Helpful_GetFrameFromFileI(MediaPath(L"no such file.avi"), 500), 0);
    const std::wstring out = TempDir() + L"\\still.png";
    DeleteFileW(out.c_str());
    EXPECT_TRUE(player->Helpful_SaveFrameFromFile(MediaPath(L"seconds.mp4"), 1500, out, 2));
    EXPECT_EQ(ReadImage(out).quadrants, "GGGG");
    DeleteFileW(out.c_str());
    EXPECT_FALSE(player->Helpful_SaveFrameFromFile(MediaPath(L"clip.wav"), 500, out, 2));
    EXPECT_EQ(GetFileAttributesW(out.c_str()), INVALID_FILE_ATTRIBUTES);
}
