#!/usr/bin/env python3
"""Reads the engine's output with an independent reader: LibreOffice.

The bundled sample and one document per real equation object of the test data are converted by the native driver in
both formats, then opened headless by LibreOffice (one soffice call over every file, with a throw-away profile) and
saved as ODF. Each equation must come back as a formula object that holds every character the engine wrote for it
(the characters of its Office Math runs and operators, as a multiset), and the text around the equations must read
the same as in LibreOffice's reading of the unconverted document.

Usage: libreOfficeInterop.py DRIVER OBJECTS_FOLDER SAMPLE_RTF WORK_FOLDER [EXTRA.rtf ...]
Exit status: 0 all read equal, 1 a mismatch, 77 LibreOffice is not installed (the test is skipped).
"""
import collections
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from interopDocuments import convert, write_documents  # noqa: E402
from officeMathText import equation_groups, office_math_characters  # noqa: E402

FORMATS = (("math", "--format=math"), ("eq3", "--format=eq3"))

NS = {
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "draw": "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0",
    "xlink": "http://www.w3.org/1999/xlink",
    "math": "http://www.w3.org/1998/Math/MathML",
}

# Where LibreOffice's formula import itself is at fault. Each fault is recognised by LibreOffice's own StarMath text of
# the formula and may lose only the characters it names ("any": whatever follows the fault). Each is shown on a
# small document of its own, read in the same run: when LibreOffice stops making the fault, the run says so and the
# entry is to go.
KNOWN_READER_FAULTS = (
    {"name": "closing bracket as a script base", "pattern": r"\{\s*[)\]]\s*\}\s*(rsub|rsup|\^|_)", "loses": "any", "readers": ("office math",),
     "equation": r"{\mr (}{\mr a}{\msSup{\msSupPr}{\me {\mr )}}{\msup {\mr c}}}",
     "reason": "a closing bracket that is the base of a script becomes \"{)}\" in LibreOffice's StarMath text, "
               "whose brackets its own parser then cannot pair: the rest of the formula is lost"},
    {"name": "delimiter closed by an opening bracket", "pattern": r"left \[[^\]]*\[", "loses": "any", "readers": ("office math",),
     "equation": r"{\md{\mdPr{\mbegChr [}{\mendChr [}}{\me {\mr m}}}",
     "reason": "a delimiter such as [m[ is written as \"left [m[\", which LibreOffice's own parser rejects: the "
               "rest of the formula is lost"},
    {"name": "scripts under scripts", "pattern": r"c(sub|sup) \{[^{}]*\} c(sub|sup)", "loses": "any", "readers": ("office math",),
     "equation": r"{\mr a}{\mlimLow{\mlimLowPr }{\me {\mgroupChr{\mgroupChrPr{\mchr {\uc1\u8594 >}}{\mvertJc bot}}"
                 r"{\me {\mr b}}}}{\mlim {\mr c}}}",
     "reason": "a limit under a group character becomes \"csub {...} csub {...}\", whose MathML keeps neither script"},
    {"name": "n-ary operator without a keyword", "pattern": r"", "loses": "\u22c3\u22c2\u2210\u22c1\u22c0",
     "readers": ("office math", "mtef"),
     "equation": r"{\mnary{\mnaryPr{\mchr {\uc1\u8899\'3f}}{\mctrlPr }}{\msub {\mr a}}{\msup }{\me {\mr b}}}",
     "reason": "an n-ary operator other than the sums, products and integrals that StarMath names (union, "
               "intersection, coproduct) loses its character"},
    {"name": "accent without a keyword", "pattern": r"acute \{", "loses": "\u20d6\u20d0\u20e1",
     "readers": ("office math",),
     "equation": r"{\macc{\maccPr{\mchr {\uc1\u8406\'3f}}}{\me {\mr c}}}",
     "reason": "an accent StarMath has no keyword for (left arrow, left harpoon, two-headed arrow above) is read "
               "as an acute"},
    {"name": "grave accent as text", "pattern": r"`", "loses": "`",
     "readers": ("office math", "mtef"),
     "equation": r"{\mr `}{\mr d}",
     "reason": "a grave accent in the text is StarMath's small gap, so the MathML has no character for it"},
    {"name": "star as a script", "pattern": r"(r[sS](ub|up)|\^|_) \{ *(size \d+ ?\{ *)?\* *\}", "loses": "*",
     "readers": ("office math", "mtef"),
     "equation": r"{\msSup{\msSupPr}{\me {\mr x}}{\msup {\mr *}}}",
     "reason": "a star alone in a script is StarMath's multiplication sign without operands and is dropped from "
               "the MathML"},
    # LibreOffice's MathType import, which reads the MTEF 3 of Equation.3 objects. Shown by a real object.
    {"name": "MTEF arrow templates", "pattern": r"widevec|\u21c4|\u21cc|\ueb03|size 24\{`?\}",
     "loses": "\u2190\u2192\u2194", "readers": ("mtef",), "shown_by": ("mathtype5-equation6", "eq3", 0),
     "reason": "arrow templates are read as vector accents, harpoons, private-use characters or gaps"},
    {"name": "MTEF embellishments", "pattern": r"\{ (dot|ddot|dddot) ",
     "loses": "^`\u20d0\u20d1\u20db\u20d6\u20e1", "readers": ("mtef",),
     "shown_by": ("mathtype5-embellishments", "eq3", 0),
     "reason": "embellishments are read as other marks: three and four dots as periods, the harpoons and the "
               "reversed prime lost, a second hat dropped"},
    {"name": "MTEF intersection and not-equal signs", "pattern": r"intersect|<>", "loses": "\u22c2\u2260",
     "readers": ("mtef",), "shown_by": ("mathtype5-equation3", "eq3", 0),
     "reason": "the big intersection is read as the word \"intersect\" and the not-equal sign as \"<>\", of "
               "which the MathML keeps no character"},
    {"name": "MTEF white square brackets", "pattern": r"\\\[\\\[|left \[ left \[", "loses": "\u27e6\u27e7",
     "readers": ("mtef",), "shown_by": ("mathtype5-fences", "eq3", 0),
     "reason": "white square brackets are read as two square brackets each"},
)

