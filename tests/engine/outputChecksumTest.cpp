// Whole engine jobs over the benchmark's documents (real objects, built equations, and without equations text alone
// or text and pictures), in both formats, checked against the FNV-1a checksums of outputs recorded once. Any change
// to the engine that alters a single output byte fails here, so speed work on the tokeniser, hex handling, compound
// files or output buffering can be checked for being byte-neutral. A checksum that changes on purpose is recorded again
// from the new output.
#include "benchDocuments.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {
// Equations per document: every real object and built equation appears several times, and the documents stay small
// enough for a sanitizer build.
constexpr int kEquationCount = 300;

fs::path objectsFolder() {
#ifdef _WIN32
    // Under Wine the build's Unix path is reached through drive Z:.
    return fs::path("Z:" VELTRIM_TEST_DATA) / "mtef-objects";
#else
    return fs::path(VELTRIM_TEST_DATA) / "mtef-objects";
#endif
}

// A folder of its own for the job's files; the engine deletes the input it loads.
class JobFolder {
public:
    JobFolder() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("veltrim-checksum-" + std::to_string(stamp));
        fs::create_directories(path_);
    }
    ~JobFolder() {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    JobFolder(const JobFolder&) = delete;
    JobFolder& operator=(const JobFolder&) = delete;
    fs::path file(const char* name) const { return path_ / name; }

private:
    fs::path path_;
};

struct JobResult {
    bool ok = false;
    int converted = -1;
    uint64_t checksum = 0;
    size_t outputSize = 0;
};

// One job as the driver runs it: output opened, options set, the engine job, output closed.
JobResult runJob(const std::string& document, EquationFormat format) {
    JobResult result;
    JobFolder folder;
    {
        std::ofstream in(folder.file("in.rtf"), std::ios::binary | std::ios::trunc);
        in.write(document.data(), std::streamsize(document.size()));
        if (!in.good())
            return result;
    }
    if (!openOutputRtfFile(folder.file("out.rtf")))
        return result;
    ConversionOptions options;
    options.eqVersion = format;
    setConversionOptions(options);
    const RtfJobResult job = runRtfJob(folder.file("in.rtf"));
    if (!closeOutputRtfFile() || job.status != RtfJobStatus::Ok)
        return result;
    std::ifstream out(folder.file("out.rtf"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    result.ok = true;
    result.converted = job.converted;
    result.checksum = benchdoc::fnv1a64(bytes);
    result.outputSize = bytes.size();
    return result;
}

// What the engine wrote, recorded from the engine before any speed work.
struct ChecksumRow {
    benchdoc::DocumentKind kind;
    EquationFormat format;
    int converted;     // equations the job reports converted
    uint64_t checksum; // FNV-1a 64 of the whole output file
};

// Windows builds Equation Editor 3.x objects through that editor's OLE server, which the plain test prefix lacks, so
// there format 0 leaves objects as they were and only format 1 is compared.
#ifdef _WIN32
constexpr bool kChecksFormat0 = false;
#else
constexpr bool kChecksFormat0 = true;
#endif

// kind, format, converted, checksum
const ChecksumRow kRows[] = {
    // Recorded again: primes and the reversed prime's grave accent as runs of their own, and the left scripts' base
    // taken from after them (real objects "embellishments" and "equation13").
    {benchdoc::DocumentKind::RealObjects, EquationFormat::MicrosoftEquation, 300, 0x3a36cf85551fbc63ull},
    // Recorded again: the lower text of an arrow with text on both sides as the limit's lower line, with no line
    // around it (real object "arrows").
    {benchdoc::DocumentKind::RealObjects, EquationFormat::EquationEditor3, 212, 0xee0f6095f830e1eaull},
    // Recorded again: the reversed prime's grave accent as a run of its own.
    {benchdoc::DocumentKind::BuiltEquations, EquationFormat::MicrosoftEquation, 300, 0xa32d3c99cd96dbeeull},
    {benchdoc::DocumentKind::BuiltEquations, EquationFormat::EquationEditor3, 234, 0x8f099585bd8f7a2eull},
    {benchdoc::DocumentKind::TextOnly, EquationFormat::MicrosoftEquation, 0, 0xff438d40be5a698cull},
    {benchdoc::DocumentKind::TextOnly, EquationFormat::EquationEditor3, 0, 0xff438d40be5a698cull},
    {benchdoc::DocumentKind::TextAndPictures, EquationFormat::MicrosoftEquation, 0, 0xabe005de8741da95ull},
    {benchdoc::DocumentKind::TextAndPictures, EquationFormat::EquationEditor3, 0, 0xabe005de8741da95ull},
};

TEST(OutputChecksum, EveryDocumentAndFormatWritesTheRecordedBytes) {
    for (size_t row = 0; row < std::size(kRows); ++row) {
        const ChecksumRow& expected = kRows[row];
        if (expected.format == EquationFormat::EquationEditor3 && !kChecksFormat0)
            continue;
        std::string document;
        ASSERT_TRUE(benchdoc::makeDocument(expected.kind, kEquationCount, objectsFolder(), document)) << "row " << row;
        const JobResult job = runJob(document, expected.format);
        ASSERT_TRUE(job.ok) << "row " << row;
        char actual[80];
        std::snprintf(actual, sizeof actual, "converted %d, checksum 0x%016" PRIx64 ", %zu bytes", job.converted,
                      job.checksum, job.outputSize);
        EXPECT_EQ(job.converted, expected.converted) << "row " << row << " (" << actual << ")";
        EXPECT_EQ(job.checksum, expected.checksum) << "row " << row << " (" << actual << ")";
    }
}

// The same document and format twice in one process: the pass keeps no state from one job into the next that could
// change its bytes.
TEST(OutputChecksum, RepeatedJobsWriteTheSameBytes) {
    std::string document;
    ASSERT_TRUE(benchdoc::makeDocument(benchdoc::DocumentKind::RealObjects, 40, objectsFolder(), document));
    for (EquationFormat format : {EquationFormat::MicrosoftEquation, EquationFormat::EquationEditor3}) {
        const JobResult first = runJob(document, format);
        const JobResult second = runJob(document, format);
        ASSERT_TRUE(first.ok && second.ok) << "format " << int(format);
        EXPECT_EQ(first.checksum, second.checksum) << "format " << int(format);
        EXPECT_EQ(first.converted, second.converted) << "format " << int(format);
    }
}
} // namespace
