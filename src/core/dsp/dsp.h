// Audio effects on interleaved float samples, and the chain that runs a list of them over PCM.
//
// Every effect kind of the audio DSP filter is one class derived from Effect. Parameters are set and
// read through one generic call (Set/Get with a parameter identifier and a channel), in the units the
// filter's control interfaces use; each effect clamps what it is given into its working range. An
// effect allocates only when it is configured or when a parameter that sizes its buffers changes,
// never while it processes.
//
// Units of the effects of our own (the DirectSound-style kinds use the units that platform documents):
//   gains and volumes          1/10000 (10000 = unchanged), except where noted
//   frequencies, cutoffs       Hz;  times: ms;  percentages 0..100
//   equalizer bands            signed steps of 0.2 dB of cut (positive cuts, negative boosts)
//   pitch                      ratio in 1/1000 (1000 = unchanged, 0 = unchanged), 250..4000
//   tempo                      percent of change (0 = unchanged, 100 = twice as fast), -50..300
//   treble enhancer, true bass boost in 0.1 dB (0..300)
//   3D sound                   widening in percent (0 = unchanged)
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace zrdsp {

// Effect kinds, numbered as the filter's clients number them.
enum class Kind : int {
    None = 0, Amplify = 1, BandPass = 2, ChannelOrder = 3, DownMix = 4, DynamicAmplify = 5, EchoDelay = 6,
    Equalizer = 7, Flanger = 8, HighPass = 9, LowPass = 10, Notch = 11, PhaseInvert = 12, Phaser = 13,
    PitchScale = 14, PitchShift = 15, Sound3D = 16, Tempo = 17, TrebleEnhancer = 18, TrueBass = 19,
    DMOChorus = 20, DMOCompressor = 21, DMODistortion = 22, DMOEcho = 23, DMOFlanger = 24, DMOGargle = 25,
    DMOI3DL2Reverb = 26, DMOParamEQ = 27, DMOWavesReverb = 28, ParametricEQ = 29, Fades = 30,
};
constexpr int kKindCount = 31;
constexpr int kMaxChannels = 8;
constexpr int kEqualizerBands = 10;
constexpr int kReverbPresets = 31;  // positions in the player's alphabetical preset list

// Parameter identifiers (each kind answers to its own; unknown ones are ignored).
enum Param : int {
    pSeparate, pVolume, pStartVolume, pStopVolume, pCutoff, pCutoffLow, pCutoffHigh, pOrder,
    pAttack, pRelease, pMaxAmp, pCurrentAmp, pDelay, pDelayAmp, pNumDelays, pHighpass, pKillMain,
    pFFTSize, pFrequency, pPhaseInvert, pGain, pQ, pInvert, pDryWet, pFeedback, pStages, pDepth,
    pStartPhase, pPitch, pQuality, pTempo,
    // DirectSound-style kinds
    pWetDryMix, pWaveform, pPhase, pThreshold, pRatio, pPredelay, pEdge, pPostEQCenter, pPostEQBandwidth,
    pPreLowpass, pLeftDelay, pRightDelay, pPanDelay, pRateHz, pWaveShape, pCenter, pBandwidth, pInGain,
    pReverbMix, pReverbTime, pHFRTRatio, pRoom, pRoomHF, pRolloff, pDecayTime, pDecayHFRatio,
    pReflections, pReflectionsDelay, pReverb, pReverbDelay, pDiffusion, pDensity, pHFReference, pPreset,
    pParamCount,
    pBand0 = 100,  // equalizer band b is pBand0 + b
};

// Where a block of samples sits in the stream, and the effect's time window (100 ns units; a window
// start of -1 means none).
struct Block {
    int64_t time = 0;
    int64_t windowStart = -1, windowStop = -1;
};

class Effect {
public:
    explicit Effect(Kind k) : kind_(k) {}
    virtual ~Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    Kind kind() const { return kind_; }
    // The stream format; may allocate. Clears the effect's state.
    virtual void Configure(int rate, int channels);
    // Forgets the past (a seek or flush).
    virtual void Reset() {}
    // In place, interleaved.
    virtual void Process(float* x, int frames, const Block& b) = 0;
    // Parameters: false when the kind has no such parameter.
    virtual bool Set(int param, int channel, double value);
    virtual double Get(int param, int channel) const;

    // Effects that change the stream's length (tempo) produce their output separately: Push takes
    // input, Pull hands out what is ready (up to cap frames), Drain finishes the pending input.
    virtual bool ChangesLength() const { return false; }
    virtual void Push(const float*, int) {}
    virtual int Pull(float*, int) { return 0; }
    virtual void Drain() {}
    virtual int Pending() const { return 0; }
    // Whether the effect's window covers this block (the chain tells length-changing effects).
    virtual void SetActive(bool) {}

protected:
    Kind kind_;
    int rate_ = 44100;
    int channels_ = 2;
};

// A new effect of the kind (None gives an effect that passes the sound on).
std::unique_ptr<Effect> CreateEffect(Kind k);
bool IsValidKind(int k);

// PCM sample types the chain reads and writes.
enum class SampleType { U8, S16, S24, S32, F32 };
int BytesPerSample(SampleType t);
// Conversions: to float in [-1, 1); back with rounding and saturation (never wrapping around).
void ToFloat(const void* in, SampleType t, size_t samples, float* out);
void FromFloat(const float* in, size_t samples, SampleType t, void* out);

// An ordered list of effects over one stream.
class Chain {
public:
    Chain();
    ~Chain();

    // The stream format; allocates. Resets every effect.
    void SetFormat(SampleType type, int rate, int channels);
    SampleType Type() const { return type_; }
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }

    // Appends an effect; its index is the count before the call.
    int Add(Kind k, bool enabled);
    int Count() const { return static_cast<int>(slots_.size()); }
    Effect* At(int index);
    Kind KindAt(int index) const;
    void SetEnabled(int index, bool enabled);
    bool Enabled(int index) const;
    // Time window in 100 ns units; start -1 (or stop <= start) means the whole stream.
    void SetWindow(int index, int64_t start, int64_t stop);
    void Clear();
    void Reset();

    // Runs the effects over frames of PCM in the chain's format starting at stream time `time`
    // (100 ns). Returns the number of output frames now held (it differs from `frames` only when a
    // length-changing effect runs); Read converts held frames to PCM and drops them.
    int Process(const void* pcm, int frames, int64_t time);
    // At the end of the stream: finishes what length-changing effects hold. Returns frames held.
    int Drain();
    int Held() const { return held_; }
    int Read(void* pcm, int maxFrames);
    // Whether any enabled effect changes the stream's length.
    bool ChangesLength() const;

private:
    struct Slot {
        std::unique_ptr<Effect> fx;
        bool enabled = true;
        int64_t start = -1, stop = -1;
        std::vector<float> scratch;  // output of a length-changing effect, one chunk
    };
    void RunBlock(float* a, int n, int64_t time, int fromSlot);
    void Append(const float* x, int n);
    void Ensure(std::vector<float>& v, size_t samples);

    std::vector<Slot> slots_;
    SampleType type_ = SampleType::F32;
    int rate_ = 44100, channels_ = 2;
    std::vector<float> work_, work2_, out_;
    int held_ = 0;
};

}  // namespace zrdsp
