// The Word start-up template installer under Wine, against fixtures of its own: Word version keys under HKCU
// "SOFTWARE\Microsoft\Office\<version>\Word\Options" with STARTUP-PATH values, application-data and common
// application-data folders in a test folder (and once the prefix's own), other users' lines in the shared list,
// templates and lists held open by another handle without delete or write sharing, a held lock, a missing template.
#include "wordTemplateInstaller.h"
#include "messageBox.h"
#include "messageBoxRecorder.h"
#include "sharedStartupList.h"
#include "startupTargets.h"
#include "suiteRegistry.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace testing_support;

constexpr wchar_t kOfficePath[] = L"SOFTWARE\\Microsoft\\Office";
constexpr wchar_t kNone[] = L"<none>";

fs::path generatedTemplate() {
    return fs::path("Z:" VELTRIM_WORD_TEMPLATE).make_preferred();
}

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), int(text.size()), &out[0], units);
    return out;
}

ScopedRegKey openUser(const std::wstring& path, REGSAM access) {
    ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
        key.close();
    return key;
}

// Word version keys under HKCU Office, made by the test and all removed again (the prefix is the tests' own, so the
// whole Office key goes).
class OfficeVersions {
public:
    OfficeVersions() { clear(); }
    ~OfficeVersions() { clear(); }
    OfficeVersions(const OfficeVersions&) = delete;
    OfficeVersions& operator=(const OfficeVersions&) = delete;

