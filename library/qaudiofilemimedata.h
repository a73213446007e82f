#pragma once
// The drag payload of recordings, "image/audio_file": the rows' ids as
// signed 64-bit big-endian integers. Only this class carries it, so a drop
// can tell our own drags from anything another program offers.

#include <QList>
#include <QMimeData>

#include <optional>

class IBaseChunk;
class ILibraryMembership;

class QAudioFileMimeData : public QMimeData
{
    Q_OBJECT
public:
    static const char *const kMimeType;

    // The membership answers for the ids at the drop; it must outlive the drag.
    QAudioFileMimeData(const QList<IBaseChunk *> &rows, const ILibraryMembership *membership);

    static QByteArray encodeIds(const QList<quint64> &ids);
    // A trailing remainder of fewer than eight bytes is ignored.
    static QList<quint64> decodeIds(const QByteArray &bytes);
    static quint64 idOf(const IBaseChunk *row);

    // The rows of the payload that the library still holds, in payload
    // order; null when the data is not one of our drags or names a row the
    // library does not hold.
    static std::optional<QList<IBaseChunk *>> libraryRows(const QMimeData *data);

private:
    const ILibraryMembership *m_membership;
};
