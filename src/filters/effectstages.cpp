#include "filters/effectstages.h"

#include <map>
#include <set>

#include "core/datemask.h"
#include "core/pixels/blend.h"
#include "core/pixels/effects.h"
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

}  // namespace

std::vector<std::unique_ptr<TZRFrameStage>> MakeStages() {
    std::vector<std::unique_ptr<TZRFrameStage>> s;
    s.push_back(std::make_unique<TEffectListStage>(true));   // deinterlacers and denoisers
    s.push_back(std::make_unique<TEffectListStage>(false));  // colour and geometry effects
    // chroma key goes here
    s.push_back(std::make_unique<TLogoStage>());
    // motion detection, then frame delivery to the host, go here
    return s;
}

}  // namespace zrf
