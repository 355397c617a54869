#include "core/widestrlist.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

int a, b, c;  // addresses used as the entries' objects

std::vector<std::wstring> Texts(const TZRWideStringList& l)
{
    std::vector<std::wstring> r;
    for (int32_t i = 0; i < l.Count(); ++i)
        r.push_back(l.Get(i));
    return r;
}

TEST(WideStringList, EntriesKeepOrderAndObjects)
{
    TZRWideStringList l;
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Add(L"one"), 0);
    EXPECT_EQ(l.AddObject(L"two", &b), 1);
    EXPECT_EQ(l.Add(L"three"), 2);
    l.Insert(0, L"zero");
    l.InsertObject(4, L"four", &c);  // inserting at Count appends
    l.InsertObject(2, L"one-and-a-half", &a);
    EXPECT_EQ(Texts(l), (std::vector<std::wstring>{L"zero", L"one", L"one-and-a-half", L"two", L"three", L"four"}));
    const std::vector<void*> objects = {nullptr, nullptr, &a, &b, nullptr, &c};
    for (int32_t i = 0; i < l.Count(); ++i)
        EXPECT_EQ(l.GetObject(i), objects[static_cast<size_t>(i)]) << i;

    l.Put(3, L"TWO");  // keeps the object
    EXPECT_EQ(l.Get(3), L"TWO");
    EXPECT_EQ(l.GetObject(3), &b);
    l.PutObject(0, &c);
    EXPECT_EQ(l.GetObject(0), &c);

    l.Delete(2);  // the object goes with its text
    EXPECT_EQ(Texts(l), (std::vector<std::wstring>{L"zero", L"one", L"TWO", L"three", L"four"}));
    EXPECT_EQ(l.GetObject(2), &b);
    EXPECT_EQ(l.GetObject(4), &c);

    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Add(L"again"), 0);
}

TEST(WideStringList, IndexOfIgnoresCaseAndReturnsFirst)
{
    TZRWideStringList l;
    for (const wchar_t* s : {L"Video Renderer", L"", L"DirectSound: Default", L"video renderer"})
        l.Add(s);
    EXPECT_EQ(l.IndexOf(L"VIDEO RENDERER"), 0);
    EXPECT_EQ(l.IndexOf(L"video renderer"), 0);
    EXPECT_EQ(l.IndexOf(L"directsound: default"), 2);
    EXPECT_EQ(l.IndexOf(L""), 1);
    EXPECT_EQ(l.IndexOf(L"Video"), -1);
    EXPECT_EQ(l.IndexOf(L"Video Renderer "), -1);
    EXPECT_EQ(TZRWideStringList().IndexOf(L"x"), -1);
}

TEST(WideStringList, BadIndexThrowsListError)
{
    TZRWideStringList l;
    l.AddObject(L"a", &a);
    l.AddObject(L"b", &b);
    const struct { const char* what; std::function<void()> call; } cases[] = {
        {"List index out of bounds (-1)", [&] { l.Get(-1); }},
        {"List index out of bounds (2)", [&] { l.Get(2); }},
        {"List index out of bounds (2)", [&] { l.Put(2, L"x"); }},
        {"List index out of bounds (-1)", [&] { l.GetObject(-1); }},
        {"List index out of bounds (5)", [&] { l.PutObject(5, &c); }},
        {"List index out of bounds (2)", [&] { l.Delete(2); }},
        {"List index out of bounds (-1)", [&] { l.Delete(-1); }},
        {"List index out of bounds (3)", [&] { l.Insert(3, L"x"); }},
        {"List index out of bounds (-1)", [&] { l.InsertObject(-1, L"x", &c); }},
        {"List index out of bounds (-2147483648)", [&] { l.Get(INT32_MIN); }},
        {"List index out of bounds (5)", [] { ThrowListIndexError(5); }},
    };
    for (const auto& t : cases) {
        try {
            t.call();
            ADD_FAILURE() << "no exception, expected " << t.what;
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), t.what);
        }
    }
    // Nothing changed.
    EXPECT_EQ(Texts(l), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(l.GetObject(0), &a);
    EXPECT_EQ(l.GetObject(1), &b);
}

}  // namespace
