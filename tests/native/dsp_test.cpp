// The audio effects against outside tools (sox, ffmpeg) on the same input, and the chain's handling of
// formats, windows and state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/dsp/dsp.h"

using namespace zrdsp;

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
using Audio = std::vector<float>;

struct Setting {
    int param;
    double value;
    int channel = 0;
};

Audio Sine(double hz, double seconds, double amp = 0.5, int ch = 1, int rate = kRate) {
    const int n = static_cast<int>(seconds * rate);
    Audio a(static_cast<size_t>(n) * ch);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < ch; ++c) a[static_cast<size_t>(i) * ch + c] = static_cast<float>(amp * std::sin(2 * kPi * hz * i / rate));
    return a;
}

Audio Noise(double seconds, int ch, double amp = 0.3, unsigned seed = 1) {
    std::mt19937 g(seed);
    std::uniform_real_distribution<float> d(-1, 1);
    Audio a(static_cast<size_t>(seconds * kRate) * ch);
    for (auto& v : a) v = static_cast<float>(amp * d(g));
    return a;
}

// Runs one effect of the kind over the input (float samples), with the settings, to the end.
Audio Ours(Kind k, const std::vector<Setting>& s, const Audio& in, int ch = 1, int rate = kRate) {
    Chain chain;
    chain.SetFormat(SampleType::F32, rate, ch);
    chain.Add(k, true);
    for (const auto& e : s) chain.At(0)->Set(e.param, e.channel, e.value);
    Audio out;
    auto take = [&] {
        Audio buf(static_cast<size_t>(chain.Held()) * ch);
        const int n = chain.Read(buf.data(), chain.Held());
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<size_t>(n) * ch);
    };
    const int frames = static_cast<int>(in.size() / ch);
    for (int i = 0; i < frames; i += 1000) {  // blocks of a size the effects do not align to
        chain.Process(in.data() + static_cast<size_t>(i) * ch, std::min(1000, frames - i),
                      static_cast<int64_t>(i) * 10000000 / rate);
        take();
    }
    chain.Drain();
    take();
    return out;
}

std::string TempDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/zrdspXXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return dir;
}

void WriteRaw(const std::string& path, const Audio& a) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(a.data()), static_cast<std::streamsize>(a.size() * sizeof(float)));
}

Audio ReadRaw(const std::string& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    const auto size = static_cast<size_t>(f.tellg());
    Audio a(size / sizeof(float));
    f.seekg(0);
    f.read(reinterpret_cast<char*>(a.data()), static_cast<std::streamsize>(a.size() * sizeof(float)));
    return a;
}

// The same input through sox with the given effects (raw 32-bit float in and out).
Audio Sox(const Audio& in, int ch, const std::string& effects, int rate = kRate) {
    const std::string d = TempDir(), i = d + "/in.raw", o = d + "/sox.raw";
    WriteRaw(i, in);
    const std::string fmt = " -t f32 -r " + std::to_string(rate) + " -c " + std::to_string(ch) + " ";
    const std::string cmd = "sox -D -V1" + fmt + i + fmt + o + " " + effects + " 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadRaw(o);
}

Audio Ffmpeg(const Audio& in, int ch, const std::string& filter) {
    const std::string d = TempDir(), i = d + "/in.raw", o = d + "/ff.raw";
    WriteRaw(i, in);
    const std::string fmt = " -f f32le -ar " + std::to_string(kRate) + " -ac " + std::to_string(ch) + " ";
    const std::string cmd = "ffmpeg -v error -y" + fmt + "-i " + i + " -af " + filter + fmt + o;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return ReadRaw(o);
}

double MaxDiff(const Audio& a, const Audio& b, size_t from = 0, size_t to = SIZE_MAX) {
    const size_t n = std::min({a.size(), b.size(), to});
    double m = 0;
    for (size_t i = from; i < n; ++i) m = std::max(m, static_cast<double>(std::fabs(a[i] - b[i])));
    return m;
}

