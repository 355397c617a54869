// libFuzzer target: a chain of effects built from the input's parameter records, run over the rest of
// the input as PCM, with parameters changed between blocks. Every output sample must be finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/dsp/dsp.h"

using namespace zrdsp;

namespace {

struct Reader {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    float Value() {
        uint8_t b[4] = {Byte(), Byte(), Byte(), Byte()};
        // Half of the values small and plausible, half any bit pattern (NaN, infinities, huge).
        if (b[0] & 1) return static_cast<float>(static_cast<int16_t>(b[1] | b[2] << 8)) / (1 + (b[3] & 7));
        float f;
        std::memcpy(&f, b, 4);
        return f;
    }
};

void SetRandomParam(Reader& r, Effect* fx) {
    const uint8_t id = r.Byte();
    const int param = (id & 0x80) ? pBand0 + (id & 0x0F) : id % pParamCount;
    const int ch = static_cast<int8_t>(r.Byte()) % 10;
    fx->Set(param, ch, r.Value());
    (void)fx->Get(param, ch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader r{data, size};
    static const SampleType kTypes[] = {SampleType::U8, SampleType::S16, SampleType::S24, SampleType::S32, SampleType::F32};
    static const int kRates[] = {8000, 11025, 22050, 44100, 48000, 96000};
    const SampleType type = kTypes[r.Byte() % 5];
    const int channels = 1 + r.Byte() % kMaxChannels;
    const int rate = kRates[r.Byte() % 6];
    Chain chain;
    chain.SetFormat(type, rate, channels);
    const int effects = 1 + r.Byte() % 5;
    for (int e = 0; e < effects; ++e) {
        const uint8_t k = r.Byte();
        const int i = chain.Add(static_cast<Kind>(k % kKindCount), (k & 0x80) == 0);
        const int params = r.Byte() % 10;
        for (int p = 0; p < params; ++p) SetRandomParam(r, chain.At(i));
        if (r.Byte() & 1) chain.SetWindow(i, static_cast<int64_t>(r.Byte()) * 100000, static_cast<int64_t>(r.Byte()) * 200000);
    }
    const size_t frameBytes = static_cast<size_t>(BytesPerSample(type)) * channels;
    std::vector<uint8_t> pcm(r.p, r.p + r.n - r.n % frameBytes);
    const int frames = static_cast<int>(pcm.size() / frameBytes);
    std::vector<uint8_t> out;
    int64_t time = 0;
    // The same PCM three times, with a parameter change and a reset between.
    for (int pass = 0; pass < 3; ++pass) {
        chain.Process(pcm.data(), frames, time);
        time += static_cast<int64_t>(frames) * 10000000 / rate;
        if (pass == 1 && chain.Count()) chain.Reset();
        if (chain.Count() && frames) {
            Reader again{pcm.data(), pcm.size()};
            SetRandomParam(again, chain.At(pcm[0] % chain.Count()));
        }
        out.resize(static_cast<size_t>(chain.Held()) * frameBytes);
        chain.Read(out.data(), chain.Held());
    }
    chain.Drain();
    out.resize(static_cast<size_t>(chain.Held()) * frameBytes);
    const int n = chain.Read(out.data(), chain.Held());
    if (type == SampleType::F32) {
        for (int i = 0; i < n * channels; ++i) {
            float v;
            std::memcpy(&v, out.data() + 4 * i, 4);
            if (!std::isfinite(v)) std::abort();
        }
    }
    return 0;
}
