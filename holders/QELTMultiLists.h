// TQELMultiLists keeps any number of separate string lists on a form, edited in the designer and stored
// with the form: its collection Lists holds one TQELStringList item per list.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Collection.h"
#include "framework/StringList.h"

#include <memory>

class TQELMultiLists;

// One list of strings of a TQELMultiLists. Assigning an item copies its lines.
class TQELStringList : public TCollectionItem {
    QEL_CLASS(TQELStringList)
public:
    // The collection must be a TQELStringLists (of a TQELMultiLists, or of none): EInvalidCast otherwise.
    explicit TQELStringList(TCollection* collection);

    std::string GetDisplayName() const override;
    void Assign(TPersistent* source) override;

    TStrings* Strings() const noexcept { return FStrings.get(); }
    void SetStrings(TStrings* value) { FStrings->Assign(value); }

private:
    std::unique_ptr<TStringList> FStrings;
};

// A list with a flag beside it. Nothing in the library creates one; Lists always adds plain lists.
class TQELBetaStringList : public TQELStringList {
    QEL_CLASS(TQELBetaStringList)
public:
    using TQELStringList::TQELStringList;

    // Copies the flag too when source is a TQELBetaStringList.
    void Assign(TPersistent* source) override;

    bool HasBoolean() const noexcept { return FHasBoolean; }
    void SetHasBoolean(bool value) { FHasBoolean = value; }

private:
    bool FHasBoolean = false;
};

class TQELStringLists : public TCollection {
    QEL_CLASS(TQELStringLists)
public:
    explicit TQELStringLists(TQELMultiLists* owner);

    // Asks "Which" in an OK/Cancel box first; whatever the answer, appends a new list and returns it.
    // Reading a form adds its lists without asking.
    TQELStringList* Add();
    TQELStringList* GeTQELStringList(int index) const;
    // Assigns value into the list at index.
    void SeTQELStringList(int index, TQELStringList* value);
    TQELStringList* Items(int index) const { return GeTQELStringList(index); }

    TPersistent* GetOwner() const override;

private:
    TQELMultiLists* FOwner;
};

class TQELMultiLists : public TQELSystemsComponent {
    QEL_CLASS(TQELMultiLists)
public:
    explicit TQELMultiLists(TComponent* owner);

    TQELStringLists* Lists() const noexcept { return FLists.get(); }
    void SetQELStringLists(TQELStringLists* value) { FLists->Assign(value); }

private:
    std::unique_ptr<TQELStringLists> FLists;
};
