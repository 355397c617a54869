// Reverberation: the I3DL2 room reverb and the waves reverb, both on one feedback delay network.
#include "core/dsp/dsputil.h"
#include "core/dsp/effects.h"

namespace zrdsp {

namespace {

double MbToGain(double mb) { return std::pow(10.0, mb / 2000.0); }

// Pole of a one-pole low-pass y = (1-b) x + b y' whose gain at w (radians) is r times its gain at 0.
double OnePoleFor(double r, double w) {
    if (r >= 0.999) return 0.0;
    r = std::max(r, 1e-4);
    const double r2 = r * r, c = std::cos(w);
    const double p = 1 - r2 * c, q = 1 - r2;
    const double disc = p * p - q * q;
    return disc <= 0 ? 0.0 : Clamp((p - std::sqrt(disc)) / q, 0.0, 0.9999);
}

// Eight delay lines mixed by a Householder matrix; each line loses what the decay time asks for and
// low-passes what the high-frequency ratio asks for.
class Network {
public:
    static constexpr int N = 8;
    void Configure(int rate) {
        rate_ = rate;
        for (int i = 0; i < N; ++i) line_[i].Resize(static_cast<size_t>(kMs[i] / 1000.0 * rate_) + 2);
        for (auto& d : diff_) d.Resize(static_cast<size_t>(0.012 * rate_) + 2);
        Clear();
    }
    void Clear() {
        for (auto& l : line_) l.Clear();
        for (auto& d : diff_) d.Clear();
        for (double& s : lp_) s = 0;
    }
    // decay: seconds at low frequencies; hfRatio: decay at hfRef relative to it; density 0..100 shortens
    // the lines (denser echoes); diffusion 0..100 sets the input all-passes.
    void Design(double decay, double hfRatio, double hfRef, double density, double diffusion) {
        const double scale = 0.6 + 0.4 * Clamp(density, 0, 100) / 100.0;
        const double w = 2 * kPi * Clamp(hfRef, 20, rate_ * 0.45) / rate_;
        for (int i = 0; i < N; ++i) {
            len_[i] = std::max<size_t>(1, static_cast<size_t>(kMs[i] * scale / 1000.0 * rate_));
            const double sec = static_cast<double>(len_[i]) / rate_;
            g_[i] = std::pow(10.0, -3.0 * sec / std::max(decay, 0.01));
            const double ghf = std::pow(10.0, -3.0 * sec / std::max(decay * hfRatio, 0.005));
            b_[i] = OnePoleFor(ghf / g_[i], w);
        }
        diffGain_ = 0.7 * Clamp(diffusion, 0, 100) / 100.0;
        for (int k = 0; k < 2; ++k) diffLen_[k] = static_cast<size_t>((k ? 0.0089 : 0.0047) * rate_);
    }
    // One input sample in, a left and right output.
    inline void Run(double in, double& l, double& r) {
        for (int k = 0; k < 2; ++k) {  // Schroeder all-passes spread the input
            const double d = diff_[k].Tap(diffLen_[k] ? diffLen_[k] - 1 : 0);
            const double v = in + diffGain_ * d;
            diff_[k].Write(static_cast<float>(Flush(v)));
            in = d - diffGain_ * v;
        }
        double y[N], sum = 0;
        for (int i = 0; i < N; ++i) {
            const double t = line_[i].Tap(len_[i] - 1) * g_[i];
            lp_[i] = Flush((1 - b_[i]) * t + b_[i] * lp_[i]);
            y[i] = lp_[i];
            sum += y[i];
        }
        l = (y[0] - y[1] + y[2] - y[3] + y[4] - y[5] + y[6] - y[7]) * 0.35;
        r = (y[0] + y[1] - y[2] - y[3] + y[4] + y[5] - y[6] - y[7]) * 0.35;
        const double h = 2.0 / N * sum;
        for (int i = 0; i < N; ++i) line_[i].Write(static_cast<float>(Flush(y[i] - h + ((i & 1) ? -in : in))));
    }

private:
    static constexpr double kMs[N] = {29.7, 37.1, 41.1, 43.7, 53.3, 59.9, 67.1, 73.3};
    int rate_ = 44100;
    DelayLine line_[N], diff_[2];
    size_t len_[N] = {}, diffLen_[2] = {};
    double g_[N] = {}, b_[N] = {}, lp_[N] = {};
    double diffGain_ = 0.7;
};

// The 31 presets in the player's alphabetical order (the I3DL2 environment values).
const I3DL2Params kPresets[kReverbPresets] = {
    {-1000, -270, 0, 1.49, 0.86, -1204, 0.007, -4, 0.011, 100, 100, 5000},       // Alley
    {-1000, -698, 0, 7.24, 0.33, -1166, 0.020, 16, 0.030, 100, 100, 5000},       // Arena
    {-1000, -476, 0, 4.32, 0.59, -789, 0.020, -289, 0.030, 100, 100, 5000},      // Auditorium
    {-1000, -1200, 0, 1.49, 0.54, -370, 0.007, 1030, 0.011, 100, 60, 5000},      // Bathroom
    {-1000, -4000, 0, 0.30, 0.10, -1831, 0.002, -1630, 0.030, 100, 100, 5000},   // CarpetedHallway
    {-1000, 0, 0, 2.91, 1.30, -602, 0.015, -302, 0.022, 100, 100, 5000},         // Cave
    {-1000, -800, 0, 1.49, 0.67, -2273, 0.007, -2217, 0.011, 50, 100, 5000},     // City
    {-1000, -500, 0, 3.92, 0.70, -1230, 0.020, -2, 0.029, 100, 100, 5000},       // ConcertHall
    {-1000, -100, 0, 1.49, 0.83, -2602, 0.007, 200, 0.011, 100, 100, 5000},      // Default
    {-1000, -3300, 0, 1.49, 0.54, -2560, 0.162, -613, 0.088, 79, 100, 5000},     // Forest
    {-1000, -100, 0, 1.49, 0.83, -2602, 0.007, 200, 0.011, 100, 100, 5000},      // Generic
    {-1000, -300, 0, 1.49, 0.59, -1219, 0.007, 441, 0.011, 100, 100, 5000},      // Hallway
    {-1000, -1000, 0, 10.05, 0.23, -602, 0.020, 198, 0.030, 100, 100, 5000},     // Hangar
    {-1000, -600, 0, 1.80, 0.70, -2000, 0.030, -1400, 0.060, 100, 100, 5000},    // LargeHall
    {-1000, -600, 0, 1.50, 0.83, -1600, 0.020, -1000, 0.040, 100, 100, 5000},    // LargeRoom
    {-1000, -6000, 0, 0.50, 0.10, -1376, 0.003, -1104, 0.004, 100, 100, 5000},   // LivingRoom
    {-1000, -600, 0, 1.80, 0.70, -1300, 0.015, -800, 0.030, 100, 100, 5000},     // MediumHall
    {-1000, -600, 0, 1.30, 0.83, -1000, 0.010, -200, 0.020, 100, 100, 5000},     // MediumRoom
    {-1000, -2500, 0, 1.49, 0.21, -2780, 0.300, -2014, 0.100, 27, 100, 5000},    // Mountains
    {-1000, -6000, 0, 0.17, 0.10, -1204, 0.001, 207, 0.002, 100, 100, 5000},     // PaddedCell
    {-1000, 0, 0, 1.65, 1.50, -1363, 0.008, -1153, 0.012, 100, 100, 5000},       // ParkingLot
    {-1000, -2000, 0, 1.49, 0.50, -2466, 0.179, -2514, 0.100, 21, 100, 5000},    // Plain
    {-1000, -200, 0, 1.30, 0.90, 0, 0.002, 0, 0.010, 100, 75, 5000},             // Plate
    {-1000, -1000, 0, 1.49, 0.83, -10000, 0.061, 500, 0.025, 100, 100, 5000},    // Quarry
    {-1000, -454, 0, 0.40, 0.83, -1646, 0.002, 53, 0.003, 100, 100, 5000},       // Room
    {-1000, -1000, 0, 2.81, 0.14, 429, 0.014, 648, 0.021, 80, 60, 5000},         // SewerPipe
    {-1000, -600, 0, 1.10, 0.83, -400, 0.005, 500, 0.010, 100, 100, 5000},       // SmallRoom
    {-1000, -237, 0, 2.70, 0.79, -1214, 0.013, 395, 0.020, 100, 100, 5000},      // StoneCorridor
    {-1000, -300, 0, 2.31, 0.64, -711, 0.012, 83, 0.017, 100, 100, 5000},        // StoneRoom
    {-1000, -4000, 0, 1.49, 0.10, -449, 0.007, 1700, 0.011, 100, 100, 5000},     // UnderWater
    {-10000, 0, 0, 1.00, 1.00, -10000, 0.000, -10000, 0.000, 0, 0, 5000},        // None
};

class I3DL2Reverb final : public Effect {
public:
    I3DL2Reverb() : Effect(Kind::DMOI3DL2Reverb) { p_ = kPresets[8]; }
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        net_.Configure(rate_);
        pre_.Resize(static_cast<size_t>(0.41 * rate_) + 2);
        Design();
        Reset();
    }
    void Reset() override {
        net_.Clear();
        pre_.Clear();
        hf_ = 0;
    }
    void Process(float* x, int n, const Block&) override {
        static const double kTapMs[6] = {0, 4.3, 10.7, 16.2, 22.7, 29.1};
        static const double kTapGain[6] = {1.0, -0.8, 0.65, -0.5, 0.4, -0.3};
        const size_t reflD = static_cast<size_t>(p_.reflectionsDelay * rate_);
        const size_t lateD = static_cast<size_t>((p_.reflectionsDelay + p_.reverbDelay) * rate_);
        size_t taps[6];
        for (int k = 0; k < 6; ++k)
            taps[k] = std::min(reflD + static_cast<size_t>(kTapMs[k] / 1000.0 * rate_), pre_.Size() - 2);
        const size_t late = std::min(lateD, pre_.Size() - 2);
        const double inScale = 1.0 / channels_;
        for (int i = 0; i < n; ++i, x += channels_) {
            double in = 0;
            for (int c = 0; c < channels_; ++c) in += x[c];
            hf_ = Flush((1 - hfB_) * in * inScale + hfB_ * hf_);  // RoomHF: less treble into the room
            pre_.Write(static_cast<float>(hf_));
            double refl = 0;
            for (int k = 0; k < 6; ++k) refl += kTapGain[k] * pre_.Tap(taps[k]);
            double l, r;
            net_.Run(pre_.Tap(late) * reverbGain_, l, r);
            refl *= reflGain_;
            for (int c = 0; c < channels_; ++c)
                x[c] = static_cast<float>(x[c] + ((c & 1) ? r : l) + refl);
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pRoom: p_.room = Clamp(v, -10000, 0); break;
        case pRoomHF: p_.roomHF = Clamp(v, -10000, 0); break;
        case pRolloff: p_.rolloff = Clamp(v, 0, 10); break;
        case pDecayTime: p_.decayTime = Clamp(v, 0.1, 20); break;
        case pDecayHFRatio: p_.decayHFRatio = Clamp(v, 0.1, 2); break;
        case pReflections: p_.reflections = Clamp(v, -10000, 1000); break;
        case pReflectionsDelay: p_.reflectionsDelay = Clamp(v, 0, 0.3); break;
        case pReverb: p_.reverb = Clamp(v, -10000, 2000); break;
        case pReverbDelay: p_.reverbDelay = Clamp(v, 0, 0.1); break;
        case pDiffusion: p_.diffusion = Clamp(v, 0, 100); break;
        case pDensity: p_.density = Clamp(v, 0, 100); break;
        case pHFReference: p_.hfReference = Clamp(v, 20, 20000); break;
        case pQuality: quality_ = static_cast<int>(Clamp(v, 0, 3)); return true;
        case pPreset: {
            const I3DL2Params* q = I3DL2Preset(static_cast<int>(v));
            if (!q) return true;
            preset_ = static_cast<int>(v);
            p_ = *q;
            break;
        }
        default: return false;
        }
        Design();
        return true;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pRoom: return p_.room;
        case pRoomHF: return p_.roomHF;
        case pRolloff: return p_.rolloff;
        case pDecayTime: return p_.decayTime;
        case pDecayHFRatio: return p_.decayHFRatio;
        case pReflections: return p_.reflections;
        case pReflectionsDelay: return p_.reflectionsDelay;
        case pReverb: return p_.reverb;
        case pReverbDelay: return p_.reverbDelay;
        case pDiffusion: return p_.diffusion;
        case pDensity: return p_.density;
        case pHFReference: return p_.hfReference;
        case pQuality: return quality_;
        case pPreset: return preset_;
        }
        return 0;
    }

private:
    void Design() {
        net_.Design(p_.decayTime, p_.decayHFRatio, p_.hfReference, p_.density, p_.diffusion);
        reflGain_ = MbToGain(p_.room + p_.reflections) * 0.5;
        reverbGain_ = MbToGain(p_.room + p_.reverb) * 0.5;
        hfB_ = OnePoleFor(MbToGain(p_.roomHF), 2 * kPi * Clamp(p_.hfReference, 20, rate_ * 0.45) / rate_);
    }
    I3DL2Params p_;
    int preset_ = 8, quality_ = 2;
    Network net_;
    DelayLine pre_;
    double hf_ = 0, hfB_ = 0, reflGain_ = 0, reverbGain_ = 0;
};

