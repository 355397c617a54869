// Creating and releasing the control many times in one process leaves no window, COM object or memory
// behind. Prints the figures it measured, kernel handles among them: on Wine every player construction keeps
// the handles the system device enumerator leaks (about 47 per player); that the control adds none of its own
// is checked by the white-box tests, which compare it with a bare player in one process.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <string>

#include "control_testkit.h"

namespace {

struct TUsage {
    long windows = 0;
    DWORD handles = 0;
    DWORD gdi = 0, user = 0;  // the process counters, where the platform keeps them (Wine reports 0)
    size_t privateBytes = 0;
};

// Committed private memory (address-space walk) and open kernel handles (every small handle value asked):
// both also work where the process counters are not kept.
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

BOOL CALLBACK CountChild(HWND, LPARAM lp) {
    ++*reinterpret_cast<long*>(lp);
    return TRUE;
}
BOOL CALLBACK CountWindow(HWND hwnd, LPARAM lp) {
    ++*reinterpret_cast<long*>(lp);
    EnumChildWindows(hwnd, CountChild, lp);
    return TRUE;
}

TUsage Measure() {
    PumpFor(50);
    TUsage u;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&u.windows));
    u.handles = Handles();
    u.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    u.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    u.privateBytes = PrivateBytes();
    return u;
}

HRESULT CanUnload() {
    auto f = reinterpret_cast<HRESULT(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ZRMediaPlayer.dll"), "DllCanUnloadNow")));
    return f ? f() : E_FAIL;
}

// Runs one cycle n times after a warm-up, and checks and prints what the process gained.
void Cycles(const char* what, int n, const std::function<void()>& cycle) {
    for (int i = 0; i < 20; ++i) cycle();
    const TUsage before = Measure();
    const DWORD start = GetTickCount();
    for (int i = 0; i < n; ++i) cycle();
    const DWORD ms = GetTickCount() - start;
    const TUsage after = Measure();
    std::printf("%s: %d cycles, %.1f ms each; windows %ld -> %ld, handles %lu -> %lu, GDI objects %lu -> %lu, "
                "USER objects %lu -> %lu, private memory %.1f -> %.1f MiB\n",
                what, n, static_cast<double>(ms) / n, before.windows, after.windows, before.handles, after.handles,
                before.gdi, after.gdi, before.user, after.user, before.privateBytes / 1048576.0,
                after.privateBytes / 1048576.0);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_LE(after.gdi, before.gdi + 8);
    EXPECT_LE(after.user, before.user + 8);
    EXPECT_LT(static_cast<double>(after.privateBytes) - static_cast<double>(before.privateBytes), 8.0 * 1048576);
    EXPECT_EQ(CanUnload(), S_OK);
}

}  // namespace

TEST(ControlLifecycle, CreateAndRelease500Times) {
    Cycles("create, release", 500, [] {
        ComPtr<ITxZRMediaPlayer> c = CreateControl();
        ASSERT_TRUE(c);
    });
}

// Each cycle also activates the control in a site, sets a few settings, connects a sink, deactivates and
// lets go, as a form that opens and closes would.
TEST(ControlLifecycle, HostAndRelease500Times) {
    HWND host = SharedHostWindow();
    Cycles("create, activate in place, sink, deactivate, release", 500, [host] {
        ComPtr<ITxZRMediaPlayer> c = CreateControl();
        ASSERT_TRUE(c);
        auto* site = new TTestSite(host, RECT{0, 0, 160, 120});
        auto* sink = new TRecordingSink();
        DWORD cookie = 0;
        Connect(c.Get(), DIID_ITxZRMediaPlayerEvents, sink, &cookie);
        ASSERT_NE(ActivateInPlace(c.Get(), site), nullptr);
        TBstr f(L"C:\\nothing.avi");
        c->put_FilenameOrURL(f.b);
        c->put_Background_Color(0x102030);
        Disconnect(c.Get(), DIID_ITxZRMediaPlayerEvents, cookie);
        CloseInPlace(c.Get());
        c = nullptr;
        sink->Release();
        site->Release();
    });
}

