#pragma once
// One system-wide keyboard shortcut: an X11 passive key grab on the root
// window (with the NumLock and CapsLock variants, so the lock keys don't
// matter), reported through the application's native event filter as
// activated(). Where the window system has no global keys (Wayland,
// offscreen), registering fails and nothing is grabbed.

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QWidget>

using ShortCutType = int;

class QGlobalShortCut : public QWidget
{
    Q_OBJECT
public:
    explicit QGlobalShortCut(QWidget *parent = nullptr);
    ~QGlobalShortCut() override;   // releases every grab it holds

    void setIndex(int index) { m_index = index; }
    int Index() const { return m_index; }
    // The type is the hot key's identifier.
    void setShortcutType(ShortCutType type) { m_type = type; }
    ShortCutType getShortcutType() const { return m_type; }
    // The current, the edited and the default key with modifiers.
    void setKeyAndModifiers(Qt::Key key, Qt::KeyboardModifiers modifiers) { m_current = {key, modifiers}; }
    void getKeyAndModifiers(Qt::Key &key, Qt::KeyboardModifiers &modifiers) const { m_current.get(key, modifiers); }
    void setTempKeyAndModifier(Qt::Key key, Qt::KeyboardModifiers modifiers) { m_temp = {key, modifiers}; }
    void getTempKeyAndModifier(Qt::Key &key, Qt::KeyboardModifiers &modifiers) const { m_temp.get(key, modifiers); }
    void setDefaulKeyAndModifier(Qt::Key key, Qt::KeyboardModifiers modifiers) { m_default = {key, modifiers}; }
    void getDefaulKeyAndModifier(Qt::Key &key, Qt::KeyboardModifiers &modifiers) const { m_default.get(key, modifiers); }
    bool isRegisterSuccess() const { return m_registered; }

    // The first key of the sequence without Shift, Control, Alt and Meta
    // becomes the key, those bits the modifiers.
    void setKeySequence(const QKeySequence &sequence);
    QKeySequence keySequence() const { return m_sequence; }
    // True copies the value being edited into the current one, false back.
    void saveTempKeyAndModifier(bool save);
    bool compareKey() const;

    // Grabs the current key and modifiers; false for a key without a key
    // code, one held by another shortcut or program, or no X11 display.
    bool registerHotKey();
    // Releases the last grab; false when none is held.
    bool unregisterHotKey();
    bool unregisterHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers);
    void activateShortcut();

    // X11 modifier mask and key code; the key code is 0 for a key that has
    // none here (such keys are never grabbed).
    static quint32 nativeModifiers(Qt::KeyboardModifiers modifiers);
    static quint32 nativeKeycode(Qt::Key key);

    static QString KeycodeConvertString(Qt::Key key);
    static QString ModifiersConvertString(Qt::KeyboardModifiers modifiers);
    QString getShortCut() const;
    static QString getShortCutString(Qt::Key key, Qt::KeyboardModifiers modifiers);
    // Reads the stored form "<modifier bits>*<key>"; false without a "*".
    static bool analysisKeyAndmodifier(const QString &text, Qt::Key &key,
                                       Qt::KeyboardModifiers &modifiers);

    // The shortcut whose grab a key press with this code and modifier state
    // matches (lock keys ignored), or null.
    static QGlobalShortCut *shortcutForKeyPress(quint32 keycode, quint32 state);

signals:
    void activated();

private:
    struct Chord
    {
        Qt::Key key = Qt::Key_unknown;
        Qt::KeyboardModifiers modifiers;
        void get(Qt::Key &k, Qt::KeyboardModifiers &m) const
        {
            k = key;
            m = modifiers;
        }
        bool operator==(const Chord &other) const
        {
            return key == other.key && modifiers == other.modifiers;
        }
    };
    struct Grab
    {
        quint32 keycode;
        quint32 modifiers;
    };
    static quint64 nativeKey(quint32 keycode, quint32 modifiers)
    {
        return quint64(modifiers) << 32 | keycode;
    }
    static bool grab(quint32 keycode, quint32 modifiers);
    static void ungrab(quint32 keycode, quint32 modifiers);
    void release(int index);

    static QHash<quint64, QGlobalShortCut *> s_shortcuts;

    QWidget *m_parent;
    QKeySequence m_sequence;
    Chord m_current;
    Chord m_temp;
    Chord m_default;
    int m_index = -1;
    ShortCutType m_type = 0;
    QList<Grab> m_grabs;
    bool m_registered = false;
};
