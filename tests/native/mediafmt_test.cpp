#include "core/mediafmt.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

TEST(MediaFmt, FileFormatFromName)
{
    const struct { const wchar_t* name; const wchar_t* format; } cases[] = {
        {L"C:\\v\\movie.avi", L"AVI"},
        {L"a.MPG", L"MPEG 1/2"},
        {L"b.mpeg", L"MPEG 1/2"},
        {L"c.Vob", L"VOB"},
        {L"d.mp4", L"MPEG 4"},
        {L"e.m4v", L"MPEG-4 Video"},
        {L"f.wmv", L"Windows Media Video"},
        {L"g.asf", L"Windows Media Video (ASF)"},
        {L"h.mov", L"QuickTime MOV"},
        {L"i.3gp", L"QuickTime 3GP"},
        {L"j.3G2", L"QuickTime 3GP2"},
        {L"k.ogm", L"OGG Media"},
        {L"l.mkv", L"Matroska"},
        {L"m.rm", L"RealMedia"},
        {L"n.mp2", L"MPEG-1 layer 2"},
        {L"o.mp3", L"MP3"},
        {L"p.ogg", L"OGG Vorbis"},
        {L"q.wav", L"WAV"},
        {L"r.wma", L"Windows Media Audio"},
        {L"s.aac", L"AAC"},
        {L"t.m4a", L"MPEG-4 Audio"},
        {L"archive.tar.avi", L"AVI"},   // only the last point counts
        {L".mkv", L"Matroska"},
        {L"http://host.example/clip.mp4", L"MPEG 4"},
        // No extension: all empty.
        {L"", L""},
        {L"x.xyz", L""},
        {L"noext", L""},
        {L"file.", L""},
        {L"clip.avi.part", L""},
        {L"clip.rmvb", L""},
        {L"C:\\my.dir\\file", L""},      // the point belongs to the folder
        {L"/home/u/my.dir/file", L""},
        {L"http://host.example/stream", L""},
        {L"C:\\my.dir\\file.wav", L"WAV"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileFormatFromName(c.name), c.format) << c.name;
}

TEST(MediaFmt, TimeText)
{
    const struct { int32_t s; const wchar_t* text; } cases[] = {
        {0, L"00:00"},
        {5, L"00:05"},
        {59, L"00:59"},
        {60, L"01:00"},
        {3599, L"59:59"},
        {3600, L"01:00:00"},
        {3661, L"01:01:01"},
        {86399, L"23:59:59"},
        {360000, L"100:00:00"},
        {std::numeric_limits<int32_t>::max(), L"596523:14:07"},
        {-65, L"-01:05"},
        {-3600, L"-01:00:00"},
        {std::numeric_limits<int32_t>::min(), L"-596523:14:08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeText(c.s), c.text) << c.s;
}

TEST(MediaFmt, AspectReduction)
{
    const struct { int32_t w, h; const wchar_t* text; int32_t aw, ah; } cases[] = {
        {1920, 1080, L"16:9", 16, 9},
        {1280, 720, L"16:9", 16, 9},
        {720, 576, L"5:4", 5, 4},
        {640, 480, L"4:3", 4, 3},
        {720, 480, L"3:2", 3, 2},
        {2048, 858, L"74:31", 74, 31},
        {500, 500, L"1:1", 1, 1},
        {100, 1, L"100:1", 100, 1},
        {1, 100, L"1:100", 1, 100},
        // No qualifying pair, or no usable size: empty text, terms untouched.
        {1, 200, L"", -7, -7},
        {101, 1, L"", -7, -7},
        {0, 1080, L"", -7, -7},
        {1920, 0, L"", -7, -7},
        {0, 0, L"", -7, -7},
        {-1920, 1080, L"", -7, -7},
        {-1920, -1080, L"", -7, -7},
    };
    for (const auto& c : cases) {
        std::wstring text = L"stale";
        int32_t aw = -7, ah = -7;
        EXPECT_EQ(AspectReduction(c.w, c.h, text, aw, ah), c.aw != -7) << c.w << "x" << c.h;
        EXPECT_EQ(text, c.text) << c.w << "x" << c.h;
        EXPECT_EQ(aw, c.aw) << c.w << "x" << c.h;
        EXPECT_EQ(ah, c.ah) << c.w << "x" << c.h;
    }
}

}  // namespace
