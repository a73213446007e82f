#include "app/qglobalshortcut.h"

#include "app/applog.h"

#include <QDebug>
#include <QX11Info>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>

QHash<quint64, QGlobalShortCut *> QGlobalShortCut::s_shortcuts;

namespace {

constexpr quint32 kShortcutModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL
    | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

xcb_connection_t *x11Connection()
{
    if (!QX11Info::isPlatformX11())
        return nullptr;
    return QX11Info::connection();
}

struct KeySymbolsDeleter
{
    void operator()(xcb_key_symbols_t *symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

xcb_keycode_t keycodeOf(xcb_connection_t *connection, xcb_keysym_t keysym)
{
    KeySymbols symbols(xcb_key_symbols_alloc(connection));
    if (!symbols)
        return 0;
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols.get(), keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    free(codes);
    return code;
}

// The modifier bit that NumLock sets; keyboards differ, most use Mod2.
quint32 numLockMask(xcb_connection_t *connection)
{
    const xcb_keycode_t numLock = keycodeOf(connection, XK_Num_Lock);
    xcb_get_modifier_mapping_reply_t *reply = xcb_get_modifier_mapping_reply(
        connection, xcb_get_modifier_mapping(connection), nullptr);
    if (!reply)
        return XCB_MOD_MASK_2;
    quint32 mask = 0;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8 && numLock && !mask; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (codes[modifier * perModifier + i] == numLock)
                mask = 1u << modifier;
        }
    }
    free(reply);
    return mask ? mask : quint32(XCB_MOD_MASK_2);
}

QList<quint32> lockVariants(xcb_connection_t *connection)
{
    const quint32 numLock = numLockMask(connection);
    return {0, XCB_MOD_MASK_LOCK, numLock, XCB_MOD_MASK_LOCK | numLock};
}

xcb_window_t rootWindow()
{
    return xcb_window_t(QX11Info::appRootWindow());
}

xcb_keysym_t keysymOf(Qt::Key key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20)
        return XK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Space: return XK_space;
    case Qt::Key_Plus: return XK_KP_Add;
    case Qt::Key_Minus: return XK_KP_Subtract;
    case Qt::Key_Comma: return XK_comma;
    case Qt::Key_Period: return XK_period;
    case Qt::Key_Slash: return XK_slash;
    case Qt::Key_Escape: return XK_Escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return XK_Tab;
    case Qt::Key_Backspace: return XK_BackSpace;
    case Qt::Key_Return: return XK_Return;
    case Qt::Key_Enter: return XK_KP_Enter;
    case Qt::Key_Insert: return XK_Insert;
    case Qt::Key_Delete: return XK_Delete;
    case Qt::Key_Print: return XK_Print;
    case Qt::Key_Clear: return XK_Clear;
    case Qt::Key_Home: return XK_Home;
    case Qt::Key_End: return XK_End;
    case Qt::Key_PageUp: return XK_Prior;
    case Qt::Key_PageDown: return XK_Next;
    case Qt::Key_Left: return XK_Left;
    case Qt::Key_Up: return XK_Up;
    case Qt::Key_Right: return XK_Right;
    case Qt::Key_Down: return XK_Down;
    default: return XK_VoidSymbol;
    }
}

} // namespace

QGlobalShortCut::QGlobalShortCut(QWidget *parent) : QWidget(parent), m_parent(parent) {}

QGlobalShortCut::~QGlobalShortCut()
{
    // Every grab goes, so no key stays taken from other programs.
    while (!m_grabs.isEmpty())
        release(m_grabs.size() - 1);
}

void QGlobalShortCut::setKeySequence(const QKeySequence &sequence)
{
    m_sequence = sequence;
    const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier
        | Qt::MetaModifier;
    const int first = sequence.isEmpty() ? 0 : sequence[0];
    m_current = {Qt::Key(first & ~int(all)), Qt::KeyboardModifiers(first & int(all))};
}

void QGlobalShortCut::saveTempKeyAndModifier(bool save)
{
    if (save)
        m_current = m_temp;
    else
        m_temp = m_current;
}

bool QGlobalShortCut::compareKey() const
{
    return m_current == m_temp;
}

bool QGlobalShortCut::registerHotKey()
{
    m_registered = false;
    const quint32 keycode = nativeKeycode(m_current.key);
    const quint32 modifiers = nativeModifiers(m_current.modifiers);
    if (!x11Connection()) {
        qCWarning(lcApp) << "global hot keys need an X11 display; none registered";
        return false;
    }
    if (keycode == 0) {
        qCWarning(lcApp) << "no key code for" << getShortCut() << "; hot key not registered";
        return false;
    }
    const quint64 native = nativeKey(keycode, modifiers);
    if (s_shortcuts.contains(native) || !grab(keycode, modifiers))
        return false;
    s_shortcuts.insert(native, this);
    m_grabs.append({keycode, modifiers});
    m_registered = true;
    return true;
}

bool QGlobalShortCut::unregisterHotKey()
{
    if (m_grabs.isEmpty())
        return false;
    release(m_grabs.size() - 1);
    return true;
}

bool QGlobalShortCut::unregisterHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const quint32 keycode = nativeKeycode(key);
    const quint32 mask = nativeModifiers(modifiers);
    for (int i = 0; i < m_grabs.size(); ++i) {
        if (m_grabs.at(i).keycode == keycode && m_grabs.at(i).modifiers == mask) {
            release(i);
            return true;
        }
    }
    return false;
}

