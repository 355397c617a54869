// Media information of real files, compared with what ffprobe and mediainfo report on the same files
// (tests/win/info_reference.sh writes their values beside the media just before these tests); malformed and
// missing files; the name-and-size cache; stream-number rules; the installed codec and filter lists.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/codecnames.h"
#include "info/boundedcall.h"
#include "graph/comptr.h"
#include "playerfixture.h"

namespace {

// A probe given up on (Wine's parser stalled on a malformed file) may still sit inside GStreamer, and the
// clean-up of the process's native libraries at exit then crashes (even after TerminateProcess). Such a
// run ends as soon as the results are printed, with their verdict: under 64-bit Wine by the host system's
// exit_group call, which skips that clean-up; elsewhere by TerminateProcess.
struct TEndWithoutPlatformCleanUp : ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest& unitTest) override {
        if (AbandonedProbes() == 0) return;
        const int verdict = unitTest.Passed() ? 0 : 1;
        std::printf("%u probe(s) given up; ending without the platform's clean-up\n", AbandonedProbes());
        std::fflush(stdout);
        std::fflush(stderr);
#if defined(__x86_64__)
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
            long long code = verdict;
            asm volatile("mov $231, %%eax\n\tmov %0, %%rdi\n\tsyscall" ::"r"(code) : "rax", "rdi", "rcx", "r11", "memory");
        }
#endif
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(verdict));
    }
};
// Appended after the result printer, so the results are printed first.
const bool kEndListenerAdded =
    (::testing::UnitTest::GetInstance()->listeners().Append(new TEndWithoutPlatformCleanUp), true);

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string Narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
    return r;
}

// file -> tool -> field -> value, from info_reference.txt.
using Reference = std::map<std::string, std::map<std::string, std::map<std::string, std::string>>>;

bool LoadReference(Reference& ref) {
    std::ifstream in(MediaPath(L"info_reference.txt").c_str());
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        std::string file, tool, field, value;
        if (std::getline(s, file, '\t') && std::getline(s, tool, '\t') && std::getline(s, field, '\t') &&
            std::getline(s, value))
            ref[file][tool][field] = value;
    }
    return !ref.empty();
}

