// Sample conversion, filter designs, the effect factory and the chain.
#include <cstring>
#include <limits>
#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"

namespace zrdsp {

namespace {
constexpr int kChunk = 4096;  // frames run through the effects at once

// Flush-to-zero and denormals-are-zero while the effects run, where the processor has them; the
// caller's mode comes back afterwards. (The effects also clear tiny state themselves.)
class DenormalsOff {
public:
#if defined(__SSE__) || defined(_M_X64)
    DenormalsOff() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }
    ~DenormalsOff() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
#endif
};
}  // namespace

// --- samples

int BytesPerSample(SampleType t) {
    switch (t) {
    case SampleType::U8: return 1;
    case SampleType::S16: return 2;
    case SampleType::S24: return 3;
    case SampleType::S32: return 4;
    case SampleType::F32: return 4;
    }
    return 4;
}

void ToFloat(const void* in, SampleType t, size_t n, float* out) {
    const uint8_t* p = static_cast<const uint8_t*>(in);
    switch (t) {
    case SampleType::U8:
        for (size_t i = 0; i < n; ++i) out[i] = (static_cast<int>(p[i]) - 128) * (1.0f / 128.0f);
        break;
    case SampleType::S16:
        for (size_t i = 0; i < n; ++i) {
            int16_t v;
            std::memcpy(&v, p + 2 * i, 2);
            out[i] = v * (1.0f / 32768.0f);
        }
        break;
    case SampleType::S24:
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* s = p + 3 * i;
            int32_t v = static_cast<int32_t>(static_cast<uint32_t>(s[0]) << 8 | static_cast<uint32_t>(s[1]) << 16 |
                                             static_cast<uint32_t>(s[2]) << 24) >> 8;
            out[i] = static_cast<float>(v * (1.0 / 8388608.0));
        }
        break;
    case SampleType::S32:
        for (size_t i = 0; i < n; ++i) {
            int32_t v;
            std::memcpy(&v, p + 4 * i, 4);
            out[i] = static_cast<float>(v * (1.0 / 2147483648.0));
        }
        break;
    case SampleType::F32:
        std::memcpy(out, p, n * sizeof(float));
        for (size_t i = 0; i < n; ++i)
            if (!std::isfinite(out[i])) out[i] = 0.0f;
        break;
    }
}

namespace {
template <class T>
inline T Saturate(double v, double lo, double hi) {
    if (std::isnan(v)) return static_cast<T>(std::lrint((lo + hi) / 2));
    if (v <= lo) return static_cast<T>(lo);
    if (v >= hi) return static_cast<T>(hi);
    return static_cast<T>(std::lrint(v));
}
}  // namespace

void FromFloat(const float* in, size_t n, SampleType t, void* out) {
    uint8_t* p = static_cast<uint8_t*>(out);
    switch (t) {
    case SampleType::U8:
        for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(Saturate<int>(in[i] * 128.0 + 128.0, 0, 255));
        break;
    case SampleType::S16:
        for (size_t i = 0; i < n; ++i) {
            int16_t v = Saturate<int16_t>(in[i] * 32768.0, -32768, 32767);
            std::memcpy(p + 2 * i, &v, 2);
        }
        break;
    case SampleType::S24:
        for (size_t i = 0; i < n; ++i) {
            int32_t v = Saturate<int32_t>(in[i] * 8388608.0, -8388608, 8388607);
            p[3 * i] = static_cast<uint8_t>(v);
            p[3 * i + 1] = static_cast<uint8_t>(v >> 8);
            p[3 * i + 2] = static_cast<uint8_t>(v >> 16);
        }
        break;
    case SampleType::S32:
        for (size_t i = 0; i < n; ++i) {
            int32_t v = Saturate<int32_t>(in[i] * 2147483648.0, -2147483648.0, 2147483647.0);
            std::memcpy(p + 4 * i, &v, 4);
        }
        break;
    case SampleType::F32:
        for (size_t i = 0; i < n; ++i) {
            // Nothing that is not a number, and no denormals, leave the chain.
            float v = (std::isfinite(in[i]) && std::fabs(in[i]) >= 1e-30f) ? in[i] : 0.0f;
            std::memcpy(p + 4 * i, &v, 4);
        }
        break;
    }
}

// --- biquads (the audio cookbook formulas)

