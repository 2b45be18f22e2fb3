#!/usr/bin/env bash
# Builds every fuzz target with clang, libFuzzer, ASan and UBSan (in build-fuzz, only the fuzz
# targets and the libraries they need), and runs each for SECONDS (default 60) on a copy of its
# seed corpus, as many at a time as there are cores. Prints each run's closing lines; a crash
# fails the run and leaves the input in fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ -n "${LINDORA_DEPS_DONE:-}" ] || bash scripts/install-deps.sh
# The same compiler-cache settings as scripts/build.sh, so a fresh clone reuses compiled objects.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
export CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DLINDORA_FUZZ=ON -DLINDORA_UI=OFF -DLINDORA_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_all -j "$(nproc)"
mkdir -p fuzz/findings
logs=$(mktemp -d)
run_one() {
  local target=$1 seconds=$2 logs=$3
  local name corpus work
  name=$(basename "$target")
  corpus=fuzz/corpus/${name%_fuzz}
  work=$(mktemp -d)
  mkdir -p "$work/corpus" "$work/tmp"
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work/corpus"/
  # Each run's temporary files in its own folder, so parallel runs never share one.
  if TMPDIR="$work/tmp" "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix=fuzz/findings/"$name"- -print_final_stats=1 "$work/corpus" \
      >"$logs/$name.log" 2>&1; then
    echo ok >"$logs/$name.status"
  else
    echo failed >"$logs/$name.status"
  fi
  rm -rf "$work"
}
export -f run_one
ls build-fuzz/fuzz/*_fuzz | xargs -P "$(nproc)" -I{} bash -c 'run_one "$1" "$2" "$3"' _ {} "$seconds" "$logs"
status=0
for log in "$logs"/*.log; do
  name=$(basename "$log" .log)
  echo "== $name ($seconds s): $(cat "$logs/$name.status")"
  grep -E '^(Done [0-9]+ runs|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|Test unit written' \
    "$log" || tail -5 "$log"
  [ "$(cat "$logs/$name.status")" = ok ] || status=1
done
rm -rf "$logs"
exit $status
