#!/usr/bin/env bash
# Builds the player with the embedded demo quiz and starts it under Wine.
# With a display it opens the window there; without one it runs on a virtual
# display, saves a screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")"
cmake/install-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows --target vyrla -j"$(nproc)"

root=$PWD
run="$root/build/windows/play"   # the player keeps its saved answers here
mkdir -p "$run"
cp build/windows/shell/vyrla.exe "$run/"
export WINEPREFIX="$root/build/windows/wineprefix"
cd "$run"

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting the demo quiz; close its window to stop."
    "$root/cmake/wine-run.sh" cmd /c exit >/dev/null 2>&1   # makes the Wine prefix once
    exec wine explorer /desktop=vyrla,1000x680 vyrla.exe
fi

shot="$run/vyrla-demo.png"
"$root/cmake/wine-run.sh" cmd /c exit >/dev/null 2>&1   # makes the Wine prefix once
export SHOT="$shot" WINEDEBUG=-all
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wine explorer /desktop=vyrla,1000x680 vyrla.exe >/dev/null 2>&1 &
    sleep 8
    import -window root -crop 1000x680+0+0 "$SHOT"
    wineserver -k
'
echo "No display here: the demo quiz ran on a virtual display."
echo "Screenshot saved to $shot"
