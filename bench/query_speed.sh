#!/usr/bin/env bash
# Compares `lindora-cli query` on a generated 100,000-record formula database with the pipeline
# `iconv -f GBK -t UTF-8 | grep -F` for one keyword, and reports peak memory of the query.
# usage: bench/query_speed.sh [BUILD_DIR] [RECORDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
records=${2:-100000}
runs=${3:-5}
cmake --build "$build" --target lindora-cli make_formula_db >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/make_formula_db" "$work" "$records"
# The CLI looks for DB/ and Result/ under --root; nothing of the build's own folder is touched.
cli="$build/bin/lindora-cli"
db="$work/DB/Fangji.DB"

# median of the wall times (seconds) and the largest peak resident size (KiB) of $runs runs
measure() {
  local times=() peak=0 line
  for ((i = 0; i < runs; i++)); do
    line=$(/usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1)
    times+=("${line% *}")
    if ((${line#* } > peak)); then peak=${line#* }; fi
  done
  printf '%s %s\n' "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" "$peak"
}

read -r pipe_t _ < <(measure bash -c 'iconv -f GBK -t UTF-8 "$1" | grep -F 麻黄' _ "$db")
read -r one_t one_m < <(measure "$cli" --root "$work" query 麻黄)
read -r four_t four_m < <(measure "$cli" --root "$work" query "麻黄 桂枝 -石膏 发热OR恶寒")
hits=$(iconv -f GBK -t UTF-8 "$db" | grep -cF 麻黄)
label=$("$cli" --root "$work" query 麻黄 | sed -n 1p)

echo "database: $records records, $(stat -c %s "$db") bytes; median of $runs runs"
printf '%-44s %6.2f s\n' "iconv | grep -F 麻黄 ($hits lines)" "$pipe_t"
printf '%-44s %6.2f s  %5d MiB peak  (%.2fx)\n' "lindora-cli query 麻黄 ($label)" "$one_t" \
  $((one_m / 1024)) "$(echo "$one_t / $pipe_t" | bc -l)"
printf '%-44s %6.2f s  %5d MiB peak  (%.2fx)\n' "lindora-cli query, four terms with NOT and OR" \
  "$four_t" $((four_m / 1024)) "$(echo "$four_t / $pipe_t" | bc -l)"
