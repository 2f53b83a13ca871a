// The main window's command dispatcher and the module launchers, each command through a real click on the running
// window (support/mainWindowSession.h), with the shell and message boxes answered by the test and the suite's other
// modules replaced by stand-ins of the tests (standins/moduleStandIn.cpp, standins/moduleProgramStandIn.cpp) copied
// into a module installation of the test's own: help files with their fallbacks, web pages, Options and File
// Processing over the version thresholds, the caches, Update, the Info box with the real clipboard, the ribbon's
// questions and a save that fails.
#include "mainCommand.h"
#include "mainWindow.h"
#include "mainWindowLayout.h"
#include "mainWindowTestSupport.h"
#include "moduleLaunchers.h"
#include "programSettings.h"
#include "programTexts.h"
#include "startup.h"

#include "scopedWin.h"
#include "skinHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
using namespace testing_support;

const std::wstring kSite = L"https://veltrim.example";

fs::path testProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// Counts of the launchers' loader calls (window thread).
int gLoads = 0;
int gLookUps = 0;
HMODULE countedLoad(const wchar_t* path) {
    ++gLoads;
    return LoadLibraryW(path);
}
FARPROC countedLookUp(HMODULE library, const char* name) {
    ++gLookUps;
    return GetProcAddress(library, name);
}

intptr_t refuseEverything(const std::wstring&) {
    return 2; // file not found
}
intptr_t refuseFiles(const std::wstring& target) {
    return target.rfind(L"https://", 0) == 0 ? 33 : 2;
}
intptr_t realForPrograms(const std::wstring& target) {
    return target.size() > 4 && target.compare(target.size() - 4, 4, L".exe") == 0 ? 0 : 33;
}
intptr_t accessDenied(const std::wstring&) {
    return 5;
}
intptr_t outOfMemory(const std::wstring&) {
    return 8;
}

class MainCommandTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        setMainCommandHandler(nullptr); // the real dispatcher
        setFileProcessingEnabled(false);
        forgetModuleLibraries();
        gLoads = 0;
        gLookUps = 0;
        setModuleLoader({countedLoad, countedLookUp});
    }
    void TearDown() override {
        setModuleLoader({});
        forgetModuleLibraries();
        setFileProcessingEnabled(false);
        MainWindowTest::TearDown();
    }

    // Between the rows of one test: boxes, caches, counts and the saved values afresh.
    void nextRow() {
        answerMessageBoxes(IDOK);
        answerShell(nullptr);
        forgetModuleLibraries();
        gLoads = 0;
        gLookUps = 0;
        setFileProcessingEnabled(false);
        registry_.removeValue(SuiteKey::UserMain, L"textScale");
    }

    // <modules>\<n>\<folder>\ with the stand-ins copied under the names given (source -> name). Every call has
    // an install path of its own: a library the launchers loaded stays loaded, and its file cannot be replaced.
    fs::path installModule(SuiteKey key, const char* folder, DWORD version,
                           const std::vector<std::pair<const char*, const char*>>& files) {
        const fs::path root = modules_.path() / std::to_string(++installs_);
        const fs::path target = root / folder;
        fs::create_directories(target);
        for (const auto& file : files) {
            std::error_code error;
            fs::copy_file(testProgramFolder() / file.first, target / file.second, fs::copy_options::overwrite_existing,
                          error);
            EXPECT_FALSE(error) << file.first << ": " << error.message();
        }
        registry_.installModule(key, root.wstring(), version);
        return target;
    }

    TempFolder modules_;
    int installs_ = 0;
};

