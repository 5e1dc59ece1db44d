#!/usr/bin/env bash
# Makes the clips of the media tests again (beep.wav is kept as it is):
# a short MP3 tone without a tag, a MIDI scale, and an AVI (Motion JPEG
# with an 8-bit PCM track). Needs sox, ffmpeg and python3.
set -euo pipefail
cd "$(dirname "$0")"
quiet="-loglevel error -y"
sox -n -r 8000 -c 1 tone.wav synth 0.6 sine 660 vol 0.5
ffmpeg $quiet -i tone.wav -ac 1 -ar 8000 -b:a 8k -id3v2_version 0 -write_xing 0 tone.mp3
rm tone.wav
ffmpeg $quiet -f lavfi -i "color=c=0x3060c0:size=64x48:rate=5" -f lavfi -i "sine=frequency=440:sample_rate=8000" \
    -t 1 -c:v mjpeg -q:v 20 -c:a pcm_u8 -ac 1 bars.avi
python3 - <<'PY'
import struct
def number(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)
events = number(0) + bytes([0xC0, 0])
for note in (60, 62, 64, 65):
    events += number(0) + bytes([0x90, note, 96]) + number(120) + bytes([0x80, note, 0])
events += number(0) + b"\xff\x2f\x00"
with open("tune.mid", "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + b"MTrk" + struct.pack(">I", len(events)) + events)
PY
