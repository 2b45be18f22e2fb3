"""Tests of the sample-data transformations and of the data checker.

    python3 -m unittest discover -s tools -p 'test_*.py'
"""

import contextlib
import io
import json
import os
import shutil
import sys
import tempfile
import unittest
import unittest.mock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_data  # noqa: E402
import check_data  # noqa: E402
import pinyin  # noqa: E402
import tcm_rules  # noqa: E402

HAVE_OPENCC = shutil.which("opencc") is not None
needs_opencc = unittest.skipUnless(HAVE_OPENCC, "the opencc command is not installed")
needs_dictionary = unittest.skipUnless(os.path.exists(pinyin.DICTIONARY),
                                       "the pinyin dictionary is not installed")


class DoseConversionTest(unittest.TestCase):
    def test_chinese_numerals(self):
        for text, value in [("三", 3), ("十", 10), ("十二", 12), ("二十四", 24),
                            ("七十", 70), ("三百", 300), ("一百零", None)]:
            if value is None:
                with self.assertRaises(ValueError):
                    build_data.cn_number(text)
            else:
                self.assertEqual(build_data.cn_number(text), value, text)

    def test_plain_half_and_mixed_doses(self):
        cases = {
            "三两": "3两", "十二枚": "12枚", "七十个": "70个", "一两半": "1.5两",
            "二合半": "2.5合", "半升": "0.5升", "半斤": "0.5斤", "一两十六铢": "1两16铢",
            "二两十六铢": "2两16铢", "一两一分": "1两1分", "三百枚": "300枚",
            "十八株": "18铢",   # misprinted unit of the corpus
        }
        for text, dose in cases.items():
            self.assertEqual(build_data.split_dose_processing(text), (dose, False, [], False), text)

    def test_notes_keep_source_order_and_only_the_first_dose_counts(self):
        split = build_data.split_dose_processing
        self.assertEqual(split("一两半，一方三两，切"), ("1.5两", False, ["一方三两", "切"], False))
        self.assertEqual(split("二十五枚，擘，一法十二枚"), ("25枚", False, ["擘", "一法十二枚"], False))
        self.assertEqual(split("洗，破如枣核，十四枚"), ("14枚", False, ["洗", "破如枣核"], False))
        self.assertEqual(split("大者一枚，生用，去皮"), ("1枚", False, ["大者", "生用", "去皮"], False))
        self.assertEqual(split("三枚，大者，炙"), ("3枚", False, ["大者", "炙"], False))

    def test_units_the_program_cannot_strip_stay_in_the_note(self):
        split = build_data.split_dose_processing
        self.assertEqual(split("一尺，炙，去皮"), ("", False, ["1尺", "炙", "去皮"], False))
        self.assertEqual(split("一钱匕"), ("", False, ["1钱匕"], False))
        self.assertEqual(split("四茎"), ("", False, ["4茎"], False))
        self.assertEqual(split("如鸡子大，碎"), ("", False, ["如鸡子大", "碎"], False))

    def test_each_and_equal_parts(self):
        split = build_data.split_dose_processing
        self.assertEqual(split("去节，各一两"), ("1两", True, ["去节"], False))
        self.assertEqual(split("各三两，炙"), ("3两", True, ["炙"], False))
        self.assertEqual(split("各等分"), ("", False, [], True))
        self.assertEqual(split(""), ("", False, [], False))


