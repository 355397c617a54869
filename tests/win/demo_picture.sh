#!/usr/bin/env bash
# The demo host as a person sees it: zrdemo plays the quadrant clip, and while it plays an X screenshot of the
# whole display must show red, green, blue and white at the centres of the four quadrants of the demo's player
# area. The demo's window is found on the X screen by its name; the player area is the demo's ATL window at
# (10, 10) of the frame's client area, 640x480, which a 4:3 picture fills. The demo must then end at the end
# of playback.
#   demo_picture.sh ZRDEMO_EXE MEDIA_FILE
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=${1:?zrdemo.exe}
media=${2:?media file}
media=$(cd "$(dirname "$media")" && pwd)/$(basename "$media")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The display the runner's Wine uses (its private Xvfb when none is set).
DISPLAY=$("$root/tools/wine-run.sh" --display) || exit 1
export DISPLAY
"$root/tools/wine-run.sh" "$exe" "Z:${media//\//\\}" > "$work/out.txt" 2>&1 &
demo=$!

# The four colour classes at the given root-window points of an xwd dump (R, G, B, W, K, Y or ?).
classes() {
  python3 - "$@" <<'EOF'
import struct, sys
data = open(sys.argv[1], 'rb').read()
h = struct.unpack('>25I', data[:100])
header, ncolours, order, bpp, bpl = h[0], h[19], h[7], h[11], h[12]
masks = h[14:17]
def channel(v, m):
    shift = (m & -m).bit_length() - 1
    return ((v & m) >> shift) * 255 // (m >> shift)
def cls(r, g, b):
    hi = lambda v: v >= 160
    lo = lambda v: v <= 90
    for c, t in (('W', (hi, hi, hi)), ('K', (lo, lo, lo)), ('R', (hi, lo, lo)), ('G', (lo, hi, lo)),
                 ('B', (lo, lo, hi)), ('Y', (hi, hi, lo))):
        if t[0](r) and t[1](g) and t[2](b):
            return c
    return '?'
out = ''
for xy in sys.argv[2:]:
    x, y = map(int, xy.split(','))
    p = header + ncolours * 12 + y * bpl + x * (bpp // 8)
    v = int.from_bytes(data[p:p + bpp // 8], 'little' if order == 0 else 'big')
    out += cls(*(channel(v, m) for m in masks))
print(out)
EOF
}

seen=""; shots=0
deadline=$((SECONDS + 120))
while kill -0 "$demo" 2>/dev/null && [ "$seen" != RGBW ] && [ $SECONDS -lt $deadline ]; do
  sleep 0.2
  # Wait until the demo reports the playback well under way.
  pos=$(grep -oE 'status playing +position [0-9]+' "$work/out.txt" | tail -1 | grep -oE '[0-9]+$')
  [ -n "$pos" ] && [ "$pos" -ge 300 ] || continue
  info=$(xwininfo -name "ZR Media Player demo" 2>/dev/null) || continue
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info"); y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  xwd -root -silent -out "$work/shot.xwd" || continue
  shots=$((shots + 1))
  ax=$((x + 10)); ay=$((y + 10))
  seen=$(classes "$work/shot.xwd" $((ax + 160)),$((ay + 120)) $((ax + 480)),$((ay + 120)) \
                                  $((ax + 160)),$((ay + 360)) $((ax + 480)),$((ay + 360)))
  echo "X screenshot $shots: demo window at ($x, $y), quadrant centres show $seen"
done
[ "$seen" = RGBW ] || { kill "$demo" 2>/dev/null; cp -f "$work/shot.xwd" "$root/build/demo_picture_failed.xwd" 2>/dev/null; }
wait "$demo"; rc=$?
cat "$work/out.txt"
if [ "$seen" != RGBW ]; then
  echo "FAIL: the X display never showed the picture's four colours in the demo's player area (last: '${seen}');" \
       "last screenshot kept as build/demo_picture_failed.xwd"
  exit 1
fi
[ $rc -eq 0 ] || { echo "FAIL: the demo ended with $rc instead of at the end of playback"; exit 1; }
echo "PASS: the demo's picture is on the X display"
