// Gain, channel and filter effects: amplify, fades, channel order, down-mix, phase invert, 3D sound,
// band-pass, high-pass, low-pass, notch, parametric equalisers, treble enhancer, true bass, gargle.
#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"

namespace zrdsp {

namespace {

// Effects whose per-channel parameters follow a "Separate" switch.
class SeparateEffect : public Effect {
public:
    using Effect::Effect;
    bool Set(int p, int ch, double v) override {
        if (p != pSeparate) return false;
        separate_ = v != 0;
        return true;
    }
    double Get(int p, int ch) const override { return p == pSeparate ? (separate_ ? 1 : 0) : 0; }

protected:
    bool separate_ = false;
};

// --- amplify: gain per channel

class Amplify final : public SeparateEffect {
public:
    Amplify() : SeparateEffect(Kind::Amplify) { vol_.Fill(10000); }
    void Process(float* x, int n, const Block&) override {
        float g[kMaxChannels];
        for (int c = 0; c < channels_; ++c) g[c] = static_cast<float>(vol_.v[c] / 10000.0);
        for (int i = 0; i < n; ++i, x += channels_)
            for (int c = 0; c < channels_; ++c) x[c] *= g[c];
    }
    bool Set(int p, int ch, double v) override {
        if (p == pVolume) {
            vol_.Set(separate_, ch, Clamp(v, 0, 1e6));
            return true;
        }
        return SeparateEffect::Set(p, ch, v);
    }
    double Get(int p, int ch) const override { return p == pVolume ? vol_.Get(separate_, ch) : SeparateEffect::Get(p, ch); }

private:
    PerChannel<double> vol_;
};

// --- fades: the gain moves from the start volume to the stop volume across the effect's time window

class Fades final : public SeparateEffect {
public:
    Fades() : SeparateEffect(Kind::Fades) {
        start_.Fill(10000);
        stop_.Fill(10000);
    }
    void Process(float* x, int n, const Block& b) override {
        const bool window = b.windowStart >= 0 && b.windowStop > b.windowStart;
        const double span = window ? static_cast<double>(b.windowStop - b.windowStart) : 1.0;
        const double t0 = window ? static_cast<double>(b.time - b.windowStart) / span : 0.0;
        const double dt = window ? 1e7 / rate_ / span : 0.0;
        for (int i = 0; i < n; ++i, x += channels_) {
            const double f = Clamp(t0 + dt * i, 0, 1);
            for (int c = 0; c < channels_; ++c)
                x[c] *= static_cast<float>((start_.v[c] + (stop_.v[c] - start_.v[c]) * f) / 10000.0);
        }
    }
    bool Set(int p, int ch, double v) override {
        if (p == pStartVolume) start_.Set(separate_, ch, Clamp(v, 0, 1e6));
        else if (p == pStopVolume) stop_.Set(separate_, ch, Clamp(v, 0, 1e6));
        else return SeparateEffect::Set(p, ch, v);
        return true;
    }
    double Get(int p, int ch) const override {
        if (p == pStartVolume) return start_.Get(separate_, ch);
        if (p == pStopVolume) return stop_.Get(separate_, ch);
        return SeparateEffect::Get(p, ch);
    }

private:
    PerChannel<double> start_, stop_;
};

// --- channel order: output channel c takes input channel order[c]

class ChannelOrder final : public Effect {
public:
    ChannelOrder() : Effect(Kind::ChannelOrder) {
        for (int c = 0; c < kMaxChannels; ++c) map_[c] = c;
    }
    void Process(float* x, int n, const Block&) override {
        bool identity = true;
        for (int c = 0; c < channels_; ++c) identity = identity && map_[c] == c;
        if (identity) return;
        if (channels_ == 2) {
            const int a = map_[0] < 2 ? map_[0] : 1, b = map_[1] < 2 ? map_[1] : 1;
            for (int i = 0; i < n; ++i, x += 2) {
                const float l = x[a], r = x[b];
                x[0] = l;
                x[1] = r;
            }
            return;
        }
        float tmp[kMaxChannels];
        for (int i = 0; i < n; ++i, x += channels_) {
            for (int c = 0; c < channels_; ++c) tmp[c] = x[map_[c] < channels_ ? map_[c] : channels_ - 1];
            for (int c = 0; c < channels_; ++c) x[c] = tmp[c];
        }
    }
    bool Set(int p, int ch, double v) override {
        if (p != pOrder) return false;
        if (ch >= 0 && ch < kMaxChannels) map_[ch] = static_cast<int>(Clamp(v, 0, kMaxChannels - 1));
        return true;
    }
    double Get(int p, int ch) const override {
        return (p == pOrder && ch >= 0 && ch < kMaxChannels) ? map_[ch] : 0;
    }

private:
    int map_[kMaxChannels];
};

// --- down-mix: everything into the front pair (two channels: both get the mono sum)

class DownMix final : public Effect {
public:
    DownMix() : Effect(Kind::DownMix) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        // Speaker of each channel in the usual order for the count: 0 left, 1 right, 2 both, -1 dropped.
        static const int kRoles[kMaxChannels + 1][kMaxChannels] = {
            {}, {}, {0, 1},
            {0, 1, 2},                    // FL FR FC
            {0, 1, 0, 1},                 // FL FR BL BR
            {0, 1, 2, 0, 1},              // FL FR FC BL BR
            {0, 1, 2, -1, 0, 1},          // 5.1
            {0, 1, 2, -1, 0, 1, 2},       // 6.1 (back centre)
            {0, 1, 2, -1, 0, 1, 0, 1}};   // 7.1
        for (int s = 0; s < 2; ++s)
            for (int c = 0; c < kMaxChannels; ++c) k_[s][c] = 0;
        if (channels_ >= 3) {
            for (int c = 0; c < channels_; ++c) {
                const int r = kRoles[channels_][c];
                const double w = c < 2 ? 1.0 : 0.7071067811865476;
                if (r == 0 || r == 2) k_[0][c] = w;
                if (r == 1 || r == 2) k_[1][c] = w;
            }
            for (int s = 0; s < 2; ++s) {
                double sum = 0;
                for (int c = 0; c < channels_; ++c) sum += k_[s][c];
                for (int c = 0; c < channels_; ++c) k_[s][c] /= sum;
            }
        }
    }
    void Process(float* x, int n, const Block&) override {
        if (channels_ == 1) return;
        if (channels_ == 2) {
            for (int i = 0; i < n; ++i, x += 2) x[0] = x[1] = 0.5f * (x[0] + x[1]);
            return;
        }
        for (int i = 0; i < n; ++i, x += channels_) {
            double l = 0, r = 0;
            for (int c = 0; c < channels_; ++c) {
                l += k_[0][c] * x[c];
                r += k_[1][c] * x[c];
            }
            x[0] = static_cast<float>(l);
            x[1] = static_cast<float>(r);
            for (int c = 2; c < channels_; ++c) x[c] = 0;
        }
    }

private:
    double k_[2][kMaxChannels] = {};
};

// --- phase invert per channel

class PhaseInvert final : public SeparateEffect {
public:
    PhaseInvert() : SeparateEffect(Kind::PhaseInvert) {}
    void Process(float* x, int n, const Block&) override {
        for (int i = 0; i < n; ++i, x += channels_)
            for (int c = 0; c < channels_; ++c)
                if (inv_.v[c]) x[c] = -x[c];
    }
    bool Set(int p, int ch, double v) override {
        if (p == pInvert) {
            inv_.Set(separate_, ch, v != 0);
            return true;
        }
        return SeparateEffect::Set(p, ch, v);
    }
    double Get(int p, int ch) const override { return p == pInvert ? inv_.Get(separate_, ch) : SeparateEffect::Get(p, ch); }

private:
    PerChannel<bool> inv_;
};

// --- 3D sound: widens the front pair around its centre (L' = M + w (L - M), R' = M + w (R - M))

class Sound3D final : public Effect {
public:
    Sound3D() : Effect(Kind::Sound3D) {}
    void Process(float* x, int n, const Block&) override {
        if (channels_ < 2) return;
        const float w = static_cast<float>(1.0 + vol_ / 100.0);
        for (int i = 0; i < n; ++i, x += channels_) {
            const float m = 0.5f * (x[0] + x[1]);
            x[0] = m + w * (x[0] - m);
            x[1] = m + w * (x[1] - m);
        }
    }
    bool Set(int p, int, double v) override {
        if (p != pVolume) return false;
        vol_ = Clamp(v, 0, 1000);
        return true;
    }
    double Get(int p, int) const override { return p == pVolume ? vol_ : 0; }

private:
    double vol_ = 0;
};

// --- biquad effects with one or two sections per channel

class BiquadEffect : public SeparateEffect {
public:
    using SeparateEffect::SeparateEffect;
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Design();
        Reset();
    }
    void Reset() override {
        for (auto& s : q_)
            for (auto& b : s) b.Clear();
    }
    void Process(float* x, int n, const Block&) override {
        // Channels are independent recursions: running them side by side keeps the processor busy.
        const int ch = channels_;
        for (int s = 0; s < sections_; ++s) {
            Biquad* q = q_[s];
            float* p = x;
            if (ch == 2) {
                Biquad& l = q[0];
                Biquad& r = q[1];
                for (int i = 0; i < n; ++i, p += 2) {
                    p[0] = l.Run(p[0]);
                    p[1] = r.Run(p[1]);
                }
            } else {
                for (int i = 0; i < n; ++i, p += ch)
                    for (int c = 0; c < ch; ++c) p[c] = q[c].Run(p[c]);
            }
            for (int c = 0; c < ch; ++c) q[c].Settle();
        }
    }

protected:
    // Recomputes the coefficients of every channel (keeps the state).
    virtual void DesignChannel(int c) = 0;
    void Design() {
        for (int c = 0; c < kMaxChannels; ++c) DesignChannel(c);
    }
    void Redesign(int ch) {
        if (separate_ && ch >= 0 && ch < kMaxChannels) DesignChannel(ch);
        else Design();
    }
    double Nyq(double f) const { return Clamp(f, 10.0, rate_ * 0.49); }

