// FFT effects: the ten-band equaliser (linear-phase FIR applied by overlap-save) and pitch scaling
// (phase vocoder).
#include <cstring>

#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"
#include "core/dsp/fft.h"

namespace zrdsp {

namespace {

int FftSizeOf(double code, int lo, int hi) {
    const int v = static_cast<int>(Clamp(code, 0, 12));
    return std::max(lo, std::min(hi, 2 << v));
}

// --- equaliser: bands at 31.25 Hz .. 16 kHz (octaves); a band value is a cut in steps of 0.2 dB
// (negative values boost); the curve runs straight between band centres on a log-frequency scale.

class Equalizer final : public Effect {
public:
    Equalizer() : Effect(Kind::Equalizer) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Build();
    }
    void Reset() override {
        for (int c = 0; c < kMaxChannels; ++c) {
            std::fill(x_[c].begin(), x_[c].end(), 0.0f);
            std::fill(y_[c].begin(), y_[c].end(), 0.0f);
        }
        fill_ = 0;
    }
    void Process(float* x, int n, const Block&) override {
        const int N = fft_.Size(), B = N / 2;
        for (int i = 0; i < n;) {
            const int run = std::min(n - i, B - fill_);
            for (int c = 0; c < channels_; ++c) {
                float* xin = x_[c].data() + (N - B) + fill_;
                const float* yout = y_[c].data() + fill_;
                float* p = x + static_cast<size_t>(i) * channels_ + c;
                for (int j = 0; j < run; ++j, p += channels_) {
                    xin[j] = *p;
                    *p = yout[j];
                }
            }
            fill_ += run;
            i += run;
            if (fill_ == B) Block_();
        }
    }
    bool Set(int p, int ch, double v) override {
        if (p == pSeparate) {
            separate_ = v != 0;
            return true;
        }
        if (p == pFFTSize) {
            code_ = static_cast<int>(Clamp(v, 0, 12));
            Build();
            return true;
        }
        if (p >= pBand0 && p < pBand0 + kEqualizerBands) {
            const int b = p - pBand0;
            const int value = static_cast<int8_t>(static_cast<uint8_t>(static_cast<int>(Clamp(v, -1e9, 1e9)) & 0xFF));
            if (!separate_) for (auto& row : bands_) row[b] = value;
            else if (ch >= 0 && ch < kMaxChannels) bands_[ch][b] = value;
            Design();
            return true;
        }
        return false;
    }
    double Get(int p, int ch) const override {
        if (p == pSeparate) return separate_;
        if (p == pFFTSize) return code_;
        if (p >= pBand0 && p < pBand0 + kEqualizerBands) {
            const int c = separate_ ? ch : 0;
            return (c >= 0 && c < kMaxChannels) ? bands_[c][p - pBand0] : 0;
        }
        return 0;
    }

private:
    void Build() {
        const int N = FftSizeOf(code_, 64, 8192);
        fft_.Init(N);
        for (int c = 0; c < kMaxChannels; ++c) {
            const bool used = c < channels_;
            x_[c].assign(used ? N : 0, 0.0f);
            y_[c].assign(used ? N / 2 : 0, 0.0f);
            h_[c].assign(used ? 2 * N : 0, 0.0f);
        }
        work_.assign(2 * N, 0.0f);
        fill_ = 0;
        Design();
    }
    // The filter of each channel from its bands.
    void Design() {
        const int N = fft_.Size(), L = N / 2 + 1;
        std::vector<float>& w = work_;
        for (int c = 0; c < channels_; ++c) {
            if (c > 0 && std::memcmp(bands_[c], bands_[c - 1], sizeof bands_[c]) == 0) {
                h_[c] = h_[c - 1];
                same_[c] = true;
                continue;
            }
            same_[c] = false;
            for (int k = 0; k <= N / 2; ++k) {
                const double g = DbToGain(CurveDb(c, static_cast<double>(k) * rate_ / N));
                w[2 * k] = static_cast<float>(g);
                w[2 * k + 1] = 0;
                if (k > 0 && k < N / 2) {
                    w[2 * (N - k)] = static_cast<float>(g);
                    w[2 * (N - k) + 1] = 0;
                }
            }
            fft_.Inverse(w.data());
            std::vector<float>& h = h_[c];
            std::fill(h.begin(), h.end(), 0.0f);
            for (int j = 0; j < L; ++j) {  // centred, Hann-windowed, linear phase
                const int src = ((j - N / 4) % N + N) % N;
                const double win = 0.5 - 0.5 * std::cos(2 * kPi * (j + 1) / (L + 1));
                h[2 * j] = static_cast<float>(w[2 * src] / N * win);
            }
            fft_.Forward(h.data());
        }
    }
    double CurveDb(int c, double f) const {
        auto db = [&](int b) { return -bands_[c][b] * 0.2; };
        if (f <= 31.25) return db(0);
        const double pos = std::log2(f / 31.25);
        if (pos >= kEqualizerBands - 1) return db(kEqualizerBands - 1);
        const int b = static_cast<int>(pos);
        const double t = pos - b;
        return db(b) * (1 - t) + db(b + 1) * t;
    }
    void Block_() {
        const int N = fft_.Size(), B = N / 2;
        float* z = work_.data();
        for (int c = 0; c < channels_;) {
            const bool pair = c + 1 < channels_ && same_[c + 1];
            for (int j = 0; j < N; ++j) {
                z[2 * j] = x_[c][j];
                z[2 * j + 1] = pair ? x_[c + 1][j] : 0.0f;
            }
            fft_.Forward(z);
            const float* h = h_[c].data();
            for (int k = 0; k < N; ++k) {
                const float re = z[2 * k], im = z[2 * k + 1];
                z[2 * k] = re * h[2 * k] - im * h[2 * k + 1];
                z[2 * k + 1] = re * h[2 * k + 1] + im * h[2 * k];
            }
            fft_.Inverse(z);
            const float s = 1.0f / N;
            for (int j = 0; j < B; ++j) {
                y_[c][j] = z[2 * (N - B + j)] * s;
                if (pair) y_[c + 1][j] = z[2 * (N - B + j) + 1] * s;
            }
            c += pair ? 2 : 1;
        }
        for (int c = 0; c < channels_; ++c) std::memmove(x_[c].data(), x_[c].data() + B, sizeof(float) * (N - B));
        fill_ = 0;
    }

