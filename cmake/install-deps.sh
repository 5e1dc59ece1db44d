#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and this
# Debian machine does not have yet. Quick when everything is there.
set -euo pipefail

packages=(
    cmake ninja-build git
    clang-14 libclang-rt-14-dev            # native build, sanitizers, libFuzzer
    libgtest-dev googletest libbenchmark-dev libtomlplusplus-dev libcli11-dev libedlib-dev
    libpng-dev libspng-dev libstb-dev liblodepng-dev zlib1g-dev libdeflate-dev   # peers of the PNG decoder
    g++-mingw-w64-x86-64-posix              # the player, cross-compiled
    wine wine64 xvfb xauth                  # running it
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good   # what Wine's media player decodes with
    imagemagick x11-utils                   # screenshots
    emscripten                              # the web page, compiled to WebAssembly
    chromium chromium-driver python3-selenium   # testing it in a real browser
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
