// The video effects filter in real playback graphs: what the platform's decoders hand it, and what the
// effects do to the picture on screen (classic renderer; the clips show red, green, blue and white quadrants).
#include <cstdio>

#include "playerfixture.h"
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