    int sections_ = 1;
    Biquad q_[2][kMaxChannels];
};

class BandPass final : public BiquadEffect {
public:
    BandPass() : BiquadEffect(Kind::BandPass) {
        sections_ = 2;
        low_.Fill(20);
        high_.Fill(20000);
        Design();
    }
    bool Set(int p, int ch, double v) override {
        if (p == pCutoffLow) low_.Set(separate_, ch, Clamp(v, 0, 1e6));
        else if (p == pCutoffHigh) high_.Set(separate_, ch, Clamp(v, 0, 1e6));
        else return BiquadEffect::Set(p, ch, v);
        Redesign(ch);
        return true;
    }
    double Get(int p, int ch) const override {
        if (p == pCutoffLow) return low_.Get(separate_, ch);
        if (p == pCutoffHigh) return high_.Get(separate_, ch);
        return BiquadEffect::Get(p, ch);
    }

private:
    void DesignChannel(int c) override {
        q_[0][c].HighPass(rate_, Nyq(low_.v[c]), 0.7071067811865476);
        q_[1][c].LowPass(rate_, Nyq(high_.v[c]), 0.7071067811865476);
    }
    PerChannel<double> low_, high_;
};

// High-pass and low-pass: two-pole Butterworth; notch: band-reject with Q 2.
class CutoffFilter final : public BiquadEffect {
public:
    explicit CutoffFilter(Kind k) : BiquadEffect(k) {
        cut_.Fill(k == Kind::LowPass ? 20000 : 1000);
        Design();
    }
    bool Set(int p, int ch, double v) override {
        if (p != pCutoff) return BiquadEffect::Set(p, ch, v);
        cut_.Set(separate_, ch, Clamp(v, 0, 1e6));
        Redesign(ch);
        return true;
    }
    double Get(int p, int ch) const override { return p == pCutoff ? cut_.Get(separate_, ch) : BiquadEffect::Get(p, ch); }

private:
    void DesignChannel(int c) override {
        if (kind_ == Kind::HighPass) q_[0][c].HighPass(rate_, Nyq(cut_.v[c]), 0.7071067811865476);
        else if (kind_ == Kind::LowPass) q_[0][c].LowPass(rate_, Nyq(cut_.v[c]), 0.7071067811865476);
        else q_[0][c].BandReject(rate_, Nyq(cut_.v[c]), 2.0);
    }
    PerChannel<double> cut_;
};

