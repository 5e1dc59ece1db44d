#!/usr/bin/env bash
# Plays the demo quiz end to end: the driver starts the real player under
# Wine's virtual desktop on a private X display, types answers, checks the
# verdicts, the score and the saved answers, and starts it again. Midway a
# screenshot of the desktop is saved.
#
#   play_demo.sh PLAYER.exe DRIVER.exe SCREENSHOT-FOLDER
set -u
player="$1" driver="$2" shots="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$player" "$work/vyrla.exe"
cp "$driver" "$work/driver.exe"
mkdir -p "$shots" "$work/markers"
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}" WINEDEBUG=-all
export VYRLA_SHOTS="$shots" VYRLA_WORK="$work"

# Make the prefix once, with the runner's settings.
"${VYRLA_WINE_RUN:?}" cmd /c exit >/dev/null 2>&1

cd "$work"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wine explorer /desktop=vyrla,1000x680 driver.exe vyrla.exe "Z:$VYRLA_WORK/markers" > driver.log 2>&1 &
    driver=$!
    for i in $(seq 1 300); do [ -f markers/ready ] && break; sleep 0.2; done
    import -window root -crop 1000x680+0+0 "$VYRLA_SHOTS/demo-quiz.png" 2>/dev/null
    touch markers/shot
    wait $driver
    wineserver -w
'
cat driver.log
[ -f "$shots/demo-quiz.png" ] && echo "screenshot: $shots/demo-quiz.png"
grep -q "^[0-9]* passed, 0 failed" driver.log
