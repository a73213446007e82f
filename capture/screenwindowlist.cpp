#include "capture/screenwindowlist.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> reply(T *r)
{
    return XcbReply<T>(r, &std::free);
}

} // namespace

namespace ScreenWindowList {

QList<QRectF> onScreenWindows()
{
    QList<QRectF> windows;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return windows;
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return windows;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    // The root's children come bottom to top; with a window manager they are
    // the frames, decorations included, which is what the user sees.
    auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr));
    if (tree) {
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = count - 1; i >= 0; --i) {
            auto attrs = reply(xcb_get_window_attributes_reply(
                c, xcb_get_window_attributes(c, children[i]), nullptr));
            // Overlays of our own bypass the window manager; input-only
            // windows are never seen.
            if (!attrs || attrs->map_state != XCB_MAP_STATE_VIEWABLE || attrs->override_redirect
                || attrs->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
                continue;
            auto geo = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, children[i]), nullptr));
            if (geo)
                windows.append(QRectF(geo->x, geo->y, geo->width + 2 * geo->border_width,
                                      geo->height + 2 * geo->border_width));
        }
    }
    xcb_disconnect(c);
    return windows;
}

} // namespace ScreenWindowList
