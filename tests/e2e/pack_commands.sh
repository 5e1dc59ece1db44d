#!/usr/bin/env bash
# The packer's build, dump and new commands, run as an author runs them:
#
# - every demo quiz: build, then dump -o, then the dump packs into exactly
#   the stored contents of the source and builds exactly the same executable;
# - building twice gives the same bytes; building over an executable that
#   carries another quiz gives the bytes of building over the bare player;
# - a truncated player, one that is not an executable, a 32-bit one, a
#   foreign one and a quiz source with errors each give their message and
#   leave no output file (an existing one stays as it was);
# - new gives a quiz of every kind that builds at once;
# - with a Windows build of the packer (run under Wine), it builds and dumps
#   the same bytes as this one.
#
#   pack_commands.sh VYRLA-PACK PLAYER.exe [VYRLA-PACK.exe]
set -u
pack=$(realpath "$1") player=$(realpath "$2") winpack=${3:+$(realpath "$3")}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

check() {  # check DESCRIPTION COMMAND...
    local what="$1"
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}

same_files() {  # the .bin files of two rc folders, name for name
    local a="$1" b="$2"
    [ "$(cd "$a" && ls ./*.bin)" = "$(cd "$b" && ls ./*.bin)" ] || return 1
    for f in "$a"/*.bin; do cmp -s "$f" "$b/$(basename "$f")" || { echo "  differs: $(basename "$f")"; return 1; }; done
}

winpack_run() {
    WINEDEBUG=-all "${VYRLA_WINE_RUN:-$root/cmake/wine-run.sh}" "$winpack" "$@" 2> >(grep -v -E '^(X connection|XIO: | +after [0-9]+ requests)' >&2)
}

cd "$work"
cp "$player" player.exe

# ------------------------------------------------------------ round trips
for toml in "$root"/quizzes/*/quiz.toml; do
    name=$(basename "$(dirname "$toml")")
    check "$name: build" "$pack" build "$toml" --player player.exe -o "$name.exe"
    check "$name: dump" "$pack" dump "$name.exe" -o "dump-$name" > "$name.printed"
    check "$name: dump prints what it writes" cmp -s "$name.printed" "dump-$name/quiz.toml"
    check "$name: rc of the source" "$pack" rc "$toml" -o "rc-$name"
    check "$name: rc of the dump" "$pack" rc "dump-$name/quiz.toml" -o "rc-dump-$name"
    check "$name: dump gives back the stored contents" same_files "rc-$name" "rc-dump-$name"
    check "$name: dump builds the same executable" "$pack" build "dump-$name/quiz.toml" --player player.exe -o "again-$name.exe"
    check "$name: same bytes from the dump" cmp -s "$name.exe" "again-$name.exe"
    check "$name: building twice" "$pack" build "$toml" --player player.exe -o "twice-$name.exe"
    check "$name: same bytes twice" cmp -s "$name.exe" "twice-$name.exe"
done

# Over an executable that carries another quiz: nothing of it may remain.
quizzes=("$root"/quizzes/*/quiz.toml)
previous=""
for toml in "${quizzes[@]}" "${quizzes[0]}"; do
    name=$(basename "$(dirname "$toml")")
    if [ -n "$previous" ]; then
        check "$name over $previous" "$pack" build "$toml" --player "$previous.exe" -o "over-$name.exe"
        check "$name over $previous: as over the bare player" cmp -s "over-$name.exe" "$name.exe"
    fi
    previous=$name
done

# ---------------------------------------------------------------- failures
demo="$root/quizzes/demo/quiz.toml"
expect_failure() {  # DESCRIPTION EXIT-CODE MESSAGE PLAYER QUIZ
    local what="$1" code="$2" message="$3" bad="$4" quiz="$5"
    printf 'previous output\n' > kept.exe
    "$pack" build "$quiz" --player "$bad" -o kept.exe 2> message.txt
    local got=$?
    check "$what: exit $code (got $got)" [ "$got" = "$code" ]
    check "$what: says \"$message\" (said: $(head -c 300 message.txt))" grep -q -- "$message" message.txt
    check "$what: the output stays as it was" [ "$(cat kept.exe)" = "previous output" ]
    check "$what: no partial file" [ -z "$(ls | grep partial)" ]
    rm -f fresh.exe
    "$pack" build "$quiz" --player "$bad" -o fresh.exe 2> /dev/null
    check "$what: no output file" [ ! -e fresh.exe ]
}
head -c 3000 player.exe > truncated.exe
expect_failure "truncated player" 4 "truncated" truncated.exe "$demo"
head -c $(($(stat -c %s player.exe) / 2)) player.exe > cut.exe
expect_failure "player cut in its sections" 4 "truncated" cut.exe "$demo"
expect_failure "not an executable" 4 "not a Windows executable" "$demo" "$demo"
expect_failure "32-bit player" 4 "32-bit" "$root/tests/native/data/pe/tiny-player-32bit.exe" "$demo"
cp player.exe foreign.exe
offset=$(grep -obUa '\.vyrla' foreign.exe | head -1 | cut -d: -f1)
printf '.other' | dd of=foreign.exe bs=1 seek="$offset" conv=notrunc status=none
expect_failure "foreign executable" 4 "not a Vyrla player" foreign.exe "$demo"
expect_failure "missing player" 4 "not found" nothing.exe "$demo"
printf 'kind = "text"\ntitle = "Faux"\n\n[[question]]\nprompt = "Sans réponse"\n' > broken.toml
expect_failure "quiz source with errors" 1 "question 1, answer: missing" player.exe broken.toml

cp player.exe same.exe
"$pack" build "$demo" --player same.exe -o same.exe 2> message.txt
check "output over the player: refused" [ $? = 2 ]
check "output over the player: the player is untouched" cmp -s same.exe player.exe

"$pack" dump "$demo" > /dev/null 2> message.txt
check "dump of a quiz source: exit 4" [ $? = 4 ]
"$pack" dump foreign.exe > /dev/null 2> message.txt
check "dump of a foreign executable" grep -q "not a Vyrla player" message.txt

# --------------------------------------------------------------------- new
for kind in text picture sound video; do
    check "new $kind" "$pack" new "new-$kind" --kind "$kind" > /dev/null
    check "new $kind builds" "$pack" build "new-$kind/quiz.toml" --player player.exe -o "new-$kind.exe"
done
"$pack" new new-text --kind text > /dev/null 2> message.txt
check "new over an existing quiz: refused" [ $? = 1 ]
"$pack" new new-other --kind poster > /dev/null 2> message.txt
check "new of no kind: refused" [ $? = 2 ]

# ------------------------------------------------------- the Windows packer
if [ -n "$winpack" ]; then
    for toml in "$root"/quizzes/*/quiz.toml; do
        name=$(basename "$(dirname "$toml")")
        check "$name: Windows packer builds" winpack_run build "$toml" --player player.exe -o "win-$name.exe"
        check "$name: Windows packer, same bytes as this one" cmp -s "win-$name.exe" "$name.exe"
        check "$name: Windows packer dumps" winpack_run dump "win-$name.exe" -o "win-dump-$name" > /dev/null
        check "$name: Windows dump, same quiz source" cmp -s "win-dump-$name/quiz.toml" <(sed "s/$name.exe/win-$name.exe/" "dump-$name/quiz.toml")
        for file in "dump-$name"/*/*; do
            [ -e "$file" ] || continue
            check "$name: Windows dump, same ${file#dump-$name/}" cmp -s "$file" "win-${file}"
        done
    done
    printf 'previous output\n' > kept.exe
    winpack_run build "$demo" --player truncated.exe -o kept.exe 2> message.txt
    check "Windows packer, truncated player: exit 4" [ $? = 4 ]
    check "Windows packer, truncated player: output kept" [ "$(cat kept.exe)" = "previous output" ]
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
