#!/usr/bin/env bash
# Plays the sound and video demo quizzes end to end: the driver starts each
# real player under Wine's virtual desktop on a private X display, checks
# that every row hosts a media player, presses every play and stop button,
# and tells which clips the media player played and which it could only be
# handed. Machines without a sound card get a silent ALSA output. A
# screenshot of the video quiz is saved while its last clip is playing.
#
#   play_media.sh SOUND.exe VIDEO.exe DRIVER.exe QUIZZES-FOLDER SCREENSHOT-FOLDER
set -u
sound="$1" video="$2" driver="$3" quizzes="$4" shots="$5"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sound" "$work/vyrla-sound.exe"
cp "$video" "$work/vyrla-video.exe"
cp "$driver" "$work/driver.exe"
mkdir -p "$shots" "$work/markers"
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}" WINEDEBUG=-all
export ALSA_CONFIG_PATH="${ALSA_CONFIG_PATH:-$here/../win32/data/alsa-null.conf}"
export VYRLA_SHOTS="$shots" VYRLA_WORK="$work"

# Make the prefix once, with the runner's settings.
"${VYRLA_WINE_RUN:?}" cmd /c exit >/dev/null 2>&1

clips="Z:$quizzes/sound/clips"
export VYRLA_SOUND_ROWS="vyrla401.WAV=$clips/capitale.wav=plays vyrla402.MP3=$clips/calcul.mp3=plays
    vyrla403.MID=$clips/jacques.mid=written vyrla404.MP3=$clips/planete.mp3=plays
    vyrla405.WAV=$clips/bips.wav=plays vyrla406.MID=$clips/lune.mid=written"
clips="Z:$quizzes/video/clips"
export VYRLA_VIDEO_ROWS="vyrla401.AVI=$clips/couleur.avi=plays vyrla402.WMV=$clips/calcul.wmv=written
    vyrla403.MPG=$clips/capitale.mpg=written"

cd "$work"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wine explorer /desktop=vyrla,1000x680 driver.exe vyrla-sound.exe $VYRLA_SOUND_ROWS > sound.log 2> sound-wine.log
    wineserver -w
    wine explorer /desktop=vyrla,1000x680 driver.exe vyrla-video.exe $VYRLA_VIDEO_ROWS \
        --shot "Z:$VYRLA_WORK/markers" > video.log 2> video-wine.log &
    driver=$!
    for i in $(seq 1 600); do [ -f markers/ready ] && break; sleep 0.2; done
    import -window root -crop 1000x680+0+0 "$VYRLA_SHOTS/video-quiz.png" 2>/dev/null
    touch markers/shot
    wait $driver
    wineserver -w
'
echo "== sound quiz"; cat sound.log
echo "== video quiz"; cat video.log
[ -f "$shots/video-quiz.png" ] && echo "screenshot: $shots/video-quiz.png"
grep -q "^[0-9]* passed, 0 failed" sound.log && grep -q "^[0-9]* passed, 0 failed" video.log
