#include "qdelegatecontrol.h"

#include "widgetkit/views/qjxstylebutton.h"
#include "widgetkit/views/qjxstyleprogress.h"

QDelegateControl::QDelegateControl(int column)
    : m_column(column)
{
}

bool QDelegateControl::addWidget(QWidget *widget)
{
    if (!widget)
        return false;
    m_widgets.append(widget);
    m_allWidgetWidth += widget->width();
    return true;
}

bool QDelegateControl::addButton(QJXStyleButton *button)
{
    return addWidget(button);
}

bool QDelegateControl::addProgress(QJXStyleProgress *progress)
{
    return addWidget(progress);
}

void QDelegateControl::refreshAllWidgetWidth()
{
    m_allWidgetWidth = 0;
    for (QWidget *widget : qAsConst(m_widgets))
        m_allWidgetWidth += widget->width();
}
