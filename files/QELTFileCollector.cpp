// The file collector: a sorted, depth-first walk that yields to the message loop once per directory.
#include "files/QELTFileCollector.h"

#include "framework/Forms.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <vector>

QEL_CLASS_INFO(TQELFileCollector, TQELExecuteComponent)
{
    using C = TQELFileCollector;
    return {
        Prop("OnDirectoryFound", &C::OnDirectoryFound, &C::SetOnDirectoryFound),
        Prop("OnFileFound", &C::OnFileFound, &C::SetOnFileFound),
        Prop("LocatedObjects", &C::LocatedObjects, &C::SetLocatedObjects).Stored(TStored::Always),
        Prop("InitialDirectory", &C::InitialDirectory, &C::SetInitialDirectory),
        Prop("FileMask", &C::FileMask, &C::SetFileMask),
    };
}

QEL_OPERATIONS(TQELFileCollector)
{
    using C = TQELFileCollector;
    return {
        Operation(&C::Execute, "Execute()",
                  "clears LocatedObjects and collects the files matching Mask from InitialDirectory down; True when "
                  "it found any"),
        Operation(&C::Scandirectory, "Scandirectory(Dir)",
                  "collects from Dir (ending with a backslash) down, adding to LocatedObjects; True when Dir itself "
                  "held a match"),
    };
}

namespace {

// The names of the entries of a search that take accepts, each followed by suffix, in the order of the
// framework's sorted string lists (ignoring case; entries that compare equal keep the search's order).
template <class F>
std::vector<std::string> SortedEntries(const std::string& pattern, F take, const std::string& suffix)
{
    std::vector<std::string> names;
    TSearchRec search;
    for (int result = FindFirst(pattern, faAnyFile, search); result == 0; result = FindNext(search))
        if (take(search))
            names.push_back(search.Name + suffix);
    FindClose(search);
    AnsiSortText(names);
    return names;
}

} // namespace

// One walk: whether its component still stands, and how many files it collected.
struct TQELFileCollector::TWalk {
    explicit TWalk(TComponent* component) : Watch(component) {}
    TComponentWatch Watch;
    int Collected = 0;
};

TQELFileCollector::TQELFileCollector(TComponent* owner)
    : TQELExecuteComponent(owner), FLocatedObjects(std::make_unique<TStringList>())
{
}

bool TQELFileCollector::Execute()
{
    if (FWalking)
        return false;
    FLocatedObjects->Clear();
    if (FInitialDirectory.empty())
        FInitialDirectory = GetCurrentDir();
    FInitialDirectory = IncludeTrailingBackslash(ExtractFileDir(IncludeTrailingBackslash(FInitialDirectory)));
    // A copy: a handler may assign InitialDirectory during the walk.
    const std::string start = FInitialDirectory;
    TWalk walk(this);
    Walk(start, walk);
    return walk.Watch.Alive() && walk.Collected > 0;
}

bool TQELFileCollector::Scandirectory(const std::string& dir)
{
    if (FWalking)
        return false;
    TWalk walk(this);
    return Walk(dir, walk);
}

bool TQELFileCollector::Walk(const std::string& dir, TWalk& walk)
{
    FWalking = true;
    bool result = false;
    try {
        result = Scan(dir, walk);
    } catch (...) {
        if (walk.Watch.Alive())
            FWalking = false;
        throw;
    }
    if (walk.Watch.Alive())
        FWalking = false;
    return result;
}

// Returns at once, touching nothing of the component, when it was freed by a handler or while messages
// were handled.
bool TQELFileCollector::Scan(const std::string& dir, TWalk& walk)
{
    Application->ProcessMessages();
    if (!walk.Watch.Alive())
        return false;
    FOnDirectoryFound(this);
    if (!walk.Watch.Alive())
        return false;

    const std::vector<std::string> subdirectories = SortedEntries(
        dir + "*.*",
        [](const TSearchRec& entry) {
            return (entry.Attr & faDirectory) != 0 && (entry.Attr & faReparsePoint) == 0 && entry.Name != "." &&
                   entry.Name != "..";
        },
        "\\");
    const std::vector<std::string> files = SortedEntries(
        dir + FFileMask, [](const TSearchRec& entry) { return (entry.Attr & (faDirectory | faVolumeID)) == 0; }, "");

    bool result = false;
    for (const std::string& name : files) {
        const std::string path = dir + name;
        FLocatedObjects->Add(path);
        result = true;
        ++walk.Collected;
        FOnFileFound(this, path);
        if (!walk.Watch.Alive())
            return false;
    }
    for (const std::string& name : subdirectories) {
        Scan(dir + name, walk);
        if (!walk.Watch.Alive())
            return false;
    }
    return result;
}
