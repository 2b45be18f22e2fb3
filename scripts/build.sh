#!/usr/bin/env bash
# Configures and builds into build/ (or $1); extra arguments go to cmake. Warnings are errors
# here; a plain cmake configure leaves them warnings.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINDORA_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
