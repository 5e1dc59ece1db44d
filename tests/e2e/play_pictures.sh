#!/usr/bin/env bash
# Plays the picture demo quiz end to end and checks what is drawn on the
# screen, not only where the windows are: the driver solves a whole band and
# one more row, ticks "Cacher", and this script takes a screenshot and checks
# the pixels the driver names (the collapsed rows' fields and verdicts, the
# pictures of the band that closed up); then the same after clearing the box.
# The screenshot with the box ticked is the one the README shows: give
# docs/screenshots as the folder to take it again.
#
#   play_pictures.sh PLAYER.exe DRIVER.exe SCREENSHOT-FOLDER
set -u
player="$1" driver="$2" shots="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$player" "$work/vyrla-pictures.exe"
cp "$driver" "$work/driver.exe"
mkdir -p "$shots" "$work/markers"
rm -f "$shots/picture-quiz.png" "$shots/picture-quiz-cleared.png"
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}" WINEDEBUG=-all
export VYRLA_SHOTS="$shots" VYRLA_WORK="$work"

# Make the prefix once, with the runner's settings.
"${VYRLA_WINE_RUN:?}" cmd /c exit >/dev/null 2>&1

cd "$work"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wine explorer /desktop=vyrla,1000x680 driver.exe vyrla-pictures.exe "Z:$VYRLA_WORK/markers" > driver.log 2>&1 &
    driver=$!
    for step in ticked:picture-quiz cleared:picture-quiz-cleared; do
        marker=${step%%:*} name=${step#*:}
        for i in $(seq 1 600); do [ -f markers/$marker ] && break; sleep 0.2; done
        [ -f markers/$marker ] || break
        sleep 1   # let the desktop settle before the shot
        import -window root -crop 1000x680+0+0 "$VYRLA_SHOTS/$name.png" 2>/dev/null
        cp markers/$marker.points "$name.points"
        touch markers/$marker.done
    done
    wait $driver
    wineserver -w
'
cat driver.log
# check_pixels SHOT POINTS: each line "x y red green blue what"; a channel may
# be off by 48 (JPEG pictures, halftone scaling).
check_pixels() {
    local shot="$1" x y r g b what got
    while read -r x y r g b what; do
        got=$(convert "$shot" -crop "1x1+$x+$y" -depth 8 txt:- | sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | head -1)
        set -- $got
        if [ $# -eq 3 ] && [ $(( ($1-r)*($1-r) < 48*48 && ($2-g)*($2-g) < 48*48 && ($3-b)*($3-b) < 48*48 )) = 1 ]; then
            echo "ok: $(basename "$shot") shows $what ($r,$g,$b) at $x,$y"; pixels_passed=$((pixels_passed + 1))
        else
            echo "FAILED: $(basename "$shot") shows $what ($r,$g,$b) at $x,$y -> got ${got:-nothing}"; pixels_failed=$((pixels_failed + 1))
        fi
    done < "$2"
}

pixels_passed=0 pixels_failed=0
for name in picture-quiz picture-quiz-cleared; do
    if [ -f "$name.points" ] && [ -f "$shots/$name.png" ]; then
        check_pixels "$shots/$name.png" "$name.points"
    else
        echo "FAILED: no screenshot $name.png"; pixels_failed=$((pixels_failed + 1))
    fi
done
echo "pixels: $pixels_passed passed, $pixels_failed failed"
echo "screenshots: $shots/picture-quiz.png $shots/picture-quiz-cleared.png"
grep -q "^[0-9]* passed, 0 failed" driver.log && [ "$pixels_failed" = 0 ] && [ "$pixels_passed" -gt 0 ]
