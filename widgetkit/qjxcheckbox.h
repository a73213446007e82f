#pragma once
// Check box drawn from check pictures; a click anywhere on it toggles it.

#include "widgetkit/qjxbaseboxdraw.h"

#include <QCheckBox>

class QJXCheckBox : public QCheckBox, public QJXBaseBoxDraw
{
    Q_OBJECT
public:
    explicit QJXCheckBox(QWidget *parent = nullptr);

    void setCheckImage(QString checked, QString unchecked, QString partial, bool twoFrames);
    void setCheckImage(QImage *checked, QImage *unchecked, QImage *partial, bool twoFrames,
                       bool copy);
    void adjustSize();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};
