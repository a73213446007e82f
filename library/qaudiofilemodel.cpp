#include "library/qaudiofilemodel.h"

#include "library/qaudiofilechunk.h"
#include "library/qnameeditdelegate.h"
#include "widgetkit/views/qjxitemroles.h"

QAudioFileModel::QAudioFileModel(QObject *parent)
    : QBaseDetailsModel(parent)
{
    setCheckInColumn(-1);
}

QString QAudioFileModel::baseName(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

QAudioFileChunk *QAudioFileModel::rowItem(const QModelIndex &index)
{
    return dynamic_cast<QAudioFileChunk *>(QNameEditDelegate::itemOfIndex(index));
}

QVariant QAudioFileModel::data(const QModelIndex &index, int role) const
{
    auto *item = index.isValid() ? dynamic_cast<QAudioFileChunk *>(
                                       static_cast<IBaseChunk *>(index.internalPointer()))
                                 : nullptr;
    if (!item)
        return QBaseDetailsModel::data(index, role);
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case ColumnName: return baseName(item->qtext(QRowTexts::FileName));
        case ColumnFormat: return item->qtext(QRowTexts::Extension).toUpper();
        case ColumnArtist: return item->qtext(QRowTexts::Artist);
        case ColumnAlbum: return item->qtext(QRowTexts::Album);
        case ColumnDuration: return item->qtext(QRowTexts::PlayTime);
        case ColumnCreated: return item->qtext(QRowTexts::CreateTime);
        default: return QBaseDetailsModel::data(index, role);
        }
    case Qt::DecorationRole:
        if (column == ColumnState) {
            switch (item->GetAudioState()) {
            case QAudioFileChunk::AudioRecording: return item->recordingIcon();
            case QAudioFileChunk::AudioPlaying: return item->playingIcon();
            case QAudioFileChunk::AudioNoFile: return item->noFileIcon();
            default: break;
            }
        }
        return QBaseDetailsModel::data(index, role);
    case Qt::TextAlignmentRole:
        if (column == ColumnFormat)
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        return QBaseDetailsModel::data(index, role);
    case Qt::CheckStateRole:
        return QVariant();
    default:
        return QBaseDetailsModel::data(index, role);
    }
}

Qt::ItemFlags QAudioFileModel::flags(const QModelIndex &index) const
{
    if (!index.model() || index.row() < 0 || index.column() < 0)
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled;
}
