// Pause, resume, stop, positions, durations, speed and frame stepping.
#include <windows.h>
#include <dshow.h>
#include <cmath>

#include "core/timeconv.h"
#include "graph/graphutil.h"
#include "info/videoinfo.h"
#include "player/player.h"
#include "player/texts.h"

void TZRMediaPlayer::Pause() {
    if (FStatus != ST_PLAY || !dsMediaControl) return;
    try {
        FPUGuard guard;
        TMotionHold hold(*this);
        if (FAILED(dsMediaControl->Pause())) throw 1;
        FStatus = ST_PAUSE;
    } catch (...) {
        ReportError(ZRText::kUnableToPause);
    }
}

void TZRMediaPlayer::Resume() {
    if (FStatus != ST_PAUSE || !dsMediaControl) return;
    try {
        FPUGuard guard;
        if (FAILED(dsMediaControl->Run())) throw 1;
        FStatus = ST_PLAY;
    } catch (...) {
        ReportError(ZRText::kUnableToResume);
    }
}

void TZRMediaPlayer::Stop() {
    if (FStatus == ST_FREE) return;
    try {
        if (dsMediaControl) {
            FPUGuard guard;
            TMotionHold hold(*this);
            dsMediaControl->Stop();
        }
    } catch (...) {
    }
    try {
        FStatus = ST_FREE;
        Close();
        Repaint();
        if (FHandle) SendMessageW(FHandle, WM_PAINT, 0, 0);
        FSource_Stream.Reset();
    } catch (...) {
        ReportError(ZRText::kStopException);
    }
}

// Every seek goes through here. A running or paused graph is stopped first, positioned, and then put back
// into the state it had: some platform splitters cannot stop any more once positions were changed while
// they stream, and a stopped graph accepts new positions on every platform.
HRESULT TZRMediaPlayer::SeekTo(LONGLONG current, DWORD currentFlags, LONGLONG stop, DWORD stopFlags) {
    if (!dsMediaSeeking) return E_POINTER;
    FPUGuard guard;
    TMotionHold hold(*this);
    OAFilterState state = State_Stopped;
    if (dsMediaControl && dsMediaControl->GetState(200, &state) == VFW_S_STATE_INTERMEDIATE) state = State_Paused;
    if (dsMediaControl && state != State_Stopped) dsMediaControl->Stop();
    HRESULT hr = dsMediaSeeking->SetPositions(&current, currentFlags, &stop, stopFlags);
    if (dsMediaControl) {
        if (state == State_Running) dsMediaControl->Run();
        else if (state == State_Paused) dsMediaControl->Pause();
    }
    return hr;
}

// The length of one frame in graph units, or 0 when the playback does not tell.
LONGLONG TZRMediaPlayer::FrameDuration() {
    try {
        if (dsFilterGraph) {
            ComPtr<IBasicVideo> bv = dsFilterGraph.As<IBasicVideo>();
            REFTIME t = 0;
            if (bv && SUCCEEDED(bv->get_AvgTimePerFrame(&t)) && std::isfinite(t) && t > 0 && t < 10)
                return static_cast<LONGLONG>(std::llround(t * 10000000.0));
        }
        if (Info && Info->VideoStreamsCount() > 0) {
            double fr = Info->Video_FrameRate(0);
            if (std::isfinite(fr) && fr > 0.1) return static_cast<LONGLONG>(std::llround(10000000.0 / fr));
        }
    } catch (...) {
    }
    return 0;
}

int32_t TZRMediaPlayer::Position_Get_Time() {
    if (FStatus == ST_FREE) return 0;
    try {
        if (FSource_Mode == SM_DVD) return 0;
        if (!dsMediaSeeking) return 0;
        LONGLONG pos = 0;
        FPUGuard guard;
        if (FAILED(dsMediaSeeking->GetCurrentPosition(&pos))) return 0;
        return UnitsToMs(pos);
    } catch (...) {
        return 0;
    }
}

int32_t TZRMediaPlayer::Duration_Time() {
    if (FStatus == ST_FREE) return 0;
    try {
        if (FSource_Mode == SM_DVD) return 0;
        if (!dsMediaSeeking) return 0;
        LONGLONG d = 0;
        if (FAILED(dsMediaSeeking->GetDuration(&d))) return 0;
        return UnitsToMs(d);
    } catch (...) {
        return 0;
    }
}

