#include "core/devnames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct DisplayCase {
    bool audio;
    const wchar_t* registered;
    const wchar_t* expected;
};

TEST(DeviceNames, DisplayNameRules)
{
    const DisplayCase cases[] = {
        // Audio renderers: only DirectSound devices keep a name, without the "DirectSound:" marker.
        {true, L"Default DirectSound Device", L"Default DirectSound Device"},
        {true, L"DirectSound: Out: default", L"Out: default"},
        {true, L"  DirectSound: Speakers\t", L"Speakers"},
        {true, L"DirectSound:DirectSound: Twice", L"Twice"},
        {true, L"Front DirectSound:Back", L"Front Back"},
        {true, L"Default WaveOut Device", L"<ignore>"},
        {true, L"directsound: lower case", L"<ignore>"},
        {true, L"DirectSound:", L"[no name]"},
        {true, L"", L"<ignore>"},
        // Other categories: kept as registered, untrimmed; blank becomes "[no name]".
        {false, L"  Padded  ", L"  Padded  "},
        {false, L"DirectSound: Out", L"DirectSound: Out"},
        {false, L"", L"[no name]"},
        {false, L" \t\r\n", L"[no name]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceDisplayName(c.registered, c.audio), c.expected)
            << (c.audio ? "audio: " : "other: ") << testing::PrintToString(std::wstring(c.registered));
}

TEST(DeviceNames, DvDevicesTakeTheirDescription)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* description;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"Microsoft DV Camera and VCR", L"Cam", L"Cam (DV)"},
        {L"Microsoft DV Camera and VCR", L"", L" (DV)"},
        {L"Microsoft AV/C Tape Subunit Device", L"Deck", L"Deck (DV/MPEG/Tape Device)"},
        {L"Microsoft DV Camera and VCR #Microsoft DV Camera and VCR", L"D", L"D (DV) #(DV)"},
        // The second rule sees the name the first one produced.
        {L"Microsoft DV Camera and VCR/Microsoft AV/C Tape Subunit Device", L"D",
         L"D D (DV)/(DV/MPEG/Tape Device)"},
        {L"microsoft dv camera and vcr", L"X", L"microsoft dv camera and vcr"},
        {L"USB Webcam", L"X", L"USB Webcam"},
    };
    for (const auto& c : cases) EXPECT_EQ(ApplyDeviceDescription(c.name, c.description), c.expected) << c.expected;
}

TEST(DeviceNames, DuplicatesAreNumberedUpToTen)
{
    TZRNameSet given;
    std::vector<std::wstring> got;
    for (int i = 0; i < 12; ++i) got.push_back(given.Add(L"Dev"));
    const std::vector<std::wstring> expected = {L"Dev",      L"Dev (2)", L"Dev (3)", L"Dev (4)",
                                                L"Dev (5)",  L"Dev (6)", L"Dev (7)", L"Dev (8)",
                                                L"Dev (9)",  L"Dev (10)", L"Dev",    L"Dev"};
    EXPECT_EQ(got, expected);

    // Case does not make a name new, and a suffix already registered as a name is skipped.
    TZRNameSet other;
    EXPECT_EQ(other.Add(L"Out"), L"Out");
    EXPECT_EQ(other.Add(L"OUT"), L"OUT (2)");
    EXPECT_EQ(other.Add(L"x (3)"), L"x (3)");
    EXPECT_EQ(other.Add(L"X"), L"X");
    EXPECT_EQ(other.Add(L"x"), L"x (2)");
    EXPECT_EQ(other.Add(L"x"), L"x (4)");

    // The comparison is the caller's choice.
    TZRNameSet exact([](std::wstring_view a, std::wstring_view b) { return a == b; });
    EXPECT_EQ(exact.Add(L"Out"), L"Out");
    EXPECT_EQ(exact.Add(L"OUT"), L"OUT");
    EXPECT_EQ(exact.Add(L"Out"), L"Out (2)");
}

TEST(DeviceNames, AudioRendererListing)
{
    // The audio renderer category as Wine registers it, plus a second WaveOut-only device.
    TZRNameSet given;
    std::vector<std::wstring> got;
    for (const wchar_t* n : {L"Default DirectSound Device", L"Default WaveOut Device", L"DirectSound: Out: default",
                             L"Out: default", L"Other WaveOut"})
        got.push_back(NameDevice(given, n, L"", true));
    EXPECT_EQ(got, (std::vector<std::wstring>{L"Default DirectSound Device", L"<ignore>", L"Out: default",
                                              L"<ignore> (2)", L"<ignore> (3)"}));

    // Numbering applies to the name after the DV rule; a blank name is numbered like any other.
    TZRNameSet cams;
    EXPECT_EQ(NameDevice(cams, L"Microsoft DV Camera and VCR", L"Cam", false), L"Cam (DV)");
    EXPECT_EQ(NameDevice(cams, L"Microsoft DV Camera and VCR", L"Cam", false), L"Cam (DV) (2)");
    EXPECT_EQ(NameDevice(cams, L" ", L"", false), L"[no name]");
    EXPECT_EQ(NameDevice(cams, L"", L"", false), L"[no name] (2)");
}

}  // namespace
