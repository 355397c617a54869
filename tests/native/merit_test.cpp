#include "core/merit.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(0xA0 + i);
    return v;
}

TEST(Merit, ReadFromRecord)
{
    const uint8_t wine[8] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00};  // version 2, MERIT_NORMAL
    EXPECT_EQ(MeritFromFilterData(wine, sizeof wine), 0x00800000u);
    const uint8_t le[8] = {0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(MeritFromFilterData(le, 8), 0x11223344u);
    // A short record: missing bytes count as zero.
    EXPECT_EQ(MeritFromFilterData(le, 6), 0x00003344u);
    EXPECT_EQ(MeritFromFilterData(le, 4), 0u);
    EXPECT_EQ(MeritFromFilterData(nullptr, 0), 0u);
    auto big = Pattern(5000);
    EXPECT_EQ(MeritFromFilterData(big.data(), big.size()), 0xA7A6A5A4u);
}

TEST(Merit, WriteKeepsTheRecordAndPadsTo128)
{
    std::array<uint8_t, kMeritRecordSize> out{};
    for (size_t n : {0u, 3u, 60u, 128u}) {
        auto v = Pattern(n);
        out.fill(0xEE);
        ASSERT_TRUE(BuildMeritRecord(TZRRegValueKind::Binary, v.data(), v.size(), 0x11223344u, out)) << n;
        for (size_t i = 0; i < kMeritRecordSize; ++i) {
            uint8_t expected = i < n ? v[i] : 0;
            if (i >= 4 && i < 8) expected = static_cast<uint8_t>(0x11223344u >> (8 * (i - 4)));
            ASSERT_EQ(out[i], expected) << "size " << n << " byte " << i;
        }
        EXPECT_EQ(MeritFromFilterData(out.data(), out.size()), 0x11223344u);
    }

    // No value yet: all zero but the merit.
    ASSERT_TRUE(BuildMeritRecord(TZRRegValueKind::Absent, nullptr, 0, 0x00600000u, out));
    std::array<uint8_t, kMeritRecordSize> expected{};
    expected[6] = 0x60;
    EXPECT_EQ(out, expected);

    // Values of another registry type are taken as their bytes.
    auto v = Pattern(16);
    ASSERT_TRUE(BuildMeritRecord(TZRRegValueKind::Other, v.data(), v.size(), 0, out));
    EXPECT_EQ(out[0], 0xA0);
    EXPECT_EQ(out[4], 0);
}

TEST(Merit, WriteRefusesOversizeAndTypedValues)
{
    struct Case {
        TZRRegValueKind kind;
        size_t size;
    };
    const Case cases[] = {
        {TZRRegValueKind::Binary, 129}, {TZRRegValueKind::Binary, 200}, {TZRRegValueKind::Other, 129},
        {TZRRegValueKind::Text, 8},     {TZRRegValueKind::Integer, 4},  {TZRRegValueKind::Text, 0},
    };
    for (const auto& c : cases) {
        auto v = Pattern(c.size);
        std::array<uint8_t, kMeritRecordSize> out;
        out.fill(0x5A);
        EXPECT_FALSE(BuildMeritRecord(c.kind, v.data(), v.size(), 1, out)) << c.size;
        for (uint8_t b : out) ASSERT_EQ(b, 0x5A) << "refused build must leave the output alone";
    }
}

}  // namespace