namespace {
// Reads a position or duration in frames. Where the graph cannot count in frames, the media time is
// divided by the frame length; a media time is never handed out as a frame number.
int32_t ReadFrames(IMediaSeeking* seeking, bool duration, LONGLONG frameLength) {
    LONGLONG v = 0;
    FPUGuard guard;
    if (seeking->SetTimeFormat(&TIME_FORMAT_FRAME) == S_OK) {
        HRESULT hr = duration ? seeking->GetDuration(&v) : seeking->GetCurrentPosition(&v);
        seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
        return SUCCEEDED(hr) ? static_cast<int32_t>(v) : 0;
    }
    seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    if (frameLength <= 0) return 0;
    HRESULT hr = duration ? seeking->GetDuration(&v) : seeking->GetCurrentPosition(&v);
    if (FAILED(hr) || v < 0) return 0;
    // A position inside a frame belongs to that frame; a duration counts the frames that start in it.
    LONGLONG frames = duration ? (v + frameLength / 2) / frameLength : (v + frameLength / 100) / frameLength;
    return static_cast<int32_t>(frames);
}
}  // namespace

int32_t TZRMediaPlayer::Position_Get_Frame() {
    if (FStatus == ST_FREE) return 0;
    try {
        if (FSource_Mode == SM_DVD || !dsMediaSeeking) return 0;
        return ReadFrames(dsMediaSeeking.Get(), false, FrameDuration());
    } catch (...) {
        return 0;
    }
}

int32_t TZRMediaPlayer::Duration_Frames() {
    if (FStatus == ST_FREE) return 0;
    try {
        if (FSource_Mode == SM_DVD || !dsMediaSeeking) return 0;
        return ReadFrames(dsMediaSeeking.Get(), true, FrameDuration());
    } catch (...) {
        return 0;
    }
}

bool TZRMediaPlayer::Position_Set_Time(int32_t position) {
    try {
        if (FSource_Mode == SM_DVD) return false;
        if (!dsMediaSeeking) return false;
        return SeekTo(MsToUnits(position), AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning) == S_OK;
    } catch (...) {
        return false;
    }
}

bool TZRMediaPlayer::Position_Set_Frame(int32_t position) {
    try {
        if ((FSource_Mode != SM_File && FSource_Mode != SM_Memory) || !dsMediaSeeking) return false;
        HRESULT hr;
        {
            FPUGuard guard;
            hr = dsMediaSeeking->SetTimeFormat(&TIME_FORMAT_FRAME);
        }
        if (hr == S_OK) {
            hr = SeekTo(static_cast<LONGLONG>(position), AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning);
            FPUGuard guard;
            dsMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
            return hr == S_OK;
        }
        {
            FPUGuard guard;
            dsMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
        }
        // Frame numbers through the media time: frame n starts at n frame lengths.
        LONGLONG frame = FrameDuration();
        if (frame <= 0 || position < 0) return false;
        return SeekTo(static_cast<LONGLONG>(position) * frame, AM_SEEKING_AbsolutePositioning, 0,
                      AM_SEEKING_NoPositioning) == S_OK;
    } catch (...) {
        return false;
    }
}

bool TZRMediaPlayer::SetSpeed(double speed) {
    if (!dsMediaSeeking) return false;
    bool result = false;
    try {
        if (FStatus != ST_PAUSE && dsMediaControl) {
            FPUGuard guard;
            TMotionHold hold(*this);
            dsMediaControl->Pause();
            FStatus = ST_PAUSE;
        }
        try {
            FPUGuard guard;
            // Success means the graph now runs at that rate: a graph that accepts the rate but keeps its
            // old one has not changed speed.
            double now = 0;
            result = dsMediaSeeking->SetRate(speed) == S_OK && dsMediaSeeking->GetRate(&now) == S_OK &&
                     std::fabs(now - speed) < 1e-6;
        } catch (...) {
            result = false;
        }
        if (FStatus != ST_PLAY && dsMediaControl) {
            FPUGuard guard;
            dsMediaControl->Run();
            FStatus = ST_PLAY;
        }
        return result;
    } catch (...) {
        return false;
    }
}

bool TZRMediaPlayer::NextFrame() {
    if (!dsFrameStep) return false;
    try {
        if (FStatus != ST_PAUSE && dsMediaControl) {
            FPUGuard guard;
            TMotionHold hold(*this);
            dsMediaControl->Pause();
            FStatus = ST_PAUSE;
        }
        HRESULT hr = dsFrameStep->Step(1, nullptr);
        if (hr == S_OK) return true;
        if (hr != E_NOTIMPL) return false;
        // No frame stepping in this graph: move the paused picture on by one frame length.
        LONGLONG frame = FrameDuration();
        if (frame <= 0 || !dsMediaSeeking) return false;
        LONGLONG pos = 0;
        {
            FPUGuard guard;
            if (FAILED(dsMediaSeeking->GetCurrentPosition(&pos))) return false;
        }
        return SeekTo(pos + frame, AM_SEEKING_AbsolutePositioning, 0, AM_SEEKING_NoPositioning) == S_OK;
    } catch (...) {
        return false;
    }
}
