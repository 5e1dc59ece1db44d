#!/usr/bin/env bash
# Makes the seeds of fuzz_quiz_page again from the text demo quiz:
# its page's bundle bytes, and the page cut down to its data.
#   fuzz/make_page_seeds.sh build/native/pack/vyrla-pack
set -euo pipefail
cd "$(dirname "$0")/.."
pack=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=fuzz/corpus/fuzz_quiz_page
for quiz in demo; do
    "$pack" build "quizzes/$quiz/quiz.toml" -o "$work/$quiz.html" 2>/dev/null
    data=$(sed -n 's|.*<script id="vyrla-quiz" type="application/octet-stream">\([^<]*\)</script>.*|\1|p' "$work/$quiz.html")
    echo "$data" | base64 -d > "$out/$quiz.bundle"
    printf '<html><script id="vyrla-quiz" type="application/octet-stream">%s</script>' "$data" > "$out/$quiz.html"
done
ls -l "$out"
