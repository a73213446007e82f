#include "library/qformatfilljob.h"

#include "library/qrecordingprobe.h"

#include <QtConcurrent>

QFormatFillJob::QFormatFillJob(QObject *parent, Reader reader)
    : QObject(parent)
    , m_reader(reader ? std::move(reader) : Reader(&QRecordingProbe::containerName))
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (!m_cancelled->load())
            emit filled(m_watcher.result());
        emit finished();
    });
}

QFormatFillJob::~QFormatFillJob()
{
    cancel();
    m_watcher.waitForFinished();
}

void QFormatFillJob::cancel()
{
    m_cancelled->store(true);
}

void QFormatFillJob::start(const QStringList &paths)
{
    m_watcher.setFuture(QtConcurrent::run([paths, reader = m_reader, cancelled = m_cancelled] {
        Filled formats;
        for (const QString &path : paths) {
            if (cancelled->load())
                break;
            const QString format = reader(path);
            if (!format.isEmpty())
                formats.append({path, format});
        }
        return formats;
    }));
}
