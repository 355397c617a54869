#!/usr/bin/env bash
# Builds the DVD readers' libFuzzer target with clang (AddressSanitizer, UBSan) and runs it for a bounded
# time from a seed corpus made of the authored test volumes' files.
# usage: tools/fuzz-dvd.sh BUILD_DIR [seconds] [media folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?build dir}; secs=${2:-60}; media=${3:-$root/build/media}
corpus="$out/dvd-corpus"; mkdir -p "$corpus"
bash "$root/tools/gen-dvd.sh" "$media"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root/src" \
  "$root/tests/fuzz/dvd_fuzz.cpp" "$root"/src/core/dvd/ifo.cpp "$root"/src/core/dvd/navpack.cpp -o "$out/dvd_fuzz"
# Seeds: each information file under its reader's selector byte, and VOB sectors for the pack readers.
seed() { { printf "\\x$(printf %02x "$1")"; cat; } > "$corpus/$2"; }
for d in disc1 disc2; do
  v="$media/$d/VIDEO_TS"
  seed 0 "$d-vmg" < "$v/VIDEO_TS.IFO"
  seed 1 "$d-vts" < "$v/VTS_01_0.IFO"
  seed 2 "$d-nav" < <(head -c 2048 "$v/VTS_01_1.VOB")
  seed 3 "$d-pack" < <(tail -c +2049 "$v/VTS_01_1.VOB" | head -c 2048)
done
"$out/dvd_fuzz" -max_total_time="$secs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$corpus"
