#!/usr/bin/env bash
# Frames for the host on 1920x1080 (x64 under Wine): delivery from the streaming thread to the host's frame
# event beside memcpy, and Frame_Save as BMP, JPEG and PNG beside ffmpeg writing the same frame (one thread;
# the time of an ffmpeg run that writes nothing is taken off). Prints Markdown for bench/RESULTS.md.
#   bash bench/win/frames_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
rounds=${1:-30}
tools/build.sh x64 frames_bench >/dev/null
out="$root/build/bench-frames"
mkdir -p "$out"
echo "| work on one 1920x1080 frame | ms (median) |"
echo "|---|---|"
tools/wine-run.sh build/x64/bench/win/frames_bench.exe "Z:${out//\//\\}" "$rounds" | tr -d '\r'
ff() {  # least CPU time (user + system, ms) of ffmpeg reading the raw frame and writing it with these options
  local best=""
  for _ in 1 2 3 4 5; do
    local t
    t=$( { /usr/bin/time -f "%U %S" ffmpeg -hide_banner -loglevel error -y -threads 1 -f rawvideo -pix_fmt bgr24 \
          -s 1920x1080 -i "$out/frame.bgr" -vf vflip -frames:v 1 "$@" ; } 2>&1 | tail -1 | awk '{print ($1 + $2) * 1000}')
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}
base=$(ff -f null -)
echo "| ffmpeg run writing nothing (start-up, read, flip; CPU) | $base |"
for spec in "bmp|$out/ff.bmp" "jpg (-q:v 3)|-q:v 3 $out/ff.jpg" "png|$out/ff.png"; do
  name=${spec%%|*}
  # shellcheck disable=SC2086
  t=$(ff ${spec#*|})
  awk -v n="$name" -v t="$t" -v b="$base" 'BEGIN{printf "| ffmpeg writing the frame as %s (CPU after the run writing nothing) | %.1f |\n", n, t - b}'
done
