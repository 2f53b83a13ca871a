// Equation Editor 3.x objects: the server's round trip (behind equationObjectServer.h), a check of what it wrote, and
// the OLE1 frame around it. The frame is the OLE1 object layout: header, native data size and data, then a
// presentation object, written as hex text in lines of kObjectDataLineBytes. No OLE call is made here.
#include "objects/equationObjectWrap.h"

#include "mtef/hexText.h"
#include "objects/compoundFileReader.h"
#include "objects/equationObjectServer.h"
#include "objects/equationObjectTemplate.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr char kLineBreak[] = "\r\n";

#if defined(__SSE2__)
// Sixteen bytes as 32 lowercase hex characters.
void writeSixteenHexPairs(char* out, const uint8_t* bytes) {
    const __m128i lowDigits = _mm_set1_epi8(0x0f);
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i high = _mm_and_si128(_mm_srli_epi16(block, 4), lowDigits);
    const __m128i low = _mm_and_si128(block, lowDigits);
    // Each byte's high digit first, then its low digit; digits above 9 move on from '0' + 10 to 'a'.
    const __m128i digits[2] = {_mm_unpacklo_epi8(high, low), _mm_unpackhi_epi8(high, low)};
    for (int half = 0; half < 2; ++half) {
        const __m128i letters =
            _mm_and_si128(_mm_cmpgt_epi8(digits[half], _mm_set1_epi8(9)), _mm_set1_epi8('a' - '0' - 10));
        const __m128i text = _mm_add_epi8(_mm_add_epi8(digits[half], _mm_set1_epi8('0')), letters);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * half), text);
    }
}
#endif

// Bytes as lowercase hex text at `out`, two characters a byte. An object's data runs to kilobytes, so SSE2 encodes
// sixteen bytes at a time where it is at hand; a last part shorter than that is encoded as the last sixteen bytes,
// over characters already written with the same values. Shorter texts go through the table.
void writeHexText(char* out, const uint8_t* bytes, size_t count) {
#if defined(__SSE2__)
    if (count >= 16) {
        size_t done = 0;
        for (; count - done >= 16; done += 16)
            writeSixteenHexPairs(out + 2 * done, bytes + done);
        if (done < count)
            writeSixteenHexPairs(out + 2 * (count - 16), bytes + count - 16);
        return;
    }
#endif
    static constexpr char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = kHex[bytes[i] >> 4];
        out[2 * i + 1] = kHex[bytes[i] & 15];
    }
}

// Bytes as hex text, a line break after every complete line. Each line is written into a buffer of its own and
// appended whole: sizing the output first would have it filled with zeros only to be overwritten.
void appendHexLines(std::string& output, const uint8_t* bytes, size_t size) {
    char line[2 * kObjectDataLineBytes + sizeof kLineBreak];
    for (size_t done = 0; done < size; done += kObjectDataLineBytes) {
        const size_t count = size - done < kObjectDataLineBytes ? size - done : kObjectDataLineBytes;
        writeHexText(line, bytes + done, count);
        size_t length = 2 * count;
        if (count == kObjectDataLineBytes) {
            line[length++] = kLineBreak[0];
            line[length++] = kLineBreak[1];
        }
        output.append(line, length);
    }
}
} // namespace

// Without a registered server, OLE falls back to a default handler that saves what it has cached and "succeeds"
// with an object that holds no equation. Only a file that reads back as the equation handed in is an equation
// object.
bool holdsEquationObject(const std::vector<uint8_t>& compoundFile, const std::vector<uint8_t>& equationNative) {
    std::vector<uint8_t> stream;
    if (readCompoundFileStream(compoundFile.data(), compoundFile.size(), u"Equation Native", stream) !=
            CompoundFileStatus::Ok ||
        stream != equationNative)
        return false;
    std::array<uint8_t, kCompoundFileClassIdSize> classId{};
    return readCompoundFileRootClass(compoundFile.data(), compoundFile.size(), classId) == CompoundFileStatus::Ok &&
           classId == kEquation3ClassId;
}

void composeEquationObjectData(std::string& output, const uint8_t* compoundFile, uint32_t size) {
    output.clear();
    output.reserve(kOle1ObjectHeaderHexSize + 8 + 2 * (size + kPlaceholderHeaderSize + kPlaceholderMetafileSize) +
                   (size / kObjectDataLineBytes + 8) * 2);
    output += kOle1ObjectHeaderHex;
    const uint8_t sizeField[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
    appendHexLines(output, sizeField, sizeof sizeField);
    output += kLineBreak;
    appendHexLines(output, compoundFile, size);
    output += kLineBreak;
    appendHexLines(output, kPlaceholderHeader.data(), kPlaceholderHeader.size());
    output += kLineBreak;
    appendHexLines(output, kPlaceholderMetafile.data(), kPlaceholderMetafile.size());
    if (kPlaceholderMetafile.size() % kObjectDataLineBytes != 0)
        output += kLineBreak;
}

WrapStatus wrapEquationObject(std::string& output, std::string_view equationNativeHex) {
    output.clear();
    if (equationNativeHex.size() < 2)
        return WrapStatus::Failed;
    std::vector<uint8_t> equationNative(equationNativeHex.size() / 2);
    decodeHexText(equationNativeHex, equationNative.data());
    std::vector<uint8_t> compoundFile;
    switch (rebuildEquationObject(equationNative, compoundFile)) {
    case EquationServerStatus::Ok:
        break;
    case EquationServerStatus::StorageFailed:
        return WrapStatus::StorageFailed;
    case EquationServerStatus::ServerFailed:
        return WrapStatus::Failed;
    }
    if (compoundFile.empty() || uint32_t(compoundFile.size()) != compoundFile.size() ||
        !holdsEquationObject(compoundFile, equationNative))
        return WrapStatus::Failed;
    composeEquationObjectData(output, compoundFile.data(), uint32_t(compoundFile.size()));
    return WrapStatus::Ok;
}
