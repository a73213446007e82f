#pragma once
// The up and down image buttons of the spin box and the time editors:
// placing them by margins, and stepping repeatedly while one is held
// (a wait of about 700 ms, then one step every 100 ms).

#include <QMargins>
#include <QObject>

class QAbstractSpinBox;
class QJXBaseButton;
class QTimerEvent;

class QJXSpinButtons
{
public:
    static constexpr int kRepeatInterval = 100;
    static constexpr int kWaitTicks = 6;

    explicit QJXSpinButtons(QAbstractSpinBox *owner);
    ~QJXSpinButtons();
    QJXSpinButtons(const QJXSpinButtons &) = delete;
    QJXSpinButtons &operator=(const QJXSpinButtons &) = delete;

    // Deletes the current buttons; creates new ones when the up image exists.
    // Returns whether buttons exist afterwards.
    bool setImages(const QString &up, const QString &down, bool keepSize);
    QJXBaseButton *upButton() const;
    QJXBaseButton *downButton() const;
    void setMargins(int left, int top, int right, int bottom);
    QMargins margins() const;
    void place();

    void press(QObject *sender);
    void release();
    // True when the event was the repeat timer (then one step may have been taken).
    bool timerEvent(QTimerEvent *event);
    bool isRepeating() const;

private:
    QAbstractSpinBox *m_owner;
    QJXBaseButton *m_up = nullptr;
    QJXBaseButton *m_down = nullptr;
    qint16 m_margins[4] = {-1, 0, 0, 0};
    bool m_autoLeft = true;
    bool m_keepSize = true;
    int m_timer = 0;
    bool m_stepUp = true;
    int m_ticks = 0;
};
