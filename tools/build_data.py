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
import build_name_table  # noqa: E402
import pinyin  # noqa: E402
import tcm_rules  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

HERB_TYPES = (
    "辛温解表药,辛凉解表药,清热泻火药,清热燥湿药,清热解毒药,清热凉血药,清虚热药,"
    "攻下药,润下药,通水药,祛风湿散寒药,祛风湿清热药,祛风湿筋骨药,化湿药,利水渗湿药,"
    "温里药,理气药,消食药,驱虫药,凉血止血药,收敛止血药,化瘀止血药,温经止血药,"
    "活血祛瘀药,化痰药,止咳平喘药,安神药,平肝熄风药,开窍药,补气药,补血药,补阴药,"
    "补阳药,收涩药,涌吐药,解毒杀虫燥湿止痒药,拔毒化腐生肌药").split(",")

TOOLS = os.path.dirname(os.path.abspath(__file__))


def curated(name):
    """Rows of a curated table of tools/ (TAB-separated, '#' comment lines,
    one title line)."""
    return pinyin.read_table(os.path.join(TOOLS, name))


# The curated tables: the type of each herb in the textbook classification,
# classical names of the formulas and the modern herb they mean, herbs no
# source has, records the two sources split, variant characters.
TYPE_TABLE = {r[0]: r[1] for r in curated("herb_types.tsv")}
CLASSICAL_NAMES = {r[0]: r[1] for r in curated("classical_names.tsv")}
EXTRA_HERBS = [(r[0], r[1] if len(r) > 1 else "") for r in curated("herb_extra.tsv")]
HERB_MERGES = {r[0]: r[1] for r in curated("herb_merges.tsv")}
NAME_VARIANTS = {r[0]: r[1] for r in curated("variant_chars.tsv") if r[2] == "药名"}
TEXT_VARIANTS = {r[0]: r[1] for r in curated("variant_chars.tsv") if r[2] == "主治"}
# Nature, flavours, meridians, toxicity and source of each herb; 不详 rows are
# herbs the two references could not confirm.
PROPERTY_TABLE = curated("herb_properties.tsv")
# The numbers herbs have been given (Herb_Name.DB line positions), never changed.
HERB_NUMBERS = [(int(r[0]), r[1]) for r in curated("herb_numbers.tsv")]


def alias_rows():
    """(written, drug, kind, note) of every curated alias: the names prescriptions write
    (clinical_aliases.tsv, its 别名 rows), classical names, old forms and other names
    (herb_aliases.tsv) and the short forms with the decision taken (short_forms.tsv)."""
    rows = []
    for r in curated("herb_aliases.tsv"):
        rows.append((r[0], r[1], r[2], r[3] if len(r) > 3 else ""))
    for r in curated("short_forms.tsv"):
        rows.append((r[0], r[1], "简写", r[2] if len(r) > 2 else ""))
    for r in curated("clinical_aliases.tsv"):
        if r[2] == "别名":
            rows.append((r[0], r[1], "处方名", r[3] if len(r) > 3 else ""))
    return rows


ALIASES = alias_rows()


def fold_name(name):
    return "".join(NAME_VARIANTS.get(ch, ch) for ch in name)


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

def _opencc(texts, config):
    texts = list(texts)
    if not texts:
        return []
    for t in texts:
        if "\n" in t or "\r" in t:
            raise ValueError("line break in text for opencc: %r" % t[:40])
    res = subprocess.run(["opencc", "-c", config], input="\n".join(texts) + "\n",
                         capture_output=True, text=True, encoding="utf-8", check=True)
    out = res.stdout.split("\n")
    if out and out[-1] == "":
        out.pop()
    if len(out) != len(texts):
        raise RuntimeError("opencc returned %d lines for %d" % (len(out), len(texts)))
    return out


def to_simplified(texts):
    """Converts a list of one-line texts to simplified script with opencc."""
    texts = list(texts)
    return [keep_gbk_original(t, s) for t, s in zip(texts, _opencc(texts, "t2s.json"))]


