// The pixel kernels of the video effects on small known frames: four flat quadrants, red (top left), green
// (top right), blue (bottom left) and white (bottom right), in every frame format the filter carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/pixels/blend.h"
#include "core/pixels/colour.h"
#include "core/pixels/effect_ex.h"
#include "core/pixels/effects.h"
#include "core/pixels/filters.h"
#include "core/pixels/geometry.h"

using namespace zr::pix;

namespace {

struct Rgb {
    int r, g, b;
};

Rgb YuvToRgb(int y, int u, int v) {
    const double c = y - 16, d = u - 128, e = v - 128;
    auto cl = [](double x) { return static_cast<int>(std::lround(std::clamp(x, 0.0, 255.0))); };
    return {cl(1.164 * c + 1.596 * e), cl(1.164 * c - 0.392 * d - 0.813 * e), cl(1.164 * c + 2.017 * d)};
}
void RgbToYuv(Rgb p, int& y, int& u, int& v) {
    y = ((66 * p.r + 129 * p.g + 25 * p.b + 128) >> 8) + 16;
    u = ((-38 * p.r - 74 * p.g + 112 * p.b + 128) >> 8) + 128;
    v = ((112 * p.r - 94 * p.g - 18 * p.b + 128) >> 8) + 128;
}

// A frame over its own buffer.
struct TestFrame {
    std::vector<uint8_t> buf;
    Frame f;
    TestFrame(PixFormat fmt, int w, int h, bool bottomUp = false) {
        buf.assign(FrameBytes(fmt, w, h), 0);
        EXPECT_TRUE(MakeFrame(fmt, buf.data(), buf.size(), w, h, 0, bottomUp, f));
    }
    void Set(int x, int y, Rgb p) {
        if (f.IsRgb()) {
            uint8_t* px = f.planes[0].Row(y) + x * f.planes[0].bpp;
            px[0] = static_cast<uint8_t>(p.b);
            px[1] = static_cast<uint8_t>(p.g);
            px[2] = static_cast<uint8_t>(p.r);
            return;
        }
        int yy, u, v;
        RgbToYuv(p, yy, u, v);
        f.planes[0].Row(y)[x] = static_cast<uint8_t>(yy);
        f.u[f.cstride * (y / 2) + (x / 2) * f.cstep] = static_cast<uint8_t>(u);
        f.v[f.cstride * (y / 2) + (x / 2) * f.cstep] = static_cast<uint8_t>(v);
    }
    Rgb Get(int x, int y) const {
        if (f.IsRgb()) {
            const uint8_t* px = f.planes[0].Row(y) + x * f.planes[0].bpp;
            return {px[2], px[1], px[0]};
        }
        return YuvToRgb(f.planes[0].Row(y)[x], f.u[f.cstride * (y / 2) + (x / 2) * f.cstep],
                        f.v[f.cstride * (y / 2) + (x / 2) * f.cstep]);
    }
};

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

void FillQuadrants(TestFrame& t) {
    const int w = t.f.width, h = t.f.height;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) t.Set(x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite));
}

bool Near(Rgb a, Rgb b, int tol) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}
std::string Str(Rgb p) { return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b); }

const PixFormat kFormats[] = {PixFormat::RGB24, PixFormat::RGB32, PixFormat::I420, PixFormat::YV12, PixFormat::NV12};
const char* Name(PixFormat f) {
    switch (f) {
    case PixFormat::RGB24: return "RGB24";
    case PixFormat::RGB32: return "RGB32";
    case PixFormat::I420: return "I420";
    case PixFormat::YV12: return "YV12";
    case PixFormat::NV12: return "NV12";
    default: return "?";
    }
}

CZREffect Effect(int32_t type, double amount = 0) {
    CZREffect e = CZREffect_Init();
    e._type = type;
    e.Enabled = -1;
    e.pAmountD = amount;
    e.pAmountI = static_cast<int32_t>(amount);
    return e;
}

