// Building Equation Editor 3.x objects: the \objdata layout around any compound file, the constant template and
// placeholder picture checked against their formats, the compound file writer read back by the engine's reader, the
// check of what the server step wrote, and (natively, where the engine writes the object itself) every real object
// converted to an Equation.3 object and read back to the same MTEF.
#include "objects/equationObjectWrap.h"
#include "compoundFileBuilder.h"
#include "mtef/converterContext.h"
#include "mtef/hexText.h"
#include "mtefV3Validator.h"
#include "objects/compoundFileReader.h"
#include "objects/compoundFileWriter.h"
#include "objects/equationObjectConversion.h"
#include "objects/equationObjectTemplate.h"
#include "objects/equationObjectUnwrap.h"
#include "realObjects.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

void PrintTo(CompoundFileStatus status, std::ostream* out) {
    *out << compoundFileStatusText(status);
}

using namespace testing_support;

namespace {
using Bytes = std::vector<uint8_t>;

uint32_t le32(const Bytes& bytes, size_t offset) {
    return uint32_t(bytes.at(offset)) | uint32_t(bytes.at(offset + 1)) << 8 | uint32_t(bytes.at(offset + 2)) << 16 |
           uint32_t(bytes.at(offset + 3)) << 24;
}

uint16_t le16(const Bytes& bytes, size_t offset) {
    return uint16_t(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

// The lines of a text that must end in CR LF; a line break inside a line, or a bare CR or LF, fails the test.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the text does not end in CR LF";
            break;
        }
        lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << "bare CR or LF in line " << lines.size();
        start = end + 2;
    }
    return lines;
}

// The OLE1 presentation fields as the object format gives them, and the METAFILEPICT header.
const std::string kPresentationHeaderHex = "01050000"                   // OLE version 0x0501
                                           "05000000"                   // format id 5: presentation
                                           "0d000000"                   // class name length
                                           "4d45544146494c455049435400" // "METAFILEPICT"
                                           "61010000"                   // width 353
                                           "7cfeffff"                   // height -388
                                           "42010000"                   // data size 322
                                           "0800"                       // MM_ANISOTROPIC
                                           "6101"                       // x extent 353
                                           "8401"                       // y extent 388
                                           "0000";                      // no handle

// --- The \objdata layout -------------------------------------------------------------------------------------------

struct LayoutRow {
    uint32_t size;             // bytes of the compound file
    const char* sizeField;     // the 32-bit little-endian size as hex
    size_t fullLines;          // lines of 252 characters
    size_t lastLine;           // characters of the line after them (0: none)
    bool blankLineBeforeFrame; // a size that is a multiple of 126 leaves the presentation header two breaks away
};

// clang-format off
const LayoutRow kLayoutRows[] = {
    // size    size field   full  last  blank
    {1,        "01000000",  0,    2,    false},
    {125,      "7d000000",  0,    250,  false},
    {126,      "7e000000",  1,    0,    true},
    {127,      "7f000000",  1,    2,    false},
    {378,      "7a010000",  3,    0,    true},
    {2560,     "000a0000",  20,   80,   false},
    {3072,     "000c0000",  24,   96,   false},
    {65535,    "ffff0000",  520,  30,   false},
    {65536,    "00000100",  520,  32,   false},
    {70056,    "a8110100",  556,  0,    true},
    {1000003,  "43420f00",  7936, 134,  false},
};
// clang-format on

