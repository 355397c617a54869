// Info_Read per file: cold (the information cache holds another file, so the file is probed) and cached (the
// same unchanged file again). Prints one line per file: name, cold median, cached median (ms), for
// bench/win/info_bench.sh to put beside ffprobe and mediainfo.
//   info_bench <media folder> [rounds] [file...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "player/player.h"
#include "benchtime.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: info_bench <media folder> [rounds] [file...]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring dir = argv[1];
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    std::vector<std::wstring> files;
    for (int i = 3; i < argc; ++i) files.push_back(argv[i]);
    if (files.empty())
        files = {L"clip.avi", L"clip.mp4", L"clip.mpg", L"clip.wmv", L"clip.wav", L"clip.mp3", L"twoaudio.avi",
                 L"audioonly.wma", L"truncated.mp4", L"random.avi"};
    {
        TZRMediaPlayer player(nullptr, 0, 0, 64, 64);
        // The first read in a process also loads the platform's filters; keep it out of the figures.
        player.Set_FilenameOrURL(dir + L"\\" + files[0]);
        player.Info_Read();
        for (const std::wstring& f : files) {
            std::vector<double> cold, cached;
            for (int r = 0; r < rounds; ++r) {
                player.Set_FilenameOrURL(dir + L"\\nothing-here");
                player.Info_Read();
                player.Set_FilenameOrURL(dir + L"\\" + f);
                double t0 = Now();
                player.Info_Read();
                cold.push_back(Now() - t0);
                t0 = Now();
                player.Info_Read();
                cached.push_back(Now() - t0);
            }
            std::printf("%ls %.1f %.4f %d %d\n", f.c_str(), Median(cold), Median(cached), player.Info_Video_Streams_Count(),
                        player.Info_Audio_Streams_Count());
            std::fflush(stdout);
        }
    }
    CoUninitialize();
    return 0;
}
