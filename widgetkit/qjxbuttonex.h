#pragma once
// An image button that can also show a picture (for example a cover) fitted
// into a rectangle over a flat background.

#include "widgetkit/qjxbasebutton.h"

#include <string>

class QJXButtonEx : public QJXBaseButton
{
    Q_OBJECT

public:
    explicit QJXButtonEx(QWidget *parent = nullptr);
    ~QJXButtonEx() override;

    void setTagBgColor(const QColor &colour);
    // Decodes the picture bytes; false (and nothing drawn) when they are not a picture.
    bool setTagImg(const QRect &rect, const std::string &bytes);
    bool hasTagImg() const { return m_hasTagImage; }

    // Where a picture of the size goes inside rect, keeping its aspect ratio.
    static QRect fittedRect(const QSize &picture, const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_hasTagImage = false;
    QColor m_tagBgColour = QColor(0, 0, 0);
    QImage *m_tagImage = nullptr;
    QRect m_tagImageRect;
};