def to_traditional(texts):
    """Traditional script of simplified names: the pinyin dictionary's words
    are traditional."""
    return _opencc(texts, "s2t.json")


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


_SEGMENT = re.compile(r"[^，。；：！？]*[，。；：！？]?")
_ENDS = "，。；：！？"
# A segment that prescribes or names a formula: …汤主之, …汤证, 宜…, 与…汤,
# 可与…, 作…汤与之.
_PRESCRIBES = re.compile(r"[汤散丸](主之|证)|^(宜|可与|不可与|与|当与|先与|复与|更与|作)"
                         r"|[汤散丸]与之")


def pattern_names(formula_names):
    """The clauses call a formula's pattern by its main herb: 桂枝证 for
    桂枝汤, 柴胡证 for 小柴胡汤."""
    return {re.sub("^[大小]", "", n)[:-1] + "证" for n in formula_names
            if len(n) > 2 and n[-1] in "汤散丸"}


def family_names(formula_names):
    """The clauses also name a formula by the end of its name: 承气汤 for
    大承气汤 and 小承气汤, 泻心汤 for the 泻心汤 formulas, 白散 for 三物白散."""
    families = set()
    for n in formula_names:
        for i in range(1, len(n) - 1):
            tail = n[i:]
            if tail[-1] in "汤散丸" and (len(tail) >= 3 or tail == "白散"):
                families.add(tail)
    return families


# A segment about taking or giving a decoction: 服汤, 服汤已, 服柴胡汤已, 得汤反剧,
# 当以汤下之.
_TAKES_DECOCTION = re.compile(r"服[^，。；：！？]{0,4}?汤|得汤|以汤")


def clean_indication(text, formula_names):
    """Clause text without the segments (between ，。；：！？) that prescribe or
    name a formula, variant characters folded.  Where a dropped segment ended
    a sentence, the kept text before it ends the sentence instead."""
    named = set(formula_names) | pattern_names(formula_names) | family_names(formula_names)
    out = []
    for seg in _SEGMENT.findall(text):
        body = seg.rstrip(_ENDS)
        if not body:
            continue
        if (any(n in body for n in named) or _PRESCRIBES.search(body)
                or _TAKES_DECOCTION.search(body)):
            if seg.endswith("。") and out and out[-1][-1] in _ENDS:
                out[-1] = out[-1][:-1] + "。"
            continue
        out.append(seg)
    return "".join(TEXT_VARIANTS.get(ch, ch) for ch in "".join(out))


def build_formulas(src, safe, report=None):
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

    # A formula that two clauses prescribe with the same composition is one
    # record whose indications hold both clauses.
    entries = []
    by_key = {}
    for name, ci, comp, block in formulas:
        cis = [ci] + [x for x in extra[name] if x != ci]
        key = (name, tuple(comp))
        if comp and key in by_key:
            kept = entries[by_key[key]]
            kept[1] += [x for x in cis if x not in kept[1]]
            if report is not None:
                report.setdefault("merged formulas", []).append(name)
            continue
        by_key[key] = len(entries)
        entries.append([name, cis, comp, block])
    if report is not None:
        comps = collections.defaultdict(set)
        for name, _, comp, _ in entries:
            comps[name].add(tuple(comp))
        report["same name, other composition"] = sorted(n for n, c in comps.items() if len(c) > 1)

    trad = []
    for name, cis, comp, block in entries:
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
        records.append([safe(s_name), safe(composition), s_ind])
    names = [r[0] for r in records]
    if report is not None:
        report["merged formulas"] = [to_simplified([n])[0] for n in
                                     report.get("merged formulas", [])]
        report["same name, other composition"] = to_simplified(
            report["same name, other composition"])
    for r in records:
        r[2] = safe(clean_indication(r[2], names))
    return records


# --------------------------------------------------------------------------
# herbs

