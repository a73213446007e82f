#include "vecommonclass.h"

#include "widgetkit/views/qfilereveal.h"
#include "widgetkit/views/qjxcommonplatfromapi.h"

#include <QWidget>

void VECommonClass::setWindowTopHint(void *widget)
{
    if (!widget)
        return;
    QJXCommonPlatfromApi::addWindowFlags(static_cast<QWidget *>(widget)->window(),
                                         Qt::WindowStaysOnTopHint);
}

void VECommonClass::setOpenFinder(const QString &path)
{
    QFileReveal::reveal(path);
}
