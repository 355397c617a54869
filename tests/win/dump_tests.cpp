// Debug mode: the playback graph in the running object table under its display name while it lives, the text
// dumps at the three moments of a playback checked line by line against the graph, the graph files, and the
// playability test's own registration. Also the media-type names against the platform's identifiers.
#include <initguid.h>  // the platform's media-type identifiers, defined here (select-any) for the name table
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "graph/comptr.h"
#include "graph/mtdescr.h"
#include "playerfixture.h"

namespace {

std::string Narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
    return r;
}

std::wstring TempDir(const wchar_t* name) {
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + name + L"\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveDumps(const std::wstring& base) {
    for (const wchar_t* m : {L"play0", L"play_run", L"play_last"})
        for (const wchar_t* ext : {L".grf", L".txt"}) DeleteFileW((base + m + ext).c_str());
}

// The lines of a text dump. Every line must end in CR LF, with no other CR or LF and no byte-order mark.
std::vector<std::string> DumpLines(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    EXPECT_TRUE(in.good()) << Narrow(path);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.rfind("\xEF\xBB\xBF", 0) == 0 || bytes.rfind("\xFF\xFE", 0) == 0) << "byte-order mark";
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF in " << Narrow(path);
            break;
        }
        const std::string line = bytes.substr(at, end - at);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray CR or LF: " << line;
        lines.push_back(line);
        at = end + 2;
    }
    return lines;
}

std::string Name(const WCHAR* field, size_t capacity) {
    size_t n = 0;
    while (n < capacity && field[n]) ++n;
    return Narrow(std::wstring(field, n));
}

// The description of a graph as the dump lays it out, gathered here with the platform's own calls.
std::vector<std::string> Describe(IFilterGraph* graph) {
    std::vector<ComPtr<IBaseFilter>> filters;
    ComPtr<IEnumFilters> ef;
    EXPECT_EQ(graph->EnumFilters(ef.Put()), S_OK);
    ComPtr<IBaseFilter> f;
    while (ef->Next(1, f.Put(), nullptr) == S_OK) filters.push_back(f);
    std::vector<std::string> lines{"Filters count: " + std::to_string(filters.size()), ""};
    for (auto& filter : filters) {
        FILTER_INFO fi{};
        filter->QueryFilterInfo(&fi);
        if (fi.pGraph) fi.pGraph->Release();
        lines.push_back("Filter name: " + Name(fi.achName, MAX_FILTER_NAME));
        ComPtr<IEnumPins> ep;
        filter->EnumPins(ep.Put());
        ComPtr<IPin> pin;
        for (int j = 0; ep->Next(1, pin.Put(), nullptr) == S_OK; ++j) {
            PIN_INFO pi{};
            pin->QueryPinInfo(&pi);
            if (pi.pFilter) pi.pFilter->Release();
            lines.push_back("  Pin " + std::to_string(j) + (pi.dir == PINDIR_INPUT ? " - Input - " : " - Output - ") +
                            Name(pi.achName, MAX_PIN_NAME));
            ComPtr<IPin> peer;
            if (pin->ConnectedTo(peer.Put()) == S_OK) {
                PIN_INFO ppi{};
                peer->QueryPinInfo(&ppi);
                FILTER_INFO pfi{};
                ppi.pFilter->QueryFilterInfo(&pfi);
                ppi.pFilter->Release();
                if (pfi.pGraph) pfi.pGraph->Release();
                lines.push_back("    Connected to: " + Name(pfi.achName, MAX_FILTER_NAME) + ", " + Name(ppi.achName, MAX_PIN_NAME));
            }
            std::vector<std::string> types;
            ComPtr<IEnumMediaTypes> em;
            if (SUCCEEDED(pin->EnumMediaTypes(em.Put())) && em) {
                AM_MEDIA_TYPE* mt = nullptr;
                while (em->Next(1, &mt, nullptr) == S_OK) {
                    types.push_back("      " + Narrow(MediaTypeDescription(*mt)));
                    if (mt->pbFormat) CoTaskMemFree(mt->pbFormat);
                    if (mt->pUnk) mt->pUnk->Release();
                    CoTaskMemFree(mt);
                }
            }
            if (!types.empty()) {
                lines.push_back("    Mediatypes:");
                lines.insert(lines.end(), types.begin(), types.end());
            }
        }
        lines.push_back("");
        lines.push_back("");
    }
    return lines;
}