double Rms(const Audio& a, size_t from, size_t to, int ch = 1, int c = 0) {
    double s = 0;
    size_t n = 0;
    for (size_t i = from * ch + c; i < std::min(to * ch, a.size()); i += ch, ++n) s += a[i] * a[i];
    return n ? std::sqrt(s / n) : 0;
}
double Db(double v) { return 20 * std::log10(std::max(v, 1e-12)); }

// Amplitude of the component at hz in frames [from, to) of channel c (a single-bin DFT).
double ToneAt(const Audio& a, double hz, size_t from, size_t to, int ch = 1, int c = 0, int rate = kRate) {
    double re = 0, im = 0;
    size_t n = 0;
    for (size_t i = from; i < to && i * ch + c < a.size(); ++i, ++n) {
        const double w = 2 * kPi * hz * i / rate;
        re += a[i * ch + c] * std::cos(w);
        im += a[i * ch + c] * std::sin(w);
    }
    return n ? 2 * std::sqrt(re * re + im * im) / n : 0;
}

// The strongest frequency (Hz, 0.5 Hz steps near `guess`) in frames [from, to).
double PeakFrequency(const Audio& a, double lo, double hi, size_t from, size_t to, int ch = 1) {
    double best = lo, bestAmp = -1;
    for (double f = lo; f <= hi; f += 0.5) {
        const double v = ToneAt(a, f, from, to, ch);
        if (v > bestAmp) { bestAmp = v; best = f; }
    }
    return best;
}

// Level envelope (RMS of 5 ms windows) and the period (s) of its strongest repetition between
// minPeriod and maxPeriod (autocorrelation peak).
double EnvelopePeriod(const Audio& a, double minPeriod, double maxPeriod, size_t skip) {
    const size_t win = kRate / 200;
    std::vector<double> env;
    for (size_t i = skip; i + win <= a.size(); i += win) env.push_back(Rms(a, i, i + win));
    double mean = 0;
    for (double v : env) mean += v;
    mean /= env.size();
    for (double& v : env) v -= mean;
    double best = 0, bestLag = 0;
    const size_t lo = static_cast<size_t>(minPeriod * 200), hi = static_cast<size_t>(maxPeriod * 200);
    for (size_t lag = lo; lag <= hi && lag < env.size(); ++lag) {
        double s = 0;
        for (size_t i = 0; i + lag < env.size(); ++i) s += env[i] * env[i + lag];
        s /= (env.size() - lag);
        if (s > best) { best = s; bestLag = static_cast<double>(lag); }
    }
    return bestLag / 200.0;
}

// Time for the energy of an impulse response to fall by 60 dB (backward integration, fitted between
// -5 and -25 dB).
double DecayTime(const Audio& ir, int ch) {
    std::vector<double> e(ir.size() / ch + 1, 0.0);
    for (size_t i = ir.size() / ch; i-- > 0;) {
        double s = 0;
        for (int c = 0; c < ch; ++c) s += ir[i * ch + c] * ir[i * ch + c];
        e[i] = e[i + 1] + s;
    }
    const double total = e[0];
    double t5 = -1, t25 = -1;
    for (size_t i = 0; i < e.size(); ++i) {
        const double db = 10 * std::log10(std::max(e[i] / total, 1e-30));
        if (t5 < 0 && db <= -5) t5 = static_cast<double>(i) / kRate;
        if (t25 < 0 && db <= -25) { t25 = static_cast<double>(i) / kRate; break; }
    }
    return (t25 - t5) * 3.0;
}

}  // namespace

// --- sample formats

TEST(DspPcm, ConvertsEveryTypeBothWaysWithoutWrapping) {
    const float in[] = {0.0f, 0.25f, -0.5f, 0.999f, -1.0f, 1.7f, -3.0f, std::nanf("")};
    for (SampleType t : {SampleType::U8, SampleType::S16, SampleType::S24, SampleType::S32, SampleType::F32}) {
        std::vector<uint8_t> pcm(sizeof in / sizeof in[0] * BytesPerSample(t));
        FromFloat(in, 8, t, pcm.data());
        float back[8];
        ToFloat(pcm.data(), t, 8, back);
        const double step = t == SampleType::U8 ? 1.0 / 128 : (t == SampleType::S16 ? 1.0 / 32768 : 1e-6);
        for (int i = 0; i < 5; ++i) EXPECT_NEAR(back[i], in[i], step) << static_cast<int>(t) << " " << i;
        if (t == SampleType::F32) {
            EXPECT_EQ(back[5], 1.7f);
            EXPECT_EQ(back[7], 0.0f);  // no NaN leaves the chain
            continue;
        }
        EXPECT_NEAR(back[5], 1.0, step) << "positive overload saturates";
        EXPECT_EQ(back[6], -1.0f) << "negative overload saturates";
        EXPECT_EQ(back[7], 0.0f);
    }
}

