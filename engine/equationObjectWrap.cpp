// Equation Editor 3.x objects: the server's round trip (behind equationObjectServer.h), a check of what it wrote, and
// the OLE1 frame around it. The frame is the OLE1 object layout: header, native data size and data, then a
// presentation object, written as hex text in lines of kObjectDataLineBytes. No OLE call is made here.
#include "equationObjectWrap.h"

#include "compoundFileReader.h"
#include "equationObjectServer.h"
#include "equationObjectTemplate.h"
#include "hexText.h"

#include <array>

namespace {
constexpr char kLineBreak[] = "\r\n";

// Bytes as hex text, a line break after every complete line.
void appendHexLines(std::string& output, const uint8_t* bytes, size_t size) {
    for (size_t done = 0; done < size; done += kObjectDataLineBytes) {
        const size_t count = size - done < kObjectDataLineBytes ? size - done : kObjectDataLineBytes;
        appendHexText(output, bytes + done, count);
        if (count == kObjectDataLineBytes)
            output += kLineBreak;
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
    appendHexText(output, sizeField, sizeof sizeField);
    output += kLineBreak;
    appendHexLines(output, compoundFile, size);
    output += kLineBreak;
    appendHexText(output, kPlaceholderHeader.data(), kPlaceholderHeader.size());
    output += kLineBreak;
    appendHexLines(output, kPlaceholderMetafile.data(), kPlaceholderMetafile.size());
    if (kPlaceholderMetafile.size() % kObjectDataLineBytes != 0)
        output += kLineBreak;
}

int wrapEquationObject(std::string& output, std::string_view equationNativeHex, int mode) {
    output.clear();
    if (equationNativeHex.size() < 2 || mode != kWrapObjectDataOnly)
        return 2;
    std::vector<uint8_t> equationNative(equationNativeHex.size() / 2);
    decodeHexText(equationNativeHex, equationNative.data());
    std::vector<uint8_t> compoundFile;
    switch (rebuildEquationObject(equationNative, compoundFile)) {
    case EquationServerStatus::Ok:
        break;
    case EquationServerStatus::StorageFailed:
        return 1;
    case EquationServerStatus::ServerFailed:
        return 2;
    }
    if (compoundFile.empty() || uint32_t(compoundFile.size()) != compoundFile.size() ||
        !holdsEquationObject(compoundFile, equationNative))
        return 2;
    composeEquationObjectData(output, compoundFile.data(), uint32_t(compoundFile.size()));
    return 0;
}