    static std::wstring optionsPath(const std::wstring& version) {
        return std::wstring(kOfficePath) + L"\\" + version + L"\\Word\\Options";
    }
    // A version with an Options key; without a value when `startupPath` is null.
    void add(const std::wstring& version, const wchar_t* startupPath, DWORD type = REG_SZ) {
        ScopedRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, optionsPath(version).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        if (startupPath != nullptr) {
            ASSERT_EQ(RegSetValueExW(key.get(), L"STARTUP-PATH", 0, type, reinterpret_cast<const BYTE*>(startupPath),
                                     DWORD((wcslen(startupPath) + 1) * sizeof(wchar_t))),
                      ERROR_SUCCESS);
        }
    }
    // A version whose STARTUP-PATH is a REG_SZ of exactly `units` units: the path zero-padded to that size, as some
    // installers write it, or with as many units as the path has and so without a terminator, as many programs write
    // it. The data comes from a buffer whose next unit is not zero, since the registry adds a terminator itself when
    // one follows the data.
    void addStored(const std::wstring& version, const std::wstring& startupPath, size_t units) {
        ScopedRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, optionsPath(version).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        std::wstring stored = startupPath;
        stored.resize(units, L'\0');
        stored += L"ZZ";
        ASSERT_EQ(RegSetValueExW(key.get(), L"STARTUP-PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.data()),
                                 DWORD(units * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    // An Office key of another program, without Word options.
    void addOther(const std::wstring& name) {
        ScopedRegKey key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kOfficePath) + L"\\" + name).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void remove(const std::wstring& version) {
        RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kOfficePath) + L"\\" + version).c_str());
    }
    std::wstring startupPath(const std::wstring& version) const {
        ScopedRegKey key = openUser(optionsPath(version), KEY_READ);
        wchar_t buffer[1024] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        if (!key.isOpen() || RegQueryValueExW(key.get(), L"STARTUP-PATH", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            return kNone;
        return buffer;
    }
    // "DoNotConfirmConverterSecurity", or -1 when it is missing.
    int64_t doNotConfirm(const std::wstring& version) const {
        ScopedRegKey key = openUser(optionsPath(version), KEY_READ);
        DWORD value = 0;
        DWORD size = sizeof value;
        if (!key.isOpen() || RegQueryValueExW(key.get(), L"DoNotConfirmConverterSecurity", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
            return -1;
        return value;
    }
    // The version names in the order the registry enumerates them.
    std::vector<std::wstring> enumerated() const {
        std::vector<std::wstring> names;
        ScopedRegKey office = openUser(kOfficePath, KEY_READ);
        for (DWORD index = 0; office.isOpen(); ++index) {
            wchar_t name[256];
            DWORD units = 256;
            if (RegEnumKeyExW(office.get(), index, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(name, units);
        }
        return names;
    }

private:
    static void clear() { RegDeleteTreeW(HKEY_CURRENT_USER, kOfficePath); }
};

// One installer setting: the suite installed in a test folder with the generated template, the user's application
// data and the machine's common application data in test folders, no Word versions yet.
class Scene {
public:
    Scene() {
        suite_ = root_.path() / "suite";
        fs::create_directories(suite_ / "main");
        fs::copy_file(generatedTemplate(), suite_ / "main" / "Veltrim.dotm");
        templateBytes_ = readFileBytes(suite_ / "main" / "Veltrim.dotm");
        EXPECT_FALSE(templateBytes_.empty());
        registry_.install(suite_.wstring());
        fs::create_directories(root_.path() / "appdata");
        fs::create_directories(root_.path() / "common");
        environment_.appDataFolder = (root_.path() / "appdata").wstring();
        environment_.commonAppDataFolder = (root_.path() / "common").wstring();
        environment_.sharedListLockTimeoutMs = 5000;
        SetEnvironmentVariableW(L"VELTRIM_TEST_ROOT", root_.path().wstring().c_str());
    }
    ~Scene() { SetEnvironmentVariableW(L"VELTRIM_TEST_ROOT", nullptr); }

    WordTemplateResult run(bool install) { return installWordTemplate(install, environment_, outcome_); }

    // A folder under the scene's root, made unless told otherwise; its path as the installer records it.
    std::wstring folder(const std::wstring& name, bool make = true) const {
        const fs::path path = root_.path() / name;
        if (make)
            fs::create_directories(path);
        return path.wstring();
    }
    std::wstring ownFolder() const { return (root_.path() / "appdata" / "Microsoft" / "Word" / "STARTUP").wstring(); }
    fs::path listPath() const { return root_.path() / "common" / "Veltrim" / "wordstartup"; }
    fs::path templateSource() const { return suite_ / "main" / "Veltrim.dotm"; }
    // Replaces "{root}" and "{own}" in a fixture text.
    std::wstring resolve(std::wstring text) const {
        for (const auto& [mark, value] :
             {std::pair<std::wstring, std::wstring>{L"{root}", root_.path().wstring()}, {L"{own}", ownFolder()}}) {
            for (size_t at; (at = text.find(mark)) != std::wstring::npos;)
                text.replace(at, mark.size(), value);
        }
        return text;
    }

    bool holdsTemplate(const std::wstring& folder) const {
        return fs::exists(fs::path(folder) / "Veltrim.dotm") &&
               readFileBytes(fs::path(folder) / "Veltrim.dotm") == templateBytes_;
    }
    bool holdsAnyTemplate(const std::wstring& folder) const {
        return fs::exists(fs::path(folder) / "Veltrim.dotm") || fs::exists(fs::path(folder) / "Veltrim.dot");
    }

    // The ten per-user values; "<none>" for a missing one.
    std::vector<std::wstring> record() const {
        std::vector<std::wstring> values;
        ScopedRegKey key;
        RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim\\main", 0, KEY_READ | KEY_WOW64_32KEY, key.put());
        for (int n = 0; n < 10; ++n) {
            wchar_t buffer[1024] = {};
            DWORD size = sizeof buffer - sizeof(wchar_t);
            const std::wstring name = L"wordStartup" + std::to_wstring(n);
            if (!key.isOpen() || RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
                values.emplace_back(kNone);
            else
                values.emplace_back(buffer);
        }
        return values;
    }
    // The record the installer should leave: these folders in slots 0.., the rest empty.
    static std::vector<std::wstring> recordOf(std::vector<std::wstring> folders) {
        folders.resize(10);
        return folders;
    }

    // The shared list's lines, checked for the file's form: a UTF-8 byte-order mark and CR LF after every line.
    std::vector<std::wstring> list() const {
        const std::string bytes = readFileBytes(listPath());
        std::vector<std::wstring> lines;
        if (bytes.empty()) {
            ADD_FAILURE() << "the shared list is missing or has no byte-order mark";
            return lines;
        }
        EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no UTF-8 byte-order mark";
        size_t pos = 3;
        while (pos < bytes.size()) {
            const size_t end = bytes.find("\r\n", pos);
            if (end == std::string::npos) {
                ADD_FAILURE() << "a line without CR LF";
                break;
            }
            EXPECT_EQ(bytes.substr(pos, end - pos).find('\n'), std::string::npos) << "a bare LF";
            lines.push_back(wide(bytes.substr(pos, end - pos)));
            pos = end + 2;
        }
        return lines;
    }
    void writeList(const std::vector<std::wstring>& lines) const {
        std::string bytes = "\xEF\xBB\xBF";
        for (const std::wstring& line : lines)
            bytes += utf8(line) + "\r\n";
        fs::create_directories(listPath().parent_path());
        writeFileBytes(listPath(), bytes);
    }
    void writeListBytes(const std::string& bytes) const {
        fs::create_directories(listPath().parent_path());
        writeFileBytes(listPath(), bytes);
    }
    std::string listBytes() const { return readFileBytes(listPath()); }

    SuiteRegistry registry_;
    OfficeVersions office_;
    TempFolder root_;
    fs::path suite_;
    std::string templateBytes_;
    WordTemplateEnvironment environment_;
    WordTemplateOutcome outcome_;
};

std::vector<std::wstring> joined(std::vector<std::wstring> first, const std::vector<std::wstring>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A file opened by the test as another program would hold it: `share` decides what others may do meanwhile.
ScopedHandle holdFile(const fs::path& path, DWORD access, DWORD share) {
    ScopedHandle file(CreateFileW(path.wstring().c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(file.isValid()) << path;
    return file;
}

TEST(WordTemplateInstaller, InstallTargets) {
    struct Version {
        const wchar_t* name;
        const wchar_t* startupPath; // null: no value; "{root}" and "{own}" are replaced
        DWORD type;
        bool keptAfter; // STARTUP-PATH still there after the run
    };
    const struct {
        const char* what;
        std::vector<const wchar_t*> folders; // made under the root before the run
        std::vector<Version> versions;
        std::vector<const wchar_t*> targets; // after the user's own folder, in slot order
    } cases[] = {
        {"two versions, one folder with and without the trailing backslash",
         {L"s1"},
         {{L"15.0", L"{root}\\s1\\", REG_SZ, true}, {L"16.0", L"{root}\\s1", REG_SZ, true}},
         {L"{root}\\s1"}},
        {"two versions, two folders",
         {L"s1", L"s2"},
         {{L"15.0", L"{root}\\s1", REG_SZ, true}, {L"16.0", L"{root}\\s2\\", REG_SZ, true}},
         {L"{root}\\s1", L"{root}\\s2"}},
        {"a missing folder loses the setting", {}, {{L"16.0", L"{root}\\gone", REG_SZ, false}}, {}},
        {"a sibling STARTUP_old does not make STARTUP present",
         {L"STARTUP_old"},
         {{L"16.0", L"{root}\\STARTUP", REG_SZ, false}},
         {}},
        {"a drive that is not there keeps the setting", {}, {{L"16.0", L"Q:\\Word\\STARTUP", REG_SZ, true}}, {}},
        {"an unreachable network share keeps the setting",
         {},
         {{L"16.0", L"\\\\veltrim-no-such-server\\share\\STARTUP", REG_SZ, true}},
         {}},
        {"an expandable path is expanded",
         {L"s2"},
         {{L"16.0", L"%VELTRIM_TEST_ROOT%\\s2", REG_EXPAND_SZ, true}},
         {L"{root}\\s2"}},
        {"an unexpandable path keeps the setting",
         {},
         {{L"16.0", L"%VELTRIM_TEST_UNSET%\\s2", REG_EXPAND_SZ, true}},
         {}},
        {"a relative path keeps the setting", {}, {{L"16.0", L"Word\\STARTUP", REG_SZ, true}}, {}},
        {"a file of that name keeps the setting",
         {},
         {{L"16.0", L"{root}\\suite\\main\\Veltrim.dotm", REG_SZ, true}},
         {}},
        {"the user's own folder is not taken twice", {}, {{L"16.0", L"{own}", REG_SZ, true}}, {}},
        {"no STARTUP-PATH", {}, {{L"16.0", nullptr, REG_SZ, false}}, {}},
        {"an empty STARTUP-PATH", {}, {{L"16.0", L"", REG_SZ, true}}, {}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        for (const wchar_t* folder : cases[row].folders)
            scene.folder(folder);
        for (const Version& version : cases[row].versions) {
            const std::wstring path = version.startupPath ? scene.resolve(version.startupPath) : std::wstring();
            scene.office_.add(version.name, version.startupPath ? path.c_str() : nullptr, version.type);
        }
        scene.office_.addOther(L"Common"); // another Office program's key: no Word options are made for it
        ASSERT_EQ(scene.run(true), WordTemplateResult::Ok) << "row " << row;

        std::vector<std::wstring> targets = {scene.ownFolder()};
        for (const wchar_t* target : cases[row].targets)
            targets.push_back(scene.resolve(target));
        EXPECT_EQ(scene.record(), Scene::recordOf(targets)) << "row " << row;
        EXPECT_EQ(scene.list(), targets) << "row " << row;
        for (const std::wstring& target : targets)
            EXPECT_TRUE(scene.holdsTemplate(target)) << "row " << row << " " << fs::path(target);
        for (const Version& version : cases[row].versions) {
            EXPECT_EQ(scene.office_.doNotConfirm(version.name), 1) << "row " << row;
            const std::wstring before = version.startupPath ? scene.resolve(version.startupPath) : kNone;
            EXPECT_EQ(scene.office_.startupPath(version.name), version.keptAfter ? before : kNone) << "row " << row;
        }
        EXPECT_FALSE(openUser(OfficeVersions::optionsPath(L"Common"), KEY_READ).isOpen()) << "row " << row;
    }
}

TEST(WordTemplateInstaller, StartupPathPaddedWithZeros) {
    // The folder is the text before the first zero, or the whole value when it has no terminator: the template lands
    // there, Word keeps its setting, every Enable lists the folder once, and a Disable takes it out cleanly.
    const struct {
        const char* what;
        size_t units; // the path zero-padded to this many units; 0: the path's own units, no terminator
    } cases[] = {
        {"padded with zeros to 260 units", 260},
        {"stored without its terminator", 0},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        const std::wstring s1 = scene.folder(L"s1");
        scene.office_.addStored(L"16.0", s1, cases[row].units != 0 ? cases[row].units : s1.size());
        const std::vector<std::wstring> mine = {scene.ownFolder(), s1};
        for (int run = 0; run < 3; ++run) {
            ASSERT_EQ(scene.run(true), WordTemplateResult::Ok) << "row " << row << " run " << run;
            EXPECT_TRUE(scene.outcome_.copyFailed.empty()) << "row " << row << " run " << run;
            EXPECT_TRUE(scene.holdsTemplate(s1)) << "row " << row << " run " << run;
            EXPECT_EQ(scene.record(), Scene::recordOf(mine)) << "row " << row << " run " << run;
            EXPECT_EQ(scene.list(), mine) << "row " << row << " run " << run;
        }
        EXPECT_EQ(scene.office_.startupPath(L"16.0"), s1) << "row " << row << ": the setting is kept";
        ASSERT_EQ(scene.run(false), WordTemplateResult::Ok) << "row " << row;
        EXPECT_TRUE(scene.outcome_.removalFailed.empty()) << "row " << row;
        EXPECT_FALSE(scene.holdsAnyTemplate(s1)) << "row " << row;
        EXPECT_EQ(scene.record(), Scene::recordOf({})) << "row " << row;
        EXPECT_EQ(scene.list(), std::vector<std::wstring>()) << "row " << row;
    }
}

TEST(WordTemplateInstaller, NineAndMoreVersions) {
    Scene scene;
    std::vector<std::wstring> versions;
    for (int n = 1; n <= 12; ++n) {
        wchar_t name[8];
        swprintf(name, 8, L"%d.0", n + 8); // 9.0 .. 20.0
        versions.push_back(name);
        scene.office_.add(name, scene.folder(L"s" + std::to_wstring(n + 8)).c_str());
    }
    ASSERT_EQ(scene.run(true), WordTemplateResult::Ok);
    const std::vector<std::wstring> order = scene.office_.enumerated();
    ASSERT_EQ(order.size(), 12u);
    std::vector<std::wstring> targets = {scene.ownFolder()};
    for (size_t n = 0; n < 9; ++n)
        targets.push_back(scene.office_.startupPath(order[n]));
    EXPECT_EQ(scene.record(), targets);
    EXPECT_EQ(scene.list(), targets);
    for (size_t n = 0; n < order.size(); ++n) {
        const std::wstring folder = scene.office_.startupPath(order[n]);
        EXPECT_EQ(scene.holdsTemplate(folder), n < 9) << fs::path(folder);
        EXPECT_EQ(scene.office_.doNotConfirm(order[n]), 1) << "every version is told, also past the ninth";
    }
}

TEST(WordTemplateInstaller, NoApplicationDataFolder) {
    Scene scene;
    scene.environment_.appDataFolder = L"";
    const std::wstring s1 = scene.folder(L"s1");
    const std::wstring s2 = scene.folder(L"s2");
    scene.office_.add(L"15.0", s1.c_str());
    scene.office_.add(L"16.0", s2.c_str());
    scene.writeList({L"D:\\other\\STARTUP"});
    for (int run = 0; run < 3; ++run) {
        // Slot 0 stays empty; the folders behind it count as current at every run and are listed once.
        ASSERT_EQ(scene.run(true), WordTemplateResult::Ok) << "run " << run;
        EXPECT_EQ(scene.record(), Scene::recordOf({L"", s1, s2})) << "run " << run;
        EXPECT_EQ(scene.list(), (std::vector<std::wstring>{s1, s2, L"D:\\other\\STARTUP"})) << "run " << run;
        EXPECT_TRUE(scene.holdsTemplate(s1) && scene.holdsTemplate(s2)) << "run " << run;
    }
    // A removal finds the folders behind the empty value 0.
    ASSERT_EQ(scene.run(false), WordTemplateResult::Ok);
    EXPECT_EQ(scene.record(), Scene::recordOf({}));
    EXPECT_FALSE(scene.holdsAnyTemplate(s1) || scene.holdsAnyTemplate(s2));
    EXPECT_EQ(scene.list(), (std::vector<std::wstring>{L"D:\\other\\STARTUP"}));
}

TEST(WordTemplateInstaller, Removal) {
    const std::vector<std::wstring> others = {L"D:\\other\\STARTUP", L"E:\\x", L"\\\\server\\share\\Word"};
    const struct {
        const char* what;
        std::vector<const wchar_t*> held; // folders whose template another program holds ("own", "s1", "s2")
    } cases[] = {
        {"Word closed", {}},
        {"one template held", {L"s1"}},
        {"two templates held", {L"own", L"s2"}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        const std::wstring s1 = scene.folder(L"s1");
        const std::wstring s2 = scene.folder(L"s2");
        scene.office_.add(L"15.0", s1.c_str());
        scene.office_.add(L"16.0", s2.c_str());
        scene.writeList(others);
        ASSERT_EQ(scene.run(true), WordTemplateResult::Ok);
        const std::vector<std::wstring> mine = {scene.ownFolder(), s1, s2};
        ASSERT_EQ(scene.list(), joined(mine, others));
        writeFileBytes(fs::path(s1) / "Veltrim.dot", "an older template");

        // A held template is changed first, so that any copy over it would show.
        std::vector<std::wstring> heldFolders;
        std::vector<ScopedHandle> holds;
        for (const wchar_t* name : cases[row].held) {
            const std::wstring folder = std::wstring(name) == L"own" ? scene.ownFolder() : scene.folder(name);
            writeFileBytes(fs::path(folder) / "Veltrim.dotm", "held by Word");
            holds.push_back(holdFile(fs::path(folder) / "Veltrim.dotm", GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE)); // no delete sharing
            heldFolders.push_back(folder);
        }
        const WordTemplateResult result = scene.run(false);
        EXPECT_EQ(result, heldFolders.empty() ? WordTemplateResult::Ok : WordTemplateResult::RemovalIncomplete);
        EXPECT_EQ(scene.outcome_.removalFailed, heldFolders);
        EXPECT_TRUE(scene.outcome_.copyFailed.empty()) << "a removal never copies";
        EXPECT_EQ(scene.record(), Scene::recordOf(heldFolders));
        EXPECT_EQ(scene.list(), joined(heldFolders, others));
        for (const std::wstring& folder : mine) {
            const bool held = std::find(heldFolders.begin(), heldFolders.end(), folder) != heldFolders.end();
            if (held)
                EXPECT_EQ(readFileBytes(fs::path(folder) / "Veltrim.dotm"), "held by Word") << fs::path(folder);
            else
                EXPECT_FALSE(scene.holdsAnyTemplate(folder)) << fs::path(folder);
        }
        EXPECT_FALSE(fs::exists(fs::path(s1) / "Veltrim.dot"));

        // Once Word lets go, the next removal finishes the job.
        holds.clear();
        EXPECT_EQ(scene.run(false), WordTemplateResult::Ok);
        EXPECT_EQ(scene.record(), Scene::recordOf({}));
        EXPECT_EQ(scene.list(), others);
        for (const std::wstring& folder : mine)
            EXPECT_FALSE(scene.holdsAnyTemplate(folder)) << fs::path(folder);
    }
}

TEST(WordTemplateInstaller, RecordedFolderThatIsGone) {
    // The folder of a recorded template was deleted meanwhile: it counts as removed and leaves both records.
    Scene scene;
    const std::wstring s1 = scene.folder(L"s1");
    scene.office_.add(L"16.0", s1.c_str());
    ASSERT_EQ(scene.run(true), WordTemplateResult::Ok);
    fs::remove_all(s1);
    ASSERT_EQ(scene.run(false), WordTemplateResult::Ok);
    EXPECT_EQ(scene.record(), Scene::recordOf({}));
    EXPECT_EQ(scene.list(), std::vector<std::wstring>());
}

TEST(WordTemplateInstaller, StaleFolderHeldDuringInstall) {
    // A Word version went away while Word still holds the template in its folder: the folder stays recorded and
    // listed, but the install puts no template there.
    Scene scene;
    const std::wstring s1 = scene.folder(L"s1");
    const std::wstring s2 = scene.folder(L"s2");
    scene.office_.add(L"15.0", s1.c_str());
    scene.office_.add(L"16.0", s2.c_str());
    ASSERT_EQ(scene.run(true), WordTemplateResult::Ok);
    scene.office_.remove(L"16.0");
    writeFileBytes(fs::path(s2) / "Veltrim.dotm", "held by Word");
    {
        ScopedHandle hold = holdFile(fs::path(s2) / "Veltrim.dotm", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        EXPECT_EQ(scene.run(true), WordTemplateResult::RemovalIncomplete);
        EXPECT_EQ(scene.outcome_.removalFailed, std::vector<std::wstring>{s2});
        EXPECT_TRUE(scene.outcome_.copyFailed.empty());
        EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder(), s1, s2}));
        EXPECT_EQ(scene.list(), (std::vector<std::wstring>{scene.ownFolder(), s1, s2}));
        EXPECT_EQ(readFileBytes(fs::path(s2) / "Veltrim.dotm"), "held by Word");
    }
    EXPECT_EQ(scene.run(true), WordTemplateResult::Ok);
    EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder(), s1}));
    EXPECT_FALSE(scene.holdsAnyTemplate(s2));
}

TEST(WordTemplateInstaller, SharedListOfSixtyLines) {
    Scene scene;
    std::vector<std::wstring> others;
    for (int n = 0; n < 60; ++n)
        others.push_back(L"D:\\Users\\u" + std::to_wstring(n) + L"\\STARTUP");
    others[7] = L"D:\\Users\\J\u00f6rg \u0416\\STARTUP"; // not ASCII
    others[30] = L"D:\\" + std::wstring(2000, L'x');     // longer than any fixed line buffer
    scene.writeList(others);
    ASSERT_EQ(scene.run(true), WordTemplateResult::Ok);
    EXPECT_EQ(scene.list(), joined({scene.ownFolder()}, others));
    ASSERT_EQ(scene.run(false), WordTemplateResult::Ok);
    EXPECT_EQ(scene.list(), others);
}

TEST(WordTemplateInstaller, SharedListHeldOpen) {
    const struct {
        const char* what;
        DWORD access;
        DWORD share;
        WordTemplateResult result;
    } cases[] = {
        {"held without sharing (the list cannot even be read)", GENERIC_READ | GENERIC_WRITE, 0,
         WordTemplateResult::SharedListNotUpdated},
        {"held for reading (the list cannot be rewritten)", GENERIC_READ, FILE_SHARE_READ,
         WordTemplateResult::SharedListNotUpdated},
        // The run reads the list through its own hold, which shares writing, so an editor that lets others read and
        // write it keeps neither the read nor the rewrite from happening.
        {"held for writing, sharing reading and writing", GENERIC_READ | GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE, WordTemplateResult::Ok},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        scene.writeList({L"D:\\other\\STARTUP", L"E:\\x"});
        const std::string before = scene.listBytes();
        {
            ScopedHandle hold = holdFile(scene.listPath(), cases[row].access, cases[row].share);
            EXPECT_EQ(scene.run(true), cases[row].result) << "row " << row;
        }
        if (cases[row].result == WordTemplateResult::Ok) {
            EXPECT_EQ(scene.list(), (std::vector<std::wstring>{scene.ownFolder(), L"D:\\other\\STARTUP", L"E:\\x"}))
                << "row " << row;
            continue;
        }
        EXPECT_EQ(scene.listBytes(), before) << "row " << row << ": other users' lines are kept";
        EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder()})) << "row " << row;
        EXPECT_TRUE(scene.holdsTemplate(scene.ownFolder())) << "row " << row;
        const std::wstring text = wordTemplateResultText(scene.outcome_, WordTemplateTexts());
        EXPECT_NE(text.find(scene.listPath().wstring()), std::wstring::npos) << "row " << row;
        // Once it is free again, the next run lists this user's folder too.
        EXPECT_EQ(scene.run(true), WordTemplateResult::Ok) << "row " << row;
        EXPECT_EQ(scene.list(), (std::vector<std::wstring>{scene.ownFolder(), L"D:\\other\\STARTUP", L"E:\\x"}));
    }
}

TEST(WordTemplateInstaller, SharedListHeldAgainstRenameAndDelete) {
    // While a run uses the list, another handle can neither rename nor delete the list or its folder (and so cannot
    // put a link in their place); once the run lets go, it can.
    const struct {
        const char* what;
        bool listThere; // else the read creates it
    } cases[] = {
        {"a list that is there", true},
        {"a list the read creates", false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        const fs::path folder = scene.listPath().parent_path();
        fs::create_directories(folder);
        if (cases[row].listThere)
            scene.writeList({L"D:\\other\\STARTUP"});
        const std::string before = cases[row].listThere ? scene.listBytes() : std::string();
        const std::wstring list = scene.listPath().wstring();
        const std::wstring movedList = (folder / "moved").wstring();
        const std::wstring movedFolder = scene.folder(L"movedFolder", false);
        {
            const SharedListContent content = readSharedList(list);
            ASSERT_TRUE(content.rewritable) << "row " << row;
            EXPECT_EQ(content.lines, cases[row].listThere ? std::vector<std::wstring>{L"D:\\other\\STARTUP"}
                                                          : std::vector<std::wstring>())
                << "row " << row;
            const struct {
                const char* what;
                std::function<BOOL()> attempt;
            } attempts[] = {
                {"rename the list", [&] { return MoveFileW(list.c_str(), movedList.c_str()); }},
                {"delete the list", [&] { return DeleteFileW(list.c_str()); }},
                {"rename the folder", [&] { return MoveFileW(folder.wstring().c_str(), movedFolder.c_str()); }},
                {"delete the folder", [&] { return RemoveDirectoryW(folder.wstring().c_str()); }},
            };
            for (const auto& attempt : attempts) {
                EXPECT_FALSE(attempt.attempt()) << "row " << row << ": " << attempt.what;
                EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION)) << "row " << row << ": " << attempt.what;
            }
            EXPECT_EQ(scene.listBytes(), before) << "row " << row << ": the list is where it was, unchanged";
        }
        EXPECT_TRUE(MoveFileW(list.c_str(), movedList.c_str())) << "row " << row << ": released";
        EXPECT_TRUE(MoveFileW(folder.wstring().c_str(), movedFolder.c_str())) << "row " << row << ": released";
    }
}

TEST(WordTemplateInstaller, SharedListContents) {
    const std::string bom = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        std::string bytes;
        bool rewritten;
        std::vector<std::wstring> others; // the lines kept behind this user's folder, when rewritten
    } cases[] = {
        {"empty file", "", true, {}},
        {"only a byte-order mark", bom, true, {}},
        {"LF lines, no final line end, no mark", "C:\\a\nC:\\b", true, {L"C:\\a", L"C:\\b"}},
        {"empty lines are dropped", bom + "C:\\a\r\n\r\n\r\nC:\\b\r\n", true, {L"C:\\a", L"C:\\b"}},
        {"UTF-16 with its mark",
         std::string("\xFF\xFE"
                     "C\0:\0\\\0a\0\r\0\n\0",
                     14),
         true,
         {L"C:\\a"}},
        {"an undecodable byte", bom + "C:\\a\r\nC:\\\xFF\r\n", false, {}},
        {"a NUL in the middle", bom + std::string("C:\\a\r\n\0C:\\b\r\n", 12), false, {}},
        {"a line longer than any path", bom + std::string(40000, 'x') + "\r\nC:\\b\r\n", false, {}},
        {"a line as long as the longest path",
         bom + "D:\\" + std::string(32764, 'x') + "\r\n",
         true,
         {L"D:\\" + std::wstring(32764, L'x')}},
        {"a last line one unit longer, without line end", bom + "D:\\" + std::string(32765, 'x'), false, {}},
        // A NUL ends a line for the reader wherever it stands: a rewrite would split or shorten that line.
        {"a NUL inside a line", bom + "D:\\u1\\ST\0ARTUP\r\nC:\\b\r\n"s, false, {}},
        {"a NUL after a carriage return", bom + "C:\\a\r\0C:\\b\r\n"s, false, {}},
        {"a NUL at the end of the last line", bom + "C:\\a\r\nC:\\b\0"s, false, {}},
        {"a NUL after the last line end", bom + "C:\\a\r\n\0"s, false, {}},
        {"UTF-16 with an unpaired surrogate",
         "\xFF\xFE"
         "C\0:\0\x3D\xD8"
         "a\0\r\0\n\0"s,
         false,
         {}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        scene.writeListBytes(cases[row].bytes);
        const WordTemplateResult result = scene.run(true);
        EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder()})) << "row " << row;
        if (cases[row].rewritten) {
            EXPECT_EQ(result, WordTemplateResult::Ok) << "row " << row;
            EXPECT_EQ(scene.list(), joined({scene.ownFolder()}, cases[row].others)) << "row " << row;
        } else {
            EXPECT_EQ(result, WordTemplateResult::SharedListNotUpdated) << "row " << row;
            EXPECT_EQ(scene.listBytes(), cases[row].bytes) << "row " << row << ": left as it was";
        }
    }
}