// The filter blocks of a dump, each line by line, sorted by filter name; without their media-type lines
// unless withTypes (filters may change the types they offer once the graph runs).
std::vector<std::string> Blocks(const std::vector<std::string>& lines, bool withTypes = false) {
    std::vector<std::string> blocks;
    for (const std::string& l : lines) {
        if (l.rfind("Filter name: ", 0) == 0) blocks.emplace_back();
        if (blocks.empty() || (!withTypes && l.rfind("      ", 0) == 0)) continue;
        blocks.back() += l + "\n";
    }
    std::sort(blocks.begin(), blocks.end());
    return blocks;
}

// "!FilterGraph <address, two hex digits per pointer byte> pid <process id in hex>": the item moniker's
// display name of a graph registered for graph tools.
std::wstring RotName(IUnknown* graph) {
    wchar_t buf[96];
    swprintf(buf, 96, L"!FilterGraph %0*llX pid %X", static_cast<int>(2 * sizeof(void*)),
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(graph)), static_cast<unsigned>(GetCurrentProcessId()));
    return buf;
}

// Display names of everything in the running object table, with the object of each when withObjects (only
// on the thread that registered them: another apartment would have to call into this one).
std::vector<std::pair<std::wstring, ComPtr<IUnknown>>> RotEntries(bool withObjects = true) {
    std::vector<std::pair<std::wstring, ComPtr<IUnknown>>> out;
    ComPtr<IRunningObjectTable> rot;
    if (FAILED(GetRunningObjectTable(0, rot.Put()))) return out;
    ComPtr<IEnumMoniker> e;
    if (FAILED(rot->EnumRunning(e.Put())) || !e) return out;
    ComPtr<IMoniker> m;
    while (e->Next(1, m.Put(), nullptr) == S_OK) {
        ComPtr<IBindCtx> bc;
        CreateBindCtx(0, bc.Put());
        LPOLESTR name = nullptr;
        if (FAILED(m->GetDisplayName(bc.Get(), nullptr, &name)) || !name) continue;
        ComPtr<IUnknown> object;
        if (withObjects) rot->GetObject(m.Get(), object.Put());
        out.emplace_back(name, object);
        CoTaskMemFree(name);
    }
    return out;
}

// Whether this process's registrations show in the running object table at all: an object of the test's own is
// registered under an item moniker and looked for. (In a freshly made Wine prefix the table service sometimes
// does not list the entries of the processes that start it; the player's own registration is then not
// observable either, and the checks that need it are skipped with a note.)
bool RotReachable() {
    ComPtr<IRunningObjectTable> rot;
    if (FAILED(GetRunningObjectTable(0, rot.Put()))) return false;
    ComPtr<IStream> object;
    CreateStreamOnHGlobal(nullptr, TRUE, object.Put());
    ComPtr<IMoniker> m;
    if (!object || FAILED(CreateItemMoniker(L"!", L"zr rot probe", m.Put()))) return false;
    DWORD cookie = 0;
    if (FAILED(rot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, object.Get(), m.Get(), &cookie))) return false;
    bool seen = false;
    for (auto& e : RotEntries(false)) seen |= e.first == L"!zr rot probe";
    rot->Revoke(cookie);
    if (!seen) std::printf("note: this process's entries do not show in the running object table here\n");
    return seen;
}

bool RotHas(const std::wstring& name) {
    for (auto& e : RotEntries())
        if (e.first == name) return true;
    return false;
}

class DumpTest : public PlayerTest {
protected:
    void SetUp() override { MakePlayer(false); }
};

