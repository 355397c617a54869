// Delay and modulation effects: echo/delay, DirectSound echo, flanger, phaser, DirectSound chorus and
// flanger.
#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"

namespace zrdsp {

namespace {

// --- echo/delay: NumDelays echoes at multiples of Delay, each DelayAmp percent of the one before

class EchoDelay final : public Effect {
public:
    EchoDelay() : Effect(Kind::EchoDelay) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Resize();
        for (auto& h : hp_) h.HighPass(rate_, 500, 0.7071067811865476);
    }
    void Reset() override {
        for (auto& l : line_) l.Clear();
        for (auto& h : hp_) h.Clear();
    }
    void Process(float* x, int n, const Block&) override {
        const size_t d = DelayFrames();
        const int taps = std::min<int>(count_, static_cast<int>((line_[0].Size() - 1) / (d ? d : 1)));
        float gain[16];
        double g = 1;
        for (int k = 0; k < taps; ++k) gain[k] = static_cast<float>(g *= amp_ / 100.0);
        for (int c = 0; c < channels_; ++c) {
            DelayLine& l = line_[c];
            Biquad& h = hp_[c];
            float* p = x + c;
            for (int i = 0; i < n; ++i, p += channels_) {
                l.Write(*p);
                float e = 0;
                for (int k = 0; k < taps; ++k) e += gain[k] * l.Tap((k + 1) * d);
                if (highpass_) e = h.Run(e);
                *p = (killMain_ ? 0.0f : *p) + e;
            }
            h.Settle();
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pDelay: delayMs_ = Clamp(v, 1, 2000); Resize(); return true;
        case pDelayAmp: amp_ = Clamp(v, 0, 100); return true;
        case pNumDelays: count_ = static_cast<int>(Clamp(v, 0, 10)); Resize(); return true;
        case pHighpass: highpass_ = v != 0; return true;
        case pKillMain: killMain_ = v != 0; return true;
        }
        return false;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pDelay: return delayMs_;
        case pDelayAmp: return amp_;
        case pNumDelays: return count_;
        case pHighpass: return highpass_;
        case pKillMain: return killMain_;
        }
        return 0;
    }

private:
    size_t DelayFrames() const { return static_cast<size_t>(delayMs_ * rate_ / 1000.0 + 0.5); }
    void Resize() {
        const size_t need = DelayFrames() * static_cast<size_t>(count_ > 0 ? count_ : 1) + 2;
        for (int c = 0; c < kMaxChannels; ++c) {
            if (c >= channels_) {
                line_[c].Resize(2);
                continue;
            }
            if (line_[c].Size() < need) line_[c].Resize(need);
        }
    }
    DelayLine line_[kMaxChannels];
    Biquad hp_[kMaxChannels];
    double delayMs_ = 500, amp_ = 50;
    int count_ = 1;
    bool highpass_ = false, killMain_ = false;
};

// --- DirectSound echo: a feedback delay per side (even channels left, odd right), optionally
// swapping sides on each repeat; wet/dry mix in percent.

class DmoEcho final : public Effect {
public:
    DmoEcho() : Effect(Kind::DMOEcho) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        const size_t n = static_cast<size_t>(2.0 * rate_) + 2;
        for (int c = 0; c < kMaxChannels; ++c) line_[c].Resize(c < channels_ ? n : 2);
    }
    void Reset() override {
        for (auto& l : line_) l.Clear();
    }
    void Process(float* x, int n, const Block&) override {
        const double dl = Clamp(left_ * rate_ / 1000.0, 1, line_[0].Size() - 1);
        const double dr = Clamp(right_ * rate_ / 1000.0, 1, line_[0].Size() - 1);
        const float fb = static_cast<float>(feedback_ / 100.0), wet = static_cast<float>(mix_ / 100.0);
        for (int i = 0; i < n; ++i, x += channels_) {
            float tap[kMaxChannels];
            for (int c = 0; c < channels_; ++c) tap[c] = line_[c].Tap(static_cast<size_t>((c & 1) ? dr : dl) - 1);
            for (int c = 0; c < channels_; ++c) {
                // With pan delay the repeats cross to the other side of the pair.
                const int from = (pan_ && channels_ > 1) ? ((c ^ 1) < channels_ ? (c ^ 1) : c) : c;
                line_[c].Write(FlushF(x[c] + fb * tap[from]));
                x[c] = (1 - wet) * x[c] + wet * tap[c];
            }
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pWetDryMix: mix_ = Clamp(v, 0, 100); return true;
        case pFeedback: feedback_ = Clamp(v, 0, 100); return true;
        case pLeftDelay: left_ = Clamp(v, 1, 2000); return true;
        case pRightDelay: right_ = Clamp(v, 1, 2000); return true;
        case pPanDelay: pan_ = v != 0; return true;
        }
        return false;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pWetDryMix: return mix_;
        case pFeedback: return feedback_;
        case pLeftDelay: return left_;
        case pRightDelay: return right_;
        case pPanDelay: return pan_;
        }
        return 0;
    }

