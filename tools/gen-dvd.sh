#!/usr/bin/env bash
# Authors the DVD-Video test volumes with ffmpeg, spumux and dvdauthor into the given folder, once (a stamp
# holding this script's hash makes later calls no-ops until the script changes).
#
# disc1/  PAL 352x288 4:3, VMG with a first-play program chain and a root menu, one title set with a root menu.
#   first play: jumps to the VMG root menu.
#   VMG root menu: grey still, two buttons (left half: title 1, right half: title 2).
#   VTS root menu: magenta still, one button (title 2).
#   title 1: 3 chapters of 1 s each, red, green, blue; audio "en" AC-3 440 Hz and "de" AC-3 880 Hz.
#   title 2: 2 chapters of 1 s each, yellow, cyan; same two audio streams; after it ends: VMG root menu.
#   Each frame carries its frame number in the bottom-right corner.
# disc2/  NTSC 352x240 16:9, no menus, one title of 2 chapters (white, black), audio "fr" MPEG-1 layer II
#   660 Hz, and one subpicture stream "fr".
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
out=$(cd "$out" && pwd)
exec 7>"$out/.dvdlock"; flock 7
hash=$(sha1sum "$0" | cut -c1-40)
[ -f "$out/.dvdstamp" ] && [ "$(cat "$out/.dvdstamp")" = "$hash" ] && exit 0
work="$out/dvdwork"; rm -rf "$work" "$out/disc1" "$out/disc2"; mkdir -p "$work"; cd "$work"
ff() { ffmpeg -hide_banner -loglevel error -y "$@" </dev/null; }
export VIDEO_FORMAT=PAL

counter="drawtext=text='%{n}':x=w-tw-4:y=h-th-4:fontsize=20:fontcolor=white:box=1:boxcolor=black"
# seg NAME COLOUR SECONDS SIZE RATE AUDIO...: one MPEG-2 program stream segment
pal_seg() {
  local name=$1 colour=$2 secs=$3
  ff -f lavfi -i "color=c=$colour:s=352x288:r=25:d=$secs" \
     -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$secs" \
     -f lavfi -i "sine=frequency=880:sample_rate=48000:duration=$secs" \
     -map 0:v -map 1:a -map 2:a -vf "$counter,format=yuv420p" -aspect 4:3 \
     -c:v mpeg2video -b:v 1500k -maxrate 4000k -bufsize 1835k -g 12 -bf 2 \
     -c:a ac3 -b:a 128k -ac 2 -f dvd "$name.mpg"
}
menu_still() {  # NAME COLOUR: a one-second menu background with one audio stream
  ff -f lavfi -i "color=c=$2:s=352x288:r=25:d=1" -f lavfi -i "anullsrc=r=48000:cl=stereo" -t 1 \
     -vf format=yuv420p -aspect 4:3 -c:v mpeg2video -b:v 1000k -g 12 -bf 0 -c:a ac3 -b:a 128k -f dvd "$1.mpg"
}
# button overlays: a filled rectangle per button on a transparent picture (the highlight picture)
buttons_png() {  # NAME RECT...
  local name=$1; shift
  local draw=()
  for r in "$@"; do draw+=(-draw "rectangle $r"); done
  convert -size 352x288 xc:none -fill '#FFFF00' "${draw[@]}" -type PaletteMatte "PNG8:$name-hl.png"
  convert -size 352x288 xc:none -fill '#00FF00' "${draw[@]}" -type PaletteMatte "PNG8:$name-sel.png"
  convert -size 352x288 xc:none -fill '#000000' -draw "point 0,0" -type PaletteMatte "PNG8:$name-img.png"
}
spu() {  # NAME: muxes NAME-*.png as the button subpicture into NAME.mpg -> NAME-b.mpg
  cat > "$1.xml" <<EOF
<subpictures><stream><spu start="00:00:00.00" force="yes" image="$1-img.png" highlight="$1-hl.png"
 select="$1-sel.png" autooutline="infer" autoorder="rows"/></stream></subpictures>
EOF
  spumux -m dvd "$1.xml" < "$1.mpg" > "$1-b.mpg" 2>spumux.log
}