// The clock text of whole seconds below an hour, as the reader writes lengths.
std::wstring MinutesSeconds(int64_t ms) {
    wchar_t buf[32];
    const int64_t s = ms / 1000;
    swprintf(buf, 32, L"%02lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
    return buf;
}

// A length's clock text holds whole seconds, cut rather than rounded (2967 ms is "00:02"); it is that of a
// length within the tolerance of the tool's.
void ExpectLengthText(const std::wstring& text, int64_t ms, double toolMs) {
    EXPECT_EQ(text, MinutesSeconds(ms));
    const std::wstring low = MinutesSeconds(static_cast<int64_t>(toolMs) - 45);
    const std::wstring high = MinutesSeconds(static_cast<int64_t>(toolMs) + 45);
    EXPECT_TRUE(text == low || text == high);
}

// A folder of this process's own (a probe given up on elsewhere may still hold files open).
std::wstring TempDir(const wchar_t* name) {
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + name + L" " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <class F>
std::string ThrownText(F&& f) {
    try {
        f();
    } catch (const std::out_of_range& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// Uncompressed formats a decoding splitter hands out instead of the file's own compression.
bool IsDecodedFourCC(const std::wstring& f) {
    for (const wchar_t* d : {L"I420", L"YV12", L"IYUV", L"NV12", L"AYUV", L"YUY2", L"UYVY", L"YVYU", L"RGB"})
        if (f == d) return true;
    return false;
}

class InfoTest : public PlayerTest {
protected:
    void SetUp() override { MakePlayer(false); }
    bool Read(const std::wstring& path) {
        player->Set_FilenameOrURL(path);
        return player->Info_Read();
    }
};

// Every field the reader shares with ffprobe and mediainfo, per generated file, within these tolerances:
// stream counts, width, height, sample rate and channels exactly; frame rate within 0.01 fps; lengths within
// 45 ms (one frame at 25 fps, plus rounding); frame counts within 1; aspect within 0.001. Where the reader's
// value is the one its own rules prescribe (clock texts of whole seconds, the file's bytes per second as
// video bitrate, the wave format's bytes per second as audio bitrate), the test checks that value. Codec names
// are checked against the tools where the platform's detector exposes the file's own compression; where it
// exposes the decoded type instead (Wine's decoding splitter), the test checks that the name is that of a
// decoded format and reports the field as "decoded".
TEST_F(InfoTest, AgreesWithFfprobeAndMediainfo) {
    Reference ref;
    ASSERT_TRUE(LoadReference(ref)) << "no reference values: run tests/win/info_reference.sh on the media folder";
    const char* files[] = {"clip.avi", "clip.mp4", "clip.mpg", "clip.wmv", "clip.wav", "clip.mp3", "twoaudio.avi",
                           "videoonly.avi", "audioonly.mp4", "audioonly.wma", "videoonly.wmv", "truncated.mp4",
                           "random.avi"};
    std::map<std::string, std::map<std::string, std::string>> outcome;  // field -> file -> outcome
    for (const char* file : files) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(ref.count(file)) << "no reference values for the file";
        ASSERT_TRUE(Read(MediaPath(Widen(file).c_str())));
        const int64_t size = std::stoll(ref[file]["file"]["size"]);
        for (const char* tool : {"ffprobe", "mediainfo"}) {
            SCOPED_TRACE(tool);
            auto& r = ref[file][tool];
            auto has = [&](const std::string& k) { return r.count(k) > 0; };
            auto num = [&](const std::string& k) { return std::stod(r[k]); };
            auto note = [&](const std::string& field, const std::string& what) {
                std::string& o = outcome[field][file];
                if (o.find(what) == std::string::npos) o += (o.empty() ? "" : ", ") + what;
            };

            EXPECT_EQ(player->Info_Video_Streams_Count(), num("video_streams"));
            EXPECT_EQ(player->Info_Audio_Streams_Count(), num("audio_streams"));
            EXPECT_EQ(player->Info_Text_Streams_Count(), num("text_streams"));
            note("stream counts", "match");

            if (player->Info_Video_Streams_Count() > 0) {
                EXPECT_EQ(player->Info_Video_Width(0), num("width"));
                EXPECT_EQ(player->Info_Video_Height(0), num("height"));
                note("width, height", "match");
                EXPECT_NEAR(player->Info_Video_FrameRate(0), num("frame_rate"), 0.01);
                note("frame rate", "match");
                const int32_t ms = player->Info_Video_DurationMSec(0);
                EXPECT_NEAR(ms, num("duration_ms"), 45);
                note("video length", "within " + std::to_string(static_cast<int>(std::abs(ms - num("duration_ms")))) + " ms");
                ExpectLengthText(player->Info_Video_Duration(0), ms, num("duration_ms"));
                if (has("frames")) {
                    EXPECT_NEAR(player->Info_Video_FramesCount(0), num("frames"), 1);
                    note("frame count", "within 1");
                }
                EXPECT_NEAR(player->Info_Video_AspectRatio(0), num("width") / num("height"), 0.001);
                if (has("aspect")) {
                    EXPECT_NEAR(player->Info_Video_AspectRatio(0), num("aspect"), 0.001);
                }
                EXPECT_EQ(player->Info_Video_AspectRatioStr(0), L"4:3");
                EXPECT_EQ(player->Info_Video_AspectW(0), 4);
                EXPECT_EQ(player->Info_Video_AspectH(0), 3);
                // The detector's type carries no bitrate here: the reader's value is the whole file's bytes per
                // second (not the video stream's bits per second that the tools give).
                EXPECT_NEAR(player->Info_Video_Bitrate(0), static_cast<double>(size) * 1000.0 / ms, 1e-6);
                note("video bitrate", "file bytes/s (prescribed)");
                const std::wstring fourcc = player->Info_Video_FourCC(0);
                EXPECT_EQ(player->Info_Video_Codec(0), VideoCodecName(fourcc));
                if (has("codec_tag") && fourcc == Widen(r["codec_tag"])) {
                    note("video FourCC, codec", "match");
                } else {
                    EXPECT_TRUE(IsDecodedFourCC(fourcc)) << Narrow(fourcc);
                    note("video FourCC, codec", "decoded " + Narrow(fourcc) + " vs " + (has("codec_tag") ? r["codec_tag"] : r["codec"]));
                }
                EXPECT_EQ(player->Info_Video_MpegAudioTag(0), L"");
            }
            for (int i = 0; i < player->Info_Audio_Streams_Count(); ++i) {
                SCOPED_TRACE(i);
                const std::string a = "audio" + std::to_string(i) + "_";
                EXPECT_EQ(player->Info_Audio_SampleRate(i), num(a + "sample_rate"));
                EXPECT_EQ(player->Info_Audio_Channels(i), num(a + "channels"));
                note("sample rate, channels", "match");
                const int32_t ms = player->Info_Audio_DurationMSec(i);
                EXPECT_NEAR(ms, num(a + "duration_ms"), 45);
                note("audio length", "within " + std::to_string(static_cast<int>(std::abs(ms - num(a + "duration_ms")))) + " ms");
                ExpectLengthText(player->Info_Audio_Duration(i), ms, num(a + "duration_ms"));
                // The wave format's average bytes per second (prescribed unit).
                const int32_t bps = player->Info_Audio_BPS(i);
                EXPECT_EQ(player->Info_Audio_Bitrate(i),
                          player->Info_Audio_SampleRate(i) * player->Info_Audio_Channels(i) * bps / 8);
                const std::wstring codec = player->Info_Audio_Codec(i);
                const bool sameTag = has(a + "format_tag") &&
                                     codec == AudioCodecName(static_cast<uint16_t>(std::stoi(r[a + "format_tag"])));
                if (sameTag) {
                    note("audio codec", "match");
                    if (has(a + "bits")) {
                        EXPECT_EQ(bps, num(a + "bits"));
                    }
                    note("bits per sample", has(a + "bits") ? "match" : "tool has none");
                } else {
                    EXPECT_TRUE(codec == L"Microsoft PCM Format" || codec == L"IEEE FLOAT" || codec == L"Extensible wave format")
                        << Narrow(codec);
                    EXPECT_TRUE(bps == 16 || bps == 32) << bps;
                    note("audio codec", "decoded " + Narrow(codec) + " vs " + r[a + "codec"]);
                    note("bits per sample", "decoded " + std::to_string(bps) + (has(a + "bits") ? " vs " + r[a + "bits"] : ""));
                }
                EXPECT_EQ(player->Info_Audio_CodecInfo(i), L"");
            }
        }
    }
    // The outcome per field, for the record.
    for (auto& [field, files] : outcome) {
        std::printf("%s:\n", field.c_str());
        for (auto& [file, o] : files) std::printf("  %-14s %s\n", file.c_str(), o.c_str());
    }
}

// Files that are no media, are cut short, are missing or are no files: neutral results, the fixed codes of
// the real render failures, no hang. The container name follows the extension; a missing file leaves the
// previous read's name in place.
TEST_F(InfoTest, MalformedAndMissingFiles) {
    const std::wstring dir = TempDir(L"zr info malformed");
    WriteBytes(dir + L"empty.avi", "");
    WriteBytes(dir + L"notes.mpg", std::string(5000, 'x'));
    // A WAV header with no channels, no rate and a data chunk far longer than the file.
    const char zeroWav[] = "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\0\0\0\0\0\0\0\0\0\0\0\0\x10\0data\xff\xff\xff\x7f";
    WriteBytes(dir + L"zero.wav", std::string(zeroWav, sizeof zeroWav - 1) + std::string(1000, '\0'));

    const wchar_t* kCannotRender = L"No combination of dsFilters could be found to render the stream.";
    const struct Row {
        std::wstring path;
        const wchar_t* format;  // nullptr: the previous read's
        TZRFilePlayError code;
        const wchar_t* text;
    } rows[] = {
        {MediaPath(L"truncated.mp4"), L"MPEG 4", ZR_FP_CANNOT_RENDER, kCannotRender},
        {MediaPath(L"random.avi"), L"AVI", ZR_FP_CANNOT_RENDER, kCannotRender},
        {dir + L"empty.avi", L"AVI", ZR_FP_CANNOT_RENDER, kCannotRender},
        {dir + L"notes.mpg", L"MPEG 1/2", ZR_FP_CANNOT_RENDER, kCannotRender},
        {dir + L"zero.wav", L"WAV", ZR_FP_CANNOT_RENDER, kCannotRender},
        // RenderFile's own file errors are not among the listed results.
        {dir + L"missing.mp4", nullptr, ZR_FP_UNKNOWN_ERROR, L"Unknown error."},
        {dir, nullptr, ZR_FP_UNKNOWN_ERROR, L"Unknown error."},
    };
    std::wstring previousFormat;
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.path));
        DWORD start = GetTickCount();
        ASSERT_TRUE(Read(row.path));
        // Two probes at most, each given up when the platform's parser stalls on the file.
        EXPECT_LT(GetTickCount() - start, 2 * kProbeTimeoutMs + 5000);
        EXPECT_EQ(player->Info_Video_Streams_Count(), 0);
        EXPECT_EQ(player->Info_Audio_Streams_Count(), 0);
        EXPECT_EQ(player->Info_Text_Streams_Count(), 0);
        EXPECT_FALSE(player->Info_Audio_Streams_AllInOne());
        EXPECT_EQ(player->Info_FileFormat(), row.format ? row.format : previousFormat);
        previousFormat = player->Info_FileFormat();
        EXPECT_EQ(player->Info_Video_Width(0), 0);
        EXPECT_EQ(player->Info_Video_Duration(0), L"");
        EXPECT_EQ(ThrownText([&] { player->Info_Audio_Codec(0); }), "List index out of bounds (0)");

        TZRFilePlayError code = ZR_FP_OK;
        std::wstring text = L"unchanged";
        start = GetTickCount();
        EXPECT_FALSE(player->Info_IsFilePlayable(code, text));
        const DWORD took = GetTickCount() - start;
        EXPECT_LT(took, kProbeTimeoutMs + 5000);
        if (took >= kProbeTimeoutMs) {
            // Wine's parser stalled on this file now and then: the render was given up.
            EXPECT_EQ(code, ZR_FP_UNKNOWN_ERROR);
            EXPECT_EQ(text, L"Unknown error.");
            std::printf("trial render of %s given up after %lu ms\n", Narrow(row.path).c_str(), took);
        } else {
            EXPECT_EQ(code, row.code);
            EXPECT_EQ(text, row.text);
        }
    }
    EXPECT_TRUE(log.errors.empty());
    for (const wchar_t* f : {L"empty.avi", L"notes.mpg", L"zero.wav"}) DeleteFileW((dir + f).c_str());
    RemoveDirectoryW(dir.c_str());
}

