#!/usr/bin/env python3
"""Prints what a workbook holds, for the tests: one line per sheet and per cell, TAB-separated.

sheet NAME FREEZE CHARTS FORMULAS IMAGES   (FORMULAS: <f> elements in the sheet's XML)
cell ROW COL TYPE FORMAT BOLD TOP BOTTOM VALUE   (1-based; TOP/BOTTOM: border styles)
end   (the last line: output cut short by the caller's limit lacks it)
Exit status 3 when openpyxl is missing.
"""
import re
import sys
import warnings
import zipfile

try:
    import openpyxl
except ImportError:
    print("python3-openpyxl is not installed")
    sys.exit(3)

warnings.simplefilter("ignore")


def esc(text):
    return str(text).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


path = sys.argv[1]
book = openpyxl.load_workbook(path)
with zipfile.ZipFile(path) as z:
    sheet_xml = {}
    rels = z.read("xl/_rels/workbook.xml.rels").decode()
    wb = z.read("xl/workbook.xml").decode()
    targets = dict(re.findall(r'Id="(rId\d+)"[^>]*Target="([^"]+)"', rels))
    targets.update({k: v for v, k in re.findall(r'Target="([^"]+)"[^>]*Id="(rId\d+)"', rels)})
    for name, rid in re.findall(r'<sheet name="([^"]*)"[^>]*r:id="(rId\d+)"', wb):
        xml = z.read("xl/" + targets[rid].lstrip("/").replace("xl/", "", 1)).decode()
        # Pictures: <xdr:pic> elements of the sheet's drawing (openpyxl reads them only with
        # Pillow installed).
        pictures = 0
        sheet_path = "xl/" + targets[rid].lstrip("/").replace("xl/", "", 1)
        rels_path = sheet_path.replace("worksheets/", "worksheets/_rels/") + ".rels"
        if rels_path in z.namelist():
            for target in re.findall(r'Target="([^"]*drawing[^"]*)"', z.read(rels_path).decode()):
                drawing = "xl/" + target.replace("../", "")
                if drawing in z.namelist():
                    pictures += len(re.findall(r"<xdr:pic>", z.read(drawing).decode()))
        sheet_xml[name] = (len(re.findall(r"<f[ >]", xml)), pictures)
for ws in book.worksheets:
    import html
    formulas, pictures = next(
        (v for k, v in sheet_xml.items() if html.unescape(k) == ws.title), (-1, -1))
    print("\t".join(["sheet", esc(ws.title), str(ws.freeze_panes), str(len(ws._charts)),
                     str(formulas), str(pictures)]))
    for row in ws.iter_rows():
        for c in row:
            if c.value is None and c.border.top.style is None and c.border.bottom.style is None:
                continue
            value = repr(c.value) if isinstance(c.value, float) else c.value
            print("\t".join(["cell", str(c.row), str(c.column), c.data_type, c.number_format,
                             "1" if c.font.b else "0", str(c.border.top.style),
                             str(c.border.bottom.style), esc("" if value is None else value)]))
print("end")
