#!/usr/bin/env bash
# Builds and runs every benchmark (not part of the test suite). Pass a name filter to run some.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
for b in build/bin/bench_*; do
  case "$b" in *"${1:-}"*) echo "== $b"; "$b" ;; esac
done