TEST(EquationObjectLayout, FramesAnyCompoundFile) {
    for (size_t row = 0; row < std::size(kLayoutRows); ++row) {
        const LayoutRow& expected = kLayoutRows[row];
        const Bytes file = patternBytes(expected.size, uint32_t(row));
        std::string text;
        composeEquationObjectData(text, file.data(), expected.size);
        const std::vector<std::string> lines = linesOf(text);
        const size_t fileLines = expected.fullLines + (expected.lastLine != 0 || expected.blankLineBeforeFrame);
        ASSERT_EQ(lines.size(), 1 + fileLines + 1 + 3) << "row " << row;

        EXPECT_EQ(lines[0], "01050000020000000b0000004571756174696f6e2e3300"
                            "00000000"
                            "00000000" +
                                std::string(expected.sizeField))
            << "row " << row;
        std::string fileHex;
        for (size_t i = 0; i < fileLines; ++i) {
            const size_t length = i < expected.fullLines ? 252 : expected.lastLine;
            EXPECT_EQ(lines[1 + i].size(), length) << "row " << row << " line " << i;
            fileHex += lines[1 + i];
        }
        EXPECT_EQ(fileHex, hexOfBytes(file)) << "row " << row;
        EXPECT_EQ(lines[1 + fileLines], kPresentationHeaderHex) << "row " << row;
        EXPECT_EQ(lines[2 + fileLines].size(), 252u) << "row " << row;
        EXPECT_EQ(lines[3 + fileLines].size(), 252u) << "row " << row;
        EXPECT_EQ(lines[4 + fileLines].size(), 124u) << "row " << row;
        EXPECT_EQ(lines[2 + fileLines] + lines[3 + fileLines] + lines[4 + fileLines],
                  hexOfBytes(Bytes(kPlaceholderMetafile.begin(), kPlaceholderMetafile.end())))
            << "row " << row;
        EXPECT_EQ(text.find_first_not_of("0123456789abcdef\r\n"), std::string::npos) << "row " << row;
    }
}

// --- The placeholder metafile --------------------------------------------------------------------------------------

// What a walk through the metafile's records found.
struct MetafileWalk {
    std::string problem; // "" when the records are sound
    size_t largestRecordWords = 0;
    size_t objectSlots = 0; // the most object table slots in use at once
    std::vector<std::string> comments;
    std::vector<std::string> fonts; // face names, in order of creation
    std::string text;               // the characters drawn
    std::string textFont;           // the face selected when they were drawn
    uint32_t textColor = 0xffffffff;
    uint16_t backgroundMode = 0;
    uint16_t textAlign = 0xffff;
};

std::string cString(const Bytes& bytes, size_t offset, size_t limit) {
    std::string text;
    for (size_t i = offset; i < limit && bytes.at(i) != 0; ++i)
        text += char(bytes[i]);
    return text;
}

// Walks the records behind the 9-word header, keeping GDI's object table: a new object takes the lowest free slot, a
// selected or deleted slot must be in use.
MetafileWalk walkMetafile(const Bytes& metafile) {
    MetafileWalk walk;
    std::vector<std::string> slots; // face names; "" for a free slot
    std::string selectedFont;
    size_t offset = 18;
    while (walk.problem.empty()) {
        if (metafile.size() - offset < 6)
            return walk.problem = "a record runs past the end", walk;
        const uint32_t words = le32(metafile, offset);
        const uint16_t function = le16(metafile, offset + 4);
        if (words < 3 || words > (metafile.size() - offset) / 2)
            return walk.problem = "bad record size at " + std::to_string(offset), walk;
        walk.largestRecordWords = std::max<size_t>(walk.largestRecordWords, words);
        const size_t parameters = offset + 6;
        const size_t end = offset + 2 * size_t(words);
        switch (function) {
        case 0x0000: // EOF
            if (end != metafile.size())
                walk.problem = "bytes after the end record";
            return walk;
        case 0x0626: // ESCAPE
            if (le16(metafile, parameters) == 0x000f) {
                const size_t count = le16(metafile, parameters + 2);
                if (parameters + 4 + count > end)
                    walk.problem = "comment longer than its record";
                else
                    walk.comments.push_back(std::string(metafile.begin() + std::ptrdiff_t(parameters + 4),
                                                        metafile.begin() + std::ptrdiff_t(parameters + 4 + count)));
            }
            break;
        case 0x02fb: { // CREATEFONTINDIRECT
            const std::string face = cString(metafile, parameters + 18, end);
            walk.fonts.push_back(face);
            size_t slot = 0;
            while (slot < slots.size() && !slots[slot].empty())
                ++slot;
            if (slot == slots.size())
                slots.emplace_back();
            slots[slot] = face;
            walk.objectSlots = std::max(walk.objectSlots, slots.size());
            break;
        }
        case 0x012d:   // SELECTOBJECT
        case 0x01f0: { // DELETEOBJECT
            const size_t slot = le16(metafile, parameters);
            if (slot >= slots.size() || slots[slot].empty())
                return walk.problem = "object slot not in use", walk;
            if (function == 0x012d)
                selectedFont = slots[slot];
            else if (selectedFont == slots[slot])
                return walk.problem = "deleted the selected font", walk;
            else
                slots[slot].clear();
            break;
        }
        case 0x0209: // SETTEXTCOLOR
            walk.textColor = le32(metafile, parameters);
            break;
        case 0x0102: // SETBKMODE
            walk.backgroundMode = le16(metafile, parameters);
            break;
        case 0x012e: // SETTEXTALIGN
            walk.textAlign = le16(metafile, parameters);
            break;
        case 0x0521: { // TEXTOUT
            const size_t length = le16(metafile, parameters);
            if (parameters + 2 + (length + 1) / 2 * 2 + 4 != end)
                return walk.problem = "text record of the wrong size", walk;
            walk.text += std::string(metafile.begin() + std::ptrdiff_t(parameters + 2),
                                     metafile.begin() + std::ptrdiff_t(parameters + 2 + length));
            walk.textFont = selectedFont;
            break;
        }
        case 0x020b: // SETWINDOWORG
        case 0x020c: // SETWINDOWEXT
            break;
        default:
            return walk.problem = "unexpected record function " + std::to_string(function), walk;
        }
        offset = end;
    }
    return walk;
}

