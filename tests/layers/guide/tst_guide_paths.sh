#!/usr/bin/env bash
# Every path HACKING.md names in backticks exists in the tree, so the guide
# cannot drift from the code unnoticed. Names with <placeholders> are patterns.
# Usage: tst_guide_paths.sh ROOT
set -uo pipefail
root=$1

# check GUIDE ROOT: prints each missing path; exit 1 when one is missing.
check() {
    local guide=$1 base=$2 status=0 n
    [ -f "$guide" ] || { echo "missing guide $guide"; return 1; }
    mapfile -t names < <(grep -oE '`[^` ]+`' "$guide" | tr -d '`' | grep -v '[<>*]' |
        grep -E '/|\.(h|cpp|md|sh|cmake|txt|xml|manifest)$' | sort -u)
    for n in "${names[@]}"; do
        [ -e "$base/$n" ] || { echo "names $n, which does not exist"; status=1; }
    done
    return $status
}

# A planted missing path is caught, and an existing one passes.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/src" && touch "$tmp/src/there.h"
printf 'See `src/there.h` and `src/gone.h`.\n' > "$tmp/HACKING.md"
out=$(check "$tmp/HACKING.md" "$tmp")
[ $? = 1 ] && [ "$out" = "names src/gone.h, which does not exist" ] ||
    { echo "FAIL: planted path not caught: $out"; exit 1; }

count=$(grep -oE '`[^` ]+/[^` ]*`' "$root/HACKING.md" | wc -l)
[ "$count" -gt 10 ] || { echo "FAIL: only $count paths found in HACKING.md"; exit 1; }
if ! check "$root/HACKING.md" "$root"; then
    echo "FAIL: HACKING.md names paths that do not exist"
    exit 1
fi
echo "HACKING.md: every named path exists"
