#!/usr/bin/env python3
"""Checks a DB folder of the program: encodings, field counts, numbering,
cross references and the sample searches a new user tries first.

    python3 tools/check_data.py DB_DIR

Exit status 0 when every check passes, 1 otherwise.  The last output line
reads "N passed, N failed".
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tcm_rules  # noqa: E402

FILES = {
    "fangji": "Fangji.DB",
    "herb_name": "Herb_Name.DB",
    "herb_compound": "Herb_Compound.DB",
    "herb_property": "Herb_Property.DB",
    "compound": "Compound.DB",
    "anticancer": os.path.join("Ref", "抗癌天然产物.DB"),
    "anti_influenza": os.path.join("Ref", "抗流感天然产物.DB"),
}

INCHIKEY = re.compile(r"^[A-Z]{14}-[A-Z]{10}-[A-Z]$")
MAX_SHOWN = 5


class Checker:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, title, problems):
        problems = list(problems)
        if problems:
            self.failed += 1
            print("FAIL %s" % title)
            for p in problems[:MAX_SHOWN]:
                print("     %s" % p)
            if len(problems) > MAX_SHOWN:
                print("     ... and %d more" % (len(problems) - MAX_SHOWN))
        else:
            self.passed += 1
            print("ok   %s" % title)


def read_lines(path):
    """GBK lines of a data file, or a list of problems."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        return None, ["cannot read: %s" % e]
    try:
        text = data.decode("gbk")
    except UnicodeDecodeError as e:
        return None, ["not GBK at byte %d" % e.start]
    problems = []
    if "\ufffd" in text:
        problems.append("contains the replacement character U+FFFD")
    if text and not text.endswith("\r\n"):
        problems.append("last line is not ended by CR LF")
    body = text[:-2] if text.endswith("\r\n") else text
    lines = body.split("\r\n") if body else []
    for i, line in enumerate(lines):
        if "\r" in line or "\n" in line:
            problems.append("line %d: bare CR or LF inside the line" % i)
    return lines, problems


def as_int(text):
    return int(text) if re.fullmatch(r"-?\d+", text) else None


def check_fangji(lines):
    if not lines:
        yield "no records"
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) not in (3, 4):
            yield "line %d: %d fields, a formula has 3 or 4" % (i, len(f))
        elif not f[0] or not f[1]:
            yield "line %d: empty formula name or composition" % i


def check_compositions(lines):
    if not lines:
        yield "no records"
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) < 2:
            continue
        for name in tcm_rules.herb_names(f[1]):
            why = tcm_rules.unclean_reason(name)
            if why:
                yield "line %d (%s): herb name %r %s" % (i, f[0], name, why)


def check_herb_names(lines):
    if not lines:
        yield "empty file"
        return
    if len(lines[0].split("\t")) < 3:
        yield "line 0: the column-title line needs at least 3 fields"
    if len(lines) > 32768:
        yield "%d lines, herb numbers are 16-bit" % len(lines)
    seen = {}
    for pos, line in enumerate(lines[1:], start=1):
        f = line.split("\t")
        if len(f) < 4:
            yield "line %d: %d fields, a herb needs at least 4" % (pos, len(f))
            continue
        if f[0] != str(pos):
            yield "line %d: herb number %r differs from the line position" % (pos, f[0])
        t = as_int(f[1])
        if t is None or not 0 <= t <= 37:
            yield "line %d: type number %r is not 0 to 37" % (pos, f[1])
        if not f[2]:
            yield "line %d: empty herb name" % pos
        elif f[2] in seen:
            yield "line %d: herb %s already on line %d" % (pos, f[2], seen[f[2]])
        else:
            seen[f[2]] = pos
        if "" in f:
            # An empty field would let an empty keyword match the record.
            yield "line %d: empty field %d" % (pos, f.index(""))


