#include "library/qaudiofilemimedata.h"

#include "library/ilibrarymembership.h"

#include <QDataStream>
#include <QIODevice>

const char *const QAudioFileMimeData::kMimeType = "image/audio_file";

QAudioFileMimeData::QAudioFileMimeData(const QList<IBaseChunk *> &rows,
                                       const ILibraryMembership *membership)
    : m_membership(membership)
{
    QList<quint64> ids;
    for (IBaseChunk *row : rows)
        ids << idOf(row);
    setData(QLatin1String(kMimeType), encodeIds(ids));
}

quint64 QAudioFileMimeData::idOf(const IBaseChunk *row)
{
    return quint64(reinterpret_cast<quintptr>(row));
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

std::optional<QList<IBaseChunk *>> QAudioFileMimeData::libraryRows(const QMimeData *data)
{
    auto *ours = qobject_cast<const QAudioFileMimeData *>(data);
    if (!ours || !ours->m_membership || !ours->hasFormat(QLatin1String(kMimeType)))
        return std::nullopt;
    QList<IBaseChunk *> rows;
    for (quint64 id : decodeIds(ours->data(QLatin1String(kMimeType)))) {
        IBaseChunk *row = ours->m_membership->libraryItemForId(id);
        if (!row)
            return std::nullopt;
        rows << row;
    }
    return rows;
}
