// Media information members.
#include "graph/graphutil.h"
#include "info/videoinfo.h"
#include "player/player.h"

bool TZRMediaPlayer::Info_Read() {
    try {
        if (!Info) return false;
        int64_t size = GetFileSize64(FFilenameOrURL);
        if (FPreviousInfoFileName == FFilenameOrURL && size == FPreviousInfoFileSize) return true;
        FPreviousInfoFileName = FFilenameOrURL;
        FPreviousInfoFileSize = size;
        Info->FileName = FFilenameOrURL;
        Info->ReadInfo();
        return true;
    } catch (...) {
        return false;
    }
}

std::wstring TZRMediaPlayer::Info_FileFormat() {
    try {
        return Info ? Info->FileFormat() : std::wstring();
    } catch (...) {
        return {};
    }
}
