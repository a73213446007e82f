#include "convert/qformatlistmodels.h"

#include "convert/qformatchunk.h"
#include "widgetkit/views/qjxitemroles.h"

#include <QPainter>

int QIconListModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant QIconListModel::data(const QModelIndex &index, int role) const
{
    IBaseChunk *item = index.isValid() ? itemAt(index.row()) : nullptr;
    if (!item)
        return QBaseDetailsModel::data(index, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(item->GetTitle());
    case Qt::DecorationRole:
        return QString::fromStdString(item->GetImage());
    case Qt::CheckStateRole:
        return QVariant();
    case Qt::SizeHintRole:
        return itemSize();
    case QJXItemRole::OverlayImage:
        return QString::fromStdString(item->getItemMakeImage());
    default:
        return QBaseDetailsModel::data(index, role);
    }
}

void QFormatSortModel::setCategories(const QString &categories)
{
    if (categories == m_categories)
        return;
    beginResetModel();
    m_categories = categories;
    endResetModel();
    invalidateFilter();
}

bool QFormatSortModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_categories.isEmpty())
        return QJXBaseSortModel::filterAcceptsRow(sourceRow, sourceParent);
    auto *model = qobject_cast<QBaseDetailsModel *>(sourceModel());
    IBaseChunk *item = model ? model->itemAt(sourceRow) : nullptr;
    if (item) {
        const QString category = QString::fromStdString(item->getStringValue(QFormatChunk::CategoryKey));
        if (category.isEmpty())
            return true;
        if (!m_categories.contains(category, Qt::CaseSensitive))
            return false;
    }
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

void QFormatListDelegate::drawImage(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    const QRect tile = option.rect;
    QImage icon(index.data(Qt::DecorationRole).toString());
    if (!icon.isNull()) {
        icon.setDevicePixelRatio(2);
        const QRect area = tile.marginsRemoved(ImageMargins());
        const QSize size = (QSizeF(icon.size()) / 2).toSize().scaled(area.size(), Qt::KeepAspectRatio);
        const QRect target(tile.left() + (tile.width() - size.width()) / 2, tile.top() + ImageMargins().top(),
                           size.width(), size.height());
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, icon);
        painter->restore();
    }
    QImage mask(index.data(QJXItemRole::OverlayImage).toString());
    if (!mask.isNull()) {
        mask.setDevicePixelRatio(2);
        painter->drawImage(tile, mask);
    }
    painter->save();
    painter->setPen(QColor(54, 53, 53));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(tile.adjusted(0, 0, -1, -1));
    painter->restore();
}

void QFormatListDelegate::drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    if (option.state & QStyle::State_Selected)
        QBaseIconListDelegate::drawControl(painter, option, index);
}
