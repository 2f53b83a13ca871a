// The Raw Mode conversion task under Wine, run on a thread of its own as the module window runs it, with the real
// shell file dialogs and message boxes on the session's display: a watcher thread of the test finds each dialog,
// types the document's path into the open dialog, accepts or cancels the save dialog, answers the overwrite prompt
// and the statistics box. Word is the stand-in (standins/wordStandIn.cpp), registered as "Word.Application" while the
// test runs; it treats documents as their bytes, so the "document" is the sample RTF of real equations under a Word
// file name. The temporary directory is the test's own (TMP and TEMP point into its folder).
//
// The whole road in both formats (Equation Editor 3.x through the stand-in in-process server), then a table of the
// other endings with what each leaves on disk, a second process holding the conversion mutex, the clean-up of the
// temporary folder beside links made from the Linux side, exceptions thrown from inside the real job, and a module
// window that changes while the task runs.
//
// The program is its own helper: "--hold-conversion-mutex NAME" holds the mutex until the test lets it go.
// VELTRIM_RAWMODE_HOLD_SECONDS=N keeps the open dialog and the statistics box up N seconds for a screenshot.
#include "rawModeWorker.h"
#include "conversionSettings.h"
#include "conversionTempFiles.h"
#include "equationServer.h"
#include "moduleHandles.h"
#include "moduleWindowTables.h"
#include "officeMathChecker.h"
#include "progressWindow.h"
#include "rawModeTask.h"
#include "registryValues.h"
#include "rtf/rtfOutput.h"
#include "rtf/statusLine.h"
#include "scopedWin.h"
#include "sembrikTestHost.h"
#include "skinTestHost.h"
#include "suiteRegistry.h"
#include "symbolicLinks.h"
#include "testFiles.h"
#include "wordAutomation.h"
#include "wordStandIn.h"

#include <gtest/gtest.h>
#include <shobjidl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace testing_support;

constexpr wchar_t kOpenTitle[] = L"Select Word Document";
constexpr wchar_t kSaveTitle[] = L"Save Word Document with Converted Equations";
constexpr int kFileNameEditId = 1152; // the file-name edit of Wine's item dialog
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Word.Application";
const std::wstring kWordClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + word_stand_in::kClassText;
constexpr wchar_t kEquation3ServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}\\InprocServer32";
// A dialog is answered once it has been up this long, so that it has finished filling itself.
constexpr auto kDialogSettle = std::chrono::milliseconds(400);
constexpr auto kTaskLimit = std::chrono::seconds(90);
constexpr uint32_t kTestWordCallLimitMs = 3000;
constexpr char kHoldMutexSwitch[] = "--hold-conversion-mutex";
// Files an earlier conversion left behind, under a base as makeTempBaseName makes them.
constexpr wchar_t kStaleSourceRtf[] = L"0C6A1B0E-2F5D-4C1A-9E3B-7D4F8A2B6C10.rtf";
constexpr wchar_t kStaleConvertedRtf[] = L"0C6A1B0E-2F5D-4C1A-9E3B-7D4F8A2B6C10_2.rtf";

size_t countOf(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
        ++count;
    return count;
}

// The group that opens at `start` ("{"), braces of escapes skipped.
std::string groupAt(const std::string& text, size_t start) {
    int depth = 0;
    for (size_t at = start; at < text.size(); ++at) {
        if (text[at] == '\\') {
            ++at;
        } else if (text[at] == '{') {
            ++depth;
        } else if (text[at] == '}' && --depth == 0) {
            return text.substr(start, at - start + 1);
        }
    }
    return text.substr(start);
}

fs::path testProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path);
}

int holdSeconds() {
    const char* text = std::getenv("VELTRIM_RAWMODE_HOLD_SECONDS");
    return text != nullptr ? std::atoi(text) : 0;
}

// ---- The status line, as the module window's hook would receive it (on the task's thread).
std::mutex gStatusLock;
std::vector<std::wstring> gStatus; // under gStatusLock

void recordStatus(const wchar_t* text) {
    std::lock_guard<std::mutex> lock(gStatusLock);
    gStatus.emplace_back(text);
}

std::vector<std::wstring> statusTexts() {
    std::lock_guard<std::mutex> lock(gStatusLock);
    return gStatus;
}

// ---- The watcher: the user in front of the dialogs.
enum class OpenAnswer { Cancel, TypeDocument };
enum class SaveAnswer {
    Accept,   // the proposed name as it stands
    Cancel,   // the dialog's Cancel
    TypeName, // "Renamed", without an extension: the dialog's default extension completes it
};

struct Script {
    OpenAnswer open = OpenAnswer::TypeDocument;
    std::wstring document; // typed into the open dialog's file-name edit
    SaveAnswer save = SaveAnswer::Accept;
    // Not empty: once Word's RTF shows up in this folder, a folder is put where the job's output will go, or, when
    // linkJobOutputTo is not empty either, a link to that file.
    fs::path blockJobOutputIn;
    fs::path linkJobOutputTo;
    int holdSeconds = 0;         // the open dialog and the statistics box stay up this long first
    HWND moduleWindow = nullptr; // the module window of the road test: a dialog too, but not one to answer
    // Not null: while the open dialog is up, this window becomes the module window (a later window took over).
    HWND nextModuleWindow = nullptr;
};

struct Seen {
    int openDialogs = 0;
    int saveDialogs = 0;
    int overwritePrompts = 0;
    std::wstring proposedName;            // the save dialog's file name when it came up
    std::vector<std::wstring> suiteBoxes; // texts of the "Veltrim Sorvanta" boxes, in order
    std::vector<std::wstring> otherBoxes; // any other dialog: title and text
    bool jobOutputBlocked = false;
    std::vector<std::wstring> openFilters; // the open dialog's file types, the selected one first
    std::vector<std::wstring> saveFilters; // the save dialog's
    FILEOPENDIALOGOPTIONS openOptions = 0; // the options each dialog was shown with
    FILEOPENDIALOGOPTIONS saveOptions = 0;
    HWND openOwner = nullptr; // the owner window of each dialog and box
    HWND saveOwner = nullptr;
    std::vector<HWND> suiteBoxOwners;
};

