// TStrings and TStringList: editing and bounds, assignment, the Text form, name=value lines, sorting in
// the user's locale (checked against CompareStringA itself), change notices and equality.
#include "framework/StringList.h"

#include "framework/Component.h"
#include "framework/Win32.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using TLines = std::vector<std::string>;

TLines Lines(const TStrings& strings)
{
    TLines lines;
    for (int i = 0; i < strings.Count(); ++i)
        lines.push_back(strings.Get(i));
    return lines;
}

void Fill(TStrings& strings, std::initializer_list<const char*> lines)
{
    for (const char* line : lines)
        strings.Add(line);
}

// What the system says of a and b, ignoring case, in the user's locale: <0, 0 or >0.
int SystemCompare(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
}

// A TStrings that is not a TStringList: a fixed, read-only set of lines.
class TFixedStrings : public TStrings {
public:
    explicit TFixedStrings(TLines lines) : FLines(std::move(lines)) {}
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string Get(int index) const override { return FLines.at(static_cast<std::size_t>(index)); }
    void Put(int, const std::string&) override { throw EListError("read-only"); }
    void Insert(int, const std::string&) override { throw EListError("read-only"); }
    void Delete(int) override { throw EListError("read-only"); }
    void Clear() override { throw EListError("read-only"); }

private:
    TLines FLines;
};

// Records every notice of a list, with the list's line count at that moment, so that a test sees
// both how many notices came and whether they came before or after the change.
class TChangeLog : public TObject {
public:
    void Attach(TStringList& list)
    {
        list.SetOnChanging(TNotifyEvent(this, &TChangeLog::ListChanging));
        list.SetOnChange(TNotifyEvent(this, &TChangeLog::ListChange));
    }
    void ListChanging(TObject* sender) { Record("changing", sender); }
    void ListChange(TObject* sender) { Record("change", sender); }

    TLines FEvents;
    std::vector<TObject*> FSenders;

private:
    void Record(const char* what, TObject* sender)
    {
        FEvents.push_back(std::string(what) + " " + std::to_string(static_cast<TStrings*>(sender)->Count()));
        FSenders.push_back(sender);
    }
};

// Words of code page 1252 in mixed case, some with accents, in no particular order.
const TLines Words = {
    "zebra", "\xC4pfel", "apfel", "Eclair", "\xE9" "clair", "ecole", "\xC9" "COLE", "\xFC" "ber", "Ubahn",
    "ABC", "abd", "\xD6l", "oel", "Zoo", "\xE0 la carte", "Alpha", "\xDF" "e", "se", "\xC7" "a", "ca",
    "ZEBRA", "alpha",
};

void ExpectInSystemOrder(const TStrings& strings)
{
    for (int i = 1; i < strings.Count(); ++i)
        EXPECT_LE(SystemCompare(strings.Get(i - 1), strings.Get(i)), 0)
            << "'" << strings.Get(i - 1) << "' before '" << strings.Get(i) << "'";
}

} // namespace

// ---------------------------------------------------------------------------------------------------

TEST(StringListEditing, AddInsertDeleteClearAndCount)
{
    TStringList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Add("one"), 0);
    EXPECT_EQ(list.Add("three"), 1);
    list.Insert(1, "two");
    list.Insert(0, "zero");
    list.Insert(4, "four");
    EXPECT_EQ(Lines(list), (TLines{"zero", "one", "two", "three", "four"}));
    EXPECT_EQ(list.Strings(2), "two");
    EXPECT_EQ(list[4], "four");

    list.Delete(0);
    list.Delete(3);
    EXPECT_EQ(Lines(list), (TLines{"one", "two", "three"}));
    list.Put(1, "TWO");
    EXPECT_EQ(Lines(list), (TLines{"one", "TWO", "three"}));

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringListEditing, IndexOfIgnoresCaseAndAccentCase)
{
    TStringList list;
    Fill(list, {"Alpha", "beta", "\xC4pfel", "beta"});
    ASSERT_EQ(SystemCompare("\xE4" "PFEL", "\xC4pfel"), 0)
        << "the system should ignore the case of accented letters";
    EXPECT_EQ(list.IndexOf("ALPHA"), 0);
    EXPECT_EQ(list.IndexOf("Beta"), 1);
    EXPECT_EQ(list.IndexOf("\xE4" "PFEL"), 2);
    EXPECT_EQ(list.IndexOf("gamma"), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(StringListBounds, EveryIndexedOperationReportsTheBadIndex)
{
    TStringList list;
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Get(0); }), "List index out of bounds (0)");
    Fill(list, {"a", "b", "c"});
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Get(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Get(3); }), "List index out of bounds (3)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Put(3, "x"); }), "List index out of bounds (3)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Delete(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Delete(3); }), "List index out of bounds (3)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Insert(4, "x"); }), "List index out of bounds (4)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Insert(-1, "x"); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Names(7); }), "List index out of bounds (7)");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.ValueFromIndex(-2); }), "List index out of bounds (-2)");
    EXPECT_EQ(Lines(list), (TLines{"a", "b", "c"})) << "a failed operation must leave the lines alone";
}

