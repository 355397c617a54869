#include "filters/dvdnav/dvdnav.h"

#include <dvdevcod.h>

#include <algorithm>
#include <cstring>

#include "core/dvd/lang.h"
#include "filters/filter_guids.h"

namespace zrf {

using namespace zrdvd;

namespace {

DVD_HMSF_TIMECODE ToHmsf(const PlaybackTime& t) {
    DVD_HMSF_TIMECODE tc{};
    tc.bHours = t.hours;
    tc.bMinutes = t.minutes;
    tc.bSeconds = t.seconds;
    tc.bFrames = t.frames;
    return tc;
}

DVD_HMSF_TIMECODE MsToHmsf(uint32_t ms, uint32_t fps) {
    DVD_HMSF_TIMECODE tc{};
    uint32_t s = ms / 1000;
    tc.bHours = BYTE(std::min<uint32_t>(s / 3600, 255));
    tc.bMinutes = BYTE(s / 60 % 60);
    tc.bSeconds = BYTE(s % 60);
    tc.bFrames = BYTE(ms % 1000 * (fps ? fps : 25) / 1000);
    return tc;
}

ULONG TimeCodeFlags(uint8_t fps) { return fps == 30 ? DVD_TC_FLAG_30fps : DVD_TC_FLAG_25fps; }

DVD_VideoAttributes Video(const VideoAttr& v) {
    DVD_VideoAttributes a{};
    bool wide = v.aspect == 3;
    a.fPanscanPermitted = wide && !v.noPanscan;
    a.fLetterboxPermitted = wide && !v.noLetterbox;
    a.ulAspectX = wide ? 16 : 4;
    a.ulAspectY = wide ? 9 : 3;
    a.ulFrameRate = v.FrameRate();
    a.ulFrameHeight = v.FrameHeight();
    a.Compression = v.coding == 0 ? DVD_VideoCompression_MPEG1 : v.coding == 1 ? DVD_VideoCompression_MPEG2
                                                                                : DVD_VideoCompression_Other;
    a.fLine21Field1InGOP = v.line21Field1;
    a.fLine21Field2InGOP = v.line21Field2;
    a.ulSourceResolutionX = v.Width();
    a.ulSourceResolutionY = v.Height();
    a.fIsSourceLetterboxed = v.letterboxed;
    a.fIsFilmMode = v.film;
    return a;
}

DVD_AudioAttributes Audio(const AudioAttr& s) {
    DVD_AudioAttributes a{};
    a.AppMode = DVD_AUDIO_APPMODE(s.appMode <= 2 ? s.appMode : 3);
    a.AppModeData = s.appInfo;
    bool drc = s.quantization == 1;
    switch (s.coding) {
    case 0: a.AudioFormat = DVD_AudioFormat_AC3; break;
    case 2: a.AudioFormat = drc ? DVD_AudioFormat_MPEG1_DRC : DVD_AudioFormat_MPEG1; break;
    case 3: a.AudioFormat = drc ? DVD_AudioFormat_MPEG2_DRC : DVD_AudioFormat_MPEG2; break;
    case 4: a.AudioFormat = DVD_AudioFormat_LPCM; break;
    case 6: a.AudioFormat = DVD_AudioFormat_DTS; break;
    case 7: a.AudioFormat = DVD_AudioFormat_SDDS; break;
    default: a.AudioFormat = DVD_AudioFormat_Other; break;
    }
    a.Language = LangCodeToLcid(s.LangCode());
    a.LanguageExtension = DVD_AUDIO_LANG_EXT(s.langExt <= 4 ? s.langExt : 0);
    a.fHasMultichannelInfo = s.multichannel;
    a.dwFrequency = s.frequency == 1 ? 96000 : 48000;
    a.bQuantization = BYTE(s.coding == 4 ? 16 + 4 * std::min<int>(s.quantization, 2) : 0);
    a.bNumberOfChannels = BYTE(s.channels + 1);
    return a;
}

DVD_SubpictureAttributes Subpicture(const SubpAttr& s) {
    DVD_SubpictureAttributes a{};
    a.Type = s.langType == 1 ? DVD_SPType_Language : DVD_SPType_NotSpecified;
    a.CodingMode = s.coding == 0 ? DVD_SPCoding_RunLength : s.coding == 1 ? DVD_SPCoding_Extended : DVD_SPCoding_Other;
    a.Language = LangCodeToLcid(s.LangCode());
    a.LanguageExtension = DVD_SUBPICTURE_LANG_EXT(s.langExt);
    return a;
}

DVD_MenuAttributes MenuAttributes(const Vmg& vmg, const VideoAttr& video, const std::vector<AudioAttr>& audio,
                                  const std::vector<SubpAttr>& subp) {
    DVD_MenuAttributes m{};
    uint8_t regions = vmg.RegionMask();
    for (int i = 0; i < 8; ++i) m.fCompatibleRegion[i] = (regions >> i) & 1;
    m.VideoAttributes = Video(video);
    m.fAudioPresent = !audio.empty();
    if (!audio.empty()) m.AudioAttributes = Audio(audio[0]);
    m.fSubpicturePresent = !subp.empty();
    if (!subp.empty()) m.SubpictureAttributes = Subpicture(subp[0]);
    return m;
}

uint64_t Fnv(uint64_t h, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001B3ull;
    return h;
}

}  // namespace

HRESULT TZRDvdNavigator::CreateInstance(REFIID iid, void** ppv) {
    ComPtr<TZRDvdNavigator> f(new TZRDvdNavigator());
    return f->QueryInterface(iid, ppv);
}

TZRDvdNavigator::TZRDvdNavigator() : TZRBaseFilter(CLSID_ZRDvdNavigator, L"DVD Navigator") {}

TZRDvdNavigator::~TZRDvdNavigator() = default;

HRESULT TZRDvdNavigator::NonDelegatingQueryInterface(REFIID iid, void** ppv) {
    if (iid == IID_IDvdControl2) return HandOut<IDvdControl2>(&control_, ppv);
    if (iid == IID_IDvdInfo2) return HandOut<IDvdInfo2>(this, ppv);
    return TZRBaseFilter::NonDelegatingQueryInterface(iid, ppv);
}

STDMETHODIMP TZRDvdNavigator::Stop() {
    HRESULT hr = TZRBaseFilter::Stop();
    if (SUCCEEDED(hr) && resetOnStop_) {
        AutoLock lock(navLock_);
        if (vm_) vm_->Stop();
        started_ = false;
    }
    SendEvents();
    return hr;
}

STDMETHODIMP TZRDvdNavigator::Pause() {
    HRESULT hr = TZRBaseFilter::Pause();
    if (SUCCEEDED(hr)) {
        AutoLock lock(navLock_);
        if (vm_ && !started_) {
            started_ = true;
            vm_->Start();
        }
    }
    SendEvents();
    return hr;
}

void TZRDvdNavigator::SendEvents() {
    std::vector<Event> events;
    {
        AutoLock lock(navLock_);
        if (vm_) events = vm_->TakeEvents();
    }
    for (const Event& e : events) {
        switch (e.kind) {
        case EventKind::DomainChange: NotifyEvent(EC_DVD_DOMAIN_CHANGE, e.value, 0); break;
        case EventKind::TitleChange: NotifyEvent(EC_DVD_TITLE_CHANGE, e.value, 0); break;
        case EventKind::ChapterStart: NotifyEvent(EC_DVD_CHAPTER_START, e.value, 0); break;
        case EventKind::NoFirstPlay: NotifyEvent(EC_DVD_NO_FP_PGC, 0, 0); break;
        case EventKind::ParentalLevelChange: NotifyEvent(EC_DVD_PARENTAL_LEVEL_CHANGE, e.value, 0); break;
        case EventKind::ButtonChange: NotifyEvent(EC_DVD_BUTTON_CHANGE, e.value, e.value2); break;
        case EventKind::AudioStreamChange: NotifyEvent(EC_DVD_AUDIO_STREAM_CHANGE, e.value, 0); break;
        case EventKind::SubpictureStreamChange: NotifyEvent(EC_DVD_SUBPICTURE_STREAM_CHANGE, e.value, 0); break;
        case EventKind::AngleChange: NotifyEvent(EC_DVD_ANGLE_CHANGE, e.value, 0); break;
        case EventKind::Warning: NotifyEvent(EC_DVD_WARNING, e.value, 0); break;
        case EventKind::Error: NotifyEvent(EC_DVD_ERROR, e.value, 0); break;
        }
    }
}

template <class F>
HRESULT TZRDvdNavigator::Navigate(IDvdCmd** cmd, F&& step) {
    if (cmd) *cmd = nullptr;
    HRESULT hr = ComGuard([&]() -> HRESULT {
        AutoLock lock(navLock_);
        if (!vm_) return VFW_E_DVD_INVALIDDOMAIN;
        return step(*vm_) ? S_OK : VFW_E_DVD_OPERATION_INHIBITED;
    });
    SendEvents();
    return hr;
}

const Vts* TZRDvdNavigator::TitleSet(ULONG title) const {
    if (!disc_ || title < 1 || title > disc_->vmg().titles.size()) return nullptr;
    return &disc_->Set(disc_->vmg().titles[title - 1].vts).ifo;
}

// --- IDvdControl2 ------------------------------------------------------------------------------

STDMETHODIMP TZRDvdNavigator::SetDVDDirectory(LPCWSTR path) {
    if (!path) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        if (!IsStopped()) return VFW_E_DVD_INVALIDDOMAIN;
        auto disc = std::make_unique<Disc>();
        OpenError e = disc->Open(std::filesystem::path(path));
        if (e == OpenError::NoFolder || e == OpenError::NoVideoTs) return E_INVALIDARG;
        if (e != OpenError::None) return VFW_E_DVD_INVALID_DISC;
        std::vector<const Vts*> sets;
        for (size_t n = 1; n <= disc->TitleSetCount(); ++n) sets.push_back(&disc->Set(n).ifo);
        AutoLock lock(navLock_);
        vm_ = std::make_unique<Vm>(disc->vmg(), std::move(sets));
        disc_ = std::move(disc);
        folder_ = path;
        started_ = false;
        return S_OK;
    });
}

