// What the tests of text beyond ASCII share. This executable runs with UTF-8 as its ANSI code page (its
// manifest asks for it), so every string the library takes and gives here is UTF-8. The texts are
// spelled as u8 literals, which every compiler reads as UTF-8 whatever its own code page.
#pragma once

#include "tests/support/HostFiles.h"

#include <string>
#include <vector>

std::string Utf8(const char8_t* text);

// "caf\u00E9-\u65E5\u672C" and "\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC": Latin with an
// accent and Japanese, and Greek.
const std::string& CafeNihon();
const std::string& Greek();

// A fresh folder named CafeNihon() inside a folder of its own under the system's temporary folder (in
// the build tree under Wine), removed with everything in it.
class TTextFolder {
public:
    TTextFolder();
    ~TTextFolder();
    TTextFolder(const TTextFolder&) = delete;
    TTextFolder& operator=(const TTextFolder&) = delete;

    // Without a closing backslash.
    const std::string& Path() const noexcept { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + "\\" + name; }
    // Creates the directory inside the folder; returns its full name.
    std::string Directory(const std::string& name) const;
    // Writes bytes into the file name inside the folder; returns its full name.
    std::string File(const std::string& name, const std::string& bytes = "") const;

private:
    std::string FBase;
    std::string FPath;
};

std::string ReadBytes(const std::string& fileName);
// The names of a directory's entries as the system lists them, "." and ".." left out.
std::vector<std::string> EntryNames(const std::string& directory);
