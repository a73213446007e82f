# The layer rules over every product file in one pass; run by check-layers.sh,
# which passes a list of header names ("widget|qt|taglib NAME" lines) first and
# then the files, as paths from the source root. Prints one line per violation:
#   layer rule: <rule>: <file>:<line>: <text>
# and exits 1 when there is one.

BEGIN {
    # Rank from the bottom up; a folder includes lower ranks only. Folders of one
    # rank are siblings and do not include each other.
    rank["platform/audio"] = 1
    rank["rzcodec"] = 2
    rank["common"] = 3;   rank["commonutils"] = 3
    rank["media"] = 4
    rank["recorder"] = 5
    rank["widgetkit"] = 6
    rank["widgetkit/views"] = 7
    rank["capture"] = 8;  rank["controls"] = 8;  rank["convert"] = 8;  rank["editor"] = 8
    rank["library"] = 9
    rank["app"] = 10
    # Below the widget layer: no widget header, no widget class. media/ is not
    # among them: its playback engines drive the frame window they are given
    # and the editor's cursor.
    split("platform/audio rzcodec common commonutils recorder", low, " ")
    for (i in low) nowidgets[low[i]] = 1
    # The files that own a standard stream: the message handler writes every
    # category's lines to standard error; the codec layer writes its own error
    # lines until the program takes them over; the frame views announce a
    # dropped frame on standard output, as the frame-drop contract says.
    owner["app/qlogfile.cpp"] = 1
    owner["rzcodec/src/internal/error.cpp"] = 1
    owner["widgetkit/views/qjxvideoshowwidget.cpp"] = 1
    owner["capture/bitmapvideoview.cpp"] = 1
    # The start-up benchmark's marker: a line a benchmark reads, not a log.
    owner["library/qaudiofiletableview.cpp"] = 1
    # The desktop services' interface names the widgets it acts on, declared
    # only; no widget header comes in, and its X11 half lives in app/.
    namesWidgets["common/jxcommoninterface.h"] = 1

    # Private headers: paths under <folder>/src/, as a file in that folder
    # would spell them.
    for (i = 2; i < ARGC; i++) {
        f = ARGV[i]
        d = folderof(f)
        if (d != "" && index(f, d "/src/") == 1) {
            p = substr(f, length(d "/src/") + 1)
            if (index(p, "/")) private[p] = d
        }
    }
    status = 0
    files = 0
}

function folderof(path,    first) {
    if (index(path, "widgetkit/views/") == 1) return "widgetkit/views"
    if (index(path, "platform/audio/") == 1) return "platform/audio"
    first = path
    sub(/\/.*/, "", first)
    if (first == path) return ""
    return (first in rank) ? first : ""
}

# An include spelled with "." or ".." is resolved from the including file's
# folder, so that "../library/x.h" counts as the library's header.
function resolved(inc,    parts, n, i, out, k, dir) {
    if (inc !~ /(^|\/)\.\.?\//)
        return inc
    dir = FILENAME
    sub(/\/[^\/]*$/, "", dir)
    n = split(dir "/" inc, parts, "/")
    k = 0
    for (i = 1; i <= n; i++) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == "..") { if (k > 0) k--; continue }
        out[++k] = parts[i]
    }
    inc = ""
    for (i = 1; i <= k; i++) inc = inc (i > 1 ? "/" : "") out[i]
    return inc
}

# The line without its comments and with its string and character literals
# emptied; `inblock` carries a block comment over to the next lines.
function codeof(line,    s, rest, e) {
    gsub(/"([^"\\]|\\.)*"/, "\"\"", line)
    gsub(/'([^'\\]|\\.)*'/, "''", line)
    if (inblock) {
        e = index(line, "*/")
        if (!e) return ""
        line = substr(line, e + 2)
        inblock = 0
    }
    while ((s = index(line, "/*")) > 0) {
        rest = substr(line, s + 2)
        e = index(rest, "*/")
        if (!e) { line = substr(line, 1, s - 1); inblock = 1; break }
        line = substr(line, 1, s - 1) " " substr(rest, e + 2)
    }
    sub(/\/\/.*$/, "", line)
    return line
}

function report(rule, text) {
    printf "layer rule: %s: %s:%d: %s\n", rule, FILENAME, FNR, text
    status = 1
}

FILENAME == ARGV[1] {
    kind[$1 SUBSEP $2] = 1
    next
}

FNR == 1 {
    files++
    inblock = 0
    here = folderof(FILENAME)
    if (here == "") {
        top = FILENAME
        sub(/\/.*/, "", top)
        if (top == FILENAME) top = "."
        report("folder without a rank", "rank " top "/ in scripts/check-layers.awk")
    }
}

here == "" { nextfile }

# Comments say what they like; a code line is judged whatever it starts with.
{
    code = codeof($0)
    if (code ~ /^[ \t]*$/) next
}

code ~ /^[ \t]*#[ \t]*include[ \t]*[<"]/ {
    line = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*[<"]/, "", line)
    sub(/[>"].*$/, "", line)
    inc = resolved(line)

    if (here != "rzcodec" && (inc ~ /^(libav|libsw|libpostproc|taglib\/)/ || (("taglib" SUBSEP inc) in kind)))
        report("FFmpeg or TagLib outside rzcodec/", $0)
    if (here != "platform/audio" && inc ~ /^pulse\//)
        report("libpulse outside platform/audio/", $0)
    widget = (inc ~ /^QtWidgets(\/|$)/ || (("widget" SUBSEP inc) in kind))
    if ((here in nowidgets) && widget)
        report("widget header below the widget layer", $0)
    if (here == "rzcodec" && !widget && (inc ~ /^Qt[A-Za-z]*(\/|$)/ || (("qt" SUBSEP inc) in kind)))
        report("Qt header in rzcodec/", $0)

    there = folderof(inc)
    if (there != "" && there != here) {
        if (index(inc, there "/src/") == 1)
            report("private src/ of another library", $0)
        else if (rank[there] >= rank[here])
            report("include of a higher or sibling folder", $0 "   (" here "/ is rank " \
                   rank[here] ", " there "/ rank " rank[there] ")")
    } else if (there == "" && (inc in private) && private[inc] != here) {
        report("private src/ of another library", $0)
    }
    next
}

(here in nowidgets) && !(FILENAME in namesWidgets) {
    rest = code
    while (match(rest, /Q[A-Za-z]+/)) {
        word = substr(rest, RSTART, RLENGTH)
        before = RSTART > 1 ? substr(rest, RSTART - 1, 1) : ""
        rest = substr(rest, RSTART + RLENGTH)
        if (before ~ /[A-Za-z0-9_]/ || rest ~ /^[A-Za-z0-9_]/) continue
        if (("widget" SUBSEP word) in kind) {
            report("widget class below the widget layer", $0)
            break
        }
    }
}

here != "rzcodec" && code ~ /(^|[^A-Za-z0-9_])q(Debug|Info|Warning|Critical)[ \t]*\(/ {
    report("log line outside a logging category", $0)
    next
}

!(FILENAME in owner) && code ~ /(^|[^A-Za-z0-9_])(stderr|stdout)([^A-Za-z0-9_]|$)|std::(cerr|cout|clog)|(^|[^A-Za-z0-9_])(printf|puts|perror)[ \t]*\(/ {
    report("standard stream used as a log outside a logging category", $0)
}

END {
    if (status == 0)
        printf "check-layers: %d files follow the layer rules\n", files
    exit status
}
