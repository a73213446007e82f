#!/usr/bin/env bash
# HACKING.md's layer table says what the build does: each row's folder makes
# the library it names, links exactly the libraries it lists, has the rank the
# layer check gives it, and links only lower ranks; the rows marked "not in
# the program" are exactly the libraries the program does not link; and the
# map of test folders names every folder of tests/; the files it says write
# to a standard stream are the layer check's owners of one, counted right.
# Usage: tst_guide_layers.sh ROOT
set -uo pipefail
root=$1

# check ROOT [MINROWS]: prints each disagreement; exit 1 when there is one.
check() {
    local base=$1 minrows=${2:-10}
    [ -f "$base/HACKING.md" ] || { echo "missing $base/HACKING.md"; return 1; }
    awk -v base="$base" -v minrows="$minrows" '
    function trim(s) { gsub(/^[ \t`]+|[ \t`]+$/, "", s); return s }
    function say(text) { print text; bad = 1 }
    # The velmora_* libraries a folder CMakeLists.txt links: its words but
    # function calls, comments and the library it makes.
    function cmakelinks(folder, target,    file, line, w, words, n) {
        file = base "/" folder "CMakeLists.txt"
        words = ""
        made = ""
        while ((getline line < file) > 0) {
            sub(/#.*/, "", line)
            if (match(line, /(velmora_library|add_library)\([ \t]*[A-Za-z0-9_]+/)) {
                w = substr(line, RSTART, RLENGTH)
                sub(/.*\([ \t]*/, "", w)
                if (made == "") made = w
            }
            gsub(/velmora_[a-z_]+\(/, " ", line)
            while (match(line, /velmora_[a-z_]+/)) {
                w = substr(line, RSTART, RLENGTH)
                line = substr(line, RSTART + RLENGTH)
                if (w != target && (w in rowof)) words = words " " w
            }
        }
        close(file)
        return words
    }
    function sorted(list,    a, n, i, j, t, out) {
        n = split(list, a, /[ ,]+/)
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        out = ""
        for (i = 1; i <= n; i++) if (a[i] != "" && a[i] != out_last) { out = out " " a[i]; out_last = a[i] }
        out_last = ""
        return out
    }
    FILENAME ~ /check-layers\.awk$/ {
        rest = $0
        while (match(rest, /rank\["[a-z\/]+"\] = [0-9]+/)) {
            s = substr(rest, RSTART, RLENGTH)
            rest = substr(rest, RSTART + RLENGTH)
            f = s; sub(/^rank\["/, "", f); sub(/".*/, "", f)
            r = s; sub(/.*= /, "", r)
            checkrank[f "/"] = r
        }
        next
    }
    /^## / { section = $0 }
    section == "## Layers" && /^\| [0-9]+ \|/ {
        n = split($0, c, "|")
        rows++
        folder[rows] = trim(c[3])
        lib = c[4]
        gsub(/`/, "", lib)
        lib = trim(lib)
        out = (lib ~ /not in the program/)
        sub(/[ (].*/, "", lib)
        target[rows] = lib
        outside[rows] = out
        rank[rows] = trim(c[2])
        links[rows] = trim(c[5])
        rowof[lib] = rows
        next
    }
    section ~ /^## Where a folder.s tests are/ && /^\| / { maptext = maptext $0 "\n" }
    END {
        if (rows < minrows) say("only " rows " rows in the layer table")
        for (i = 1; i <= rows; i++) {
            if (!(folder[i] in checkrank)) say(folder[i] " has no rank in scripts/check-layers.awk")
            else if (checkrank[folder[i]] != rank[i])
                say(folder[i] " is rank " rank[i] " in the guide, " checkrank[folder[i]] " in the layer check")
            seen[folder[i]] = 1
            want = ""
            if (links[i] != "—") {
                m = split(links[i], l, /[ ,]+/)
                for (j = 1; j <= m; j++) if (l[j] != "") {
                    want = want " velmora_" l[j]
                    k = rowof["velmora_" l[j]]
                    if (k == "") say(folder[i] " links " l[j] ", which is no library of the table")
                    else if (rank[k] + 0 >= rank[i] + 0) say(folder[i] " (rank " rank[i] ") links " l[j] " (rank " rank[k] ")")
                }
            }
            have = cmakelinks(folder[i], target[i])
            if (made != target[i]) say(folder[i] "CMakeLists.txt makes " (made == "" ? "no library" : made) ", the guide says " target[i])
            if (sorted(have) != sorted(want))
                say(target[i] " links" sorted(have) " in CMake, the guide says" sorted(want))
            if (index(maptext, "`" folder[i] "`") == 0) say(folder[i] " is missing from the map of test folders")
        }
        for (f in checkrank) if (!(f in seen)) say(f " has a rank in the layer check but no row in the guide")
        # What the program links: the closure of the app row.
        app = rowof["velmora_app"]
        if (app == "") say("no row for velmora_app")
        else {
            inprog[app] = 1; changed = 1
            while (changed) {
                changed = 0
                for (i = 1; i <= rows; i++) if (i in inprog) {
                    m = split(links[i], l, /[ ,]+/)
                    for (j = 1; j <= m; j++) { k = rowof["velmora_" l[j]]; if (k != "" && !(k in inprog)) { inprog[k] = 1; changed = 1 } }
                }
            }
            for (i = 1; i <= rows; i++) {
                if (outside[i] && (i in inprog)) say(target[i] " is marked not in the program, but the program links it")
                if (!outside[i] && !(i in inprog)) say(target[i] " is not linked by the program, but not marked so")
            }
        }
        while ((("ls -d " base "/tests/*/ 2>/dev/null") | getline d) > 0) {
            sub(/^.*\/tests\//, "tests/", d)
            if (index(maptext, "`" d) == 0) say(d " is missing from the map of test folders")
        }
        exit bad
    }' "$base/scripts/check-layers.awk" "$base/HACKING.md"
}

# A planted tree: a right guide passes, and each kind of drift is caught.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
plant() { mkdir -p "$(dirname "$1")"; printf '%s\n' "$2" > "$1"; }
t=$tmp/t
mkdir -p "$t/scripts" "$t/tests/low" "$t/tests/high"
plant "$t/scripts/check-layers.awk" '    rank["low"] = 1;   rank["spare"] = 1
    rank["app"] = 2'
plant "$t/low/CMakeLists.txt" 'velmora_library(velmora_low SOURCES a.cpp DEPS Qt5::Core)'
plant "$t/spare/CMakeLists.txt" 'velmora_library(velmora_spare SOURCES a.cpp)'
plant "$t/app/CMakeLists.txt" '# velmora_spare is not linked
velmora_library(velmora_app SOURCES a.cpp DEPS velmora_low)'
guide() { # links of app, mark of spare, rank of app
    printf '%s\n' '## Layers' '' '| Rank | Folder | Library | Links | May use |' '|---|---|---|---|---|' \
        '| 1 | `low/` | `velmora_low` | — | Qt |' \
        "| 1 | \`spare/\` | \`velmora_spare\`$2 | — | Qt |" \
        "| ${3:-2} | \`app/\` | \`velmora_app\` | $1 | all |" \
        '## Where a folder'"'"'s tests are' '| `low/` | `tests/low/` |' '| `spare/` | `tests/high/` |' '| `app/` | none |' \
        '## Next' > "$t/HACKING.md"
}
expect() { # name expected-exit expected-text
    local out rc
    out=$(check "$t" 3); rc=$?
    if [ "$rc" != "$2" ] || { [ -n "$3" ] && ! grep -qF -- "$3" <<<"$out"; } || { [ -z "$3" ] && [ -n "$out" ]; }; then
        echo "FAIL: $1 (exit $rc): $out"; exit 1
    fi
}
guide low ' (not in the program)'
expect "a true table" 0 ""
guide 'low, spare' ' (not in the program)'
expect "a link CMake does not make" 1 "velmora_app links velmora_low in CMake, the guide says velmora_low velmora_spare"
guide low ''
expect "a library the program does not link, unmarked" 1 "velmora_spare is not linked by the program, but not marked so"
guide low ' (not in the program)' 1
expect "a rank the layer check does not give" 1 "app/ is rank 1 in the guide, 2 in the layer check"
guide low ' (not in the program)'
plant "$t/app/CMakeLists.txt" 'velmora_library(velmora_program SOURCES a.cpp DEPS velmora_low)'
expect "a library of another name" 1 "app/CMakeLists.txt makes velmora_program, the guide says velmora_app"

# streams ROOT: the files the guide says write to a standard stream are the
# layer check's owners of one, and the guide counts them right.
streams() {
    local para owners named count words=(Zero One Two Three Four Five Six Seven Eight Nine Ten)
    para=$(awk -v RS= '/write to a standard stream themselves/' "$1/HACKING.md")
    owners=$(grep -o 'owner\["[^"]*"\]' "$1/scripts/check-layers.awk" | sed 's/owner\["//; s/"\]//' | sort)
    named=$(grep -o '`[^`]*\.cpp`' <<<"$para" | tr -d '`' | sort)
    count=$(grep -o '[A-Z][a-z]* files' <<<"$para" | head -1 | cut -d' ' -f1)
    if [ "$owners" != "$named" ]; then
        echo "stream owners: the layer check has [$(echo $owners)], the guide [$(echo $named)]"; return 1
    fi
    if [ "${words[$(wc -l <<<"$owners")]}" != "$count" ]; then
        echo "stream owners: the guide says $count files, there are $(wc -l <<<"$owners")"; return 1
    fi
}
plant "$t/scripts/check-layers.awk" '    owner["a/one.cpp"] = 1
    owner["b/two.cpp"] = 1'
printf '%s\n' 'so does a standard stream used as a log. Two files' 'write to a standard stream themselves: (`a/one.cpp`), and' '(`b/two.cpp`).' '' > "$t/HACKING.md"
out=$(streams "$t") || { echo "FAIL: a true list of stream owners: $out"; exit 1; }
printf '%s\n' 'so does a standard stream used as a log. Two files' 'write to a standard stream themselves: (`a/one.cpp`).' '' > "$t/HACKING.md"
out=$(streams "$t") && { echo "FAIL: an owner the guide leaves out passes"; exit 1; }
printf '%s\n' 'so does a standard stream used as a log. Three files' 'write to a standard stream themselves: (`a/one.cpp`), and' '(`b/two.cpp`).' '' > "$t/HACKING.md"
out=$(streams "$t") && { echo "FAIL: a wrong count passes"; exit 1; }
if ! streams "$root"; then
    echo "FAIL: HACKING.md's stream owners do not match the layer check"
    exit 1
fi

if ! check "$root"; then
    echo "FAIL: HACKING.md's layer table does not match the build"
    exit 1
fi
echo "HACKING.md: the layer table matches the CMake targets and the layer check"