// clip.avi with debug mode: the graph is registered under its display name while it lives; the three text
// dumps follow the layout; play_last is the running graph line by line, play_run the same filters before the
// run, play0 the video chain alone; each moment leaves a graph file. Nothing is reported.
TEST_F(DumpTest, ThreeMomentsOfAPlayback) {
    const std::wstring dir = TempDir(L"zr dumps");
    RemoveDumps(dir);
    player->Set_Debug_Mode(true);
    player->Set_Debug_Dir(dir);
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    ASSERT_TRUE(player->HasGraph());
    ComPtr<IGraphBuilder> graph(player->Graph());

    // The registration.
    const std::wstring rotName = RotName(graph.Get());
    bool registered = false;
    for (auto& [name, object] : RotEntries()) {
        if (name != rotName) continue;
        registered = true;
        ComPtr<IUnknown> a, b;
        graph->QueryInterface(IID_IUnknown, a.PutVoid());
        if (object) object->QueryInterface(IID_IUnknown, b.PutVoid());
        EXPECT_EQ(a.Get(), b.Get()) << "the entry is the playback graph";
    }
    if (RotReachable()) {
        EXPECT_TRUE(registered) << Narrow(rotName);
    }

    // play_last: taken just after the run, while the graph runs, as the graph reads now, line by line within
    // each filter. (Wine's graph sorts its filters again on state changes, so the order of filters that do
    // not feed each other, such as the two renderers, may differ from the moment of the dump.)
    const std::vector<std::string> now = Describe(graph.Get());
    const auto last = DumpLines(dir + L"play_last.txt");
    ASSERT_GE(last.size(), 2u);
    EXPECT_EQ(last[0], now[0]);
    EXPECT_EQ(last[1], "");
    EXPECT_EQ(Blocks(last, true), Blocks(now, true));
    const std::string expectedSource[] = {"Filter name: SRC", "  Pin 0 - Output - Output",
                                          "    Connected to: GStreamer splitter filter, input pin", "    Mediatypes:"};
    auto src = std::search(last.begin(), last.end(), std::begin(expectedSource), std::end(expectedSource));
    EXPECT_NE(src, last.end()) << "the file source block";
    EXPECT_TRUE(src != last.end() && src + 4 < last.end() && src[4].rfind("      MajorType: Stream, SubType: Avi, FormatType: ", 0) == 0);

    // play_run: the same filters and connections before the run.
    const auto run = DumpLines(dir + L"play_run.txt");
    ASSERT_FALSE(run.empty());
    EXPECT_EQ(run[0], "Filters count: 4");
    EXPECT_EQ(Blocks(run), Blocks(last));

    // play0: the video chain only, the splitter's audio pin still unconnected.
    const auto first = DumpLines(dir + L"play0.txt");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0], "Filters count: 3");
    std::set<std::string> names, namesNow;
    for (auto& l : first)
        if (l.rfind("Filter name: ", 0) == 0) names.insert(l);
    for (auto& l : now)
        if (l.rfind("Filter name: ", 0) == 0 && l != "Filter name: Audio Renderer 1") namesNow.insert(l);
    EXPECT_EQ(names, namesNow);
    auto audioPin = std::find(first.begin(), first.end(), "  Pin 1 - Output - Stream 01");
    ASSERT_NE(audioPin, first.end());
    EXPECT_EQ(audioPin[1], "    Mediatypes:");
    // Every dump ends with the two empty lines closing its last filter.
    for (auto* lines : {&first, &run, &last}) {
        ASSERT_GE(lines->size(), 3u);
        EXPECT_EQ((*lines)[lines->size() - 1], "");
        EXPECT_EQ((*lines)[lines->size() - 2], "");
        EXPECT_NE((*lines)[lines->size() - 3], "");
    }

    // Graph files. A graph that cannot save itself (Wine's has no IPersistStream) leaves the empty compound
    // file created for it, without the graph's stream.
    ComPtr<IPersistStream> persist;
    const bool canSave = SUCCEEDED(graph->QueryInterface(IID_IPersistStream, persist.PutVoid()));
    for (const wchar_t* m : {L"play0.grf", L"play_run.grf", L"play_last.grf"}) {
        SCOPED_TRACE(Narrow(m));
        const std::wstring path = dir + m;
        ASSERT_TRUE(Exists(path));
        EXPECT_EQ(StgIsStorageFile(path.c_str()), S_OK);
        ComPtr<IStorage> storage;
        ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, storage.Put()), S_OK);
        ComPtr<IStream> stream;
        const HRESULT hr = storage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Put());
        if (canSave) {
            EXPECT_EQ(hr, S_OK);
        } else {
            EXPECT_EQ(hr, STG_E_FILENOTFOUND);
        }
    }
    EXPECT_TRUE(log.errors.empty());

    // Releasing the graph revokes the registration.
    persist.Reset();
    graph.Reset();
    player->Close();
    EXPECT_FALSE(RotHas(rotName));
}

