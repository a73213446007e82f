#pragma once
// Proxy style that paints a whole pop-up menu (frame, items, check marks,
// icons, texts, sub-menu arrows) from a record of colours, images and sizes.
// Built over Fusion so that menus look and measure the same on every desktop.

#include <QColor>
#include <QImage>
#include <QProxyStyle>

class QStyleOptionMenuItem;

struct QJXMenuStyleAttribute
{
    QImage backgroundImage;
    int frameWidth = 3;
    QColor frameColor = QColor(225, 225, 225);
    QColor areaColor = QColor(225, 225, 225);
    QColor itemColor = QColor(225, 225, 225);
    QColor itemTextColor = QColor(0, 0, 0);
    QColor itemSelectColor = QColor(144, 200, 246);
    QColor itemTextSelectColor = QColor(255, 255, 255);
    QColor itemDisabledColor = QColor(225, 225, 225);
    QColor itemTextDisabledColor = QColor(109, 109, 109);
    QColor separatorColor = QColor(0, 223, 223);
    QImage radioImage;
    QImage uncheckedImage;
    QImage checkedImage;
    int iconSize = 15;
    int itemWidth = -1;
    int itemHeight = -1;
};

class QJXMenuStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // A null base means Fusion.
    explicit QJXMenuStyle(QStyle *base = nullptr);
    ~QJXMenuStyle() override;

    QJXMenuStyleAttribute *attribute();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;

    static QColor mergedColors(const QColor &a, const QColor &b, int factor);

private:
    void _DrawMenuItem(const QStyleOptionMenuItem *option, QPainter *painter,
                       const QWidget *widget) const;
    void drawSeparator(const QStyleOptionMenuItem *option, QPainter *painter,
                       const QRect &rect) const;
    void drawCheckState(const QStyleOptionMenuItem *option, QPainter *painter, const QRect &rect,
                        const QWidget *widget) const;
    void drawIcon(const QStyleOptionMenuItem *option, QPainter *painter, const QRect &rect,
                  int checkcol, const QWidget *widget) const;
    void drawArrow(const QStyleOptionMenuItem *option, QPainter *painter, const QRect &rect) const;
    void drawMenuText(const QStyleOptionMenuItem *option, QPainter *painter, const QRect &rect,
                      int checkcol, const QWidget *widget) const;

    QJXMenuStyleAttribute *m_attribute;
};
