#include "common/statefile.h"

#include "common/commonlog.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QTextCodec>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

qint64 nanoseconds(const struct timespec &t)
{
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

QString where(const QXmlStreamReader &reader)
{
    return QStringLiteral("line %1, column %2").arg(reader.lineNumber()).arg(reader.columnNumber());
}

// Two writes within this time may leave a file's times unchanged.
constexpr qint64 kTimeGranularityNs = 2000000000LL;

// The ranges of name characters beyond ASCII that XML 1.0 (fifth edition)
// allows, first and later in a name.
bool inXmlNameStartRange(uint c)
{
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
           || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
           || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
           || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD);
}

bool inXmlNameRange(uint c)
{
    return inXmlNameStartRange(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Whether QXmlStreamReader takes the character in an element name, first or
// later. It follows the older table of XML name characters, which no Qt
// function exposes, so it is asked once per character.
bool streamReaderTakes(ushort c, bool first)
{
    enum : quint8 { Known = 1, First = 2, Later = 4 };
    static std::atomic<quint8> learnt[0x10000];
    quint8 v = learnt[c].load(std::memory_order_relaxed);
    if (!(v & Known)) {
        const auto takes = [](const QString &document) {
            QXmlStreamReader reader(document);
            reader.setNamespaceProcessing(false);
            while (!reader.atEnd())
                reader.readNext();
            return !reader.hasError();
        };
        const QString ch(QChar{c});
        v = Known | (takes(QLatin1Char('<') + ch + QLatin1String("/>")) ? First : 0)
            | (takes(QLatin1String("<a") + ch + QLatin1String("/>")) ? Later : 0);
        learnt[c].store(v, std::memory_order_relaxed);
    }
    return v & (first ? First : Later);
}

bool isNameCharacter(QChar ch, bool first)
{
    const ushort c = ch.unicode();
    if (c < 0x80) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            return true;
        return !first && ((c >= '0' && c <= '9') || c == '.' || c == '-');
    }
    if (ch.isSurrogate())
        return false;
    // The DOM's rule: a letter first, then digits and marks as well.
    const QChar::Category category = ch.category();
    const bool letter = (category >= QChar::Letter_Uppercase && category <= QChar::Letter_Other)
                        || category == QChar::Number_Letter;
    const bool other = (category >= QChar::Number_DecimalDigit && category <= QChar::Number_Other)
                       || (category >= QChar::Mark_NonSpacing && category <= QChar::Mark_Enclosing);
    if (first ? !(letter && inXmlNameStartRange(c)) : !((letter || other) && inXmlNameRange(c)))
        return false;
    return streamReaderTakes(c, first);
}

// A name as a log line can show it: what cannot be printed as \uXXXX.
QString shown(QStringView name)
{
    QString text;
    for (const QChar c : name) {
        if (c.isPrint() && !c.isSurrogate())
            text += c;
        else
            text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace

int StateFile::openChecked(const QString &path, qint64 maxBytes, Reading &result, qint64 &size)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            result.status = Status::Missing;
        } else {
            result.status = Status::Unopenable;
            result.reason = QString::fromLocal8Bit(std::strerror(errno));
        }
        return -1;
    }
    if (S_ISDIR(st.st_mode)) {
        // Nothing the program could have written: left alone.
        result.status = Status::Unopenable;
        result.reason = QStringLiteral("a folder");
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = Status::Refused;
        result.reason = QStringLiteral("not a regular file");
        return -1;
    }
    if (st.st_size > maxBytes) {
        result.status = Status::Refused;
        result.reason = QStringLiteral("%1 bytes, more than the %2 allowed").arg(st.st_size).arg(maxBytes);
        return -1;
    }
    // Non-blocking, and examined again once open: what was checked above may
    // have been replaced by a pipe in the meantime.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.status = Status::Unopenable;
        result.reason = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        result.status = Status::Refused;
        result.reason = QStringLiteral("not a regular file");
        return -1;
    }
    size = opened.st_size;
    result.status = Status::Read;
    return fd;
}

