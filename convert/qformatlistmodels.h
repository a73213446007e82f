#pragma once
// Model, category filter and tile delegate of the format list.

#include "widgetkit/views/qbasedetailsmodel.h"
#include "widgetkit/views/qbaseiconlistdelegate.h"
#include "widgetkit/views/qjxbasesortmodel.h"

// One column of preset tiles: title, icon and tool tip.
class QIconListModel : public QBaseDetailsModel
{
    Q_OBJECT
public:
    using QBaseDetailsModel::QBaseDetailsModel;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

// Shows the presets whose category occurs in the filter text.
class QFormatSortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    using QJXBaseSortModel::QJXBaseSortModel;
    void setCategories(const QString &categories);
    QString categories() const { return m_categories; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_categories;
};

// A preset tile: icon, mask, frame; the Settings button on the selected tile.
class QFormatListDelegate : public QBaseIconListDelegate
{
    Q_OBJECT
public:
    using QBaseIconListDelegate::QBaseIconListDelegate;

protected:
    void drawImage(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                     const QModelIndex &index) const override;
};
