#include "widgetkit/qjxscrollbarstyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QWidget>

QJXScrollBarStyle::QJXScrollBarStyle(QStyle *base)
    : QProxyStyle(base ? base : QStyleFactory::create(QStringLiteral("Fusion")))
    , m_attribute(new QJXScrollBarStyleAttribute)
{
}

QJXScrollBarStyle::~QJXScrollBarStyle()
{
    delete m_attribute;
}

QJXScrollBarStyleAttribute *QJXScrollBarStyle::attribute()
{
    return m_attribute;
}

const QJXScrollBarStyleAttribute *QJXScrollBarStyle::attribute() const
{
    return m_attribute;
}

void QJXScrollBarStyle::drawComplexControl(ComplexControl control,
                                           const QStyleOptionComplex *option, QPainter *painter,
                                           const QWidget *widget) const
{
    if (control == CC_ScrollBar)
        drawScrollbar(control, option, painter, widget);
    else
        QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int QJXScrollBarStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                   const QWidget *widget) const
{
    if (metric == PM_ScrollBarExtent)
        return m_attribute->extent;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void QJXScrollBarStyle::drawScrollbar(ComplexControl control, const QStyleOptionComplex *option,
                                      QPainter *painter, const QWidget *widget) const
{
    const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (!slider || slider->version < 1)
        return;
    const QJXScrollBarStyleAttribute &a = *m_attribute;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    State s = slider->state;
    if (widget && widget->testAttribute(Qt::WA_UnderMouse) && widget->isActiveWindow())
        s |= State_MouseOver;
    // An empty range has no handle to draw (and no handle position to compute).
    const bool emptyRange = slider->minimum == slider->maximum;
    if (emptyRange)
        s &= ~State_Enabled;
    const bool horizontal = s & State_Horizontal;
    int radius = a.cornerRadius;
    if (radius < 0)
        radius = (horizontal ? slider->rect.height() : slider->rect.width()) / 2;

    const QRect addLine = subControlRect(control, option, SC_ScrollBarAddLine, widget);
    const QRect subLine = subControlRect(control, option, SC_ScrollBarSubLine, widget);
    const QRect groove = subControlRect(control, option, SC_ScrollBarGroove, widget);
    painter->fillRect(addLine, a.lineColor);
    painter->fillRect(subLine, a.lineColor);
    painter->fillRect(groove, a.grooveColor);
    if (emptyRange) {
        painter->restore();
        return;
    }

    painter->setPen(Qt::NoPen);
    const QRect handle = subControlRect(control, option, SC_ScrollBarSlider, widget);
    auto inset = [&](QRect r, int m) {
        return horizontal ? r.adjusted(0, m, 0, -m) : r.adjusted(m, 0, -m, 0);
    };
    if (!(s & State_MouseOver) && !a.hoverLookAlways) {
        const int thickness = horizontal ? handle.height() : handle.width();
        const int m = thickness < 2 * a.handleMargin ? 0 : a.handleMargin;
        painter->setBrush(a.handleColor);
        painter->drawRoundedRect(inset(handle, m), radius, radius, Qt::AbsoluteSize);
    } else {
        painter->setBrush(a.hoverGrooveColor);
        painter->drawRoundedRect(groove, radius, radius, Qt::AbsoluteSize);
        if (slider->subControls & SC_ScrollBarSlider) {
            QColor color = a.handleColor;
            if ((s & State_Enabled) && (slider->activeSubControls & SC_ScrollBarSlider)) {
                if (slider->state & State_Sunken)
                    color = a.handlePressedColor;
                else if (slider->state & State_MouseOver)
                    color = a.handleHoverColor;
            }
            painter->setBrush(color);
            painter->drawRoundedRect(inset(handle, a.handleMargin), radius, radius,
                                     Qt::AbsoluteSize);
        }
    }
    painter->restore();
}

QImage QJXScrollBarStyle::createImage(QSize size, arrowDirection direction, QColor color,
                                      bool frame) const
{
    QImage image(size, QImage::Format_ARGB32);
    QPainter painter(&image);
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(image.rect(), Qt::transparent);
    painter.setCompositionMode(mode);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    if (frame) {
        painter.setPen(QPen(color, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    QPolygonF triangle;
    switch (direction) {
    case ArrowLeft:
        triangle << QPointF(0.75 * w - 0.5, 0) << QPointF(0.25 * w - 0.5, 0.5 * h)
                 << QPointF(0.75 * w, h);
        break;
    case ArrowRight:
        triangle << QPointF(0.25 * w + 0.5, 0) << QPointF(0.75 * w, 0.5 * h)
                 << QPointF(0.25 * w + 0.5, h);
        break;
    case ArrowDown:
        triangle << QPointF(0, 0.25 * h + 0.5) << QPointF(0.5 * w, 0.75 * h)
                 << QPointF(w, 0.25 * h + 0.5);
        break;
    case ArrowUp:
        triangle << QPointF(0, 0.75 * h) << QPointF(0.5 * w, 0.25 * h - 0.5)
                 << QPointF(w, double(int(0.75 * h)));
        break;
    }
    if (!triangle.isEmpty())
        painter.drawPolygon(triangle);
    return image;
}
