#!/usr/bin/env bash
# Builds the player with the demo quiz and starts it under Wine.
set -euo pipefail
cd "$(dirname "$0")"
cmake/install-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows --target vyrla -j"$(nproc)"

exe=build/windows/shell/vyrla.exe
echo "Built $exe with the demo quiz:"
build/windows/host-tools/pack/vyrla-pack check quizzes/demo/quiz.toml
export WINEPREFIX="$PWD/build/windows/wineprefix"
cmake/wine-run.sh "$exe"
echo "The player loaded its quiz and stopped: its window comes with the application shell."
