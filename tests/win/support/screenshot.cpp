// Reading the screen as a person sees it. Under Wine the picture comes from the X server: xwd, started as a
// Unix program through CreateProcess, writes a dump of the root window to a file that is read here (Wine runs
// a Unix program detached from the process handle it returns, so the file's expected size tells when the dump
// is complete). On Windows the screen device context is copied.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "testutil.h"

namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Unix path of a Windows path, through Wine's kernel32 export.
std::wstring UnixPath(const std::wstring& path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* p = toUnix(path.c_str());
    if (!p) return {};
    std::wstring s(MultiByteToWideChar(CP_UTF8, 0, p, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, p, -1, s.data(), static_cast<int>(s.size()));
    HeapFree(GetProcessHeap(), 0, p);
    if (!s.empty()) s.pop_back();  // the terminator
    return s;
}

uint32_t Be32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// One colour channel of a pixel value, given by its mask, scaled to 0..255.
struct Channel {
    uint32_t mask = 0, max = 0;
    int shift = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (!mask) return;
        while (!((mask >> shift) & 1)) ++shift;
        max = mask >> shift;
    }
    uint32_t Of(uint32_t pixel) const { return max ? ((pixel & mask) >> shift) * 255 / max : 0; }
};

// The parts of an X window dump (xwd's file format: a big-endian header of 25 32-bit fields and the window
// name, the colour map entries, then the image rows) that locate and decode a pixel.
struct XwdLayout {
    uint32_t headerSize = 0, width = 0, height = 0, byteOrder = 0, bitsPerPixel = 0, bytesPerLine = 0;
    uint32_t red = 0, green = 0, blue = 0, colours = 0;
    size_t ImageOffset() const { return size_t(headerSize) + size_t(colours) * 12; }
    size_t FileSize() const { return ImageOffset() + size_t(bytesPerLine) * height; }
};

bool ParseXwd(const std::vector<unsigned char>& f, XwdLayout& l) {
    if (f.size() < 100) return false;
    auto field = [&](int i) { return Be32(&f[size_t(i) * 4]); };
    l.headerSize = field(0);
    if (field(1) != 7 || field(2) != 2 /* ZPixmap */ || l.headerSize < 100) return false;
    l.width = field(4);
    l.height = field(5);
    l.byteOrder = field(7);
    l.bitsPerPixel = field(11);
    l.bytesPerLine = field(12);
    l.red = field(14);
    l.green = field(15);
    l.blue = field(16);
    l.colours = field(19);
    return (l.bitsPerPixel == 32 || l.bitsPerPixel == 24 || l.bitsPerPixel == 16) &&
           l.bytesPerLine >= l.width * (l.bitsPerPixel / 8);
}

// The first limit bytes of a file (all of it by default).
std::vector<unsigned char> ReadFileBytes(const std::wstring& path, size_t limit = size_t(1) << 30) {
    std::vector<unsigned char> data;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return data;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0) {
        data.resize(std::min(static_cast<size_t>(size.QuadPart), limit));
        DWORD got = 0;
        if (!ReadFile(f, data.data(), static_cast<DWORD>(data.size()), &got, nullptr)) got = 0;
        data.resize(got);
    }
    CloseHandle(f);
    return data;
}

}  // namespace

bool ScreenShot::Take() {
    pixels_.clear();
    width_ = height_ = 0;
    return UnderWine() ? TakeFromX() : TakeFromScreenDC();
}

bool ScreenShot::TakeFromX() {
    static LONG counter = 0;
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    const std::wstring file = std::wstring(dir) + L"zr-xshot-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&counter)) + L".xwd";
    const std::wstring unixFile = UnixPath(file);
    if (unixFile.empty()) {
        std::fprintf(stderr, "screenshot: no Unix path for the dump\n");
        return false;
    }
    DeleteFileW(file.c_str());
    std::wstring cmd = L"/usr/bin/xwd -root -silent -out \"" + unixFile + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "screenshot: cannot start xwd (%lu)\n", GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The dump is complete once the file holds the size its header gives.
    std::vector<unsigned char> data;
    XwdLayout l;
    bool known = false, complete = false;
    const DWORD start = GetTickCount();
    while (!complete && GetTickCount() - start < 10000) {
        Sleep(5);
        WIN32_FILE_ATTRIBUTE_DATA a{};
        if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &a)) continue;
        const size_t size = (size_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
        if (!known && size >= 100) known = ParseXwd(ReadFileBytes(file, 100), l);
        if (known && size >= l.FileSize()) {
            data = ReadFileBytes(file);
            complete = data.size() >= l.FileSize();
        }
    }
    DeleteFileW(file.c_str());
    if (!complete) {
        std::fprintf(stderr, "screenshot: xwd wrote no complete dump of the X screen\n");
        return false;
    }
    width_ = static_cast<int>(l.width);
    height_ = static_cast<int>(l.height);
    pixels_.resize(size_t(width_) * height_);
    const size_t bytes = l.bitsPerPixel / 8;
    const Channel red(l.red), green(l.green), blue(l.blue);
    for (int y = 0; y < height_; ++y) {
        const unsigned char* row = &data[l.ImageOffset() + size_t(y) * l.bytesPerLine];
        for (int x = 0; x < width_; ++x) {
            const unsigned char* p = row + size_t(x) * bytes;
            uint32_t v = 0;
            for (size_t i = 0; i < bytes; ++i)
                v |= uint32_t(p[l.byteOrder == 0 ? i : bytes - 1 - i]) << (8 * i);  // 0: least significant first
            pixels_[size_t(y) * width_ + x] = (red.Of(v) << 16) | (green.Of(v) << 8) | blue.Of(v);
        }
    }
    return true;
}

bool ScreenShot::TakeFromScreenDC() {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) {
            width_ = w;
            height_ = h;
            const auto* src = static_cast<const uint32_t*>(bits);
            pixels_.assign(src, src + size_t(w) * h);
            for (auto& p : pixels_) p &= 0xFFFFFF;
        }
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

uint32_t ScreenShot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kNoPixel;
    return pixels_[size_t(y) * width_ + x];
}

uint32_t ScreenShot::ClientPixel(HWND hwnd, int x, int y) const {
    POINT p = {x, y};
    ClientToScreen(hwnd, &p);
    return Pixel(p.x, p.y);
}
