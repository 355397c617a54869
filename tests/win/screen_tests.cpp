// The renderer wrapper on the platform's real renderers, with real graphs and pictures read back from
// the screen. The test clip is 320x240 with four flat quadrants: red top left, green top right, blue
// bottom left, white bottom right.
#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>
#include <evr.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "graph/comptr.h"
#include "graph/graphutil.h"
#include "graph/guids.h"
#include "testutil.h"
#include "video/dsscreen.h"

namespace {

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// Collects what a wrapper reports through its error hook.
struct ErrorLog {
    std::vector<std::wstring> texts;
    void Attach(TDSScreen& s)
    {
        s.FOnError.Set([](void* ctx, const wchar_t* t) { static_cast<ErrorLog*>(ctx)->texts.push_back(t ? t : L"?"); },
                       this);
    }
    int Count(const wchar_t* t) const
    {
        int n = 0;
        for (const auto& x : texts)
            n += (x == t);
        return n;
    }
    std::string Joined() const
    {
        std::string r;
        for (const auto& x : texts)
            r += "[" + Narrow(x) + "]";
        return r;
    }
};

// Colour classes of some client points of a window, as a string ("RGBW").
std::string Classes(HWND hwnd, const std::vector<POINT>& pts)
{
    return ClientColours(hwnd, pts);
}

// Waits (pumping messages) until the points show the wanted classes; returns what they show.
std::string WaitClasses(HWND hwnd, const std::vector<POINT>& pts, const std::string& want, DWORD ms = 4000)
{
    std::string got;
    PumpUntil([&] { return (got = Classes(hwnd, pts)) == want; }, ms);
    return got;
}

// A playback graph built the way the player builds one: filter graph and capture graph builder, the
// file's source filter, the wrapper's renderer, then the render step from source to renderer. The
// wrapper belongs to the playback; everything is stopped and released at the end of the test.
class Playback {
public:
    Playback() : screen(std::make_unique<TDSScreen>()) {}
    ~Playback() { Teardown(); }

    bool CreateGraph()
    {
        return SUCCEEDED(CreateInstance(CLSID_FilterGraph, graph)) && SUCCEEDED(graph.As(graph2)) &&
               SUCCEEDED(CreateInstance(CLSID_CaptureGraphBuilder2, builder)) &&
               SUCCEEDED(builder->SetFiltergraph(graph2.Get())) && SUCCEEDED(graph.As(control));
    }
    bool AddSource(const wchar_t* file)
    {
        return SUCCEEDED(graph2->AddSourceFilter(MediaPath(file).c_str(), L"SRC", source.Put()));
    }
    // Graph, source, renderer and the render step; then the update the player makes before running.
    bool Build(const wchar_t* file)
    {
        if (!CreateGraph() || !AddSource(file))
            return false;
        screen->Init_Renderer(graph2.Get(), 2);
        if (!screen->pVideoRenderer)
            return false;
        rendered = RenderStreamThrough(builder.Get(), source.Get(), nullptr, screen->pVideoRenderer.Get(),
                                       screen->pVideoRenderer.Get());
        screen->Update_Renderer(graph2.Get());
        return rendered;
    }
    // Runs the graph and makes the update the player makes after running.
    bool Run()
    {
        HRESULT hr = control->Run();
        PumpFor(50);
        screen->Update_Renderer(graph2.Get());
        return SUCCEEDED(hr);
    }
    // Starts the (video-only) clip again from its first frame, so a stage always has frames coming.
    void Restart()
    {
        ComPtr<IMediaSeeking> seeking;
        if (SUCCEEDED(graph.As(seeking))) {
            LONGLONG zero = 0;
            seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        }
    }
    void Update() { screen->Update_Renderer(graph2.Get()); }
    void Teardown()
    {
        if (control)
            control->Stop();
        if (screen) {
            screen->ClearVideoWindow();
            screen->Clear();
            screen.reset();
        }
        control = nullptr;
        source = nullptr;
        builder = nullptr;
        graph2 = nullptr;
        graph = nullptr;
        PumpFor(50);
    }

