// Per-frame cost of the video effects' pixel kernels on 1920x1080 frames, single thread.
//   pixels_bench [repeats]   (bench/pixels.sh builds and runs it beside ffmpeg)
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/pixels/blend.h"
#include "core/pixels/effects.h"

using namespace zr::pix;

namespace {

constexpr int W = 1920, H = 1080;

struct Buffer {
    std::vector<uint8_t> bytes;
    Frame f;
    Buffer(PixFormat fmt, uint32_t seed) : bytes(FrameBytes(fmt, W, H)) {
        std::mt19937 rng(seed);
        // A smooth picture with mild noise, like decoded video.
        const size_t luma = static_cast<size_t>(W) * H;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const size_t k = i % luma;
            const int x = static_cast<int>(k % W), y = static_cast<int>(k / W);
            bytes[i] = static_cast<uint8_t>(std::clamp(static_cast<int>((x * 7 + y * 3) / 16 % 200 + 28 + rng() % 7), 0, 255));
        }
        MakeFrame(fmt, bytes.data(), bytes.size(), W, H, 0, fmt == PixFormat::RGB32, f);
    }
};

// CPU time of this thread (the machine is shared: wall time would count other programs' turns), as
// ffmpeg's figures below are user + system time.
double ThreadMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double BestMs(int repeats, const std::function<void()>& fn) {
    std::vector<double> t;
    fn();  // warm up
    for (int i = 0; i < repeats; ++i) {
        const double a = ThreadMs();
        fn();
        t.push_back(ThreadMs() - a);
    }
    return *std::min_element(t.begin(), t.end());
}

CZREffect Fx(int32_t type, double amount = 0) {
    CZREffect e = CZREffect_Init();
    e._type = type;
    e.Enabled = -1;
    e.pAmountD = amount;
    return e;
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 15;
    struct Case {
        const char* name;
        CZREffect e;
    };
    const Case cases[] = {
        {"invert", Fx(ef_invert)},           {"lightness", Fx(ef_lightness, 40)},
        {"contrast", Fx(ef_contrast, 50)},   {"saturation", Fx(ef_saturation, 100)},
        {"greyscale", Fx(ef_greyscale)},     {"filter_red", Fx(ef_filter_red)},
        {"posterize", Fx(ef_posterize, 4)},  {"solorize", Fx(ef_solorize, 128)},
        {"mono_noise", Fx(ef_mono_noise)},   {"flip_down", Fx(ef_flip_down)},
        {"mirror_right", Fx(ef_mirror_right)}, {"blur r2", Fx(ef_blur, 2)},
        {"mosaic 16", Fx(ef_mosaic, 16)},    {"spray", Fx(ef_spray)},
        {"marble", Fx(ef_marble)},           {"denoise_adaptive", Fx(ef_denoise_adaptive)},
        {"denoise_cast", Fx(ef_denoise_cast)}, {"denoise_mosquito", Fx(ef_denoise_mosquito)},
        {"deint_blend", Fx(ef_deint_blend)}, {"deint_triangle", Fx(ef_deint_triangle)},
        {"deint_cavt", Fx(ef_deint_cavt)},
    };
    std::printf("| kernel | I420 ms/frame | RGB32 ms/frame |\n|---|---|---|\n");
    {
        Buffer a(PixFormat::I420, 1), b(PixFormat::I420, 2);
        Buffer c(PixFormat::RGB32, 1), d(PixFormat::RGB32, 2);
        const double m1 = BestMs(repeats, [&] { std::memcpy(b.bytes.data(), a.bytes.data(), a.bytes.size()); });
        const double m2 = BestMs(repeats, [&] { std::memcpy(d.bytes.data(), c.bytes.data(), c.bytes.size()); });
        std::printf("| memcpy of the frame | %.2f | %.2f |\n", m1, m2);
    }
    for (const Case& c : cases) {
        double ms[2];
        int i = 0;
        for (PixFormat fmt : {PixFormat::I420, PixFormat::RGB32}) {
            Buffer src(fmt, 3), work(fmt, 3);
            EffectState st;
            uint32_t n = 0;
            // Each run works on a fresh copy of the source (the copy is timed apart and taken off).
            const double copy = BestMs(repeats, [&] { std::memcpy(work.bytes.data(), src.bytes.data(), src.bytes.size()); });
            const double all = BestMs(repeats, [&] {
                std::memcpy(work.bytes.data(), src.bytes.data(), src.bytes.size());
                ApplyEffect(work.f, c.e, st, EffectContext{n++});
            });
            ms[i++] = std::max(0.0, all - copy);
        }
        std::printf("| %s | %.2f | %.2f |\n", c.name, ms[0], ms[1]);
    }
    // Logos: a 400x80 text-sized picture and a 256x256 picture, half transparent, blended per frame.
    for (auto [name, lw, lh] : {std::tuple{"logo blend 400x80", 400, 80}, {"logo blend 256x256", 256, 256}}) {
        std::vector<uint8_t> logo(static_cast<size_t>(lw) * lh * 4);
        std::mt19937 rng(4);
        for (size_t i = 0; i < logo.size(); i += 4) {
            logo[i] = logo[i + 1] = logo[i + 2] = static_cast<uint8_t>(rng());
            logo[i + 3] = static_cast<uint8_t>((i / 4) % 3 ? 255 : 0);
        }
        double ms[2];
        int i = 0;
        for (PixFormat fmt : {PixFormat::I420, PixFormat::RGB32}) {
            Buffer work(fmt, 5);
            Overlay o;
            PrepareOverlay(logo.data(), lw, lh, lw * 4, 200, fmt == PixFormat::I420, o);
            ms[i++] = BestMs(repeats, [&] { BlendOverlay(work.f, o, 100, 100); });
        }
        std::printf("| %s | %.3f | %.3f |\n", name, ms[0], ms[1]);
    }
    return 0;
}
