#!/usr/bin/env bash
# Fails on an include against the direction that docs/architecture.md draws:
# each product folder may include only the folders its table row names, and
# every project header is included with its folder.
#
#   check_include_direction.sh REPO
set -u
repo="${1:-.}"
cd "$repo" || exit 2
table=docs/architecture.md

# "| `panel/` | ... | `judge/` `images/` ... |" -> "panel judge images ..."
rules=$(grep -E '^\| `[a-z]+/` \|' "$table" | awk -F'|' '{
    own = $2; gsub(/[ `\/]/, "", own)
    allowed = $4; gsub(/[`\/]/, "", allowed)
    print own, allowed
}')
[ -n "$rules" ] || { echo "no folder table in $table"; exit 2; }

# Every header of the tree by base name, to tell a bare project include.
headers=$(git ls-files '*.h' 2>/dev/null || find . -name '*.h' -printf '%P\n')

bad=0
checked=0
while read -r folder allowed; do
    while IFS=: read -r file line text; do
        checked=$((checked + 1))
        target=$(sed -n 's/.*#include "\([^"]*\)".*/\1/p' <<< "$text")
        case "$target" in
        */*)
            top=${target%%/*}
            if [ "$top" != "$folder" ] && ! grep -qw -- "$top" <<< "$allowed"; then
                echo "$file:$line: $folder/ may not include $target (see $table)"
                bad=$((bad + 1))
            fi ;;
        *)
            if grep -qE "(^|/)$target\$" <<< "$headers"; then
                echo "$file:$line: \"$target\" is a project header: include it with its folder"
                bad=$((bad + 1))
            fi ;;
        esac
    done < <(grep -rnE '^\s*#\s*include\s+"' "$folder" --include='*.h' --include='*.cpp' --include='*.rc' 2>/dev/null)
done <<< "$rules"

echo "include direction: $checked includes checked, $bad against the direction"
[ "$bad" -eq 0 ]