// --- gain and channel effects: sample for sample against sox and ffmpeg

TEST(DspOracle, GainAndChannelEffectsMatchSoxExactly) {
    const Audio st = Noise(0.5, 2), six = Noise(0.5, 6, 0.2, 7);
    struct Case {
        const char* name;
        Kind kind;
        std::vector<Setting> set;
        const Audio* in;
        int ch;
        std::string sox;
    } cases[] = {
        {"amplify", Kind::Amplify, {{pVolume, 5000}}, &st, 2, "vol 0.5"},
        {"amplify per channel", Kind::Amplify, {{pSeparate, 1}, {pVolume, 20000, 0}, {pVolume, 2500, 1}}, &st, 2,
         "remix 1v2 2v0.25"},
        {"phase invert", Kind::PhaseInvert, {{pInvert, 1}}, &st, 2, "vol -1"},
        {"channel order", Kind::ChannelOrder, {{pOrder, 1, 0}, {pOrder, 0, 1}}, &st, 2, "remix 2 1"},
        {"down-mix stereo", Kind::DownMix, {}, &st, 2, "remix 1v0.5,2v0.5 1v0.5,2v0.5"},
        {"down-mix 5.1", Kind::DownMix, {}, &six, 6,
         "remix 1v0.41421356,3v0.29289322,5v0.29289322 2v0.41421356,3v0.29289322,6v0.29289322 0 0 0 0"},
    };
    for (const auto& c : cases) {
        const Audio ours = Ours(c.kind, c.set, *c.in, c.ch), ref = Sox(*c.in, c.ch, c.sox);
        ASSERT_EQ(ours.size(), ref.size()) << c.name;
        EXPECT_LT(MaxDiff(ours, ref), 2e-6) << c.name;
    }
    // 3D sound widens as ffmpeg's extrastereo does (m = 1 + volume / 100).
    const Audio ours = Ours(Kind::Sound3D, {{pVolume, 150}}, st, 2), ref = Ffmpeg(st, 2, "extrastereo=m=2.5:c=false");
    EXPECT_LT(MaxDiff(ours, ref), 2e-6);
}

// --- filters: gain at chosen frequencies against sox's filters of the same kind

TEST(DspOracle, FilterResponsesMatchSoxAtChosenFrequencies) {
    const double freqs[] = {60, 250, 1000, 3000, 8000, 15000};
    Audio in;
    for (double f : freqs) {
        const Audio s = Sine(f, 0.4, 0.25);
        in.insert(in.end(), s.begin(), s.end());
    }
    struct Case {
        const char* name;
        Kind kind;
        std::vector<Setting> set;
        std::string sox;
    } cases[] = {
        {"high-pass", Kind::HighPass, {{pCutoff, 1000}}, "highpass 1000"},
        {"low-pass", Kind::LowPass, {{pCutoff, 3000}}, "lowpass 3000"},
        {"notch", Kind::Notch, {{pCutoff, 1000}}, "bandreject 1000 2q"},
        {"band-pass", Kind::BandPass, {{pCutoffLow, 250}, {pCutoffHigh, 3000}}, "highpass 250 lowpass 3000"},
        {"parametric", Kind::ParametricEQ, {{pFrequency, 1000}, {pGain, 9}, {pQ, 2}}, "equalizer 1000 2q 9"},
        {"DirectSound parametric", Kind::DMOParamEQ, {{pCenter, 3000}, {pBandwidth, 12}, {pGain, -12}},
         "equalizer 3000 1o -12"},
        {"treble", Kind::TrebleEnhancer, {{pFrequency, 3000}, {pVolume, 80}}, "treble 8 3000 0.5s"},
        {"bass", Kind::TrueBass, {{pFrequency, 100}, {pVolume, 100}}, "bass 10 100 0.5s"},
    };
    const size_t seg = static_cast<size_t>(0.4 * kRate);
    for (const auto& c : cases) {
        const Audio ours = Ours(c.kind, c.set, in), ref = Sox(in, 1, c.sox);
        for (size_t k = 0; k < std::size(freqs); ++k) {
            const size_t a = k * seg + seg / 2, b = (k + 1) * seg;
            const double mine = Db(Rms(ours, a, b)), theirs = Db(Rms(ref, a, b));
            if (theirs < -70) EXPECT_LT(mine, -60) << c.name << " at " << freqs[k];
            else EXPECT_NEAR(mine, theirs, 0.1) << c.name << " at " << freqs[k] << " Hz";
        }
    }
}

