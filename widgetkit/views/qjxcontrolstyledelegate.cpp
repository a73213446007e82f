#include "qjxcontrolstyledelegate.h"

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qchunkcontrol.h"
#include "widgetkit/views/qdelegatecontrol.h"

QJXControlStyleDelegate::QJXControlStyleDelegate(QObject *parent)
    : QJXBaseStyleDelegate(parent)
{
}

const ControlAttribute *QJXControlStyleDelegate::attributeOf(const QModelIndex &index, QWidget *control)
{
    IBaseChunk *item = itemOf(index);
    return item ? item->getChunkControl()->attributeOf(control) : nullptr;
}

std::vector<QJXBaseStyleDelegate::PlacedControl>
QJXControlStyleDelegate::layoutControls(const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    std::vector<PlacedControl> placed;
    const QDelegateControl *group = activeGroup(index);
    IBaseChunk *item = itemOf(index);
    if (!group || !item)
        return placed;
    const QChunkControl *records = item->getChunkControl();

    // Hidden and unregistered controls take no place; hover-only ones count
    // in the group's width but take no place off the hover row.
    int counted = 0;
    int countedWidth = 0;
    QVector<int> widths;
    for (QWidget *widget : group->getDrawWidgetList()) {
        const ControlAttribute *record = records->attributeOf(widget);
        if (!record || record->hidden)
            continue;
        ++counted;
        countedWidth += widget->width();
        if (record->hoverOnly && index.row() != hoverRow())
            continue;
        PlacedControl control;
        control.widget = widget;
        control.progress = record->type == controlTypeProgress;
        placed.push_back(control);
        widths << widget->width();
    }
    if (counted == 0)
        return placed;
    const int groupWidth = (countedWidth - 1) + (counted - 1) * group->drawSpacing();
    const QVector<int> xs = placeHorizontally(group, option.rect.width(), groupWidth, widths);
    const QRect cell = option.rect;
    for (size_t i = 0; i < placed.size(); ++i) {
        QWidget *widget = placed[i].widget;
        placed[i].rect = QRect(cell.left() + xs.at(int(i)),
                               cell.top() + (cell.height() - widget->height()) / 2,
                               widget->width(), widget->height());
    }
    return placed;
}

bool QJXControlStyleDelegate::controlEnabled(const QModelIndex &index, QWidget *control) const
{
    const ControlAttribute *record = attributeOf(index, control);
    return QJXBaseStyleDelegate::controlEnabled(index, control) && record && record->enabled;
}

int QJXControlStyleDelegate::progressValue(const QModelIndex &index, QWidget *control) const
{
    const ControlAttribute *record = attributeOf(index, control);
    return record ? static_cast<int>(record->progressValue) : 0;
}