// ---------------------------------------------------------------------------------------------------

TEST(StringListAssign, TakesTheLinesOfAnotherListAndDropsItsOwn)
{
    TStringList source;
    Fill(source, {"x", "Y", ""});
    TStringList list;
    Fill(list, {"old 1", "old 2", "old 3", "old 4"});
    list.Assign(&source);
    EXPECT_EQ(Lines(list), (TLines{"x", "Y", ""}));
    EXPECT_EQ(Lines(source), (TLines{"x", "Y", ""}));
}

TEST(StringListAssign, TakesAnyTStringsThroughItsInterface)
{
    TFixedStrings source({"first", "second"});
    TStringList list;
    list.Add("old");
    list.Assign(&source);
    EXPECT_EQ(Lines(list), (TLines{"first", "second"}));
}

TEST(StringListAssign, FromAnythingElseRaisesAndKeepsTheLines)
{
    TStringList list;
    Fill(list, {"keep", "me"});
    TComponent component(nullptr);
    try {
        list.Assign(&component);
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "Cannot assign a TComponent to a TStringList");
    }
    try {
        list.Assign(nullptr);
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "Cannot assign a nil to a TStringList");
    }
    EXPECT_EQ(Lines(list), (TLines{"keep", "me"}));
}

TEST(StringListAssign, ToItselfKeepsTheLines)
{
    TStringList list;
    Fill(list, {"a", "b"});
    list.Assign(&list);
    EXPECT_EQ(Lines(list), (TLines{"a", "b"}));
}

TEST(StringListAssign, SortedTargetOrdersTheLinesAndUnsortedTargetKeepsTheirOrder)
{
    TStringList source;
    Fill(source, {"c", "A", "b"});
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.Assign(&source);
    EXPECT_EQ(Lines(sorted), (TLines{"A", "b", "c"}));

    TStringList plain;
    plain.Assign(&sorted);
    EXPECT_FALSE(plain.Sorted()) << "Assign takes lines, not the sorting flag";
    plain.Assign(&source);
    EXPECT_EQ(Lines(plain), (TLines{"c", "A", "b"}));
}

TEST(StringListAssign, AddStringsAppendsAndCanAddAListToItself)
{
    TStringList list;
    Fill(list, {"a", "b"});
    TStringList more;
    Fill(more, {"c"});
    list.AddStrings(more);
    EXPECT_EQ(Lines(list), (TLines{"a", "b", "c"}));
    list.AddStrings(list);
    EXPECT_EQ(Lines(list), (TLines{"a", "b", "c", "a", "b", "c"}));

    TStringList sorted;
    sorted.SetSorted(true);
    Fill(sorted, {"b", "a"});
    sorted.AddStrings(sorted);
    EXPECT_EQ(Lines(sorted), (TLines{"a", "a", "b", "b"}));
}

// ---------------------------------------------------------------------------------------------------

TEST(StringListText, EveryLineEndsWithCrLf)
{
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    Fill(list, {"a", "", "b"});
    EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
}

TEST(StringListText, SplitsAtCrLfLfAndCr)
{
    struct TCase {
        std::string Text;
        TLines Lines;
    };
    const TCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\n\r", {"", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"\r\na", {"", "a"}},
    };
    for (const TCase& c : cases) {
        TStringList list;
        list.Add("replaced");
        list.SetText(c.Text);
        EXPECT_EQ(Lines(list), c.Lines) << "text: '" << c.Text << "'";
    }
}

