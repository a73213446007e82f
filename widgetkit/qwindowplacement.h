#pragma once
// Where windows go on a desktop of one or more screens: the screen a window
// belongs to, centring with the screen's own origin, and whether the window
// system moves windows itself (Wayland does not let a window place itself).

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;
class QWindow;

class QWindowPlacement
{
public:
    // Available geometry of the screen showing the widget's window; for a
    // hidden or null widget, the screen under the cursor, else the primary one.
    static QRect availableGeometryFor(const QWidget *widget);
    static QRect screenGeometryFor(const QWidget *widget);

    // Centre of a size on an owner rectangle; a coordinate before the screen's
    // origin + 1 becomes origin + 50, so a dialog never opens off its screen.
    static QPoint centredOn(const QRect &owner, const QSize &size, const QRect &screen);

    // Top-left of a window of the size whose visible part (the size less
    // its see-through margins) stands in the area's bottom-right corner; the
    // visible part never leaves the area at the top or left either.
    static QPoint bottomRightIn(const QRect &area, const QSize &size, const QMargins &seeThrough);

    // True where a window cannot move or resize itself and must ask the window
    // system to do it (startSystemMove / startSystemResize).
    static bool systemMovesWindows();
};
