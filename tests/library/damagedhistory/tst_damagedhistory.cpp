// The library's start over damaged or stale state files, with real
// recordings and real files on disk: a history cut short keeps its complete
// records, the recordings it lost are found again in the output folder (an
// empty or blank history among them), the playlists that can be read stay,
// one message tells the user, and a history full of missing recordings is
// cleaned in one pass and one save. A history another copy changes while
// the library runs is followed by its rows.

#include "libraryfixture.h"

#include "common/historydocument.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "common/statefilelock.h"
#include "library/qaudiofilechunk.h"
#include "library/qlibraryquestions.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace LibraryFixture;

namespace {

using TestSupport::bytesWritten;
using TestSupport::readBytes;
using TestSupport::writeBytes;

} // namespace

class TestDamagedHistory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void damagedHistoryIsRecoveredAndTold_data();
    void damagedHistoryIsRecoveredAndTold();
    void playlistsThatCanBeReadAreKept();
    void missingRecordingsAreDroppedInOnePass();
    void rowsFollowWhatAnotherCopyChanges_data();
    void rowsFollowWhatAnotherCopyChanges();

private:
    QTemporaryDir m_dir;
    QString m_out;
    QStringList m_told;
};

void TestDamagedHistory::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QLibraryQuestions::setAnswerer([this](const QString &text) {
        m_told << text;
        return 0;
    });
}

void TestDamagedHistory::init()
{
    m_out = freshLibrary(m_dir.filePath("out"));
    m_told.clear();
    StateFileNotices::takeAll();
}

void TestDamagedHistory::damagedHistoryIsRecoveredAndTold_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("firstKept");
    // Cut in half: the first record is whole, the second broken. Empty:
    // what a crash right after truncating leaves; blanks alone likewise.
    QTest::newRow("cut in half") << "cut" << true;
    QTest::newRow("empty") << "empty" << false;
    QTest::newRow("blanks") << "blanks" << false;
}

void TestDamagedHistory::damagedHistoryIsRecoveredAndTold()
{
    QFETCH(QString, damage);
    QFETCH(bool, firstKept);
    const QString a = tone(m_out, "a", "mp3", 1.0);
    const QString b = tone(m_out, "b", "wav", 2.0);
    const QString c = tone(m_out, "c", "m4a", 1.0);
    QVERIFY(!a.isEmpty() && !b.isEmpty() && !c.isEmpty());
    QVERIFY(writeBytes(m_out + "/notes.txt", "not a recording"));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00", false, {"Road"})));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(b)));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(c)));
    QVERIFY(QVideoSettingXml::AppendPlayList("Road"));
    QVERIFY(QVideoSettingXml::SetItemValue("FormatSet", "Audio_Id", "5003"));
    QVideoSettingXml::waitForHistory();
    const QString historyPath = QVideoSettingXml::historyFilePath();
    QFile::remove(historyPath + ".bad"); // kept by an earlier case
    const QByteArray whole = readBytes(historyPath);
    const QByteArray damaged = damage == "cut"     ? whole.left(whole.indexOf("b.wav"))
                               : damage == "empty" ? QByteArray()
                                                   : QByteArray(" \n\t\r\n  \n");
    QVERIFY(writeBytes(historyPath, damaged));

    {
        Library lib;
        QStringList names = lib.shownNames();
        names.sort();
        QCOMPARE(names, QStringList({"a", "b", "c"}));
        QTRY_COMPARE(m_told.size(), 1);
        const QString text = m_told.first();
        QVERIFY2(text.contains("3 recordings were recovered"), qPrintable(text));
        QVERIFY2(text.contains(historyPath + ".bad"), qPrintable(text));
        // Found again with their own length and container.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo(b)->time, QString("00:00:02"));
        QVERIFY(!QVideoSettingXml::GetConvertedInfo(c)->format.isEmpty());
        QVERIFY(!QVideoSettingXml::GetConvertedInfo(m_out + "/notes.txt"));
        // A record kept keeps its playlists; one found again has none.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo(a)->listNames,
                 firstKept ? QStringList{"Road"} : QStringList());
        QVERIFY(lib.show("Road"));
        QCOMPARE(lib.shownNames(), firstKept ? QStringList{"a"} : QStringList());
    }
    QCOMPARE(readBytes(historyPath + ".bad"), damaged);
    QCOMPARE(QVideoSettingXml::GetItemValue("FormatSet", "Audio_Id", "5000"), QString("5003"));
    // The next start has nothing to tell and lists the same.
    {
        Library lib;
        QCOMPARE(lib.shownNames().size(), 3);
        QCoreApplication::processEvents();
        QCOMPARE(m_told.size(), 1);
    }
}