    std::unique_ptr<TDSScreen> screen;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IFilterGraph2> graph2;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IMediaControl> control;
    ComPtr<IBaseFilter> source;
    bool rendered = false;
};

// A top-level host window kept above other windows, in the lower right of the display (test programs
// may share the display; picture checks read the screen).
HWND TopHost(int w, int h)
{
    const int x = std::max(0, GetSystemMetrics(SM_CXSCREEN) - 24 - w);
    const int y = std::max(0, GetSystemMetrics(SM_CYSCREEN) - 28 - h);
    HWND hwnd = CreateHostWindow(x, y, w, h);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(20);
    return hwnd;
}

struct Window {
    HWND hwnd = nullptr;
    explicit Window(HWND h) : hwnd(h) {}
    ~Window()
    {
        if (hwnd)
            DestroyWindow(hwnd);
        PumpFor(20);
    }
};

// --- Classic Video Renderer: the only renderer that draws into a child window of the host.

TEST(Screen, ClassicRendererLetterboxesStretchesAndZoomsInAChildWindow)
{
    Window top(TopHost(520, 280));
    Window child(CreateHostWindow(20, 20, 480, 240, top.hwnd));
    Playback pb;
    TDSScreen& s = *pb.screen;
    ErrorLog log;
    log.Attach(s);
    s.Renderer = VR_VideoRenderer;
    s.ScreenHandle = child.hwnd;
    s.width = 480;
    s.height = 240;
    ASSERT_TRUE(pb.Build(L"videoonly.avi"));
    ASSERT_TRUE(pb.Run());
    EXPECT_EQ(s.VideoInWidth, 320);  // read from the renderer while unknown
    EXPECT_EQ(s.VideoInHeight, 240);
    OAHWND owner = 0;
    ASSERT_TRUE(s.pVideoWindow);
    EXPECT_TRUE(SUCCEEDED(s.pVideoWindow->get_Owner(&owner)) && owner == reinterpret_cast<OAHWND>(child.hwnd));

    // 320x240 fitted into 480x240 sits at (80, 0, 400, 240); the host's white background shows left
    // and right of it. Points: left bar, the four quadrants, right bar.
    const std::vector<POINT> pts = {{40, 40}, {120, 40}, {360, 40}, {120, 200}, {360, 200}, {440, 40}};
    EXPECT_EQ(WaitClasses(child.hwnd, pts, "WRGBWW"), "WRGBWW");
    // The renderer's window is a plain child: no caption or frame of its own over the picture's edges.
    long style = 0;
    ASSERT_HRESULT_SUCCEEDED(s.pVideoWindow->get_WindowStyle(&style));
    EXPECT_EQ(style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME), WS_CHILD);
    EXPECT_EQ(ClientColours(child.hwnd, {{82, 2}, {397, 2}, {82, 237}, {397, 237}}), "RGBW");
    s.Stretch = true;  // the whole window, the picture's shape ignored
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(child.hwnd, pts, "RRGBWG"), "RRGBWG");

    // Zoom 50 % moved by (-80, 0) shows the source rectangle (0, 60, 160, 180): the left half of the
    // frame, red over blue; moved by (80, 0) the right half, green over white. (Rectangles symmetric
    // about the frame's middle row: this platform's classic renderer takes the source top from the
    // bottom of the frame, see the check after.)
    s.Stretch = false;
    s.Screen_Zoom_Ratio = 50;
    s.Screen_Zoom_ShiftX = -80;
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(child.hwnd, pts, "WRRBBW"), "WRRBBW");
    s.Screen_Zoom_ShiftX = 80;
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(child.hwnd, pts, "WGGWWW"), "WGGWWW");
    // The renderer holds exactly the zoomed rectangle, here (80, 0, 240, 120) for a shift of (0, -60).
    s.Screen_Zoom_ShiftX = 0;
    s.Screen_Zoom_ShiftY = -60;
    pb.Update();
    ComPtr<IBasicVideo> bv;
    ASSERT_HRESULT_SUCCEEDED(s.pVideoRenderer->QueryInterface(IID_IBasicVideo, bv.PutVoid()));
    long l = 0, t = 0, w = 0, h = 0;
    ASSERT_HRESULT_SUCCEEDED(bv->GetSourcePosition(&l, &t, &w, &h));
    EXPECT_EQ(l, 80);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 120);
    // A negative ratio leaves the classic renderer's source rectangle as it was.
    s.Screen_Zoom_Ratio = -1;
    s.Screen_Zoom_ShiftX = 80;
    pb.Update();
    ASSERT_HRESULT_SUCCEEDED(bv->GetSourcePosition(&l, &t, &w, &h));
    EXPECT_EQ(l, 80);
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 120);
    // Zoom 0 is the whole frame again.
    s.Screen_Zoom_Ratio = 0;
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(child.hwnd, pts, "WRGBWW"), "WRGBWW");

    EXPECT_TRUE(log.texts.empty()) << log.Joined();

    // Teardown hides the renderer's window and takes it away from the host.
    ComPtr<IVideoWindow> vw = s.pVideoWindow;
    pb.control->Stop();
    s.ClearVideoWindow();
    long visible = OATRUE;
    EXPECT_TRUE(SUCCEEDED(vw->get_Visible(&visible)) && visible == OAFALSE);
    EXPECT_TRUE(SUCCEEDED(vw->get_Owner(&owner)) && owner == 0);
}

