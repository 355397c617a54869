// Constructors of the effect kinds (one per family; see dsp.h for the units).
#pragma once
#include <memory>

#include "core/dsp/dsp.h"

namespace zrdsp {

std::unique_ptr<Effect> MakeAmplify();
std::unique_ptr<Effect> MakeFades();
std::unique_ptr<Effect> MakeChannelOrder();
std::unique_ptr<Effect> MakeDownMix();
std::unique_ptr<Effect> MakePhaseInvert();
std::unique_ptr<Effect> MakeSound3D();
std::unique_ptr<Effect> MakeBandPass();
std::unique_ptr<Effect> MakeCutoffFilter(Kind k);  // HighPass, LowPass, Notch
std::unique_ptr<Effect> MakeParametricEq();
std::unique_ptr<Effect> MakeDmoParamEq();
std::unique_ptr<Effect> MakeShelf(Kind k);  // TrebleEnhancer, TrueBass
std::unique_ptr<Effect> MakeGargle();
std::unique_ptr<Effect> MakeEchoDelay();
std::unique_ptr<Effect> MakeDmoEcho();
std::unique_ptr<Effect> MakeFlanger();
std::unique_ptr<Effect> MakePhaser();
std::unique_ptr<Effect> MakeModDelay(Kind k);  // DMOChorus, DMOFlanger
std::unique_ptr<Effect> MakeDynamicAmplify();
std::unique_ptr<Effect> MakeCompressor();
std::unique_ptr<Effect> MakeDistortion();
std::unique_ptr<Effect> MakeI3DL2Reverb();
std::unique_ptr<Effect> MakeWavesReverb();
std::unique_ptr<Effect> MakeEqualizer();
std::unique_ptr<Effect> MakePitchScale();
std::unique_ptr<Effect> MakePitchShift();
std::unique_ptr<Effect> MakeTempo();

// The I3DL2 reverb's presets by position in the player's alphabetical list ("Alley" .. "None").
struct I3DL2Params {
    double room, roomHF, rolloff, decayTime, decayHFRatio, reflections, reflectionsDelay, reverb, reverbDelay,
        diffusion, density, hfReference;
};
const I3DL2Params* I3DL2Preset(int position);

}  // namespace zrdsp