class ParametricEq final : public BiquadEffect {
public:
    ParametricEq() : BiquadEffect(Kind::ParametricEQ) {
        freq_.Fill(1000);
        q_f_.Fill(1);
        Design();
    }
    bool Set(int p, int ch, double v) override {
        if (p == pFrequency) freq_.Set(separate_, ch, Clamp(v, 0, 1e6));
        else if (p == pGain) gain_.Set(separate_, ch, Clamp(v, -60, 30));
        else if (p == pQ) q_f_.Set(separate_, ch, Clamp(v, 0, 100));
        else return BiquadEffect::Set(p, ch, v);
        Redesign(ch);
        return true;
    }
    double Get(int p, int ch) const override {
        if (p == pFrequency) return freq_.Get(separate_, ch);
        if (p == pGain) return gain_.Get(separate_, ch);
        if (p == pQ) return q_f_.Get(separate_, ch);
        return BiquadEffect::Get(p, ch);
    }

private:
    void DesignChannel(int c) override { q_[0][c].Peaking(rate_, Nyq(freq_.v[c]), Clamp(q_f_.v[c], 0.05, 100), gain_.v[c]); }
    PerChannel<double> freq_, gain_, q_f_;
};

// DirectSound parametric equaliser: centre 80..16000 Hz, bandwidth 1..36 semitones, gain -15..15 dB.
class DmoParamEq final : public BiquadEffect {
public:
    DmoParamEq() : BiquadEffect(Kind::DMOParamEQ) { Design(); }
    bool Set(int p, int ch, double v) override {
        if (p == pCenter) center_ = Clamp(v, 80, 16000);
        else if (p == pBandwidth) bw_ = Clamp(v, 1, 36);
        else if (p == pGain) gain_ = Clamp(v, -15, 15);
        else return false;
        Design();
        return true;
    }
    double Get(int p, int) const override {
        if (p == pCenter) return center_;
        if (p == pBandwidth) return bw_;
        if (p == pGain) return gain_;
        return 0;
    }

private:
    void DesignChannel(int c) override { q_[0][c].PeakingOctaves(rate_, Nyq(center_), bw_ / 12.0, gain_); }
    double center_ = 8000, bw_ = 12, gain_ = 0;
};