StateFile::Reading StateFile::read(const QString &path, qint64 maxBytes)
{
    Reading result;
    qint64 size = 0;
    const int fd = openChecked(path, maxBytes, result, size);
    if (fd < 0)
        return result;
    QByteArray bytes;
    bytes.resize(int(qMin<qint64>(size, maxBytes)) + 1);
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            // Grew while being read: read one byte past the limit at most.
            if (got > maxBytes)
                break;
            bytes.resize(int(qMin<qint64>(got * 2, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = Status::Unopenable;
            result.reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    if (got > maxBytes) {
        result.status = Status::Refused;
        result.reason = QStringLiteral("more than the %1 bytes allowed").arg(maxBytes);
        return result;
    }
    bytes.resize(int(got));
    result.status = Status::Read;
    result.bytes = bytes;
    return result;
}

StateFile::PieceReader::PieceReader(const QString &path, qint64 maxBytes)
    : m_maxBytes(maxBytes)
{
    qint64 size = 0;
    m_fd = openChecked(path, maxBytes, m_opening, size);
}

StateFile::PieceReader::~PieceReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool StateFile::PieceReader::next(QByteArray &into, int pieceBytes)
{
    if (m_fd < 0)
        return false;
    const int at = into.size();
    into.resize(at + pieceBytes);
    int got = 0;
    while (got < pieceBytes) {
        const ssize_t n = ::read(m_fd, into.data() + at + got, size_t(pieceBytes - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_failed = true;
            break;
        }
        if (n == 0)
            break;
        got += int(n);
    }
    into.resize(at + got);
    m_read += got;
    // A file grown past the limit while being read is not taken either.
    if (m_read > m_maxBytes)
        m_failed = true;
    if (got == 0 || m_failed) {
        ::close(m_fd);
        m_fd = -1;
    }
    return got > 0 && !m_failed;
}

StateFile::Signature StateFile::signature(const QString &path)
{
    Signature sig;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return sig;
    sig.size = st.st_size;
    sig.inode = quint64(st.st_ino);
    sig.mtimeNs = nanoseconds(st.st_mtim);
    sig.ctimeNs = nanoseconds(st.st_ctim);
    return sig;
}

qint64 StateFile::nowNs()
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

bool StateFile::signatureTrusted(const Signature &sig, qint64 readAtNs)
{
    return sig.size >= 0 && trustedAfterNs(sig) < readAtNs;
}

qint64 StateFile::trustedAfterNs(const Signature &sig)
{
    return qMax(sig.mtimeNs, sig.ctimeNs) + kTimeGranularityNs;
}

QString StateFile::overLongValue(const QXmlStreamReader &reader)
{
    if (reader.isStartElement()) {
        for (const QXmlStreamAttribute &a : reader.attributes()) {
            if (a.value().size() > kMaxValueChars)
                return QStringLiteral("the value of \"%1\" is longer than %2 characters")
                    .arg(a.qualifiedName().toString())
                    .arg(kMaxValueChars);
        }
    } else if (reader.isCharacters() && reader.text().size() > kMaxValueChars) {
        return QStringLiteral("a text longer than %1 characters").arg(kMaxValueChars);
    }
    return QString();
}

QString StateFile::unholdableName(const QXmlStreamReader &reader)
{
    if (!isXmlName(reader.qualifiedName()))
        return QStringLiteral("the element name \"%1\" cannot be held").arg(shown(reader.qualifiedName()));
    for (const QXmlStreamAttribute &a : reader.attributes()) {
        if (!isXmlName(a.qualifiedName()))
            return QStringLiteral("the attribute name \"%1\" cannot be held").arg(shown(a.qualifiedName()));
    }
    return QString();
}

bool StateFile::isXmlCharacter(uint code)
{
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
           || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

bool StateFile::isXmlName(QStringView name)
{
    // The stream reader takes a colon only between two parts of a name.
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        const QStringView local = name.mid(colon + 1);
        return colon > 0 && !local.contains(QLatin1Char(':')) && isXmlName(name.left(colon))
               && isXmlName(local);
    }
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isNameCharacter(name.at(i), i == 0))
            return false;
    }
    return true;
}

QString StateFile::storable(const QString &text, int *dropped)
{
    const int size = text.size();
    QString cleaned;
    int count = 0;
    for (int i = 0; i < size;) {
        const QChar c = text.at(i);
        const bool pair = c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate();
        const int units = pair ? 2 : 1;
        const uint code = pair ? QChar::surrogateToUcs4(c, text.at(i + 1)) : c.unicode();
        if (isXmlCharacter(code)) {
            if (count)
                cleaned.append(text.constData() + i, units);
        } else if (!count++) {
            cleaned.reserve(size);
            cleaned.append(text.constData(), i);
        }
        i += units;
    }
    if (dropped)
        *dropped = count;
    return count ? cleaned : text;
}

QString StateFile::fromUtf8(const char *data, int size)
{
    static const char kMark[] = "\xEF\xBB\xBF";
    int marks = 0;
    while (size - 3 * marks >= 3 && std::memcmp(data + 3 * marks, kMark, 3) == 0)
        ++marks;
    if (!marks)
        return QString::fromUtf8(data, size);
    return QString(marks, QChar(0xFEFF)) + QString::fromUtf8(data + 3 * marks, size - 3 * marks);
}

bool StateFile::isStrayText(const QXmlStreamReader &reader)
{
    return reader.isCharacters() && !reader.isWhitespace() && !reader.isCDATA();
}

QString StateFile::swallowedMarkup(const QXmlStreamReader &reader)
{
    if (reader.isProcessingInstruction() && reader.processingInstructionData().contains(QLatin1String("<?")))
        return QStringLiteral("a processing instruction holds the start of another: its end was lost");
    if (reader.isCDATA() && reader.text().contains(QLatin1String("<![CDATA[")))
        return QStringLiteral("a CDATA section holds the start of another: its end was lost");
    return QString();
}

namespace {

// The encoding the text's declaration names; empty when it names none or
// there is none. declared: the text opens with a declaration, or with what
// damage left of one; readable: it is whole (a damaged one may still name
// its encoding).
QByteArray declaredEncoding(const QByteArray &bytes, bool *declared, bool *readable)
{
    // A declaration ends at the first "?>" (no '<' before it but its own),
    // and holds no '>' but that one: damage may have put a '<' or a '>' in.
    const int close = bytes.indexOf("?>");
    const int open = bytes.indexOf('<', 1);
    const int gt = bytes.indexOf('>');
    const int end = close >= 0 && close < 512 && (open < 0 || open > close) ? close + 2
                    : gt >= 0 && gt < 512                                   ? gt + 1
                                                                            : 512;
    const QByteArray declaration = bytes.left(end);
    *declared = declaration.startsWith("<?") || declaration.endsWith("?>")
                || declaration.left(7).contains("xml") || declaration.contains("encoding");
    *readable = false;
    if (!*declared)
        return QByteArray();
    // Not QString::fromLatin1(QByteArray), which ends at a NUL.
    const QString text = QString::fromLatin1(declaration.constData(), declaration.size());
    // version="..." [encoding="..."] [standalone="..."], blanks between.
    static const QRegularExpression kDeclaration(QStringLiteral(
        R"(^<\?xml\s+version\s*=\s*(["'])[0-9.]+\1(\s+encoding\s*=\s*(["'])([A-Za-z][A-Za-z0-9._-]*)\3)?)"
        R"((\s+standalone\s*=\s*(["'])(yes|no)\6)?\s*\?>$)"));
    const QRegularExpressionMatch m = kDeclaration.match(text);
    if (m.hasMatch()) {
        *readable = true;
        return m.captured(4).toLatin1();
    }
    // Damaged: the encoding is taken when it can still be read.
    static const QRegularExpression kEncoding(
        QStringLiteral(R"(encoding\s*=\s*(["'])([A-Za-z][A-Za-z0-9._-]*)\1)"));
    const QRegularExpressionMatch e = kEncoding.match(text);
    return e.hasMatch() ? e.captured(2).toLatin1() : QByteArray();
}

// UTF-16 from `from` on. A byte lost or put in shifts every later
// character by one byte: ASCII (all markup is) then reads as code units
// with a zero low byte. The unit read before those may hold the first byte
// of the first whole character after the damage (when what that byte and
// the next make is ASCII): reading goes on from that byte, and the unit
// read, made of what the damage left, is dropped; otherwise from the next
// byte.
QString fromUtf16(const QByteArray &bytes, int from, bool bigEndian, int *undecodable)
{
    const int size = bytes.size();
    const auto unitAt = [&](int i) {
        const uint a = uchar(bytes.at(i));
        const uint b = uchar(bytes.at(i + 1));
        return ushort(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    const auto shifted = [](ushort unit) { return (unit & 0xFF) == 0 && unit >= 0x0900 && unit < 0x7F00; };
    QString text;
    text.reserve((size - from) / 2);
    int i = from;
    int single = -1; // where the last character read as one unit began
    while (i + 1 < size) {
        const ushort unit = unitAt(i);
        if (shifted(unit) && i + 3 < size && shifted(unitAt(i + 2))) {
            ++*undecodable;
            const ushort back = single == i - 2 ? unitAt(i - 1) : 0;
            if (back == '\t' || back == '\n' || back == '\r' || (back >= 0x20 && back < 0x7F)) {
                text.chop(1);
                --i;
            } else {
                ++i;
            }
            single = -1;
            continue;
        }
        single = i;
        i += 2;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(unitAt(i))) {
            text += QChar(unit);
            text += QChar(unitAt(i));
            i += 2;
            single = -1;
        } else if (QChar::isSurrogate(unit)) {
            ++*undecodable;
            text += QChar(QChar::ReplacementCharacter);
        } else {
            text += QChar(unit);
        }
    }
    if (i < size)
        ++*undecodable;
    return text;
}

// Which half of each code unit is zero, in the first kilobyte: UTF-16
// without its byte order mark (damaged) shows it, however its markup is.
int utf16Order(const QByteArray &bytes, int from)
{
    const int end = qMin(bytes.size(), from + 1024);
    int even = 0;
    int odd = 0;
    for (int i = from; i < end; ++i) {
        if (bytes.at(i) == '\0')
            ++((i - from) % 2 ? odd : even);
    }
    const int units = (end - from) / 2;
    if (units < 4)
        return 0;
    if (odd - even > units / 4)
        return -1; // little-endian: ASCII is a byte then a zero
    if (even - odd > units / 4)
        return 1;
    return 0;
}

} // namespace

QString StateFile::textOf(const QByteArray &bytes, int *undecodable)
{
    int bad = 0;
    QString text;
    const auto isMarkByte = [&](int i) {
        return i < bytes.size() && (bytes.at(i) == '\xFF' || bytes.at(i) == '\xFE');
    };
    const int order = bytes.startsWith("\xEF\xBB\xBF") ? 0 : utf16Order(bytes, 0);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        text = fromUtf16(bytes, 2, bytes.at(0) == '\xFE', &bad);
    } else if (bytes.mid(1, 2) == "\xFF\xFE" || bytes.mid(1, 2) == "\xFE\xFF") {
        // A byte put in before the byte order mark.
        text = fromUtf16(bytes, 3, bytes.at(1) == '\xFE', &bad);
        ++bad;
    } else if (order != 0) {
        // A byte order mark that damage took or changed. Zeros at odd
        // offsets: little-endian, or big-endian after its mark lost a byte;
        // at even offsets: big-endian, or little-endian after its mark lost
        // a byte. Markup reads the same either way; what the declaration
        // names decides, and else little-endian, by far the commoner.
        QByteArray ascii = bytes.left(256);
        ascii.replace('\0', QByteArray());
        const bool declaredBig = ascii.toUpper().contains("UTF-16BE");
        const bool big = order < 0 ? declaredBig && isMarkByte(0) : declaredBig || !isMarkByte(0);
        const int from = order < 0 ? (big ? 1 : 0) : !big ? 1 : isMarkByte(0) && isMarkByte(1) ? 2 : 0;
        text = fromUtf16(bytes, from, big, &bad);
    } else {
        bool declared = false;
        bool readable = false;
        const QByteArray name = declaredEncoding(bytes, &declared, &readable);
        QTextCodec *codec = name.isEmpty() ? nullptr : QTextCodec::codecForName(name);
        const int mib = codec ? codec->mibEnum() : 0;
        // UTF-16 and UTF-32 declared over bytes that are neither (an older
        // save's): the bytes are UTF-8.
        if (mib == 1013 || mib == 1014 || mib == 1015 || (mib >= 1017 && mib <= 1019))
            codec = nullptr;
        QTextCodec *const utf8 = QTextCodec::codecForMib(106);
        if (!codec && declared && (!readable || !name.isEmpty())) {
            // A declaration that cannot be read, or names what no codec
            // knows: UTF-8 when the bytes are, else the commonest single-byte
            // encoding, which reads any byte.
            QTextCodec::ConverterState probe;
            utf8->toUnicode(bytes.constData(), bytes.size(), &probe);
            codec = probe.invalidChars > 0 ? QTextCodec::codecForMib(4) : utf8;
        }
        if (!codec)
            codec = utf8;
        // A byte order mark before the document is no part of it; a NUL
        // stays (QString::fromUtf8 would end the text there).
        QTextCodec::ConverterState state;
        text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
        bad = state.invalidChars;
    }
    if (undecodable)
        *undecodable = bad;
    return text;
}

bool StateFile::check(const QByteArray &bytes, int maxDepth, QString *reason, Between between)
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            *reason = where(reader) + QStringLiteral(": a document type declaration is not accepted");
            return false;
        case QXmlStreamReader::EntityReference:
            *reason = where(reader) + QStringLiteral(": entity references are not accepted");
            return false;
        case QXmlStreamReader::StartElement: {
            if (++depth > maxDepth) {
                *reason = where(reader) + QStringLiteral(": elements nested deeper than %1 levels").arg(maxDepth);
                return false;
            }
            const QString unholdable = unholdableName(reader);
            if (!unholdable.isEmpty()) {
                *reason = where(reader) + QStringLiteral(": ") + unholdable;
                return false;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (between == Between::BlanksOnly && depth == 1 && isStrayText(reader)) {
                *reason = where(reader) + QStringLiteral(": a text between the records");
                return false;
            }
            break;
        default:
            break;
        }
        const QString swallowed = swallowedMarkup(reader);
        if (!swallowed.isEmpty()) {
            *reason = where(reader) + QStringLiteral(": ") + swallowed;
            return false;
        }
        const QString tooLong = overLongValue(reader);
        if (!tooLong.isEmpty()) {
            *reason = where(reader) + QStringLiteral(": ") + tooLong;
            return false;
        }
    }
    if (reader.hasError()) {
        *reason = where(reader) + QStringLiteral(": ") + reader.errorString();
        return false;
    }
    return true;
}

namespace {

// The document element the store writes, looked for when a damaged file's
// own cannot be read.
const QLatin1String kDocumentName("ROOTITEM");

// Reads a damaged file's text into its whole records (StateFile::salvage).
// The text is read in stretches: the first as the document it should be,
// each later one from where a record may begin after damage, inside a
// document element of its own named as the file's.
class Salvager
{
public:
    Salvager(const QString &text, const QString &entryTag, int maxDepth)
        : m_text(text)
        , m_entryTag(entryTag)
        , m_maxDepth(maxDepth)
    {
    }

    QString run(int *kept);
    // Names and characters dropped or replaced: how many, and the first few.
    int notes() const { return m_notes; }
    const QStringList &firstNotes() const { return m_firstNotes; }
    void note(const QString &what)
    {
        if (m_notes++ < 5)
            m_firstNotes << what;
    }

private:
    enum class End {
        Finished,       // the document element ended, or the text
        DamageInRecord, // inside a record, which is lost
        DamageBetween,  // between records
    };
    struct Outcome
    {
        End end;
        int resumeFrom; // where the next record is looked for
    };

    Outcome readStretch(int start, bool asDocument);
    // The next '<' at or after from that opens a record, or the document
    // element when none was read yet (asDocument is then set); -1 when none.
    int nextRecordStart(int from, bool *asDocument) const;
    // The name of the start tag whose name begins at `at`; empty when none
    // a record could have.
    QString tagNameAt(int at) const;
    // Where the comment, processing instruction or CDATA section opened at
    // `at` ends (just after it); -1 when none opens there. Damage may have
    // taken its end: it ends where what is left of that end stands, or
    // where a character no markup holds does; with none, the text was cut
    // inside it.
    int markupEnd(int at) const;
    // The text at `at` (blanks skipped) is what is left of the end of a
    // comment, processing instruction or CDATA section: what was read
    // before it stood inside one.
    bool closesMarkup(int at) const;
    QString documentName() const { return m_haveRoot ? m_rootName : QString(kDocumentName); }

    const QString &m_text;
    const QString m_entryTag;
    const int m_maxDepth;
    QString m_rootName;
    QXmlStreamAttributes m_rootAttributes;
    bool m_haveRoot = false;
    QString m_records; // the records kept, as written
    int m_kept = 0;
    int m_notes = 0;
    QStringList m_firstNotes;
};

QString Salvager::tagNameAt(int at) const
{
    constexpr int kLongestName = 256;
    int end = at;
    const int limit = qMin(m_text.size(), at + kLongestName);
    while (end < limit) {
        const QChar c = m_text.at(end);
        if (c.isSpace() || c == QLatin1Char('>') || c == QLatin1Char('/') || c == QLatin1Char('<'))
            break;
        ++end;
    }
    if (end == at || end >= m_text.size() || m_text.at(end) == QLatin1Char('<'))
        return QString();
    const QStringView name = QStringView(m_text).mid(at, end - at);
    return StateFile::isXmlName(name) ? name.toString() : QString();
}

int Salvager::markupEnd(int at) const
{
    const QStringView text(m_text);
    const int size = text.size();
    const auto isBlank = [&](int i) { return text.at(i).isSpace(); };
    // What closes it; cut inside it, it runs to the end of the text.
    QChar mark;
    int from = at;
    if (text.mid(at, 4) == QLatin1String("<!--")) {
        mark = QLatin1Char('-');
        from = at + 4;
    } else if (text.mid(at, 9) == QLatin1String("<![CDATA[")) {
        mark = QLatin1Char(']');
        from = at + 9;
    } else if (text.mid(at, 2) == QLatin1String("<?")) {
        mark = QLatin1Char('?');
        from = at + 2;
    } else {
        return -1;
    }
    for (int i = from; i < size; ++i) {
        const QChar c = text.at(i);
        const uint code = c.unicode();
        if (code < 0x20 && code != '\t' && code != '\n' && code != '\r')
            return i; // no markup holds it: damage, which may have taken the end
        if (mark == QLatin1Char('?')) {
            // "?>", or what is left of it: a question mark (which the text
            // before the end holds only where damage put it), or a '>' that
            // ends a line, where the '?' before it was lost.
            if (c == mark)
                return i + 1 < size && text.at(i + 1) == QLatin1Char('>') ? i + 2 : i + 1;
            if (c == QLatin1Char('>')) {
                int next = i + 1;
                while (next < size && isBlank(next))
                    ++next;
                if (next == size || text.at(next) == QLatin1Char('<'))
                    return i + 1;
            }
            continue;
        }
        if (c != mark)
            continue;
        // "-->" or "]]>": "--" is the end (a comment holds it nowhere else),
        // then "-x>" and "x->" as what is left of it when one character of
        // it was changed, lost or put in.
        if (i + 1 < size && text.at(i + 1) == mark)
            return i + 2 < size && text.at(i + 2) == QLatin1Char('>') ? i + 3 : i + 2;
        if (i + 1 < size && text.at(i + 1) == QLatin1Char('>'))
            return i + 2;
        if (i + 2 < size && text.at(i + 2) == QLatin1Char('>'))
            return i + 3;
    }
    return size;
}

// The text starts with what is left of close when at most one character
// of it was changed, lost or put in.
bool startsNearly(QStringView text, QLatin1String close)
{
    const QChar any(0); // stands for whatever damage made of a character
    const auto startsWith = [&](const QString &pattern) {
        if (text.size() < pattern.size())
            return false;
        for (int j = 0; j < pattern.size(); ++j) {
            if (pattern.at(j) != any && pattern.at(j) != text.at(j))
                return false;
        }
        return true;
    };
    const QString whole(close);
    if (startsWith(whole))
        return true;
    for (int k = 0; k <= whole.size(); ++k) {
        if (startsWith(QString(whole).insert(k, any)))
            return true;
        if (k < whole.size()
            && (startsWith(QString(whole).replace(k, 1, any)) || startsWith(QString(whole).remove(k, 1))))
            return true;
    }
    return false;
}

bool Salvager::closesMarkup(int at) const
{
    const QStringView text(m_text);
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    int next = m_text.indexOf(QLatin1Char('<'), at);
    if (next < 0)
        next = m_text.size();
    const QStringView before = text.mid(at, next - at);
    for (const QLatin1String close : {QLatin1String("-->"), QLatin1String("]]>"), QLatin1String("?>")}) {
        if (before.contains(close) || startsNearly(before, close))
            return true;
    }
    return false;
}

int Salvager::nextRecordStart(int from, bool *asDocument) const
{
    for (int at = m_text.indexOf(QLatin1Char('<'), from); at >= 0;
         at = m_text.indexOf(QLatin1Char('<'), at + 1)) {
        // What a comment, a processing instruction or CDATA holds is text.
        const int markup = markupEnd(at);
        if (markup >= 0) {
            at = markup - 1;
            continue;
        }
        const QString name = tagNameAt(at + 1);
        if (name.isEmpty())
            continue;
        if (!m_haveRoot && name == kDocumentName) {
            *asDocument = true;
            return at;
        }
        if (m_entryTag.isEmpty() ? name != documentName() : name == m_entryTag) {
            *asDocument = false;
            return at;
        }
    }
    return -1;
}

Salvager::Outcome Salvager::readStretch(int start, bool asDocument)
{
    // Fed a little at first, more each time it runs out: a damaged file
    // may need a stretch every few bytes (deep nesting), and each copies
    // and converts what it is fed.
    constexpr int kFirstChunk = 1 << 10;
    constexpr int kChunk = 1 << 16;
    QXmlStreamReader reader;
    reader.setNamespaceProcessing(false);
    const QString opening = asDocument ? QString() : QLatin1Char('<') + documentName() + QLatin1Char('>');
    reader.addData(opening);
    int fed = start;
    int chunk = kFirstChunk;
    const auto feed = [&] {
        const int n = qMin(chunk, m_text.size() - fed);
        reader.addData(m_text.mid(fed, n));
        fed += n;
        chunk = qMin(chunk * 2, kChunk);
    };
    feed();
    const auto position = [&] { return start + int(reader.characterOffset()) - opening.size(); };

    // Where each record this stretch kept begins, by name, and whether it
    // was written as an empty element: an element closed that was never
    // opened among the records may say where they stood inside one (see
    // below).
    struct Kept
    {
        QString name;
        int at;
        bool empty;
    };
    QVector<Kept> keptHere;

    int depth = 0;
    int lastTokenEnd = start; // where the text read without fault ends
    int recordStart = -1;
    int droppedFrom = 0; // the depth of an element dropped for its name
    bool tooDeep = false;
    QString recordText;
    std::unique_ptr<QXmlStreamWriter> record;
    bool damaged = false;
    while (!damaged) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (reader.hasError()) {
            // At the end of the text: cut short, or a '<' damaged into "<?"
            // or "<!--" that took the rest, or a NUL, which the reader fed a
            // piece at a time may take for the end of what it was given. The
            // record being read is lost; any later one is looked for.
            if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && fed < m_text.size()) {
                feed();
                continue;
            }
            break;
        }
        switch (token) {
        case QXmlStreamReader::EndDocument:
            return {End::Finished, -1};
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            damaged = true;
            break;
        case QXmlStreamReader::StartElement: {
            ++depth;
            if (depth == 1) {
                if (!asDocument)
                    break;
                m_rootName = reader.qualifiedName().toString();
                m_haveRoot = true;
                for (const QXmlStreamAttribute &a : reader.attributes()) {
                    if (!StateFile::isXmlName(a.qualifiedName()))
                        note(QStringLiteral("the attribute \"%1\" of the document element")
                                 .arg(shown(a.qualifiedName())));
                    else if (a.value().size() <= StateFile::kMaxValueChars)
                        m_rootAttributes.append(a);
                }
                break;
            }
            if (depth == 2) {
                recordStart = m_text.lastIndexOf(QLatin1Char('<'), position() - 1);
                recordText.clear();
                record.reset(new QXmlStreamWriter(&recordText));
            }
            if (depth > m_maxDepth || !StateFile::overLongValue(reader).isEmpty()) {
                tooDeep = depth > m_maxDepth;
                damaged = true;
                break;
            }
            if (droppedFrom)
                break;
            if (!StateFile::isXmlName(reader.qualifiedName())) {
                note(QStringLiteral("the element \"%1\" (line %2)")
                         .arg(shown(reader.qualifiedName()))
                         .arg(reader.lineNumber()));
                droppedFrom = depth;
                break;
            }
            record->writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamAttribute &a : reader.attributes()) {
                if (StateFile::isXmlName(a.qualifiedName()))
                    record->writeAttribute(a);
                else
                    note(QStringLiteral("the attribute \"%1\" (line %2)")
                             .arg(shown(a.qualifiedName()))
                             .arg(reader.lineNumber()));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (depth == 1)
                return {End::Finished, -1};
            if (droppedFrom == depth)
                droppedFrom = 0;
            else if (!droppedFrom)
                record->writeEndElement();
            if (--depth == 1) {
                // A record dropped for its name leaves nothing written.
                if (!recordText.isEmpty()) {
                    const bool empty = m_text.midRef(position() - 2, 2) == QLatin1String("/>");
                    keptHere.append({reader.qualifiedName().toString(), m_records.size(), empty});
                    m_records += recordText;
                    ++m_kept;
                }
                record.reset();
                recordStart = -1;
            }
            break;
        case QXmlStreamReader::ProcessingInstruction:
            damaged = !StateFile::swallowedMarkup(reader).isEmpty();
            break;
        case QXmlStreamReader::Characters:
            if (!StateFile::swallowedMarkup(reader).isEmpty()) {
                damaged = true;
                break;
            }
            // A CDATA section between records is markup, never a record.
            if (reader.isWhitespace() || (depth == 1 && reader.isCDATA()))
                break;
            // Text between records is what is left of a record whose '<'
            // was damaged.
            if (depth == 1 || !StateFile::overLongValue(reader).isEmpty()) {
                damaged = true;
                break;
            }
            if (depth >= 2 && !droppedFrom)
                record->writeCharacters(reader.text().toString());
            break;
        default:
            break;
        }
        if (!damaged)
            lastTokenEnd = position();
    }

    if (depth >= 2)
        // What nests too deep is whole but for its depth: no record stands
        // inside it above that, and the next is looked for from there (a
        // deeply nested file needs a stretch for every few levels, not one
        // for each).
        return {End::DamageInRecord, tooDeep ? lastTokenEnd : recordStart + 1};
    const auto dropFrom = [&](int from) {
        if (from < keptHere.size()) {
            m_records.truncate(keptHere.at(from).at);
            m_kept -= keptHere.size() - from;
        }
    };
    // The reader may have taken the '<' of the tag it fails on: the search
    // for the next record sees it again, as it may open markup.
    const int readTo = lastTokenEnd > start && m_text.at(lastTokenEnd - 1) == QLatin1Char('<')
                           ? lastTokenEnd - 1
                           : lastTokenEnd;
    int at = readTo;
    while (at < m_text.size() && m_text.at(at).isSpace())
        ++at;
    // What is left of the end of a comment, a processing instruction or
    // CDATA after records read since damage: the damage took its start, and
    // they stood inside it.
    if (!asDocument && depth == 1 && closesMarkup(at)) {
        dropFrom(0);
        return {End::DamageBetween, at};
    }
    // Between records: an end tag there closes the document (when nothing
    // but blanks follows), or an element whose start the damage took: the
    // last record of its name read here, which the damage closed early (a
    // '>' made "/>"), when records follow it: it and they stood inside one
    // record and are dropped. Otherwise it is a stray end tag, and all
    // stays; but a stretch after damage that may begin inside a record (any
    // element may be one) began inside the element closed: from the last
    // record of its name on, or else all it read, stood inside it.
    if (depth != 1 || m_text.midRef(at, 2) != QLatin1String("</"))
        return {End::DamageBetween, readTo};
    const int close = m_text.indexOf(QLatin1Char('>'), at);
    const int after = close < 0 ? m_text.size() : close + 1;
    int rest = after;
    while (rest < m_text.size() && m_text.at(rest).isSpace())
        ++rest;
    if (rest == m_text.size())
        return {End::Finished, -1};
    const QString closed = m_text.mid(at + 2, qMax(0, after - at - 3)).trimmed();
    int last = keptHere.size() - 1;
    while (last >= 0 && keptHere.at(last).name != closed)
        --last;
    if (last >= 0 && keptHere.at(last).empty && last + 1 < keptHere.size())
        dropFrom(last);
    else if (!asDocument && m_entryTag.isEmpty())
        dropFrom(qMax(last, 0));
    return {End::DamageBetween, after};
}

QString Salvager::run(int *kept)
{
    int at = 0;
    bool asDocument = true;
    for (;;) {
        const Outcome outcome = readStretch(at, asDocument);
        if (outcome.end == End::Finished)
            break;
        const int next = nextRecordStart(qMax(outcome.resumeFrom, at + 1), &asDocument);
        if (next < 0)
            break;
        at = next;
    }
    *kept = m_kept;
    if (!m_haveRoot && m_kept == 0)
        return QString();
    QString rootName = documentName();
    if (!StateFile::isXmlName(rootName)) {
        note(QStringLiteral("the document element's name \"%1\"").arg(shown(rootName)));
        rootName = kDocumentName;
    }
    QString out;
    {
        QXmlStreamWriter writer(&out);
        writer.writeStartElement(rootName);
        writer.writeAttributes(m_rootAttributes);
        writer.writeCharacters(QString());  // closes the start tag
    }
    out += m_records;
    out += QStringLiteral("</") + rootName + QLatin1Char('>');
    return out;
}

} // namespace

