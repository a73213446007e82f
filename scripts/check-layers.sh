#!/usr/bin/env bash
# Layer rules of the source tree (tests, benchmarks and the picture tool are free).
# Every product folder has a rank (scripts/check-layers.awk, table `rank`):
#  - a folder includes only its own headers and those of lower ranks, never a
#    folder of its own or a higher rank, and never another library's private
#    src/ (the codec layer's interface is rzcodec/include/rzcodec/ alone);
#  - a file in a folder without a rank fails, so a new folder is ranked first;
#  - FFmpeg and TagLib headers only inside rzcodec/, and no Qt header of its own
#    there; libpulse headers only inside platform/audio/;
#  - no widget header (any spelling: <QWidget>, <qwidget.h>, <QtWidgets/...>,
#    <QtWidgets>) and no widget class below the widget layer: platform/audio/,
#    rzcodec/, common/, commonutils/, recorder/;
#  - logging goes through each library's category: no bare qDebug/qInfo/
#    qWarning/qCritical outside rzcodec/, and no std::cerr, std::cout, printf,
#    stderr or stdout outside the few files that own those streams.
# One find and one awk over all files, so it takes a fraction of a second.
# Usage: check-layers.sh [ROOT]   (default: the repository). Exit 1 on a violation.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${1:-$(cd "$here/.." && pwd)}
cd "$root" || exit 2

qtroot=$(pkg-config --variable=includedir Qt5Widgets 2>/dev/null)
taginc=$(pkg-config --variable=includedir taglib 2>/dev/null)/taglib
[ -d "$qtroot/QtWidgets" ] || { echo "check-layers: QtWidgets headers not found" >&2; exit 2; }

# Product sources only.
mapfile -t files < <(find . -path ./build -prune -o -path './build-*' -prune -o \
    -path ./tests -prune -o -path ./bench -prune -o -path ./resources/artgen -prune -o \
    -path ./.git -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print | sed 's|^\./||' | sort)
[ ${#files[@]} -gt 0 ] || { echo "check-layers: no source files under $root" >&2; exit 2; }

# Header names the rules look for, one "kind name" a line: the awk program
# reads this list first.
headers() {
    ls "$qtroot/QtWidgets" | sed 's/^/widget /'
    ls "$qtroot/QtCore" "$qtroot/QtGui" 2>/dev/null | grep -E '^(Q|q.*\.h$)' | sed 's/^/qt /'
    ls "$taginc" 2>/dev/null | sed 's/^/taglib /'
}
exec awk -f "$here/check-layers.awk" <(headers) "${files[@]}"
