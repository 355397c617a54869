// Time from Play to a running graph whose position advances, beside the platform's own RenderFile + Run on
// the same file in the same process; and the cost of one Play/Close cycle.
//   play_bench <media folder> [rounds]
#include <windows.h>
#include <dshow.h>
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "graph/comptr.h"
#include "benchtime.h"
#include "player/player.h"

namespace {
void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) { TranslateMessage(&m); DispatchMessageW(&m); }
}
// Committed private memory (address-space walk) and open kernel handles (every small handle value asked):
// both work where the process counters are not kept.
size_t PrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (char* p = nullptr; VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi);
         p = static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
        if (static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize < p) break;
    }
    return total;
}
DWORD Handles() {
    DWORD n = 0, flags;
    for (uintptr_t h = 4; h < 0x40000; h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
    return n;
}

// Platform only: RenderFile, Run, wait for the position to move.
double PlatformStart(const std::wstring& file, HWND owner) {
    double t0 = Now();
    ComPtr<IGraphBuilder> g;
    CreateInstance(CLSID_FilterGraph, g);
    // The same picture path as the player's: the classic Video Renderer, which RenderFile uses when it is
    // already in the graph.
    ComPtr<IBaseFilter> vr;
    if (SUCCEEDED(CreateInstance(CLSID_VideoRenderer, vr))) g->AddFilter(vr.Get(), L"Video Renderer");
    g->RenderFile(file.c_str(), nullptr);
    ComPtr<IVideoWindow> vw = g.As<IVideoWindow>();
    if (vw) { vw->put_Owner(reinterpret_cast<OAHWND>(owner)); vw->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS); }
    ComPtr<IMediaControl> mc = g.As<IMediaControl>();
    ComPtr<IMediaSeeking> ms = g.As<IMediaSeeking>();
    mc->Run();
    LONGLONG pos = 0;
    while (Now() - t0 < 10000) {
        Pump();
        if (SUCCEEDED(ms->GetCurrentPosition(&pos)) && pos > 0) break;
        Sleep(1);
    }
    double t = Now() - t0;
    mc->Stop();
    if (vw) { vw->put_Visible(OAFALSE); vw->put_Owner(0); }
    return t;
}

double PlayerStart(TZRMediaPlayer& p, const std::wstring& file) {
    double t0 = Now();
    p.Set_FilenameOrURL(file);
    p.Play();
    while (Now() - t0 < 10000) {
        Pump();
        if (p.Position_Get_Time() > 0) break;
        Sleep(1);
    }
    double t = Now() - t0;
    p.Close();
    return t;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) { std::fwprintf(stderr, L"usage: play_bench <media folder> [rounds]\n"); return 2; }
    std::wstring dir = argv[1];
    int rounds = argc > 2 ? _wtoi(argv[2]) : 10;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZRBenchHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(0, L"ZRBenchHost", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 340, 260, nullptr, nullptr,
                                wc.hInstance, nullptr);
    {
        TZRMediaPlayer player(host, 0, 0, 320, 240);
        player.Set_Screen_VideoRenderer(VR_VideoRenderer);
        std::printf("| file | platform RenderFile+Run to moving position (ms, median of %d) | player Play to moving position (ms) |\n|---|---|---|\n", rounds);
        for (const wchar_t* name : {L"clip.avi", L"clip.mp4", L"clip.mpg", L"clip.wmv", L"clip.mp3"}) {
            std::wstring file = dir + L"\\" + name;
            std::vector<double> a, b;
            PlatformStart(file, host);  // warm both paths once
            PlayerStart(player, file);
            for (int i = 0; i < rounds; ++i) {
                a.push_back(PlatformStart(file, host));
                b.push_back(PlayerStart(player, file));
            }
            std::printf("| %ls | %.1f | %.1f |\n", name, Median(a), Median(b));
        }
        // Play/Close cycles without waiting for the position: the fixed cost of one playback.
        std::wstring file = dir + L"\\clip.avi";
        player.Set_FilenameOrURL(file);
        for (int i = 0; i < 10; ++i) { player.Play(); Pump(); player.Close(); }
        const size_t m0 = PrivateBytes();
        const DWORD h0 = Handles();
        const int cycles = 200;
        double t0 = Now();
        for (int i = 0; i < cycles; ++i) { player.Play(); Pump(); player.Close(); }
        double per = (Now() - t0) / cycles;
        const size_t m1 = PrivateBytes();
        const DWORD h1 = Handles();
        std::printf("\nPlay/Close cycle (clip.avi, %d cycles): %.1f ms each; handles %lu -> %lu; private bytes %zu KiB -> %zu KiB\n",
                    cycles, per, (unsigned long)h0, (unsigned long)h1, m0 / 1024, m1 / 1024);
        // The platform alone, for comparison: RenderFile, Run, Stop, release.
        const size_t pm0 = PrivateBytes();
        const DWORD ph0 = Handles();
        double pt0 = Now();
        for (int i = 0; i < cycles; ++i) {
            ComPtr<IGraphBuilder> g;
            CreateInstance(CLSID_FilterGraph, g);
            g->RenderFile(file.c_str(), nullptr);
            ComPtr<IMediaControl> mc = g.As<IMediaControl>();
            mc->Run();
            Pump();
            mc->Stop();
        }
        std::printf("Platform RenderFile/Run/Stop/release cycle (%d cycles): %.1f ms each; handles %lu -> %lu; private bytes %zu KiB -> %zu KiB\n",
                    cycles, (Now() - pt0) / cycles, (unsigned long)ph0, (unsigned long)Handles(), pm0 / 1024,
                    PrivateBytes() / 1024);
    }
    DestroyWindow(host);
    CoUninitialize();
    return 0;
}