// An audio-only playback writes play_run and play_last but no play0; a later playback overwrites the files
// it writes and leaves the others.
TEST_F(DumpTest, AudioOnlyPlaybackAndOverwriting) {
    const std::wstring dir = TempDir(L"zr dumps audio");
    RemoveDumps(dir);
    player->Set_Debug_Mode(true);
    player->Set_Debug_Dir(dir);
    ASSERT_TRUE(PlayFile(L"clip.wav"));
    EXPECT_FALSE(Exists(dir + L"play0.txt"));
    EXPECT_FALSE(Exists(dir + L"play0.grf"));
    EXPECT_TRUE(Exists(dir + L"play_run.grf"));
    EXPECT_EQ(Blocks(DumpLines(dir + L"play_last.txt"), true), Blocks(Describe(player->Graph()), true));
    player->Close();

    ASSERT_TRUE(PlayFile(L"clip.avi"));
    player->Close();
    ASSERT_TRUE(PlayFile(L"clip.wav"));
    const auto run = DumpLines(dir + L"play_run.txt");
    EXPECT_EQ(std::count(run.begin(), run.end(), "Filter name: Video Renderer"), 0) << "rewritten by the WAV playback";
    const auto first = DumpLines(dir + L"play0.txt");
    EXPECT_EQ(std::count(first.begin(), first.end(), "Filter name: Video Renderer"), 1) << "left from the AVI playback";
    EXPECT_TRUE(log.errors.empty());
}

// Debug_Dir is a prefix: without a final separator the files go beside the folder, its last name run into
// theirs. A folder that does not exist gets nothing, and the playback goes on without a word.
TEST_F(DumpTest, DirectoryIsAPrefix) {
    const std::wstring parent = TempDir(L"zr dumps prefix");
    RemoveDumps(parent + L"sub");
    RemoveDumps(parent + L"sub\\");
    CreateDirectoryW((parent + L"sub").c_str(), nullptr);
    player->Set_Debug_Mode(true);
    player->Set_Debug_Dir(parent + L"sub");
    ASSERT_TRUE(PlayFile(L"clip.wav"));
    EXPECT_TRUE(Exists(parent + L"subplay_run.txt"));
    EXPECT_TRUE(Exists(parent + L"subplay_last.grf"));
    EXPECT_FALSE(Exists(parent + L"sub\\play_run.txt"));
    player->Close();

    player->Set_Debug_Dir(parent + L"no such folder\\");
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    EXPECT_EQ(player->Status(), ST_PLAY);
    EXPECT_TRUE(WaitPosition(200));
    EXPECT_FALSE(Exists(parent + L"no such folder"));
    EXPECT_TRUE(log.errors.empty());
}

// With debug mode off nothing is written and the graph is not registered.
TEST_F(DumpTest, OffLeavesNoTrace) {
    const std::wstring dir = TempDir(L"zr dumps off");
    RemoveDumps(dir);
    player->Set_Debug_Dir(dir);
    ASSERT_TRUE(PlayFile(L"clip.avi"));
    EXPECT_FALSE(RotHas(RotName(player->Graph())));
    for (const wchar_t* m : {L"play0", L"play_run", L"play_last"})
        for (const wchar_t* ext : {L".grf", L".txt"}) EXPECT_FALSE(Exists(dir + m + ext)) << Narrow(m);
}