pal_seg t1c1 red 1; pal_seg t1c2 0x00FF00 1; pal_seg t1c3 blue 1
pal_seg t2c1 yellow 1; pal_seg t2c2 cyan 1
menu_still vmgm gray; buttons_png vmgm "40,100 150,180" "200,100 310,180"; spu vmgm
menu_still vtsm magenta; buttons_png vtsm "120,100 230,180"; spu vtsm

cat > disc1.xml <<EOF
<dvdauthor dest="$out/disc1">
 <vmgm>
  <fpc>jump menu 1;</fpc>
  <menus>
   <video format="pal" aspect="4:3" resolution="352x288"/>
   <pgc entry="title">
    <button name="1">jump title 1;</button>
    <button name="2">jump title 2;</button>
    <vob file="vmgm-b.mpg" pause="inf"/>
   </pgc>
  </menus>
 </vmgm>
 <titleset>
  <menus>
   <video format="pal" aspect="4:3" resolution="352x288"/>
   <pgc entry="root">
    <button name="1">jump title 2;</button>
    <vob file="vtsm-b.mpg" pause="inf"/>
   </pgc>
  </menus>
  <titles>
   <video format="pal" aspect="4:3" resolution="352x288"/>
   <audio lang="en" format="ac3"/>
   <audio lang="de" format="ac3"/>
   <pgc>
    <vob file="t1c1.mpg" chapters="0"/>
    <vob file="t1c2.mpg" chapters="0"/>
    <vob file="t1c3.mpg" chapters="0"/>
   </pgc>
   <pgc>
    <vob file="t2c1.mpg" chapters="0"/>
    <vob file="t2c2.mpg" chapters="0"/>
    <post>call vmgm menu 1;</post>
   </pgc>
  </titles>
 </titleset>
</dvdauthor>
EOF
dvdauthor -x disc1.xml >dvdauthor1.log 2>&1

export VIDEO_FORMAT=NTSC
for c in white black; do
  ff -f lavfi -i "color=c=$c:s=352x240:r=30000/1001:d=1" \
     -f lavfi -i "sine=frequency=660:sample_rate=48000:duration=1" \
     -vf "$counter,format=yuv420p" -aspect 16:9 -c:v mpeg2video -b:v 1500k -g 15 -bf 2 \
     -c:a mp2 -b:a 192k -ac 2 -f dvd "n$c.mpg"
done
cat > sub.srt <<EOF
1
00:00:00,100 --> 00:00:01,500
Bonjour
EOF
cat > nsub.xml <<EOF
<subpictures><stream><textsub filename="sub.srt" font="LiberationSans-Regular.ttf" fontsize="18" movie-width="352"
 movie-height="240" horizontal-alignment="center" vertical-alignment="bottom"/></stream></subpictures>
EOF
mkdir -p "$HOME/.spumux"; ln -sf /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf "$HOME/.spumux/LiberationSans-Regular.ttf"
spumux -s 0 nsub.xml < nwhite.mpg > nwhite-s.mpg 2>spumux2.log
cat > disc2.xml <<EOF
<dvdauthor dest="$out/disc2">
 <vmgm/>
 <titleset>
  <titles>
   <video format="ntsc" aspect="16:9" resolution="352x240" widescreen="nopanscan"/>
   <audio lang="fr" format="mp2"/>
   <subpicture lang="fr"/>
   <pgc>
    <vob file="nwhite-s.mpg" chapters="0"/>
    <vob file="nblack.mpg" chapters="0"/>
   </pgc>
  </titles>
 </titleset>
</dvdauthor>
EOF
dvdauthor -x disc2.xml >dvdauthor2.log 2>&1
cd "$out"; rm -rf "$work"
echo "$hash" > .dvdstamp
