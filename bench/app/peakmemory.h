#pragma once
// The peak memory (VmHWM) of a process, in KiB, from a /proc status file;
// -1 when it cannot be read (the process is gone).
#include <QFile>
#include <QString>

inline long peakMemoryKib(const QString &statusPath = QStringLiteral("/proc/self/status"))
{
    QFile status(statusPath);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}
