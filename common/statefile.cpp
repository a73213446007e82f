#include "common/statefile.h"

#include "common/commonlog.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
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
            if (between == Between::BlanksOnly && depth == 1 && !reader.isWhitespace()) {
                *reason = where(reader) + QStringLiteral(": a text between the records");
                return false;
            }
            break;
        default:
            break;
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

int Salvager::nextRecordStart(int from, bool *asDocument) const
{
    for (int at = m_text.indexOf(QLatin1Char('<'), from); at >= 0;
         at = m_text.indexOf(QLatin1Char('<'), at + 1)) {
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
    constexpr int kChunk = 1 << 16;
    QXmlStreamReader reader;
    reader.setNamespaceProcessing(false);
    const QString opening = asDocument ? QString() : QLatin1Char('<') + documentName() + QLatin1Char('>');
    reader.addData(opening);
    int fed = start;
    const auto feed = [&] {
        const int n = qMin(kChunk, m_text.size() - fed);
        reader.addData(m_text.mid(fed, n));
        fed += n;
    };
    feed();
    const auto position = [&] { return start + int(reader.characterOffset()) - opening.size(); };

    // Where each record this stretch kept begins, by name: an element closed
    // that was never opened among the records says where they stood inside
    // one (see below).
    struct Kept
    {
        QString name;
        int at;
    };
    QVector<Kept> keptHere;

    int depth = 0;
    int lastTokenEnd = start; // where the text read without fault ends
    int recordStart = -1;
    int droppedFrom = 0; // the depth of an element dropped for its name
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
                    keptHere.append({reader.qualifiedName().toString(), m_records.size()});
                    m_records += recordText;
                    ++m_kept;
                }
                record.reset();
                recordStart = -1;
            }
            break;
        case QXmlStreamReader::Characters:
            if (reader.isWhitespace())
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
        return {End::DamageInRecord, recordStart + 1};
    // Between records: an end tag there closes the document (when nothing
    // but blanks follows), or an element whose start the damage took. That
    // is the last record of its name read here, which the damage closed
    // early (a '>' made "/>"): it and what followed stood inside one record
    // and are dropped. With none of that name, a stretch after damage began
    // inside a record: all it read is dropped.
    // The reader may have taken the '<' of the tag it fails on.
    int at = lastTokenEnd > start && m_text.at(lastTokenEnd - 1) == QLatin1Char('<') ? lastTokenEnd - 1
                                                                                     : lastTokenEnd;
    while (at < m_text.size() && m_text.at(at).isSpace())
        ++at;
    if (depth != 1 || m_text.midRef(at, 2) != QLatin1String("</"))
        return {End::DamageBetween, lastTokenEnd};
    const int close = m_text.indexOf(QLatin1Char('>'), at);
    const int after = close < 0 ? m_text.size() : close + 1;
    int rest = after;
    while (rest < m_text.size() && m_text.at(rest).isSpace())
        ++rest;
    if (rest == m_text.size())
        return {End::Finished, -1};
    const QString closed = m_text.mid(at + 2, qMax(0, after - at - 3)).trimmed();
    int from = keptHere.size();
    while (from > 0 && keptHere.at(from - 1).name != closed)
        --from;
    if (from > 0)
        --from; // the record of that name
    else if (asDocument)
        from = keptHere.size();
    if (from < keptHere.size()) {
        m_records.truncate(keptHere.at(from).at);
        m_kept -= keptHere.size() - from;
    }
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
    // A byte order mark before the document is no part of it; bytes that
    // are no UTF-8 become U+FFFD, and a NUL stays (QString::fromUtf8 would
    // end the text there).
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
    Salvager salvager(text, entryTag, maxDepth);
    if (state.invalidChars > 0)
        salvager.note(QStringLiteral("%1 bytes that are no UTF-8, read as U+FFFD").arg(state.invalidChars));
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