TEST(EquationObjectPlaceholder, IsASoundMetafileDrawingA) {
    const Bytes metafile(kPlaceholderMetafile.begin(), kPlaceholderMetafile.end());
    ASSERT_EQ(metafile.size(), 314u);
    EXPECT_EQ(le16(metafile, 0), 1);      // memory metafile
    EXPECT_EQ(le16(metafile, 2), 9);      // header words
    EXPECT_EQ(le16(metafile, 4), 0x0300); // version
    EXPECT_EQ(le32(metafile, 6), 157u);   // size in words
    const MetafileWalk walk = walkMetafile(metafile);
    ASSERT_EQ(walk.problem, "");
    EXPECT_EQ(le16(metafile, 10), walk.objectSlots);
    EXPECT_EQ(le16(metafile, 10), 2);
    EXPECT_EQ(le32(metafile, 12), walk.largestRecordWords);
    ASSERT_EQ(walk.comments.size(), 1u);
    EXPECT_EQ(walk.comments[0].substr(0, 8), "MathType");
    EXPECT_EQ(walk.text, "a");
    EXPECT_EQ(walk.textFont, "Times New Roman");
    EXPECT_EQ(walk.textColor, 0u);     // black
    EXPECT_EQ(walk.backgroundMode, 1); // transparent
    EXPECT_EQ(walk.textAlign, 24);     // base line
    EXPECT_EQ(hexOfBytes(Bytes(kPlaceholderHeader.begin(), kPlaceholderHeader.end())), kPresentationHeaderHex);
}

// --- The template compound file ------------------------------------------------------------------------------------

const std::string kEquation3ClassHex = "02ce020000000000c000000000000046";

struct TemplateStreamRow {
    std::u16string name;
    std::string hex; // the stream's bytes as the object format describes them
};

const TemplateStreamRow kTemplateStreamRows[] = {
    {u"\u0001Ole", "0100000208000000" + std::string(24, '0')},
    {u"\u0001CompObj", "0100feff030a0000ffffffff" + kEquation3ClassHex + "17000000" +
                           hexOf(std::string("Microsoft Equation 3.0", 23)) + "0c000000" +
                           hexOf(std::string("DS Equation", 12)) + "0b000000" + hexOf(std::string("Equation.3", 11)) +
                           "f439b271" + std::string(24, '0')},
    {u"\u0003ObjInfo", "000003000400"},
};

