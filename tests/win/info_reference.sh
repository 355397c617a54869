#!/usr/bin/env bash
# What ffprobe and mediainfo report about the test media, for the media information tests to compare with:
# writes <media folder>/info_reference.txt, one value a line: file<TAB>tool<TAB>field<TAB>value.
# Fields: size; video_streams, audio_streams, text_streams; for the first video stream width, height,
# frame_rate, duration_ms, frames, codec_tag, aspect; for audio stream i audio<i>_sample_rate,
# audio<i>_channels, audio<i>_bits, audio<i>_duration_ms, audio<i>_format_tag (a wave format tag, when the
# tool names one), audio<i>_codec. A value a tool does not report is left out.
set -euo pipefail
media=${1:?media folder}
cd "$media"
out=info_reference.txt
python3 - "$out" clip.avi clip.mp4 clip.mpg clip.wmv clip.wav clip.mp3 twoaudio.avi videoonly.avi \
    audioonly.mp4 audioonly.wma videoonly.wmv truncated.mp4 random.avi <<'EOF'
import json, os, subprocess, sys
from fractions import Fraction

out, files = sys.argv[1], sys.argv[2:]
rows = []

def put(f, tool, field, value):
    if value is None or value == '':
        return
    rows.append('%s\t%s\t%s\t%s' % (f, tool, field, value))

def run(cmd):
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=60)
    try:
        return json.loads(p.stdout.decode('utf-8', 'replace') or '{}')
    except ValueError:
        return {}

def ms(seconds):
    try:
        return str(round(float(seconds) * 1000))
    except (TypeError, ValueError):
        return None

for f in files:
    if not os.path.exists(f):
        continue
    rows.append('%s\tfile\tsize\t%d' % (f, os.path.getsize(f)))

    # ffprobe
    d = run(['ffprobe', '-v', 'error', '-show_streams', '-show_format', '-of', 'json', f])
    streams = d.get('streams', [])
    video = [s for s in streams if s.get('codec_type') == 'video']
    audio = [s for s in streams if s.get('codec_type') == 'audio']
    text = [s for s in streams if s.get('codec_type') == 'subtitle']
    for name, lst in (('video_streams', video), ('audio_streams', audio), ('text_streams', text)):
        put(f, 'ffprobe', name, len(lst))
    fmt_duration = d.get('format', {}).get('duration')
    if video:
        v = video[0]
        put(f, 'ffprobe', 'width', v.get('width'))
        put(f, 'ffprobe', 'height', v.get('height'))
        rate = v.get('avg_frame_rate')
        if rate and rate != '0/0':
            put(f, 'ffprobe', 'frame_rate', '%.6f' % float(Fraction(rate)))
        put(f, 'ffprobe', 'duration_ms', ms(v.get('duration', fmt_duration)))
        put(f, 'ffprobe', 'frames', v.get('nb_frames'))
        tag = v.get('codec_tag_string', '')
        if tag and '[' not in tag:
            put(f, 'ffprobe', 'codec_tag', tag)
        put(f, 'ffprobe', 'codec', v.get('codec_name'))
    for i, a in enumerate(audio):
        put(f, 'ffprobe', 'audio%d_sample_rate' % i, a.get('sample_rate'))
        put(f, 'ffprobe', 'audio%d_channels' % i, a.get('channels'))
        if a.get('bits_per_sample'):
            put(f, 'ffprobe', 'audio%d_bits' % i, a.get('bits_per_sample'))
        put(f, 'ffprobe', 'audio%d_duration_ms' % i, ms(a.get('duration', fmt_duration)))
        tag = int(a.get('codec_tag', '0x0000'), 16)
        if 0 < tag < 0x10000:  # a wave format tag, not a FourCC
            put(f, 'ffprobe', 'audio%d_format_tag' % i, tag)
        put(f, 'ffprobe', 'audio%d_codec' % i, a.get('codec_name'))

    # mediainfo
    d = run(['mediainfo', '--Output=JSON', f])
    tracks = (d.get('media') or {}).get('track', []) if d else []
    general = next((t for t in tracks if t.get('@type') == 'General'), {})
    video = [t for t in tracks if t.get('@type') == 'Video']
    audio = [t for t in tracks if t.get('@type') == 'Audio']
    text = [t for t in tracks if t.get('@type') == 'Text']
    for name, lst in (('video_streams', video), ('audio_streams', audio), ('text_streams', text)):
        put(f, 'mediainfo', name, len(lst))
    if video:
        v = video[0]
        put(f, 'mediainfo', 'width', v.get('Width'))
        put(f, 'mediainfo', 'height', v.get('Height'))
        put(f, 'mediainfo', 'frame_rate', v.get('FrameRate'))
        put(f, 'mediainfo', 'duration_ms', ms(v.get('Duration', general.get('Duration'))))
        put(f, 'mediainfo', 'frames', v.get('FrameCount'))
        put(f, 'mediainfo', 'codec_tag', v.get('CodecID'))
        put(f, 'mediainfo', 'codec', v.get('Format'))
        put(f, 'mediainfo', 'aspect', v.get('DisplayAspectRatio'))
    for i, a in enumerate(audio):
        put(f, 'mediainfo', 'audio%d_sample_rate' % i, a.get('SamplingRate'))
        put(f, 'mediainfo', 'audio%d_channels' % i, a.get('Channels'))
        put(f, 'mediainfo', 'audio%d_bits' % i, a.get('BitDepth'))
        put(f, 'mediainfo', 'audio%d_duration_ms' % i, ms(a.get('Duration', general.get('Duration'))))
        cid = a.get('CodecID', '')
        if cid.isdigit():  # a wave format tag, written in hexadecimal
            put(f, 'mediainfo', 'audio%d_format_tag' % i, int(cid, 16))
        put(f, 'mediainfo', 'audio%d_codec' % i, a.get('Format'))

with open(out + '.tmp', 'w') as fh:
    fh.write('\n'.join(rows) + '\n')
os.replace(out + '.tmp', out)
EOF