def check_compounds(lines):
    if not lines:
        yield "no records"
    ids = set()
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) != 4:
            yield "line %d: %d fields, a compound has 4" % (i, len(f))
            continue
        cid = as_int(f[0])
        if cid is None or not -2**31 <= cid < 2**31:
            yield "line %d: identifier %r is not a 32-bit number" % (i, f[0])
        elif cid in ids:
            yield "line %d: identifier %d repeated" % (i, cid)
        else:
            ids.add(cid)
        if not f[2]:
            yield "line %d: no SMILES" % i
        if not INCHIKEY.match(f[3]):
            yield "line %d: %r is not an InChIKey" % (i, f[3])


def check_links(lines, herb_count, compound_ids):
    if not lines:
        yield "no records"
    pairs = set()
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) != 2:
            yield "line %d: %d fields, a link has 2" % (i, len(f))
            continue
        herb, cid = as_int(f[0]), as_int(f[1])
        if herb is None or not 1 <= herb <= herb_count:
            yield "line %d: herb number %r is not a herb line" % (i, f[0])
        if cid is None or cid not in compound_ids:
            yield "line %d: compound %r is not in Compound.DB" % (i, f[1])
        if (herb, cid) in pairs:
            yield "line %d: link %s repeated" % (i, line)
        pairs.add((herb, cid))


def check_references(lines, min_fields, key_field, inchikeys, extra=None):
    if not lines:
        yield "no records"
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) < min_fields:
            yield "line %d: %d fields, needs at least %d" % (i, len(f), min_fields)
            continue
        if f[key_field] not in inchikeys:
            yield "line %d: InChIKey %r is not in Compound.DB" % (i, f[key_field])
        if extra:
            for p in extra(f):
                yield "line %d: %s" % (i, p)


def anticancer_fields(f):
    if f[1] and not f[1].isdigit():
        yield "NPACT number %r is not digits" % f[1]


def anti_influenza_fields(f):
    if f[6] and not re.fullmatch(r"(\[\d+\]https?://\S+?)+", f[6]):
        yield "reference addresses %r are not [n]address items" % f[6]


TOOLS = os.path.dirname(os.path.abspath(__file__))

# Herbs of the compound sources (not the curated drugs of herb_extra.tsv) without a single
# compound link; the count may only go down.
MAX_HERBS_WITHOUT_LINKS = 90

_CJK = re.compile(r"[\u4e00-\u9fff]")
_PRESCRIBES = re.compile(r"[汤散丸](主之|证)")
# Taking or giving a decoction, powder or pill is no symptom: 服汤, 与…汤, …散.
_PRESCRIPTION = re.compile(r"[汤散丸]$|服[^，]{0,4}?汤|与[^，]{0,4}?[汤散丸]")


def curated(name):
    with open(os.path.join(TOOLS, name), encoding="utf-8") as f:
        lines = [l.rstrip("\n") for l in f if l.strip() and not l.startswith("#")]
    return [l.split("\t") for l in lines[1:]]


def herb_type_no(herb_lines, name):
    """The type number of the first record whose name field equals the name."""
    for line in herb_lines:
        f = line.split("\t")
        if len(f) > 2 and f[2] == name:
            return as_int(f[1]) or 0
    return 0


