// TCollection and TCollectionItem: the item class, adding, inserting, moving and deleting items, IDs,
// ownership (checked with a count of live items), update notices and assignment, including an
// assignment that fails part-way.
#include "framework/Collection.h"

#include "framework/Component.h"
#include "framework/StringList.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The item classes are registered by name, so they live outside the anonymous namespace under names
// no other test uses.

// Counts its live instances, so that a test sees every item that was created and never freed.
class TCollTestItem : public TCollectionItem {
    QEL_CLASS(TCollTestItem)
public:
    explicit TCollTestItem(TCollection* collection) : TCollectionItem(collection) { ++FLive; }
    ~TCollTestItem() override { --FLive; }
    static inline int FLive = 0;
};

QEL_CLASS_INFO(TCollTestItem, TCollectionItem)
{
    return {};
}

// An item that copies its value, except that a negative value refuses to be copied.
class TCollTestValueItem : public TCollTestItem {
    QEL_CLASS(TCollTestValueItem)
public:
    using TCollTestItem::TCollTestItem;
    int Value() const { return FValue; }
    void SetValue(int value) { FValue = value; }
    void Assign(TPersistent* source) override
    {
        auto* item = dynamic_cast<TCollTestValueItem*>(source);
        if (item && item->FValue >= 0) {
            FValue = item->FValue;
            return;
        }
        TCollTestItem::Assign(source);
    }

private:
    int FValue = 0;
};

QEL_CLASS_INFO(TCollTestValueItem, TCollTestItem)
{
    return {};
}

// An item whose constructor fails after the base class put it into the collection, as an item does
// that finds itself in a collection of the wrong kind.
class TCollTestRefusingItem : public TCollTestItem {
    QEL_CLASS(TCollTestRefusingItem)
public:
    explicit TCollTestRefusingItem(TCollection* collection) : TCollTestItem(collection)
    {
        if (FRefuse)
            throw EInvalidCast("refused");
    }
    static inline bool FRefuse = false;
};

QEL_CLASS_INFO(TCollTestRefusingItem, TCollTestItem)
{
    return {};
}

// No constructor taking just the collection, so a collection cannot create it.
class TCollTestNoFactoryItem : public TCollectionItem {
    QEL_CLASS(TCollTestNoFactoryItem)
public:
    TCollTestNoFactoryItem(TCollection* collection, int) : TCollectionItem(collection) {}
};

QEL_CLASS_INFO(TCollTestNoFactoryItem, TCollectionItem)
{
    return {};
}

namespace {

// A collection that records each notice with the item count and the class of the last item then.
class TWatchedCollection : public TCollection {
public:
    explicit TWatchedCollection(TClass itemClass) : TCollection(itemClass) {}

    struct TNotice {
        TCollectionItem* Item;
        int Count;
        std::string LastClass;
    };
    std::vector<TNotice> FNotices;

protected:
    void Update(TCollectionItem* item) override
    {
        FNotices.push_back({item, Count(), Count() ? GetItem(Count() - 1)->ClassName() : std::string()});
    }
};

// A collection published by a component, as the library's collections are.
class TOwnedCollection : public TCollection {
public:
    explicit TOwnedCollection(TPersistent* owner)
        : TCollection(TCollTestItem::StaticClass()), FOwner(owner) {}

protected:
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

std::vector<TCollectionItem*> ItemsOf(const TCollection& collection)
{
    std::vector<TCollectionItem*> items;
    for (int i = 0; i < collection.Count(); ++i)
        items.push_back(collection.GetItem(i));
    return items;
}

std::vector<int> ValuesOf(const TCollection& collection)
{
    std::vector<int> values;
    for (int i = 0; i < collection.Count(); ++i)
        values.push_back(static_cast<TCollTestValueItem*>(collection.GetItem(i))->Value());
    return values;
}

void AddValues(TCollection& collection, std::initializer_list<int> values)
{
    for (int value : values)
        static_cast<TCollTestValueItem*>(collection.Add())->SetValue(value);
}

// Every test must end with as many live items as it started with: none.
class CollectionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TCollTestItem::FLive, 0); }
    void TearDown() override
    {
        EXPECT_EQ(TCollTestItem::FLive, 0) << "items leaked";
        TCollTestRefusingItem::FRefuse = false;
    }
};

using CollectionItemClass = CollectionTest;
using CollectionItems = CollectionTest;
using CollectionOwnership = CollectionTest;
using CollectionNotices = CollectionTest;
using CollectionAssign = CollectionTest;

} // namespace

