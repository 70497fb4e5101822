// The file operator: one shell file operation per Execute.
#include "files/QELTFileOperator.h"

#include "framework/SysUtils.h"
#include "framework/Win32Handles.h"

#include <array>

QEL_CLASS_INFO(TQELFileOperator, TQELExecuteComponent)
{
    using C = TQELFileOperator;
    return {
        Prop("FilesFrom", &C::FilesFrom, &C::SetFilesFrom).Stored(TStored::Always),
        Prop("DirFrom", &C::DirFrom, &C::SetDirFrom),
        Prop("DirTo", &C::DirTo, &C::SetDirTo),
        Prop("Operation", &C::Operation, &C::SetOperation).Default(TQELFileFunction::CopyFile),
        Prop("Flags", &C::GetFlags, &C::SetFlags).Default(TQELFileFlags{opAllowUndo, opNoConfirmMkDir}),
        Prop("OnSuccessRename", &C::OnSuccessRename, &C::SetOnSuccessRename),
        Prop("OnSuccessCopy", &C::OnSuccessCopy, &C::SetOnSuccessCopy),
        Prop("OnSuccessDelete", &C::OnSuccessDelete, &C::SetOnSuccessDelete),
        Prop("OnSuccessMove", &C::OnSuccessMove, &C::SetOnSuccessMove),
        Prop("OnFailRename", &C::OnFailRename, &C::SetOnFailRename),
        Prop("OnFailCopy", &C::OnFailCopy, &C::SetOnFailCopy),
        Prop("OnFailDelete", &C::OnFailDelete, &C::SetOnFailDelete),
        Prop("OnFailMove", &C::OnFailMove, &C::SetOnFailMove),
        Prop("OnDone", &C::OnDone, &C::SetOnDone),
    };
}

QEL_OPERATIONS(TQELFileOperator)
{
    using C = TQELFileOperator;
    return {
        Operation(&C::Execute, "Execute()",
                  "copies, moves, renames or deletes the files of DirFrom as Operation says, through the shell; "
                  "True when all was done"),
    };
}

namespace {

// The shell's bit of each TQELFileFlag, by ordinal.
constexpr std::array<FILEOP_FLAGS, 10> FlagBits{
    FOF_ALLOWUNDO,   FOF_CONFIRMMOUSE,      FOF_FILESONLY, FOF_MULTIDESTFILES, FOF_NOCONFIRMATION,
    FOF_NOCONFIRMMKDIR, FOF_RENAMEONCOLLISION, FOF_SILENT,    FOF_SIMPLEPROGRESS, FOF_WANTMAPPINGHANDLE,
};

} // namespace

TQELFileOperator::TQELFileOperator(TComponent* owner)
    : TQELExecuteComponent(owner), FFilesFrom(std::make_unique<TStringList>())
{
    FRecord.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;
}

TQELFileFlags TQELFileOperator::GetFlags() const noexcept
{
    TQELFileFlags flags;
    for (std::size_t i = 0; i < FlagBits.size(); ++i)
        if ((FRecord.fFlags & FlagBits[i]) != 0)
            flags.Include(static_cast<TQELFileFlag>(i));
    return flags;
}

void TQELFileOperator::SetFlags(TQELFileFlags value)
{
    for (std::size_t i = 0; i < FlagBits.size(); ++i)
        FRecord.fFlags = value.Contains(static_cast<TQELFileFlag>(i)) ? FRecord.fFlags | FlagBits[i]
                                                                       : FRecord.fFlags & ~FlagBits[i];
}

bool TQELFileOperator::Execute()
{
    struct TOperationInfo {
        UINT Function;
        const char* ProgressTitle;
        TNotifyEvent TQELFileOperator::*OnSuccess;
        TNotifyEvent TQELFileOperator::*OnFail;
    };
    static constexpr std::array<TOperationInfo, 4> operations{{
        {FO_COPY, "Copying...", &TQELFileOperator::FOnSuccessCopy, &TQELFileOperator::FOnFailCopy},
        {FO_DELETE, "Deleteing...", &TQELFileOperator::FOnSuccessDelete, &TQELFileOperator::FOnFailDelete},
        {FO_MOVE, "Moving...", &TQELFileOperator::FOnSuccessMove, &TQELFileOperator::FOnFailMove},
        {FO_RENAME, "Renaming...", &TQELFileOperator::FOnSuccessRename, &TQELFileOperator::FOnFailRename},
    }};
    const TOperationInfo& operation = operations[static_cast<std::size_t>(FOperation)];
    FRecord.wFunc = operation.Function;
    FRecord.lpszProgressTitle = operation.ProgressTitle;

    FDirFrom = IncludeTrailingBackslash(FDirFrom);
    if (FDirTo.empty())
        throw Exception("Directory Information is invalid");
    // The names are taken from where DirFrom is before it becomes current: a relative DirFrom would
    // otherwise be looked up inside itself (data\data\a.txt).
    const std::string from = ExpandFileName(FDirFrom);
    if (!FDirFrom.empty() && !SetCurrentDir(FDirFrom))
        throw Exception("Can not locate current Directory");

    // Each name ends with a NUL and the list with one more. An empty line would name DirFrom itself
    // (a delete would take the whole folder) or, with no DirFrom, end the list early: it is skipped,
    // and so is a line of nothing but spaces, which the system drops from the end of a name.
    std::string sources;
    for (int i = 0; i < FFilesFrom->Count(); ++i)
        if (const std::string line = FFilesFrom->Get(i); line.find_first_not_of(' ') != std::string::npos)
            sources.append(from).append(line).push_back('\0');
    // The shell's dialogs handle the thread's messages, and a handler may free this component: once it
    // is gone nothing more is done with it.
    const TComponentWatch watch(this);
    bool success = false;
    if (!sources.empty()) {
        success = RunShellOperation(sources);
        if (!watch.Alive())
            return false;
    }
    (this->*(success ? operation.OnSuccess : operation.OnFail))(this);
    if (watch.Alive())
        FOnDone(this);
    return success;
}

// The shell gets a copy of the record, which outlives the component should a handler free it during
// the call.
bool TQELFileOperator::RunShellOperation(const std::string& sources) const
{
    // The string's own terminator makes the second NUL that ends each list.
    const std::string destinationList = FDirTo + '\0';
    SHFILEOPSTRUCTA record = FRecord;
    record.pFrom = sources.c_str();
    record.pTo = destinationList.c_str();
    const int result = SHFileOperationA(&record);
    // The mappings are not read; freeing them is all that is left to do.
    const TNameMappingsHandle mappings(record.hNameMappings);
    // A confirmation answered No leaves the files in place and the call answers 0: not a success.
    return result == 0 && !record.fAnyOperationsAborted;
}
