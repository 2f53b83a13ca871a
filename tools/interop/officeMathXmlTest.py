#!/usr/bin/env python3
"""Tests of the Office Math RTF to XML reading (officeMathXml.py): small RTF equations against the XML and the
faults expected, the font table, and the faults the XML shows."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import officeMathXml as omx  # noqa: E402

GREEK = {0: "cp1252", 382: "cp1253"}
DECLARATION = ' xmlns:m="%s"' % omx.MATH_NS

# Each row's RTF is the content of an \moMath group; its XML is the content of the m:oMath element.
READING = (
    # (RTF, fonts, XML, reading faults)
    (r"{\mr\mscr0\msty2\i x}", GREEK,
     '<m:r><m:rPr><m:scr m:val="roman" /><m:sty m:val="i" /></m:rPr><m:t xml:space="preserve">x</m:t></m:r>', []),
    (r"{\mr\mscr3\msty1\b N}{\mr\mnor\mscr9 n}", GREEK,
     '<m:r><m:rPr><m:scr m:val="double-struck" /><m:sty m:val="b" /></m:rPr><m:t xml:space="preserve">N</m:t>'
     '</m:r><m:r><m:rPr><m:nor /><m:scr /></m:rPr><m:t xml:space="preserve">n</m:t></m:r>', []),
    # Value groups, with a Unicode escape whose fallback is skipped.
    (r"{\mf{\mfPr{\mtype skw}}{\mnum {\mr 1}}{\mden {\mr 2}}}", GREEK,
     '<m:f><m:fPr><m:type m:val="skw" /></m:fPr><m:num><m:r><m:t xml:space="preserve">1</m:t></m:r></m:num>'
     '<m:den><m:r><m:t xml:space="preserve">2</m:t></m:r></m:den></m:f>', []),
    (r"{\macc{\maccPr{\mchr {\uc1\u775\'3f}}}{\me{\mr x}}}", GREEK,
     '<m:acc><m:accPr><m:chr m:val="\u0307" /></m:accPr><m:e><m:r><m:t xml:space="preserve">x</m:t></m:r></m:e>'
     '</m:acc>', []),
    # An empty fence character is protected; other empty values stay empty.
    (r"{\md{\mdPr{\mbegChr }{\msepChr }{\mendChr )}}{\me }}{\mf{\mfPr{\mtype }}{\mnum }{\mden }}", GREEK,
     '<m:d><m:dPr><m:begChr m:val="\u200b" /><m:sepChr m:val="\u200b" /><m:endChr m:val=")" /></m:dPr><m:e />'
     '</m:d><m:f><m:fPr><m:type m:val="" /></m:fPr><m:num /><m:den /></m:f>', []),
    # Text in its font's code page; a font the table lacks reads in the document's.
    (r"{\mr \f382\'c3\f0\'c3}", GREEK, '<m:r><m:t xml:space="preserve">\u0393\u00c3</m:t></m:r>', []),
    (r"{\mr \f382\'c3}{\mr \f382\'e8}", {0: "cp1252"}, '<m:r><m:t xml:space="preserve">\u00c3</m:t></m:r>'
     '<m:r><m:t xml:space="preserve">\u00e8</m:t></m:r>',
     [(omx.FONT_NOT_IN_TABLE, "\\f382"), (omx.FONT_NOT_IN_TABLE, "\\f382")]),
    # A font set in a group ends with it.
    (r"{\mr {\f382\'c3}\'c3}", GREEK, '<m:r><m:t xml:space="preserve">\u0393\u00c3</m:t></m:r>', []),
    # Escapes: symbols, no fallback, a negative code, a fallback of two, a fallback cut short by the group's end.
    (r"{\mr \{\}\\}{\mr\uc0\u8722 x}{\mr \u-4000 ?}{\mr\uc2\u915 ab}{\mr {\uc3\u916 a}b}", GREEK,
     '<m:r><m:t xml:space="preserve">{}\\</m:t></m:r><m:r><m:t xml:space="preserve">\u2212x</m:t></m:r>'
     '<m:r><m:t xml:space="preserve">\uf060</m:t></m:r><m:r><m:t xml:space="preserve">\u0393</m:t></m:r>'
     '<m:r><m:t xml:space="preserve">\u0394b</m:t></m:r>', []),
    # Plain groups add their content to the group around them, in runs and elsewhere.
    (r"{{\mr\mscr0\msty2\i {\uc1\u39 '}}}", GREEK,
     '<m:r><m:rPr><m:scr m:val="roman" /><m:sty m:val="i" /></m:rPr><m:t xml:space="preserve">\'</m:t></m:r>', []),
    # Text outside runs is left out and reported; blanks are not.
    (r"{`{\mr d}}{\mf{\mfPr{\mtype }}{\mden ){\mr 3}}{\mnum  {\mr 6}}}", GREEK,
     '<m:r><m:t xml:space="preserve">d</m:t></m:r><m:f><m:fPr><m:type m:val="" /></m:fPr><m:den><m:r>'
     '<m:t xml:space="preserve">3</m:t></m:r></m:den><m:num><m:r><m:t xml:space="preserve">6</m:t></m:r></m:num>'
     '</m:f>', [(omx.TEXT_OUTSIDE_RUNS, "`"), (omx.TEXT_OUTSIDE_RUNS, ")")]),
    # A run inside a run stays where it is written.
    (r"{\mr a{\mr b}c}", GREEK,
     '<m:r><m:t xml:space="preserve">a</m:t><m:r><m:t xml:space="preserve">b</m:t></m:r>'
     '<m:t xml:space="preserve">c</m:t></m:r>', []),
    # Characters XML cannot hold are left out.
    (r"{\mr a\uc0\u1 b}", GREEK, '<m:r><m:t xml:space="preserve">ab</m:t></m:r>', []),
)

# Whole equation groups as the engine writes them: only the equation is read, not its picture.
EQUATIONS = (
    # (RTF, XML or None)
    (rb"{\dn0\mmath{\*\moMathPara {\*\moMath {\mr x}}}" b"\r\n" rb"{\mmathPict}}",
     '<m:oMathPara><m:oMath><m:r><m:t xml:space="preserve">x</m:t></m:r></m:oMath></m:oMathPara>'),
    (rb"{\*\moMath }", "<m:oMath />"),
    (rb"{\dn0\mmath{\mmathPict}}", None),
)

FONT_TABLES = (
    # (document start, fonts, document code page)
    (rb"{\rtf1\ansi\ansicpg1252{\fonttbl{\f0\froman\fcharset0 Times New Roman;}"
     rb"{\f382\froman\fcharset161 Cambria Math Greek;}}", {0: "cp1252", 382: "cp1253"}, "cp1252"),
    (rb"{\rtf1\ansi\ansicpg1251{\fonttbl{\f0 Arial;}{\f1\fcharset204{\*\panose 0}Arial Cyr;}{\f2\fcharset2 S;}}"
     rb"{\f9\fcharset161 not in the table;}", {0: "cp1251", 1: "cp1251", 2: "cp1251"}, "cp1251"),
    (rb"{\rtf1\ansi{\fonttbl\f0\fcharset238 Arial CE;\f1 Arial;}}", {0: "cp1250", 1: "cp1252"}, "cp1252"),
    (rb"{\rtf1\ansi\deff0 no table}", {}, "cp1252"),
)

TREE = (
    # (RTF content of \moMath, faults the XML shows)
    (r"{\msPre{\msPrePr}{\me  }{\msub  }{\msup {\mr 2}}}{\mr G}", [(omx.EMPTY_PRE_SCRIPT_BASE, "G")]),
    (r"{\msPre{\msPrePr}{\me  }{\msub  }{\msup {\mr 2}}}{\mf{\mfPr}{\mnum {\mr 1}}{\mden {\mr k}}}",
     [(omx.EMPTY_PRE_SCRIPT_BASE, "1k")]),
    (r"{\msPre{\msPrePr}{\me {\mr G}}{\msub  }{\msup {\mr 2}}}{\mr H}", []),
    (r"{\mr G}{\msPre{\msPrePr}{\me  }{\msub  }{\msup {\mr 2}}}", []),
    (r"{\mf{\mfPr}{\mnum {\msPre{\msPrePr}{\me }{\msub }{\msup }}{\mr a}}{\mden }}",
     [(omx.EMPTY_PRE_SCRIPT_BASE, "a")]),
    (r"{\mr a{\mr '}}{\mr b}", [(omx.RUN_IN_RUN, "'")]),
    (r"{\mr a{\mr b{\mr c}}}", [(omx.RUN_IN_RUN, "bc"), (omx.RUN_IN_RUN, "c"), (omx.RUN_IN_RUN, "c")]),
    (r"{\mr a}{\msSup{\msSupPr}{\me {\mr b}}{\msup {\mr '}}}", []),
)


def math_group(content):
    return (r"{\*\moMath " + content + "}").encode("latin-1")


def inner_xml(element):
    text = omx.to_xml(element).replace(DECLARATION, "")
    return text[len("<m:oMath>"):-len("</m:oMath>")] if text != "<m:oMath />" else ""


def main():
    failures = []
    for row, (rtf, fonts, xml, faults) in enumerate(READING):
        element, found = omx.read_equation(math_group(rtf), fonts)
        if inner_xml(element) != xml or found != faults:
            failures.append("reading row %d: %r %r, expected %r %r" % (row, inner_xml(element), found, xml, faults))
    for row, (rtf, xml) in enumerate(EQUATIONS):
        element, _ = omx.read_equation(rtf, GREEK)
        got = omx.to_xml(element).replace(DECLARATION, "") if element is not None else None
        if got != xml:
            failures.append("equation row %d: %r, expected %r" % (row, got, xml))
    for row, (data, fonts, code_page) in enumerate(FONT_TABLES):
        found = omx.font_table(data)
        if found != (fonts, code_page):
            failures.append("font table row %d: %r, expected %r" % (row, found, (fonts, code_page)))
    for row, (rtf, faults) in enumerate(TREE):
        element, _ = omx.read_equation(math_group(rtf), GREEK)
        found = omx.tree_faults(element)
        if found != faults:
            failures.append("tree row %d: %r, expected %r" % (row, found, faults))
    for failure in failures:
        print("FAILED " + failure)
    print("officeMathXmlTest: %d rows, %d failed" % (len(READING) + len(EQUATIONS) + len(FONT_TABLES) + len(TREE),
                                                     len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