class CompositionTest(unittest.TestCase):
    def test_guizhi_tang(self):
        items = [("桂枝", "三两，去皮"), ("芍药", "三两"), ("甘草", "二两，炙"),
                 ("生姜", "三两，切"), ("大枣", "十二枚，擘")]
        self.assertEqual(build_data.format_composition(items),
                         "桂枝（去皮）3两，芍药3两，甘草（炙）2两，生姜（切）3两，大枣（擘）12枚。")

    def test_group_dose_goes_back_to_herbs_without_their_own(self):
        items = [("桂枝", "一两十六铢，去皮"), ("芍药", ""), ("生姜", "切"), ("甘草", "炙"),
                 ("麻黄", "去节，各一两"), ("大枣", "四枚，擘")]
        self.assertEqual(build_data.format_composition(items),
                         "桂枝（去皮）1两16铢，芍药1两，生姜（切）1两，甘草（炙）1两，"
                         "麻黄（去节）1两，大枣（擘）4枚。")

    def test_equal_parts_only_after_the_last_herb(self):
        items = [("牡蛎", "熬"), ("泽泻", ""), ("栝蒌根", "各等分")]
        text = build_data.format_composition(items)
        self.assertEqual(text, "牡蛎（熬），泽泻，栝蒌根各等分。")
        self.assertEqual(tcm_rules.herb_names(text), ["牡蛎", "泽泻", "栝蒌根"])

    def test_brackets_inside_a_note_cannot_end_it_early(self):
        text = build_data.format_composition([("某药", "去皮（一作心），切"), ("甘草", "二两")])
        self.assertEqual(text, "某药（去皮〔一作心〕，切），甘草2两。")
        self.assertEqual(tcm_rules.herb_names(text), ["某药", "甘草"])

    def test_every_dose_form_leaves_clean_herb_names(self):
        doses = ["三两", "一两半", "二合半", "半升", "一两十六铢", "一尺，炙", "一钱匕",
                 "如鸡子大，碎", "四茎", "七十个，去皮尖", "大者一枚，生用", "十八株", "炙，各二两",
                 "二十枚，本云五枚，洗", "一斤，一半全用，一半筛末"]
        herbs = ["桂枝", "干姜", "半夏", "芒硝", "黄芩", "厚朴", "甘遂", "石膏", "葱白",
                 "杏仁", "附子", "麻黄", "甘草", "柴胡", "赤石脂"]
        items = list(zip(herbs, doses))
        names = tcm_rules.herb_names(build_data.format_composition(items))
        self.assertEqual(names, [h for h, _ in items])


class StandardIngredientsTest(unittest.TestCase):
    def test_program_examples(self):
        si = tcm_rules.standard_ingredients
        self.assertEqual(si("沉香（锉）半两，青橘皮（去白，焙）半两，京三棱（煨，锉）半两，甘松半两，"
                            "姜黄1分，木香1分，甘遂（炒）1分，芫花（醋炒焦）1分，大戟（炒）1分，"
                            "牵牛子（炒）1两。"),
                         "沉香、青橘皮、京三棱、甘松、姜黄、木香、甘遂、芫花、大戟、牵牛子")
        self.assertEqual(si("人参、白术各等分。"), "人参、白术")
        self.assertEqual(si("生姜3片，大枣（擘）12枚，甘草（炙）2两"), "生姜片、大枣、甘草")
        self.assertEqual(si("石膏1.5两，知母6g，粳米约10g"), "石膏、知母、粳米")
        self.assertEqual(si("麻黄（去节"), "麻黄")
        self.assertEqual(si("附子（炮，去皮）1枚，"), "附子、")
        self.assertEqual(si("黄连一两半"), "黄连一")

    def test_unclean_names_are_reported(self):
        for bad in ["生姜片", "黄连一", "甘草2", "石膏如鸡子大", "麻黄（去节", "某药尺", "甘遂匕"]:
            self.assertIsNotNone(tcm_rules.unclean_reason(bad), bad)
        for good in ["桂枝", "半夏", "五味子", "太一禹余粮", "鸡子黄", "栝蒌根"]:
            self.assertIsNone(tcm_rules.unclean_reason(good), good)

    def test_herb_lookup_needs_a_tab_on_both_sides(self):
        lines = ["编号\t类型\t中药名", "1\t30\t甘草\tGancao\t", "2\t0\t人参\tRenshen"]
        self.assertEqual(tcm_rules.herb_id_by_name(lines, "甘草"), 1)
        self.assertEqual(tcm_rules.herb_id_by_name(lines, "Gancao"), 1)
        self.assertEqual(tcm_rules.herb_id_by_name(lines, "Renshen"), -1)
        self.assertEqual(tcm_rules.herb_id_by_name(lines, "中药名"), -1)


