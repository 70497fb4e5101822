// TStrings, the framework's list of strings used for every multi-line property, and TStringList, the
// list that holds them.
//
// Comparisons follow the user's locale and ignore case (AnsiCompareText): searching, name=value look-up
// and sorting all agree on which lines are equal and in which order they go.
//
// Change notices (TStringList): outside an update bracket every change is announced by OnChanging
// before it and OnChange after it. Inside a bracket, OnChanging fires before the first change and
// OnChange once when the outermost bracket closes; a bracket in which nothing changed sends no notice.
#pragma once

#include "framework/TypInfo.h"

#include <string>
#include <string_view>
#include <vector>

class TStrings : public TPersistent {
    QEL_CLASS(TStrings)
public:
    virtual int Count() const = 0;
    // Indexed access raises EListError "List index out of bounds (N)".
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& text) = 0;
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    // Appends text and returns its index.
    virtual int Add(const std::string& text);
    void AddStrings(const TStrings& strings);
    std::string operator[](int index) const { return Get(index); }
    std::string Strings(int index) const { return Get(index); }

    // Case-insensitive search (as the sorted lists compare); -1 when absent.
    virtual int IndexOf(std::string_view text) const;

    // The lines joined, each ended by CR LF. Setting splits at CR LF, LF or CR; a line break at the very
    // end closes the last line rather than starting an empty one.
    std::string Text() const;
    void SetText(std::string_view text);

    // name=value access. A line's name is the text before its first '='; a line without '=' has no
    // name and no value, and no name look-up finds it.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(std::string_view name) const;
    // Empty when no line has that name.
    std::string Values(std::string_view name) const;
    // Replaces the first line of that name, or appends one; an empty value removes the line. A name
    // containing '=' could never be found again and raises EListError.
    void SetValues(std::string_view name, const std::string& value);

    // Update brackets nest; an EndUpdate without a matching BeginUpdate is ignored.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const noexcept { return FUpdateCount; }

    // Takes the lines of any TStrings; anything else raises EConvertError.
    void Assign(TPersistent* source) override;

    // Same lines in the same order, compared exactly (case included).
    friend bool operator==(const TStrings& a, const TStrings& b);

protected:
    // Called on entering and leaving an outermost update bracket.
    virtual void SetUpdateState(bool updating);
    [[noreturn]] void Error(int index) const;

private:
    int FUpdateCount = 0;
};

class TStringList : public TStrings {
    QEL_CLASS(TStringList)
public:
    TStringList() = default;

    int Count() const override { return static_cast<int>(FItems.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& text) override;
    int IndexOf(std::string_view text) const override;

    // A sorted list keeps its order on Add, placing a line after those that compare equal to it, so
    // adding lines one by one gives the order that sorting them all at once gives. Lines are never
    // dropped as duplicates. Put and Insert would break the order and raise EListError on a sorted list.
    bool Sorted() const noexcept { return FSorted; }
    void SetSorted(bool sorted);
    // Orders the lines (stable: lines that compare equal keep their order).
    void Sort();
    // Binary search; the lines must be in order (Sorted, or after Sort). True when found, with index at
    // the first equal line; otherwise index is where text belongs.
    bool Find(std::string_view text, int& index) const;

    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }
    const TNotifyEvent& OnChanging() const noexcept { return FOnChanging; }
    void SetOnChanging(const TNotifyEvent& event) { FOnChanging = event; }

protected:
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();

private:
    void CheckIndex(int index) const;
    void InsertItem(int index, const std::string& text);

    std::vector<std::string> FItems;
    bool FSorted = false;
    bool FChangedInUpdate = false;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};