// The playability test registers its trial graph while it renders, debug mode or not, and revokes it.
TEST_F(DumpTest, PlayabilityTestRegistersItsTrialGraph) {
    if (!RotReachable()) GTEST_SKIP() << "the running object table does not list this process's entries here";
    std::set<std::wstring> before;
    for (auto& e : RotEntries()) before.insert(e.first);
    std::atomic<bool> done{false};
    std::set<std::wstring> seen;
    std::thread watcher([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        while (!done) {
            for (auto& e : RotEntries(false))
                if (e.first.rfind(L"!FilterGraph ", 0) == 0 && !before.count(e.first)) seen.insert(e.first);
            Sleep(2);
        }
        CoUninitialize();
    });
    player->Set_FilenameOrURL(MediaPath(L"clip.avi"));
    TZRFilePlayError code = ZR_FP_FAIL;
    std::wstring text;
    EXPECT_TRUE(player->Info_IsFilePlayable(code, text));
    done = true;
    PumpFor(50);
    watcher.join();
    ASSERT_EQ(seen.size(), 1u);
    const std::wstring name = *seen.begin();
    wchar_t pid[16];
    swprintf(pid, 16, L" pid %X", static_cast<unsigned>(GetCurrentProcessId()));
    EXPECT_EQ(name.size(), std::wstring(L"!FilterGraph ").size() + 2 * sizeof(void*) + wcslen(pid));
    EXPECT_EQ(name.substr(name.size() - wcslen(pid)), pid);
    EXPECT_FALSE(RotHas(name));
}

