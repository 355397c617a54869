// libFuzzer target: Video_Effect_Ex parameter text and arbitrary effect records fed to the pixel kernels on
// small frames of every format, over two frames (so kernels with history run), plus logo blending at any
// position.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/pixels/blend.h"
#include "core/pixels/effect_ex.h"
#include "core/pixels/effects.h"

using namespace zr::pix;

namespace {
struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    template <class T>
    T Get() {
        T v{};
        const size_t k = n < sizeof v ? n : sizeof v;
        std::memcpy(&v, p, k);
        p += k;
        n -= k;
        return v;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader r{data, size};
    const PixFormat formats[] = {PixFormat::RGB24, PixFormat::RGB32, PixFormat::I420, PixFormat::YV12, PixFormat::NV12};
    const PixFormat fmt = formats[r.Byte() % 5];
    const int w = 1 + r.Byte() % 48, h = 1 + r.Byte() % 48;
    const bool bottomUp = r.Byte() & 1;
    // The effect: a random record, or one filled from parameter text.
    CZREffect e = r.Get<CZREffect>();
    e.TextLogo.text = e.TextLogo.font_name = e.TextLogo.dateMask = nullptr;
    e.GraphicLogo.Filename = nullptr;
    if (r.Byte() & 1) {
        const size_t len = r.Byte() % 64;
        std::wstring text;
        for (size_t i = 0; i < len; ++i) text += static_cast<wchar_t>(r.Byte());
        FillEffectEx(e, e.ID, static_cast<int32_t>(e.StartTime), static_cast<int32_t>(e.StopTime), true,
                     static_cast<int32_t>(r.Byte() % (kEffectTypeCount + 2)), r.Get<double>(), text);
    }
    std::vector<uint8_t> buf(FrameBytes(fmt, w, h));
    for (auto& b : buf) b = r.Byte();
    Frame f;
    if (!MakeFrame(fmt, buf.data(), buf.size(), w, h, 0, bottomUp, f)) return 0;
    EffectState st;
    for (uint32_t n = 0; n < 2; ++n) ApplyEffect(f, e, st, EffectContext{n});
    (void)EffectActiveAt(e, r.Get<int64_t>());
    // A logo somewhere around the frame.
    const int lw = r.Byte() % 20, lh = r.Byte() % 20;
    std::vector<uint8_t> logo(static_cast<size_t>(lw) * lh * 4);
    for (auto& b : logo) b = r.Byte();
    ApplyColourKey(logo.data(), lw, lh, lw * 4, r.Get<uint32_t>());
    Overlay o;
    PrepareOverlay(logo.data(), lw, lh, lw * 4, r.Byte(), f.IsYuv(), o);
    BlendOverlay(f, o, static_cast<int8_t>(r.Byte()), static_cast<int8_t>(r.Byte()));
    return 0;
}
