#include "editor/qtrimitemlist.h"

#include <QFont>

QTrimItemChunk::QTrimItemChunk()
    : IBaseChunk(false)
{
}

QTrimItemModel::QTrimItemModel(QObject *parent)
    : QBaseDetailsModel(parent)
{
}

QVariant QTrimItemModel::data(const QModelIndex &index, int role) const
{
    auto *item = index.isValid() ? static_cast<IBaseChunk *>(index.internalPointer()) : nullptr;
    auto *trim = dynamic_cast<QTrimItemChunk *>(item);
    if (!trim)
        return QBaseDetailsModel::data(index, role);
    switch (role) {
    case Qt::CheckStateRole:
        return QVariant(); // segments carry no check box
    case Qt::FontRole: {
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSize(10);
        return font;
    }
    case Qt::DisplayRole:
        switch (index.column()) {
        case NameColumn: {
            const QString name = QString::fromStdString(trim->GetFileName());
            const int dot = name.lastIndexOf(QLatin1Char('.'));
            return dot < 0 ? name : name.left(dot);
        }
        case StartColumn:
            return QString::fromStdString(trim->GetStartTime());
        case EndColumn:
            return QString::fromStdString(trim->GetEndTime());
        case DurationColumn:
            return QString::fromStdString(trim->GetDuration());
        default:
            return QBaseDetailsModel::data(index, role);
        }
    default:
        return QBaseDetailsModel::data(index, role);
    }
}

QTrimItemSortModel::QTrimItemSortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
}

QTrimItemDelegate::QTrimItemDelegate(QObject *parent)
    : QJXControlStyleDelegate(parent)
{
}
