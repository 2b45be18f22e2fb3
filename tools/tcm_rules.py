"""Text rules of the program that the data tools must agree with.

The formula composition field is reduced to herb names by the program's
StandardIngredients procedure, and herbs are found with a TAB-delimited
substring test.  The data builder and the checker use these copies to prove
that the shipped files work with those rules.
"""

import re

_PROCESSING_WORDS = ["炙", "炒", "炮", "焦", "熟", "净"]
_UNITS = ["厘", "钱", "两", "分", "斤", "粒", "g", "kg", "ml", "个", "合", "对",
          "条", "枚", "张", "铢", "升", "帖"]

# One (find, replace) pair per rule, in the program's order.
_INGREDIENT_RULES = (
    [("等。", ""), ("。", ""), ("各等分", ""), ("细料方", ""), ("：", ""),
     ("或", "、"), ("少许", ""), ("减半", "")]
    + [(w, "") for w in _PROCESSING_WORDS]
    + [(str(d), "#") for d in range(10)]
    + [("-", "#"), ("约#", "#"), (".", ""),
       ("两半", "#两"), ("半两", "#两"), ("一两", "#两"), ("二两", "#两"),
       ("半钱", "#钱"), ("钱半", "#钱"), ("半分", "#分"), ("分半", "#分"),
       ("半斤", "#斤"), ("斤半", "#斤"), ("公斤", "#斤")]
    + [("#" + u, "$") for u in _UNITS]
    + [("#", ""), ("$", ""), (",", "、"), ("，", "、"), ('"', ""),
       ("“", ""), ("”", "")]
)


def drop_bracket_notes(text):
    """Drops full-width bracketed notes the way the program's scan does.

    The scan never looks at the last character while inside a bracket, so an
    unclosed bracket swallows the rest of the text.
    """
    out = []
    i = 0
    n = len(text)
    while i < n:
        ch = text[i]
        if ch == "（":
            while True:
                i += 1
                if i >= n - 1 or text[i] == "）":
                    break
        else:
            out.append(ch)
        i += 1
    return "".join(out)


def standard_ingredients(text):
    """Composition text -> herb names joined by "、"."""
    text = drop_bracket_notes(text)
    for find, repl in _INGREDIENT_RULES:
        text = text.replace(find, repl)
    return text


def herb_names(composition):
    """The non-empty herb names the program's analyses take from a composition."""
    return [n for n in standard_ingredients(composition).split("、") if n]


# A herb name left by StandardIngredients must not carry dose, unit or note
# debris: no digits or Chinese numerals, no bracket, no punctuation, no blank,
# no dose words such as 如鸡子大 or 一握许.
_UNCLEAN = re.compile(
    r"[0-9#$.\-（）()，,。：；、\s\"“”]|[一二三四五六七八九十百半如许]"
    r"|(两|钱|铢|升|合|斤|枚|个|分|尺|匕|把|茎|株|片)$")

# Herb names in which a numeral or unit character is part of the name itself.
_NAME_EXCEPTIONS = {"半夏", "五味子", "太一禹余粮"}


def unclean_reason(name):
    """Returns why a herb name is not clean, or None when it is."""
    if name in _NAME_EXCEPTIONS:
        return None
    m = _UNCLEAN.search(name)
    if m:
        return "contains %r" % m.group(0)
    return None


def clean_record_line(line):
    """The program's whitespace clean-up applied before matching a formula line."""
    for find, repl in (("  ", " "), ("\t ", "\t"), ("\t  ", "\t"),
                       (" \t", "\t"), ("  \t", "\t")):
        line = line.replace(find, repl)
    return line


def herb_id_by_name(herb_lines, name):
    """Position of the first herb-name line containing TAB+name+TAB, else -1."""
    key = "\t" + name + "\t"
    for pos, line in enumerate(herb_lines):
        if key in line:
            return pos
    return -1


_SYMPTOM_RULES = (
    [(str(d), "#") for d in range(10)]
    + [("或作", "，"), ("兼有", "，"), ("或", "，"), ("而", "，"), ("及", "，")]
    + [(w, "") for w in ("兼", "等病症", "等病证", "有", "伴", "甚者", "者", "一切", "卒得",
                         "以上", "不止", "不可忍", "小儿", "妇人", "妇女", "#日")]
    + [("。", "，"), ("、", "，"), ("；", "，"), ("-", ""), ("#", ""), ("等", "")]
)


def standard_symptoms(text):
    """Indications text -> symptom phrases joined by "，", as the program's
    symptom analysis cuts them."""
    if text.endswith("。"):
        text = text[:-1]
    for find, repl in _SYMPTOM_RULES:
        text = text.replace(find, repl)
    return text


def symptoms(indications):
    return [s for s in standard_symptoms(indications).split("，") if s]


# Words of a herb's nature, flavours, meridians and toxicity, as the
# Pharmacopoeia and the textbook write them; the program folds the degrees of
# nature to the five natures and 微苦 to 苦 when it counts.
NATURES = ["大寒", "寒", "微寒", "凉", "平", "微温", "温", "热", "大热"]
FLAVOURS = ["酸", "苦", "甘", "辛", "咸", "淡", "涩"]
MERIDIANS = ["肝", "心", "脾", "肺", "肾", "胆", "胃", "小肠", "大肠", "膀胱", "三焦", "心包"]
TOXICITIES = ["有毒", "有小毒", "有大毒"]
PROPERTY_SOURCES = {"药典": "中国药典2020年版一部", "教材": "《中药学》（高学敏主编，2002）",
                    "整理": "整理"}