TEST_F(InfoTest, PlayableFilesAndTheirCodes) {
    for (const wchar_t* f : {L"clip.avi", L"clip.mp4", L"clip.mpg", L"clip.wmv", L"clip.mp3", L"audioonly.wma"}) {
        SCOPED_TRACE(Narrow(f));
        player->Set_FilenameOrURL(MediaPath(f));
        TZRFilePlayError code = ZR_FP_FAIL;
        std::wstring text;
        EXPECT_TRUE(player->Info_IsFilePlayable(code, text));
        EXPECT_EQ(code, ZR_FP_OK);
        EXPECT_EQ(text, L"Success");
    }
    // The trial render never plays and builds no playback graph.
    EXPECT_FALSE(player->HasGraph());
    EXPECT_EQ(player->Status(), ST_FREE);
}

// A probe that does not come back is given up after its time; it goes on alone and may finish later.
TEST(BoundedProbe, GivesUpOnAStalledProbe) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    DWORD start = GetTickCount();
    EXPECT_FALSE(RunBounded([finished] {
        Sleep(1500);
        *finished = true;
    }, 100));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(*finished);
    start = GetTickCount();
    EXPECT_TRUE(RunBounded([] { Sleep(50); }, 5000));
    EXPECT_TRUE(RunBounded([] { throw std::runtime_error("inside the probe"); }, 5000));
    // The probe runs in a multithreaded apartment of its own.
    APTTYPE type = APTTYPE_STA;
    APTTYPEQUALIFIER qualifier;
    EXPECT_TRUE(RunBounded([&type, &qualifier] { CoGetApartmentType(&type, &qualifier); }, 5000));
    EXPECT_EQ(type, APTTYPE_MTA);
    PumpUntil([&] { return finished->load(); }, 3000);
    EXPECT_TRUE(*finished);
}