    bool separate_ = false;
    int code_ = 12;
    int8_t bands_[kMaxChannels][kEqualizerBands] = {};
    bool same_[kMaxChannels] = {};
    Fft fft_;
    std::vector<float> x_[kMaxChannels], y_[kMaxChannels], h_[kMaxChannels], work_;
    int fill_ = 0;
};

// --- pitch scale: a phase vocoder moves every partial by the pitch ratio, keeping the length. The
// frame is the FFT size; Quality 0..3 gives 4, 8, 16 or 32 overlapping frames.

class PitchScale final : public Effect {
public:
    PitchScale() : Effect(Kind::PitchScale) { pitch_.Fill(1000); }
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Build();
    }
    void Reset() override {
        for (int c = 0; c < kMaxChannels; ++c) {
            State& s = st_[c];
            std::fill(s.in.begin(), s.in.end(), 0.0f);
            std::fill(s.out.begin(), s.out.end(), 0.0f);
            std::fill(s.ready.begin(), s.ready.end(), 0.0f);
            std::fill(s.lastPhase.begin(), s.lastPhase.end(), 0.0f);
            std::fill(s.sumPhase.begin(), s.sumPhase.end(), 0.0f);
        }
        fill_ = 0;
    }
    void Process(float* x, int n, const Block&) override {
        const int N = fft_.Size(), hop = N / osamp_;
        for (int i = 0; i < n;) {
            const int run = std::min(n - i, hop - fill_);
            for (int c = 0; c < channels_; ++c) {
                State& s = st_[c];
                float* p = x + static_cast<size_t>(i) * channels_ + c;
                for (int j = 0; j < run; ++j, p += channels_) {
                    s.in[N - hop + fill_ + j] = *p;
                    *p = s.ready[fill_ + j];
                }
            }
            fill_ += run;
            i += run;
            if (fill_ == hop) {
                for (int c = 0; c < channels_; ++c) Frame(st_[c], Ratio(c));
                fill_ = 0;
            }
        }
    }
    bool Set(int p, int ch, double v) override {
        switch (p) {
        case pSeparate: separate_ = v != 0; return true;
        case pPitch: pitch_.Set(separate_, ch, Clamp(v, 0, 65535)); return true;
        case pQuality: quality_.Set(separate_, ch, static_cast<int>(Clamp(v, 0, 255))); Build(); return true;
        case pFFTSize: code_ = static_cast<int>(Clamp(v, 0, 12)); Build(); return true;
        }
        return false;
    }
    double Get(int p, int ch) const override {
        switch (p) {
        case pSeparate: return separate_;
        case pPitch: return pitch_.Get(separate_, ch);
        case pQuality: return quality_.Get(separate_, ch);
        case pFFTSize: return code_;
        }
        return 0;
    }

private:
    struct State {
        std::vector<float> in, out, ready, lastPhase, sumPhase;
    };
    double Ratio(int c) const {
        const double p = pitch_.v[c];
        return p <= 0 ? 1.0 : Clamp(p / 1000.0, 0.25, 4.0);
    }
    void Build() {
        const int N = FftSizeOf(code_, 128, 8192);
        osamp_ = 4 << std::min(3, quality_.v[0]);
        if (osamp_ > N / 4) osamp_ = N / 4;
        fft_.Init(N);
        win_.resize(N);
        for (int j = 0; j < N; ++j) win_[j] = static_cast<float>(0.5 - 0.5 * std::cos(2 * kPi * j / N));
        work_.assign(2 * N, 0.0f);
        mag_.assign(N / 2 + 1, 0.0f);
        freq_.assign(N / 2 + 1, 0.0f);
        phase_.assign(N / 2 + 1, 0.0f);
        spec_.assign(N + 2, 0.0f);
        next_.assign(N / 2 + 1, 0.0f);
        peak_.assign(N / 2 + 1, 0);
        for (int c = 0; c < kMaxChannels; ++c) {
            const bool used = c < channels_;
            State& s = st_[c];
            s.in.assign(used ? N : 0, 0.0f);
            s.out.assign(used ? 2 * N : 0, 0.0f);
            s.ready.assign(used ? N : 0, 0.0f);
            s.lastPhase.assign(used ? N / 2 + 1 : 0, 0.0f);
            s.sumPhase.assign(used ? N / 2 + 1 : 0, 0.0f);
        }
        fill_ = 0;
    }
    void Frame(State& s, double ratio) {
        const int N = fft_.Size(), half = N / 2, hop = N / osamp_;
        const double expct = 2 * kPi * hop / N;
        float* z = work_.data();
        for (int j = 0; j < N; ++j) {
            z[2 * j] = s.in[j] * win_[j];
            z[2 * j + 1] = 0;
        }
        fft_.Forward(z);
        for (int k = 0; k <= half; ++k) {
            const double re = z[2 * k], im = z[2 * k + 1];
            const double ph = std::atan2(im, re);
            double d = ph - s.lastPhase[k] - k * expct;
            s.lastPhase[k] = static_cast<float>(ph);
            phase_[k] = static_cast<float>(ph);
            d -= 2 * kPi * std::floor(d / (2 * kPi) + 0.5);
            mag_[k] = static_cast<float>(std::sqrt(re * re + im * im));
            freq_[k] = static_cast<float>(k + d * osamp_ / (2 * kPi));
        }
        // Peak shifting: every partial's region of bins (from its peak half-way to the next peak) moves
        // by whole bins to where the ratio puts the peak, keeping the lobe's shape; the whole region
        // turns by one phase so that the peak advances at its new frequency (phase locked).
        for (int k = 0; k <= half; ++k) {
            spec_[2 * k] = z[2 * k];
            spec_[2 * k + 1] = z[2 * k + 1];
            z[2 * k] = z[2 * k + 1] = 0;
        }
        int peaks = 0;
        for (int k = 1; k < half; ++k) {
            const float m = mag_[k];
            if (m > 1e-6f && m > mag_[k - 1] && m >= mag_[k + 1] && (k < 2 || m > mag_[k - 2]) &&
                (k + 2 > half || m >= mag_[k + 2]))
                peak_[peaks++] = k;
        }
        std::fill(next_.begin(), next_.end(), 0.0f);
        for (int p = 0; p < peaks; ++p) {
            const int kp = peak_[p];
            const int lo = p == 0 ? 0 : (peak_[p - 1] + kp) / 2 + 1;
            const int hi = p + 1 == peaks ? half : (kp + peak_[p + 1]) / 2;
            const int tp = static_cast<int>(std::lround(freq_[kp] * ratio));
            const int shift = tp - kp;
            if (tp < 0 || tp > half) continue;
            const double fout = freq_[kp] * ratio;  // in bins
            double synth = s.sumPhase[tp] + (fout - tp) * 2 * kPi / osamp_ + tp * expct;
            synth -= 2 * kPi * std::floor(synth / (2 * kPi));
            const double turn = synth - phase_[kp];
            const float cr = static_cast<float>(std::cos(turn)), ci = static_cast<float>(std::sin(turn));
            for (int k = lo; k <= hi; ++k) {
                const int t = k + shift;
                if (t < 0 || t > half) continue;
                const float re = spec_[2 * k], im = spec_[2 * k + 1];
                z[2 * t] += re * cr - im * ci;
                z[2 * t + 1] += re * ci + im * cr;
            }
            next_[tp] = static_cast<float>(synth);
        }
        std::copy(next_.begin(), next_.end(), s.sumPhase.begin());
        for (int k = half + 1; k < N; ++k) z[2 * k] = z[2 * k + 1] = 0;
        fft_.Inverse(z);
        // Only positive frequencies were filled: the real part is half the signal. Overlapping Hann
        // windows squared add up to 3/8 of the overlap count.
        const float scale = 16.0f / (3.0f * N * osamp_);
        for (int j = 0; j < N; ++j) s.out[j] += z[2 * j] * win_[j] * scale;
        // hand out one hop, keep the rest
        std::memcpy(s.ready.data(), s.out.data(), sizeof(float) * hop);
        std::memmove(s.out.data(), s.out.data() + hop, sizeof(float) * (2 * N - hop));
        std::fill(s.out.end() - hop, s.out.end(), 0.0f);
        std::memmove(s.in.data(), s.in.data() + hop, sizeof(float) * (N - hop));
    }

    bool separate_ = false;
    int code_ = 10, osamp_ = 4;
    PerChannel<double> pitch_;
    PerChannel<int> quality_;
    Fft fft_;
    std::vector<float> win_, work_, mag_, freq_, phase_, next_, spec_;
    std::vector<int> peak_;
    State st_[kMaxChannels];
    int fill_ = 0;
};

}  // namespace

std::unique_ptr<Effect> MakeEqualizer() { return std::make_unique<Equalizer>(); }
std::unique_ptr<Effect> MakePitchScale() { return std::make_unique<PitchScale>(); }

}  // namespace zrdsp
