#!/usr/bin/env bash
# Reruns the worked example of docs/使用说明.md on the shipped data: prints what each step
# finds (messages, and the first rows of every grid) and redraws the window pictures in
# docs/images/. Run it after the shipped data changed and copy the numbers into the guide.
#   bash tools/guide_example.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target lindora-cli window_use_test >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$build/bin/DB" "$scratch/DB"
mkdir -p "$scratch/Result" "$scratch/exe"
"$build/bin/lindora-cli" --root "$scratch" --script - 2>&1 <<'STEPS' |
query 桂枝 甘草
herb-frequency
herb-pairs
symptoms
doses --table han-13.8 --top 10
ingredients 甘草
active anticancer
STEPS
  awk -F'\t' '/^# /{rows=0; print; next} NF < 2 {print; next} {if (++rows <= 6) print}'
QT_QPA_PLATFORM=offscreen LINDORA_SHOTS=docs/images \
  "$build/bin/window_use_test" workedExampleOfTheGuide >/dev/null 2>&1
for f in docs/images/guide_*.png; do mv "$f" "docs/images/${f#docs/images/guide_}"; done
ls docs/images