// The list's one write as a full disk meets it: all, half or none of the new text goes in, and the write fails.
struct FailedWrite {
    std::vector<std::string> calls; // the bytes of each call
    DWORD divisor = 2;              // how much of the text lands before the failure: count / divisor; 0: nothing
};
FailedWrite gFailedWrite; // the test thread only

bool failWrite(HANDLE file, const void* bytes, DWORD count) {
    gFailedWrite.calls.emplace_back(static_cast<const char*>(bytes), count);
    DWORD written = 0;
    if (gFailedWrite.divisor != 0)
        WriteFile(file, bytes, count / gFailedWrite.divisor, &written, nullptr);
    return false;
}

TEST(WordTemplateInstaller, FailedWriteKeepsTheOtherUsersLines) {
    const struct {
        const char* what;
        DWORD divisor;
    } cases[] = {
        {"nothing written", 0},
        {"half written", 2},
        {"all but the last byte written", 1},
    };
    const std::vector<std::wstring> others = {L"D:\\other\\STARTUP", L"E:\\x"};
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        scene.writeList(others);
        const std::string before = scene.listBytes();
        gFailedWrite = FailedWrite();
        gFailedWrite.divisor = cases[row].divisor;
        scene.environment_.sharedListWrite = failWrite;
        EXPECT_EQ(scene.run(true), WordTemplateResult::SharedListNotUpdated) << "row " << row;
        EXPECT_EQ(scene.listBytes(), before) << "row " << row << ": the old text is back";
        // The whole new text in one call.
        ASSERT_EQ(gFailedWrite.calls.size(), 1u) << "row " << row;
        EXPECT_EQ(gFailedWrite.calls[0],
                  "\xEF\xBB\xBF" + utf8(scene.ownFolder()) + "\r\nD:\\other\\STARTUP\r\nE:\\x\r\n")
            << "row " << row;
        EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder()})) << "row " << row;
        EXPECT_TRUE(scene.holdsTemplate(scene.ownFolder())) << "row " << row;
        // With room on the disk again, the next run lists this user's folder too.
        scene.environment_.sharedListWrite = nullptr;
        EXPECT_EQ(scene.run(true), WordTemplateResult::Ok) << "row " << row;
        EXPECT_EQ(scene.list(), joined({scene.ownFolder()}, others)) << "row " << row;
    }
}

