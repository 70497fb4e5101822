// Multi lists: the collection and its owner, the items' display name and copying, the "Which" box of
// Add answered from a timer, and a form with lists written and read back.
#include "holders/QELTMultiLists.h"

#include "framework/FormText.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <memory>

using namespace WindowTesting;

namespace {

void SetLines(TStrings* strings, std::initializer_list<const char*> lines)
{
    strings->Clear();
    for (const char* line : lines)
        strings->Add(line);
}

} // namespace

TEST(MultiLists, ANewComponentHasAnEmptyCollectionThatNamesItAsOwner)
{
    TQELMultiLists lists(nullptr);
    EXPECT_EQ(lists.Lists()->Count(), 0);
    EXPECT_EQ(lists.Lists()->GetOwner(), &lists);
    EXPECT_EQ(lists.Lists()->ItemClass(), TQELStringList::StaticClass());
}

TEST(MultiLists, EveryItemIsCalledStringlist)
{
    TQELMultiLists lists(nullptr);
    auto* first = static_cast<TQELStringList*>(lists.Lists()->TCollection::Add());
    auto* second = static_cast<TQELStringList*>(lists.Lists()->TCollection::Add());
    EXPECT_EQ(first->DisplayName(), "Stringlist");
    EXPECT_EQ(second->DisplayName(), "Stringlist");
    EXPECT_EQ(lists.Lists()->GeTQELStringList(1), second);
}

TEST(MultiLists, AddAsksWhichAndAppendsWhateverTheAnswer)
{
    TQELMultiLists lists(nullptr);
    for (const char* answer : {"OK", "Cancel"}) {
        TUserAction press([answer] { return PressButton("#32770", "Which", answer); });
        TQELStringList* added = lists.Lists()->Add();
        EXPECT_TRUE(press.Done()) << answer;
        EXPECT_EQ(lists.Lists()->GeTQELStringList(lists.Lists()->Count() - 1), added);
    }
    EXPECT_EQ(lists.Lists()->Count(), 2);
}

TEST(MultiLists, AnItemBelongsOnlyInAStringListCollection)
{
    TCollection other(TQELStringList::StaticClass());
    EXPECT_THROW(TQELStringList{&other}, EInvalidCast);
    EXPECT_EQ(other.Count(), 0);
    TQELStringList standing(nullptr);
    EXPECT_EQ(standing.Collection(), nullptr);
}

TEST(MultiLists, AssigningCopiesTheLines)
{
    TQELMultiLists source(nullptr);
    auto* first = static_cast<TQELStringList*>(source.Lists()->TCollection::Add());
    auto* second = static_cast<TQELStringList*>(source.Lists()->TCollection::Add());
    SetLines(first->Strings(), {"a", "b", "c"});
    SetLines(second->Strings(), {"x"});

    TQELMultiLists target(nullptr);
    target.SetQELStringLists(source.Lists());
    ASSERT_EQ(target.Lists()->Count(), 2);
    EXPECT_EQ(*target.Lists()->GeTQELStringList(0)->Strings(), *first->Strings());
    EXPECT_EQ(*target.Lists()->GeTQELStringList(1)->Strings(), *second->Strings());
    // Copies, not shared lists.
    SetLines(first->Strings(), {"changed"});
    EXPECT_EQ(target.Lists()->GeTQELStringList(0)->Strings()->Get(0), "a");

    target.Lists()->SeTQELStringList(1, first);
    EXPECT_EQ(target.Lists()->GeTQELStringList(1)->Strings()->Get(0), "changed");
    TStringList notAList;
    EXPECT_THROW(target.Lists()->GeTQELStringList(0)->Assign(&notAList), EConvertError);
}

TEST(MultiLists, TheBetaListCopiesItsFlagToo)
{
    TQELBetaStringList source(nullptr), target(nullptr);
    source.SetHasBoolean(true);
    SetLines(source.Strings(), {"beta"});
    target.Assign(&source);
    EXPECT_TRUE(target.HasBoolean());
    EXPECT_EQ(target.Strings()->Get(0), "beta");
    TQELStringList plain(nullptr);
    target.Assign(&plain);
    EXPECT_TRUE(target.HasBoolean());
    EXPECT_EQ(target.Strings()->Count(), 0);
}

namespace {

class TListsForm : public TComponent {
    QEL_CLASS(TListsForm)
public:
    using TComponent::TComponent;
};

} // namespace

QEL_CLASS_INFO(TListsForm, TComponent)
{
    return {};
}

TEST(MultiLists, AFormWithTwoListsReadsBackTheSame)
{
    TListsForm form(nullptr);
    auto* lists = new TQELMultiLists(&form);
    lists->SetName("MultiLists1");
    SetLines(static_cast<TQELStringList*>(lists->Lists()->TCollection::Add())->Strings(), {"1", "2", "3"});
    SetLines(static_cast<TQELStringList*>(lists->Lists()->TCollection::Add())->Strings(),
             {"one", "two", "three", "four", "five"});
    const std::string text = WriteComponentText(form);

    const std::unique_ptr<TComponent> read(TReader(text).ReadComponent(nullptr));
    auto* readLists = static_cast<TQELMultiLists*>(read->FindComponent("MultiLists1"));
    ASSERT_NE(readLists, nullptr);
    ASSERT_EQ(readLists->Lists()->Count(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(*readLists->Lists()->GeTQELStringList(i)->Strings(), *lists->Lists()->GeTQELStringList(i)->Strings());
    EXPECT_EQ(WriteComponentText(*read), text);
}
