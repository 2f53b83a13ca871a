// engineBench: throughput, peak memory and output checksums of whole engine jobs on equation-dense documents of
// growing size (real objects, built equations, and the same size without equations: text alone, and text and picture
// data half and half), in both formats, beside plain copies of each document (the shell's cp, and two copies of this
// program's own). Not a test: it prints figures and how they compare with the targets.
//   engineBench [--counts=1000,10000,50000] [--rounds=3] [--folder=DIR] [--objects=DIR] [--driver=PATH]
//               [--keep]
//   engineBench --write=real|built|text|pictures:EQUATIONS:PATH   (writes one document, for a profiler run)
// Each job runs in a fresh process, so that its peak resident memory is its own: the engine job through this
// program again (--job, timed inside, without process start) and the command-line driver as the user runs it
// (timed from fork to exit). Native (POSIX) only.
#include "benchDocuments.h"
#include "benchFiles.h"
#include "platform/fileIo.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
using benchfile::copyChunked;
using benchfile::copyWhole;
using benchfile::readWhole;
using benchfile::writeWhole;

using Clock = std::chrono::steady_clock;

// Targets for the native build on the development machine.
constexpr double kTargetEquationsPerSecond = 100000;    // real objects, Office Math, whole driver process
constexpr double kTargetTextMegabytesPerSecond = 600;   // no equations, whole driver process
constexpr double kTargetMixedMegabytesPerSecond = 1000; // no equations, half text and half pictures, whole driver
constexpr double kTargetPeakPerInput = 3.0;             // peak resident memory / input size, largest documents
constexpr double kLinearSlack = 1.2;                    // time may grow 20% faster than the document

struct BenchOptions {
    std::vector<int> counts = {1000, 10000, 50000};
    int rounds = 3;
    fs::path folder;
    fs::path objects = VELTRIM_BENCH_OBJECTS;
    fs::path driver = VELTRIM_BENCH_DRIVER;
    bool keep = false; // leave the last document and its outputs in the folder
};

// What one way of processing a document gave, best of the rounds.
struct Measurement {
    bool ok = false;
    double seconds = 1e30;
    long peakKb = 0;           // ru_maxrss of the process; 0 for the copies, which run in this process
    double userSeconds = -1;   // CPU time of the best round's process, split: on a virtual machine faulting in
    double systemSeconds = -1; // fresh pages can cost as much as the work itself
    int converted = -1;
    uint64_t checksum = 0;
};

struct ChildRun {
    bool ok = false; // started and exited with status 0
    double wallSeconds = 0;
    double userSeconds = 0;
    double systemSeconds = 0;
    long peakKb = 0;
    std::string output; // its standard output
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs a program with its standard output captured and waits for it.
ChildRun runChild(const std::vector<std::string>& arguments) {
    ChildRun run;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return run;
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return run;
    }
    if (pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            run.output.append(buffer, size_t(got));
        else if (errno != EINTR)
            break;
    }
    ::close(pipeEnds[0]);
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.wallSeconds = secondsSince(start);
    run.peakKb = usage.ru_maxrss; // kilobytes on Linux
    run.userSeconds = double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6;
    run.systemSeconds = double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

bool checksumOfFile(const fs::path& path, uint64_t& checksum) {
    std::string bytes;
    if (!readWhole(path, bytes))
        return false;
    checksum = benchdoc::fnv1a64(bytes);
    return true;
}

// --job=FORMAT INPUT OUTPUT: one engine job as the driver runs it; prints its seconds and converted equations.
int runJob(EquationFormat format, const fs::path& input, const fs::path& output) {
    ConversionOptions options;
    options.eqVersion = format;
    const auto start = Clock::now();
    if (!openOutputRtfFile(output))
        return 1;
    setConversionOptions(options);
    const RtfJobResult job = runRtfJob(input);
    if (!closeOutputRtfFile() || job.status != RtfJobStatus::Ok)
        return 1;
    std::printf("%.6f %d\n", secondsSince(start), int(job.converted));
    return 0;
}

fs::path ownProgram() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path("/proc/self/exe") : self;
}

void keepIfBest(Measurement& best, double seconds, const ChildRun& run) {
    if (seconds < best.seconds) {
        best.seconds = seconds;
        best.userSeconds = run.userSeconds;
        best.systemSeconds = run.systemSeconds;
    }
    best.peakKb = std::max(best.peakKb, run.peakKb);
}

