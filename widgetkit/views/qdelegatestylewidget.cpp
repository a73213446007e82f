#include "qdelegatestylewidget.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QPainter>
#include <QStyleOptionButton>

QDelegateStyleWidget::QDelegateStyleWidget(QStyle *baseStyle)
    : QProxyStyle(baseStyle)
{
}

void QDelegateStyleWidget::setButtonImage(const QImage &strip, bool grid, const QRect &rect)
{
    m_strip = strip;
    m_grid = grid;
    m_rect = rect;
}

int QDelegateStyleWidget::frameForState(QStyle::State state)
{
    if (state & State_MouseOver)
        return 1;
    if (state & State_Sunken)
        return 2;
    if (state & State_Enabled)
        return 0;
    return 3;
}

void QDelegateStyleWidget::drawControl(ControlElement element, const QStyleOption *option,
                                       QPainter *painter, const QWidget *widget) const
{
    if (element == CE_PushButton && !m_strip.isNull()) {
        DrawButton(option, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void QDelegateStyleWidget::DrawButton(const QStyleOption *option, QPainter *painter,
                                      const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (!button)
        return;
    DrawBackground(option, painter, widget);
    DrawBottonText(option, painter, widget);
}

void QDelegateStyleWidget::DrawBackground(const QStyleOption *option, QPainter *painter,
                                          const QWidget *) const
{
    if (m_strip.width() < 4)
        return;
    QImage frame = QBaseImageDraw::stripFrame(m_strip, frameForState(option->state));
    painter->save();
    QBaseImageDraw::drawBtnImageBg(*painter, option->rect, frame, m_grid);
    painter->restore();
}

void QDelegateStyleWidget::DrawBottonText(const QStyleOption *, QPainter *, const QWidget *) const
{
    // In-cell buttons show their picture only.
}
