#!/usr/bin/env bash
# Builds the release folder, build/release/, that a quiz author is given:
#
#   vyrla.exe          the player (it carries the demo quiz until a quiz is built into a copy)
#   vyrla-pack         the packer for Linux
#   vyrla-pack.exe     the packer for Windows, statically linked
#   vyrla-page.html    the web page template that `build -o QUIZ.html` fills
#   authoring.md       the authors' guide, with its screenshots/
#   quizzes/NAME/      each demo quiz: its source, pictures or clips, NAME.exe
#                      and NAME.html (the same quiz as a web page)
#   README.txt         where to start
#
# Both packers find the player and the page template beside them, so
# `vyrla-pack build quiz.toml -o quiz.exe` (or `-o quiz.html`) works in the
# folder as it is. The folders of the two builds
# and of the release can be changed with VYRLA_NATIVE_BUILD,
# VYRLA_WINDOWS_BUILD and VYRLA_RELEASE_DIR.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
native=${VYRLA_NATIVE_BUILD:-build/native}
windows=${VYRLA_WINDOWS_BUILD:-build/windows}
release=${VYRLA_RELEASE_DIR:-build/release}
jobs=${VYRLA_JOBS:-$(nproc)}
cmake/install-deps.sh

cmake --preset native -B "$native" >/dev/null
cmake --build "$native" --target vyrla-pack vyrla_web_page -j"$jobs"
cmake --preset windows -B "$windows" >/dev/null
cmake --build "$windows" --target vyrla vyrla-pack -j"$jobs"

rm -rf "$release"
mkdir -p "$release/quizzes" "$release/screenshots"
# Debug information stays in the build folders; an author needs none of it.
x86_64-w64-mingw32-strip -o "$release/vyrla.exe" "$windows/shell/vyrla.exe"
x86_64-w64-mingw32-strip -o "$release/vyrla-pack.exe" "$windows/pack/vyrla-pack.exe"
strip -o "$release/vyrla-pack" "$native/pack/vyrla-pack"
cp "$native/pack/vyrla-page.html" "$release/"

# The demo quizzes, built by the release's own packer from the release's own
# player, and read back once as a check of both.
for source in quizzes/*/quiz.toml; do
    dir=$(dirname "$source")
    name=$(basename "$dir")
    mkdir -p "$release/quizzes/$name"
    (cd "$dir" && find . -type f ! -name '*.sh' -exec cp --parents {} "$root/$release/quizzes/$name/" \;)
    "$release/vyrla-pack" build "$release/quizzes/$name/quiz.toml" -o "$release/quizzes/$name/$name.exe"
    "$release/vyrla-pack" dump "$release/quizzes/$name/$name.exe" >/dev/null
    "$release/vyrla-pack" build "$release/quizzes/$name/quiz.toml" -o "$release/quizzes/$name/$name.html"
    "$release/vyrla-pack" dump "$release/quizzes/$name/$name.html" >/dev/null
done

# The guide and the screenshots it shows.
cp docs/authoring.md "$release/"
grep -o 'screenshots/[A-Za-z0-9_.-]*\.png' docs/authoring.md | sort -u | while read -r shot; do
    cp "docs/$shot" "$release/$shot"
done

cat > "$release/README.txt" <<'END'
Vyrla: a quiz player for Windows, and the packer that makes quiz executables.

  vyrla-pack new myquiz --kind text        a commented starting quiz in myquiz/
  vyrla-pack check myquiz/quiz.toml        checks it and lists the answers
  vyrla-pack build myquiz/quiz.toml -o myquiz.exe
                                           myquiz.exe: the player with your quiz
  vyrla-pack build myquiz/quiz.toml -o myquiz.html
                                           myquiz.html: the same quiz as one web page,
                                           for any browser, on any computer or phone

On Windows, run vyrla-pack.exe the same way from a command prompt in this
folder. Keep vyrla.exe and vyrla-page.html beside the packer: every quiz
executable is a copy of the one, every quiz page of the other. authoring.md explains every key of a quiz source, the answer modes and the
limits; quizzes/ holds the demo quizzes, their sources, executables and pages.
END

echo "Release in $release:"
(cd "$release" && find . -maxdepth 2 -type f | sort | sed 's|^\./|  |')
