#!/usr/bin/env bash
# Media information per file in one run: the player's Info_Read cold and cached (x64 under Wine) beside
# ffprobe and mediainfo on the same files. Prints a Markdown table for bench/RESULTS.md.
#   bash bench/win/info_bench.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
rounds=${1:-5}
tools/build.sh x64 info_bench >/dev/null
tools/gen-media.sh build/media
media="$root/build/media"
files=(clip.avi clip.mp4 clip.mpg clip.wmv clip.wav clip.mp3 twoaudio.avi audioonly.wma truncated.mp4 random.avi)

# Median wall time of a command over the rounds, in ms.
median_ms() {
  local times=()
  for _ in $(seq "$rounds"); do
    local t0 t1
    t0=$(date +%s%N); "$@" >/dev/null 2>&1 || true; t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}

out=$(mktemp)
tools/wine-run.sh build/x64/bench/win/info_bench.exe "Z:${media//\//\\}" "$rounds" "${files[@]}" >"$out" 2>/dev/null
echo "| file | Info_Read cold (ms) | Info_Read cached (ms) | streams v/a | ffprobe (ms) | mediainfo (ms) |"
echo "|---|---|---|---|---|---|"
for f in "${files[@]}"; do
  read -r _ cold cached v a < <(grep "^$f " "$out" || echo "$f - - - -")
  fp=$(median_ms ffprobe -v error -show_streams -show_format -of json "$media/$f")
  mi=$(median_ms mediainfo --Output=JSON "$media/$f")
  echo "| $f | $cold | $cached | $v/$a | $fp | $mi |"
done
rm -f "$out"
