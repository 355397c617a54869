#!/usr/bin/env bash
# Builds the audio effects' libFuzzer target with clang (AddressSanitizer, UBSan) and runs it for a
# bounded time. usage: tools/fuzz-dsp.sh BUILD_DIR [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?build dir}; secs=${2:-60}
mkdir -p "$out/fuzz-corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root"/src/core/dsp/*.cpp "$root/tests/fuzz/dsp_fuzz.cpp" -o "$out/dsp_fuzz"
# -rss_limit_mb: the effects' buffers for 8 channels at 96 kHz stay well below it.
"$out/dsp_fuzz" -max_total_time="$secs" -max_len=16384 -rss_limit_mb=2048 -timeout=20 -print_final_stats=1 \
  "$out/fuzz-corpus"
