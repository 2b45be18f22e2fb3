#!/usr/bin/env python3
"""Writes a formula library shaped like real prescriptions, for timing the association rules:
PROGRAM_FOLDER/DB/Fangji.DB (GBK, TAB separated, CR LF) with about 30,000 prescriptions of 2 to
15 herbs drawn from about 800 herbs with a Zipf-like frequency.

Real prescriptions are not independent draws: most start from a classical base formula and add
or drop a few herbs. So each prescription here takes most of one of a few hundred base formulas
(chosen Zipf-like too) and fills up with single herbs; that gives the strongly associated groups
of herbs that make high-confidence rules. Deterministic for a given seed.

usage: make_sparse_formula_db.py PROGRAM_FOLDER [PRESCRIPTIONS] [HERBS] [SEED]
"""
import bisect
import itertools
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
NAMES = os.path.join(HERE, "..", "tools", "herb_numbers.tsv")
DOSES = ["3g", "6g", "9g", "10g", "12g", "15g", "20g", "30g"]
SYMPTOMS = ["发热", "恶寒", "头痛", "咳嗽", "口渴", "心烦", "呕吐", "腹痛", "失眠", "心悸",
            "乏力", "纳差", "便溏", "盗汗", "腰酸", "胁痛"]


def herb_names(count):
    names = []
    with open(NAMES, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "\t" not in line:
                continue
            number, name = line.rstrip("\n").split("\t")[:2]
            # Plain names only: no digits (read as doses), no brackets (read as notes).
            if number.isdigit() and name and not any(c.isdigit() or c in "（）()" for c in name):
                names.append(name)
    if len(names) < count:
        sys.exit(f"only {len(names)} herb names available")
    return names[:count]


class Zipf:
    """Ranks 0..n-1 with probability proportional to 1 / (rank + 1)^s."""

    def __init__(self, n, s, rng):
        self.rng = rng
        self.cumulative = list(itertools.accumulate(1.0 / (r + 1) ** s for r in range(n)))

    def draw(self):
        return bisect.bisect_left(self.cumulative, self.rng.random() * self.cumulative[-1])


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    root = sys.argv[1]
    prescriptions = int(sys.argv[2]) if len(sys.argv) > 2 else 30000
    herb_count = int(sys.argv[3]) if len(sys.argv) > 3 else 800
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    names = herb_names(herb_count)
    rng.shuffle(names)
    herbs = Zipf(herb_count, 1.0, rng)

    def distinct_herbs(k, taken):
        while len(taken) < k:
            taken.add(herbs.draw())
        return taken

    bases = [sorted(distinct_herbs(rng.randint(3, 7), set())) for _ in range(400)]
    base_of = Zipf(len(bases), 0.8, rng)

    os.makedirs(os.path.join(root, "DB"), exist_ok=True)
    os.makedirs(os.path.join(root, "Result"), exist_ok=True)
    path = os.path.join(root, "DB", "Fangji.DB")
    with open(path, "wb") as out:
        for i in range(prescriptions):
            size = min(15, max(2, round(rng.gauss(9, 3))))
            chosen = set()
            if rng.random() < 0.8:
                base = bases[base_of.draw()]
                chosen.update(h for h in base if rng.random() < 0.85)
            chosen = distinct_herbs(size, chosen)
            order = list(chosen)
            rng.shuffle(order)
            herbs_text = "，".join(names[h] + rng.choice(DOSES) for h in order[:15])
            symptoms = "，".join(rng.sample(SYMPTOMS, rng.randint(2, 5)))
            line = f"处方{i + 1}\t{herbs_text}。\t{symptoms}。\r\n"
            out.write(line.encode("gbk"))
    print(f"{prescriptions} prescriptions, {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
