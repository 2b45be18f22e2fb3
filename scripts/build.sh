#!/usr/bin/env bash
# Configures and builds into build/ (or $1); extra arguments go to cmake. Warnings are errors
# here; a plain cmake configure leaves them warnings. LINDORA_TARGETS (blank-separated) builds
# only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
# Work trees beside each other share compiled objects: paths are hashed relative to the folder
# that holds them all, and the compiler's working folder is not hashed.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
export CCACHE_NOHASHDIR=1
# Precompiled headers are only reused by ccache when it may ignore their time stamps.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINDORA_WERROR=ON "$@" >/dev/null
targets=()
for t in ${LINDORA_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