// --- VMR-9 windowless: drawn with Direct3D, visible on a top-level window.

TEST(Screen, Vmr9ShowsAndZoomsOnATopLevelWindow)
{
    Window host(TopHost(400, 300));
    Playback pb;
    TDSScreen& s = *pb.screen;
    ErrorLog log;
    log.Attach(s);
    s.Renderer = VR_VMR9;
    s.ScreenHandle = host.hwnd;
    s.width = 400;
    s.height = 300;
    // A border colour a renderer may not support must not stop the picture from being placed.
    s.FBorderColor = RGB(255, 0, 255);
    ASSERT_TRUE(pb.Build(L"videoonly.avi"));
    ASSERT_TRUE(s.pVMRWindowlessControl);
    ASSERT_TRUE(pb.Run());
    const std::vector<POINT> pts = {{50, 50}, {350, 50}, {50, 250}, {350, 250}};
    EXPECT_EQ(WaitClasses(host.hwnd, pts, "RGBW"), "RGBW");
    EXPECT_EQ(s.VideoInWidth, 320);
    EXPECT_EQ(s.VideoInHeight, 240);

    // Zoom 25 % keeps the middle of the frame: source (40, 30, 280, 210) into the whole window.
    RECT src = {}, dst = {};
    s.Screen_Zoom_Ratio = 25;
    pb.Update();
    ASSERT_HRESULT_SUCCEEDED(s.pVMRWindowlessControl->GetVideoPosition(&src, &dst));
    EXPECT_EQ(src.left, 40);
    EXPECT_EQ(src.top, 30);
    EXPECT_EQ(src.right, 280);
    EXPECT_EQ(src.bottom, 210);
    EXPECT_EQ(dst.left, 0);
    EXPECT_EQ(dst.top, 0);
    EXPECT_EQ(dst.right, 400);
    EXPECT_EQ(dst.bottom, 300);

    // Zoom 50 % moved to one corner of the frame fills the window with one quadrant.
    s.Screen_Zoom_Ratio = 50;
    s.Screen_Zoom_ShiftX = -80;
    s.Screen_Zoom_ShiftY = -60;
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(host.hwnd, pts, "RRRR"), "RRRR");
    s.Screen_Zoom_ShiftX = 80;
    s.Screen_Zoom_ShiftY = 60;
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(host.hwnd, pts, "WWWW"), "WWWW");
    ASSERT_HRESULT_SUCCEEDED(s.pVMRWindowlessControl->GetVideoPosition(&src, &dst));
    EXPECT_EQ(src.left, 160);
    EXPECT_EQ(src.top, 120);
    EXPECT_EQ(src.right, 320);
    EXPECT_EQ(src.bottom, 240);
    EXPECT_EQ(dst.right, 400);
    EXPECT_EQ(dst.bottom, 300);

    // A negative ratio shows the whole frame.
    s.Screen_Zoom_Ratio = -5;
    pb.Update();
    pb.Restart();
    EXPECT_EQ(WaitClasses(host.hwnd, pts, "RGBW"), "RGBW");
    EXPECT_TRUE(log.texts.empty()) << log.Joined();
}

