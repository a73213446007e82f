#include "app/keyapplication.h"

#include "app/qshortcutmanager.h"

bool KeyNativeEventFilter::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    return QShortCutManager::dispatchNativeEvent(eventType, message);
}

KeyApplication::KeyApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // Hot keys reach their shortcuts from the start.
    setNativeFilter(new KeyNativeEventFilter);
}

KeyApplication::~KeyApplication()
{
    setNativeFilter(nullptr);
}

void KeyApplication::setNativeFilter(QAbstractNativeEventFilter *filter)
{
    if (filter == m_filter)
        return;
    if (m_filter) {
        removeNativeEventFilter(m_filter);
        delete m_filter;
    }
    m_filter = filter;
    if (m_filter)
        installNativeEventFilter(m_filter);
}

bool KeyApplication::notify(QObject *receiver, QEvent *event)
{
    return QApplication::notify(receiver, event);
}