QByteArray StateFile::salvage(const QByteArray &bytes, const QString &entryTag, int maxDepth, int *kept)
{
    int undecodable = 0;
    const QString text = textOf(bytes, &undecodable);
    Salvager salvager(text, entryTag, maxDepth);
    if (undecodable > 0)
        salvager.note(
            QStringLiteral("%1 bytes that cannot be decoded, read as U+FFFD or skipped").arg(undecodable));
    const QByteArray salvaged = salvager.run(kept).toUtf8();
    if (salvager.notes() > 0)
        qCWarning(lcCommon).noquote()
            << QStringLiteral("Salvage dropped or replaced %1 names or characters the file "
                              "cannot hold: %2")
                   .arg(salvager.notes())
                   .arg(salvager.firstNotes().join(QStringLiteral("; ")));
    QString reason;
    if (!salvaged.isEmpty() && !check(salvaged, maxDepth, &reason, Between::BlanksOnly)) {
        // Never reached by what the reader hands over; never written either.
        qCWarning(lcCommon).noquote() << "Salvage made a document that does not hold:" << reason;
        *kept = 0;
        return QByteArray();
    }
    return salvaged;
}

QString StateFile::freeBadName(const QString &path)
{
    QString candidate = path + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = QStringLiteral("%1.bad.%2").arg(path).arg(n);
    return candidate;
}

namespace {

struct NoticeList
{
    QMutex mutex;
    QList<StateFileNotices::Notice> notices;
};

NoticeList &noticeList()
{
    static NoticeList list;
    return list;
}

} // namespace

void StateFileNotices::add(const Notice &notice)
{
    NoticeList &list = noticeList();
    QMutexLocker lock(&list.mutex);
    list.notices.append(notice);
}

QList<StateFileNotices::Notice> StateFileNotices::takeAll()
{
    NoticeList &list = noticeList();
    QMutexLocker lock(&list.mutex);
    QList<StateFileNotices::Notice> taken;
    taken.swap(list.notices);
    return taken;
}
