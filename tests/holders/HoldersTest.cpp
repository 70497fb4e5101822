// The string holder and the joke holder: their lines, random and chosen picks, and what a stored form
// keeps of them.
#include "holders/QELTHolders.h"

#include "framework/FormText.h"
#include "framework/Win32.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

TEST(Holders, AStringHolderStartsEmptyAndAJokeHolderWithItsLines)
{
    TQELStringHolder strings(nullptr);
    TQELJokeHolder jokes(nullptr);
    EXPECT_EQ(strings.Items()->Count(), 0);
    ASSERT_EQ(jokes.Items()->Count(), 62);
    std::set<std::string> distinct;
    for (int i = 0; i < 62; ++i) {
        EXPECT_FALSE(jokes.Items()->Get(i).empty()) << i;
        EXPECT_EQ(jokes.Items()->Get(i).find('\n'), std::string::npos) << i;
        distinct.insert(jokes.Items()->Get(i));
    }
    EXPECT_EQ(distinct.size(), 62u);
}

TEST(Holders, GetoneGivesTheLineAtItsPlace)
{
    TQELJokeHolder jokes(nullptr);
    EXPECT_EQ(jokes.Getone(0), jokes.Items()->Get(0));
    EXPECT_EQ(jokes.Getone(61), jokes.Items()->Get(61));
    EXPECT_EQ(jokes.Getone(62), "");
    EXPECT_THROW(jokes.Getone(-1), EListError);
}

namespace {

// The system's tick count as the picks read it: 10 ms on at every reading.
DWORD WINAPI SteppingTickCount()
{
    static DWORD tick = 0;
    return tick += 10;
}

} // namespace

TEST(Holders, GetanyPicksOnlyFromTheLinesThereAre)
{
    TQELJokeHolder jokes(nullptr);
    TStringList three;
    for (const char* line : {"first", "second", "third"})
        three.Add(line);
    jokes.SetStrings(&three);
    std::set<std::string> seen;
    // Seeded from the clock on every call: calls 10 ms apart reach every line.
    const TImportPatch clock("kernel32.dll", "GetTickCount", &SteppingTickCount);
    for (int i = 0; i < 200 && seen.size() < 3; ++i) {
        const std::string picked = jokes.Getany();
        EXPECT_NE(three.IndexOf(picked), -1) << picked;
        seen.insert(picked);
    }
    EXPECT_EQ(seen.size(), 3u);
    jokes.Items()->Clear();
    EXPECT_EQ(jokes.Getany(), "");
}

namespace {

class THoldersForm : public TComponent {
    QEL_CLASS(THoldersForm)
public:
    using TComponent::TComponent;
};

} // namespace

QEL_CLASS_INFO(THoldersForm, TComponent)
{
    return {};
}

TEST(Holders, StoredLinesReplaceTheBuiltInOnesEvenWhenThereAreNone)
{
    THoldersForm form(nullptr);
    auto* edited = new TQELJokeHolder(&form);
    edited->SetName("Edited");
    edited->Items()->Clear();
    edited->Items()->Add("only this one");
    auto* emptied = new TQELJokeHolder(&form);
    emptied->SetName("Emptied");
    emptied->Items()->Clear();
    auto* holder = new TQELStringHolder(&form);
    holder->SetName("Holder");
    holder->Items()->Add("kept");

    const std::unique_ptr<TComponent> read(TReader(WriteComponentText(form)).ReadComponent(nullptr));
    auto* readEdited = static_cast<TQELJokeHolder*>(read->FindComponent("Edited"));
    auto* readEmptied = static_cast<TQELJokeHolder*>(read->FindComponent("Emptied"));
    auto* readHolder = static_cast<TQELStringHolder*>(read->FindComponent("Holder"));
    ASSERT_TRUE(readEdited && readEmptied && readHolder);
    EXPECT_EQ(*readEdited->Items(), *edited->Items());
    EXPECT_EQ(readEmptied->Items()->Count(), 0);
    EXPECT_EQ(*readHolder->Items(), *holder->Items());
}