TEST(EquationObjectTemplate, IsAnEquation3CompoundFile) {
    const Bytes image(kEquationTemplateImage.begin(), kEquationTemplateImage.end());
    ASSERT_EQ(image.size(), 3072u);
    EXPECT_EQ(le16(image, 26), 3);     // major version
    EXPECT_EQ(le16(image, 30), 9);     // 512-byte sectors
    EXPECT_EQ(le16(image, 32), 6);     // 64-byte mini sectors
    EXPECT_EQ(le32(image, 56), 4096u); // mini stream cutoff
    EXPECT_EQ(le32(image, 44), 1u);    // FAT sectors
    EXPECT_EQ(le32(image, 64), 1u);    // mini FAT sectors
    // The directory's chain in the FAT (sector 0, behind the header): two sectors.
    const uint32_t firstDirectory = le32(image, 48);
    ASSERT_LT(firstDirectory, 5u);
    const uint32_t second = le32(image, 512 + 4 * firstDirectory);
    ASSERT_LT(second, 5u);
    EXPECT_EQ(le32(image, 512 + 4 * second), 0xfffffffeu);

    for (const TemplateStreamRow& row : kTemplateStreamRows) {
        Bytes stream;
        ASSERT_EQ(readCompoundFileStream(image.data(), image.size(), row.name, stream), CompoundFileStatus::Ok);
        EXPECT_EQ(hexOfBytes(stream), row.hex) << std::string(row.name.begin() + 1, row.name.end());
    }
    Bytes native;
    ASSERT_EQ(readCompoundFileStream(image.data(), image.size(), u"Equation Native", native), CompoundFileStatus::Ok);
    EXPECT_EQ(native.size(), 41u);
    EXPECT_EQ(testing_support::validateMtef3Stream(hexOfBytes(native)), "");
    std::array<uint8_t, kCompoundFileClassIdSize> classId{};
    ASSERT_EQ(readCompoundFileRootClass(image.data(), image.size(), classId), CompoundFileStatus::Ok);
    EXPECT_EQ(hexOfBytes(Bytes(classId.begin(), classId.end())), kEquation3ClassHex);
}

// The compile-time image and the run-time writer share one layout: the writer gives the template byte for byte.
TEST(EquationObjectTemplate, IsWhatTheWriterWritesAtRunTime) {
    Bytes written;
    ASSERT_TRUE(writeCompoundFile(kEquationTemplateStreams.data(), kEquationTemplateStreams.size(),
                                  kEquation3ClassId.data(), written));
    EXPECT_EQ(written, Bytes(kEquationTemplateImage.begin(), kEquationTemplateImage.end()));
}

// --- The compound file writer --------------------------------------------------------------------------------------

struct WriterRow {
    std::vector<size_t> sizes; // one stream of each size, named "S0", "S1" ...
    size_t fileSize;           // bytes of the whole file
};

// Streams around the mini sector, sector and cutoff sizes, and as many streams as the writer takes.
const WriterRow kWriterRows[] = {
    {{}, 1536},
    {{0}, 1536},
    {{1}, 2560},
    {{63, 64, 65}, 2560},
    {{4095}, 6144},
    {{4096}, 5632},
    {{4097}, 6144},
    {{65563}, 68096},
    {{100000, 3, 4096, 0}, 108032},
    {{1, 2, 3, 4, 5, 6, 7}, 3072},
    {{10, 600, 5000, 0, 64, 4095, 4097, 1}, 17920},
};

std::u16string streamName(size_t index) {
    return u"S" + std::u16string(1, char16_t(u'0' + index));
}

TEST(CompoundFileWriter, WritesWhatTheReaderReadsBack) {
    const std::array<uint8_t, kCompoundFileClassIdSize> classId = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    for (size_t row = 0; row < std::size(kWriterRows); ++row) {
        std::vector<Bytes> contents;
        std::vector<std::u16string> names;
        std::vector<CompoundFileStream> streams;
        for (size_t i = 0; i < kWriterRows[row].sizes.size(); ++i) {
            contents.push_back(patternBytes(kWriterRows[row].sizes[i], uint32_t(row * 16 + i)));
            names.push_back(streamName(i));
        }
        for (size_t i = 0; i < contents.size(); ++i)
            streams.push_back({names[i], contents[i].data(), contents[i].size()});
        Bytes file;
        ASSERT_TRUE(writeCompoundFile(streams.data(), streams.size(), classId.data(), file)) << "row " << row;
        EXPECT_EQ(file.size(), kWriterRows[row].fileSize) << "row " << row;
        for (size_t i = 0; i < contents.size(); ++i) {
            Bytes read;
            EXPECT_EQ(readCompoundFileStream(file.data(), file.size(), names[i], read), CompoundFileStatus::Ok)
                << "row " << row << " stream " << i;
            EXPECT_EQ(read, contents[i]) << "row " << row << " stream " << i;
        }
        Bytes missing;
        EXPECT_EQ(readCompoundFileStream(file.data(), file.size(), u"S9", missing), CompoundFileStatus::StreamNotFound)
            << "row " << row;
        std::array<uint8_t, kCompoundFileClassIdSize> readClass{};
        EXPECT_EQ(readCompoundFileRootClass(file.data(), file.size(), readClass), CompoundFileStatus::Ok)
            << "row " << row;
        EXPECT_EQ(readClass, classId) << "row " << row;
    }
}

