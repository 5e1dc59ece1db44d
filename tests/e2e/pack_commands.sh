#!/usr/bin/env bash
# The packer's commands as an author runs them: every quiz built, dumped and
# packed again into the same stored contents, and built over another quiz as
# over the bare player; bad players and sources refused, leaving no output
# file; check, try, new, import and collect; and under Wine, the Windows
# packer giving the same bytes.
#
#   pack_commands.sh VYRLA-PACK PLAYER.exe [VYRLA-PACK.exe]
set -u
pack=$(realpath "$1") player=$(realpath "$2") winpack=${3:+$(realpath "$3")}
root=$(cd "$(dirname "$0")/../.." && pwd)
data=$root/tests/native/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)) && echo "FAILED: $1"; fi
}
same_files() {  # the .bin files of two rc folders, name for name
    [ "$(cd "$1" && ls ./*.bin)" = "$(cd "$2" && ls ./*.bin)" ] || return 1
    for f in "$1"/*.bin; do cmp -s "$f" "$2/$(basename "$f")" || { echo "  differs: $(basename "$f")"; return 1; }; done
}
winpack_run() {
    WINEDEBUG=-all "${VYRLA_WINE_RUN:-$root/cmake/wine-run.sh}" "$winpack" "$@" 2> >(grep -v -E '^(X connection|XIO: | +after [0-9]+ requests)' >&2)
}

cd "$work"
cp "$player" player.exe
page=$(dirname "$pack")/vyrla-page.html   # the web page template, when the build made it

# ------------------------------------------------------------ round trips
quizzes=("$root"/quizzes/*/quiz.toml "$data"/picture_quiz/quiz.toml "$data"/sound_quiz/quiz.toml)
previous=""
for toml in "${quizzes[@]}"; do
    name=$(basename "$(dirname "$toml")")
    check "$name: build" "$pack" build "$toml" --player player.exe -o "$name.exe"
    check "$name: dump" "$pack" dump "$name.exe" -o "dump-$name" > "$name.printed"
    check "$name: dump prints what it writes" cmp -s "$name.printed" "dump-$name/quiz.toml"
    "$pack" rc "$toml" -o "rc-$name" && "$pack" rc "dump-$name/quiz.toml" -o "rc-dump-$name"
    check "$name: dump gives back the stored contents" same_files "rc-$name" "rc-dump-$name"
    # Over an executable that carries another quiz: nothing of it may remain.
    [ -n "$previous" ] && "$pack" build "$toml" --player "$previous.exe" -o "over-$name.exe"
    [ -n "$previous" ] && check "$name over $previous: as over the bare player" cmp -s "over-$name.exe" "$name.exe"
    previous=$name
    # The same quiz as a web page: dump reads back the very quiz the executable carries.
    if [ -f "$page" ]; then
        check "$name: page" "$pack" build "$toml" -o "$name.html" 2> /dev/null
        check "$name: page dumps as the executable" cmp -s <("$pack" dump "$name.html" | sed "s/$name.html/$name.exe/") "$name.printed"
    fi
done
"$pack" build "${quizzes[0]}" --player "$previous.exe" -o over-first.exe
check "first quiz over the last" cmp -s over-first.exe "$(basename "$(dirname "${quizzes[0]}")").exe"

# ---------------------------------------------------------------- failures
demo="$root/quizzes/demo/quiz.toml"
expect_failure() {  # DESCRIPTION EXIT-CODE MESSAGE PLAYER QUIZ
    printf 'previous output\n' > kept.exe
    "$pack" build "$5" --player "$4" -o kept.exe 2> message.txt
    local got=$?
    check "$1: exit $2 (got $got)" [ "$got" = "$2" ]
    check "$1: says \"$3\" (said: $(head -c 300 message.txt))" grep -q -- "$3" message.txt
    check "$1: the output stays as it was, no partial file" [ "$(cat kept.exe)" = "previous output" -a -z "$(ls | grep partial)" ]
    rm -f fresh.exe && "$pack" build "$5" --player "$4" -o fresh.exe 2> /dev/null
    check "$1: no output file" [ ! -e fresh.exe ]
}
head -c 3000 player.exe > truncated.exe
expect_failure "truncated player" 4 "truncated" truncated.exe "$demo"
expect_failure "not an executable" 4 "not a Windows executable" "$demo" "$demo"
expect_failure "32-bit player" 4 "32-bit" "$data/pe/tiny-player-32bit.exe" "$demo"
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
"$pack" dump foreign.exe > /dev/null 2> message.txt
check "dump of a foreign executable" grep -q "not a Vyrla player" message.txt

