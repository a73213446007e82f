#!/usr/bin/env bash
# Layer rules of the source tree (tests and benchmarks are free):
#  - FFmpeg and TagLib headers only inside rzcodec/;
#  - libpulse headers only inside platform/audio/;
#  - no widget header in common/, rzcodec/ or platform/;
#  - no bare qDebug/qInfo/qWarning/qCritical outside rzcodec/: each library logs
#    through its own category, so its lines can be switched by area.
# Usage: check-layers.sh [ROOT]   (default: the repository). Exit 1 on a violation.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

qtinc=$(pkg-config --variable=includedir Qt5Widgets 2>/dev/null)/QtWidgets
taginc=$(pkg-config --variable=includedir taglib 2>/dev/null)/taglib
[ -d "$qtinc" ] || { echo "check-layers: QtWidgets headers not found" >&2; exit 2; }

# Product sources only.
mapfile -t files < <(find . -path ./build -prune -o -path './build-*' -prune -o \
    -path ./tests -prune -o -path ./bench -prune -o -path ./resources/artgen -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print | sed 's|^\./||' | sort)

widgets=$(ls "$qtinc" | grep -v '\.h$' | grep '^Q' | paste -sd'|')
widgets="QtWidgets|${widgets}"
taglib=$(ls "$taginc" 2>/dev/null | sed 's/\./\\./g' | paste -sd'|')

status=0
report() {
    echo "layer rule: $1"
    status=1
}
for f in "${files[@]}"; do
    case $f in
    rzcodec/*) ;;
    *)
        hit=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](libav|libsw|libpostproc|taglib/)' "$f")
        [ -n "$taglib" ] && hit+=$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<(${taglib})>" "$f")
        [ -n "$hit" ] && report "FFmpeg or TagLib outside rzcodec/: $f: $hit"
        ;;
    esac
    case $f in
    platform/audio/*) ;;
    *)
        hit=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]pulse/' "$f")
        [ -n "$hit" ] && report "libpulse outside platform/audio/: $f: $hit"
        ;;
    esac
    case $f in
    common/*|rzcodec/*|platform/*)
        hit=$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<(QtWidgets/)?(${widgets})>" "$f")
        [ -n "$hit" ] && report "widget header in a layer below the widgets: $f: $hit"
        ;;
    esac
    case $f in
    rzcodec/*) ;;
    *)
        hit=$(grep -nE '\bq(Debug|Info|Warning|Critical)[[:space:]]*\(' "$f" |
              grep -vE '^[0-9]+:[[:space:]]*(//|\*)')
        [ -n "$hit" ] && report "log line outside a logging category: $f: $hit"
        ;;
    esac
done
[ $status = 0 ] && echo "check-layers: ${#files[@]} files follow the layer rules"
exit $status
