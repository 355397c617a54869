// Debug mode: the playback graph in the running object table while it exists, and dumps of it.
#include "info/graphdump.h"
#include "player/player.h"

void TZRMediaPlayer::RegisterGraphForDebug() {
    try {
        FRotRegister = 0;
        DWORD number = 0;
        if (dsFilterGraph && SUCCEEDED(AddGraphToRot(dsFilterGraph.Get(), &number))) FRotRegister = number;
    } catch (...) {
    }
}

// <Debug_Dir><baseName>.grf, then <Debug_Dir><baseName>.txt. Nothing is reported: a dump that cannot be
// written is simply missing.
void TZRMediaPlayer::SaveGraphDumps(const wchar_t* baseName) {
    try {
        if (!dsFilterGraph || !baseName) return;
        const std::wstring base = FDebug_Dir + baseName;
        SaveGraphFile(dsFilterGraph.Get(), base + L".grf");
        SaveGraphText(dsFilterGraph.Get(), base + L".txt");
    } catch (...) {
    }
}
