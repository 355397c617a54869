// Time-domain pitch shifting (two crossfaded read heads) and tempo change without pitch change
// (waveform-similarity overlap-add).
#include <cstring>

#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"

namespace zrdsp {

namespace {

double RatioOf(double v) { return v <= 0 ? 1.0 : Clamp(v / 1000.0, 0.25, 4.0); }

// --- pitch shift: two heads read a delay line, sliding at (1 - ratio) and crossfading so that one
// is always away from the jump.

class PitchShift final : public Effect {
public:
    PitchShift() : Effect(Kind::PitchShift) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        win_ = 0.06 * rate_;
        for (int c = 0; c < kMaxChannels; ++c) line_[c].Resize(c < channels_ ? static_cast<size_t>(win_) + 8 : 2);
        Reset();
    }
    void Reset() override {
        for (auto& l : line_) l.Clear();
        phase_ = 0;
    }
    void Process(float* x, int n, const Block&) override {
        const double ratio = RatioOf(pitch_), step = (1 - ratio) / win_;
        for (int i = 0; i < n; ++i, x += channels_) {
            double p2 = phase_ + 0.5;
            if (p2 >= 1) p2 -= 1;
            const double s1 = std::sin(kPi * phase_);
            const double g1 = s1 * s1, g2 = 1 - g1;
            const double d1 = phase_ * win_ + 1, d2 = p2 * win_ + 1;
            for (int c = 0; c < channels_; ++c) {
                line_[c].Write(x[c]);
                x[c] = static_cast<float>(g1 * line_[c].TapFrac(d1) + g2 * line_[c].TapFrac(d2));
            }
            phase_ += step;
            phase_ -= std::floor(phase_);
        }
    }
    bool Set(int p, int, double v) override {
        if (p != pPitch) return false;
        pitch_ = Clamp(v, 0, 1e9);
        return true;
    }
    double Get(int p, int) const override { return p == pPitch ? pitch_ : 0; }

private:
    DelayLine line_[kMaxChannels];
    double win_ = 2646, phase_ = 0, pitch_ = 1000;
};

// --- tempo: 40 ms pieces of the input are laid end to end with 10 ms crossfades; each next piece
// is taken near where the tempo says, at the offset (within 15 ms) where it best matches the tail.

class Tempo final : public Effect {
public:
    Tempo() : Effect(Kind::Tempo) {}
    bool ChangesLength() const override { return true; }
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        seq_ = static_cast<int>(0.040 * rate_);
        ov_ = static_cast<int>(0.010 * rate_);
        seek_ = static_cast<int>(0.015 * rate_);
        cap_ = 8192 + 4 * (seq_ + seek_ + ov_);
        in_.assign(static_cast<size_t>(cap_) * channels_, 0.0f);
        tail_.assign(static_cast<size_t>(ov_) * channels_, 0.0f);
        mono_.assign(static_cast<size_t>(seek_ + ov_ + 1), 0.0f);
        Reset();
    }
    void Reset() override {
        have_ = 0;
        pos_ = 0;
        first_ = true;
        draining_ = false;
        std::fill(tail_.begin(), tail_.end(), 0.0f);
    }
    void SetActive(bool a) override { active_ = a; }
    void Process(float*, int, const Block&) override {}
    void Push(const float* x, int n) override {
        draining_ = false;
        // Room is made by Pull (which consumes); what still does not fit is kept by growing the buffer,
        // which happens only when blocks larger than any before arrive.
        const size_t need = static_cast<size_t>(have_ + n) * channels_;
        if (need > in_.size()) in_.resize(need);
        std::memcpy(in_.data() + static_cast<size_t>(have_) * channels_, x, sizeof(float) * n * channels_);
        have_ += n;
    }
    void Drain() override {
        // Enough silence for every held sample to come out, then stop at what was real.
        draining_ = true;
        realEnd_ = have_;
        const int pad = seq_ + seek_ + ov_;
        const size_t need = static_cast<size_t>(have_ + pad) * channels_;
        if (need > in_.size()) in_.resize(need);
        std::fill(in_.begin() + static_cast<size_t>(have_) * channels_, in_.begin() + need, 0.0f);
        have_ += pad;
    }
    int Pull(float* out, int cap) override {
        const int piece = seq_ - ov_;
        int made = 0;
        while (cap - made >= piece) {
            const int start = static_cast<int>(pos_);
            if (draining_ && start >= realEnd_) break;
            if (start + seek_ + seq_ > have_) break;
            const int off = (active_ && !first_ && Speed() != 1.0) ? BestOffset(start) : 0;
            const float* src = in_.data() + static_cast<size_t>(start + off) * channels_;
            float* dst = out + static_cast<size_t>(made) * channels_;
            if (first_) {
                std::memcpy(dst, src, sizeof(float) * ov_ * channels_);
                first_ = false;
            } else {
                for (int j = 0; j < ov_; ++j) {
                    const float w = static_cast<float>(j) / ov_;
                    for (int c = 0; c < channels_; ++c)
                        dst[j * channels_ + c] = tail_[j * channels_ + c] * (1 - w) + src[j * channels_ + c] * w;
                }
            }
            std::memcpy(dst + static_cast<size_t>(ov_) * channels_, src + static_cast<size_t>(ov_) * channels_,
                        sizeof(float) * (piece - ov_) * channels_);
            std::memcpy(tail_.data(), src + static_cast<size_t>(piece) * channels_, sizeof(float) * ov_ * channels_);
            int produced = piece;
            if (draining_) {  // the last piece stops where the input stopped
                const double left = (realEnd_ - pos_) / (active_ ? Speed() : 1.0);
                if (left < piece) produced = std::max(0, static_cast<int>(left));
            }
            made += produced;
            pos_ += piece * (active_ ? Speed() : 1.0);
            Consume();
        }
        return made;
    }
    int Pending() const override { return have_; }
    bool Set(int p, int, double v) override {
        if (p != pTempo) return false;
        tempo_ = Clamp(v, -50, 300);
        return true;
    }
    double Get(int p, int) const override { return p == pTempo ? tempo_ : 0; }

private:
    double Speed() const { return 1.0 + tempo_ / 100.0; }
    // Drops input before the next piece's earliest start.
    void Consume() {
        const int drop = static_cast<int>(pos_);
        if (drop <= 0) return;
        std::memmove(in_.data(), in_.data() + static_cast<size_t>(drop) * channels_,
                     sizeof(float) * static_cast<size_t>(have_ - drop) * channels_);
        have_ -= drop;
        pos_ -= drop;
        if (draining_) realEnd_ -= drop;
    }
    // The offset in [0, seek) whose first ov samples best match the tail (normalised correlation of
    // the channel sum; coarse steps of 4, then refined).
    int BestOffset(int start) {
        for (int j = 0; j < seek_ + ov_; ++j) {
            const float* f = in_.data() + static_cast<size_t>(start + j) * channels_;
            float s = 0;
            for (int c = 0; c < channels_; ++c) s += f[c];
            mono_[j] = s;
        }
        float ref[4096];
        const int m = std::min(ov_, 4096);
        for (int j = 0; j < m; ++j) {
            float s = 0;
            for (int c = 0; c < channels_; ++c) s += tail_[j * channels_ + c];
            ref[j] = s;
        }
        auto score = [&](int off) {
            double num = 0, den = 1e-9;
            for (int j = 0; j < m; j += 2) {
                num += ref[j] * mono_[off + j];
                den += mono_[off + j] * mono_[off + j];
            }
            return num / std::sqrt(den);
        };
        int best = 0;
        double bestScore = -1e300;
        for (int off = 0; off < seek_; off += 4) {
            const double s = score(off);
            if (s > bestScore) { bestScore = s; best = off; }
        }
        const int lo = std::max(0, best - 3), hi = std::min(seek_ - 1, best + 3);
        for (int off = lo; off <= hi; ++off) {
            const double s = score(off);
            if (s > bestScore) { bestScore = s; best = off; }
        }
        return best;
    }

    int seq_ = 1764, ov_ = 441, seek_ = 661, cap_ = 0;
    std::vector<float> in_, tail_, mono_;
    int have_ = 0, realEnd_ = 0;
    double pos_ = 0, tempo_ = 0;
    bool first_ = true, active_ = true, draining_ = false;
};

}  // namespace

std::unique_ptr<Effect> MakePitchShift() { return std::make_unique<PitchShift>(); }
std::unique_ptr<Effect> MakeTempo() { return std::make_unique<Tempo>(); }

}  // namespace zrdsp
