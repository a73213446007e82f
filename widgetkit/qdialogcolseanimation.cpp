#include "widgetkit/qdialogcolseanimation.h"

#include <QPropertyAnimation>
#include <QWidget>

void QDialogColseAnimation::ColseTransparentAnimation(QWidget &window)
{
    auto *animation = new QPropertyAnimation(&window, "windowOpacity");
    animation->setDuration(400);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    QObject::connect(animation, &QPropertyAnimation::finished, &window, &QWidget::close);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void QDialogColseAnimation::startCloseGeometryAnimation(QWidget &window)
{
    window.setMinimumSize(0, 0);
    const QRect from = window.geometry();
    const QRect to(from.left(), from.top() + from.height() / 2, from.width(), 0);
    auto *animation = new QPropertyAnimation(&window, "geometry");
    animation->setDuration(150);
    animation->setStartValue(from);
    animation->setEndValue(to);
    QObject::connect(animation, &QPropertyAnimation::finished, &window, &QWidget::close);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
