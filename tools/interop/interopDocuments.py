"""The documents the independent readers read: the bundled sample and one document per real equation object of the
test data, converted by the native driver.

Each real object is wrapped as Word saves an embedded object: OLE1 native data in an \\objdata group with a picture
result, between two paragraphs of text. The font table is Word's by default (with its Greek font for Office Math);
a reader may ask for the table other writers leave, without any Greek font.
"""
import os
import re
import subprocess

OBJECT_FOLDERS = (("mathtype5", "Equation.DSMT4"), ("mathtype3", "Equation.3"))
PICTURE = "{\\result {\\pict\\wmetafile8\\picw529\\pich265\\picwgoal300\\pichgoal150 0100090000035000000000000000}}"

# The font table Word writes for a document with Office Math, and one without a Greek font.
WORD_FONT_TABLE = ("{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
                   "{\\f382\\froman\\fcharset161 Cambria Math Greek;}}")
PLAIN_FONT_TABLE = "{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}}"


def ole1(class_name, native):
    name = class_name.encode("ascii") + b"\0"
    header = (0x0501).to_bytes(4, "little") + (2).to_bytes(4, "little") + len(name).to_bytes(4, "little") + name
    header += (0).to_bytes(4, "little") * 2 + len(native).to_bytes(4, "little")
    return (header + native).hex()


def object_document(class_name, path, index, font_table=WORD_FONT_TABLE):
    with open(path, "rb") as f:
        native = f.read()
    hex_text = ole1(class_name, native)
    lines = "\r\n".join(hex_text[i:i + 128] for i in range(0, len(hex_text), 128))
    return ("{\\rtf1\\ansi\\ansicpg1252\\deff0%s\r\n"
            "\\pard\\plain\\f0\\fs24 Before equation %d.\\par\r\n"
            "\\pard {\\object\\objemb\\objw300\\objh150{\\*\\objclass %s}{\\*\\objdata \r\n%s\r\n}%s}\\par\r\n"
            "\\pard After equation %d.\\par\r\n}\r\n" % (font_table, index, class_name, lines, PICTURE,
                                                       index)).encode("ascii")


def write_documents(objects_folder, sample, extra, originals, font_tables=(("", WORD_FONT_TABLE),)):
    """The documents to convert, by name: the sample, one per real object and font table (the table's suffix added
    to the name), and any extra documents."""
    documents = {"sample": sample}
    index = 0
    for folder, class_name in OBJECT_FOLDERS:
        for name in sorted(os.listdir(os.path.join(objects_folder, folder))):
            if not name.endswith(".bin"):
                continue
            index += 1
            for suffix, font_table in font_tables:
                document = "%s-%s%s" % (folder, name[:-4], suffix)
                path = os.path.join(originals, document + ".rtf")
                with open(path, "wb") as f:
                    f.write(object_document(class_name, os.path.join(objects_folder, folder, name), index,
                                            font_table))
                documents[document] = path
    for path in extra:
        documents["extra-" + os.path.splitext(os.path.basename(path))[0]] = path
    return documents


def convert(driver, source, target, switch):
    """Converts one document; the number of equations the driver reports."""
    run = subprocess.run([driver, switch, source, target], capture_output=True, text=True)
    if run.returncode != 0:
        raise RuntimeError("%s failed on %s: %s" % (driver, source, run.stderr.strip()))
    match = re.search(r"Equations converted: (\d+)", run.stdout)
    return int(match.group(1)) if match else 0
