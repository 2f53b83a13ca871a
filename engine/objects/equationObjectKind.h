// Recognition of equation objects by the OLE1 class name at the start of their \objdata hexadecimal text.
#pragma once

#include <cstdint>
#include <string_view>

// What the converter is handed, chosen by the class name of the OLE1 object.
enum EquationObjectKind : int32_t {
    ObjectNotEquation = 0, // not recognised: copied as read
    ObjectEquation3 = 3,   // "Equation.2" or "Equation.3": a compound file (recognised only for Office Math output)
    ObjectBareMtef = 4,    // "Equation": MTEF without the 28-byte header
    ObjectStorage = 5,     // "Equation.DSMT4" or a name beginning "Msxml2.SAXXMLReader": a compound file
};

struct RecognisedObject {
    EquationObjectKind kind = ObjectNotEquation;
    std::string_view data; // the part of the hexadecimal text handed to the converter (borrowed from the input)
};

// Recognises the object whose \objdata text (line ends removed) is `hex`. Class names are compared as lowercase
// hexadecimal text, exactly as the OLE1 header stores them. `officeMath` is true when the job writes Office Math.
RecognisedObject recogniseEquationObject(std::string_view hex, bool officeMath);