// A directory entry as the tree check needs it.
struct TreeEntry {
    std::u16string name;
    uint8_t colour;
    uint32_t left;
    uint32_t right;
};

// Walks the sibling tree from `id`: names in order, no red entry under a red one, and the same count of black
// entries on every path. Returns that count, or -1 after reporting a failure.
int checkTree(const std::vector<TreeEntry>& entries, uint32_t id, bool parentRed, const std::u16string* low,
              const std::u16string* high, const std::string& where) {
    if (id == 0xffffffff)
        return 0;
    if (id >= entries.size())
        return ADD_FAILURE() << where << ": link out of the directory", -1;
    const TreeEntry& entry = entries[id];
    const bool red = entry.colour == 0;
    if (red && parentRed)
        return ADD_FAILURE() << where << ": red entry under a red one", -1;
    if ((low && compound_file_format::compareNames(*low, entry.name) >= 0) ||
        (high && compound_file_format::compareNames(entry.name, *high) >= 0))
        return ADD_FAILURE() << where << ": names out of order", -1;
    const int left = checkTree(entries, entry.left, red, low, &entry.name, where);
    const int right = checkTree(entries, entry.right, red, &entry.name, high, where);
    if (left < 0 || right < 0)
        return -1;
    if (left != right)
        return ADD_FAILURE() << where << ": black heights " << left << " and " << right << " differ", -1;
    return left + (red ? 0 : 1);
}

TEST(CompoundFileWriter, SiblingTreeIsAValidRedBlackTree) {
    // Names in an order the writer has to sort: different lengths, and letters in both cases.
    const std::u16string pool[] = {u"zeta", u"Alpha", u"b", u"Equation Native", u"\u0001Ole", u"beta", u"A", u"Zz"};
    for (size_t count = 1; count <= kMaxCompoundFileStreams; ++count) {
        std::vector<CompoundFileStream> streams;
        for (size_t i = 0; i < count; ++i)
            streams.push_back({pool[i], nullptr, 0});
        Bytes file;
        ASSERT_TRUE(writeCompoundFile(streams.data(), streams.size(), kEquation3ClassId.data(), file));
        const uint32_t firstDirectory = le32(file, 48);
        std::vector<TreeEntry> entries;
        for (uint32_t id = 0; id <= count; ++id) {
            const size_t base = (size_t(firstDirectory) + 1) * 512 + id * 128; // the directory is one run
            TreeEntry entry{{}, file.at(base + 67), le32(file, base + 68), le32(file, base + 72)};
            for (size_t i = 0; i + 2 < le16(file, base + 64); i += 2)
                entry.name += char16_t(le16(file, base + i));
            entries.push_back(entry);
        }
        EXPECT_EQ(entries[0].colour, 1) << count;
        checkTree(entries, le32(file, (size_t(firstDirectory) + 1) * 512 + 76), false, nullptr, nullptr,
                  std::to_string(count) + " streams");
    }
}

