#pragma once
// Deletes recordings from the disk and then the folders this leaves empty,
// upwards, but never the output folder, a folder above it, or the folder
// the history names as the recording's bound. A job deletes its files on a
// worker, so that the window never waits for the disk, and reports what
// became of each file.

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

class QFileDisposal : public QObject
{
    Q_OBJECT
public:
    // A file to delete and the folder its emptied folders stop below.
    struct Request
    {
        QString path;
        QString bound;
    };
    // What became of one file: gone (deleted, or no longer there), or not
    // and why.
    struct Outcome
    {
        QString path;
        bool gone = false;
        QString reason;
    };
    using Outcomes = QVector<Outcome>;

    explicit QFileDisposal(QObject *parent = nullptr);
    // Waits for the worker: a file it deleted must not be left listed.
    ~QFileDisposal() override;

    // Deletes the files on a worker, in order; `disposed` tells how each went.
    void start(const QVector<Request> &files, const QString &outputFolder);
    // Waits for the worker and hands over what `disposed` would (once; at
    // a close, when no signal can be heard any more).
    Outcomes finish();

    // Removes one file, then its emptied folders; stops below `bound` (when
    // set) and below the output folder. A folder holding anything, hidden
    // files included, stays. True when the file is gone (also when it was
    // already); else reason says why it is not.
    static bool disposeFile(const QString &path, const QString &bound, const QString &outputFolder,
                            QString *reason = nullptr);

    // The same at once for a few files of the program's own making (a
    // discarded recording, an edit's cut segments); a file that stays is
    // logged.
    static void disposeFiles(const QStringList &paths);

    // "\" and "//" become "/", ending in "/".
    static QString folderText(const QString &folder);

signals:
    // On the thread that started the job, once all its files were tried.
    void disposed(const QFileDisposal::Outcomes &outcomes);

private:
    QFutureWatcher<Outcomes> m_watcher;
    bool m_taken = false;
};