// The same unchanged file (same name, same size) is probed once; a new size or another spelling of the name
// probes again. A WAV header's channel count, changed in place, shows which reads probed.
TEST_F(InfoTest, CacheKeyedOnNameAndSize) {
    const std::wstring dir = TempDir(L"zr info cache");
    const std::wstring path = dir + L"cache.wav";
    std::string wav = ReadBytes(MediaPath(L"clip.wav"));
    ASSERT_GT(wav.size(), 44u);
    ASSERT_EQ(wav[22], 2);
    WriteBytes(path, wav);
    ASSERT_TRUE(Read(path));
    EXPECT_EQ(player->Info_Audio_Channels(0), 2);

    auto setChannels = [&](int channels, size_t extra) {
        std::string b = wav;
        b[22] = static_cast<char>(channels);
        b[32] = static_cast<char>(2 * channels);  // block align
        const uint32_t avg = 44100u * 2 * channels;
        for (int i = 0; i < 4; ++i) b[28 + i] = static_cast<char>(avg >> (8 * i));
        WriteBytes(path, b + std::string(extra, '\0'));
    };
    setChannels(1, 0);
    ASSERT_TRUE(Read(path));
    EXPECT_EQ(player->Info_Audio_Channels(0), 2) << "same name and size: the earlier reading stands";

    std::wstring upper = path;
    for (auto& c : upper) c = static_cast<wchar_t>(towupper(c));
    ASSERT_TRUE(Read(upper));
    EXPECT_EQ(player->Info_Audio_Channels(0), 1) << "a name in other letter case is another key";

    setChannels(2, 4);
    ASSERT_TRUE(Read(upper));
    EXPECT_EQ(player->Info_Audio_Channels(0), 2) << "a new size probes again";

    // Playing reads through the same cache: an unchanged file is not probed again (still 2 channels although
    // the header now says 1).
    setChannels(1, 4);
    player->Set_FilenameOrURL(upper);
    ASSERT_TRUE(player->Play());
    EXPECT_EQ(player->Info_Audio_Channels(0), 2);
    player->Close();
    DeleteFileW(path.c_str());
    RemoveDirectoryW(dir.c_str());
}

