#include "filters/effectstages.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/datemask.h"
#include "core/pixels/blend.h"
#include "core/pixels/effects.h"
#include "core/pixels/keying.h"
#include "filters/logorender.h"

namespace zrf {

namespace {

using zr::pix::CZREffect;
using zr::pix::EffectState;
using zr::pix::Frame;

// Runs the effects of one kind in list order, each with its own state (kept per effect ID).
class TEffectListStage : public TZRFrameStage {
public:
    explicit TEffectListStage(bool cleanup) : cleanup_(cleanup) {}
    void Process(Frame& f, const TZRFrameContext& ctx) override {
        std::set<int32_t> seen;
        if (ctx.settings.effectsOn) {
            for (const TZREffectEntry& e : ctx.settings.effects) {
                const int32_t t = e.rec._type;
                if (zr::pix::IsLogoEffect(t) || zr::pix::IsCleanupEffect(t) != cleanup_) continue;
                seen.insert(e.rec.ID);
                if (!zr::pix::EffectActiveAt(e.rec, ctx.streamMs)) continue;
                zr::pix::ApplyEffect(f, e.rec, states_[e.rec.ID], zr::pix::EffectContext{ctx.frameIndex});
            }
        }
        for (auto it = states_.begin(); it != states_.end();) it = seen.count(it->first) ? std::next(it) : states_.erase(it);
    }
    void Reset() override { states_.clear(); }

private:
    bool cleanup_;
    std::map<int32_t, EffectState> states_;
};

// Text and picture logos, each drawn once into a picture and blended onto every frame of its window. A
// picture is drawn again when its record changes, when the date text it shows changes, or when the frame
// format or size changes.
class TLogoStage : public TZRFrameStage {
public:
    TLogoStage() : gdiplus_(GdiplusAddRef()) {}
    ~TLogoStage() override {
        if (gdiplus_) GdiplusRelease();
    }
    void Process(Frame& f, const TZRFrameContext& ctx) override {
        std::set<int32_t> seen;
        if (ctx.settings.effectsOn) {
            for (const TZREffectEntry& e : ctx.settings.effects) {
                if (!zr::pix::IsLogoEffect(e.rec._type)) continue;
                seen.insert(e.rec.ID);
                if (!zr::pix::EffectActiveAt(e.rec, ctx.streamMs)) continue;
                Cache& c = cache_[e.rec.ID];
                const bool text = e.rec._type == zr::pix::ef_text_logo;
                const std::wstring shown = text ? TextOf(e) : std::wstring();
                if (c.revision != e.revision || c.shown != shown || c.yuv != f.IsYuv() || c.frameW != f.width ||
                    c.frameH != f.height)
                    Render(c, e, shown, f);
                if (!c.overlay.Empty()) zr::pix::BlendOverlay(f, c.overlay, c.x, c.y);
            }
        }
        for (auto it = cache_.begin(); it != cache_.end();) it = seen.count(it->first) ? std::next(it) : cache_.erase(it);
    }
    void Reset() override { cache_.clear(); }

private:
    struct Cache {
        uint64_t revision = 0;
        std::wstring shown;
        bool yuv = false;
        int frameW = 0, frameH = 0;
        zr::pix::Overlay overlay;
        int x = 0, y = 0;
    };

    static std::wstring TextOf(const TZREffectEntry& e) {
        if (!e.rec.TextLogo.dateMode) return e.text;
        SYSTEMTIME st;
        GetLocalTime(&st);
        TDateTimeParts t;
        t.year = st.wYear;
        t.month = st.wMonth;
        t.day = st.wDay;
        t.hour = st.wHour;
        t.minute = st.wMinute;
        t.second = st.wSecond;
        t.millisecond = st.wMilliseconds;
        t.dayOfWeek = st.wDayOfWeek;
        // Milliseconds would re-draw the picture on every frame; the text shows them as they are then.
        return FormatDateMask(e.dateMask, t);
    }

    void Render(Cache& c, const TZREffectEntry& e, const std::wstring& shown, const Frame& f) {
        c.revision = e.revision;
        c.shown = shown;
        c.yuv = f.IsYuv();
        c.frameW = f.width;
        c.frameH = f.height;
        c.overlay = zr::pix::Overlay();
        if (!gdiplus_) return;
        TZRLogoPicture pic;
        const bool ok = e.rec._type == zr::pix::ef_text_logo
                            ? RenderTextLogo(e.rec.TextLogo, shown, e.fontName, pic)
                            : RenderPictureLogo(e.rec.GraphicLogo, e.fileName, f.width, f.height, pic);
        if (!ok) return;
        zr::pix::PrepareOverlay(pic.bgra.data(), pic.width, pic.height, static_cast<ptrdiff_t>(pic.width) * 4, pic.alpha,
                                c.yuv, c.overlay);
        c.x = pic.x;
        c.y = pic.y;
    }

