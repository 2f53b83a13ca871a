#!/usr/bin/env python3
"""Writes the suite's Word start-up template, Veltrim.dotm: a minimal Word macro-enabled template (an Office Open
XML package, that is a ZIP file of XML parts) holding one empty paragraph.

    makeWordTemplate.py OUTPUT.dotm

The output depends on nothing but this script: the parts are stored uncompressed, in a fixed order, with a fixed
time stamp (1980-01-01 00:00) and fixed file attributes, so every build writes the same bytes.

Where the ribbon goes: the Veltrim Math ribbon is a ribbon customisation part, customUI/customUI14.xml (root element
<customUI xmlns="http://schemas.microsoft.com/office/2009/07/customui">), added to PARTS below and named in
_rels/.rels by a relationship of type http://schemas.microsoft.com/office/2007/relationships/ui/extensibility
(Word 2007 reads only customUI/customUI.xml of schema http://schemas.microsoft.com/office/2006/01/customui, named by
http://schemas.microsoft.com/office/2006/relationships/ui/extensibility). Its buttons call macros, which live in
word/vbaProject.bin, with a relationship of type
http://schemas.microsoft.com/office/2006/relationships/vbaProject in word/_rels/document.xml.rels and a Default
entry for the "bin" extension of content type application/vnd.ms-office.vbaProject in [Content_Types].xml.
See README.md beside this script.
"""
import sys
import zipfile

CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/word/document.xml" ContentType="application/vnd.ms-word.template.macroEnabledTemplate.main+xml"/>
<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>
</Types>
"""

PACKAGE_RELATIONSHIPS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>
</Relationships>
"""

DOCUMENT = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">
<w:body>
<w:p/>
<w:sectPr>
<w:pgSz w:w="11906" w:h="16838"/>
<w:pgMar w:top="1440" w:right="1440" w:bottom="1440" w:left="1440" w:header="708" w:footer="708" w:gutter="0"/>
</w:sectPr>
</w:body>
</w:document>
"""

CORE_PROPERTIES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/">
<dc:title>Veltrim Math</dc:title>
</cp:coreProperties>
"""

# In package order: the content types first, as Office writes them.
PARTS = [
    ("[Content_Types].xml", CONTENT_TYPES),
    ("_rels/.rels", PACKAGE_RELATIONSHIPS),
    ("word/document.xml", DOCUMENT),
    ("docProps/core.xml", CORE_PROPERTIES),
]

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def write_template(path):
    with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_STORED) as package:
        for name, text in PARTS:
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_STORED
            info.create_system = 0  # MS-DOS
            info.external_attr = 0
            package.writestr(info, text.encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: makeWordTemplate.py OUTPUT.dotm")
    write_template(sys.argv[1])
