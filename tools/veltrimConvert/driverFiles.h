// The files the driver makes on the way from the user's input to the user's output, and nothing else:
//  - the hand-over, the second name of the input that the engine loads and deletes: a hard link in the temporary
//    folder where the file system makes one (no byte copied), else a copy; either way created under a new name that
//    nobody can guess, never over a file or link already there;
//  - the new output, written beside the output the user named and put in its place only once the job has succeeded,
//    so that a failed run leaves that file (and the input, when the two are one file) byte for byte as it was.
// The user's input is never opened for writing, whatever name the output has; no name comparison is needed to
// convert a file onto itself.
#pragma once

#include <filesystem>

// A name in `folder` that nobody can guess: `prefix`, 32 hexadecimal digits of the system's random source, `suffix`.
// Empty when the system gives no random bytes.
std::filesystem::path unguessableName(const std::filesystem::path& folder, const char* prefix, const char* suffix);

// The hand-over of one input. The engine deletes it as it loads it; should it be left (a load that failed, or a
// deletion the system refused), it goes with the record. Its name is known to this run alone.
class HandOver {
public:
    HandOver() = default;
    ~HandOver();
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Makes the hand-over of `input` in the temporary folder; false when neither a link nor a copy could be made.
    bool make(const std::filesystem::path& input);
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_; // empty when nothing was made
};

// The new output of one run: where it is written, and where it goes once it is whole. Removed when the record goes
// unless it was put in place.
class NewOutput {
public:
    NewOutput() = default;
    ~NewOutput();
    NewOutput(const NewOutput&) = delete;
    NewOutput& operator=(const NewOutput&) = delete;

    // Chooses the new file's name beside `output` (beside the file it leads to, when `output` is a symbolic link:
    // the link stays and the file gets the converted document, as a plain write through it would). False when no
    // name could be made.
    bool plan(const std::filesystem::path& output);
    // Where the job writes; the job creates it with FileCreation::NewOnly.
    const std::filesystem::path& path() const { return path_; }
    // Puts the whole new output in the place of the user's output; false when the system refuses (the new file then
    // goes with the record).
    bool putInPlace();

private:
    std::filesystem::path path_;   // the new file; empty once it is in place or removed
    std::filesystem::path target_; // the output it replaces
};