TEST(DspOracle, EqualizerBandsMatchSoxEqualizers) {
    // Bands two octaves apart: 31.25 Hz ... at 0.2 dB per step (negative values boost).
    const int bands[kEqualizerBands] = {0, -30, 0, 20, 0, -50, 0, 40, 0, 0};
    std::vector<Setting> set = {{pFFTSize, 12}};
    std::string sox;
    for (int b = 0; b < kEqualizerBands; ++b) {
        set.push_back({pBand0 + b, static_cast<double>(bands[b])});
        if (bands[b]) sox += " equalizer " + std::to_string(31.25 * (1 << b)) + " 1o " + std::to_string(-bands[b] * 0.2);
    }
    // At the bands that are set, against sox's equalizer of one octave; at every centre from 125 Hz up,
    // against the band's own value (the lowest bands are narrower than the filter's resolution).
    for (int b = 1; b < kEqualizerBands; ++b) {
        const double f = 31.25 * (1 << b);
        const Audio in = Sine(f, 1.0, 0.25);
        const Audio ours = Ours(Kind::Equalizer, set, in);
        const double gain = Db(Rms(ours, kRate / 2, kRate)) - Db(Rms(in, kRate / 2, kRate));
        if (bands[b]) EXPECT_NEAR(Db(Rms(ours, kRate / 2, kRate)), Db(Rms(Sox(in, 1, sox), kRate / 2, kRate)), 1.0) << f << " Hz";
        if (b >= 2) EXPECT_NEAR(gain, -bands[b] * 0.2, 0.5) << f << " Hz";
    }
}

// --- delays

TEST(DspOracle, EchoesMatchSoxEcho) {
    Audio in = Noise(0.2, 1);
    in.resize(static_cast<size_t>(1.5 * kRate), 0.0f);
    // Three echoes 100 ms apart, each 60 % of the one before.
    const Audio ours = Ours(Kind::EchoDelay, {{pDelay, 100}, {pDelayAmp, 60}, {pNumDelays, 3}}, in);
    const Audio ref = Sox(in, 1, "echo 1 1 100 0.6 200 0.36 300 0.216");
    EXPECT_LT(MaxDiff(ours, ref), 1e-5);
    // KillMain leaves only the echoes.
    const Audio wet = Ours(Kind::EchoDelay, {{pDelay, 100}, {pDelayAmp, 60}, {pNumDelays, 3}, {pKillMain, 1}}, in);
    EXPECT_LT(MaxDiff(wet, Sox(in, 1, "echo 0 1 100 0.6 200 0.36 300 0.216")), 1e-5);

    // DirectSound echo: feedback repeats; mix 40 %, feedback 30 %, 150 ms. Compared up to the fourth
    // repeat (sox echo has a fixed number of taps).
    const Audio dmo = Ours(Kind::DMOEcho, {{pWetDryMix, 40}, {pFeedback, 30}, {pLeftDelay, 150}, {pRightDelay, 150}}, in);
    const Audio ref2 = Sox(in, 1, "echo 0.6 1 150 0.4 300 0.12 450 0.036");
    EXPECT_LT(MaxDiff(dmo, ref2, 0, static_cast<size_t>(0.6 * kRate)), 1e-5);
}

