#pragma once
// Transparent overlay over a preview picture holding the main dashed frame
// (the crop or watermark area) and any number of item frames; it passes its
// mouse events on as signals.

#include "widgetkit/qjxwidget.h"

#include <QList>
#include <QRect>

class QMediaDashedFrame;

class QMediaBorderFrame : public QJXWidget
{
    Q_OBJECT
public:
    explicit QMediaBorderFrame(QWidget *parent = nullptr);

    // Absolute: rect is the video rectangle and the frame's place; else rect
    // is taken relative to the video rectangle.
    void setDashedFrame(const QRect &rect, bool absolute);
    void setVideoDashedFrame(const QRect &rect) { m_videoRect = rect; }
    QRect getVideoDashedFrame() const { return m_videoRect; }
    QMediaDashedFrame *dashedFrame() const { return m_mainFrame; }

    QMediaDashedFrame *addDashFrameItem(const QRect &rect);
    void setDashedFrameRect(QMediaDashedFrame *frame, const QRect &rect);
    void setDashFrameItemForList(const QRect &rect, int index);
    void setDashFrameItemShow(int index, bool show);
    bool isValid(int index) const { return index >= 0 && index < m_items.size(); }
    int itemCount() const { return m_items.size(); }
    QMediaDashedFrame *item(int index) const { return isValid(index) ? m_items[index] : nullptr; }

signals:
    void emitMouseMoveEvent(QMouseEvent *event);
    void emitMousePressEvent(QMouseEvent *event);
    void emitMouseReleaseEvent(QMouseEvent *event);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString framePicture() const;

    QMediaDashedFrame *m_mainFrame = nullptr;
    QRect m_videoRect;
    QList<QMediaDashedFrame *> m_items;
};
