#!/usr/bin/env bash
# A long random-action soak of every window, built with AddressSanitizer and UBSan.
#   scripts/soak.sh [ACTIONS] [SEED]    (defaults: 20000 actions, a seed from the clock)
# A failing run prints its seed and its last 50 actions; the same two arguments replay it.
# LINDORA_SOAK_LOG=FILE also writes every action to FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
actions=${1:-20000}
seed=${2:-$(date +%s)}
dir=${SOAK_BUILD_DIR:-build-asan}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINDORA_SANITIZE=ON \
  -DLINDORA_BENCH=OFF >/dev/null
cmake --build "$dir" --target soak_test -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
export LINDORA_SOAK_ACTIONS=$actions LINDORA_SOAK_SEED=$seed
echo "soak: $actions actions, seed $seed"
if [ -x /usr/bin/time ]; then
  exec /usr/bin/time -v "$dir/bin/soak_test" soakRun
fi
exec "$dir/bin/soak_test" soakRun
