// File names and the file system: the parts of a file name, whether a file exists, its attributes,
// searching a directory, a file's time stamp in the DOS date-time form, renaming, reading a file's
// content and changing it in one step, the free and total space of a drive, the process's current
// directory; and the process's random numbers.
#pragma once

#include "framework/DateTime.h"
#include "framework/Win32Handles.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------------------------------
// File names. A name's path is everything up to and including its last backslash or colon; the rest
// is the name, and the name's extension runs from its last dot, dot included.

// "C:\Work\a.txt" gives "C:\Work\".
std::string ExtractFilePath(std::string_view fileName);
// The path without its closing backslash, except where that backslash belongs to a root: "C:\Work\"
// gives "C:\Work", "C:\" stays "C:\".
std::string ExtractFileDir(std::string_view fileName);
// "C:\Work\a.txt" gives "a.txt".
std::string ExtractFileName(std::string_view fileName);
// "C:\Work\archive.tar.gz" gives ".gz"; a name without a dot has no extension.
std::string ExtractFileExt(std::string_view fileName);
// Replaces the extension (or appends one where there is none); extension brings its own dot.
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
// The fully qualified form, resolved against the current directory; an empty name stays empty.
std::string ExpandFileName(const std::string& fileName);
// The path with exactly the backslash it needs at its end added (an empty path stays empty).
std::string IncludeTrailingBackslash(std::string_view path);

// ---------------------------------------------------------------------------------------------------
// Files

// Whether name is an existing file (not a directory). An empty name exists nowhere.
bool FileExists(const std::string& name);

// The attribute bits (the system's FILE_ATTRIBUTE_ values).
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;
constexpr int faReparsePoint = 0x400; // a junction or a symbolic link

// The attribute word of a file or directory, -1 when it cannot be read.
int FileGetAttr(const std::string& fileName);
// 0 on success, else the system's error code.
int FileSetAttr(const std::string& fileName, int attributes);

// One entry of a directory search. Attr holds the entry's whole attribute word, Size its 64-bit size.
// The search stays open, and the record holds its handle, from FindFirst until FindClose or until the
// record goes.
struct TSearchRec {
    std::int64_t Size = 0;
    int Attr = 0;
    std::string Name;
    int ExcludeAttr = 0;
    TFindHandle FindHandle;
    WIN32_FIND_DATAA FindData{};
};

// Starts a search for path (wildcards allowed in its last part). attributes says which special entries
// to take besides plain files: entries that are hidden, system, volume label or directory are left out
// unless their bit is in attributes (faAnyFile takes everything). 0 with the first entry in search, else
// the system's error code (ERROR_FILE_NOT_FOUND when nothing matched).
int FindFirst(const std::string& path, int attributes, TSearchRec& search);
// 0 with the next entry in search, else the system's error code (ERROR_NO_MORE_FILES at the end).
int FindNext(TSearchRec& search);
void FindClose(TSearchRec& search);

// Opening modes of FileOpen. Others may read and write the file while it is open.
constexpr int fmOpenRead = 0;
constexpr int fmOpenWrite = 1;
constexpr int fmOpenReadWrite = 2;
// Opens an existing file; an empty handle when it cannot be opened.
TKernelHandle FileOpen(const std::string& fileName, int mode);

// A file's time of last writing as a DOS date-time in local time (date in the high word, time in the
// low word, two-second steps), -1 when it cannot be read.
int FileGetDate(HANDLE file);
// 0 on success, else the system's error code.
int FileSetDate(HANDLE file, int fileDate);
// EConvertError for a value that is no DOS date-time.
TDateTime FileDateToDateTime(int fileDate);
// The nearest earlier even second; 0 for a time before 1980 or after 2107, which the form cannot hold.
int DateTimeToFileDate(TDateTime value);

// Renames (or moves, on one volume) a file or a directory; false when the system refuses.
bool RenameFile(const std::string& oldName, const std::string& newName);

// A FILETIME as one number of 100-nanosecond steps.
std::uint64_t FileTimeTicks(const FILETIME& time);

// What the system tells of a file without opening it: its attributes, times and size. Two stamps are
// equal when all of these are, bar the time of last access; Found is false where there is no file.
struct TFileStamp {
    bool Found = false;
    WIN32_FILE_ATTRIBUTE_DATA Data{};
    bool operator==(const TFileStamp& other) const;
};
TFileStamp FileStamp(const std::string& fileName);

// The whole content of a file, opened so that others may read and write it meanwhile. 0 on success,
// else the system's error code (content is then empty).
int ReadFileContent(const std::string& fileName, std::string& content);

// Changes the content of fileName in one step: whoever opens the file, and whenever the process dies,
// finds either the old content or the new one. change is given the content (empty where there is no
// file yet) and gives the new one, or nothing to leave the file as it is. The new content is written to
// tempName (beside fileName, on the same volume), flushed to the disk, and renamed to fileName. The new
// file keeps the old one's attributes (not its creation time or access rights) and gets a time of last
// writing later than the old one's, so that readers that watch the time see the change.
//
// A file tempName left by a writer that did not finish is removed first. A read-only file is not
// changed. Where another program changes the file in place meanwhile, change is given its new content
// and called again; where another program holds the file open, reading or renaming it is tried again
// for a while. 0 on success, else the system's error code: fileName is then as it was, and tempName is
// gone.
int ChangeFileContent(const std::string& fileName, const std::string& tempName,
                      const std::function<std::optional<std::string>(const std::string& content)>& change);

// ---------------------------------------------------------------------------------------------------
// Drives and directories

// Free and total bytes of a drive: 0 the current drive, 1 A:, 2 B:, 3 C: and so on up to 26 Z:. -1 when
// the drive cannot be read (no such drive, no medium) or the number is outside 0 to 26.
std::int64_t DiskFree(int drive);
std::int64_t DiskSize(int drive);

// The process's current directory, without a trailing backslash except at a drive's root (C:\).
std::string GetCurrentDir();
// Makes directory the current one; false when the system refuses it.
bool SetCurrentDir(const std::string& directory);

// ---------------------------------------------------------------------------------------------------
// Random numbers: one generator for the process, on the user-interface thread.

// Seeds the generator from the system clock (the milliseconds since the system started).
void Randomize();
// A whole number from 0 to range - 1, each as good as equally likely; 0 when range is not above 0.
int Random(int range);
