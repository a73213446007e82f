#include "library/qformatfilljob.h"

#include "library/qrecordingprobe.h"

#include <QtConcurrent>

QFormatFillJob::QFormatFillJob(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this,
            [this] { emit filled(m_watcher.result()); });
}

QFormatFillJob::~QFormatFillJob()
{
    m_watcher.waitForFinished();
}

void QFormatFillJob::start(const QStringList &paths)
{
    m_watcher.setFuture(QtConcurrent::run([paths] {
        Filled formats;
        for (const QString &path : paths) {
            const QString format = QRecordingProbe::containerName(path);
            if (!format.isEmpty())
                formats.append({path, format});
        }
        return formats;
    }));
}
