// Text files read and written a line at a time, with input/output checking: a failure to open, read,
// write or close raises EInOutError with the system's error code and text, and a reader or writer
// closes its file on every path, also when it goes on the way out of a failure.
#pragma once

#include "framework/Win32Handles.h"

#include <string>
#include <string_view>
#include <vector>

// Raises EInOutError "<action> '<fileName>': <the system's text> (error N)" for the system error code.
[[noreturn]] void InOutError(std::string_view action, const std::string& fileName, DWORD errorCode);

// Reads a text file line by line. A line ends at CR LF, LF or CR; a last line without a break is a
// line too; every other byte, NUL and Ctrl-Z included, is data.
class TTextReader {
public:
    // Opens an existing file; others may read and write it meanwhile.
    explicit TTextReader(std::string fileName);

    // The next line without its break; false, with line untouched, at the end of the file.
    bool ReadLine(std::string& line);
    // Reading after Close raises.
    void Close();

private:
    // Reads the next piece of the file into the buffer; false at the end of the file.
    bool Fill();

    std::string FFileName;
    TKernelHandle FFile;
    std::vector<char> FBuffer;
    std::size_t FPosition = 0;
    std::size_t FEnd = 0;
};

// Writes a text file line by line, each line ended by CR LF, through a buffer.
class TTextWriter {
public:
    // Creates the file, or empties it when it exists; others may read it meanwhile.
    explicit TTextWriter(std::string fileName);

    void WriteLine(std::string_view text);
    // Writes out what is buffered and closes the file. A writer that goes without Close (on the way out
    // of a failure) closes its file and drops what it had not written out.
    void Close();

private:
    void Flush();

    std::string FFileName;
    TKernelHandle FFile;
    std::string FBuffer;
};
