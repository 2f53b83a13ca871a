// The real objects of the test data; see realObjects.h.
#include "realObjects.h"

#include "testFiles.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace testing_support {

bool listRealObjectFiles(const fs::path& folder, std::vector<fs::path>& files) {
    files.clear();
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".bin")
            files.push_back(it->path());
    }
    if (error || files.empty())
        return false;
    std::sort(files.begin(), files.end());
    return true;
}

std::vector<RealObject> realObjectsIn(const std::string& folder) {
    std::vector<fs::path> files;
    (void)listRealObjectFiles(testDataPath("mtef-objects") / folder, files); // a test counts what it found
    std::vector<RealObject> objects;
    for (const fs::path& file : files)
        objects.push_back({folder + "/" + file.filename().string(), file, readFileBytes(file)});
    return objects;
}

std::vector<RealObject> realObjects() {
    std::vector<RealObject> objects = realObjectsIn("mathtype3");
    std::vector<RealObject> version5 = realObjectsIn("mathtype5");
    objects.insert(objects.end(), version5.begin(), version5.end());
    return objects;
}

} // namespace testing_support
