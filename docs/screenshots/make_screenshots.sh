#!/usr/bin/env bash
# Makes the screenshots of the authors' guide: one quiz executable of each
# kind (the demo quizzes) and one small picture quiz for each answer mode,
# built with vyrla-pack and started under Wine on a virtual display, with
# some answers already typed (a saved-answers file beside each executable,
# which the player reads and judges at start).
#
#   make_screenshots.sh VYRLA-PACK PLAYER.exe
#
# WINEPREFIX chooses the Wine prefix (made on first use); by default one in
# build/screenshots/.
set -euo pipefail
pack=$(realpath "$1")
player=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/screenshots/wineprefix}" WINEDEBUG=-all
# Wine's media players need an audio device; a silent one does.
export ALSA_CONFIG_PATH="$root/tests/win32/data/alsa-null.conf"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/cmake/wine-run.sh" cmd /c exit >/dev/null 2>&1   # makes the prefix once

# shot NAME QUIZ.toml ANSWER...: builds NAME.exe, saves the answers (one line
# per answer field, Windows-1252, CR LF) and takes docs/screenshots/NAME.png.
shot() {
    local name="$1" quiz="$2"
    shift 2
    "$pack" build "$quiz" --player "$player" -o "$work/$name.exe"
    : > "$work/$name.txt"
    for answer in "$@"; do
        printf '%s\r\n' "$answer" | iconv -f UTF-8 -t WINDOWS-1252 >> "$work/$name.txt"
    done
    (cd "$work" && NAME="$name" SHOT="$here/$name.png" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        wine explorer /desktop=vyrla,1000x680 "$NAME.exe" >/dev/null 2>&1 &
        sleep 10
        import -window root -crop 1000x680+0+0 "$SHOT"
        wineserver -k
    ')
    echo "$here/$name.png"
}

# One quiz of each kind: the demo quizzes, with right, close and wrong answers.
shot kind-text "$root/quizzes/demo/quiz.toml" \
    "Méditerranée" "mont blanc" "Loir" "La tour Eiffel" "Marseillaise" "Charles de Gau" \
    "Champs-Elysées" "pyrenees" "moliere" "" "camembret" "Jeanne d'Arc"
shot kind-picture "$root/quizzes/pictures/quiz.toml" "France" "italie" "Allemange" "Irlnde" "" ""
shot kind-sound "$root/quizzes/sound/quiz.toml" "Rome" "65" "Frère Jacques" "" "" ""
shot kind-video "$root/quizzes/video/quiz.toml" "rouge" "8" ""

# One small picture quiz per answer mode: question 1 answered right, 2 close,
# 3 not yet (mode 4 shows its hints only once every answer is right).
pics="$root/quizzes/pictures/pics"
for mode in 0 1 2 3 4 5 6 7; do
    quiz="$work/mode$mode.toml"
    {
        printf 'kind = "picture"\ntitle = "Mode %s"\nauthor = "Équipe Vyrla"\n' "$mode"
        printf 'description = "Trois drapeaux, avec des réponses déjà tapées."\n'
        printf 'link = "https://www.ina.fr"\nfooter = "Mode de réponse %s"\nmode = %s\ncolour = [40, 120, 90]\n' "$mode" "$mode"
        for q in "France|Capitale : Paris|france" "Italie|Capitale : Rome|italie" "Pays-Bas|Capitale : Amsterdam|pays-bas"; do
            IFS='|' read -r answer hint file <<< "$q"
            picture=$(ls "$pics/$file".* | head -1)
            printf '\n[[question]]\nanswer = "%s"\npicture = "%s"\n' "$answer" "$picture"
            case $mode in 1 | 2 | 3 | 4 | 6 | 7) printf 'hint = "%s"\n' "$hint" ;; esac
            case $mode in 3 | 6) printf 'extra = "-"\n' ;; esac
            case $mode in 1 | 3) printf 'solved_picture = "%s"\n' "$pics/$file-ok.jpg" ;; esac
        done
    } > "$quiz"
    if [ "$mode" = 4 ]; then
        shot "mode-$mode" "$quiz" "France" "Italie" "Pays-Bas"
    else
        shot "mode-$mode" "$quiz" "France" "Itali" ""
    fi
done
