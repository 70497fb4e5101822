// TStrings, the framework's list of strings used for every multi-line property, and TStringList, the
// list that holds them.
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
    virtual void Put(int index, const std::string& text);
    virtual void Insert(int index, const std::string& text) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const std::string& text);
    void AddStrings(const TStrings& strings);
    std::string operator[](int index) const { return Get(index); }
    std::string Strings(int index) const { return Get(index); }

    // Case-insensitive search (as the sorted lists compare); -1 when absent.
    virtual int IndexOf(std::string_view text) const;

    // The lines joined, each ended by CR LF; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(std::string_view text);

    // name=value access.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(std::string_view name) const;
    std::string Values(std::string_view name) const;
    // Setting an empty value removes the line.
    void SetValues(std::string_view name, const std::string& value);

    // Update brackets: change notices are held back until the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const noexcept { return FUpdateCount; }

    void Assign(TPersistent* source) override;

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

    // Sorting orders as the system does for the user's locale, ignoring case (CompareStringA).
    // A sorted list keeps its order on Add; Insert into a sorted list raises EListError.
    bool Sorted() const noexcept { return FSorted; }
    void SetSorted(bool sorted);
    void Sort();
    // Binary search in a sorted list: true when found; index receives the place (or where it belongs).
    bool Find(std::string_view text, int& index) const;

    // Fired before and after every change, and once around an update bracket.
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }
    const TNotifyEvent& OnChanging() const noexcept { return FOnChanging; }
    void SetOnChanging(const TNotifyEvent& event) { FOnChanging = event; }

protected:
    void SetUpdateState(bool updating) override;
    virtual void Changed();
    virtual void Changing();

private:
    std::vector<std::string> FItems;
    bool FSorted = false;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};