// Every timed round writes a new file, as a conversion into a new name does: emptying a previous output of the same
// size costs the file system as much as writing it (on ext4, freeing its blocks at the open and flushing the new ones
// at the close), for the copies and the engine alike, and says nothing about either.
void removeOutput(const fs::path& target) {
    std::error_code error;
    fs::remove(target, error);
}

Measurement measureCopy(bool (*copy)(const fs::path&, const fs::path&), const fs::path& source, const fs::path& target,
                        int rounds) {
    Measurement best;
    for (int round = 0; round < rounds; ++round) {
        removeOutput(target);
        const auto start = Clock::now();
        if (!copy(source, target))
            return best;
        best.seconds = std::min(best.seconds, secondsSince(start));
    }
    best.ok = checksumOfFile(target, best.checksum);
    return best;
}

// The shell's cp as a user runs it beside the driver: wall clock from fork to exit.
Measurement measureShellCopy(const fs::path& source, const fs::path& target, int rounds) {
    Measurement best;
    for (int round = 0; round < rounds; ++round) {
        removeOutput(target);
        const ChildRun run = runChild({"/bin/cp", source.string(), target.string()});
        if (!run.ok)
            return best;
        keepIfBest(best, run.wallSeconds, run);
    }
    best.peakKb = 0; // cp's own memory says nothing about the document
    best.ok = checksumOfFile(target, best.checksum);
    return best;
}

// The engine job in a fresh process of this program; it deletes its input, so each round gets a new copy.
Measurement measureJob(const fs::path& source, const fs::path& folder, EquationFormat format, int rounds) {
    Measurement best;
    const std::string formatNumber = std::to_string(equationFormatValue(format));
    const fs::path input = folder / "engineBench-job-input.rtf";
    const fs::path output = folder / ("engineBench-job-output" + formatNumber + ".rtf");
    for (int round = 0; round < rounds; ++round) {
        std::error_code error;
        if (!fs::copy_file(source, input, fs::copy_options::overwrite_existing, error))
            return best;
        removeOutput(output);
        const ChildRun run =
            runChild({ownProgram().string(), "--job=" + formatNumber, input.string(), output.string()});
        double seconds = 0;
        int converted = -1;
        if (!run.ok || std::sscanf(run.output.c_str(), "%lf %d", &seconds, &converted) != 2)
            return best;
        keepIfBest(best, seconds, run);
        best.converted = converted;
    }
    best.ok = checksumOfFile(output, best.checksum);
    return best;
}

// The command-line driver as a user runs it, wall clock from fork to exit.
Measurement measureDriver(const BenchOptions& options, const fs::path& source, EquationFormat format) {
    Measurement best;
    const fs::path output =
        options.folder / ("engineBench-driver-output" + std::to_string(equationFormatValue(format)) + ".rtf");
    for (int round = 0; round < options.rounds; ++round) {
        removeOutput(output);
        const ChildRun run = runChild({options.driver.string(),
                                       format == EquationFormat::EquationEditor3 ? "--format=eq3" : "--format=math",
                                       source.string(), output.string()});
        if (!run.ok)
            return best;
        keepIfBest(best, run.wallSeconds, run);
        const size_t at = run.output.find("Equations converted: ");
        if (at != std::string::npos)
            best.converted = std::atoi(run.output.c_str() + at + 21);
    }
    best.ok = checksumOfFile(output, best.checksum);
    return best;
}

struct Row {
    benchdoc::DocumentKind kind;
    int equations;
    double megabytes;
    const char* how;
    Measurement measured;
};

void printHeading() {
    std::printf("%-15s %6s %7s %-10s %8s %7s %7s %8s %7s %8s %7s %6s  %-16s\n", "document", "eqs", "MB", "run",
                "seconds", "user", "sys", "eq/s", "MB/s", "peak MB", "peak/in", "conv", "fnv1a64");
}