// The Unix path of a Windows path, from Wine's own mapping.
std::string unixPathOf(const fs::path& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr)
        return std::string();
    char* unix = toUnix(path.wstring().c_str());
    if (unix == nullptr)
        return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs a Unix shell command and waits for it through a marker file it writes last (a Unix process started from
// Wine gives no handle to wait on). Under Wine a Windows program cannot make a symbolic link (CreateSymbolicLinkW
// makes nothing), and DeleteFileW on a file link deletes its target, so links come and go through "ln" and "rm".
bool runUnixShell(const fs::path& marker, const std::string& command) {
    std::error_code error;
    fs::remove(marker, error);
    std::wstring line = L"/bin/sh -c \"" + wide(command + " && touch '" + unixPathOf(marker) + "'") + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    const ScopedHandle process(info.hProcess);
    const ScopedHandle thread(info.hThread);
    for (int waited = 0; waited < 500 && GetFileAttributesW(marker.wstring().c_str()) == INVALID_FILE_ATTRIBUTES;
         ++waited)
        Sleep(10);
    return fs::remove(marker, error);
}

// A symbolic link made by the test and removed again (not through Windows: see runUnixShell).
class UnixLink {
public:
    UnixLink(const fs::path& target, const fs::path& link, const fs::path& marker) : link_(link), marker_(marker) {
        made_ = runUnixShell(marker_, "ln -s '" + unixPathOf(target) + "' '" + unixPathOf(link) + "'");
    }
    ~UnixLink() {
        if (made_)
            runUnixShell(marker_, "rm '" + unixPathOf(link_) + "'");
    }
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;
    bool made() const { return made_; }

private:
    fs::path link_;
    fs::path marker_;
    bool made_ = false;
};

TEST(WordTemplateInstaller, SharedListOrItsFolderAsALink) {
    // Another user made the list's folder, or the list, a link to a place of their choosing: the run neither
    // creates nor reads nor rewrites anything there.
    const struct {
        const char* what;
        bool folderLink;   // "Veltrim" links to the folder "elsewhere"; else the list links to "elsewhere\target"
        bool targetExists; // the link's target is there before the run
    } cases[] = {
        {"the folder is a directory link", true, false},
        {"the folder is a directory link to a folder holding a list", true, true},
        {"the list is a file link", false, true},
        {"the list is a link to a file that is not there", false, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        const fs::path elsewhere = scene.folder(L"elsewhere");
        const fs::path target = cases[row].folderLink ? elsewhere / "wordstartup" : elsewhere / "target";
        const std::string precious = "\xEF\xBB\xBF"
                                     "D:\\precious\r\n";
        if (cases[row].targetExists)
            writeFileBytes(target, precious);
        const fs::path folder = scene.listPath().parent_path();
        if (!cases[row].folderLink)
            fs::create_directories(folder);
        const UnixLink link(cases[row].folderLink ? elsewhere : target,
                            cases[row].folderLink ? folder : scene.listPath(), scene.folder(L"marker", false));
        ASSERT_TRUE(link.made()) << "row " << row;
        EXPECT_EQ(scene.run(true), WordTemplateResult::SharedListNotUpdated) << "row " << row;
        EXPECT_EQ(fs::exists(target), cases[row].targetExists) << "row " << row << ": nothing made there";
        if (cases[row].targetExists) {
            EXPECT_EQ(readFileBytes(target), precious) << "row " << row << ": nothing rewritten there";
        }
        EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder()})) << "row " << row;
        EXPECT_TRUE(scene.holdsTemplate(scene.ownFolder())) << "row " << row;
        const std::wstring text = wordTemplateResultText(scene.outcome_, WordTemplateTexts());
        EXPECT_NE(text.find(scene.listPath().wstring()), std::wstring::npos) << "row " << row;
        EXPECT_EQ(scene.run(false), WordTemplateResult::SharedListNotUpdated) << "row " << row;
        EXPECT_EQ(fs::exists(target), cases[row].targetExists) << "row " << row;
    }
}