// ---------------------------------------------------------------------------------------------------

TEST_F(CollectionItemClass, ItemsAreCreatedThroughTheClassRecord)
{
    TCollection collection(TCollTestValueItem::StaticClass());
    EXPECT_EQ(collection.ItemClass(), TCollTestValueItem::StaticClass());
    EXPECT_EQ(collection.Count(), 0);
    TCollectionItem* item = collection.Add();
    EXPECT_EQ(item->ClassType(), TCollTestValueItem::StaticClass());
    EXPECT_EQ(item->Collection(), &collection);
    EXPECT_EQ(TCollTestItem::FLive, 1);
}

TEST_F(CollectionItemClass, AClassThatCannotBeCreatedInACollectionIsRefused)
{
    EXPECT_THROW(TCollection{TCollTestNoFactoryItem::StaticClass()}, EInvalidCast);
    EXPECT_THROW(TCollection{TStringList::StaticClass()}, EInvalidCast);
    EXPECT_THROW(TCollection{TCollectionItem::StaticClass()->Parent}, EInvalidCast);
    EXPECT_THROW(TCollection{nullptr}, EInvalidCast);
    const std::string message = ErrorMessageOf([] { TCollection{TCollTestNoFactoryItem::StaticClass()}; });
    EXPECT_NE(message.find("TCollTestNoFactoryItem"), std::string::npos) << message;
}

TEST_F(CollectionItemClass, DisplayNameIsTheClassName)
{
    TCollection collection(TCollTestValueItem::StaticClass());
    EXPECT_EQ(collection.Add()->GetDisplayName(), "TCollTestValueItem");
    TCollection plain(TCollectionItem::StaticClass());
    EXPECT_EQ(plain.Add()->DisplayName(), "TCollectionItem");
}

// ---------------------------------------------------------------------------------------------------

TEST_F(CollectionItems, IdsIncreaseFromZeroAndAreNeverReused)
{
    TCollection collection(TCollTestItem::StaticClass());
    TCollectionItem* a = collection.Add();
    TCollectionItem* b = collection.Add();
    TCollectionItem* c = collection.Add();
    EXPECT_EQ(a->ID(), 0);
    EXPECT_EQ(b->ID(), 1);
    EXPECT_EQ(c->ID(), 2);
    collection.Delete(1);
    TCollectionItem* d = collection.Add();
    EXPECT_EQ(d->ID(), 3);
    collection.Clear();
    EXPECT_EQ(collection.Add()->ID(), 4);

    EXPECT_EQ(collection.FindItemID(4), collection.GetItem(0));
    EXPECT_EQ(collection.FindItemID(1), nullptr);
    EXPECT_EQ(collection.FindItemID(-1), nullptr);
}

TEST_F(CollectionItems, InsertPlacesTheNewItem)
{
    TCollection collection(TCollTestItem::StaticClass());
    TCollectionItem* a = collection.Add();
    TCollectionItem* b = collection.Add();
    TCollectionItem* front = collection.Insert(0);
    TCollectionItem* middle = collection.Insert(2);
    TCollectionItem* back = collection.Insert(4);
    EXPECT_EQ(ItemsOf(collection), (std::vector<TCollectionItem*>{front, a, middle, b, back}));
    for (int i = 0; i < collection.Count(); ++i)
        EXPECT_EQ(collection.GetItem(i)->Index(), i);
    EXPECT_EQ(collection.Items(2), middle);
}