private:
    DelayLine line_[kMaxChannels];
    double mix_ = 50, feedback_ = 50, left_ = 500, right_ = 500;
    bool pan_ = false;
};

// --- flanger: the delay sweeps 0.1 ms .. 0.1 ms + Delay with a sine LFO; the delayed copy is added
// (or subtracted with PhaseInvert) at equal level.

class Flanger final : public Effect {
public:
    Flanger() : Effect(Kind::Flanger) {
        depth_.Fill(4);
        freq_.Fill(0.5);
    }
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        for (int c = 0; c < kMaxChannels; ++c) {
            line_[c].Resize(c < channels_ ? static_cast<size_t>(0.0205 * rate_) + 4 : 2);
            lfo_[c].phase = 0;
            lfo_[c].SetRate(rate_, freq_.v[c]);
        }
    }
    void Reset() override {
        for (auto& l : line_) l.Clear();
        for (auto& o : lfo_) o.phase = 0;
    }
    void Process(float* x, int n, const Block&) override {
        for (int c = 0; c < channels_; ++c) {
            DelayLine& l = line_[c];
            Lfo& o = lfo_[c];
            Rotor r;
            r.Set(o.phase, o.step);
            const double base = 0.0001 * rate_, sweep = depth_.v[c] / 1000.0 * rate_;
            const float sign = inv_.v[c] ? -1.0f : 1.0f;
            float* p = x + c;
            for (int i = 0; i < n; ++i, p += channels_) {
                l.Write(*p);
                const double d = base + sweep * 0.5 * (1 + r.s);
                r.Advance();
                *p = 0.5f * (*p + sign * l.TapFrac(d));
            }
            o.phase += o.step * n;
            o.phase -= std::floor(o.phase);
        }
    }
    bool Set(int p, int ch, double v) override {
        switch (p) {
        case pSeparate: separate_ = v != 0; return true;
        case pDelay: depth_.Set(separate_, ch, Clamp(v, 0, 20)); return true;
        case pFrequency:
            freq_.Set(separate_, ch, Clamp(v, 0, 20));
            for (int c = 0; c < kMaxChannels; ++c) lfo_[c].SetRate(rate_, freq_.v[c]);
            return true;
        case pPhaseInvert: inv_.Set(separate_, ch, v != 0); return true;
        }
        return false;
    }
    double Get(int p, int ch) const override {
        switch (p) {
        case pSeparate: return separate_;
        case pDelay: return depth_.Get(separate_, ch);
        case pFrequency: return freq_.Get(separate_, ch);
        case pPhaseInvert: return inv_.Get(separate_, ch);
        }
        return 0;
    }

private:
    bool separate_ = false;
    PerChannel<double> depth_, freq_;
    PerChannel<bool> inv_;
    DelayLine line_[kMaxChannels];
    Lfo lfo_[kMaxChannels];
};

// --- phaser: a chain of first-order all-pass sections whose corner sweeps from 100 Hz up by
// Depth percent of six octaves with a sine LFO, with feedback, mixed with the dry signal.

