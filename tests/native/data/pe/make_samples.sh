#!/usr/bin/env bash
# Makes the stand-in player that the executable tests and the PE fuzz seeds
# read: the player's own resources, a small text quiz and its ContentBlock in
# the .vyrla section, no code to speak of; and the same image as a 32-bit file.
#
#   make_samples.sh VYRLA-PACK
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"${1:?usage: make_samples.sh VYRLA-PACK}" rc "$here/tiny_quiz.toml" -o "$work/quiz"
printf '    .section .vyrla,"dr"\n    .globl vyrlaContentBlock\nvyrlaContentBlock:\n    .incbin "%s"\n' \
    "$work/quiz/content.bin" > "$work/content.s"
# A pointer in the data, so that the image has relocations as the player has.
cat > "$work/entry.c" <<END
extern const unsigned char vyrlaContentBlock[70];
const unsigned char* const contentBlock = vyrlaContentBlock;
int entry(void) { return contentBlock[0]; }
END
printf '#include "%s"\n#include "%s"\n' "$root/resources/player.rc" "$work/quiz/quiz.rc" > "$work/resources.rc"
x86_64-w64-mingw32-windres -I "$root" -I "$root/resources" -I "$work/quiz" "$work/resources.rc" -O coff -o "$work/resources.o"
# The linker places the relocations after the resources, as in the player.
x86_64-w64-mingw32-gcc -Os -nostdlib -s -e entry -Wl,--subsystem,windows -Wl,--dynamicbase \
    -Wl,--no-insert-timestamp -o "$here/tiny-player.exe" "$work/entry.c" "$work/content.s" "$work/resources.o"
x86_64-w64-mingw32-objcopy -O pei-i386 "$here/tiny-player.exe" "$here/tiny-player-32bit.exe"
