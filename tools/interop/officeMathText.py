"""The equations of an RTF document as the engine writes them in Office Math, and the characters each holds.

An RTF tokeniser of the kind the engine's own tests use: braces, control words with their number and delimiting
blank, control symbols and hex escapes. It reads only what the engine writes: Office Math groups with runs in the
document's fonts.
"""
import re

# Groups whose text is a property value ("on", "undOvr", "center", "1"), a field instruction or a picture: not
# characters of the equation.
VALUE_GROUPS = {
    "mtype", "mlimLoc", "mpos", "mvertJc", "mmcJc", "mcount", "mdegHide", "msubHide", "msupHide", "mopEmu",
    "mplcHide", "mhideTop", "mhideBot", "mhideLeft", "mhideRight", "mstrikeH", "mstrikeV", "mstrikeBLTR",
    "mstrikeTLBR", "mgrow", "fldinst", "mmathPict", "pict",
}

TOKEN = re.compile(rb"\\([a-zA-Z]{1,32})(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)|([{}])|([^\\{}\r\n]+)|[\r\n]+", re.S)


def tokens(data):
    """(kind, value, number) for every token: "word", "hex", "symbol", "brace", "text"."""
    for match in TOKEN.finditer(data):
        word, number, hex_digits, symbol, brace, text = match.groups()
        if word is not None:
            yield "word", word.decode("ascii"), int(number) if number is not None else None
        elif hex_digits is not None:
            yield "hex", int(hex_digits, 16), None
        elif symbol is not None:
            yield "symbol", symbol.decode("latin-1"), None
        elif brace is not None:
            yield "brace", brace.decode("ascii"), None
        elif text is not None:
            yield "text", text, None


def greek_fonts(data):
    """The font numbers whose font table entry says \\fcharset161 (Greek)."""
    return {int(n) for n in re.findall(rb"\\f(\d+)[^;{}]*?\\fcharset161", data)}


def equation_groups(data):
    """The Office Math groups of the document (each the group around a \\mmath), with the document's Greek fonts."""
    greek = greek_fonts(data)
    groups = []
    stack = []  # per open group: [start offset, is an equation]
    for match in TOKEN.finditer(data):
        word, _, _, _, brace, _ = match.groups()
        if brace == b"{":
            stack.append([match.start(), False])
        elif brace == b"}" and stack:
            start, is_equation = stack.pop()
            if is_equation:
                groups.append((data[start:match.end()], greek))
        elif word == b"mmath" and stack:
            stack[-1][1] = True
    return groups


def office_math_characters(group):
    """The characters of one Office Math group: its runs' text, Unicode escapes and hex escapes (decoded in the run's
    font), and the operator, accent and fence characters of its properties."""
    data, greek = group
    characters = []
    names = []       # per open group: its first control word ("" when it has none yet)
    fonts = []       # per open group: the font in force
    skip_fallback = 0
    fresh_group = False
    for kind, value, number in tokens(data):
        if kind == "brace":
            if value == "{":
                names.append("")
                fonts.append(fonts[-1] if fonts else 0)
                fresh_group = True
            elif names:
                names.pop()
                fonts.pop()
            skip_fallback = 0
            continue
        in_value = any(name in VALUE_GROUPS for name in names)
        if kind == "word":
            if fresh_group and names:
                names[-1] = value
            fresh_group = False
            if value == "f" and number is not None and fonts:
                fonts[-1] = number
            elif value == "u" and number is not None:
                if not in_value:
                    characters.append(chr(number if number >= 0 else number + 65536))
                skip_fallback = 1
            continue
        fresh_group = False
        if kind == "symbol":
            if value in "{}\\" and not in_value:
                characters.append(value)
            continue
        if kind == "hex":
            if skip_fallback:
                skip_fallback -= 1
                continue
            if not in_value:
                encoding = "cp1253" if fonts and fonts[-1] in greek else "cp1252"
                characters.append(bytes([value]).decode(encoding, errors="replace"))
            continue
        text = value.decode("cp1252", errors="replace")
        if skip_fallback:
            text = text[1:]
            skip_fallback = 0
        if not in_value:
            characters.append(text)
    return "".join(characters)
