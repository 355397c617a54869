// The memory-stream source: media held in a host's IStream plays through the player (SM_Memory), and
// the filter's IAsyncReader keeps its contract under hostile requests.
#include <process.h>

#include <map>
#include <thread>

#include "filters/asyncex.h"
#include "filters/base/allocator.h"
#include "filters/base/asyncsource.h"
#include "playerfixture.h"
#include "teststream.h"

namespace {

const HRESULT kEof = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

std::string Quadrants(HWND h) { return ClientColours(h, {{80, 60}, {240, 60}, {80, 180}, {240, 180}}); }

enum class Kind { HGlobal, OddChunksApartment, OddChunksAgile };
const char* KindName(Kind k) {
    switch (k) {
    case Kind::HGlobal: return "HGLOBAL stream";
    case Kind::OddChunksApartment: return "odd chunks, apartment-bound";
    default: return "odd chunks, free-threaded";
    }
}

ComPtr<IStream> MakeStream(Kind k, const std::vector<BYTE>& data) {
    if (k == Kind::HGlobal) return HGlobalStream(data);
    TestStream::Options o;
    o.chunk = 4093;
    o.agile = k == Kind::OddChunksAgile;
    return TestStream::Create(data, o);
}

class MemoryPlayerTest : public PlayerTest {
protected:
    void PlayStream(IStream* s, int32_t size, bool video = true) {
        player->Set_Source_Mode(SM_Memory);
        player->Set_Screen_VideoRenderer(VR_VideoRenderer);
        player->Set_Source_Stream(s);
        player->Set_Source_Stream_Size(size);
        player->Set_Source_Stream_Video_Present(video);
        ASSERT_TRUE(player->Play());
    }
};

// Every container the splitter reads from a file plays from memory, from each kind of host stream,
// with the picture on screen and to its end.
TEST_F(MemoryPlayerTest, ClipsPlayFromHostStreamsWithPicture) {
    for (const wchar_t* f : {L"clip.avi", L"clip.mp4", L"clip.mpg"}) {
        std::vector<BYTE> bytes = ReadWholeFile(MediaPath(f));
        ASSERT_FALSE(bytes.empty());
        for (Kind k : {Kind::HGlobal, Kind::OddChunksApartment, Kind::OddChunksAgile}) {
            SCOPED_TRACE(testing::Message() << "file " << std::string(f, f + wcslen(f)) << ", " << KindName(k));
            MakePlayer(false);
            log = EventLog();
            PlayStream(MakeStream(k, bytes).Get(), static_cast<int32_t>(bytes.size()));
            EXPECT_TRUE(log.errors.empty()) << (log.errors.empty() ? "" : std::string(log.errors[0].begin(), log.errors[0].end()));
            ASSERT_NE(player->MainScreen(), nullptr);
            player->Screen_Update();
            std::string q;
            PumpUntil([&] { q = Quadrants(player->Handle()); return q == "RGBW"; }, 4000);
            EXPECT_EQ(q, "RGBW");
            EXPECT_TRUE(WaitStop(10000));
            EXPECT_EQ(player->Status(), ST_FREE);
            player->Close();
        }
    }
}

// Without video the build takes the sound-only path: no renderer wrapper; the sound plays to its end.
TEST_F(MemoryPlayerTest, NoVideoPresentBuildsNoRenderer) {
    std::vector<BYTE> bytes = ReadWholeFile(MediaPath(L"clip.avi"));
    MakePlayer(false);
    PlayStream(HGlobalStream(bytes).Get(), static_cast<int32_t>(bytes.size()), false);
    EXPECT_EQ(player->MainScreen(), nullptr);
    EXPECT_TRUE(player->AudioAvailable());
    EXPECT_TRUE(WaitStop(10000));
}

// Positioning re-reads the stream where the splitter asks: the playback goes on from there to its end.
TEST_F(MemoryPlayerTest, SeekingInAMemoryStream) {
    std::vector<BYTE> bytes = ReadWholeFile(MediaPath(L"clip.mp4"));
    MakePlayer(false);
    TestStream::Options o;
    o.chunk = 1001;
    o.agile = true;
    PlayStream(TestStream::Create(bytes, o).Get(), static_cast<int32_t>(bytes.size()));
    ASSERT_TRUE(WaitPosition(300));
    EXPECT_TRUE(player->Position_Set_Time(2000));
    EXPECT_TRUE(PumpUntil([&] { return player->Position_Get_Time() >= 2000 || log.stops > 0; }, 3000));
    EXPECT_TRUE(WaitStop(4000));
    EXPECT_TRUE(log.errors.empty());
}

// Stop gives the stream back: the next Play without a new stream reports it, and still adds the filter.
// A stream handed through Source_Stream_AX survives Stop.
TEST_F(MemoryPlayerTest, StopReleasesTheStreamButNotTheAxObject) {
    std::vector<BYTE> bytes = ReadWholeFile(MediaPath(L"videoonly.avi"));
    MakePlayer(false);
    PlayStream(HGlobalStream(bytes).Get(), static_cast<int32_t>(bytes.size()));
    ASSERT_TRUE(WaitPosition(300));
    player->Stop();
    EXPECT_EQ(player->Source_Stream(), nullptr);
    // Builds without a stream take the sound-only path: they leave nothing connected, and the video
    // renderer wrapper cannot yet be updated on an unconnected renderer under Wine.
    player->Set_Source_Stream_Video_Present(false);
    ASSERT_TRUE(player->Play());
    EXPECT_TRUE(log.HasError(L"Source stream is null."));
    IBaseFilter* found = nullptr;
    ASSERT_TRUE(player->Graph());
    EXPECT_EQ(player->Graph()->FindFilterByName(L"Zantorival AsyncEx", &found), S_OK);
    ComPtr<IBaseFilter> hold = ComPtr<IBaseFilter>::Attach(found);
    player->Stop();

    log = EventLog();
    player->Set_Source_Stream_Video_Present(true);
    ComPtr<IStream> s = HGlobalStream(bytes);
    player->Set_Source_Stream_AX(s.Get());
    player->Set_Source_Stream_Size(static_cast<int32_t>(bytes.size()));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(player->Play());
        EXPECT_TRUE(log.errors.empty());
        EXPECT_TRUE(WaitPosition(300)) << "round " << round;
        player->Stop();
        EXPECT_NE(player->Source_Stream_AX(), nullptr);
    }
    // An object without IStream leaves the stream nil.
    ComPtr<IUnknown> notAStream;
    CreateBindCtx(0, reinterpret_cast<IBindCtx**>(notAStream.Put()));
    player->Set_Source_Stream_AX(notAStream.Get());
    player->Set_Source_Stream_Video_Present(false);
    ASSERT_TRUE(player->Play());
    EXPECT_TRUE(log.HasError(L"Source stream is null."));
}

