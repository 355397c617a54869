// The callbacks the effects filter calls on its streaming thread.
#include "player/player.h"

// Frames for the host: accepted and dropped until the player keeps frames.
int32_t ZR_PIX_STDCALL TZRMediaPlayer::VideoFrame_Callback(void*, void*, uint8_t*, int32_t, int32_t, int32_t, int32_t,
                                                           int32_t, int32_t, int32_t, void*) {
    return 0;
}

// Motion reports: accepted and dropped until the player raises OnMotion from them.
int32_t ZR_PIX_STDCALL TZRMediaPlayer::Motion_Callback(void*, uint8_t*, int32_t, int32_t) { return 0; }
