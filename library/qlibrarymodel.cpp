#include "library/qlibrarymodel.h"

#include "library/qlibrarychunk.h"
#include "library/qnameeditdelegate.h"
#include "widgetkit/views/qjxitemroles.h"

#include <QFont>

QLibraryModel::QLibraryModel(QObject *parent)
    : QBaseDetailsModel(parent)
{
}

QLibraryChunk *QLibraryModel::entryAt(const QModelIndex &index)
{
    return dynamic_cast<QLibraryChunk *>(QNameEditDelegate::itemOfIndex(index));
}

QVariant QLibraryModel::data(const QModelIndex &index, int role) const
{
    auto *entry = index.isValid()
                      ? dynamic_cast<QLibraryChunk *>(static_cast<IBaseChunk *>(index.internalPointer()))
                      : nullptr;
    if (!entry)
        return QBaseDetailsModel::data(index, role);
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 0)
            return QString::fromStdString(entry->GetTitle());
        break;
    case Qt::ToolTipRole:
        if (entry->GetListType() == QLibraryChunk::ListCustom)
            return QString::fromStdString(entry->GetTitle());
        break;
    case Qt::FontRole: {
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize((entry->GetListType() & 8) ? 16 : 12);
        return font;
    }
    case Qt::CheckStateRole:
        return QVariant();
    default:
        break;
    }
    return QBaseDetailsModel::data(index, role);
}

Qt::ItemFlags QLibraryModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QBaseDetailsModel::flags(index);
    auto *entry = index.isValid()
                      ? dynamic_cast<QLibraryChunk *>(static_cast<IBaseChunk *>(index.internalPointer()))
                      : nullptr;
    if (!entry)
        return f;
    if (!entry->getEnable())
        return Qt::NoItemFlags;
    // The two fixed lists keep their names.
    if (index.column() == 0 && entry->GetListType() == QLibraryChunk::ListCustom)
        f |= Qt::ItemIsEditable;
    return f;
}

QLibrarySortModel::QLibrarySortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
}
