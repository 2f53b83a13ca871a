// veltrimConvert: converts the equations of one RTF file into another with the engine, from the command line.
// The engine deletes the file it loads, so it is handed a hard link of the input where one can be made, else a
// temporary copy: the user's input is never changed.
#include "inputGuard.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"
#include "rtf/statusLine.h"

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {
enum ExitCode {
    ExitOk = 0,
    ExitFailed = 1, // the input could not be read or the output not written
    ExitUsage = 2,  // the command line is not understood
};

struct DriverOptions {
    ConversionOptions conversion;
    bool progress = false;
    fs::path input;
    fs::path output;
};

const char kUsage[] = "usage: veltrimConvert [options] INPUT.rtf OUTPUT.rtf\n"
                      "  --format=math|eq3           target: Office Math (default) or Equation Editor 3.x objects\n"
                      "  --force-unicode=0|1         \"Force Unicode\" (default 1)\n"
                      "  --restore-broken=0|1        \"Restore broken equations\" (default 0)\n"
                      "  --allow-mathtype-fonts=0|1  \"Allow MathType fonts\" (default 0)\n"
                      "  --progress                  show the percentage processed\n";

bool parseSwitch(const std::string& argument, const std::string& name, int32_t& value) {
    if (argument == name + "=1" || argument == name + "=on")
        value = 1;
    else if (argument == name + "=0" || argument == name + "=off")
        value = 0;
    else
        return false;
    return true;
}

bool parseArguments(const std::vector<fs::path>& arguments, DriverOptions& options) {
    std::vector<fs::path> files;
    for (const fs::path& argument : arguments) {
        const std::string text = argument.u8string();
        if (text.rfind("--", 0) != 0) {
            files.push_back(argument);
            continue;
        }
        if (text == "--format=math")
            options.conversion.eqVersion = EquationFormat::MicrosoftEquation;
        else if (text == "--format=eq3")
            options.conversion.eqVersion = EquationFormat::EquationEditor3;
        else if (text == "--progress")
            options.progress = true;
        else if (!parseSwitch(text, "--force-unicode", options.conversion.isUniPrime) &&
                 !parseSwitch(text, "--restore-broken", options.conversion.isOleRestore) &&
                 !parseSwitch(text, "--allow-mathtype-fonts", options.conversion.isEuclid)) {
            std::fprintf(stderr, "veltrimConvert: unknown option %s\n", text.c_str());
            return false;
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "veltrimConvert: give one input and one output file\n");
        return false;
    }
    options.input = files[0];
    options.output = files[1];
    return true;
}

void printProgress(const wchar_t* text) {
    std::fprintf(stderr, "\r%ls", text);
}

// Makes the file the engine loads (and deletes): a hard link of the input, so that no byte is copied, unless the file
// system makes none or the output is the input (opening the output empties it, and so the link); then a copy. The
// engine only reads the file it loads, so the input itself is never changed either way.
bool handOverInput(const fs::path& input, const fs::path& output, const fs::path& handOver) {
    std::error_code error;
    const bool outputIsInput = fs::exists(output, error) && fs::equivalent(input, output, error);
    if (!outputIsInput && !error) {
        fs::create_hard_link(input, handOver, error);
        if (!error)
            return true;
    }
    error.clear();
    return fs::copy_file(input, handOver, fs::copy_options::overwrite_existing, error);
}

// A name that no file has yet in the temporary folder (the current folder where there is none).
fs::path handOverName() {
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error)
        folder = fs::current_path(error);
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0;; ++attempt) {
        fs::path candidate =
            folder / ("veltrimConvert-" + std::to_string(stamp) + "-" + std::to_string(attempt) + ".rtf");
        if (!fs::exists(candidate, error))
            return candidate;
    }
}

int fail(const char* message, const fs::path& path) {
    std::fprintf(stderr, "veltrimConvert: %s: %s\n", message, path.u8string().c_str());
    return ExitFailed;
}

const char* onOff(int32_t value) {
    return value ? "on" : "off";
}

int convert(const DriverOptions& options) {
    std::error_code error;
    if (!fs::is_regular_file(options.input, error))
        return fail("cannot read the input file", options.input);
    const uintmax_t size = fs::file_size(options.input, error);
    if (error)
        return fail("cannot read the input file", options.input);
    if (size > uintmax_t(kMaxSourceRtfBytes))
        return fail("the input file is too large (the engine reads documents below 2 GB)", options.input);

    // The hand-over first: the output may be the input itself, and opening the output empties it.
    const fs::path handOver = handOverName();
    if (!handOverInput(options.input, options.output, handOver))
        return fail("cannot copy the input file to the temporary folder", options.input);
    if (!openOutputRtfFile(options.output)) {
        fs::remove(handOver, error);
        return fail("cannot write the output file", options.output);
    }

    setConversionOptions(options.conversion);
    if (options.progress)
        setStatusLineHook(printProgress);
    armInputGuard(options.output, ExitFailed);
    const RtfJobResult job = runRtfJob(handOver);
    disarmInputGuard();
    if (job.status == RtfJobStatus::LoadFailed) {
        closeOutputRtfFile();
        fs::remove(handOver, error);
        fs::remove(options.output, error);
        return fail(sourceLoadStatusText(job.load), options.input);
    }
    if (!closeOutputRtfFile())
        return fail("writing the output file failed", options.output);
    if (job.status != RtfJobStatus::Ok) {
        const std::string reason = std::string(rtfJobStatusText(job.status)) + " (at byte " +
                                   std::to_string(job.offset) + "); the output is incomplete";
        return fail(reason.c_str(), options.output);
    }
    if (options.progress)
        std::fprintf(stderr, "\rDone.            \n");

    std::printf("Equation format: %s\n",
                writesEquationEditor3(options.conversion) ? "Equation Editor 3.x" : "Microsoft Equation");
    std::printf("Equations converted: %d\n", int(job.converted));
    std::printf("Force Unicode: %s\n", onOff(options.conversion.isUniPrime));
    std::printf("Restore broken equations: %s\n", onOff(options.conversion.isOleRestore));
    std::printf("Allow MathType fonts: %s\n", onOff(options.conversion.isEuclid));
    return ExitOk;
}

int run(const std::vector<fs::path>& arguments) {
    DriverOptions options;
    if (!parseArguments(arguments, options)) {
        std::fputs(kUsage, stderr);
        return ExitUsage;
    }
    return convert(options);
}

template <typename Char> int guardedMain(int argc, Char** argv) {
    try {
        std::vector<fs::path> arguments(argv + 1, argv + argc);
        return run(arguments);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltrimConvert: %s\n", e.what());
        return ExitFailed;
    }
}
} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    return guardedMain(argc, argv);
}
#else
int main(int argc, char** argv) {
    return guardedMain(argc, argv);
}
#endif
