#!/usr/bin/env python3
"""Checks a herb frequency against the import's decisions.

    check_herb_counts.py LIBRARY_FOLDER HERB_FREQUENCY

LIBRARY_FOLDER is an imported library (DB/<name>/ with Fangji.DB, 药名决定.tsv and
未识别药名.tsv); HERB_FREQUENCY is the herb frequency of the whole library: the printout of
`lindora-cli --library NAME herb-frequency` after a query that selects every formula, or
Result/Yaodui_Analysis1.txt. Each herb's count must be the number of formulas with a herb the
import decided for it. The formulas are read here on their own (names found as the longest name
the decisions know), so a fault of the analyses' reading shows as a difference. Exit status 1
when a count differs.
"""
import sys
from collections import Counter
from pathlib import Path


def read_text(path):
    data = path.read_bytes()
    for encoding in ("utf-8", "gb18030"):
        try:
            return data.decode(encoding)
        except UnicodeDecodeError:
            pass
    raise SystemExit(f"{path}: neither UTF-8 nor GB18030")


def tsv_rows(path):
    lines = read_text(path).splitlines()
    return [line.split("\t") for line in lines[1:] if line.strip()]


def mentions(composition):
    """The items of a composition in the library's style, bracketed notes taken out."""
    items, current, depth = [], "", 0
    for c in composition.rstrip("。"):
        if c == "（":
            depth += 1
        elif c == "）":
            depth = max(depth - 1, 0)
        elif depth == 0 and c in "，、":
            items.append(current)
            current = ""
        elif depth == 0:
            current += c
    items.append(current)
    return [i.strip() for i in items if i.strip()]


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    folder, frequency = Path(sys.argv[1]), Path(sys.argv[2])
    decided = {}  # a name the library may hold -> the herbs it counts as
    for row in tsv_rows(folder / "药名决定.tsv"):
        if len(row) >= 2 and row[1].strip():
            # "（未识别，保留原名）": the name is kept as written.
            target = row[0] if row[1].startswith("（") else row[1]
            standards = [s.strip() for s in target.split("、") if s.strip()]
            decided[row[0].strip()] = standards
            for s in standards:
                decided.setdefault(s, [s])
    unresolved = folder / "未识别药名.tsv"
    if unresolved.exists():
        for row in tsv_rows(unresolved):
            decided.setdefault(row[0].strip(), [row[0].strip()])
    longest = max(map(len, decided), default=0)

    expected, unknown = Counter(), Counter()
    for line in read_text(folder / "Fangji.DB").splitlines():
        fields = line.split("\t")
        if len(fields) < 2 or not line.strip():
            continue
        herbs = set()
        for item in mentions(fields[1]):
            for n in range(min(len(item), longest), 0, -1):
                if item[:n] in decided:
                    herbs.update(decided[item[:n]])
                    break
            else:
                unknown[item] += 1
        expected.update(herbs)

    counted = {}
    for line in read_text(frequency).splitlines():
        fields = line.strip().split("\t")
        if len(fields) == 2 and fields[1].isdigit():
            counted[fields[0]] = int(fields[1])
    complete = len(counted) >= len(expected)
    wrong = 0
    for herb in sorted(set(counted) | (set(expected) if complete else set())):
        if counted.get(herb) != expected.get(herb):
            wrong += 1
            print(f"{herb}\t分析 {counted.get(herb, 0)}\t导入决定 {expected.get(herb, 0)}")
    for item, n in unknown.items():
        print(f"（组成项不含已决定的药名：{item}，{n} 首）")
    print(f"{len(counted)} 味药核对，{wrong} 味不符"
          + ("" if complete else f"（输出只列出 {len(counted)} 味，共 {len(expected)} 味）"))
    return 1 if wrong or unknown else 0


if __name__ == "__main__":
    sys.exit(main())
