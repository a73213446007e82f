#include "widgetkit/jxmacosinterface.h"

#include <QCursor>
#include <QWidget>

QPoint JxMacosInterface::getWindowPos(QWidget *widget)
{
    return widget ? widget->window()->frameGeometry().topLeft() : QPoint(0, 0);
}

QPoint JxMacosInterface::getGlobalPos()
{
    return QCursor::pos();
}

void JxMacosInterface::showMinimize(QWidget *widget)
{
    if (widget)
        widget->window()->showMinimized();
}
