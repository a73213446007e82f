#include "library/qrecordingrecoveryjob.h"

#include <QMutex>
#include <QSet>
#include <QtConcurrent>

namespace {

// Paths under repair in this process: a second window must not repair the
// same file while the first one's worker writes it.
QMutex &repairingMutex()
{
    static QMutex mutex;
    return mutex;
}

QSet<QString> &repairing()
{
    static QSet<QString> paths;
    return paths;
}

} // namespace

QRecordingRecoveryJob::QRecordingRecoveryJob(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QRecordingRecoveryJob::onRepaired);
}

QList<QRecordingMarker::Entry> QRecordingRecoveryJob::start(const QList<QRecordingMarker::Entry> &marked)
{
    QList<QRecordingMarker::Entry> taken;
    {
        QMutexLocker lock(&repairingMutex());
        for (const QRecordingMarker::Entry &e : marked) {
            if (repairing().contains(e.info.convertedPath))
                continue;
            repairing().insert(e.info.convertedPath);
            taken << e;
        }
    }
    if (taken.isEmpty())
        return taken;
    // The worker lets its paths go itself: this job may be gone by then (the
    // result is then dropped, and the marks stay for the next start).
    m_watcher.setFuture(QtConcurrent::run([taken] {
        const QList<QRecordingRecovery::Repaired> repaired = QRecordingRecovery::repair(taken);
        QMutexLocker lock(&repairingMutex());
        for (const QRecordingMarker::Entry &e : taken)
            repairing().remove(e.info.convertedPath);
        return repaired;
    }));
    return taken;
}

bool QRecordingRecoveryJob::isRunning() const
{
    return m_watcher.isRunning();
}

void QRecordingRecoveryJob::onRepaired()
{
    emit recovered(QRecordingRecovery::record(m_watcher.result()));
}