TEST(StringListText, RoundTripKeepsEmptyAndBlankLines)
{
    TStringList list;
    Fill(list, {"", "first", "", "  ", "last", ""});
    TStringList copy;
    copy.SetText(list.Text());
    EXPECT_EQ(Lines(copy), Lines(list));
    EXPECT_EQ(copy.Text(), list.Text());
}

// ---------------------------------------------------------------------------------------------------

class StringListNameValue : public testing::Test {
protected:
    void SetUp() override
    {
        Fill(FList,
             {"Name=Value", "Empty=", "NoSeparator", "=NoName", "Multi=a=b", "name=second", "\xC4rger=1"});
    }
    TStringList FList;
};

TEST_F(StringListNameValue, NamesAndValuesSplitAtTheFirstEqualsSign)
{
    EXPECT_EQ(FList.Names(0), "Name");
    EXPECT_EQ(FList.ValueFromIndex(0), "Value");
    EXPECT_EQ(FList.Names(1), "Empty");
    EXPECT_EQ(FList.ValueFromIndex(1), "");
    EXPECT_EQ(FList.Names(2), "");
    EXPECT_EQ(FList.ValueFromIndex(2), "");
    EXPECT_EQ(FList.Names(3), "");
    EXPECT_EQ(FList.ValueFromIndex(3), "NoName");
    EXPECT_EQ(FList.Names(4), "Multi");
    EXPECT_EQ(FList.ValueFromIndex(4), "a=b");
}

TEST_F(StringListNameValue, LookUpIgnoresCaseAndFindsTheFirstLineOfAName)
{
    EXPECT_EQ(FList.IndexOfName("NAME"), 0);
    EXPECT_EQ(FList.Values("name"), "Value");
    EXPECT_EQ(FList.Values("MULTI"), "a=b");
    EXPECT_EQ(FList.IndexOfName("\xE4RGER"), 6);
    EXPECT_EQ(FList.Values("Empty"), "");
    EXPECT_EQ(FList.IndexOfName(""), 3);
    EXPECT_EQ(FList.IndexOfName("NoSeparator"), -1) << "a line without '=' has no name";
    EXPECT_EQ(FList.IndexOfName("Nam"), -1);
    EXPECT_EQ(FList.Values("missing"), "");
}

TEST_F(StringListNameValue, SetValuesReplacesAppendsAndRemoves)
{
    FList.SetValues("NAME", "new");
    EXPECT_EQ(FList.Get(0), "NAME=new");
    EXPECT_EQ(FList.Get(5), "name=second") << "only the first line of a name is replaced";
    EXPECT_EQ(FList.Count(), 7);

    FList.SetValues("Added", "x=y");
    EXPECT_EQ(FList.Count(), 8);
    EXPECT_EQ(FList.Get(7), "Added=x=y");
    EXPECT_EQ(FList.Values("added"), "x=y");

    FList.SetValues("name", "");
    EXPECT_EQ(FList.Count(), 7);
    EXPECT_EQ(FList.Get(0), "Empty=");
    EXPECT_EQ(FList.Values("Name"), "second") << "the next line of the name comes forward";

    FList.SetValues("missing", "");
    EXPECT_EQ(FList.Count(), 7);
}

TEST_F(StringListNameValue, ANameWithEqualsSignIsRefused)
{
    const TLines before = Lines(FList);
    EXPECT_THROW(FList.SetValues("a=b", "c"), EListError);
    EXPECT_EQ(Lines(FList), before);
}

TEST(StringListNameValueSorted, NewNamesGoInOrder)
{
    TStringList list;
    list.SetSorted(true);
    list.SetValues("b", "2");
    list.SetValues("a", "1");
    list.SetValues("C", "3");
    EXPECT_EQ(Lines(list), (TLines{"a=1", "b=2", "C=3"}));
    EXPECT_EQ(list.Values("c"), "3");
}

// ---------------------------------------------------------------------------------------------------

TEST(StringListSorting, SortOrdersAsTheSystemDoesNotByCharacterCode)
{
    // The data is only worth something if an order by character code would differ.
    ASSERT_LT(SystemCompare("\xC4pfel", "zebra"), 0);
    ASSERT_LT(SystemCompare("\xE9" "clair", "ecole"), 0);
    ASSERT_EQ(SystemCompare("Eclair", "eclair"), 0);

    TStringList list;
    for (const std::string& word : Words)
        list.Add(word);
    list.Sort();
    ExpectInSystemOrder(list);
    EXPECT_EQ(list.Count(), static_cast<int>(Words.size()));
    TLines expected = Words;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const std::string& a, const std::string& b) { return SystemCompare(a, b) < 0; });
    EXPECT_EQ(Lines(list), expected);
}

