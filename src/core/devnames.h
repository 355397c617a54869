// Friendly names of devices and filters as the enumerator shows them: readable, and unique within one
// category listing.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The name kept for an entry whose registered friendly name is `registered`.
// Audio renderer category (audioRenderers true): a name containing "DirectSound" has every
// "DirectSound:" removed and is trimmed; any other name becomes "<ignore>". In every category a name
// that is empty after trimming becomes "[no name]"; otherwise the name is kept as it was (untrimmed,
// unless the audio rule trimmed it). All tests are case-sensitive.
std::wstring DeviceDisplayName(std::wstring_view registered, bool audioRenderers);

// Tape and camera devices: a name containing "Microsoft DV Camera and VCR" becomes
// description + L' ' + the name with each of those replaced by "(DV)"; then a name (as it now stands)
// containing "Microsoft AV/C Tape Subunit Device" becomes description + L' ' + the name with each of
// those replaced by "(DV/MPEG/Tape Device)". Case-sensitive. Other names are returned unchanged.
std::wstring ApplyDeviceDescription(std::wstring_view name, std::wstring_view description);

// The set of names already given during one listing, compared by `same` (case-insensitive;
// SameTextCI when none is given).
class TZRNameSet {
public:
    using SameFn = bool (*)(std::wstring_view, std::wstring_view);
    explicit TZRNameSet(SameFn same = nullptr);

    bool Contains(std::wstring_view name) const;
    // The name to give: `name` itself when it is not in the set, else the first of name + " (2)" ...
    // name + " (10)" that is not; when all nine are taken, `name` unchanged (a duplicate).
    std::wstring MakeUnique(std::wstring_view name) const;
    // MakeUnique, then records the result; returns it.
    std::wstring Add(std::wstring_view name);
    void Clear() { names_.clear(); }
    size_t Count() const { return names_.size(); }

private:
    SameFn same_;
    std::vector<std::wstring> names_;
};

// The whole naming of one entry, taken in enumeration order: DeviceDisplayName, then
// ApplyDeviceDescription, then given.Add. Returns the name given.
std::wstring NameDevice(TZRNameSet& given, std::wstring_view registered, std::wstring_view description,
                        bool audioRenderers);
