// Building blocks shared by the effects: biquad sections, delay lines, oscillators, level helpers.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/dsp/dsp.h"

namespace zrdsp {

constexpr double kPi = 3.14159265358979323846;

inline double Clamp(double v, double lo, double hi) {
    if (!(v >= lo)) return lo;  // NaN goes low
    return v > hi ? hi : v;
}
inline double DbToGain(double db) { return std::pow(10.0, db / 20.0); }
inline double GainToDb(double g) { return g > 1e-12 ? 20.0 * std::log10(g) : -240.0; }
// Values this small (-300 dB) would be denormal soon: they are zero for audio.
inline double Flush(double v) { return std::fabs(v) < 1e-15 ? 0.0 : v; }
inline float FlushF(float v) { return std::fabs(v) < 1e-15f ? 0.0f : v; }

// One second-order section (transposed direct form II, double state).
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    inline float Run(float x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return static_cast<float>(y);
    }
    void Clear() { z1 = z2 = 0; }
    void Settle() { z1 = Flush(z1); z2 = Flush(z2); }
    // Coefficient sets of the audio cookbook filters (f in Hz, clamped below Nyquist).
    void LowPass(double rate, double f, double q);
    void HighPass(double rate, double f, double q);
    void BandReject(double rate, double f, double q);
    void Peaking(double rate, double f, double q, double gainDb);
    void PeakingOctaves(double rate, double f, double octaves, double gainDb);
    void LowShelf(double rate, double f, double slope, double gainDb);
    void HighShelf(double rate, double f, double slope, double gainDb);
    void BandPassPeak(double rate, double f, double q);  // constant 0 dB peak gain
    void Identity() { b0 = 1; b1 = b2 = a1 = a2 = 0; }
    // Magnitude of the response at f Hz.
    double Magnitude(double rate, double f) const;
};

// A circular delay line of one channel (a power-of-two ring, so that taps wrap with a mask).
class DelayLine {
public:
    // Room for taps up to n - 1 samples back.
    void Resize(size_t n) {
        size_t size = 2;
        while (size < n) size <<= 1;
        buf_.assign(size, 0.0f);
        mask_ = size - 1;
        pos_ = 0;
        max_ = n < 2 ? 2 : n;
    }
    void Clear() { std::fill(buf_.begin(), buf_.end(), 0.0f); }
    size_t Size() const { return max_; }
    inline void Write(float v) {
        buf_[pos_] = v;
        pos_ = (pos_ + 1) & mask_;
    }
    // The sample written d samples before the last one (d >= 0, d < Size()).
    inline float Tap(size_t d) const { return buf_[(pos_ - 1 - d) & mask_]; }
    // Linear interpolation between taps.
    inline float TapFrac(double d) const {
        if (d < 0) d = 0;
        const double maxd = static_cast<double>(max_ - 2);
        if (d > maxd) d = maxd;
        const size_t i = static_cast<size_t>(d);
        const float f = static_cast<float>(d - static_cast<double>(i));
        const float a = Tap(i), b = Tap(i + 1);
        return a + (b - a) * f;
    }

private:
    std::vector<float> buf_;
    size_t pos_ = 0, mask_ = 1, max_ = 2;
};

// A sine/cosine pair advanced by rotation (cheap per sample; renormalised now and then).
struct Rotor {
    double s = 0, c = 1, ds = 0, dc = 1;
    void Set(double phaseCycles, double stepCycles) {
        s = std::sin(2 * kPi * phaseCycles);
        c = std::cos(2 * kPi * phaseCycles);
        ds = std::sin(2 * kPi * stepCycles);
        dc = std::cos(2 * kPi * stepCycles);
    }
    inline void Advance() {
        const double ns = s * dc + c * ds;
        c = c * dc - s * ds;
        s = ns;
    }
    void Normalise() {
        const double r = std::sqrt(s * s + c * c);
        if (r > 0) { s /= r; c /= r; }
    }
};

// Low-frequency oscillator, phase in cycles [0, 1).
struct Lfo {
    double phase = 0, step = 0;
    void SetRate(double rate, double hz) { step = hz / rate; }
    inline void Advance() {
        phase += step;
        if (phase >= 1.0) phase -= std::floor(phase);
    }
    static inline double Sine(double ph) { return std::sin(2 * kPi * ph); }
    // Triangle with the sine's phase: 0 at 0, 1 at 0.25, -1 at 0.75.
    static inline double Triangle(double ph) {
        ph -= std::floor(ph);
        if (ph < 0.25) return 4 * ph;
        if (ph < 0.75) return 2 - 4 * ph;
        return 4 * ph - 4;
    }
};

// Per-channel values with a "Separate" switch: while it is off a write goes to every channel.
template <class T>
struct PerChannel {
    T v[kMaxChannels] = {};
    void Fill(T x) { for (auto& e : v) e = x; }
    void Set(bool separate, int ch, T x) {
        if (!separate) Fill(x);
        else if (ch >= 0 && ch < kMaxChannels) v[ch] = x;
    }
    T Get(bool separate, int ch) const {
        if (!separate) return v[0];
        return (ch >= 0 && ch < kMaxChannels) ? v[ch] : T();
    }
};

// Frames [a, b) of a block that fall inside its window.
void WindowRange(const Block& b, int rate, int frames, int& first, int& end);

}  // namespace zrdsp
