// The string holder and the joke holder.
#include "holders/QELTHolders.h"

#include "framework/SysUtils.h"

#include <array>

QEL_CLASS_INFO(TQELStringHolder, TQELSystemsComponent)
{
    return {
        Prop("Items", &TQELStringHolder::Items, &TQELStringHolder::SetStrings).Stored(TStored::Always),
    };
}

// Always stored, also when empty: a list emptied in the designer must not come back full.
QEL_CLASS_INFO(TQELJokeHolder, TQELSystemsComponent)
{
    return {
        Prop("Items", &TQELJokeHolder::Items, &TQELJokeHolder::SetStrings).Stored(TStored::Always),
    };
}

QEL_OPERATIONS(TQELJokeHolder)
{
    using C = TQELJokeHolder;
    return {
        Operation(&C::Getany, "Getany()", "a line of Items picked at random"),
        Operation(&C::Getone, "Getone(Index)", "the line of Items at Index, empty past the end"),
    };
}

namespace {

constexpr std::array<const char*, 62> Jokes{
    "My code has no bugs; it just grows surprise features after lunch.",
    "The printer heard I was in a hurry and jammed out of sympathy.",
    "I asked the compiler for advice; it gave me 312 warnings and no opinions.",
    "The backup worked perfectly, right up to the day I needed it.",
    "My password is so strong that even I cannot lift it.",
    "The progress bar reached 99 percent and stopped to enjoy the view.",
    "Our server has excellent uptime; it is the downtime that keeps us busy.",
    "I closed one window and three more opened to say goodbye.",
    "The help file says: for help, see the help file.",
    "The mouse ran off under the desk; the cable brought it back.",
    "Rebooting fixed it, and nobody dares to ask what it was.",
    "I named my variables after my cats; now the code purrs and nobody reads it.",
    "The documentation was finished on time because nobody started it.",
    "A semicolon walked into a bar and ended the sentence early;",
    "My hard disk is full of folders called New Folder (7).",
    "The spreadsheet added up fine until someone looked at it.",
    "The screen saver has seen more of my screen than I have.",
    "I optimised the loop so well that it finished before I pressed Run.",
    "The meeting about fewer meetings has been moved to next week.",
    "The coffee machine needs a driver update before it will talk to the network.",
    "My laptop battery lasts exactly as long as the walk to the charger.",
    "The beta version came with a free beta tester: me.",
    "I tidied my desktop and lost three weeks of work in the recycle bin.",
    "The cable under the desk is connected to something, and we respect that.",
    "Undo is my favourite feature; I use it on whole afternoons.",
    "The update needs a restart, then another update, then another restart.",
    "My code compiled on the first try, which is how I knew something was wrong.",
    "The manual was printed in the font size of a warranty clause.",
    "The modem sang its little song and the internet forgave us.",
    "I keep my files very organised: everything is in Downloads.",
    "The tooltip appeared just as I moved the mouse away, as always.",
    "The database is normalised; the people who use it are not.",
    "Tabs or spaces? We settled it with a coin that landed on its edge.",
    "The fan in my computer is the only part that works harder than I do.",
    "I removed a comment and three tests failed; the comments here are load-bearing.",
    "Version 2.0 fixes the bugs of version 1.0 and brings its own.",
    "The log file grew so large that it now needs a log file of its own.",
    "My to-do list is stored in a file I have been meaning to open.",
    "The screen flickered once, which in our office counts as maintenance.",
    "Every shortcut I learn saves a second and costs an hour of explaining it.",
    "I wrote a program to save time; now I spend my time looking after it.",
    "The server clock runs fast so that the deadlines arrive early.",
    "The bug was not in the code but in the plan, and the plan has no debugger.",
    "My inbox reached zero, so I checked the cable.",
    "The installer offered a custom setup, then asked forty questions I could not answer.",
    "Our firewall is so safe that even we cannot get in.",
    "The floppy disk in the drawer holds the only copy of something important.",
    "The demo crashed only while the boss was watching, exactly as planned.",
    "I asked for a faster computer and was given a faster chair.",
    "The random number generator keeps picking seven; we are looking into it.",
    "Someone made the error message the wallpaper, and now nobody reports it.",
    "I compressed the file so well that it no longer contains anything.",
    "The calendar reminder arrived right after the meeting ended.",
    "The printer only works while you stand next to it looking disappointed.",
    "My computer has two speeds: slow, and updating.",
    "The spell checker approved every word of my nonsense.",
    "The cursor blinked at me for an hour, and I blinked back.",
    "Copy and paste built this program, and copy and paste will maintain it.",
    "The scroll bar is so small that the document must be very long indeed.",
    "My files are safe in the cloud, somewhere above a rainy data centre.",
    "The new feature is a button that hides the other buttons.",
    "After thirty years the computer asked me whether I was sure, and I was not.",
};

} // namespace

TQELStringHolder::TQELStringHolder(TComponent* owner)
    : TQELSystemsComponent(owner), FItems(std::make_unique<TStringList>())
{
}

TQELJokeHolder::TQELJokeHolder(TComponent* owner)
    : TQELSystemsComponent(owner), FItems(std::make_unique<TStringList>())
{
    for (const char* joke : Jokes)
        FItems->Add(joke);
}

std::string TQELJokeHolder::Getany() const
{
    Randomize();
    if (FItems->Count() == 0)
        return {};
    return FItems->Get(Random(FItems->Count()));
}

std::string TQELJokeHolder::Getone(int index) const
{
    return index < FItems->Count() ? FItems->Get(index) : std::string();
}