def plausibility_checks(c, fangji, herbs, herb_links):
    """What a researcher relies on beyond the format: every formula herb found
    and typed, one record per herb and per formula, the textbook types, clean
    symptoms."""
    types = {r[0]: r[1] for r in curated("herb_types.tsv")}
    allowed_other = {n for n, t in types.items() if t == "其他"}
    folds = {r[0]: r[1] for r in curated("variant_chars.tsv") if r[2] == "药名"}

    formula_herbs = []
    for line in fangji:
        f = line.split("\t")
        for n in tcm_rules.herb_names(f[1]) if len(f) > 1 else []:
            if n not in formula_herbs:
                formula_herbs.append(n)

    def resolved_and_typed():
        for n in formula_herbs:
            if tcm_rules.herb_id_by_name(herbs, n) < 1:
                yield "%s is not found by name" % n
            elif not 1 <= herb_type_no(herbs, n) <= 37 and n not in allowed_other:
                yield "%s has no type and is not an allowed 其他 (food or non-drug)" % n
    c.check("every formula herb (%d) is found and typed; 其他 only for %s"
            % (len(formula_herbs), "、".join(sorted(allowed_other))), resolved_and_typed())

    def no_duplicate_herbs():
        owner = {}
        for pos, line in enumerate(herbs[1:], start=1):
            f = line.split("\t")
            for n in {("".join(folds.get(ch, ch) for ch in x)) for x in f[2:] if _CJK.search(x)}:
                if n in owner and owner[n] != pos:
                    yield "%s on lines %d and %d" % (n, owner[n], pos)
                owner.setdefault(n, pos)
    c.check("no two herb records share a name after variant folding", no_duplicate_herbs())

    def curated_types():
        for line in herbs[1:]:
            f = line.split("\t")
            if len(f) > 2 and f[2] in types:
                want = types[f[2]]
                got = HERB_TYPES[as_int(f[1]) - 1] if 1 <= (as_int(f[1]) or 0) <= 37 else "其他"
                if got != want:
                    yield "%s is %s, the textbook has %s" % (f[2], got, want)
    c.check("herb types follow the curated textbook table", curated_types())

    names = [l.split("\t")[0] for l in fangji]
    # A formula's pattern is named by its main herb: 桂枝证, 柴胡证; a family of
    # formulas by the end of the name: 承气汤, 泻心汤.
    names += [re.sub("^[大小]", "", n)[:-1] + "证" for n in names if len(n) > 2 and n[-1] in "汤散丸"]
    names += [n[i:] for n in list(names) for i in range(1, len(n) - 2) if n[-1] in "汤散丸"]

    def clean_symptoms():
        for line in fangji:
            f = line.split("\t")
            for s in tcm_rules.symptoms(f[2]) if len(f) > 2 else []:
                if any(n in s for n in names) or _PRESCRIBES.search(s):
                    yield "%s: symptom %r names a formula" % (f[0], s)
                elif _PRESCRIPTION.search(s):
                    yield "%s: symptom %r is a prescription" % (f[0], s)
    c.check("no formula name among the symptoms of all formulas", clean_symptoms())

    def one_record_per_formula():
        seen = {}
        for i, line in enumerate(fangji):
            f = line.split("\t")
            key = tuple(f[:2])
            if key in seen:
                yield "%s: lines %d and %d have the same composition" % (f[0], seen[key], i)
            seen.setdefault(key, i)
    c.check("no two formula records with the same name and composition",
            one_record_per_formula())

    # The curated drugs (minerals, animal drugs, classical drugs) have no compound source.
    extra = {r[0] for r in curated("herb_extra.tsv")}
    without = [line.split("\t")[2] for pos, line in enumerate(herbs[1:], start=1)
               if not herb_links.get(pos) and len(line.split("\t")) > 2
               and line.split("\t")[2] not in extra]
    c.check("herbs of the compound sources without compound links: %d (at most %d)"
            % (len(without), MAX_HERBS_WITHOUT_LINKS),
            ["%d herbs without links, more than %d: %s" % (
                len(without), MAX_HERBS_WITHOUT_LINKS, "、".join(without[:10]))]
            if len(without) > MAX_HERBS_WITHOUT_LINKS else [])


KEPT_APART = os.path.join(TOOLS, "kept_apart.tsv")
NAME_TABLE = "药名对照.tsv"


def read_name_table(path):
    """The lines of DB/药名对照.tsv as (written, standard, kind) rows, or a list of problems."""
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except (OSError, UnicodeDecodeError) as e:
        return None, ["cannot read as UTF-8: %s" % e]
    rows, problems = [], []
    for i, line in enumerate(text.split("\n"), start=1):
        if not line.strip() or line.startswith("#") or line.startswith("写法\t"):
            continue
        f = line.split("\t")
        if len(f) < 3 or not f[0].strip() or not f[1].strip():
            problems.append("line %d: needs written name, standard name and kind" % i)
            continue
        rows.append((f[0].strip(), f[1].strip(), f[2].strip()))
    return rows, problems


