#include "library/qaudiofilesortmodel.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"

#include <QStringList>

QAudioFileSortModel::QAudioFileSortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
}

std::optional<qint64> QAudioFileSortModel::createdTimeKey(const std::string &text)
{
    const QStringList parts = QString::fromStdString(text).split(QLatin1Char(' '));
    if (parts.size() < 2)
        return std::nullopt;
    const QStringList date = parts.at(0).split(QLatin1Char('-'));
    const QStringList time = parts.at(1).split(QLatin1Char(':'));
    if (date.size() < 3 || time.size() < 2)
        return std::nullopt;
    // Each field is read as a number on its own, so a wide field cannot
    // shift its neighbours into a different date.
    const int widths[5] = {4, 2, 2, 2, 2};
    const QString fields[5] = {date.at(2), date.at(1), date.at(0), time.at(0), time.at(1)};
    qint64 key = 0;
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        const qint64 value = fields[i].trimmed().toLongLong(&ok);
        if (!ok || value < 0 || fields[i].trimmed().size() > widths[i])
            return std::nullopt;
        key = key * (i == 0 ? 1 : 100) + value;
    }
    return key;
}

QVariant QAudioFileSortModel::data(const QModelIndex &index, int role) const
{
    return QJXBaseSortModel::data(index, role);
}

Qt::ItemFlags QAudioFileSortModel::flags(const QModelIndex &index) const
{
    if (!index.model() || index.row() < 0 || index.column() < 0)
        return Qt::NoItemFlags;
    if (!QAudioFileModel::rowItem(index))
        return Qt::NoItemFlags;
    if (index.column() == QAudioFileModel::ColumnName)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return QSortFilterProxyModel::flags(index);
}

bool QAudioFileSortModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    QAudioFileChunk *l = QAudioFileModel::rowItem(left);
    QAudioFileChunk *r = QAudioFileModel::rowItem(right);
    if (!l || !r || left.column() != QAudioFileModel::ColumnCreated
        || right.column() != QAudioFileModel::ColumnCreated)
        return QJXBaseSortModel::lessThan(left, right);
    if (l->GetAudioState() == QAudioFileChunk::AudioRecording
        || r->GetAudioState() == QAudioFileChunk::AudioRecording)
        return r->getFixedItem() && !l->getFixedItem();
    const std::string lt = l->GetCreateTime();
    const std::string rt = r->GetCreateTime();
    if (lt.empty() || rt.empty())
        return QJXBaseSortModel::lessThan(left, right);
    // A malformed text sorts below every well-formed one, and among its
    // kind by text.
    const std::optional<qint64> lk = createdTimeKey(lt);
    const std::optional<qint64> rk = createdTimeKey(rt);
    if (!lk || !rk) {
        if (lk.has_value() != rk.has_value())
            return !lk;
        return QJXBaseSortModel::lessThan(left, right);
    }
    if (*lk != *rk)
        return *lk < *rk;
    return QString::fromStdString(l->GetFileName()) < QString::fromStdString(r->GetFileName());
}
