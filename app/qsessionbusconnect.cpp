#include "app/qsessionbusconnect.h"

#include "app/applog.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QThread>

QSessionBusConnect::QSessionBusConnect(QObject *parent) : QObject(parent) {}

QSessionBusConnect::~QSessionBusConnect()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void QSessionBusConnect::start()
{
    if (m_thread)
        return;
    m_thread = QThread::create([this] {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        const bool ok = bus.isConnected();
        const QString text = ok ? bus.baseService() : bus.lastError().message();
        QMetaObject::invokeMethod(this, [this, ok, text] {
            m_finished = true;
            if (ok) {
                m_uniqueName = text;
                qCDebug(lcApp) << "session bus connected as" << text;
                emit connected(text);
                return;
            }
            m_reason = text;
            qCWarning(lcApp).noquote() << "The session bus cannot be reached:" << text;
            emit failed(text);
        }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("session bus connect"));
    m_thread->start();
}