SMALL_DOCUMENT_FAULTS = [fault for fault in KNOWN_READER_FAULTS if "equation" in fault]

# Characters that LibreOffice writes in another form than Office Math runs hold them; both sides are folded first.
FOLDED = {
    "-": "\u2212",       # hyphen-minus: LibreOffice's formulas say minus sign
    "*": "\u2217",       # asterisk: asterisk operator
    "\u2032": "'",       # prime
    "\u00b7": "\u22c5",  # middle dot and dot operator
    "\u2219": "\u22c5",  # bullet operator
    "\u03c6": "\u03d5",  # the two forms of phi: MTEF's Symbol phi is read by LibreOffice as the other form
    # Combining accents over a base, which LibreOffice writes as spacing accents.
    "\u0301": "\u00b4", "\u0302": "^", "\u0303": "~", "\u0305": "\u00af", "\u0306": "\u02d8",
    "\u0307": "\u02d9", "\u0308": "\u00a8",
}
# Characters LibreOffice adds on its own (invisible operators, spacing) and never counts against the equation.
IGNORED = set(" \t\r\n\u00a0\u2061\u2062\u2063\u2064\u200b\u2009\u200a\u2005\u2006\u2004\u2002\u2003")


def fold(characters):
    counts = collections.Counter()
    for c in characters:
        if c in IGNORED:
            continue
        counts[FOLDED.get(c, c)] += 1
    return counts


def read_with_libreoffice(files, out_folder, profile):
    os.makedirs(out_folder, exist_ok=True)
    command = ["soffice", "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
               "--convert-to", "odt", "--outdir", out_folder] + files
    subprocess.run(command, capture_output=True, timeout=900, check=False)


def paragraph_texts(root):
    """The text of every paragraph and heading, embedded objects left out."""
    texts = []
    for paragraph in root.iter():
        if paragraph.tag not in ("{%s}p" % NS["text"], "{%s}h" % NS["text"]):
            continue
        parts = []

        def walk(element):
            if element.tag == "{%s}frame" % NS["draw"]:
                return
            if element.text:
                parts.append(element.text)
            for child in element:
                walk(child)
                if child.tail:
                    parts.append(child.tail)
        walk(paragraph)
        text = " ".join("".join(parts).split())
        if text:
            texts.append(text)
    return texts