TEST_F(CollectionItems, BadIndexesRaiseAndChangeNothing)
{
    TCollection collection(TCollTestItem::StaticClass());
    collection.Add();
    collection.Add();
    const auto before = ItemsOf(collection);
    EXPECT_EQ(ErrorMessageOf([&] { collection.GetItem(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.GetItem(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.Delete(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.Insert(3); }), "List index out of bounds (3)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.Insert(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.SetItem(5, collection.GetItem(0)); }), "List index out of bounds (5)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.GetItem(0)->SetIndex(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorMessageOf([&] { collection.GetItem(0)->SetIndex(-1); }), "List index out of bounds (-1)");
    EXPECT_THROW(collection.GetItem(7), EListError);
    EXPECT_EQ(ItemsOf(collection), before);
    EXPECT_EQ(TCollTestItem::FLive, 2);
}

TEST_F(CollectionItems, SetIndexMovesTheItem)
{
    TCollection collection(TCollTestItem::StaticClass());
    TCollectionItem* a = collection.Add();
    TCollectionItem* b = collection.Add();
    TCollectionItem* c = collection.Add();
    TCollectionItem* d = collection.Add();
    a->SetIndex(2);
    EXPECT_EQ(ItemsOf(collection), (std::vector<TCollectionItem*>{b, c, a, d}));
    d->SetIndex(0);
    EXPECT_EQ(ItemsOf(collection), (std::vector<TCollectionItem*>{d, b, c, a}));
    c->SetIndex(2);
    EXPECT_EQ(ItemsOf(collection), (std::vector<TCollectionItem*>{d, b, c, a}));
    EXPECT_EQ(a->Index(), 3);
    EXPECT_EQ(a->ID(), 0) << "moving keeps the ID";
}

TEST_F(CollectionItems, OwnersNameTheItemAndTheCollection)
{
    TCollection collection(TCollTestItem::StaticClass());
    TCollectionItem* item = collection.Add();
    EXPECT_EQ(item->GetOwner(), &collection);
    EXPECT_EQ(collection.GetOwner(), nullptr);

    TComponent component(nullptr);
    TOwnedCollection owned(&component);
    TCollection& asCollection = owned;
    EXPECT_EQ(asCollection.GetOwner(), &component);
    EXPECT_EQ(owned.Add()->GetOwner(), &owned);
}

TEST_F(CollectionItems, SetCollectionMovesAnItemBetweenCollections)
{
    TCollection first(TCollTestItem::StaticClass());
    TCollection second(TCollTestItem::StaticClass());
    second.Add();
    TCollectionItem* kept = first.Add();
    TCollectionItem* moved = first.Add();
    moved->SetCollection(&second);
    EXPECT_EQ(ItemsOf(first), (std::vector<TCollectionItem*>{kept}));
    EXPECT_EQ(second.Count(), 2);
    EXPECT_EQ(moved->Collection(), &second);
    EXPECT_EQ(moved->Index(), 1);
    EXPECT_EQ(moved->ID(), 1) << "the ID comes from the new collection";

    moved->SetCollection(nullptr);
    EXPECT_EQ(second.Count(), 1);
    EXPECT_EQ(moved->Index(), -1);
    EXPECT_EQ(moved->GetOwner(), nullptr);
    delete moved;
}

TEST_F(CollectionItems, SetCollectionRefusesACollectionOfAnotherItemClass)
{
    TCollection items(TCollTestItem::StaticClass());
    TCollection values(TCollTestValueItem::StaticClass());
    TCollectionItem* item = items.Add();
    EXPECT_THROW(item->SetCollection(&values), EInvalidCast);
    EXPECT_EQ(item->Collection(), &items);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(values.Count(), 0);

    TCollectionItem* value = values.Add();
    value->SetCollection(&items); // a descendant of the item class is welcome
    EXPECT_EQ(items.GetItem(1), value);
}

// ---------------------------------------------------------------------------------------------------

TEST_F(CollectionOwnership, DestroyingTheCollectionDestroysItsItems)
{
    {
        TCollection collection(TCollTestItem::StaticClass());
        collection.Add();
        collection.Add();
        collection.Insert(1);
        EXPECT_EQ(TCollTestItem::FLive, 3);
    }
    EXPECT_EQ(TCollTestItem::FLive, 0);
}

TEST_F(CollectionOwnership, DeleteAndClearDestroyItems)
{
    TCollection collection(TCollTestItem::StaticClass());
    TCollectionItem* a = collection.Add();
    collection.Add();
    TCollectionItem* c = collection.Add();
    collection.Delete(1);
    EXPECT_EQ(TCollTestItem::FLive, 2);
    EXPECT_EQ(ItemsOf(collection), (std::vector<TCollectionItem*>{a, c}));
    collection.Clear();
    EXPECT_EQ(TCollTestItem::FLive, 0);
    EXPECT_EQ(collection.Count(), 0);
    collection.Clear();
}

TEST_F(CollectionOwnership, AnItemDeletedDirectlyLeavesItsCollection)
{
    TCollection collection(TCollTestItem::StaticClass());
    TCollectionItem* a = collection.Add();
    TCollectionItem* b = collection.Add();
    TCollectionItem* c = collection.Add();
    delete b;
    EXPECT_EQ(ItemsOf(collection), (std::vector<TCollectionItem*>{a, c}));
    EXPECT_EQ(c->Index(), 1);
    EXPECT_EQ(collection.FindItemID(1), nullptr);
    EXPECT_EQ(TCollTestItem::FLive, 2);
}

TEST_F(CollectionOwnership, AFreeStandingItemBelongsToNobody)
{
    auto* item = new TCollTestItem(nullptr);
    EXPECT_EQ(item->Collection(), nullptr);
    EXPECT_EQ(item->Index(), -1);
    item->SetIndex(3); // nowhere to move
    EXPECT_EQ(TCollTestItem::FLive, 1);
    delete item;
}

TEST_F(CollectionOwnership, AnItemWhoseConstructorFailsIsNeitherKeptNorLeaked)
{
    TWatchedCollection collection(TCollTestRefusingItem::StaticClass());
    collection.Add();
    TCollTestRefusingItem::FRefuse = true;
    EXPECT_THROW(collection.Add(), EInvalidCast);
    EXPECT_THROW(collection.Insert(0), EInvalidCast);
    EXPECT_EQ(collection.Count(), 1);
    EXPECT_EQ(TCollTestItem::FLive, 1);
}

// ---------------------------------------------------------------------------------------------------

TEST_F(CollectionNotices, AddAnnouncesOnceWhenTheItemIsComplete)
{
    TWatchedCollection collection(TCollTestValueItem::StaticClass());
    collection.Add();
    ASSERT_EQ(collection.FNotices.size(), 1u);
    EXPECT_EQ(collection.FNotices[0].Item, nullptr);
    EXPECT_EQ(collection.FNotices[0].Count, 1);
    EXPECT_EQ(collection.FNotices[0].LastClass, "TCollTestValueItem")
        << "not from inside the item's constructor";
}

TEST_F(CollectionNotices, EachStructuralChangeAnnouncesOnce)
{
    TWatchedCollection collection(TCollTestItem::StaticClass());
    collection.Add();
    collection.Add();
    collection.Insert(0);
    collection.GetItem(0)->SetIndex(2);
    collection.Delete(0);
    delete collection.GetItem(0);
    collection.Add();
    collection.Add();
    collection.Clear();
    std::vector<int> counts;
    for (const auto& notice : collection.FNotices) {
        EXPECT_EQ(notice.Item, nullptr);
        counts.push_back(notice.Count);
    }
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 3, 2, 1, 2, 3, 0}));
}

TEST_F(CollectionNotices, NothingChangedNothingAnnounced)
{
    TWatchedCollection collection(TCollTestItem::StaticClass());
    collection.Clear();
    collection.BeginUpdate();
    collection.EndUpdate();
    collection.Add();
    collection.FNotices.clear();
    collection.GetItem(0)->SetIndex(0);
    EXPECT_THROW(collection.Delete(3), EListError);
    EXPECT_THROW(collection.Insert(5), EListError);
    EXPECT_TRUE(collection.FNotices.empty());
}

TEST_F(CollectionNotices, AnItemChangeNamesTheItem)
{
    TWatchedCollection collection(TCollTestItem::StaticClass());
    collection.Add();
    TCollectionItem* item = collection.Add();
    collection.FNotices.clear();
    item->SetDisplayName("anything");
    ASSERT_EQ(collection.FNotices.size(), 1u);
    EXPECT_EQ(collection.FNotices[0].Item, item);
}

TEST_F(CollectionNotices, BracketsNestAndTheOutermostAnnouncesOnce)
{
    TWatchedCollection collection(TCollTestItem::StaticClass());
    collection.BeginUpdate();
    collection.Add();
    collection.BeginUpdate();
    collection.Add();
    collection.GetItem(1)->SetDisplayName("x");
    collection.EndUpdate();
    collection.Delete(0);
    EXPECT_TRUE(collection.FNotices.empty());
    collection.EndUpdate();
    ASSERT_EQ(collection.FNotices.size(), 1u);
    EXPECT_EQ(collection.FNotices[0].Item, nullptr);
    EXPECT_EQ(collection.FNotices[0].Count, 1);

    collection.EndUpdate(); // unmatched: ignored
    collection.Add();
    EXPECT_EQ(collection.FNotices.size(), 2u) << "notices flow again after the bracket";
}

// ---------------------------------------------------------------------------------------------------

TEST_F(CollectionAssign, CopiesEveryItemAndReplacesTheOldOnes)
{
    TCollection source(TCollTestValueItem::StaticClass());
    AddValues(source, {1, 2, 3});
    TWatchedCollection target(TCollTestValueItem::StaticClass());
    AddValues(target, {7, 8});
    target.FNotices.clear();

    target.Assign(&source);
    EXPECT_EQ(ValuesOf(target), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ValuesOf(source), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(TCollTestItem::FLive, 6);
    for (TCollectionItem* item : ItemsOf(target))
        EXPECT_EQ(item->Collection(), &target);
    ASSERT_EQ(target.FNotices.size(), 1u);
    EXPECT_EQ(target.FNotices[0].Count, 3);
}

TEST_F(CollectionAssign, AnEmptySourceEmptiesTheTarget)
{
    TCollection source(TCollTestItem::StaticClass());
    TCollection target(TCollTestItem::StaticClass());
    target.Add();
    target.Assign(&source);
    EXPECT_EQ(target.Count(), 0);
}

TEST_F(CollectionAssign, ItemsWithoutCopyingRaiseAndLeaveTheTargetAsItWas)
{
    TCollection source(TCollTestItem::StaticClass());
    source.Add();
    TWatchedCollection target(TCollTestItem::StaticClass());
    target.Add();
    target.Add();
    const auto before = ItemsOf(target);
    target.FNotices.clear();

    EXPECT_EQ(ErrorMessageOf([&] { target.Assign(&source); }), "Cannot assign a TCollTestItem to a TCollTestItem");
    EXPECT_THROW(target.Assign(&source), EConvertError);
    EXPECT_EQ(ItemsOf(target), before);
    EXPECT_EQ(TCollTestItem::FLive, 3);
    EXPECT_TRUE(target.FNotices.empty());
    target.Add();
    EXPECT_EQ(target.FNotices.size(), 1u) << "the bracket of the failed Assign was closed";
}

TEST_F(CollectionAssign, AFailureHalfWayLeavesTheTargetAsItWas)
{
    TCollection source(TCollTestValueItem::StaticClass());
    AddValues(source, {1, 2, -1, 4});
    TWatchedCollection target(TCollTestValueItem::StaticClass());
    AddValues(target, {7, 8});
    const auto before = ItemsOf(target);
    target.FNotices.clear();

    EXPECT_THROW(target.Assign(&source), EConvertError);
    EXPECT_EQ(ItemsOf(target), before);
    EXPECT_EQ(ValuesOf(target), (std::vector<int>{7, 8}));
    EXPECT_EQ(TCollTestItem::FLive, 6);
    EXPECT_TRUE(target.FNotices.empty());
}

TEST_F(CollectionAssign, AFailureInsideAnOuterBracketKeepsItsPendingNotice)
{
    TCollection source(TCollTestValueItem::StaticClass());
    AddValues(source, {-1});
    TWatchedCollection target(TCollTestValueItem::StaticClass());
    target.BeginUpdate();
    target.Add();
    EXPECT_THROW(target.Assign(&source), EConvertError);
    target.EndUpdate();
    ASSERT_EQ(target.FNotices.size(), 1u) << "the Add before the failure still counts";
    EXPECT_EQ(target.FNotices[0].Count, 1);
}

TEST_F(CollectionAssign, FromSomethingElseRaises)
{
    TCollection target(TCollTestItem::StaticClass());
    target.Add();
    TStringList list;
    EXPECT_EQ(ErrorMessageOf([&] { target.Assign(&list); }), "Cannot assign a TStringList to a TCollection");
    EXPECT_EQ(ErrorMessageOf([&] { target.Assign(nullptr); }), "Cannot assign a nil to a TCollection");
    EXPECT_EQ(target.Count(), 1);
}

TEST_F(CollectionAssign, ToItselfKeepsTheItems)
{
    TCollection collection(TCollTestItem::StaticClass());
    collection.Add();
    collection.Add();
    const auto before = ItemsOf(collection);
    collection.Assign(&collection);
    EXPECT_EQ(ItemsOf(collection), before);
}

TEST_F(CollectionAssign, SetItemAssignsIntoTheItemAtIndex)
{
    TCollection collection(TCollTestValueItem::StaticClass());
    AddValues(collection, {1, 2});
    TCollTestValueItem value(nullptr);
    value.SetValue(5);
    TCollectionItem* second = collection.GetItem(1);
    collection.SetItem(1, &value);
    EXPECT_EQ(collection.GetItem(1), second) << "the item stays, its content changes";
    EXPECT_EQ(ValuesOf(collection), (std::vector<int>{1, 5}));

    TCollection plain(TCollTestItem::StaticClass());
    plain.Add();
    EXPECT_EQ(ErrorMessageOf([&] { plain.SetItem(0, &value); }),
              "Cannot assign a TCollTestValueItem to a TCollTestItem");
}
