#!/usr/bin/env bash
# check-layers.sh CHECKER SOURCE_ROOT: the real tree passes; every planted
# violation fails and is named; the same includes where they belong pass.
set -uo pipefail
checker=$1 source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() { # name expected-exit tree [expected-text]
    local out rc
    out=$(bash "$checker" "$3" 2>&1); rc=$?
    if [ "$rc" = "$2" ] && { [ -z "${4:-}" ] || grep -qF -- "$4" <<<"$out"; }; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1 (exit $rc, expected $2)"; echo "$out" | head -5
    fi
}
plant() { # tree file line
    mkdir -p "$1/$(dirname "$2")"
    printf '%s\n' "$3" > "$1/$2"
}

check "the source tree" 0 "$source"

plant "$tmp/a" common/bad.h '#include <QWidget>'
check "widget header in common" 1 "$tmp/a" "common/bad.h"
plant "$tmp/b" platform/audio/bad.cpp '#include <QtWidgets/QDialog>'
check "widget header in the sound layer" 1 "$tmp/b" "platform/audio/bad.cpp"
plant "$tmp/c" media/bad.cpp '#include <libavformat/avformat.h>'
check "FFmpeg outside the codec layer" 1 "$tmp/c" "media/bad.cpp"
plant "$tmp/d" app/bad.cpp '#include <taglib/fileref.h>'
check "TagLib outside the codec layer" 1 "$tmp/d" "app/bad.cpp"
plant "$tmp/e" recorder/bad.cpp '  #  include <pulse/pulseaudio.h>'
check "libpulse outside the sound layer" 1 "$tmp/e" "recorder/bad.cpp"
plant "$tmp/f" rzcodec/src/bad.cpp '#include <QLabel>'
check "widget header in the codec layer" 1 "$tmp/f" "rzcodec/src/bad.cpp"

plant "$tmp/g" rzcodec/src/ok.cpp '#include <libavcodec/avcodec.h>'
plant "$tmp/g" platform/audio/ok.cpp '#include <pulse/pulseaudio.h>'
plant "$tmp/g" tests/any/ok.cpp '#include <QWidget>'
plant "$tmp/g" controls/ok.cpp '#include <QWidget>'
plant "$tmp/g" common/ok.h '#include <QImage>'
check "includes where they belong" 0 "$tmp/g"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
