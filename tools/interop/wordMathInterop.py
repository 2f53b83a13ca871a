#!/usr/bin/env python3
"""Reads the engine's Office Math the way the word processor reads it: a second independent reader.

The bundled sample and one document per real equation object of the test data (once with Word's font table, once
with a table that has no Greek font, as other writers leave it) are converted to Office Math by the native driver.
Every equation is then read as the word processor reads RTF: into Office Math XML (officeMathXml.py), and from
there into MathML by omml2mathml, a port of the word processor's own stylesheet (ommlToMathml.js, one node run
for all equations). An equation reads whole when
- every character the engine wrote for it (its runs' text and its operator, accent and fence characters, as a
  multiset) comes back in the MathML,
- no text stands outside a run and no run inside a run,
- every font it names is in the document's font table,
- no pre-script with an empty base stands before a base.

A table of small equations with their expected verdict runs first, so that each rule is shown to fail. Only the
Office Math format is read: Equation Editor 3.x output holds no Office Math.

Usage: wordMathInterop.py DRIVER OBJECTS_FOLDER SAMPLE_RTF WORK_FOLDER [EXTRA.rtf ...]
Exit status: 0 every equation read whole, 1 a fault, 77 node or its packages are not installed (the test is
skipped).
"""
import collections
import concurrent.futures
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from interopDocuments import PLAIN_FONT_TABLE, WORD_FONT_TABLE, convert, write_documents  # noqa: E402
from officeMathText import equation_groups, office_math_characters  # noqa: E402
import officeMathXml  # noqa: E402

READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ommlToMathml.js")
FONT_TABLES = (("", WORD_FONT_TABLE), ("-noGreekFont", PLAIN_FONT_TABLE))
CHARACTERS_LOST = "characters lost"

# The stylesheet draws accents in their spacing forms; both sides are folded first.
FOLDED = {
    "\u0300": "`", "\u0301": "\u00b4", "\u0302": "^", "\u0303": "~", "\u0305": "-", "\u0306": "\u02d8",
    "\u0307": "\u02d9", "\u0308": "\u00a8", "\u030b": "\u02dd", "\u030c": "\u02c7", "\u20d6": "\u2190",
    "\u20d7": "\u2192",
}
# Characters that draw nothing (blanks, invisible operators, the stand-in for an empty fence character).
IGNORED = set(" \t\r\n\u00a0\u2061\u2062\u2063\u2064" + officeMathXml.EMPTY_CHARACTER)

