// Start of the program to the first paint of its main window, with a library
// of 10,000 recordings (History.xml and the files it names) in a private
// data folder, and the peak memory. Each run is a child process of its own,
// so that it starts cold; three runs are printed. Run it with a
// sound server, e.g. through the tests' runner:
//   tests/support/run-test.sh --sound -- build/bin/bench_app_startup
//   bench_app_startup --records N      one run in this process
#include "historyfile.h"

#include "app/keyapplication.h"
#include "app/mainwindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

long statusKib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Ends the event loop at the window's first paint.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(const QElapsedTimer &clock)
        : m_clock(clock)
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && ms < 0) {
            ms = m_clock.nsecsElapsed() / 1e6;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
    double ms = -1;

private:
    const QElapsedTimer &m_clock;
};

int runOne(int argc, char **argv, int count)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("recordings/"));
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i)
        QFile(BenchHistory::record(i, false, folder).convertedPath).open(QIODevice::WriteOnly);
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    const QString dataFolder = home.filePath(QStringLiteral("data/Velmora Audio Recorder"));
    QDir().mkpath(dataFolder);
    QFile history(dataFolder + QStringLiteral("/History.xml"));
    if (!history.open(QIODevice::WriteOnly) || history.write(BenchHistory::historyBytes(count, false, folder)) < 0)
        return 1;
    history.close();

    // Preparing the library is not part of the program's start.
    QElapsedTimer start;
    start.start();
    KeyApplication app(argc, argv);
    FirstPaint paint(start);
    MainWindow window;
    window.installEventFilter(&paint);
    window.show();
    app.exec();
    std::printf("%d records: first paint %.1f ms, peak RSS %.1f MB\n", count, paint.ms,
                statusKib("VmHWM:") / 1024.0);
    return paint.ms < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--records") == 0)
        return runOne(argc, argv, QByteArray(argv[2]).toInt());

    int status = 0;
    for (int run = 0; run < 3; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--records"), QStringLiteral("10000")});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            status = 1;
    }
    return status;
}
