#include "app/keyapplication.h"

#include "app/qshortcutmanager.h"

bool KeyNativeEventFilter::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    return QShortCutManager::dispatchNativeEvent(eventType, message);
}

KeyApplication::KeyApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // Only the editor's frame display draws through GL: windows stay raster,
    // and the GL stack (about 50 MB and 45 ms) loads when that display is made
    // for a picture and makes its window GL-capable (widgetkit/views/qjxglwindow.h).
    setAttribute(Qt::AA_ForceRasterWidgets);
    // Hot keys reach their shortcuts from the start.
    setNativeFilter(new KeyNativeEventFilter);
    // Before the window: its first text asks for the bus.
    m_sessionBus.start();
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
