// What the file component tests share: a fresh folder of their own with helpers for its files, links
// to directories, messages handled while a component works, and the test executable started again as
// a child process.
#pragma once

#include "framework/Controls.h"
#include "framework/Win32.h"

#include <functional>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder (which lies in the build tree under Wine), removed
// with everything in it; links in it are removed, never followed.
class TScratchDirectory {
public:
    TScratchDirectory();
    ~TScratchDirectory();
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;

    // The folder, without a closing backslash.
    const std::string& Path() const noexcept { return FPath; }
    // The full name of name inside the folder.
    std::string operator/(const std::string& name) const { return FPath + "\\" + name; }
    // Creates the directory (and the ones above it) inside the folder; returns its full name.
    std::string Directory(const std::string& name) const;
    // Writes bytes into the file name inside the folder, creating the directories above it.
    std::string File(const std::string& name, const std::string& bytes = "") const;

private:
    std::string FPath;
};

std::string ReadBytes(const std::string& fileName);
bool FileCanBeDeleted(const std::string& fileName);

// Makes link a symbolic link to the directory target (full names). Wine makes no links itself, so there
// the host's ln makes it; on Windows the system does. False when neither can.
bool MakeDirectoryLink(const std::string& link, const std::string& target);

// A hidden window for messages posted to it: counts them as the thread's message loop hands them
// over, and runs onHandled for each (to free a component while it works, for instance).
class TMessageTarget : public TObject {
public:
    explicit TMessageTarget(std::function<void()> onHandled = {});
    void Post();
    int Handled() const noexcept { return FHandled; }

private:
    void WndProc(TMessage& message);

    std::function<void()> FOnHandled;
    int FHandled = 0;
    TUtilWindowHandle FWindow;
};

// Under Wine, the folder where the shell's recycle area keeps the files deleted into it (Trash\files
// under XDG_DATA_HOME, which the test scripts point into the build tree); empty elsewhere, or when
// XDG_DATA_HOME is not set.
std::string RecycledFilesFolder();

