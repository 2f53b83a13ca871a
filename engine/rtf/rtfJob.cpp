// The engine job. An RTF document is one group, but the pass goes on over whatever follows that group (line ends, a
// second group, a stray brace) until the source ends, so that nothing of a document is left behind.
#include "rtf/rtfJob.h"

#include "rtf/rtfPass.h"

RtfJobResult runRtfJob(const std::filesystem::path& source) {
    RtfJobResult result;
    setConvertedEquationCount(0);
    result.load = loadSourceRtf(source);
    if (result.load != SourceLoadStatus::Ok) {
        result.status = RtfJobStatus::LoadFailed;
        return result;
    }
    RtfPassResult pass;
    do // one group at a time: a stray "}" closes one and the next goes on
        pass = processGroup();
    while (pass.step != RtfPassStep::InputEnded);
    result.offset = pass.offset;
    result.converted = convertedEquationCount();
    result.status = sourceRtfEnded() ? RtfJobStatus::Ok : RtfJobStatus::StoppedEarly;
    return result;
}

const char* rtfJobStatusText(RtfJobStatus status) {
    switch (status) {
    case RtfJobStatus::Ok:
        return "ok";
    case RtfJobStatus::LoadFailed:
        return "the document could not be loaded";
    case RtfJobStatus::StoppedEarly:
        return "the conversion stopped before the end of the document";
    }
    return "unknown status";
}