class TextTest(unittest.TestCase):
    def test_safe_text_counts_every_change(self):
        safe = build_data.SafeText()
        self.assertEqual(safe("IC50=9 µM"), "IC50=9 μM")
        self.assertEqual(safe("a\tb"), "a b")
        self.assertEqual(safe("ﬀ\u200bć"), "ffc")
        self.assertEqual(safe("\u2212"), "-")
        self.assertEqual(safe("\U0002B21F"), "?")
        self.assertEqual(safe.count, 7)
        self.assertEqual(safe("甘草 β-glycyrrhizin"), "甘草 β-glycyrrhizin")
        self.assertEqual(safe.count, 7)

    def test_clause_text_drops_notes_markup_and_remarks(self):
        self.assertEqual(build_data.clause_text("脉<j>一云秋脉</j>蔼蔼，**如车盖**者。\n附记。"),
                         "脉蔼蔼，如车盖者。")

    def test_indications_lose_the_segments_that_prescribe_or_name_formulas(self):
        clean = build_data.clean_indication
        names = ["桂枝汤", "甘草干姜汤", "四逆汤"]
        self.assertEqual(clean("太阳中风，鼻鸣干呕者，桂枝汤主之。脉浮，宜四逆辈。", names),
                         "太阳中风，鼻鸣干呕者。脉浮。")
        # Segments that give or name a formula go, the narrative around them stays;
        # variant characters are folded.
        self.assertEqual(clean("得之便厥，作甘草干姜汤与之，以复其阳。欬而心下鞕，"
                               "可与小柴胡汤；此为桂枝证。", names),
                         "得之便厥，以复其阳。咳而心下硬。")
        self.assertEqual(clean("发汗后，不可更行桂枝汤，汗出而喘。", names), "发汗后，汗出而喘。")

    def test_formula_families_and_taking_a_decoction_leave_the_indications(self):
        clean = build_data.clean_indication
        names = ["大承气汤", "小承气汤", "三物白散", "小青龙汤"]
        self.assertEqual(clean("其热不潮，未可与承气汤；若腹大满不通者。"
                               "服汤已，渴者，此寒去欲解也。无热证者，白散亦可服。", names),
                         "其热不潮，若腹大满不通者。渴者，此寒去欲解也。无热证者。")
        # 汤 inside ordinary words and 与 without a formula stay.
        self.assertEqual(clean("身热如汤沃雪，勿更与之。", names), "身热如汤沃雪，勿更与之。")

    def test_property_rows_classical_names_and_missing_herbs(self):
        def herb(name, type_no=1, modern=None):
            h = build_data.Herb(name)
            h.type_no, h.modern = type_no, modern
            return h
        herbs = [herb("甘草", 30), herb("芍药", 31, "白芍"), herb("白芍", 31), herb("粳米", 0)]
        formulas = [["芍药甘草汤", "白芍4两，甘草4两，粳米1升。", ""]]
        table = [["甘草", "平", "甘", "心、肺、脾、胃", "-", "药典"],
                 ["白芍", "微寒", "苦、酸", "肝、脾", "-", "药典"],
                 ["粳米", "不详", "-", "-", "-", "-", "食物"]]
        lines, unknown = build_data.property_lines(herbs, formulas, table)
        self.assertEqual(lines, ["1\t平\t甘\t心、肺、脾、胃\t\t中国药典2020年版一部",
                                 "2\t微寒\t苦、酸\t肝、脾\t\t中国药典2020年版一部",
                                 "3\t微寒\t苦、酸\t肝、脾\t\t中国药典2020年版一部"])
        self.assertEqual(unknown, ["粳米"])
        for broken, message in [(table[:2], "no property row for 粳米"),
                                ([table[0], ["白芍", "微寒", "苦", "肝经", "-", "药典"], table[2]],
                                 "meridian '肝经'"),
                                (table + [["芍药", "平", "甘", "肝", "-", "药典"]], "classical name"),
                                (table + [["甘草", "平", "甘", "心", "-", "药典"]], "repeated"),
                                (table[:2] + [table[2][:6]], "needs its reason"),
                                (table + [["芍药甘", "平", "甘", "心", "-", "整理"]], "needs its reason")]:
            with self.subTest(message=message):
                with self.assertRaisesRegex(ValueError, message):
                    build_data.property_lines(herbs, formulas, broken)

    def test_polyphonic_herb_names(self):
        if not os.path.exists(pinyin.DICTIONARY):
            self.skipTest("the pinyin dictionary is not installed")
        speller = pinyin.Pinyin()
        for name, trad, want in [("地黄", "地黃", "Dihuang"), ("熟地黄", "熟地黃", "Shudihuang"),
                                 ("大黄", "大黃", "Dahuang"), ("熟地黄炭", "熟地黃炭", "Shudihuangtan"),
                                 ("石膏", "石膏", "Shigao"), ("牡蛎", "牡蠣", "Muli"),
                                 ("女贞子", "女貞子", "Nvzhenzi"), ("阿胶", "阿膠", "Ejiao")]:
            self.assertEqual(speller.reading(name, trad), want, name)

    def test_material_rows_joining_herbs_are_split(self):
        split = build_data.split_material_row
        self.assertEqual(split("白芍 赤芍", "Baishao Chishao"),
                         [("白芍", "Baishao"), ("赤芍", "Chishao")])
        self.assertEqual(split("淫羊藿 巫山淫羊藿", "Yinyanghuo Wushan Yinyanghuo"),
                         [("淫羊藿", "Yinyanghuo"), ("巫山淫羊藿", "WushanYinyanghuo")])
        self.assertEqual(split("花椒", ""), [("花椒", "")])
        self.assertEqual(split("大青叶 蓼大青叶", "Daqingye"),
                         [("大青叶", ""), ("蓼大青叶", "")])

    def test_compound_names_match_across_greek_spelling(self):
        self.assertEqual(build_data.normalise_compound_name(" beta-Elemene"), "β-elemene")
        self.assertEqual(build_data.normalise_compound_name("Quercetin"), "quercetin")

    def test_only_web_addresses_are_kept(self):
        self.assertEqual(build_data.http_addresses("https://doi.org/1; doi:10.1/x http://a.b/c"),
                         ["https://doi.org/1", "http://a.b/c"])