class Herb:
    def __init__(self, name):
        self.name = name
        self.pinyin = ""
        self.pinyin_derived = False
        self.pinyin_added = False
        self.type_no = 0
        self.source_type = 0     # the sources' category, before the curated table
        self.latin = []          # Latin / English names, sources' order
        self.tcmsp_latin = []    # the part of `latin` that TCMSP gives
        self.aliases = []        # other Chinese names the sources use for it
        self.materials = []      # TM-MC Latin keys whose compounds it has
        self.modern = None       # for a classical name: the modern herb it means

    def fields(self):
        # Chinese names first, so that each has a TAB on both sides and the
        # name lookup finds it; the last field is a pinyin or Latin name.
        names = [self.name]
        for n in self.aliases + [self.pinyin] + self.latin:
            if n and n not in names:
                names.append(n)
        return names


def split_material_row(chinese, pinyin_text):
    """TM-MC rows that join several herbs ("白芍 赤芍", "Baishao Chishao") ->
    [(name, pinyin)].  Extra pinyin words belong to the last name; pinyin is
    written without blanks because a blank separates search keywords."""
    names = chinese.split()
    words = pinyin_text.split()
    if len(names) == 1:
        return [(names[0], "".join(words))]
    if len(words) > len(names):
        words = words[:len(names) - 1] + ["".join(words[len(names) - 1:])]
    if len(words) != len(names):
        words = [""] * len(names)
    return list(zip(names, words))


def latin_words(name):
    return frozenset(w for w in re.split(r"[\s.,]+", name.lower())
                     if w and w not in ("et", "seu", "l"))


def drop_copied_latin(herbs):
    """A TCMSP Latin name that shares no word with the herb's TM-MC Latin name
    but is another herb's Latin name was copied from that herb (沉香 with
    乌药's Linderae Radix); the compound source's pharmacopoeial name stays."""
    owners = collections.defaultdict(set)
    for h in herbs.values():
        for n in h.latin:
            owners[latin_words(n)].add(h.name)
    dropped = []
    for h in herbs.values():
        tm = [n for n in h.latin if n not in h.tcmsp_latin]
        if not tm:
            continue
        tm_words = set().union(*(latin_words(n) for n in tm))
        for n in list(h.tcmsp_latin):
            if n in tm or latin_words(n) & tm_words or len(owners[latin_words(n)]) < 2:
                continue
            h.latin.remove(n)
            dropped.append("%s %s" % (h.name, n))
    return sorted(dropped)


def build_herbs(src, safe, speller=None, numbers=None, aliases=None):
    """The herb records in file order, and a report dictionary."""
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
    merged = set()
    for (source, _, py, latin, cat, key), source_name in zip(raw, simp):
        source_name = safe(source_name.strip())
        name = fold_name(source_name)
        name = HERB_MERGES.get(name, name)
        h = herbs.setdefault(name, Herb(name))
        if source_name != name:
            merged.add("%s→%s" % (source_name, name))
            if source_name not in h.aliases:
                h.aliases.append(source_name)
        # A row merged in under another name (紫苏 into 紫苏叶) does not spell
        # the herb; TCMSP's pinyin wins over TM-MC's.
        if py and fold_name(source_name) == name and (not h.pinyin or source == "tcmsp"):
            h.pinyin = safe(py)
        if latin and latin not in h.latin:
            h.latin.append(safe(latin))
            if source == "tcmsp":
                h.tcmsp_latin.append(h.latin[-1])
        if cat in HERB_TYPES and not h.source_type:
            h.source_type = HERB_TYPES.index(cat) + 1
        if key and key not in h.materials:
            h.materials.append(key)
    dropped_latin = drop_copied_latin(herbs)

    for name, latin in EXTRA_HERBS:
        if name in herbs:
            raise ValueError("extra herb %s is a herb of the sources" % name)
        h = herbs[name] = Herb(name)
        if latin:
            h.latin.append(latin)
    for classical, modern in sorted(CLASSICAL_NAMES.items()):
        if classical in herbs:
            raise ValueError("classical name %s is itself a herb" % classical)
        if modern not in herbs:
            raise ValueError("classical name %s maps to unknown herb %s" % (classical, modern))
        herbs[classical] = Herb(classical)
        herbs[classical].modern = modern

    # Types: the textbook classification where it has the herb, else the
    # sources' category; a classical name takes its modern herb's type.
    disagree = []
    for h in herbs.values():
        if h.name in TYPE_TABLE:
            t = TYPE_TABLE[h.name]
            h.type_no = HERB_TYPES.index(t) + 1 if t in HERB_TYPES else 0
            if h.source_type and h.source_type != h.type_no:
                disagree.append(h.name)
        else:
            h.type_no = h.source_type
    for h in herbs.values():
        if h.modern:
            h.type_no = herbs[h.modern].type_no

    alias_report = add_aliases(herbs, ALIASES if aliases is None else aliases)
    missing_pinyin = fill_pinyin(herbs.values(), speller)
    ordered, new_numbers = number_herbs(herbs, HERB_NUMBERS if numbers is None else numbers)
    report = {"unnamed materials": unnamed_materials, "merged": sorted(merged),
              "new numbers": new_numbers, "aliases": alias_report,
              "latin dropped": dropped_latin, "type overrides": sorted(disagree),
              "derived pinyin": sum(1 for h in ordered if h.pinyin_derived),
              "pinyin added": [h.name for h in ordered if h.pinyin_added],
              "pinyin missing": missing_pinyin}
    return ordered, report