TEST(WordTemplateInstaller, MissingTemplate) {
    Scene scene;
    const std::wstring s1 = scene.folder(L"s1");
    scene.office_.add(L"16.0", s1.c_str());
    fs::remove(scene.templateSource());
    EXPECT_EQ(scene.run(true), WordTemplateResult::TemplateMissing);
    EXPECT_EQ(scene.record(), std::vector<std::wstring>(10, kNone)) << "nothing recorded";
    EXPECT_FALSE(fs::exists(scene.listPath()));
    EXPECT_FALSE(fs::exists(scene.ownFolder()));
    EXPECT_EQ(scene.office_.doNotConfirm(L"16.0"), -1);
    const std::wstring text = wordTemplateResultText(scene.outcome_, WordTemplateTexts());
    EXPECT_NE(text.find(L"missing"), std::wstring::npos);
    EXPECT_NE(text.find(scene.templateSource().wstring()), std::wstring::npos);
    EXPECT_EQ(wordTemplateResultIcon(scene.outcome_.result), UINT(MB_ICONWARNING));
    // A removal needs no template.
    EXPECT_EQ(scene.run(false), WordTemplateResult::Ok);
}

TEST(WordTemplateInstaller, NoSuiteInstall) {
    Scene scene;
    scene.registry_.removeValue(SuiteKey::MachineMain, L"path");
    EXPECT_EQ(scene.run(true), WordTemplateResult::NoSuiteInstall);
    scene.registry_.setString(SuiteKey::MachineMain, L"path", L"");
    EXPECT_EQ(scene.run(false), WordTemplateResult::NoSuiteInstall);
    scene.registry_.removeKey(SuiteKey::MachineMain);
    EXPECT_EQ(installWordTemplate(true), int32_t(WordTemplateResult::NoSuiteInstall));
    EXPECT_EQ(scene.record(), std::vector<std::wstring>(10, kNone));
    EXPECT_EQ(wordTemplateResultText(scene.outcome_, WordTemplateTexts()), L"The module is not found.");
}