void QGlobalShortCut::release(int index)
{
    const Grab held = m_grabs.takeAt(index);
    ungrab(held.keycode, held.modifiers);
    s_shortcuts.remove(nativeKey(held.keycode, held.modifiers));
    if (m_grabs.isEmpty())
        m_registered = false;
}

void QGlobalShortCut::activateShortcut()
{
    emit activated();
}

bool QGlobalShortCut::grab(quint32 keycode, quint32 modifiers)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return false;
    const QList<quint32> variants = lockVariants(connection);
    QList<quint32> taken;
    for (quint32 variant : variants) {
        xcb_generic_error_t *error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 1, rootWindow(),
                                             uint16_t(modifiers | variant), xcb_keycode_t(keycode),
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            // Another program holds it: give back the variants already taken.
            free(error);
            for (quint32 done : qAsConst(taken))
                xcb_ungrab_key(connection, xcb_keycode_t(keycode), rootWindow(),
                               uint16_t(modifiers | done));
            xcb_flush(connection);
            return false;
        }
        taken << variant;
    }
    return true;
}

void QGlobalShortCut::ungrab(quint32 keycode, quint32 modifiers)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return;
    for (quint32 variant : lockVariants(connection))
        xcb_ungrab_key(connection, xcb_keycode_t(keycode), rootWindow(),
                       uint16_t(modifiers | variant));
    xcb_flush(connection);
}

QGlobalShortCut *QGlobalShortCut::shortcutForKeyPress(quint32 keycode, quint32 state)
{
    return s_shortcuts.value(nativeKey(keycode, state & kShortcutModifiers), nullptr);
}

quint32 QGlobalShortCut::nativeModifiers(Qt::KeyboardModifiers modifiers)
{
    quint32 mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

quint32 QGlobalShortCut::nativeKeycode(Qt::Key key)
{
    xcb_connection_t *connection = x11Connection();
    const xcb_keysym_t keysym = keysymOf(key);
    if (!connection || keysym == XK_VoidSymbol)
        return 0;
    return keycodeOf(connection, keysym);
}

QString QGlobalShortCut::KeycodeConvertString(Qt::Key key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return QString(QChar(int(key)));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return QStringLiteral("F%1").arg(int(key - Qt::Key_F1) + 1);
    switch (key) {
    case Qt::Key_Space: return QStringLiteral("SPACE");
    case Qt::Key_Asterisk: return QStringLiteral("*");
    case Qt::Key_Plus: return QStringLiteral("+");
    case Qt::Key_Comma: return QStringLiteral(",");
    case Qt::Key_Minus: return QStringLiteral("-");
    case Qt::Key_Period: return QStringLiteral(".");
    case Qt::Key_Slash: return QStringLiteral("/");
    case Qt::Key_Escape: return QStringLiteral("ESC");
    case Qt::Key_Tab: return QStringLiteral("TAB");
    case Qt::Key_Backtab: return QStringLiteral("BACKTAB");
    case Qt::Key_Backspace: return QStringLiteral("BACKSPACE");
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("ENTER");
    case Qt::Key_Insert: return QStringLiteral("INSERT");
    case Qt::Key_Delete: return QStringLiteral("DELETE");
    case Qt::Key_Pause: return QStringLiteral("PAUSE");
    case Qt::Key_Print: return QStringLiteral("PRINT");
    case Qt::Key_Clear: return QStringLiteral("CLEAR");
    case Qt::Key_Home: return QStringLiteral("HOME");
    case Qt::Key_End: return QStringLiteral("END");
    case Qt::Key_Left: return QStringLiteral("LEFT");
    case Qt::Key_Up: return QStringLiteral("UP");
    case Qt::Key_Right: return QStringLiteral("RIGHT");
    case Qt::Key_Down: return QStringLiteral("DOWN");
    case Qt::Key_PageUp: return QStringLiteral("PageUp");
    case Qt::Key_PageDown: return QStringLiteral("PageDown");
    default: return QString();
    }
}

QString QGlobalShortCut::ModifiersConvertString(Qt::KeyboardModifiers modifiers)
{
    QStringList symbols;
    if (modifiers & Qt::ShiftModifier)
        symbols << QStringLiteral("⇧");
    if (modifiers & Qt::ControlModifier)
        symbols << QStringLiteral("⌘");
    if (modifiers & Qt::AltModifier)
        symbols << QStringLiteral("⌥");
    if (modifiers & Qt::MetaModifier)
        symbols << QStringLiteral("⌃");
    return symbols.join(QStringLiteral(" + "));
}

QString QGlobalShortCut::getShortCut() const
{
    return getShortCutString(m_current.key, m_current.modifiers);
}

QString QGlobalShortCut::getShortCutString(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const QString prefix = ModifiersConvertString(modifiers);
    return prefix.isEmpty() ? KeycodeConvertString(key)
                            : prefix + QStringLiteral(" + ") + KeycodeConvertString(key);
}

bool QGlobalShortCut::analysisKeyAndmodifier(const QString &text, Qt::Key &key,
                                             Qt::KeyboardModifiers &modifiers)
{
    const int star = text.indexOf('*');
    if (star < 0)
        return false;
    modifiers = Qt::KeyboardModifiers(text.left(star).toInt());
    key = Qt::Key(text.mid(star + 1).toInt());
    return true;
}