def vocabulary_checks(c, herbs, table, property_lines):
    """The names of the drugs: every alias of the name table names one drug of the herb file,
    no alias is another drug's own name, the drugs the Pharmacopoeia lists apart stay apart,
    and every drug is typed and has its properties (or is listed as not confirmed)."""
    classical = {r[0]: r[1] for r in curated("classical_names.tsv")}
    fields = [l.split("\t") for l in herbs[1:]]
    names = {f[2]: f for f in fields if len(f) > 2}
    drugs = {n for n in names if n not in classical}
    aliases = [r for r in table if r[2] not in ("异体字", "新药")]
    new_drugs = {r[1] for r in table if r[2] == "新药"}

    def drug_of(name):
        """The drug a standard name or a processed form of one means, or None."""
        name = classical.get(name, name)
        if name in drugs or name in new_drugs:
            return name
        base = tcm_rules.processed_base(name, drugs)
        return base

    def aliases_name_drugs():
        meaning = {}
        for written, standard, kind in aliases:
            parts = standard.split("、") if kind == "多药" else [standard]
            for part in parts:
                if drug_of(part) is None:
                    yield "%s → %s: %s is no drug of the herb file" % (written, standard, part)
            if tcm_rules.name_key(written) in meaning and meaning[tcm_rules.name_key(written)] != standard:
                yield "%s names both %s and %s" % (written, meaning[tcm_rules.name_key(written)],
                                                   standard)
            meaning.setdefault(tcm_rules.name_key(written), standard)
    c.check("every alias of %s (%d) names one drug of the herb file" % (NAME_TABLE, len(aliases)),
            aliases_name_drugs())

    def no_alias_is_another_drug():
        for written, standard, kind in aliases:
            if written in names and written != standard and kind != "多药":
                if drug_of(written) != drug_of(standard):
                    yield "%s → %s, but %s is a drug of its own" % (written, standard, written)
        for f in fields:
            for other in f[3:]:
                for written, standard, kind in aliases:
                    if written == other and kind != "多药" and drug_of(standard) != drug_of(f[2]):
                        yield "%s is a name of %s in the herb file but means %s in %s" % (
                            other, f[2], standard, NAME_TABLE)
    c.check("no alias is the name of another drug", no_alias_is_another_drug())

    resolver = tcm_rules.NameResolver(herbs, table)
    pairs = curated_path(KEPT_APART)

    def kept_apart():
        for a, b in pairs:
            got = {}
            for n in (a, b):
                found = resolver.resolve(n)
                if len(found) != 1:
                    yield "%s does not resolve to one drug (%s)" % (n, "、".join(found) or "none")
                else:
                    got[n] = classical.get(found[0], found[0])
            if len(got) == 2 and got[a] == got[b]:
                yield "%s and %s are one drug (%s)" % (a, b, got[a])
            for f in fields:
                if a in f[2:] and b in f[2:]:
                    yield "%s and %s share the herb record %s" % (a, b, f[2])
    c.check("drugs listed apart stay apart (%d pairs of kept_apart.tsv)" % len(pairs), kept_apart())

    types = {r[0]: r[1] for r in curated("herb_types.tsv")}
    allowed_other = {n for n, t in types.items() if t == "其他"}
    unknown = {r[0] for r in curated("herb_properties.tsv")
               if len(r) > 6 and r[1] == "不详" and r[6].strip()}
    extra = {r[0] for r in curated("herb_extra.tsv")}
    with_rows = set()
    for line in property_lines:
        f = line.split("\t")
        n = as_int(f[0])
        if n is not None and 1 <= n < len(herbs) and len(fields[n - 1]) > 2:
            with_rows.add(fields[n - 1][2])
    vocabulary = {drug_of(r[1]) for r in aliases if r[2] != "多药"} | \
        {n for n in types if n in names} | (extra & set(names))
    vocabulary.discard(None)

    def typed_with_properties():
        for n in sorted(vocabulary):
            f = names.get(n)
            if f is None:
                continue
            if not 1 <= (as_int(f[1]) or 0) <= 37 and n not in allowed_other:
                yield "%s has no type" % n
            if n not in with_rows and n not in unknown:
                yield "%s has no properties and is not listed as not confirmed with a reason" % n
    c.check("every drug of the vocabulary (%d) is typed and has properties or is listed as "
            "not confirmed" % len(vocabulary), typed_with_properties())


