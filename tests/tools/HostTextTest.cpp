// qel runs with UTF-8 as its code page: a description holding names and texts beyond ASCII runs as
// written, and the log file, file collector and form saver it holds work in a folder named beyond ASCII,
// whose files carry the right UTF-8 names on the Linux side. This test program itself runs in the
// system's code page (1252), where such names do not fit: it looks through the wide calls.
#include "tests/support/HostFiles.h"
#include "tests/tools/HostProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace HostProcess;

namespace {

std::string Utf8(const char8_t* text)
{
    return reinterpret_cast<const char*>(text);
}

// The UTF-8 bytes of UTF-16 text.
std::string Utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
}

// A folder named "caf\u00E9-\u65E5\u672C" inside a fresh one under the temporary folder, removed with
// what it holds.
class TWideFolder {
public:
    TWideFolder()
    {
        wchar_t temporary[MAX_PATH];
        (void)GetTempPathW(MAX_PATH, temporary);
        FBase = std::wstring(temporary) + L"qelhosttext" + std::to_wstring(GetCurrentProcessId());
        FPath = FBase + L"\\caf\x00E9-\x65E5\x672C";
        (void)CreateDirectoryW(FBase.c_str(), nullptr);
        (void)CreateDirectoryW(FPath.c_str(), nullptr);
    }
    ~TWideFolder()
    {
        const std::wstring list = FBase + std::wstring(2, L'\0');
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = list.c_str();
        operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        (void)SHFileOperationW(&operation);
    }
    TWideFolder(const TWideFolder&) = delete;
    TWideFolder& operator=(const TWideFolder&) = delete;

    const std::wstring& Path() const noexcept { return FPath; }
    void File(const std::wstring& name) const
    {
        const HANDLE file = CreateFileW((FPath + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        (void)CloseHandle(file);
    }

private:
    std::wstring FBase;
    std::wstring FPath;
};

} // namespace

TEST(HostText, ALogFileACollectorAndAFormSaverWorkInAFolderNamedBeyondAscii)
{
    TWideFolder folder;
    folder.File(L"b.txt");
    folder.File(L"caf\x00E9.txt");
    folder.File(L"\x0395\x03BB\x03BB\x03B7\x03BD\x03B9\x03BA\x03AC.txt");
    const std::string dir = Utf8(folder.Path());
    const std::string greek = Utf8(u8"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC");
    const std::string nihon = Utf8(u8"\u65E5\u672C");
    TDescriptionFile form("object Main: TTextForm\n"
                          "  Caption = '" + Utf8(u8"caf\u00E9-\u65E5\u672C") + "'\n"
                          "  object Log: TQELLogFile\n"
                          "    LogFile = '" + dir + "\\" + greek + ".log'\n"
                          "    Header = '" + greek + "'\n"
                          "    LogHeader = True\n"
                          "  end\n"
                          "  object Collector: TQELFileCollector\n"
                          "    InitialDirectory = '" + dir + "'\n"
                          "    FileMask = '*.txt'\n"
                          "    OnFileFound = CollectorFileFound\n"
                          "  end\n"
                          "  object Saver: TQELFormSaver\n"
                          "    FormStore.Datatype = sIniFile\n"
                          "    FormStore.Inifile.Filename = '" + dir + "\\" + nihon + ".ini'\n"
                          "    FormStore.Inifile.Section = '" + greek + "'\n"
                          "    StoreControls = False\n"
                          "  end\n"
                          "end\n");
    std::wstring caption;
    const TRunResult result =
        RunHost("run \"" + form.Path() + "\" --seconds 1 --execute Collector --log Log hello", [&](HANDLE process) {
            if (HWND window = WaitForWindow("TTextForm", process)) {
                wchar_t text[64] = {};
                (void)GetWindowTextW(window, text, 64);
                caption = text;
            }
        });
    EXPECT_EQ(result.ExitCode, 0u) << result.Err;
    EXPECT_EQ(caption, L"caf\x00E9-\x65E5\x672C");
    const TLines lines = SplitLines(result.Out);
    EXPECT_EQ(TLines(lines.begin(), lines.begin() + std::min<std::size_t>(lines.size(), 4)),
              (TLines{"Collector.OnFileFound Sender=Collector Filename='" + dir + "\\b.txt'",
                      "Collector.OnFileFound Sender=Collector Filename='" + dir + "\\" + Utf8(u8"caf\u00E9.txt") + "'",
                      "Collector.OnFileFound Sender=Collector Filename='" + dir + "\\" + greek + ".txt'",
                      "Collector.Execute Result=True"}))
        << result.Out;

    EXPECT_EQ(FileBytes(folder.Path() + L"\\\x0395\x03BB\x03BB\x03B7\x03BD\x03B9\x03BA\x03AC.log"),
              greek + "\r\nhello\r\n");
    const std::string ini = FileBytes(folder.Path() + L"\\\x65E5\x672C.ini");
    EXPECT_EQ(ini.substr(0, ini.find('\n') + 1), "[" + greek + "]\r\n") << ini;
    EXPECT_NE(ini.find("\nTTextForm_Width="), std::string::npos) << ini;

    const std::string host = HostPath(folder.Path());
    EXPECT_TRUE(host.empty() || host.ends_with("/" + Utf8(u8"caf\u00E9-\u65E5\u672C"))) << host;
    EXPECT_TRUE(HostEntryExists(host, greek + ".log"));
    EXPECT_TRUE(HostEntryExists(host, nihon + ".ini"));
    EXPECT_TRUE(HostEntryExists(host, Utf8(u8"caf\u00E9.txt")));
}