STDMETHODIMP TZRDvdNavigator::PlayTitle(ULONG title, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return title <= 99 && vm.PlayTitle(int(title)); });
}

STDMETHODIMP TZRDvdNavigator::PlayChapterInTitle(ULONG title, ULONG chapter, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return title <= 99 && chapter <= 999 && vm.PlayChapterInTitle(int(title), int(chapter)); });
}

STDMETHODIMP TZRDvdNavigator::PlayAtTimeInTitle(ULONG title, DVD_HMSF_TIMECODE* time, DWORD, IDvdCmd** cmd) {
    if (!time) return E_POINTER;
    uint32_t ms = (time->bHours * 3600u + time->bMinutes * 60u + time->bSeconds) * 1000u;
    return Navigate(cmd, [&](Vm& vm) { return title <= 99 && vm.PlayAtTimeInTitle(int(title), ms); });
}

STDMETHODIMP TZRDvdNavigator::DvdStop() {
    return Navigate(nullptr, [&](Vm& vm) { return vm.Stop(); });
}

STDMETHODIMP TZRDvdNavigator::ReturnFromSubmenu(DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return vm.ReturnFromSubmenu(); });
}

STDMETHODIMP TZRDvdNavigator::PlayAtTime(DVD_HMSF_TIMECODE* time, DWORD, IDvdCmd** cmd) {
    if (!time) return E_POINTER;
    uint32_t ms = (time->bHours * 3600u + time->bMinutes * 60u + time->bSeconds) * 1000u;
    return Navigate(cmd, [&](Vm& vm) { return vm.PlayAtTime(ms); });
}

