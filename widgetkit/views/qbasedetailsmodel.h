#pragma once
// Flat model under every list of the program: one IBaseChunk per row, taken
// from a vector that the screen owns. Subclasses serve the display text and
// pictures; this class serves the common roles (see qjxitemroles.h).

#include "widgetkit/views/qjxviewmodeldrawattribute.h"

#include <QAbstractItemModel>
#include <QStringList>

#include <functional>
#include <vector>

class IBaseChunk;

class QBaseDetailsModel : public QAbstractItemModel, public QJXViewModelDrawAttribute
{
    Q_OBJECT
public:
    explicit QBaseDetailsModel(QObject *parent = nullptr);

    // The vector and its items stay the caller's.
    virtual void setDatas(std::vector<IBaseChunk *> *items);
    virtual void refreshData(int row, int column);
    // The caller appended one item to its vector first.
    virtual void insertRefeshLastRow();
    // The caller appended count items to its vector first.
    void insertRefreshLastRows(int count);
    // Announces the removal of the row around remove, which takes it out
    // of the vector (and nothing else).
    void removeRowAround(int row, const std::function<void()> &remove);
    virtual void refeshRow(int row);

    void refresh();
    void setHeaderList(const QStringList &headers) { m_headers = headers; }
    QStringList headerList() const { return m_headers; }
    void refreshColumn(int column);
    void setCheckInColumn(int column) { m_checkColumn = column; }
    int checkInColum() const { return m_checkColumn; }
    void refreshCheckState();
    void OnItemStateChange() { refreshCheckState(); }
    // The item behind a row of this model, null for rows without one.
    IBaseChunk *itemAt(int row) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // 0 none checked, 1 some, 2 all.
    void itemCheckChange(int state);

public slots:
    void OnStateChanged(int state);
    void OnStateChanged(bool on);

private:
    int checkSummary() const;

    std::vector<IBaseChunk *> *m_items = nullptr;
    QStringList m_headers;
    int m_checkColumn = 0;
    // Rows already in the vector whose insertion is being announced.
    int m_announcing = 0;
};
