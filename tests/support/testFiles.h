// Helpers shared by the engine's tests: temporary files, and running the engine over a document held in a string.
#pragma once

#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh empty folder for one test, removed with the record.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void writeFileBytes(const std::filesystem::path& path, const std::string& bytes);
std::string readFileBytes(const std::filesystem::path& path);
// The lines of a text file (a stand-in's log), without their line ends; none when the file cannot be read.
std::vector<std::string> fileLines(const std::filesystem::path& path);
// A wide text as ASCII for messages and logs: every unit above 0x7f becomes "?".
std::string narrowText(const std::wstring& text);

// A text with a zero byte in place of every "@": RTF inputs and outputs with zero bytes, written readably.
std::string zeroed(std::string text);
// A text without its CR and LF bytes, as the RTF pass hands object data to the converter.
std::string withoutLineBreaks(const std::string& text);

// Bytes as lowercase hex text, as the engine carries binary data.
std::string hexOf(const std::string& bytes);
std::string hexOfBytes(const std::vector<uint8_t>& bytes);

// A file of the project's test data folder.
std::filesystem::path testDataPath(const std::string& name);

// Loads `bytes` as the engine's source document (through a temporary file, which the engine deletes).
void loadSourceText(const std::string& bytes);

// What one engine job over a document gave.
struct EngineJob {
    std::string output;                                  // the output RTF
    int converted = 0;                                   // convertedEquationCount
    std::vector<std::wstring> status;                    // status line texts, in order
    RtfJobStatus jobStatus = RtfJobStatus::StoppedEarly; // what the engine job returned
    int64_t offset = 0;                                  // bytes of the document read when it ended
};

// Runs a whole job as the per-file job does: output opened, the engine job, output closed.
EngineJob runEngineJob(const std::string& document, const ConversionOptions& options = {});

// Options for Equation Editor 3.x output.
ConversionOptions equationEditor3Options();

} // namespace testing_support
