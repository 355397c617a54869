#!/usr/bin/env bash
# Chroma key, motion detection and the host's 24-bit copy beside ffmpeg (chromakey, colorkey and the
# yuv420p -> bgr24 conversion) on 1920x1080 frames, one thread. Prints Markdown tables for bench/RESULTS.md.
#   bash bench/keying.sh [frames for ffmpeg (default 60)] [repeats per kernel (default 15)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=${1:-60}
repeats=${2:-15}
out=$root/build/bench-keying
mkdir -p "$out"
g++ -std=c++20 -O2 -DNDEBUG -I"$root/src" "$root/bench/keying_bench.cpp" "$root"/src/core/pixels/*.cpp \
    "$root/src/core/textutil.cpp" -o "$out/keying_bench"
echo "## Our kernels ($(date -u +%F), fastest of $repeats runs, thread CPU time)"
"$out/keying_bench" "$repeats"

src=$out/in.yuv
if [ ! -f "$src" ] || [ "$(stat -c %s "$src")" -ne $((1920 * 1080 * 3 / 2 * frames)) ]; then
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "color=c=0x20C030:s=1920x1080:r=25,drawbox=x=640:y=0:w=640:h=1080:c=gray:t=fill,noise=alls=8:allf=t" \
    -frames:v "$frames" -pix_fmt yuv420p -f rawvideo "$src"
fi
run() {  # filter graph, pixel format it works in
  local best=""
  for _ in 1 2 3; do
    local t
    t=$( { /usr/bin/time -f "%U %S" ffmpeg -hide_banner -loglevel error -threads 1 -filter_threads 1 \
          -filter_complex_threads 1 -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i "$src" \
          -filter_complex "[0:v]$1[v]" -map "[v]" -f null - ; } 2>&1 | tail -1 | awk '{print $1 + $2}')
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}
per() { awk "BEGIN{printf \"%.2f\", ($1 - $2) * 1000 / $frames}"; }
base=$(run null)
baseRgb=$(run "format=bgra")
echo
echo "## ffmpeg $(ffmpeg -version | head -1 | cut -d' ' -f3), $frames frames, best of 3, ms per frame after the pass-through run"
echo "| ffmpeg | ms/frame |"
echo "|---|---|"
echo "| chromakey=0x20C030:0.1:0.05 (yuv420p) | $(per "$(run "chromakey=0x20C030:0.1:0.05")" "$base") |"
echo "| colorkey=0x20C030:0.3:0.1 (bgra) | $(per "$(run "format=bgra,colorkey=0x20C030:0.3:0.1")" "$baseRgb") |"
echo "| format=bgr24 (yuv420p -> bgr24 conversion) | $(per "$(run "format=bgr24")" "$base") |"
