#pragma once
// What the X server says about windows, read on Qt's own connection, and a
// plain window of one colour for the desktop tests.

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QVector>
#include <QWidget>
#include <QX11Info>

#include <xcb/xcb.h>

#include <cstdlib>

namespace X11Probe {

inline xcb_atom_t atom(const char *name)
{
    xcb_connection_t *connection = QX11Info::connection();
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// The 32-bit values of a window's property, empty when it has none.
inline QVector<quint32> windowProperty(xcb_window_t window, const char *name, xcb_atom_t type)
{
    xcb_connection_t *connection = QX11Info::connection();
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, atom(name), type, 0, 1024), nullptr);
    QVector<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply));
        for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
            values.append(data[i]);
    }
    std::free(reply);
    return values;
}

inline bool keptAbove(const QWidget &widget)
{
    return windowProperty(static_cast<xcb_window_t>(widget.winId()), "_NET_WM_STATE", XCB_ATOM_ATOM)
        .contains(atom("_NET_WM_STATE_ABOVE"));
}

inline bool windowManagerRuns()
{
    return !windowProperty(static_cast<xcb_window_t>(QX11Info::appRootWindow()), "_NET_SUPPORTING_WM_CHECK",
                     XCB_ATOM_WINDOW)
                .isEmpty();
}

// A frameless window of one colour at a place of its own.
class Panel : public QWidget
{
public:
    Panel(const QRect &geometry, const QColor &colour)
    {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        QPalette p = palette();
        p.setColor(QPalette::Window, colour);
        setPalette(p);
        setAutoFillBackground(true);
        setGeometry(geometry);
    }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace X11Probe
