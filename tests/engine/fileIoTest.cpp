// The file seam where it deletes, creates and replaces: natively and, in the Windows build, under Wine, where a link
// to a file shows as a plain file and only the final path of an open handle gives it away. Each case names files as
// a conversion names its own, so that no name rule turns a link away first: what is tested is the handle check.
#include "platform/fileIo.h"
#include "rtf/rtfSource.h"
#include "symbolicLinks.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "scopedWin.h"
#endif

namespace fs = std::filesystem;
using namespace testing_support;

namespace {
constexpr char kOurName[] = "0C6A1B0E-2F5D-4C1A-9E3B-7D4F8A2B6C10.rtf";
constexpr char kPrecious[] = "the user's own file";

// What stands at the name a case works on.
enum class AtName {
    Nothing,    // no file
    PlainFile,  // a file of our own
    FileLink,   // a symbolic link to the user's file elsewhere
    FolderLink, // a symbolic link to the user's folder elsewhere
    Folder,     // a folder holding the user's file
    HardLink,   // a second name of the user's file
};

const char* atNameText(AtName at) {
    switch (at) {
    case AtName::Nothing:
        return "nothing";
    case AtName::PlainFile:
        return "a plain file";
    case AtName::FileLink:
        return "a link to a file";
    case AtName::FolderLink:
        return "a link to a folder";
    case AtName::Folder:
        return "a folder";
    case AtName::HardLink:
        return "a hard link";
    }
    return "?";
}

// One case's scene: the user's file and folder elsewhere, and what stands at our name beside them.
class Scene {
public:
    explicit Scene(AtName at) {
        fs::create_directories(elsewhere());
        writeFileBytes(usersFile(), kPrecious);
        switch (at) {
        case AtName::Nothing:
            break;
        case AtName::PlainFile:
            writeFileBytes(name(), "ours");
            break;
        case AtName::FileLink:
            link_ = std::make_unique<SymbolicLink>(usersFile(), name());
            break;
        case AtName::FolderLink:
            link_ = std::make_unique<SymbolicLink>(elsewhere(), name());
            break;
        case AtName::Folder:
            fs::create_directories(name());
            writeFileBytes(name() / "notes.txt", kPrecious);
            break;
        case AtName::HardLink:
            fs::create_hard_link(usersFile(), name());
            break;
        }
    }
    bool made() const { return link_ == nullptr || link_->made(); }
    fs::path name() const { return folder_.path() / "ours" / kOurName; }
    fs::path elsewhere() const { return folder_.path() / "elsewhere"; }
    fs::path usersFile() const { return elsewhere() / "notes.txt"; }
    bool nameTaken() const {
        std::error_code error;
        return fs::symlink_status(name(), error).type() != fs::file_type::not_found || fs::exists(name(), error);
    }

private:
    TempFolder folder_;
    std::unique_ptr<SymbolicLink> link_; // goes before the folder, whose removal would walk through it
    bool madeFolder_ = fs::create_directories(folder_.path() / "ours");
};

TEST(FileIo, DeletesOnlyAPlainFileThatTheNameLeadsToDirectly) {
    const struct {
        AtName at;
        bool deleted;
    } cases[] = {
        {AtName::PlainFile, true},   {AtName::HardLink, true}, {AtName::FileLink, false},
        {AtName::FolderLink, false}, {AtName::Folder, false},  {AtName::Nothing, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE("row " + std::to_string(row) + ": " + atNameText(cases[row].at));
        Scene scene(cases[row].at);
        ASSERT_TRUE(scene.made()) << "the link could not be made";
        EXPECT_EQ(deleteNativeFile(scene.name()), cases[row].deleted);
        EXPECT_EQ(scene.nameTaken(), !cases[row].deleted && cases[row].at != AtName::Nothing);
        EXPECT_EQ(readFileBytes(scene.usersFile()), kPrecious);
    }
}

// The engine deletes the file it loads through the handle it read it by: a link at the name is not followed, so
// neither its target's bytes nor the target itself are taken.
TEST(FileIo, TheEngineLoadsAndDeletesOnlyAFileOfItsName) {
    const struct {
        AtName at;
        SourceLoadStatus status;
    } cases[] = {
        {AtName::PlainFile, SourceLoadStatus::Ok},
        {AtName::HardLink, SourceLoadStatus::Ok},
        {AtName::FileLink, SourceLoadStatus::OpenFailed},
        {AtName::FolderLink, SourceLoadStatus::OpenFailed},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE("row " + std::to_string(row) + ": " + atNameText(cases[row].at));
        Scene scene(cases[row].at);
        ASSERT_TRUE(scene.made()) << "the link could not be made";
        EXPECT_EQ(loadSourceRtf(scene.name()), cases[row].status);
        EXPECT_EQ(scene.nameTaken(), cases[row].status != SourceLoadStatus::Ok);
        EXPECT_EQ(readFileBytes(scene.usersFile()), kPrecious);
    }
}

// A new file is made only where nothing has the name: not over a file, not through a link.
TEST(FileIo, ANewFileTakesNoNameThatIsTaken) {
    const struct {
        AtName at;
        bool created;
    } cases[] = {
        {AtName::Nothing, true},     {AtName::PlainFile, false}, {AtName::FileLink, false},
        {AtName::FolderLink, false}, {AtName::Folder, false},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        SCOPED_TRACE("row " + std::to_string(row) + ": " + atNameText(cases[row].at));
        Scene scene(cases[row].at);
        ASSERT_TRUE(scene.made()) << "the link could not be made";
        NativeFile file;
        EXPECT_EQ(file.createForWriting(scene.name(), FileCreation::NewOnly), cases[row].created);
        EXPECT_EQ(file.writeAll("new", 3), cases[row].created);
        EXPECT_TRUE(file.close());
        EXPECT_EQ(readFileBytes(scene.usersFile()), kPrecious);
        if (cases[row].at == AtName::PlainFile) {
            EXPECT_EQ(readFileBytes(scene.name()), "ours");
        }
    }
}

#ifdef _WIN32
// A file another program holds open without sharing its deletion (another session's conversion writing its output,
// say) is not deleted, whoever asks: the clean-up skips it, and the engine still reads it whole.
TEST(FileIo, AFileHeldWithoutDeleteSharingStays) {
    Scene scene(AtName::PlainFile);
    const ScopedHandle held(CreateFileW(scene.name().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.isValid());
    EXPECT_FALSE(deleteNativeFile(scene.name()));
    EXPECT_EQ(loadSourceRtf(scene.name()), SourceLoadStatus::Ok);
    std::string read;
    for (uint8_t byte = nextSourceByte(0); byte != 0; byte = nextSourceByte(0))
        read += char(byte);
    EXPECT_EQ(read, "ours");
    EXPECT_TRUE(scene.nameTaken());
}
#endif

TEST(FileIo, AReplacementTakesTheTargetsPlaceWhole) {
    TempFolder folder;
    const fs::path target = folder.file("document.rtf");
    const fs::path replacement = folder.file("document.new");
    writeFileBytes(target, "the old document");
    writeFileBytes(replacement, "the new document");
    ASSERT_TRUE(replaceNativeFile(replacement, target));
    EXPECT_EQ(readFileBytes(target), "the new document");
    EXPECT_FALSE(fs::exists(replacement));
    // Nothing to put in place: the target stays.
    EXPECT_FALSE(replaceNativeFile(folder.file("missing.new"), target));
    EXPECT_EQ(readFileBytes(target), "the new document");
}

TEST(FileIo, RandomBytesDiffer) {
    unsigned char first[16] = {};
    unsigned char second[16] = {};
    ASSERT_TRUE(fillWithSystemRandom(first, sizeof first));
    ASSERT_TRUE(fillWithSystemRandom(second, sizeof second));
    EXPECT_NE(std::string(first, first + 16), std::string(second, second + 16));
}
} // namespace