// The shell's calls from the `from`-th on.
std::vector<ShellCall> callsSince(MainWindowSession& session, size_t from) {
    std::vector<ShellCall> calls = session.call<std::vector<ShellCall>>([] { return shellCalls(); });
    calls.erase(calls.begin(), calls.begin() + std::min(from, calls.size()));
    return calls;
}
std::vector<std::wstring> targets(MainWindowSession& session, size_t from = 0) {
    std::vector<std::wstring> result;
    for (const ShellCall& call : callsSince(session, from))
        result.push_back(call.target);
    return result;
}
size_t callCount(MainWindowSession& session) {
    return session.call<std::vector<ShellCall>>([] { return shellCalls(); }).size();
}

std::vector<std::wstring> boxTexts() {
    std::vector<std::wstring> result;
    for (const ShownMessageBox& box : shownMessageBoxes())
        result.push_back(box.text);
    return result;
}

// The log a stand-in writes beside itself, once it has something (a started program writes it on its own time).
std::string waitForLog(const fs::path& file, DWORD milliseconds = 15000) {
    const fs::path log = file.string() + ".log";
    for (DWORD waited = 0; waited < milliseconds; waited += 100) {
        if (fs::exists(log) && fs::file_size(log) > 0)
            return readFileBytes(log);
        Sleep(100);
    }
    return std::string();
}
std::string logNow(const fs::path& file) {
    const fs::path log = file.string() + ".log";
    return fs::exists(log) ? readFileBytes(log) : std::string();
}

std::string ownerText(HWND owner) {
    return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(owner))));
}

TEST_F(MainCommandTest, HelpFilesTheirFallbacksAndWebPages) {
    install_.addLanguage("german", languageFile("Deutsch"));
    const fs::path germanHelp = fs::path(install_.mainFolder()) / "language" / "german" / "help";
    fs::create_directories(germanHelp);
    writeFileBytes(germanHelp / "index.html", "<html></html>");
    // Where a localised file of English would be, if English had a folder: never looked at.
    fs::create_directories(fs::path(install_.mainFolder()) / "language" / "help");
    writeFileBytes(fs::path(install_.mainFolder()) / "language" / "help" / "index.html", "<html></html>");
    const std::wstring main = install_.mainFolder();
    const std::wstring german = main + L"language\\german\\help\\";
    const struct {
        int32_t command;
        const wchar_t* language; // the program's, and every module's
        intptr_t (*shell)(const std::wstring&);
        std::vector<std::wstring> opened;
    } rows[] = {
        // English: the main help folder, untested; the shell's refusal brings the web page.
        {kHelpControl, L"", nullptr, {main + L"help\\index.html"}},
        {kHelpControl, L"", refuseFiles, {main + L"help\\index.html", kSite + L"/"}},
        // A translation with its own file, and one whose file is missing (the main folder's, though missing too).
        {kHelpControl, L"german", nullptr, {german + L"index.html"}},
        {16, L"german", nullptr, {main + L"help\\utilities.html"}},
        {24, L"german", refuseFiles, {main + L"help\\utilities.html", kSite + L"/utilities/"}},
        {13, L"german", refuseFiles, {main + L"help\\palvex.html", kSite + L"/palvex/"}},
        {14, L"", refuseFiles, {main + L"help\\dornak.html", kSite + L"/dornak/"}},
        {15, L"", nullptr, {main + L"help\\sembrik.html"}},
        // The web link; a refused web page is left at that.
        {kWebLinkControl, L"", refuseEverything, {kSite + L"/"}},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        nextRow();
        answerShell(rows[row].shell);
        MainWindowStart start;
        const std::wstring language = rows[row].language;
        start.beforeStart = [language] {
            ProgramSettings& settings = liveSettings();
            settings.languageName = settings.palvexLanguage = settings.dornakLanguage = language;
            settings.sembrikLanguage = language;
        };
        MainWindowSession session(start);
        ASSERT_TRUE(session.started()) << "row " << row;
        const size_t before = callCount(session);
        ASSERT_TRUE(session.clickControl(rows[row].command)) << "row " << row;
        EXPECT_EQ(targets(session, before), rows[row].opened) << "row " << row;
        for (const ShellCall& call : callsSince(session, before)) {
            EXPECT_EQ(call.owner, session.window()) << "row " << row;
            EXPECT_TRUE(call.parameters.empty()) << "row " << row;
        }
        EXPECT_TRUE(shownMessageBoxes().empty()) << "row " << row;
    }
}

