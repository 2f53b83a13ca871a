// The constant parts of the Equation Editor 3.x objects the engine builds: the template compound file that the
// Equation Editor 3.x server loads, the OLE1 object header in front of the server's compound file and the
// placeholder presentation behind it. All are built at compile time; nothing here changes at run time.
#pragma once

#include "objects/compoundFileWriter.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t kEquationTemplateSize = 3072;
constexpr size_t kEquationTemplateStreamCount = 4;
constexpr size_t kEquationNativeStreamIndex = 3; // in kEquationTemplateStreams
constexpr size_t kOle1ObjectHeaderHexSize = 62;
constexpr size_t kPlaceholderHeaderSize = 45;    // the OLE1 presentation fields and the METAFILEPICT header
constexpr size_t kPlaceholderMetafileSize = 314; // the Windows metafile behind them

// Equation.3, {0002CE02-0000-0000-C000-000000000046}, in the byte order compound files store class ids.
extern const std::array<uint8_t, kCompoundFileClassIdSize> kEquation3ClassId;

// The template's root streams: "\1Ole", "\1CompObj", "\3ObjInfo" and a one-character "Equation Native" (at
// kEquationNativeStreamIndex), which a caller replaces with its own.
extern const std::array<CompoundFileStream, kEquationTemplateStreamCount> kEquationTemplateStreams;

// Those streams in a compound file of class Equation.3: one FAT sector, two directory sectors, one mini FAT sector
// and one mini stream sector behind the header.
extern const std::array<uint8_t, kEquationTemplateSize> kEquationTemplateImage;

// The OLE1 header of an embedded "Equation.3" object, as hex text: OLE version 0x0501, format id 2 (embedded), the
// class name with its length, empty topic and item names. The native data size follows it.
extern const char kOle1ObjectHeaderHex[kOle1ObjectHeaderHexSize + 1];

// The OLE1 presentation object behind the native data: its fields up to the data size, and the 16-bit METAFILEPICT
// header (MM_ANISOTROPIC, 353 x 388)...
extern const std::array<uint8_t, kPlaceholderHeaderSize> kPlaceholderHeader;
// ...and the metafile, which draws an "a" in Times New Roman. Word shows the object's result picture, not this one.
extern const std::array<uint8_t, kPlaceholderMetafileSize> kPlaceholderMetafile;
