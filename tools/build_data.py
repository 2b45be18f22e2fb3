#!/usr/bin/env python3
"""Builds the shipped sample DB folder from the public raw sources.

    python3 tools/build_data.py [SOURCES] [--out DATA_DB_DIR]

SOURCES defaults to ../shared/sources beside the repository; the output
defaults to data/DB of the repository.  Needs Python 3 and the `opencc`
command (Debian package opencc) for traditional -> simplified script.
The output is byte-for-byte reproducible from the same sources.
"""

import argparse
import collections
import json
import os
import re
import subprocess
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tcm_rules  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

HERB_TYPES = (
    "辛温解表药,辛凉解表药,清热泻火药,清热燥湿药,清热解毒药,清热凉血药,清虚热药,"
    "攻下药,润下药,通水药,祛风湿散寒药,祛风湿清热药,祛风湿筋骨药,化湿药,利水渗湿药,"
    "温里药,理气药,消食药,驱虫药,凉血止血药,收敛止血药,化瘀止血药,温经止血药,"
    "活血祛瘀药,化痰药,止咳平喘药,安神药,平肝熄风药,开窍药,补气药,补血药,补阴药,"
    "补阳药,收涩药,涌吐药,解毒杀虫燥湿止痒药,拔毒化腐生肌药").split(",")

# Classical names used by the Shanghan Lun formulas -> the modern herb that the
# herb sources list.  Only names that are not themselves a herb of the sources.
CLASSICAL_NAMES = {
    "芍药": "白芍",
    "杏仁": "苦杏仁",
    "香豉": "淡豆豉",
    "栝蒌实": "瓜蒌",
    "栝蒌根": "天花粉",
    "贝母": "川贝母",
    "大戟": "京大戟",
    "生地黄": "地黄",
    "麦门冬": "麦冬",
    "麻仁": "火麻仁",
    "麻子仁": "火麻仁",
    "食蜜": "蜂蜜",
    "茵陈蒿": "茵陈",
    "肥栀子": "栀子",
    "连轺": "连翘",
    "猪胆汁": "猪胆粉",
    "黄檗": "黄柏",
    "蜀椒": "花椒",
    "天门冬": "天冬",
    "商陆根": "商陆",
}

# Formula headings of the corpus that are not the name the clauses use.
FORMULA_NAME_FIXES = {
    "桂技甘草湯": "桂枝甘草湯",          # misprint of 枝; the clause says 桂枝甘草湯主之
    "真武湯方（附加減法）": "真武湯",     # heading carries a note, not part of the name
    "禹餘糧方闕": "禹餘糧丸",            # the clause says 與禹餘糧丸; the recipe is lost
}

CN_DIGITS = {"一": 1, "二": 2, "三": 3, "四": 4, "五": 5, "六": 6, "七": 7,
             "八": 8, "九": 9}

# Units the program's composition clean-up knows after a number.
KNOWN_UNITS = ["两", "分", "铢", "升", "合", "斤", "枚", "个"]
# Units it does not know: such a dose is kept inside the bracketed note.
OTHER_UNITS = ["钱匕", "尺", "把", "茎"]
UNIT_ALIASES = {"株": "铢"}  # 十八株 is a misprint of 十八铢 in the corpus

_NUM = "[一二三四五六七八九十百]+"
_UNIT = "钱匕|两|分|铢|株|升|合|斤|枚|个|尺|把|茎"
_DOSE_RE = re.compile(
    r"^(?P<each>各)?(?P<big>大者)?"
    r"(?:(?P<n1>%s)(?P<u1>%s)(?P<half>半)?(?:(?P<n2>%s)(?P<u2>%s))?"
    r"|半(?P<hu>%s))$" % (_NUM, _UNIT, _NUM, _UNIT, _UNIT))

INCHIKEY_RE = re.compile(r"\b([A-Z]{14}-[A-Z]{10}-[A-Z])\b")
CID_RE = re.compile(r"PubChem(?: CID)? (\d+)")


