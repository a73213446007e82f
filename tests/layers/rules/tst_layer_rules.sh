#!/usr/bin/env bash
# check-layers.sh CHECKER SOURCE_ROOT: the real tree passes; every planted
# violation fails and is named; the same includes and log lines where they
# belong pass.
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

plant "$tmp/h" library/bad.cpp '    qDebug() << "------format:" << format;'
check "bare debug line in a library" 1 "$tmp/h" "library/bad.cpp"
plant "$tmp/i" common/bad.cpp '        qWarning ("Cannot create folder %s", name);'
check "bare warning in the settings store" 1 "$tmp/i" "common/bad.cpp"
plant "$tmp/j" platform/audio/bad.h 'inline void said() { qInfo() << "x"; }'
check "bare info line in the sound layer" 1 "$tmp/j" "platform/audio/bad.h"
plant "$tmp/k" app/bad.cpp 'if (!ok) qCritical().noquote() << why;'
check "bare critical line in the program" 1 "$tmp/k" "app/bad.cpp"

plant "$tmp/l" library/ok.cpp '    qCDebug(lcLibrary) << "------format:" << format;'
plant "$tmp/l" controls/ok.cpp '// a qWarning() here would not be switchable'
plant "$tmp/l" tests/any/tst_ok.cpp 'qDebug() << "a test may print";'
plant "$tmp/l" bench/ok.cpp 'qInfo() << "figures";'
plant "$tmp/l" rzcodec/src/ok.c 'static void qDebug(void);'
check "log lines where they belong" 0 "$tmp/l"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
