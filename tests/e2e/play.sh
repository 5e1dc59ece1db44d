#!/usr/bin/env bash
# Plays quizzes end to end: DRIVER.exe drives the real PLAYER.exe files under
# Wine's virtual desktop on a private X display. For each marker NAME it
# writes, the desktop is saved as SHOT-FOLDER/NAME.png (docs/screenshots
# takes the README's again) and NAME.done answers; the pixels of NAME.points
# ("x y red green blue what") are checked on it, each channel within 48
# (JPEG pictures, halftone scaling). A silent ALSA output stands in for a
# missing sound card.
#
#   play.sh SHOT-FOLDER DRIVER.exe PLAYER.exe...
set -u
shots="$1" driver="$2"
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$shots" "$work/markers"
cp "$driver" "$work/driver.exe"
players=""
for player; do cp "$player" "$work/" && players="$players $(basename "$player")"; done
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}" WINEDEBUG=-all VYRLA_SHOTS="$shots" VYRLA_PLAYERS="$players"
export ALSA_CONFIG_PATH="${ALSA_CONFIG_PATH:-$here/../win32/data/alsa-null.conf}"
"${VYRLA_WINE_RUN:?}" cmd /c exit >/dev/null 2>&1   # makes the prefix once, with the runner's settings

cd "$work"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wine explorer /desktop=vyrla,1000x680 driver.exe "Z:$PWD/markers" $VYRLA_PLAYERS > driver.log 2> wine.log &
    driver=$!
    while kill -0 $driver 2>/dev/null; do
        for marker in markers/*; do
            case $marker in *.done | *.points | "markers/*") continue ;; esac
            [ -f "$marker.done" ] && continue
            [ -f "$marker.points" ] && sleep 1   # let the desktop settle before a checked shot
            import -window root -crop 1000x680+0+0 "$VYRLA_SHOTS/${marker#markers/}.png" 2>/dev/null
            touch "$marker.done"
        done
        sleep 0.2
    done
    wineserver -w
'
cat driver.log
pixels_failed=0
for points in markers/*.points; do
    [ -f "$points" ] || continue
    shot="$shots/$(basename "$points" .points).png"
    while read -r x y r g b what; do
        got=$(convert "$shot" -crop "1x1+$x+$y" -depth 8 txt:- 2>/dev/null | sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -1)
        set -- $got
        if [ $# -eq 3 ] && [ $(( ($1-r)*($1-r) < 48*48 && ($2-g)*($2-g) < 48*48 && ($3-b)*($3-b) < 48*48 )) = 1 ]; then
            echo "ok: $(basename "$shot") shows $what ($r,$g,$b) at $x,$y"
        else
            echo "FAILED: $(basename "$shot") shows $what ($r,$g,$b) at $x,$y -> got ${got:-nothing}" && pixels_failed=$((pixels_failed + 1))
        fi
    done < "$points"
done
ls "$shots"/*.png
grep -q "^[0-9]* passed, 0 failed" driver.log && [ "$pixels_failed" = 0 ]