# --------------------------------------------------------------------------
# text helpers

def to_simplified(texts):
    """Converts a list of one-line texts to simplified script with opencc."""
    texts = list(texts)
    if not texts:
        return []
    for t in texts:
        if "\n" in t or "\r" in t:
            raise ValueError("line break in text for opencc: %r" % t[:40])
    res = subprocess.run(["opencc", "-c", "t2s.json"], input="\n".join(texts) + "\n",
                         capture_output=True, text=True, encoding="utf-8", check=True)
    out = res.stdout.split("\n")
    if out and out[-1] == "":
        out.pop()
    if len(out) != len(texts):
        raise RuntimeError("opencc returned %d lines for %d" % (len(out), len(texts)))
    return [keep_gbk_original(t, s) for t, s in zip(texts, out)]


def keep_gbk_original(trad, simp):
    """Where opencc yields a character GBK cannot hold (憹 -> U+22650) but the
    traditional one is in GBK, keeps the traditional one."""
    if len(trad) != len(simp):
        return simp
    out = []
    for t, s in zip(trad, simp):
        if s != t and not _in_gbk(s) and _in_gbk(t):
            out.append(t)
        else:
            out.append(s)
    return "".join(out)


def _in_gbk(ch):
    try:
        ch.encode("gbk")
        return True
    except UnicodeEncodeError:
        return False


class SafeText:
    """Makes field text storable in GBK and TAB-free, counting every change."""

    def __init__(self):
        self.count = 0
        self.examples = collections.Counter()

    def __call__(self, text):
        out = []
        for ch in text:
            if ch in "\t\r\n":
                self._note(ch)
                out.append(" ")
                continue
            try:
                ch.encode("gbk")
                out.append(ch)
                continue
            except UnicodeEncodeError:
                pass
            self._note(ch)
            out.append(_gbk_fallback(ch))
        return "".join(out)

    def _note(self, ch):
        self.count += 1
        self.examples["U+%04X" % ord(ch)] += 1


_GBK_LOOKALIKES = {"\u2212": "-", "\u2010": "-", "\u2011": "-"}


def _gbk_fallback(ch):
    if ch in _GBK_LOOKALIKES:
        return _GBK_LOOKALIKES[ch]
    if unicodedata.category(ch) == "Cf":      # soft hyphen, zero-width marks
        return ""
    for form in ("NFKC", "NFKD"):
        cand = "".join(c for c in unicodedata.normalize(form, ch)
                       if not unicodedata.combining(c))
        if cand and cand != ch:
            try:
                cand.encode("gbk")
                return cand
            except UnicodeEncodeError:
                pass
    return "?"


