// The per-file conversion job: one intermediate RTF file converted into another by the engine, framed by the job's
// settings, the Equation Editor 3.x server, the progress window, the status line and the statistics text.
#pragma once

#include "platform/fileIo.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <variant>

// What a job gave: an int (1 refused or aborted, 2 the output could not be made) or the statistics text.
using JobOutcome = std::variant<int32_t, std::wstring>;
constexpr int32_t kJobRefused = 1;
constexpr int32_t kJobOutputFailed = 2;

// Converts inputRtfPath into outputRtfPath, which is created as `creation` says (the Raw Mode conversion's own file
// is new: FileCreation::NewOnly). The input is consumed: the engine reads it whole and deletes it once the job gets
// that far. Runs on the conversion worker thread, one job at a time.
JobOutcome runConversionJob(const std::wstring& inputRtfPath, const std::wstring& outputRtfPath,
                            FileCreation creation = FileCreation::EmptyExisting);

// The window that owns the last job's boxes and progress window (a copy of the module window taken at its start).
HWND jobParentWindow();
