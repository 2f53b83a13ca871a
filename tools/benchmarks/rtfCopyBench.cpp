// rtfCopyBench: throughput of the engine's copy pass on a large RTF document without equations, beside a plain file
// copy of the same file in the same run. Not a test: it prints figures.
//   rtfCopyBench [megabytes=128] [folder=temporary folder]
#include "benchFiles.h"
#include "platform/fileIo.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
using Clock = std::chrono::steady_clock;

// A document of ordinary word-processor RTF: a header with a font table, then paragraphs of text with nested
// character groups, escapes, Unicode characters and CR LF line breaks every 200 bytes or so.
std::string makeDocument(size_t targetBytes) {
    std::mt19937 random(12345);
    static const char* kWords[] = {"the",   "equation", "of",   "motion", "is",    "given", "by",  "where",
                                   "which", "follows",  "from", "a",      "small", "field", "and", "therefore"};
    std::string doc = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fcharset0 Times New "
                      "Roman;}{\\f1\\fswiss\\fcharset0 Arial;}{\\f40\\froman\\fcharset161 Times New Roman Greek;}}\r\n"
                      "{\\colortbl;\\red0\\green0\\blue0;}\r\n";
    doc.reserve(targetBytes + 4096);
    size_t lineStart = doc.size();
    while (doc.size() < targetBytes) {
        doc += "{\\pard\\plain \\s0\\ql \\f0\\fs24 ";
        for (int sentence = 0; sentence < 6; ++sentence) {
            for (int word = 0; word < 12; ++word) {
                switch (random() % 24) {
                case 0:
                    doc += "{\\b bold {\\i nested}} ";
                    break;
                case 1:
                    doc += "\\'e9t\\'e9 ";
                    break;
                case 2:
                    doc += "{\\uc1\\u8203\\'3f}";
                    break;
                default:
                    doc += kWords[random() % 16];
                    doc += ' ';
                }
                if (doc.size() - lineStart > 200) {
                    doc += "\r\n";
                    lineStart = doc.size();
                }
            }
            doc += ". ";
        }
        doc += "\\par}\r\n";
    }
    doc += "}\r\n";
    return doc;
}

bool enginePass(const fs::path& from, const fs::path& to) {
    if (!openOutputRtfFile(to))
        return false;
    const bool finished = runRtfJob(from).status == RtfJobStatus::Ok;
    return closeOutputRtfFile() && finished;
}

double seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv) {
    const size_t megabytes = argc > 1 ? size_t(std::strtoul(argv[1], nullptr, 10)) : 128;
    std::error_code error;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path(error);
    const fs::path source = folder / "rtfCopyBench-source.rtf";
    const fs::path input = folder / "rtfCopyBench-input.rtf";
    const fs::path copied = folder / "rtfCopyBench-copy.rtf";
    const fs::path output = folder / "rtfCopyBench-output.rtf";

    const std::string doc = makeDocument(megabytes << 20);
    if (!benchfile::writeWhole(source, doc)) {
        std::fprintf(stderr, "rtfCopyBench: cannot write %s\n", source.u8string().c_str());
        return 1;
    }
    const double mb = double(doc.size()) / (1 << 20);
    std::printf("document: %.1f MB\n", mb);

    const int kRounds = 3;
    double bestCopy = 1e9;
    double bestChunked = 1e9;
    double bestPass = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        if (!benchfile::copyWhole(source, copied))
            return 1;
        bestCopy = std::min(bestCopy, seconds(start));

        start = Clock::now();
        if (!benchfile::copyChunked(source, copied))
            return 1;
        bestChunked = std::min(bestChunked, seconds(start));

        fs::copy_file(source, input, fs::copy_options::overwrite_existing, error); // the engine deletes its input
        start = Clock::now();
        if (!enginePass(input, output))
            return 1;
        bestPass = std::min(bestPass, seconds(start));
    }
    // The pass only normalises delimiters and line ends: an output much shorter than the input means it stopped early.
    const uintmax_t outputSize = fs::file_size(output, error);
    const bool wroteOutput = !error && outputSize > doc.size() / 2;
    std::printf("output: %.1f MB%s\n", double(outputSize) / (1 << 20), wroteOutput ? "" : " (INCOMPLETE)");
    std::printf("plain copy, whole file in memory: %8.1f MB/s (%.3f s)\n", mb / bestCopy, bestCopy);
    std::printf("plain copy, 1 MiB at a time:      %8.1f MB/s (%.3f s)\n", mb / bestChunked, bestChunked);
    std::printf("engine copy pass:                 %8.1f MB/s (%.3f s)\n", mb / bestPass, bestPass);
    std::printf("pass speed / whole-file copy: %.2f, / chunked copy: %.2f\n", bestCopy / bestPass,
                bestChunked / bestPass);
    for (const fs::path& path : {source, input, copied, output})
        fs::remove(path, error);
    return wroteOutput ? 0 : 1;
}