def formula_characters(package, href):
    """The characters of one embedded formula's MathML tokens and LibreOffice's StarMath text of it, or None when the
    object is no formula."""
    name = href[2:] if href.startswith("./") else href
    try:
        content = package.read(name + "/content.xml")
    except KeyError:
        return None
    root = ElementTree.fromstring(content)
    if root.tag != "{%s}math" % NS["math"]:
        return None
    characters = []
    star_math = ""
    for element in root.iter():
        local = element.tag.split("}")[-1]
        if local in ("mi", "mn", "mo", "mtext", "ms") and element.text:
            characters.append(element.text)
        elif local == "annotation" and element.text:
            star_math = element.text
    return "".join(characters), star_math


def read_odt(path):
    """The paragraph texts and, in document order, each embedded object's formula characters (None: no formula)."""
    with zipfile.ZipFile(path) as package:
        root = ElementTree.fromstring(package.read("content.xml"))
        formulas = []
        for element in root.iter("{%s}object" % NS["draw"]):
            formulas.append(formula_characters(package, element.get("{%s}href" % NS["xlink"], "")))
        return paragraph_texts(root), formulas


def describe(counter):
    return "".join(sorted(counter.elements()))


def known_fault(missing, star_math, reader):
    """The reasons of the known faults of the reader that explain every missing character, or None."""
    reasons = []
    explained = collections.Counter()
    for fault in KNOWN_READER_FAULTS:
        if reader not in fault["readers"] or not re.search(fault["pattern"], star_math):
            continue
        if fault["loses"] == "any":
            return ["%s: %s" % (fault["name"], fault["reason"])]
        loses = fold(fault["loses"])
        if not any(missing[c] for c in loses):
            continue
        reasons.append("%s: %s" % (fault["name"], fault["reason"]))
        for c in loses:
            explained[c] = max(explained[c], missing[c])
    return reasons if reasons and not (missing - explained) else None


def known_faults_document(path):
    """One equation per known reader fault, written as the engine writes Office Math."""
    paragraphs = "".join("\\pard Fault %d: {\\object\\objemb{\\*\\objclass Equation.DSMT4}{\\*{\\dn0\\mmath"
                         "{\\*\\moMathPara {\\*\\moMath %s}}\r\n{\\mmathPict}}}}\\par\r\n" % (i, fault["equation"])
                         for i, fault in enumerate(SMALL_DOCUMENT_FAULTS))
    with open(path, "wb") as f:
        f.write(("{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\r\n" + paragraphs + "}\r\n").encode("ascii"))


def still_shows(fault, missing, star_math):
    reasons = known_fault(missing, star_math, fault["readers"][0]) if missing else None
    return bool(reasons) and any(reason.startswith(fault["name"] + ":") for reason in reasons)


def check_known_faults(odt, path, lost):
    """Each known fault still shows where it is shown (its small document, or the real object named); the failures
    otherwise. `lost` holds (missing characters, StarMath text) by document name, format and equation index."""
    failures = []
    with open(path, "rb") as f:
        groups = equation_groups(f.read())
    _, formulas = read_odt(odt)
    if len(formulas) != len(SMALL_DOCUMENT_FAULTS):
        failures.append("the known faults' document: %d formulas read" % len(formulas))
    for fault, group, formula in zip(SMALL_DOCUMENT_FAULTS, groups, formulas):
        if formula is None:
            failures.append("known fault '%s': its small document is not read as a formula" % fault["name"])
            continue
        characters, star_math = formula
        if not still_shows(fault, fold(office_math_characters(group)) - fold(characters), star_math):
            failures.append("known fault '%s' no longer shows on its small document (read %r, %r): remove it" %
                            (fault["name"], characters, star_math))
    for fault in KNOWN_READER_FAULTS:
        if "shown_by" in fault and not still_shows(fault, *lost.get(fault["shown_by"], (None, ""))):
            failures.append("known fault '%s' no longer shows on %s: remove it" % (fault["name"], fault["shown_by"]))
    return failures


