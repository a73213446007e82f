#include "library/qaudiofilemimedata.h"

#include "library/ilibrarymembership.h"

#include <QDataStream>
#include <QIODevice>

const char *const QAudioFileMimeData::kMimeType = "image/audio_file";

QAudioFileMimeData::QAudioFileMimeData(const QList<quint64> &rowIds, const ILibraryMembership *membership)
    : m_membership(membership)
{
    setData(QLatin1String(kMimeType), encodeIds(rowIds));
}

QByteArray QAudioFileMimeData::encodeIds(const QList<quint64> &ids)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (quint64 id : ids)
        out << qint64(id);
    return bytes;
}

QList<quint64> QAudioFileMimeData::decodeIds(const QByteArray &bytes)
{
    QList<quint64> ids;
    QDataStream in(bytes);
    for (int i = 0; i < bytes.size() / 8; ++i) {
        qint64 id = 0;
        in >> id;
        ids << quint64(id);
    }
    return ids;
}

std::optional<QList<quint64>> QAudioFileMimeData::heldRowIds(const QMimeData *data)
{
    auto *ours = qobject_cast<const QAudioFileMimeData *>(data);
    if (!ours || !ours->m_membership || !ours->hasFormat(QLatin1String(kMimeType)))
        return std::nullopt;
    const QList<quint64> ids = decodeIds(ours->data(QLatin1String(kMimeType)));
    for (quint64 id : ids)
        if (!ours->m_membership->holdsRow(id))
            return std::nullopt;
    return ids;
}
