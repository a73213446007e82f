#!/usr/bin/env bash
# check-layers.sh CHECKER SOURCE_ROOT: the real tree passes; each planted
# violation fails, named by its rule and its file; the same includes and log
# lines where they belong pass.
set -uo pipefail
checker=$1 source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
n=0
fail() {
    failed=$((failed + 1))
    echo "FAIL: $1"; shift; printf '%s\n' "$@" | head -8
}
plant() { # tree file line
    mkdir -p "$1/$(dirname "$2")"
    printf '%s\n' "$3" >> "$1/$2"
}
# violation NAME RULE FILE LINE: a tree holding only this line fails, and the
# checker names the rule and the file (and nothing else).
violation() {
    local tree=$tmp/v$((n += 1)) out rc
    plant "$tree" "$3" "$4"
    out=$(bash "$checker" "$tree" 2>&1); rc=$?
    if [ "$rc" != 1 ]; then
        fail "$1: exit $rc, expected 1" "$out"
    elif ! grep -qF -- "layer rule: $2: $3:1:" <<<"$out"; then
        fail "$1: not named as \"$2\" in $3" "$out"
    elif [ "$(grep -c '^layer rule:' <<<"$out")" != 1 ]; then
        fail "$1: more than one violation reported" "$out"
    else
        passed=$((passed + 1))
    fi
}
clean() { # NAME TREE
    local out rc
    out=$(bash "$checker" "$2" 2>&1); rc=$?
    if [ "$rc" = 0 ]; then passed=$((passed + 1)); else fail "$1: exit $rc, expected 0" "$out"; fi
}

clean "the source tree" "$source"

# Direction: lower folders never include higher or sibling ones.
up="include of a higher or sibling folder"
violation "common includes the library" "$up" common/bad.cpp '#include "library/qfilelistwgt.h"'
violation "the sound layer includes the codec layer" "$up" platform/audio/bad.h '#include "rzcodec/player.h"'
violation "the codec layer includes common" "$up" rzcodec/src/bad.cpp '#include "common/vehelper.h"'
violation "media includes the recorder" "$up" media/bad.cpp '#  include <recorder/qrecordobject.h>'
violation "the kit includes its views" "$up" widgetkit/bad.cpp '#include "widgetkit/views/qjxbaseview.h"'
violation "controls include a sibling" "$up" controls/bad.cpp '#include "convert/jxconverterobject.h"'
violation "common includes commonutils" "$up" common/bad.h '#include "commonutils/rzcomutils.h"'
violation "the library includes the program" "$up" library/bad.cpp '#include "app/mainwindow.h"'
violation "common climbs into the library" "$up" common/bad.cpp '#include "../library/qfilelistwgt.h"'
violation "the recorder climbs through itself" "$up" recorder/bad.h '#include "./../controls/../app/mainwindow.h"'
priv="private src/ of another library"
violation "media includes codec internals" "$priv" media/bad.cpp '#include "rzcodec/src/internal/error.h"'
plant "$tmp/p" rzcodec/src/internal/error.h '#pragma once'
plant "$tmp/p" media/bad.cpp '#include "internal/error.h"'
out=$(bash "$checker" "$tmp/p" 2>&1)
if grep -qF "layer rule: $priv: media/bad.cpp:1:" <<<"$out"; then passed=$((passed + 1)); else
    fail "codec internals by their path under src/" "$out"; fi
violation "a folder without a rank" "folder without a rank" newarea/thing.cpp 'int x;'

# Widgets below the widget layer, in every spelling.
wh="widget header below the widget layer"
violation "QWidget in common" "$wh" common/bad.h '#include <QWidget>'
violation "lower-case widget header" "$wh" commonutils/bad.cpp '#include <qwidget.h>'
violation "module path in the sound layer" "$wh" platform/audio/bad.cpp '#include <QtWidgets/QDialog>'
violation "module path, lower case" "$wh" rzcodec/src/bad.cpp '#include <QtWidgets/qlabel.h>'
violation "the whole module" "$wh" recorder/bad.cpp '#include <QtWidgets>'
violation "widget header in the recorder" "$wh" recorder/bad.h '#include <QApplication>'
violation "a widget class in the recorder" "widget class below the widget layer" recorder/bad.h 'class QWidget;'
violation "a widget class in common" "widget class below the widget layer" common/bad.cpp '    auto *d = new QDialog(nullptr);'
violation "Qt in the codec layer" "Qt header in rzcodec/" rzcodec/src/bad.cpp '#include <QObject>'
violation "a code line that starts with a star" "widget class below the widget layer" common/bad.cpp '    *dialog = new QDialog(nullptr);'
violation "code after a closed comment" "standard stream used as a log outside a logging category" media/bad.cpp '/* once */ fprintf(stderr, "x");'