    bool gdiplus_;
    std::map<int32_t, Cache> cache_;
};

// Chroma key against the background picture, scaled over the frame (loaded again when the file name, the
// frame format or the size changes). Without a picture keyed pixels turn black (see keying.h).
class TChromaStage : public TZRFrameStage {
public:
    TChromaStage() : gdiplus_(GdiplusAddRef()) {}
    ~TChromaStage() override {
        if (gdiplus_) GdiplusRelease();
    }
    void Process(Frame& f, const TZRFrameContext& ctx) override {
        const TZRChromaSettings& c = ctx.settings.chroma;
        if (!ctx.settings.chromaOn) return;
        if (!loaded_ || file_ != c.imageFile || format_ != f.format || width_ != f.width || height_ != f.height)
            Load(c.imageFile, f);
        zr::pix::ChromaKey(f, zr::pix::ChromaKeyParams{c.colour, c.contrastLow, c.contrastHigh},
                           background_.Empty() ? nullptr : &background_.frame);
    }
    void Reset() override { loaded_ = false; }

private:
    void Load(const std::wstring& file, const Frame& f) {
        loaded_ = true;
        file_ = file;
        format_ = f.format;
        width_ = f.width;
        height_ = f.height;
        background_ = zr::pix::OwnedFrame();
        if (file.empty() || !gdiplus_) return;
        zr::pix::CZRGraphicLogo g{};
        g.StretchMode = 0;  // over the whole frame
        TZRLogoPicture pic;
        if (!RenderPictureLogo(g, file, f.width, f.height, pic) || pic.width != f.width || pic.height != f.height) return;
        zr::pix::MakeOwnedFrame(f.format, pic.bgra.data(), pic.width, pic.height, static_cast<ptrdiff_t>(pic.width) * 4,
                                background_);
    }

    bool gdiplus_;
    bool loaded_ = false;
    std::wstring file_;
    zr::pix::PixFormat format_ = zr::pix::PixFormat::None;
    int width_ = 0, height_ = 0;
    zr::pix::OwnedFrame background_;
};

// Motion detection: every (interval + 1)-th frame is measured against the one measured before it; the
// report goes to the host after the frame's processing (no lock held). Highlight and dropping use the last
// measurement until the next one; frames before the first measurement are never dropped.
class TMotionStage : public TZRFrameStage {
public:
    void Process(Frame& f, const TZRFrameContext& ctx) override {
        pending_ = false;
        const TZRMotionSettings& m = ctx.settings.motion;
        if (!ctx.settings.motionOn) return;
        const uint32_t every = static_cast<uint32_t>(std::clamp(m.frameInterval, 0, 100000)) + 1;
        if (counter_++ % every == 0) {
            zr::pix::MotionParams p{m.red, m.green, m.blue, m.greyscale, m.matrixWidth, m.matrixHeight};
            if (detector_.Measure(f, p, matrix_, level_)) {
                pending_ = measured_ = true;
                cols_ = zr::pix::MotionCells(m.matrixWidth);
                rows_ = zr::pix::MotionCells(m.matrixHeight);
            }
        }
        if (!measured_) return;
        if (m.highlight) zr::pix::HighlightCells(f, matrix_.data(), cols_, rows_, m.highlightThreshold,
                                                 static_cast<uint32_t>(m.highlightColor));
        if (m.dropFrames && level_ < m.dropFramesThreshold) ctx.drop = true;
    }
    void AfterFrame(const Frame&, const TZRFrameContext& ctx) override {
        if (!pending_) return;
        pending_ = false;
        auto cb = reinterpret_cast<zr::pix::TZRMotionCallback>(ctx.settings.motion.callback);
        if (cb && !matrix_.empty())
            cb(ctx.settings.app, matrix_.data(), static_cast<int32_t>(matrix_.size()), level_);
    }
    void Reset() override {
        detector_.Reset();
        counter_ = 0;
        measured_ = pending_ = false;
    }

private:
    zr::pix::MotionDetector detector_;
    std::vector<uint8_t> matrix_;
    int level_ = 0, cols_ = 1, rows_ = 1;
    uint32_t counter_ = 0;
    bool measured_ = false, pending_ = false;
};

// Every frame that goes on downstream reaches the host as a bottom-up 24-bit DIB (the buffer is reused from
// frame to frame), with its start and stop in milliseconds of stream time.
class THostFrameStage : public TZRFrameStage {
public:
    void Process(Frame&, const TZRFrameContext&) override {}
    void AfterFrame(const Frame& f, const TZRFrameContext& ctx) override {
        auto cb = reinterpret_cast<zr::pix::TZRVideoFrameCallback>(ctx.settings.frameCallback);
        if (!ctx.settings.grabberOn || !cb || ctx.drop) return;
        const size_t bytes = zr::pix::FrameBytes(zr::pix::PixFormat::RGB24, f.width, f.height);
        if (bytes == 0 || bytes > 0x7FFFFFFF) return;
        if (dib_.size() != bytes) dib_.assign(bytes, 0);
        zr::pix::ToBgr24BottomUp(f, dib_.data());
        const int64_t start = ctx.hasTime ? ctx.streamMs : 0, stop = ctx.hasTime ? ctx.streamStopMs : 0;
        cb(ctx.settings.app, nullptr, dib_.data(), static_cast<int32_t>(bytes), f.width, f.height,
           static_cast<int32_t>(start), static_cast<int32_t>(start >> 32), static_cast<int32_t>(stop),
           static_cast<int32_t>(stop >> 32), nullptr);
    }

private:
    std::vector<uint8_t> dib_;
};

}  // namespace

std::vector<std::unique_ptr<TZRFrameStage>> MakeStages() {
    std::vector<std::unique_ptr<TZRFrameStage>> s;
    s.push_back(std::make_unique<TEffectListStage>(true));   // deinterlacers and denoisers
    s.push_back(std::make_unique<TEffectListStage>(false));  // colour and geometry effects
    s.push_back(std::make_unique<TChromaStage>());
    s.push_back(std::make_unique<TLogoStage>());
    s.push_back(std::make_unique<TMotionStage>());
    s.push_back(std::make_unique<THostFrameStage>());
    return s;
}

}  // namespace zrf