def number_herbs(herbs, numbers):
    """The herbs in file order: those of the number table (tools/herb_numbers.tsv) keep their
    numbers, herbs new to it follow in pinyin order. Stored results and users' files refer to
    herbs by number, so a number is never dropped, reused or moved."""
    ordered = []
    for pos, (number, name) in enumerate(numbers, start=1):
        if number != pos:
            raise ValueError("herb number %d of the number table should be %d" % (number, pos))
        if name not in herbs:
            raise ValueError("herb %d %s of the number table is no herb any more; a number "
                             "may not be dropped" % (number, name))
        ordered.append(herbs[name])
    known = {name for _, name in numbers}
    new = sorted((h for h in herbs.values() if h.name not in known),
                 key=lambda h: (h.pinyin.lower(), h.name))
    return ordered + new, [h.name for h in new]


def record_numbers(new_names, first, path=None):
    """Appends the numbers given to new herbs to the number table."""
    path = path or os.path.join(TOOLS, "herb_numbers.tsv")
    with open(path, "a", encoding="utf-8", newline="\n") as f:
        for i, name in enumerate(new_names):
            f.write("%d\t%s\n" % (first + i, name))


def add_aliases(herbs, aliases):
    """Every curated alias (classical and prescription names, old forms, short forms) becomes a
    further name of the drug it means, so that the herb search and the name lookup find it.
    A name that is already a herb's own name (a classical name's record) is left as it is."""
    added, kept = 0, 0
    owner = {}
    for h in herbs.values():
        for n in [h.name] + h.aliases:
            owner.setdefault(n, h.name)
    for written, standard, _, _ in aliases:
        target = herbs.get(standard)
        if target is None:
            # A processed form (炙芪 → 炙黄芪): the name belongs to its drug.
            base = tcm_rules.processed_base(standard, herbs)
            target = herbs.get(base) if base else None
        if target is None or target.modern:
            raise ValueError("alias %s names %s, which is no drug" % (written, standard))
        if written in herbs:
            if herbs[written].modern != target.name:
                raise ValueError("alias %s of %s is the drug %s" % (written, standard, written))
            kept += 1
            continue
        if owner.get(written, target.name) != target.name:
            raise ValueError("alias %s names both %s and %s" % (written, owner[written], standard))
        written.encode("gbk")
        if written not in target.aliases:
            target.aliases.append(written)
            owner[written] = target.name
            added += 1
    return {"further names": added, "classical records": kept}


