#!/usr/bin/env bash
# Starts the real player under Wine and expects it to load its embedded quiz
# and stop cleanly. A failed load would show a message box and never return,
# so the run is bounded.
set -u
exe="$1"
timeout -k 10 120 "$VYRLA_WINE_RUN" "$exe"
rc=$?
if [ $rc -ne 0 ]; then
    wineserver -k 2>/dev/null
    echo "player exited with $rc (124 means it hung, e.g. on a message box)"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
