#pragma once
// Repairs the interrupted recordings found at start on a worker thread, so
// that a long file (seconds to repair) never holds the window up; the GUI
// thread then records them in the history and hears of them by a signal. A
// recording another job of this process is still repairing is left to it.

#include "common/convertedinfo.h"
#include "common/qrecordingmarker.h"
#include "library/qrecordingrecovery.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>

class QRecordingRecoveryJob : public QObject
{
    Q_OBJECT
public:
    explicit QRecordingRecoveryJob(QObject *parent = nullptr);

    // Starts repairing the marked recordings that no other job has; those
    // are returned. Nothing to repair: nothing starts and nothing is signalled.
    QList<QRecordingMarker::Entry> start(const QList<QRecordingMarker::Entry> &marked);
    bool isRunning() const;

signals:
    // On the GUI thread, once the recordings are repaired and recorded: the
    // records now in the history (empty when none could be repaired). Their
    // marks go once the history file holds them.
    void recovered(QList<convertedInfo> records);

private:
    void onRepaired();

    QFutureWatcher<QList<QRecordingRecovery::Repaired>> m_watcher;
};
