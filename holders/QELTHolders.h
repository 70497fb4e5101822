// Two small holders of a list of strings on a form: TQELStringHolder starts empty, TQELJokeHolder starts
// with a built-in list of one-line jokes about computers and hands out a random one or a chosen one.
// The list is stored with the form, so one edited in the designer replaces the built-in lines.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/StringList.h"

#include <memory>
#include <string>

class TQELStringHolder : public TQELSystemsComponent {
    QEL_CLASS(TQELStringHolder)
public:
    explicit TQELStringHolder(TComponent* owner);

    TStrings* Items() const noexcept { return FItems.get(); }
    void SetStrings(TStrings* value) { FItems->Assign(value); }

private:
    std::unique_ptr<TStringList> FItems;
};

class TQELJokeHolder : public TQELSystemsComponent {
    QEL_CLASS(TQELJokeHolder)
public:
    // Items starts with the 62 built-in lines.
    explicit TQELJokeHolder(TComponent* owner);

    // A line of Items picked at random, empty when Items is. The generator is seeded from the clock on
    // every call, so calls within one clock tick give the same line.
    std::string Getany() const;
    // The line at index, empty past the end; a negative index raises EListError.
    std::string Getone(int index) const;

    TStrings* Items() const noexcept { return FItems.get(); }
    void SetStrings(TStrings* value) { FItems->Assign(value); }

private:
    std::unique_ptr<TStringList> FItems;
};
