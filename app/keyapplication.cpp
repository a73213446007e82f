#include "app/keyapplication.h"

bool KeyNativeEventFilter::nativeEventFilter(const QByteArray &, void *, long *)
{
    return false;
}

KeyApplication::KeyApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
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