TEST_F(MainCommandTest, OptionsAcrossTheVersionsAndWithoutTheModule) {
    const std::wstring notFound = englishText(ProgramText::ModuleNotFound);
    const struct {
        int32_t command;
        SuiteKey key;
        const char* folder;
        DWORD version;
        std::vector<std::pair<const char*, const char*>> files;
        const char* called;    // the copy whose log tells the call; null: none
        bool program;          // a started program ("-wnd:" and the owner), else a library entry
        const char* entryLine; // the library's log line before the owner
        bool reloadOnActivate;
        std::vector<std::wstring> boxes;
    } rows[] = {
        // 0xAFF, and no version at all, start the program; 0xB00 calls the library.
        {7,
         SuiteKey::MachinePalvex,
         "palvex",
         0xAFF,
         {{"moduleProgramStandIn.exe", "VeltrimPvx.exe"}},
         "VeltrimPvx.exe",
         true,
         nullptr,
         true,
         {}},
        {8,
         SuiteKey::MachineDornak,
         "dornak",
         0,
         {{"moduleProgramStandIn.exe", "VeltrimDnk.exe"}},
         "VeltrimDnk.exe",
         true,
         nullptr,
         true,
         {}},
        {7,
         SuiteKey::MachinePalvex,
         "palvex",
         0xB00,
         {{"standInPvx.dll", "VeltrimPvx64.dll"}},
         "VeltrimPvx64.dll",
         false,
         "showOptPvx|",
         false,
         {}},
        {8,
         SuiteKey::MachineDornak,
         "dornak",
         0xF00,
         {{"standInDnk.dll", "VeltrimDnk64.dll"}},
         "VeltrimDnk64.dll",
         false,
         "showOptDnk|",
         false,
         {}},
        // A library without its entry point, a program or library that is not there: "not found".
        {7,
         SuiteKey::MachinePalvex,
         "palvex",
         0xB00,
         {{"standInNoEntry.dll", "VeltrimPvx64.dll"}},
         nullptr,
         false,
         nullptr,
         false,
         {notFound}},
        {8, SuiteKey::MachineDornak, "dornak", 0xB00, {}, nullptr, false, nullptr, false, {notFound}},
        {9, SuiteKey::MachineSembrik, "sembrik", 0x100, {}, nullptr, false, nullptr, false, {notFound}},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        nextRow();
        answerShell(realForPrograms);
        const fs::path folder = installModule(rows[row].key, rows[row].folder, rows[row].version, rows[row].files);
        {
            MainWindowSession session;
            ASSERT_TRUE(session.started()) << "row " << row;
            ASSERT_TRUE(session.clickControl(rows[row].command)) << "row " << row;
            EXPECT_EQ(boxTexts(), rows[row].boxes) << "row " << row;
            EXPECT_EQ(session.call<bool>([] { return mainWindowState().reloadOnActivate; }), rows[row].reloadOnActivate)
                << "row " << row;
            if (rows[row].called != nullptr) {
                const std::string log = waitForLog(folder / rows[row].called);
                if (rows[row].program) {
                    EXPECT_NE(log.find(" -wnd:" + ownerText(session.window()) + "\n"), std::string::npos)
                        << "row " << row << ": " << log;
                } else {
                    EXPECT_EQ(log, rows[row].entryLine + ownerText(session.window()) + "|1\n") << "row " << row;
                }
            }
            // Saved before the module opened (the per-user key gets its values), or nothing saved.
            EXPECT_NE(storedTextScale(), -1) << "row " << row;
        }
        registry_.removeKey(rows[row].key);
    }
}

