// Throughput of every audio effect kind on 60 s of stereo 44.1 kHz float, beside sox (or ffmpeg) doing
// the same kind of work on the same samples, as multiples of real time. Prints a Markdown table.
//   bash bench/dsp_bench.sh [rounds]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/dsp/dsp.h"

using namespace zrdsp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100, kSeconds = 60;

struct Case {
    const char* name;
    Kind kind;
    std::vector<std::pair<int, double>> set;
    const char* tool;  // sox effects, or "ffmpeg:" and a filter
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double TimeOurs(const Case& c, const std::vector<float>& in, std::vector<float>& out) {
    Chain chain;
    chain.SetFormat(SampleType::F32, kRate, 2);
    chain.Add(c.kind, true);
    for (const auto& [p, v] : c.set) chain.At(0)->Set(p, 0, v);
    const int frames = static_cast<int>(in.size() / 2), block = 4410;  // 100 ms buffers, as a renderer takes them
    const auto t0 = Clock::now();
    for (int i = 0; i < frames; i += block) {
        chain.Process(in.data() + static_cast<size_t>(i) * 2, std::min(block, frames - i), 0);
        chain.Read(out.data(), chain.Held());
    }
    chain.Drain();
    chain.Read(out.data(), chain.Held());
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double TimeTool(const Case& c, const std::string& file) {
    std::string cmd;
    const std::string tool = c.tool;
    if (tool.rfind("ffmpeg:", 0) == 0)
        cmd = "ffmpeg -v error -y -f f32le -ar 44100 -ac 2 -i " + file + " -af " + tool.substr(7) + " -f f32le -ar 44100 -ac 2 /dev/null";
    else
        cmd = "sox -D -V1 -t f32 -r 44100 -c 2 " + file + " -t f32 /dev/null " + tool + " 2>/dev/null";
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    // Music-like input: two tones and some noise.
    std::vector<float> in(static_cast<size_t>(kRate) * kSeconds * 2), out(in.size() * 3 + 65536);
    std::mt19937 g(5);
    std::uniform_real_distribution<float> d(-1, 1);
    for (size_t i = 0; i < in.size() / 2; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const float s = static_cast<float>(0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 1330 * t));
        in[2 * i] = s + 0.05f * d(g);
        in[2 * i + 1] = 0.8f * s + 0.05f * d(g);
    }
    const std::string file = "/tmp/zr_dsp_bench.f32";
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(in.data(), sizeof(float), in.size(), f);
        std::fclose(f);
    }
    const std::string eq = "equalizer 31.25 1o 3 equalizer 62.5 1o 2 equalizer 125 1o 1 equalizer 250 1o -1 "
                           "equalizer 500 1o -2 equalizer 1000 1o 1 equalizer 2000 1o 2 equalizer 4000 1o 3 "
                           "equalizer 8000 1o -2 equalizer 16000 1o -4";
    const std::vector<Case> cases = {
        {"Amplify", Kind::Amplify, {{pVolume, 5000}}, "vol 0.5"},
        {"BandPass", Kind::BandPass, {{pCutoffLow, 300}, {pCutoffHigh, 3000}}, "highpass 300 lowpass 3000"},
        {"ChannelOrder", Kind::ChannelOrder, {}, "remix 2 1"},
        {"DownMix", Kind::DownMix, {}, "remix 1v0.5,2v0.5 1v0.5,2v0.5"},
        {"DynamicAmplify", Kind::DynamicAmplify, {{pAttack, 10}, {pRelease, 1000}, {pMaxAmp, 40000}},
         "compand 0.01,1 -90,-78,-60,-48,-6,-6,0,-6"},
        {"EchoDelay", Kind::EchoDelay, {{pDelay, 100}, {pDelayAmp, 60}, {pNumDelays, 3}}, "echo 1 1 100 0.6 200 0.36 300 0.216"},
        {"Equalizer", Kind::Equalizer, {{pFFTSize, 12}, {pBand0, -15}, {pBand0 + 4, 10}, {pBand0 + 9, 20}}, eq.c_str()},
        {"Flanger", Kind::Flanger, {{pDelay, 3}, {pFrequency, 0.5}}, "flanger 0.1 3 0 100 0.5"},
        {"HighPass", Kind::HighPass, {{pCutoff, 1000}}, "highpass 1000"},
        {"LowPass", Kind::LowPass, {{pCutoff, 3000}}, "lowpass 3000"},
        {"Notch", Kind::Notch, {{pCutoff, 1000}}, "bandreject 1000 2q"},
        {"PhaseInvert", Kind::PhaseInvert, {{pInvert, 1}}, "vol -1"},
        {"Phaser", Kind::Phaser, {{pDepth, 80}, {pDryWet, 50}, {pStages, 4}, {pFrequency, 0.5}}, "phaser 0.8 0.74 3 0.4 0.5 -s"},
        {"PitchScale (FFT 2048, 4x)", Kind::PitchScale, {{pPitch, 1500}, {pFFTSize, 10}, {pQuality, 0}}, "pitch 702"},
        {"PitchShift", Kind::PitchShift, {{pPitch, 1260}}, "pitch 400"},
        {"Sound3D", Kind::Sound3D, {{pVolume, 150}}, "remix 1v1.75,2v-0.75 1v-0.75,2v1.75"},
        {"Tempo", Kind::Tempo, {{pTempo, 25}}, "tempo 1.25"},
        {"TrebleEnhancer", Kind::TrebleEnhancer, {{pFrequency, 3000}, {pVolume, 80}}, "treble 8 3000"},
        {"TrueBass", Kind::TrueBass, {{pFrequency, 100}, {pVolume, 100}}, "bass 10 100"},
        {"DMOChorus", Kind::DMOChorus, {}, "chorus 0.5 0.9 25 0.4 0.8 2 -s"},
        {"DMOCompressor", Kind::DMOCompressor, {}, "compand 0.01,0.2 -90,-90,-20,-20,0,-13.33"},
        {"DMODistortion", Kind::DMODistortion, {}, "overdrive 20 0"},
        {"DMOEcho", Kind::DMOEcho, {}, "echos 0.8 0.7 500 0.25"},
        {"DMOFlanger", Kind::DMOFlanger, {}, "flanger 0 4 0 50 0.25"},
        {"DMOGargle", Kind::DMOGargle, {}, "tremolo 20 100"},
        {"DMOI3DL2Reverb", Kind::DMOI3DL2Reverb, {}, "reverb"},
        {"DMOParamEQ", Kind::DMOParamEQ, {{pGain, 6}}, "equalizer 8000 1o 6"},
        {"DMOWavesReverb", Kind::DMOWavesReverb, {}, "reverb"},
        {"ParametricEQ", Kind::ParametricEQ, {{pFrequency, 1000}, {pGain, 6}, {pQ, 2}}, "equalizer 1000 2q 6"},
        {"Fades", Kind::Fades, {{pStartVolume, 10000}, {pStopVolume, 0}}, "fade t 10 60 10"},
    };
    std::printf("| kind | ours (x real time) | tool | tool (x real time) | ours / tool |\n|---|---|---|---|---|\n");
    for (const auto& c : cases) {
        std::vector<double> ours, tool;
        for (int r = 0; r < rounds; ++r) {
            ours.push_back(TimeOurs(c, in, out));
            tool.push_back(TimeTool(c, file));
        }
        const double o = kSeconds / Median(ours), t = kSeconds / Median(tool);
        std::printf("| %s | %.0f | `%s %s` | %.0f | %.1f |\n", c.name, o, std::string(c.tool).rfind("ffmpeg:", 0) == 0 ? "ffmpeg -af" : "sox",
                    std::string(c.tool).substr(std::string(c.tool).rfind("ffmpeg:", 0) == 0 ? 7 : 0).substr(0, 48).c_str(), t, o / t);
        std::fflush(stdout);
    }
    std::remove(file.c_str());
}