STDMETHODIMP TZRDvdNavigator::PlayChapter(ULONG chapter, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return chapter <= 999 && vm.PlayChapter(int(chapter)); });
}

STDMETHODIMP TZRDvdNavigator::PlayPrevChapter(DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return vm.PrevChapter(); });
}

STDMETHODIMP TZRDvdNavigator::ReplayChapter(DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return vm.ReplayChapter(); });
}

STDMETHODIMP TZRDvdNavigator::PlayNextChapter(DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return vm.NextChapter(); });
}

STDMETHODIMP TZRDvdNavigator::PlayForwards(double speed, DWORD, IDvdCmd** cmd) {
    // Normal speed only: the picture path has no scan mode.
    return Navigate(cmd, [&](Vm& vm) { return speed == 1.0 && vm.domain() == Domain::Title; });
}

STDMETHODIMP TZRDvdNavigator::PlayBackwards(double, DWORD, IDvdCmd** cmd) {
    if (cmd) *cmd = nullptr;
    return VFW_E_DVD_OPERATION_INHIBITED;
}

STDMETHODIMP TZRDvdNavigator::ShowMenu(DVD_MENU_ID menu, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return menu >= DVD_MENU_Title && menu <= DVD_MENU_Chapter && vm.ShowMenu(int(menu)); });
}