TEST(CompoundFileWriter, RefusesWhatItCannotWrite) {
    const uint8_t byte = 0;
    const std::u16string longName(32, u'x');
    struct Row {
        std::vector<CompoundFileStream> streams;
        const char* what;
    };
    const Row rows[] = {
        {std::vector<CompoundFileStream>(kMaxCompoundFileStreams + 1, {u"x", &byte, 1}), "too many streams"},
        {{{u"", &byte, 1}}, "empty name"},
        {{{longName, &byte, 1}}, "name of 32 units"},
        {{{u"Equation Native", &byte, 1}, {u"EQUATION NATIVE", &byte, 1}}, "one name twice"},
        {{{u"big", nullptr, size_t(109) * 128 * 512}}, "more FAT sectors than the header lists"},
    };
    for (const Row& row : rows) {
        Bytes file(1, 0);
        EXPECT_FALSE(writeCompoundFile(row.streams.data(), row.streams.size(), kEquation3ClassId.data(), file))
            << row.what;
        EXPECT_TRUE(file.empty()) << row.what;
    }
    // The largest stream that still fits the header's FAT sectors.
    EXPECT_TRUE(
        planCompoundFile(std::vector<CompoundFileStream>{{u"big", nullptr, size_t(109 * 128 - 112) * 512}}.data(), 1)
            .ok);
}

// --- The check of what the server step wrote -----------------------------------------------------------------------

TEST(EquationObjectCheck, AcceptsOnlyTheEquationHandedIn) {
    const Bytes native = patternBytes(200, 1);
    const Bytes other = patternBytes(200, 2);
    const std::array<uint8_t, kCompoundFileClassIdSize> otherClass{};
    struct Row {
        const char* what;
        std::u16string name;
        const Bytes* stream;
        const uint8_t* classId;
        bool accepted;
    };
    const Row rows[] = {
        {"the equation, class Equation.3", u"Equation Native", &native, kEquation3ClassId.data(), true},
        {"no Equation Native stream", u"Contents", &native, kEquation3ClassId.data(), false},
        {"another equation", u"Equation Native", &other, kEquation3ClassId.data(), false},
        {"class left empty", u"Equation Native", &native, otherClass.data(), false},
    };
    for (const Row& row : rows) {
        const CompoundFileStream streams[] = {
            {kEquationTemplateStreams[0].name, kEquationTemplateStreams[0].data, kEquationTemplateStreams[0].size},
            {row.name, row.stream->data(), row.stream->size()},
        };
        Bytes file;
        ASSERT_TRUE(writeCompoundFile(streams, std::size(streams), row.classId, file)) << row.what;
        EXPECT_EQ(holdsEquationObject(file, native), row.accepted) << row.what;
    }
    // Truncated and bit-flipped files end with a clean refusal, never a read outside the buffer.
    const Bytes good(kEquationTemplateImage.begin(), kEquationTemplateImage.end());
    Bytes templateNative;
    ASSERT_EQ(readCompoundFileStream(good.data(), good.size(), u"Equation Native", templateNative),
              CompoundFileStatus::Ok);
    // The template's last sector is the mini stream: five mini sectors, then padding that a reader need not see.
    const size_t usedBytes = 2560 + 5 * 64;
    for (size_t size = 0; size < good.size(); size += 37) {
        const Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(size));
        EXPECT_EQ(holdsEquationObject(cut, templateNative), size >= usedBytes) << "cut to " << size;
        std::array<uint8_t, kCompoundFileClassIdSize> classId{};
        if (readCompoundFileRootClass(cut.data(), cut.size(), classId) != CompoundFileStatus::Ok) {
            EXPECT_EQ(classId, (std::array<uint8_t, kCompoundFileClassIdSize>{})) << "cut to " << size;
        }
    }
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        Bytes damaged = good;
        damaged[random() % damaged.size()] ^= uint8_t(1u << (random() % 8));
        std::array<uint8_t, kCompoundFileClassIdSize> classId{};
        (void)readCompoundFileRootClass(damaged.data(), damaged.size(), classId);
        (void)holdsEquationObject(damaged, templateNative);
    }
}

TEST(EquationObjectWrap, RefusesEmptyInput) {
    const std::string rows[] = {"", "0"}; // no byte of a stream
    for (size_t row = 0; row < std::size(rows); ++row) {
        std::string output = "left over";
        EXPECT_EQ(wrapEquationObject(output, rows[row]), WrapStatus::Failed) << "row " << row;
        EXPECT_EQ(output, "") << "row " << row;
    }
}

#ifndef _WIN32
// --- Whole objects, where the engine writes them itself ------------------------------------------------------------

Bytes bytesOfHex(std::string_view hex) {
    Bytes bytes(hex.size() / 2);
    decodeHexText(hex, bytes.data());
    return bytes;
}