def main(arguments):
    if len(arguments) < 4:
        print(__doc__)
        return 2
    driver, objects_folder, sample, work = arguments[:4]
    extra = arguments[4:]
    if shutil.which("soffice") is None:
        print("libreOfficeInterop: soffice is not installed; skipped")
        return 77
    work = os.path.abspath(work)
    shutil.rmtree(work, ignore_errors=True)
    originals = os.path.join(work, "originals")
    converted = os.path.join(work, "converted")
    os.makedirs(originals)
    os.makedirs(converted)

    documents = write_documents(objects_folder, sample, extra, originals)
    expected = {}   # name -> list of character counters, one per equation, from the Office Math output
    counts = {}     # (name, format) -> equations converted
    files = []
    for name, source in sorted(documents.items()):
        original_copy = os.path.join(originals, name + ".rtf")
        if os.path.abspath(source) != original_copy:
            shutil.copyfile(source, original_copy)
        files.append(original_copy)
        for format_name, switch in FORMATS:
            target = os.path.join(converted, "%s.%s.rtf" % (name, format_name))
            counts[(name, format_name)] = convert(driver, original_copy, target, switch)
            files.append(target)
            if format_name == "math":
                with open(target, "rb") as f:
                    groups = equation_groups(f.read())
                expected[name] = [fold(office_math_characters(group)) for group in groups]

    faults_document = os.path.join(work, "known-faults.rtf")
    known_faults_document(faults_document)
    files.append(faults_document)
    read_with_libreoffice(files, os.path.join(work, "odt"), os.path.join(work, "profile"))

    failures = []
    lost = {}  # (name, format, index) -> (missing characters, StarMath text) of every formula that lost some
    documents_read = equations = read_equal = known = 0
    for name in sorted(documents):
        original_odt = os.path.join(work, "odt", name + ".odt")
        if not os.path.exists(original_odt):
            failures.append("%s: LibreOffice did not read the unconverted document" % name)
            continue
        original_texts, _ = read_odt(original_odt)
        for format_name, _ in FORMATS:
            odt = os.path.join(work, "odt", "%s.%s.odt" % (name, format_name))
            label = "%s (%s)" % (name, format_name)
            if not os.path.exists(odt):
                failures.append("%s: LibreOffice did not read the converted document" % label)
                continue
            documents_read += 1
            texts, formulas = read_odt(odt)
            if texts != original_texts:
                failures.append("%s: the text around the equations changed:\n  before %r\n  after  %r" %
                                (label, original_texts, texts))
            wanted = expected[name]
            if format_name == "math" and counts[(name, format_name)] != len(wanted):
                failures.append("%s: %d equations converted, %d Office Math groups written" %
                                (label, counts[(name, format_name)], len(wanted)))
            if len(formulas) != len(wanted):
                failures.append("%s: %d embedded objects read, %d equations written" %
                                (label, len(formulas), len(wanted)))
                continue
            for index, (formula, characters) in enumerate(zip(formulas, wanted)):
                equations += 1
                if formula is None:
                    failures.append("%s: equation %d is not read as a formula" % (label, index + 1))
                    continue
                read, star_math = formula
                missing = characters - fold(read)
                if not missing:
                    read_equal += 1
                    continue
                lost[(name, format_name, index)] = (missing, star_math)
                problem = "equation %d lost %r (expected %r, read %r)" % (
                    index + 1, describe(missing), describe(characters), read)
                reasons = known_fault(missing, star_math, "mtef" if format_name == "eq3" else "office math")
                if reasons:
                    known += 1
                    print("known reader fault, %s: %s [%s]" % (label, problem, "; ".join(reasons)))
                else:
                    failures.append("%s: %s; LibreOffice's text: %s" % (label, problem, star_math))

    failures += check_known_faults(os.path.join(work, "odt", "known-faults.odt"), faults_document, lost)
    print("libreOfficeInterop: %d documents, %d equations, %d formulas read equal, %d known reader faults" %
          (documents_read, equations, read_equal, known))
    for failure in failures:
        print("FAILED " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
