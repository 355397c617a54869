#!/usr/bin/env bash
# The video effects' pixel kernels beside ffmpeg's filters doing comparable work, on 1920x1080 frames, one
# thread each. Prints Markdown tables for bench/RESULTS.md.
#   bash bench/pixels.sh [frames for ffmpeg (default 60)] [repeats per kernel (default 15)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=${1:-60}
repeats=${2:-15}
out=$root/build/bench-pixels
mkdir -p "$out"
# Plain optimised build (no sanitizers), the x86-64 baseline instruction set (SSE2).
g++ -std=c++20 -O2 -DNDEBUG -I"$root/src" "$root/bench/pixels_bench.cpp" "$root"/src/core/pixels/*.cpp \
    "$root/src/core/textutil.cpp" -o "$out/pixels_bench"
echo "## Our kernels ($(date -u +%F), fastest of $repeats runs, frame copy not counted)"
"$out/pixels_bench" "$repeats"

# ffmpeg: the same frame size, raw frames in memory-cached files, one thread; the time of a pass-through
# run ("null" filter) is taken off each filter's time.
src=$out/in.yuv
if [ ! -f "$src" ] || [ "$(stat -c %s "$src")" -ne $((1920 * 1080 * 3 / 2 * frames)) ]; then
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=s=1920x1080:r=25,noise=alls=8:allf=t" \
    -frames:v "$frames" -pix_fmt yuv420p -f rawvideo "$src"
fi
run() {  # filter graph, pixel format of the input
  local fmt=${2:-yuv420p}
  local best=""
  for _ in 1 2 3; do
    local t
    t=$( { /usr/bin/time -f "%U %S" ffmpeg -hide_banner -loglevel error -threads 1 -filter_threads 1 \
          -filter_complex_threads 1 -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i "$src" \
          -filter_complex "[0:v]format=$fmt,$1[v]" -map "[v]" -f null - ; } 2>&1 | tail -1 | awk '{print $1 + $2}')
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}
base=$(run null)
baseRgb=$(run null bgra)
logo=$out/logo.png
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=s=256x256,format=rgba,colorchannelmixer=aa=0.8" \
  -frames:v 1 "$logo"
echo
echo "## ffmpeg $(ffmpeg -version | head -1 | cut -d' ' -f3), $frames frames, best of 3, ms per frame after the pass-through run"
echo "| ffmpeg filter | ms/frame |"
echo "|---|---|"
per() { awk "BEGIN{printf \"%.2f\", ($1 - $2) * 1000 / $frames}"; }
for f in "eq=contrast=1.5" "eq=brightness=0.15" "hue=s=2" "negate" "lutyuv=y=negval" "hqdn3d" "hqdn3d=8:6:12:9" \
         "yadif" "yadif=mode=1" "boxblur=2" \
         "drawtext=fontfile=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf:text='ZR Media':fontsize=48:x=100:y=100:fontcolor=yellow"; do
  echo "| $f | $(per "$(run "$f")" "$base") |"
done
echo "| eq=contrast=1.5 (bgra input) | $(per "$(run "eq=contrast=1.5" bgra)" "$baseRgb") |"
echo "| negate (bgra input) | $(per "$(run "negate" bgra)" "$baseRgb") |"
ov=$( { /usr/bin/time -f "%U %S" ffmpeg -hide_banner -loglevel error -threads 1 -filter_threads 1 \
        -filter_complex_threads 1 -f rawvideo -pix_fmt yuv420p -s 1920x1080 -i "$src" -loop 1 -i "$logo" \
        -filter_complex "[0:v][1:v]overlay=100:100:shortest=1[v]" -map "[v]" -f null - ; } 2>&1 | tail -1 | awk '{print $1 + $2}')
echo "| overlay 256x256 png | $(per "$ov" "$base") |"
