#!/usr/bin/env bash
# Fails when a README code block differs from the region of an example it
# is taken from. The line before the block's fence names the region:
#   <!-- snippet: examples/FILE.cpp NAME -->
# and in the file the region runs between "// README: begin NAME" and
# "// README: end NAME", compared without its common indentation.
#   check-readme-snippets.sh [SOURCE-ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
readme=$root/README.md

dedent() {
  awk '{ lines[NR] = $0; if ($0 ~ /[^ ]/) { match($0, /^ */); if (min == "" || RLENGTH < min) min = RLENGTH } }
       END { for (i = 1; i <= NR; i++) print substr(lines[i], min + 1) }'
}

checked=0
failed=0
while read -r line file name; do
  block=$(awk -v at="$line" 'NR == at + 1 { if (!/^```/) exit; inside = 1; next } inside && /^```/ { exit } inside' "$readme")
  region=$(awk -v name="$name" '$0 ~ "// README: end " name "$" { inside = 0 } inside; $0 ~ "// README: begin " name "$" { inside = 1 }' \
    "$root/$file" | dedent)
  if [ -z "$region" ] || [ -z "$block" ]; then
    echo "README.md:$line: no region \"$name\" in $file, or no code block after the marker"
    failed=$((failed + 1))
  elif ! diff -u --label "$file ($name)" --label "README.md:$line" <(printf '%s\n' "$region") <(printf '%s\n' "$block"); then
    failed=$((failed + 1))
  fi
  checked=$((checked + 1))
done < <(grep -noE '<!-- snippet: [^ ]+ [^ ]+ -->' "$readme" | sed -E 's/^([0-9]+):<!-- snippet: ([^ ]+) ([^ ]+) -->$/\1 \2 \3/')

echo "README snippets: $checked checked, $failed differ"
[ "$checked" -gt 0 ] && [ "$failed" -eq 0 ]
