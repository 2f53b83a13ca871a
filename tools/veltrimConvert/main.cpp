// veltrimConvert: converts the equations of one RTF file into another with the engine, from the command line.
// The engine deletes the file it loads, so it is handed a second name of the input (driverFiles.h); the output is
// written beside the one named and put in its place once whole: the user's input is never changed, and a failed run
// changes no file of the user's.
#include "driverFiles.h"
#include "inputGuard.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"
#include "rtf/statusLine.h"

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

    HandOver handOver;
    if (!handOver.make(options.input))
        return fail("cannot copy the input file to the temporary folder", options.input);
    NewOutput output;
    if (!output.plan(options.output) || !openOutputRtfFile(output.path(), FileCreation::NewOnly))
        return fail("cannot write the output file", options.output);

    setConversionOptions(options.conversion);
    if (options.progress)
        setStatusLineHook(printProgress);
    armInputGuard(output.path(), ExitFailed);
    const RtfJobResult job = runRtfJob(handOver.path());
    disarmInputGuard();
    // From here on every failure leaves the user's output as it was: the new file goes with its record.
    const bool written = closeOutputRtfFile();
    if (job.status == RtfJobStatus::LoadFailed)
        return fail(sourceLoadStatusText(job.load), options.input);
    if (!written)
        return fail("writing the output file failed; no output written", options.output);
    if (job.status != RtfJobStatus::Ok) {
        const std::string reason = std::string(rtfJobStatusText(job.status)) + " (at byte " +
                                   std::to_string(job.offset) + "); no output written";
        return fail(reason.c_str(), options.output);
    }
    if (!output.putInPlace())
        return fail("cannot put the output file in place; no output written", options.output);
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
