// Chroma key, motion detection and the 24-bit copy for the host, in every frame format the filter carries.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/pixels/keying.h"

using namespace zr::pix;

namespace {

struct Rgb {
    int r, g, b;
};

const PixFormat kFormats[] = {PixFormat::RGB24, PixFormat::RGB32, PixFormat::I420, PixFormat::YV12, PixFormat::NV12};

// A frame built from an RGB picture given by a function of the position.
template <class F>
OwnedFrame Picture(PixFormat fmt, int w, int h, F colourAt) {
    std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = colourAt(x, y);
            uint8_t* p = &bgra[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(c.b), p[1] = static_cast<uint8_t>(c.g), p[2] = static_cast<uint8_t>(c.r), p[3] = 255;
        }
    OwnedFrame o;
    EXPECT_TRUE(MakeOwnedFrame(fmt, bgra.data(), w, h, w * 4, o));
    return o;
}

// The picture as RGB, read back through the host's 24-bit copy (which is tested on its own below).
Rgb At(const Frame& f, int x, int y) {
    std::vector<uint8_t> dib(FrameBytes(PixFormat::RGB24, f.width, f.height));
    ToBgr24BottomUp(f, dib.data());
    const uint8_t* p = dib.data() + DefaultStride(PixFormat::RGB24, f.width) * (f.height - 1 - y) + x * 3;
    return {p[2], p[1], p[0]};
}

bool Near(Rgb a, Rgb b, int tol) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}
std::string Str(Rgb p) { return std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b); }

}  // namespace

TEST(ChromaKey, WeightFollowsDominanceBetweenTheBounds) {
    struct Case {
        int channel, low, high, r, g, b, weight;
    } cases[] = {
        {kChromaGreen, 110, 70, 0, 255, 0, 255},      // pure green: dominance 255
        {kChromaGreen, 110, 70, 40, 150, 30, 255},    // 110 exactly: the larger bound keys fully
        {kChromaGreen, 110, 70, 40, 110, 30, 0},      // 70 exactly: the smaller bound keeps
        {kChromaGreen, 110, 70, 40, 130, 30, 128},    // 90: half-way
        {kChromaGreen, 70, 110, 40, 130, 30, 128},    // the bounds in either order
        {kChromaGreen, 110, 70, 200, 200, 200, 0},    // grey
        {kChromaGreen, 110, 70, 255, 0, 0, 0},        // another colour's dominance
        {kChromaRed, 110, 70, 255, 0, 0, 255},
        {kChromaBlue, 110, 70, 0, 0, 255, 255},
        {kChromaBlue, 50, 50, 0, 0, 100, 255},        // equal bounds: a hard step
        {kChromaBlue, 50, 50, 0, 0, 49, 0},
        {7, 110, 70, 0, 255, 0, 0},                   // unknown channel keys nothing
        {kChromaGreen, -100, 400, 0, 255, 0, 254},    // a bound beyond the range acts as its end: 355 * 255 / 356
        {kChromaGreen, INT32_MIN, INT32_MAX, 0, 255, 0, 255},
    };
    for (const Case& c : cases) {
        ChromaKeyParams p{c.channel, c.low, c.high};
        EXPECT_EQ(ChromaWeight(c.r, c.g, c.b, p), c.weight) << c.channel << " " << c.low << "/" << c.high << " " << c.r
                                                             << "," << c.g << "," << c.b;
    }
}

