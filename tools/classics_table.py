#!/usr/bin/env python3
"""Turns a classical formulary of ../shared/sources/classics/ into the table a researcher
would import: one row per formula, columns 方名, 组成, 主治 (UTF-8 TSV with a title row).

    python3 tools/classics_table.py TEXT [--out FILE]

The two books (太平惠民和剂局方, 医方集解) are digitised as wrapped lines: a formula is a
<篇名> heading, its indications after 内容： or 属性：, then its herbs separated by blanks with
bracketed processing notes and doses, then the preparation (上为细末 …) or the commentary
(此足少阴药也 …). The wrap is a display artefact, so the lines of the composition are joined
without a separator (长/理石 is 长理石); the edition lost parts of many lines, and what that
leaves in the composition is kept as it is, as an import would see it. The texts are only
read, never copied into the repository.
"""

import argparse
import re
import sys

OPEN, CLOSE = "（(", "）)"
# A line that ends the herbs: the preparation (上为细末, 右件, 上十味), a stage of it (以上四味)
# or the commentary (此足太阴药也).
_STOP = re.compile(r"^(上|右|以上|此|凡|又|一方|本方|按)")
# Preparation written after the last herb on its line (…白术（炒，二两。）为末。每服三钱).
_TAIL = re.compile(r"(为末|为细末|为粗末|为散|为丸|蜜丸|水煎|煎服|㕮咀|每服|，煎|煎。|等分|共为)")
_PUNCT = "，。；∶：！？"


def outside_brackets(text):
    """The text with bracketed parts removed; an unclosed bracket runs to the end."""
    out, depth = [], 0
    for ch in text:
        if ch in OPEN:
            depth += 1
        elif ch in CLOSE:
            depth = max(0, depth - 1)
        elif depth == 0:
            out.append(ch)
    return "".join(out)


def looks_like_herbs(line):
    """A composition line: blank-separated items, each a short name with at most a note,
    the first one a name that starts the line, and no prose punctuation before the last
    item."""
    text = line.strip()
    if not text or _STOP.match(text) or not re.match(r"[\u4e00-\u9fff]", text):
        return False
    bare = outside_brackets(text)
    items = [i for i in re.split(r"[ \u3000]+", bare) if i]
    if not items:
        return False
    first = items[0]
    if len(first) > 8 or any(p in first for p in _PUNCT):
        return False
    # A single item is a composition line only when it carries a note ("麝香（研，半两）").
    if len(items) == 1 and not re.search("[%s]" % OPEN, text):
        return False
    prose = sum(1 for i in items[:-1] if any(p in i for p in _PUNCT) or len(i) > 10)
    return prose == 0


def strip_tail(composition):
    """Cuts the preparation that follows the last herb: a sentence (。), words of the
    preparation, or prose glued to a closing bracket (（一斤。）先将鹿角、龟板锯截，水浸)."""
    depth = 0
    for i, ch in enumerate(composition):
        if ch in OPEN:
            depth += 1
        elif ch in CLOSE:
            depth = max(0, depth - 1)
            if depth == 0:
                rest = re.split(r"[ \u3000（(]", composition[i + 1:], maxsplit=1)[0]
                if "。" in rest or "，" in rest[:-1]:
                    return composition[:i + 1]
        elif depth == 0:
            if _TAIL.match(composition, i) or ch == "。":
                return composition[:i].rstrip(" ，")
    return composition


def join_lines(lines):
    """Joins wrapped lines: a line that ends with a closing bracket ended an item, any other
    was cut inside a word (柴/胡, 长/理石, 羚羊角末（别研如/粉）)."""
    out = ""
    for line in lines:
        if out and out[-1] in CLOSE:
            out += " "
        out += line
    return out


def blocks(text):
    """(heading, lines) of every <篇名> block."""
    name, lines = None, []
    for raw in text.split("\n"):
        line = raw.rstrip("\r")
        if line.startswith("<篇名>"):
            if name is not None:
                yield name, lines
            name, lines = line[len("<篇名>"):].strip(), []
        elif line.startswith("<目录>"):
            continue
        elif name is not None:
            lines.append(line)
    if name is not None:
        yield name, lines


def formula_rows(text):
    rows = []
    for name, lines in blocks(text):
        if name.startswith("论") or name == "伤寒十劝":
            continue   # the essays of the 指南总论, not formulas
        start = next((i for i, l in enumerate(lines) if re.match("^(内容|属性)：", l)), None)
        if start is None:
            continue
        lines = [l.strip() for l in lines[start:]]
        lines[0] = re.sub("^(内容|属性)：", "", lines[0])
        herbs_at = next((i for i in range(1, len(lines)) if looks_like_herbs(lines[i])), None)
        if herbs_at is None and looks_like_herbs(lines[0]):
            herbs_at = 0
        if herbs_at is None:
            continue   # a chapter heading or a formula whose herbs the edition lost
        indications = "".join(l for l in lines[:herbs_at] if l)
        parts = []
        for line in lines[herbs_at:]:
            if not line:
                break
            if _STOP.match(line) and parts:
                break
            parts.append(line)
            if "。" in outside_brackets(line):
                break   # the preparation follows on this line (医方集解)
        composition = strip_tail(join_lines(parts))
        if composition:
            rows.append((name, composition, indications))
    return rows


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("text")
    ap.add_argument("--out", default="-")
    args = ap.parse_args(argv)
    with open(args.text, encoding="utf-8") as f:
        rows = formula_rows(f.read())
    out = sys.stdout if args.out == "-" else open(args.out, "w", encoding="utf-8", newline="\n")
    out.write("方名\t组成\t主治\n")
    for r in rows:
        out.write("\t".join(c.replace("\t", " ") for c in r) + "\n")
    if out is not sys.stdout:
        out.close()
    print("%s: %d formulas" % (args.text, len(rows)), file=sys.stderr)


if __name__ == "__main__":
    main()
