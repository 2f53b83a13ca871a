// saveAsWithWord under Wine against the Word stand-in (standins/wordStandIn.cpp), which the test registers as
// "Word.Application" in the prefix's machine-wide classes while it runs: the result of every step with the calls the
// stand-in logged, their argument types and order, the file format by extension, the clean-up after each failure,
// a hung Word ended after the call limit, and no stand-in process left behind. Then isDocumentUsable and
// makeTempBaseName. Windows only.
#include "wordAutomation.h"
#include "registryValues.h"
#include "scopedWin.h"
#include "suiteRegistry.h"
#include "testFiles.h"
#include "wordStandIn.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <chrono>
#include <cwctype>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {
namespace fs = std::filesystem;
using namespace testing_support;

constexpr wchar_t kProgIdKey[] = L"Software\\Classes\\Word.Application";
const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + word_stand_in::kClassText;
// The watch's limit in these tests: well below the stand-in's own lifetime, so a hang it did not end shows.
constexpr uint32_t kTestCallLimitMs = 2000;
constexpr auto kHungCallBound = std::chrono::seconds(15);
// Starting and ending a program under Wine can take seconds on a loaded machine.
constexpr auto kProcessLimit = std::chrono::seconds(20);
constexpr char kDocumentBytes[] = "{\\rtf1 stand-in document \\'e9}\r\n";

fs::path testProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

int standInProcessCount() {
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.isValid())
        return -1;
    int count = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const std::wstring name = fs::path(entry.szExeFile).filename().wstring();
        if (_wcsicmp(name.c_str(), word_stand_in::kProgramName) == 0)
            ++count;
    }
    return count;
}