// Treble enhancer (high shelf) and true bass (low shelf): boost in 0.1 dB per channel, one frequency.
class Shelf final : public BiquadEffect {
public:
    explicit Shelf(Kind k) : BiquadEffect(k) { Design(); }
    bool Set(int p, int ch, double v) override {
        if (p == pFrequency) {
            freq_ = Clamp(v, 0, 1e6);
            Design();
        } else if (p == pVolume) {
            boost_.Set(separate_, ch, Clamp(v, 0, 300));
            Redesign(ch);
        } else {
            return BiquadEffect::Set(p, ch, v);
        }
        return true;
    }
    double Get(int p, int ch) const override {
        if (p == pFrequency) return freq_;
        if (p == pVolume) return boost_.Get(separate_, ch);
        return BiquadEffect::Get(p, ch);
    }

private:
    void DesignChannel(int c) override {
        const bool treble = kind_ == Kind::TrebleEnhancer;
        const double f = freq_ > 0 ? Nyq(freq_) : (treble ? 3000.0 : 100.0);
        if (treble) q_[0][c].HighShelf(rate_, f, 0.5, boost_.v[c] / 10.0);
        else q_[0][c].LowShelf(rate_, f, 0.5, boost_.v[c] / 10.0);
    }
    double freq_ = 0;
    PerChannel<double> boost_;
};

// --- gargle: amplitude modulation by a triangle or square wave, 1..1000 Hz

class Gargle final : public Effect {
public:
    Gargle() : Effect(Kind::DMOGargle) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        lfo_.SetRate(rate_, rateHz_);
    }
    void Reset() override { lfo_.phase = 0; }
    void Process(float* x, int n, const Block&) override {
        for (int i = 0; i < n; ++i, x += channels_) {
            const double ph = lfo_.phase;
            const float g = square_ ? (ph < 0.5 ? 1.0f : 0.0f) : static_cast<float>(ph < 0.5 ? 2 * ph : 2 - 2 * ph);
            for (int c = 0; c < channels_; ++c) x[c] *= g;
            lfo_.Advance();
        }
    }
    bool Set(int p, int, double v) override {
        if (p == pRateHz) {
            rateHz_ = Clamp(v, 1, 1000);
            lfo_.SetRate(rate_, rateHz_);
        } else if (p == pWaveShape) {
            square_ = v != 0;
        } else {
            return false;
        }
        return true;
    }
    double Get(int p, int) const override {
        if (p == pRateHz) return rateHz_;
        if (p == pWaveShape) return square_ ? 1 : 0;
        return 0;
    }

private:
    Lfo lfo_;
    double rateHz_ = 20;
    bool square_ = false;
};

}  // namespace

std::unique_ptr<Effect> MakeAmplify() { return std::make_unique<Amplify>(); }
std::unique_ptr<Effect> MakeFades() { return std::make_unique<Fades>(); }
std::unique_ptr<Effect> MakeChannelOrder() { return std::make_unique<ChannelOrder>(); }
std::unique_ptr<Effect> MakeDownMix() { return std::make_unique<DownMix>(); }
std::unique_ptr<Effect> MakePhaseInvert() { return std::make_unique<PhaseInvert>(); }
std::unique_ptr<Effect> MakeSound3D() { return std::make_unique<Sound3D>(); }
std::unique_ptr<Effect> MakeBandPass() { return std::make_unique<BandPass>(); }
std::unique_ptr<Effect> MakeCutoffFilter(Kind k) { return std::make_unique<CutoffFilter>(k); }
std::unique_ptr<Effect> MakeParametricEq() { return std::make_unique<ParametricEq>(); }
std::unique_ptr<Effect> MakeDmoParamEq() { return std::make_unique<DmoParamEq>(); }
std::unique_ptr<Effect> MakeShelf(Kind k) { return std::make_unique<Shelf>(k); }
std::unique_ptr<Effect> MakeGargle() { return std::make_unique<Gargle>(); }

}  // namespace zrdsp
