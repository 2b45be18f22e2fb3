#!/usr/bin/python3
"""Writes a large generated workbook for timing the import: make_large_workbook.py ROWS OUT.xlsx

Rows of eight to fourteen herbs drawn from the common clinical names (aliases, processing words
and doses included), with a name, a symptom text and a source column; the same seed gives the
same workbook.
"""

import random
import sys

from openpyxl import Workbook

HERBS = ("黄芪 党参 炒白术 茯苓 炙甘草 当归 川芎 白芍 熟地 生地黄 柴胡 黄芩 法半夏 陈皮 "
         "枳壳 竹茹 酸枣仁 炒枣仁 远志 夜交藤 合欢皮 龙骨 煅牡蛎 丹参 川归 淮山 丹皮 元参 "
         "萸肉 花粉 桂枝 生姜 大枣 麦冬 五味子 知母 黄连 栀子 连翘 银花 薄荷 防风 羌活 独活 "
         "桃仁 红花 赤芍 牛膝 杜仲 续断 桑寄生 焦三仙 鸡内金 砂仁 木香 厚朴 苍术 薏苡仁").split()
SYMPTOMS = "失眠 多梦 心悸 头晕 乏力 纳差 口苦 咽干 腰酸 胸闷 烦躁 健忘 盗汗 便溏".split()


def main(rows, out):
    rng = random.Random(20261207)
    book = Workbook(write_only=True)
    sheet = book.create_sheet("处方")
    sheet.append(["方名", "组成", "主治", "出处"])
    for i in range(rows):
        herbs = rng.sample(HERBS, rng.randint(8, 14))
        composition = "，".join(f"{h}{rng.choice((3, 6, 9, 10, 12, 15, 20, 30))}g" for h in herbs)
        symptoms = "，".join(rng.sample(SYMPTOMS, 3))
        sheet.append([f"处方{i + 1:06d}", composition, symptoms, f"病历{i % 997}"])
    book.save(out)


if __name__ == "__main__":
    main(int(sys.argv[1]), sys.argv[2])