TEST_F(MainCommandTest, OptionsOfAModuleNotInstalledOpensTheDownloadPageAndSavesNothing) {
    // Machine-wide key with a version but no path: the folder stays empty.
    registry_.setDword(SuiteKey::MachinePalvex, L"version", 0xB00);
    answerShell(realForPrograms);
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    for (int32_t command : {7, 8, 9}) {
        ASSERT_TRUE(session.clickControl(command));
        EXPECT_EQ(targets(session).back(), kSite + L"/download/") << command;
    }
    EXPECT_EQ(targets(session).size(), 3u);
    EXPECT_EQ(gLoads, 0);
    EXPECT_EQ(storedTextScale(), -1); // nothing written
    EXPECT_TRUE(shownMessageBoxes().empty());
}

TEST_F(MainCommandTest, OptionsClickedTwiceLoadsAndLooksUpOnce) {
    const fs::path folder =
        installModule(SuiteKey::MachinePalvex, "palvex", 0xB00, {{"standInPvx.dll", "VeltrimPvx64.dll"}});
    installModule(SuiteKey::MachineDornak, "dornak", 0xB00, {{"standInNoEntry.dll", "VeltrimDnk64.dll"}});
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.clickControl(7));
    ASSERT_TRUE(session.clickControl(7));
    EXPECT_EQ(session.call<int>([] { return gLoads; }), 1);
    EXPECT_EQ(session.call<int>([] { return gLookUps; }), 1);
    const std::string line = "showOptPvx|" + ownerText(session.window()) + "|1\n";
    EXPECT_EQ(logNow(folder / "VeltrimPvx64.dll"), line + line);
    // A library without the entry point is loaded once, and only looked in again.
    ASSERT_TRUE(session.clickControl(8));
    ASSERT_TRUE(session.clickControl(8));
    EXPECT_EQ(session.call<int>([] { return gLoads; }), 2);
    EXPECT_EQ(session.call<int>([] { return gLookUps; }), 3);
    EXPECT_EQ(shownMessageBoxes().size(), 2u);
}

TEST_F(MainCommandTest, FileProcessing) {
    const std::wstring notFound = englishText(ProgramText::ModuleNotFound);
    const std::wstring latest = L"Please install the latest version of Veltrim Sorvanta.";
    const std::wstring closeWord = L"To run this function, please ensure Microsoft Word is closed.\n\nPlease close "
                                   L"Microsoft Word, open Veltrim Options from the Windows Start menu, and try again.";
    const struct {
        int32_t command;
        SuiteKey key;
        const char* folder;
        DWORD version;
        bool proc;
        std::vector<std::pair<const char*, const char*>> files;
        const char* called;
        const char* line; // before the owner
        std::vector<std::wstring> boxes;
        bool saved;
    } rows[] = {
        {10,
         SuiteKey::MachinePalvex,
         "palvex",
         0xF00,
         true,
         {{"standInPvx.dll", "VeltrimPvxProc64.dll"}},
         "VeltrimPvxProc64.dll",
         "showOptPvx|",
         {},
         true},
        {11,
         SuiteKey::MachineDornak,
         "dornak",
         0xF00,
         true,
         {{"standInDnk.dll", "VeltrimDnkProc64.dll"}},
         "VeltrimDnkProc64.dll",
         "showOptDnk|",
         {},
         true},
        {12,
         SuiteKey::MachineSembrik,
         "sembrik",
         0x1000,
         true,
         {{"standInSbk.dll", "VeltrimSbkProc64.dll"}},
         "VeltrimSbkProc64.dll",
         "showOptSbk|",
         {},
         true},
        // Below 0xF00: the note, and nothing loaded.
        {10,
         SuiteKey::MachinePalvex,
         "palvex",
         0xEFF,
         true,
         {{"standInPvx.dll", "VeltrimPvxProc64.dll"}},
         nullptr,
         nullptr,
         {latest},
         true},
        // Without "-proc": the note on Word, nothing loaded and nothing saved.
        {12,
         SuiteKey::MachineSembrik,
         "sembrik",
         0xF00,
         false,
         {{"standInSbk.dll", "VeltrimSbkProc64.dll"}},
         nullptr,
         nullptr,
         {closeWord},
         false},
        // Missing library, missing entry point.
        {11, SuiteKey::MachineDornak, "dornak", 0xF00, true, {}, nullptr, nullptr, {notFound}, true},
        {11,
         SuiteKey::MachineDornak,
         "dornak",
         0xF00,
         true,
         {{"standInPvx.dll", "VeltrimDnkProc64.dll"}},
         nullptr,
         nullptr,
         {notFound},
         true},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        nextRow();
        const fs::path folder = installModule(rows[row].key, rows[row].folder, rows[row].version, rows[row].files);
        setFileProcessingEnabled(rows[row].proc);
        {
            MainWindowSession session;
            ASSERT_TRUE(session.started()) << "row " << row;
            ASSERT_TRUE(session.clickControl(rows[row].command)) << "row " << row;
            EXPECT_EQ(boxTexts(), rows[row].boxes) << "row " << row;
            if (rows[row].called != nullptr) {
                EXPECT_EQ(logNow(folder / rows[row].called), rows[row].line + ownerText(session.window()) + "|1\n")
                    << "row " << row;
            }
            if (rows[row].version < 0xF00 || !rows[row].proc) {
                EXPECT_EQ(session.call<int>([] { return gLoads; }), 0) << "row " << row;
            }
            EXPECT_EQ(storedTextScale() != -1, rows[row].saved) << "row " << row;
        }
        registry_.removeKey(rows[row].key);
    }
}

