// A mark whose owner still runs names a recording being made, not a
// leftover; once the owner is gone, whether reaped or still a zombie its
// parent has not waited for, the mark is a leftover to repair.

#include "common/qrecordingmarker.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// The state letter and start time of a process, as /proc tells them.
QList<QByteArray> statFields(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

QStringList pendingPaths()
{
    QStringList paths;
    for (const QRecordingMarker::Entry &e : QRecordingMarker::pending())
        paths << e.info.convertedPath;
    return paths;
}

// A child that runs until its pipe closes, or ends at once.
class Child
{
public:
    explicit Child(bool keepRunning)
    {
        if (::pipe(m_pipe) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(m_pipe[1]);
            char c;
            if (keepRunning)
                while (::read(m_pipe[0], &c, 1) > 0) { }
            ::_exit(0);
        }
        ::close(m_pipe[0]);
    }
    ~Child()
    {
        ::close(m_pipe[1]);
        reap();
    }
    pid_t pid() const { return m_pid; }
    void reap()
    {
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    int m_pipe[2] = {-1, -1};
    pid_t m_pid = -1;
};

} // namespace

class TestRecordingMarks : public QObject
{
    Q_OBJECT
private slots:
    void ownerThatIsGoneLeavesALeftover_data();
    void ownerThatIsGoneLeavesALeftover();
};

void TestRecordingMarks::ownerThatIsGoneLeavesALeftover_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("reaped");
    QTest::addColumn<bool>("leftover");
    QTest::newRow("owner running") << true << false << false;
    QTest::newRow("owner a zombie its parent has not reaped") << false << false << true;
    QTest::newRow("owner reaped") << false << true << true;
}

void TestRecordingMarks::ownerThatIsGoneLeavesALeftover()
{
    QFETCH(bool, running);
    QFETCH(bool, reaped);
    QFETCH(bool, leftover);
    QDir(QRecordingMarker::folder()).removeRecursively();
    const QString path = QDir::homePath() + QStringLiteral("/REC_owned.wav");
    convertedInfo info;
    info.convertedPath = path;
    QVERIFY(QRecordingMarker::write(info, QStringLiteral("wav")));
    const QStringList marks = QDir(QRecordingMarker::folder()).entryList(QDir::Files);
    QCOMPARE(marks.size(), 1);

    Child child(running);
    QVERIFY(child.pid() > 0);
    // Its start time is read while /proc still has it.
    QList<QByteArray> fields;
    QTRY_VERIFY((fields = statFields(child.pid())).size() > 19 && (running || fields.at(0) == "Z"));
    // The mark as the child would have written it.
    QFile mark(QRecordingMarker::folder() + QLatin1Char('/') + marks.first());
    QVERIFY(mark.open(QIODevice::ReadWrite));
    QJsonObject o = QJsonDocument::fromJson(mark.readAll()).object();
    QVERIFY(o.contains(QStringLiteral("ownerPid")));
    o.insert(QStringLiteral("ownerPid"), qint64(child.pid()));
    o.insert(QStringLiteral("ownerStarted"), QString::fromLatin1(fields.at(19)));
    QVERIFY(mark.resize(0));
    QVERIFY(mark.write(QJsonDocument(o).toJson()) > 0);
    mark.close();
    if (reaped)
        child.reap();

    QCOMPARE(pendingPaths().contains(path), leftover);
}

QTEST_GUILESS_MAIN(TestRecordingMarks)
#include "tst_recordingmarks.moc"
