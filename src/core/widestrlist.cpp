#include "core/widestrlist.h"

#include <stdexcept>
#include <utility>

#include "core/textutil.h"

void ThrowListIndexError(int32_t index)
{
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

const TZRWideStringList::Item& TZRWideStringList::At(int32_t index) const
{
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

TZRWideStringList::Item& TZRWideStringList::At(int32_t index)
{
    return const_cast<Item&>(std::as_const(*this).At(index));
}

int32_t TZRWideStringList::Add(std::wstring s)
{
    return AddObject(std::move(s), nullptr);
}

int32_t TZRWideStringList::AddObject(std::wstring s, void* object)
{
    const int32_t index = Count();
    InsertObject(index, std::move(s), object);
    return index;
}

void TZRWideStringList::Insert(int32_t index, std::wstring s)
{
    InsertObject(index, std::move(s), nullptr);
}

void TZRWideStringList::InsertObject(int32_t index, std::wstring s, void* object)
{
    if (index < 0 || index > Count())
        ThrowListIndexError(index);
    items_.insert(items_.begin() + index, Item{std::move(s), object});
}

void TZRWideStringList::Delete(int32_t index)
{
    At(index);
    items_.erase(items_.begin() + index);
}

void TZRWideStringList::Clear()
{
    items_.clear();
}

const std::wstring& TZRWideStringList::Get(int32_t index) const
{
    return At(index).text;
}

void TZRWideStringList::Put(int32_t index, std::wstring s)
{
    At(index).text = std::move(s);
}

void TZRWideStringList::PutObject(int32_t index, void* object)
{
    At(index).object = object;
}

int32_t TZRWideStringList::IndexOf(std::wstring_view s) const
{
    for (int32_t i = 0; i < Count(); ++i) {
        if (SameTextCI(items_[static_cast<size_t>(i)].text, s))
            return i;
    }
    return -1;
}