TEST(ChromaKey, GreenShowsTheBackgroundOrBlackInEveryFormat) {
    for (PixFormat fmt : kFormats) {
        SCOPED_TRACE(static_cast<int>(fmt));
        // Left half green screen, right half a red subject; the background is blue.
        auto scene = [](int x, int) { return x < 16 ? Rgb{20, 200, 30} : Rgb{220, 30, 20}; };
        OwnedFrame f = Picture(fmt, 32, 8, scene);
        OwnedFrame bg = Picture(fmt, 32, 8, [](int, int) { return Rgb{0, 0, 255}; });
        ChromaKey(f.frame, ChromaKeyParams{}, &bg.frame);
        const int tol = f.frame.IsYuv() ? 12 : 0;
        EXPECT_TRUE(Near(At(f.frame, 4, 4), Rgb{0, 0, 255}, tol)) << Str(At(f.frame, 4, 4));
        EXPECT_TRUE(Near(At(f.frame, 24, 4), Rgb{220, 30, 20}, tol)) << Str(At(f.frame, 24, 4));

        // No picture (or one of another size): keyed pixels turn black.
        OwnedFrame g = Picture(fmt, 32, 8, scene);
        OwnedFrame small = Picture(fmt, 16, 8, [](int, int) { return Rgb{0, 0, 255}; });
        ChromaKey(g.frame, ChromaKeyParams{}, &small.frame);
        EXPECT_TRUE(Near(At(g.frame, 4, 4), Rgb{0, 0, 0}, tol)) << Str(At(g.frame, 4, 4));
        EXPECT_TRUE(Near(At(g.frame, 24, 4), Rgb{220, 30, 20}, tol));
    }
}

TEST(MotionDetection, MatrixAndLevelOfAMovingSquare) {
    // 64x32 picture, grid of 4 columns and 2 rows (cells of 16x16). A white 8x8 square moves from the top-left
    // cell to the bottom-right one.
    auto square = [](int sx, int sy) {
        return [=](int x, int y) { return x >= sx && x < sx + 8 && y >= sy && y < sy + 8 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; };
    };
    for (PixFormat fmt : kFormats) {
        SCOPED_TRACE(static_cast<int>(fmt));
        MotionDetector d;
        MotionParams p;
        p.cols = 4;
        p.rows = 2;
        std::vector<uint8_t> m;
        int level = -1;
        OwnedFrame a = Picture(fmt, 64, 32, square(4, 4));
        EXPECT_FALSE(d.Measure(a.frame, p, m, level));  // nothing to compare with yet
        ASSERT_TRUE(d.Measure(a.frame, p, m, level));   // still
        EXPECT_EQ(level, 0);
        EXPECT_EQ(m, std::vector<uint8_t>(8, 0));
        OwnedFrame b = Picture(fmt, 64, 32, square(52, 20));
        ASSERT_TRUE(d.Measure(b.frame, p, m, level));
        // Column by column: byte column * rows + row. 64 of 256 pixels changed in each of the two cells.
        std::vector<uint8_t> want(8, 0);
        want[0 * 2 + 0] = 25;
        want[3 * 2 + 1] = 25;
        EXPECT_EQ(m, want);
        EXPECT_EQ(level, 6);  // 128 of 2048 pixels

        // A new size starts again without a measurement.
        OwnedFrame c = Picture(fmt, 32, 32, square(0, 0));
        EXPECT_FALSE(d.Measure(c.frame, p, m, level));
    }
}

TEST(MotionDetection, ComparedChannels) {
    // Only the blue channel changes, by 100; greyscale sees 100 * 29 / 256 = 11, below the pixel threshold.
    struct Case {
        bool r, g, b, grey, moved;
    } cases[] = {{false, false, false, true, false},
                 {false, false, true, false, true},
                 {true, true, false, false, false},
                 {false, false, false, false, false},  // none chosen: greyscale
                 {true, false, true, true, true}};
    for (const Case& c : cases) {
        MotionDetector d;
        MotionParams p{c.r, c.g, c.b, c.grey, 1, 1};
        std::vector<uint8_t> m;
        int level = 0;
        OwnedFrame a = Picture(PixFormat::RGB32, 8, 8, [](int, int) { return Rgb{50, 50, 50}; });
        OwnedFrame b = Picture(PixFormat::RGB32, 8, 8, [](int, int) { return Rgb{50, 50, 150}; });
        d.Measure(a.frame, p, m, level);
        ASSERT_TRUE(d.Measure(b.frame, p, m, level));
        EXPECT_EQ(level, c.moved ? 100 : 0) << c.r << c.g << c.b << c.grey;
    }
}

