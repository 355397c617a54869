#include "core/devnames.h"
#include "core/textutil.h"

namespace {

constexpr std::wstring_view kDirectSound = L"DirectSound";
constexpr std::wstring_view kDirectSoundPrefix = L"DirectSound:";
constexpr std::wstring_view kIgnore = L"<ignore>";
constexpr std::wstring_view kNoName = L"[no name]";
constexpr std::wstring_view kDvCamera = L"Microsoft DV Camera and VCR";
constexpr std::wstring_view kDvCameraShort = L"(DV)";
constexpr std::wstring_view kTapeDevice = L"Microsoft AV/C Tape Subunit Device";
constexpr std::wstring_view kTapeDeviceShort = L"(DV/MPEG/Tape Device)";
constexpr int kFirstSuffix = 2;
constexpr int kLastSuffix = 10;

std::wstring ReplaceAll(std::wstring_view s, std::wstring_view what, std::wstring_view with) {
    std::wstring r;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(what, pos);
        if (hit == std::wstring_view::npos) break;
        r.append(s.substr(pos, hit - pos));
        r.append(with);
        pos = hit + what.size();
    }
    r.append(s.substr(pos));
    return r;
}

std::wstring WithDescription(std::wstring_view description, const std::wstring& name) {
    std::wstring r(description);
    r.push_back(L' ');
    r += name;
    return r;
}

}  // namespace

std::wstring DeviceDisplayName(std::wstring_view registered, bool audioRenderers) {
    std::wstring name(registered);
    if (audioRenderers) {
        if (name.find(kDirectSound) != std::wstring::npos)
            name = Trim(ReplaceAll(name, kDirectSoundPrefix, L""));
        else
            name = std::wstring(kIgnore);
    }
    if (Trim(name).empty()) return std::wstring(kNoName);
    return name;
}

std::wstring ApplyDeviceDescription(std::wstring_view name, std::wstring_view description) {
    std::wstring r(name);
    if (r.find(kDvCamera) != std::wstring::npos) r = WithDescription(description, ReplaceAll(r, kDvCamera, kDvCameraShort));
    if (r.find(kTapeDevice) != std::wstring::npos)
        r = WithDescription(description, ReplaceAll(r, kTapeDevice, kTapeDeviceShort));
    return r;
}

TZRNameSet::TZRNameSet(SameFn same) : same_(same ? same : &SameTextCI) {}

bool TZRNameSet::Contains(std::wstring_view name) const {
    for (const auto& n : names_)
        if (same_(n, name)) return true;
    return false;
}

std::wstring TZRNameSet::MakeUnique(std::wstring_view name) const {
    if (!Contains(name)) return std::wstring(name);
    for (int i = kFirstSuffix; i <= kLastSuffix; ++i) {
        std::wstring candidate(name);
        candidate += L" (" + std::to_wstring(i) + L")";
        if (!Contains(candidate)) return candidate;
    }
    return std::wstring(name);
}

std::wstring TZRNameSet::Add(std::wstring_view name) {
    std::wstring r = MakeUnique(name);
    names_.push_back(r);
    return r;
}

std::wstring NameDevice(TZRNameSet& given, std::wstring_view registered, std::wstring_view description,
                        bool audioRenderers) {
    return given.Add(ApplyDeviceDescription(DeviceDisplayName(registered, audioRenderers), description));
}