def fill_pinyin(herbs, speller):
    """Pinyin for every herb that no source spells; returns the names the
    dictionary cannot spell either.  Where a source's pinyin differs from the
    dictionary's reading (Mugau for 木瓜), the reading becomes a further name,
    so that a search for the usual spelling finds the herb."""
    herbs = list(herbs)
    speller = speller or pinyin.Pinyin()
    trad = to_traditional([h.name for h in herbs])
    missing = []
    for h, t in zip(herbs, trad):
        reading = speller.reading(h.name, t)
        if not h.pinyin:
            if reading:
                h.pinyin = reading
                h.pinyin_derived = True
            else:
                missing.append(h.name)
        elif reading and reading.lower() != h.pinyin.lower() and reading not in h.latin:
            h.latin.insert(0, reading)
            h.pinyin_added = True
    return missing


def herb_name_lines(herbs):
    lines = ["编号\t类型\t中药名\t其他名称"]
    for pos, h in enumerate(herbs, start=1):
        lines.append("%d\t%d\t%s" % (pos, h.type_no, "\t".join(h.fields())))
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


def link_lines(herbs, compounds, lh, lrows, literature_links=()):
    """Herb-compound lines: TM-MC's links, then the literature's (a reference
    row names the herb its compound was found in), and a classical name gets
    the links of its modern herb."""
    by_material = collections.defaultdict(list)
    position = {}
    for pos, h in enumerate(herbs, start=1):
        position[h.name] = pos
        for key in h.materials:
            by_material[key].append(pos)
    for pos, h in enumerate(herbs, start=1):
        for alias in h.aliases:
            position.setdefault(alias, pos)
    per_herb = collections.defaultdict(list)
    seen = set()
    dropped = collections.Counter()

    def add(pos, cid):
        if (pos, cid) not in seen:
            seen.add((pos, cid))
            per_herb[pos].append(cid)
            return True
        return False

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
            add(pos, cid)
    added = collections.Counter()
    for name, cid in literature_links:
        pos = position.get(fold_name(name))
        if pos and add(pos, cid):
            added[herbs[pos - 1].name] += 1
    for pos, h in enumerate(herbs, start=1):
        if h.modern:
            for cid in per_herb.get(position[h.modern], []):
                add(pos, cid)
    lines = []
    for pos in sorted(per_herb):
        if len(per_herb[pos]) > 32767:
            raise ValueError("herb %d has too many links" % pos)
        lines += ["%d\t%d" % (pos, cid) for cid in per_herb[pos]]
    return lines, dropped, added


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
    herb_links = []

    h, rows = read_tsv(os.path.join(lit, "anticancer.tsv"))
    lines, missing = [], []
    for r in rows:
        english = field(r, h, "English_name")
        cid, _ = resolve(english, field(r, h, "PubChem_CID_or_InChIKey"))
        if cid is None:
            missing.append(english)
            continue
        herb_links.append((field(r, h, "中药名"), cid))
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
        herb_links.append((field(r, h, "中药名"), cid))
        urls = http_addresses(field(r, h, "参考文献URL"))
        addresses = "".join("[%d]%s" % (i, u) for i, u in enumerate(urls, start=1))
        c = compounds[cid]
        lines.append("\t".join([c["smiles"], safe(field(r, h, "中药名")),
                                safe(field(r, h, "成分中文名")), safe(english),
                                safe(field(r, h, "抗流感活性")), safe(field(r, h, "参考文献")),
                                addresses, c["inchikey"]]))
    result["anti_influenza"], unmatched["anti_influenza"] = lines, missing
    return result, unmatched, herb_links


# --------------------------------------------------------------------------