class WavesReverb final : public Effect {
public:
    WavesReverb() : Effect(Kind::DMOWavesReverb) {}
    void Configure(int rate, int channels) override {
        Effect::Configure(rate, channels);
        net_.Configure(rate_);
        Design();
        net_.Clear();
    }
    void Reset() override { net_.Clear(); }
    void Process(float* x, int n, const Block&) override {
        const double in = DbToGain(inGain_), mix = DbToGain(mix_) * 0.5, scale = 1.0 / channels_;
        for (int i = 0; i < n; ++i, x += channels_) {
            double s = 0;
            for (int c = 0; c < channels_; ++c) s += x[c];
            double l, r;
            net_.Run(s * scale * in, l, r);
            for (int c = 0; c < channels_; ++c) x[c] = static_cast<float>(x[c] * in + mix * ((c & 1) ? r : l));
        }
    }
    bool Set(int p, int, double v) override {
        switch (p) {
        case pInGain: inGain_ = Clamp(v, -96, 0); return true;
        case pReverbMix: mix_ = Clamp(v, -96, 0); return true;
        case pReverbTime: time_ = Clamp(v, 0.001, 3000); break;
        case pHFRTRatio: ratio_ = Clamp(v, 0.001, 0.999); break;
        default: return false;
        }
        Design();
        return true;
    }
    double Get(int p, int) const override {
        switch (p) {
        case pInGain: return inGain_;
        case pReverbMix: return mix_;
        case pReverbTime: return time_;
        case pHFRTRatio: return ratio_;
        }
        return 0;
    }

private:
    void Design() { net_.Design(time_ / 1000.0, ratio_, 5000, 100, 100); }
    Network net_;
    double inGain_ = 0, mix_ = 0, time_ = 1000, ratio_ = 0.001;
};

}  // namespace

const I3DL2Params* I3DL2Preset(int position) {
    return (position >= 0 && position < kReverbPresets) ? &kPresets[position] : nullptr;
}

std::unique_ptr<Effect> MakeI3DL2Reverb() { return std::make_unique<I3DL2Reverb>(); }
std::unique_ptr<Effect> MakeWavesReverb() { return std::make_unique<WavesReverb>(); }

}  // namespace zrdsp
