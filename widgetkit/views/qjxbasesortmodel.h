#pragma once
// Proxy that every list view looks through: hides rows by the deleted flag,
// by filter ids and by a regular expression; sorts by display text; colours
// rows by their place in the view; keeps the check states of visible rows.

#include "widgetkit/views/qjxviewmodeldrawattribute.h"

#include <QSortFilterProxyModel>

class IBaseChunk;

enum FilterDeleteMode {
    FilterDeleteNone = 0,     // every item
    FilterDeleteOnly = 1,     // only deleted items
    FilterDeleteHide = 2,     // items that are not deleted
};

class QJXBaseSortModel : public QSortFilterProxyModel, public QJXViewModelDrawAttribute
{
    Q_OBJECT
public:
    explicit QJXBaseSortModel(QObject *parent = nullptr);

    // Ids of hidden items, separated by commas, semicolons or white space.
    // An item is hidden only when its whole id is one of them.
    void setFilterIdSet(const QString &ids);
    QString filterIdSet() const { return m_filterIdSet; }
    void setDeleteFilter(FilterDeleteMode mode);
    FilterDeleteMode deleteFilter() const { return m_deleteFilter; }
    void setFilterRegExp(const QRegExp &regExp);
    void refreshIndex(const QModelIndex &index);
    void refreshCheckState() { OnItemStateChange(); }
    // Summary over the visible rows: 0 none (or no rows), 1 some, 2 all.
    int getItemChangeState() const;
    // The item behind a row of this proxy, null when there is none.
    IBaseChunk *itemAt(const QModelIndex &proxyIndex) const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    void emitSort(int column, Qt::SortOrder order);
    void itemCheckChange(int state);

public slots:
    virtual void setAllItemCheck(bool on);
    virtual void setAllItemCheck(int state);
    virtual void itemCheckStateChanged(const QModelIndex &index, int state);
    virtual void OnItemStateChange();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    bool idIsFiltered(const QString &id) const;

    QString m_filterIdSet;
    QStringList m_filterIds;
    FilterDeleteMode m_deleteFilter = FilterDeleteNone;
};
