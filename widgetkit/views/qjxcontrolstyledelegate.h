#pragma once
// Table delegate whose in-cell controls also obey each item's own control
// records: hidden on this row, shown only while hovered, disabled, or a
// progress bar with the item's value.

#include "widgetkit/views/qjxbasestyledelegate.h"

struct ControlAttribute;

class QJXControlStyleDelegate : public QJXBaseStyleDelegate
{
    Q_OBJECT
public:
    explicit QJXControlStyleDelegate(QObject *parent = nullptr);

protected:
    std::vector<PlacedControl> layoutControls(const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const override;
    bool controlEnabled(const QModelIndex &index, QWidget *control) const override;
    int progressValue(const QModelIndex &index, QWidget *control) const override;

private:
    static const ControlAttribute *attributeOf(const QModelIndex &index, QWidget *control);
};
