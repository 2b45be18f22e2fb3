#!/usr/bin/env bash
# Builds every fuzz target with clang, libFuzzer, ASan and UBSan, and runs each for SECONDS
# (default 60) on its seed corpus. A crash stops the run and leaves the input in fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install-deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DLINDORA_FUZZ=ON -DLINDORA_UI=OFF -DLINDORA_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_all -j "$(nproc)"
mkdir -p fuzz/findings
status=0
for target in build-fuzz/fuzz/*_fuzz; do
  name=$(basename "$target")
  corpus=fuzz/corpus/${name%_fuzz}
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "== $name ($seconds s)"
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix=fuzz/findings/"$name"- -print_final_stats=1 "$work" 2>"$work.log"; then
    status=1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY' "$work.log" || true
  rm -rf "$work" "$work.log" /tmp/lindora-fuzz-*
done
exit $status
