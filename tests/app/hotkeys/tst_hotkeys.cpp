// Global hot keys on a virtual X display: a grabbed key pressed with xdotool
// reaches its shortcut through the application's native event filter once,
// whatever NumLock and CapsLock say; another X client can't take a held key,
// and can once it is released; keys without a key code and displays without
// global keys refuse registration. Texts, the stored form and the manager's
// list.
#include "app/keyapplication.h"
#include "app/qglobalshortcut.h"
#include "app/qshortcutmanager.h"

#include <QProcess>
#include <QX11Info>
#include <QtTest>

#include <xcb/xcb.h>

namespace {

bool xdotool(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// A round trip to the server, then the events it sent before answering.
void syncWithServer()
{
    xcb_connection_t *connection = QX11Info::connection();
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

quint16 pointerModifierState()
{
    xcb_connection_t *connection = QX11Info::connection();
    xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(
        connection, xcb_query_pointer(connection, xcb_window_t(QX11Info::appRootWindow())),
        nullptr);
    const quint16 mask = reply ? reply->mask : 0;
    free(reply);
    return mask;
}

// A second X client, as another program would be.
class OtherClient
{
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool grab(quint32 keycode, quint32 modifiers)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_generic_error_t *error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, root, uint16_t(modifiers),
                                               xcb_keycode_t(keycode), XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
        free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t *m_connection;
};

} // namespace

class HotKeysTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QShortCutManager::getShortCutManagerObject(nullptr)->ClearItems(); }

    void textsAndStoredForm()
    {
        using S = QGlobalShortCut;
        QCOMPARE(S::getShortCutString(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier),
                 QStringLiteral("⇧ + ⌘ + S"));
        QCOMPARE(S::getShortCutString(Qt::Key_F5, Qt::NoModifier), QStringLiteral("F5"));
        QCOMPARE(S::getShortCutString(Qt::Key(0), Qt::AltModifier), QStringLiteral("⌥ + "));
        QCOMPARE(S::getShortCutString(Qt::Key_Enter, Qt::MetaModifier), QStringLiteral("⌃ + ENTER"));
        QCOMPARE(S::KeycodeConvertString(Qt::Key_Launch0), QString());

        Qt::Key key = Qt::Key_A;
        Qt::KeyboardModifiers modifiers = Qt::AltModifier;
        QVERIFY(!S::analysisKeyAndmodifier("8388608", key, modifiers));
        QCOMPARE(key, Qt::Key_A);
        QCOMPARE(modifiers, Qt::KeyboardModifiers(Qt::AltModifier));
        QVERIFY(S::analysisKeyAndmodifier("33554432*83", key, modifiers));
        QCOMPARE(key, Qt::Key_S);
        QCOMPARE(modifiers, Qt::KeyboardModifiers(Qt::ShiftModifier));

        S shortcut;
        shortcut.setKeySequence(QKeySequence("Ctrl+Shift+K"));
        shortcut.getKeyAndModifiers(key, modifiers);
        QCOMPARE(key, Qt::Key_K);
        QCOMPARE(modifiers, Qt::ControlModifier | Qt::ShiftModifier);
        shortcut.setTempKeyAndModifier(Qt::Key_L, Qt::AltModifier);
        QVERIFY(!shortcut.compareKey());
        shortcut.saveTempKeyAndModifier(true);
        QVERIFY(shortcut.compareKey());
        QCOMPARE(shortcut.getShortCut(), QStringLiteral("⌥ + L"));
        shortcut.setKeySequence(QKeySequence());
        shortcut.getKeyAndModifiers(key, modifiers);
        QCOMPARE(int(key), 0);
        QCOMPARE(modifiers, Qt::KeyboardModifiers());
    }