TEST(WordTemplateInstaller, PerUserKeyNotWritable) {
    // The per-user key cannot be made (its parent is volatile, and a lasting key cannot live under it): the run
    // fails with its own result, and the shared list, which holds other users' folders, is left as it was.
    Scene scene;
    ScopedRegKey parent;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, parent.put(), nullptr),
              ERROR_SUCCESS);
    scene.writeList({L"D:\\other\\STARTUP", L"E:\\x"});
    const std::string before = scene.listBytes();
    EXPECT_EQ(scene.run(true), WordTemplateResult::UserKeyNotWritable);
    EXPECT_EQ(scene.listBytes(), before);
    EXPECT_EQ(scene.record(), std::vector<std::wstring>(10, kNone));
    EXPECT_NE(wordTemplateResultText(scene.outcome_, WordTemplateTexts()).find(L"registry"), std::wstring::npos);
}

TEST(WordTemplateInstaller, CopyFailure) {
    // The template cannot land in s1 (a folder of the template's name is in the way): counted, named, reported.
    Scene scene;
    const std::wstring s1 = scene.folder(L"s1");
    const std::wstring s2 = scene.folder(L"s2");
    fs::create_directories(fs::path(s1) / "Veltrim.dotm");
    scene.office_.add(L"15.0", s1.c_str());
    scene.office_.add(L"16.0", s2.c_str());
    EXPECT_EQ(scene.run(true), WordTemplateResult::CopyFailed);
    EXPECT_EQ(scene.outcome_.copyFailed, std::vector<std::wstring>{s1});
    EXPECT_TRUE(scene.holdsTemplate(s2));
    EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder(), s1, s2}));
    const std::wstring text = wordTemplateResultText(scene.outcome_, WordTemplateTexts());
    EXPECT_NE(text.find(s1), std::wstring::npos);
    EXPECT_EQ(text.find(s2), std::wstring::npos);
    EXPECT_NE(text, WordTemplateTexts().takesEffect);
}

