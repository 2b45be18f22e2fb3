#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in the normal build and once
# with AddressSanitizer and UndefinedBehaviorSanitizer; builds the release configuration once.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
# Root may write into read-only folders, so fault tests that need a refusing folder skip.
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")
# The release configuration a packager builds (-O3) must compile without warnings too.
bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DLINDORA_BENCH=OFF
bash scripts/build.sh build-asan -DLINDORA_SANITIZE=ON -DLINDORA_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
(cd build-asan && ctest --output-on-failure -j "$(nproc)")
