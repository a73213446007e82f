// Renaming recordings in the table with real files and History.xml on disk:
// a free "(n)" name on a clash without touching the other files, refused and
// unchanged names, the playlist and master rows, the name editor's signal.

#include "libraryfixture.h"

#include "common/qconverteroperate.h"
#include "common/qvideosettingxml.h"
#include "library/qaudiofilechunk.h"
#include "library/qaudiofiledelegate.h"
#include "library/qaudiofilemodel.h"
#include "library/qaudiofilesortmodel.h"
#include "library/qlibraryrenaming.h"
#include "library/qrecordingrows.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace LibraryFixture;

namespace {

QAudioFileChunk *masterRow(const Library &lib, const QString &fileName)
{
    for (IBaseChunk *item : lib.table.rows().all())
        if (auto *row = dynamic_cast<QAudioFileChunk *>(item);
            row && QString::fromStdString(row->GetFileName()) == fileName)
            return row;
    return nullptr;
}
} // namespace

class TestLibraryRenaming : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void clashGetsTheFirstFreeNumber();
    void refusedAndUnchangedNamesDoNothing_data();
    void refusedAndUnchangedNamesDoNothing();
    void renameInAPlaylistMovesTheMasterRow();
    void nameEditorRenamesAndTheRecordingIsLeftAlone();

private:
    QTemporaryDir m_dir;
    QString m_out;
    QString m_rec;
};

void TestLibraryRenaming::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestLibraryRenaming::init()
{
    m_out = freshLibrary(m_dir.filePath("out"));
    QVERIFY(QDir(m_out).exists());
    m_rec = tone(m_out, "REC_1", "mp3", 1.0);
    QVERIFY(!m_rec.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(m_rec, "01-01-2024 10:00", false, {"Road"})));
    QVERIFY(QVideoSettingXml::AppendPlayList("Road"));
}

void TestLibraryRenaming::clashGetsTheFirstFreeNumber()
{
    for (const QString &name : {QString("song.mp3"), QString("song(1).mp3")}) {
        QFile other(m_out + "/" + name);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(name.toUtf8());
    }
    const QByteArray before = TestSupport::readBytes(m_rec);
    Library lib;
    QSignalSpy closed(lib.table.renaming(), &QLibraryRenaming::emitCloseFileIfIsPlaying);
    QSignalSpy renamed(lib.table.renaming(), &QLibraryRenaming::emitRenameAudioFile);
    QVERIFY(lib.table.renaming()->OnRenameFile(lib.shownIndex("REC_1"), "song"));
    const QString target = m_out + "/song(2).mp3";
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toString(), m_rec);
    QCOMPARE(renamed.count(), 1);
    QCOMPARE(renamed.at(0).at(1).toString(), target);
    QVERIFY(!QFile::exists(m_rec));
    QCOMPARE(TestSupport::readBytes(target), before);
    QCOMPARE(TestSupport::readBytes(m_out + "/song.mp3"), QByteArray("song.mp3"));
    QCOMPARE(TestSupport::readBytes(m_out + "/song(1).mp3"), QByteArray("song(1).mp3"));
    QCOMPARE(historyPaths(), QStringList({target}));
    QCOMPARE(historyLists(target), QStringList({"Road"}));
    QVERIFY(lib.shownRow("song(2)"));
    QCOMPARE(QString::fromStdString(lib.shownRow("song(2)")->GetFilePath()), target);

}

void TestLibraryRenaming::refusedAndUnchangedNamesDoNothing_data()
{
    QTest::addColumn<QString>("title");
    for (const char *name : {"a?b", "a/b", "a:b", "a\\b", "a*b", "a\"b", "a<b", "a>b", "a|b",
                             "../REC_2", "..", "", "REC_1"})
        QTest::newRow(name) << QString::fromUtf8(name);
}

void TestLibraryRenaming::refusedAndUnchangedNamesDoNothing()
{
    QFETCH(QString, title);
    Library lib;
    QSignalSpy closed(lib.table.renaming(), &QLibraryRenaming::emitCloseFileIfIsPlaying);
    QSignalSpy renamed(lib.table.renaming(), &QLibraryRenaming::emitRenameAudioFile);
    QVERIFY(!lib.table.renaming()->OnRenameFile(lib.shownIndex("REC_1"), title));
    QCOMPARE(closed.count(), 0);
    QCOMPARE(renamed.count(), 0);
    QCOMPARE(QDir(m_out).entryList(QDir::Files), QStringList({"REC_1.mp3"}));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
    QCOMPARE(historyPaths(), QStringList({m_rec}));
    QCOMPARE(lib.shownNames(), QStringList({"REC_1"}));
}

void TestLibraryRenaming::renameInAPlaylistMovesTheMasterRow()
{
    Library lib;
    QVERIFY(lib.show("Road"));
    QVERIFY(lib.table.renaming()->OnRenameFile(lib.shownIndex("REC_1"), "Highway"));
    const QString target = m_out + "/Highway.mp3";
    QVERIFY(QFile::exists(target));
    QCOMPARE(QString::fromStdString(lib.shownRow("Highway")->GetFilePath()), target);
    QAudioFileChunk *master = masterRow(lib, "Highway.mp3");
    QVERIFY(master);
    QVERIFY(master != lib.shownRow("Highway"));
    QCOMPARE(QString::fromStdString(master->GetFilePath()), target);
    QCOMPARE(historyPaths(), QStringList({target}));
    QCOMPARE(historyLists(target), QStringList({"Road"}));
    QVERIFY(lib.show("All Recordings"));
    QCOMPARE(lib.shownNames(), QStringList({"Highway"}));
}

void TestLibraryRenaming::nameEditorRenamesAndTheRecordingIsLeftAlone()
{
    Library lib;
    const QString running = m_out + "/REC_2.mp3";
    QFile file(running);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("being written");
    file.close();
    lib.table.recordings()->AddAudioFile(running, true);
    QVERIFY(!lib.table.renaming()->OnRenameFile(lib.shownIndex("REC_2"), "Other"));
    QVERIFY(QFile::exists(running));

    emit lib.table.delegate()->emitChangeName(lib.shownIndex("REC_1"), "Typed");
    QVERIFY(QFile::exists(m_out + "/Typed.mp3"));
    QCOMPARE(historyPaths(), QStringList({m_out + "/Typed.mp3"}));
}

QTEST_MAIN(TestLibraryRenaming)
#include "tst_renaming.moc"