# ---------------------------------------------- check, try, new, import, collect
printf 'kind = "text"\ntitle = "T"\n[[question]]\nprompt = "p"\nanswer = "Paris"\n' > quiz.toml
{ cat quiz.toml && echo 'check = { "pari" = "BRAVO" }'; } > verdict.toml
"$pack" check verdict.toml > /dev/null 2> message.txt
check "check of a failing verdict test: exit 1" [ $? = 1 ]
check "check says which test failed" grep -q 'verdict.toml:6: question 1, check: "pari" expected "BRAVO", got "Quasiment"' message.txt
# try: CR LF and blank lines, a line it cannot read, typed text cut to the field's 80 characters.
tried=$(printf '1\tpari\r\n\n2\tParis\n1\t%79sParis\n1\tParis\n' '' | "$pack" try quiz.toml 2> message.txt)
check "try: exit 1 for the line it cannot read" [ $? = 1 ] && check "try: says which" grep -q "line 3:" message.txt
check "try" [ "$tried" = "$(printf '1\tpari\tQuasiment\n1\t%79sP\tFAUX\n1\tParis\tBRAVO' '')" ]
for kind in text picture sound video; do
    check "new $kind" "$pack" new "new-$kind" --kind "$kind" > /dev/null
    check "new $kind builds" "$pack" build "new-$kind/quiz.toml" --player player.exe -o "new-$kind.exe"
done
"$pack" new new-text --kind text > /dev/null 2>&1
check "new over an existing quiz: refused" [ $? = 1 ]
"$pack" new new-other --kind poster > /dev/null 2>&1
check "new of no kind: refused" [ $? = 2 ]
"$pack" import "$data/teachers/bank.gift" -o imported/quiz.toml --title "Géo" --colour 1,2,3 --author Zoé 2> /dev/null
check "import of options" [ "$(grep -E '^(title|author|colour) = ' imported/quiz.toml | tr '\n' ';')" = 'title = "Géo";author = "Zoé";colour = [1, 2, 3];' ]
check "import builds" "$pack" build imported/quiz.toml --player player.exe -o imported.exe
"$pack" import "$data/teachers/bank.gift" -o refused/quiz.toml --title 標題 2> message.txt
check "import with a title the player cannot show: exit 1" [ $? = 1 -a ! -e refused/quiz.toml ]
# The quiz from the executable the class played; every .txt of a folder,
# and a row for each file or folder that gives no answers.
mkdir -p class/alice class/bob empty
printf 'Paris\r\n' > class/alice/quiz.txt && : > class/bob/quiz.txt && echo notes > class/bob/notes.md
"$pack" collect broken.toml class -o results.csv 2> /dev/null
check "collect with a broken quiz: exit 1, no results" [ $? = 1 -a ! -e results.csv ]
"$pack" build quiz.toml --player player.exe -o quiz.exe
"$pack" collect quiz.exe class missing.txt empty -o results.csv
check "collect (wrote: $(cat -A results.csv))" [ "$(cat results.csv)" = "$(printf '\xEF\xBB\xBFfile,score/1,q1,code,note\r\nclass/alice/quiz.txt,1,BRAVO,,\r\nclass/bob/quiz.txt,0,?,,empty file: the player restores no answer\r\nmissing.txt,,,,cannot be read: not found\r\nempty,,,,a folder without any .txt file\r')" ]
if [ -f "$page" ]; then
    "$pack" build quiz.toml -o quiz.html && "$pack" collect quiz.html class missing.txt empty -o page-results.csv
    check "collect from the page as from the executable" cmp -s results.csv page-results.csv
    sed 's/vyrla-quiz/other/' quiz.html > nodata.html
    "$pack" dump nodata.html > /dev/null 2> message.txt
    check "dump of a page without a quiz: exit 4, says so" [ $? = 4 ] && check "  (said $(cat message.txt))" grep -q "without a Vyrla quiz" message.txt
    "$pack" build quiz.toml -o bad.html --page quiz.toml 2> message.txt
    check "build with a template that is none: refused, no page" [ $? = 4 -a ! -e bad.html ]
fi

# ------------------------------------------------------- the Windows packer
if [ -n "$winpack" ]; then
    for toml in "$root"/quizzes/*/quiz.toml; do
        name=$(basename "$(dirname "$toml")")
        check "$name: Windows packer builds" winpack_run build "$toml" --player player.exe -o "win-$name.exe"
        check "$name: Windows packer, same bytes as this one" cmp -s "win-$name.exe" "$name.exe"
        check "$name: Windows packer dumps" winpack_run dump "win-$name.exe" -o "win-dump-$name" > /dev/null
        check "$name: Windows dump, same quiz source" cmp -s "win-dump-$name/quiz.toml" <(sed "s/$name.exe/win-$name.exe/" "dump-$name/quiz.toml")
        for file in "dump-$name"/*/*; do
            [ -e "$file" ] && check "$name: Windows dump, same ${file#dump-$name/}" cmp -s "$file" "win-${file}"
        done
    done
    printf 'previous output\n' > kept.exe
    winpack_run build "$demo" --player truncated.exe -o kept.exe 2> message.txt
    check "Windows packer, truncated player: exit 4, output kept" [ $? = 4 -a "$(cat kept.exe)" = "previous output" ]
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
