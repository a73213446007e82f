#include "editor/qeditorfileload.h"

#include <QMutex>
#include <QtConcurrent>

namespace {

QMutex g_hookLock;
std::function<void()> g_readHook;

std::function<void()> readHook()
{
    QMutexLocker lock(&g_hookLock);
    return g_readHook;
}

JXMediaFileRead readFile(const JXMediaFileRead::Request &request)
{
    if (const std::function<void()> hook = readHook())
        hook();
    return JXMediaFileRead::read(request);
}

} // namespace

QEditorFileLoad::QEditorFileLoad(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &QEditorFileLoad::loaded);
}

void QEditorFileLoad::start(const JXMediaFileRead::Request &request)
{
    m_watcher.setFuture(QtConcurrent::run(&readFile, request));
}

JXMediaFileRead QEditorFileLoad::takeResult()
{
    if (!m_watcher.future().isFinished() || m_watcher.future().resultCount() == 0)
        return JXMediaFileRead();
    JXMediaFileRead result = m_watcher.result();
    // The future lets its copy (and the handles' last other owner) go.
    disconnect(&m_watcher, nullptr, this, nullptr);
    m_watcher.setFuture(QFuture<JXMediaFileRead>());
    return result;
}

void QEditorFileLoad::setReadHook(std::function<void()> hook)
{
    QMutexLocker lock(&g_hookLock);
    g_readHook = std::move(hook);
}