// Aspect-ratio override, the renderer's own letterboxing and stretch. The shape is set before the
// first frame: this renderer leaves what it does not cover as it was, so bars show the untouched
// (black) surface.
TEST(Screen, Vmr9AspectOverrideLetterboxAndStretch)
{
    const struct {
        const char* what;
        int w, h;
        bool override_, stretch;
        int x, y;
        std::vector<POINT> pts;
        const char* want;
    } cases[] = {
        // 16:9 in 400x300 puts the picture into (0, 38, 400, 263): bars above and below.
        {"override 16:9", 400, 300, true, false, 16, 9, {{100, 15}, {100, 60}, {300, 60}, {100, 240}, {300, 240}, {100, 285}},
         "KRGBWK"},
        // Override 1:1 means the native shape: 4:3 in 480x270 sits at (60, 0, 420, 270).
        {"override 1:1", 480, 270, true, false, 1, 1, {{30, 135}, {100, 50}, {380, 50}, {100, 220}, {380, 220}, {450, 135}},
         "KRGBWK"},
        // Without override the renderer letterboxes the native shape itself.
        {"letterbox", 480, 270, false, false, 16, 9, {{30, 135}, {100, 50}, {380, 50}, {100, 220}, {380, 220}, {450, 135}},
         "KRGBWK"},
        // Stretch wins over the override.
        {"stretch", 480, 270, true, true, 16, 9, {{30, 50}, {100, 50}, {380, 50}, {100, 220}, {380, 220}, {450, 220}},
         "RRGBWW"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Window host(TopHost(c.w, c.h));
        Playback pb;
        TDSScreen& s = *pb.screen;
        s.Renderer = VR_VMR9;
        s.ScreenHandle = host.hwnd;
        s.width = c.w;
        s.height = c.h;
        s.FAspect_Ratio_Override = c.override_;
        s.FAspect_Ratio_X = c.x;
        s.FAspect_Ratio_Y = c.y;
        s.Stretch = c.stretch;
        ASSERT_TRUE(pb.Build(L"videoonly.avi"));
        ASSERT_TRUE(pb.Run());
        EXPECT_EQ(WaitClasses(host.hwnd, c.pts, c.want), c.want);
    }
}

// --- EVR: created and configured only (on this platform it cannot play the clip).

TEST(Screen, EvrReportsEachServiceItLacks)
{
    Window host(TopHost(320, 240));
    Playback pb;
    ASSERT_TRUE(pb.CreateGraph());
    TDSScreen& s = *pb.screen;
    ErrorLog log;
    log.Attach(s);
    s.Renderer = VR_EVR;
    s.ScreenHandle = host.hwnd;
    s.width = 200;
    s.height = 100;
    ASSERT_TRUE(s.Init_Renderer(pb.graph2.Get(), 2));
    ASSERT_TRUE(s.pVideoRenderer) << "EVR not created";
    ComPtr<IBaseFilter> found;
    EXPECT_HRESULT_SUCCEEDED(pb.graph2->FindFilterByName(L"EVR", found.Put()));

    // Each interface is either held or reported with its own text, never both, never neither.
    const struct {
        bool held;
        const wchar_t* text;
    } services[] = {
        {bool(s.pMFVideoRenderer), L"Unable to query IMFVideoRenderer interface."},
        {bool(s.pEVRFilterConfig), L"Unable to get IEVRFilterConfig interface."},
        {bool(s.pMFGetService), L"Unable to get IMFGetService interface."},
        {bool(s.pMFVideoDisplayControl), L"Unable to get IMFVideoDisplayControl interface."},
        {bool(s.pMFVideoMixerControl), L"Unable to get IMFVideoMixerControl interface."},
        {bool(s.pMFMixerBitmap), L"Unable to get IMFVideoMixerBitmap interface."},
    };
    size_t missing = 0;
    for (const auto& sv : services) {
        EXPECT_EQ(log.Count(sv.text), sv.held ? 0 : 1) << Narrow(sv.text);
        missing += !sv.held;
    }
    EXPECT_EQ(log.texts.size(), missing) << log.Joined();
    // The display control is there (it is all the update needs) and bound to the host window.
    ASSERT_TRUE(s.pMFVideoDisplayControl);
    HWND bound = nullptr;
    EXPECT_TRUE(SUCCEEDED(s.pMFVideoDisplayControl->GetVideoWindow(&bound)) && bound == host.hwnd);

    // The update places the picture in (0, 0, width, height) and sets the aspect mode, also where the
    // mixer is missing and the border colour unsupported.
    const struct {
        bool stretch;
        DWORD mode;
    } updates[] = {{true, MFVideoARMode_None}, {false, MFVideoARMode_PreservePicture}};
    for (const auto& u : updates) {
        s.Stretch = u.stretch;
        s.FBorderColor = RGB(0, 0, 255);
        s.Update_Renderer(pb.graph2.Get());
        MFVideoNormalizedRect src = {};
        RECT dst = {};
        ASSERT_HRESULT_SUCCEEDED(s.pMFVideoDisplayControl->GetVideoPosition(&src, &dst));
        EXPECT_EQ(dst.left, 0);
        EXPECT_EQ(dst.top, 0);
        EXPECT_EQ(dst.right, 200);
        EXPECT_EQ(dst.bottom, 100);
        EXPECT_EQ(src.left, 0.0f);
        EXPECT_EQ(src.right, 1.0f);
        DWORD mode = 99;
        ASSERT_HRESULT_SUCCEEDED(s.pMFVideoDisplayControl->GetAspectRatioMode(&mode));
        EXPECT_EQ(mode, u.mode);
    }
}

// --- Null renderer: plays without any window.

TEST(Screen, NullRendererPlaysWithoutAWindow)
{
    Playback pb;
    TDSScreen& s = *pb.screen;
    s.Renderer = VR_NONE;
    ASSERT_TRUE(pb.CreateGraph());
    ASSERT_TRUE(pb.AddSource(L"videoonly.avi"));
    // The graph's own rendering chooses the splitter and decoder; its default video renderer then
    // gives way to the wrapper's null renderer. (A null renderer accepts any type, so connecting it
    // straight to the file source would just take the raw byte stream.)
    ComPtr<IPin> srcOut;
    ASSERT_TRUE(GetPinByIndex(pb.source.Get(), PINDIR_OUTPUT, 1, srcOut));
    ASSERT_HRESULT_SUCCEEDED(pb.graph2->Render(srcOut.Get()));
    ComPtr<IPin> videoOut;
    {
        ComPtr<IEnumFilters> filters;
        ASSERT_HRESULT_SUCCEEDED(pb.graph->EnumFilters(filters.Put()));
        ComPtr<IBaseFilter> f, defaultRenderer;
        while (!defaultRenderer && filters->Next(1, f.Put(), nullptr) == S_OK) {
            ComPtr<IVideoWindow> vw;
            if (SUCCEEDED(f->QueryInterface(IID_IVideoWindow, vw.PutVoid())))
                defaultRenderer = f;
        }
        ASSERT_TRUE(defaultRenderer);
        ComPtr<IPin> in;
        ASSERT_TRUE(GetPinByIndex(defaultRenderer.Get(), PINDIR_INPUT, 1, in));
        ASSERT_HRESULT_SUCCEEDED(in->ConnectedTo(videoOut.Put()));
        ASSERT_HRESULT_SUCCEEDED(pb.graph2->RemoveFilter(defaultRenderer.Get()));
    }
    ASSERT_TRUE(s.Init_Renderer(pb.graph2.Get(), 2));
    ComPtr<IBaseFilter> found;
    ASSERT_HRESULT_SUCCEEDED(pb.graph2->FindFilterByName(L"Screen NULL Renderer", found.Put()));
    EXPECT_EQ(found.Get(), s.pVideoRenderer.Get());
    ASSERT_HRESULT_SUCCEEDED(s.ConnectIn(pb.graph2.Get(), videoOut.Get()));
    ComPtr<IPin> in;
    ASSERT_TRUE(s.GetInPin(0, in));
    AM_MEDIA_TYPE mt = {};
    ASSERT_HRESULT_SUCCEEDED(in->ConnectionMediaType(&mt));
    EXPECT_TRUE(mt.majortype == MEDIATYPE_Video);
    CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk)
        mt.pUnk->Release();
    s.Update_Renderer(pb.graph2.Get());  // nothing to update for this renderer
    ASSERT_TRUE(pb.Run());
    ComPtr<IMediaEvent> events;
    ASSERT_HRESULT_SUCCEEDED(pb.graph->QueryInterface(IID_IMediaEvent, events.PutVoid()));
    bool complete = false;
    PumpUntil(
        [&] {
            long code;
            LONG_PTR p1, p2;
            while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
                complete |= code == EC_COMPLETE;
                events->FreeEventParams(code, p1, p2);
            }
            return complete;
        },
        10000);
    EXPECT_TRUE(complete);
}

