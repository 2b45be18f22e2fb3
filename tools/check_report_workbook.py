#!/usr/bin/python3
"""Checks a report workbook as a reader would open it: sheet names say what they hold (no
repeated name with a number), a table sheet holds as many rows as the result file it comes from,
and every chart names every category (no label skipped).

    check_report_workbook.py 分析报告.xlsx [SHEET=RESULT.csv ...]

Exits 1 and prints what is wrong."""

import csv
import re
import sys
import zipfile

import openpyxl


def data_rows(sheet):
    # Row 1 is the table's caption, row 2 its header.
    return sum(1 for row in sheet.iter_rows(min_row=3, values_only=True) if any(v is not None for v in row))


def csv_rows(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = [r for r in csv.reader(f) if r and not r[0].startswith("# ")]
    return len(rows) - 1  # less the header


def main(args):
    problems = []
    book = openpyxl.load_workbook(args[0], read_only=True)
    for name in book.sheetnames:
        if re.search(r"[（(]\d+[）)]$", name):
            problems.append(f"sheet {name}: a repeated name with a number")
    for pair in args[1:]:
        sheet, path = pair.split("=", 1)
        if sheet not in book.sheetnames:
            problems.append(f"no sheet {sheet}")
            continue
        got, want = data_rows(book[sheet]), csv_rows(path)
        if got != want:
            problems.append(f"sheet {sheet}: {got} rows, {path} has {want}")
    with zipfile.ZipFile(args[0]) as z:
        charts = [n for n in z.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n)]
        for n in charts:
            xml = z.read(n).decode("utf-8")
            if "<c:radarChart>" in xml:
                continue
            if '<c:tickLblSkip val="1"/>' not in xml:
                problems.append(f"{n}: the category axis may skip labels")
    for p in problems:
        print(p)
    print(f"{len(book.sheetnames)} sheets, {len(charts)} charts, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