def write_gbk(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = "".join(line + "\r\n" for line in lines).encode("gbk")
    with open(path, "wb") as f:
        f.write(data)


def read_tsv(path):
    with open(path, encoding="utf-8", newline="") as f:
        rows = [line.rstrip("\r\n").split("\t") for line in f]
    return rows[0], rows[1:]


def field(row, header, name):
    i = header.index(name)
    return row[i].strip() if i < len(row) else ""


# --------------------------------------------------------------------------
# formulas

def cn_number(text):
    """Chinese numeral below 1000 (一 … 九百九十九) -> int."""
    total = 0
    digit = None
    for ch in text:
        if ch in CN_DIGITS:
            digit = CN_DIGITS[ch]
        elif ch == "十":
            total += (digit or 1) * 10
            digit = None
        elif ch == "百":
            total += (digit or 1) * 100
            digit = None
        else:
            raise ValueError("not a Chinese numeral: %r" % text)
    return total + (digit or 0)


def _fmt(value):
    return str(int(value)) if value == int(value) else ("%g" % value)


def parse_dose(segment):
    """A dose segment such as 三两, 一两半, 半升, 各十八铢, 大者一枚 ->
    (dose text with Arabic numerals, unit known to the program?, each?, note)
    or None when the segment is not a plain dose."""
    m = _DOSE_RE.match(segment)
    if not m:
        return None
    if m.group("hu"):
        text = "0.5" + UNIT_ALIASES.get(m.group("hu"), m.group("hu"))
        unit = m.group("hu")
    else:
        value = cn_number(m.group("n1")) + (0.5 if m.group("half") else 0)
        unit = UNIT_ALIASES.get(m.group("u1"), m.group("u1"))
        text = _fmt(value) + unit
        if m.group("n2"):
            unit2 = UNIT_ALIASES.get(m.group("u2"), m.group("u2"))
            text += str(cn_number(m.group("n2"))) + unit2
            if unit2 not in KNOWN_UNITS:
                unit = unit2
    unit = UNIT_ALIASES.get(unit, unit)
    return text, unit in KNOWN_UNITS, bool(m.group("each")), ("大者" if m.group("big") else "")


def split_dose_processing(text):
    """Splits the corpus's dose-and-processing text of one herb into
    (dose or "", dose applies to the preceding herbs too, notes, equal parts)."""
    dose = ""
    each = False
    equal_parts = False
    notes = []
    for seg in [s.strip() for s in text.split("，")]:
        if not seg:
            continue
        if seg == "各等分":
            equal_parts = True
            continue
        parsed = None if dose else parse_dose(seg)
        if parsed is None:
            notes.append(seg)
            continue
        dose_text, known_unit, seg_each, big = parsed
        each = each or seg_each
        if big:
            notes.append(big)
        if known_unit:
            dose = dose_text
        else:
            # A unit the program does not strip would stay glued to the herb
            # name, so the dose is kept as a note.
            notes.append(dose_text)
    return dose, each, notes, equal_parts


def format_composition(items):
    """items: (herb, dose_processing) in simplified script -> composition text.

    Doses given once for a group (…各三两) go to every herb of the group,
    i.e. the herbs just before it that have no dose of their own."""
    parsed = [(herb,) + split_dose_processing(dp) for herb, dp in items]
    doses = [p[1] for p in parsed]
    for i, (_, dose, each, _, _) in enumerate(parsed):
        if each and dose:
            j = i - 1
            while j >= 0 and not doses[j] and not parsed[j][4]:
                doses[j] = dose
                j -= 1
    parts = []
    for (herb, _, _, notes, equal_parts), dose in zip(parsed, doses):
        note = "，".join(n.replace("（", "〔").replace("）", "〕") for n in notes)
        parts.append(herb + ("（" + note + "）" if note else "") + dose
                     + ("各等分" if equal_parts else ""))
    return "，".join(parts) + "。"


_MARKUP_NOTE = re.compile(r"<j>.*?</j>")
_MARKUP_TAG = re.compile(r"</?[a-z]+>|\*\*")


def clause_text(original_text):
    """Clause text without collation notes, markup or the appended remarks."""
    text = original_text.split("\n")[0]
    text = _MARKUP_NOTE.sub("", text)
    text = _MARKUP_TAG.sub("", text)
    return text.strip()


def lost_recipe_note(block):
    """Composition for a formula whose herbs the corpus does not list: the
    recipe line of the source as a bracketed note, or 方阙 when there is none."""
    lines = [l.strip() for l in block.get("raw_text", "").split("\n") if l.strip()]
    body = [l for l in lines if not l.startswith("**")]
    note = body[0].split("。")[0] if body else "方阙"
    return note.replace("（", "〔").replace("）", "〕")


def build_formulas(src, safe):
    clauses = []
    with open(os.path.join(src, "shanghanlun", "clauses.jsonl"), encoding="utf-8") as f:
        for line in f:
            if line.strip():
                clauses.append(json.loads(line))

    formulas = []   # (trad name, clause index, [(herb, dp)] or None, raw block)
    for ci, c in enumerate(clauses):
        for block in c.get("formula_blocks") or []:
            name = FORMULA_NAME_FIXES.get(block["formula_name"], block["formula_name"])
            comp = [(x["herb"], x["dose_processing"]) for x in block["composition"]]
            formulas.append((name, ci, comp, block))

    # Other clauses that give a formula with 主之: the longest formula name
    # that ends right before 主之 is the one meant (小柴胡汤 not 柴胡汤).
    names = sorted({f[0] for f in formulas}, key=len, reverse=True)
    extra = collections.defaultdict(list)
    for ci, c in enumerate(clauses):
        # Auxiliary clauses repeat headings and compositions, not indications.
        if c.get("text_type") != "original_clause":
            continue
        text = clause_text(c["original_text"])
        for m in re.finditer("主之", text):
            before = text[:m.start()]
            for n in names:
                if before.endswith(n):
                    if ci not in extra[n]:
                        extra[n].append(ci)
                    break

    trad = []
    for name, ci, comp, block in formulas:
        cis = [ci] + [x for x in extra[name] if x != ci]
        indication = "".join(clause_text(clauses[x]["original_text"]) for x in cis)
        comp_texts = [h for h, _ in comp] + [d for _, d in comp]
        trad.append((name, indication, comp_texts,
                     lost_recipe_note(block) if not comp else None))

    flat = []
    for name, ind, comp_texts, lost in trad:
        flat += [name, ind] + comp_texts + ([lost] if lost else [])
    simp = iter(to_simplified(flat))

    records = []
    for name, ind, comp_texts, lost in trad:
        s_name, s_ind = next(simp), next(simp)
        s_comp = [next(simp) for _ in comp_texts]
        k = len(s_comp) // 2
        if lost is not None:
            composition = "（" + next(simp) + "）"
        else:
            composition = format_composition(list(zip(s_comp[:k], s_comp[k:])))
        records.append([safe(s_name), safe(composition), safe(s_ind)])
    return records


# --------------------------------------------------------------------------
# herbs

class Herb:
    def __init__(self, name):
        self.name = name
        self.pinyin = ""
        self.type_no = 0
        self.latin = []          # Latin / English names, sources' order
        self.aliases = []        # classical names used by the formulas
        self.materials = []      # TM-MC Latin keys whose compounds it has

    def fields(self):
        names = [self.name] + ([self.pinyin] if self.pinyin else [])
        for n in self.aliases + self.latin:
            if n and n not in names:
                names.append(n)
        return names


def split_material_row(chinese, pinyin):
    """TM-MC rows that join several herbs ("白芍 赤芍", "Baishao Chishao") ->
    [(name, pinyin)].  Extra pinyin words belong to the last name; pinyin is
    written without blanks because a blank separates search keywords."""
    names = chinese.split()
    words = pinyin.split()
    if len(names) == 1:
        return [(names[0], "".join(words))]
    if len(words) > len(names):
        words = words[:len(names) - 1] + ["".join(words[len(names) - 1:])]
    if len(words) != len(names):
        words = [""] * len(names)
    return list(zip(names, words))


def build_herbs(src, safe):
    th, trows = read_tsv(os.path.join(src, "tcmsp", "herbs_data.tsv"))
    mh, mrows = read_tsv(os.path.join(src, "tm-mc", "medicinal_material.tsv"))

    raw = []   # (source, name, pinyin, latin, category, material key)
    for r in trows:
        raw.append(("tcmsp", field(r, th, "herb_cn_name"), field(r, th, "herb_pinyin"),
                    field(r, th, "herb_en_name"), field(r, th, "child_cn_name"), None))
    unnamed_materials = []
    for r in mrows:
        latin = field(r, mh, "LATIN")
        chinese = field(r, mh, "CHINESE") or field(r, mh, "HANJA")
        if not chinese:
            unnamed_materials.append(latin)
            continue
        for name, py in split_material_row(chinese, field(r, mh, "PINYIN")):
            raw.append(("tm-mc", name, py, latin, "", latin))

    simp = to_simplified([x[1] for x in raw])
    herbs = {}
    for (source, _, py, latin, cat, key), name in zip(raw, simp):
        name = safe(name.strip())
        h = herbs.setdefault(name, Herb(name))
        if py and (not h.pinyin or source == "tcmsp"):
            h.pinyin = safe(py)
        if latin and latin not in h.latin:
            h.latin.append(safe(latin))
        if cat in HERB_TYPES and not h.type_no:
            h.type_no = HERB_TYPES.index(cat) + 1
        if key and key not in h.materials:
            h.materials.append(key)

    for classical, modern in sorted(CLASSICAL_NAMES.items()):
        if classical in herbs:
            raise ValueError("classical name %s is itself a herb" % classical)
        if modern not in herbs:
            raise ValueError("classical name %s maps to unknown herb %s" % (classical, modern))
        herbs[modern].aliases.append(classical)

    ordered = sorted(herbs.values(),
                     key=lambda h: (h.pinyin == "", h.pinyin.lower(), h.name))
    return ordered, unnamed_materials


def herb_name_lines(herbs):
    lines = ["编号\t类型\t中药名\t拼音\t其他名称"]
    for pos, h in enumerate(herbs, start=1):
        # The trailing TAB lets the TAB+name+TAB lookup find the last name too.
        lines.append("%d\t%d\t%s\t" % (pos, h.type_no, "\t".join(h.fields())))
    if len(lines) > 32768:
        raise ValueError("too many herbs for 16-bit herb numbers")
    return lines


# --------------------------------------------------------------------------
# compounds and links

def build_compounds(src, safe):
    ch, crows = read_tsv(os.path.join(src, "tm-mc", "chemical_property.tsv"))
    lh, lrows = read_tsv(os.path.join(src, "tm-mc", "medicinal_compound.tsv"))

    name_counts = collections.defaultdict(collections.Counter)
    first_seen = {}
    for i, r in enumerate(lrows):
        cid, cname = field(r, lh, "ID"), field(r, lh, "COMPOUND")
        if cname:
            name_counts[cid][cname] += 1
            first_seen.setdefault((cid, cname), i)

    compounds = {}
    for r in crows:
        cid = int(field(r, ch, "ID"))
        if not -2**31 <= cid < 2**31:
            raise ValueError("compound id out of range: %d" % cid)
        counts = name_counts.get(str(cid))
        if counts:
            # The name most reports use; ties go to the earliest report.
            name = min(counts, key=lambda n: (-counts[n], first_seen[(str(cid), n)]))
        else:
            name = "TM-MC %d" % cid
        compounds[cid] = {
            "name": safe(name).strip() or "TM-MC %d" % cid,
            "smiles": field(r, ch, "SMILES"),
            "inchikey": field(r, ch, "INCHIKEY"),
            "pubchem": field(r, ch, "CID"),
        }
    return compounds, lh, lrows


def compound_lines(compounds):
    lines = []
    for cid in sorted(compounds):
        c = compounds[cid]
        for v in (c["smiles"], c["inchikey"]):
            if not v or "\t" in v or not v.isascii():
                raise ValueError("bad structure field of compound %d" % cid)
        lines.append("%d\t%s\t%s\t%s" % (cid, c["name"], c["smiles"], c["inchikey"]))
    return lines


def link_lines(herbs, compounds, lh, lrows):
    by_material = collections.defaultdict(list)
    for pos, h in enumerate(herbs, start=1):
        for key in h.materials:
            by_material[key].append(pos)
    per_herb = collections.defaultdict(list)
    seen = set()
    dropped = collections.Counter()
    for r in lrows:
        latin, cid_text = field(r, lh, "LATIN"), field(r, lh, "ID")
        cid = int(cid_text) if cid_text.lstrip("-").isdigit() else None
        if cid is None or cid not in compounds:
            dropped["compound without structure"] += 1
            continue
        if latin not in by_material:
            dropped["material without Chinese name"] += 1
            continue
        for pos in by_material[latin]:
            if (pos, cid) not in seen:
                seen.add((pos, cid))
                per_herb[pos].append(cid)
    lines = []
    for pos in sorted(per_herb):
        if len(per_herb[pos]) > 32767:
            raise ValueError("herb %d has too many links" % pos)
        lines += ["%d\t%d" % (pos, cid) for cid in per_herb[pos]]
    return lines, dropped


# --------------------------------------------------------------------------
# reference sets

def normalise_compound_name(name):
    name = name.strip().lower()
    for word, letter in (("alpha-", "α-"), ("beta-", "β-"), ("gamma-", "γ-"),
                         ("delta-", "δ-")):
        if name.startswith(word):
            name = letter + name[len(word):]
    return name


def compound_resolver(compounds, lh, lrows):
    """English name / InChIKey / PubChem CID of a literature row -> compound id."""
    by_name = collections.defaultdict(collections.Counter)
    names_of = collections.defaultdict(set)
    for r in lrows:
        cid_text = field(r, lh, "ID")
        if cid_text.isdigit() and int(cid_text) in compounds:
            name = normalise_compound_name(field(r, lh, "COMPOUND"))
            by_name[name][int(cid_text)] += 1
            names_of[int(cid_text)].add(name)

    def isomer_clash(name, cid):
        # TM-MC sometimes files two isomers ("saikosaponin A", "saikosaponin D")
        # under one structure; that structure stands only for its main name.
        if name == normalise_compound_name(compounds[cid]["name"]):
            return False
        stem, _, tag = name.rpartition(" ")
        return bool(stem) and len(tag) <= 3 and any(
            other.rpartition(" ")[0] == stem and other != name for other in names_of[cid])
    by_key = {}
    by_pubchem = {}
    for cid in sorted(compounds):
        by_key.setdefault(compounds[cid]["inchikey"], cid)
        if compounds[cid]["pubchem"]:
            by_pubchem.setdefault(compounds[cid]["pubchem"], cid)

    def resolve(english, key_text):
        # The name comes first: the literature's own structure notes disagree
        # between copies, the compound table is the one structure source.
        name = normalise_compound_name(english)
        hits = {c: n for c, n in by_name.get(name, {}).items() if not isomer_clash(name, c)}
        if hits:
            return min(hits, key=lambda c: (-hits[c], c)), "name"
        for key in INCHIKEY_RE.findall(key_text or ""):
            if key in by_key:
                return by_key[key], "InChIKey"
        for num in CID_RE.findall(key_text or "") + ([key_text] if (key_text or "").isdigit() else []):
            if num in by_pubchem:
                return by_pubchem[num], "PubChem CID"
        return None, None

    return resolve


def http_addresses(text):
    return [a for a in re.split(r"[\s;；]+", text or "") if re.match(r"https?://", a)]


def build_references(src, compounds, resolve, safe):
    lit = os.path.join(src, "literature")
    result = {}
    unmatched = {}

    h, rows = read_tsv(os.path.join(lit, "anticancer.tsv"))
    lines, missing = [], []
    for r in rows:
        english = field(r, h, "English_name")
        cid, _ = resolve(english, field(r, h, "PubChem_CID_or_InChIKey"))
        if cid is None:
            missing.append(english)
            continue
        npact = field(r, h, "NPACT_ID")
        npact = npact if npact.isdigit() else ""   # never made up
        reference = " ".join([field(r, h, "参考文献")] + http_addresses(field(r, h, "参考文献URL")))
        c = compounds[cid]
        lines.append("\t".join([c["smiles"], npact, c["inchikey"], safe(english),
                                safe(field(r, h, "成分中文名")), safe(reference)]))
    result["anticancer"], unmatched["anticancer"] = lines, missing

    h, rows = read_tsv(os.path.join(lit, "anti_influenza.tsv"))
    lines, missing = [], []
    for r in rows:
        english = field(r, h, "English_name")
        cid, _ = resolve(english, field(r, h, "PubChem_CID_or_InChIKey"))
        if cid is None:
            missing.append(english)
            continue
        urls = http_addresses(field(r, h, "参考文献URL"))
        addresses = "".join("[%d]%s" % (i, u) for i, u in enumerate(urls, start=1))
        c = compounds[cid]
        lines.append("\t".join([c["smiles"], safe(field(r, h, "中药名")),
                                safe(field(r, h, "成分中文名")), safe(english),
                                safe(field(r, h, "抗流感活性")), safe(field(r, h, "参考文献")),
                                addresses, c["inchikey"]]))
    result["anti_influenza"], unmatched["anti_influenza"] = lines, missing
    return result, unmatched


# --------------------------------------------------------------------------

def unresolved_formula_herbs(formula_records, herb_lines):
    names = []
    for rec in formula_records:
        for n in tcm_rules.herb_names(rec[1]):
            if n not in names:
                names.append(n)
    return [n for n in names if tcm_rules.herb_id_by_name(herb_lines, n) < 1]


def check_compositions(formula_records):
    problems = []
    for rec in formula_records:
        for n in tcm_rules.herb_names(rec[1]):
            why = tcm_rules.unclean_reason(n)
            if why:
                problems.append("%s: herb name %r %s" % (rec[0], n, why))
    return problems


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("sources", nargs="?",
                    default=os.path.join(os.path.dirname(REPO), "shared", "sources"))
    ap.add_argument("--out", default=os.path.join(REPO, "data", "DB"))
    args = ap.parse_args(argv)
    src, out = args.sources, args.out

    safe = SafeText()
    formulas = build_formulas(src, safe)
    problems = check_compositions(formulas)
    if problems:
        for p in problems:
            print("unclean composition:", p, file=sys.stderr)
        return 1

    herbs, unnamed = build_herbs(src, safe)
    herb_lines = herb_name_lines(herbs)
    compounds, lh, lrows = build_compounds(src, safe)
    links, dropped = link_lines(herbs, compounds, lh, lrows)
    resolve = compound_resolver(compounds, lh, lrows)
    refs, unmatched = build_references(src, compounds, resolve, safe)
    unresolved = unresolved_formula_herbs(formulas, herb_lines)

    write_gbk(os.path.join(out, "Fangji.DB"), ["\t".join(r) for r in formulas])
    write_gbk(os.path.join(out, "Herb_Name.DB"), herb_lines)
    write_gbk(os.path.join(out, "Herb_Compound.DB"), links)
    write_gbk(os.path.join(out, "Compound.DB"), compound_lines(compounds))
    write_gbk(os.path.join(out, "Ref", "抗癌天然产物.DB"), refs["anticancer"])
    write_gbk(os.path.join(out, "Ref", "抗流感天然产物.DB"), refs["anti_influenza"])

    typed = sum(1 for h in herbs if h.type_no)
    print("Build report (sources: %s)" % src)
    print("  formulas:                 %d" % len(formulas))
    print("  herbs:                    %d (line 0 is the column-title line)" % len(herbs))
    print("  typed herbs (1-37):       %d" % typed)
    print("  herbs without pinyin:     %d" % sum(1 for h in herbs if not h.pinyin))
    print("  herb-compound links:      %d" % len(links))
    for why, n in sorted(dropped.items()):
        print("    source links skipped, %s: %d" % (why, n))
    if unnamed:
        print("    TM-MC materials without any Chinese name: %s" % ", ".join(unnamed))
    print("  compounds:                %d" % len(compounds))
    print("  anticancer lines:         %d (no structure for: %s)"
          % (len(refs["anticancer"]), ", ".join(unmatched["anticancer"]) or "none"))
    print("  anti-influenza lines:     %d (no structure for: %s)"
          % (len(refs["anti_influenza"]), ", ".join(unmatched["anti_influenza"]) or "none"))
    print("  unresolved herb names:    %d (%s)" % (len(unresolved), "、".join(unresolved)))
    print("  characters made safe:     %d (%s)" % (
        safe.count, ", ".join("%s x%d" % kv for kv in sorted(safe.examples.items()))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