# External libraries in their one place.
violation "FFmpeg outside the codec layer" "FFmpeg or TagLib outside rzcodec/" media/bad.cpp '#include <libavformat/avformat.h>'
violation "TagLib outside the codec layer" "FFmpeg or TagLib outside rzcodec/" app/bad.cpp '#include <taglib/fileref.h>'
violation "libpulse outside the sound layer" "libpulse outside platform/audio/" recorder/bad.cpp '  #  include <pulse/pulseaudio.h>'

# Logging through the categories.
lg="log line outside a logging category"
violation "bare debug line in a library" "$lg" library/bad.cpp '    qDebug() << "------format:" << format;'
violation "bare warning in the settings store" "$lg" common/bad.cpp '        qWarning ("Cannot create folder %s", name);'
violation "bare info line in the sound layer" "$lg" platform/audio/bad.h 'inline void said() { qInfo() << "x"; }'
violation "bare critical line in the program" "$lg" app/bad.cpp 'if (!ok) qCritical().noquote() << why;'
st="standard stream used as a log outside a logging category"
violation "std::cerr in the recorder" "$st" recorder/bad.cpp '    std::cerr << "capture failed" << std::endl;'
violation "fprintf to stderr in media" "$st" media/bad.cpp 'fprintf(stderr, "open failed: %d\n", rc);'
violation "printf in the editor" "$st" editor/bad.cpp '    std::printf("trim %d\n", start);'
violation "puts to stdout in the kit" "$st" widgetkit/bad.cpp 'std::fputs("too slow\n", stdout);'
violation "stderr in the codec layer" "$st" rzcodec/src/bad.cpp 'fprintf(stderr, "rzcodec: %s\n", text);'

# Everything in one tree: each file is named.
plant "$tmp/all" common/a.h '#include "library/x.h"'
plant "$tmp/all" recorder/b.cpp '#include <QtWidgets/QWidget>'
plant "$tmp/all" media/c.cpp 'std::cerr << "x";'
out=$(bash "$checker" "$tmp/all" 2>&1)
if [ "$(grep -c '^layer rule:' <<<"$out")" = 3 ] && grep -q 'common/a.h:1' <<<"$out" &&
   grep -q 'recorder/b.cpp:1' <<<"$out" && grep -q 'media/c.cpp:1' <<<"$out"; then
    passed=$((passed + 1))
else
    fail "three violations in one tree" "$out"
fi

# Where they belong.
g=$tmp/good
plant "$g" rzcodec/src/ok.cpp '#include <libavcodec/avcodec.h>'
plant "$g" rzcodec/src/ok.cpp '#include "internal/error.h"'
plant "$g" rzcodec/src/ok.cpp '#include "platform/audio/pulsecontext.h"'
plant "$g" rzcodec/src/ok.cpp 'static void qDebug(void);'
plant "$g" rzcodec/src/internal/error.h '#pragma once'
plant "$g" platform/audio/ok.cpp '#include <pulse/pulseaudio.h>'
plant "$g" common/ok.h '#include <QImage>'
plant "$g" common/ok.h '#include "rzcodec/utf32.h"'
plant "$g" common/ok.h '// a QWidget here would be a layer fault'
plant "$g" media/ok.cpp '#include "common/vehelper.h"'
plant "$g" media/ok.cpp '#include <QWidget>'
plant "$g" recorder/ok.cpp '#include "media/veeditconfig.h"'
plant "$g" recorder/ok.cpp '#include <QObject>'
plant "$g" recorder/ok.cpp 'std::snprintf(buf, sizeof buf, "%d", n);'
plant "$g" widgetkit/views/ok.cpp '#include "widgetkit/qjxbaseprogress.h"'
plant "$g" controls/ok.cpp '#include <QtWidgets/QWidget>'
plant "$g" library/ok.cpp '#include "controls/qplaycontrolwgt.h"'
plant "$g" library/ok.cpp '    qCDebug(lcLibrary) << "------format:" << format;'
plant "$g" controls/ok2.cpp '// a qWarning() here would not be switchable'
plant "$g" common/ok2.cpp '/* A block comment that says QDialog and'
plant "$g" common/ok2.cpp ' * qDebug() and std::cerr'
plant "$g" common/ok2.cpp ' */ static const char *kAll = "/*.mp3 or qDebug()";'
plant "$g" common/ok2.cpp '#include "./ok.h"'
plant "$g" common/ok2.cpp '#include "../rzcodec/utf32.h"'
plant "$g" app/qlogfile.cpp 'std::fprintf(stderr, "%s\n", line);'
plant "$g" tests/any/tst_ok.cpp '#include "app/mainwindow.h"'
plant "$g" tests/any/tst_ok.cpp 'qDebug() << "a test may print"; std::cerr << 1;'
plant "$g" bench/ok.cpp 'qInfo() << "figures"; printf("%d\n", 1);'
clean "includes and log lines where they belong" "$g"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
