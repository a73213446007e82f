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

class QFormatFillJob : public QObject
{
    Q_OBJECT
public:
    using Filled = QList<QPair<QString, QString>>;

    explicit QFormatFillJob(QObject *parent = nullptr);
    // Waits for the worker: it must not outlive what it reports to.
    ~QFormatFillJob() override;

    void start(const QStringList &paths);

signals:
    // On the GUI thread: (path, format) of each file whose format could be read.
    void filled(const QFormatFillJob::Filled &formats);

private:
    QFutureWatcher<Filled> m_watcher;
};