// The DLL unloaded while the process goes on, then loaded again: no window class is left pointing into the
// unloaded module, and a control created after the reload works.
TEST(ControlLifecycle, UnloadAndReload) {
    HWND host = SharedHostWindow();
    wchar_t playerClass[256] = {};
    {
        ComPtr<ITxZRMediaPlayer> c = CreateControl();
        auto* site = new TTestSite(host, RECT{0, 0, 160, 120});
        HWND w = ActivateInPlace(c.Get(), site);
        ASSERT_NE(w, nullptr);
        GetClassNameW(PlayerWindowIn(w), playerClass, 256);
        CloseInPlace(c.Get());
        c = nullptr;
        site->Release();
    }
    PumpFor(50);
    ASSERT_EQ(CanUnload(), S_OK);
    CoFreeUnusedLibrariesEx(0, 0);
    ASSERT_EQ(GetModuleHandleW(L"ZRMediaPlayer.dll"), nullptr) << "the DLL was not unloaded";
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), playerClass, &wc));

    ComPtr<ITxZRMediaPlayer> c = CreateControl();
    ASSERT_TRUE(c);
    auto* site = new TTestSite(host, RECT{0, 0, 160, 120});
    HWND w = ActivateInPlace(c.Get(), site);
    ASSERT_NE(w, nullptr);
    c->put_Background_Color(RGB(0, 0, 255));
    char colour = '?';
    PumpUntil([&] { colour = ColourClass(ClientPixel(PlayerWindowIn(w), 80, 60)); return colour == 'B'; }, 5000);
    EXPECT_EQ(colour, 'B');
    CloseInPlace(c.Get());
    c = nullptr;
    site->Release();
}

// A folder for the dumps of debug mode, made empty.
static std::wstring DumpDir() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path dir = std::filesystem::path(temp) / L"zr kept graph";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir.wstring() + L"\\";
}

// What a host or a graph tool keeps after it released the control may still run code of the DLL; the DLL
// says it cannot unload until the last of them is released. Two such objects: a connection enumerator the
// host kept, and the playback graph of debug mode taken from the running object table (as a graph tool takes
// it), which holds the player's graph-builder callback.
TEST(ControlLifecycle, KeptObjectsHoldTheDll) {
    const struct {
        const char* what;
        std::function<ComPtr<IUnknown>(ITxZRMediaPlayer*)> keep;
    } cases[] = {
        {"connection enumerator",
         [](ITxZRMediaPlayer* c) {
             ComPtr<IConnectionPointContainer> cpc = ComPtr<ITxZRMediaPlayer>(c).As<IConnectionPointContainer>();
             ComPtr<IConnectionPoint> cp;
             ComPtr<IEnumConnections> e;
             if (cpc && SUCCEEDED(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.Put())))
                 cp->EnumConnections(e.Put());
             return ComPtr<IUnknown>(e.Get());
         }},
        {"graph from the running object table",
         [](ITxZRMediaPlayer* c) {
             TBstr dir(DumpDir());
             c->put_Debug_Dir(dir.b);
             c->put_Debug_Mode(VARIANT_TRUE);
             c->put_Screen_VideoRenderer(0);
             TBstr file(MediaPath(L"videoonly.avi"));
             c->put_FilenameOrURL(file.b);
             VARIANT_BOOL ok = VARIANT_FALSE;
             c->Play(&ok);
             EXPECT_EQ(ok, VARIANT_TRUE);
             // "!FilterGraph <address> pid <process id in hex>"
             wchar_t pid[32];
             swprintf(pid, 32, L" pid %X", static_cast<unsigned>(GetCurrentProcessId()));
             ComPtr<IUnknown> graph;
             ComPtr<IRunningObjectTable> rot;
             ComPtr<IEnumMoniker> monikers;
             if (FAILED(GetRunningObjectTable(0, rot.Put())) || FAILED(rot->EnumRunning(monikers.Put())))
                 return graph;
             ComPtr<IMoniker> m;
             while (!graph && monikers->Next(1, m.Put(), nullptr) == S_OK) {
                 ComPtr<IBindCtx> bc;
                 CreateBindCtx(0, bc.Put());
                 LPOLESTR name = nullptr;
                 if (FAILED(m->GetDisplayName(bc.Get(), nullptr, &name)) || !name) continue;
                 const std::wstring n = name;
                 CoTaskMemFree(name);
                 if (n.rfind(L"!FilterGraph ", 0) == 0 && n.size() > wcslen(pid) &&
                     n.compare(n.size() - wcslen(pid), wcslen(pid), pid) == 0)
                     rot->GetObject(m.Get(), graph.Put());
             }
             return graph;
         }},
    };
    for (auto& k : cases) {
        SCOPED_TRACE(k.what);
        ComPtr<ITxZRMediaPlayer> c = CreateControl();
        ASSERT_TRUE(c);
        ComPtr<IUnknown> kept = k.keep(c.Get());
        if (!kept) {
            // A freshly made Wine prefix does not always list a process's own entries in the table.
            std::printf("note: %s not obtained; case not checked\n", k.what);
            continue;
        }
        c = nullptr;
        PumpFor(50);
        EXPECT_EQ(CanUnload(), S_FALSE);
        kept = nullptr;
        EXPECT_TRUE(PumpUntil([] { return CanUnload() == S_OK; }, 3000));
    }
    std::error_code ec;
    std::filesystem::remove_all(DumpDir(), ec);
}
