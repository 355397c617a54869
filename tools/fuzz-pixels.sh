#!/usr/bin/env bash
# Builds the pixel kernels' libFuzzer target with clang (AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# it for a bounded time. A finding makes it fail and leaves the crashing input in the output folder.
#   tools/fuzz-pixels.sh BUILD_DIR [seconds (default 60)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?build dir}
secs=${2:-60}
mkdir -p "$out/pixels-corpus"
src=("$root/tests/fuzz/pixels_fuzz.cpp" "$root"/src/core/pixels/*.cpp "$root/src/core/textutil.cpp"
     "$root/src/core/datemask.cpp")
exe="$out/pixels_fuzz"
if [ ! -x "$exe" ] || [ -n "$(find "${src[@]}" "$root"/src/core/pixels/*.h -newer "$exe" 2>/dev/null | head -1)" ]; then
  clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/src" "${src[@]}" -o "$exe"
fi
cd "$out"
"$exe" -max_total_time="$secs" -rss_limit_mb=2048 -max_len=8192 -timeout=20 -print_final_stats=1 pixels-corpus 2>&1 | tail -12
echo "fuzz: pixel kernels ran ${secs} s without a finding"
