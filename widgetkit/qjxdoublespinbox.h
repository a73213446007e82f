#pragma once
// Double spin box with a drawn frame and image arrow buttons that repeat while held.

#include "widgetkit/qjxbaserectimagedraw.h"
#include "widgetkit/qjxspinbuttons.h"

#include <QDoubleSpinBox>

class QJXDoubleSpinBox : public QDoubleSpinBox, public QJXBaseRectImageDraw
{
    Q_OBJECT
public:
    explicit QJXDoubleSpinBox(QWidget *parent = nullptr);
    ~QJXDoubleSpinBox() override;

    void setBackgroundImage(QString path);
    void setUpAndDownBtnImage(QString up, QString down, bool keepSize);
    void setBtnMargins(int left, int top, int right, int bottom);
    void setBtnMargins(const QMargins &margins);
    void resetBtnLocation();
    QJXBaseButton *upButton() const;
    QJXBaseButton *downButton() const;

public slots:
    void pressBtn();
    void releseBtn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    QJXSpinButtons m_buttons;
};
