// Test helpers: files in a per-test folder, and engine jobs over in-memory documents.
#include "testFiles.h"

#include "mtef/hexText.h"
#include "rtf/rtfOutput.h"
#include "rtf/rtfPass.h"
#include "rtf/rtfSource.h"
#include "rtf/statusLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace testing_support {
namespace {
std::atomic<int> gFolderCounter{0};
std::vector<std::wstring>* gStatusSink = nullptr; // the test thread only

void recordStatus(const wchar_t* text) {
    if (gStatusSink)
        gStatusSink->emplace_back(text);
}
} // namespace

TempFolder::TempFolder() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ =
        fs::temp_directory_path() / ("veltrim-test-" + std::to_string(stamp) + "-" + std::to_string(gFolderCounter++));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
}

void writeFileBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string readFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> fileLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(readFileBytes(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string narrowText(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

std::string zeroed(std::string text) {
    for (char& c : text) {
        if (c == '@')
            c = '\0';
    }
    return text;
}

std::string withoutLineBreaks(const std::string& text) {
    std::string joined;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            joined += c;
    }
    return joined;
}

std::string hexOf(const std::string& bytes) {
    std::string hex;
    appendHexText(hex, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return hex;
}

std::string hexOfBytes(const std::vector<uint8_t>& bytes) {
    std::string hex;
    appendHexText(hex, bytes.data(), bytes.size());
    return hex;
}

fs::path testDataPath(const std::string& name) {
#ifdef _WIN32
    // Under Wine the build's Unix path is reached through drive Z:.
    return fs::path("Z:" VELTRIM_TEST_DATA) / name;
#else
    return fs::path(VELTRIM_TEST_DATA) / name;
#endif
}

void loadSourceText(const std::string& bytes) {
    static TempFolder folder;
    const fs::path path = folder.file("source.rtf");
    writeFileBytes(path, bytes);
    ASSERT_EQ(loadSourceRtf(path), SourceLoadStatus::Ok);
}

EngineJob runEngineJob(const std::string& document, const ConversionOptions& options) {
    TempFolder folder;
    EngineJob job;
    writeFileBytes(folder.file("in.rtf"), document);
    EXPECT_TRUE(openOutputRtfFile(folder.file("out.rtf")));
    setConversionOptions(options);
    gStatusSink = &job.status;
    setStatusLineHook(recordStatus);
    const RtfJobResult result = runRtfJob(folder.file("in.rtf"));
    EXPECT_EQ(result.load, SourceLoadStatus::Ok);
    job.jobStatus = result.status;
    job.offset = result.offset;
    setStatusLineHook(nullptr);
    gStatusSink = nullptr;
    EXPECT_TRUE(closeOutputRtfFile());
    job.output = readFileBytes(folder.file("out.rtf"));
    job.converted = convertedEquationCount();
    return job;
}

ConversionOptions equationEditor3Options() {
    ConversionOptions options;
    options.eqVersion = EquationFormat::EquationEditor3;
    return options;
}

} // namespace testing_support