TEST_F(MainCommandTest, FileProcessingOfAModuleNotInstalled) {
    setFileProcessingEnabled(true);
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.clickControl(10));
    EXPECT_EQ(boxTexts(), (std::vector<std::wstring>{L"This module is not installed."}));
    EXPECT_EQ(gLoads, 0);
}

TEST_F(MainCommandTest, UpdateStartsTheInstaller) {
    const std::wstring notFound = englishText(ProgramText::ModuleNotFound);
    const struct {
        intptr_t (*shell)(const std::wstring&);
        std::vector<std::wstring> boxes;
    } rows[] = {
        {nullptr, {}},             // started
        {accessDenied, {}},        // the elevation refused: no word
        {outOfMemory, {notFound}}, // anything else
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        nextRow();
        answerShell(rows[row].shell);
        MainWindowSession session;
        ASSERT_TRUE(session.started()) << "row " << row;
        ASSERT_TRUE(session.clickControl(kUpdateControl)) << "row " << row;
        const std::vector<ShellCall> calls = session.call<std::vector<ShellCall>>([] { return shellCalls(); });
        ASSERT_FALSE(calls.empty()) << "row " << row;
        EXPECT_EQ(calls.back().target, install_.mainFolder() + L"Veltrim_Sorvanta.exe") << "row " << row;
        EXPECT_EQ(calls.back().parameters, L"/I") << "row " << row;
        EXPECT_EQ(boxTexts(), rows[row].boxes) << "row " << row;
    }
}

TEST_F(MainCommandTest, UpdateRunsTheRealInstallerProgram) {
    const fs::path installer = fs::path(install_.mainFolder()) / "Veltrim_Sorvanta.exe";
    fs::copy_file(testProgramFolder() / "moduleProgramStandIn.exe", installer);
    answerShell(realForPrograms);
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.clickControl(kUpdateControl));
    const std::string log = waitForLog(installer);
    EXPECT_NE(log.find(" /I\n"), std::string::npos) << log;
    EXPECT_TRUE(shownMessageBoxes().empty());
}

