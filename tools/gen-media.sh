#!/usr/bin/env bash
# Generates the test media with ffmpeg into the given folder, once: a stamp holding this script's hash
# makes later calls no-ops until the script changes.
# The video frame is 320x240 at 25 fps, split into four flat quadrants: red (top left), green (top right),
# blue (bottom left) and white (bottom right); audio is a 440 Hz tone (880 Hz on a second stream).
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
out=$(cd "$out" && pwd)
exec 7>"$out/.lock"; flock 7
hash=$(sha1sum "$0" | cut -c1-40)
[ -f "$out/.stamp" ] && [ "$(cat "$out/.stamp")" = "$hash" ] && exit 0
cd "$out"
dur=${ZR_MEDIA_SECONDS:-3}
ff() { ffmpeg -hide_banner -loglevel error -y "$@" </dev/null; }
quad=(-f lavfi -i "color=c=red:s=160x120:r=25:d=$dur" -f lavfi -i "color=c=0x00FF00:s=160x120:r=25:d=$dur"
      -f lavfi -i "color=c=blue:s=160x120:r=25:d=$dur" -f lavfi -i "color=c=white:s=160x120:r=25:d=$dur")
stack="[0][1]hstack[t];[2][3]hstack[b];[t][b]vstack,format=yuv420p[v]"
tone=(-f lavfi -i "sine=frequency=440:sample_rate=44100:duration=$dur")
tone2=(-f lavfi -i "sine=frequency=880:sample_rate=44100:duration=$dur")

ff "${quad[@]}" "${tone[@]}" -filter_complex "$stack" -map "[v]" -map 4 -c:v mjpeg -q:v 3 -pix_fmt yuvj420p -c:a pcm_s16le -ac 2 clip.avi
ff "${quad[@]}" "${tone[@]}" -filter_complex "$stack" -map "[v]" -map 4 -c:v libx264 -preset veryfast -c:a aac -ac 2 clip.mp4
ff "${quad[@]}" "${tone[@]}" -filter_complex "$stack" -map "[v]" -map 4 -c:v mpeg2video -q:v 3 -c:a mp2 -ac 2 -f mpeg clip.mpg
ff "${quad[@]}" "${tone[@]}" -filter_complex "$stack" -map "[v]" -map 4 -c:v wmv2 -q:v 3 -c:a wmav2 -ac 2 -f asf clip.wmv
ff "${quad[@]}" "${tone[@]}" "${tone2[@]}" -filter_complex "$stack" -map "[v]" -map 4 -map 5 -c:v mjpeg -q:v 3 -pix_fmt yuvj420p -c:a pcm_s16le -ac 2 twoaudio.avi
ff "${quad[@]}" -filter_complex "$stack" -map "[v]" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p videoonly.avi
ff "${tone[@]}" -c:a pcm_s16le -ac 2 clip.wav
ff "${tone[@]}" -c:a libmp3lame -ac 2 -b:a 128k clip.mp3
ff "${tone[@]}" -c:a aac -ac 2 audioonly.mp4
# A file cut short: the first third of the MP4 (its index is lost with the rest).
size=$(stat -c %s clip.mp4); head -c $((size / 3)) clip.mp4 > truncated.mp4
# Bytes that are no media at all, under a media extension (fixed seed: the same file every time).
python3 -c "import random; r=random.Random(7); open('random.avi','wb').write(bytes(r.getrandbits(8) for _ in range(65536)))"
# ASF with one stream each (the network source's reader plays a single stream).
ff "${quad[@]}" -filter_complex "$stack" -map "[v]" -c:v wmv2 -q:v 3 -f asf videoonly.wmv
ff "${tone[@]}" -c:a wmav2 -ac 2 -f asf audioonly.wma
# Chroma key: a red square moving over a green screen, and a blue picture to key it against.
ff -f lavfi -i "color=c=0x00C000:s=320x240:r=25:d=2" -f lavfi -i "color=c=red:s=80x80:r=25:d=2" \
   -filter_complex "[0][1]overlay=x='20+40*t':y=20,format=yuv420p[v]" -map "[v]" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p greenscreen.avi
ff -f lavfi -i "color=c=blue:s=320x240" -frames:v 1 bluebg.bmp
# Motion: a white block that jumps between the top-left and the bottom-right corner every half second.
ff -f lavfi -i "color=c=black:s=320x240:r=25:d=2" -f lavfi -i "color=c=white:s=80x60:r=25:d=2" \
   -filter_complex "[0][1]overlay=x='if(lt(mod(t,1),0.5),0,240)':y='if(lt(mod(t,1),0.5),0,180)',format=yuv420p[v]" \
   -map "[v]" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p motion.avi
# Stills: one colour per second (red, green, blue) in several containers, and one whose first stream is audio.
cps=(-f lavfi -i "color=c=red:s=320x240:r=25:d=1" -f lavfi -i "color=c=0x00FF00:s=320x240:r=25:d=1"
     -f lavfi -i "color=c=blue:s=320x240:r=25:d=1")
seq="[0][1][2]concat=n=3:v=1:a=0,format=yuv420p[v]"
ff "${cps[@]}" -filter_complex "$seq" -map "[v]" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p seconds.avi
ff "${cps[@]}" -filter_complex "$seq" -map "[v]" -c:v libx264 -preset veryfast -g 25 seconds.mp4
ff "${cps[@]}" -filter_complex "$seq" -map "[v]" -c:v mpeg2video -q:v 3 -g 12 -f mpeg seconds.mpg
ff "${cps[@]}" "${tone[@]}" -filter_complex "$seq" -map 3 -map "[v]" -c:v mjpeg -q:v 3 -pix_fmt yuvj420p \
   -c:a pcm_s16le -ac 2 -shortest seconds_audiofirst.avi
echo "$hash" > .stamp
