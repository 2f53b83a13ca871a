// A test installation of the settings program; see optionsInstallation.h.
#include "optionsInstallation.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace testing_support {
namespace {
fs::path wineUnixPath(const char* unixPath) {
    return fs::path(std::string("Z:") + unixPath).make_preferred();
}
} // namespace

OptionsInstallation::OptionsInstallation() {
    const fs::path artwork = wineUnixPath(VELTRIM_ARTWORK_DIR) / "settingsProgram";
    const fs::path main = folder_.path() / "main";
    fs::create_directories(main / "language");
    std::error_code error;
    fs::copy_file(artwork / "background.bmp", main / "btmm", error);
    EXPECT_FALSE(error) << error.message();
    fs::copy_file(artwork / "buttons.bmp", main / "btmb", error);
    EXPECT_FALSE(error) << error.message();
    fs::copy_file(artwork / "window.ico", main / "btmi", error);
    EXPECT_FALSE(error) << error.message();
    fs::copy(artwork / "skins", main / "skin", fs::copy_options::recursive, error);
    EXPECT_FALSE(error) << error.message();
}

std::wstring OptionsInstallation::path() const {
    return folder_.path().wstring();
}

std::wstring OptionsInstallation::mainFolder() const {
    return (folder_.path() / "main").wstring() + L"\\";
}

void OptionsInstallation::addLanguage(const std::string& folder, const std::string& bytes) const {
    const fs::path target = folder_.path() / "main" / "language" / folder;
    fs::create_directories(target);
    writeFileBytes(target / "language.txt", bytes);
}

void OptionsInstallation::addSkin(const std::string& folder, const std::string& bytes) const {
    const fs::path target = folder_.path() / "main" / "skin" / folder;
    fs::create_directories(target);
    writeFileBytes(target / "skin.txt", bytes);
}

void OptionsInstallation::addShippedLanguages() const {
#ifdef VELTRIM_OPTIONS_MAIN
    std::error_code error;
    fs::copy(wineUnixPath(VELTRIM_OPTIONS_MAIN) / "language", folder_.path() / "main" / "language",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << error.message();
#endif
}

std::string languageFile(const std::string& name, const std::string& format, const std::string& more) {
    return "D001:" + name + "\r\nD002:" + format + "\r\n" + more;
}

} // namespace testing_support