bool waitUntilNoStandIn() {
    const auto deadline = std::chrono::steady_clock::now() + kProcessLimit;
    while (standInProcessCount() != 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

void writeDefaultValue(const std::wstring& keyPath, const std::wstring& value) {
    ScopedRegKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(writeRegString(value, key, nullptr, KeyClosePolicy::KeepOpen));
}

// What the stand-in logs for one token of the table: an automation call (its name lookup, then its invoke), or the
// release of an object's last reference ("-object").
struct LoggedCall {
    const char* first;  // the name lookup, or the release
    const char* invoke; // null: the name was not known, so nothing was invoked; or a release
};
const std::map<std::string, LoggedCall> kCalls = {
    {"Visible",
     {"names app Visible count=1 lcid=0400 iid=null",
      "invoke app.Visible flags=4 lcid=0400 iid=null named=-3 args=I2:0"}},
    {"DisplayAlerts",
     {"names app DisplayAlerts count=1 lcid=0400 iid=null",
      "invoke app.DisplayAlerts flags=4 lcid=0400 iid=null named=-3 args=I4:0"}},
    {"Documents",
     {"names app Documents count=1 lcid=0400 iid=null",
      "invoke app.Documents flags=2 lcid=0400 iid=null named= args="}},
    {"Open",
     {"names documents Open count=1 lcid=0400 iid=null",
      "invoke documents.Open flags=1 lcid=0400 iid=null named= args=BSTR:{document}"}},
    {"SaveAs:6",
     {"names document SaveAs count=1 lcid=0400 iid=null",
      "invoke document.SaveAs flags=1 lcid=0400 iid=null named= args=I4:6|BSTR:{target}"}},
    {"SaveAs:16",
     {"names document SaveAs count=1 lcid=0400 iid=null",
      "invoke document.SaveAs flags=1 lcid=0400 iid=null named= args=I4:16|BSTR:{target}"}},
    {"Close",
     {"names document Close count=1 lcid=0400 iid=null",
      "invoke document.Close flags=1 lcid=0400 iid=null named= args=I4:0"}},
    {"Quit", {"names app Quit count=1 lcid=0400 iid=null", "invoke app.Quit flags=1 lcid=0400 iid=null named= args="}},
    {"?Visible", {"names app Visible count=1 lcid=0400 iid=null unknown", nullptr}},
    {"?Open", {"names documents Open count=1 lcid=0400 iid=null unknown", nullptr}},
    {"?SaveAs", {"names document SaveAs count=1 lcid=0400 iid=null unknown", nullptr}},
    {"?Close", {"names document Close count=1 lcid=0400 iid=null unknown", nullptr}},
    {"?Quit", {"names app Quit count=1 lcid=0400 iid=null unknown", nullptr}},
    {"-app", {"released app", nullptr}},
    {"-documents", {"released documents", nullptr}},
    {"-document", {"released document", nullptr}},
};

std::string replaced(std::string text, const std::string& mark, const std::string& value) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
        text.replace(at, mark.size(), value);
    return text;
}

// How the class is registered for a row.
enum class Registration {
    None,           // no "Word.Application" at all
    ClassOnly,      // the ProgID and its class, but no LocalServer32
    MissingProgram, // LocalServer32 names a program that does not exist
    StandIn,        // LocalServer32 names the stand-in with the row's switches
};

class WordAutomation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(apartment_.entered());
        if (otherWordClassRegistered(word_stand_in::kClassText))
            GTEST_SKIP() << "a Word class is registered here; the test leaves it alone";
        ownsKeys_ = true;
        ASSERT_TRUE(waitUntilNoStandIn()) << "a stand-in of an earlier run is still up";
        setWordCallLimit(kTestCallLimitMs);
    }

    void TearDown() override {
        setWordCallLimit(0);
        if (ownsKeys_)
            removeRegistration();
    }

    static void removeRegistration() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgIdKey);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey.c_str());
    }

    void registerClass(Registration registration, const std::wstring& switches, const fs::path& log) {
        removeRegistration();
        if (registration == Registration::None)
            return;
        ASSERT_NO_FATAL_FAILURE(writeDefaultValue(std::wstring(kProgIdKey) + L"\\CLSID", word_stand_in::kClassText));
        ASSERT_NO_FATAL_FAILURE(writeDefaultValue(kClassKey, L"Word stand-in"));
        const std::wstring serverKey = kClassKey + L"\\LocalServer32";
        if (registration == Registration::MissingProgram) {
            const fs::path missing = folder_.path() / "No Such Folder" / word_stand_in::kProgramName;
            ASSERT_NO_FATAL_FAILURE(writeDefaultValue(serverKey, L"\"" + missing.wstring() + L"\" /Automation"));
        } else if (registration == Registration::StandIn) {
            const fs::path program = testProgramFolder() / word_stand_in::kProgramName;
            ASSERT_NO_FATAL_FAILURE(writeDefaultValue(serverKey, L"\"" + program.wstring() + L"\" \"--log=" +
                                                                     log.wstring() + L"\" " + switches));
        }
    }

    ScopedComApartment apartment_;
    TempFolder folder_;
    bool ownsKeys_ = false;
};

