// TCollection and TCollectionItem.
#include "framework/Collection.h"

#include <algorithm>

QEL_CLASS_INFO(TCollectionItem, TPersistent)
{
    return {};
}

QEL_CLASS_INFO(TCollection, TPersistent)
{
    return {};
}

namespace {

[[noreturn]] void IndexError(int index)
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

// Runs create inside an update bracket, so that the collection hears of the new item once, after the
// item is fully built, and not from the middle of its constructor.
template <class F>
TCollectionItem* CreateInUpdate(TCollection& collection, F create)
{
    collection.BeginUpdate();
    TCollectionItem* item;
    try {
        item = create();
    } catch (...) {
        collection.EndUpdate();
        throw;
    }
    collection.EndUpdate();
    return item;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TCollectionItem

// The class of the item cannot be checked against the collection's here: while this constructor
// runs, the object is still only a TCollectionItem. Add creates items of the right class.
TCollectionItem::TCollectionItem(TCollection* collection)
{
    if (collection)
        collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem()
{
    if (FCollection)
        FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection)
{
    if (collection == FCollection)
        return;
    if (collection && !InheritsFrom(collection->ItemClass()))
        throw EInvalidCast("Invalid class typecast: a " + ClassName() + " is not a " +
                           collection->ItemClass()->Name);
    if (FCollection)
        FCollection->RemoveItem(this);
    if (collection)
        collection->InsertItem(this);
}

int TCollectionItem::Index() const
{
    if (!FCollection)
        return -1;
    const auto& items = FCollection->FItems;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index)
{
    if (!FCollection)
        return;
    if (index < 0 || index >= FCollection->Count())
        IndexError(index);
    const int current = Index();
    if (current == index)
        return;
    auto& items = FCollection->FItems;
    if (current < index)
        std::rotate(items.begin() + current, items.begin() + current + 1, items.begin() + index + 1);
    else
        std::rotate(items.begin() + index, items.begin() + current, items.begin() + current + 1);
    Changed(true);
}

std::string TCollectionItem::GetDisplayName() const
{
    return ClassName();
}

// An item keeps no name of its own; a class that shows one stores it and calls this for the notice.
void TCollectionItem::SetDisplayName(const std::string&)
{
    Changed(false);
}

TPersistent* TCollectionItem::GetOwner() const
{
    return FCollection;
}

void TCollectionItem::Changed(bool allItems)
{
    if (FCollection)
        FCollection->Changed(allItems ? nullptr : this);
}

// ---------------------------------------------------------------------------------------------------
// TCollection

TCollection::TCollection(TClass itemClass) : FItemClass(itemClass)
{
    if (!itemClass || !itemClass->CreateItem)
        throw EInvalidCast("Invalid class typecast: " + (itemClass ? itemClass->Name : std::string("nil")) +
                           " is not a collection item class with a constructor taking its collection");
}

// A destructor calls this class's own Update, so descendants hear nothing of the items going.
TCollection::~TCollection()
{
    Clear();
}

TCollectionItem* TCollection::Add()
{
    return CreateInUpdate(*this, [this] { return FItemClass->CreateItem(this); });
}

TCollectionItem* TCollection::Insert(int index)
{
    if (index < 0 || index > Count())
        IndexError(index);
    return CreateInUpdate(*this, [this, index] {
        TCollectionItem* item = Add();
        item->SetIndex(index);
        return item;
    });
}

void TCollection::Delete(int index)
{
    delete GetItem(index);
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    while (!FItems.empty())
        delete FItems.back();
    EndUpdate();
}

TCollectionItem* TCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        IndexError(index);
    return FItems[static_cast<std::size_t>(index)];
}

void TCollection::SetItem(int index, TCollectionItem* value)
{
    GetItem(index)->Assign(value);
}

TCollectionItem* TCollection::FindItemID(int id) const
{
    auto found =
        std::find_if(FItems.begin(), FItems.end(), [id](TCollectionItem* item) { return item->FID == id; });
    return found == FItems.end() ? nullptr : *found;
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0 && FChangedInUpdate) {
        FChangedInUpdate = false;
        Update(nullptr);
    }
}

void TCollection::Assign(TPersistent* source)
{
    if (source == this)
        return;
    if (!source || !source->Is<TCollection>()) {
        TPersistent::Assign(source);
        return;
    }
    const TCollection& from = *static_cast<TCollection*>(source);
    // The copies are built behind the present items, which go only once every copy succeeded.
    const std::size_t oldCount = FItems.size();
    const bool changedBefore = FChangedInUpdate;
    BeginUpdate();
    try {
        for (int i = 0; i < from.Count(); ++i)
            Add()->Assign(from.GetItem(i));
    } catch (...) {
        while (FItems.size() > oldCount)
            delete FItems.back();
        FChangedInUpdate = changedBefore;
        EndUpdate();
        throw;
    }
    const auto firstCopy = FItems.begin() + static_cast<std::ptrdiff_t>(oldCount);
    const std::vector<TCollectionItem*> old(FItems.begin(), firstCopy);
    for (TCollectionItem* item : old)
        delete item;
    EndUpdate();
}

void TCollection::Update(TCollectionItem*)
{
}

void TCollection::InsertItem(TCollectionItem* item)
{
    FItems.push_back(item);
    item->FCollection = this;
    item->FID = FNextID++;
    Changed(nullptr);
}

void TCollection::RemoveItem(TCollectionItem* item)
{
    FItems.erase(std::find(FItems.begin(), FItems.end(), item));
    item->FCollection = nullptr;
    Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* item)
{
    if (FUpdateCount == 0)
        Update(item);
    else
        FChangedInUpdate = true;
}