def curated_path(path):
    with open(path, encoding="utf-8") as f:
        lines = [l.rstrip("\n") for l in f if l.strip()]
    return [tuple(l.split("\t")[:2]) for l in lines[1:]]


def check_properties(lines, herbs, fangji):
    """Herb_Property.DB: six fields, a herb number in herb order, only the
    allowed words; every typed herb and every formula herb has a row or is
    listed as not confirmed in tools/herb_properties.tsv; a classical name has
    its modern herb's row."""
    names = {}
    for pos, line in enumerate(herbs[1:], start=1):
        f = line.split("\t")
        if len(f) > 2:
            names[pos] = f[2]
    rows = {}
    last = 0
    for i, line in enumerate(lines):
        f = line.split("\t")
        if len(f) != 6:
            yield "line %d: %d fields, a property row has 6" % (i, len(f))
            continue
        pos = as_int(f[0])
        if pos is None or pos not in names:
            yield "line %d: herb number %r is not a herb line" % (i, f[0])
            continue
        if pos <= last:
            yield "line %d: herb number %d out of order or repeated" % (i, pos)
        last = max(last, pos)
        for p in tcm_rules.property_problems(*f[1:]):
            yield "line %d (%s): %s is not an allowed word" % (i, names[pos], p)
        rows[names[pos]] = f[1:]
    table = curated("herb_properties.tsv")
    unknown = {r[0] for r in table if len(r) > 1 and r[1] == "不详"}
    classical = {r[0]: r[1] for r in curated("classical_names.tsv")}
    needed = [f[2] for f in (l.split("\t") for l in herbs[1:])
              if len(f) > 2 and 1 <= (as_int(f[1]) or 0) <= 37]
    for line in fangji:
        f = line.split("\t")
        needed += tcm_rules.herb_names(f[1]) if len(f) > 1 else []
    for n in sorted(set(needed)):
        if n not in rows and n not in unknown and classical.get(n) not in unknown:
            yield "%s has no property row and is not listed as not confirmed" % n
    for old, modern in sorted(classical.items()):
        if old in rows and rows.get(modern) != rows[old]:
            yield "classical name %s differs from %s" % (old, modern)


HERB_TYPES = (
    "辛温解表药,辛凉解表药,清热泻火药,清热燥湿药,清热解毒药,清热凉血药,清虚热药,"
    "攻下药,润下药,通水药,祛风湿散寒药,祛风湿清热药,祛风湿筋骨药,化湿药,利水渗湿药,"
    "温里药,理气药,消食药,驱虫药,凉血止血药,收敛止血药,化瘀止血药,温经止血药,"
    "活血祛瘀药,化痰药,止咳平喘药,安神药,平肝熄风药,开窍药,补气药,补血药,补阴药,"
    "补阳药,收涩药,涌吐药,解毒杀虫燥湿止痒药,拔毒化腐生肌药").split(",")