# Small equations, each with the rules it breaks. Each rule is shown to fail at least once.
SELF_CHECK = (
    # (name, font table, equation as the engine writes it, rules broken)
    ("plain runs", WORD_FONT_TABLE, r"{\mr\mscr0\msty2\i x}{\mr\mscr0\msty0 =}{\mr\mscr0\msty0 2}", set()),
    ("Greek letter in the document's Greek font", WORD_FONT_TABLE, r"{\mr\mscr0\msty2\i \f382\'c3}", set()),
    ("Greek letter in a font the table lacks", PLAIN_FONT_TABLE, r"{\mr\mscr0\msty2\i \f382\'c3}",
     {officeMathXml.FONT_NOT_IN_TABLE}),
    ("Greek letter as a Unicode escape", PLAIN_FONT_TABLE, r"{\mr\mscr0\msty2\i {\uc1\u915\'3f}}", set()),
    ("bare grave accent before a run", WORD_FONT_TABLE, r"{`{\mr\mscr0\msty2\i d}}",
     {officeMathXml.TEXT_OUTSIDE_RUNS, CHARACTERS_LOST}),
    ("bare bracket in a long division", WORD_FONT_TABLE,
     r"{\mf{\mfPr{\mtype }}{\mden ){\mr\mscr0\msty0 3}}{\mnum  {\mr\mscr0\msty0 6}}}",
     {officeMathXml.TEXT_OUTSIDE_RUNS, CHARACTERS_LOST}),
    ("long division bracket in a run", WORD_FONT_TABLE,
     r"{\mf{\mfPr{\mtype }}{\mden {\mr\mscr0\msty0 )}{\mr\mscr0\msty0 3}}{\mnum  {\mr\mscr0\msty0 6}}}", set()),
    ("prime inside its character's run", WORD_FONT_TABLE, r"{{\mr\mscr0\msty2\i a{\mr\mscr0\msty2\i {\uc1\u39 '}}}}",
     {officeMathXml.RUN_IN_RUN}),
    ("prime after its character's run", WORD_FONT_TABLE,
     r"{{\mr\mscr0\msty2\i a}{\mr\mscr0\msty2\i {\uc1\u39 '}}}", set()),
    ("empty pre-script base before a base", WORD_FONT_TABLE,
     r"{\msPre{\msPrePr}{\me  }{\msub  }{\msup {\mr\mscr0\msty0 2}}}{\mr\mscr0\msty2\i G}",
     {officeMathXml.EMPTY_PRE_SCRIPT_BASE}),
    ("pre-script with its base", WORD_FONT_TABLE,
     r"{\msPre{\msPrePr}{\me {\mr\mscr0\msty2\i G}}{\msub  }{\msup {\mr\mscr0\msty0 2}}}", set()),
    ("empty pre-script base at the end of its line", WORD_FONT_TABLE,
     r"{\mr\mscr0\msty2\i G}{\msPre{\msPrePr}{\me  }{\msub  }{\msup {\mr\mscr0\msty0 2}}}", set()),
    # An empty fence character must not stand in for a bracket lost elsewhere.
    ("empty bracket beside a lost one", WORD_FONT_TABLE,
     r"{\md{\mdPr{\mbegChr }{\mendChr ]}}{\me ({\mr\mscr0\msty2\i a}}}",
     {officeMathXml.TEXT_OUTSIDE_RUNS, CHARACTERS_LOST}),
    ("operators, accents and fences", WORD_FONT_TABLE,
     r"{\mnary{\mnaryPr{\mchr {\uc1\u8721\'3f}}{\mlimLoc undOvr}{\mctrlPr }}{\msub {\mr\mscr0\msty2\i i}}{\msup }"
     r"{\me {\macc{\maccPr{\mchr {\uc1\u775\'3f}}}{\me{\mr\mscr0\msty2\i x}}}}}"
     r"{\md{\mdPr{\mbegChr [}{\mendChr }}{\me {\mr\mscr0\msty2\i y}}}", set()),
)


def fold(characters):
    counts = collections.Counter()
    for c in characters:
        if c not in IGNORED:
            counts[FOLDED.get(c, c)] += 1
    return counts


def describe(counter):
    return "".join(sorted(counter.elements()))


def by_rule(faults):
    """The faults grouped by rule, each detail once with the number of times it was found."""
    rules = {}
    for rule, detail in faults:
        rules.setdefault(rule, collections.Counter())[detail] += 1
    return [(rule, ", ".join(detail if count == 1 else "%s (%d times)" % (detail, count)
                             for detail, count in details.items())) for rule, details in rules.items()]


def small_document(equations, font_table):
    """A document of equations written as the engine writes Office Math, one per paragraph."""
    paragraphs = "".join("\\pard {\\object\\objemb{\\*\\objclass Equation.DSMT4}{\\*{\\dn0\\mmath"
                         "{\\*\\moMathPara {\\*\\moMath %s}}\r\n{\\mmathPict}}}}\\par\r\n" % equation
                         for equation in equations)
    return ("{\\rtf1\\ansi\\ansicpg1252\\deff0" + font_table + "\r\n" + paragraphs + "}\r\n").encode("latin-1")


