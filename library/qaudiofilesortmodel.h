#pragma once
// Sort and filter proxy of the recordings table. "Created Time" orders by
// the date the text stands for, with the running recording above all rows;
// the file-name cell is edited in place and never starts a drag.

#include "widgetkit/views/qjxbasesortmodel.h"

#include <optional>
#include <string>

class QAudioFileSortModel : public QJXBaseSortModel
{
    Q_OBJECT
public:
    explicit QAudioFileSortModel(QObject *parent = nullptr);

    // "dd-MM-yyyy hh:mm" as the number yyyyMMddhhmm; nothing for a text of
    // another shape or with fields that are not numbers.
    static std::optional<qint64> createdTimeKey(const std::string &text);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
};