STDMETHODIMP TZRDvdNavigator::Resume(DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return vm.Resume(); });
}

STDMETHODIMP TZRDvdNavigator::SelectRelativeButton(DVD_RELATIVE_BUTTON dir) {
    return Navigate(nullptr, [&](Vm& vm) { return dir >= DVD_Relative_Upper && dir <= DVD_Relative_Right && vm.SelectRelative(int(dir) - 1); });
}

STDMETHODIMP TZRDvdNavigator::ActivateButton() {
    return Navigate(nullptr, [&](Vm& vm) { return vm.ActivateButton(); });
}

STDMETHODIMP TZRDvdNavigator::SelectButton(ULONG button) {
    return Navigate(nullptr, [&](Vm& vm) { return button <= 36 && vm.SelectButton(int(button)); });
}

STDMETHODIMP TZRDvdNavigator::SelectAndActivateButton(ULONG button) {
    return Navigate(nullptr, [&](Vm& vm) { return button <= 36 && vm.SelectAndActivate(int(button)); });
}

STDMETHODIMP TZRDvdNavigator::StillOff() {
    return Navigate(nullptr, [&](Vm& vm) { return vm.Current().stillTime != 0; });
}

STDMETHODIMP TZRDvdNavigator::DvdPause(WINBOOL) { return E_NOTIMPL; }

STDMETHODIMP TZRDvdNavigator::SelectAudioStream(ULONG stream, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return stream < 8 && vm.SelectAudio(int(stream)); });
}

STDMETHODIMP TZRDvdNavigator::SelectSubpictureStream(ULONG stream, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return stream < 32 && vm.SelectSubpicture(int(stream)); });
}

STDMETHODIMP TZRDvdNavigator::SetSubpictureState(WINBOOL state, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return vm.SetSubpictureOn(state != FALSE); });
}

STDMETHODIMP TZRDvdNavigator::SelectAngle(ULONG angle, DWORD, IDvdCmd** cmd) {
    return Navigate(cmd, [&](Vm& vm) { return angle <= 9 && vm.SelectAngle(int(angle)); });
}

STDMETHODIMP TZRDvdNavigator::SelectParentalLevel(ULONG level) {
    if (level != ULONG(-1) && (level < 1 || level > 8)) return E_INVALIDARG;
    return Navigate(nullptr, [&](Vm& vm) { vm.SetParentalLevel(level == ULONG(-1) ? 15 : int(level)); return true; });
}

STDMETHODIMP TZRDvdNavigator::SelectParentalCountry(BYTE country[2]) {
    if (!country) return E_POINTER;
    return Navigate(nullptr, [&](Vm& vm) { vm.SetParentalCountry(uint16_t(country[0] << 8 | country[1])); return true; });
}

STDMETHODIMP TZRDvdNavigator::SelectVideoModePreference(ULONG mode) {
    if (mode > 3) return E_INVALIDARG;  // default, 16x9, 4x3 pan-scan, 4x3 letterbox
    AutoLock lock(navLock_);
    displayMode_ = mode;
    return S_OK;
}

STDMETHODIMP TZRDvdNavigator::ActivateAtPosition(POINT pt) {
    return Navigate(nullptr, [&](Vm& vm) { int b = vm.ButtonAt(pt.x, pt.y); return b && vm.SelectAndActivate(b); });
}

