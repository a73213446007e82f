#pragma once
// Drawn slider: a progress bar whose fill shows the value, with an image
// button as its drag handle. Reports user input as a fraction of the range.

#include "widgetkit/qjxbaseprogress.h"

class QJXBaseButton;
class QMouseEvent;

class QJXBaseSlider : public QJXBaseProgress
{
    Q_OBJECT
public:
    explicit QJXBaseSlider(QWidget *parent = nullptr);
    ~QJXBaseSlider() override;

    // Replaces the drag handle by one drawn from a four-frame strip.
    bool setBtnImage(QString path);
    void setOffset(int topLeft, int rightBottom);
    QJXBaseButton *getButton() const;
    void setBtnOffset(int offset);
    void setEnabledPull(bool on);
    bool enablePull() const;

    // Track geometry, for callers that place things along the track.
    int trackLength() const;
    QPoint valueToPoint() const;

signals:
    // The user moved the value (pointer or keys): the new value as a fraction of the range.
    void sendProgressValue(double fraction);
    void sendPressEvent(QMouseEvent *event);
    void sendReleseEvent(QMouseEvent *event);

public slots:
    // Values set from code never emit sendProgressValue.
    void setValue(double value);
    void setValue(int value);
    void btnMouseMove(QMouseEvent *event, int pressX);
    void btnMouseDown(QMouseEvent *event, int pressX);
    void btnMouseRelease(QMouseEvent *event, int pressX);

protected:
    virtual void calcBtnPostion();
    virtual void OnKeyLeftDown();
    virtual void OnKeyRightUp();

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPoint pointOf(QMouseEvent *event) const;
    bool isOnTrack(const QPoint &point) const;
    void moveValueTo(const QPoint &point);
    void stepByKey(double delta);
    void applyHandleRule(int &topLeft, int &rightBottom) const;

    struct Data;
    Data *d;
};