// The quadrant colours (TL, TR, BL, BR) after one effect, read at each quadrant's centre.
void ExpectQuadrants(const CZREffect& e, const Rgb expect[4], int tolRgb, int tolYuv) {
    for (PixFormat fmt : kFormats) {
        for (bool bottomUp : {false, true}) {
            if (bottomUp && !(fmt == PixFormat::RGB24 || fmt == PixFormat::RGB32)) continue;
            SCOPED_TRACE(std::string(Name(fmt)) + (bottomUp ? " bottom-up" : ""));
            TestFrame t(fmt, 32, 16, bottomUp);
            FillQuadrants(t);
            EffectState st;
            ApplyEffect(t.f, e, st, EffectContext{});
            const int tol = t.f.IsRgb() ? tolRgb : tolYuv;
            const Rgb got[4] = {t.Get(8, 4), t.Get(24, 4), t.Get(8, 12), t.Get(24, 12)};
            for (int q = 0; q < 4; ++q)
                EXPECT_TRUE(Near(got[q], expect[q], tol)) << "quadrant " << q << ": " << Str(got[q]) << " expected "
                                                          << Str(expect[q]);
        }
    }
}

}  // namespace

TEST(PixelFrame, LayoutOfEachFormat) {
    std::vector<uint8_t> buf(FrameBytes(PixFormat::RGB24, 5, 3));
    EXPECT_EQ(buf.size(), 48u);  // rows of 15 bytes padded to 16
    Frame f;
    ASSERT_TRUE(MakeFrame(PixFormat::RGB24, buf.data(), buf.size(), 5, 3, 0, true, f));
    EXPECT_EQ(f.planes[0].data, buf.data() + 32);  // the top row is the last in memory
    EXPECT_EQ(f.planes[0].stride, -16);
    EXPECT_FALSE(MakeFrame(PixFormat::RGB24, buf.data(), buf.size() - 1, 5, 3, 0, true, f));
    EXPECT_FALSE(MakeFrame(PixFormat::RGB32, buf.data(), buf.size(), 0, 3, 0, false, f));
    EXPECT_FALSE(MakeFrame(PixFormat::None, buf.data(), buf.size(), 5, 3, 0, false, f));

    // 4:2:0 with odd sizes: chroma rounds up; YV12 stores V before U.
    std::vector<uint8_t> yuv(FrameBytes(PixFormat::YV12, 5, 3));
    EXPECT_EQ(yuv.size(), 15u + 2 * 3 * 2);
    ASSERT_TRUE(MakeFrame(PixFormat::YV12, yuv.data(), yuv.size(), 5, 3, 0, false, f));
    EXPECT_EQ(f.cwidth, 3);
    EXPECT_EQ(f.cheight, 2);
    EXPECT_EQ(f.v, yuv.data() + 15);
    EXPECT_EQ(f.u, yuv.data() + 21);
    ASSERT_TRUE(MakeFrame(PixFormat::NV12, yuv.data(), yuv.size(), 5, 3, 0, false, f));
    EXPECT_EQ(f.v, f.u + 1);
    EXPECT_EQ(f.cstep, 2);
}

TEST(PixelEffects, ColourEffectsOnTheQuadrants) {
    struct Case {
        int32_t type;
        double amount;
        Rgb expect[4];
        int tolYuv;
    };
    const int g = 76, gg = 150, gb = 29;  // luma of red, green and blue
    const Case cases[] = {
        {ef_invert, 0, {{0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {0, 0, 0}}, 12},
        {ef_greyscale, 0, {{g, g, g}, {gg, gg, gg}, {gb, gb, gb}, {255, 255, 255}}, 8},
        {ef_red, 0, {{255, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 0, 0}}, 14},
        {ef_green, 0, {{0, 0, 0}, {0, 255, 0}, {0, 0, 0}, {0, 255, 0}}, 14},
        {ef_blue, 0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 255}, {0, 0, 255}}, 14},
        {ef_filter_red, 0, {{255, 0, 0}, {0, 128, 0}, {0, 0, 128}, {255, 128, 128}}, 14},
        {ef_filter_green2, 0, {{38, g, 38}, {75, gg, 75}, {15, gb, 15}, {128, 255, 128}}, 14},
        {ef_lightness, 64, {{255, 64, 64}, {64, 255, 64}, {64, 64, 255}, {255, 255, 255}}, 14},
        {ef_darkness, 64, {{191, 0, 0}, {0, 191, 0}, {0, 0, 191}, {191, 191, 191}}, 20},
        {ef_contrast, -50, {{191, 64, 64}, {64, 191, 64}, {64, 64, 191}, {191, 191, 191}}, 14},
        {ef_posterize, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}, 14},
        {ef_solorize, 128, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 40},
        {ef_saturation, -100, {{g, g, g}, {gg, gg, gg}, {gb, gb, gb}, {255, 255, 255}}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("effect " + std::to_string(c.type));
        ExpectQuadrants(Effect(c.type, c.amount), c.expect, 2, c.tolYuv);
    }
}

