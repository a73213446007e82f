// The pointer, screen and window half of JxCommonInterface, over X11: the
// cursor image through XFixes, the pointer's state from the server, and the
// keep-above state through the window manager's hints, stated again each
// time the window is shown; the widget's flags report it.

#include "common/jxcommoninterface.h"

#include "app/applog.h"
#include "recorder/qaudiodriverinstaller.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QX11Info>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <memory>

namespace {

// The canvas the cursor is handed on, large enough for a usual cursor.
constexpr int kCursorCanvas = 100;

// _NET_WM_STATE client-message actions.
constexpr quint32 kStateRemove = 0;
constexpr quint32 kStateAdd = 1;
// The request comes from an application.
constexpr quint32 kSourceApplication = 1;

struct FreeDeleter
{
    void operator()(void *reply) const { std::free(reply); }
};
template<typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t *x11Connection()
{
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
}

xcb_window_t rootWindow()
{
    return static_cast<xcb_window_t>(QX11Info::appRootWindow());
}

Reply<xcb_query_pointer_reply_t> queryPointer(xcb_connection_t *connection)
{
    return Reply<xcb_query_pointer_reply_t>(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, rootWindow()), nullptr));
}

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name),
        nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

bool isMapped(xcb_connection_t *connection, xcb_window_t window)
{
    Reply<xcb_get_window_attributes_reply_t> reply(xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr));
    return reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
}

// The window manager owns the state of a mapped window: it is asked, with a
// message to the root window.
void requestState(xcb_connection_t *connection, xcb_window_t window, bool on,
                  xcb_atom_t state, xcb_atom_t first, xcb_atom_t second)
{
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = state;
    event.data.data32[0] = on ? kStateAdd : kStateRemove;
    event.data.data32[1] = first;
    event.data.data32[2] = second;
    event.data.data32[3] = kSourceApplication;
    xcb_send_event(connection, 0, rootWindow(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

// Before a window is mapped its client writes the state itself; the window
// manager reads it when the window is mapped.
void writeState(xcb_connection_t *connection, xcb_window_t window, bool on,
                xcb_atom_t state, xcb_atom_t first, xcb_atom_t second)
{
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr));
    QVector<xcb_atom_t> atoms;
    if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        for (int i = 0; i < count; ++i) {
            if (values[i] != first && values[i] != second)
                atoms.append(values[i]);
        }
    }
    if (on)
        atoms.append(first);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(atoms.size()), atoms.constData());
}

struct StateAtoms
{
    xcb_atom_t state = XCB_ATOM_NONE;
    xcb_atom_t above = XCB_ATOM_NONE;
    // Qt states the older name beside it; both go together.
    xcb_atom_t staysOnTop = XCB_ATOM_NONE;
};

StateAtoms stateAtoms(xcb_connection_t *connection)
{
    return {atom(connection, "_NET_WM_STATE"), atom(connection, "_NET_WM_STATE_ABOVE"),
            atom(connection, "_NET_WM_STATE_STAYS_ON_TOP")};
}

// Keeps one window's keep-above state across hiding and showing: the window
// manager drops the state of a withdrawn window, and Qt states only what the
// window was created with when it maps it again.
class TopHintKeeper : public QObject
{
public:
    explicit TopHintKeeper(QWidget &window) : QObject(&window), m_window(window)
    {
        setObjectName(QStringLiteral("velmora-top-hint"));
        window.installEventFilter(this);
    }

    static TopHintKeeper &of(QWidget &window)
    {
        auto *keeper = window.findChild<TopHintKeeper *>(QStringLiteral("velmora-top-hint"),
                                                         Qt::FindDirectChildrenOnly);
        return keeper ? *keeper : *new TopHintKeeper(window);
    }

