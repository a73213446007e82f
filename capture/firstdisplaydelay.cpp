#include "capture/firstdisplaydelay.h"

#include <QWidget>

namespace {
constexpr int kDelayMs = 100;
}

FirstDisplayDelay::FirstDisplayDelay(QWidget *view) : QObject(view), m_view(view)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelayMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_ready = true;
        m_view->update();
    });
}

bool FirstDisplayDelay::ready()
{
    if (!m_ready && !m_timer.isActive())
        m_timer.start();
    return m_ready;
}