def write_tsv(path, rows):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="") as f:
        for r in rows:
            f.write("\t".join(r) + "\n")


@needs_opencc
@needs_dictionary
class SourcesTest(unittest.TestCase):
    """Builds from a miniature sources folder."""

    def setUp(self):
        self.src = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.src)
        write_tsv(os.path.join(self.src, "tcmsp", "herbs_data.tsv"), [
            ["herb_cn_name", "herb_pinyin", "herb_en_name", "child_cn_name", "child_en_name"],
            ["苦杏仁", "Kuxingren", "Armeniacae Semen Amarum", "止咳平喘药", "x"],
            ["白芍", "Baishao", "Paeoniae Radix Alba", "补血药", "x"],
            ["甘草", "Gancao", "licorice", "补气药", "x"],
            ["葛根", "Gegen", "Puerariae Lobatae Radix", "辛温解表药", "x"],
            ["地榆", "Diyu", "Radix Sanguisorbae", "凉血止血药", "x"],
            ["沉香", "Chenxiang", "Linderae Radix", "理气药", "x"],
            ["乌药", "Wuyao", "Linderae Radix", "理气药", "x"],
        ])
        write_tsv(os.path.join(self.src, "tm-mc", "medicinal_material.tsv"), [
            ["LATIN", "COMMON", "KOREAN", "HANJA", "CHINESE", "PINYIN"],
            ["Paeoniae Radix", "", "", "芍藥", "白芍 赤芍", "Baishao Chishao"],
            ["Glycyrrhizae Radix", "", "", "甘草", "甘草", "Gancao"],
            ["Allii Fistulosi Bulbus", "", "", "蔥白", "", ""],
            ["Armeniacae Semen", "", "", "杏仁", "苦杏仁", "Kuxingren"],
            ["Sanguisorbae Radix", "", "", "地楡", "地楡", "Diyu"],
            ["Aquilariae Lignum", "", "", "沈香", "沉香", "Chenxiang"],
            ["Linderae Radix", "", "", "烏藥", "乌药", "Wuyao"],
        ] + [[k, "", "", "", n, ""] for k, n in (
            ("Forsythiae Fructus", "连翘"), ("Cannabis Semen", "火麻仁"), ("Mel", "蜂蜜"),
            ("X1", "淡豆豉"), ("X2", "瓜蒌"), ("X3", "天花粉"), ("X4", "川贝母"),
            ("X5", "京大戟"), ("X6", "地黄"), ("X7", "麦冬"), ("X8", "茵陈"), ("X9", "栀子"),
            ("X10", "猪胆粉"), ("X11", "黄柏"), ("X12", "花椒"), ("X13", "天冬"),
            ("X14", "商陆"))])

    def build(self, numbers=(), aliases=()):
        return build_data.build_herbs(self.src, build_data.SafeText(), numbers=list(numbers),
                                      aliases=list(aliases))

    def test_herbs_merge_split_and_carry_classical_names(self):
        herbs, report = self.build(aliases=[("杭芍", "白芍", "处方名", ""), ("芍药", "白芍", "古名", ""),
                                            ("炙甘", "炙甘草", "简写", "")])
        self.assertEqual(report["unnamed materials"], [])
        lines = build_data.herb_name_lines(herbs)
        by_name = {l.split("\t")[2]: l for l in lines[1:]}
        self.assertEqual(by_name["白芍"].split("\t")[1:],
                         ["31", "白芍", "杭芍", "Baishao", "Paeoniae Radix Alba", "Paeoniae Radix"])
        self.assertEqual(by_name["赤芍"].split("\t")[1:4], ["6", "赤芍", "Chishao"])
        self.assertIn("葱白", by_name)          # Hanja name, converted, when CHINESE is empty
        self.assertEqual(by_name["甘草"].split("\t")[3:],
                         ["炙甘", "Gancao", "licorice", "Glycyrrhizae Radix"])
        # A classical name is a record of its own with the modern herb's type, so
        # that both the name lookup and the type lookup answer it.
        self.assertEqual(by_name["芍药"].split("\t")[1:], ["31", "芍药", "Shaoyao"])
        self.assertEqual(by_name["杏仁"].split("\t")[1], by_name["苦杏仁"].split("\t")[1])
        self.assertEqual(tcm_rules.herb_id_by_name(lines, "芍药"), lines.index(by_name["芍药"]))
        # Herbs no source has come from the curated table, typed and spelled.
        self.assertEqual(by_name["石膏"].split("\t")[1:], ["3", "石膏", "Shigao", "Gypsum Fibrosum"])
        self.assertEqual(by_name["代赭"].split("\t")[1], by_name["赭石"].split("\t")[1])
        # The textbook type wins over the source's category.
        self.assertEqual(by_name["葛根"].split("\t")[1], "2")
        self.assertIn("葛根", report["type overrides"])
        # A variant character joins two records; the variant stays a name of it.
        self.assertNotIn("地楡", by_name)
        self.assertEqual(by_name["地榆"].split("\t")[2:],
                         ["地榆", "地楡", "Diyu", "Radix Sanguisorbae", "Sanguisorbae Radix"])
        # TCMSP's Latin name copied from 乌药 goes; TM-MC's stays.
        self.assertEqual(by_name["沉香"].split("\t")[3:], ["Chenxiang", "Aquilariae Lignum"])
        self.assertIn("Linderae Radix", by_name["乌药"])
        for pos, line in enumerate(lines[1:], start=1):
            fields = line.split("\t")
            self.assertEqual(fields[0], str(pos))
            self.assertNotIn("", fields, line)
            self.assertTrue(any(f.isascii() for f in fields[3:]), line)   # a pinyin
        # A curated alias is a further name of its drug, found by the name lookup; a classical
        # name keeps its record; a processed form's alias belongs to its drug.
        self.assertEqual(by_name["白芍"].split("\t")[3], "杭芍")
        self.assertEqual(tcm_rules.herb_id_by_name(lines, "杭芍"), lines.index(by_name["白芍"]))
        self.assertNotIn("芍药", by_name["白芍"].split("\t"))
        self.assertEqual(report["aliases"], {"further names": 2, "classical records": 1})

    def test_aliases_must_name_one_drug(self):
        for aliases, message in [([("川归", "当归", "处方名", "")], "which is no drug"),
                                 ([("芍药根", "芍药", "古名", "")], "which is no drug"),
                                 ([("甘草", "白芍", "处方名", "")], "is the drug 甘草"),
                                 ([("国老", "甘草", "", ""), ("国老", "白芍", "", "")], "names both")]:
            with self.subTest(message=message), self.assertRaisesRegex(ValueError, message):
                self.build(aliases=aliases)

    def test_herb_numbers_are_kept_and_new_herbs_follow(self):
        herbs, report = self.build()
        first = [h.name for h in herbs]
        # Numbers given before stay, whatever the pinyin order; herbs new to the table follow
        # in pinyin order.
        kept = [(1, "葛根"), (2, "甘草"), (3, first[0])]
        herbs, report = self.build(numbers=kept)
        names = [h.name for h in herbs]
        self.assertEqual(names[:3], ["葛根", "甘草", first[0]])
        self.assertEqual(names[3:], [n for n in first if n not in names[:3]])
        self.assertEqual(report["new numbers"], names[3:])
        for numbers, message in [([(1, "葛根"), (3, "甘草")], "should be 2"),
                                 ([(1, "葛根"), (2, "无此药")], "may not be dropped")]:
            with self.subTest(message=message), self.assertRaisesRegex(ValueError, message):
                self.build(numbers=numbers)

    def test_classical_names_share_links_and_literature_adds_links(self):
        herbs, _ = self.build()
        lh = ["LATIN", "ID", "COMPOUND", "PMID"]
        lrows = [["Paeoniae Radix", "1", "paeoniflorin", ""], ["Armeniacae Semen", "2", "amygdalin", ""],
                 ["Paeoniae Radix", "0", "unknown", ""]]
        compounds = {1: {}, 2: {}, 3: {}}
        lines, dropped, added = build_data.link_lines(herbs, compounds, lh, lrows,
                                                      [("杏仁", 3), ("地楡", 3), ("无此药", 1)])
        pos = {h.name: i for i, h in enumerate(herbs, start=1)}
        got = {}
        for line in lines:
            h, c = map(int, line.split("\t"))
            got.setdefault(h, []).append(c)
        self.assertEqual(got[pos["白芍"]], [1])
        self.assertEqual(got[pos["芍药"]], [1])
        self.assertEqual(got[pos["赤芍"]], [1])
        self.assertEqual(got[pos["苦杏仁"]], [2])
        self.assertEqual(got[pos["杏仁"]], [3, 2])
        self.assertEqual(got[pos["地榆"]], [3])
        self.assertEqual(dropped["compound without structure"], 1)
        self.assertEqual(sum(added.values()), 2)

    def test_formulas_simplified_with_indications_from_zhuzhi_clauses(self):
        clauses = [
            {"clause_id": "1", "text_type": "original_clause",
             "original_text": "太陽中風，鼻鳴乾嘔者，桂枝湯主之。",
             "formula_blocks": [{"formula_name": "桂枝湯", "raw_text": "",
                                 "composition": [{"herb": "桂枝", "dose_processing": "三兩，去皮"},
                                                 {"herb": "乾薑", "dose_processing": "半兩"}]}]},
            {"clause_id": "2", "text_type": "original_clause",
             "original_text": "往來寒熱，小桂枝湯主之。太陽病，頭痛，桂枝湯主之。"},
            {"clause_id": "3", "text_type": "auxiliary_clause",
             "original_text": "**桂枝湯主之方**"},
            {"clause_id": "4", "text_type": "original_clause", "original_text": "汗家，與禹餘糧丸。",
             "formula_blocks": [{"formula_name": "禹餘糧方闕", "composition": [],
                                 "raw_text": "**禹餘糧方闕**"}]},
            {"clause_id": "5", "text_type": "original_clause",
             "original_text": "小桂枝湯主之。",
             "formula_blocks": [{"formula_name": "小桂枝湯", "raw_text": "",
                                 "composition": [{"herb": "桂枝", "dose_processing": "一兩"}]}]},
            {"clause_id": "6", "text_type": "original_clause",
             "original_text": "其人欬者，小桂枝湯主之。",
             "formula_blocks": [{"formula_name": "小桂枝湯", "raw_text": "",
                                 "composition": [{"herb": "桂枝", "dose_processing": "一兩"}]},
                                {"formula_name": "桂枝湯", "raw_text": "",
                                 "composition": [{"herb": "桂枝", "dose_processing": "二兩"}]}]},
        ]
        path = os.path.join(self.src, "shanghanlun", "clauses.jsonl")
        os.makedirs(os.path.dirname(path))
        with open(path, "w", encoding="utf-8") as f:
            for c in clauses:
                f.write(json.dumps(c, ensure_ascii=False) + "\n")
        report = {}
        records = build_data.build_formulas(self.src, build_data.SafeText(), report)
        self.assertEqual(records[0], ["桂枝汤", "桂枝（去皮）3两，干姜0.5两。",
                                      "太阳中风，鼻鸣干呕者。往来寒热。太阳病，头痛。"])
        self.assertEqual(records[1], ["禹余粮丸", "（方阙）", "汗家。"])
        # 小桂枝汤 twice with one composition is one record holding both clauses;
        # 桂枝汤 with another composition stays apart.
        self.assertEqual(records[2], ["小桂枝汤", "桂枝1两。", "往来寒热。太阳病，头痛。其人咳者。"])
        self.assertEqual([r[0] for r in records], ["桂枝汤", "禹余粮丸", "小桂枝汤", "桂枝汤"])
        self.assertEqual(report["merged formulas"], ["小桂枝汤"])
        self.assertEqual(report["same name, other composition"], ["桂枝汤"])

    def test_conversion_keeps_a_traditional_character_gbk_can_hold(self):
        out = build_data.to_simplified(["芍藥", "懊憹", "個"])
        self.assertEqual(out[0], "芍药")
        self.assertEqual(out[2], "个")
        out[1].encode("gbk")


