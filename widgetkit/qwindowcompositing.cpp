#include "widgetkit/qwindowcompositing.h"

#include <QColor>
#include <QGuiApplication>
#include <QPainter>
#include <QWidget>
#include <QX11Info>

namespace QWindowCompositing {

namespace {
std::optional<bool> g_override;
}

bool isRunning()
{
    if (g_override)
        return *g_override;
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb"))
        return QX11Info::isCompositingManagerRunning();
    return platform.startsWith(QLatin1String("wayland"));
}

bool needsOpaque(const QWidget *window)
{
    return window && window->isWindow() && window->testAttribute(Qt::WA_TranslucentBackground)
           && !isRunning();
}

void fillOpaque(QPainter &painter, const QWidget *window, QColor colour)
{
    colour.setAlpha(255);
    const QPainter::CompositionMode mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(window->rect(), colour);
    painter.setCompositionMode(mode);
}

void setOverride(std::optional<bool> running)
{
    g_override = running;
}

} // namespace QWindowCompositing
