// The output RTF file of a conversion job (`outputRtfFile`): opened and closed by the job, written by the RTF pass.
// Pieces are gathered in a buffer so that a large document does not cost one system call per token; the bytes
// that reach the file are exactly those of one write per piece.
#pragma once

#include <filesystem>
#include <string_view>

// Creates (or empties) the output file. Any file still open from an earlier job is closed first.
bool openOutputRtfFile(const std::filesystem::path& path);

// Appends one piece to the output. Without an open file the piece is dropped.
void writeOutputRtf(std::string_view piece);

// Writes what is buffered and closes the file. False when the file was never opened or any write or the close
// failed, so that a job never reports a truncated document as converted.
bool closeOutputRtfFile();

// True while an output file is open.
bool isOutputRtfFileOpen();