TEST(WordTemplateInstaller, SharedListDescriptor) {
    // Checked as built in memory: Wine's read-back of a file's security adds entries of its own.
    const struct {
        const char* what;
        DWORD rights;
        DWORD mask; // as the entry must hold it
    } cases[] = {
        // FILE_GENERIC_READ (0x120089) and FILE_WRITE_DATA (0x2)
        {"the shared list", kSharedListRights, 0x0012008B},
        // SYNCHRONIZE and MUTEX_MODIFY_STATE
        {"its mutex", kSharedListMutexRights, 0x00100001},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        EveryoneAccessDescriptor security(cases[row].rights);
        ASSERT_TRUE(security.isValid());
        ASSERT_NE(security.attributes(), nullptr);
        EXPECT_FALSE(security.attributes()->bInheritHandle);
        EXPECT_TRUE(IsValidSecurityDescriptor(security.descriptor()));
        BOOL present = FALSE;
        BOOL defaulted = TRUE;
        PACL acl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(security.descriptor(), &present, &acl, &defaulted));
        EXPECT_TRUE(present);
        EXPECT_FALSE(defaulted);
        ASSERT_NE(acl, nullptr);
        ASSERT_EQ(acl->AceCount, 1) << "one entry only";
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(acl, 0, &ace));
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(allowed->Header.AceFlags, 0) << "no inheritance";
        EXPECT_EQ(allowed->Mask, cases[row].mask);
        EXPECT_TRUE(IsWellKnownSid(const_cast<DWORD*>(&allowed->SidStart), WinWorldSid)) << "Everyone";
    }
    // What the list's entry grants, right by right.
    const struct {
        const char* right;
        DWORD bit;
        bool granted;
    } rights[] = {
        {"FILE_READ_DATA", FILE_READ_DATA, true},
        {"FILE_WRITE_DATA", FILE_WRITE_DATA, true},
        {"SYNCHRONIZE", SYNCHRONIZE, true},
        // Not needed to rewrite the list in place.
        {"FILE_APPEND_DATA", FILE_APPEND_DATA, false},
        {"FILE_WRITE_ATTRIBUTES", FILE_WRITE_ATTRIBUTES, false},
        {"FILE_WRITE_EA", FILE_WRITE_EA, false},
        {"DELETE", DELETE, false},
        {"WRITE_DAC", WRITE_DAC, false},
        {"WRITE_OWNER", WRITE_OWNER, false},
        {"FILE_EXECUTE", FILE_EXECUTE, false},
        {"FILE_DELETE_CHILD", FILE_DELETE_CHILD, false},
        {"ACCESS_SYSTEM_SECURITY", ACCESS_SYSTEM_SECURITY, false},
    };
    for (size_t row = 0; row < std::size(rights); ++row)
        EXPECT_EQ((kSharedListRights & rights[row].bit) != 0, rights[row].granted) << rights[row].right;
    EXPECT_NE(kSharedListRights, DWORD(0x1FFFFF));
}

