// Text files line by line: where lines end, what counts as data, and the input/output errors with the
// system's code, on real files.
#include "framework/TextFiles.h"

#include "framework/Exceptions.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class TextFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        char base[MAX_PATH];
        (void)GetTempPathA(MAX_PATH, base);
        FDirectory = std::string(base) + "qeltextfiles" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(FDirectory.c_str(), nullptr));
    }
    void TearDown() override
    {
        (void)DeleteFileA(File().c_str());
        (void)RemoveDirectoryA(FDirectory.c_str());
    }

    std::string File() const { return FDirectory + "\\text.txt"; }
    void WriteBytes(const std::string& bytes) const { std::ofstream(File(), std::ios::binary) << bytes; }
    std::string ReadBytes() const
    {
        std::ostringstream bytes;
        bytes << std::ifstream(File(), std::ios::binary).rdbuf();
        return bytes.str();
    }
    std::vector<std::string> ReadLines() const
    {
        TTextReader reader(File());
        std::vector<std::string> lines;
        for (std::string line; reader.ReadLine(line);)
            lines.push_back(line);
        return lines;
    }

    std::string FDirectory;
};

using TLines = std::vector<std::string>;

} // namespace

TEST_F(TextFilesTest, LinesEndAtCrLfLfOrCr)
{
    WriteBytes("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(ReadLines(), (TLines{"one", "two", "three", "four"}));
    WriteBytes("a\r\n\r\n\n\rb\r\n");
    EXPECT_EQ(ReadLines(), (TLines{"a", "", "", "", "b"}));
    // LF CR is two breaks; a break at the very end closes the last line.
    WriteBytes("a\n\rb\r");
    EXPECT_EQ(ReadLines(), (TLines{"a", "", "b"}));
    WriteBytes("");
    EXPECT_EQ(ReadLines(), TLines{});
    WriteBytes("\r\n");
    EXPECT_EQ(ReadLines(), TLines{""});
}

TEST_F(TextFilesTest, NulAndCtrlZAreData)
{
    WriteBytes(std::string("a\0b\x1A" "c\r\n\x1A", 8));
    EXPECT_EQ(ReadLines(), (TLines{std::string("a\0b\x1A" "c", 5), "\x1A"}));
}

TEST_F(TextFilesTest, LinesLongerThanTheBufferAndBreaksAcrossItsEdge)
{
    // The reader reads 64 KiB at a time: a CR at the end of one piece, its LF at the start of the next.
    const std::string first(65535, 'x');
    const std::string second(200000, 'y');
    WriteBytes(first + "\r\n" + second + "\r\nz");
    EXPECT_EQ(ReadLines(), (TLines{first, second, "z"}));
}

TEST_F(TextFilesTest, TheWriterEndsEachLineWithCrLf)
{
    TTextWriter writer(File());
    writer.WriteLine("first");
    writer.WriteLine("");
    writer.WriteLine(std::string("nul\0inside", 10));
    writer.Close();
    EXPECT_EQ(ReadBytes(), std::string("first\r\n\r\nnul\0inside\r\n", 21));
}

TEST_F(TextFilesTest, TheWriterEmptiesAnExistingFileAndWritesOutPastItsBuffer)
{
    WriteBytes("old content that must go\r\n");
    TTextWriter writer(File());
    const std::string line(1000, 'q');
    for (int i = 0; i < 100; ++i)
        writer.WriteLine(line);
    // More than one buffer is out before Close; the rest follows with it.
    EXPECT_GE(ReadBytes().size(), 65536u);
    writer.Close();
    EXPECT_EQ(ReadBytes().size(), 100u * 1002u);
    EXPECT_EQ(ReadLines(), TLines(100, line));
}

TEST_F(TextFilesTest, FailuresRaiseTheSystemsError)
{
    try {
        TTextReader reader(FDirectory + "\\missing.txt");
        FAIL() << "a missing file was opened";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(error.Message().rfind("Cannot open '" + FDirectory + "\\missing.txt': ", 0), 0u) << error.Message();
        EXPECT_NE(error.Message().find("(error 2)"), std::string::npos) << error.Message();
    }
    try {
        TTextWriter writer(FDirectory + "\\no such directory\\out.txt");
        FAIL() << "a file was created in a missing directory";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
    }
    // Held open without sharing by someone else.
    WriteBytes("x");
    {
        const TKernelHandle held(
            CreateFileA(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_NE(ErrorMessageOf<EInOutError>([&] { TTextReader reader(File()); }), "");
        EXPECT_NE(ErrorMessageOf<EInOutError>([&] { TTextWriter writer(File()); }), "");
    }
}

TEST_F(TextFilesTest, ClosedFilesCannotBeUsedAndAreFreeAtOnce)
{
    WriteBytes("one\r\ntwo\r\n");
    TTextReader reader(File());
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    reader.Close();
    EXPECT_THROW(reader.ReadLine(line), EInOutError);
    {
        TTextWriter writer(FDirectory + "\\out.txt");
        writer.WriteLine("kept");
        writer.Close();
        EXPECT_THROW(writer.Close(), EInOutError);
    }
    // A writer that goes without Close drops what it had not written out, and leaves its file free.
    {
        TTextWriter writer(FDirectory + "\\out.txt");
        writer.WriteLine("dropped");
    }
    EXPECT_TRUE(DeleteFileA((FDirectory + "\\out.txt").c_str()));
    EXPECT_TRUE(DeleteFileA(File().c_str()));
}
