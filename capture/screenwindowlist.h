#pragma once
// The application windows on screen (normal windows and dialogs, not panels,
// docks, the desktop, menus, tips, notices or overlays), front to back, with
// their frames in screen coordinates (origin top left), read from the X server. Elsewhere (Wayland,
// offscreen) the list is empty, and a pick falls back to the whole screen.

#include <QList>
#include <QRectF>

namespace ScreenWindowList {

QList<QRectF> onScreenWindows();

} // namespace ScreenWindowList
