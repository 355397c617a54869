// Our DVD navigator: reads a DVD-Video volume from its VIDEO_TS folder and drives the navigation
// machine through IDvdControl2, answering IDvdInfo2 from the volume's tables and the machine's registers.
// The player uses it only where the platform's DVD Navigator class cannot be created.
//
// Commands run synchronously on the caller's thread under the navigator lock; the DVD events they cause
// are sent to the graph's event sink once the lock is released. Members the player does not need answer
// E_NOTIMPL.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>
#include <vector>

#include "core/dvd/disc.h"
#include "core/dvd/vm.h"
#include "filters/base/filter.h"

namespace zrf {

class TZRDvdNavigator final : public TZRBaseFilter, public IDvdInfo2 {
public:
    static HRESULT CreateInstance(REFIID iid, void** ppv);
    TZRDvdNavigator();
    ~TZRDvdNavigator() override;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return TZRBaseFilter::QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return TZRBaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return TZRBaseFilter::Release(); }

    // IMediaFilter: the machine starts (first play) when the graph first leaves the stopped state.
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;

    int GetPinCount() override { return 0; }
    TZRBasePin* GetPin(int) override { return nullptr; }

    // IDvdControl2, served through the inner object control_ (its Stop is not the filter's Stop)
    STDMETHODIMP PlayTitle(ULONG title, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayChapterInTitle(ULONG title, ULONG chapter, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayAtTimeInTitle(ULONG title, DVD_HMSF_TIMECODE* time, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP DvdStop();
    STDMETHODIMP ReturnFromSubmenu(DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayAtTime(DVD_HMSF_TIMECODE* time, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayChapter(ULONG chapter, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayPrevChapter(DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP ReplayChapter(DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayNextChapter(DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayForwards(double speed, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP PlayBackwards(double speed, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP ShowMenu(DVD_MENU_ID menu, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP Resume(DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP SelectRelativeButton(DVD_RELATIVE_BUTTON dir);
    STDMETHODIMP ActivateButton();
    STDMETHODIMP SelectButton(ULONG button);
    STDMETHODIMP SelectAndActivateButton(ULONG button);
    STDMETHODIMP StillOff();
    STDMETHODIMP DvdPause(WINBOOL state);
    STDMETHODIMP SelectAudioStream(ULONG stream, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP SelectSubpictureStream(ULONG stream, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP SetSubpictureState(WINBOOL state, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP SelectAngle(ULONG angle, DWORD flags, IDvdCmd** cmd);
    STDMETHODIMP SelectParentalLevel(ULONG level);
    STDMETHODIMP SelectParentalCountry(BYTE country[2]);
    STDMETHODIMP SelectKaraokeAudioPresentationMode(ULONG) { return E_NOTIMPL; }
    STDMETHODIMP SelectVideoModePreference(ULONG mode);
    STDMETHODIMP SetDVDDirectory(LPCWSTR path);
    STDMETHODIMP ActivateAtPosition(POINT pt);
    STDMETHODIMP SelectAtPosition(POINT pt);
    STDMETHODIMP PlayChaptersAutoStop(ULONG, ULONG, ULONG, DWORD, IDvdCmd**) { return E_NOTIMPL; }
    STDMETHODIMP AcceptParentalLevelChange(WINBOOL accept);
    STDMETHODIMP SetOption(DVD_OPTION_FLAG flag, WINBOOL state);
    STDMETHODIMP SetState(IDvdState*, DWORD, IDvdCmd**) { return E_NOTIMPL; }
    STDMETHODIMP PlayPeriodInTitleAutoStop(ULONG, DVD_HMSF_TIMECODE*, DVD_HMSF_TIMECODE*, DWORD, IDvdCmd**) {
        return E_NOTIMPL;
    }
    STDMETHODIMP SetGPRM(ULONG, WORD, DWORD, IDvdCmd**) { return E_NOTIMPL; }
    STDMETHODIMP SelectDefaultMenuLanguage(LCID lang);
    STDMETHODIMP SelectDefaultAudioLanguage(LCID lang, DVD_AUDIO_LANG_EXT ext);
    STDMETHODIMP SelectDefaultSubpictureLanguage(LCID lang, DVD_SUBPICTURE_LANG_EXT ext);

    class TControl final : public IDvdControl2 {
    public:
        explicit TControl(TZRDvdNavigator* o) : o_(o) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return o_->QueryInterface(iid, ppv); }
        STDMETHODIMP_(ULONG) AddRef() override { return o_->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return o_->Release(); }
        STDMETHODIMP PlayTitle(ULONG title, DWORD flags, IDvdCmd** cmd) override { return o_->PlayTitle(title, flags, cmd); }
        STDMETHODIMP PlayChapterInTitle(ULONG title, ULONG chapter, DWORD flags, IDvdCmd** cmd) override { return o_->PlayChapterInTitle(title, chapter, flags, cmd); }
        STDMETHODIMP PlayAtTimeInTitle(ULONG title, DVD_HMSF_TIMECODE* time, DWORD flags, IDvdCmd** cmd) override { return o_->PlayAtTimeInTitle(title, time, flags, cmd); }
        STDMETHODIMP Stop() override { return o_->DvdStop(); }
        STDMETHODIMP ReturnFromSubmenu(DWORD flags, IDvdCmd** cmd) override { return o_->ReturnFromSubmenu(flags, cmd); }
        STDMETHODIMP PlayAtTime(DVD_HMSF_TIMECODE* time, DWORD flags, IDvdCmd** cmd) override { return o_->PlayAtTime(time, flags, cmd); }
        STDMETHODIMP PlayChapter(ULONG chapter, DWORD flags, IDvdCmd** cmd) override { return o_->PlayChapter(chapter, flags, cmd); }
        STDMETHODIMP PlayPrevChapter(DWORD flags, IDvdCmd** cmd) override { return o_->PlayPrevChapter(flags, cmd); }
        STDMETHODIMP ReplayChapter(DWORD flags, IDvdCmd** cmd) override { return o_->ReplayChapter(flags, cmd); }
        STDMETHODIMP PlayNextChapter(DWORD flags, IDvdCmd** cmd) override { return o_->PlayNextChapter(flags, cmd); }
        STDMETHODIMP PlayForwards(double speed, DWORD flags, IDvdCmd** cmd) override { return o_->PlayForwards(speed, flags, cmd); }
        STDMETHODIMP PlayBackwards(double speed, DWORD flags, IDvdCmd** cmd) override { return o_->PlayBackwards(speed, flags, cmd); }
        STDMETHODIMP ShowMenu(DVD_MENU_ID menu, DWORD flags, IDvdCmd** cmd) override { return o_->ShowMenu(menu, flags, cmd); }
        STDMETHODIMP Resume(DWORD flags, IDvdCmd** cmd) override { return o_->Resume(flags, cmd); }
        STDMETHODIMP SelectRelativeButton(DVD_RELATIVE_BUTTON dir) override { return o_->SelectRelativeButton(dir); }
        STDMETHODIMP ActivateButton() override { return o_->ActivateButton(); }
        STDMETHODIMP SelectButton(ULONG button) override { return o_->SelectButton(button); }
        STDMETHODIMP SelectAndActivateButton(ULONG button) override { return o_->SelectAndActivateButton(button); }
        STDMETHODIMP StillOff() override { return o_->StillOff(); }
        STDMETHODIMP Pause(WINBOOL state) override { return o_->DvdPause(state); }
        STDMETHODIMP SelectAudioStream(ULONG stream, DWORD flags, IDvdCmd** cmd) override { return o_->SelectAudioStream(stream, flags, cmd); }
        STDMETHODIMP SelectSubpictureStream(ULONG stream, DWORD flags, IDvdCmd** cmd) override { return o_->SelectSubpictureStream(stream, flags, cmd); }
        STDMETHODIMP SetSubpictureState(WINBOOL state, DWORD flags, IDvdCmd** cmd) override { return o_->SetSubpictureState(state, flags, cmd); }
        STDMETHODIMP SelectAngle(ULONG angle, DWORD flags, IDvdCmd** cmd) override { return o_->SelectAngle(angle, flags, cmd); }
        STDMETHODIMP SelectParentalLevel(ULONG level) override { return o_->SelectParentalLevel(level); }
        STDMETHODIMP SelectParentalCountry(BYTE country[2]) override { return o_->SelectParentalCountry(country); }
        STDMETHODIMP SelectKaraokeAudioPresentationMode(ULONG a0) override { return o_->SelectKaraokeAudioPresentationMode(a0); }
        STDMETHODIMP SelectVideoModePreference(ULONG mode) override { return o_->SelectVideoModePreference(mode); }
        STDMETHODIMP SetDVDDirectory(LPCWSTR path) override { return o_->SetDVDDirectory(path); }
        STDMETHODIMP ActivateAtPosition(POINT pt) override { return o_->ActivateAtPosition(pt); }
        STDMETHODIMP SelectAtPosition(POINT pt) override { return o_->SelectAtPosition(pt); }
        STDMETHODIMP PlayChaptersAutoStop(ULONG a0, ULONG a1, ULONG a2, DWORD a3, IDvdCmd** a4) override { return o_->PlayChaptersAutoStop(a0, a1, a2, a3, a4); }
        STDMETHODIMP AcceptParentalLevelChange(WINBOOL accept) override { return o_->AcceptParentalLevelChange(accept); }
        STDMETHODIMP SetOption(DVD_OPTION_FLAG flag, WINBOOL state) override { return o_->SetOption(flag, state); }
        STDMETHODIMP SetState(IDvdState* a0, DWORD a1, IDvdCmd** a2) override { return o_->SetState(a0, a1, a2); }
        STDMETHODIMP PlayPeriodInTitleAutoStop(ULONG a0, DVD_HMSF_TIMECODE* a1, DVD_HMSF_TIMECODE* a2, DWORD a3,
                                               IDvdCmd** a4) override {
            return o_->PlayPeriodInTitleAutoStop(a0, a1, a2, a3, a4);
        }
        STDMETHODIMP SetGPRM(ULONG a0, WORD a1, DWORD a2, IDvdCmd** a3) override { return o_->SetGPRM(a0, a1, a2, a3); }
        STDMETHODIMP SelectDefaultMenuLanguage(LCID lang) override { return o_->SelectDefaultMenuLanguage(lang); }
        STDMETHODIMP SelectDefaultAudioLanguage(LCID lang, DVD_AUDIO_LANG_EXT ext) override { return o_->SelectDefaultAudioLanguage(lang, ext); }
        STDMETHODIMP SelectDefaultSubpictureLanguage(LCID lang, DVD_SUBPICTURE_LANG_EXT ext) override { return o_->SelectDefaultSubpictureLanguage(lang, ext); }
    private:
        TZRDvdNavigator* o_;
    };

    // IDvdInfo2
    STDMETHODIMP GetCurrentDomain(DVD_DOMAIN* domain) override;
    STDMETHODIMP GetCurrentLocation(DVD_PLAYBACK_LOCATION2* loc) override;
    STDMETHODIMP GetTotalTitleTime(DVD_HMSF_TIMECODE* total, ULONG* flags) override;
    STDMETHODIMP GetCurrentButton(ULONG* available, ULONG* current) override;
    STDMETHODIMP GetCurrentAngle(ULONG* available, ULONG* current) override;
    STDMETHODIMP GetCurrentAudio(ULONG* available, ULONG* current) override;
    STDMETHODIMP GetCurrentSubpicture(ULONG* available, ULONG* current, WINBOOL* disabled) override;
    STDMETHODIMP GetCurrentUOPS(ULONG* uops) override;
    STDMETHODIMP GetAllSPRMs(SPRMARRAY* regs) override;
    STDMETHODIMP GetAllGPRMs(GPRMARRAY* regs) override;
    STDMETHODIMP GetAudioLanguage(ULONG stream, LCID* lang) override;
    STDMETHODIMP GetSubpictureLanguage(ULONG stream, LCID* lang) override;
    STDMETHODIMP GetTitleAttributes(ULONG title, DVD_MenuAttributes* menu, DVD_TitleAttributes* attr) override;
    STDMETHODIMP GetVMGAttributes(DVD_MenuAttributes* attr) override;
    STDMETHODIMP GetCurrentVideoAttributes(DVD_VideoAttributes* attr) override;
    STDMETHODIMP GetAudioAttributes(ULONG stream, DVD_AudioAttributes* attr) override;
    STDMETHODIMP GetKaraokeAttributes(ULONG, DVD_KaraokeAttributes*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSubpictureAttributes(ULONG stream, DVD_SubpictureAttributes* attr) override;
    STDMETHODIMP GetDVDVolumeInfo(ULONG* volumes, ULONG* volume, DVD_DISC_SIDE* side, ULONG* titles) override;
    STDMETHODIMP GetDVDTextNumberOfLanguages(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDVDTextLanguageInfo(ULONG, ULONG*, LCID*, enum DVD_TextCharSet*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDVDTextStringAsNative(ULONG, ULONG, BYTE*, ULONG, ULONG*, enum DVD_TextStringType*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDVDTextStringAsUnicode(ULONG, ULONG, WCHAR*, ULONG, ULONG*, enum DVD_TextStringType*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetPlayerParentalLevel(ULONG* level, BYTE country[2]) override;
    STDMETHODIMP GetNumberOfChapters(ULONG title, ULONG* count) override;
    STDMETHODIMP GetTitleParentalLevels(ULONG title, ULONG* levels) override;
    STDMETHODIMP GetDVDDirectory(LPWSTR path, ULONG maxSize, ULONG* actual) override;
    STDMETHODIMP IsAudioStreamEnabled(ULONG stream, WINBOOL* enabled) override;
    STDMETHODIMP GetDiscID(LPCWSTR path, ULONGLONG* id) override;
    STDMETHODIMP GetState(IDvdState**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMenuLanguages(LCID* langs, ULONG max, ULONG* actual) override;
    STDMETHODIMP GetButtonAtPosition(POINT pt, ULONG* button) override;
    STDMETHODIMP GetCmdFromEvent(LONG_PTR, IDvdCmd**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultMenuLanguage(LCID* lang) override;
    STDMETHODIMP GetDefaultAudioLanguage(LCID* lang, DVD_AUDIO_LANG_EXT* ext) override;
    STDMETHODIMP GetDefaultSubpictureLanguage(LCID* lang, DVD_SUBPICTURE_LANG_EXT* ext) override;
    STDMETHODIMP GetDecoderCaps(DVD_DECODER_CAPS* caps) override;
    STDMETHODIMP GetButtonRect(ULONG button, RECT* rect) override;
    STDMETHODIMP IsSubpictureStreamEnabled(ULONG stream, WINBOOL* enabled) override;

    // A 64-bit identity of the volume in 'folder' (FNV-1a over its information files); false when it is none.
    static bool DiscIdOf(const std::wstring& folder, ULONGLONG* id);

protected:
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** ppv) override;

private:
    // Runs a navigation step on an open volume and sends the events it caused.
    template <class F>
    HRESULT Navigate(IDvdCmd** cmd, F&& step);
    void SendEvents();
    const zrdvd::Vts* TitleSet(ULONG title) const;

    CritSec navLock_;
    std::unique_ptr<zrdvd::Disc> disc_;
    std::unique_ptr<zrdvd::Vm> vm_;
    TControl control_{this};
    std::wstring folder_;
    bool started_ = false;
    bool hmsfEvents_ = false;
    bool resetOnStop_ = true;
    ULONG displayMode_ = 0;
};

}  // namespace zrf