def main(argv):
    if len(argv) != 2:
        print("usage: check_data.py DB_DIR", file=sys.stderr)
        return 2
    root = argv[1]
    c = Checker()

    data = {}
    for key, rel in FILES.items():
        lines, problems = read_lines(os.path.join(root, rel))
        c.check("%s decodes as GBK, lines end with CR LF" % rel, problems)
        data[key] = lines or []

    fangji, herbs, links = data["fangji"], data["herb_name"], data["herb_compound"]
    compounds = data["compound"]
    c.check("Fangji.DB records have 3 or 4 fields", check_fangji(fangji))
    c.check("Fangji.DB compositions give clean herb names", check_compositions(fangji))
    c.check("Herb_Name.DB numbers equal line positions, no empty fields",
            check_herb_names(herbs))
    c.check("Herb_Property.DB rows: herb number, nature, flavours, meridians, toxicity, source",
            check_properties(data["herb_property"], herbs, fangji))
    c.check("Compound.DB lines are identifier, name, SMILES, InChIKey",
            check_compounds(compounds))

    compound_ids = {}
    for line in compounds:
        f = line.split("\t")
        if len(f) == 4 and as_int(f[0]) is not None:
            compound_ids[as_int(f[0])] = f[3]
    inchikeys = set(compound_ids.values())
    c.check("Herb_Compound.DB links name existing herbs and compounds",
            check_links(links, len(herbs) - 1, compound_ids))
    c.check("抗癌天然产物.DB lines are SMILES, NPACT number, known InChIKey",
            check_references(data["anticancer"], 3, 2, inchikeys, anticancer_fields))
    c.check("抗流感天然产物.DB lines have 8 fields and a known InChIKey",
            check_references(data["anti_influenza"], 8, 7, inchikeys, anti_influenza_fields))

    # The first things a new user tries.
    def search_both():
        cleaned = [tcm_rules.clean_record_line(l).upper() for l in fangji]
        if not any("麻黄" in l and "桂枝" in l for l in cleaned):
            yield "no formula holds both 麻黄 and 桂枝"
    c.check("searching 麻黄 桂枝 finds formulas", search_both())

    herb_links = {}
    for line in links:
        f = line.split("\t")
        if len(f) == 2 and as_int(f[0]) is not None and as_int(f[1]) is not None:
            herb_links.setdefault(as_int(f[0]), []).append(as_int(f[1]))

    def gancao():
        pos = tcm_rules.herb_id_by_name(herbs, "甘草")
        if pos < 1:
            yield "甘草 is not found by name"
        elif not herb_links.get(pos):
            yield "甘草 (herb %d) has no compounds" % pos
    c.check("甘草 has ingredients", gancao())

    formula_herbs = []
    for line in fangji:
        f = line.split("\t")
        for n in tcm_rules.herb_names(f[1]) if len(f) > 1 else []:
            if n not in formula_herbs:
                formula_herbs.append(n)
    common = [(n, tcm_rules.herb_id_by_name(herbs, n)) for n in formula_herbs]
    common = [(n, pos) for n, pos in common if pos >= 1]

    def reference_hits(ref_lines, key_field):
        keys = set()
        for line in ref_lines:
            f = line.split("\t")
            if len(f) > key_field:
                keys.add(f[key_field])
        hits = []
        for n, pos in common:
            if any(compound_ids.get(cid) in keys for cid in herb_links.get(pos, [])):
                hits.append(n)
        return hits

    for rel, key, field_no in (("抗癌天然产物.DB", "anticancer", 2),
                               ("抗流感天然产物.DB", "anti_influenza", 7)):
        hits = reference_hits(data[key], field_no)
        c.check("%s matches ingredients of formula herbs (%s)"
                % (rel, "、".join(hits[:6]) or "none"),
                [] if hits else ["no herb of the formulas has a listed compound"])

    plausibility_checks(c, fangji, herbs, herb_links)

    table, problems = read_name_table(os.path.join(root, NAME_TABLE))
    c.check("%s reads as UTF-8 with written name, standard name and kind" % NAME_TABLE, problems)
    vocabulary_checks(c, herbs, table or [], data["herb_property"])

    print("%d passed, %d failed" % (c.passed, c.failed))
    return 0 if c.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
