#pragma once
// The drag payload of recordings, "image/audio_file": the rows' ids as
// signed 64-bit big-endian integers. Only this class carries it, so a drop
// can tell our own drags from anything another program offers.

#include <QList>
#include <QMimeData>

#include <optional>

class ILibraryMembership;

class QAudioFileMimeData : public QMimeData
{
    Q_OBJECT
public:
    static const char *const kMimeType;

    // The membership answers for the ids at the drop; it must outlive the drag.
    QAudioFileMimeData(const QList<quint64> &rowIds, const ILibraryMembership *membership);

    static QByteArray encodeIds(const QList<quint64> &ids);
    // A trailing remainder of fewer than eight bytes is ignored.
    static QList<quint64> decodeIds(const QByteArray &bytes);

    // The ids of the payload, in payload order, when every row they name is
    // still held by the library; nothing when the data is not one of our
    // drags or a row it names went while it was dragged.
    static std::optional<QList<quint64>> heldRowIds(const QMimeData *data);

private:
    const ILibraryMembership *m_membership;
};
