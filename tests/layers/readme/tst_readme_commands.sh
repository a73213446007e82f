#!/usr/bin/env bash
# Every command README.md shows in a code block is run here as written, from
# a project folder whose build folder is this build, or is the set-up script,
# whose modes are checked here and whose test mode CI runs. A command of no
# kind known here fails the test: the README shows nothing that is not run.
# The README also names every package the set-up script installs.
# Usage: tst_readme_commands.sh ROOT BUILD
set -uo pipefail
root=$1
build=$2

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The project folder as the README's reader has it, this build as `build`.
project=$tmp/project
mkdir "$project"
for entry in "$root"/* "$root"/.ci; do
    [ "$(basename "$entry")" = build ] || ln -s "$entry" "$project/$(basename "$entry")"
done
ln -s "$build" "$project/build"

# The lines of the README's code blocks: indented by four spaces, or fenced.
commands() {
    awk '/^```/ { fenced = !fenced; next }
         fenced || /^    [^ ]/ { sub(/^ +/, ""); if (length($0)) print }' "$1"
}

# check_command PROJECT COMMAND: says what is wrong; exit 1 then.
check_command() {
    local dir=$1 line=$2 rest word out
    local vars=()
    rest=$line
    # Variables set for the command alone, and the processors it is pinned to.
    while word=${rest%% *}; [[ $word =~ ^[A-Z_][A-Z0-9_]*=[^\ ]+$ ]]; do
        vars+=("${word%%=*}")
        rest=${rest#* }
    done
    if [[ $rest =~ ^taskset\ -c\ ([0-9,-]+)\ (.*)$ ]]; then
        taskset -c "${BASH_REMATCH[1]}" true 2>/dev/null || { echo "$line: taskset cannot pin to ${BASH_REMATCH[1]}"; return 1; }
        rest=${BASH_REMATCH[2]}
    fi
    case $rest in
    "bash scripts/bootstrap.sh "*)
        local mode=${rest#bash scripts/bootstrap.sh } var
        (cd "$dir" && bash -n scripts/bootstrap.sh) || { echo "scripts/bootstrap.sh does not parse"; return 1; }
        # A variable the script never reads changes nothing.
        for var in "${vars[@]}"; do
            grep -q "\${$var[:}]" "$dir/scripts/bootstrap.sh" || { echo "$line: the script does not read $var"; return 1; }
        done
        # Without a mode it only tells its modes, and changes nothing.
        out=$(cd "$dir" && bash scripts/bootstrap.sh 2>&1)
        [[ $out =~ usage:.*[\ \|]$mode([\ \|]|$) ]] || { echo "$line: no mode $mode in \"$out\""; return 1; }
        if [ "$mode" = test ]; then
            grep -q 'bash scripts/bootstrap.sh test' "$dir/.ci/run" ||
                { echo "$line: CI does not run it"; return 1; }
        fi ;;
    "ctest "*)
        out=$(cd "$dir" && eval "$rest -N" 2>&1)
        [[ $out =~ Total\ Tests:\ [1-9] ]] || { echo "$line: selects no test from the project folder: $out"; return 1; } ;;
    "cmake --build build")
        [ -f "$dir/build/build.ninja" ] || { echo "$line: no build folder to build"; return 1; } ;;
    "cmake --build build --target "*)
        # The target is one this build has.
        out=$(ninja -C "$dir/build" -t query "${rest#cmake --build build --target }" 2>&1) ||
            { echo "$line: no such target: $out"; return 1; } ;;
    "build/bin/velmora-audio-recorder")
        [ -x "$dir/build/bin/velmora-audio-recorder" ] || { echo "$line: no such program"; return 1; } ;;
    "cmake --install build --prefix "*)
        # tst_app_install installs this build so, into a prefix of its own.
        [ -f "$dir/build/cmake_install.cmake" ] || { echo "$line: the build has no install rules"; return 1; }
        out=$(cd "$dir" && ctest --test-dir build -N -R '^tst_app_install$' 2>&1)
        [[ $out =~ Total\ Tests:\ 1 ]] || { echo "$line: no test installs the build"; return 1; } ;;
    "bash scripts/check-layers.sh")
        # It reads the sources, which the linked folder does not walk into.
        out=$(cd "$root" && bash scripts/check-layers.sh 2>&1) || { echo "$line: $out"; return 1; } ;;
    *)
        echo "$line: no test runs this command"
        return 1 ;;
    esac
    return 0
}

# check README PROJECT: every command, every package.
check() {
    local readme=$1 dir=$2 status=0 line package
    while IFS= read -r line; do
        check_command "$dir" "$line" || status=1
    done < <(commands "$readme")
    for package in $(sed -n '/^packages=(/,/)/p' "$dir/scripts/bootstrap.sh" | tr -d '()' | sed 's/packages=//'); do
        grep -q "\`$package\`" "$readme" || { echo "does not name the package $package"; status=1; }
    done
    return $status
}

# Planted faults are caught: a ctest line that selects nothing from the
# project folder, an unknown mode, a command nothing runs, a missing package.
planted=$tmp/planted.md
{
    grep -oE '`[^` ]+`' "$root/README.md"
    printf '\n    ctest -L app\n\n    bash scripts/bootstrap.sh install\n\n    make everything\n'
    printf '\n    SPEED=2 bash scripts/bootstrap.sh test\n\n    cmake --build build --target tst_nothing_such\n'
} > "$planted"
sed -i 's/`libssl-dev`//' "$planted"
out=$(check "$planted" "$project")
for expected in "ctest -L app: selects no test" "bash scripts/bootstrap.sh install: no mode install" \
                "make everything: no test runs this command" "does not name the package libssl-dev" \
                "SPEED=2 bash scripts/bootstrap.sh test: the script does not read SPEED" \
                "cmake --build build --target tst_nothing_such: no such target"; do
    [[ $out == *"$expected"* ]] || { echo "FAIL: planted fault not caught: $expected"; echo "$out"; exit 1; }
done

count=$(commands "$root/README.md" | wc -l)
[ "$count" -ge 5 ] || { echo "FAIL: only $count commands found in README.md"; exit 1; }
if ! check "$root/README.md" "$project"; then
    echo "FAIL: README.md shows commands that do not work as written"
    exit 1
fi
echo "README.md: its $count commands work as written"
