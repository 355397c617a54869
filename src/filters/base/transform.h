// Transform filters: one input pin, one output pin.
//
// TZRTransformFilter copies: every input sample gets a new output buffer and Transform(in, out) fills
// it. TZRTransInPlaceFilter changes samples where they are: when the upstream filter delivers in the
// downstream allocator's buffers (it asked our input pin for an allocator after the output was
// connected) the same sample travels on; otherwise the data is copied into an output buffer first.
//
// Streaming: Receive, EndOfStream, flushing and NewSegment run under the receive lock; Stop
// decommits the allocators (which releases a Receive waiting for a buffer) before it takes the receive
// lock, so a stop never waits on a blocked stream.
#pragma once
#include "filters/base/pins.h"

namespace zrf {

class TZRTransformFilter : public TZRBaseFilter {
public:
    TZRTransformFilter(const CLSID& clsid, const wchar_t* name, const wchar_t* inName = L"Input",
                       const wchar_t* outName = L"Output");

    int GetPinCount() override { return 2; }
    TZRBasePin* GetPin(int index) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;

    // What a filter supplies.
    virtual HRESULT CheckInputType(const AM_MEDIA_TYPE& mt) = 0;
    virtual HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) = 0;
    // Output types; only asked while the input is connected.
    virtual HRESULT GetOutputType(int index, MediaType& mt) = 0;
    // Input types the filter prefers (offered to the upstream pin that connects); none by default.
    virtual HRESULT GetInputType(int, MediaType&) { return VFW_S_NO_MORE_ITEMS; }
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
    // Fills out from in; S_FALSE drops the sample. Times and flags are already copied, the actual
    // length is set to the input's (Transform may change it).
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out) = 0;
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }

    // Streaming steps; the defaults pass each on downstream.
    virtual HRESULT Receive(IMediaSample* in);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    TZRInputPin& InputPin() { return input_; }
    TZROutputPin& OutputPin() { return output_; }

protected:
    class TInPin final : public TZRInputPin {
    public:
        TInPin(TZRTransformFilter* f, const wchar_t* name) : TZRInputPin(f, name), owner_(f) {}
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override { return owner_->CheckInput(mt); }
        HRESULT OnReceive(IMediaSample* s) override { return owner_->Receive(s); }
        HRESULT GetMediaType(int index, MediaType& mt) override { return owner_->GetInputType(index, mt); }
        STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
        STDMETHODIMP EndOfStream() override;
        STDMETHODIMP BeginFlush() override;
        STDMETHODIMP EndFlush() override;
        STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
        STDMETHODIMP ReceiveCanBlock() override { return owner_->output_.DownstreamCanBlock(); }

    private:
        TZRTransformFilter* owner_;
    };
    class TOutPin final : public TZROutputPin {
    public:
        TOutPin(TZRTransformFilter* f, const wchar_t* name) : TZROutputPin(f, name), owner_(f) {}
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
        HRESULT GetMediaType(int index, MediaType& mt) override;
        HRESULT DecideBufferSize(IMemAllocator* a, ALLOCATOR_PROPERTIES* p) override { return owner_->DecideBufferSize(a, p); }
        HRESULT CheckConnect(IPin* peer) override;
        HRESULT CompleteConnect(IPin* peer) override;

    private:
        TZRTransformFilter* owner_;
    };
    friend class TInPin;
    friend class TOutPin;

    // The output pin has connected (allocator decided); a failure undoes the connection.
    virtual HRESULT CompleteOutputConnect(IPin*) { return S_OK; }
    // Input acceptance: CheckInputType, and for in-place filters also what downstream takes.
    virtual HRESULT CheckInput(const AM_MEDIA_TYPE& mt) { return CheckInputType(mt); }
    // The allocator the input pin offers upstream (default: its own).
    virtual HRESULT InputAllocator(IMemAllocator** allocator) { return input_.TZRInputPin::GetAllocator(allocator); }
    // Copies times, media times and flags of in to out.
    static void CopySampleProperties(IMediaSample* in, IMediaSample* out);

    CritSec receiveLock_;
    TInPin input_;
    TOutPin output_;
    bool streaming_ = false;
};

class TZRTransInPlaceFilter : public TZRTransformFilter {
public:
    TZRTransInPlaceFilter(const CLSID& clsid, const wchar_t* name) : TZRTransformFilter(clsid, name) {}

    // Changes the sample's data where it is.
    virtual HRESULT TransformInPlace(IMediaSample* sample) = 0;

    HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) override;
    HRESULT GetOutputType(int index, MediaType& mt) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT Receive(IMediaSample* in) override;

protected:
    HRESULT CheckInput(const AM_MEDIA_TYPE& mt) override;
    HRESULT InputAllocator(IMemAllocator** allocator) override;
};

}  // namespace zrf
