// One engine job over a source document: the source loaded (which starts the tokeniser, the pass and, through the
// pass, the converter context afresh), the equation count reset, and the pass run to the end of the document. The
// caller opens the output file before and closes it after; the options are set before too.
#pragma once

#include "rtf/rtfSource.h"

#include <cstdint>
#include <filesystem>

enum class [[nodiscard]] RtfJobStatus{
    Ok = 0,       // the document was read to its end and written
    LoadFailed,   // the source could not be loaded: `load` says why; nothing was written
    StoppedEarly, // the pass ended before the end of the document, at `offset`: the output is incomplete
};

struct RtfJobResult {
    RtfJobStatus status = RtfJobStatus::StoppedEarly; // a failure until the job has run to the end
    SourceLoadStatus load = SourceLoadStatus::Ok;
    int64_t offset = 0;    // bytes of the document read when the pass ended
    int32_t converted = 0; // equation objects written converted
};

// Runs the job. The file is deleted once loaded, as loadSourceRtf does.
RtfJobResult runRtfJob(const std::filesystem::path& source);

// A short English description of a status, for messages.
const char* rtfJobStatusText(RtfJobStatus status);