class Equation:
    """One equation of a document: what the engine wrote and how it reads."""

    def __init__(self, label, group, fonts, default_code_page):
        self.label = label
        self.expected = fold(office_math_characters(group))
        element, self.faults = officeMathXml.read_equation(group[0], fonts, default_code_page)
        self.xml = officeMathXml.to_xml(element) if element is not None else None
        if element is not None:
            self.faults += officeMathXml.tree_faults(element)
        self.reading = None

    def verdict(self):
        """The faults found, with the characters lost once the reader's MathML is in."""
        faults = list(self.faults)
        if self.xml is None:
            faults.append(("no Office Math", ""))
        elif "error" in self.reading:
            faults.append(("not read", self.reading["error"]))
        else:
            missing = self.expected - fold(self.reading["characters"])
            if missing:
                faults.append((CHARACTERS_LOST, "%r (expected %r, read %r)" % (
                    describe(missing), describe(self.expected), self.reading["characters"])))
        return faults


def document_equations(name, data):
    fonts, default_code_page = officeMathXml.font_table(data)
    return [Equation("%s equation %d" % (name, index + 1), group, fonts, default_code_page)
            for index, group in enumerate(equation_groups(data))]


def read_with_stylesheet(equations, work):
    """Runs the stylesheet once over every equation that has Office Math XML."""
    readable = [equation for equation in equations if equation.xml is not None]
    run = subprocess.run(["node", READER], input=json.dumps([e.xml for e in readable]).encode("utf-8"),
                         capture_output=True, timeout=600)
    if run.returncode != 0:
        raise RuntimeError("the stylesheet's run failed: %s" % (run.stdout + run.stderr).decode(errors="replace"))
    with open(os.path.join(work, "readings.json"), "wb") as f:
        f.write(run.stdout)
    for equation, reading in zip(readable, json.loads(run.stdout.decode("utf-8"))):
        equation.reading = reading


def self_check_equations():
    equations = []
    for name, font_table, equation, _ in SELF_CHECK:
        equations += document_equations("self-check '%s':" % name, small_document([equation], font_table))
    return equations


def check_self_check(equations):
    failures = []
    for (name, _, _, expected), equation in zip(SELF_CHECK, equations):
        found = {rule for rule, _ in equation.verdict()}
        if found != expected:
            failures.append("self-check '%s': rules broken %s, expected %s (%s)" % (
                name, sorted(found), sorted(expected), equation.verdict()))
    return failures


def main(arguments):
    if len(arguments) < 4:
        print(__doc__)
        return 2
    driver, objects_folder, sample, work = arguments[:4]
    extra = arguments[4:]
    if shutil.which("node") is None:
        print("wordMathInterop: node is not installed; skipped")
        return 77
    check = subprocess.run(["node", READER, "--check"], capture_output=True, text=True)
    if check.returncode != 0:
        print("wordMathInterop: the stylesheet's packages are not installed (npm ci in tools/interop); skipped\n" +
              check.stdout.strip())
        return 77
    work = os.path.abspath(work)
    shutil.rmtree(work, ignore_errors=True)
    originals = os.path.join(work, "originals")
    converted = os.path.join(work, "converted")
    os.makedirs(originals)
    os.makedirs(converted)

    failures = []
    documents = write_documents(objects_folder, sample, extra, originals, FONT_TABLES)
    names = sorted(documents)
    targets = [os.path.join(converted, name + ".rtf") for name in names]
    # The driver runs are independent; a few at a time keep the test short beside the other tests.
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        counts = list(pool.map(lambda job: convert(driver, job[0], job[1], "--format=math"),
                               [(documents[name], target) for name, target in zip(names, targets)]))
    equations = []
    for name, target, count in zip(names, targets, counts):
        with open(target, "rb") as f:
            found = document_equations(name, f.read())
        if count != len(found):
            failures.append("%s: %d equations converted, %d Office Math groups written" % (name, count, len(found)))
        equations += found

    checks = self_check_equations()
    read_with_stylesheet(checks + equations, work)
    failures += check_self_check(checks)
    read_whole = 0
    for equation in equations:
        faults = equation.verdict()
        if not faults:
            read_whole += 1
        for rule, detail in by_rule(faults):
            failures.append("%s: %s: %s" % (equation.label, rule, detail))
    print("wordMathInterop: %d documents, %d equations, %d read whole, %d self-check rows" %
          (len(documents), len(equations), read_whole, len(checks)))
    for failure in failures:
        print("FAILED " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
