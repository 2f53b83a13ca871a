// A settings program installation of a test's own: a temporary install folder whose main folder holds the default
// artwork under the names the program looks for (btmm, btmb, btmi), the artwork's further skins under skin\ and
// whatever language and skin folders the test adds. No Word start-up template, so that a first run's silent install
// changes nothing on the machine. Removed with the record.
#pragma once

#include "testFiles.h"

#include <string>

namespace testing_support {

class OptionsInstallation {
public:
    OptionsInstallation();
    // The install path as the suite's "path" value names it, and its main folder (with a trailing backslash).
    std::wstring path() const;
    std::wstring mainFolder() const;
    // A language folder with language.txt holding `bytes` (written as they are).
    void addLanguage(const std::string& folder, const std::string& bytes) const;
    // A skin folder with only skin.txt (the bitmaps fall back to the default ones).
    void addSkin(const std::string& folder, const std::string& bytes) const;
    // The shipped languages of the build (the program's install\main\language folder) copied in.
    void addShippedLanguages() const;

private:
    TempFolder folder_;
};

// A language.txt in the program's layout: "D001:" + name, "D002:" + format, then the given lines as they are.
std::string languageFile(const std::string& name, const std::string& format = "2026", const std::string& more = "");

} // namespace testing_support