    void set(bool on)
    {
        m_on = on;
        xcb_connection_t *connection = x11Connection();
        if (!connection)
            return;
        const auto xid = static_cast<xcb_window_t>(m_window.winId());
        const StateAtoms atoms = stateAtoms(connection);
        if (atoms.state == XCB_ATOM_NONE || atoms.above == XCB_ATOM_NONE) {
            qCWarning(lcApp) << "The window manager's state atoms are missing";
            return;
        }
        if (isMapped(connection, xid))
            requestState(connection, xid, on, atoms.state, atoms.above, atoms.staysOnTop);
        else
            writeState(connection, xid, on, atoms.state, atoms.above, atoms.staysOnTop);
        xcb_flush(connection);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Qt sends Show before it maps the window: the state written now is
        // what the window manager reads at the map. A window created with
        // the flag gets it stated again by Qt; the window manager is then
        // asked to drop it once the window is mapped.
        if (watched == &m_window && event->type() == QEvent::Show) {
            set(m_on);
            const QWindow *handle = m_window.windowHandle();
            if (!m_on && handle && handle->flags().testFlag(Qt::WindowStaysOnTopHint))
                QMetaObject::invokeMethod(this, [this] { set(false); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget &m_window;
    bool m_on = false;
};

void setKeepAbove(QWidget &window, bool on)
{
    // The native window is made first and its Qt flags are left alone: a
    // changed stay-on-top flag makes Qt replace the native window at the
    // next show, behind the widget's back.
    window.winId();
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    window.overrideWindowFlags(flags);
    TopHintKeeper::of(window).set(on);
}

} // namespace

QImage JxCommonInterface::getMacCursor(QPoint &hotSpot)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return QImage();
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(connection, &xcb_xfixes_id);
    if (!extension || !extension->present) {
        qCWarning(lcApp) << "The display has no XFixes extension: no cursor image";
        return QImage();
    }
    // XFixes answers only once its version has been agreed on the connection.
    Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    Reply<xcb_xfixes_get_cursor_image_reply_t> cursor(xcb_xfixes_get_cursor_image_reply(
        connection, xcb_xfixes_get_cursor_image(connection), nullptr));
    if (!version || !cursor) {
        qCWarning(lcApp) << "The display did not hand out the cursor image";
        return QImage();
    }
    const int width = cursor->width;
    const int height = cursor->height;
    // Premultiplied ARGB in native byte order, one 32-bit word a pixel.
    const QImage image(reinterpret_cast<const uchar *>(xcb_xfixes_get_cursor_image_cursor_image(cursor.get())),
                       width, height, width * 4, QImage::Format_ARGB32_Premultiplied);
    // A larger cursor widens the canvas rather than losing its edge.
    QImage canvas(qMax(kCursorCanvas, width), qMax(kCursorCanvas, height), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, image);
    painter.end();
    hotSpot = QPoint(cursor->xhot, cursor->yhot);
    return canvas;
}

bool JxCommonInterface::mouseIsPressed()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    const Reply<xcb_query_pointer_reply_t> pointer = queryPointer(connection);
    return pointer && (pointer->mask & XCB_BUTTON_MASK_1);
}

QPoint JxCommonInterface::getMousePoint()
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return QCursor::pos();
    const Reply<xcb_query_pointer_reply_t> pointer = queryPointer(connection);
    return pointer ? QPoint(pointer->root_x, pointer->root_y) : QCursor::pos();
}

QImage JxCommonInterface::NSScreenImage()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return QImage();
    const QRect desktop = screens.first()->virtualGeometry();
    QImage image(desktop.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (QScreen *screen : screens) {
        const QRect area = screen->geometry();
        painter.drawPixmap(area.topLeft() - desktop.topLeft(),
                           screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()));
    }
    return image;
}

void JxCommonInterface::setWindowTopHint(QWidget &widget, bool on)
{
    setKeepAbove(*widget.window(), on);
}

void JxCommonInterface::setWindowsIgnoresMouse(QWidget *widget)
{
    if (!widget)
        return;
    QWidget &window = *widget->window();
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::red);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setWindowOpacity(0.5);
    // Qt shapes the window's input region to nothing for this flag, so the
    // server hands clicks to what lies below.
    const Qt::WindowFlags input = Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus;
    window.winId();
    window.overrideWindowFlags(window.windowFlags() | input);
    if (QWindow *handle = window.windowHandle())
        handle->setFlags(handle->flags() | input);
    setKeepAbove(window, true);
    window.show();
    window.raise();
}

bool JxCommonInterface::installAudioDriverWithPath(const QString &path)
{
    return QAudioDriverInstaller::installAudioDriverWithPath(collapsedPath(path));
}
