#include "widgetkit/qjxcheckbox.h"

QJXCheckBox::QJXCheckBox(QWidget *parent)
    : QCheckBox(parent)
    , QJXBaseBoxDraw(this, CheckBoxType)
{
}

void QJXCheckBox::setCheckImage(QString checked, QString unchecked, QString partial,
                                bool twoFrames)
{
    QJXBaseBoxDraw::setCheckImage(checked, unchecked, partial, false, twoFrames);
}

void QJXCheckBox::setCheckImage(QImage *checked, QImage *unchecked, QImage *partial,
                                bool twoFrames, bool copy)
{
    QJXBaseBoxDraw::setCheckImage(checked, unchecked, partial, false, twoFrames, copy);
}

void QJXCheckBox::adjustSize()
{
    if (isCustomDraw())
        QJXBaseBoxDraw::adjustSize();
    else
        QWidget::adjustSize();
}

void QJXCheckBox::paintEvent(QPaintEvent *event)
{
    if (isCustomDraw())
        QJXBaseBoxDraw::paintEvent(event);
    else
        QCheckBox::paintEvent(event);
}

void QJXCheckBox::mousePressEvent(QMouseEvent *event)
{
    QAbstractButton::mousePressEvent(event);
}

bool QJXCheckBox::hitButton(const QPoint &) const
{
    return true;
}
