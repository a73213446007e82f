#pragma once
// Full-screen rubber-band picker: the user drags a rectangle, which is emitted
// on release; a right click starts over.

#include <QDialog>
#include <QPoint>
#include <QRect>

class QPointGetRectDlg : public QDialog
{
    Q_OBJECT
public:
    explicit QPointGetRectDlg(QWidget *parent = nullptr);

    void initFullScreenWidget();
    static QRect getRect(const QPoint &a, const QPoint &b);
    int pickingState() const { return m_state; }
    QRect selectedRect() const { return m_selected; }

signals:
    void emitSelectAreaRect(QRect rect);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRect m_selected;
    int m_state = 0;
    QPoint m_begin;
    QPoint m_end;
};