    void managerKeepsOrderAndIndexes()
    {
        QShortCutManager *manager = QShortCutManager::getShortCutManagerObject(nullptr);
        QCOMPARE(QShortCutManager::getShortCutManagerObject(this), manager);
        auto *a = new QGlobalShortCut, *b = new QGlobalShortCut, *c = new QGlobalShortCut;
        a->setShortcutType(1);
        b->setShortcutType(2);
        c->setShortcutType(2);
        manager->addConverItem(a, 0);
        manager->addConverItem(b, 5);
        manager->addConverItem(c, 0);
        QCOMPARE(manager->GetItemCount(), 3);
        QCOMPARE(manager->GetItem(0), c);
        QCOMPARE(QVector<int>({c->Index(), a->Index(), b->Index()}), QVector<int>({0, 1, 2}));
        QCOMPARE(manager->GetItemForType(2), c);
        QCOMPARE(manager->GetItemForType(9), static_cast<QGlobalShortCut *>(nullptr));
        QCOMPARE(manager->GetItem(3), static_cast<QGlobalShortCut *>(nullptr));
        manager->swapItem(0, 2);
        QCOMPARE(manager->GetItemIndex(b), 0);
        QPointer<QGlobalShortCut> watched(b);
        manager->DeleteItemAt(0);
        QVERIFY(watched.isNull());
        QCOMPARE(a->Index(), 0);
        QCOMPARE(c->Index(), 1);
        manager->RemoveOne(a);
        QCOMPARE(manager->GetItemCount(), 1);
        delete a;
        QCOMPARE(manager->GetItemCount(), 1);

        // Deleted with its parent widget, a shortcut leaves the list.
        auto *owner = new QWidget;
        auto *owned = new QGlobalShortCut(owner);
        manager->addConverItem(owned, 0);
        QCOMPARE(c->Index(), 1);
        delete owner;
        QCOMPARE(manager->GetItemCount(), 1);
        QCOMPARE(manager->GetItem(0), c);
        QCOMPARE(c->Index(), 0);
        manager->ClearItems();
        QCOMPARE(manager->GetItemCount(), 0);
    }

