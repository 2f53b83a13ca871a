// The output RTF file of a conversion job (`outputRtfFile`): opened and closed by the job, written by the RTF pass.
// Pieces are gathered in a buffer so that a large document does not cost one system call per token; the bytes
// that reach the file are exactly those of one write per piece.
#pragma once

#include "rtf/backgroundWriter.h"

#include <filesystem>
#include <string_view>

// Creates the output file as `how` says (by default an existing file is emptied). Any file still open from an earlier
// job is closed first.
bool openOutputRtfFile(const std::filesystem::path& path, FileCreation how = FileCreation::EmptyExisting);

// Appends one piece to the output. Without an open file the piece is dropped.
void writeOutputRtf(std::string_view piece);

// Writes what is buffered and closes the file. False when the file was never opened or any write or the close
// failed, so that a job never reports a truncated document as converted.
bool closeOutputRtfFile();

// True while an output file is open.
bool isOutputRtfFileOpen();

// How the background writer puts full buffers into the file (null: the real write). For tests of a write that fails
// or throws on the writer's thread; set while no output file is open.
void setOutputRtfBufferWrite(BufferWrite write);

// For the pass's copy lane: room for `count` bytes at the end of the output, the buffer drained first when needed;
// null without an open file, while the output is held, or for more than the buffer holds. The bytes written there
// count once commitOutputRtf says how many they are.
char* outputRtfRoom(size_t count);
void commitOutputRtf(size_t count);

// Held output: an object's class name stands in the document before its data, so the pass holds the output back from
// the name on until it knows whether the object was converted, and may then rewrite the name. A hold that grows past
// kMaxHeldOutputRtf bytes (no object data came) is released on its own; so is one still on at the close.
constexpr size_t kMaxHeldOutputRtf = size_t(1) << 16;

// Starts holding pieces back (a hold already on goes on).
void holdOutputRtf();
// True while pieces are held back.
bool isOutputRtfHeld();
// The bytes held back so far.
size_t heldOutputRtfSize();
// Replaces `length` held bytes at `offset` with `text`; false (and nothing changed) outside the held bytes.
bool replaceHeldOutputRtf(size_t offset, size_t length, std::string_view text);
// Writes the held bytes in order and ends the hold.
void releaseOutputRtf();
