// Denoisers and deinterlacers. Each works on one plane (every byte channel alike) and may keep the previous
// frame's plane in a history the caller owns between frames (one per plane and effect).
#pragma once
#include <cstdint>
#include <vector>

#include "core/pixels/frame.h"

namespace zr::pix {

// The previous frame of one plane, packed (width * bpp bytes a row). Empty until the first frame, and
// dropped when the plane's size changes.
struct PlaneHistory {
    std::vector<uint8_t> data;
    int width = 0, height = 0, bpp = 0;
    bool Matches(const Plane& p) const {
        return !data.empty() && width == p.width && height == p.height && bpp == p.bpp;
    }
    void Store(const Plane& p);
    const uint8_t* Row(int y) const { return data.data() + static_cast<size_t>(width) * bpp * static_cast<size_t>(y); }
};

// 3x3 Gaussian (1 2 1 / 2 4 2 / 1 2 1) of the neighbours that differ by at most t from the centre; the others
// count as the centre. Edges repeat the border elements. src is packed (width * bpp bytes a row); dst rows are dstStride apart.
void SelectiveSmooth(const uint8_t* src, int width, int height, int bpp, int t, uint8_t* dst, ptrdiff_t dstStride);
// Scalar reference of one element of SelectiveSmooth (for tests of the vector path).
uint8_t SelectiveSmoothAt(const uint8_t* src, int width, int height, int bpp, int x, int y, int c, int t);

// Adaptive denoise: SelectiveSmooth with threshold t, once (blurMode 0) or twice (any other value).
void DenoiseAdaptive(const Plane& p, int t, int blurMode, std::vector<uint8_t>& scratch);
// Mosquito noise: smooths (t = 12) only the blocks of block x block elements that hold an edge (a range of
// values above 48), where ringing shows.
void DenoiseMosquito(const Plane& p, int block, std::vector<uint8_t>& scratch);

struct CastParams {
    int temporalDifference, motionPixels, strongEdge, blockWidth, blockHeight, edgeWeight, nonEdgeWeight,
        gaussianThreshold, historyWeight;
};
// Spatial smoothing (weights: the original element keeps edgeWeight/256 on strong edges, nonEdgeWeight/256
// elsewhere), then in each block without motion against the previous output a blend with it (historyWeight
// / 256 of the history). The history holds the previous output.
void DenoiseCast(const Plane& p, const CastParams& c, PlaneHistory& history, std::vector<uint8_t>& scratch);

// Blend deinterlace: an element that combs against the rows above and below ((b - a) * (b - c) > t1) and,
// when t2 > 0, also moved by more than t2 since the previous frame, becomes w1 * b + w2 * (a + c)
// (w1 + 2 * w2 = 1). The history holds the previous input.
void DeinterlaceBlend(const Plane& p, int t1, int t2, double w1, double w2, PlaneHistory& history,
                      std::vector<uint8_t>& scratch);
// Triangle: every row becomes (above + weight * row + below) / (weight + 2).
void DeinterlaceTriangle(const Plane& p, int weight, std::vector<uint8_t>& scratch);
// Motion adaptive: the rows of the second field (odd rows) are interpolated from the rows around them
// where they moved by more than t since the previous frame or comb; elsewhere both fields are woven. The
// history holds the previous input.
void DeinterlaceCavt(const Plane& p, int t, PlaneHistory& history, std::vector<uint8_t>& scratch);

}  // namespace zr::pix
