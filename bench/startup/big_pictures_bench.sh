#!/usr/bin/env bash
# What a player feels with big PNG photos: a 6-question picture quiz of
# 4000 x 3000 photos, stored once as PNG and once as JPEG (the platform's
# picture loader), and the time from a page-down to the next band of pictures
# being drawn, under Wine; prints the median of each and PNG / JPEG.
#
#   bench/startup/big_pictures_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=${1:-5}
data=$root/build/windows/big-pictures-bench
mkdir -p "$data/pics"

if [ ! -f "$data/pics/6.jpg" ]; then
    echo "Drawing six photo-like 4000 x 3000 pictures..."
    for n in $(seq 1 6); do
        convert -size 4000x3000 "gradient:hsb($((n * 37 % 360)),60%,80%)-hsb($((n * 91 % 360)),70%,40%)" \
            -seed "$n" -attenuate 0.4 +noise Gaussian -blur 0x1 -depth 8 "$data/pics/$n.png"
        convert "$data/pics/$n.png" -quality 85 "$data/pics/$n.jpg"
    done
fi
for format in png jpg; do
    {
        echo 'kind = "picture"'
        echo "title = \"Big pictures ($format)\""
        echo 'mode = 0'
        for n in $(seq 1 6); do
            printf '[[question]]\nanswer = "r%d"\npicture = "pics/%d.%s"\n' "$n" "$n" "$format"
        done
    } > "$data/$format.toml"
done
ls -l "$data/pics"

cmake --preset windows -DVYRLA_BIG_PICTURES_DIR="$data" >/dev/null
cmake --build --preset windows -j1 --target scroll_timer big-pictures-png big-pictures-jpg

bin=$root/build/windows/bench/startup
cp "$bin/big-pictures-png.exe" "$bin/big-pictures-jpg.exe" "$data/"
export WINEPREFIX=$root/build/windows/wineprefix
cd "$data"
out=$(for quiz in big-pictures-png.exe big-pictures-jpg.exe; do
          "$root/cmake/wine-run.sh" "$bin/scroll_timer.exe" "$quiz" "$runs"
      done | tr -d '\r')
echo "$out"
# "before decoding": the page-down right after start-up, the band's pictures
# still to decode; "after": once they are, the drawing alone.
cold() { echo "$out" | sed -n "s/^$1: .*drawn \([0-9]*\) ms before.*/\1/p"; }
warm() { echo "$out" | sed -n "s/^$1: .* ms before decoding, \([0-9]*\) ms after.*/\1/p"; }
png=$(cold big-pictures-png.exe)
jpg=$(cold big-pictures-jpg.exe)
echo "page-down to drawn before decoding: PNG $png ms, JPEG $jpg ms, PNG / JPEG $(awk "BEGIN { printf \"%.2f\", $png / $jpg }")"
png=$(warm big-pictures-png.exe)
jpg=$(warm big-pictures-jpg.exe)
echo "page-down to drawn after decoding:  PNG $png ms, JPEG $jpg ms, PNG / JPEG $(awk "BEGIN { printf \"%.2f\", $png / ($jpg > 0 ? $jpg : 1) }")"
