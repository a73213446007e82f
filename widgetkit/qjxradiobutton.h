#pragma once
// Radio button drawn either from check pictures (box mode) or, in button
// mode, as an image button whose checked state shows the pressed frame.

#include "widgetkit/qjxbaseboxdraw.h"
#include "widgetkit/qjxbasebuttondraw.h"

#include <QRadioButton>

class QJXRadioButton : public QRadioButton, public QJXBaseBoxDraw, public QJXBaseButtonDraw
{
    Q_OBJECT
public:
    explicit QJXRadioButton(QWidget *parent = nullptr);
    ~QJXRadioButton() override;

    // Box mode: checked and unchecked pictures. Button mode: first is a four-frame strip.
    void setCheckImage(QString first, QString second, bool buttonMode, bool twoFrames);
    bool isButtonMode() const;
    void adjustSize();
    void setBtnIcon(QString path);
    void setIconRect(QRect rect);
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);
    void setTextRect(QRect rect);
    void seedClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool m_buttonMode = false;
};
