"""Writes data/DB/药名对照.tsv, the name dictionary the prescription import starts from.

It gathers the classical names (classical_names.tsv), the variant characters used in herb
names (variant_chars.tsv), the merged source names (herb_merges.tsv) and the curated clinical
aliases (clinical_aliases.tsv).  The herb names of DB/Herb_Name.DB are read by the program
itself, so they are not repeated here.  The result is a plain UTF-8 table a user may edit.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from pinyin import read_table  # noqa: E402

OUT = os.path.join(HERE, "..", "data", "DB", "药名对照.tsv")


def main():
    rows = [("写法", "标准名", "类别", "来源")]
    for old, new, *rest in read_table(os.path.join(HERE, "classical_names.tsv")):
        rows.append((old, new, "别名", "古今药名对照"))
    for variant, standard, scope in read_table(os.path.join(HERE, "variant_chars.tsv")):
        if scope == "药名":
            rows.append((variant, standard, "异体字", "药名异体字表"))
    for source, name, *rest in read_table(os.path.join(HERE, "herb_merges.tsv")):
        rows.append((source, name, "别名", "来源合并表"))
    for written, standard, kind, note in read_table(os.path.join(HERE, "clinical_aliases.tsv")):
        rows.append((written, standard, kind, "常用处方名：" + note))
    seen = set()
    with open(OUT, "w", encoding="utf-8", newline="\n") as f:
        f.write("# 药名对照：写法 → 标准名。类别：别名、异体字（单字替换）、多药（一名代表几味药，"
                "用“、”分开）、新药（药名库未收的药）、用户（导入时的决定）。\n"
                "# 可以用任何文本编辑器增删，保存为 UTF-8；以 # 开头的行是说明。\n")
        for row in rows:
            if row[0] in seen:
                continue
            seen.add(row[0])
            f.write("\t".join(row) + "\n")


if __name__ == "__main__":
    main()
