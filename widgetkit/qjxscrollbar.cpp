#include "widgetkit/qjxscrollbar.h"

QJXScrollBar::QJXScrollBar(QWidget *parent)
    : QScrollBar(parent)
{
    InitScrollBar();
}

QJXScrollBar::QJXScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(parent)
{
    setOrientation(orientation);
    InitScrollBar();
}

QJXScrollBar::~QJXScrollBar()
{
    // The widget must stop using the style before it goes.
    setStyle(nullptr);
    delete m_style;
}

void QJXScrollBar::fixThickness()
{
    if (orientation() == Qt::Horizontal) {
        setMinimumHeight(10);
        setMaximumHeight(10);
    } else {
        setMinimumWidth(10);
        setMaximumWidth(10);
    }
}

void QJXScrollBar::setOrientation(Qt::Orientation orientation)
{
    QAbstractSlider::setOrientation(orientation);
    fixThickness();
}

void QJXScrollBar::InitScrollBar()
{
    if (!(windowFlags() & Qt::FramelessWindowHint))
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    QJXScrollBarStyle *old = m_style;
    QJXScrollBarStyleAttribute keep;
    if (old)
        keep = *old->attribute();
    m_style = new QJXScrollBarStyle(nullptr);
    *m_style->attribute() = keep;
    setStyle(m_style);
    delete old;
}

void QJXScrollBar::setStyleAttribute(QJXScrollBarStyleAttribute attribute)
{
    *m_style->attribute() = attribute;
}

QJXScrollBarStyleAttribute QJXScrollBar::styleAttribute() const
{
    return *m_style->attribute();
}