STDMETHODIMP TZRDvdNavigator::SelectAtPosition(POINT pt) {
    return Navigate(nullptr, [&](Vm& vm) { int b = vm.ButtonAt(pt.x, pt.y); return b && vm.SelectButton(b); });
}

STDMETHODIMP TZRDvdNavigator::AcceptParentalLevelChange(WINBOOL accept) {
    return Navigate(nullptr, [&](Vm& vm) { vm.AcceptParentalLevel(accept != FALSE); return true; });
}

STDMETHODIMP TZRDvdNavigator::SetOption(DVD_OPTION_FLAG flag, WINBOOL state) {
    AutoLock lock(navLock_);
    switch (flag) {
    case DVD_ResetOnStop: resetOnStop_ = state != FALSE; return S_OK;
    case DVD_HMSF_TimeCodeEvents: hmsfEvents_ = state != FALSE; return S_OK;
    default:
        // The other options (notifications, caches, bookmarks, captions and newer ones) change nothing here.
        return int(flag) >= 1 && int(flag) <= 16 ? S_OK : E_INVALIDARG;
    }
}

STDMETHODIMP TZRDvdNavigator::SelectDefaultMenuLanguage(LCID lang) {
    uint16_t code = LcidToLangCode(lang);
    if (!code) return E_INVALIDARG;
    return Navigate(nullptr, [&](Vm& vm) { vm.SetDefaultLanguages(code, 0, vm.Sprm(17), 0, vm.Sprm(19)); return true; });
}

STDMETHODIMP TZRDvdNavigator::SelectDefaultAudioLanguage(LCID lang, DVD_AUDIO_LANG_EXT ext) {
    uint16_t code = LcidToLangCode(lang);
    if (!code) return E_INVALIDARG;
    return Navigate(nullptr, [&](Vm& vm) { vm.SetDefaultLanguages(0, code, uint16_t(ext), 0, vm.Sprm(19)); return true; });
}

STDMETHODIMP TZRDvdNavigator::SelectDefaultSubpictureLanguage(LCID lang, DVD_SUBPICTURE_LANG_EXT ext) {
    uint16_t code = LcidToLangCode(lang);
    if (!code) return E_INVALIDARG;
    return Navigate(nullptr, [&](Vm& vm) { vm.SetDefaultLanguages(0, 0, vm.Sprm(17), code, uint16_t(ext)); return true; });
}

// --- IDvdInfo2 ---------------------------------------------------------------------------------

#define ZR_DVD_INFO(...)                          \
    return ComGuard([&]() -> HRESULT {            \
        AutoLock lock(navLock_);                  \
        if (!disc_ || !vm_) return VFW_E_DVD_INVALIDDOMAIN; \
        __VA_ARGS__                               \
    })

