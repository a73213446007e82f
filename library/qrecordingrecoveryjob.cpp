#include "library/qrecordingrecoveryjob.h"

#include "common/qvideosettingxml.h"

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
    const QRecordingRecovery::Recorded recorded = QRecordingRecovery::record(m_watcher.result());
    // The marks go once the records are safely in the file; a job gone
    // before leaves them for the next start, which finds the records.
    QVideoSettingXml::whenHistoryWritten(this, [recorded](bool written, const QString &reason) {
        QRecordingRecovery::settle(recorded, written, reason);
    });
    emit recovered(recorded.listed);
}
