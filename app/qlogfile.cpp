#include "app/qlogfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRecursiveMutex>

#include <cstdio>

namespace {

struct LogState
{
    QRecursiveMutex mutex;
    QtMessageHandler previous = nullptr;
    bool installed = false;
    QString path;
    qint64 limit = QLogFile::kDefaultLimit;
    QFile file;
    qint64 size = 0;
    // Set while a line is written, so that a line logged inside the write
    // (the mutex is recursive) is not written into itself.
    bool writing = false;
};

LogState &state()
{
    static LogState s;
    return s;
}

const char *typeName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return "?";
}

// The caller holds the mutex.
bool openLocked(LogState &s)
{
    s.file.close();
    s.file.setFileName(s.path);
    QDir().mkpath(QFileInfo(s.path).absolutePath());
    if (!s.file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        std::fprintf(stderr, "log: cannot write %s: %s\n", qPrintable(s.path), qPrintable(s.file.errorString()));
        return false;
    }
    s.size = s.file.size();
    return true;
}

void rotateLocked(LogState &s)
{
    s.file.close();
    const QString old = QLogFile::previousPath(s.path);
    QFile::remove(old);
    if (!QFile::rename(s.path, old))
        QFile::remove(s.path); // the limit holds even when the copy cannot be kept
    openLocked(s);
}

void writeLine(const QByteArray &line)
{
    LogState &s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.installed || s.writing)
        return;
    s.writing = true;
    // The size may have grown meanwhile through another writer of the same file.
    if (s.file.isOpen() && s.size > 0 && s.size + line.size() > s.limit) {
        s.size = QFileInfo(s.path).size();
        if (s.size + line.size() > s.limit)
            rotateLocked(s);
    }
    if (s.file.isOpen() || openLocked(s)) {
        const qint64 written = s.file.write(line);
        s.file.flush();
        if (written > 0)
            s.size += written;
        if (written != line.size() || s.file.error() != QFileDevice::NoError) {
            // A full disk or a vanished folder: try a fresh file with the next line.
            s.file.close();
            s.file.unsetError();
        }
    }
    s.writing = false;
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg) {
        const char *category = context.category ? context.category : "default";
        QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
        line += ' ';
        line += typeName(type);
        line += ' ';
        line += category;
        line += ": ";
        line += text.toUtf8();
        line += '\n';
        writeLine(line);
    }
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&state().mutex);
        previous = state().previous;
    }
    if (previous)
        previous(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

} // namespace

void QLogFile::install(const QString &path, qint64 limit)
{
    uninstall();
    LogState &s = state();
    {
        QMutexLocker lock(&s.mutex);
        s.path = path;
        s.limit = qMax<qint64>(limit, 1024);
        s.installed = true;
        if (openLocked(s) && s.size >= s.limit)
            rotateLocked(s);
    }
    const QtMessageHandler previous = qInstallMessageHandler(handleMessage);
    QMutexLocker lock(&s.mutex);
    s.previous = previous;
}

void QLogFile::uninstall()
{
    LogState &s = state();
    QtMessageHandler previous = nullptr;
    {
        QMutexLocker lock(&s.mutex);
        if (!s.installed)
            return;
        previous = s.previous;
    }
    qInstallMessageHandler(previous);
    QMutexLocker lock(&s.mutex);
    s.installed = false;
    s.previous = nullptr;
    s.file.close();
    s.path.clear();
}

QString QLogFile::path()
{
    QMutexLocker lock(&state().mutex);
    return state().installed ? state().path : QString();
}

QString QLogFile::previousPath(const QString &path)
{
    return path + QStringLiteral(".1");
}
