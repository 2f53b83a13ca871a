// The command-line driver as a user runs it, natively and under Wine: a document converted onto itself (by one name,
// through "./", through a hard link, in another letter case on Windows) converts as into a file of its own, and a
// run that fails leaves the output, and so the input when the two are one file, byte for byte as it was, with no
// file of the driver's left beside it or in the temporary folder.
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include "scopedWin.h"
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace testing_support;

namespace {
#ifdef _WIN32
const fs::path kDriver = fs::path("Z:" VELTRIM_DRIVER);
const fs::path kSample = fs::path("Z:" VELTRIM_SAMPLE_RTF);
#else
const fs::path kDriver = fs::path(VELTRIM_DRIVER);
const fs::path kSample = fs::path(VELTRIM_SAMPLE_RTF);
#endif
constexpr unsigned kNoFileSizeLimit = 0;

// Runs the driver on `input` and `output` (Equation Editor 3.x objects, so that both formats' writers are on the
// road), with `temporary` as the temporary folder and, natively, file writes limited to `fileSizeLimitKb` (a full
// disk, as the user meets one). Returns its exit code, -1 when it could not be run.
int runDriver(const fs::path& input, const fs::path& output, const fs::path& temporary, unsigned fileSizeLimitKb) {
#ifdef _WIN32
    (void)fileSizeLimitKb;
    // The child inherits the temporary folder; the test's own stays as it was.
    wchar_t savedTmp[MAX_PATH + 1] = {};
    wchar_t savedTemp[MAX_PATH + 1] = {};
    GetEnvironmentVariableW(L"TMP", savedTmp, MAX_PATH + 1);
    GetEnvironmentVariableW(L"TEMP", savedTemp, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TMP", temporary.c_str());
    SetEnvironmentVariableW(L"TEMP", temporary.c_str());
    std::wstring command =
        L"\"" + kDriver.wstring() + L"\" --format=eq3 \"" + input.wstring() + L"\" \"" + output.wstring() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    const bool running = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &started) != FALSE;
    SetEnvironmentVariableW(L"TMP", savedTmp[0] != 0 ? savedTmp : nullptr);
    SetEnvironmentVariableW(L"TEMP", savedTemp[0] != 0 ? savedTemp : nullptr);
    if (!running)
        return -1;
    const ScopedHandle process(started.hProcess);
    const ScopedHandle thread(started.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &code))
        return -1;
    return int(code);
#else
    const pid_t child = fork();
    if (child == 0) {
        setenv("TMPDIR", temporary.c_str(), 1);
        if (fileSizeLimitKb != kNoFileSizeLimit) {
            // Writes past the limit fail with EFBIG instead of ending the process, as on a full disk.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlim_t bytes = rlim_t(fileSizeLimitKb) * 1024;
            const struct rlimit limit = {bytes, bytes};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execl(kDriver.c_str(), kDriver.c_str(), "--format=eq3", input.c_str(), output.c_str(), (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
#endif
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(documents());
        fs::create_directories(temporary());
        original_ = readFileBytes(kSample);
        // What the driver makes of the sample in a file of its own.
        writeFileBytes(documents() / "reference.rtf", original_);
        ASSERT_EQ(
            runDriver(documents() / "reference.rtf", documents() / "converted.rtf", temporary(), kNoFileSizeLimit), 0);
        converted_ = readFileBytes(documents() / "converted.rtf");
        ASSERT_NE(converted_, original_);
        fs::remove(documents() / "reference.rtf");
        fs::remove(documents() / "converted.rtf");
    }

    fs::path documents() const { return folder_.path() / "documents"; }
    fs::path temporary() const { return folder_.path() / "temporary"; }

    TempFolder folder_;
    std::string original_;
    std::string converted_;
};

TEST_F(Driver, ADocumentConvertedOntoItselfConverts) {
    const struct {
        const char* name;
        const char* input; // in the documents folder, which holds doc.rtf
        const char* output;
        const char* hardLink; // not null: a second name of doc.rtf, made first
        bool windowsOnly;
    } cases[] = {
        {"one name", "doc.rtf", "doc.rtf", nullptr, false},
        {"through ./", "./doc.rtf", "doc.rtf", nullptr, false},
        {"from a hard link of it", "link.rtf", "doc.rtf", "link.rtf", false},
        {"in another letter case", "DOC.RTF", "doc.rtf", nullptr, true},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
#ifndef _WIN32
        if (cases[row].windowsOnly)
            continue;
#endif
        SCOPED_TRACE(std::string("row ") + std::to_string(row) + ": " + cases[row].name);
        const fs::path document = documents() / "doc.rtf";
        writeFileBytes(document, original_);
        if (cases[row].hardLink != nullptr)
            fs::create_hard_link(document, documents() / cases[row].hardLink);
        EXPECT_EQ(
            runDriver(documents() / cases[row].input, documents() / cases[row].output, temporary(), kNoFileSizeLimit),
            0);
        EXPECT_TRUE(readFileBytes(document) == converted_) << "not converted as into a file of its own";
        std::vector<std::string> expected = {"doc.rtf"};
        if (cases[row].hardLink != nullptr) {
            // The input, by its other name, is never changed.
            EXPECT_TRUE(readFileBytes(documents() / cases[row].hardLink) == original_);
            expected.push_back(cases[row].hardLink);
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(namesIn(documents()), expected);
        EXPECT_EQ(namesIn(temporary()), std::vector<std::string>{});
        fs::remove_all(documents());
        fs::create_directories(documents());
    }
}

// Every failure after the output was begun: the user's output stays as it was, and nothing of the driver's stays.
TEST_F(Driver, AFailedRunLeavesTheOutputAsItWas) {
    enum class Failure {
        FullDisk,     // the output cannot be written whole (natively: a file size limit)
        OutputIsHeld, // the output cannot be replaced: another program holds it without sharing its deletion
        OutputIsAFolder,
    };
    const struct {
        const char* name;
        Failure failure;
        bool ontoItself; // the output is the input; else an earlier result in a file of its own
        bool nativeOnly;
        bool windowsOnly;
    } cases[] = {
        {"a full disk, onto itself", Failure::FullDisk, true, true, false},
        {"a full disk, over an earlier result", Failure::FullDisk, false, true, false},
        {"a held output", Failure::OutputIsHeld, false, false, true},
        {"a folder in the output's place", Failure::OutputIsAFolder, false, false, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
#ifdef _WIN32
        if (cases[row].nativeOnly)
            continue;
#else
        if (cases[row].windowsOnly)
            continue;
#endif
        SCOPED_TRACE(std::string("row ") + std::to_string(row) + ": " + cases[row].name);
        const fs::path input = documents() / "doc.rtf";
        const fs::path output = cases[row].ontoItself ? input : documents() / "out.rtf";
        writeFileBytes(input, original_);
        const std::string earlier = "an earlier result";
        if (cases[row].failure == Failure::OutputIsAFolder)
            fs::create_directories(output / "inside");
        else if (!cases[row].ontoItself)
            writeFileBytes(output, earlier);
#ifdef _WIN32
        ScopedHandle held;
        if (cases[row].failure == Failure::OutputIsHeld)
            held = ScopedHandle(CreateFileW(output.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
#endif
        // The sample's output is larger than its input, so a limit between the two lets the input be read whole.
        const unsigned limitKb = cases[row].failure == Failure::FullDisk ? unsigned(original_.size() / 1024 + 4) : 0;
        EXPECT_EQ(runDriver(input, output, temporary(), limitKb), 1);
#ifdef _WIN32
        held.close();
#endif
        EXPECT_TRUE(readFileBytes(input) == original_) << "the input was changed";
        if (cases[row].failure == Failure::OutputIsAFolder) {
            EXPECT_TRUE(fs::is_directory(output / "inside"));
        } else if (!cases[row].ontoItself) {
            EXPECT_TRUE(readFileBytes(output) == earlier) << "the earlier result was replaced";
        }
        const std::vector<std::string> expected = cases[row].ontoItself
                                                      ? std::vector<std::string>{"doc.rtf"}
                                                      : std::vector<std::string>{"doc.rtf", "out.rtf"};
        EXPECT_EQ(namesIn(documents()), expected);
        EXPECT_EQ(namesIn(temporary()), std::vector<std::string>{});
        fs::remove_all(documents());
        fs::create_directories(documents());
    }
}
} // namespace