TEST(PixelEffects, AmountChangesTheStrength) {
    // Half-strength greyscale and invert land half way.
    const Rgb grey[4] = {{166, 38, 38}, {75, 203, 75}, {15, 15, 142}, {255, 255, 255}};
    ExpectQuadrants(Effect(ef_greyscale, 50), grey, 2, 14);
    const Rgb mid[4] = {{128, 128, 128}, {128, 128, 128}, {128, 128, 128}, {128, 128, 128}};
    ExpectQuadrants(Effect(ef_invert, 50), mid, 2, 8);
    // MIN and MAX clamp the result.
    CZREffect e = Effect(ef_lightness, 10);
    e.pMinI = 100;
    e.pMaxI = 200;
    const Rgb clamped[4] = {{200, 100, 100}, {100, 200, 100}, {100, 100, 200}, {200, 200, 200}};
    ExpectQuadrants(e, clamped, 2, 14);
}

TEST(PixelEffects, GeometryMovesTheQuadrants) {
    struct Case {
        int32_t type;
        Rgb expect[4];
    };
    const Case cases[] = {
        {ef_flip_down, {kBlue, kWhite, kRed, kGreen}},
        {ef_flip_right, {kGreen, kRed, kWhite, kBlue}},
        {ef_mirror_down, {kRed, kGreen, kRed, kGreen}},
        {ef_mirror_right, {kRed, kRed, kBlue, kBlue}},
        {ef_mosaic, {kRed, kGreen, kBlue, kWhite}},  // tiles of 8 fit inside the quadrants
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("effect " + std::to_string(c.type));
        CZREffect e = Effect(c.type, c.type == ef_mosaic ? 8 : 0);
        ExpectQuadrants(e, c.expect, 0, 6);
    }
}

TEST(PixelEffects, FlipAndMirrorAreExactOnEveryRow) {
    TestFrame t(PixFormat::RGB24, 7, 5, true);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) t.Set(x, y, {x * 30, y * 50, 7});
    TestFrame flipped = t;
    ASSERT_TRUE(MakeFrame(PixFormat::RGB24, flipped.buf.data(), flipped.buf.size(), 7, 5, 0, true, flipped.f));
    FrameFlipVertical(flipped.f);
    FrameFlipHorizontal(flipped.f);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(Str(flipped.Get(x, y)), Str(t.Get(6 - x, 4 - y)));
    FrameMirrorDown(t.f);
    FrameMirrorRight(t.f);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(t.Get(x, y).r, std::min(x, 6 - x) * 30) << x;
    EXPECT_EQ(t.Get(0, 4).g, 0);
    EXPECT_EQ(t.Get(0, 3).g, 50);
}

TEST(PixelEffects, ShakeMovesThePictureDownOverItsPeriod) {
    CZREffect e = Effect(ef_shake_down, 4);
    e.pFactorI = 2;  // offsets 0, 4, 0, 4...
    for (uint32_t n : {0u, 1u}) {
        TestFrame t(PixFormat::RGB32, 4, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 4; ++x) t.Set(x, y, {y * 10, 0, 0});
        EffectState st;
        ApplyEffect(t.f, e, st, EffectContext{n});
        EXPECT_EQ(t.Get(0, 7).r, n == 0 ? 70 : 30);
        EXPECT_EQ(t.Get(0, 0).r, 0);
        EXPECT_EQ(t.Get(0, 2).r, n == 0 ? 20 : 0);  // uncovered rows repeat the first row
    }
}

