#!/usr/bin/env bash
# Audio effects throughput beside sox: builds bench/dsp_bench.cpp with the portable effects (optimised,
# no sanitizers) and prints the Markdown table for bench/RESULTS.md.
#   bash bench/dsp_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
out="$root/build/bench-native"; mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$root/src" "$root"/src/core/dsp/*.cpp "$root/bench/dsp_bench.cpp" -o "$out/dsp_bench"
"$out/dsp_bench" "${1:-3}"
