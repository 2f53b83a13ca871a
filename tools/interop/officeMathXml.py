"""Office Math RTF read into Office Math XML, the way the word processor reads an equation of an RTF document.

Each group that opens with an Office Math control word `\\mXxx` becomes the element `m:xXx`; a property group
whose text is a value (`{\\mtype skw}`, `{\\mchr ...}`) becomes an element with that text as its `m:val`; a run
`{\\mr ...}` becomes `m:r` with its `m:rPr` (from `\\mscrN`, `\\mstyN`, `\\mnor`, `\\mlit`) and its text in `m:t`,
decoded in the code page of its font. Groups without an Office Math word of their own (`{\\uc1\\u8594 >}`) add
their content to the group around them.

Office Math holds text only inside runs: text elsewhere is left out of the XML, as the word processor leaves it out,
and is reported. So is every `\\fN` that names a font the document's font table lacks. What the XML itself shows
(a run inside a run, an empty pre-script base) is found by `tree_faults`.

Not read: document-level math properties, fields and pictures; the converter starts at the equation's
`\\moMathPara` (or `\\moMath`) group.
"""
import re
import xml.etree.ElementTree as ElementTree

from officeMathText import tokens

MATH_NS = "http://schemas.openxmlformats.org/officeDocument/2006/math"
XML_NS = "http://www.w3.org/XML/1998/namespace"
ElementTree.register_namespace("m", MATH_NS)

# The faults an equation can show; each is a rule the word processor's reading relies on.
TEXT_OUTSIDE_RUNS = "text outside runs"
RUN_IN_RUN = "run inside a run"
FONT_NOT_IN_TABLE = "font not in the font table"
EMPTY_PRE_SCRIPT_BASE = "empty pre-script base before a base"

# Office Math property elements whose content is one value (m:val), not child elements.
VALUE_ELEMENTS = {
    "chr", "begChr", "sepChr", "endChr", "type", "pos", "vertJc", "limLoc", "grow", "subHide", "supHide",
    "degHide", "hideTop", "hideBot", "hideLeft", "hideRight", "strikeH", "strikeV", "strikeBLTR", "strikeTLBR",
    "opEmu", "noBreak", "diff", "aln", "alnScr", "baseJc", "maxDist", "objDist", "rSpRule", "rSp", "cGpRule",
    "cGp", "cSp", "mcJc", "count", "plcHide", "show", "zeroWid", "zeroAsc", "zeroDesc", "transp", "argSz",
    "shp", "jc", "scr", "sty", "nor", "lit", "brk",
}
# The reader's stylesheet drops an output attribute whose value is empty and then draws its default bracket or
# separator in place of none; an empty fence character is therefore read as this invisible one, which counts as no
# character.
PROTECTED_VALUES = {"begChr", "sepChr", "endChr"}
EMPTY_CHARACTER = "\u200b"

# Run property control words: (element, the values by the word's number; None: a flag).
RUN_PROPERTIES = {
    "mscr": ("scr", ("roman", "script", "fraktur", "double-struck", "sans-serif", "monospace")),
    "msty": ("sty", ("p", "b", "i", "bi")),
    "mnor": ("nor", None),
    "mlit": ("lit", None),
}

# Code pages of the RTF character sets; a font without one, or not in the table, reads in the document's code page.
CHARSET_CODE_PAGES = {
    0: "cp1252", 161: "cp1253", 162: "cp1254", 163: "cp1258", 177: "cp1255", 178: "cp1256", 186: "cp1257",
    204: "cp1251", 222: "cp874", 238: "cp1250",
}

# Characters XML cannot hold: the word processor's XML has no place for them, so they are left out.
NOT_IN_XML = re.compile("[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff\ud800-\udfff]")


def font_table(data):
    """The fonts of the document's font table, by number, each with its code page; and the document's code page."""
    ansi = re.search(rb"\\ansicpg(\d+)", data[:4096])
    default = "cp%d" % int(ansi.group(1)) if ansi else "cp1252"
    start = data.find(b"{\\fonttbl")
    fonts = {}
    if start < 0:
        return fonts, default
    depth = 0
    end = start
    for end in range(start, len(data)):
        depth += {ord("{"): 1, ord("}"): -1}.get(data[end], 0)
        if depth == 0:
            break
    for entry in re.finditer(rb"\\f(\d+)([^;]*?)(?:;|}|$)", data[start + len(b"{\\fonttbl"):end]):
        charset = re.search(rb"\\fcharset(\d+)", entry.group(2))
        code_page = CHARSET_CODE_PAGES.get(int(charset.group(1))) if charset else None
        fonts[int(entry.group(1))] = code_page or default
    return fonts, default


class Group:
    """One RTF group: its Office Math element name (None for a plain group), its content (text and groups, in
    order), its run property words, and the font and Unicode fallback length in force."""

    def __init__(self, font, fallback):
        self.name = None
        self.fresh = True      # no control word read yet: the next one may name the element
        self.items = []
        self.properties = []
        self.font = font
        self.fallback = fallback

    def add_text(self, text):
        if self.items and isinstance(self.items[-1], str):
            self.items[-1] += text
        else:
            self.items.append(text)


