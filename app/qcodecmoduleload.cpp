#include "app/qcodecmoduleload.h"

#include "app/applog.h"
#include "widgetkit/qjxmessagebox.h"

#include "rzcodec/module.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>

QCodecModuleLoad::QCodecModuleLoad(QObject *parent) : QObject(parent) {}

QCodecModuleLoad::~QCodecModuleLoad()
{
    if (m_window)
        m_window->removeEventFilter(this);
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void QCodecModuleLoad::startAfterFirstPaint(QWidget *window)
{
    m_window = window;
    window->installEventFilter(this);
    // A window that stays hidden (started to the tray, say) paints nothing.
    QTimer::singleShot(kUnpaintedStartMs, this, &QCodecModuleLoad::start);
}

bool QCodecModuleLoad::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Paint) {
        m_window->removeEventFilter(this);
        // After the whole paint pass, the table's rows included.
        QTimer::singleShot(0, this, &QCodecModuleLoad::start);
    }
    return QObject::eventFilter(watched, event);
}

void QCodecModuleLoad::start()
{
    if (m_thread)
        return;
    m_thread = QThread::create([this] {
        QElapsedTimer clock;
        clock.start();
        const bool ok = rz_module_load() == RZ_OK;
        const qint64 ms = clock.elapsed();
        const QString reason = QString::fromUtf8(rz_module_error());
        QMetaObject::invokeMethod(this, [this, ok, ms, reason] {
            if (ok) {
                qCDebug(lcApp) << "codec layer ready after" << ms << "ms";
                emit loaded(ms);
            } else {
                emit failed(reason);
            }
        }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("codec module load"));
    m_thread->start();
}

void reportCodecModuleFailure(QWidget *window, const QString &reason)
{
    qCCritical(lcApp, "The codec module could not be loaded: %s", qPrintable(reason));
    QJXMessageBox::ShowMessage(
        window,
        QCoreApplication::translate("QCodecModuleLoad",
                                    "Velmora cannot record, play or convert: its codec module "
                                    "could not be loaded.\n%1\nPlease install the program again.")
            .arg(reason),
        QString(), QJXMessageBox::Error, QJXMessageBox::OkButton);
    QCoreApplication::exit(1);
}