class Phaser final : public Effect {
public:
    Phaser() : Effect(Kind::Phaser) {
        depth_.Fill(50);
        mix_.Fill(50);
        stages_.Fill(4);
        freq_.Fill(0.5);
    }
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        Reset();
    }
    void Reset() override {
        for (int c = 0; c < kMaxChannels; ++c) {
            for (auto& s : z_[c]) s = 0;
            fb_[c] = 0;
            phase_[c] = start_.v[c] / 360.0;
            phase_[c] -= std::floor(phase_[c]);
        }
    }
    void Process(float* x, int n, const Block&) override {
        // In runs of 32 samples: the corner moves slowly, so each run uses one coefficient.
        for (int i0 = 0; i0 < n; i0 += 32) {
            const int run = std::min(32, n - i0);
            for (int c = 0; c < channels_; ++c) {
                const int stages = std::max(2, std::min(24, stages_.v[c] & ~1));
                const double oct = 6.0 * depth_.v[c] / 100.0;
                const double fc = Clamp(100.0 * std::pow(2.0, oct * 0.5 * (1 + Lfo::Sine(phase_[c]))), 20, rate_ * 0.45);
                const double t = std::tan(kPi * fc / rate_);
                const float a = static_cast<float>((1 - t) / (1 + t));
                const float fb = static_cast<float>(0.95 * feedback_.v[c] / 100.0), wet = static_cast<float>(mix_.v[c] / 100.0);
                float* z = z_[c];
                float last = fb_[c];
                float* p = x + static_cast<size_t>(i0) * channels_ + c;
                for (int i = 0; i < run; ++i, p += channels_) {
                    float v = *p + fb * last;
                    for (int s = 0; s < stages; ++s) {  // y = -a v + z; z = v + a y
                        const float y = z[s] - a * v;
                        z[s] = v + a * y;
                        v = y;
                    }
                    last = v;
                    *p = (1 - wet) * *p + wet * v;
                }
                for (int s = 0; s < stages; ++s) z[s] = FlushF(z[s]);
                fb_[c] = FlushF(last);
                phase_[c] += freq_.v[c] / rate_ * run;
                phase_[c] -= std::floor(phase_[c]);
            }
        }
    }
    bool Set(int p, int ch, double v) override {
        switch (p) {
        case pSeparate: separate_ = v != 0; return true;
        case pDryWet: mix_.Set(separate_, ch, Clamp(v, 0, 100)); return true;
        case pFeedback: feedback_.Set(separate_, ch, Clamp(v, 0, 100)); return true;
        case pStages: stages_.Set(separate_, ch, static_cast<int>(Clamp(v, 0, 255))); return true;
        case pDepth: depth_.Set(separate_, ch, Clamp(v, 0, 100)); return true;
        case pStartPhase:
            start_.Set(separate_, ch, Clamp(v, -1e6, 1e6));
            for (int c = 0; c < kMaxChannels; ++c) phase_[c] = start_.v[c] / 360.0 - std::floor(start_.v[c] / 360.0);
            return true;
        case pFrequency: freq_.Set(separate_, ch, Clamp(v, 0, 20)); return true;
        }
        return false;
    }
    double Get(int p, int ch) const override {
        switch (p) {
        case pSeparate: return separate_;
        case pDryWet: return mix_.Get(separate_, ch);
        case pFeedback: return feedback_.Get(separate_, ch);
        case pStages: return stages_.Get(separate_, ch);
        case pDepth: return depth_.Get(separate_, ch);
        case pStartPhase: return start_.Get(separate_, ch);
        case pFrequency: return freq_.Get(separate_, ch);
        }
        return 0;
    }

private:
    bool separate_ = false;
    PerChannel<double> mix_, feedback_, depth_, start_, freq_;
    PerChannel<int> stages_;
    float z_[kMaxChannels][24] = {};
    float fb_[kMaxChannels] = {};
    double phase_[kMaxChannels] = {};
};

// --- DirectSound chorus and flanger: the delay is Delay ms modulated by Depth percent with the LFO;
// Feedback percent of the delayed signal returns to the line; right channels' LFO is offset by Phase.