std::wstring windowText(HWND window) {
    wchar_t text[4096] = {};
    GetWindowTextW(window, text, int(std::size(text)));
    return text;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK findControlProc(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<ControlSearch*>(lParam);
    if (GetDlgCtrlID(window) == search->id) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findControl(HWND dialog, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(dialog, findControlProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK collectDialogProc(HWND window, LPARAM lParam) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    GetClassNameW(window, className, int(std::size(className)));
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && wcscmp(className, L"#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

BOOL CALLBACK collectComboProc(HWND window, LPARAM lParam) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, int(std::size(className)));
    if (_wcsicmp(className, L"ComboBox") == 0)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

// The file types a dialog offers: the names in its type list that end in a pattern list, the selected one first.
std::vector<std::wstring> filterNames(HWND dialog) {
    std::vector<HWND> combos;
    EnumChildWindows(dialog, collectComboProc, reinterpret_cast<LPARAM>(&combos));
    for (HWND combo : combos) {
        std::vector<std::wstring> names;
        const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT item = 0; item < count && item < 16; ++item) {
            wchar_t text[512] = {};
            if (SendMessageW(combo, CB_GETLBTEXTLEN, item, 0) < LRESULT(std::size(text)))
                SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
            names.emplace_back(text);
        }
        if (names.empty() || names[0].find(L"(*.docx") == std::wstring::npos)
            continue;
        const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (selected > 0 && selected < LRESULT(names.size()))
            std::swap(names[0], names[size_t(selected)]);
        return names;
    }
    return {};
}

// The options a shell item dialog was shown with, read while it is up. Wine's item dialog keeps its object in the
// dialog window's user data, with its IFileDialog interface first; 0 when the window holds none.
FILEOPENDIALOGOPTIONS dialogOptions(HWND dialog) {
    auto* object = reinterpret_cast<IFileDialog*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    FILEOPENDIALOGOPTIONS options = 0;
    if (object == nullptr || FAILED(object->GetOptions(&options)))
        return 0;
    return options;
}

void pressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class Watcher {
public:
    explicit Watcher(Script script) : script_(std::move(script)), thread_([this] { run(); }) {}
    ~Watcher() { stop(); }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    void stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // From now on every dialog of the process is cancelled: the task is over its time.
    void giveUp() { givenUp_ = true; }
    Seen seen() {
        std::lock_guard<std::mutex> lock(lock_);
        return seen_;
    }

private:
    void run() {
        while (!stop_) {
            std::vector<HWND> dialogs;
            EnumWindows(collectDialogProc, reinterpret_cast<LPARAM>(&dialogs));
            const auto now = std::chrono::steady_clock::now();
            for (HWND dialog : dialogs) {
                if (dialog == script_.moduleWindow)
                    continue;
                auto first = firstSeen_.emplace(dialog, now).first->second;
                if (answered_.count(dialog) == 0 && now - first >= kDialogSettle) {
                    answered_.insert(dialog);
                    answer(dialog);
                }
            }
            if (!script_.blockJobOutputIn.empty())
                blockJobOutput();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    void answer(HWND dialog) {
        const std::wstring title = windowText(dialog);
        std::lock_guard<std::mutex> lock(lock_);
        if (givenUp_) {
            pressButton(dialog, IDCANCEL);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        } else if (saveDialog_ != nullptr && GetWindow(dialog, GW_OWNER) == saveDialog_ &&
                   GetDlgItem(dialog, IDYES) != nullptr) {
            // The save dialog's own question before it replaces a file: a separate box under the dialog's title.
            ++seen_.overwritePrompts;
            pressButton(dialog, IDYES);
        } else if (title == kOpenTitle) {
            ++seen_.openDialogs;
            seen_.openFilters = filterNames(dialog);
            seen_.openOptions = dialogOptions(dialog);
            seen_.openOwner = GetWindow(dialog, GW_OWNER);
            if (script_.nextModuleWindow != nullptr)
                setModuleHandles(script_.nextModuleWindow, GetModuleHandleW(nullptr));
            hold();
            if (script_.open == OpenAnswer::Cancel) {
                pressButton(dialog, IDCANCEL);
                return;
            }
            if (HWND edit = findControl(dialog, kFileNameEditId))
                SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(script_.document.c_str()));
            pressButton(dialog, IDOK);
        } else if (title == kSaveTitle) {
            ++seen_.saveDialogs;
            saveDialog_ = dialog;
            seen_.saveFilters = filterNames(dialog);
            seen_.saveOptions = dialogOptions(dialog);
            seen_.saveOwner = GetWindow(dialog, GW_OWNER);
            HWND edit = findControl(dialog, kFileNameEditId);
            if (edit != nullptr)
                seen_.proposedName = windowText(edit);
            if (edit != nullptr && script_.save == SaveAnswer::TypeName)
                SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Renamed"));
            pressButton(dialog, script_.save == SaveAnswer::Cancel ? IDCANCEL : IDOK);
        } else if (title == kSuiteTitle) {
            seen_.suiteBoxes.push_back(windowText(GetDlgItem(dialog, kMessageBoxTextId)));
            seen_.suiteBoxOwners.push_back(GetWindow(dialog, GW_OWNER));
            hold();
            pressButton(dialog, IDOK);
        } else {
            seen_.otherBoxes.push_back(title + L": " + windowText(GetDlgItem(dialog, kMessageBoxTextId)));
            pressButton(dialog, IDCANCEL);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    }

    void hold() const {
        if (script_.holdSeconds > 0)
            std::this_thread::sleep_for(std::chrono::seconds(script_.holdSeconds));
    }

    // Word's RTF is base + ".rtf"; a folder or link named base + "_2.rtf" takes the job's output name. The stand-in
    // hangs in Close after its save, so this happens well before the job starts.
    void blockJobOutput() {
        std::error_code error;
        for (fs::directory_iterator entry(script_.blockJobOutputIn, error); !error && entry != fs::directory_iterator();
             entry.increment(error)) {
            const std::wstring name = entry->path().filename().wstring();
            if (name.size() > 6 && name.compare(name.size() - 4, 4, L".rtf") == 0 &&
                name.compare(name.size() - 6, 6, L"_2.rtf") != 0) {
                const fs::path blocker = script_.blockJobOutputIn / (entry->path().stem().wstring() + L"_2.rtf");
                std::error_code ignored;
                bool made = false;
                if (!script_.linkJobOutputTo.empty()) {
                    jobOutputLink_ = std::make_unique<SymbolicLink>(script_.linkJobOutputTo, blocker);
                    made = jobOutputLink_->made();
                } else {
                    made = fs::create_directory(blocker, ignored);
                }
                if (made) {
                    std::lock_guard<std::mutex> lock(lock_);
                    seen_.jobOutputBlocked = true;
                }
                script_.blockJobOutputIn.clear();
                return;
            }
        }
    }

    Script script_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> givenUp_{false};
    std::mutex lock_;
    Seen seen_;                                                       // under lock_
    HWND saveDialog_ = nullptr;                                       // watcher thread only
    std::map<HWND, std::chrono::steady_clock::time_point> firstSeen_; // watcher thread only
    std::set<HWND> answered_;                                         // watcher thread only
    std::unique_ptr<SymbolicLink> jobOutputLink_; // made by the watcher thread, removed with the watcher
    std::thread thread_;
};

// ---- The fixture: suite settings, Word registered, a temporary directory of the test's own, an owner window.
class RawMode : public ::testing::Test {
protected:
    void SetUp() override {
        if (otherWordClassRegistered(word_stand_in::kClassText))
            GTEST_SKIP() << "a Word class is registered here; the test leaves it alone";
        ownsWordKeys_ = true;
        ASSERT_TRUE(GetEnvironmentVariableW(L"TMP", savedTmp_, MAX_PATH) < MAX_PATH);
        ASSERT_TRUE(GetEnvironmentVariableW(L"TEMP", savedTemp_, MAX_PATH) < MAX_PATH);
        setTemporaryDirectory(folder_.path() / "tmp");
        fs::create_directories(folder_.path() / "tmp");
        fs::create_directories(folder_.path() / "docs");
        writeFileBytes(document(), sampleDocument());
        registerWord(L"");
        registry_.install(L"C:\\suite");
        registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
        registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", 1);
        setWordCallLimit(kTestWordCallLimitMs);
        setEquationServerSleep([](uint32_t) {});
        setStatusLineHook(recordStatus);
        {
            std::lock_guard<std::mutex> lock(gStatusLock);
            gStatus.clear();
        }
        owner_ = CreateWindowExW(0, L"STATIC", L"Raw Mode test owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320,
                                 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
        ownerRecord_ = std::make_unique<ScopedWindow>(owner_);
        setModuleHandles(owner_, GetModuleHandleW(nullptr));
    }

    void TearDown() override {
        setModuleHandles(nullptr, nullptr);
        ownerRecord_.reset();
        setStatusLineHook(nullptr);
        setEquationServerSleep(nullptr);
        setWordCallLimit(0);
        if (ownsWordKeys_) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgIdKey);
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, kWordClassKey.c_str());
            SetEnvironmentVariableW(L"TMP", savedTmp_[0] != 0 ? savedTmp_ : nullptr);
            SetEnvironmentVariableW(L"TEMP", savedTemp_[0] != 0 ? savedTemp_ : nullptr);
        }
    }

    static std::string sampleDocument() { return readFileBytes(fs::path("Z:" VELTRIM_SAMPLE_RTF)); }

    static void setTemporaryDirectory(const fs::path& folder) {
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }

    void registerWord(const std::wstring& switches) {
        const fs::path program = testProgram().parent_path() / word_stand_in::kProgramName;
        const std::wstring command =
            L"\"" + program.wstring() + L"\" \"--log=" + wordLog().wstring() + L"\" " + switches;
        writeMachineDefault(std::wstring(kProgIdKey) + L"\\CLSID", word_stand_in::kClassText);
        writeMachineDefault(kWordClassKey, L"Word stand-in");
        writeMachineDefault(kWordClassKey + L"\\LocalServer32", command);
    }

    static void writeMachineDefault(const std::wstring& keyPath, const std::wstring& value) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, keyPath.c_str(), nullptr, REG_SZ, value.c_str(),
                                  DWORD((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    // Runs the task as the module window starts it, on a thread of its own, while this thread, the owner's, handles
    // its messages as the module window's UI thread does (the dialogs are modal to the owner).
    int32_t runTask(Watcher& watcher) {
        std::future<int32_t> task = std::async(std::launch::async, runRawModeTask);
        const auto deadline = std::chrono::steady_clock::now() + kTaskLimit;
        while (task.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "the task did not end in time";
                watcher.giveUp();
            }
        }
        watcher.stop();
        return task.get();
    }

    fs::path document() const { return folder_.path() / "docs" / "Paper.docx"; }
    fs::path proposedOutput() const { return folder_.path() / "docs" / "Paper_converted.docx"; }
    fs::path temporaryFolder() const { return folder_.path() / "tmp" / "Veltrim_sbk"; }
    fs::path wordLog() const { return folder_.path() / "word.log"; }

    std::vector<std::string> temporaryFiles() const {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator entry(temporaryFolder(), error); !error && entry != fs::directory_iterator();
             entry.increment(error))
            names.push_back(narrowText(entry->path().filename().wstring()) + (entry->is_directory() ? "/" : ""));
        return names;
    }

    TempFolder folder_;
    SuiteRegistry registry_;
    HWND owner_ = nullptr;
    std::unique_ptr<ScopedWindow> ownerRecord_;
    bool ownsWordKeys_ = false;
    wchar_t savedTmp_[MAX_PATH] = {};
    wchar_t savedTemp_[MAX_PATH] = {};
};

std::wstring officeMathStatistics(size_t converted) {
    return L"Equation format: Microsoft Equation [" + std::to_wstring(converted) +
           L"];\r\n(+) Force Unicode;\r\n(-) Restore broken equations;\r\n(-) Allow MathType fonts.\r\n\r\n";
}

// Every status text after the task: the engine's progress, the job's "Done.", and the task's empty text last.
void expectProgressThenCleared(const std::vector<std::wstring>& status, const std::string& label) {
    ASSERT_GE(status.size(), 3u) << label;
    EXPECT_EQ(status.back(), L"") << label;
    EXPECT_EQ(status[status.size() - 2], L"Done.") << label;
    EXPECT_EQ(status[status.size() - 3].rfind(L"Processed: ", 0), 0u) << label;
}

TEST_F(RawMode, OfficeMathEndToEnd) {
    const std::string sample = sampleDocument();
    const auto direct = testing_support::runEngineJob(sample);
    const size_t objects = countOf(sample, "{\\object");
    ASSERT_GT(objects, 30u);
    ASSERT_EQ(size_t(direct.converted), objects) << "the sample should convert whole";
    setStatusLineHook(recordStatus);                     // the direct run had its own
    writeFileBytes(proposedOutput(), "an older result"); // the save dialog asks before it replaces it
    fs::create_directories(temporaryFolder());
    writeFileBytes(temporaryFolder() / kStaleSourceRtf, "left by an earlier conversion");
    writeFileBytes(temporaryFolder() / kStaleConvertedRtf, "left by an earlier conversion");

    Script script;
    script.document = document().wstring();
    script.holdSeconds = holdSeconds();
    Watcher watcher(script);
    const int32_t result = runTask(watcher);
    const Seen seen = watcher.seen();

    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen.openDialogs, 1);
    EXPECT_EQ(seen.saveDialogs, 1);
    EXPECT_EQ(seen.proposedName, L"Paper_converted.docx");
    EXPECT_EQ(seen.overwritePrompts, 1);
    EXPECT_TRUE(seen.otherBoxes.empty()) << narrowText(seen.otherBoxes.empty() ? L"" : seen.otherBoxes[0]);
    ASSERT_EQ(seen.suiteBoxes.size(), 1u);
    EXPECT_EQ(seen.suiteBoxes[0], officeMathStatistics(objects));
    const std::vector<std::wstring> openFilters = {
        L"All Word Documents (*.docx;*.docm;*.dotx;*.dotm;*.doc;*.dot;*.htm;*.html;*.rtf;*.mht;*.mhtml;*.xml;*.odt;"
        L"*.pdf)",
        L"Word Document (*.docx)"};
    EXPECT_EQ(seen.openFilters, openFilters);
    EXPECT_EQ(seen.saveFilters, std::vector<std::wstring>{L"Word Document (*.docx)"});
    // Only file-system items can be chosen in either dialog, and the save dialog asks before it replaces a file.
    EXPECT_NE(seen.openOptions & FOS_FORCEFILESYSTEM, 0u) << std::hex << seen.openOptions;
    EXPECT_NE(seen.saveOptions & FOS_FORCEFILESYSTEM, 0u) << std::hex << seen.saveOptions;
    EXPECT_NE(seen.saveOptions & FOS_OVERWRITEPROMPT, 0u) << std::hex << seen.saveOptions;
    EXPECT_EQ(seen.openOwner, owner_);
    EXPECT_EQ(seen.saveOwner, owner_);

    // Word saved the converted RTF's bytes: exactly what the engine writes, every equation as sound Office Math.
    const std::string saved = readFileBytes(proposedOutput());
    EXPECT_EQ(saved, direct.output);
    EXPECT_EQ(countOf(saved, "{\\*\\moMath "), objects);
    EXPECT_EQ(countOf(saved, "{\\object"), objects);
    EXPECT_EQ(countOf(saved, "\\objdata"), 0u); // no object data left: every object became its Office Math
    for (size_t at = saved.find("{\\*\\moMath "); at != std::string::npos; at = saved.find("{\\*\\moMath ", at + 1))
        EXPECT_EQ(testing_support::checkOfficeMathRtf(groupAt(saved, at)), "") << "equation at " << at;

    expectProgressThenCleared(statusTexts(), "Office Math");
    // The stale files went at the start; Word's RTF was consumed by the engine and the converted RTF removed.
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
    EXPECT_EQ(readFileBytes(document()), sampleDocument()); // the chosen document is never changed
}

// What the module window's status line showed, each text once, read on the window's thread whenever it takes a
// message: the window sets the line from the worker's posted texts one message at a time, so every text is seen.
using LabelText = void (*)(int32_t id, wchar_t* buffer, int32_t units);
LabelText gLabelText = nullptr; // set before the hook goes in
std::mutex gShownLock;
std::vector<std::wstring> gShown; // under gShownLock

LRESULT CALLBACK watchStatusLine(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && gLabelText != nullptr) {
        wchar_t text[128] = {};
        gLabelText(kModuleStatusLabel, text, 128);
        std::lock_guard<std::mutex> lock(gShownLock);
        if (gShown.empty() || gShown.back() != text)
            gShown.emplace_back(text);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The road of one request as a user takes it: the module window of the library (loaded by path, as the settings
// program loads it), real clicks on "Raw Mode" and "Select ...", the user's answers from the watcher, and the status
// line read on the window's own thread while the conversion runs.
TEST_F(RawMode, ModuleWindowRoad) {
    const std::string sample = sampleDocument();
    const size_t objects = countOf(sample, "{\\object");
    // The module's installation under the suite path the fixture's keys name.
    const fs::path module = folder_.path() / "suite" / "sembrik";
    const fs::path artwork(skin_test::artworkFolder(skin_test::HostLook::ConverterLibrary));
    fs::create_directories(module / "skin");
    fs::copy_file(artwork / "background.bmp", module / "btmm");
    fs::copy_file(artwork / "buttons.bmp", module / "btmb");
    fs::copy_file(artwork / "window.ico", module / "btmi");
    registry_.install((folder_.path() / "suite").wstring());

    const HMODULE library = sembrik_test::loadLibraryOnce(L"Z:" VELTRIM_SBK_SEAM_DLL);
    ASSERT_NE(library, nullptr);
    using Busy = bool (*)();
    const auto labelText = sembrik_test::libraryEntry<LabelText>(library, "seamLabelText");
    const auto busy = sembrik_test::libraryEntry<Busy>(library, "seamBusy");
    ASSERT_TRUE(labelText != nullptr && busy != nullptr);
    sembrik_test::ModuleSession session(sembrik_test::SessionCall{library, false, false});
    ASSERT_TRUE(session.started());
    const auto statusLine = [&] {
        return session.call<std::wstring>([&] {
            wchar_t text[128] = {};
            labelText(kModuleStatusLabel, text, 128);
            return std::wstring(text);
        });
    };
    const auto clickOn = [&](int32_t id) {
        for (const ModuleTableRow& row : kModuleControlRows) {
            if (row.id == id)
                return session.click(row.x + row.width / 2, row.y + row.height / 2);
        }
        return false;
    };

    gLabelText = labelText;
    {
        std::lock_guard<std::mutex> lock(gShownLock);
        gShown.clear();
    }
    ScopedWindowsHook statusWatch(SetWindowsHookExW(WH_GETMESSAGE, watchStatusLine, nullptr,
                                                    GetWindowThreadProcessId(session.window(), nullptr)));
    ASSERT_NE(statusWatch.get(), nullptr);
    Script script;
    script.document = document().wstring();
    script.moduleWindow = session.window();
    Watcher watcher(script);
    ASSERT_TRUE(clickOn(kModuleRawModeTab));
    ASSERT_TRUE(clickOn(kModuleSelectButton));
    // Until the task has ended and the window is free again.
    const auto deadline = std::chrono::steady_clock::now() + kTaskLimit;
    bool free = false;
    while (!free && std::chrono::steady_clock::now() < deadline) {
        free = watcher.seen().suiteBoxes.size() == 1 && !session.call<bool>([&] { return busy(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::wstring> shown;
    {
        std::lock_guard<std::mutex> lock(gShownLock);
        shown = gShown;
    }
    if (!free)
        watcher.giveUp();
    watcher.stop();
    const Seen seen = watcher.seen();
    ASSERT_TRUE(free) << "the conversion did not end in time";
    EXPECT_EQ(seen.openDialogs, 1);
    EXPECT_EQ(seen.saveDialogs, 1);
    EXPECT_EQ(seen.proposedName, L"Paper_converted.docx");
    EXPECT_TRUE(seen.otherBoxes.empty()) << narrowText(seen.otherBoxes.empty() ? L"" : seen.otherBoxes[0]);
    ASSERT_EQ(seen.suiteBoxes.size(), 1u);
    EXPECT_EQ(seen.suiteBoxes[0], officeMathStatistics(objects));
    // Every equation of the chosen document converted, as sound Office Math.
    const std::string saved = readFileBytes(proposedOutput());
    EXPECT_EQ(countOf(saved, "{\\*\\moMath "), objects);
    EXPECT_EQ(countOf(saved, "\\objdata"), 0u);
    for (size_t at = saved.find("{\\*\\moMath "); at != std::string::npos; at = saved.find("{\\*\\moMath ", at + 1))
        EXPECT_EQ(testing_support::checkOfficeMathRtf(groupAt(saved, at)), "") << "equation at " << at;
    // The worker's texts reached the window's status line, and it is empty again; nothing is left in the temporary
    // folder. The window shows the latest text each time it takes one, so a document this small may go from no
    // text to "Done." without a "Processed: N%" in between: the job's "Done." is the text that always shows.
    const bool doneShown = std::find(shown.begin(), shown.end(), L"Done.") != shown.end();
    EXPECT_TRUE(doneShown) << "status texts seen: " << shown.size();
    EXPECT_EQ(statusLine(), L"");
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
    // The window is free again: Close ends it.
    for (const ModuleTableRow& row : kModuleControlRows) {
        if (row.id == kModuleCloseButton) {
            ASSERT_TRUE(session.clickToEnd(row.x + row.width / 2, row.y + row.height / 2));
        }
    }
    EXPECT_GE(session.waitForEnd(), 0);
}

TEST_F(RawMode, EquationEditor3EndToEnd) {
    const fs::path server = fs::path("Z:" VELTRIM_STAND_IN_SERVER).make_preferred();
    const std::wstring serverPath = server.wstring();
    ASSERT_NO_FATAL_FAILURE(writeMachineDefault(kEquation3ServerKey, serverPath));
    constexpr wchar_t kApartment[] = L"Apartment";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kEquation3ServerKey, L"ThreadingModel", REG_SZ, kApartment,
                              DWORD(sizeof kApartment)),
              ERROR_SUCCESS);
    registry_.setDword(SuiteKey::UserSembrik, L"eqVersion", 0);
    const size_t objects = countOf(sampleDocument(), "{\\object");
    // What the engine converts through the server, on a thread with an apartment of its own.
    const int converted =
        std::async(std::launch::async, [] {
            const ScopedComApartment apartment;
            return testing_support::runEngineJob(sampleDocument(), testing_support::equationEditor3Options()).converted;
        }).get();
    ASSERT_GT(converted, 20);
    setStatusLineHook(recordStatus); // the direct run had its own

    Script script;
    script.document = document().wstring();
    Watcher watcher(script);
    const int32_t result = runTask(watcher);
    const Seen seen = watcher.seen();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\CLSID\\{0002CE02-0000-0000-C000-000000000046}");

    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen.overwritePrompts, 0);
    EXPECT_TRUE(seen.otherBoxes.empty()) << narrowText(seen.otherBoxes.empty() ? L"" : seen.otherBoxes[0]);
    ASSERT_EQ(seen.suiteBoxes.size(), 1u);
    EXPECT_EQ(seen.suiteBoxes[0], L"Equation format: Equation Editor 3.x [" + std::to_wstring(converted) +
                                      L"];\r\n(+) Force Unicode;\r\n(-) Restore broken equations;\r\n"
                                      L"(-) Allow MathType fonts.\r\n\r\n");
    // Every object is now an Equation Editor 3.x object (MathType's rebuilt by the server); none of MathType's is
    // left.
    const std::string saved = readFileBytes(proposedOutput());
    EXPECT_EQ(countOf(saved, "\\objclass Equation.3}"), objects);
    EXPECT_EQ(countOf(saved, "Equation.DSMT4"), 0u);
    EXPECT_EQ(countOf(saved, "\\moMath"), 0u);
    expectProgressThenCleared(statusTexts(), "Equation Editor 3.x");
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
}

// How a row sets the scene before the task runs.
enum class Scene {
    Plain,                // nothing more
    DocumentHeld,         // the document is open elsewhere without write sharing
    OutputHeld,           // the proposed output exists and is open elsewhere without sharing
    JobOutputBlocked,     // a folder stands where the job's output goes (the watcher puts it there)
    JobOutputLinked,      // a link to a file elsewhere stands there (the watcher makes it from the Linux side)
    TempFolderIsFile,     // a file stands where the temporary folder should be
    TempDirectoryUnknown, // TMP and TEMP are too long for a path: no temporary directory
    SettingsMissing,      // the suite is not installed: the job refuses
};

TEST_F(RawMode, OtherEndings) {
    const std::string converted = testing_support::runEngineJob(sampleDocument()).output;
    const std::wstring statistics = officeMathStatistics(countOf(sampleDocument(), "{\\object"));
    const std::vector<std::wstring> none;
    const struct {
        const char* name;
        Scene scene;
        const wchar_t* wordSwitches; // the stand-in's, beside --log
        OpenAnswer open;
        SaveAnswer save;
        int32_t result;
        int saveDialogs;
        std::vector<std::wstring> boxes;                // "Veltrim Sorvanta" boxes
        bool wordStarted;                               // the stand-in logged anything
        const wchar_t* savedAs;                         // the file of the documents' folder Word saved, or null
        std::vector<std::string> leftInTemporaryFolder; // "*.rtf" for Word's RTF under its GUID name
        bool progressShown;                             // the engine's progress and "Done." came before ""
    } cases[] = {
        // clang-format off
        // name, scene, Word's switches, open answer, save answer, result, save dialogs, boxes, Word started, saved as,
        // left in the temporary folder, progress shown
        {"open dialog cancelled", Scene::Plain, L"", OpenAnswer::Cancel, SaveAnswer::Accept, 1, 0, none, false,
         nullptr, {}, false},
        {"document held open", Scene::DocumentHeld, L"", OpenAnswer::TypeDocument, SaveAnswer::Accept, 5, 0, none,
         false, nullptr, {}, false},
        {"Word's RTF save fails", Scene::Plain, L"--fail=SaveAs", OpenAnswer::TypeDocument, SaveAnswer::Accept, 7, 0,
         none, true, nullptr, {}, false},
        {"Word's .docx save fails", Scene::OutputHeld, L"", OpenAnswer::TypeDocument, SaveAnswer::Accept, 8, 1, none,
         true, nullptr, {}, true},
        {"job output not creatable", Scene::JobOutputBlocked, L"--hang=Close", OpenAnswer::TypeDocument,
         SaveAnswer::Accept, 9, 0, none, true, nullptr, {"*.rtf", "*_2.rtf/"}, false},
        {"job output name taken by a link", Scene::JobOutputLinked, L"--hang=Close", OpenAnswer::TypeDocument,
         SaveAnswer::Accept, 9, 0, none, true, nullptr, {"*.rtf", "*_2.rtf"}, false},
        {"save dialog cancelled", Scene::Plain, L"", OpenAnswer::TypeDocument, SaveAnswer::Cancel, 0, 1, none, true,
         nullptr, {}, true},
        {"a name typed without extension", Scene::Plain, L"", OpenAnswer::TypeDocument, SaveAnswer::TypeName, 0, 1,
         {statistics}, true, L"Renamed.docx", {}, true},
        {"file where the temporary folder goes", Scene::TempFolderIsFile, L"", OpenAnswer::TypeDocument,
         SaveAnswer::Accept, 10, 0, none, false, nullptr, {}, false},
        {"no temporary directory", Scene::TempDirectoryUnknown, L"", OpenAnswer::TypeDocument, SaveAnswer::Accept, 10,
         0, none, false, nullptr, {}, false},
        {"settings missing", Scene::SettingsMissing, L"", OpenAnswer::TypeDocument, SaveAnswer::Accept, 0, 0,
         {kNotInstalledText}, true, nullptr, {"*.rtf"}, false},
        // clang-format on
    };
    const fs::path linkedNotes = folder_.path() / "notes.txt";
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& entry = cases[row];
        const std::string label = "row " + std::to_string(row) + " (" + entry.name + ")";
        std::error_code ignored;
        fs::remove_all(temporaryFolder(), ignored);
        fs::remove(proposedOutput(), ignored);
        fs::remove(document().parent_path() / "Renamed.docx", ignored);
        fs::remove(wordLog(), ignored);
        registerWord(entry.wordSwitches);
        setStatusLineHook(recordStatus);
        {
            std::lock_guard<std::mutex> lock(gStatusLock);
            gStatus.clear();
        }
        registry_.install(L"C:\\suite");
        registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
        ScopedHandle held;
        Script script;
        script.document = document().wstring();
        script.open = entry.open;
        script.save = entry.save;
        switch (entry.scene) {
        case Scene::Plain:
            break;
        case Scene::DocumentHeld:
            held = ScopedHandle(CreateFileW(document().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(held.isValid()) << label;
            break;
        case Scene::OutputHeld:
            writeFileBytes(proposedOutput(), "an older result");
            held = ScopedHandle(CreateFileW(proposedOutput().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(held.isValid()) << label;
            break;
        case Scene::JobOutputBlocked:
            fs::create_directories(temporaryFolder());
            script.blockJobOutputIn = temporaryFolder();
            break;
        case Scene::JobOutputLinked:
            fs::create_directories(temporaryFolder());
            writeFileBytes(linkedNotes, "the notes");
            script.blockJobOutputIn = temporaryFolder();
            script.linkJobOutputTo = linkedNotes;
            break;
        case Scene::TempFolderIsFile:
            writeFileBytes(temporaryFolder(), "not a folder");
            break;
        case Scene::TempDirectoryUnknown:
            setTemporaryDirectory(folder_.path() / std::wstring(300, L'x'));
            break;
        case Scene::SettingsMissing:
            registry_.removeKey(SuiteKey::MachineSembrik);
            registry_.removeKey(SuiteKey::MachineMain);
            break;
        }

        Watcher watcher(script);
        const int32_t result = runTask(watcher);
        const Seen seen = watcher.seen();
        held.close();
        setTemporaryDirectory(folder_.path() / "tmp");

        EXPECT_EQ(result, entry.result) << label;
        EXPECT_EQ(seen.openDialogs, 1) << label;
        EXPECT_EQ(seen.saveDialogs, entry.saveDialogs) << label;
        EXPECT_EQ(seen.suiteBoxes, entry.boxes) << label;
        EXPECT_TRUE(seen.otherBoxes.empty())
            << label << ": " << narrowText(seen.otherBoxes.empty() ? L"" : seen.otherBoxes[0]);
        EXPECT_EQ(fs::exists(wordLog()), entry.wordStarted) << label;
        if (entry.scene == Scene::JobOutputBlocked || entry.scene == Scene::JobOutputLinked) {
            EXPECT_TRUE(seen.jobOutputBlocked) << label;
        }
        if (entry.scene == Scene::JobOutputLinked) {
            EXPECT_TRUE(readFileBytes(linkedNotes) == "the notes") << label << ": the job wrote through the link";
        }
        if (entry.savedAs != nullptr) {
            EXPECT_EQ(readFileBytes(document().parent_path() / entry.savedAs), converted) << label;
        }
        if (entry.scene == Scene::OutputHeld) {
            EXPECT_EQ(readFileBytes(proposedOutput()), "an older result") << label;
        } else {
            EXPECT_FALSE(fs::exists(proposedOutput())) << label;
        }
        std::vector<std::string> left = temporaryFiles();
        for (std::string& name : left) {
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".rtf") == 0 &&
                name.find("_2") == std::string::npos)
                name = "*.rtf"; // Word's RTF, under its GUID name
            else if (name.size() > 7 && name.compare(name.size() - 7, 7, "_2.rtf/") == 0)
                name = "*_2.rtf/"; // a folder in the job output's place: not the conversion's, so it stays
            else if (name.size() > 6 && name.compare(name.size() - 6, 6, "_2.rtf") == 0)
                name = "*_2.rtf"; // a link in its place (Wine shows it as a file): it stays too
        }
        std::sort(left.begin(), left.end());
        if (entry.scene == Scene::TempFolderIsFile) {
            EXPECT_EQ(readFileBytes(temporaryFolder()), "not a folder") << label;
        } else {
            EXPECT_EQ(left, entry.leftInTemporaryFolder) << label;
        }
        EXPECT_EQ(readFileBytes(document()), sampleDocument()) << label;
        const auto status = statusTexts();
        ASSERT_FALSE(status.empty()) << label;
        EXPECT_EQ(status.back(), L"") << label << ": the status line is cleared on every ending";
        if (entry.progressShown) {
            expectProgressThenCleared(status, label);
        } else {
            EXPECT_EQ(status.size(), 1u) << label;
        }
    }
}

// ---- A save dialog that cannot be trusted, in place of the shell's: one that refuses its options (and so would not
// ask before it replaces a file), or one that gives an item without a file-system path. It shows nothing: Show
// returns at once, as if the user had accepted what it proposed.
// The reference counting and interface query of the stand-in COM objects below.
template <typename Interface> class StandInObject : public Interface {
public:
    virtual ~StandInObject() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!answers(iid)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual bool answers(REFIID iid) const = 0;

private:
    std::atomic<ULONG> references_{1};
};

class UntrustedItem final : public StandInObject<IShellItem> {
public:
    explicit UntrustedItem(std::wstring path) : path_(std::move(path)) {}
    HRESULT STDMETHODCALLTYPE BindToHandler(IBindCtx*, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetParent(IShellItem**) override { return E_NOTIMPL; }
    // Only the file-system path is ever asked for; an empty one means the item has none.
    HRESULT STDMETHODCALLTYPE GetDisplayName(SIGDN, LPWSTR* name) override {
        *name = nullptr;
        if (path_.empty())
            return E_INVALIDARG; // what the shell answers for an item outside the file system
        const size_t bytes = (path_.size() + 1) * sizeof(wchar_t);
        *name = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        if (*name == nullptr)
            return E_OUTOFMEMORY;
        std::memcpy(*name, path_.c_str(), bytes);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAttributes(SFGAOF, SFGAOF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Compare(IShellItem*, SICHINTF, int*) override { return E_NOTIMPL; }

private:
    bool answers(REFIID iid) const override { return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellItem); }
    std::wstring path_;
};

struct UntrustedSave {
    bool refusesOptions = false;
    std::wstring chosenPath; // the chosen item's file-system path; empty: it has none
    std::atomic<int> shown{0};
};
UntrustedSave gUntrustedSave; // set by the test before the task starts

class UntrustedSaveDialog final : public StandInObject<IFileDialog> {
public:
    HRESULT STDMETHODCALLTYPE Show(HWND) override {
        ++gUntrustedSave.shown;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFileTypes(UINT, const COMDLG_FILTERSPEC*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetFileTypeIndex(UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetFileTypeIndex(UINT* index) override {
        *index = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IFileDialogEvents*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetOptions(FILEOPENDIALOGOPTIONS) override {
        return gUntrustedSave.refusesOptions ? E_INVALIDARG : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetOptions(FILEOPENDIALOGOPTIONS* options) override {
        *options = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDefaultFolder(IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetFolder(IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetFolder(IShellItem**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentSelection(IShellItem**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFileName(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetFileName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTitle(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOkButtonLabel(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetFileNameLabel(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetResult(IShellItem** item) override {
        *item = new UntrustedItem(gUntrustedSave.chosenPath);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddPlace(IShellItem*, FDAP) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetDefaultExtension(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetClientGuid(REFGUID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ClearClientData() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetFilter(IShellItemFilter*) override { return S_OK; }

private:
    bool answers(REFIID iid) const override {
        return IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IModalWindow) || IsEqualIID(iid, IID_IFileDialog);
    }
};

// The shell's open dialog, and the untrusted one for saving.
HRESULT makeUntrustedSaveDialog(REFCLSID dialogClass, IFileDialog** dialog) {
    if (!IsEqualCLSID(dialogClass, CLSID_FileSaveDialog))
        return CoCreateInstance(dialogClass, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                reinterpret_cast<void**>(dialog));
    *dialog = new UntrustedSaveDialog();
    return S_OK;
}

// The user cannot be asked before a file is replaced, or has chosen a place with no path: nothing is saved, the
// earlier result stays as it was, and the task says the save failed (4: no usable dialog; 8: a save that failed).
TEST_F(RawMode, ASaveDialogThatCannotBeTrustedSavesNothing) {
    const struct {
        const char* name;
        bool refusesOptions;
        bool chosenHasPath; // the chosen item is the proposed output (which exists) rather than a place with no path
        int32_t result;
        int shown;
    } cases[] = {
        {"the dialog refuses the overwrite question", true, true, 4, 0},
        {"the chosen item has no file-system path", false, false, 8, 1},
    };
    setFileDialogMaker(makeUntrustedSaveDialog);
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::string label = "row " + std::to_string(row) + " (" + cases[row].name + ")";
        writeFileBytes(proposedOutput(), "an older result");
        gUntrustedSave.refusesOptions = cases[row].refusesOptions;
        gUntrustedSave.chosenPath = cases[row].chosenHasPath ? proposedOutput().wstring() : std::wstring();
        gUntrustedSave.shown = 0;
        Script script;
        script.document = document().wstring();
        Watcher watcher(script);
        const int32_t result = runTask(watcher);
        const Seen seen = watcher.seen();

        EXPECT_EQ(result, cases[row].result) << label;
        EXPECT_EQ(gUntrustedSave.shown.load(), cases[row].shown) << label;
        EXPECT_EQ(seen.openDialogs, 1) << label;
        EXPECT_TRUE(seen.suiteBoxes.empty()) << label << ": no statistics for a document that was not saved";
        EXPECT_TRUE(readFileBytes(proposedOutput()) == "an older result")
            << label << ": the earlier result was replaced";
        EXPECT_TRUE(readFileBytes(document()) == sampleDocument()) << label;
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>{}) << label << ": the converted RTF is removed";
    }
    setFileDialogMaker(nullptr);
}

// A conversion of another process holds the mutex: this one leaves the shared folder as it is.
TEST_F(RawMode, SecondProcessHoldsTheMutex) {
    fs::create_directories(temporaryFolder());
    writeFileBytes(temporaryFolder() / kStaleSourceRtf, "another conversion's file");
    const std::wstring eventBase = L"VeltrimRawModeTest_" + std::to_wstring(GetCurrentProcessId());
    ScopedHandle ready(CreateEventW(nullptr, TRUE, FALSE, (eventBase + L"_ready").c_str()));
    ScopedHandle release(CreateEventW(nullptr, TRUE, FALSE, (eventBase + L"_release").c_str()));
    ASSERT_TRUE(ready.isValid() && release.isValid());
    std::wstring command = L"\"" + testProgram().wstring() + L"\" " +
                           std::wstring(std::begin(kHoldMutexSwitch), std::end(kHoldMutexSwitch) - 1) + L" " +
                           eventBase;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const ScopedHandle processHandle(process.hProcess);
    const ScopedHandle threadHandle(process.hThread);
    ASSERT_EQ(WaitForSingleObject(ready.get(), 30000), WAIT_OBJECT_0) << "the helper did not take the mutex";

    Script script;
    script.open = OpenAnswer::Cancel;
    Watcher watcher(script);
    EXPECT_EQ(runTask(watcher), 1);
    SetEvent(release.get());
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{narrowText(kStaleSourceRtf)});

    // With the helper gone the mutex is free again, and the next conversion empties the folder.
    Watcher second(script);
    EXPECT_EQ(runTask(second), 1);
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
}

// ---- Links made from the Linux side, as another program (or a user's shell) may leave them in the temporary folder,
// under the names a conversion gives its own files. Wine shows a link to a folder as a reparse-point folder (0x410)
// and a link to a file as a plain file (0x20), so the name rule lets both through and only the handle can tell.
constexpr wchar_t kFileLinkName[] = L"7B1E4C90-3D2A-4F68-A5C1-9E0D2B7F3A41.rtf";
constexpr wchar_t kFolderLinkName[] = L"2F9A6D13-8C4E-4B07-B3D5-6A1C0E9F8B22_2.rtf";

// The clean-up at the start of a conversion deletes the stale files of earlier conversions and nothing else: not a
// link to a folder or what that folder holds, not a link to a file or that file, not a folder named like a
// conversion's file or what it holds, not a file of any other name.
TEST_F(RawMode, TheCleanUpDeletesOnlyTheConversionsOwnFiles) {
    const fs::path elsewhere = folder_.path() / "elsewhere";
    fs::create_directories(elsewhere / "papers");
    writeFileBytes(elsewhere / "papers" / "thesis.docx", "the thesis");
    writeFileBytes(elsewhere / "notes.txt", "the notes");
    const fs::path folderNamedLikeOurs = temporaryFolder() / L"5E2D8C41-77B0-4F3A-8D61-0B9C3E4A5F72_2.rtf";
    fs::create_directories(folderNamedLikeOurs);
    writeFileBytes(folderNamedLikeOurs / kStaleSourceRtf, "inside a folder");
    writeFileBytes(temporaryFolder() / kStaleSourceRtf, "left by an earlier conversion");
    writeFileBytes(temporaryFolder() / kStaleConvertedRtf, "left by an earlier conversion");
    writeFileBytes(temporaryFolder() / "keep.rtf", "not a conversion's name");
    const SymbolicLink folderLink(elsewhere / "papers", temporaryFolder() / kFolderLinkName);
    const SymbolicLink fileLink(elsewhere / "notes.txt", temporaryFolder() / kFileLinkName);
    ASSERT_TRUE(folderLink.made() && fileLink.made()) << "the links could not be made from the Linux side";
    EXPECT_EQ(GetFileAttributesW((temporaryFolder() / kFolderLinkName).c_str()), DWORD(0x410)); // as Wine 8 shows them
    EXPECT_EQ(GetFileAttributesW((temporaryFolder() / kFileLinkName).c_str()), DWORD(0x20));

    Script script;
    script.open = OpenAnswer::Cancel;
    Watcher watcher(script);
    EXPECT_EQ(runTask(watcher), 1);

    std::vector<std::string> left = temporaryFiles();
    std::sort(left.begin(), left.end());
    const std::vector<std::string> expected = {narrowText(kFolderLinkName) + "/",
                                               "5E2D8C41-77B0-4F3A-8D61-0B9C3E4A5F72_2.rtf/", narrowText(kFileLinkName),
                                               "keep.rtf"};
    EXPECT_EQ(left, expected);
    EXPECT_EQ(readFileBytes(folderNamedLikeOurs / kStaleSourceRtf), "inside a folder");
    EXPECT_EQ(readFileBytes(elsewhere / "papers" / "thesis.docx"), "the thesis");
    EXPECT_EQ(readFileBytes(elsewhere / "notes.txt"), "the notes");
    // The links still lead there.
    EXPECT_EQ(readFileBytes(temporaryFolder() / kFolderLinkName / "thesis.docx"), "the thesis");
    EXPECT_EQ(readFileBytes(temporaryFolder() / kFileLinkName), "the notes");
}

// ---- An exception inside the real conversion: the status line hook throws at the engine's first progress report.
enum class Thrown { OutOfMemory, FileSystem, Other };
std::atomic<Thrown> gThrown{Thrown::Other};
std::atomic<bool> gHasThrown{false};

void throwAtFirstProgress(const wchar_t* text) {
    recordStatus(text);
    if (gHasThrown || std::wstring(text).rfind(L"Processed: ", 0) != 0)
        return;
    gHasThrown = true;
    switch (gThrown.load()) {
    case Thrown::OutOfMemory:
        throw std::bad_alloc();
    case Thrown::FileSystem:
        throw fs::filesystem_error("the disk went away", std::make_error_code(std::errc::io_error));
    case Thrown::Other:
        throw std::runtime_error("a hook failed");
    }
}

bool progressWindowOfThisProcess() {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"VLTPROGRESSWIN", nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, L"VLTPROGRESSWIN", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return true;
    }
    return false;
}

// The task reports the exception by its code (11 out of memory, 10 the file-system library, 12 anything else), and
// the job's resources went on the way out: the output file is closed and removed with the rest of the temporary
// folder (Word's RTF was consumed), the progress window is gone, nothing was saved, and the status line is cleared.
// A conversion after them runs as any other.
TEST_F(RawMode, AnExceptionInsideTheJobIsReportedAndLeavesNothingBehind) {
    const struct {
        Thrown thrown;
        DWORD progressWindow; // isProgressWin
        int32_t result;
    } cases[] = {
        {Thrown::OutOfMemory, 1, 11},
        {Thrown::FileSystem, 0, 10},
        {Thrown::Other, 1, 12},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", cases[row].progressWindow);
        {
            std::lock_guard<std::mutex> lock(gStatusLock);
            gStatus.clear();
        }
        gThrown = cases[row].thrown;
        gHasThrown = false;
        setStatusLineHook(throwAtFirstProgress);
        Script script;
        script.document = document().wstring();
        Watcher watcher(script);
        const int32_t result = runTask(watcher);
        setStatusLineHook(recordStatus);
        const Seen seen = watcher.seen();
        EXPECT_TRUE(gHasThrown) << "row " << row;
        EXPECT_EQ(result, cases[row].result) << "row " << row;
        EXPECT_EQ(seen.saveDialogs, 0) << "row " << row;
        EXPECT_TRUE(seen.suiteBoxes.empty()) << "row " << row;
        EXPECT_FALSE(isOutputRtfFileOpen()) << "row " << row;
        EXPECT_EQ(temporaryFiles(), std::vector<std::string>{}) << "row " << row;
        EXPECT_EQ(progressWindow().window, nullptr) << "row " << row;
        EXPECT_FALSE(progressWindowOfThisProcess()) << "row " << row;
        EXPECT_FALSE(fs::exists(proposedOutput())) << "row " << row;
        const auto status = statusTexts();
        ASSERT_FALSE(status.empty()) << "row " << row;
        EXPECT_EQ(status.back(), L"") << "row " << row;
    }
    registry_.setDword(SuiteKey::UserSembrik, L"isProgressWin", 0);
    Script script;
    script.document = document().wstring();
    Watcher watcher(script);
    EXPECT_EQ(runTask(watcher), 0);
    EXPECT_EQ(watcher.seen().suiteBoxes.size(), 1u);
    EXPECT_EQ(readFileBytes(proposedOutput()), testing_support::runEngineJob(sampleDocument()).output);
    EXPECT_EQ(temporaryFiles(), std::vector<std::string>{});
}

// A later module window took over while the open dialog was up (the first was closed, a new one collects the
// conversion): the save dialog and the statistics box belong to the window as it is when each opens.
TEST_F(RawMode, DialogsTakeTheModuleWindowAsItIsWhenTheyOpen) {
    const ScopedWindow later(CreateWindowExW(0, L"STATIC", L"Raw Mode test's later window",
                                             WS_OVERLAPPEDWINDOW | WS_VISIBLE, 80, 80, 320, 120, nullptr, nullptr,
                                             GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(later.get(), nullptr);
    Script script;
    script.document = document().wstring();
    script.nextModuleWindow = later.get();
    Watcher watcher(script);
    EXPECT_EQ(runTask(watcher), 0);
    const Seen seen = watcher.seen();
    EXPECT_EQ(seen.openOwner, owner_);
    EXPECT_EQ(seen.saveOwner, later.get());
    EXPECT_EQ(seen.suiteBoxOwners, std::vector<HWND>{later.get()});
    EXPECT_TRUE(fs::exists(proposedOutput()));
}

// The names of a conversion's temporary files are those the clean-up takes for its own.
TEST_F(RawMode, TheTemporaryFilesAreNamedAsTheCleanUpKnowsThem) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::wstring base = makeTempBaseName();
        EXPECT_TRUE(isConversionTempFileName(base + L".rtf")) << narrowText(base);
        EXPECT_TRUE(isConversionTempFileName(base + L"_2.rtf")) << narrowText(base);
    }
}

// The helper process: holds the conversion mutex as a running conversion does, until told to let it go.
int holdConversionMutex(const std::string& eventBase) {
    const std::wstring base(eventBase.begin(), eventBase.end());
    const ScopedHandle mutex(CreateMutexW(nullptr, TRUE, conversionMutexName));
    const ScopedHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, (base + L"_ready").c_str()));
    const ScopedHandle release(OpenEventW(SYNCHRONIZE, FALSE, (base + L"_release").c_str()));
    if (!mutex.isValid() || !ready.isValid() || !release.isValid())
        return 2;
    SetEvent(ready.get());
    return WaitForSingleObject(release.get(), 60000) == WAIT_OBJECT_0 ? 0 : 3;
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == kHoldMutexSwitch)
        return holdConversionMutex(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
