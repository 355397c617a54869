// Per-frame cost of chroma key, motion detection and the host's 24-bit copy on 1920x1080 frames, one thread.
//   keying_bench [repeats]   (bench/keying.sh builds and runs it beside ffmpeg)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "core/pixels/keying.h"

using namespace zr::pix;

namespace {

constexpr int W = 1920, H = 1080;

// A green screen with a grey subject in the middle third, and some noise.
OwnedFrame Scene(PixFormat fmt, int shift) {
    std::vector<uint8_t> bgra(static_cast<size_t>(W) * H * 4);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint8_t* p = &bgra[(static_cast<size_t>(y) * W + x) * 4];
            const bool subject = x > W / 3 + shift && x < 2 * W / 3 + shift;
            const int n = (x * 13 + y * 7) % 9;
            p[0] = static_cast<uint8_t>(subject ? 120 + n : 30 + n);
            p[1] = static_cast<uint8_t>(subject ? 110 + n : 190 + n);
            p[2] = static_cast<uint8_t>(subject ? 130 + n : 40 + n);
            p[3] = 255;
        }
    OwnedFrame f;
    MakeOwnedFrame(fmt, bgra.data(), W, H, W * 4, f);
    return f;
}

double ThreadMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double BestMs(int repeats, const std::function<void()>& fn) {
    double best = 1e30;
    fn();
    for (int i = 0; i < repeats; ++i) {
        const double a = ThreadMs();
        fn();
        best = std::min(best, ThreadMs() - a);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 15;
    std::printf("| work on one 1920x1080 frame | I420 ms | RGB32 ms | RGB24 ms |\n|---|---|---|---|\n");
    const PixFormat fmts[] = {PixFormat::I420, PixFormat::RGB32, PixFormat::RGB24};
    double copy[3], key[3], motion[3], dib[3];
    for (int i = 0; i < 3; ++i) {
        OwnedFrame src = Scene(fmts[i], 0), moved = Scene(fmts[i], 40), work = Scene(fmts[i], 0);
        OwnedFrame bg = Scene(fmts[i], 200);
        copy[i] = BestMs(repeats, [&] { std::memcpy(work.buf.data(), src.buf.data(), src.buf.size()); });
        const double keyed = BestMs(repeats, [&] {
            std::memcpy(work.buf.data(), src.buf.data(), src.buf.size());
            ChromaKey(work.frame, ChromaKeyParams{}, &bg.frame);
        });
        key[i] = std::max(0.0, keyed - copy[i]);
        MotionDetector d;
        MotionParams p;
        std::vector<uint8_t> m;
        int level = 0;
        bool flip = false;
        motion[i] = BestMs(repeats, [&] {
            d.Measure((flip = !flip) ? src.frame : moved.frame, p, m, level);
        });
        std::vector<uint8_t> out(FrameBytes(PixFormat::RGB24, W, H));
        dib[i] = BestMs(repeats, [&] { ToBgr24BottomUp(src.frame, out.data()); });
    }
    std::vector<uint8_t> a(FrameBytes(PixFormat::RGB24, W, H)), b(a.size());
    const double copy24 = BestMs(repeats, [&] { std::memcpy(b.data(), a.data(), a.size()); });
    std::printf("| memcpy of the frame | %.2f | %.2f | %.2f |\n", copy[0], copy[1], copy[2]);
    std::printf("| chroma key (green, with a background picture) | %.2f | %.2f | %.2f |\n", key[0], key[1], key[2]);
    std::printf("| motion matrix 8x8, greyscale | %.2f | %.2f | %.2f |\n", motion[0], motion[1], motion[2]);
    std::printf("| 24-bit bottom-up copy for the host | %.2f | %.2f | %.2f |\n", dib[0], dib[1], dib[2]);
    std::printf("| memcpy of a 24-bit frame (6.2 MB) | %.2f | | |\n", copy24);
    return 0;
}
