// TCollection and TCollectionItem: an owned, ordered list of items of one class, streamed with the
// component that publishes it.
//
// Ownership: the collection owns its items and deletes them when it is cleared or destroyed. An item
// holds only a plain pointer to its collection; deleting an item takes it out of its collection.
//
// Notices: every change reaches the collection's Update. Inside an update bracket they are held back,
// and the outermost EndUpdate sends one Update(nullptr) if anything changed.
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
    // Moves the item to the end of another collection (or out of any, with null); it gets a new ID
    // there. Raises EInvalidCast when the item is not of that collection's item class.
    void SetCollection(TCollection* collection);
    // Unique within the collection, given in increasing order from 0 and never reused.
    int ID() const noexcept { return FID; }
    // Position in the collection, -1 when free-standing.
    int Index() const;
    // Moves the item to position index; EListError when index is not a position of the collection.
    virtual void SetIndex(int index);
    // The text the designer lists the item under; the class name unless a class says otherwise.
    virtual std::string GetDisplayName() const;
    virtual void SetDisplayName(const std::string& name);
    std::string DisplayName() const { return GetDisplayName(); }

    // The collection, which names the item in name paths.
    TPersistent* GetOwner() const override;

protected:
    // Tells the collection that this item (or, with allItems, more than this item) changed.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent {
    QEL_CLASS(TCollection)
public:
    // itemClass must be a collection item class with a constructor taking the collection (the class
    // record's CreateItem); anything else raises EInvalidCast.
    explicit TCollection(TClass itemClass);
    ~TCollection() override;

    TClass ItemClass() const noexcept { return FItemClass; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    // Creates an item of ItemClass at the end. Deliberately not virtual: the streaming system adds
    // items through it even when a descendant hides it with an Add of its own.
    TCollectionItem* Add();
    // Creates an item at index (0 to Count); EListError, and no item, for any other index.
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    // Indexed access raises EListError "List index out of bounds (N)".
    TCollectionItem* GetItem(int index) const;
    void SetItem(int index, TCollectionItem* value); // Assign into the item at index
    TCollectionItem* Items(int index) const { return GetItem(index); }
    TCollectionItem* FindItemID(int id) const; // null when no item has that ID

    // Update brackets nest; an EndUpdate without a matching BeginUpdate is ignored.
    void BeginUpdate();
    void EndUpdate();

    // Replaces the items by new ones, each Assigned from the source item at its place: an item class
    // that defines no copying raises EConvertError. Should any item fail, the collection is left
    // exactly as it was (same items, same order) and hears no notice.
    void Assign(TPersistent* source) override;

    // The object that publishes the collection; none unless a descendant keeps one.
    using TPersistent::GetOwner;

protected:
    // Called after items were added, removed or changed; item is null for a change of several.
    virtual void Update(TCollectionItem* item);

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void Changed(TCollectionItem* item);

    TClass FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
    bool FChangedInUpdate = false;
};
