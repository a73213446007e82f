#pragma once
// Proxy style that paints scroll bars flat, with a rounded handle, from a
// record of colours and sizes. Built over Fusion so that every desktop
// measures and lays out the bar alike.

#include <QColor>
#include <QImage>
#include <QProxyStyle>

struct QJXScrollBarStyleAttribute
{
    QColor grooveColor = QColor(240, 240, 240);
    QColor hoverGrooveColor = QColor(149, 149, 153);
    QImage image;
    int extent = 11;
    bool hoverLookAlways = false;
    QColor lineColor = QColor(240, 240, 240);
    QColor extraColor1 = QColor(111, 115, 123);
    QColor extraColor2 = QColor(89, 90, 93);
    QColor extraColor3 = QColor(124, 125, 128);
    QColor extraColor4 = QColor(240, 240, 240);
    bool extraFlag = true;
    QColor handleColor = QColor(96, 96, 96);
    QColor handlePressedColor = QColor(96, 96, 96);
    QColor handleHoverColor = QColor(96, 96, 96);
    int handleMargin = 0;
    int cornerRadius = -1;
};

class QJXScrollBarStyle : public QProxyStyle
{
    Q_OBJECT
public:
    enum arrowDirection { ArrowLeft = 0, ArrowRight = 1, ArrowDown = 2, ArrowUp = 3 };

    // A null base means Fusion.
    explicit QJXScrollBarStyle(QStyle *base = nullptr);
    ~QJXScrollBarStyle() override;

    QJXScrollBarStyleAttribute *attribute();
    const QJXScrollBarStyleAttribute *attribute() const;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

    void drawScrollbar(ComplexControl control, const QStyleOptionComplex *option,
                       QPainter *painter, const QWidget *widget) const;
    QImage createImage(QSize size, arrowDirection direction, QColor color, bool frame) const;

private:
    QJXScrollBarStyleAttribute *m_attribute;
};
