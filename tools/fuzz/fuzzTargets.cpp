// The engine's fuzz targets. Office Math output must pass the tests' Office Math checker (groups balance, no element
// marker is left, only the engine's control words, every part where the schema allows it and in its order), and MTEF
// 3 output must be well formed; the pass must read every document to its end and write the same bytes with its
// copy lane as without it; anything else the converter may decide, as long as it neither crashes nor reads out of
// bounds.
#include "fuzzTargets.h"

#include "mtef/converterContext.h"
#include "mtef/hexText.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"
#include "officeMathChecker.h"
#include "rtf/conversionOptions.h"
#include "rtf/rtfJob.h"
#include "rtf/rtfOutput.h"
#include "rtf/rtfPass.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {
long processId() {
#ifdef _WIN32
    return long(_getpid());
#else
    return long(getpid());
#endif
}

// The RTF target's two files, named by the process id: parallel fuzzing (-jobs, -fork, several processes) and
// parallel test runs each write files of their own. They are deleted when the process ends normally.
class PassFiles {
public:
    PassFiles() {
        std::error_code error;
        std::filesystem::path folder = std::filesystem::temp_directory_path(error);
        if (error)
            folder = std::filesystem::current_path(error);
        const std::string stem = "veltrim-fuzz-" + std::to_string(processId());
        input = folder / (stem + ".rtf");
        output = folder / (stem + ".out");
    }
    ~PassFiles() {
        std::error_code error;
        std::filesystem::remove(input, error);
        std::filesystem::remove(output, error);
    }
    PassFiles(const PassFiles&) = delete;
    PassFiles& operator=(const PassFiles&) = delete;

    std::filesystem::path input;
    std::filesystem::path output;
};

void check(bool condition, const char* rule) {
    if (!condition) {
        std::fprintf(stderr, "fuzz rule broken: %s\n", rule);
        std::abort();
    }
}
} // namespace

int fuzzConvertEquation(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t switches = data[0];
    const EquationFormat format = equationFormatFromValue((switches >> 2) & 1);
    ConversionSwitches job;
    job.format = format;
    job.allowMathTypeFonts = (switches >> 3) & 1;
    job.restoreBroken = (switches >> 4) & 1;
    job.forceUnicode = (switches >> 5) & 1;
    ConverterContext& context = converterContext();
    initConverterContext(context, job);
    std::string hex;
    EquationObjectKind kind = ObjectBareMtef;
    if (switches & 0x40) {
        kind = ObjectStorage;
    } else {
        const uint8_t header[5] = {uint8_t(2 + (switches & 3)), 1, 1, 3, 10};
        hex.assign(56, '0');
        appendHexText(hex, header, 5);
    }
    appendHexText(hex, data + 1, size - 1);
    const std::string& result = convertEquationObject(context, hex, kind);
    if (format == EquationFormat::MicrosoftEquation && !result.empty()) {
        const std::string problem = testing_support::checkOfficeMathRtf(result);
        if (!problem.empty())
            std::fprintf(stderr, "%s in:\n%s\n", problem.c_str(), result.c_str());
        check(problem.empty(), "Office Math output passes the checker");
    }
    if (format == EquationFormat::EquationEditor3 && !context.equationNative.empty()) {
        const std::string problem = testing_support::validateMtef3Stream(context.equationNative);
        if (!problem.empty())
            std::fprintf(stderr, "%s in:\n%s\n", problem.c_str(), context.equationNative.c_str());
        check(problem.empty(), "MTEF 3 output is well formed");
    }
    return 0;
}

namespace {
// One engine job over the document with the copy lane on or off: what it wrote, and how it ended.
struct PassRun {
    RtfJobResult job;
    std::string output;
};

PassRun runPass(const PassFiles& files, const uint8_t* document, size_t size, bool copyLane) {
    PassRun run;
    {
        std::ofstream file(files.input, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(document), std::streamsize(size));
    }
    if (!openOutputRtfFile(files.output))
        return run;
    setRtfCopyLaneEnabled(copyLane);
    run.job = runRtfJob(files.input);
    setRtfCopyLaneEnabled(true);
    closeOutputRtfFile();
    std::ifstream written(files.output, std::ios::binary);
    run.output.assign(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>());
    return run;
}
} // namespace

int fuzzRtfPass(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static const PassFiles files;
    ConversionOptions options;
    options.eqVersion = equationFormatFromValue(data[0] & 1);
    setConversionOptions(options);
    const PassRun fast = runPass(files, data + 1, size - 1, true);
    check(fast.job.status != RtfJobStatus::StoppedEarly, "the pass reads every document to its end");
    // The copy lane only copies faster: token by token the pass writes the same bytes and converts the same objects.
    const PassRun plain = runPass(files, data + 1, size - 1, false);
    check(plain.output == fast.output && plain.job.converted == fast.job.converted,
          "the copy lane writes what the token path writes");
    return 0;
}
