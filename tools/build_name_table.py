"""Writes DB/药名对照.tsv, the name dictionary the prescription import starts from.

It gathers the classical names (classical_names.tsv), the variant characters used in herb
names (variant_chars.tsv), the merged source names (herb_merges.tsv), the names and old forms
of each drug (herb_aliases.tsv), the short forms prescriptions write with the drug decided for
each (short_forms.tsv) and the curated clinical aliases (clinical_aliases.tsv). The herb names
of DB/Herb_Name.DB are read by the program itself, so they are not repeated here. The result
is a plain UTF-8 table a user may edit. tools/build_data.py writes it with the other files;

    python3 tools/build_name_table.py [OUT]

writes it alone (OUT defaults to data/DB/药名对照.tsv).
"""

import collections
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from pinyin import read_table  # noqa: E402

FILE_NAME = "药名对照.tsv"
OUT = os.path.join(HERE, "..", "data", "DB", FILE_NAME)


def rows():
    """(written, standard, kind, origin) in the order the program reads them."""
    out = []
    for old, new, *rest in read_table(os.path.join(HERE, "classical_names.tsv")):
        out.append((old, new, "别名", "古今药名对照"))
    for variant, standard, scope in read_table(os.path.join(HERE, "variant_chars.tsv")):
        if scope == "药名":
            out.append((variant, standard, "异体字", "药名异体字表"))
    for source, name, *rest in read_table(os.path.join(HERE, "herb_merges.tsv")):
        out.append((source, name, "别名", "来源合并表"))
    for written, standard, kind, *rest in read_table(os.path.join(HERE, "herb_aliases.tsv")):
        out.append((written, standard, "别名", "药名别名表：" + kind))
    for written, standard, reason in read_table(os.path.join(HERE, "short_forms.tsv")):
        out.append((written, standard, "别名", "简写：" + reason))
    for written, standard, kind, note in read_table(os.path.join(HERE, "clinical_aliases.tsv")):
        out.append((written, standard, kind, "常用处方名：" + note))
    return out


def write(path=OUT):
    """Writes the table; returns the number of lines of each kind. A name given two different
    meanings by two tables is an error, not a silent choice."""
    seen = {}
    kept = []
    for row in rows():
        if row[0] in seen:
            if seen[row[0]] != row[1]:
                raise ValueError("%s means %s in one table and %s in another"
                                 % (row[0], seen[row[0]], row[1]))
            continue
        seen[row[0]] = row[1]
        kept.append(row)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("# 药名对照：写法 → 标准名。类别：别名、异体字（单字替换）、多药（一名代表几味药，"
                "用“、”分开）、新药（药名库未收的药）、用户（导入时的决定）。\n"
                "# 可以用任何文本编辑器增删，保存为 UTF-8；以 # 开头的行是说明。\n")
        f.write("写法\t标准名\t类别\t来源\n")
        for row in kept:
            f.write("\t".join(row) + "\n")
    return collections.Counter(r[2] for r in kept)


if __name__ == "__main__":
    write(sys.argv[1] if len(sys.argv) > 1 else OUT)
