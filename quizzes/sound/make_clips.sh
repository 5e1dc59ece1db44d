#!/usr/bin/env bash
# Makes the clips of the sound demo quiz again: spoken questions in French
# (espeak-ng), tones (sox), MP3 (ffmpeg) and two MIDI tunes written note by
# note (python3). One clip of each kind the player meets: WAV, MP3 with and
# without an ID3 tag, and MIDI. Run it from anywhere.
#   apt-get install espeak-ng sox ffmpeg python3
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p clips
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
quiet="-loglevel error -y"

say() {  # file text: French speech, 16 kHz mono
    espeak-ng -v fr -s 150 -w "$work/raw.wav" "$2"
    sox "$work/raw.wav" -r 16000 -c 1 "$1" norm -1
}

# WAV, 8-bit 11 kHz: small, and read by every media player.
say "$work/q1.wav" "Quelle est la capitale de l'Italie ?"
sox "$work/q1.wav" -r 11025 -b 8 clips/capitale.wav

# MP3 with an ID3 tag in front, as most encoders write it.
say "$work/q2.wav" "Combien font sept fois huit ?"
ffmpeg $quiet -i "$work/q2.wav" -ac 1 -ar 16000 -b:a 24k -metadata title="Calcul" clips/calcul.mp3

# MP3 that starts straight with a frame.
say "$work/q4.wav" "Je suis la planète rouge. Qui suis-je ?"
ffmpeg $quiet -i "$work/q4.wav" -ac 1 -ar 16000 -b:a 24k -id3v2_version 0 -write_xing 0 clips/planete.mp3

# WAV: a question, then three beeps.
say "$work/q5.wav" "Combien de bips entendez-vous ?"
sox -n -r 16000 -c 1 "$work/beep.wav" synth 0.15 sine 880 vol 0.6 pad 0 0.25
sox "$work/q5.wav" "$work/beep.wav" "$work/beep.wav" "$work/beep.wav" -r 11025 -b 8 clips/bips.wav

# MIDI: two French tunes, one note per beat on a piano.
python3 - <<'PY'
import struct

def number(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)

def tune(path, notes, beat=480):
    # notes: (MIDI note, length in beats); a note of 0 is a rest.
    events = number(0) + bytes([0xFF, 0x51, 3]) + (500000).to_bytes(3, "big")
    events += number(0) + bytes([0xC0, 0])
    wait = 0
    for note, beats in notes:
        length = int(beats * beat)
        if note == 0:
            wait += length
            continue
        events += number(wait) + bytes([0x90, note, 90])
        events += number(length) + bytes([0x80, note, 0])
        wait = 0
    events += number(0) + b"\xff\x2f\x00"
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, beat))
        f.write(b"MTrk" + struct.pack(">I", len(events)) + events)

C, D, E, F, G, A = 60, 62, 64, 65, 67, 69
tune("clips/jacques.mid", [(C, 1), (D, 1), (E, 1), (C, 1)] * 2 + [(E, 1), (F, 1), (G, 2)] * 2)
tune("clips/lune.mid", [(C, 1), (C, 1), (C, 1), (D, 1), (E, 2), (D, 2), (C, 1), (E, 1), (D, 1), (D, 1), (C, 4)])
PY
ls -l clips
