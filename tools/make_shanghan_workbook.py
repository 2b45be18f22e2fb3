#!/usr/bin/python3
"""Writes a workbook of the formulas in the raw Shanghan Lun clauses, for measuring the import.

Usage: make_shanghan_workbook.py CLAUSES.jsonl OUT.xlsx

Each formula block of a clause becomes a row: its name, its composition line as printed (the
small-character notes after each herb, <l>…</l> in the corpus, put in brackets; herbs apart by
the ideographic blank) and the clause's text as the indications. The text stays in traditional
script with the doses as written; nothing is corrected.
"""

import json
import re
import sys

from openpyxl import Workbook


def composition_line(raw):
    for line in raw.split("\n"):
        if "<l>" in line:
            return re.sub(r"<(\w+)>(.*?)</\1>", r"（\2）", line).strip()
    return ""


def main(source, out):
    book = Workbook()
    sheet = book.active
    sheet.title = "傷寒論方"
    sheet.append(["方名", "組成", "主治", "條文"])
    with open(source, encoding="utf-8") as f:
        for line in f:
            clause = json.loads(line)
            for block in clause.get("formula_blocks", []):
                sheet.append([block.get("formula_name", ""),
                              composition_line(block.get("raw_text", "")),
                              clause.get("original_text", ""), clause.get("clause_id", "")])
    book.save(out)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
