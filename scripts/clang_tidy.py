#!/usr/bin/env python3
"""Runs clang-tidy (the checks of .clang-tidy) over the source files of src/ compiled in BUILD_DIR
(its compile_commands.json), as many at a time as there are cores. The views (ui/ folders, the
console's Qt module), tests and benchmarks are left out: each of them parses Qt's or gtest's
headers, and checking them would take longer than the rest of the test command.

A file that passed once is not checked again until its preprocessed input, the configuration or
clang-tidy itself changes: the hash of those names a stamp in the cache folder (LINDORA_TIDY_CACHE,
by default beside the compiler cache in ~/.cache), so a run after a small change checks only the
files that change reaches. Exits 1 when a file has a finding, after printing them.

Usage: scripts/clang_tidy.py BUILD_DIR [FILE_FILTER...]
"""
import hashlib
import json
import os
import re
import resource
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CHECKED = re.compile(r"^src/(?!(.+/)?ui/|cli/qt/)")
# GCC options clang does not know, in the compile commands of a GCC build.
EXTRA_ARGS = ["--extra-arg=-Wno-unknown-warning-option", "--extra-arg=-Wno-unused-command-line-argument"]


def without_gcc_pch(command, folder):
    """The compile command including a copy of its precompiled header's source: clang would
    otherwise take GCC's compiled header beside it for its own, and refuse it."""
    args = shlex.split(command)
    for i in range(len(args) - 1):
        if args[i] == "-include" and args[i + 1].endswith("cmake_pch.hxx"):
            header = Path(args[i + 1])
            copy = folder / hashlib.sha256(str(header).encode()).hexdigest()[:16] / header.name
            copy.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(header, copy)
            args[i + 1] = str(copy)
    return shlex.join(args)


def preprocess_command(command, source):
    """The compile command turned into one that writes the preprocessed source to stdout."""
    args = shlex.split(command)
    out, skip = [], False
    for arg in args:
        if skip:
            skip = False
        elif arg == "-o":
            skip = True
        elif arg != "-c" and arg != source:
            out.append(arg)
    return out + ["-E", source]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = Path(sys.argv[1]).resolve()
    filters = sys.argv[2:]
    entries = json.loads((build / "compile_commands.json").read_text())
    commands = Path(tempfile.mkdtemp(prefix="lindora-tidy-"))
    cache = Path(os.environ.get("LINDORA_TIDY_CACHE",
                                Path.home() / ".cache" / "lindora-clang-tidy"))
    cache.mkdir(parents=True, exist_ok=True)
    sources = {}
    for e in entries:
        # The copies keep their place from run to run: their path is part of the hashed input.
        e["command"] = without_gcc_pch(e["command"], cache / "headers")
        path = Path(e["file"])
        try:
            rel = path.relative_to(ROOT).as_posix()
        except ValueError:
            continue  # generated moc files, outside the tree
        if CHECKED.match(rel) and all(f in rel for f in filters):
            sources.setdefault(rel, e)
    (commands / "compile_commands.json").write_text(json.dumps(entries))

    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True).stdout
    salt = (version + (ROOT / ".clang-tidy").read_text() + " ".join(EXTRA_ARGS)).encode()

    def check(rel):
        e = sources[rel]
        pre = subprocess.run(preprocess_command(e["command"], e["file"]), cwd=e["directory"],
                             capture_output=True)
        stamp = None
        if pre.returncode == 0:
            digest = hashlib.sha256(salt)
            digest.update(pre.stdout)
            stamp = cache / digest.hexdigest()
            if stamp.exists():
                return rel, True, None
        run = subprocess.run(["clang-tidy", "-p", str(commands), "--quiet", *EXTRA_ARGS, e["file"]],
                             capture_output=True, text=True)
        if run.returncode != 0:
            return rel, False, run.stdout + run.stderr
        if stamp:
            stamp.touch()
        return rel, False, None

    start = time.monotonic()
    failed, cached = [], 0
    with ThreadPoolExecutor(os.cpu_count() or 1) as pool:
        for rel, from_cache, problem in pool.map(check, sorted(sources)):
            cached += from_cache
            if problem is not None:
                failed.append(rel)
                print(problem, flush=True)
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    print(f"clang-tidy: {len(sources)} files, {cached} unchanged since a clean run, "
          f"{len(failed)} with findings, {time.monotonic() - start:.0f} s "
          f"({used.ru_utime + used.ru_stime:.0f} s of processor time)")
    shutil.rmtree(commands, ignore_errors=True)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
