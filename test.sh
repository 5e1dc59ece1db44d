#!/usr/bin/env bash
# Builds both presets and runs every test: native unit tests and fuzzers,
# then the Win32 tests and the end-to-end runs under Wine.
set -euo pipefail
cd "$(dirname "$0")"
cmake/install-deps.sh

cmake --preset native
cmake --build --preset native -j"$(nproc)"
cmake --preset windows
cmake --build --preset windows -j"$(nproc)"

status=0
ctest --preset native -j"$(nproc)" || status=1
ctest --preset windows || status=1
exit $status
