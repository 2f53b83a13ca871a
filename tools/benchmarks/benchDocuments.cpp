// Benchmark documents. Objects are embedded the way tools/makeSample.py writes samples/sample.rtf: an OLE1 object
// (version 0x0501, format 2 = embedded, class name, empty topic and item, native data = the compound file) as hex in
// lines of 128 characters, and a small metafile result picture. All choices come from a fixed-seed generator of our
// own, so a document's bytes depend on its arguments only.
#include "benchDocuments.h"

#include "compoundFileBuilder.h"
#include "mtefBuilder.h"
#include "ole1Objects.h"
#include "realObjects.h"
#include "testFiles.h"

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;
using namespace testing_support::mtef;
using testing_support::MtefBytes;

namespace benchdoc {
namespace {
constexpr size_t kHexLineWidth = 128; // as Word and makeSample.py break \objdata text
constexpr char kResultPicture[] =
    "{\\result {\\pict\\wmetafile8\\picw529\\pich265\\picwgoal300\\pichgoal150 0100090000035000000000000000}}";
constexpr char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033\r\n"
    "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f34\\froman\\fcharset0 Cambria Math;}"
    "{\\f40\\froman\\fcharset161 Times New Roman Greek;}{\\f382\\froman\\fcharset161 Cambria Math Greek;}}\r\n"
    "{\\colortbl;\\red0\\green0\\blue0;}\r\n"
    "{\\info{\\title Veltrim benchmark}}\r\n"
    "\\pard\\plain\\f0\\fs24 Equations from MathType and Equation Editor 3.x, one per paragraph.\\par";
constexpr uint64_t kDocumentSeed = 0x5eed0f7e57d0c5ull;
constexpr size_t kTextLineLength = 200; // ordinary text gets a CR LF after about this many bytes, as Word writes it

// Knuth's MMIX constants; the high bits are the better ones.
class Lcg {
public:
    explicit Lcg(uint64_t seed) : state_(seed) {}
    uint32_t next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state_ >> 33);
    }

private:
    uint64_t state_;
};

// Pieces of ordinary text: each stands alone (balanced groups), so text may stop after any of them.
// clang-format off
constexpr std::string_view kTextPieces[] = {
    "the ", "equation ", "of ", "motion ", "is ", "given ", "by ", "where ", "which ", "follows ", "from ", "a ",
    "small ", "field ", "and ", "therefore ", ". ", ", ",
    "{\\b bold {\\i nested}} ", // nested character groups
    "\\'e9t\\'e9 ",             // hex escapes
    "{\\uc1\\u8203\\'3f}",      // a Unicode character with its fallback
    "{\\f40 \\'e1\\'e2\\'e3} ",  // Greek in the document's Greek font
};
// clang-format on
constexpr size_t kTextPieceCount = sizeof kTextPieces / sizeof kTextPieces[0];

// Appends ordinary text of exactly `length` bytes; the last bytes may be a run of letters to make the length.
void appendText(std::string& out, Lcg& random, size_t length, size_t& lineLength) {
    while (length > 0) {
        if (lineLength >= kTextLineLength && length >= 2) {
            out += "\r\n";
            length -= 2;
            lineLength = 0;
            continue;
        }
        const std::string_view piece = kTextPieces[random.next() % kTextPieceCount];
        if (piece.size() > length) {
            out.append(length, 'e');
            return;
        }
        out += piece;
        length -= piece.size();
        lineLength += piece.size();
    }
}

// A picture group of exactly `length` bytes (more than its 70-byte head), as Word writes a metafile: the header words,
// then the data as hex in lines of 128 characters.
void appendPicture(std::string& out, Lcg& random, size_t length) {
    static constexpr char kHex[] = "0123456789abcdef";
    const size_t end = out.size() + length;
    out += "{\\pict\\wmetafile8\\picw529\\pich265\\picwgoal300\\pichgoal150 \r\n";
    size_t lineLength = 0;
    while (out.size() + 1 < end) {
        if (lineLength == kHexLineWidth && out.size() + 3 < end) {
            out += "\r\n";
            lineLength = 0;
            continue;
        }
        out += kHex[random.next() % 16];
        ++lineLength;
    }
    out += '}';
}

// The {\object} group of an OLE1 embedded object around `native`.
std::string objectGroup(const std::string& className, std::string_view native) {
    const std::string hex = testing_support::ole1ObjectHex(className, native);
    std::string group = "{\\object\\objemb\\objw300\\objh150{\\*\\objclass " + className + "}{\\*\\objdata \r\n";
    for (size_t at = 0; at < hex.size(); at += kHexLineWidth) {
        if (at > 0)
            group += "\r\n";
        group.append(hex, at, kHexLineWidth);
    }
    group += "\r\n}";
    group += kResultPicture;
    group += "}";
    return group;
}

