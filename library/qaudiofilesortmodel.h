#pragma once
// Sort and filter proxy of the recordings table. "Created Time" orders by
// the date the text stands for, with the running recording above all rows;
// the file-name cell is edited in place and never starts a drag.

#include "widgetkit/views/qjxbasesortmodel.h"

class QAudioFileChunk;

class QAudioFileSortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    explicit QAudioFileSortModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void setSourceModel(QAbstractItemModel *model) override;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QAudioFileChunk *rowOf(const QModelIndex &sourceIndex) const;

    bool m_sourceIsRows = false;
};
