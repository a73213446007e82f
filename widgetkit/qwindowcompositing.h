#pragma once
// Whether the desktop blends a window's see-through pixels with what lies
// behind it. Without a compositing manager an X server shows those pixels as
// they are, so a see-through shadow band comes out black: windows then draw
// their margins opaque.

#include <optional>

class QColor;
class QPainter;
class QWidget;

namespace QWindowCompositing {

// Asks the platform: on X11 whether a compositing manager runs now; Wayland
// always composites; elsewhere nothing blends (the offscreen platform's
// window pictures have no alpha channel at all).
bool isRunning();

// A top-level window with a see-through background that must be drawn
// opaque now, because nothing would blend it.
bool needsOpaque(const QWidget *window);

// Fills the window's whole area with the colour, replacing what is there;
// drawn first, the see-through parts of what follows blend onto it.
void fillOpaque(QPainter &painter, const QWidget *window, QColor colour);

// Replaces the platform's answer (tests); an empty value asks it again.
void setOverride(std::optional<bool> running);

} // namespace QWindowCompositing