// --- modulation: the delay paths against sox echo with the oscillator stopped, the sweeps' rates
// against sox's effects of the same kind

TEST(DspOracle, ModulationEffectsMatchSox) {
    Audio in = Noise(0.3, 1);
    in.resize(static_cast<size_t>(0.5 * kRate), 0.0f);
    // Stopped oscillator: the DirectSound chorus is a fixed 10 ms delay (no feedback) mixed 30 % wet.
    const Audio chorus = Ours(Kind::DMOChorus, {{pFrequency, 0}, {pFeedback, 0}, {pDelay, 10}, {pWetDryMix, 30}}, in);
    EXPECT_LT(MaxDiff(chorus, Sox(in, 1, "echo 0.7 1 10 0.3")), 1e-5);

    // Rates: a steady low tone's level swings with the sweep; the period of that swing matches sox's.
    struct Case {
        const char* name;
        Kind kind;
        std::vector<Setting> set;
        std::string sox;
        double tone;
    } cases[] = {
        {"gargle", Kind::DMOGargle, {{pRateHz, 5}}, "tremolo 5 100", 60},
        {"flanger", Kind::Flanger, {{pDelay, 3}, {pFrequency, 1}}, "flanger 0.1 3 0 100 1 sine", 60},
        {"DirectSound flanger", Kind::DMOFlanger, {{pDelay, 2}, {pDepth, 100}, {pFeedback, 0}, {pFrequency, 1}},
         "flanger 0 4 0 100 1 sine", 60},
        {"DirectSound chorus", Kind::DMOChorus, {{pDelay, 20}, {pDepth, 20}, {pFeedback, 0}, {pFrequency, 0.8}},
         "chorus 0.5 1 21 0.5 0.8 8 -s", 60},
        {"phaser", Kind::Phaser, {{pDepth, 80}, {pDryWet, 50}, {pStages, 4}, {pFrequency, 0.5}},
         "phaser 0.8 0.74 3 0.4 0.5 -s", 1000},
    };
    for (const auto& c : cases) {
        const Audio tone = Sine(c.tone, 6.0, 0.3);
        const Audio ours = Ours(c.kind, c.set, tone), ref = Sox(tone, 1, c.sox);
        const double mine = EnvelopePeriod(ours, 0.1, 2.5, kRate / 2), theirs = EnvelopePeriod(ref, 0.1, 2.5, kRate / 2);
        EXPECT_NEAR(mine, theirs, 0.08 * theirs) << c.name;
    }
}

// --- dynamics

TEST(DspOracle, CompressorCurveMatchesSoxCompand) {
    for (double level : {-40.0, -25.0, -15.0, -8.0, -3.0}) {
        const Audio in = Sine(1000, 1.0, std::pow(10, level / 20));
        const Audio ours = Ours(Kind::DMOCompressor,
                                {{pThreshold, -20}, {pRatio, 3}, {pAttack, 5}, {pRelease, 300}, {pGain, 0}, {pPredelay, 0}}, in);
        const Audio ref = Sox(in, 1, "compand 0.005,0.3 -90,-90,-20,-20,0,-13.333 0 -90 0");
        EXPECT_NEAR(Db(ToneAt(ours, 1000, kRate / 2, kRate)), Db(ToneAt(ref, 1000, kRate / 2, kRate)), 1.0) << level << " dB";
    }
}

TEST(DspOracle, DistortionHarmonicsMatchSoxOverdrive) {
    // Edge 40 drives 20 dB into the same soft clipper as sox's overdrive; the post band sits far above.
    const Audio in = Sine(500, 1.0, 0.3);
    const Audio ours = Ours(Kind::DMODistortion,
                            {{pEdge, 40}, {pGain, 0}, {pPreLowpass, 8000}, {pPostEQCenter, 8000}, {pPostEQBandwidth, 100}}, in);
    const Audio ref = Sox(in, 1, "overdrive 20 0");
    const auto ratio = [&](const Audio& a, double h) {
        return Db(ToneAt(a, 500 * h, kRate / 4, kRate)) - Db(ToneAt(a, 500, kRate / 4, kRate));
    };
    EXPECT_NEAR(ratio(ours, 3), ratio(ref, 3), 2.0);
    EXPECT_NEAR(ratio(ours, 5), ratio(ref, 5), 3.0);
    EXPECT_GT(ratio(ours, 3), -20) << "clearly distorted";
}

