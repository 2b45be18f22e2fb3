#!/usr/bin/env python3
"""Measures how much of real prescription collections the vocabulary knows, through the
program's own import.

    python3 tools/measure_vocabulary.py [--cli build-rel/bin/lindora-cli] [--db data/DB]
        [--before REV] [--top 30] [COLLECTION ...]

Each collection (default: the two classical formularies of ../shared/sources/classics, made
into tables by tools/classics_table.py, and data/examples/失眠处方示例.xlsx) is imported with
`lindora-cli import --review` into a scratch copy of the DB folder. From what the import
reports and writes (its counts, its unresolved names with their counts, 药名决定.tsv and the
library's Fangji.DB) it gives:

- resolved: the share of herb mentions the import resolved to a known drug, names of one
  character left out and counted apart (姜, 枣, 桂 and the debris of damaged text: one
  character says too little to be a drug);
- with properties: the share of herb occurrences (of the stored compositions, one-character
  names left out) whose drug has a row in Herb_Property.DB; an unresolved name has none;
- the most frequent names still unresolved, apart from the text the composition parser left
  in the herb list (a sentence, a formula name, two drug names run together: DebrisRule); the
  shares are also given with that debris left out.

--before REV measures the DB folder of that git revision as well, for a before/after table.
"""

import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile

TOOLS = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(TOOLS)
CLASSICS = os.path.join(os.path.dirname(REPO), "shared", "sources", "classics")
BOOKS = ["太平惠民和剂局方", "医方集解"]
WORKBOOK = os.path.join(REPO, "data", "examples", "失眠处方示例.xlsx")
UNRESOLVED = "（未识别，保留原名）"


def read_gbk_lines(path):
    with open(path, "rb") as f:
        text = f.read().decode("gb18030")
    return [l for l in text.replace("\r\n", "\n").split("\n") if l]


def herbs_with_properties(db):
    names = {}
    for line in read_gbk_lines(os.path.join(db, "Herb_Name.DB"))[1:]:
        f = line.split("\t")
        if len(f) > 2:
            names[f[0]] = f[2]
    with_rows = set()
    path = os.path.join(db, "Herb_Property.DB")
    if os.path.exists(path):
        for line in read_gbk_lines(path):
            f = line.split("\t")
            if f[0] in names:
                with_rows.add(names[f[0]])
    return with_rows


def known_names(db):
    """Every Chinese name the dictionary knows: herb names, further names, name-table lines."""
    names = set()
    for line in read_gbk_lines(os.path.join(db, "Herb_Name.DB"))[1:]:
        names.update(f for f in line.split("\t")[2:] if re.fullmatch(r"[\u4e00-\u9fff]{2,}", f))
    path = os.path.join(db, "药名对照.tsv")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                w = line.split("\t")[0]
                if not line.startswith("#") and re.fullmatch(r"[\u4e00-\u9fff]{2,}", w):
                    names.add(w)
    return names


# Words of a prescription's text rather than of a drug's name; a character counts only when no
# known name holds it (当 is in 当归, 内 in 鸡内金, so neither counts).
_PROSE = "之者也不以服煎为入用治论凡可则而其此如皆又各再先候于令得已即及与或去加共同每"
_FORMULA_ENDS = "汤散丸饮膏煎"


class DebrisRule:
    """Sorts an unresolved name as text the composition parser left (a sentence, a formula
    name, two drug names run together) or as a name: the rule looks only at the name and the
    dictionary, never at how often a name occurs."""

    def __init__(self, names):
        self.names = sorted(names, key=len, reverse=True)
        used = set("".join(names))
        self.prose = {ch for ch in _PROSE if ch not in used}
        self.ends = {ch for ch in _FORMULA_ENDS if not any(n.endswith(ch) for n in names)}

    def is_debris(self, name):
        # Six characters and more: a sentence; the longest drug names have five (金钱白花蛇).
        if len(name) >= 6 or any(ch in self.prose for ch in name) or name[-1] in self.ends:
            return True
        if not re.fullmatch(r"[\u4e00-\u9fff]+", name):
            return True
        found, rest = 0, name
        for n in self.names:
            if n in rest:
                found += 1
                rest = rest.replace(n, "|", 1)
                if found == 2:
                    return True
        return False


def split_items(composition):
    """The items of a stored composition (…，…。), brackets respected."""
    items, depth, cur = [], 0, ""
    for ch in composition.rstrip("。"):
        if ch in "（(":
            depth += 1
        elif ch in "）)":
            depth = max(0, depth - 1)
        if ch == "，" and depth == 0:
            items.append(cur)
            cur = ""
        else:
            cur += ch
    if cur:
        items.append(cur)
    return items


def import_collection(cli, db, table, work):
    """Runs the import; returns (mentions, resolved, {unresolved name: count}, decisions,
    stored herb names)."""
    root = os.path.join(work, "root")
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(db, os.path.join(root, "DB"))
    os.makedirs(os.path.join(root, "Result"), exist_ok=True)
    res = subprocess.run([cli, "--root", root, "import", table, "--library", "测量", "--review"],
                         capture_output=True, text=True)
    if res.returncode != 0:
        raise RuntimeError("import of %s failed: %s" % (table, res.stderr.strip()))
    mentions = int(re.search(r"^药名出现\t(\d+)", res.stdout, re.M).group(1))
    resolved = int(re.search(r"^自动识别\t(\d+)", res.stdout, re.M).group(1))
    unresolved = {}
    in_table = False
    for line in res.stdout.splitlines():
        if line.startswith("# 未识别的药名"):
            in_table = True
            continue
        if in_table and line and not line.startswith("写法\t"):
            f = line.split("\t")
            unresolved[f[0]] = int(float(f[1]))
    lib = os.path.join(root, "DB", "测量")
    decisions = {}
    with open(os.path.join(lib, "药名决定.tsv"), encoding="utf-8") as f:
        for line in f.read().splitlines()[1:]:
            w = line.split("\t")
            decisions[w[0]] = (w[1], w[3] if len(w) > 3 else "")
    known = set(unresolved)
    for target, _ in decisions.values():
        known.update(t for t in target.split("、") if t != UNRESOLVED)
    stored, odd = [], 0
    for line in read_gbk_lines(os.path.join(lib, "Fangji.DB")):
        for item in split_items(line.split("\t")[1]):
            head = item.split("（")[0]
            name = max((head[:k] for k in range(len(head), 0, -1) if head[:k] in known),
                       key=len, default=None)
            if name is None:
                odd += 1
                name = head
            stored.append(name)
    return mentions, resolved, unresolved, decisions, stored, odd


