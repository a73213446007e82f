#include "common/statefile.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

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

bool StateFile::check(const QByteArray &bytes, int maxDepth, QString *reason)
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
        case QXmlStreamReader::StartElement:
            if (++depth > maxDepth) {
                *reason = where(reader) + QStringLiteral(": elements nested deeper than %1 levels").arg(maxDepth);
                return false;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
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

QByteArray StateFile::salvage(const QByteArray &bytes, const QString &entryTag, int maxDepth, int *kept)
{
    *kept = 0;
    const QString text = QString::fromUtf8(bytes);
    const QString synthetic = QStringLiteral("<R>");
    constexpr int kChunk = 1 << 16;

    QString rootName;
    QXmlStreamAttributes rootAttributes;
    QString children;
    QString tag = entryTag;
    bool haveRoot = false;
    int segmentStart = 0;
    bool firstSegment = true;

    while (segmentStart < text.size()) {
        QXmlStreamReader reader;
        reader.setNamespaceProcessing(false);
        const int prefix = firstSegment ? 0 : synthetic.size();
        if (!firstSegment)
            reader.addData(synthetic);
        int fed = segmentStart;
        auto feed = [&] {
            const int n = qMin(kChunk, text.size() - fed);
            reader.addData(text.mid(fed, n));
            fed += n;
        };
        feed();

        int depth = 0;
        int childStart = -1;  // where the child being read begins in text
        QString childText;
        std::unique_ptr<QXmlStreamWriter> child;
        bool finished = false;
        int errorAt = -1;
        auto position = [&] { return segmentStart + int(reader.characterOffset()) - prefix; };

        while (errorAt < 0 && !finished) {
            const QXmlStreamReader::TokenType token = reader.readNext();
            if (reader.hasError()) {
                if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && fed < text.size()) {
                    feed();
                    continue;
                }
                errorAt = position();
                break;
            }
            switch (token) {
            case QXmlStreamReader::EndDocument:
                finished = true;
                break;
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                errorAt = position();
                break;
            case QXmlStreamReader::StartElement:
                ++depth;
                if (depth == 1) {
                    if (firstSegment) {
                        rootName = reader.qualifiedName().toString();
                        for (const QXmlStreamAttribute &a : reader.attributes()) {
                            if (a.value().size() <= kMaxValueChars)
                                rootAttributes.append(a);
                        }
                        haveRoot = true;
                    }
                    break;
                }
                if (depth > maxDepth || !overLongValue(reader).isEmpty()) {
                    errorAt = position();
                    break;
                }
                if (depth == 2) {
                    childStart = position();
                    childText.clear();
                    child.reset(new QXmlStreamWriter(&childText));
                }
                child->writeStartElement(reader.qualifiedName().toString());
                child->writeAttributes(reader.attributes());
                break;
            case QXmlStreamReader::EndElement:
                if (depth == 1) {
                    finished = true;
                    break;
                }
                child->writeEndElement();
                if (--depth == 1) {
                    child.reset();
                    children += childText;
                    ++*kept;
                    if (tag.isEmpty())
                        tag = reader.qualifiedName().toString();
                    childStart = -1;
                }
                break;
            case QXmlStreamReader::Characters:
                if (depth >= 2 && !reader.isWhitespace()) {
                    if (!overLongValue(reader).isEmpty()) {
                        errorAt = position();
                        break;
                    }
                    child->writeCharacters(reader.text().toString());
                }
                break;
            default:
                break;
            }
        }
        if (finished || tag.isEmpty())
            break;
        // Resume at the next entry after the start of the damaged one.
        int from = qMax(childStart >= 0 ? childStart : errorAt, segmentStart + 1);
        const QString opening = QLatin1Char('<') + tag;
        int next = -1;
        while ((next = text.indexOf(opening, from)) >= 0) {
            const int after = next + opening.size();
            if (after >= text.size())
                break;
            const QChar c = text.at(after);
            if (c.isSpace() || c == QLatin1Char('>') || c == QLatin1Char('/'))
                break;
            from = after;
        }
        if (next < 0 || next + opening.size() >= text.size())
            break;
        segmentStart = next;
        firstSegment = false;
    }

    if (!haveRoot && *kept == 0)
        return QByteArray();
    if (!haveRoot)
        rootName = QStringLiteral("ROOTITEM");
    QString out;
    {
        QXmlStreamWriter writer(&out);
        writer.writeStartElement(rootName);
        writer.writeAttributes(rootAttributes);
        writer.writeCharacters(QString());  // closes the start tag
    }
    out += children;
    out += QStringLiteral("</") + rootName + QLatin1Char('>');
    return out.toUtf8();
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