class ModDelay final : public Effect {
public:
    explicit ModDelay(Kind k) : Effect(k) {
        if (k == Kind::DMOChorus) {
            depth_ = 10; feedback_ = 25; freq_ = 1.1; delay_ = 16; phaseCode_ = 3;
        } else {
            depth_ = 100; feedback_ = -50; freq_ = 0.25; delay_ = 2; phaseCode_ = 2;
        }
    }
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        const size_t n = static_cast<size_t>(0.045 * rate_) + 4;
        for (int c = 0; c < kMaxChannels; ++c) line_[c].Resize(c < channels_ ? n : 2);
        lfo_.SetRate(rate_, freq_);
        lfo_.phase = 0;
    }
    void Reset() override {
        for (auto& l : line_) l.Clear();
        lfo_.phase = 0;
    }
    void Process(float* x, int n, const Block&) override {
        const double maxDelay = kMaxDelay(), offset = (phaseCode_ - 2) * 0.25;
        const float fb = static_cast<float>(feedback_ / 100.0), wet = static_cast<float>(mix_ / 100.0);
        const double scale = delay_ * rate_ / 1000.0, depth = depth_ / 100.0, maxD = maxDelay * rate_ / 1000.0;
        rot_.Set(lfo_.phase, lfo_.step);
        for (int i = 0; i < n; ++i, x += channels_) {
            // The right-hand LFO is a quarter or half cycle away: its sine is +-cos or -sin.
            double m0, m1;
            if (sine_) {
                m0 = rot_.s;
                m1 = offset == 0 ? rot_.s : (offset == 0.25 ? rot_.c : (offset == -0.25 ? -rot_.c : -rot_.s));
            } else {
                m0 = Lfo::Triangle(lfo_.phase);
                m1 = Lfo::Triangle(lfo_.phase + offset);
            }
            for (int c = 0; c < channels_; ++c) {
                // (read before this sample is written: tap 0 is the previous one)
                const double d = Clamp(scale * (1 + depth * ((c & 1) ? m1 : m0)), 0, maxD);
                const float t = line_[c].TapFrac(d - 1);
                line_[c].Write(FlushF(x[c] + fb * t));
                x[c] = (1 - wet) * x[c] + wet * t;
            }
            lfo_.Advance();
            rot_.Advance();
        }
    }
    bool Set(int p, int, double v) override {
        const bool chorus = kind_ == Kind::DMOChorus;
        switch (p) {
        case pWetDryMix: mix_ = Clamp(v, 0, 100); return true;
        case pDepth: depth_ = Clamp(v, 0, 100); return true;
        case pFeedback: feedback_ = Clamp(v, -99, 99); return true;
        case pFrequency: freq_ = Clamp(v, 0, 10); lfo_.SetRate(rate_, freq_); return true;
        case pWaveform: sine_ = v != 0; return true;
        case pDelay: delay_ = Clamp(v, 0, chorus ? 20 : 4); return true;
        case pPhase: phaseCode_ = static_cast<int>(Clamp(v, 0, 4)); return true;
        }
        return false;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pWetDryMix: return mix_;
        case pDepth: return depth_;
        case pFeedback: return feedback_;
        case pFrequency: return freq_;
        case pWaveform: return sine_ ? 1 : 0;
        case pDelay: return delay_;
        case pPhase: return phaseCode_;
        }
        return 0;
    }

private:
    double kMaxDelay() const { return 40.0; }
    DelayLine line_[kMaxChannels];
    Lfo lfo_;
    Rotor rot_;
    double mix_ = 50, depth_, feedback_, freq_, delay_;
    int phaseCode_;
    bool sine_ = true;
};

}  // namespace

std::unique_ptr<Effect> MakeEchoDelay() { return std::make_unique<EchoDelay>(); }
std::unique_ptr<Effect> MakeDmoEcho() { return std::make_unique<DmoEcho>(); }
std::unique_ptr<Effect> MakeFlanger() { return std::make_unique<Flanger>(); }
std::unique_ptr<Effect> MakePhaser() { return std::make_unique<Phaser>(); }
std::unique_ptr<Effect> MakeModDelay(Kind k) { return std::make_unique<ModDelay>(k); }

}  // namespace zrdsp
