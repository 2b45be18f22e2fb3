#!/usr/bin/env python3
"""Times `lindora-cli rules` against Christian Borgelt's fpgrowth, the reference miner, as whole
processes on the same transactions, and checks that both find the same rules.

The reference is built from ../shared/bench/fpgrowth (beside the repository) into a temporary
folder; it is never part of the product. Two data sets: the generated 100,000-formula database
(make_formula_db) and a sparse set shaped like real prescriptions (make_sparse_formula_db.py).
For each, the standardised set is made first (one untimed run), then the transactions of
\\Result\\Result.DB.stand are written for the reference, and at each support level both run
pair by pair, alternating which goes first. Printed: medians of CPU time (user + system) and
wall time, the largest peak resident size, and the ratios Lindora / reference.

usage: bench/rules_vs_fpgrowth.py [BUILD_DIR] [RUNS]    (defaults: build-rules, 5)
       LINDORA_CLI=path/to/lindora-cli times another build of the console (make_formula_db
       still comes from BUILD_DIR).
"""
import hashlib
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from fractions import Fraction

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SUPPORTS = ["0.03", "0.1", "1"]  # percent
CONFIDENCE = "0.6"
MAX_SIZE = 4


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, **kw)


def timed(cmd):
    """(cpu seconds, wall seconds, max RSS KiB) of one run of cmd. The CPU time comes from the
    kernel's accounting of the waited-for process tree (microseconds; /usr/bin/time prints
    hundredths, too coarse for runs of a few hundredths), the peak resident size from time."""
    start = time.monotonic()
    p = subprocess.Popen(["/usr/bin/time", "-f", "@@ %M", *cmd], stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    err = p.stderr.read()
    _, status, usage = os.wait4(p.pid, 0)
    wall = time.monotonic() - start
    if status != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{err[-2000:]}")
    rss = err.strip().splitlines()[-1].split()[1]
    return usage.ru_utime + usage.ru_stime, wall, int(rss)


def build_reference(work):
    source = os.path.join(REPO, "..", "shared", "bench", "fpgrowth")
    if not os.path.isdir(source):
        source = "/work/shared/bench/fpgrowth"
    target = os.path.join(work, "fpgrowth-src")
    shutil.copytree(source, target)
    run(["make", "-C", os.path.join(target, "fpgrowth", "src"), "fpgrowth"])
    return os.path.join(target, "fpgrowth", "src", "fpgrowth")


def write_transactions(root, path):
    """The herbs of every standardised formula, one line each, as the rules read them."""
    n = 0
    # The standardised set is in the database's encoding.
    with open(os.path.join(root, "Result", "Result.DB.stand"), encoding="gb18030") as f, \
            open(path, "w", encoding="utf-8") as out:
        for line in f:
            fields = line.rstrip("\r\n").split("\t")
            herbs = fields[1].split("、") if len(fields) > 1 else []
            out.write(" ".join(dict.fromkeys(h for h in herbs if h)) + "\n")
            n += 1
    return n


def min_count(percent, n):
    return max(2, math.ceil(Fraction(percent) * n / 100))


def digest(lines):
    lines = sorted(lines)
    return len(lines), hashlib.sha256("\n".join(lines).encode()).hexdigest()[:16]


def lindora_rules(root):
    with open(os.path.join(root, "Result", "关联规则.csv"), encoding="utf-8-sig", newline="") as f:
        rows = f.read().split("\r\n")[1:-1]
    out = []
    for row in rows:
        body, head, count = row.split(",")[:3]
        out.append(" ".join(sorted(body.split("、"))) + " -> " + head + " " + count)
    return digest(out)


def reference_rules(path):
    out = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            head, rest = line.rstrip("\n").split(" <- ")
            *body, count = rest.split(" ")
            out.append(" ".join(sorted(body)) + " -> " + head + " " + count)
    return digest(out)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build-rules")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    cli = os.environ.get("LINDORA_CLI") or os.path.join(build, "bin", "lindora-cli")
    make_db = os.path.join(build, "bin", "make_formula_db")
    work = tempfile.mkdtemp(prefix="rules-vs-fpgrowth-")
    try:
        fpgrowth = build_reference(work)
        sets = {}
        sets["generated 100,000"] = os.path.join(work, "dense")
        run([make_db, sets["generated 100,000"], "100000"])
        sets["sparse 30,000"] = os.path.join(work, "sparse")
        run([sys.executable, os.path.join(REPO, "bench", "make_sparse_formula_db.py"),
             sets["sparse 30,000"]])
        print(f"median of {runs} paired runs; CPU = user + system; RSS = largest peak")
        print(f"{'data set':18} {'support':>7} {'rules':>8} {'CPU L/ref (s)':>17} {'ratio':>6} "
              f"{'wall ratio':>10} {'RSS L/ref (MB)':>15} {'ratio':>6}")
        for name, root in sets.items():
            # The whole library as the result set; one untimed run makes the standardised set.
            shutil.copy(os.path.join(root, "DB", "Fangji.DB"),
                        os.path.join(root, "Result", "Result.DB"))
            base = [cli, "--root", root, "rules", "--min-confidence", CONFIDENCE,
                    "--min-lift", "0", "--max-size", str(MAX_SIZE)]
            run(base + ["--min-support", "1%"])
            transactions = os.path.join(work, "transactions.txt")
            n = write_transactions(root, transactions)
            rules_out = os.path.join(work, "rules.txt")
            for support in SUPPORTS:
                count = min_count(support, n)
                lindora = base + ["--min-support", support + "%"]
                reference = [fpgrowth, "-tr", f"-s-{count}", f"-c{Fraction(CONFIDENCE) * 100}",
                             "-m2", f"-n{MAX_SIZE}", "-o", "-v %a", transactions, rules_out]
                samples = {"L": [], "R": []}
                for i in range(runs):
                    order = [("L", lindora), ("R", reference)]
                    for key, cmd in order if i % 2 == 0 else reversed(order):
                        samples[key].append(timed(cmd))
                summary = run(lindora).stdout.splitlines()[0]
                if f"最小支持度计数：{count}" not in summary:
                    sys.exit(f"support count differs: {summary}")
                mine, theirs = lindora_rules(root), reference_rules(rules_out)
                if mine != theirs:
                    sys.exit(f"{name} {support}%: rules differ: Lindora {mine}, reference {theirs}")
                cpu = [statistics.median(s[0] for s in samples[k]) for k in "LR"]
                wall = [statistics.median(s[1] for s in samples[k]) for k in "LR"]
                rss = [max(s[2] for s in samples[k]) / 1024 for k in "LR"]
                print(f"{name:18} {support + '%':>7} {mine[0]:>8} "
                      f"{cpu[0]:>8.4f}/{cpu[1]:<8.4f} {cpu[0] / cpu[1]:>6.2f} "
                      f"{wall[0] / max(wall[1], 0.005):>10.2f} "
                      f"{rss[0]:>7.1f}/{rss[1]:<7.1f} {rss[0] / rss[1]:>6.2f}")
                sys.stdout.flush()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