std::wstring clipboardText() {
    const ScopedClipboard clipboard(nullptr);
    if (!clipboard.isOpen())
        return L"<closed>";
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr)
        return L"<none>";
    ScopedGlobalLock lock(data);
    return lock.data() == nullptr ? L"<unlocked>" : static_cast<const wchar_t*>(lock.data());
}

void putOnClipboard(const std::wstring& text) {
    const ScopedClipboard clipboard(nullptr);
    ASSERT_TRUE(clipboard.isOpen());
    EmptyClipboard();
    ScopedGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, 2 * text.size() + 2));
    {
        ScopedGlobalLock lock(memory.get());
        memcpy(lock.data(), text.c_str(), 2 * text.size() + 2);
    }
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr)
        memory.release();
}

TEST_F(MainCommandTest, InfoBoxAndItsClipboardCopy) {
    registry_.installModule(SuiteKey::MachineSembrik, modules_.path().wstring(), 0xB00);
    const std::wstring text = L"Palvex - not installed\r\nDornak - not installed\r\nSembrik - S.B00.00\r\n";
    for (int answer : {IDNO, IDCANCEL, IDYES}) {
        putOnClipboard(L"before");
        answerMessageBoxes(answer);
        MainWindowSession session;
        ASSERT_TRUE(session.started()) << answer;
        ASSERT_TRUE(session.clickControl(kInfoControl)) << answer;
        const std::vector<ShownMessageBox> boxes = shownMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << answer;
        EXPECT_EQ(boxes[0].text, text + L"\r\nCopy Info to the Clipboard?") << answer;
        EXPECT_EQ(boxes[0].caption, L"Veltrim Sorvanta");
        EXPECT_EQ(boxes[0].flags, UINT(MB_YESNOCANCEL | MB_ICONINFORMATION));
        EXPECT_EQ(boxes[0].owner, session.window());
        EXPECT_EQ(clipboardText(), answer == IDYES ? L"\r\n" + text : L"before") << answer;
    }
}

TEST_F(MainCommandTest, RibbonButtonsAskThroughTheInstaller) {
    answerMessageBoxes(IDNO); // nothing is installed or removed
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.clickControl(kEnableRibbonControl));
    ASSERT_TRUE(session.clickControl(kDisableRibbonControl));
    EXPECT_EQ(boxTexts(), (std::vector<std::wstring>{englishText(ProgramText::RibbonEnableQuestion),
                                                     englishText(ProgramText::RibbonDisableQuestion)}));
}

TEST_F(MainCommandTest, SelectorsCheckBoxAndOkCancelApply) {
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.clickControl(kScaleSelector));
    EXPECT_TRUE(session.call<bool>([] { return anyListOpen(); }));
    ASSERT_TRUE(session.post(WM_KEYDOWN, VK_ESCAPE)); // nothing chosen
    ASSERT_TRUE(session.run([] { liveSettings().textScale = 125; }));
    ASSERT_TRUE(session.clickControl(kApplyControl));
    EXPECT_EQ(storedTextScale(), 125);
    EXPECT_FALSE(session.call<bool>([] { return areSettingsModified(); })); // the new snapshot
    ASSERT_TRUE(session.clickControl(kOkControl));
    EXPECT_EQ(session.waitForEnd(), 1);
}

// The per-user settings cannot be written: their parent key is volatile, and a lasting key cannot be made below one.
class UnwritableSettings {
public:
    UnwritableSettings() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim");
        HKEY created = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_WRITE | KEY_WOW64_32KEY, nullptr, &created, nullptr);
        key_ = ScopedRegKey(created);
    }
    ~UnwritableSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Veltrim"); }

private:
    ScopedRegKey key_;
};