namespace {
struct Raw {
    double b0, b1, b2, a0, a1, a2;
};
void Store(Biquad& q, const Raw& r) {
    q.b0 = r.b0 / r.a0;
    q.b1 = r.b1 / r.a0;
    q.b2 = r.b2 / r.a0;
    q.a1 = r.a1 / r.a0;
    q.a2 = r.a2 / r.a0;
}
double W0(double rate, double f) { return 2 * kPi * Clamp(f, 1.0, rate * 0.4999) / rate; }
}  // namespace

void Biquad::LowPass(double rate, double f, double q) {
    const double w = W0(rate, f), c = std::cos(w), al = std::sin(w) / (2 * Clamp(q, 0.01, 100));
    Store(*this, {(1 - c) / 2, 1 - c, (1 - c) / 2, 1 + al, -2 * c, 1 - al});
}
void Biquad::HighPass(double rate, double f, double q) {
    const double w = W0(rate, f), c = std::cos(w), al = std::sin(w) / (2 * Clamp(q, 0.01, 100));
    Store(*this, {(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + al, -2 * c, 1 - al});
}
void Biquad::BandReject(double rate, double f, double q) {
    const double w = W0(rate, f), c = std::cos(w), al = std::sin(w) / (2 * Clamp(q, 0.01, 100));
    Store(*this, {1, -2 * c, 1, 1 + al, -2 * c, 1 - al});
}
void Biquad::BandPassPeak(double rate, double f, double q) {
    const double w = W0(rate, f), c = std::cos(w), al = std::sin(w) / (2 * Clamp(q, 0.01, 100));
    Store(*this, {al, 0, -al, 1 + al, -2 * c, 1 - al});
}
void Biquad::Peaking(double rate, double f, double q, double g) {
    const double w = W0(rate, f), c = std::cos(w), al = std::sin(w) / (2 * Clamp(q, 0.01, 100));
    const double A = std::pow(10.0, g / 40);
    Store(*this, {1 + al * A, -2 * c, 1 - al * A, 1 + al / A, -2 * c, 1 - al / A});
}
void Biquad::PeakingOctaves(double rate, double f, double oct, double g) {
    const double w = W0(rate, f), s = std::sin(w), c = std::cos(w);
    const double al = s * std::sinh(std::log(2.0) / 2 * Clamp(oct, 0.01, 10) * w / s);
    const double A = std::pow(10.0, g / 40);
    Store(*this, {1 + al * A, -2 * c, 1 - al * A, 1 + al / A, -2 * c, 1 - al / A});
}
void Biquad::LowShelf(double rate, double f, double S, double g) {
    const double w = W0(rate, f), c = std::cos(w), A = std::pow(10.0, g / 40);
    const double al = std::sin(w) / 2 * std::sqrt((A + 1 / A) * (1 / Clamp(S, 0.01, 1) - 1) + 2);
    const double sa = 2 * std::sqrt(A) * al;
    Store(*this, {A * ((A + 1) - (A - 1) * c + sa), 2 * A * ((A - 1) - (A + 1) * c), A * ((A + 1) - (A - 1) * c - sa),
                  (A + 1) + (A - 1) * c + sa, -2 * ((A - 1) + (A + 1) * c), (A + 1) + (A - 1) * c - sa});
}
void Biquad::HighShelf(double rate, double f, double S, double g) {
    const double w = W0(rate, f), c = std::cos(w), A = std::pow(10.0, g / 40);
    const double al = std::sin(w) / 2 * std::sqrt((A + 1 / A) * (1 / Clamp(S, 0.01, 1) - 1) + 2);
    const double sa = 2 * std::sqrt(A) * al;
    Store(*this, {A * ((A + 1) + (A - 1) * c + sa), -2 * A * ((A - 1) + (A + 1) * c), A * ((A + 1) + (A - 1) * c - sa),
                  (A + 1) - (A - 1) * c + sa, 2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - sa});
}
double Biquad::Magnitude(double rate, double f) const {
    const double w = 2 * kPi * f / rate;
    const double cr = std::cos(w), ci = -std::sin(w), c2r = std::cos(2 * w), c2i = -std::sin(2 * w);
    const double nr = b0 + b1 * cr + b2 * c2r, ni = b1 * ci + b2 * c2i;
    const double dr = 1 + a1 * cr + a2 * c2r, di = a1 * ci + a2 * c2i;
    return std::sqrt((nr * nr + ni * ni) / (dr * dr + di * di));
}

void WindowRange(const Block& b, int rate, int frames, int& first, int& end) {
    first = 0;
    end = frames;
    if (b.windowStart < 0 || b.windowStop <= b.windowStart) return;
    auto frameAt = [&](int64_t t) -> int {
        // (block times are rounded to 100 ns: a frame within a tenth of a sample of the edge is on it)
        const double f = std::ceil(static_cast<double>(t - b.time) * rate / 1e7 - 0.1);
        return static_cast<int>(Clamp(f, 0, frames));
    };
    first = frameAt(b.windowStart);
    end = frameAt(b.windowStop);
    if (end < first) end = first;
}

// --- effects: defaults

void Effect::Configure(int rate, int channels) {
    rate_ = rate > 0 ? rate : 44100;
    channels_ = channels < 1 ? 1 : (channels > kMaxChannels ? kMaxChannels : channels);
}
bool Effect::Set(int, int, double) { return false; }
double Effect::Get(int, int) const { return 0; }

namespace {
class PassThrough final : public Effect {
public:
    PassThrough() : Effect(Kind::None) {}
    void Process(float*, int, const Block&) override {}
};
}  // namespace

bool IsValidKind(int k) { return k >= 0 && k < kKindCount; }

std::unique_ptr<Effect> CreateEffect(Kind k) {
    switch (k) {
    case Kind::Amplify: return MakeAmplify();
    case Kind::BandPass: return MakeBandPass();
    case Kind::ChannelOrder: return MakeChannelOrder();
    case Kind::DownMix: return MakeDownMix();
    case Kind::DynamicAmplify: return MakeDynamicAmplify();
    case Kind::EchoDelay: return MakeEchoDelay();
    case Kind::Equalizer: return MakeEqualizer();
    case Kind::Flanger: return MakeFlanger();
    case Kind::HighPass: return MakeCutoffFilter(Kind::HighPass);
    case Kind::LowPass: return MakeCutoffFilter(Kind::LowPass);
    case Kind::Notch: return MakeCutoffFilter(Kind::Notch);
    case Kind::PhaseInvert: return MakePhaseInvert();
    case Kind::Phaser: return MakePhaser();
    case Kind::PitchScale: return MakePitchScale();
    case Kind::PitchShift: return MakePitchShift();
    case Kind::Sound3D: return MakeSound3D();
    case Kind::Tempo: return MakeTempo();
    case Kind::TrebleEnhancer: return MakeShelf(Kind::TrebleEnhancer);
    case Kind::TrueBass: return MakeShelf(Kind::TrueBass);
    case Kind::DMOChorus: return MakeModDelay(Kind::DMOChorus);
    case Kind::DMOCompressor: return MakeCompressor();
    case Kind::DMODistortion: return MakeDistortion();
    case Kind::DMOEcho: return MakeDmoEcho();
    case Kind::DMOFlanger: return MakeModDelay(Kind::DMOFlanger);
    case Kind::DMOGargle: return MakeGargle();
    case Kind::DMOI3DL2Reverb: return MakeI3DL2Reverb();
    case Kind::DMOParamEQ: return MakeDmoParamEq();
    case Kind::DMOWavesReverb: return MakeWavesReverb();
    case Kind::ParametricEQ: return MakeParametricEq();
    case Kind::Fades: return MakeFades();
    case Kind::None: break;
    }
    return std::make_unique<PassThrough>();
}

// --- chain

Chain::Chain() = default;
Chain::~Chain() = default;

void Chain::Ensure(std::vector<float>& v, size_t samples) {
    if (v.size() < samples) v.resize(samples);
}

void Chain::SetFormat(SampleType type, int rate, int channels) {
    type_ = type;
    rate_ = rate > 0 ? rate : 44100;
    channels_ = channels < 1 ? 1 : (channels > kMaxChannels ? kMaxChannels : channels);
    Ensure(work_, static_cast<size_t>(kChunk) * channels_);
    Ensure(out_, static_cast<size_t>(kChunk) * 4 * channels_);
    for (auto& s : slots_) {
        s.fx->Configure(rate_, channels_);
        if (s.fx->ChangesLength()) Ensure(s.scratch, static_cast<size_t>(kChunk) * channels_);
    }
    held_ = 0;
}

int Chain::Add(Kind k, bool enabled) {
    Slot s;
    s.fx = CreateEffect(k);
    s.enabled = enabled;
    s.fx->Configure(rate_, channels_);
    if (s.fx->ChangesLength()) s.scratch.resize(static_cast<size_t>(kChunk) * channels_);
    slots_.push_back(std::move(s));
    return Count() - 1;
}

Effect* Chain::At(int i) { return (i >= 0 && i < Count()) ? slots_[i].fx.get() : nullptr; }
Kind Chain::KindAt(int i) const { return (i >= 0 && i < Count()) ? slots_[i].fx->kind() : Kind::None; }
void Chain::SetEnabled(int i, bool e) {
    if (i >= 0 && i < Count()) slots_[i].enabled = e;
}
bool Chain::Enabled(int i) const { return i >= 0 && i < Count() && slots_[i].enabled; }
void Chain::SetWindow(int i, int64_t start, int64_t stop) {
    if (i < 0 || i >= Count()) return;
    slots_[i].start = start;
    slots_[i].stop = stop;
}
void Chain::Clear() {
    slots_.clear();
    held_ = 0;
}
void Chain::Reset() {
    for (auto& s : slots_) s.fx->Reset();
    held_ = 0;
}

bool Chain::ChangesLength() const {
    for (const auto& s : slots_)
        if (s.enabled && s.fx->ChangesLength()) return true;
    return false;
}

void Chain::Append(const float* x, int n) {
    Ensure(out_, static_cast<size_t>(held_ + n) * channels_);
    std::memcpy(out_.data() + static_cast<size_t>(held_) * channels_, x, sizeof(float) * n * channels_);
    held_ += n;
}

void Chain::RunBlock(float* a, int n, int64_t time, int from) {
    for (int i = from; i < Count(); ++i) {
        Slot& s = slots_[i];
        if (!s.enabled) continue;
        Block b{time, s.start, s.stop};
        int first = 0, end = n;
        WindowRange(b, rate_, n, first, end);
        if (s.fx->ChangesLength()) {
            s.fx->SetActive(first < end);
            s.fx->Push(a, n);
            for (;;) {
                const int m = s.fx->Pull(s.scratch.data(), kChunk);
                if (m <= 0) break;
                RunBlock(s.scratch.data(), m, time, i + 1);
            }
            return;
        }
        if (first < end) {
            Block sub = b;
            sub.time = time + std::llround(static_cast<double>(first) * 1e7 / rate_);
            s.fx->Process(a + static_cast<size_t>(first) * channels_, end - first, sub);
        }
    }
    Append(a, n);
}

int Chain::Process(const void* pcm, int frames, int64_t time) {
    if (!pcm || frames <= 0) return held_;
    DenormalsOff guard;
    const uint8_t* p = static_cast<const uint8_t*>(pcm);
    const size_t frameBytes = static_cast<size_t>(BytesPerSample(type_)) * channels_;
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunk, frames - done);
        ToFloat(p + done * frameBytes, type_, static_cast<size_t>(n) * channels_, work_.data());
        RunBlock(work_.data(), n, time + std::llround(static_cast<double>(done) * 1e7 / rate_), 0);
        done += n;
    }
    return held_;
}

int Chain::Drain() {
    DenormalsOff guard;
    for (int i = 0; i < Count(); ++i) {
        Slot& s = slots_[i];
        if (!s.enabled || !s.fx->ChangesLength()) continue;
        s.fx->Drain();
        for (;;) {
            const int m = s.fx->Pull(s.scratch.data(), kChunk);
            if (m <= 0) break;
            RunBlock(s.scratch.data(), m, 0, i + 1);
        }
    }
    return held_;
}

int Chain::Read(void* pcm, int maxFrames) {
    const int n = std::min(maxFrames, held_);
    if (n <= 0) return 0;
    FromFloat(out_.data(), static_cast<size_t>(n) * channels_, type_, pcm);
    const size_t rest = static_cast<size_t>(held_ - n) * channels_;
    if (rest) std::memmove(out_.data(), out_.data() + static_cast<size_t>(n) * channels_, rest * sizeof(float));
    held_ -= n;
    return n;
}

}  // namespace zrdsp