TEST(StringListSorting, SortedListKeepsOrderOnAddAndAgreesWithSort)
{
    TStringList sorted;
    sorted.SetSorted(true);
    TStringList plain;
    for (const std::string& word : Words) {
        const int index = sorted.Add(word);
        EXPECT_EQ(sorted.Get(index), word);
        plain.Add(word);
    }
    ExpectInSystemOrder(sorted);
    plain.Sort();
    EXPECT_EQ(Lines(sorted), Lines(plain));
}

TEST(StringListSorting, LinesThatCompareEqualKeepTheirOrder)
{
    ASSERT_EQ(SystemCompare("b", "B"), 0);
    TStringList list;
    list.SetSorted(true);
    Fill(list, {"b", "B", "A", "a", "b"});
    EXPECT_EQ(Lines(list), (TLines{"A", "a", "b", "B", "b"})) << "no line is dropped as a duplicate";
    EXPECT_EQ(list.IndexOf("B"), 2);

    TStringList plain;
    Fill(plain, {"B", "c", "b", "a"});
    plain.Sort();
    EXPECT_EQ(Lines(plain), (TLines{"a", "B", "b", "c"}));
}

TEST(StringListSorting, SettingSortedOrdersTheLinesAndClearingItKeepsThem)
{
    TStringList list;
    Fill(list, {"c", "a", "B"});
    list.SetSorted(true);
    EXPECT_TRUE(list.Sorted());
    EXPECT_EQ(Lines(list), (TLines{"a", "B", "c"}));
    list.SetSorted(false);
    EXPECT_EQ(Lines(list), (TLines{"a", "B", "c"}));
    list.Insert(0, "z");
    EXPECT_EQ(list.Get(0), "z");
}

TEST(StringListSorting, FindSearchesInTheSystemOrder)
{
    TStringList list;
    list.SetSorted(true);
    for (const std::string& word : Words)
        list.Add(word);
    for (const std::string& word : Words) {
        int index = -1;
        EXPECT_TRUE(list.Find(word, index)) << word;
        ASSERT_GE(index, 0);
        EXPECT_EQ(SystemCompare(list.Get(index), word), 0) << word;
        if (index > 0) {
            EXPECT_LT(SystemCompare(list.Get(index - 1), word), 0) << "index must be the first equal line";
        }
    }
    int index = -1;
    EXPECT_TRUE(list.Find("ZEBRA", index));
    EXPECT_EQ(list.Get(index), "zebra");

    for (const char* absent : {"", "aaa", "\xC4pfelbaum", "zzz", "m"}) {
        EXPECT_FALSE(list.Find(absent, index)) << absent;
        if (index > 0) {
            EXPECT_LT(SystemCompare(list.Get(index - 1), absent), 0) << absent;
        }
        if (index < list.Count()) {
            EXPECT_GT(SystemCompare(list.Get(index), absent), 0) << absent;
        }
    }
    TStringList empty;
    EXPECT_FALSE(empty.Find("a", index));
    EXPECT_EQ(index, 0);
}

TEST(StringListSorting, PutAndInsertAreRefusedOnASortedList)
{
    TStringList list;
    list.SetSorted(true);
    Fill(list, {"a", "b"});
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Insert(0, "z"); }), "Operation not allowed on sorted list");
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { list.Put(0, "z"); }), "Operation not allowed on sorted list");
    EXPECT_EQ(Lines(list), (TLines{"a", "b"}));
}

// ---------------------------------------------------------------------------------------------------

class StringListNotices : public testing::Test {
protected:
    void SetUp() override { FLog.Attach(FList); }
    TStringList FList;
    TChangeLog FLog;
};

TEST_F(StringListNotices, EachChangeIsAnnouncedBeforeAndAfter)
{
    FList.Add("a");
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0", "change 1"}));
    FList.Insert(0, "b");
    FList.Put(1, "c");
    FList.Delete(0);
    FList.Clear();
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0", "change 1", "changing 1", "change 2", "changing 2",
                                    "change 2", "changing 2", "change 1", "changing 1", "change 0"}));
    for (TObject* sender : FLog.FSenders)
        EXPECT_EQ(sender, &FList);
}

