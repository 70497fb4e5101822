// Text files with input/output checking.
#include "framework/TextFiles.h"

#include "framework/Exceptions.h"
#include "framework/SysErrors.h"

#include <algorithm>

namespace {

constexpr std::size_t BufferSize = 64 * 1024;

HANDLE OpenOrRaise(const std::string& fileName, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    const HANDLE file = CreateFileA(fileName.c_str(), access, share, nullptr, disposition, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        InOutError(disposition == OPEN_EXISTING ? "Cannot open" : "Cannot create", fileName, GetLastError());
    return file;
}

} // namespace

void InOutError(std::string_view action, const std::string& fileName, DWORD errorCode)
{
    throw EInOutError(std::string(action) + " '" + fileName + "': " + SysErrorMessage(errorCode), errorCode);
}

// ---------------------------------------------------------------------------------------------------
// TTextReader

TTextReader::TTextReader(std::string fileName)
    : FFileName(std::move(fileName)),
      FFile(OpenOrRaise(FFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN)),
      FBuffer(BufferSize)
{
}

bool TTextReader::Fill()
{
    DWORD read = 0;
    if (!ReadFile(FFile.Get(), FBuffer.data(), static_cast<DWORD>(FBuffer.size()), &read, nullptr))
        InOutError("Cannot read", FFileName, GetLastError());
    FPosition = 0;
    FEnd = read;
    return read > 0;
}

void TTextReader::Close()
{
    FFile.Reset();
    FPosition = FEnd = 0;
}

bool TTextReader::ReadLine(std::string& line)
{
    if (FPosition == FEnd && !Fill())
        return false;
    line.clear();
    for (;;) {
        const char* begin = FBuffer.data() + FPosition;
        const char* end = FBuffer.data() + FEnd;
        const char* lineBreak = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
        line.append(begin, lineBreak);
        FPosition = static_cast<std::size_t>(lineBreak - FBuffer.data());
        if (lineBreak != end) {
            ++FPosition;
            // The LF of a CR LF may stand at the start of the next piece.
            if (*lineBreak == '\r' && (FPosition < FEnd || Fill()) && FBuffer[FPosition] == '\n')
                ++FPosition;
            return true;
        }
        if (!Fill())
            return true; // the last line, without a break
    }
}

// ---------------------------------------------------------------------------------------------------
// TTextWriter

TTextWriter::TTextWriter(std::string fileName)
    : FFileName(std::move(fileName)),
      FFile(OpenOrRaise(FFileName, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL))
{
    FBuffer.reserve(BufferSize + 2);
}

void TTextWriter::WriteLine(std::string_view text)
{
    FBuffer.append(text).append("\r\n");
    if (FBuffer.size() >= BufferSize)
        Flush();
}

void TTextWriter::Flush()
{
    if (FBuffer.empty())
        return;
    DWORD written = 0;
    if (!WriteFile(FFile.Get(), FBuffer.data(), static_cast<DWORD>(FBuffer.size()), &written, nullptr))
        InOutError("Cannot write", FFileName, GetLastError());
    if (written != FBuffer.size())
        InOutError("Cannot write", FFileName, ERROR_DISK_FULL);
    FBuffer.clear();
}

void TTextWriter::Close()
{
    Flush();
    if (!CloseHandle(FFile.Release()))
        InOutError("Cannot close", FFileName, GetLastError());
}