def property_lines(herbs, formula_records, table=None):
    """Herb_Property.DB lines (herb number, nature, flavours, meridians,
    toxicity, source) in herb order, and the names listed as unknown.  A
    classical name takes its modern herb's row.  Every typed herb and every
    formula herb must be in the table, with a row or as 不详."""
    table = PROPERTY_TABLE if table is None else table
    rows, unknown = {}, []
    for r in table:
        if len(r) < 6:
            raise ValueError("property row of %s has %d fields" % (r[0], len(r)))
        name, nature, flavours, meridians, toxicity, source = r[:6]
        if name in rows or name in unknown:
            raise ValueError("property row of %s repeated" % name)
        if nature == "不详":
            if not (len(r) > 6 and r[6].strip()):
                raise ValueError("property row of %s: 不详 needs its reason" % name)
            unknown.append(name)
            continue
        if source not in tcm_rules.PROPERTY_SOURCES:
            raise ValueError("property row of %s: source %r" % (name, source))
        toxicity = "" if toxicity == "-" else toxicity
        note = r[6].strip() if len(r) > 6 else ""
        if source == "整理" and not note:
            raise ValueError("property row of %s: a curated row needs its reason" % name)
        source = tcm_rules.property_source(source, note)
        problems = tcm_rules.property_problems(nature, flavours, meridians, toxicity, source)
        if problems:
            raise ValueError("property row of %s: %s" % (name, "; ".join(problems)))
        rows[name] = [nature, flavours, meridians, toxicity, source]
    by_name = {h.name: h for h in herbs}
    for name in list(rows) + unknown:
        if name not in by_name:
            raise ValueError("property row of %s, which is no herb" % name)
        if by_name[name].modern:
            raise ValueError("property row of the classical name %s" % name)
    needed = [h.name for h in herbs if h.type_no and not h.modern]
    for rec in formula_records:
        needed += [n for n in tcm_rules.herb_names(rec[1])
                   if n in by_name and not by_name[n].modern]
    missing = sorted({n for n in needed if n not in rows and n not in unknown})
    if missing:
        raise ValueError("no property row for %s" % "、".join(missing))
    lines = []
    for pos, h in enumerate(herbs, start=1):
        row = rows.get(h.modern or h.name)
        if row:
            lines.append("\t".join([str(pos)] + row))
    return lines, unknown


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
    ap.add_argument("--no-record", action="store_true",
                    help="do not add the numbers of new herbs to tools/herb_numbers.tsv")
    args = ap.parse_args(argv)
    src, out = args.sources, args.out

    safe = SafeText()
    formula_report = {}
    formulas = build_formulas(src, safe, formula_report)
    problems = check_compositions(formulas)
    if problems:
        for p in problems:
            print("unclean composition:", p, file=sys.stderr)
        return 1

    herbs, herb_report = build_herbs(src, safe)
    if herb_report["pinyin missing"]:
        print("no pinyin for: %s" % "、".join(herb_report["pinyin missing"]), file=sys.stderr)
        return 1
    herb_lines = herb_name_lines(herbs)
    compounds, lh, lrows = build_compounds(src, safe)
    resolve = compound_resolver(compounds, lh, lrows)
    refs, unmatched, literature_links = build_references(src, compounds, resolve, safe)
    links, dropped, literature_added = link_lines(herbs, compounds, lh, lrows, literature_links)
    unresolved = unresolved_formula_herbs(formulas, herb_lines)
    properties, unknown_properties = property_lines(herbs, formulas)

    name_table = build_name_table.write(os.path.join(out, build_name_table.FILE_NAME))

    write_gbk(os.path.join(out, "Fangji.DB"), ["\t".join(r) for r in formulas])
    write_gbk(os.path.join(out, "Herb_Name.DB"), herb_lines)
    write_gbk(os.path.join(out, "Herb_Compound.DB"), links)
    write_gbk(os.path.join(out, "Compound.DB"), compound_lines(compounds))
    write_gbk(os.path.join(out, "Herb_Property.DB"), properties)
    write_gbk(os.path.join(out, "Ref", "抗癌天然产物.DB"), refs["anticancer"])
    write_gbk(os.path.join(out, "Ref", "抗流感天然产物.DB"), refs["anti_influenza"])

    typed = sum(1 for h in herbs if h.type_no)
    linked = {int(l.split("\t")[0]) for l in links}
    print("Build report (sources: %s)" % src)
    print("  formulas:                 %d" % len(formulas))
    print("    merged (same name and composition): %s"
          % ("、".join(formula_report.get("merged formulas", [])) or "none"))
    print("    same name, other composition, kept apart: %s"
          % ("、".join(formula_report["same name, other composition"]) or "none"))
    print("  herbs:                    %d (line 0 is the column-title line)" % len(herbs))
    print("    new numbers given (after the %d kept): %d%s" % (
        len(herbs) - len(herb_report["new numbers"]), len(herb_report["new numbers"]),
        "" if not herb_report["new numbers"] or args.no_record
        else ", recorded in tools/herb_numbers.tsv"))
    print("    classical names with a record of their own: %d" % len(CLASSICAL_NAMES))
    print("    drugs no source has (curated): %d" % len(EXTRA_HERBS))
    print("    curated aliases: %d, %d of them further names of their drug (the others "
          "are classical names' records)" % (len(ALIASES), herb_report["aliases"]["further names"]))
    print("  name table (%s): %d lines (%s)" % (build_name_table.FILE_NAME, sum(name_table.values()),
          "、".join("%s %d" % kv for kv in sorted(name_table.items()))))
    print("    records merged: %s" % "、".join(herb_report["merged"]))
    print("    Latin names dropped as copied from another herb: %s"
          % "; ".join(herb_report["latin dropped"]))
    classical = sum(1 for h in herbs if h.modern)
    print("  typed herbs (1-37):       %d (%d drugs and the %d classical names' records)"
          % (typed, typed - classical, classical))
    print("    curated type differs from the source category: %d (%s)"
          % (len(herb_report["type overrides"]), "、".join(herb_report["type overrides"])))
    print("  pinyin from the dictionary: %d" % herb_report["derived pinyin"])
    print("    dictionary reading added beside a source's other spelling: %s"
          % "、".join(herb_report["pinyin added"]))
    print("  herbs with nature, flavours and meridians: %d (%d drugs and the classical names)"
          % (len(properties), len(properties) - classical))
    print("    curated rows (整理, with their reason): %s" % "、".join(
        r[0] for r in PROPERTY_TABLE if len(r) > 5 and r[5] == "整理"))
    print("    not confirmed in the two references, left without: %d (%s)"
          % (len(unknown_properties), "、".join(unknown_properties)))
    print("  herb-compound links:      %d" % len(links))
    for why, n in sorted(dropped.items()):
        print("    source links skipped, %s: %d" % (why, n))
    print("    links from the literature tables: %d (%s)" % (
        sum(literature_added.values()),
        "、".join("%s %d" % kv for kv in sorted(literature_added.items()))))
    extra_names = {name for name, _ in EXTRA_HERBS}
    unlinked = [h.name for pos, h in enumerate(herbs, start=1) if pos not in linked]
    print("  herbs without links:      %d (%d curated drugs no compound source has, %d of the "
          "sources)" % (len(unlinked), sum(1 for n in unlinked if n in extra_names),
                        sum(1 for n in unlinked if n not in extra_names)))
    if herb_report["unnamed materials"]:
        print("    TM-MC materials without any Chinese name: %s"
              % ", ".join(herb_report["unnamed materials"]))
    print("  compounds:                %d" % len(compounds))
    print("  anticancer lines:         %d (no structure for: %s)"
          % (len(refs["anticancer"]), ", ".join(unmatched["anticancer"]) or "none"))
    print("  anti-influenza lines:     %d (no structure for: %s)"
          % (len(refs["anti_influenza"]), ", ".join(unmatched["anti_influenza"]) or "none"))
    print("  unresolved herb names:    %d (%s)" % (len(unresolved), "、".join(unresolved)))
    print("  characters made safe:     %d (%s)" % (
        safe.count, ", ".join("%s x%d" % kv for kv in sorted(safe.examples.items()))))
    if herb_report["new numbers"] and not args.no_record:
        record_numbers(herb_report["new numbers"], len(herbs) - len(herb_report["new numbers"]) + 1)
    return 1 if unresolved else 0


if __name__ == "__main__":
    sys.exit(main())