// Wraps `native` and reads the object back: its native data is a compound file of class Equation.3 holding it.
void expectWrapsAndReadsBack(const Bytes& native, const std::string& where) {
    std::string output;
    ASSERT_EQ(wrapEquationObject(output, hexOfBytes(native)), WrapStatus::Ok) << where;
    const std::vector<std::string> lines = linesOf(output);
    ASSERT_GE(lines.size(), 5u) << where;
    const Bytes frame = bytesOfHex(lines[0]);
    const uint32_t size = le32(frame, 31);
    std::string fileHex;
    for (size_t i = 1; i + 4 < lines.size(); ++i)
        fileHex += lines[i];
    EXPECT_EQ(fileHex.size(), 2 * size_t(size)) << where;
    const Bytes file = bytesOfHex(fileHex);
    EXPECT_TRUE(holdsEquationObject(file, native)) << where;
    std::string unwrapped;
    const std::string joined = withoutLineBreaks(output);
    const RecognisedObject object = recogniseEquationObject(joined, true);
    ASSERT_EQ(object.kind, ObjectEquation3) << where;
    ASSERT_EQ(unwrapEquationObject(unwrapped, object.data, object.kind, 0), UnwrapStatus::Ok) << where;
    EXPECT_EQ(unwrapped, hexOfBytes(native)) << where;
}

TEST(EquationObjectWrap, BuildsObjectsOfEverySize) {
    const Bytes templateNative(kEquationTemplateStreams[kEquationNativeStreamIndex].data,
                               kEquationTemplateStreams[kEquationNativeStreamIndex].data + 41);
    expectWrapsAndReadsBack(templateNative, "the template's equation");
    for (size_t size : {1, 64, 4095, 4096, 65535 + 28, 70000})
        expectWrapsAndReadsBack(patternBytes(size, uint32_t(size)), "size " + std::to_string(size));
}

// What translating an engine-built Equation.3 object to format 0 again gives: its records behind one more FULL size
// record, because the translation writes FULL after the MTEF header and a version 3 object's own top-level records
// (its FULL among them) are kept ahead of its LINE.
std::string retranslated(const std::string& equationNative) {
    const Bytes bytes = bytesOfHex(equationNative.substr(0, 20));
    const uint32_t cbObject = le16(bytes, 8) + 1u;
    const uint8_t low[2] = {uint8_t(cbObject), uint8_t(cbObject >> 8)};
    std::string lowHex;
    appendHexText(lowHex, low, 2);
    return equationNative.substr(0, 16) + lowHex + equationNative.substr(20, 46) + "0a" + equationNative.substr(66);
}

// Every real object converts to an Equation.3 object that holds the translated MTEF, and reading that object back
// translates to the same MTEF (with the FULL record that each translation writes).
TEST(EquationObjectWrap, RealObjectsRoundTrip) {
    int objects = 0;
    for (const char* folder : {"mathtype3", "mathtype5"}) {
        for (const RealObject& object : realObjectsIn(folder)) {
            const std::string& name = object.name;
            ++objects;
            // Without MathType fonts: with them, each translation would add another Euclid Extra FONT record too.
            ConverterContext& context = converterContext();
            initConverterContext(context, ConversionSwitches{EquationFormat::EquationEditor3});
            const std::string built = convertEquationObject(context, hexOf(object.bytes), ObjectStorage);
            const std::string equationNative = context.equationNative;
            ASSERT_FALSE(built.empty()) << name;
            expectWrapsAndReadsBack(bytesOfHex(equationNative), name);

            const std::string joined = withoutLineBreaks(built);
            const RecognisedObject object = recogniseEquationObject(joined, true);
            ASSERT_EQ(object.kind, ObjectEquation3) << name;
            initConverterContext(context, ConversionSwitches{EquationFormat::EquationEditor3});
            EXPECT_FALSE(convertEquationObject(context, object.data, object.kind).empty()) << name;
            EXPECT_EQ(context.equationNative, retranslated(equationNative)) << name;
            EXPECT_EQ(testing_support::validateMtef3Stream(context.equationNative), "") << name;
        }
    }
    EXPECT_GT(objects, 30);
}
#endif
} // namespace