// Streams the filter cannot serve are refused at Play with the attach error; nothing crashes and the
// rest of the build runs. (Builds without a stream take the sound-only path, as above.)
TEST_F(MemoryPlayerTest, UnservableStreamsReportTheAttachError) {
    std::vector<BYTE> bytes = ReadWholeFile(MediaPath(L"clip.avi"));
    const int32_t size = static_cast<int32_t>(bytes.size());
    TestStream::Options failing;
    failing.readsFail = true;
    struct Case {
        const char* what;
        ComPtr<IStream> stream;
        int32_t size;
    } cases[] = {
        {"size 0", HGlobalStream(bytes), 0},
        {"negative size", HGlobalStream(bytes), -1},
        {"size beyond the stream", HGlobalStream(bytes), size + 1},
        {"reads fail", TestStream::Create(bytes, failing), size},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakePlayer(false);
        log = EventLog();
        PlayStream(c.stream.Get(), c.size, false);  // sound-only path, as above
        EXPECT_TRUE(log.HasError(L"Unable to load file to stream."));
        EXPECT_TRUE(player->HasGraph());
        player->Close();
    }
}

// The registration: an in-process class for both threading models, and a DirectShow filter entry whose
// merit keeps intelligent connection from ever choosing it.
TEST(MemorySourceRegistration, ClassAndMerit) {
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{B173D0A0-F669-4F7A-8C40-CF46A1ED04C6}\\InprocServer32", 0,
                            KEY_READ, &k), ERROR_SUCCESS);
    wchar_t model[32] = {};
    DWORD size = sizeof model;
    EXPECT_EQ(RegQueryValueExW(k, L"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(model), &size), ERROR_SUCCESS);
    EXPECT_STREQ(model, L"Both");
    RegCloseKey(k);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                            L"CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{B173D0A0-F669-4F7A-8C40-CF46A1ED04C6}",
                            0, KEY_READ, &k), ERROR_SUCCESS);
    BYTE data[512] = {};
    size = sizeof data;
    ASSERT_EQ(RegQueryValueExW(k, L"FilterData", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    RegCloseKey(k);
    ASSERT_GE(size, 8u);
    DWORD merit = 0;
    std::memcpy(&merit, data + 4, 4);
    EXPECT_EQ(merit, static_cast<DWORD>(MERIT_DO_NOT_USE));
}

// The DLL's own life: objects it hands out keep it loaded; pins and media types are enumerated as the
// stream allows.
TEST(MemorySourceRegistration, ModuleLifetimeAndEnumeration) {
    wchar_t path[MAX_PATH] = {};
    LONG size = sizeof path;
    ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT, L"CLSID\\{B173D0A0-F669-4F7A-8C40-CF46A1ED04C6}\\InprocServer32", path, &size),
              ERROR_SUCCESS);
    HMODULE dll = LoadLibraryW(path);
    ASSERT_TRUE(dll);
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    using CanUnload = HRESULT(__stdcall*)();
    auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(dll, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<CanUnload>(GetProcAddress(dll, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnload);
    {
        ComPtr<IClassFactory> cf;
        EXPECT_EQ(getClassObject(GUID_NULL, IID_IClassFactory, cf.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
        ASSERT_EQ(getClassObject(zrf::CLSID_ZRMemorySource, IID_IClassFactory, cf.PutVoid()), S_OK);
        ComPtr<IUnknown> outer, agg;
        CreateBindCtx(0, reinterpret_cast<IBindCtx**>(outer.Put()));
        EXPECT_EQ(cf->CreateInstance(outer.Get(), IID_IUnknown, agg.PutVoid()), CLASS_E_NOAGGREGATION);
        ComPtr<IBaseFilter> f;
        ASSERT_EQ(cf->CreateInstance(nullptr, IID_IBaseFilter, f.PutVoid()), S_OK);
        cf.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(f->EnumPins(pins.Put()), S_OK);
        ComPtr<IPin> pin, none;
        ULONG got = 0;
        ASSERT_EQ(pins->Next(1, pin.Put(), &got), S_OK);
        EXPECT_EQ(pins->Next(1, none.Put(), &got), S_FALSE);
        auto countTypes = [&](GUID* first) {
            ComPtr<IEnumMediaTypes> e;
            pin->EnumMediaTypes(e.Put());
            int n = 0;
            AM_MEDIA_TYPE* mt = nullptr;
            while (e->Next(1, &mt, nullptr) == S_OK) {
                if (n++ == 0 && first) *first = mt->subtype;
                EXPECT_EQ(mt->majortype, MEDIATYPE_Stream);
                zrf::DeleteMediaTypeCopy(mt);
            }
            return n;
        };
        EXPECT_EQ(countTypes(nullptr), 0);  // nothing to offer without a stream
        std::vector<BYTE> avi = ReadWholeFile(MediaPath(L"clip.avi"));
        ASSERT_EQ(f.As<IAsyncExControl>()->AttachStream(HGlobalStream(avi).Get(), static_cast<LONGLONG>(avi.size())), S_OK);
        GUID sub = GUID_NULL;
        EXPECT_EQ(countTypes(&sub), 2);  // the container's subtype, then the generic stream
        EXPECT_EQ(sub, MEDIASUBTYPE_Avi);
        PIN_DIRECTION dir;
        pin->QueryDirection(&dir);
        EXPECT_EQ(dir, PINDIR_OUTPUT);
    }
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(dll);
}

// --- IAsyncReader driven directly

std::vector<BYTE> Pattern(size_t n) {
    std::vector<BYTE> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(i * 7 + (i >> 8));
    return v;
}

struct Reader {
    ComPtr<IBaseFilter> filter;
    ComPtr<IAsyncExControl> control;
    ComPtr<IAsyncReader> reader;
    ComPtr<IMemAllocator> allocator;

    HRESULT Open(IStream* s, LONGLONG size, LONG bufSize = 4096, LONG buffers = 16) {
        HRESULT hr = CoCreateInstance(zrf::CLSID_ZRMemorySource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                      filter.PutVoid());
        if (FAILED(hr)) return hr;
        if (FAILED(hr = filter.As(control))) return hr;
        if (s && FAILED(hr = control->AttachStream(s, size))) return hr;
        ComPtr<IEnumPins> e;
        ComPtr<IPin> pin;
        filter->EnumPins(e.Put());
        if (e->Next(1, pin.Put(), nullptr) != S_OK) return E_FAIL;
        if (FAILED(hr = pin.As(reader))) return hr;
        ALLOCATOR_PROPERTIES p = {buffers, bufSize, 1, 0};
        if (FAILED(hr = reader->RequestAllocator(nullptr, &p, allocator.Put()))) return hr;
        return allocator->Commit();
    }
    // Hands a sample to Request; the reference goes with it when the request is taken.
    HRESULT Submit(ComPtr<IMediaSample> s, DWORD_PTR user) { return zr_submit(reader.Get(), std::move(s), user); }
    static HRESULT zr_submit(IAsyncReader* r, ComPtr<IMediaSample> s, DWORD_PTR user) {
        HRESULT hr = r->Request(s.Get(), user);
        if (SUCCEEDED(hr)) s.Detach();
        return hr;
    }
    ComPtr<IMediaSample> Sample(LONGLONG pos, LONGLONG len) {
        ComPtr<IMediaSample> s;
        allocator->GetBuffer(s.Put(), nullptr, nullptr, 0);
        REFERENCE_TIME a = pos * 10000000, b = (pos + len) * 10000000;
        s->SetTime(&a, &b);
        return s;
    }
};

// Results of one request against the pattern the stream holds.
void ExpectBytes(IMediaSample* s, const std::vector<BYTE>& data, LONGLONG pos, LONG expectLen) {
    ASSERT_EQ(s->GetActualDataLength(), expectLen);
    BYTE* p = nullptr;
    s->GetPointer(&p);
    if (expectLen > 0) {
        EXPECT_EQ(std::memcmp(p, data.data() + pos, static_cast<size_t>(expectLen)), 0);
    }
}

TEST(MemorySourceReader, AttachRefusesWhatItCannotServe) {
    std::vector<BYTE> data = Pattern(1000);
    TestStream::Options noStat;
    noStat.statFails = true;
    TestStream::Options failing;
    failing.readsFail = true;
    TestStream::Options failingAgile = failing;
    failingAgile.agile = true;
    struct Case {
        const char* what;
        ComPtr<IStream> stream;
        LONGLONG size;
        HRESULT expect;
    } cases[] = {
        {"nil stream", {}, 10, E_POINTER},
        {"size 0", HGlobalStream(data), 0, E_INVALIDARG},
        {"negative size", HGlobalStream(data), -5, E_INVALIDARG},
        {"stated beyond Stat", HGlobalStream(data), 1001, kEof},
        {"no Stat, copied, short", TestStream::Create(data, noStat), 1001, kEof},
        {"reads fail, copied", TestStream::Create(data, failing), 1000, E_FAIL},
        {"reads fail, read in place", TestStream::Create(data, failingAgile), 1000, E_FAIL},
        {"whole stream", HGlobalStream(data), 1000, S_OK},
        {"a prefix", HGlobalStream(data), 10, S_OK},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<IBaseFilter> f;
        ASSERT_EQ(CoCreateInstance(zrf::CLSID_ZRMemorySource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, f.PutVoid()), S_OK);
        ComPtr<IAsyncExControl> ctl = f.As<IAsyncExControl>();
        ASSERT_TRUE(ctl);
        EXPECT_EQ(ctl->AttachStream(c.stream.Get(), c.size), c.expect);
        LONGLONG size = -1;
        ctl->GetStreamInfo(&size, nullptr);
        EXPECT_EQ(size, c.expect == S_OK ? c.size : 0);
    }
}

// Which streams are read in place and which are copied, and that the host's seek position stays.
TEST(MemorySourceReader, ThreadingPolicy) {
    std::vector<BYTE> data = Pattern(5000);
    TestStream::Options apt, agile;
    agile.agile = true;
    struct Case {
        const char* what;
        ComPtr<IStream> stream;
        BOOL copied;
        bool positionKept;  // a clone or a copy leaves the host's seek position alone
    } cases[] = {
        {"HGLOBAL", HGlobalStream(data), FALSE, true},
        {"free-threaded, no clone", TestStream::Create(data, agile), FALSE, false},
        {"apartment-bound", TestStream::Create(data, apt), TRUE, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        LARGE_INTEGER at;
        at.QuadPart = 123;
        c.stream->Seek(at, STREAM_SEEK_SET, nullptr);
        Reader r;
        ASSERT_EQ(r.Open(c.stream.Get(), 5000), S_OK);
        BOOL copied = -1;
        r.control->GetStreamInfo(nullptr, &copied);
        EXPECT_EQ(copied, c.copied);
        BYTE buf[100];
        // Read from another thread, as a splitter does.
        HRESULT hr = E_FAIL;
        std::thread([&] { hr = r.reader->SyncRead(4000, 100, buf); }).join();
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(std::memcmp(buf, data.data() + 4000, 100), 0);
        ULARGE_INTEGER pos = {};
        LARGE_INTEGER zero = {};
        c.stream->Seek(zero, STREAM_SEEK_CUR, &pos);
        if (c.positionKept) {
            EXPECT_EQ(pos.QuadPart, 123u);
        }
    }
}

TEST(MemorySourceReader, SyncReadTable) {
    const LONGLONG n = 10000;
    std::vector<BYTE> data = Pattern(n);
    TestStream::Options shortAgile;
    shortAgile.agile = true;
    shortAgile.statFails = true;
    shortAgile.chunk = 777;
    for (bool copied : {false, true}) {
        SCOPED_TRACE(copied ? "copied" : "read in place");
        TestStream::Options o;
        o.chunk = 333;
        o.agile = !copied;
        Reader r;
        ASSERT_EQ(r.Open(TestStream::Create(data, o).Get(), n), S_OK);
        struct Row {
            LONGLONG pos;
            LONG len;
            HRESULT expect;
            LONG valid;  // bytes that must match
        } rows[] = {
            {0, 16, S_OK, 16},      {1, 7, S_OK, 7},           {4097, 3001, S_OK, 3001}, {n - 4, 16, S_FALSE, 4},
            {n, 8, S_FALSE, 0},     {n + 1, 8, kEof, 0},       {1LL << 40, 8, kEof, 0},  {-1, 8, E_INVALIDARG, 0},
            {5, 0, S_OK, 0},        {5, -3, E_INVALIDARG, 0},
        };
        for (auto& row : rows) {
            SCOPED_TRACE(testing::Message() << "pos " << row.pos << " len " << row.len);
            std::vector<BYTE> buf(row.len > 0 ? row.len + 8 : 8, 0xEE);
            EXPECT_EQ(r.reader->SyncRead(row.pos, row.len, buf.data()), row.expect);
            if (row.valid) {
                EXPECT_EQ(std::memcmp(buf.data(), data.data() + row.pos, row.valid), 0);
            }
            EXPECT_EQ(buf[row.len > 0 ? row.len : 0], 0xEE);  // nothing written past the request
        }
        LONGLONG total = 0, avail = 0;
        EXPECT_EQ(r.reader->Length(&total, &avail), S_OK);
        EXPECT_EQ(total, n);
    }
    // A free-threaded stream that ends before its stated size (it does not tell its length): reads
    // inside the stated range past the real end fail; the bytes that exist still come.
    std::vector<BYTE> shortData(data.begin(), data.begin() + 6000);
    Reader r;
    ASSERT_EQ(r.Open(TestStream::Create(shortData, shortAgile).Get(), n), S_OK);
    std::vector<BYTE> buf(2000);
    EXPECT_EQ(r.reader->SyncRead(5000, 2000, buf.data()), kEof);
    EXPECT_EQ(std::memcmp(buf.data(), data.data() + 5000, 1000), 0);
    EXPECT_EQ(r.reader->SyncRead(7000, 10, buf.data()), kEof);
    EXPECT_EQ(r.reader->SyncRead(100, 10, buf.data()), S_OK);
}

// Overlapped requests: each one comes back exactly once with its user value, result and bytes,
// whatever its shape; flushing hands back what is queued and fails new requests.
TEST(MemorySourceReader, RequestsCompleteExactlyOnce) {
    const LONGLONG n = 20000;
    std::vector<BYTE> data = Pattern(n);
    Reader r;
    ASSERT_EQ(r.Open(HGlobalStream(data).Get(), n), S_OK);
    struct Row {
        LONGLONG pos;
        LONGLONG len;
        HRESULT expect;
        LONG got;
    } rows[] = {
        {0, 4096, S_OK, 4096},  {3, 1000, S_OK, 1000},     {500, 4000, S_OK, 4000},  // unaligned, overlapping
        {501, 3999, S_OK, 3999}, {n - 100, 4096, S_FALSE, 100}, {n, 10, S_FALSE, 0},
        {n + 4096, 4096, kEof, 0}, {777, 0, S_OK, 0},
    };
    const DWORD_PTR base = 0x1000;
    for (size_t i = 0; i < std::size(rows); ++i)
        ASSERT_EQ(r.Submit(r.Sample(rows[i].pos, rows[i].len), base + i), S_OK) << i;
    // A request larger than its buffer, or with no times, is refused at once.
    EXPECT_EQ(r.Submit(r.Sample(0, 5000), 1), VFW_E_BUFFER_OVERFLOW);
    {
        ComPtr<IMediaSample> s;
        r.allocator->GetBuffer(s.Put(), nullptr, nullptr, 0);
        EXPECT_EQ(r.Submit(s, 2), VFW_E_SAMPLE_TIME_NOT_SET);
    }
    // Two threads collect concurrently.
    std::map<DWORD_PTR, int> seen;
    std::mutex m;
    auto collect = [&] {
        for (;;) {
            IMediaSample* raw = nullptr;
            DWORD_PTR user = 0;
            HRESULT hr = r.reader->WaitForNext(200, &raw, &user);
            ComPtr<IMediaSample> s = ComPtr<IMediaSample>::Attach(raw);
            if (!s) {
                EXPECT_EQ(hr, VFW_E_TIMEOUT);
                return;
            }
            size_t i = user - base;
            std::lock_guard<std::mutex> g(m);
            ++seen[user];
            ASSERT_LT(i, std::size(rows));
            EXPECT_EQ(hr, rows[i].expect) << "request " << i;
            ExpectBytes(s.Get(), data, rows[i].pos, rows[i].got);
        }
    };
    std::thread t1(collect), t2(collect);
    t1.join();
    t2.join();
    EXPECT_EQ(seen.size(), std::size(rows));
    for (auto& [user, count] : seen) EXPECT_EQ(count, 1) << "request " << user - base;

    // Flush with requests queued: each comes back once, unread, then WaitForNext returns at once.
    for (DWORD_PTR u = 0; u < 3; ++u) ASSERT_EQ(r.Submit(r.Sample(u * 100, 100), 0x2000 + u), S_OK);
    ASSERT_EQ(r.reader->BeginFlush(), S_OK);
    EXPECT_EQ(r.Submit(r.Sample(0, 100), 0x3000), VFW_E_WRONG_STATE);
    std::map<DWORD_PTR, int> flushed;
    for (;;) {
        IMediaSample* raw = nullptr;
        DWORD_PTR user = 0;
        DWORD t0 = GetTickCount();
        HRESULT hr = r.reader->WaitForNext(INFINITE, &raw, &user);
        EXPECT_LT(GetTickCount() - t0, 1000u);
        ComPtr<IMediaSample> s = ComPtr<IMediaSample>::Attach(raw);
        EXPECT_TRUE(FAILED(hr));
        if (!s) break;
        ++flushed[user];
    }
    EXPECT_EQ(flushed.size(), 3u);
    for (auto& [user, count] : flushed) EXPECT_EQ(count, 1);
    ASSERT_EQ(r.reader->EndFlush(), S_OK);
    ASSERT_EQ(r.Submit(r.Sample(0, 100), 0x4000), S_OK);
    IMediaSample* raw = nullptr;
    DWORD_PTR user = 0;
    EXPECT_EQ(r.reader->WaitForNext(1000, &raw, &user), S_OK);
    ComPtr<IMediaSample>::Attach(raw);
    EXPECT_EQ(user, 0x4000u);

    // Every sample went back to the allocator: no reference was kept or lost on the way.
    std::vector<ComPtr<IMediaSample>> all(16);
    for (auto& s : all) EXPECT_EQ(r.allocator->GetBuffer(s.Put(), nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
}

// A flush while requests wait: a WaitForNext waiting for work wakes, and a read held inside the stream
// completes once to the thread performing it while the flushing thread sees the queue empty.
TEST(MemorySourceReader, FlushWhileARequestWaits) {
    std::vector<BYTE> data = Pattern(8192);
    HANDLE gate = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    TestStream::Options o;
    o.agile = true;
    o.gate = gate;
    ComPtr<IStream> stream = TestStream::Create(data, o);
    auto* ts = static_cast<TestStream*>(stream.Get());
    Reader r;
    ASSERT_EQ(r.Open(stream.Get(), 8192), S_OK);

    // 1. Nothing queued: a waiting WaitForNext returns when the flush starts.
    HRESULT waited = S_OK;
    IMediaSample* none = reinterpret_cast<IMediaSample*>(1);
    std::thread waiter([&] {
        DWORD_PTR u = 0;
        waited = r.reader->WaitForNext(INFINITE, &none, &u);
    });
    Sleep(100);
    r.reader->BeginFlush();
    waiter.join();
    EXPECT_EQ(waited, VFW_E_WRONG_STATE);
    EXPECT_EQ(none, nullptr);
    r.reader->EndFlush();

    // 2. A read held in the stream during the flush.
    ResetEvent(gate);
    ASSERT_EQ(r.Submit(r.Sample(100, 500), 7), S_OK);
    ASSERT_EQ(r.Submit(r.Sample(700, 500), 8), S_OK);
    HRESULT hr1 = E_FAIL;
    DWORD_PTR u1 = 0;
    ComPtr<IMediaSample> s1;
    const int readsBefore = ts->reads;
    std::thread reading([&] {
        IMediaSample* raw = nullptr;
        hr1 = r.reader->WaitForNext(INFINITE, &raw, &u1);
        s1 = ComPtr<IMediaSample>::Attach(raw);
    });
    ASSERT_TRUE(PumpUntil([&] { return ts->reads > readsBefore; }, 2000));
    r.reader->BeginFlush();
    std::map<DWORD_PTR, int> got;
    for (;;) {
        IMediaSample* raw = nullptr;
        DWORD_PTR u = 0;
        r.reader->WaitForNext(0, &raw, &u);
        ComPtr<IMediaSample> s = ComPtr<IMediaSample>::Attach(raw);
        if (!s) break;
        ++got[u];
    }
    EXPECT_EQ(got.size(), 1u);
    EXPECT_EQ(got[8], 1);
    SetEvent(gate);
    reading.join();
    EXPECT_EQ(u1, 7u);
    EXPECT_EQ(hr1, S_OK);
    ExpectBytes(s1.Get(), data, 100, 500);
    r.reader->EndFlush();
    CloseHandle(gate);
}

// Aligned reads on a source that asks for alignment (the base class's rules).
class AlignedSource final : public zrf::TZRAsyncSourceFilter {
public:
    AlignedSource() : TZRAsyncSourceFilter(GUID_NULL, L"aligned") {}
    LONG Alignment() override { return 512; }
};
class PatternBytes final : public zrf::TZRByteSource {
public:
    explicit PatternBytes(std::vector<BYTE> d) : d_(std::move(d)) {}
    LONGLONG Size() const override { return static_cast<LONGLONG>(d_.size()); }
    HRESULT ReadAt(LONGLONG pos, LONG len, BYTE* buf, LONG* got) override {
        std::memcpy(buf, d_.data() + pos, static_cast<size_t>(len));
        *got = len;
        return S_OK;
    }

private:
    std::vector<BYTE> d_;
};

TEST(MemorySourceReader, AlignmentIsEnforcedForAlignedReads) {
    std::vector<BYTE> data = Pattern(5000);
    ComPtr<IBaseFilter> f(new AlignedSource());
    auto* src = static_cast<AlignedSource*>(f.Get());
    ASSERT_EQ(src->SetSource(std::make_shared<PatternBytes>(data), GUID_NULL), S_OK);
    ComPtr<IAsyncReader> reader;
    ASSERT_EQ(src->OutputPin().QueryInterface(IID_IAsyncReader, reader.PutVoid()), S_OK);
    ALLOCATOR_PROPERTIES want = {4, 2048, 1, 0};
    ComPtr<IMemAllocator> a;
    ASSERT_EQ(reader->RequestAllocator(nullptr, &want, a.Put()), S_OK);
    ALLOCATOR_PROPERTIES got = {};
    a->GetProperties(&got);
    EXPECT_EQ(got.cbAlign, 512);
    ASSERT_EQ(a->Commit(), S_OK);
    struct Row {
        LONGLONG pos, len;
        HRESULT expect;
    } rows[] = {
        {0, 1024, S_OK}, {512, 512, S_OK}, {100, 512, VFW_E_BADALIGN}, {512, 100, VFW_E_BADALIGN},
        {4608, 392, S_OK},     // the last piece ends at the end of the data
        {4608, 512, S_FALSE},  // runs past the end: cut there
    };
    for (auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.pos << "+" << row.len);
        ComPtr<IMediaSample> s;
        ASSERT_EQ(a->GetBuffer(s.Put(), nullptr, nullptr, 0), S_OK);
        REFERENCE_TIME t0 = row.pos * 10000000, t1 = (row.pos + row.len) * 10000000;
        s->SetTime(&t0, &t1);
        EXPECT_EQ(reader->SyncReadAligned(s.Get()), row.expect);
        s->SetTime(&t0, &t1);  // a cut read moved the stop time
        EXPECT_EQ(Reader::zr_submit(reader.Get(), s, 1), FAILED(row.expect) ? row.expect : S_OK);
        if (SUCCEEDED(row.expect)) {
            IMediaSample* raw = nullptr;
            DWORD_PTR u = 0;
            EXPECT_EQ(reader->WaitForNext(1000, &raw, &u), row.expect);
            ComPtr<IMediaSample>::Attach(raw);
        }
    }
    // SyncRead takes any position.
    BYTE buf[10];
    EXPECT_EQ(reader->SyncRead(3, 10, buf), S_OK);
    EXPECT_EQ(std::memcmp(buf, data.data() + 3, 10), 0);
    a->Decommit();
}

}  // namespace
