#!/usr/bin/env bash
# Makes the clips of the video demo quiz again: short pictures drawn by
# ffmpeg with a spoken question (espeak-ng) as their sound track, in three
# containers: AVI (Motion JPEG with 8-bit PCM), WMV (Windows Media Video 8
# with Windows Media Audio 2) and MPEG-1 (with MPEG audio layer II).
#   apt-get install espeak-ng ffmpeg fonts-dejavu-core
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p clips
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
quiet="-loglevel error -y"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# picture clip: colour, text on it, spoken question, seconds
picture() {
    espeak-ng -v fr -s 150 -w "$work/voice.wav" "$3"
    ffmpeg $quiet -f lavfi -i "color=c=$1:size=160x120:rate=5" -i "$work/voice.wav" -t "$4" \
        -vf "drawtext=fontfile=$font:text='$2':fontcolor=white:fontsize=28:x=(w-text_w)/2:y=(h-text_h)/2" \
        "${@:5}"
}

picture 0xC8102E "?" "Quelle est cette couleur ?" 2.5 \
    -c:v mjpeg -q:v 12 -c:a pcm_u8 -ac 1 -ar 11025 clips/couleur.avi
picture 0x1B5E20 "3 + 4" "Combien font trois plus quatre ?" 2.5 \
    -c:v wmv2 -b:v 48k -c:a wmav2 -ac 1 -ar 22050 -b:a 24k clips/calcul.wmv
picture 0x0D47A1 "Espagne" "Quelle est la capitale de l'Espagne ?" 3 \
    -r 25 -c:v mpeg1video -b:v 48k -c:a mp2 -ac 1 -ar 32000 -b:a 32k -f mpeg clips/capitale.mpg
ls -l clips
