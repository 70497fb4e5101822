// TQELFileOperator copies, moves, renames or deletes a list of files in one call of the shell's file
// operation service, so the user sees the shell's own progress, confirmations and undo; one success or
// failure event per operation reports the outcome, and OnDone ends every call.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/StringList.h"
#include "framework/Win32.h"

#include <memory>
#include <string>

// Scoped: the framework has routines of these names (RenameFile), and so has the system.
enum class TQELFileFunction : std::uint8_t { CopyFile, DeleteFile, MoveFile, RenameFile };
inline const TEnumInfo& EnumTypeInfo(TQELFileFunction)
{
    static const TEnumInfo info{"TQELFileFunction", {"CopyFile", "DeleteFile", "MoveFile", "RenameFile"}};
    return info;
}

enum TQELFileFlag : std::uint8_t {
    opAllowUndo,
    opConfirmMouse,
    opFilesOnly,
    opMultiDestFiles,
    opNoConfirmation,
    opNoConfirmMkDir,
    opRenameOnCollision,
    opSilent,
    opSimpleProgress,
    opWantMappingHandle,
};
inline const TEnumInfo& EnumTypeInfo(TQELFileFlag)
{
    static const TEnumInfo info{"TQELFileFlag",
                                {"opAllowUndo", "opConfirmMouse", "opFilesOnly", "opMultiDestFiles",
                                 "opNoConfirmation", "opNoConfirmMkDir", "opRenameOnCollision", "opSilent",
                                 "opSimpleProgress", "opWantMappingHandle"}, "TQELFileFlags"};
    return info;
}
using TQELFileFlags = TSet<TQELFileFlag>;

class TQELFileOperator : public TQELExecuteComponent {
    QEL_CLASS(TQELFileOperator)
public:
    explicit TQELFileOperator(TComponent* owner);

    // Runs the operation on every line of FilesFrom that is not blank (each prefixed with DirFrom, a
    // relative one taken from the directory current at the call) towards DirTo; true when the shell
    // reports that everything was done. An empty DirTo, or a DirFrom that cannot be made the current
    // directory, raises Exception before anything happens; DirFrom keeps the backslash added to it and
    // stays the process's current directory, against which a relative DirTo is taken.
    bool Execute() override;

    TStrings* FilesFrom() const noexcept { return FFilesFrom.get(); }
    void SetFilesFrom(TStrings* value) { FFilesFrom->Assign(value); }
    const std::string& DirFrom() const noexcept { return FDirFrom; }
    void SetDirFrom(const std::string& value) { FDirFrom = value; }
    const std::string& DirTo() const noexcept { return FDirTo; }
    void SetDirTo(const std::string& value) { FDirTo = value; }
    TQELFileFunction Operation() const noexcept { return FOperation; }
    void SetOperation(TQELFileFunction value) { FOperation = value; }
    TQELFileFlags GetFlags() const noexcept;
    void SetFlags(TQELFileFlags value);

    const TNotifyEvent& OnSuccessRename() const noexcept { return FOnSuccessRename; }
    void SetOnSuccessRename(const TNotifyEvent& event) { FOnSuccessRename = event; }
    const TNotifyEvent& OnSuccessCopy() const noexcept { return FOnSuccessCopy; }
    void SetOnSuccessCopy(const TNotifyEvent& event) { FOnSuccessCopy = event; }
    const TNotifyEvent& OnSuccessDelete() const noexcept { return FOnSuccessDelete; }
    void SetOnSuccessDelete(const TNotifyEvent& event) { FOnSuccessDelete = event; }
    const TNotifyEvent& OnSuccessMove() const noexcept { return FOnSuccessMove; }
    void SetOnSuccessMove(const TNotifyEvent& event) { FOnSuccessMove = event; }
    const TNotifyEvent& OnFailRename() const noexcept { return FOnFailRename; }
    void SetOnFailRename(const TNotifyEvent& event) { FOnFailRename = event; }
    const TNotifyEvent& OnFailCopy() const noexcept { return FOnFailCopy; }
    void SetOnFailCopy(const TNotifyEvent& event) { FOnFailCopy = event; }
    const TNotifyEvent& OnFailDelete() const noexcept { return FOnFailDelete; }
    void SetOnFailDelete(const TNotifyEvent& event) { FOnFailDelete = event; }
    const TNotifyEvent& OnFailMove() const noexcept { return FOnFailMove; }
    void SetOnFailMove(const TNotifyEvent& event) { FOnFailMove = event; }
    const TNotifyEvent& OnDone() const noexcept { return FOnDone; }
    void SetOnDone(const TNotifyEvent& event) { FOnDone = event; }

private:
    // Whether the shell did everything, given the source list.
    bool RunShellOperation(const std::string& sources) const;

    std::unique_ptr<TStringList> FFilesFrom;
    std::string FDirFrom;
    std::string FDirTo;
    TQELFileFunction FOperation = TQELFileFunction::CopyFile;
    // Its flag word is where Flags lives, the function code and progress title are those of the last
    // Execute; the owner window stays 0.
    SHFILEOPSTRUCTA FRecord{};
    TNotifyEvent FOnSuccessRename;
    TNotifyEvent FOnSuccessCopy;
    TNotifyEvent FOnSuccessDelete;
    TNotifyEvent FOnSuccessMove;
    TNotifyEvent FOnFailRename;
    TNotifyEvent FOnFailCopy;
    TNotifyEvent FOnFailDelete;
    TNotifyEvent FOnFailMove;
    TNotifyEvent FOnDone;
};
