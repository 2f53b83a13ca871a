// Equation object unwrapping: the real objects give the same "Equation Native" bytes in every build (natively through
// the engine's own compound-file reader, on Windows through COM), and the restore path takes only what looks like
// MTEF.
#include "mtef/hexText.h"
#include "objects/equationObjectKind.h"
#include "objects/equationObjectUnwrap.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {
// FNV-1a over the hex text: a short fingerprint of a stream for the table below.
uint64_t fingerprint(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

struct RealObject {
    const char* file;
    size_t streamBytes;
    uint64_t fingerprint;
};

// The "Equation Native" stream of every real object: its size and fingerprint, the same in every build.
const RealObject kRealObjects[] = {
#include "data/mtef-objects/equationNative.inc"
};

TEST(Unwrap, RealObjectsGiveTheirEquationNativeStream) {
    ASSERT_GT(std::size(kRealObjects), 30u);
    for (const RealObject& object : kRealObjects) {
        const std::string file = readFileBytes(testDataPath(std::string("mtef-objects/") + object.file));
        ASSERT_FALSE(file.empty()) << object.file;
        std::string stream;
        ASSERT_EQ(unwrapEquationObject(stream, hexOf(file), ObjectStorage, 0), UnwrapStatus::Ok) << object.file;
        EXPECT_EQ(stream.size() / 2, object.streamBytes) << object.file;
        EXPECT_EQ(fingerprint(stream), object.fingerprint) << object.file;
        EXPECT_EQ(stream.substr(0, 4), "1c00") << object.file;
    }
}

// A real object with the directory entry of its "Equation Native" stream changed.
std::string patchedObject(bool renameStream, bool emptyStream) {
    std::string file = readFileBytes(testDataPath("mtef-objects/mathtype5/equation1.bin"));
    const std::string name("E\0q\0u\0a\0t\0i\0o\0n\0 \0N\0a\0t\0i\0v\0e\0", 30);
    const size_t entry = file.find(name);
    EXPECT_NE(entry, std::string::npos);
    if (entry == std::string::npos)
        return file;
    if (renameStream)
        file[entry] = 'X';
    if (emptyStream)
        file.replace(entry + 120, 4, std::string(4, '\0')); // the stream size field of the directory entry
    return file;
}

struct UnwrapCase {
    const char* name;
    std::string input;
    int kind;
    int restore;
    UnwrapStatus expectedResult;
    std::string expectedOutput;
};

TEST(Unwrap, KindsFailuresAndTheRestorePath) {
    const std::string mtef3 = "0301010300"
                              "0a0100";
    const std::string mtef4 = "0401010300"
                              "0a0100";
    const UnwrapCase cases[] = {
        {"empty input", "", ObjectStorage, 1, UnwrapStatus::Ok, ""},
        {"bare MTEF passes through", std::string(56, '0') + mtef3, ObjectBareMtef, 0, UnwrapStatus::Ok,
         std::string(56, '0') + mtef3},
        {"bare MTEF passes through whatever it holds", "zz", ObjectBareMtef, 1, UnwrapStatus::Ok, "zz"},
        {"bare MTEF in a storage class without restore", mtef3, ObjectStorage, 0, UnwrapStatus::Failed, ""},
        {"bare MTEF in a storage class with restore", mtef3, ObjectStorage, 1, UnwrapStatus::Ok,
         std::string(56, '0') + mtef3},
        {"Equation.3 restored too", mtef3, ObjectEquation3, 1, UnwrapStatus::Ok, std::string(56, '0') + mtef3},
        {"version 4 is not restored", mtef4, ObjectStorage, 1, UnwrapStatus::Failed, ""},
        {"too short to restore", "0301010300", ObjectStorage, 1, UnwrapStatus::Failed, ""},
        {"upper nibble of the product version must be 0",
         "0301011300"
         "0a",
         ObjectStorage, 1, UnwrapStatus::Failed, ""},
        {"missing stream", hexOf(patchedObject(true, false)), ObjectStorage, 1, UnwrapStatus::Failed, ""},
        {"empty stream", hexOf(patchedObject(false, true)), ObjectStorage, 0, UnwrapStatus::Ok, ""},
        {"odd length", hexOf(readFileBytes(testDataPath("mtef-objects/mathtype3/frac.bin"))) + "a", ObjectStorage, 0,
         UnwrapStatus::Ok, "<any>"},
        {"not hex", std::string(200, 'x'), ObjectStorage, 1, UnwrapStatus::Failed, ""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const UnwrapCase& c = cases[row];
        std::string output = "left over";
        EXPECT_EQ(unwrapEquationObject(output, c.input, c.kind, c.restore), c.expectedResult)
            << "row " << row << ": " << c.name;
        if (c.expectedOutput != "<any>")
            EXPECT_EQ(output, c.expectedOutput) << "row " << row << ": " << c.name;
        else
            EXPECT_FALSE(output.empty()) << "row " << row << ": " << c.name;
    }
}

// Prints the table above from the native build, when the real objects change:
//   tests/unwrapTest --gtest_also_run_disabled_tests --gtest_filter=*PrintTable*
TEST(Unwrap, DISABLED_PrintTable) {
    for (const RealObject& object : kRealObjects) {
        const std::string file = readFileBytes(testDataPath(std::string("mtef-objects/") + object.file));
        std::string stream;
        (void)unwrapEquationObject(stream, hexOf(file), ObjectStorage, 0);
        std::printf("{\"%s\", %zu, 0x%016llxull},\n", object.file, stream.size() / 2,
                    static_cast<unsigned long long>(fingerprint(stream)));
    }
}
} // namespace

namespace {
// Object data is decoded eight bytes at a time where it is clean hex and pair by pair (the C library's rules) where it
// is not: every mix of both, at every length and alignment, decodes as the pair-by-pair rules say.
TEST(HexText, BlockDecodingMatchesPairRules) {
    const char alphabet[] = "0123456789abcdefABCDEF g\x80/:@`G";
    uint32_t seed = 5;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (int round = 0; round < 2000; ++round) {
        std::string hex(next() % 70, '0');
        const bool clean = round % 3 != 0;
        for (char& c : hex)
            c = alphabet[next() % (clean ? 22 : sizeof alphabet - 1)];
        std::vector<uint8_t> decoded(hex.size() / 2 + 1, 0xee);
        decodeHexText(hex, decoded.data());
        for (size_t i = 0; i < hex.size() / 2; ++i)
            ASSERT_EQ(decoded[i], hexPairValue(hex[2 * i], hex[2 * i + 1])) << "round " << round << ", byte " << i;
        EXPECT_EQ(decoded.back(), 0xee) << "round " << round << ": wrote past the end";
    }
}
} // namespace

namespace {
// Compound file fields are read straight from hex text, four bytes a word where the eight characters are clean hex,
// and stream bytes are copied as lowercase hex sixteen characters at a time where they are clean: every mix, length
// and alignment gives what the pair rules give. The text is exactly sized, so the sanitizer sees any read past it.
TEST(HexText, FieldReadsAndLowercaseCopiesMatchPairRules) {
    const char alphabet[] = "0123456789abcdefABCDEF g\x80/:@`G\x10\x19";
    uint32_t seed = 7;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (int round = 0; round < 2000; ++round) {
        const size_t length = next() % 80;
        const bool clean = round % 3 != 0;
        std::vector<char> hex(length);
        for (char& c : hex)
            c = alphabet[next() % (clean ? 22 : sizeof alphabet - 1)];
        const size_t count = length / 2;
        std::vector<uint8_t> bytes(count);
        for (size_t i = 0; i < count; ++i)
            bytes[i] = hexPairValue(hex[2 * i], hex[2 * i + 1]);

        std::string expected;
        appendHexText(expected, bytes.data(), bytes.size());
        std::string copied(2 * count + 1, '#');
        writeLowercaseHex(hex.data(), count, copied.data());
        EXPECT_EQ(copied.substr(0, 2 * count), expected) << "round " << round;
        EXPECT_EQ(copied.back(), '#') << "round " << round << ": wrote past the end";

        for (size_t size : {1, 2, 4, 8}) {
            for (size_t at = 0; at + size <= count; ++at) {
                uint64_t value = 0;
                for (size_t i = size; i-- > 0;)
                    value = value << 8 | bytes[at + i];
                ASSERT_EQ(hexLittleEndianValue(hex.data() + 2 * at, size), value)
                    << "round " << round << ", " << size << " bytes at " << at;
            }
        }
    }
}
} // namespace
