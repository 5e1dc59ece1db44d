#!/usr/bin/env bash
# Writes the seed corpus of fuzz_pe_image from the small stand-in player of
# tests/native/data/pe: the real executables whole, the same built over with
# quizzes (resources last), and crafted ones with one thing wrong or unusual
# each. Run again when the stand-in player changes.
#
#   make_pe_seeds.sh VYRLA-PACK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
pack=${1:?usage: make_pe_seeds.sh VYRLA-PACK}
samples="$root/tests/native/data/pe"
out="$here/corpus/fuzz_pe_image"
mkdir -p "$out"
rm -f "$out"/*

# Writes a little-endian 16- or 32-bit value into a file at an offset.
put16() { printf "$(printf '\\x%02x\\x%02x' $(($3 & 255)) $(($3 >> 8 & 255)))" |
          dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
put32() { put16 "$1" "$2" $(($3 & 65535)); put16 "$1" $(($2 + 2)) $(($3 >> 16 & 65535)); }
get32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }

player="$samples/tiny-player.exe"
pe=$(get32 "$player" 60)
optional=$((pe + 24))
sections=$((optional + 240))
cp "$player" "$out/tiny-player"
cp "$samples/tiny-player-32bit.exe" "$out/tiny-player-32bit"

# Built over: the resources become the last section.
"$pack" build "$samples/tiny_quiz.toml" --player "$player" -o "$out/built-text"
"$pack" build "$root/tests/native/data/sound_quiz/quiz.toml" --player "$player" -o "$out/built-sound"
"$pack" build "$root/tests/native/data/picture_quiz/quiz.toml" --player "$out/built-sound" -o "$out/built-over-sound"

# Headers only, and cut inside the section data.
head -c 1024 "$player" > "$out/cut-headers"
head -c 9000 "$player" > "$out/cut-sections"
printf 'kind = "text"\ntitle = "Ceci n est pas un programme, mais une source de quiz"\n' > "$out/not-pe"

# A symbol table after the sections, and a signature at the end.
cp "$player" "$out/symbol-table"
size=$(stat -c %s "$player")
put32 "$out/symbol-table" $((pe + 12)) "$size"
printf 'SYMBOLS\0\0\0\0' >> "$out/symbol-table"
cp "$player" "$out/signed"
put32 "$out/signed" $((optional + 112 + 32)) "$size"
put32 "$out/signed" $((optional + 112 + 36)) 16
printf 'CERTIFICATE-1234' >> "$out/signed"

# Found by fuzzing: a signature over the last section's data.
cp "$player" "$out/signature-over-sections"
put32 "$out/signature-over-sections" $((optional + 112 + 32)) $((size - 16))
put32 "$out/signature-over-sections" $((optional + 112 + 36)) 16

# No room for another section header: SizeOfHeaders ends at the table.
cp "$player" "$out/no-room"
count=$(od -An -tu2 -j $((pe + 6)) -N2 "$player" | tr -d ' ')
put32 "$out/no-room" $((optional + 60)) $((sections + 40 * count))

# No resource directory at all.
cp "$player" "$out/no-resources"
put32 "$out/no-resources" $((optional + 112 + 16)) 0
put32 "$out/no-resources" $((optional + 112 + 20)) 0

# Found by fuzzing: a directory past the last section, inside a declared
# image size larger than the sections.
cp "$player" "$out/directory-past-sections"
image_size=$(get32 "$player" $((optional + 56)))
put32 "$out/directory-past-sections" $((optional + 56)) $((image_size + 0x4000))
put32 "$out/directory-past-sections" $((optional + 112 + 8)) $((image_size + 0x1000))

# Found by fuzzing: a relocation block longer than the table, for a page
# where the writer appends the new resources.
cp "$player" "$out/relocation-block-too-long"
relocations=$(get32 "$player" $((sections + 40 * 7 + 20)))
put32 "$out/relocation-block-too-long" "$relocations" $((0xC000))
put32 "$out/relocation-block-too-long" $((relocations + 4)) $((0x580))

# Found by fuzzing: relocations that apply to the ContentBlock's section.
cp "$player" "$out/relocated-content-block"
put32 "$out/relocated-content-block" "$relocations" $((0x3000))

# A resource tree whose first type points back at the root.
cp "$player" "$out/resource-cycle"
rsrc=$(get32 "$player" $((sections + 40 * 6 + 20)))
put32 "$out/resource-cycle" $((rsrc + 20)) $((0x80000000))

chmod -x "$out"/*
ls -l "$out"
