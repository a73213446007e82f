#pragma once
// Image-skinned frames over media: the border view stretches its skin over its
// whole area as a nine-grid and reports the mouse to its owner through plain
// callbacks; the item view inside it is a movable frame drawn as eight handle
// pieces, an optional centre piece and a dashed white outline. A media border
// frame hosts them as child widgets.

#include "capture/ninegrid.h"

#include <QImage>
#include <QSize>
#include <QWidget>

class ImgItemView : public QWidget
{
    Q_OBJECT
public:
    explicit ImgItemView(QWidget *parent = nullptr);

    void setItemImage(const QString &path);
    void setImage(const QImage &image);
    void showBorderImg(bool show) { m_showBorder = show; }
    void showMidImg(bool show) { m_showMid = show; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    bool m_showBorder = true;
    bool m_showMid = true;
};

class ImgBorderView : public QWidget
{
    Q_OBJECT
public:
    // Pointer position in the window (the top-level widget) and the owner pointer.
    using MouseCallback = void (*)(const QPointF &pos, void *owner);

    explicit ImgBorderView(QWidget *parent = nullptr);

    void setCallBackObject(void *owner) { m_owner = owner; }
    void setMoveCallback(MouseCallback callback) { m_move = callback; }
    void setDownCallback(MouseCallback callback) { m_down = callback; }
    void setUpCallback(MouseCallback callback) { m_up = callback; }

    void setImage(const QImage &image);
    void setBackgroundImage(const QString &path);
    void setGridViewInfo(const QSize &upLeft, const QSize &upRight, const QSize &downLeft,
                         const QSize &downRight);
    NineGrid::Corners cornerSizes() const { return m_corners; }
    void setItemImage(const QString &path) { m_itemImage = path; }
    void setItemRect(const QRect &rect);
    ImgItemView *itemView() const { return m_item; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointF inWindow(const QMouseEvent *event) const;

    QImage m_image;
    QString m_itemImage;
    NineGrid::Corners m_corners;
    ImgItemView *m_item = nullptr;
    MouseCallback m_move = nullptr;
    MouseCallback m_down = nullptr;
    MouseCallback m_up = nullptr;
    void *m_owner = nullptr;
};