TEST(DspEffects, DynamicAmplifyRaisesQuietPartsUpToItsLimitAndNeverClips) {
    Chain chain;
    chain.SetFormat(SampleType::F32, kRate, 1);
    chain.Add(Kind::DynamicAmplify, true);
    Effect* fx = chain.At(0);
    fx->Set(pAttack, 0, 5);
    fx->Set(pRelease, 0, 200);
    fx->Set(pMaxAmp, 0, 40000);  // at most x4
    Audio quiet = Sine(440, 2.0, 0.05), loud = Sine(440, 2.0, 0.95);
    Audio out(quiet.size());
    chain.Process(quiet.data(), static_cast<int>(quiet.size()), 0);
    chain.Read(out.data(), chain.Held());
    EXPECT_NEAR(fx->Get(pCurrentAmp, 0), 40000, 400);
    EXPECT_NEAR(ToneAt(out, 440, kRate, 2 * kRate), 0.2, 0.01);
    chain.Process(loud.data(), static_cast<int>(loud.size()), 0);
    chain.Read(out.data(), chain.Held());
    float peak = 0;
    for (float v : out) peak = std::max(peak, std::fabs(v));
    EXPECT_LE(peak, 1.0f);
    EXPECT_NEAR(ToneAt(out, 440, kRate, 2 * kRate), 0.5, 0.05) << "loud parts brought to half scale";
}

// --- reverberation: the tail lasts as long as the decay time says

TEST(DspOracle, ReverbTailsLastTheirDecayTime) {
    Audio impulse(static_cast<size_t>(6 * kRate) * 2, 0.0f);
    impulse[0] = impulse[1] = 1.0f;
    for (double decay : {0.8, 2.0}) {
        Audio ir = Ours(Kind::DMOI3DL2Reverb,
                        {{pRoom, 0}, {pReverb, 0}, {pReflections, -10000}, {pDecayTime, decay}, {pDecayHFRatio, 1.0},
                         {pReflectionsDelay, 0}, {pReverbDelay, 0}},
                        impulse, 2);
        ir[0] = ir[1] = 0;  // the dry impulse
        EXPECT_NEAR(DecayTime(ir, 2), decay, 0.2 * decay) << "I3DL2 " << decay << " s";
    }
    Audio ir = Ours(Kind::DMOWavesReverb, {{pReverbTime, 1500}, {pHFRTRatio, 0.999}}, impulse, 2);
    ir[0] = ir[1] = 0;
    EXPECT_NEAR(DecayTime(ir, 2), 1.5, 0.3);
    // sox's reverb at full reverberance rings for a comparable time: both are room-sized tails.
    Audio soxIr = Sox(impulse, 2, "reverb 100 0 100 100 0 0");
    soxIr[0] = soxIr[1] = 0;
    EXPECT_GT(DecayTime(soxIr, 2), 0.5);
}

TEST(DspEffects, ReverbPresetsLoadTheirValues) {
    auto fx = CreateEffect(Kind::DMOI3DL2Reverb);
    fx->Configure(kRate, 2);
    fx->Set(pPreset, 0, 22);  // "Plate"
    EXPECT_DOUBLE_EQ(fx->Get(pDecayTime, 0), 1.3);
    EXPECT_DOUBLE_EQ(fx->Get(pDensity, 0), 75);
    fx->Set(pPreset, 0, 12);  // "Hangar"
    EXPECT_DOUBLE_EQ(fx->Get(pDecayTime, 0), 10.05);
    fx->Set(pPreset, 0, 31);  // out of the list: unchanged
    EXPECT_DOUBLE_EQ(fx->Get(pPreset, 0), 12);
}

// --- time and pitch