TEST(WordTemplateInstaller, CreateSharedList) {
    TempFolder folder;
    const fs::path existing = folder.file("existing");
    writeFileBytes(existing, "\xEF\xBB\xBF"
                             "D:\\other\r\n");
    fs::create_directories(folder.path() / "elsewhere");
    const UnixLink link(folder.path() / "elsewhere", folder.path() / "linked", folder.file("marker"));
    ASSERT_TRUE(link.made());
    const struct {
        const char* what;
        fs::path path;
        SharedListCreation expected;
        std::string bytesAfter; // "-" when no file is expected
    } cases[] = {
        {"a new list", folder.file("fresh"), SharedListCreation::Created, ""},
        {"a list that is there is never truncated", existing, SharedListCreation::AlreadyThere,
         "\xEF\xBB\xBF"
         "D:\\other\r\n"},
        {"no folder", folder.path() / "missing" / "list", SharedListCreation::Failed, "-"},
        // Nothing made at the link's target, where every user could rewrite it.
        {"a folder that is a link", folder.path() / "linked" / "list", SharedListCreation::Failed, "-"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        EXPECT_EQ(createWordStartupList(cases[row].path.wstring()), cases[row].expected) << "row " << row;
        if (cases[row].bytesAfter == "-")
            EXPECT_FALSE(fs::exists(cases[row].path)) << "row " << row;
        else
            EXPECT_EQ(readFileBytes(cases[row].path), cases[row].bytesAfter) << "row " << row;
    }
}

// The test thread holds the shared list's mutex as another user's run would.
struct HeldLock {
    HeldLock() : mutex(CreateMutexW(nullptr, TRUE, kSharedListMutexName)), ownership(mutex.get()) {
        EXPECT_TRUE(mutex.isValid());
    }
    ScopedHandle mutex;
    ScopedMutexOwnership ownership;
};

TEST(WordTemplateInstaller, LockHeldByAnotherRun) {
    Scene scene;
    scene.writeList({L"D:\\other\\STARTUP"});
    const std::string before = scene.listBytes();
    WordTemplateResult result = WordTemplateResult::NoSuiteInstall;
    {
        HeldLock lock;
        scene.environment_.sharedListLockTimeoutMs = 200;
        // Waits on another thread: the mutex is the test thread's, and a thread that owns it would just enter.
        std::thread run([&] { result = scene.run(true); });
        run.join();
    }
    EXPECT_EQ(result, WordTemplateResult::SharedListNotUpdated);
    EXPECT_EQ(scene.listBytes(), before);
    EXPECT_EQ(scene.record(), Scene::recordOf({scene.ownFolder()}));
    EXPECT_TRUE(scene.holdsTemplate(scene.ownFolder()));
}

TEST(WordTemplateInstaller, RunWaitsForTheLock) {
    Scene scene;
    scene.writeList({L"D:\\other\\STARTUP"});
    const std::string before = scene.listBytes();
    std::atomic<bool> finished{false};
    WordTemplateResult result = WordTemplateResult::NoSuiteInstall;
    std::thread run;
    {
        HeldLock lock;
        scene.environment_.sharedListLockTimeoutMs = 20000;
        run = std::thread([&] {
            result = scene.run(true);
            finished = true;
        });
        Sleep(300);
        EXPECT_FALSE(finished) << "the run must wait while another run holds the list";
        EXPECT_EQ(scene.listBytes(), before);
    }
    run.join();
    EXPECT_EQ(result, WordTemplateResult::Ok);
    EXPECT_EQ(scene.list(), (std::vector<std::wstring>{scene.ownFolder(), L"D:\\other\\STARTUP"}));
}

TEST(WordTemplateInstaller, SetupQuestionAndResult) {
    const WordTemplateTexts texts;
    const struct {
        const char* what;
        bool silent;
        bool install;
        int answer;
        std::vector<std::wstring> boxes; // texts in order
        bool installedAfter;
    } cases[] = {
        {"silent first run", true, true, IDYES, {}, true},
        {"Enable, Yes", false, true, IDYES, {texts.enableQuestion, texts.takesEffect}, true},
        {"Enable, No", false, true, IDNO, {texts.enableQuestion}, false},
        {"Enable, Cancel", false, true, IDCANCEL, {texts.enableQuestion}, false},
        {"Disable, Yes", false, false, IDYES, {texts.disableQuestion, texts.takesEffect}, false},
        {"Disable, No", false, false, IDNO, {texts.disableQuestion}, true},
    };
    answerMessageBoxes(IDYES);
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE(cases[row].what);
        Scene scene;
        if (!cases[row].install) {
            ASSERT_EQ(scene.run(true), WordTemplateResult::Ok); // something to disable
        }
        clearShownMessageBoxes();
        setMessageBoxAnswer(cases[row].answer);
        setupWordTemplate(nullptr, cases[row].silent, cases[row].install, texts, scene.environment_);
        ASSERT_EQ(shownMessageBoxes().size(), cases[row].boxes.size()) << "row " << row;
        for (size_t n = 0; n < shownMessageBoxes().size(); ++n) {
            EXPECT_EQ(shownMessageBoxes()[n].text, cases[row].boxes[n]) << "row " << row << " box " << n;
            EXPECT_EQ(shownMessageBoxes()[n].caption, L"Veltrim Sorvanta") << "row " << row;
            EXPECT_EQ(shownMessageBoxes()[n].flags,
                      n == 0 ? UINT(MB_ICONQUESTION | MB_YESNOCANCEL) : UINT(MB_ICONINFORMATION))
                << "row " << row << " box " << n;
        }
        EXPECT_EQ(scene.holdsTemplate(scene.ownFolder()), cases[row].installedAfter) << "row " << row;
    }
    // A failure is never reported as success.
    {
        Scene scene;
        fs::remove(scene.templateSource());
        clearShownMessageBoxes();
        setMessageBoxAnswer(IDYES);
        setupWordTemplate(nullptr, false, true, texts, scene.environment_);
        ASSERT_EQ(shownMessageBoxes().size(), 2u);
        EXPECT_NE(shownMessageBoxes()[1].text, texts.takesEffect);
        EXPECT_NE(shownMessageBoxes()[1].text, texts.moduleNotFound);
        EXPECT_NE(shownMessageBoxes()[1].text.find(scene.templateSource().wstring()), std::wstring::npos);
        EXPECT_EQ(shownMessageBoxes()[1].flags, UINT(MB_ICONWARNING));
    }
    setMessageBoxHook(nullptr);
}

TEST(WordTemplateInstaller, PrefixFolders) {
    // The system's own folders of the prefix: the user's application data and the machine's common application
    // data, as SHGetFolderPathW gives them.
    wchar_t appData[MAX_PATH] = {};
    wchar_t common[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)));
    const fs::path own = fs::path(appData) / "Microsoft" / "Word" / "STARTUP";
    const fs::path list = fs::path(common) / "Veltrim" / "wordstartup";
    std::error_code error;
    fs::remove(list, error);
    {
        Scene scene;
        scene.environment_ = WordTemplateEnvironment();
        ASSERT_EQ(scene.run(true), WordTemplateResult::Ok);
        EXPECT_EQ(scene.outcome_.sharedListPath, list.wstring());
        EXPECT_EQ(scene.record(), Scene::recordOf({own.wstring()}));
        EXPECT_TRUE(scene.holdsTemplate(own.wstring()));
        EXPECT_EQ(wide(readFileBytes(list)), L"\uFEFF" + own.wstring() + L"\r\n");
        ASSERT_EQ(scene.run(false), WordTemplateResult::Ok);
        EXPECT_FALSE(scene.holdsAnyTemplate(own.wstring()));
        EXPECT_EQ(readFileBytes(list), "\xEF\xBB\xBF");
    }
    fs::remove(list, error);
    fs::remove(list.parent_path(), error);
}

TEST(WordTemplateInstaller, FolderProbe) {
    TempFolder folder;
    fs::create_directories(folder.path() / "STARTUP_old");
    writeFileBytes(folder.file("file"), "x");
    const struct {
        std::wstring path;
        FolderState expected;
    } cases[] = {
        {folder.path().wstring(), FolderState::Present},
        {folder.path().wstring() + L"\\STARTUP_old", FolderState::Present},
        {folder.path().wstring() + L"\\STARTUP", FolderState::Missing},
        {folder.path().wstring() + L"\\gone\\deeper", FolderState::Missing},
        {folder.path().wstring() + L"\\file", FolderState::Unreachable},
        {L"Q:\\Word\\STARTUP", FolderState::Unreachable},
        {L"STARTUP", FolderState::Unreachable},
        {L"C:", FolderState::Present},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(probeFolder(cases[row].path), cases[row].expected)
            << "row " << row << " " << fs::path(cases[row].path);
}
} // namespace