void printRow(const Row& row) {
    const Measurement& m = row.measured;
    if (!m.ok) {
        std::printf("%-15s %6d %7.1f %-10s FAILED\n", benchdoc::documentKindName(row.kind), row.equations,
                    row.megabytes, row.how);
        return;
    }
    const bool hasEquations =
        row.kind == benchdoc::DocumentKind::RealObjects || row.kind == benchdoc::DocumentKind::BuiltEquations;
    const double peakMb = double(m.peakKb) / 1024;
    char equationRate[32] = "-";
    if (hasEquations)
        std::snprintf(equationRate, sizeof equationRate, "%.0f", row.equations / m.seconds);
    char peak[32] = "-";
    char ratio[32] = "-";
    if (m.peakKb > 0) {
        std::snprintf(peak, sizeof peak, "%.1f", peakMb);
        std::snprintf(ratio, sizeof ratio, "%.2f", peakMb / row.megabytes);
    }
    char user[16] = "-";
    char system[16] = "-";
    if (m.userSeconds >= 0) {
        std::snprintf(user, sizeof user, "%.3f", m.userSeconds);
        std::snprintf(system, sizeof system, "%.3f", m.systemSeconds);
    }
    char converted[16] = "-";
    if (m.converted >= 0)
        std::snprintf(converted, sizeof converted, "%d", m.converted);
    std::printf("%-15s %6d %7.1f %-10s %8.4f %7s %7s %8s %7.1f %8s %7s %6s  %016" PRIx64 "\n",
                benchdoc::documentKindName(row.kind), row.equations, row.megabytes, row.how, m.seconds, user, system,
                equationRate, row.megabytes / m.seconds, peak, ratio, converted, m.checksum);
    std::fflush(stdout);
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

const Row* findRow(const std::vector<Row>& rows, benchdoc::DocumentKind kind, int equations, const char* how) {
    for (const Row& row : rows) {
        if (row.kind == kind && row.equations == equations && std::strcmp(row.how, how) == 0 && row.measured.ok)
            return &row;
    }
    return nullptr;
}

constexpr benchdoc::DocumentKind kKinds[] = {benchdoc::DocumentKind::RealObjects,
                                             benchdoc::DocumentKind::BuiltEquations, benchdoc::DocumentKind::TextOnly,
                                             benchdoc::DocumentKind::TextAndPictures};

constexpr const char* kRuns[] = {"cp", "copy", "copy 1MiB", "job fmt1", "job fmt0", "driver f1", "driver f0"};
// The formats in the order of their runs.
constexpr EquationFormat kFormats[] = {EquationFormat::MicrosoftEquation, EquationFormat::EquationEditor3};

bool isCopy(const char* how) {
    return std::strncmp(how, "copy", 4) == 0 || std::strcmp(how, "cp") == 0;
}

// Time growth from the smallest to the largest document of every kind and run, against the growth in size.
bool printGrowth(const std::vector<Row>& rows, const BenchOptions& options) {
    const int smallest = options.counts.front();
    const int largest = options.counts.back();
    if (smallest == largest)
        return true;
    const double sizeGrowth = double(largest) / smallest;
    std::printf("\ntime growth from %d to %d equations (linear %.0fx, limit %.0fx):\n", smallest, largest, sizeGrowth,
                sizeGrowth * kLinearSlack);
    bool linear = true;
    for (benchdoc::DocumentKind kind : kKinds) {
        for (const char* how : kRuns) {
            const Row* small = findRow(rows, kind, smallest, how);
            const Row* large = findRow(rows, kind, largest, how);
            if (small == nullptr || large == nullptr)
                continue;
            const double growth = large->measured.seconds / small->measured.seconds;
            // Copies are for scale only: how fast fresh pages come on this machine decides their growth.
            const bool ok = growth <= sizeGrowth * kLinearSlack || isCopy(how);
            linear = linear && ok;
            std::printf("  %-15s %-10s %7.1fx %s\n", benchdoc::documentKindName(kind), how, growth,
                        isCopy(how) ? "" : verdict(ok));
        }
    }
    return linear;
}

void printTargets(const std::vector<Row>& rows, const BenchOptions& options, bool linear) {
    const int largest = options.counts.back();
    std::printf("\ntargets (largest documents, whole driver process):\n");
    if (const Row* row = findRow(rows, benchdoc::DocumentKind::RealObjects, largest, "driver f1")) {
        const double rate = largest / row->measured.seconds;
        std::printf("  real objects, Office Math: %.0f eq/s, %.1f MB/s (target %.0f eq/s): %s\n", rate,
                    row->megabytes / row->measured.seconds, kTargetEquationsPerSecond,
                    verdict(rate >= kTargetEquationsPerSecond));
    }
    if (const Row* row = findRow(rows, benchdoc::DocumentKind::TextOnly, largest, "driver f1")) {
        const double rate = row->megabytes / row->measured.seconds;
        std::printf("  no equations: %.1f MB/s (target %.0f MB/s): %s\n", rate, kTargetTextMegabytesPerSecond,
                    verdict(rate >= kTargetTextMegabytesPerSecond));
    }
    if (const Row* row = findRow(rows, benchdoc::DocumentKind::TextAndPictures, largest, "driver f1")) {
        const double rate = row->megabytes / row->measured.seconds;
        std::printf("  text and pictures: %.1f MB/s (target %.0f MB/s): %s\n", rate, kTargetMixedMegabytesPerSecond,
                    verdict(rate >= kTargetMixedMegabytesPerSecond));
    }
    double worstPeak = 0;
    for (const Row& row : rows) {
        if (row.equations == largest && row.measured.ok && row.measured.peakKb > 0)
            worstPeak = std::max(worstPeak, double(row.measured.peakKb) / 1024 / row.megabytes);
    }
    std::printf("  peak memory: at most %.2fx the input (target %.1fx): %s\n", worstPeak, kTargetPeakPerInput,
                verdict(worstPeak <= kTargetPeakPerInput));
    std::printf("  linear time: %s\n", verdict(linear));
}

// The engine job and the driver write the same bytes for a format; a difference means one of them is broken.
void checkAgreement(const std::vector<Row>& rows, size_t first) {
    for (const char* format : {"1", "0"}) {
        const Row* job = nullptr;
        const Row* driver = nullptr;
        for (size_t i = first; i < rows.size(); ++i) {
            if (!rows[i].measured.ok)
                continue;
            if (std::strcmp(rows[i].how, (std::string("job fmt") + format).c_str()) == 0)
                job = &rows[i];
            if (std::strcmp(rows[i].how, (std::string("driver f") + format).c_str()) == 0)
                driver = &rows[i];
        }
        if (job != nullptr && driver != nullptr && job->measured.checksum != driver->measured.checksum)
            std::printf("  WARNING: format %s: the engine job and the driver wrote different bytes\n", format);
    }
}

// False when the document could not be made or written: its rows are missing, so no target may be judged.
bool benchDocument(const BenchOptions& options, benchdoc::DocumentKind kind, int equations, std::vector<Row>& rows) {
    const fs::path source = options.folder / "engineBench-document.rtf";
    double megabytes = 0;
    {
        std::string document;
        if (!benchdoc::makeDocument(kind, equations, options.objects, document)) {
            std::printf("%s: cannot read the objects in %s\n", benchdoc::documentKindName(kind),
                        options.objects.string().c_str());
            return false;
        }
        megabytes = double(document.size()) / (1 << 20);
        if (!writeWhole(source, document)) {
            std::printf("cannot write %s\n", source.string().c_str());
            return false;
        }
    } // the document leaves this process's memory before any job runs
    const size_t first = rows.size();
    const fs::path copied = options.folder / "engineBench-copy.rtf";
    rows.push_back({kind, equations, megabytes, kRuns[0], measureShellCopy(source, copied, options.rounds)});
    printRow(rows.back());
    rows.push_back({kind, equations, megabytes, kRuns[1], measureCopy(copyWhole, source, copied, options.rounds)});
    printRow(rows.back());
    rows.push_back({kind, equations, megabytes, kRuns[2], measureCopy(copyChunked, source, copied, options.rounds)});
    printRow(rows.back());
    for (EquationFormat format : kFormats) {
        rows.push_back({kind, equations, megabytes, kRuns[format == EquationFormat::MicrosoftEquation ? 3 : 4],
                        measureJob(source, options.folder, format, options.rounds)});
        printRow(rows.back());
    }
    for (EquationFormat format : kFormats) {
        rows.push_back({kind, equations, megabytes, kRuns[format == EquationFormat::MicrosoftEquation ? 5 : 6],
                        measureDriver(options, source, format)});
        printRow(rows.back());
    }
    checkAgreement(rows, first);
    return true;
}

bool parseCounts(const std::string& text, std::vector<int>& counts) {
    counts.clear();
    for (size_t at = 0; at < text.size();) {
        char* end = nullptr;
        const long value = std::strtol(text.c_str() + at, &end, 10);
        if (end == text.c_str() + at || value <= 0 || value > 10000000)
            return false;
        counts.push_back(int(value));
        at = size_t(end - text.c_str());
        if (at < text.size() && text[at] == ',')
            ++at;
    }
    std::sort(counts.begin(), counts.end());
    return !counts.empty();
}

bool parseArguments(int argc, char** argv, BenchOptions& options) {
    std::error_code error;
    options.folder = fs::temp_directory_path(error);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto value = [&](const char* name) { return argument.substr(std::strlen(name)); };
        if (argument.rfind("--counts=", 0) == 0) {
            if (!parseCounts(value("--counts="), options.counts))
                return false;
        } else if (argument.rfind("--rounds=", 0) == 0) {
            options.rounds = std::max(1, std::atoi(value("--rounds=").c_str()));
        } else if (argument.rfind("--folder=", 0) == 0) {
            options.folder = value("--folder=");
        } else if (argument.rfind("--objects=", 0) == 0) {
            options.objects = value("--objects=");
        } else if (argument.rfind("--driver=", 0) == 0) {
            options.driver = value("--driver=");
        } else if (argument == "--keep") {
            options.keep = true;
        } else {
            return false;
        }
    }
    return true;
}

