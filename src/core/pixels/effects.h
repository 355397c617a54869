// What each effect does to a frame, decided here once for the filter and the tests.
//
// Time window: StartTime and StopTime are milliseconds of stream time (the position the player shows: the
// sample's start time plus the start of its segment). An effect applies to a frame whose start lies in
// [StartTime, StopTime); a StopTime of 0 or less leaves the window open at the end, so (0, 0) means always.
//
// Amount is the record's pAmountD (pAmountI when that is 0). Where an effect has a strength, Amount is a
// percentage (clamped to 0..100) and 0 means the default given below. The nine Video_Effect_Ex keys:
//   MIN, MAX    colour and noise effects: afterwards every RGB channel is clamped into [MIN, MAX]
//               when 0 <= MIN < MAX <= 255
//   SIZE        blur radius, mosaic tile size, spray radius (wins over Amount when > 0)
//   SEAM        mosaic: width of the dark joints between the tiles
//   STYLE       mosaic: 0 tile mean, 1 tile's top-left pixel; blur: 0 box, 1 horizontal, 2 vertical
//   SCALE       marble: size of the veins in pixels (default 24)
//   TURBULENCE  marble: displacement in pixels (default Amount, else 8)
//   FACTOR      shake: period in frames (default 6)
//   INFERENCE   noise and spray: percentage of the pixels touched (default 100)
//
//   ef_red / ef_green / ef_blue           keeps that channel; the others are scaled by 1 - s (s = Amount %,
//                                         default 100: the channel alone)
//   ef_filter_red / _green / _blue        colour filter: the other channels scaled by 1 - s/2 (default s 100)
//   ef_filter_red2 / _green2 / _blue2     tinted monochrome: luma in that channel, luma * (1 - s/2) in the
//                                         others (default s 100)
//   ef_greyscale                          c + s (luma - c) (default s 100)
//   ef_invert                             c + s (255 - 2c) (default s 100: 255 - c)
//   ef_lightness / ef_darkness            c + Amount / c - Amount (levels, default 64)
//   ef_contrast                           (c - 128) k + 128 with k = 1 + Amount / 100 (default Amount 50)
//   ef_saturation                         chroma scaled by k = 1 + Amount / 100 (default Amount 100)
//   ef_posterize                          Amount levels per channel (2..64, default 4)
//   ef_solorize                           channels at or above Amount inverted (default 128)
//   ef_color_noise / ef_mono_noise        uniform noise of +-Amount (default 32) per channel / same for all
//   ef_blur                               box blur of radius SIZE, else Amount, else 3 (at most 64)
//   ef_mosaic                             tiles of SIZE, else Amount, else 16 pixels (2..256)
//   ef_marble                             smooth random displacement (SCALE, TURBULENCE), fixed per effect ID
//   ef_spray                              each pixel taken from a random neighbour within SIZE, else Amount,
//                                         else 4 pixels; a new pattern every frame
//   ef_shake_down                         picture moved down by A (1 - cos(2 pi n / FACTOR)) / 2 rows, n the
//                                         frame number, A = Amount, else 8
//   ef_flip_down / ef_flip_right          upside down / left to right
//   ef_mirror_down / ef_mirror_right      top half reflected into the bottom / left half into the right
//   ef_denoise_adaptive                   3x3 selective Gaussian, threshold pDenoiseAdaptiveThreshold (default
//                                         10), twice when pDenoiseAdaptiveBlurMode is not 0
//   ef_denoise_mosquito                   the same smoothing (threshold 12) in 8x8 blocks that hold an edge
//   ef_denoise_cast                       the ten DenoiseCAST parameters (all zero: 16, 0, 8, 4, 4, 128, 16,
//                                         12, 6, 192); thresholds in 0..255 steps, weights in 1/256
//   ef_deint_blend                        DeintBlend: comb threshold (default 64), motion threshold (0: none),
//                                         centre and neighbour line weights (default 0.5, 0.25)
//   ef_deint_triangle                     (above + w row + below) / (w + 2), w = pDeintTriangleWeight (0: 2)
//   ef_deint_cavt                         odd rows interpolated where they moved more than
//                                         pDeintCAVTThreshold (0: 10) or comb
// Text and picture logos are drawn by the filter (blend.h holds their blending).
#pragma once
#include <cstdint>
#include <vector>

#include "core/pixels/effect_record.h"
#include "core/pixels/filters.h"
#include "core/pixels/frame.h"

namespace zr::pix {

// What one effect keeps from frame to frame.
struct EffectState {
    PlaneHistory history[3];
    std::vector<uint8_t> scratch;
    void Reset() {
        for (auto& h : history) h = PlaneHistory();
    }
};

struct EffectContext {
    uint32_t frameIndex = 0;  // frames since streaming started
};

bool EffectActiveAt(const CZREffect& e, int64_t streamMs);
bool IsLogoEffect(int32_t type);
// Denoisers and deinterlacers: they run before the other effects.
bool IsCleanupEffect(int32_t type);

// Applies one effect (any kind but the logos) to the frame. Unknown types change nothing.
void ApplyEffect(Frame& f, const CZREffect& e, EffectState& state, const EffectContext& ctx);

}  // namespace zr::pix