    void grabbedKeyFiresOnceWhateverTheLocks()
    {
        auto *shortcut = new QGlobalShortCut;
        shortcut->setShortcutType(7);
        shortcut->setKeyAndModifiers(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(shortcut->registerHotKey());
        QVERIFY(shortcut->isRegisterSuccess());
        QShortCutManager::getShortCutManagerObject(nullptr)->addConverItem(shortcut, -1);
        QSignalSpy fired(shortcut, &QGlobalShortCut::activated);

        QVERIFY(xdotool({"key", "ctrl+alt+k"}));
        QTRY_COMPARE(fired.count(), 1);
        syncWithServer();
        QCOMPARE(fired.count(), 1);

        QVERIFY(xdotool({"key", "Num_Lock"}));
        QTRY_VERIFY(pointerModifierState() & XCB_MOD_MASK_2);
        QVERIFY(xdotool({"key", "ctrl+alt+k"}));
        QTRY_COMPARE(fired.count(), 2);
        QVERIFY(xdotool({"key", "Caps_Lock"}));
        QTRY_VERIFY(pointerModifierState() & XCB_MOD_MASK_LOCK);
        QVERIFY(xdotool({"key", "ctrl+alt+k"}));
        QTRY_COMPARE(fired.count(), 3);
        QVERIFY(xdotool({"key", "Num_Lock", "Caps_Lock"}));
        QTRY_VERIFY(!(pointerModifierState() & (XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK)));

        // Other keys and other modifiers pass by.
        QVERIFY(xdotool({"key", "ctrl+k", "alt+k", "ctrl+alt+shift+k"}));
        syncWithServer();
        QCOMPARE(fired.count(), 3);
    }

    void heldKeyFiresOnceThroughItsRepeats()
    {
        auto *shortcut = new QGlobalShortCut;
        shortcut->setShortcutType(8);
        shortcut->setKeyAndModifiers(Qt::Key_F7, Qt::ShiftModifier);
        QVERIFY(shortcut->registerHotKey());
        QShortCutManager::getShortCutManagerObject(nullptr)->addConverItem(shortcut, -1);
        QSignalSpy fired(shortcut, &QGlobalShortCut::activated);

        // The events a held key sends, as the server would deliver them.
        const quint32 code = QGlobalShortCut::nativeKeycode(Qt::Key_F7);
        auto send = [&](uint8_t type, xcb_timestamp_t time, quint16 state) {
            xcb_key_press_event_t event{};
            event.response_type = type;
            event.detail = xcb_keycode_t(code);
            event.time = time;
            event.state = state;
            return QShortCutManager::dispatchNativeEvent("xcb_generic_event_t", &event);
        };
        const quint16 shift = XCB_MOD_MASK_SHIFT;
        // Repeats as presses alone.
        QVERIFY(send(XCB_KEY_PRESS, 100, shift));
        QVERIFY(send(XCB_KEY_PRESS, 130, shift));
        QVERIFY(send(XCB_KEY_PRESS, 160, shift));
        QVERIFY(send(XCB_KEY_RELEASE, 190, shift));
        QCOMPARE(fired.count(), 1);
        // Repeats as release and press with one time stamp.
        QVERIFY(send(XCB_KEY_PRESS, 300, shift));
        QVERIFY(send(XCB_KEY_RELEASE, 330, shift));
        QVERIFY(send(XCB_KEY_PRESS, 330, shift));
        QVERIFY(send(XCB_KEY_RELEASE, 360, shift));
        QVERIFY(send(XCB_KEY_PRESS, 360, shift));
        QCOMPARE(fired.count(), 2);
        // Shift let go first: the key's release still ends the hold.
        QVERIFY(!send(XCB_KEY_RELEASE, 400, 0));
        QVERIFY(send(XCB_KEY_PRESS, 500, shift | XCB_MOD_MASK_2));
        QCOMPARE(fired.count(), 3);
        QVERIFY(!send(XCB_KEY_PRESS, 600, 0));
        QCOMPARE(fired.count(), 3);
    }

    void heldKeyIsRefusedToOthersUntilReleased()
    {
        const quint32 keycode = QGlobalShortCut::nativeKeycode(Qt::Key_J);
        const quint32 modifiers = QGlobalShortCut::nativeModifiers(Qt::ControlModifier);
        QVERIFY(keycode != 0);
        QGlobalShortCut shortcut;
        shortcut.setKeyAndModifiers(Qt::Key_J, Qt::ControlModifier);
        QVERIFY(shortcut.registerHotKey());

        QGlobalShortCut sameKey;
        sameKey.setKeyAndModifiers(Qt::Key_J, Qt::ControlModifier);
        QVERIFY(!sameKey.registerHotKey());
        QVERIFY(!sameKey.isRegisterSuccess());
        {
            OtherClient other;
            QVERIFY(!other.grab(keycode, modifiers));
        }
        QVERIFY(shortcut.unregisterHotKey());
        QVERIFY(!shortcut.isRegisterSuccess());
        QVERIFY(!shortcut.unregisterHotKey());

        OtherClient other;
        QVERIFY(other.grab(keycode, modifiers));
        QVERIFY(!shortcut.registerHotKey());
        QVERIFY(!shortcut.isRegisterSuccess());
    }

    void keyWithoutKeyCodeIsRefused()
    {
        QCOMPARE(QGlobalShortCut::nativeKeycode(Qt::Key_Launch0), quint32(0));
        QGlobalShortCut shortcut;
        shortcut.setKeyAndModifiers(Qt::Key_Launch0, Qt::ControlModifier);
        QVERIFY(!shortcut.registerHotKey());
        QVERIFY(!shortcut.isRegisterSuccess());
        QVERIFY(!shortcut.unregisterHotKey());
        // Key code 0 stands for no key: nothing answers a press of it.
        QCOMPARE(QGlobalShortCut::shortcutForKeyPress(0, XCB_MOD_MASK_CONTROL),
                 static_cast<QGlobalShortCut *>(nullptr));
    }

    void offscreenRegistersNothing()
    {
        if (qEnvironmentVariableIsSet("VELMORA_HOTKEYS_CHILD")) {
            QVERIFY(!QX11Info::isPlatformX11());
            QGlobalShortCut shortcut;
            shortcut.setKeyAndModifiers(Qt::Key_K, Qt::ControlModifier);
            QVERIFY(!shortcut.registerHotKey());
            QVERIFY(!shortcut.isRegisterSuccess());
            QCOMPARE(QGlobalShortCut::nativeKeycode(Qt::Key_K), quint32(0));
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELMORA_HOTKEYS_CHILD", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"offscreenRegistersNothing"});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
    }
};

int main(int argc, char **argv)
{
    // Key presses reach the shortcuts through the filter the application
    // object installs itself.
    KeyApplication app(argc, argv);
    HotKeysTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_hotkeys.moc"