// The window the other thread sends to: message WM_APP + 1 is counted, WM_APP + 2 plays another file.
struct TWaitTarget {
    TZRMediaPlayer* player;
    int sent = 0;
    bool nestedDone = false, graphAtCall = true, nestedPlayed = false;
};

LRESULT CALLBACK WaitTargetProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* c = reinterpret_cast<TWaitTarget*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (c && msg == WM_APP + 1) return ++c->sent;
    if (c && msg == WM_APP + 2) {
        c->graphAtCall = c->player->HasGraph();
        c->player->Set_FilenameOrURL(MediaPath(L"clip.wav"));
        c->nestedPlayed = c->player->Play();
        c->nestedDone = true;
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// While the reader waits for its probes, the window thread answers other threads: a probe that sends a
// message to one of its windows completes at once instead of stalling for the whole bound. A host call
// arriving there (a Play of another file, made while Play reads a file's information) is the later call:
// its playback stands, the interrupted Play builds nothing, and the information is that of the file playing.
TEST_F(InfoTest, WaitAnswersOtherThreadsAndHostCalls) {
    TWaitTarget ctx{player.get()};
    WNDCLASSW wc = {};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZRInfoWaitTarget";
    wc.lpfnWndProc = WaitTargetProc;
    RegisterClassW(&wc);
    HWND target = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(target);
    SetWindowLongPtrW(target, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ctx));

    const DWORD start = GetTickCount();
    EXPECT_TRUE(RunBounded([target] { SendMessageW(target, WM_APP + 1, 0, 0); }, 5000));
    EXPECT_LT(GetTickCount() - start, 4000u);
    EXPECT_EQ(ctx.sent, 1);

    // clip.avi is new to this player, so Play probes it; the other thread's call arrives while it waits.
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread caller([&] {
        WaitForSingleObject(go, INFINITE);
        SendMessageW(target, WM_APP + 2, 0, 0);
    });
    player->Set_FilenameOrURL(MediaPath(L"clip.avi"));
    SetEvent(go);
    EXPECT_FALSE(player->Play());
    const bool nestedInside = ctx.nestedDone;
    const bool playing = player->Status() == ST_PLAY && player->HasGraph();
    PumpUntil([&] { return ctx.nestedDone; }, 20000);
    caller.join();
    CloseHandle(go);
    EXPECT_TRUE(nestedInside) << "the other thread's call was answered while Play waited";
    EXPECT_FALSE(ctx.graphAtCall) << "the call came while the information was read, before any build";
    EXPECT_TRUE(ctx.nestedPlayed);
    EXPECT_TRUE(playing);
    EXPECT_EQ(log.starts, 1);
    EXPECT_FALSE(player->VideoAvailable());
    EXPECT_TRUE(player->AudioAvailable());
    EXPECT_EQ(player->Info_Video_Streams_Count(), 0);
    EXPECT_EQ(player->Info_Audio_Streams_Count(), 1);
    // The later call's playback runs to its end.
    EXPECT_TRUE(WaitStop());
    player->Close();
    EXPECT_FALSE(player->HasGraph());
    EXPECT_TRUE(log.errors.empty());
    DestroyWindow(target);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

// A read whose probe was given up (here every probe is given up at once) yields no streams, but it is not
// kept: the next Play of the same unchanged file probes again and builds its picture and sound.
class ProbeGivenUp : public InfoTest {
protected:
    void TearDown() override {
        SetProbeTimeout(kProbeTimeoutMs);
        InfoTest::TearDown();
    }
};

TEST_F(ProbeGivenUp, ReadIsNotCached) {
    player->Set_FilenameOrURL(MediaPath(L"clip.avi"));
    SetProbeTimeout(0);
    ASSERT_TRUE(player->Play());
    EXPECT_EQ(player->Info_Video_Streams_Count(), 0);
    EXPECT_FALSE(player->VideoAvailable());
    EXPECT_FALSE(player->AudioAvailable());
    player->Close();

    SetProbeTimeout(kProbeTimeoutMs);
    ASSERT_TRUE(player->Play());
    EXPECT_EQ(player->Info_Video_Streams_Count(), 1);
    EXPECT_EQ(player->Info_Audio_Streams_Count(), 1);
    EXPECT_TRUE(player->VideoAvailable());
    EXPECT_TRUE(player->AudioAvailable());
    EXPECT_TRUE(WaitPosition(200));
}

// Stream numbers: video members answer 0 or "" past the count, every member refuses a negative number,
// audio and text members refuse a number past their count, with the list error's text.
TEST_F(InfoTest, StreamNumberRules) {
    ASSERT_TRUE(Read(MediaPath(L"clip.avi")));
    ASSERT_EQ(player->Info_Video_Streams_Count(), 1);
    ASSERT_EQ(player->Info_Audio_Streams_Count(), 1);
    EXPECT_EQ(player->Info_Video_Width(5), 0);
    EXPECT_EQ(player->Info_Video_FrameRate(1), 0.0);
    EXPECT_EQ(player->Info_Video_Codec(5), L"");
    EXPECT_EQ(player->Info_Video_DurationMSec(5), 0);
    EXPECT_EQ(ThrownText([&] { player->Info_Video_Width(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ThrownText([&] { player->Info_Video_AspectRatioStr(-7); }), "List index out of bounds (-7)");
    EXPECT_EQ(ThrownText([&] { player->Info_Audio_Codec(5); }), "List index out of bounds (5)");
    EXPECT_EQ(ThrownText([&] { player->Info_Audio_SampleRate(1); }), "List index out of bounds (1)");
    EXPECT_EQ(ThrownText([&] { player->Info_Audio_DurationMSec(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ThrownText([&] { player->Info_Text_Name(0); }), "List index out of bounds (0)");
    EXPECT_EQ(player->Info_Audio_Codec(0), L"Microsoft PCM Format");
}

// The three lists hold what the device enumerator lists (named by its rules), are refilled rather than
// extended, and lead to dialogs by name in any letter case.
TEST_F(InfoTest, CodecAndFilterLists) {
    EXPECT_EQ(player->Info_List_AudioCodecs_GetCount(), 0);
    EXPECT_EQ(player->Info_List_VideoCodecs_GetCount(), 0);
    EXPECT_EQ(player->Info_List_DirectShowFilters_GetCount(), 0);
    EXPECT_EQ(ThrownText([&] { player->Info_List_AudioCodecs_GetItem(0); }), "List index out of bounds (0)");
    EXPECT_EQ(ThrownText([&] { player->Info_List_VideoCodecs_GetItem(0); }), "List index out of bounds (0)");
    EXPECT_EQ(ThrownText([&] { player->Info_List_DirectShowFilters_GetItem(0); }), "List index out of bounds (0)");

    // What the platform registers, counted independently.
    auto countCategory = [](REFGUID category) {
        ComPtr<ICreateDevEnum> devEnum;
        if (FAILED(CreateInstance(CLSID_SystemDeviceEnum, devEnum))) return -1;
        ComPtr<IEnumMoniker> e;
        if (devEnum->CreateClassEnumerator(category, e.Put(), 0) != S_OK || !e) return 0;
        int n = 0;
        ComPtr<IMoniker> m;
        while (e->Next(1, m.Put(), nullptr) == S_OK) ++n;
        return n;
    };
    auto snapshot = [&] {
        std::vector<std::wstring> all;
        for (int i = 0; i < player->Info_List_AudioCodecs_GetCount(); ++i) all.push_back(L"a:" + player->Info_List_AudioCodecs_GetItem(i));
        for (int i = 0; i < player->Info_List_VideoCodecs_GetCount(); ++i) all.push_back(L"v:" + player->Info_List_VideoCodecs_GetItem(i));
        for (int i = 0; i < player->Info_List_DirectShowFilters_GetCount(); ++i)
            all.push_back(L"f:" + player->Info_List_DirectShowFilters_GetItem(i));
        return all;
    };
    player->Info_Read_Lists();
    EXPECT_EQ(player->Info_List_AudioCodecs_GetCount(), countCategory(CLSID_AudioCompressorCategory));
    EXPECT_EQ(player->Info_List_VideoCodecs_GetCount(), countCategory(CLSID_VideoCompressorCategory));
    EXPECT_EQ(player->Info_List_DirectShowFilters_GetCount(), countCategory(CLSID_LegacyAmFilterCategory));
    const auto first = snapshot();
    player->Info_Read_Lists();
    EXPECT_EQ(snapshot(), first);
    bool splitter = false;
    for (const auto& n : first) splitter |= n == L"f:GStreamer splitter filter";
    EXPECT_TRUE(splitter);
    EXPECT_EQ(ThrownText([&] { player->Info_List_DirectShowFilters_GetItem(static_cast<int32_t>(first.size())); }),
              "List index out of bounds (" + std::to_string(first.size()) + ")");

    // Dialogs: a filter with property pages, found in any letter case; a name not listed has none.
    EXPECT_TRUE(player->Info_Filter_HasDialog(L"AVI Mux", ppDefault));
    EXPECT_TRUE(player->Info_Filter_HasDialog(L"avi MUX", ppDefault));
    EXPECT_FALSE(player->Info_Filter_HasDialog(L"AVI Mux", ppVFWCompConfig));
    EXPECT_FALSE(player->Info_Filter_HasDialog(L"No Such Filter", ppDefault));
    EXPECT_FALSE(player->Info_Video_Codec_HasDialog(L"No Such Codec", ppDefault));
    EXPECT_FALSE(player->Info_Audio_Codec_HasDialog(L"AVI Mux", ppDefault));  // not an audio codec
    player->Info_Filter_ShowDialog(L"No Such Filter", ppDefault);              // shows nothing, returns at once
    player->Info_Video_Codec_ShowDialog(L"No Such Codec", ppVFWCompAbout);

    // Wine's AVI Mux names property pages (ISpecifyPropertyPages) but cannot list them (GetPages is
    // E_NOTIMPL): showing its dialog comes back at once, quietly.
    const DWORD start = GetTickCount();
    player->Info_Filter_ShowDialog(L"avi mux", ppDefault);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(log.errors.empty());
}

}  // namespace