STDMETHODIMP TZRDvdNavigator::GetCurrentDomain(DVD_DOMAIN* domain) {
    if (!domain) return E_POINTER;
    ZR_DVD_INFO(*domain = DVD_DOMAIN(vm_->domain()); return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentLocation(DVD_PLAYBACK_LOCATION2* loc) {
    if (!loc) return E_POINTER;
    ZR_DVD_INFO(
        *loc = DVD_PLAYBACK_LOCATION2{};
        loc->TitleNum = vm_->Title();
        loc->ChapterNum = vm_->Chapter();
        const Pgc* p = vm_->CurrentPgc();
        uint8_t fps = p ? p->time.fps : 25;
        loc->TimeCode = MsToHmsf(vm_->Current().cellStartMs + vm_->Current().seekMs, fps);
        loc->TimeCodeFlags = TimeCodeFlags(fps);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetTotalTitleTime(DVD_HMSF_TIMECODE* total, ULONG* flags) {
    if (!total) return E_POINTER;
    ZR_DVD_INFO(
        const Pgc* p = vm_->CurrentPgc();
        if (vm_->domain() != Domain::Title || !p) return VFW_E_DVD_INVALIDDOMAIN;
        *total = ToHmsf(p->time);
        if (flags) *flags = TimeCodeFlags(p->time.fps);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentButton(ULONG* available, ULONG* current) {
    if (!available || !current) return E_POINTER;
    ZR_DVD_INFO(
        *available = ULONG(vm_->highlight().buttons.size());
        *current = *available ? ULONG(vm_->SelectedButton()) : 0;
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentAngle(ULONG* available, ULONG* current) {
    if (!available || !current) return E_POINTER;
    ZR_DVD_INFO(
        int t = vm_->Title();
        *available = t >= 1 && size_t(t) <= disc_->vmg().titles.size() ? disc_->vmg().titles[t - 1].angles : 1;
        *current = ULONG(vm_->Angle());
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentAudio(ULONG* available, ULONG* current) {
    if (!available || !current) return E_POINTER;
    ZR_DVD_INFO(
        if (vm_->CurrentPgc()) {
            *available = ULONG(vm_->AudioStreamsAvailable());
        } else {
            const Vts* s = TitleSet(ULONG(std::max(1, vm_->Title())));
            *available = s ? ULONG(s->audio.size()) : 0;
        }
        *current = vm_->AudioStream() < 0 ? 0 : ULONG(vm_->AudioStream());
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentSubpicture(ULONG* available, ULONG* current, WINBOOL* disabled) {
    if (!available || !current || !disabled) return E_POINTER;
    ZR_DVD_INFO(
        if (vm_->CurrentPgc()) {
            *available = ULONG(vm_->SubpictureStreamsAvailable());
        } else {
            const Vts* s = TitleSet(ULONG(std::max(1, vm_->Title())));
            *available = s ? ULONG(s->subp.size()) : 0;
        }
        *current = ULONG(vm_->SubpictureStream() < 32 ? vm_->SubpictureStream() : 0);
        *disabled = !vm_->SubpictureOn();
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentUOPS(ULONG* uops) {
    if (!uops) return E_POINTER;
    ZR_DVD_INFO(
        const Pgc* p = vm_->CurrentPgc();
        *uops = p ? p->prohibitedOps : 0;
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetAllSPRMs(SPRMARRAY* regs) {
    if (!regs) return E_POINTER;
    ZR_DVD_INFO(for (int i = 0; i < 24; ++i) (*regs)[i] = vm_->Sprm(i); return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetAllGPRMs(GPRMARRAY* regs) {
    if (!regs) return E_POINTER;
    ZR_DVD_INFO(for (int i = 0; i < 16; ++i) (*regs)[i] = vm_->Gprm(i); return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetAudioLanguage(ULONG stream, LCID* lang) {
    if (!lang) return E_POINTER;
    ZR_DVD_INFO(
        const Vts* s = TitleSet(ULONG(std::max(1, vm_->Title())));
        if (!s || stream >= s->audio.size()) return E_INVALIDARG;
        *lang = LangCodeToLcid(s->audio[stream].LangCode());
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetSubpictureLanguage(ULONG stream, LCID* lang) {
    if (!lang) return E_POINTER;
    ZR_DVD_INFO(
        const Vts* s = TitleSet(ULONG(std::max(1, vm_->Title())));
        if (!s || stream >= s->subp.size()) return E_INVALIDARG;
        *lang = LangCodeToLcid(s->subp[stream].LangCode());
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetTitleAttributes(ULONG title, DVD_MenuAttributes* menu, DVD_TitleAttributes* attr) {
    if (!menu || !attr) return E_POINTER;
    ZR_DVD_INFO(
        const Vts* s = TitleSet(title);
        if (!s) return E_INVALIDARG;
        *menu = MenuAttributes(disc_->vmg(), s->menuVideo, s->menuAudio, s->menuSubp);
        *attr = DVD_TitleAttributes{};
        attr->AppMode = DVD_AppMode_Not_Specified;
        attr->VideoAttributes = Video(s->video);
        attr->ulNumberOfAudioStreams = ULONG(s->audio.size());
        // The karaoke mixing records stay zero: their layout is not decoded.
        for (size_t i = 0; i < s->audio.size() && i < 8; ++i) attr->AudioAttributes[i] = Audio(s->audio[i]);
        attr->ulNumberOfSubpictureStreams = ULONG(s->subp.size());
        for (size_t i = 0; i < s->subp.size() && i < 32; ++i) attr->SubpictureAttributes[i] = Subpicture(s->subp[i]);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetVMGAttributes(DVD_MenuAttributes* attr) {
    if (!attr) return E_POINTER;
    ZR_DVD_INFO(
        const Vmg& v = disc_->vmg();
        *attr = MenuAttributes(v, v.menuVideo, v.menuAudio, v.menuSubp);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetCurrentVideoAttributes(DVD_VideoAttributes* attr) {
    if (!attr) return E_POINTER;
    ZR_DVD_INFO(
        const PlayItem& it = vm_->Current();
        if (it.domain == Domain::Title) *attr = Video(disc_->Set(it.vts).ifo.video);
        else if (it.domain == Domain::VtsMenu) *attr = Video(disc_->Set(it.vts).ifo.menuVideo);
        else *attr = Video(disc_->vmg().menuVideo);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetAudioAttributes(ULONG stream, DVD_AudioAttributes* attr) {
    if (!attr) return E_POINTER;
    ZR_DVD_INFO(
        const Vts* s = TitleSet(ULONG(std::max(1, vm_->Title())));
        if (stream == ULONG(-1)) stream = ULONG(std::max(0, vm_->AudioStream()));
        if (!s || stream >= s->audio.size()) return E_INVALIDARG;
        *attr = Audio(s->audio[stream]);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attr) {
    if (!attr) return E_POINTER;
    ZR_DVD_INFO(
        const Vts* s = TitleSet(ULONG(std::max(1, vm_->Title())));
        if (stream == ULONG(-1)) stream = ULONG(vm_->SubpictureStream());
        if (!s || stream >= s->subp.size()) return E_INVALIDARG;
        *attr = Subpicture(s->subp[stream]);
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetDVDVolumeInfo(ULONG* volumes, ULONG* volume, DVD_DISC_SIDE* side, ULONG* titles) {
    if (!volumes || !volume || !side || !titles) return E_POINTER;
    ZR_DVD_INFO(
        const Vmg& v = disc_->vmg();
        *volumes = v.volumes;
        *volume = v.volume;
        *side = v.side == 2 ? DVD_SIDE_B : DVD_SIDE_A;
        *titles = ULONG(v.titles.size());
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetPlayerParentalLevel(ULONG* level, BYTE country[2]) {
    if (!level) return E_POINTER;
    ZR_DVD_INFO(
        uint16_t l = vm_->Sprm(13);
        *level = l == 15 ? ULONG(-1) : l;
        if (country) {
            country[0] = BYTE(vm_->Sprm(12) >> 8);
            country[1] = BYTE(vm_->Sprm(12));
        }
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetNumberOfChapters(ULONG title, ULONG* count) {
    if (!count) return E_POINTER;
    ZR_DVD_INFO(
        if (!TitleSet(title)) return E_INVALIDARG;
        *count = disc_->vmg().titles[title - 1].chapters;
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetTitleParentalLevels(ULONG title, ULONG* levels) {
    if (!levels) return E_POINTER;
    ZR_DVD_INFO(
        if (!TitleSet(title)) return E_INVALIDARG;
        *levels = vm_->TitleParentalLevels(int(title)) << 8;  // level L is DVD_PARENTAL_LEVEL_1 << (L - 1)
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetDVDDirectory(LPWSTR path, ULONG maxSize, ULONG* actual) {
    if (!actual) return E_POINTER;
    ZR_DVD_INFO(
        *actual = ULONG(folder_.size() + 1);
        if (!path) return S_OK;
        if (maxSize < folder_.size() + 1) return E_INVALIDARG;
        std::memcpy(path, folder_.c_str(), (folder_.size() + 1) * sizeof(wchar_t));
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::IsAudioStreamEnabled(ULONG stream, WINBOOL* enabled) {
    if (!enabled) return E_POINTER;
    ZR_DVD_INFO(*enabled = stream < 8 && vm_->AudioPhysical(int(stream)) >= 0; return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::IsSubpictureStreamEnabled(ULONG stream, WINBOOL* enabled) {
    if (!enabled) return E_POINTER;
    ZR_DVD_INFO(*enabled = stream < 32 && vm_->SubpicturePhysical(int(stream)) >= 0; return S_OK;);
}

bool TZRDvdNavigator::DiscIdOf(const std::wstring& folder, ULONGLONG* id) {
    Disc d;
    if (d.Open(std::filesystem::path(folder)) != OpenError::None) return false;
    uint64_t h = 0xCBF29CE484222325ull;
    std::vector<uint8_t> bytes;
    for (const char* name : {"VIDEO_TS.IFO", "VTS_01_0.IFO"}) {
        if (ReadFileBytes(d.VideoTs() / name, bytes)) h = Fnv(h, bytes);
    }
    *id = h;
    return true;
}

STDMETHODIMP TZRDvdNavigator::GetDiscID(LPCWSTR path, ULONGLONG* id) {
    if (!id) return E_POINTER;
    return ComGuard([&]() -> HRESULT {
        std::wstring folder;
        if (path) folder = path;
        else {
            AutoLock lock(navLock_);
            folder = folder_;
        }
        return DiscIdOf(folder, id) ? S_OK : E_INVALIDARG;
    });
}

STDMETHODIMP TZRDvdNavigator::GetMenuLanguages(LCID* langs, ULONG max, ULONG* actual) {
    if (!actual) return E_POINTER;
    ZR_DVD_INFO(
        std::vector<LCID> list;
        for (const auto& lu : disc_->vmg().menus) {
            LCID l = LangCodeToLcid(lu.lang);
            if (l && std::find(list.begin(), list.end(), l) == list.end()) list.push_back(l);
        }
        *actual = ULONG(list.size());
        if (langs) {
            ULONG n = std::min<ULONG>(max, ULONG(list.size()));
            for (ULONG i = 0; i < n; ++i) langs[i] = list[i];
            *actual = n;
        }
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetButtonAtPosition(POINT pt, ULONG* button) {
    if (!button) return E_POINTER;
    ZR_DVD_INFO(
        int b = vm_->ButtonAt(pt.x, pt.y);
        *button = ULONG(b);
        return b ? S_OK : S_FALSE;);
}

STDMETHODIMP TZRDvdNavigator::GetDefaultMenuLanguage(LCID* lang) {
    if (!lang) return E_POINTER;
    ZR_DVD_INFO(*lang = LangCodeToLcid(vm_->Sprm(0)); return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetDefaultAudioLanguage(LCID* lang, DVD_AUDIO_LANG_EXT* ext) {
    if (!lang || !ext) return E_POINTER;
    ZR_DVD_INFO(
        *lang = LangCodeToLcid(vm_->Sprm(16));
        *ext = DVD_AUDIO_LANG_EXT(vm_->Sprm(17));
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetDefaultSubpictureLanguage(LCID* lang, DVD_SUBPICTURE_LANG_EXT* ext) {
    if (!lang || !ext) return E_POINTER;
    ZR_DVD_INFO(
        *lang = LangCodeToLcid(vm_->Sprm(18));
        *ext = DVD_SUBPICTURE_LANG_EXT(vm_->Sprm(19));
        return S_OK;);
}

STDMETHODIMP TZRDvdNavigator::GetDecoderCaps(DVD_DECODER_CAPS* caps) {
    if (!caps) return E_POINTER;
    if (caps->dwSize != sizeof(DVD_DECODER_CAPS)) return E_INVALIDARG;
    // The streams this navigator hands to decoders at normal speed only.
    caps->dwAudioCaps = DVD_AUDIO_CAPS_AC3 | DVD_AUDIO_CAPS_MPEG2 | DVD_AUDIO_CAPS_LPCM;
    caps->dFwdMaxRateVideo = caps->dFwdMaxRateAudio = caps->dFwdMaxRateSP = 1.0;
    caps->dBwdMaxRateVideo = caps->dBwdMaxRateAudio = caps->dBwdMaxRateSP = 0.0;
    return S_OK;
}

STDMETHODIMP TZRDvdNavigator::GetButtonRect(ULONG button, RECT* rect) {
    if (!rect) return E_POINTER;
    ZR_DVD_INFO(
        const auto& b = vm_->highlight().buttons;
        if (button < 1 || button > b.size()) return E_INVALIDARG;
        const Button& x = b[button - 1];
        *rect = RECT{x.x0, x.y0, x.x1 + 1, x.y1 + 1};
        return S_OK;);
}

}  // namespace zrf