TEST_F(StringListNotices, NothingChangedNothingAnnounced)
{
    FList.Clear();
    FList.BeginUpdate();
    FList.EndUpdate();
    EXPECT_THROW(FList.Delete(0), EListError);
    FList.SetValues("missing", "");
    FList.Sort();
    EXPECT_TRUE(FLog.FEvents.empty());
}

TEST_F(StringListNotices, ABracketAnnouncesOnceAroundAllItsChanges)
{
    FList.BeginUpdate();
    EXPECT_TRUE(FLog.FEvents.empty());
    FList.Add("a");
    FList.Add("b");
    FList.Delete(0);
    FList.Add("c");
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0"}));
    FList.EndUpdate();
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0", "change 2"}));
}

TEST_F(StringListNotices, BracketsNestAndOnlyTheOutermostAnnounces)
{
    FList.BeginUpdate();
    FList.BeginUpdate();
    EXPECT_EQ(FList.UpdateCount(), 2);
    FList.Add("a");
    FList.EndUpdate();
    FList.Add("b");
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0"}));
    FList.EndUpdate();
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0", "change 2"}));
    EXPECT_EQ(FList.UpdateCount(), 0);

    FList.BeginUpdate();
    FList.Add("c");
    FList.EndUpdate();
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0", "change 2", "changing 2", "change 3"}))
        << "a new bracket announces afresh";
}

TEST_F(StringListNotices, AnUnmatchedEndUpdateIsIgnored)
{
    FList.EndUpdate();
    EXPECT_EQ(FList.UpdateCount(), 0);
    FList.Add("a");
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 0", "change 1"}));
}

TEST_F(StringListNotices, MultiLineOperationsAnnounceOnce)
{
    TStringList source;
    Fill(source, {"x", "y", "z"});
    FList.Add("old");
    FLog.FEvents.clear();

    FList.Assign(&source);
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 1", "change 3"}));
    FLog.FEvents.clear();
    FList.SetText("1\r\n2\r\n");
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 3", "change 2"}));
    FLog.FEvents.clear();
    FList.AddStrings(source);
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 2", "change 5"}));
    FLog.FEvents.clear();
    FList.Sort();
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 5", "change 5"}));
    FLog.FEvents.clear();
    FList.SetValues("k", "v");
    EXPECT_EQ(FLog.FEvents, (TLines{"changing 5", "change 6"}));
}

TEST_F(StringListNotices, RefusedChangesAreNotAnnounced)
{
    FList.SetSorted(true);
    FList.Add("a");
    FLog.FEvents.clear();
    EXPECT_THROW(FList.Insert(0, "b"), EListError);
    EXPECT_THROW(FList.Put(0, "b"), EListError);
    EXPECT_THROW(FList.Get(1), EListError);
    TComponent component(nullptr);
    EXPECT_THROW(FList.Assign(&component), EConvertError);
    EXPECT_TRUE(FLog.FEvents.empty());
    EXPECT_EQ(FList.UpdateCount(), 0);
}

TEST_F(StringListNotices, ReplacingAHandlerStopsTheOldOne)
{
    TChangeLog other;
    other.Attach(FList);
    FList.Add("a");
    EXPECT_TRUE(FLog.FEvents.empty());
    EXPECT_EQ(other.FEvents, (TLines{"changing 0", "change 1"}));
    FList.SetOnChange(TNotifyEvent());
    FList.SetOnChanging(TNotifyEvent());
    FList.Add("b");
    EXPECT_EQ(other.FEvents.size(), 2u);
}

// ---------------------------------------------------------------------------------------------------

TEST(StringListEquality, ComparesLinesExactly)
{
    TStringList a;
    TStringList b;
    EXPECT_TRUE(a == b);
    Fill(a, {"x", "y"});
    Fill(b, {"x", "y"});
    EXPECT_TRUE(a == b);
    b.Put(1, "Y");
    EXPECT_FALSE(a == b) << "case counts";
    b.Put(1, "y");
    b.Add("");
    EXPECT_FALSE(a == b) << "an extra empty line counts";
    TFixedStrings fixed({"x", "y"});
    EXPECT_TRUE(a == fixed);
}