TEST(PixelEffects, MosaicTilesAndSeams) {
    TestFrame t(PixFormat::RGB24, 8, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) t.Set(x, y, {x * 20, 0, 0});
    CZREffect e = Effect(ef_mosaic);
    e.pSizeI = 4;
    e.pSeamI = 1;
    EffectState st;
    ApplyEffect(t.f, e, st, EffectContext{});
    EXPECT_EQ(t.Get(0, 0).r, 30);   // mean of 0, 20, 40, 60
    EXPECT_EQ(t.Get(5, 2).r, 110);  // mean of 80..140
    EXPECT_EQ(t.Get(3, 0).r, 0);    // seam column
    EXPECT_EQ(t.Get(5, 3).r, 0);    // seam row
    e.pSeamI = 0;
    e.pStyleI = 1;  // top-left sample
    TestFrame s(PixFormat::RGB24, 8, 4);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 4; ++y) s.Set(x, y, {x * 20, 0, 0});
    ApplyEffect(s.f, e, st, EffectContext{});
    EXPECT_EQ(s.Get(7, 3).r, 80);
}

TEST(PixelEffects, BlurSmoothsAStepAndKeepsFlatAreas) {
    for (int style : {0, 1, 2}) {
        SCOPED_TRACE(style);
        TestFrame t(PixFormat::RGB32, 16, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) t.Set(x, y, (x < 8) == (y < 8) ? Rgb{200, 200, 200} : Rgb{0, 0, 0});
        CZREffect e = Effect(ef_blur, 2);
        e.pStyleI = style;
        EffectState st;
        ApplyEffect(t.f, e, st, EffectContext{});
        EXPECT_EQ(t.Get(1, 1).r, 200);  // flat inside
        // The step at x = 8 is smoothed horizontally unless only vertical blur runs.
        const int h = t.Get(7, 2).r;
        if (style == 2) EXPECT_EQ(h, 200);
        else EXPECT_EQ(h, 120);  // (3 * 200 + 2 * 0) / 5
        const int v = t.Get(2, 7).r;
        if (style == 1) EXPECT_EQ(v, 200);
        else EXPECT_EQ(v, 120);
    }
}

TEST(PixelEffects, NoiseStaysWithinItsAmount) {
    for (int32_t type : {ef_color_noise, ef_mono_noise}) {
        SCOPED_TRACE(type);
        TestFrame t(PixFormat::RGB24, 64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) t.Set(x, y, {128, 128, 128});
        EffectState st;
        ApplyEffect(t.f, Effect(type, 20), st, EffectContext{3});
        double sum = 0;
        int changed = 0, lo = 255, hi = 0, unequal = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const Rgb p = t.Get(x, y);
                sum += p.r;
                lo = std::min(lo, p.r);
                hi = std::max(hi, p.r);
                changed += p.r != 128;
                unequal += p.r != p.g || p.g != p.b;
            }
        EXPECT_NEAR(sum / 4096, 128, 1.5);
        EXPECT_GE(lo, 108);
        EXPECT_LE(hi, 148);
        EXPECT_GT(changed, 3500);
        if (type == ef_mono_noise) EXPECT_EQ(unequal, 0);
        else EXPECT_GT(unequal, 3500);
    }
}

TEST(PixelEffects, SprayAndMarbleOnlyMovePixelsNearby) {
    for (int32_t type : {ef_spray, ef_marble}) {
        SCOPED_TRACE(type);
        TestFrame t(PixFormat::RGB32, 48, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) t.Set(x, y, {x * 5, y * 5, 0});
        CZREffect e = Effect(type, 3);
        EffectState st;
        ApplyEffect(t.f, e, st, EffectContext{1});
        int moved = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                const Rgb p = t.Get(x, y);
                ASSERT_EQ(p.r % 5, 0);
                ASSERT_LE(std::abs(p.r / 5 - x), 3);
                ASSERT_LE(std::abs(p.g / 5 - y), 3);
                moved += p.r / 5 != x || p.g / 5 != y;
            }
        EXPECT_GT(moved, 48 * 48 / 4);
    }
}

