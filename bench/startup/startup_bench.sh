#!/usr/bin/env bash
# Measures the player's start-up, from process start to the window being
# ready, for a 96-question picture quiz with 1024 x 768 JPEG pictures and for
# the same quiz with 8 x 6 pictures, under Wine, and prints both and their
# ratio; then what scrolling feels like while the big pictures load.
#
#   bench/startup/startup_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=${1:-5}
data=$root/build/windows/startup-bench
mkdir -p "$data/pics"

if [ ! -f "$data/pics/96.jpg" ]; then
    echo "Drawing 96 photo-like 1024 x 768 pictures..."
    for n in $(seq 1 96); do
        convert -size 1024x768 "gradient:hsb($((n * 37 % 360)),60%,80%)-hsb($((n * 91 % 360)),70%,40%)" \
            -seed "$n" -attenuate 0.4 +noise Gaussian -blur 0x1 -quality 85 "$data/pics/$n.jpg"
        convert -size 8x6 "xc:hsb($((n * 37 % 360)),60%,80%)" "$data/pics/tiny$n.jpg"
    done
fi
for variant in pictures tiny; do
    {
        echo 'kind = "picture"'
        echo "title = \"Start-up ($variant)\""
        echo 'mode = 0'
        for n in $(seq 1 96); do
            picture="pics/$n.jpg"
            [ "$variant" = tiny ] && picture="pics/tiny$n.jpg"
            printf '[[question]]\nanswer = "r%d"\npicture = "%s"\n' "$n" "$picture"
        done
    } > "$data/$variant.toml"
done

cmake --preset windows -DVYRLA_STARTUP_BENCH_DIR="$data" >/dev/null
cmake --build --preset windows --target startup_timer scroll_timer startup-pictures startup-tiny

bin=$root/build/windows/bench/startup
cp "$bin/startup-pictures.exe" "$bin/startup-tiny.exe" "$data/"
export WINEPREFIX=$root/build/windows/wineprefix
cd "$data"
out=$("$root/cmake/wine-run.sh" "$bin/startup_timer.exe" startup-pictures.exe "$runs"; \
      "$root/cmake/wine-run.sh" "$bin/startup_timer.exe" startup-tiny.exe "$runs")
echo "$out" | tr -d '\r'
pictures=$(echo "$out" | sed -n 's/^startup-pictures.exe: median \([0-9]*\) ms.*/\1/p')
tiny=$(echo "$out" | sed -n 's/^startup-tiny.exe: median \([0-9]*\) ms.*/\1/p')
echo "ratio pictures / tiny: $(awk "BEGIN { printf \"%.2f\", $pictures / $tiny }")"
# The tiny quiz's page-down is the cost of scrolling the rows themselves.
for quiz in startup-pictures.exe startup-tiny.exe; do
    "$root/cmake/wine-run.sh" "$bin/scroll_timer.exe" "$quiz" "$runs" | tr -d '\r'
done
