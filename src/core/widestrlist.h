// TZRWideStringList: the ordered list of wide strings used for every list of names.
// Each entry may carry an object pointer that the list does not own.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Throws std::out_of_range with "List index out of bounds (<index>)". Shared by every
// indexed list whose callers report that text.
[[noreturn]] void ThrowListIndexError(int32_t index);

class TZRWideStringList {
public:
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }

    // Append; the result is the new entry's index.
    int32_t Add(std::wstring s);
    int32_t AddObject(std::wstring s, void* object);
    // Insert before index (0..Count; Count appends).
    void Insert(int32_t index, std::wstring s);
    void InsertObject(int32_t index, std::wstring s, void* object);
    void Delete(int32_t index);
    void Clear();

    const std::wstring& Get(int32_t index) const;
    void Put(int32_t index, std::wstring s);  // keeps the entry's object
    // Defined here so the name also works where <windows.h> maps GetObject to GetObjectW.
    void* GetObject(int32_t index) const { return At(index).object; }
    void PutObject(int32_t index, void* object);

    // First entry equal to s ignoring letter case (SameTextCI); -1 when none.
    int32_t IndexOf(std::wstring_view s) const;

    // Every method taking an index throws std::out_of_range ("List index out of bounds
    // (%d)") when it is outside 0..Count-1 (0..Count for the inserts).

private:
    struct Item {
        std::wstring text;
        void* object = nullptr;
    };
    const Item& At(int32_t index) const;
    Item& At(int32_t index);

    std::vector<Item> items_;
};
