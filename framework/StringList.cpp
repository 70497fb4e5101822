// TStrings and TStringList.
#include "framework/StringList.h"

#include "framework/Strings.h"

#include <algorithm>

QEL_CLASS_INFO(TStrings, TPersistent)
{
    return {};
}

QEL_CLASS_INFO(TStringList, TStrings)
{
    return {};
}

namespace {

// Runs change inside an update bracket that is closed whatever happens, so that listeners hear of
// a multi-line change once.
template <class F>
void InUpdate(TStrings& strings, F change)
{
    strings.BeginUpdate();
    try {
        change();
    } catch (...) {
        strings.EndUpdate();
        throw;
    }
    strings.EndUpdate();
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TStrings

int TStrings::Add(const std::string& text)
{
    const int index = Count();
    Insert(index, text);
    return index;
}

void TStrings::AddStrings(const TStrings& strings)
{
    // Copied first: strings may be this very list, growing (and, when sorted, reordering) as we add.
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(strings.Count()));
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings.Get(i));
    InUpdate(*this, [&] {
        for (const std::string& line : lines)
            Add(line);
    });
}

int TStrings::IndexOf(std::string_view text) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(Get(i), text) == 0)
            return i;
    return -1;
}

std::string TStrings::Text() const
{
    std::string text;
    for (int i = 0; i < Count(); ++i)
        text.append(Get(i)).append("\r\n");
    return text;
}

void TStrings::SetText(std::string_view text)
{
    InUpdate(*this, [&] {
        Clear();
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
            Add(std::string(text.substr(start, end - start)));
            start = end < text.size() && text.substr(end, 2) == "\r\n" ? end + 2 : end + 1;
        }
    });
}

std::string TStrings::Names(int index) const
{
    const std::string line = Get(index);
    const std::size_t separator = line.find('=');
    return separator == std::string::npos ? std::string() : line.substr(0, separator);
}

std::string TStrings::ValueFromIndex(int index) const
{
    const std::string line = Get(index);
    const std::size_t separator = line.find('=');
    return separator == std::string::npos ? std::string() : line.substr(separator + 1);
}

int TStrings::IndexOfName(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i) {
        const std::string line = Get(i);
        const std::size_t separator = line.find('=');
        if (separator != std::string::npos &&
            AnsiCompareText(std::string_view(line).substr(0, separator), name) == 0)
            return i;
    }
    return -1;
}

std::string TStrings::Values(std::string_view name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(std::string_view name, const std::string& value)
{
    if (name.find('=') != std::string_view::npos)
        throw EListError("Invalid name '" + std::string(name) + "': a name cannot contain '='");
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
    } else if (index >= 0)
        Put(index, std::string(name) + "=" + value);
    else
        Add(std::string(name) + "=" + value);
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::Assign(TPersistent* source)
{
    if (source == this)
        return;
    if (!source || !source->Is<TStrings>()) {
        TPersistent::Assign(source);
        return;
    }
    InUpdate(*this, [&] {
        Clear();
        AddStrings(*static_cast<TStrings*>(source));
    });
}

bool operator==(const TStrings& a, const TStrings& b)
{
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.Get(i) != b.Get(i))
            return false;
    return true;
}

void TStrings::SetUpdateState(bool)
{
}

void TStrings::Error(int index) const
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// ---------------------------------------------------------------------------------------------------
// TStringList

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        Error(index);
}

std::string TStringList::Get(int index) const
{
    CheckIndex(index);
    return FItems[static_cast<std::size_t>(index)];
}

void TStringList::Put(int index, const std::string& text)
{
    if (FSorted)
        throw EListError("Operation not allowed on sorted list");
    CheckIndex(index);
    Changing();
    FItems[static_cast<std::size_t>(index)] = text;
    Changed();
}

void TStringList::Insert(int index, const std::string& text)
{
    if (FSorted)
        throw EListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        Error(index);
    InsertItem(index, text);
}

void TStringList::InsertItem(int index, const std::string& text)
{
    Changing();
    FItems.insert(FItems.begin() + index, text);
    Changed();
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    Changing();
    FItems.erase(FItems.begin() + index);
    Changed();
}

void TStringList::Clear()
{
    if (FItems.empty())
        return;
    Changing();
    FItems.clear();
    Changed();
}

int TStringList::Add(const std::string& text)
{
    if (!FSorted)
        return TStrings::Add(text);
    int index;
    Find(text, index);
    while (index < Count() && AnsiCompareText(FItems[static_cast<std::size_t>(index)], text) == 0)
        ++index;
    InsertItem(index, text);
    return index;
}

int TStringList::IndexOf(std::string_view text) const
{
    if (!FSorted)
        return TStrings::IndexOf(text);
    int index;
    return Find(text, index) ? index : -1;
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted)
        Sort();
    FSorted = sorted;
}

void TStringList::Sort()
{
    if (FSorted || Count() < 2)
        return;
    Changing();
    AnsiSortText(FItems);
    Changed();
}

bool TStringList::Find(std::string_view text, int& index) const
{
    int low = 0;
    int high = Count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (AnsiCompareText(FItems[static_cast<std::size_t>(middle)], text) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    index = low;
    return low < Count() && AnsiCompareText(FItems[static_cast<std::size_t>(low)], text) == 0;
}

void TStringList::SetUpdateState(bool updating)
{
    if (updating || !FChangedInUpdate)
        return;
    FChangedInUpdate = false;
    FOnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0)
        FOnChanging(this);
    else if (!FChangedInUpdate) {
        FChangedInUpdate = true;
        FOnChanging(this);
    }
}

void TStringList::Changed()
{
    if (UpdateCount() == 0)
        FOnChange(this);
}