TEST(DspOracle, TempoChangesDurationNotPitchLikeSox) {
    const Audio in = Sine(440, 2.0, 0.4, 2);
    for (double tempo : {25.0, -20.0}) {
        const double speed = 1 + tempo / 100;
        const Audio ours = Ours(Kind::Tempo, {{pTempo, tempo}}, in, 2);
        char arg[32];
        std::snprintf(arg, sizeof arg, "tempo %.3f", speed);
        const Audio ref = Sox(in, 2, arg);
        const double secs = ours.size() / 2.0 / kRate, soxSecs = ref.size() / 2.0 / kRate;
        EXPECT_NEAR(secs, 2.0 / speed, 0.01) << tempo;
        EXPECT_NEAR(secs, soxSecs, 0.03) << tempo;
        const size_t n = ours.size() / 2;
        EXPECT_NEAR(PeakFrequency(ours, 420, 460, n / 4, 3 * n / 4, 2), 440, 1.0) << tempo;
        EXPECT_NEAR(PeakFrequency(ref, 420, 460, n / 4, 3 * n / 4, 2), 440, 1.0) << tempo;
    }
    // Unchanged tempo hands the input on unchanged.
    const Audio same = Ours(Kind::Tempo, {{pTempo, 0}}, in, 2);
    ASSERT_EQ(same.size(), in.size());
    EXPECT_LT(MaxDiff(same, in), 1e-6);
}

TEST(DspOracle, PitchMovesFrequencyLikeSoxPitch) {
    const Audio in = Sine(440, 1.5, 0.4);
    struct Case {
        Kind kind;
        std::vector<Setting> set;
        double ratio;
    } cases[] = {
        {Kind::PitchScale, {{pPitch, 1500}, {pFFTSize, 11}, {pQuality, 1}}, 1.5},
        {Kind::PitchScale, {{pPitch, 800}, {pFFTSize, 10}, {pQuality, 0}}, 0.8},
        {Kind::PitchShift, {{pPitch, 1260}}, 1.26},
        {Kind::PitchShift, {{pPitch, 750}}, 0.75},
    };
    for (const auto& c : cases) {
        const Audio ours = Ours(c.kind, c.set, in);
        char arg[32];
        std::snprintf(arg, sizeof arg, "pitch %.2f", 1200 * std::log2(c.ratio));
        const Audio ref = Sox(in, 1, arg);
        EXPECT_EQ(ours.size(), in.size()) << "length kept";
        const double want = 440 * c.ratio;
        const double mine = PeakFrequency(ours, want - 20, want + 20, kRate / 2, kRate);
        const double theirs = PeakFrequency(ref, want - 20, want + 20, kRate / 2, kRate);
        EXPECT_NEAR(mine, want, 2.0) << static_cast<int>(c.kind) << " " << c.ratio;
        EXPECT_NEAR(mine, theirs, 2.5) << static_cast<int>(c.kind) << " " << c.ratio;
        EXPECT_GT(ToneAt(ours, mine, kRate / 2, kRate), 0.25) << "level kept " << static_cast<int>(c.kind) << " " << c.ratio;
    }
}

// --- the chain

TEST(DspChain, WindowsEnablingAndFadesFollowStreamTime) {
    const Audio in(static_cast<size_t>(2 * kRate), 0.5f);
    Chain chain;
    chain.SetFormat(SampleType::F32, kRate, 1);
    chain.Add(Kind::Amplify, true);
    chain.At(0)->Set(pVolume, 0, 20000);
    chain.SetWindow(0, 5000000, 10000000);  // 0.5 s .. 1 s
    chain.Add(Kind::Fades, true);
    chain.At(1)->Set(pStartVolume, 0, 10000);
    chain.At(1)->Set(pStopVolume, 0, 0);
    chain.SetWindow(1, 15000000, 20000000);  // fades out over the last half second
    chain.Add(Kind::PhaseInvert, false);     // disabled: no effect
    chain.At(2)->Set(pInvert, 0, 1);
    Audio out(in.size());
    chain.Process(in.data(), kRate, 0);
    chain.Process(in.data() + kRate, kRate, 10000000);
    ASSERT_EQ(chain.Read(out.data(), 2 * kRate), 2 * kRate);
    EXPECT_FLOAT_EQ(out[kRate / 2 - 1], 0.5f);
    EXPECT_FLOAT_EQ(out[kRate / 2], 1.0f);
    EXPECT_FLOAT_EQ(out[kRate - 1], 1.0f);
    EXPECT_FLOAT_EQ(out[kRate], 0.5f);
    EXPECT_NEAR(out[kRate * 7 / 4], 0.25f, 1e-3);
    EXPECT_NEAR(out[2 * kRate - 1], 0.0f, 1e-3);
    chain.SetEnabled(2, true);
    chain.Process(in.data(), 10, 0);
    chain.Read(out.data(), 10);
    EXPECT_FLOAT_EQ(out[0], -0.5f);
}

