#include "capture/screenwindowlist.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
XcbReply<T> reply(T *r)
{
    return XcbReply<T>(r, &std::free);
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto r = reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The window types a user can mean by "a window": an application's own
// windows and its dialogs. Every other type the desktop defines is a panel,
// the desktop itself, a menu, a tip or a notice.
struct WindowTypes
{
    explicit WindowTypes(xcb_connection_t *c)
        : property(atom(c, "_NET_WM_WINDOW_TYPE")), wmState(atom(c, "WM_STATE"))
    {
        for (const char *name : {"_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DIALOG"})
            wanted.push_back(atom(c, name));
        for (const char *name :
             {"_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_WINDOW_TYPE_TOOLBAR",
              "_NET_WM_WINDOW_TYPE_MENU", "_NET_WM_WINDOW_TYPE_UTILITY", "_NET_WM_WINDOW_TYPE_SPLASH",
              "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
              "_NET_WM_WINDOW_TYPE_TOOLTIP", "_NET_WM_WINDOW_TYPE_NOTIFICATION",
              "_NET_WM_WINDOW_TYPE_COMBO", "_NET_WM_WINDOW_TYPE_DND"})
            unwanted.push_back(atom(c, name));
    }

    static bool holds(const std::vector<xcb_atom_t> &list, xcb_atom_t a)
    {
        return a != XCB_ATOM_NONE && std::find(list.begin(), list.end(), a) != list.end();
    }

    // The first type of the list that is known decides (the list runs from
    // the most to the least wanted); no known type at all is a normal window.
    bool isApplicationWindow(xcb_connection_t *c, xcb_window_t w) const
    {
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, property, XCB_ATOM_ATOM, 0, 32), nullptr));
        if (!r || r->format != 32)
            return true;
        const auto *types = static_cast<const xcb_atom_t *>(xcb_get_property_value(r.get()));
        const int count = xcb_get_property_value_length(r.get()) / 4;
        for (int i = 0; i < count; ++i) {
            if (holds(wanted, types[i]))
                return true;
            if (holds(unwanted, types[i]))
                return false;
        }
        return true;
    }

    bool hasWmState(xcb_connection_t *c, xcb_window_t w) const
    {
        if (wmState == XCB_ATOM_NONE)
            return false;
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
        return r && r->type != XCB_ATOM_NONE;
    }

    // A window manager puts each application window into a frame of its own;
    // the window's type is on the application's window, the one that carries
    // WM_STATE. Without a window manager the top-level window is it.
    xcb_window_t client(xcb_connection_t *c, xcb_window_t w, int depth = 0) const
    {
        if (hasWmState(c, w))
            return w;
        if (depth < 3) {
            auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
            if (tree) {
                const xcb_window_t *children = xcb_query_tree_children(tree.get());
                const int count = xcb_query_tree_children_length(tree.get());
                for (int i = count - 1; i >= 0; --i) {
                    const xcb_window_t found = client(c, children[i], depth + 1);
                    if (found != XCB_WINDOW_NONE)
                        return found;
                }
            }
        }
        return depth == 0 ? w : xcb_window_t(XCB_WINDOW_NONE);
    }

    xcb_atom_t property;
    xcb_atom_t wmState;
    std::vector<xcb_atom_t> wanted;
    std::vector<xcb_atom_t> unwanted;
};

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
    const WindowTypes types(c);
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
            if (!types.isApplicationWindow(c, types.client(c, children[i])))
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
