// A player in a host window, with its events recorded.
#pragma once
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "player/player.h"
#include "testutil.h"

struct EventLog {
    int stops = 0;
    int starts = 0;
    std::vector<std::wstring> errors;
    bool HasError(const std::wstring& text) const {
        for (auto& e : errors)
            if (e == text) return true;
        return false;
    }
};

class PlayerTest : public ::testing::Test {
protected:
    // topLevel: the player is its own top-level window (Direct3D renderers show only there under Wine);
    // otherwise it is a child of a top-level host window.
    void MakePlayer(bool topLevel, int w = 320, int h = 240, int x = 40, int y = 40) {
        player.reset();
        if (host) DestroyWindow(host);
        host = nullptr;
        if (topLevel) {
            player = std::make_unique<TZRMediaPlayer>(nullptr, x, y, w, h);
            SetWindowPos(player->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        } else {
            host = CreateHostWindow(x, y, w + 40, h + 40);
            player = std::make_unique<TZRMediaPlayer>(host, 0, 0, w, h);
        }
        player->OnStop.Set([](void* c) { static_cast<EventLog*>(c)->stops++; }, &log);
        player->OnStart.Set([](void* c) { static_cast<EventLog*>(c)->starts++; }, &log);
        player->OnError.Set([](void* c, const wchar_t* t) { static_cast<EventLog*>(c)->errors.push_back(t); }, &log);
    }
    void SetUp() override {}
    void TearDown() override {
        if (player) player->Close();
        player.reset();
        if (host) DestroyWindow(host);
        host = nullptr;
        PumpFor(20);
    }
    bool PlayFile(const wchar_t* name, TZRVideoRenderer r = VR_VideoRenderer) {
        player->Set_FilenameOrURL(MediaPath(name));
        player->Set_Screen_VideoRenderer(r);
        return player->Play();
    }
    // Waits until the position has moved past ms.
    bool WaitPosition(int32_t ms, DWORD timeout = 8000) {
        return PumpUntil([&] { return player->Position_Get_Time() >= ms; }, timeout);
    }
    bool WaitStop(DWORD timeout = 10000) {
        return PumpUntil([&] { return log.stops > 0; }, timeout);
    }

    HWND host = nullptr;
    EventLog log;
    std::unique_ptr<TZRMediaPlayer> player;
};