// --write=KIND:EQUATIONS:PATH
int writeDocument(const std::string& request, const fs::path& objects) {
    const size_t first = request.find(':');
    const size_t second = first == std::string::npos ? first : request.find(':', first + 1);
    if (second == std::string::npos)
        return 2;
    const std::string name = request.substr(0, first);
    const int equations = std::atoi(request.c_str() + first + 1);
    benchdoc::DocumentKind kind = benchdoc::DocumentKind::RealObjects;
    if (name == "built")
        kind = benchdoc::DocumentKind::BuiltEquations;
    else if (name == "text")
        kind = benchdoc::DocumentKind::TextOnly;
    else if (name == "pictures")
        kind = benchdoc::DocumentKind::TextAndPictures;
    else if (name != "real")
        return 2;
    std::string document;
    if (equations <= 0 || !benchdoc::makeDocument(kind, equations, objects, document) ||
        !writeWhole(request.substr(second + 1), document))
        return 1;
    std::printf("%s: %d equations, %.1f MB, fnv1a64 %016" PRIx64 "\n", request.c_str() + second + 1, equations,
                double(document.size()) / (1 << 20), benchdoc::fnv1a64(document));
    return 0;
}

int run(int argc, char** argv) {
    if (argc == 4 && std::strncmp(argv[1], "--job=", 6) == 0)
        return runJob(equationFormatFromValue(std::atoi(argv[1] + 6)), argv[2], argv[3]);
    if (argc == 2 && std::strncmp(argv[1], "--write=", 8) == 0)
        return writeDocument(argv[1] + 8, VELTRIM_BENCH_OBJECTS);
    BenchOptions options;
    if (!parseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: engineBench [--counts=1000,10000,50000] [--rounds=3] [--folder=DIR] "
                             "[--objects=DIR] [--driver=PATH] [--keep]\n"
                             "       engineBench --write=real|built|text|pictures:EQUATIONS:PATH\n");
        return 2;
    }
    std::printf("rounds: %d (best time, largest peak); driver: %s\n\n", options.rounds,
                options.driver.string().c_str());
    printHeading();
    std::vector<Row> rows;
    bool complete = true;
    for (benchdoc::DocumentKind kind : kKinds) {
        for (int count : options.counts)
            complete = benchDocument(options, kind, count, rows) && complete;
    }
    if (complete) {
        const bool linear = printGrowth(rows, options);
        printTargets(rows, options, linear);
    } else {
        std::printf("\nnot every document was measured: no targets judged\n");
    }
    if (!options.keep) {
        std::error_code error;
        for (const char* name : {"engineBench-document.rtf", "engineBench-copy.rtf", "engineBench-job-input.rtf",
                                 "engineBench-job-output0.rtf", "engineBench-job-output1.rtf",
                                 "engineBench-driver-output0.rtf", "engineBench-driver-output1.rtf"})
            fs::remove(options.folder / name, error);
    }
    for (const Row& row : rows) {
        if (!row.measured.ok)
            return 1;
    }
    return complete ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "engineBench: %s\n", e.what());
        return 1;
    }
}
