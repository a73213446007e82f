// A file written as the store writes it (through a descriptor, then given
// its name) and watched from before it took the name: what another writer
// does to it afterwards, and whether the watch still vouches for it.
#include "common/statefile.h"
#include "common/statefilewatch.h"
#include "testsupport.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Deed {
    Nothing,
    Read,
    ChangeMode,
    SameBytesInPlace,
    Truncate,
    Append,
    Remove,
    RenameOver,
    WriteAgain
};

const QByteArray kBytes = "<ROOTITEM><Path_item Converted_path_=\"/a.mp3\"/></ROOTITEM>";

// Writes the file as the store does and begins the watch before the file
// takes its name.
bool writeWatched(const QString &path, const QByteArray &bytes, StateFileWatch &watch)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size())
        return false;
    return watch.begin(file.handle()) && file.commit();
}

quint64 inodeAt(const QString &path)
{
    return quint64(StateFile::signature(path).inode);
}

} // namespace

Q_DECLARE_METATYPE(Deed)

class StateFileWatchTest : public QObject
{
    Q_OBJECT
private slots:
    void anotherWritersDeedIsSeen_data()
    {
        QTest::addColumn<Deed>("deed");
        QTest::addColumn<bool>("untouched");
        QTest::newRow("nothing") << Deed::Nothing << true;
        QTest::newRow("reads it") << Deed::Read << true;
        QTest::newRow("changes its mode") << Deed::ChangeMode << true;
        QTest::newRow("writes the same bytes in place") << Deed::SameBytesInPlace << false;
        QTest::newRow("truncates it") << Deed::Truncate << false;
        QTest::newRow("appends") << Deed::Append << false;
        QTest::newRow("removes it") << Deed::Remove << false;
        QTest::newRow("renames another file over it") << Deed::RenameOver << false;
        // A later write of this process is watched instead; what is done to
        // the earlier file no longer matters, and that file no longer counts.
        QTest::newRow("the file is written again") << Deed::WriteAgain << true;
    }

    void anotherWritersDeedIsSeen()
    {
        QFETCH(Deed, deed);
        QFETCH(bool, untouched);
        QTemporaryDir dir;
        const QString path = dir.filePath("History.xml");
        QVERIFY(TestSupport::writeBytes(path, "older"));
        StateFileWatch watch;
        QVERIFY(writeWatched(path, kBytes, watch));
        const quint64 written = inodeAt(path);
        QVERIFY(watch.untouched(written));

        const QByteArray name = QFile::encodeName(path);
        switch (deed) {
        case Deed::Nothing:
            break;
        case Deed::Read:
            QCOMPARE(TestSupport::readBytes(path), kBytes);
            break;
        case Deed::ChangeMode:
            QCOMPARE(chmod(name.constData(), 0600), 0);
            break;
        case Deed::SameBytesInPlace: {
            const int fd = open(name.constData(), O_WRONLY);
            QVERIFY(fd >= 0);
            QCOMPARE(write(fd, kBytes.constData(), size_t(kBytes.size())), ssize_t(kBytes.size()));
            close(fd);
            break;
        }
        case Deed::Truncate:
            QCOMPARE(truncate(name.constData(), 3), 0);
            break;
        case Deed::Append: {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            QCOMPARE(file.write("\n"), qint64(1));
            break;
        }
        case Deed::Remove:
            QVERIFY(QFile::remove(path));
            break;
        case Deed::RenameOver:
            QVERIFY(TestSupport::writeBytes(dir.filePath("other"), kBytes));
            QCOMPARE(rename(QFile::encodeName(dir.filePath("other")).constData(), name.constData()), 0);
            break;
        case Deed::WriteAgain: {
            const QString earlier = dir.filePath("History.xml.earlier");
            QVERIFY(QFile::rename(path, earlier));
            QVERIFY(writeWatched(path, kBytes, watch));
            QVERIFY(!watch.untouched(written));
            QVERIFY(TestSupport::writeBytes(earlier, "changed"));
            break;
        }
        }
        // The caller asks about the file found at the path; a removed one
        // is asked about as it was.
        const quint64 found = deed == Deed::Remove ? written : inodeAt(path);
        QCOMPARE(watch.untouched(found), untouched);
        // Once touched, always touched.
        if (!untouched)
            QVERIFY(!watch.untouched(found));
    }

    void aFileNotWatchedIsNeverVouchedFor()
    {
        StateFileWatch watch;
        QVERIFY(!watch.untouched(0));
        QVERIFY(!watch.begin(-1));
        QVERIFY(!watch.untouched(0));
    }
};

QTEST_GUILESS_MAIN(StateFileWatchTest)
#include "tst_statefilewatch.moc"
