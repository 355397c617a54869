// Motion reports from the effects filter: the matrix text, OnMotion on the window thread, and the hand-over
// that keeps the streaming thread from waiting on a window thread that is itself waiting for the graph.
//
// The filter's streaming thread posts the report to the player window and waits until OnMotion has returned
// there. While the window thread stops, pauses, seeks or tears the graph down (a TMotionHold lives) the
// waiting report is released at once and new reports are dropped: the graph's state change waits for the
// streaming threads, which therefore must not wait for the window thread. A report released that way raises
// no OnMotion when its message arrives later. A handler that calls Stop, Pause or Close releases the report
// it is handling the same way.
#include "player/player.h"

#include <algorithm>
#include <string>

#include "player/texts.h"

TZRMediaPlayer::TMotionHold::TMotionHold(TZRMediaPlayer& p) : FPlayer(p) {
    AcquireSRWLockExclusive(&p.FMotionLock);
    ++p.FMotionHolds;
    p.FMotionWaiting = 0;
    ReleaseSRWLockExclusive(&p.FMotionLock);
    WakeAllConditionVariable(&p.FMotionDone);
}

TZRMediaPlayer::TMotionHold::~TMotionHold() {
    AcquireSRWLockExclusive(&FPlayer.FMotionLock);
    --FPlayer.FMotionHolds;
    ReleaseSRWLockExclusive(&FPlayer.FMotionLock);
}

namespace {
// The report text: `width` lines of `height` numbers, each number followed by a blank, each line ended by
// CR LF; byte k on line k / height. A matrix shorter than width * height ends the text where it ends.
std::wstring MatrixText(const uint8_t* matrix, int32_t length, int32_t width, int32_t height) {
    std::wstring text;
    if (width <= 0 || height <= 0 || length <= 0) return text;
    const int64_t count = std::min<int64_t>(static_cast<int64_t>(width) * height, length);
    text.reserve(static_cast<size_t>(count) * 4 + static_cast<size_t>(count / height + 1) * 2);
    for (int64_t k = 0; k < count; ++k) {
        text += std::to_wstring(matrix[k]);
        text += L' ';
        if ((k + 1) % height == 0 || k + 1 == count) text += L"\r\n";
    }
    return text;
}
}  // namespace

int32_t ZR_PIX_STDCALL TZRMediaPlayer::Motion_Callback(void* app, uint8_t* matrix, int32_t length, int32_t level) {
    auto* p = static_cast<TZRMediaPlayer*>(app);
    if (!p || !matrix || length == 0) return 0;
    try {
        std::wstring text = MatrixText(matrix, length, p->FMotionDetection_Matrix_Width, p->FMotionDetection_Matrix_Height);
        AcquireSRWLockExclusive(&p->FMotionLock);
        if (p->FMotionHolds > 0 || !p->FHandle) {
            ReleaseSRWLockExclusive(&p->FMotionLock);
            return 0;
        }
        p->FMotionMatrix.swap(text);
        // Reports are numbered 1 ... 2^31 - 1 (the number travels in the message's second argument).
        uint64_t report = ++p->FMotionSeq & 0x7FFFFFFF;
        if (report == 0) report = ++p->FMotionSeq & 0x7FFFFFFF;
        if (!PostMessageW(p->FHandle, WM_ZR_MOTION, static_cast<WPARAM>(static_cast<uint32_t>(level)),
                          static_cast<LPARAM>(report))) {
            ReleaseSRWLockExclusive(&p->FMotionLock);
            return 0;
        }
        p->FMotionWaiting = report;
        while (p->FMotionWaiting == report)
            SleepConditionVariableSRW(&p->FMotionDone, &p->FMotionLock, INFINITE, 0);
        ReleaseSRWLockExclusive(&p->FMotionLock);
    } catch (...) {
    }
    return 0;
}

void TZRMediaPlayer::HandleMotionMessage(WPARAM level, LPARAM report) {
    const uint64_t id = static_cast<uint64_t>(report);
    std::wstring matrix;
    AcquireSRWLockShared(&FMotionLock);
    const bool waiting = id != 0 && FMotionWaiting == id;
    if (waiting) {
        try { matrix = FMotionMatrix; } catch (...) {}
    }
    ReleaseSRWLockShared(&FMotionLock);
    if (!waiting) return;  // released while the message was on its way
    try {
        if (OnMotion) OnMotion(static_cast<int32_t>(static_cast<uint32_t>(level)), matrix.c_str());
    } catch (...) {
    }
    AcquireSRWLockExclusive(&FMotionLock);
    if (FMotionWaiting == id) FMotionWaiting = 0;
    ReleaseSRWLockExclusive(&FMotionLock);
    WakeAllConditionVariable(&FMotionDone);
}

std::wstring TZRMediaPlayer::MotionMatrix() {
    AcquireSRWLockShared(&FMotionLock);
    std::wstring m;
    try { m = FMotionMatrix; } catch (...) {}
    ReleaseSRWLockShared(&FMotionLock);
    return m;
}

void TZRMediaPlayer::MotionDetection_Update() {
    try {
        if (dsVideoEffects && dsVideoEffects->FIntfAvailable) VideoEffects_SetupMotion();
    } catch (...) {
    }
}