def parse(data, fonts, default_code_page, faults):
    """The group tree of an RTF fragment; unknown fonts are added to `faults`."""
    root = Group(None, 1)
    stack = [root]
    skip = 0  # fallback characters still to skip after a Unicode escape

    def text(characters):
        nonlocal skip
        if skip:
            dropped = min(skip, len(characters))
            characters = characters[dropped:]
            skip -= dropped
        if characters:
            stack[-1].add_text(characters)

    for kind, value, number in tokens(data):
        group = stack[-1]
        if kind == "brace":
            skip = 0
            if value == "{":
                child = Group(group.font, group.fallback)
                group.items.append(child)
                stack.append(child)
            elif len(stack) > 1:
                stack.pop()
        elif kind == "word":
            if group.fresh and len(value) > 1 and value[0] == "m" and value[1].islower():
                group.name = value[1:]
            group.fresh = False
            if value == "f" and number is not None:
                group.font = number
                if number not in fonts:
                    faults.append((FONT_NOT_IN_TABLE, "\\f%d" % number))
            elif value == "uc" and number is not None:
                group.fallback = max(number, 0)
            elif value == "u" and number is not None:
                text(chr(number % 65536))
                skip = group.fallback
            elif value in RUN_PROPERTIES:
                group.properties.append((value, number))
        elif kind == "symbol":
            if value == "*":
                continue  # a destination mark: the next word still names the group
            group.fresh = False
            if value in "\\{}":
                text(value)
            elif value == "~":
                text("\u00a0")
        elif kind == "hex":
            text(bytes([value]).decode(fonts.get(group.font, default_code_page), errors="replace"))
        elif kind == "text":
            text(value.decode(fonts.get(group.font, default_code_page), errors="replace"))
    return root


def plain_text(group):
    """The text of a group and of the plain groups inside it."""
    parts = []
    for item in group.items:
        if isinstance(item, str):
            parts.append(item)
        elif item.name is None:
            parts.append(plain_text(item))
    return "".join(parts)


def xml_text(text):
    return NOT_IN_XML.sub("", text.encode("utf-16", "surrogatepass").decode("utf-16", "replace"))


def math(tag):
    return "{%s}%s" % (MATH_NS, tag)


def build_run(group, element, faults):
    if group.properties:
        run_properties = ElementTree.SubElement(element, math("rPr"))
        for word, number in group.properties:
            tag, values = RUN_PROPERTIES[word]
            child = ElementTree.SubElement(run_properties, math(tag))
            if values is not None and number is not None and 0 <= number < len(values):
                child.set(math("val"), values[number])
    last_text = None

    def add_content(items):
        nonlocal last_text
        for item in items:
            if isinstance(item, str):
                if last_text is None:
                    last_text = ElementTree.SubElement(element, math("t"))
                    last_text.set("{%s}space" % XML_NS, "preserve")
                    last_text.text = ""
                last_text.text += xml_text(item)
            elif item.name is None:
                add_content(item.items)
            else:
                build(item, element, faults)
                last_text = None
    add_content(group.items)


def build(group, parent, faults):
    """Adds the element of an Office Math group to `parent`."""
    element = ElementTree.SubElement(parent, math(group.name))
    if group.name in VALUE_ELEMENTS:
        value = xml_text(plain_text(group))
        element.set(math("val"), EMPTY_CHARACTER if not value and group.name in PROTECTED_VALUES else value)
    elif group.name == "r":
        build_run(group, element, faults)
    else:
        build_content(group.items, element, faults)


def build_content(items, element, faults):
    for item in items:
        if isinstance(item, str):
            if item.strip():
                faults.append((TEXT_OUTSIDE_RUNS, item.strip()))
        elif item.name is None:
            build_content(item.items, element, faults)
        else:
            build(item, element, faults)


def find_equation(group):
    for item in group.items:
        if isinstance(item, Group):
            if item.name in ("oMathPara", "oMath"):
                return item
            found = find_equation(item)
            if found is not None:
                return found
    return None


def read_equation(data, fonts, default_code_page="cp1252"):
    """The Office Math XML element of one equation's RTF (None when it holds no `\\moMathPara` or `\\moMath`)
    and the faults its reading found: a list of (rule, detail)."""
    faults = []
    equation = find_equation(parse(data, fonts, default_code_page, faults))
    if equation is None:
        return None, faults
    holder = ElementTree.Element("holder")
    build(equation, holder, faults)
    return holder[0], faults


def to_xml(element):
    return ElementTree.tostring(element, encoding="unicode")


def has_content(element):
    return any(not child.tag.endswith("Pr") for child in element)


def tree_faults(element):
    """The faults the XML shows: runs inside runs, and pre-scripts with an empty base that stand before a base."""
    faults = []
    for run in element.iter(math("r")):
        for inner in run.iter(math("r")):
            if inner is not run:
                faults.append((RUN_IN_RUN, "".join(inner.itertext())))
    for parent in element.iter():
        children = list(parent)
        for index, child in enumerate(children[:-1]):
            if child.tag != math("sPre"):
                continue
            base = child.find(math("e"))
            if base is None or not has_content(base):
                faults.append((EMPTY_PRE_SCRIPT_BASE, "".join(children[index + 1].itertext())))
    return faults