void TestDamagedHistory::playlistsThatCanBeReadAreKept()
{
    const QString a = tone(m_out, "a", "mp3", 1.0);
    QVERIFY(!a.isEmpty());
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00", false, {"Road", "Night"})));
    QVERIFY(writeBytes(QVideoSettingXml::playListFilePath(),
                       "<ROOTITEM>\n    <List_name ListName=\"Road\"/>\n    <List_name ListName=\"Night\"/>\n"
                       "    <List_name ListName=\"Da"));
    Library lib;
    QVERIFY(lib.show("Road"));
    QCOMPARE(lib.shownNames(), QStringList {"a"});
    QVERIFY(lib.show("Night"));
    QCOMPARE(lib.shownNames(), QStringList {"a"});
    QTRY_COMPARE(m_told.size(), 1);
    QVERIFY2(m_told.first().contains(QVideoSettingXml::playListFilePath() + ".bad"), qPrintable(m_told.first()));
    QVERIFY2(m_told.first().contains("2 entries"), qPrintable(m_told.first()));
}

void TestDamagedHistory::missingRecordingsAreDroppedInOnePass()
{
    const QString kept = tone(m_out, "kept", "mp3", 1.0);
    QVERIFY(!kept.isEmpty());
    // 1,000 records, every other one of a file that is gone; one without format.
    QByteArray bytes = "<ROOTITEM>\n";
    for (int n = 0; n < 1000; ++n) {
        const QString path = n % 2 ? QStringLiteral("%1/k%2.mp3").arg(m_out).arg(n)
                                   : QStringLiteral("%1/gone%2.mp3").arg(m_out).arg(n);
        if (n % 2)
            QVERIFY(QFile::copy(kept, path));
        const QString format = n == 1 ? QString() : QStringLiteral("MP3");
        bytes += QStringLiteral("    <Path_item Converted_path_=\"%1\">\n        <CONVERTED_INFO_ Title_=\"t%2\" "
                                "Format_=\"%3\" Size_=\"10.00 KB\" Time_=\"00:00:01\" Create_time_=\"01-01-2024 10:00\" "
                                "Extend_=\"mp3\" New_file=\"N\" Video_file=\"N\"/>\n    </Path_item>\n")
                     .arg(path).arg(n).arg(format)
                     .toUtf8();
    }
    bytes += "</ROOTITEM>\n";
    QVideoSettingXml::waitForHistory();
    const QString historyPath = QVideoSettingXml::historyFilePath();
    QVERIFY(writeBytes(historyPath, bytes));

    const qint64 before = bytesWritten();
    QVERIFY(before >= 0);
    Library lib;
    const qint64 written = bytesWritten() - before;
    QCOMPARE(lib.shownNames().size(), 500);
    QVERIFY(!lib.shownNames().contains("kept"));
    QCOMPARE(historyPaths().size(), 500);
    QVERIFY(!historyPaths().contains(m_out + "/gone0.mp3"));
    // One save of the smaller file, not one per missing record.
    QVERIFY2(written < bytes.size(), qPrintable(QString::number(written)));
    QVERIFY(m_told.isEmpty());
    // The missing format is read from the file once the table has been
    // painted, off the start.
    QVERIFY(historyInfo(m_out + "/k1.mp3").attribute("Format_").isEmpty());
    lib.table.show();
    QTRY_VERIFY_WITH_TIMEOUT(!historyInfo(m_out + "/k1.mp3").attribute("Format_").isEmpty(), 10000);
    QCOMPARE(historyInfo(m_out + "/k3.mp3").attribute("Format_"), QStringLiteral("MP3"));
}

