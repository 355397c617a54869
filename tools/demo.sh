#!/usr/bin/env bash
# The main job: the demo host plays a media file through the player under Wine, printing status, position
# and duration while it plays, and exits when playback ends.
#   tools/demo.sh                 plays a generated sample clip
#   FILE=/path/to/movie.mp4 tools/demo.sh
# With DISPLAY set the window shows on that desktop; otherwise a private Xvfb is used.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
tools/build.sh x64 zrdemo >/dev/null
file=${FILE:-}
if [ -z "$file" ]; then
  ZR_MEDIA_SECONDS=${ZR_MEDIA_SECONDS:-3} tools/gen-media.sh build/media
  file="$root/build/media/clip.mp4"
fi
[ -f "$file" ] || { echo "no such file: $file" >&2; exit 2; }
file=$(cd "$(dirname "$file")" && pwd)/$(basename "$file")
winfile="Z:${file//\//\\}"
tools/wine-run.sh build/x64/host/zrdemo.exe "$winfile" ${RENDERER:+--renderer $RENDERER}
