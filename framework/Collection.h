// TCollection and TCollectionItem: an owned, ordered list of items of one class, streamed with the
// component that publishes it.
#pragma once

#include "framework/TypInfo.h"

#include <string>
#include <vector>

class TCollection;

class TCollectionItem : public TPersistent {
    QEL_CLASS(TCollectionItem)
public:
    // Inserts the item into collection (which then owns it); null leaves it free-standing.
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;

    TCollection* Collection() const noexcept { return FCollection; }
    void SetCollection(TCollection* collection);
    int ID() const noexcept { return FID; }
    int Index() const;
    virtual void SetIndex(int index);
    // The text the designer lists the item under; the class name unless a class says otherwise.
    virtual std::string GetDisplayName() const;
    virtual void SetDisplayName(const std::string& name);
    std::string DisplayName() const { return GetDisplayName(); }

protected:
    TPersistent* GetOwner() const override;

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent {
    QEL_CLASS(TCollection)
public:
    explicit TCollection(TClass itemClass);
    ~TCollection() override;

    TClass ItemClass() const noexcept { return FItemClass; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    // Creates an item of ItemClass at the end. Deliberately not virtual: the streaming system adds
    // items through it even when a descendant hides it with an Add of its own.
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    // Indexed access raises EListError "List index out of bounds (N)".
    TCollectionItem* GetItem(int index) const;
    void SetItem(int index, TCollectionItem* value); // Assign into the item at index
    TCollectionItem* Items(int index) const { return GetItem(index); }
    TCollectionItem* FindItemID(int id) const;

    void BeginUpdate();
    void EndUpdate();

    // Replaces the items by copies of source's items (each item's Assign); raises EConvertError
    // when the item class defines no copying.
    void Assign(TPersistent* source) override;

protected:
    // Called after items were added, removed or changed; item is null for a change of several.
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void Changed();

    TClass FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
};