TEST(DspChain, SeparateParametersAddressOneChannel) {
    const Audio in = Noise(0.1, 4);
    const Audio out = Ours(Kind::Amplify, {{pSeparate, 1}, {pVolume, 0, 2}}, in, 4);
    for (size_t i = 0; i < in.size(); ++i) EXPECT_FLOAT_EQ(out[i], (i % 4 == 2) ? 0.0f : in[i]);
    // Without Separate a write reaches every channel whatever channel it names.
    const Audio all = Ours(Kind::Amplify, {{pVolume, 0, 3}}, in, 4);
    for (float v : all) EXPECT_EQ(v, 0.0f);
}

// Every kind, every sample type, 1 to 8 channels, common rates: the output stays finite and a feedback tail dies out to exact zeros instead of lingering as denormals.
TEST(DspChain, EveryKindEveryFormatStaysBoundedAndSettles) {
    const int rates[] = {8000, 22050, 44100, 48000, 96000};
    const SampleType types[] = {SampleType::U8, SampleType::S16, SampleType::S24, SampleType::S32, SampleType::F32};
    for (int k = 1; k < kKindCount; ++k) {
        for (SampleType t : {types[k % 5], types[(k + 2) % 5]}) {
            const int ch = 1 + (k + static_cast<int>(t)) % kMaxChannels;
            const int rate = rates[(k + static_cast<int>(t)) % 5];
            Chain chain;
            chain.SetFormat(t, rate, ch);
            chain.Add(static_cast<Kind>(k), true);
            chain.Add(Kind::Amplify, true);
            chain.At(1)->Set(pVolume, 0, 40000);  // x4: integer samples must saturate
            Audio f = Noise(0.2, ch, 0.9, k);
            std::vector<uint8_t> pcm(f.size() * BytesPerSample(t)), out;
            FromFloat(f.data(), f.size(), t, pcm.data());
            const int frames = static_cast<int>(f.size() / ch);
            chain.Process(pcm.data(), frames, 0);
            std::vector<uint8_t> silence(pcm.size(), 0);
            if (t == SampleType::U8) std::fill(silence.begin(), silence.end(), 128);
            for (int i = 0; i < 15; ++i) chain.Process(silence.data(), frames, 0);
            chain.Drain();
            out.resize(static_cast<size_t>(chain.Held()) * ch * BytesPerSample(t));
            const int n = chain.Read(out.data(), chain.Held());
            Audio back(static_cast<size_t>(n) * ch);
            ToFloat(out.data(), t, back.size(), back.data());
            int denormal = 0;
            for (float v : back) {
                ASSERT_TRUE(std::isfinite(v)) << k;
                if (std::fpclassify(v) == FP_SUBNORMAL) ++denormal;
            }
            EXPECT_EQ(denormal, 0) << "kind " << k;
        }
    }
}

TEST(DspChain, SaturatesIntegerSamplesOnTheSideTheyOverflow) {
    Chain chain;
    chain.SetFormat(SampleType::S16, kRate, 1);
    chain.Add(Kind::Amplify, true);
    chain.At(0)->Set(pVolume, 0, 30000);
    const int16_t in[] = {20000, -20000, 100, 32767};
    int16_t out[4];
    chain.Process(in, 4, 0);
    ASSERT_EQ(chain.Read(out, 4), 4);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[2], 300);
    EXPECT_EQ(out[3], 32767);
}