TEST(PixelEffects, TimeWindowInMilliseconds) {
    struct Case {
        int64_t start, stop, at;
        bool enabled, active;
    };
    const Case cases[] = {
        {0, 0, 0, true, true},          {0, 0, 999999, true, true},     {1000, 2000, 999, true, false},
        {1000, 2000, 1000, true, true}, {1000, 2000, 1999, true, true}, {1000, 2000, 2000, true, false},
        {1000, 0, 5000, true, true},    {1000, -5, 999, true, false},   {0, 0, 10, false, false},
    };
    for (const Case& c : cases) {
        CZREffect e = Effect(ef_invert);
        e.StartTime = c.start;
        e.StopTime = c.stop;
        e.Enabled = c.enabled ? -1 : 0;
        EXPECT_EQ(EffectActiveAt(e, c.at), c.active) << c.start << ".." << c.stop << " at " << c.at;
    }
}

TEST(PixelKernels, VectorPathsMatchTheirScalarReference) {
    std::mt19937 rng(5);
    std::vector<uint8_t> buf(FrameBytes(PixFormat::I420, 67, 9));
    for (auto& b : buf) b = static_cast<uint8_t>(rng());
    const std::vector<uint8_t> orig = buf;
    for (auto [mul, add] : {std::pair{-1.0, 255.0}, {1.5, -64.0}, {0.25, 300.0}, {16.0, -1024.0}, {-16.0, 1024.0}}) {
        buf = orig;
        Frame f;
        ASSERT_TRUE(MakeFrame(PixFormat::RGB24, buf.data(), buf.size(), 67, 3, 0, false, f));
        ApplyAffine(f, mul, add);
        const int mq = static_cast<int>(std::lround(mul * 256)), aq = static_cast<int>(std::lround(add));
        for (size_t row = 0; row < 3; ++row)
            for (size_t i = row * 204; i < row * 204 + 67 * 3; ++i)
                ASSERT_EQ(buf[i], AffineByte(orig[i], mq, aq)) << i << " mul " << mul;
    }
    for (int bpp : {1, 2, 3, 4}) {
        for (int t : {0, 9, 255}) {
            const int w = 37, h = 5;
            std::vector<uint8_t> src(static_cast<size_t>(w) * bpp * h), dst(src.size());
            for (auto& b : src) b = static_cast<uint8_t>(rng() % 64 + 100);
            SelectiveSmooth(src.data(), w, h, bpp, t, dst.data(), w * bpp);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < bpp; ++c)
                        ASSERT_EQ(dst[(y * w + x) * bpp + c], SelectiveSmoothAt(src.data(), w, h, bpp, x, y, c, t))
                            << "bpp " << bpp << " t " << t << " at " << x << "," << y;
        }
    }
}

namespace {
// A flat grey plane with noise and a sharp vertical edge at x = 36.
std::vector<uint8_t> NoisyEdge(int w, int h, uint32_t seed, int noise) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p[y * w + x] = static_cast<uint8_t>((x < 36 ? 60 : 190) + static_cast<int>(rng() % (2 * noise + 1)) - noise);
    return p;
}
double Deviation(const std::vector<uint8_t>& p, int w, int h, int x0, int x1) {
    double s = 0, s2 = 0;
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = x0; x < x1; ++x) {
            s += p[y * w + x];
            s2 += p[y * w + x] * p[y * w + x];
            ++n;
        }
    return std::sqrt(s2 / n - (s / n) * (s / n));
}
}  // namespace

TEST(PixelDenoise, NoiseDropsAndTheEdgeStays) {
    const int w = 64, h = 32;
    for (int32_t type : {ef_denoise_adaptive, ef_denoise_cast, ef_denoise_mosquito}) {
        SCOPED_TRACE(type);
        CZREffect e = Effect(type);
        e.pDenoiseAdaptiveThreshold = 12;
        EffectState st;
        double before = 0, after = 0;
        std::vector<uint8_t> p;
        // Mosquito smoothing works only in blocks that hold an edge: [32, 40) here.
        const int x0 = type == ef_denoise_mosquito ? 32 : 2, x1 = type == ef_denoise_mosquito ? 35 : 30;
        for (uint32_t n = 0; n < 4; ++n) {  // CAST leans on the previous frames
            p = NoisyEdge(w, h, n + 1, 6);
            before = Deviation(p, w, h, x0, x1);
            Frame f;
            f.format = PixFormat::I420;  // luma plane only is enough for a single-plane frame
            f.planeCount = 1;
            f.width = w;
            f.height = h;
            f.planes[0] = Plane{p.data(), w, w, h, 1};
            ApplyEffect(f, e, st, EffectContext{n});
        }
        after = Deviation(p, w, h, x0, x1);
        EXPECT_LT(after, before * 0.75);
        // The edge keeps its full height: the pixels next to it stay on their side.
        EXPECT_LT(p[5 * w + 35], 80);
        EXPECT_GT(p[5 * w + 36], 170);
    }
    // Mosquito smoothing leaves flat blocks alone.
    std::vector<uint8_t> flat = NoisyEdge(64, 8, 9, 6);
    const std::vector<uint8_t> orig = flat;
    std::vector<uint8_t> scratch;
    DenoiseMosquito(Plane{flat.data(), 64, 64, 8, 1}, 8, scratch);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(flat[y * 64 + 3], orig[y * 64 + 3]);
}