def property_source(key, note=""):
    """The source text of a property row; a curated row names its reason: 整理（…）."""
    if key == "整理":
        return "整理（%s）" % note
    return PROPERTY_SOURCES[key]


def property_problems(nature, flavours, meridians, toxicity, source):
    """Why a property row is not written in the allowed words, or []."""
    problems = []
    if nature not in NATURES:
        problems.append("nature %r" % nature)
    flavour_list = flavours.split("、")
    for f in flavour_list:
        if not (f in FLAVOURS or (f.startswith("微") and f[1:] in FLAVOURS)):
            problems.append("flavour %r" % f)
    if len(set(flavour_list)) != len(flavour_list):
        problems.append("flavour repeated in %r" % flavours)
    meridian_list = meridians.split("、")
    for m in meridian_list:
        if m not in MERIDIANS:
            problems.append("meridian %r" % m)
    if len(set(meridian_list)) != len(meridian_list):
        problems.append("meridian repeated in %r" % meridians)
    if toxicity and toxicity not in TOXICITIES:
        problems.append("toxicity %r" % toxicity)
    curated = source.startswith("整理（") and source.endswith("）") and len(source) > 4
    if not curated and (source not in PROPERTY_SOURCES.values() or source == "整理"):
        problems.append("source %r" % source)
    return problems


# Processing words the program's name dictionary folds off a name ("蜜炙黄芪" is 黄芪), longest
# first, and the names they must never fold: different drugs that only look processed.
PROCESSING_PREFIXES = ["蜜炙", "麸炒", "土炒", "醋炙", "盐炙", "酒炙", "姜炙", "酒炒", "醋炒", "盐炒",
                       "炒焦", "酒洗", "炙", "炒", "焦", "酒", "醋", "盐", "蜜", "姜", "制", "法",
                       "清", "煅", "炮", "煨", "生", "鲜", "净", "蒸", "烫", "熬"]
PROCESSING_SUFFIXES = ["炭", "粉", "末"]
NEVER_FOLDED = {"生地黄", "熟地黄", "鲜地黄", "生姜", "干姜", "炮姜", "煨姜", "生晒参", "生铁落", "姜黄"}


def processed_base(name, known):
    """The drug a processed name stands for (炙黄芪 → 黄芪), or None: the first processing
    word before or after it whose remainder is in `known`."""
    if name in NEVER_FOLDED:
        return None
    for p in PROCESSING_PREFIXES:
        if name.startswith(p) and len(name) > len(p) and name[len(p):] in known:
            return name[len(p):]
    for p in PROCESSING_SUFFIXES:
        if name.endswith(p) and len(name) > len(p) and name[:-len(p)] in known:
            return name[:-len(p)]
    return None


def name_key(name):
    """How the name dictionary compares names: Latin letters without case, no blanks."""
    return "".join(ch.lower() if "A" <= ch <= "Z" else ch for ch in name
                   if ch not in " \t\u3000")


class NameResolver:
    """The import's name dictionary, for checking the shipped names: the standard names of
    Herb_Name.DB (field 2), its further names, and the lines of 药名对照.tsv, which win over
    the standard names; variant characters are folded first, processing words fold a name
    into its drug (炒枣仁 → 酸枣仁) except for the names that are different drugs."""

    def __init__(self, herb_lines, table_rows):
        self.standard = set()
        self.entries = {}
        self.variants = {}
        others = {}
        for line in herb_lines[1:]:
            f = line.split("\t")
            if len(f) < 3 or not f[2].strip():
                continue
            name = f[2].strip()
            self.standard.add(name)
            for other in f[3:]:
                other = other.strip()
                if other and other != name:
                    k = name_key(other)
                    others[k] = name if others.get(k, name) == name else ""
        for k, name in others.items():
            if name and k not in self.standard:
                self.entries[k] = name
        for row in table_rows:
            written, standard, kind = row[0].strip(), row[1].strip(), row[2].strip()
            if kind == "异体字":
                if len(written) == 1 and len(standard) == 1:
                    self.variants[written] = standard
                continue
            if kind == "新药":
                self.standard.add(standard)
            if written != standard:
                self.entries[name_key(written)] = standard

    def _direct(self, name):
        entry = self.entries.get(name_key(name))
        if entry:
            return entry
        return name if name in self.standard else None

    def _fold(self, standard):
        base = processed_base(standard, self.standard)
        return base or standard

    def resolve(self, written):
        """The drugs a written name stands for ([] when it does not resolve)."""
        name = "".join(self.variants.get(ch, ch) for ch in written.strip())
        if not name:
            return []
        target = self._direct(name)
        if target is None and name not in NEVER_FOLDED:
            for p in PROCESSING_PREFIXES:
                if name.startswith(p) and len(name) > len(p):
                    base = self._direct(name[len(p):])
                    if base and "、" not in base:
                        target = base
                        break
            for p in PROCESSING_SUFFIXES if target is None else []:
                if name.endswith(p) and len(name) > len(p):
                    base = self._direct(name[:-len(p)])
                    if base and "、" not in base:
                        target = base
                        break
        if target is None:
            return []
        if "、" in target:
            out = []
            for part in target.split("、"):
                sub = self.resolve(part)
                if len(sub) == 1:
                    out += sub
            return out
        return [self._fold(target)]
