// The real MathType and Equation Editor 3.x objects of tests/data/mtef-objects: mathtype3/ and mathtype5/ hold one
// compound file (*.bin) each, with its "Equation Native" stream. Read in name order, since directory order differs
// between file systems.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct RealObject {
    std::string name;           // folder and file name: "mathtype5/equation1.bin"
    std::filesystem::path path; // the file
    std::string bytes;          // its contents
};

// The objects of one folder of the test data ("mathtype3" or "mathtype5").
std::vector<RealObject> realObjectsIn(const std::string& folder);
// Every real object: mathtype3/ first, then mathtype5/.
std::vector<RealObject> realObjects();

// The *.bin files of a folder of real objects anywhere (the benchmark's, given on its command line), in name order;
// false when the folder cannot be read or holds none.
bool listRealObjectFiles(const std::filesystem::path& folder, std::vector<std::filesystem::path>& files);

} // namespace testing_support
