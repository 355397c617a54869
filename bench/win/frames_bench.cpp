// Frames for the host on 1920x1080: a frame handed by the effects filter's callback to the host's frame
// event (copy into the player's buffer, the event's bitmap, the event), beside memcpy of the same frame in
// the same run; then Frame_Save of that frame as BMP, JPEG and PNG. Prints Markdown rows; writes the frame
// as raw bottom-up BGR24 to <folder>\frame.bgr for bench/win/frames_bench.sh to give ffmpeg.
//   frames_bench <folder> [rounds]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "benchtime.h"
#include "player/player.h"

struct PlayerAccess {
    static int32_t Deliver(TZRMediaPlayer& p, uint8_t* pixels, int32_t length, int32_t w, int32_t h) {
        return TZRMediaPlayer::VideoFrame_Callback(&p, nullptr, pixels, length, w, h, 0, 0, 40, 0, nullptr);
    }
};

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: frames_bench <folder> [rounds]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring dir = argv[1];
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 30;
    constexpr int W = 1920, H = 1080;
    const size_t bytes = static_cast<size_t>(W) * 3 * H;
    std::vector<uint8_t> frame(bytes), copy(bytes);
    for (size_t i = 0; i < bytes; ++i) frame[i] = static_cast<uint8_t>((i * 7 / 3 + i / (W * 3)) & 0xFF);
    {
        TZRMediaPlayer player(nullptr, 0, 0, 64, 64);
        volatile uint32_t seen = 0;
        player.OnVideoFrameH.Set([](void* c, HBITMAP h, int32_t, int32_t) {
            DIBSECTION ds = {};
            if (GetObjectW(h, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits)
            {
                auto* seen = static_cast<volatile uint32_t*>(c);
                *seen = *seen + static_cast<const uint8_t*>(ds.dsBm.bmBits)[0];
            }
        }, const_cast<uint32_t*>(&seen));
        std::vector<double> deliver, mem;
        PlayerAccess::Deliver(player, frame.data(), static_cast<int32_t>(bytes), W, H);  // buffers allocated once
        for (int r = 0; r < rounds; ++r) {
            double t0 = Now();
            std::memcpy(copy.data(), frame.data(), bytes);
            mem.push_back(Now() - t0);
            t0 = Now();
            PlayerAccess::Deliver(player, frame.data(), static_cast<int32_t>(bytes), W, H);
            deliver.push_back(Now() - t0);
        }
        std::printf("| frame to the host's OnVideoFrameH (player buffer, event bitmap, event) | %.2f |\n", Median(deliver));
        std::printf("| memcpy of the same 6.2 MB frame | %.2f |\n", Median(mem));
        struct F {
            int32_t format;
            const wchar_t* ext;
        } formats[] = {{0, L"bmp"}, {1, L"jpg"}, {2, L"png"}};
        for (const F& f : formats) {
            std::vector<double> t;
            const std::wstring file = dir + L"\\saved." + f.ext;
            for (int r = 0; r < std::max(3, rounds / 5); ++r) {
                DeleteFileW(file.c_str());
                const double t0 = Now();
                player.Frame_Save(file, f.format, 85);
                t.push_back(Now() - t0);
            }
            std::printf("| Frame_Save %ls%s | %.1f |\n", f.ext, f.format == 1 ? " (quality 85)" : "", Median(t));
        }
    }
    FILE* out = _wfopen((dir + L"\\frame.bgr").c_str(), L"wb");
    if (out) {
        std::fwrite(frame.data(), 1, bytes, out);
        std::fclose(out);
    }
    return 0;
}