TEST_F(MainCommandTest, AFailingSaveIsToldAndKeepsWindowAndSnapshot) {
    const UnwritableSettings unwritable;
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.run([] { liveSettings().textScale = 125; }));
    ASSERT_TRUE(session.clickControl(kApplyControl));
    EXPECT_EQ(boxTexts(), (std::vector<std::wstring>{L"The settings could not be saved."}));
    EXPECT_TRUE(session.call<bool>([] { return areSettingsModified(); })); // the old snapshot
    ASSERT_TRUE(session.clickControl(kOkControl));
    EXPECT_FALSE(session.ended()); // the window stays with the user's changes
    EXPECT_EQ(shownMessageBoxes().size(), 2u);
    // "Yes" at the unsaved-changes question: told again, and the window stays.
    answerMessageBoxes(IDYES);
    ASSERT_TRUE(session.post(WM_CLOSE));
    EXPECT_FALSE(session.ended());
    EXPECT_EQ(boxTexts(), (std::vector<std::wstring>{englishText(ProgramText::UnsavedChanges),
                                                     L"The settings could not be saved."}));
}

TEST_F(MainCommandTest, AModuleCommandTakesANewSnapshot) {
    installModule(SuiteKey::MachinePalvex, "palvex", 0xB00, {{"standInPvx.dll", "VeltrimPvx64.dll"}});
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.run([] { liveSettings().textScale = 125; }));
    ASSERT_TRUE(session.clickControl(7));
    EXPECT_EQ(storedTextScale(), 125);
    EXPECT_FALSE(session.call<bool>([] { return areSettingsModified(); }));
    // Closing now asks nothing: what was saved is the snapshot.
    ASSERT_TRUE(session.post(WM_CLOSE));
    EXPECT_EQ(session.waitForEnd(), 2);
    EXPECT_TRUE(shownMessageBoxes().empty());
}

TEST_F(MainCommandTest, AStartedModuleProgramIsReadBackWhenTheWindowIsActivated) {
    installModule(SuiteKey::MachinePalvex, "palvex", 0xAFF, {{"moduleProgramStandIn.exe", "VeltrimPvx.exe"}});
    answerShell(realForPrograms);
    MainWindowSession session;
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.clickControl(7));
    ASSERT_TRUE(session.call<bool>([] { return mainWindowState().reloadOnActivate; }));
    registry_.setDword(SuiteKey::UserMain, L"textScale", 125); // what the module program wrote
    ASSERT_TRUE(session.post(WM_ACTIVATE, WA_ACTIVE));
    EXPECT_FALSE(session.call<bool>([] { return mainWindowState().reloadOnActivate; }));
    EXPECT_EQ(session.call<int32_t>([] { return liveSettings().textScale; }), 125);
    EXPECT_FALSE(session.call<bool>([] { return areSettingsModified(); })); // read back, not an unsaved change
}

TEST(ModuleLaunchers, ProgramParametersAndFilePaths) {
    EXPECT_EQ(moduleProgramParameters(nullptr), L"-wnd:0");
    EXPECT_EQ(moduleProgramParameters(reinterpret_cast<HWND>(uintptr_t(0x12345))), L"-wnd:74565");
    // The low 32 bits, signed.
    EXPECT_EQ(moduleProgramParameters(reinterpret_cast<HWND>(uintptr_t(0xFFFFFFFF80000001ull))), L"-wnd:-2147483647");
    EXPECT_EQ(moduleProgramParameters(reinterpret_cast<HWND>(uintptr_t(0x1FFFFFFFEull))), L"-wnd:-2");
    EXPECT_EQ(moduleFilePath(L"", L"VeltrimSbk64.dll"), L""); // not installed: never the drive's root
    EXPECT_EQ(moduleFilePath(L"C:\\V\\sembrik\\", L"VeltrimSbk64.dll"), L"C:\\V\\sembrik\\VeltrimSbk64.dll");
    EXPECT_EQ(moduleFilePath(L"C:\\V\\sembrik", L"VeltrimSbk64.dll"), L"C:\\V\\sembrik\\VeltrimSbk64.dll");
}

} // namespace