TEST(PixelDeinterlace, CombingGoesAndStillPicturesStayWoven) {
    const int w = 16, h = 8;
    auto comb = [&] {
        std::vector<uint8_t> p(w * h);
        for (int y = 0; y < h; ++y) std::fill_n(p.begin() + y * w, w, static_cast<uint8_t>(y % 2 ? 200 : 40));
        return p;
    };
    for (int32_t type : {ef_deint_blend, ef_deint_triangle, ef_deint_cavt}) {
        SCOPED_TRACE(type);
        std::vector<uint8_t> p = comb();
        Frame f;
        f.format = PixFormat::I420;
        f.planeCount = 1;
        f.width = w;
        f.height = h;
        f.planes[0] = Plane{p.data(), w, w, h, 1};
        EffectState st;
        ApplyEffect(f, Effect(type), st, EffectContext{});
        // Rows 2..5 no longer alternate between 40 and 200.
        for (int y = 2; y < 6; ++y) EXPECT_LT(std::abs(p[y * w + 3] - p[(y + 1) * w + 3]), 100) << y;
    }
    // Triangle is exact: (a + w b + c) / (w + 2).
    std::vector<uint8_t> p = {10, 10, 100, 100, 40, 40};
    std::vector<uint8_t> scratch;
    DeinterlaceTriangle(Plane{p.data(), 2, 2, 3, 1}, 4, scratch);
    EXPECT_EQ(p[0], 25);   // (10 + 40 + 100) / 6
    EXPECT_EQ(p[2], 75);   // (10 + 400 + 40) / 6
    // CAVT weaves a still picture without combing: the second identical frame stays as it was.
    std::vector<uint8_t> still(w * h);
    for (int i = 0; i < w * h; ++i) still[i] = static_cast<uint8_t>(50 + (i % w) * 3 + (i / w));
    PlaneHistory hist;
    std::vector<uint8_t> a = still, b = still;
    DeinterlaceCavt(Plane{a.data(), w, w, h, 1}, 10, hist, scratch);
    DeinterlaceCavt(Plane{b.data(), w, w, h, 1}, 10, hist, scratch);
    EXPECT_EQ(b, still);
    // A row that moved is interpolated from its neighbours.
    std::vector<uint8_t> moved = still;
    std::fill_n(moved.begin() + 3 * w, w, static_cast<uint8_t>(250));
    DeinterlaceCavt(Plane{moved.data(), w, w, h, 1}, 10, hist, scratch);
    EXPECT_EQ(moved[3 * w + 4], (still[2 * w + 4] + still[4 * w + 4] + 1) / 2);
}

