#include "app/qinfofilewrite.h"

#include "app/applog.h"
#include "common/jxcommoninterface.h"

#include <QThread>

QInfoFileWrite::QInfoFileWrite(QObject *parent) : QObject(parent) {}

QInfoFileWrite::~QInfoFileWrite()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void QInfoFileWrite::start(const QString &path)
{
    if (m_thread)
        return;
    m_thread = QThread::create([this, path] {
        const bool written = JxCommonInterface::InitInfoToFile(path.toUtf8().constData());
        QMetaObject::invokeMethod(this, [this, written, path] {
            m_finished = true;
            if (!written)
                qCWarning(lcApp).noquote() << "Cannot write the information file" << path;
            emit finished(written);
        }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("information file write"));
    m_thread->start();
}
