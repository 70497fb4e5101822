// TQELFileCollector walks a directory tree and collects the full paths of the files whose names match
// a wildcard mask, depth first: a directory's own files in sorted order, then each subdirectory in
// sorted order with everything below it. Pending window messages are handled once per directory, so
// the application stays responsive during a long walk.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/StringList.h"

#include <memory>
#include <string>

// Filename is the full path of the file found.
struct TQELOnFileFound : TEvent<TObject*, const std::string&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnFileFound";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "Filename"};
};

class TQELFileCollector : public TQELExecuteComponent {
    QEL_CLASS(TQELFileCollector)
public:
    explicit TQELFileCollector(TComponent* owner);

    // Clears LocatedObjects and walks the tree from InitialDirectory (the current directory when empty),
    // which keeps the directory walked with one closing backslash. True when it collected any file.
    // While a walk is on (a handler runs, or messages are handled), another Execute or Scandirectory
    // answers false and touches nothing; a walk whose component is freed meanwhile stops.
    bool Execute() override;
    // Walks from dir (ending with a backslash), adding to LocatedObjects; true when it collected a file
    // of dir itself. Directories that are junctions or symbolic links are not entered: they may lead
    // back up the tree.
    bool Scandirectory(const std::string& dir);

    const TNotifyEvent& OnDirectoryFound() const noexcept { return FOnDirectoryFound; }
    void SetOnDirectoryFound(const TNotifyEvent& event) { FOnDirectoryFound = event; }
    const TQELOnFileFound& OnFileFound() const noexcept { return FOnFileFound; }
    void SetOnFileFound(const TQELOnFileFound& event) { FOnFileFound = event; }
    TStrings* LocatedObjects() const noexcept { return FLocatedObjects.get(); }
    void SetLocatedObjects(TStrings* value) { FLocatedObjects->Assign(value); }
    const std::string& InitialDirectory() const noexcept { return FInitialDirectory; }
    void SetInitialDirectory(const std::string& value) { FInitialDirectory = value; }
    const std::string& FileMask() const noexcept { return FFileMask; }
    void SetFileMask(const std::string& value) { FFileMask = value; }

private:
    struct TWalk;
    bool Walk(const std::string& dir, TWalk& walk);
    bool Scan(const std::string& dir, TWalk& walk);

    TNotifyEvent FOnDirectoryFound;
    TQELOnFileFound FOnFileFound;
    std::unique_ptr<TStringList> FLocatedObjects;
    std::string FInitialDirectory;
    std::string FFileMask;
    bool FWalking = false;
};
