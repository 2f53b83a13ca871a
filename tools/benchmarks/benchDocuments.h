// Equation-dense RTF documents for the engine benchmark, and for any test that checks the engine's output on them
// byte for byte: the same arguments always give the same bytes (no clock, no library random generator).
// It only builds documents; it neither runs the engine nor writes files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace benchdoc {

// One equation object, ready to go into a document.
struct EmbeddedObject {
    std::string name;      // where it came from: a real object's file name, or the built equation's name
    std::string className; // OLE class: "Equation.DSMT4" or "Equation.3"
    std::string objectRtf; // the whole {\object ...} group, as Word writes it (hex wrapped in lines, result picture)
};

// The real MathType and Equation Editor 3.x objects of `objectsFolder` (tests/data/mtef-objects): mathtype5/*.bin as
// "Equation.DSMT4", then mathtype3/*.bin as "Equation.3", each folder in name order. False when a folder cannot be
// read or holds no object.
bool loadRealObjects(const std::filesystem::path& objectsFolder, std::vector<EmbeddedObject>& objects);

// Equations built with the tests' MTEF builder (fractions, roots, scripts, big operators, fences, matrices, Greek,
// embellishments; MTEF 5 and 3), each stored in a compound file beside the streams MathType writes.
std::vector<EmbeddedObject> builtObjects();

// What stands where a document's equation objects would.
enum class ObjectSlot {
    Equation,       // the object group itself
    Text,           // ordinary text of exactly the group's length
    TextAndPicture, // text of half the group's length, then a picture group of the other half
};

// A Word-style document: header and font table, then `equationCount` paragraphs, each an ordinary text paragraph
// followed by an equation paragraph holding objects[i % objects.size()], or what `slot` puts in its place. Every slot
// has the object group's length, so all documents of one count have the same size and paragraph layout.
std::string equationDocument(const std::vector<EmbeddedObject>& objects, int equationCount,
                             ObjectSlot slot = ObjectSlot::Equation);

// The documents the benchmark measures.
enum class DocumentKind {
    RealObjects,     // the real objects, cycled
    BuiltEquations,  // the built equations, cycled
    TextOnly,        // the real-object document with every object group replaced by text of the same length
    TextAndPictures, // the same, with every object group replaced by text and picture data, half and half
};

const char* documentKindName(DocumentKind kind);

// One of the documents above; false when the real objects cannot be read. `objectsFolder` is not read for
// BuiltEquations.
bool makeDocument(DocumentKind kind, int equationCount, const std::filesystem::path& objectsFolder,
                  std::string& document);

// 64-bit FNV-1a, so that outputs can be compared across builds and changes.
constexpr uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;
uint64_t fnv1a64(std::string_view bytes, uint64_t hash = kFnvOffsetBasis);

} // namespace benchdoc