def measure(cli, db, table, work):
    mentions, resolved, unresolved, decisions, stored, odd = import_collection(cli, db, table,
                                                                               work)
    one_char_resolved = [w for w, (t, _) in decisions.items()
                         if len(w) == 1 and t != UNRESOLVED]
    if one_char_resolved:
        # Their counts are not reported; the share would mix them in silently.
        raise RuntimeError("one-character names resolved: %s" % "、".join(one_char_resolved))
    one_char = sum(n for w, n in unresolved.items() if len(w) == 1)
    multi_unresolved = {w: n for w, n in unresolved.items() if len(w) > 1}
    props = herbs_with_properties(db)
    rule = DebrisRule(known_names(db))
    debris = {w: n for w, n in multi_unresolved.items() if rule.is_debris(w)}
    occurrences = [n for n in stored if len(n) > 1]
    with_props = sum(1 for n in occurrences if n in props)
    return {
        "mentions": mentions, "one_char": one_char,
        "counted": mentions - one_char, "resolved": resolved,
        "occurrences": len(occurrences), "with_props": with_props,
        "unresolved": collections.Counter({w: n for w, n in multi_unresolved.items()
                                           if w not in debris}),
        "debris": collections.Counter(debris),
        "one_char_names": collections.Counter({w: n for w, n in unresolved.items()
                                               if len(w) == 1}),
        "unparsed_items": odd,
        "no_props": collections.Counter(n for n in occurrences
                                        if n not in props and n not in unresolved),
    }


def pct(a, b):
    return "%.1f %%" % (100.0 * a / b) if b else "-"


def db_of_revision(rev, work):
    out = os.path.join(work, "db-" + re.sub(r"\W", "_", rev))
    os.makedirs(out, exist_ok=True)
    archive = subprocess.run(["git", "-C", REPO, "archive", rev, "data/DB"],
                             capture_output=True, check=True).stdout
    subprocess.run(["tar", "-x", "-C", out], input=archive, check=True)
    return os.path.join(out, "data", "DB")


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("collections", nargs="*")
    ap.add_argument("--cli", default=os.path.join(REPO, "build-rel", "bin", "lindora-cli"))
    ap.add_argument("--db", default=os.path.join(REPO, "data", "DB"))
    ap.add_argument("--before", help="git revision whose data/DB is measured as 'before'")
    ap.add_argument("--top", type=int, default=30)
    args = ap.parse_args(argv)

    work = tempfile.mkdtemp(prefix="measure-vocabulary-")
    try:
        collections_ = args.collections
        if not collections_:
            for book in BOOKS:
                table = os.path.join(work, book + ".tsv")
                subprocess.run([sys.executable, os.path.join(TOOLS, "classics_table.py"),
                                os.path.join(CLASSICS, book + ".txt"), "--out", table],
                               check=True, stderr=subprocess.DEVNULL)
                collections_.append(table)
            collections_.append(WORKBOOK)
        dbs = [("after", args.db)]
        if args.before:
            dbs.insert(0, ("before", db_of_revision(args.before, work)))
        results = {}
        for label, db in dbs:
            for c in collections_:
                results[(label, c)] = measure(args.cli, db, c, work)

        print("collection\tdata\tmentions\tone-char\tresolved\twith properties"
              "\tresolved, debris left out\twith properties, debris left out")
        for c in collections_:
            for label, _ in dbs:
                r = results[(label, c)]
                d = sum(r["debris"].values())
                print("%s\t%s\t%d\t%d\t%s (%d/%d)\t%s (%d/%d)\t%s\t%s" % (
                    os.path.basename(c), label, r["mentions"], r["one_char"],
                    pct(r["resolved"], r["counted"]), r["resolved"], r["counted"],
                    pct(r["with_props"], r["occurrences"]), r["with_props"],
                    r["occurrences"], pct(r["resolved"], r["counted"] - d),
                    pct(r["with_props"], r["occurrences"] - d)))
        for c in collections_:
            r = results[("after", c)]
            print("\n%s: most frequent unresolved names (of %d, %d mentions)" % (
                os.path.basename(c), len(r["unresolved"]), sum(r["unresolved"].values())))
            print("  " + "  ".join("%s %d" % kv for kv in r["unresolved"].most_common(args.top)))
            print("  parser debris (%d names, %d mentions), e.g.: %s" % (
                len(r["debris"]), sum(r["debris"].values()),
                "  ".join("%s %d" % kv for kv in r["debris"].most_common(12))))
            print("  one-character names (%d mentions): %s" % (
                r["one_char"], "  ".join("%s %d" % kv for kv in
                                         r["one_char_names"].most_common(15))))
            if r["no_props"]:
                print("  resolved but without properties: " + "  ".join(
                    "%s %d" % kv for kv in r["no_props"].most_common(15)))
            if r["unparsed_items"]:
                print("  stored items not matched to a name: %d" % r["unparsed_items"])
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
