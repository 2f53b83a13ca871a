#!/usr/bin/env python3
"""Writes samples/sample.rtf: a small Word-style RTF document with text, a font table (with Greek fonts), nested
groups, \\bin data and equation objects built from the real MathType and Equation Editor objects in
tests/data/mtef-objects (MIT, see the LICENSE.txt there). Run it from the repository's top folder."""
import os
import struct

OBJECTS = os.path.join("tests", "data", "mtef-objects")
PICTURE = "{\\result {\\pict\\wmetafile8\\picw529\\pich265\\picwgoal300\\pichgoal150 0100090000035000000000000000}}"


def ole1(class_name, native):
    name = class_name.encode("ascii") + b"\0"
    header = struct.pack("<III", 0x0501, 2, len(name)) + name + struct.pack("<III", 0, 0, len(native))
    return (header + native).hex()


def wrap_lines(hex_text, width=128):
    return "\r\n".join(hex_text[i:i + width] for i in range(0, len(hex_text), width))


def equation_object(class_name, path):
    with open(path, "rb") as f:
        native = f.read()
    return ("{\\object\\objemb\\objw300\\objh150{\\*\\objclass " + class_name + "}{\\*\\objdata \r\n" +
            wrap_lines(ole1(class_name, native)) + "\r\n}" + PICTURE + "}")


def main():
    parts = [
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033",
        "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f34\\froman\\fcharset0 Cambria Math;}"
        "{\\f40\\froman\\fcharset161 Times New Roman Greek;}{\\f382\\froman\\fcharset161 Cambria Math Greek;}}",
        "{\\colortbl;\\red0\\green0\\blue0;}",
        "{\\info{\\title Veltrim sample}}",
        "\\pard\\plain\\f0\\fs24 Equations from MathType and Equation Editor 3.x, one per paragraph.\\par",
    ]
    paragraph = 0
    for folder, class_name in (("mathtype5", "Equation.DSMT4"), ("mathtype3", "Equation.3")):
        for name in sorted(os.listdir(os.path.join(OBJECTS, folder))):
            if not name.endswith(".bin"):
                continue
            paragraph += 1
            parts.append("\\pard Equation %d ({\\i %s}):\\tab " % (paragraph, name[:-4]) +
                         equation_object(class_name, os.path.join(OBJECTS, folder, name)) + "\\par")
    parts.append("{\\*\\private \\bin6 {}\\{}\\par}")
    parts.append("{\\f40 \\'e1\\'e2\\'e3}\\par }")
    with open(os.path.join("samples", "sample.rtf"), "wb") as f:
        f.write("\r\n".join(parts).encode("ascii") + b"\r\n")


if __name__ == "__main__":
    main()