TEST(MotionDetection, GridFinerThanThePictureAndClampedSizes) {
    OwnedFrame a = Picture(PixFormat::RGB24, 4, 2, [](int, int) { return Rgb{0, 0, 0}; });
    OwnedFrame b = Picture(PixFormat::RGB24, 4, 2, [](int, int) { return Rgb{255, 255, 255}; });
    MotionDetector d;
    MotionParams p;
    p.cols = 8;  // more columns than pixels: cells without pixels read 0
    p.rows = 0;  // clamped to 1
    std::vector<uint8_t> m;
    int level = 0;
    d.Measure(a.frame, p, m, level);
    ASSERT_TRUE(d.Measure(b.frame, p, m, level));
    ASSERT_EQ(m.size(), 8u);
    int full = 0;
    for (uint8_t v : m) {
        EXPECT_TRUE(v == 0 || v == 100);
        full += v == 100;
    }
    EXPECT_EQ(full, 4);
    EXPECT_EQ(level, 100);
    p.cols = 100000;
    d.Measure(a.frame, p, m, level);
    EXPECT_EQ(m.size(), static_cast<size_t>(kMaxMotionCells));
}

TEST(MotionDetection, HighlightTintsOnlyCellsAboveTheThreshold) {
    for (PixFormat fmt : kFormats) {
        SCOPED_TRACE(static_cast<int>(fmt));
        OwnedFrame f = Picture(fmt, 32, 16, [](int, int) { return Rgb{255, 255, 255}; });
        const uint8_t matrix[4] = {30, 25, 0, 100};  // 2 columns x 2 rows, column by column
        HighlightCells(f.frame, matrix, 2, 2, 25, 0x000000FF);  // red
        const int tol = f.frame.IsYuv() ? 14 : 1;
        EXPECT_TRUE(Near(At(f.frame, 4, 4), Rgb{255, 128, 128}, tol)) << Str(At(f.frame, 4, 4));      // column 0 row 0
        EXPECT_TRUE(Near(At(f.frame, 4, 12), Rgb{255, 255, 255}, tol)) << Str(At(f.frame, 4, 12));    // 25: not above
        EXPECT_TRUE(Near(At(f.frame, 20, 4), Rgb{255, 255, 255}, tol)) << Str(At(f.frame, 20, 4));
        EXPECT_TRUE(Near(At(f.frame, 20, 12), Rgb{255, 128, 128}, tol)) << Str(At(f.frame, 20, 12));  // column 1 row 1
    }
}

TEST(HostFrame, Bgr24BottomUpFromEveryFormat) {
    auto quadrants = [](int x, int y) {
        return y < 4 ? (x < 5 ? Rgb{255, 0, 0} : Rgb{0, 255, 0}) : (x < 5 ? Rgb{0, 0, 255} : Rgb{255, 255, 255});
    };
    for (PixFormat fmt : kFormats) {
        for (bool bottomUp : {false, true}) {
            if (bottomUp && fmt != PixFormat::RGB24 && fmt != PixFormat::RGB32) continue;
            SCOPED_TRACE(std::to_string(static_cast<int>(fmt)) + (bottomUp ? " bottom-up" : ""));
            // Odd width (rows of 30 bytes padded to 32) and the source in either orientation.
            OwnedFrame top = Picture(fmt, 10, 8, quadrants);
            std::vector<uint8_t> buf(FrameBytes(fmt, 10, 8));
            Frame f;
            ASSERT_TRUE(MakeFrame(fmt, buf.data(), buf.size(), 10, 8, 0, bottomUp, f));
            CopyFrame(top.frame, f);
            std::vector<uint8_t> dib(FrameBytes(PixFormat::RGB24, 10, 8), 0xEE);
            ToBgr24BottomUp(f, dib.data());
            const int tol = f.IsYuv() ? 4 : 0;
            auto px = [&](int x, int y) {  // y from the top of the picture
                const uint8_t* p = dib.data() + 32 * (7 - y) + x * 3;
                return Rgb{p[2], p[1], p[0]};
            };
            EXPECT_TRUE(Near(px(1, 1), Rgb{255, 0, 0}, tol)) << Str(px(1, 1));
            EXPECT_TRUE(Near(px(8, 1), Rgb{0, 255, 0}, tol)) << Str(px(8, 1));
            EXPECT_TRUE(Near(px(1, 6), Rgb{0, 0, 255}, tol)) << Str(px(1, 6));
            EXPECT_TRUE(Near(px(9, 7), Rgb{255, 255, 255}, tol)) << Str(px(9, 7));
            EXPECT_EQ(dib[30], 0xEE);  // padding untouched
        }
    }
}
