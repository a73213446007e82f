#pragma once
// Overlays draw nothing when first shown and appear 100 ms later, so the
// window system has placed them before anything becomes visible.

#include <QObject>
#include <QTimer>

class QWidget;

class FirstDisplayDelay : public QObject
{
    Q_OBJECT
public:
    explicit FirstDisplayDelay(QWidget *view);

    // Called from paint: false until the delay has run, which it starts.
    bool ready();
    // Showing or hiding starts the delay afresh.
    void reset() { m_ready = false; }

private:
    QWidget *m_view;
    QTimer m_timer;
    bool m_ready = false;
};
