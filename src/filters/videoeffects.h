// The video effects filter ("Zirez Ureroro Daz"): a transform with one video input and one video output of
// the same media type, applying the effect list, logos, denoisers and deinterlacers to every frame (and,
// through the same pipeline, chroma key, motion detection and frame delivery to the host).
//
// Formats: RGB24, RGB32 (and ARGB32, alpha untouched), I420/IYUV, YV12 and NV12 with a VIDEOINFOHEADER or
// VIDEOINFOHEADER2; bottom-up and top-down RGB. The output keeps the input's subtype and size; its rows may
// be laid out differently (stride, orientation) when downstream asks so. Each frame is copied once from the
// input buffer into the output buffer and worked on there in its own format.
//
// When downstream takes none of the input's layout (the classic renderer takes no YUV) the output also
// offers the other types the upstream pin offers; connecting with one of them reconnects the input with
// the same type, so input and output stay alike.
//
// Threads: the interfaces may be called from any thread at any time, also while frames flow; see
// effectstages.h for how settings reach the streaming thread.
#pragma once
#include <memory>
#include <vector>

#include "core/pixels/frame.h"
#include "filters/base/transform.h"
#include "filters/effectstages.h"
#include "filters/zreffects.h"

namespace zrf {

// How a media type lays its frames out; false for a type the filter does not take.
struct TZRFrameFormat {
    zr::pix::PixFormat format = zr::pix::PixFormat::None;
    int width = 0, height = 0;
    ptrdiff_t stride = 0;  // bytes per row of the RGB or luma plane
    bool bottomUp = false;
    size_t bytes = 0;
};
bool FrameFormatOf(const AM_MEDIA_TYPE& mt, TZRFrameFormat& out);

class TZRVideoEffects final : public TZRTransformFilter,
                              public IZREffectsPro,
                              public IZREffects45,
                              public IZRMotDetConfig,
                              public IZRChromaKey {
public:
    static HRESULT CreateInstance(REFIID iid, void** ppv);
    TZRVideoEffects();
    ~TZRVideoEffects() override;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return TZRBaseFilter::QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return TZRBaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TZRBaseFilter::Release(); }

    // IZREffectsPro
    STDMETHODIMP SetEnabledComponents(BOOL effects, BOOL motionDetection, BOOL chromaKey, BOOL sampleGrabber) override;
    STDMETHODIMP SetSGCallback24(void* callback) override;
    STDMETHODIMP SetSecondCallback(void* callback) override;
    STDMETHODIMP SetAppHandle(void* app) override;  // also IZRMotDetConfig's
    STDMETHODIMP SetAppHandleID(int32_t window) override;
    // IZREffects45
    STDMETHODIMP AddVideoEffect(CZREffect effect) override;
    STDMETHODIMP UpdateVideoEffect(CZREffect effect) override;
    STDMETHODIMP RemoveVideoEffect(int32_t id) override;
    STDMETHODIMP ClearVideoEffects() override;
    // IZRMotDetConfig
    STDMETHODIMP SetMotionCallback(void* callback) override;
    STDMETHODIMP SetHighlightEnabled(BOOL enabled) override;
    STDMETHODIMP SetHighlightColor(int32_t colour) override;
    STDMETHODIMP SetHighlightThreshold(int32_t threshold) override;
    STDMETHODIMP SetMatrixWidth(int32_t width) override;
    STDMETHODIMP SetMatrixHeight(int32_t height) override;
    STDMETHODIMP SetDropFramesEnabled(BOOL enabled) override;
    STDMETHODIMP SetDropFramesThreshold(int32_t threshold) override;
    STDMETHODIMP SetFrameInterval(int32_t interval) override;
    STDMETHODIMP SetCompareChannels(BOOL red, BOOL green, BOOL blue, BOOL greyscale) override;
    // IZRChromaKey
    STDMETHODIMP SetContrast(int32_t low, int32_t high) override;
    STDMETHODIMP SetColor(int32_t colour) override;
    STDMETHODIMP SetImageFilename(const wchar_t* fileName) override;

    // The settings the next frame will use.
    std::shared_ptr<const TZREffectSettings> Settings();

    // Transform filter
    HRESULT CheckInputType(const AM_MEDIA_TYPE& mt) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) override;
    HRESULT GetOutputType(int index, MediaType& mt) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT Receive(IMediaSample* in) override;
    HRESULT StartStreaming() override;

protected:
    HRESULT CompleteOutputConnect(IPin* peer) override;
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv) override;

private:
    // Builds the next settings from the current ones and publishes them.
    template <class F>
    HRESULT Change(F&& f);
    HRESULT RunStages(IMediaSample* in, IMediaSample* out, zr::pix::Frame& frame, bool& haveFrame);
    // The types the upstream pin offers that the filter takes, other than the input's current subtype.
    std::vector<MediaType> OtherUpstreamTypes();

    CritSec settingsLock_;
    std::shared_ptr<const TZREffectSettings> settings_;
    uint64_t nextRevision_ = 1;
    // Streaming thread only.
    std::vector<std::unique_ptr<TZRFrameStage>> stages_;
    TZRFrameFormat outFormat_;
    bool outFormatValid_ = false;
    uint32_t frameIndex_ = 0;
    std::shared_ptr<const TZREffectSettings> frameSettings_;
    TZRFrameContext* frameContext_ = nullptr;
};

}  // namespace zrf
