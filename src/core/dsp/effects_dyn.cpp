// Level effects: dynamic amplification, the DirectSound compressor and distortion.
#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"

namespace zrdsp {

namespace {

double Coef(double ms, int rate) { return ms <= 0 ? 0.0 : std::exp(-1.0 / (ms / 1000.0 * rate)); }

// --- dynamic amplify: brings the level towards half of full scale, amplifying by at most
// MaxAmplification (1/10000); attack and release in ms. Never drives a sample past full scale.

class DynamicAmplify final : public Effect {
public:
    DynamicAmplify() : Effect(Kind::DynamicAmplify) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Reset();
    }
    void Reset() override {
        env_ = 0;
        gain_ = 1;
    }
    void Process(float* x, int n, const Block&) override {
        const double att = Coef(attack_, rate_), rel = Coef(release_, rate_), maxGain = maxAmp_ / 10000.0;
        const double envRel = Coef(std::max(release_, 50.0), rate_);
        for (int i = 0; i < n; ++i, x += channels_) {
            double peak = 0;
            for (int c = 0; c < channels_; ++c) peak = std::max(peak, static_cast<double>(std::fabs(x[c])));
            env_ = peak > env_ ? peak : Flush(envRel * env_ + (1 - envRel) * peak);
            const double want = env_ > 1e-6 ? std::min(maxGain, 0.5 / env_) : maxGain;
            const double k = want < gain_ ? att : rel;
            gain_ = want + k * (gain_ - want);
            for (int c = 0; c < channels_; ++c) {
                const double y = x[c] * gain_;
                x[c] = static_cast<float>(Clamp(y, -1.0, 1.0));
            }
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pAttack: attack_ = Clamp(v, 0, 60000); return true;
        case pRelease: release_ = Clamp(v, 0, 60000); return true;
        case pMaxAmp: maxAmp_ = Clamp(v, 10000, 1e6); return true;
        }
        return false;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pAttack: return attack_;
        case pRelease: return release_;
        case pMaxAmp: return maxAmp_;
        case pCurrentAmp: return gain_ * 10000.0;
        }
        return 0;
    }

private:
    double attack_ = 10, release_ = 1000, maxAmp_ = 100000;
    double env_ = 0, gain_ = 1;
};

// --- DirectSound compressor: hard knee above Threshold dB with Ratio, peak detector with Attack
// and Release (ms), output Gain dB, the sound delayed by Predelay ms (look-ahead); channels linked.

class Compressor final : public Effect {
public:
    Compressor() : Effect(Kind::DMOCompressor) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        const size_t n = static_cast<size_t>(0.0041 * rate_) + 2;
        for (int c = 0; c < kMaxChannels; ++c) line_[c].Resize(c < channels_ ? n : 2);
        Reset();
    }
    void Reset() override {
        for (auto& l : line_) l.Clear();
        env_ = 0;
    }
    void Process(float* x, int n, const Block&) override {
        const double att = Coef(attack_, rate_), rel = Coef(release_, rate_), makeup = gain_;
        const size_t pre = static_cast<size_t>(predelay_ / 1000.0 * rate_);
        for (int i = 0; i < n; ++i, x += channels_) {
            double peak = 0;
            for (int c = 0; c < channels_; ++c) peak = std::max(peak, static_cast<double>(std::fabs(x[c])));
            env_ = Flush(peak > env_ ? att * env_ + (1 - att) * peak : rel * env_ + (1 - rel) * peak);
            if ((i & 3) == 0) {  // the curve, four samples at a time (the detector runs every sample)
                const double over = GainToDb(env_) - threshold_;
                g_ = DbToGain((over > 0 ? -over * (1 - 1 / ratio_) : 0.0) + makeup);
            }
            const double g = g_;
            for (int c = 0; c < channels_; ++c) {
                line_[c].Write(x[c]);
                x[c] = static_cast<float>(line_[c].Tap(pre) * g);
            }
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pGain: gain_ = Clamp(v, -60, 60); return true;
        case pAttack: attack_ = Clamp(v, 0.01, 500); return true;
        case pRelease: release_ = Clamp(v, 50, 3000); return true;
        case pThreshold: threshold_ = Clamp(v, -60, 0); return true;
        case pRatio: ratio_ = Clamp(v, 1, 100); return true;
        case pPredelay: predelay_ = Clamp(v, 0, 4); return true;
        }
        return false;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pGain: return gain_;
        case pAttack: return attack_;
        case pRelease: return release_;
        case pThreshold: return threshold_;
        case pRatio: return ratio_;
        case pPredelay: return predelay_;
        }
        return 0;
    }

private:
    DelayLine line_[kMaxChannels];
    double gain_ = 0, attack_ = 10, release_ = 200, threshold_ = -20, ratio_ = 3, predelay_ = 4;
    double env_ = 0, g_ = 1;
};

// --- DirectSound distortion: low-pass before (PreLowpassCutoff), drive of Edge/2 dB into a cubic soft
// clipper, a +6 dB band around PostEQCenterFrequency (PostEQBandwidth wide) and the output Gain dB.

class Distortion final : public Effect {
public:
    Distortion() : Effect(Kind::DMODistortion) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Design();
        Reset();
    }
    void Reset() override {
        for (auto& q : pre_) q.Clear();
        for (auto& q : post_) q.Clear();
    }
    void Process(float* x, int n, const Block&) override {
        const double drive = DbToGain(edge_ / 2), out = DbToGain(gain_);
        for (int i = 0; i < n; ++i, x += channels_) {
            for (int c = 0; c < channels_; ++c) {
                double v = pre_[c].Run(x[c]) * drive;
                v = v <= -1 ? -2.0 / 3 : (v >= 1 ? 2.0 / 3 : v - v * v * v / 3);
                x[c] = static_cast<float>(post_[c].Run(static_cast<float>(v)) * out);
            }
        }
        for (int c = 0; c < channels_; ++c) {
            pre_[c].Settle();
            post_[c].Settle();
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pGain: gain_ = Clamp(v, -60, 0); return true;
        case pEdge: edge_ = Clamp(v, 0, 100); return true;
        case pPostEQCenter: center_ = Clamp(v, 100, 8000); break;
        case pPostEQBandwidth: bandwidth_ = Clamp(v, 100, 8000); break;
        case pPreLowpass: cutoff_ = Clamp(v, 100, 8000); break;
        default: return false;
        }
        Design();
        return true;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pGain: return gain_;
        case pEdge: return edge_;
        case pPostEQCenter: return center_;
        case pPostEQBandwidth: return bandwidth_;
        case pPreLowpass: return cutoff_;
        }
        return 0;
    }

private:
    void Design() {
        for (int c = 0; c < kMaxChannels; ++c) {
            pre_[c].LowPass(rate_, std::min(cutoff_, rate_ * 0.45), 0.7071067811865476);
            post_[c].Peaking(rate_, std::min(center_, rate_ * 0.45), center_ / bandwidth_, 6.0);
        }
    }
    Biquad pre_[kMaxChannels], post_[kMaxChannels];
    double gain_ = -18, edge_ = 15, center_ = 2400, bandwidth_ = 2400, cutoff_ = 8000;
};

}  // namespace

std::unique_ptr<Effect> MakeDynamicAmplify() { return std::make_unique<DynamicAmplify>(); }
std::unique_ptr<Effect> MakeCompressor() { return std::make_unique<Compressor>(); }
std::unique_ptr<Effect> MakeDistortion() { return std::make_unique<Distortion>(); }

}  // namespace zrdsp
