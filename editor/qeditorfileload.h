#pragma once
// Reads the edited file on a worker thread (JXMediaFileRead: size, tags,
// cover, chapters, the preview player opened), so that the edit dialog shows
// at once and fills in when loaded() comes. Deleting the job drops a read
// still running: its result, with the handles it opened, is released on the
// worker.

#include "media/jxmediafileread.h"

#include <QFutureWatcher>
#include <QObject>

#include <functional>

class QEditorFileLoad : public QObject
{
    Q_OBJECT
public:
    explicit QEditorFileLoad(QObject *parent = nullptr);

    void start(const JXMediaFileRead::Request &request);
    // Once loaded() was emitted: the result, handed over once.
    JXMediaFileRead takeResult();

    // Runs on the worker before each read (tests hold a read back with it).
    static void setReadHook(std::function<void()> hook);

signals:
    // On the GUI thread, once the file is read.
    void loaded();

private:
    QFutureWatcher<JXMediaFileRead> m_watcher;
};