bool readFile(const fs::path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool loadFolder(const fs::path& folder, const std::string& className, std::vector<EmbeddedObject>& objects) {
    std::vector<fs::path> files;
    if (!testing_support::listRealObjectFiles(folder, files))
        return false;
    for (const fs::path& file : files) {
        std::string bytes;
        if (!readFile(file, bytes))
            return false;
        objects.push_back({file.stem().string(), className, objectGroup(className, bytes)});
    }
    return true;
}

// Records of the built equations, named after what they show.
MtefRecord var(char c) {
    return ch(uint16_t(c), kVariableFace);
}
MtefRecord num(char c) {
    return ch(uint16_t(c), kNumberFace);
}
MtefRecord sym(uint16_t code) {
    return ch(code, kSymbolFace);
}
MtefRecord greek(uint16_t code) {
    return ch(code, kLcGreekFace);
}
MtefRecord power(MtefRecords exponent) {
    return tmpl(28, 0, {nullLine(), line(std::move(exponent))});
}
MtefRecord index(MtefRecords subscript) {
    return tmpl(27, 0, {line(std::move(subscript)), nullLine()});
}
MtefRecord fraction(MtefRecords numerator, MtefRecords denominator) {
    return tmpl(11, 0, {line(std::move(numerator)), line(std::move(denominator))});
}
MtefRecord squareRoot(MtefRecords radicand) {
    return tmpl(10, 0, {line(std::move(radicand)), nullLine()});
}
MtefRecord parentheses(MtefRecords inside) {
    return tmpl(1, 3, {line(std::move(inside)), sym('('), sym(')')});
}

struct BuiltEquation {
    const char* name;
    MtefEquation equation;
};

std::vector<BuiltEquation> builtEquations() {
    // clang-format off
    return {
        {"quadratic formula", mtef5().add(full()).line({var('x'), sym('='), fraction(
            {sym('-'), var('b'), sym(0x00b1), squareRoot({var('b'), power({num('2')}), sym('-'), num('4'), var('a'),
                                                          var('c')})},
            {num('2'), var('a')})})},
        {"sum of squares", mtef5().line({tmpl(22, 0x30, {line({var('x'), index({var('i')}), power({num('2')})}),
                                                         line({var('i'), sym('='), num('1')}), line({var('n')}),
                                                         sym(0x2211)}),
                                         sym('='), fraction({var('n'), parentheses({var('n'), sym('+'), num('1')})},
                                                            {num('6')})})},
        {"definite integral", mtef5().line({tmpl(15, 0x30, {line({var('f'), parentheses({var('x')}), var('d'),
                                                                 var('x')}),
                                                           line({num('0')}), line({num('1')}), sym(0x222b)}),
                                            sym('='), var('F'), parentheses({num('1')}), sym('-'), var('F'),
                                            parentheses({num('0')})})},
        {"Greek and fences", mtef5().line({greek(0x03b1), power({num('2')}), sym('+'), greek(0x03b2), power({num('2')}),
                                           sym('='), parentheses({greek(0x03b1), sym('+'), greek(0x03b2)}),
                                           power({num('2')}), sym('-'), num('2'), greek(0x03b1), greek(0x03b2)})},
        {"limit", mtef5().line({tmpl(23, 0x30, {line({var('l'), var('i'), var('m')}),
                                                line({var('n'), sym(0x2192), sym(0x221e)}), nullLine()}),
                                parentheses({num('1'), sym('+'), fraction({num('1')}, {var('n')})}), power({var('n')}),
                                sym('='), var('e')})},
        {"matrix", mtef5().line({var('A'), sym('='), tmpl(3, 0, {line({matrix(2, 2, {
                                     line({var('a')}), line({var('b')}), line({var('c')}), line({var('d')})})}),
                                 sym('['), sym(']')})})},
        {"embellished", mtef5().line({var('x').embellished(2), sym('='), var('v').embellished(7), sym('+'),
                                      var('a').embellished(3), var('t')})},
        {"version 3 fraction and scripts", mtef3().line({var('y'), sym('='), tmpl(14, 0, {line({var('a'),
                                             tmpl(15, 1, {line({num('1')}), nullLine()})}), line({var('b'),
                                             tmpl(15, 1, {line({num('2')}), nullLine()})})})})},
        {"version 3 pile", mtef3().add(pile(1, 1, {line({var('x'), sym('+'), var('y'), sym('='), num('1')}),
                                                   line({var('x'), sym('-'), var('y'), sym('='), num('3')})}))},
    };
    // clang-format on
}

// A compound file as MathType stores an equation: the "Equation Native" stream beside CompObj and ObjInfo.
std::string storageOf(const MtefEquation& equation) {
    const MtefBytes native = testing_support::fromHex(equation.nativeHex());
    const std::vector<testing_support::CompoundFileNode> streams = {
        testing_support::streamNode(u"\u0001CompObj", testing_support::patternBytes(106, 1)),
        testing_support::streamNode(u"ObjInfo", testing_support::patternBytes(6, 2)),
        testing_support::streamNode(u"Equation Native", native),
    };
    const MtefBytes file = testing_support::buildCompoundFile(streams).bytes;
    return std::string(file.begin(), file.end());
}
} // namespace