// The names of media types, formats and subtypes agree with the platform's own identifiers.
TEST(MediaTypeNaming, PlatformIdentifiers) {
    const struct {
        const GUID* id;
        const wchar_t* name;
        std::wstring (*fn)(const GUID&);
    } rows[] = {
#define MAJOR(id, name) {&id, name, &MajorTypeName}
#define SUB(id, name) {&id, name, &SubTypeName}
#define FORMAT(id, name) {&id, name, &FormatTypeName}
        MAJOR(MEDIATYPE_AnalogAudio, L"AnalogAudio"), MAJOR(MEDIATYPE_AnalogVideo, L"AnalogVideo"),
        MAJOR(MEDIATYPE_Audio, L"Audio"), MAJOR(MEDIATYPE_AUXLine21Data, L"AUXLine21Data"),
        MAJOR(MEDIATYPE_File, L"File"), MAJOR(MEDIATYPE_Interleaved, L"Interleaved"), MAJOR(MEDIATYPE_LMRT, L"LMRT"),
        MAJOR(MEDIATYPE_Midi, L"Midi"), MAJOR(MEDIATYPE_MPEG2_PES, L"MPEG2_PES"),
        MAJOR(MEDIATYPE_ScriptCommand, L"ScriptCommand"), MAJOR(MEDIATYPE_Stream, L"Stream"),
        MAJOR(MEDIATYPE_Text, L"Text"), MAJOR(MEDIATYPE_Timecode, L"Timecode"), MAJOR(MEDIATYPE_URL_STREAM, L"URL_STREAM"),
        MAJOR(MEDIATYPE_Video, L"Video"), MAJOR(MEDIATYPE_VBI, L"VBI"), MAJOR(MEDIATYPE_MPEG2_PACK, L"MPEG2_PACK"),
        MAJOR(MEDIATYPE_MPEG2_SECTIONS, L"MPEG2_SECTIONS"), MAJOR(MEDIATYPE_DVD_NAVIGATION, L"DVD_NAVIGATION"),
        SUB(MEDIASUBTYPE_CLPL, L"CLPL"), SUB(MEDIASUBTYPE_YUYV, L"YUYV"), SUB(MEDIASUBTYPE_IYUV, L"IYUV"),
        SUB(MEDIASUBTYPE_YVU9, L"YVU9"), SUB(MEDIASUBTYPE_Y411, L"Y411"), SUB(MEDIASUBTYPE_Y41P, L"Y41P"),
        SUB(MEDIASUBTYPE_YUY2, L"YUY2"), SUB(MEDIASUBTYPE_YVYU, L"YVYU"), SUB(MEDIASUBTYPE_UYVY, L"UYVY"),
        SUB(MEDIASUBTYPE_Y211, L"Y211"), SUB(MEDIASUBTYPE_YV12, L"YV12"), SUB(MEDIASUBTYPE_CLJR, L"CLJR"),
        SUB(MEDIASUBTYPE_IF09, L"IF09"), SUB(MEDIASUBTYPE_CPLA, L"CPLA"), SUB(MEDIASUBTYPE_MJPG, L"MJPG"),
        SUB(MEDIASUBTYPE_TVMJ, L"TVMJ"), SUB(MEDIASUBTYPE_WAKE, L"WAKE"), SUB(MEDIASUBTYPE_CFCC, L"CFCC"),
        SUB(MEDIASUBTYPE_IJPG, L"IJPG"), SUB(MEDIASUBTYPE_Plum, L"Plum"), SUB(MEDIASUBTYPE_DVCS, L"DVCS"),
        SUB(MEDIASUBTYPE_DVSD, L"DVSD"), SUB(MEDIASUBTYPE_MDVF, L"MDVF"), SUB(MEDIASUBTYPE_RGB1, L"RGB1"),
        SUB(MEDIASUBTYPE_RGB4, L"RGB4"), SUB(MEDIASUBTYPE_RGB8, L"RGB8"), SUB(MEDIASUBTYPE_RGB565, L"RGB565"),
        SUB(MEDIASUBTYPE_RGB555, L"RGB555"), SUB(MEDIASUBTYPE_RGB24, L"RGB24"), SUB(MEDIASUBTYPE_RGB32, L"RGB32"),
        SUB(MEDIASUBTYPE_ARGB32, L"ARGB32"), SUB(MEDIASUBTYPE_Overlay, L"Overlay"),
        SUB(MEDIASUBTYPE_MPEG1Packet, L"MPEG1Packet"), SUB(MEDIASUBTYPE_MPEG1Payload, L"MPEG1Payload"),
        SUB(MEDIASUBTYPE_MPEG1AudioPayload, L"MPEG1AudioPayload"), SUB(MEDIASUBTYPE_MPEG1System, L"MPEG1System"),
        SUB(MEDIASUBTYPE_MPEG1VideoCD, L"MPEG1VideoCD"), SUB(MEDIASUBTYPE_MPEG1Video, L"MPEG1Video"),
        SUB(MEDIASUBTYPE_MPEG1Audio, L"MPEG1Audio"), SUB(MEDIASUBTYPE_Avi, L"Avi"), SUB(MEDIASUBTYPE_Asf, L"Asf"),
        SUB(MEDIASUBTYPE_QTMovie, L"QTMovie"), SUB(MEDIASUBTYPE_QTRpza, L"QTRpza"), SUB(MEDIASUBTYPE_QTSmc, L"QTSmc"),
        SUB(MEDIASUBTYPE_QTRle, L"QTRle"), SUB(MEDIASUBTYPE_QTJpeg, L"QTJpeg"),
        SUB(MEDIASUBTYPE_PCMAudio_Obsolete, L"PCMAudio_Obsolete"), SUB(MEDIASUBTYPE_PCM, L"PCM"),
        SUB(MEDIASUBTYPE_WAVE, L"WAVE"), SUB(MEDIASUBTYPE_AU, L"AU"), SUB(MEDIASUBTYPE_AIFF, L"AIFF"),
        SUB(MEDIASUBTYPE_dvsd, L"dvsd_"), SUB(MEDIASUBTYPE_dvhd, L"dvhd"), SUB(MEDIASUBTYPE_dvsl, L"dvsl"),
        SUB(MEDIASUBTYPE_Line21_BytePair, L"Line21_BytePair"), SUB(MEDIASUBTYPE_Line21_GOPPacket, L"Line21_GOPPacket"),
        SUB(MEDIASUBTYPE_Line21_VBIRawData, L"Line21_VBIRawData"), SUB(MEDIASUBTYPE_DRM_Audio, L"DRM_Audio"),
        SUB(MEDIASUBTYPE_IEEE_FLOAT, L"IEEE_FLOAT"), SUB(MEDIASUBTYPE_DOLBY_AC3_SPDIF, L"DOLBY_AC3_SPDIF"),
        SUB(MEDIASUBTYPE_RAW_SPORT, L"RAW_SPORT"), SUB(MEDIASUBTYPE_SPDIF_TAG_241h, L"SPDIF_TAG_241h"),
        SUB(MEDIASUBTYPE_DssVideo, L"DssVideo"), SUB(MEDIASUBTYPE_DssAudio, L"DssAudio"),
        SUB(MEDIASUBTYPE_VPVideo, L"VPVideo"), SUB(MEDIASUBTYPE_VPVBI, L"VPVBI"),
        SUB(MEDIASUBTYPE_AnalogVideo_NTSC_M, L"AnalogVideo_NTSC_M"),
        SUB(MEDIASUBTYPE_AnalogVideo_PAL_B, L"AnalogVideo_PAL_B"), SUB(MEDIASUBTYPE_AnalogVideo_PAL_D, L"AnalogVideo_PAL_D"),
        SUB(MEDIASUBTYPE_AnalogVideo_PAL_G, L"AnalogVideo_PAL_G"), SUB(MEDIASUBTYPE_AnalogVideo_PAL_H, L"AnalogVideo_PAL_H"),
        SUB(MEDIASUBTYPE_AnalogVideo_PAL_I, L"AnalogVideo_PAL_I"), SUB(MEDIASUBTYPE_AnalogVideo_PAL_M, L"AnalogVideo_PAL_M"),
        SUB(MEDIASUBTYPE_AnalogVideo_PAL_N, L"AnalogVideo_PAL_N"),
        SUB(MEDIASUBTYPE_AnalogVideo_PAL_N_COMBO, L"AnalogVideo_PAL_N_COMBO"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_B, L"AnalogVideo_SECAM_B"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_D, L"AnalogVideo_SECAM_D"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_G, L"AnalogVideo_SECAM_G"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_H, L"AnalogVideo_SECAM_H"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_K, L"AnalogVideo_SECAM_K"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_K1, L"AnalogVideo_SECAM_K1"),
        SUB(MEDIASUBTYPE_AnalogVideo_SECAM_L, L"AnalogVideo_SECAM_L"), SUB(MEDIASUBTYPE_MPEG2_VIDEO, L"MPEG2_VIDEO"),
        SUB(MEDIASUBTYPE_MPEG2_PROGRAM, L"MPEG2_PROGRAM"), SUB(MEDIASUBTYPE_MPEG2_TRANSPORT, L"MPEG2_TRANSPORT"),
        SUB(MEDIASUBTYPE_MPEG2_AUDIO, L"MPEG2_AUDIO"), SUB(MEDIASUBTYPE_DOLBY_AC3, L"DOLBY_AC3"),
        SUB(MEDIASUBTYPE_DVD_SUBPICTURE, L"DVD_SUBPICTURE"), SUB(MEDIASUBTYPE_DVD_LPCM_AUDIO, L"DVD_LPCM_AUDIO"),
        SUB(MEDIASUBTYPE_DTS, L"DTS"), SUB(MEDIASUBTYPE_SDDS, L"SDDS"),
        FORMAT(FORMAT_None, L"None"), FORMAT(FORMAT_VideoInfo, L"VideoInfo"), FORMAT(FORMAT_VideoInfo2, L"VideoInfo2"),
        FORMAT(FORMAT_WaveFormatEx, L"WaveFormatEx"), FORMAT(FORMAT_MPEGVideo, L"MPEG Video"),
        FORMAT(FORMAT_MPEGStreams, L"MPEG Streams"), FORMAT(FORMAT_DvInfo, L"DV Info"),
        FORMAT(FORMAT_AnalogVideo, L"AnalogVideo"), FORMAT(FORMAT_MPEG2Video, L"MPEG-2 Video"),
        FORMAT(FORMAT_DolbyAC3, L"Dolby AC3"), FORMAT(FORMAT_MPEG2Audio, L"MPEG-2 Audio"),
        FORMAT(FORMAT_DVD_LPCMAudio, L"DVD LPCM Audio"),
#undef MAJOR
#undef SUB
#undef FORMAT
    };
    for (auto& r : rows) EXPECT_EQ(r.fn(*r.id), r.name) << Narrow(r.name);

    // A description of what a platform filter offers: the PCM type of a WAV file's parser output.
    AM_MEDIA_TYPE mt{};
    WAVEFORMATEX wf{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.cbFormat = sizeof wf;
    mt.pbFormat = reinterpret_cast<BYTE*>(&wf);
    EXPECT_EQ(MediaTypeDescription(mt), L"PCM, 44100 Hz, 16 Bits, 2 Channels");
}

}  // namespace