// --- Pins of the renderer.

TEST(Screen, ConnectsToTheRenderersInputPins)
{
    TDSScreen empty;
    Playback pb;
    ASSERT_TRUE(pb.CreateGraph());
    ASSERT_TRUE(pb.AddSource(L"videoonly.avi"));
    ComPtr<IPin> out;
    ASSERT_TRUE(GetPinByIndex(pb.source.Get(), PINDIR_OUTPUT, 1, out));
    EXPECT_EQ(empty.ConnectIn(pb.graph2.Get(), out.Get()), E_FAIL);  // no renderer, no pin

    TDSScreen& s = *pb.screen;
    s.Renderer = VR_VideoRenderer;
    ASSERT_TRUE(s.Init_Renderer(pb.graph2.Get(), 2));
    ComPtr<IPin> in, untouched;
    EXPECT_TRUE(s.GetInPin(0, in));
    EXPECT_FALSE(s.GetInPin(1, untouched));
    EXPECT_FALSE(untouched);
    EXPECT_EQ(s.ConnectInX(pb.graph2.Get(), 2, out.Get()), E_FAIL);
    // The file's raw stream does not go straight into a video renderer; through the graph's
    // intelligent connect it does (splitter and decoder inserted).
    EXPECT_HRESULT_FAILED(s.ConnectDirectIn(pb.graph2.Get(), out.Get()));
    EXPECT_FALSE(IsInputConnected(s.pVideoRenderer.Get()));
    EXPECT_HRESULT_SUCCEEDED(s.ConnectIn(pb.graph2.Get(), out.Get()));
    EXPECT_TRUE(IsInputConnected(s.pVideoRenderer.Get()));
}