TEST_F(WordAutomation, EveryStepWithTheCallsWordSaw) {
    const struct {
        const char* name;
        Registration registration;
        const wchar_t* switches; // the stand-in's, beside --log
        const char* target;      // file name in the test's folder
        bool documentExists;
        WordStepResult expected;
        const char* calls; // tokens of kCalls in log order, separated by blanks
        const char* exit;  // the stand-in's last line; "" when it was ended, null when never started
    } cases[] = {
        // clang-format off
        {"saved as RTF", Registration::StandIn, L"", "out.rtf", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:6 Close -document -documents Quit -app", "exit quit"},
        {"upper-case .RTF is the default format", Registration::StandIn, L"", "OUT.RTF", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:16 Close -document -documents Quit -app", "exit quit"},
        {"saved as .docx", Registration::StandIn, L"", "out_converted.docx", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:16 Close -document -documents Quit -app", "exit quit"},
        {".rtf inside the name only", Registration::StandIn, L"", "out.rtf.docx", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:16 Close -document -documents Quit -app", "exit quit"},
        {"Word not installed", Registration::None, L"", "out.rtf", true, WordStepResult::ClassLookup,
         "", nullptr},
        {"class without a server", Registration::ClassOnly, L"", "out.rtf", true, WordStepResult::ApplicationStart,
         "", nullptr},
        {"server program missing", Registration::MissingProgram, L"", "out.rtf", true, WordStepResult::ApplicationStart,
         "", nullptr},
        {"Visible fails", Registration::StandIn, L"--fail=Visible", "out.rtf", true, WordStepResult::Visible,
         "Visible Quit -app", "exit quit"},
        {"Visible unknown", Registration::StandIn, L"--unknown=Visible", "out.rtf", true, WordStepResult::Visible,
         "?Visible Quit -app", "exit quit"},
        {"DisplayAlerts fails", Registration::StandIn, L"--fail=DisplayAlerts", "out.rtf", true,
         WordStepResult::DisplayAlerts,
         "Visible DisplayAlerts Quit -app", "exit quit"},
        {"Documents fails", Registration::StandIn, L"--fail=Documents", "out.rtf", true, WordStepResult::Documents,
         "Visible DisplayAlerts Documents Quit -app", "exit quit"},
        {"Open fails: no Close", Registration::StandIn, L"--fail=Open", "out.rtf", true, WordStepResult::Open,
         "Visible DisplayAlerts Documents Open -documents Quit -app", "exit quit"},
        {"Documents gives no object", Registration::StandIn, L"--empty=Documents", "out.rtf", true,
         WordStepResult::Documents,
         "Visible DisplayAlerts Documents Quit -app", "exit quit"},
        {"Open gives no document: no Close", Registration::StandIn, L"--empty=Open", "out.rtf", true,
         WordStepResult::Open,
         "Visible DisplayAlerts Documents Open -documents Quit -app", "exit quit"},
        {"document missing", Registration::StandIn, L"", "out.rtf", false, WordStepResult::Open,
         "Visible DisplayAlerts Documents Open -documents Quit -app", "exit quit"},
        {"Open unknown", Registration::StandIn, L"--unknown=Open", "out.rtf", true, WordStepResult::Open,
         "Visible DisplayAlerts Documents ?Open -documents Quit -app", "exit quit"},
        {"SaveAs fails: closed unsaved", Registration::StandIn, L"--fail=SaveAs", "out.rtf", true,
         WordStepResult::SaveAs,
         "Visible DisplayAlerts Documents Open SaveAs:6 Close -document -documents Quit -app", "exit quit"},
        {"SaveAs unknown", Registration::StandIn, L"--unknown=SaveAs", "out.docx", true, WordStepResult::SaveAs,
         "Visible DisplayAlerts Documents Open ?SaveAs Close -document -documents Quit -app", "exit quit"},
        {"Close fails: ignored", Registration::StandIn, L"--fail=Close", "out.rtf", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:6 Close -document -documents Quit -app", "exit quit"},
        {"Close unknown: skipped", Registration::StandIn, L"--unknown=Close", "out.rtf", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:6 ?Close -document -documents Quit -app", "exit quit"},
        {"Quit fails: ignored", Registration::StandIn, L"--fail=Quit", "out.rtf", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:6 Close -document -documents Quit -app", "exit released"},
        {"Quit unknown: skipped", Registration::StandIn, L"--unknown=Quit", "out.rtf", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:6 Close -document -documents ?Quit -app", "exit released"},
        {"Visible hangs: Word ended", Registration::StandIn, L"--hang=Visible", "out.rtf", true,
         WordStepResult::Visible,
         "Visible", ""},
        {"Open hangs: Word ended", Registration::StandIn, L"--hang=Open", "out.rtf", true, WordStepResult::Open,
         "Visible DisplayAlerts Documents Open", ""},
        {"SaveAs hangs: Word ended", Registration::StandIn, L"--hang=SaveAs", "out.docx", true, WordStepResult::SaveAs,
         "Visible DisplayAlerts Documents Open SaveAs:16", ""},
        {"Close hangs: saved, Word ended", Registration::StandIn, L"--hang=Close", "out.rtf", true, WordStepResult::Ok,
         "Visible DisplayAlerts Documents Open SaveAs:6 Close", ""},
        // clang-format on
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& entry = cases[row];
        const std::string label = "row " + std::to_string(row) + " " + entry.name;
        const fs::path log = folder_.file("word" + std::to_string(row) + ".log");
        const fs::path document = folder_.file("document" + std::to_string(row) + ".docx");
        const fs::path target = folder_.file(std::to_string(row) + entry.target);
        if (entry.documentExists)
            writeFileBytes(document, kDocumentBytes);
        ASSERT_NO_FATAL_FAILURE(registerClass(entry.registration, entry.switches, log)) << label;

        const auto start = std::chrono::steady_clock::now();
        const WordStepResult result = saveAsWithWord(document.wstring(), target.wstring());
        const auto took = std::chrono::steady_clock::now() - start;

        EXPECT_EQ(int(result), int(entry.expected)) << label;
        EXPECT_LT(took, kHungCallBound) << label;
        EXPECT_TRUE(waitUntilNoStandIn()) << label << ": a stand-in process is left";
        // Saved: the document's bytes, whatever the format; otherwise nothing was written.
        if (entry.expected == WordStepResult::Ok)
            EXPECT_EQ(readFileBytes(target), kDocumentBytes) << label;
        else
            EXPECT_FALSE(fs::exists(target)) << label;

        if (entry.exit == nullptr) {
            EXPECT_FALSE(fs::exists(log)) << label << ": Word was started";
            continue;
        }
        std::vector<std::string> expected = {"started"};
        std::istringstream tokens(entry.calls);
        for (std::string token; tokens >> token;) {
            const LoggedCall& call = kCalls.at(token);
            expected.push_back(call.first);
            if (call.invoke != nullptr) {
                expected.push_back(replaced(replaced(call.invoke, "{document}", narrowText(document.wstring())),
                                            "{target}", narrowText(target.wstring())));
            }
        }
        if (*entry.exit != '\0')
            expected.push_back(entry.exit);
        EXPECT_EQ(fileLines(log), expected) << label;
    }
}

TEST(DocumentFiles, IsDocumentUsable) {
    TempFolder folder;
    const fs::path ordinary = folder.file("ordinary.docx");
    const fs::path readOnly = folder.file("readOnly.docx");
    const fs::path held = folder.file("held.docx");
    const fs::path heldShared = folder.file("heldShared.docx");
    const fs::path subFolder = folder.path() / "folder.docx";
    for (const fs::path& file : {ordinary, readOnly, held, heldShared})
        writeFileBytes(file, "document");
    fs::create_directories(subFolder);
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Held as Word holds an open document: shared for reading only. Held with full sharing: no obstacle.
    ScopedHandle holding(CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holding.isValid());
    ScopedHandle sharing(CreateFileW(heldShared.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(sharing.isValid());

    const struct {
        const char* name;
        std::wstring path;
        bool usable;
    } cases[] = {
        {"ordinary file", ordinary.wstring(), true},
        {"held with full sharing", heldShared.wstring(), true},
        {"missing file", folder.file("missing.docx").wstring(), false},
        {"missing folder", (folder.path() / "none" / "x.docx").wstring(), false},
        {"folder", subFolder.wstring(), false},
        {"read-only file", readOnly.wstring(), false},
        {"held without write sharing", held.wstring(), false},
        {"empty path", L"", false},
    };
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(isDocumentUsable(cases[row].path), cases[row].usable) << "row " << row << " " << cases[row].name;
    EXPECT_EQ(readFileBytes(ordinary), "document");              // looking changes nothing
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL); // so that the folder can go
}

TEST(DocumentFiles, TempBaseNameIsAnUpperCaseGuid) {
    std::set<std::wstring> seen;
    for (int call = 0; call < 2; ++call) {
        const std::wstring name = makeTempBaseName();
        ASSERT_EQ(name.size(), 36u) << "call " << call;
        for (size_t at = 0; at < name.size(); ++at) {
            const wchar_t unit = name[at];
            if (at == 8 || at == 13 || at == 18 || at == 23)
                EXPECT_EQ(unit, L'-') << "call " << call << " at " << at;
            else
                EXPECT_TRUE((unit >= L'0' && unit <= L'9') || (unit >= L'A' && unit <= L'F'))
                    << "call " << call << " at " << at << ": " << narrowText(name);
        }
        seen.insert(name);
    }
    EXPECT_EQ(seen.size(), 2u) << "two calls gave the same name";
}
} // namespace