void TestDamagedHistory::rowsFollowWhatAnotherCopyChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("a record added") << "add";
    QTest::newRow("a record changed") << "change";
    QTest::newRow("a record removed") << "remove";
}

void TestDamagedHistory::rowsFollowWhatAnotherCopyChanges()
{
    // While the library runs, another copy saves the history as it does:
    // under the copies' lock, the file replaced whole. The table follows
    // without being started again.
    QFETCH(QString, change);
    const QString a = tone(m_out, "a", "mp3", 1.0);
    const QString b = tone(m_out, "b", "mp3", 1.0);
    const QString d = tone(m_out, "d", "mp3", 1.0);
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(a, "01-01-2024 10:00")));
    QVERIFY(QVideoSettingXml::SaveConvertedInfo(record(b, "02-01-2024 10:00")));
    Library lib;
    QCOMPARE(lib.shownNames(), QStringList({"b", "a"}));
    QVERIFY(QVideoSettingXml::waitForHistory());
    const QString historyPath = QVideoSettingXml::historyFilePath();
    HistoryDocument doc;
    QVERIFY(doc.parse(readBytes(historyPath)));
    if (change == "add") {
        HistoryDocument::Element entry;
        entry.name = "Path_item";
        entry.setAttribute("Converted_path_", d);
        HistoryDocument::Element info;
        info.name = "CONVERTED_INFO_";
        info.setAttribute("Create_time_", "03-01-2024 10:00");
        entry.children << info;
        doc.append(HistoryDocument::Entry(entry));
    } else if (change == "change") {
        const int at = doc.findEntry(a, false);
        HistoryDocument::Element entry = doc.entries().at(at).element();
        entry.children.first().setAttribute("Title_", "Theirs");
        doc.replace(at, HistoryDocument::Entry(entry));
    } else {
        doc.remove(doc.findEntry(b, false));
    }
    {
        StateFileLock other(historyPath);
        QVERIFY(other.lock());
        QSaveFile file(historyPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(doc.serialize()) > 0);
        QVERIFY(file.commit());
        other.countSave();
    }
    const QStringList expected = change == "add"      ? QStringList{"d", "b", "a"}
                                 : change == "remove" ? QStringList{"a"}
                                                      : QStringList{"b", "a"};
    QTRY_COMPARE_WITH_TIMEOUT(lib.shownNames(), expected, 10000);
    if (change == "change")
        QTRY_COMPARE(lib.shownRow("a")->qtext(QRowTexts::Title), QString("Theirs"));
    // The table and the store agree, and a change made here now keeps the
    // other copy's.
    for (IBaseChunk *item : lib.table.rows().all())
        QVERIFY(QVideoSettingXml::GetConvertedInfo(
            static_cast<QAudioFileChunk *>(item)->qtext(QRowTexts::FilePath)));
    QVERIFY(QVideoSettingXml::changeConvertedInfoValue(a, "Genre_", "Mine"));
    QVERIFY(QVideoSettingXml::waitForHistory());
    HistoryDocument onDisk;
    QVERIFY(onDisk.parse(readBytes(historyPath)));
    QCOMPARE(onDisk.count(), expected.size());
    QCOMPARE(onDisk.entries().at(onDisk.findEntry(a, false)).element().children.first().attribute("Genre_"),
             QString("Mine"));
}

QTEST_MAIN(TestDamagedHistory)
#include "tst_damagedhistory.moc"