TEST(PixelBlend, LogoOverEveryFormatWithKeyAndOpacity) {
    // A 4x4 logo: opaque yellow, except its key-coloured left column.
    std::vector<uint8_t> logo(4 * 4 * 4);
    for (int i = 0; i < 16; ++i) {
        uint8_t* p = &logo[i * 4];
        const bool key = i % 4 == 0;
        p[0] = key ? 0x30 : 0;
        p[1] = key ? 0x20 : 255;
        p[2] = key ? 0x10 : 255;
        p[3] = 255;
    }
    ApplyColourKey(logo.data(), 4, 4, 16, 0x302010);
    for (PixFormat fmt : kFormats) {
        SCOPED_TRACE(Name(fmt));
        for (int alpha : {255, 128}) {
            TestFrame t(fmt, 32, 16);
            FillQuadrants(t);
            Overlay o;
            PrepareOverlay(logo.data(), 4, 4, 16, alpha, t.f.IsYuv(), o);
            BlendOverlay(t.f, o, 2, 2);
            BlendOverlay(t.f, o, -2, -2);  // cut off at the corner
            const int tol = t.f.IsYuv() ? 12 : 1;
            if (alpha == 255) {
                EXPECT_TRUE(Near(t.Get(4, 4), {255, 255, 0}, tol)) << Str(t.Get(4, 4));
                EXPECT_TRUE(Near(t.Get(1, 1), {255, 255, 0}, tol)) << Str(t.Get(1, 1));
            } else {
                EXPECT_TRUE(Near(t.Get(4, 4), {255, 128, 0}, tol)) << Str(t.Get(4, 4));
            }
            if (!t.f.IsYuv()) EXPECT_TRUE(Near(t.Get(2, 4), kRed, 0)) << "keyed column";  // chroma blocks mix there
            EXPECT_TRUE(Near(t.Get(8, 8), kBlue, 0)) << "outside";
        }
    }
}

TEST(PixelEffectEx, AmountAndKeys) {
    CZREffect e = CZREffect_Init();
    e.pMaxI = 77;
    FillEffectEx(e, 5, 100, -1, true, ef_mosaic, 2.5, L"min=10; max = 90;Scale=1.5");
    EXPECT_EQ(e.ID, 5);
    EXPECT_EQ(e.Enabled, -1);
    EXPECT_EQ(e.StartTime, 100);
    EXPECT_EQ(e.StopTime, -1);
    EXPECT_EQ(e._type, ef_mosaic);
    EXPECT_EQ(e.pAmountI, 2);
    EXPECT_DOUBLE_EQ(e.pAmountD, 2.5);
    EXPECT_EQ(e.pMinI, 10);
    EXPECT_EQ(e.pMaxI, 77);  // blanks around the key: not that key
    EXPECT_DOUBLE_EQ(e.pScaleD, 1.5);

    struct Case {
        const wchar_t* params;
        int32_t size, seam, style;
    };
    const Case cases[] = {
        {L"SIZE=abc", 0, 3, 4},           {L"", 9, 3, 4},       {L"size=\t12 ;seam=", 12, 3, 4},
        {L"SIZE=1\r\nSTYLE=-2\nSIZE=5", 1, 3, -2}, {L"SIZE=99999999999", 0, 3, 4}, {L"SEAM=+7;SEAM=8", 9, 7, 4},
        {L"SIZE=1.5", 0, 3, 4},           {L"SIZE", 9, 3, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.params, c.params + std::wcslen(c.params)));
        CZREffect r = CZREffect_Init();
        r.pSizeI = 9;
        r.pSeamI = 3;
        r.pStyleI = 4;
        FillEffectEx(r, 1, 0, 0, false, ef_blur, 3.5, c.params);
        EXPECT_EQ(r.pAmountI, 4);
        EXPECT_EQ(r.Enabled, 0);
        EXPECT_EQ(r.pSizeI, c.size);
        EXPECT_EQ(r.pSeamI, c.seam);
        EXPECT_EQ(r.pStyleI, c.style);
    }
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(0.49999), 0);
    EXPECT_EQ(RoundHalfEven(1e300), INT32_MAX);
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
}

TEST(PixelRecord, NewRecordDefaults) {
    const CZREffect e = CZREffect_Init();
    EXPECT_EQ(e.TextLogo.transparent_bg, -1);
    EXPECT_EQ(e.TextLogo.font_size, 32);
    EXPECT_EQ(e.TextLogo.transp, 255);
    EXPECT_EQ(e.TextLogo.innerBorderSize, 1);
    EXPECT_EQ(e.TextLogo.outerBorderSize, 1);
    EXPECT_EQ(std::u16string(e.TextLogo.font_name), u"Arial");
    EXPECT_EQ(e.ID, 0);
    EXPECT_EQ(e.Enabled, 0);
    EXPECT_EQ(e.TextLogo.text, nullptr);
    EXPECT_EQ(e.GraphicLogo.Filename, nullptr);
}
