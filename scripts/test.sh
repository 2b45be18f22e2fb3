#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test once, with AddressSanitizer and
# UndefinedBehaviorSanitizer (the benchmarks are compiled there too); builds the release
# configuration of the two programs (warnings are errors there too); runs clang-tidy; runs every
# fuzz target for 30 seconds. Prints how long each step took.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
step() { echo "== $1: $((SECONDS - mark)) s (total $((SECONDS - start)) s)"; mark=$SECONDS; }
mark=$SECONDS
bash scripts/install-deps.sh
step "install"
# The tree stays clang-format-clean: a change that is not fails here, before anything builds.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
step "format check"
export QT_QPA_PLATFORM=offscreen
# The release configuration a packager builds (-O3) must compile without warnings; its tests
# would only repeat the sanitizer run below.
LINDORA_TARGETS="Lindora lindora-cli" \
  bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DLINDORA_BENCH=OFF
step "release build"
bash scripts/build.sh build-asan -DLINDORA_SANITIZE=ON
step "sanitizer build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
# Root may write into read-only folders, so fault tests that need a refusing folder skip.
(cd build-asan && ctest --output-on-failure -j "$(nproc)")
step "tests (sanitizers)"
# The checks of .clang-tidy over the sources the sanitizer build compiled; files unchanged since
# they last passed are skipped (scripts/clang_tidy.py keeps their stamps).
python3 scripts/clang_tidy.py build-asan
step "clang-tidy"
# Every fuzz target for a bounded time on its seed corpus, built with clang in its own folder;
# a crash fails the run (its input is kept in fuzz/findings).
LINDORA_DEPS_DONE=1 bash fuzz/run.sh 30
step "fuzzing"