bool loadRealObjects(const fs::path& objectsFolder, std::vector<EmbeddedObject>& objects) {
    objects.clear();
    return loadFolder(objectsFolder / "mathtype5", "Equation.DSMT4", objects) &&
           loadFolder(objectsFolder / "mathtype3", "Equation.3", objects);
}

std::vector<EmbeddedObject> builtObjects() {
    std::vector<EmbeddedObject> objects;
    for (const BuiltEquation& built : builtEquations()) {
        // The MTEF version is the first byte after the 28-byte stream header.
        const bool version3 = testing_support::fromHex(built.equation.nativeHex())[28] == 3;
        const std::string className = version3 ? "Equation.3" : "Equation.DSMT4";
        objects.push_back({built.name, className, objectGroup(className, storageOf(built.equation))});
    }
    return objects;
}

std::string equationDocument(const std::vector<EmbeddedObject>& objects, int equationCount, ObjectSlot slot) {
    std::string doc = kHeader;
    if (objects.empty())
        return doc + "}\r\n";
    size_t perEquation = 0;
    for (const EmbeddedObject& object : objects)
        perEquation += object.objectRtf.size() + object.name.size() + 400;
    doc.reserve(doc.size() + size_t(equationCount) * (perEquation / objects.size() + 64));
    Lcg random(kDocumentSeed);
    size_t lineLength = 0;
    for (int i = 0; i < equationCount; ++i) {
        const EmbeddedObject& object = objects[size_t(i) % objects.size()];
        doc += "\r\n\\pard\\plain\\f0\\fs24 ";
        lineLength = 0;
        appendText(doc, random, 120 + random.next() % 200, lineLength);
        doc += "\\par\r\n\\pard Equation ";
        doc += std::to_string(i + 1);
        doc += " ({\\i ";
        doc += object.name;
        doc += "}):\\tab ";
        const size_t length = object.objectRtf.size();
        lineLength = 0;
        switch (slot) {
        case ObjectSlot::Equation:
            doc += object.objectRtf;
            break;
        case ObjectSlot::Text:
            appendText(doc, random, length, lineLength);
            break;
        case ObjectSlot::TextAndPicture:
            appendText(doc, random, length / 2, lineLength);
            appendPicture(doc, random, length - length / 2);
            break;
        }
        doc += "\\par";
    }
    doc += "\r\n}\r\n";
    return doc;
}

const char* documentKindName(DocumentKind kind) {
    switch (kind) {
    case DocumentKind::RealObjects:
        return "real objects";
    case DocumentKind::BuiltEquations:
        return "built equations";
    case DocumentKind::TextOnly:
        return "no equations";
    case DocumentKind::TextAndPictures:
        return "text, pictures";
    }
    return "?";
}

bool makeDocument(DocumentKind kind, int equationCount, const fs::path& objectsFolder, std::string& document) {
    document.clear();
    std::vector<EmbeddedObject> objects;
    switch (kind) {
    case DocumentKind::RealObjects:
    case DocumentKind::TextOnly:
    case DocumentKind::TextAndPictures:
        if (!loadRealObjects(objectsFolder, objects))
            return false;
        break;
    case DocumentKind::BuiltEquations:
        objects = builtObjects();
        break;
    }
    const ObjectSlot slot = kind == DocumentKind::TextOnly          ? ObjectSlot::Text
                            : kind == DocumentKind::TextAndPictures ? ObjectSlot::TextAndPicture
                                                                    : ObjectSlot::Equation;
    document = equationDocument(objects, equationCount, slot);
    return true;
}

uint64_t fnv1a64(std::string_view bytes, uint64_t hash) {
    for (char c : bytes) {
        hash ^= uint8_t(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

} // namespace benchdoc
