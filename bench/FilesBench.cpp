// The file collector, text replace and log file against the raw calls that do the same work: a sorted
// two-pass directory walk, a buffered line copy, and an open, lock, seek, write, unlock, close sequence.
#include "bench/Bench.h"

#include "files/QELTFileCollector.h"
#include "files/QELTFileOperator.h"
#include "files/QELTLogFile.h"
#include "files/QELTTextReplace.h"
#include "framework/Win32Handles.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// 20 directories of 10 subdirectories of 100 files: 20,000 files in 221 directories.
constexpr int TopDirectories = 20;
constexpr int SubDirectories = 10;
constexpr int FilesPerDirectory = 100;
constexpr int CollectorRuns = 15;

constexpr int ReplaceLines = 500000;
constexpr int ReplaceRuns = 7;
// The copy of a long file may cost twice a raw copy: it also hands every line to an event and keeps
// the application responsive.
constexpr double ReplaceTarget = 2.0;

constexpr int LogRuns = 2000;

volatile std::size_t Sink;

std::string BenchFolder(const char* name)
{
    char base[MAX_PATH];
    (void)GetTempPathA(MAX_PATH, base);
    const std::string folder = std::string(base) + name + std::to_string(GetCurrentProcessId());
    (void)CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void CreateEmptyFile(const std::string& name)
{
    const TKernelHandle file(
        CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Removes a folder made by the benchmark, with everything in it, through the library's file operator.
void RemoveFolder(const std::string& folder)
{
    TQELFileOperator remover(nullptr);
    remover.SetOperation(TQELFileFunction::DeleteFile);
    remover.SetFlags({opNoConfirmation, opSilent});
    remover.FilesFrom()->Add(folder);
    remover.SetDirTo(folder);
    (void)remover.Execute();
}

// ---------------------------------------------------------------------------------------------------
// File collector

bool Sorts(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
}

// The same walk as the collector's, with plain calls: subdirectories and matching files of each
// directory searched apart and sorted, files first, then each subdirectory.
void RawSortedWalk(const std::string& dir, const std::string& mask, std::vector<std::string>& found)
{
    std::vector<std::string> subdirectories, files;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((dir + "*.*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
                subdirectories.push_back(name + "\\");
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    search = FindFirstFileA((dir + mask).c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | 0x08 /* a volume label */)) == 0)
                files.push_back(entry.cFileName);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    std::stable_sort(files.begin(), files.end(), Sorts);
    std::stable_sort(subdirectories.begin(), subdirectories.end(), Sorts);
    for (const std::string& name : files)
        found.push_back(dir + name);
    for (const std::string& name : subdirectories)
        RawSortedWalk(dir + name, mask, found);
}

// The plainest walk: one search a directory, in the order the system gives, every file taken.
void RawSinglePassWalk(const std::string& dir, std::vector<std::string>& found)
{
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((dir + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            found.push_back(dir + name);
        else if (name != "." && name != "..")
            RawSinglePassWalk(dir + name + "\\", found);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

void RunFileCollectorBench()
{
    const std::string root = BenchFolder("qelbenchtree");
    for (int top = 0; top < TopDirectories; ++top) {
        const std::string topName = root + "\\dir" + std::to_string(top);
        (void)CreateDirectoryA(topName.c_str(), nullptr);
        for (int sub = 0; sub < SubDirectories; ++sub) {
            const std::string subName = topName + "\\Sub" + std::to_string(sub);
            (void)CreateDirectoryA(subName.c_str(), nullptr);
            for (int file = 0; file < FilesPerDirectory; ++file)
                CreateEmptyFile(subName + "\\file" + std::to_string(file) + ".txt");
        }
    }
    const std::string start = root + "\\";
    const std::string mask = "*.txt";

    TQELFileCollector collector(nullptr);
    collector.SetInitialDirectory(start);
    collector.SetFileMask(mask);
    std::vector<std::string> sorted, single;
    auto library = [&] {
        collector.Execute();
        Sink = static_cast<std::size_t>(collector.LocatedObjects()->Count());
    };
    auto rawSorted = [&] {
        sorted.clear();
        RawSortedWalk(start, mask, sorted);
        Sink = sorted.size();
    };
    auto rawSingle = [&] {
        single.clear();
        RawSinglePassWalk(start, single);
        Sink = single.size();
    };
    CompareWithRaw("walk, sorted two-pass raw", CollectorRuns, rawSorted, library);
    CompareWithRaw("walk, single-pass raw", CollectorRuns, rawSingle, library, NoTarget);
    if (collector.LocatedObjects()->Count() != TopDirectories * SubDirectories * FilesPerDirectory ||
        sorted.size() != static_cast<std::size_t>(collector.LocatedObjects()->Count()) ||
        sorted.back() != collector.LocatedObjects()->Get(collector.LocatedObjects()->Count() - 1))
        std::printf("  (the walks did not collect the same files)\n");
    RemoveFolder(root);
}

// ---------------------------------------------------------------------------------------------------
// Text replace

// What a program without the component writes: read in pieces, split at line breaks, write each line
// with CR LF through a buffer.
void RawLineCopy(const std::string& from, const std::string& to)
{
    const TKernelHandle source(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const TKernelHandle target(
        CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<char> input(64 * 1024);
    std::string output, line;
    DWORD read = 0, written = 0;
    bool afterCr = false;
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    while (ReadFile(source.Get(), input.data(), static_cast<DWORD>(input.size()), &read, nullptr) && read > 0) {
        const char* position = input.data();
        const char* end = input.data() + read;
        if (afterCr && *position == '\n')
            ++position;
        afterCr = false;
        while (position != end) {
            const char* lineBreak = std::find_if(position, end, isBreak);
            line.append(position, lineBreak);
            if (lineBreak == end)
                break;
            output.append(line).append("\r\n");
            line.clear();
            position = lineBreak + 1;
            if (*lineBreak == '\r') {
                if (position == end)
                    afterCr = true;
                else if (*position == '\n')
                    ++position;
            }
        }
        if (output.size() >= 64 * 1024) {
            (void)WriteFile(target.Get(), output.data(), static_cast<DWORD>(output.size()), &written, nullptr);
            output.clear();
        }
    }
    if (!line.empty())
        output.append(line).append("\r\n");
    (void)WriteFile(target.Get(), output.data(), static_cast<DWORD>(output.size()), &written, nullptr);
}

void RunTextReplaceBench()
{
    const std::string folder = BenchFolder("qelbenchreplace");
    const std::string source = folder + "\\source.txt";
    {
        std::string text;
        for (int i = 0; i < ReplaceLines; ++i)
            text += "line " + std::to_string(i) + " of the text to be copied\r\n";
        const TKernelHandle file(
            CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        (void)WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    TQELTextReplace replace(nullptr);
    replace.SetFileFrom(source);
    replace.SetFileTo(folder + "\\library.txt");
    CompareWithRaw("copy of 500,000 lines", ReplaceRuns, [&] { RawLineCopy(source, folder + "\\raw.txt"); },
                   [&] { replace.Execute(); }, ReplaceTarget);
    RemoveFolder(folder);
}

// ---------------------------------------------------------------------------------------------------
// Log file

void RunLogFileBench()
{
    const std::string folder = BenchFolder("qelbenchlog");
    const std::string rawLog = folder + "\\raw.log";
    const std::string text = "The operation finished and 42 files were written";
    const std::string line = text + "\r\n";
    auto raw = [&] {
        const TKernelHandle file(CreateFileA(rawLog.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        OVERLAPPED place{};
        place.OffsetHigh = 0x40000000;
        (void)LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place);
        (void)SetFilePointerEx(file.Get(), LARGE_INTEGER{}, nullptr, FILE_END);
        DWORD written = 0;
        (void)WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        (void)UnlockFileEx(file.Get(), 0, 1, 0, &place);
    };
    TQELLogFile log(nullptr);
    log.SetLogFile(folder + "\\library.log");
    CompareWithRaw("one line, time and date off", LogRuns, raw, [&] { log.Log(text); });
    RemoveFolder(folder);
}

const bool CollectorRegistered = RegisterBenchmark(
    "File collector (TQELFileCollector), 20,000 files in 221 directories", &RunFileCollectorBench);
const bool ReplaceRegistered =
    RegisterBenchmark("Text replace (TQELTextReplace), a file of 500,000 lines", &RunTextReplaceBench);
const bool LogRegistered = RegisterBenchmark("Log file (TQELLogFile), lines appended", &RunLogFileBench);

} // namespace
