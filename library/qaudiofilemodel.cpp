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

void QAudioFileModel::resetAround(const std::function<void()> &change)
{
    beginResetModel();
    change();
    endResetModel();
}

void QAudioFileModel::insertAround(int at, const std::function<void()> &change)
{
    beginInsertRows(QModelIndex(), at, at);
    change();
    endInsertRows();
}

void QAudioFileModel::removeRowsAround(int first, int last, const std::function<void()> &change)
{
    beginRemoveRows(QModelIndex(), first, last);
    change();
    endRemoveRows();
}

void QAudioFileModel::moveAround(int from, int to, const std::function<void()> &change)
{
    // The destination is counted before the move: below the row, one more.
    if (from == to || !beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to)) {
        change();
        return;
    }
    change();
    endMoveRows();
}

void QAudioFileModel::reorderAround(const std::vector<int> &places, const std::function<void()> &change)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRowOf(places.size(), -1);
    for (size_t i = 0; i < places.size(); ++i)
        if (places[i] >= 0 && size_t(places[i]) < newRowOf.size())
            newRowOf[size_t(places[i])] = int(i);
    change();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before) {
        const int row = index.row() >= 0 && size_t(index.row()) < newRowOf.size()
                            ? newRowOf[size_t(index.row())]
                            : -1;
        after << (row >= 0 ? this->index(row, index.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
