#!/usr/bin/env bash
# Runs a Windows program under Wine on a private virtual display.
# WINEPREFIX defaults to a prefix in the current build folder; it is made once
# and reused. The code page is Windows-1252 so that the player's texts come
# through byte for byte.
set -u
export WINEPREFIX="${WINEPREFIX:-$PWD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export LANG=en_US.UTF-8 LC_ALL=C.UTF-8
# No Mono or Gecko installers: the player needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=}"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    ( flock 9
      if [ ! -f "$WINEPREFIX/system.reg" ]; then
          wineboot -i >/dev/null 2>&1
          # Every program runs inside one virtual desktop: no round trips to
          # an X window manager, so windows open and close many times faster.
          wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
          wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
          wineserver -w
      fi
    ) 9>"$WINEPREFIX.lock"
fi

if [ -n "${DISPLAY:-}" ] && [ -z "${VYRLA_OWN_DISPLAY:-}" ]; then
    wine "$@"
else
    xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
rc=$?
wineserver -w 2>/dev/null
exit $rc
