#pragma once
// Panel that paints one of four background colours by its mouse state and
// reports presses with and without Shift or Control.

#include <QColor>
#include <QWidget>

enum QMouseState { MouseNormal = 0, MouseHover = 1, MousePressed = 2, MouseOther = 3 };

class QBaseItem : public QWidget
{
    Q_OBJECT
public:
    explicit QBaseItem(QWidget *parent = nullptr);

    void setBackgroundColor(const QColor &normal, const QColor &hover, const QColor &pressed,
                            const QColor &other);
    void setBackgroundColor(const QColor &all);
    void setMouseState(QMouseState state);
    QMouseState getMouseState() const { return m_state; }

signals:
    void emitMousePress();
    void emitMouseShiftPress();
    void emitMouseCtrlPress();
    void emitShowTreeMenu();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void press();

    QMouseState m_state = MouseNormal;
    QColor m_colors[4] = {QColor(53, 53, 68), QColor(60, 60, 77), QColor(60, 60, 77),
                          QColor(53, 53, 68)};
};
