#!/usr/bin/env bash
# Installs what is needed, builds, and starts Lindora on the shipped sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Only the two programs: tests and benchmarks are not needed
# to open the window.
LINDORA_TARGETS="Lindora lindora-cli" bash scripts/build.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting under a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" build/bin/Lindora
fi
exec build/bin/Lindora
