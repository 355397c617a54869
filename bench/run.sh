#!/usr/bin/env bash
# Runs the player benchmarks under Wine (x64) and prints Markdown tables for bench/RESULTS.md.
#   bash bench/run.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
tools/build.sh x64 play_bench >/dev/null
tools/gen-media.sh build/media
tools/wine-run.sh build/x64/bench/win/play_bench.exe "Z:${root//\//\\}\\build\\media" "${1:-10}"
