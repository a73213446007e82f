#pragma once
// Darkens its whole area except one clear rectangle (origin bottom left).

#include <QRectF>
#include <QWidget>

class FirstDisplayDelay;

class DimmingView : public QWidget
{
    Q_OBJECT
public:
    explicit DimmingView(QWidget *parent = nullptr);

    void setClearRect(const QRectF &bottomUp);
    QRectF clearRect() const { return m_clearRect; }
    void resetFirstDisplay();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF m_clearRect;
    FirstDisplayDelay *m_firstDisplay;
};
