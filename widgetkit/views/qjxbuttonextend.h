#pragma once
// Image button that can show a tag picture (a cover) fitted into a rectangle
// over a flat background, and a colour swatch.

#include "widgetkit/qjxbasebutton.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <string>

class QJXButtonExtend : public QJXBaseButton
{
    Q_OBJECT
public:
    explicit QJXButtonExtend(QWidget *parent = nullptr);

    // Each returns whether a tag picture is shown now.
    bool setTagImg(const QRect &rect, const std::string &encoded);
    bool setTagImg(const QRect &rect, const QString &path);
    bool setTagImg(const QRect &rect, const QImage &image);
    bool hasTagImg() const { return m_hasTag; }

    void setBackgroundColor(const QColor &color) { m_background = color; }
    void setIconColor(const QColor &color);
    void setIconColorRect(const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool showTag(const QRect &rect, const QImage &image);

    bool m_hasTag = false;
    QImage m_tag;
    QRect m_tagRect;
    QColor m_background = QColor(255, 0, 0);
    QColor m_iconColor = QColor(0, 0, 0);
    QRect m_iconColorRect;
};
