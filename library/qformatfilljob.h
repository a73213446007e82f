#pragma once
// Reads the container format of recordings whose history record lacks it, on
// a worker thread: opening each file through the codec layer is disk work,
// and the first such call loads the codec layer, so none of it belongs in the
// window's start. The GUI thread hears the answers by a signal.

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QFormatFillJob : public QObject
{
    Q_OBJECT
public:
    using Filled = QList<QPair<QString, QString>>;
    // The container name of one file, empty when it cannot be read; called
    // on the worker.
    using Reader = std::function<QString(const QString &)>;

    explicit QFormatFillJob(QObject *parent = nullptr, Reader reader = {});
    // Cancels, then waits for the file being read: the worker must not
    // outlive what it reports to, and a close must not wait for the rest.
    ~QFormatFillJob() override;

    void start(const QStringList &paths);
    // The worker stops before its next file; nothing is reported but the end.
    void cancel();

signals:
    // On the GUI thread: (path, format) of each file whose format could be read.
    void filled(const QFormatFillJob::Filled &formats);
    // On the GUI thread, once the worker has ended, cancelled or not (after
    // filled): the owner may delete the job from here.
    void finished();

private:
    QFutureWatcher<Filled> m_watcher;
    Reader m_reader;
    // Shared with the worker, which may still read it after a cancel.
    std::shared_ptr<std::atomic<bool>> m_cancelled = std::make_shared<std::atomic<bool>>(false);
};
