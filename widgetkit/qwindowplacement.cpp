#include "widgetkit/qwindowplacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

QScreen *screenFor(const QWidget *widget)
{
    if (widget && widget->window()->isVisible()) {
        if (QScreen *screen = widget->window()->screen())
            return screen;
    }
    if (QScreen *screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

QRect QWindowPlacement::availableGeometryFor(const QWidget *widget)
{
    QScreen *screen = screenFor(widget);
    return screen ? screen->availableGeometry() : QRect();
}

QRect QWindowPlacement::screenGeometryFor(const QWidget *widget)
{
    QScreen *screen = screenFor(widget);
    return screen ? screen->geometry() : QRect();
}

QPoint QWindowPlacement::centredOn(const QRect &owner, const QSize &size, const QRect &screen)
{
    int x = owner.left() + (owner.width() - size.width()) / 2;
    int y = owner.top() + (owner.height() - size.height()) / 2;
    if (x < screen.left() + 1)
        x = screen.left() + 50;
    if (y < screen.top() + 1)
        y = screen.top() + 50;
    return QPoint(x, y);
}

QPoint QWindowPlacement::bottomRightIn(const QRect &area, const QSize &size, const QMargins &seeThrough)
{
    const int x = area.right() + 1 - size.width() + seeThrough.right();
    const int y = area.bottom() + 1 - size.height() + seeThrough.bottom();
    return QPoint(qMax(x, area.left() - seeThrough.left()), qMax(y, area.top() - seeThrough.top()));
}

bool QWindowPlacement::systemMovesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