// --- Renderer availability and the deinterlace mode list on this platform.

TEST(Screen, RendererSupportAndDeinterlaceModes)
{
    EXPECT_TRUE(RendererSupported(CLSID_VideoMixingRenderer9, L"VMR9"));
    EXPECT_TRUE(RendererSupported(zr::CLSID_EnhancedVideoRenderer, L"EVR"));
    EXPECT_TRUE(RendererSupported(zr::CLSID_NullRenderer, L"Screen NULL Renderer"));
    const CLSID bogus = {0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_FALSE(RendererSupported(bogus, L"X"));

    std::vector<std::wstring> modes = {L"stale"};
    FillDeinterlaceModes(modes);
    EXPECT_EQ(std::count(modes.begin(), modes.end(), L"stale"), 0);
    // Each entry is a technology name, once.
    for (size_t i = 0; i < modes.size(); ++i)
        EXPECT_EQ(std::count(modes.begin(), modes.end(), modes[i]), 1);
}

// --- Deinterlace selection, on a scripted deinterlace control (the platform's VMR-9 may offer none).

class FakeDeinterlace : public IVMRDeinterlaceControl9 {
public:
    struct Mode {
        GUID id;
        DWORD technology;
    };
    std::vector<Mode> modes;
    HRESULT setResult = S_OK;
    std::vector<std::pair<DWORD, GUID>> sets;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == __uuidof(IVMRDeinterlaceControl9)) {
            *out = static_cast<IVMRDeinterlaceControl9*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
    HRESULT STDMETHODCALLTYPE GetNumberOfDeinterlaceModes(VMR9VideoDesc* desc, DWORD* count, GUID* out) override
    {
        if (!desc || desc->dwSize != sizeof(VMR9VideoDesc) || !count)
            return E_INVALIDARG;
        if (!out) {
            *count = static_cast<DWORD>(modes.size());
            return S_OK;
        }
        DWORD n = std::min<DWORD>(*count, static_cast<DWORD>(modes.size()));
        for (DWORD i = 0; i < n; ++i)
            out[i] = modes[i].id;
        *count = n;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeinterlaceModeCaps(GUID* mode, VMR9VideoDesc*, VMR9DeinterlaceCaps* caps) override
    {
        for (const Mode& m : modes) {
            if (m.id == *mode) {
                caps->DeinterlaceTechnology = static_cast<VMR9DeinterlaceTech>(m.technology);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE GetDeinterlaceMode(DWORD, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDeinterlaceMode(DWORD stream, GUID* mode) override
    {
        sets.emplace_back(stream, *mode);
        return setResult;
    }
    HRESULT STDMETHODCALLTYPE GetDeinterlacePrefs(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDeinterlacePrefs(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetActualDeinterlaceMode(DWORD, GUID*) override { return E_NOTIMPL; }

    ULONG refs = 1;
};

GUID ModeId(int i) { return GUID{0xD0000000u + static_cast<unsigned>(i), 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}; }

// Modes 0..11: bob stretch, an unnamed technology (bit 8), motion vector, bob stretch again, seven
// line-replicate modes, and a pixel-adaptive mode in 12th place (beyond the 11 considered).
void ScriptModes(FakeDeinterlace& f)
{
    const DWORD techs[] = {0x02, 0x08, 0x80, 0x02, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x40};
    for (int i = 0; i < 12; ++i)
        f.modes.push_back({ModeId(i), techs[i]});
}

TEST(Screen, DeinterlaceSelectionMatchesTheTrimmedNameExactly)
{
    const struct {
        const wchar_t* name;
        int selected;  // mode index, -1 for none
    } cases[] = {
        {L" \tMotion Vector Steered \r\n", 2},
        {L"motion vector steered", -1},
        {L"BOB Vertical Stretch", 0},  // the first of two
        {L"", -1},                     // matches nothing, not even an unnamed technology
        {L"   ", -1},
        {L"Pixel Adaptive", -1},  // offered only as the 12th mode
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        FakeDeinterlace fake;
        ScriptModes(fake);
        TDSScreen s;
        ErrorLog log;
        log.Attach(s);
        s.VideoInWidth = 720;
        s.VideoInHeight = 576;
        s.RendererDeinterlaceMode = c.name;
        s.pVMRDeinterlaceControl9 = ComPtr<IVMRDeinterlaceControl9>(&fake);
        s.SelectDeinterlaceMode();
        if (c.selected < 0) {
            EXPECT_TRUE(fake.sets.empty());
        } else {
            ASSERT_EQ(fake.sets.size(), 1u);
            EXPECT_EQ(fake.sets[0].first, 0xFFFFFFFFu);
            EXPECT_TRUE(fake.sets[0].second == ModeId(c.selected));
        }
        EXPECT_TRUE(log.texts.empty());
        s.pVMRDeinterlaceControl9 = nullptr;
        EXPECT_EQ(fake.refs, 1u);
    }

    // A refused mode is reported as a warning and the search ends.
    FakeDeinterlace fake;
    ScriptModes(fake);
    fake.setResult = E_FAIL;
    TDSScreen s;
    ErrorLog log;
    log.Attach(s);
    s.RendererDeinterlaceMode = L"BOB Vertical Stretch";
    s.pVMRDeinterlaceControl9 = ComPtr<IVMRDeinterlaceControl9>(&fake);
    s.SelectDeinterlaceMode();
    EXPECT_EQ(fake.sets.size(), 1u);
    EXPECT_EQ(log.Count(L"(Warning) Unable to set deinterlace mode."), 1);
    EXPECT_EQ(log.texts.size(), 1u);
    s.pVMRDeinterlaceControl9 = nullptr;
}

TEST(Screen, DeinterlaceModeListHoldsEachTechnologyOnce)
{
    FakeDeinterlace fake;
    ScriptModes(fake);
    std::vector<std::wstring> list = {L"stale"};
    FillDeinterlaceModes(&fake, list);
    const std::vector<std::wstring> want = {L"BOB Vertical Stretch", L"", L"Motion Vector Steered", L"BOB Line Replicate"};
    EXPECT_EQ(list, want);
    EXPECT_EQ(fake.refs, 1u);
}

}  // namespace
