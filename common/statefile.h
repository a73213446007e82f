#pragma once
// Bounded reading of the program's own XML state files. A state file is read
// only when it is a regular file below a size limit; its text must be
// well-formed, hold no document type (so no entity can be declared, let alone
// expanded) and nest no deeper than a limit. A damaged or refused file can be
// salvaged: the complete entries before and after the damage are kept.
// Every file set aside as damaged is noted for the user (StateFileNotices).

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringView>

class QXmlStreamReader;

class StateFile
{
public:
    // Bounds of the files the program writes itself; they nest three levels.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxHistoryBytes = 128 * 1024 * 1024;
    static constexpr int kMaxDepth = 16;
    // Paths, titles and settings are short; a longer value is damage.
    static constexpr int kMaxValueChars = 64 * 1024;

    enum class Status {
        Missing,     // no file at the path
        Unopenable,  // a folder, or a regular file that cannot be read
        Refused,     // not a regular file, or over the size limit
        Read,        // bytes holds the whole file
    };

    struct Reading
    {
        Status status = Status::Missing;
        QByteArray bytes;
        QString reason;  // why the file was refused or cannot be read
    };

    // What identifies one version of a file on disk without reading it.
    struct Signature
    {
        qint64 size = -1;
        quint64 inode = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Signature &o) const
        {
            return size == o.size && inode == o.inode && mtimeNs == o.mtimeNs && ctimeNs == o.ctimeNs;
        }
        bool operator!=(const Signature &o) const { return !(*this == o); }
    };

    // Reads the file if it is a regular file (symbolic links followed) of at
    // most maxBytes. Never blocks on a pipe or a device.
    static Reading read(const QString &path, qint64 maxBytes);
    // The same file read a piece at a time, so that a large one is never
    // held whole. opening() says what read() would (bytes left empty).
    class PieceReader
    {
    public:
        PieceReader(const QString &path, qint64 maxBytes);
        ~PieceReader();
        PieceReader(const PieceReader &) = delete;
        PieceReader &operator=(const PieceReader &) = delete;

        const Reading &opening() const { return m_opening; }
        // Appends up to pieceBytes of what follows; false at the end of the
        // file and once a read failed or the file grew past the limit.
        bool next(QByteArray &into, int pieceBytes);
        bool failed() const { return m_failed; }

    private:
        Reading m_opening;
        qint64 m_maxBytes;
        qint64 m_read = 0;
        int m_fd = -1;
        bool m_failed = false;
    };
    // The signature of the file now; size -1 when it cannot be examined.
    static Signature signature(const QString &path);
    // True when the signature may vouch that the file still holds what was
    // read at readAtNs (wall clock, ns): two writes within the file system's
    // time granularity may leave every field the same, so a file changed
    // shortly before that reading must be compared byte by byte.
    static bool signatureTrusted(const Signature &sig, qint64 readAtNs);
    // The first wall-clock time (ns) at which a reading makes the signature
    // trusted.
    static qint64 trustedAfterNs(const Signature &sig);
    static qint64 nowNs();

    // What a file may hold between its records (the document element's
    // children): the store's own files hold blanks only, so other text there
    // is a record whose '<' was damaged. Comments, processing instructions
    // and CDATA sections are markup, never damage, and never a record.
    enum class Between { Anything, BlanksOnly };
    // The reader stands on text between records that no file of the store
    // holds: characters other than blanks, outside a CDATA section.
    static bool isStrayText(const QXmlStreamReader &reader);
    // Why the processing instruction or CDATA section the reader stands on
    // is damage, though well-formed: it holds the start of another of its
    // kind, so its own end was lost and it ran on to the other's, over
    // whatever stood between. Empty when it is not.
    static QString swallowedMarkup(const QXmlStreamReader &reader);
    // Well-formed, every name one the files can hold (isXmlName), no
    // document type, no deeper than maxDepth, no attribute value or text
    // longer than kMaxValueChars. On false the reason holds the line, the
    // column and what is wrong.
    static bool check(const QByteArray &bytes, int maxDepth, QString *reason,
                      Between between = Between::Anything);
    // The reason a start element or a text of the reader is refused; empty
    // when it is within the bounds.
    static QString overLongValue(const QXmlStreamReader &reader);
    // The reason a start element of the reader cannot be kept as it stands:
    // its name or an attribute's name is none a file can hold. Empty when
    // every name can be kept.
    static QString unholdableName(const QXmlStreamReader &reader);

    // A character an XML document may hold.
    static bool isXmlCharacter(uint code);
    // A name every reader of these files takes, ours and others': an XML
    // name (a colon at most once, inside it) of characters that XML 1.0 and
    // both Qt readers allow in names. Characters beyond U+FFFF are refused
    // (the DOM takes none).
    static bool isXmlName(QStringView name);
    // The text without the characters no file can hold (NUL and the other
    // control characters but tab and line ends, U+FFFE, U+FFFF, surrogates
    // without their pair). dropped, when given, gets how many were dropped.
    static QString storable(const QString &text, int *dropped = nullptr);
    // UTF-8 decoded as it stands. QString::fromUtf8 takes a U+FEFF at the
    // start of what it decodes for a byte order mark and drops it: at the
    // start of a value or a name it is part of the text.
    static QString fromUtf8(const char *data, int size);

    // A well-formed document holding the damaged text's document element and
    // exactly its whole records (the document element's children that can be
    // read completely and within maxDepth), none made up and none twice.
    // After damage, reading resumes where the damaged record began, at the
    // next record: a "<entryTag" (any name when entryTag is empty) that turns
    // out to stand among the records, not inside one, nor inside a comment,
    // a processing instruction or a CDATA section. The text is decoded as
    // its byte order mark or declaration says (textOf); a name the file
    // cannot hold is dropped with its attribute or element, what cannot be
    // decoded is read as U+FFFD; each is logged. kept gets the number of
    // records kept. The result is UTF-8 without a declaration; empty when
    // nothing can be read.
    static QByteArray salvage(const QByteArray &bytes, const QString &entryTag, int maxDepth, int *kept);

    // The text of a file as XML reads it: by its byte order mark, else by
    // the encoding its declaration names (UTF-8 without either). A damaged
    // file is read as well as it can be: UTF-16 that lost or gained a byte
    // is read on from the next whole character, a declaration that cannot
    // be read leaves UTF-8, or Latin-1 when the bytes are no UTF-8.
    // undecodable, when given, gets how many bytes could not be decoded.
    static QString textOf(const QByteArray &bytes, int *undecodable = nullptr);

    // First name among "<path>.bad", "<path>.bad.1", ... that is not taken,
    // so that an older damaged copy is never overwritten.
    static QString freeBadName(const QString &path);

private:
    StateFile() = default;
    // Opens a file read() may read: its descriptor and size, or -1 with
    // result telling why not.
    static int openChecked(const QString &path, qint64 maxBytes, Reading &result, qint64 &size);
};

// Damaged state files set aside since the last time the user was told.
class StateFileNotices
{
public:
    struct Notice
    {
        QString path;    // the state file
        QString keptAs;  // where the damaged file was kept; empty when it could not be moved
        QString reason;
        int entriesKept = 0;
    };

    static void add(const Notice &notice);
    // The notices since the last call, oldest first.
    static QList<Notice> takeAll();

private:
    StateFileNotices() = default;
};
