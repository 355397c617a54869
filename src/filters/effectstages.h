// The per-frame pipeline of the video effects filter.
//
// The filter keeps its settings (the effect list and the switches and parameters of every component) in an
// immutable snapshot: every interface call builds a new snapshot under a short lock and swaps it in, and
// the streaming thread takes the current one at the start of each frame. A frame therefore never sees a
// record half written, and no lock is held while a frame is processed.
//
// A frame runs through the stages in order. Process runs under the filter's receive lock and changes the
// frame in place; AfterFrame runs for every stage once all Process calls are done, with no lock held and
// before the frame is delivered downstream: that is where a stage calls back into the host.
//
// Stages, in order: cleanup (deinterlacers, denoisers), effects (colour and geometry), chroma key, logos
// (text and picture), motion detection, frame delivery to the host. To add one: derive from TZRFrameStage, read what it
// needs from the snapshot (add fields to TZREffectSettings and fill them in the filter's interface
// methods), and insert it in MakeStages at its place in the order.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/pixels/effect_record.h"
#include "core/pixels/frame.h"

namespace zrf {

// One effect as the filter keeps it: the record (its string pointers cleared) and copies of its texts.
struct TZREffectEntry {
    zr::pix::CZREffect rec{};
    std::wstring text, fontName, dateMask, fileName;
    uint64_t revision = 0;  // new for every add or update: caches of rendered logos compare it
};

struct TZRMotionSettings {
    void* callback = nullptr;  // TZRMotionCallback
    bool highlight = false;
    int32_t highlightColor = 0, highlightThreshold = 25;
    int32_t matrixWidth = 8, matrixHeight = 8;
    bool dropFrames = false;
    int32_t dropFramesThreshold = 5, frameInterval = 0;
    bool red = false, green = false, blue = false, greyscale = true;
};

struct TZRChromaSettings {
    int32_t contrastLow = 110, contrastHigh = 70;
    int32_t colour = 1;  // TZRChromaColor: 0 red, 1 green, 2 blue
    std::wstring imageFile;
};

struct TZREffectSettings {
    std::vector<TZREffectEntry> effects;  // in the order they were added
    bool effectsOn = true, motionOn = false, chromaOn = false, grabberOn = false;
    void* app = nullptr;      // handed back to the callbacks
    int32_t appWindow = 0;
    void* frameCallback = nullptr;   // TZRVideoFrameCallback
    void* secondCallback = nullptr;
    TZRMotionSettings motion;
    TZRChromaSettings chroma;
};

struct TZRFrameContext {
    const TZREffectSettings& settings;
    int64_t streamMs = 0;  // stream time of the frame's start
    int64_t streamStopMs = 0;  // and of its end
    REFERENCE_TIME start = 0, stop = 0;  // the sample's own times (100 ns, relative to its segment)
    bool hasTime = false;
    uint32_t frameIndex = 0;  // frames since streaming started
    // Set by a stage's Process: the frame goes no further (neither to the host nor downstream).
    mutable bool drop = false;
};

class TZRFrameStage {
public:
    virtual ~TZRFrameStage() = default;
    virtual void Process(zr::pix::Frame& frame, const TZRFrameContext& ctx) = 0;
    virtual void AfterFrame(const zr::pix::Frame&, const TZRFrameContext&) {}
    // Streaming starts again: forget what earlier frames left.
    virtual void Reset() {}
};

std::vector<std::unique_ptr<TZRFrameStage>> MakeStages();

}  // namespace zrf
