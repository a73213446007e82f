#include "crashchildren.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <vector>

QStringList recordAndKill(const QString &dir, const QVector<RecordFormat> &formats, int seconds,
                          bool mark, QString *error)
{
    const QString child = QCoreApplication::applicationDirPath() + "/recorder_crashchild";
    QStringList paths;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (const RecordFormat &f : formats) {
        paths << QDir(dir).filePath("killed-" + f.name + "." + f.extension);
        QStringList args{paths.last(), f.muxer, QString::number(f.codecId),
                         QString::number(f.sampleRate), QString::number(f.channels),
                         QString::number(f.kbps)};
        if (mark)
            args << "mark";
        auto p = std::make_unique<QProcess>();
        p->start(child, args);
        procs.push_back(std::move(p));
    }
    for (size_t i = 0; i < procs.size(); ++i) {
        QByteArray said;
        QElapsedTimer waited;
        waited.start();
        while (!said.contains("recording") && procs[i]->state() != QProcess::NotRunning
               && waited.elapsed() < 5000) {
            procs[i]->waitForReadyRead(100);
            said += procs[i]->readAllStandardOutput();
        }
        if (!said.contains("recording") || procs[i]->state() != QProcess::Running) {
            *error = formats[int(i)].name + ": " + procs[i]->readAllStandardError();
            return {};
        }
    }
    // Each child has recorded the time asked for, as its recorder counts it.
    for (size_t i = 0; i < procs.size(); ++i) {
        QByteArray said;
        quint64 recorded = 0;
        QElapsedTimer waited;
        waited.start();
        while (recorded < quint64(seconds) * 1000000 && procs[i]->state() == QProcess::Running
               && waited.elapsed() < seconds * 1000 + 60000) {
            procs[i]->waitForReadyRead(100);
            said += procs[i]->readAllStandardOutput();
            const int line = said.lastIndexOf("recorded ");
            const int end = line < 0 ? -1 : said.indexOf('\n', line);
            if (end > line)
                recorded = said.mid(line + 9, end - line - 9).toULongLong();
        }
        if (recorded < quint64(seconds) * 1000000) {
            *error = formats[int(i)].name + QString(": recorded only %1 us").arg(recorded);
            return {};
        }
    }
    for (auto &p : procs) {
        p->kill(); // SIGKILL: no trailer, no clean-up
        p->waitForFinished(5000);
    }
    return paths;
}