class CheckerTest(unittest.TestCase):
    """The checker must notice broken folders, not only pass good ones."""

    def setUp(self):
        self.db = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.db)
        key = "DXDRHHKMWQZJHT-FPYGCLRLSA-N"
        self.files = {
            "Fangji.DB": ["麻黄汤\t麻黄（去节）3两，桂枝（去皮）2两，甘草（炙）1两。\t太阳病"],
            "Herb_Name.DB": ["编号\t类型\t中药名", "1\t1\t麻黄\tMahuang",
                             "2\t1\t桂枝\tGuizhi", "3\t30\t甘草\tGancao"],
            "Herb_Compound.DB": ["3\t15361"],
            "Herb_Property.DB": ["1\t温\t辛、微苦\t肺、膀胱\t\t中国药典2020年版一部",
                                 "2\t温\t辛、甘\t心、肺、膀胱\t\t中国药典2020年版一部",
                                 "3\t平\t甘\t心、肺、脾、胃\t\t中国药典2020年版一部"],
            "Compound.DB": ["15361\tisoliquiritigenin\tOc1ccc(cc1)C=O\t" + key],
            os.path.join("Ref", "抗癌天然产物.DB"): ["C\t\t" + key + "\tx\t异甘草素\tref"],
            os.path.join("Ref", "抗流感天然产物.DB"):
                ["C\t甘草\t异甘草素\tIsoliquiritigenin\t活性\t文献\t[1]https://doi.org/x\t" + key],
        }

        # The name table and the pairs that must stay apart.
        self.table = ["写法\t标准名\t类别\t来源", "麻黄草\t麻黄\t别名\t古名",
                      "国老\t甘草\t别名\t处方名", "炙草\t炙甘草\t别名\t处方名",
                      "二药\t麻黄、桂枝\t多药\t合称", "樸\t朴\t异体字\t旧字形"]
        self.kept_apart = os.path.join(self.db, "kept_apart.tsv")
        with open(self.kept_apart, "w", encoding="utf-8") as f:
            f.write("药名\t另一药名\n麻黄\t桂枝\n麻黄草\t甘草\n")

    def run_checker(self):
        for rel, lines in self.files.items():
            build_data.write_gbk(os.path.join(self.db, rel), lines)
        with open(os.path.join(self.db, "药名对照.tsv"), "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in self.table))
        out = io.StringIO()
        with contextlib.redirect_stdout(out), \
                unittest.mock.patch.object(check_data, "KEPT_APART", self.kept_apart):
            rc = check_data.main(["check_data.py", self.db])
        text = out.getvalue()
        self.assertRegex(text.splitlines()[-1], r"^\d+ passed, \d+ failed$")
        return rc, text

    def test_good_folder_passes(self):
        rc, text = self.run_checker()
        self.assertEqual(rc, 0, text)

    def test_faults_are_found(self):
        faults = [
            ("Herb_Name.DB", 2, "5\t1\t桂枝\tGuizhi", "differs from the line position"),
            ("Herb_Name.DB", 2, "2\t1\t桂枝\tGuizhi\t", "empty field 4"),
            ("Herb_Name.DB", 2, "2\t1\t桂枝枝\tGuizhi", "桂枝 is not found by name"),
            ("Herb_Name.DB", 2, "2\t0\t桂枝\tGuizhi", "桂枝 has no type"),
            ("Herb_Name.DB", 1, "1\t30\t麻黄\tMahuang", "麻黄 is 补气药, the textbook has 辛温解表药"),
            ("Herb_Name.DB", None, "4\t20\t地楡\t麻黄\tMahuang", "麻黄 on lines 1 and 4"),
            ("Fangji.DB", None, "麻黄汤\t麻黄（去节）3两，桂枝（去皮）2两，甘草（炙）1两。\t喘",
             "lines 0 and 1 have the same composition"),
            ("Fangji.DB", 0, "麻黄汤\t麻黄3两，桂枝2两。\t太阳病，麻黄汤主之", "names a formula"),
            ("Herb_Name.DB", 3, "3\t30\t甘草", "at least 4"),
            ("Herb_Compound.DB", 0, "3\t999", "not in Compound.DB"),
            ("Compound.DB", 0, "15361\tx\tC", "a compound has 4"),
            ("Fangji.DB", 0, "麻黄汤\t麻黄3片，桂枝2两。\t太阳病", "片"),
            ("Fangji.DB", 0, "麻黄汤\t麻黄3两。\t太阳病", "no formula holds both"),
            (os.path.join("Ref", "抗癌天然产物.DB"), 0, "C\tNPACT1\tAAAAAAAAAAAAAA-BBBBBBBBBB-C",
             "is not in Compound.DB"),
            (os.path.join("Ref", "抗流感天然产物.DB"), 0, "C\t甘草\t异甘草素", "needs at least 8"),
            ("Herb_Compound.DB", 0, "1\t15361", "甘草 (herb 3) has no compounds"),
            ("Herb_Property.DB", 1, "2\t温\t辛、甘\t心、肺、膀光\t\t中国药典2020年版一部",
             "meridian '膀光' is not an allowed word"),
            ("Herb_Property.DB", 1, "2\t温\t辛、甘\t心经\t有毒\t中国药典2020年版一部",
             "meridian '心经'"),
            ("Herb_Property.DB", 1, "2\t微热\t辛、微甘\t心\t\t中国药典2020年版一部",
             "nature '微热'"),
            ("Herb_Property.DB", 1, "2\t温\t辛、甘\t心\t有些毒\t中国药典2020年版一部",
             "toxicity '有些毒'"),
            ("Herb_Property.DB", 2, "2\t平\t甘\t心\t\t中国药典2020年版一部",
             "out of order or repeated"),
            ("Herb_Property.DB", 1, "9\t温\t辛\t心\t\t中国药典2020年版一部",
             "桂枝 has no property row"),
            ("Fangji.DB", 0, "麻黄汤\t麻黄3两，桂枝2两。\t太阳病，服汤已，渴者", "is a prescription"),
            ("Fangji.DB", 0, "麻黄汤\t麻黄3两，桂枝2两。\t太阳病，未可与麻黄汤", "names a formula"),
        ]
        for rel, index, line, message in faults:
            with self.subTest(rel=rel, line=line):
                saved = list(self.files[rel])
                if index is None:
                    self.files[rel].append(line)
                else:
                    self.files[rel][index] = line
                rc, text = self.run_checker()
                self.files[rel] = saved
                self.assertEqual(rc, 1, text)
                self.assertIn(message, text)

    def test_vocabulary_faults_are_found(self):
        faults = [
            ("川归\t当归\t别名\t处方名", "当归 is no drug of the herb file"),
            ("二药\t麻黄、当归\t多药\t合称", "当归 is no drug of the herb file"),
            ("麻黄草\t桂枝\t别名\t误", "麻黄草 names both 麻黄 and 桂枝"),
            ("桂枝\t麻黄\t别名\t误", "桂枝 → 麻黄, but 桂枝 is a drug of its own"),
            ("桂枝\t麻黄\t别名\t误", "麻黄 and 桂枝 are one drug"),
            ("Mahuang\t桂枝\t别名\t误", "Mahuang is a name of 麻黄 in the herb file but means 桂枝"),
            ("甘草草\t桂枝\t别名\t误", "甘草草 → 桂枝"),
        ]
        for line, message in faults:
            with self.subTest(line=line):
                saved = list(self.table)
                self.table.append(line)
                if message.startswith("甘草草"):
                    # An alias that is a further name of another herb in the herb file.
                    self.files["Herb_Name.DB"][3] = "3\t30\t甘草\t甘草草\tGancao"
                    message = "甘草草 is a name of 甘草 in the herb file but means 桂枝"
                rc, text = self.run_checker()
                self.table = saved
                self.files["Herb_Name.DB"][3] = "3\t30\t甘草\tGancao"
                self.assertEqual(rc, 1, text)
                self.assertIn(message, text)
        # A processing word folds 炙草 (→ 炙甘草) into 甘草: a pair listed apart that the fold
        # joins fails like one an alias joins.
        with open(self.kept_apart, "a", encoding="utf-8") as f:
            f.write("甘草\t炙草\n")
        rc, text = self.run_checker()
        self.assertEqual(rc, 1, text)
        self.assertIn("甘草 and 炙草 are one drug (甘草)", text)
        with open(self.kept_apart, "w", encoding="utf-8") as f:
            f.write("药名\t另一药名\n麻黄\t桂枝\n")
        # A drug the herb file does not type fails; so does one without properties.
        self.files["Herb_Name.DB"][2] = "2\t0\t桂枝\tGuizhi"
        rc, text = self.run_checker()
        self.assertIn("桂枝 has no type", text)
        self.files["Herb_Name.DB"][2] = "2\t1\t桂枝\tGuizhi"
        del self.files["Herb_Property.DB"][1]
        rc, text = self.run_checker()
        self.assertIn("桂枝 has no properties", text)

    def test_bad_encoding_and_line_ends_are_found(self):
        self.run_checker()
        with open(os.path.join(self.db, "Fangji.DB"), "ab") as f:
            f.write(b"\xff\xff\n")
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            rc = check_data.main(["check_data.py", self.db])
        self.assertEqual(rc, 1)
        self.assertIn("FAIL Fangji.DB decodes as GBK", out.getvalue())


if __name__ == "__main__":
    unittest.main()
