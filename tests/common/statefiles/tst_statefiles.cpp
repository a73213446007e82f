// The program's own state files under damage and attack: a history or a
// playlists file cut short keeps what can be read; entity declarations, deep
// nesting, oversized files, pipes and devices are refused at once and set
// aside as ".bad" with a notice for the user; parsed files are reused while
// unchanged on disk and re-read when they change.
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "common/statefile.h"
#include "settledfiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestSupport::readSettled;
using TestSupport::writeSettled;

QByteArray entry(int n)
{
    return QStringLiteral("    <Path_item Converted_path_=\"/music/r%1.mp3\">\n"
                          "        <CONVERTED_INFO_ Title_=\"r%1\" Format_=\"mp3\" New_file=\"N\"/>\n"
                          "        <List_name ListName=\"Road\"/>\n"
                          "    </Path_item>\n")
        .arg(n)
        .toUtf8();
}

QByteArray history(int count)
{
    QByteArray bytes = "<ROOTITEM>\n";
    for (int n = 0; n < count; ++n)
        bytes += entry(n);
    return bytes + "</ROOTITEM>\n";
}

QStringList paths(const QList<convertedInfo> &records)
{
    QStringList list;
    for (const convertedInfo &info : records)
        list << info.convertedPath;
    return list;
}

// A 200 KB document whose entities expand quadratically (about 2 GB).
QByteArray quadraticEntities(const QByteArray &root)
{
    const QByteArray value(100000, 'x');
    QByteArray refs;
    for (int i = 0; i < 10000; ++i)
        refs += "&a;";
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE " + root + " [<!ENTITY a \"" + value + "\">]>\n<" + root
           + "><RECORD_TIME_INFO Bool_Stop_After_Time=\"" + refs + "\"/><Path_item Converted_path_=\"" + refs
           + "\"><CONVERTED_INFO_ Title_=\"t\"/></Path_item></" + root + ">\n";
}

QByteArray nested(int levels)
{
    QByteArray bytes = "<ROOTITEM>";
    for (int i = 0; i < levels; ++i)
        bytes += "<a>";
    for (int i = 0; i < levels; ++i)
        bytes += "</a>";
    return bytes + "</ROOTITEM>";
}

// Runs the call on a thread of its own; false when it has not returned in
// time (a blocked reader is then released by opening the pipe's other end).
bool returnsPromptly(const std::function<void()> &call, const QString &fifo = QString())
{
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
        return true;
    if (!fifo.isEmpty()) {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    done.wait();
    return false;
}

} // namespace

class StateFilesTest : public QObject
{
    Q_OBJECT
private:
    QString historyPath() const { return QVideoSettingXml::historyFilePath(); }
    QString prefs() const { return QVideoSettingXml::preferencesFilePath(); }
    QString lists() const { return QVideoSettingXml::playListFilePath(); }

private slots:
    void init()
    {
        QVideoSettingXml::waitForHistory();
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
        QIAnyUtil::getAppDataPath();
        StateFileNotices::takeAll();
    }

    void historyCutInHalfKeepsItsCompleteRecords()
    {
        const QByteArray whole = history(4);
        // Cut in the middle of the third record: two records are whole.
        const QByteArray cut = whole.left(whole.indexOf("r2.mp3") + 3);
        QVERIFY(writeSettled(historyPath(), cut));
        QCOMPARE(paths(QVideoSettingXml::analysisConvertedInfo()),
                 QStringList({"/music/r0.mp3", "/music/r1.mp3"}));
        QCOMPARE(readSettled(historyPath() + ".bad"), cut);
        const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices.first().path, historyPath());
        QCOMPARE(notices.first().keptAs, historyPath() + ".bad");
        QCOMPARE(notices.first().entriesKept, 2);
        // The kept records are in the file itself, with their playlists.
        QCOMPARE(QVideoSettingXml::GetConvertedInfo("/music/r1.mp3")->listNames, QStringList {"Road"});
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void damageInTheMiddleKeepsTheRecordsAfterIt()
    {
        QByteArray bytes = history(5);
        // The third record loses its closing tag, the fourth gets a stray "<".
        bytes.replace(bytes.indexOf("</Path_item>", bytes.indexOf("r2.mp3")), 12, "");
        bytes.insert(bytes.indexOf("Title_=\"r3\""), "< ");
        QVERIFY(writeSettled(historyPath(), bytes));
        const QStringList kept = paths(QVideoSettingXml::analysisConvertedInfo());
        QVERIFY2(kept.contains("/music/r0.mp3") && kept.contains("/music/r1.mp3") && kept.contains("/music/r4.mp3"),
                 qPrintable(kept.join(',')));
        QVERIFY(!kept.contains("/music/r3.mp3"));
        QVERIFY(QFile::exists(historyPath() + ".bad"));
    }

    void playlistsThatCanBeReadAreKept()
    {
        QVERIFY(writeSettled(lists(), "<ROOTITEM>\n    <List_name ListName=\"Road\"/>\n    <List_name ListName=\"Night\"/>\n"
                                    "    <List_name ListName=\"Bro"));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), QStringList({"Road", "Night"}));
        QVERIFY(QFile::exists(lists() + ".bad"));
        QCOMPARE(StateFileNotices::takeAll().size(), 1);
        // The file now holds them, so a new list adds to them.
        QVERIFY(QVideoSettingXml::AppendPlayList("Day"));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), QStringList({"Road", "Night", "Day"}));
    }

    void entityDeclarationsAreRefusedAtOnce()
    {
        QVERIFY(writeSettled(historyPath(), quadraticEntities("ROOTITEM")));
        QVERIFY(writeSettled(prefs(), quadraticEntities("ROOTITEM")));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "N"), QString("N"));
        QVERIFY(QFile::exists(historyPath() + ".bad"));
        QVERIFY(QFile::exists(prefs() + ".bad"));
        const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices.at(0).reason.contains("document type"));
        // The settings keep working on a fresh file.
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "Y"));
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "N"), QString("Y"));
    }

    void deepNestingIsRefusedAndNeverMultipliesTheFile()
    {
        for (const int levels : {5000, 20000, 100000}) {
            init();
            QVERIFY(writeSettled(historyPath(), nested(levels)));
            QVERIFY(writeSettled(prefs(), nested(levels)));
            QVERIFY(QVideoSettingXml::analysisConvertedInfo().isEmpty());
            convertedInfo info;
            info.convertedPath = "/music/new.mp3";
            QVERIFY(QVideoSettingXml::SaveConvertedInfo(info));
            QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
            QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
            QVERIFY(QFileInfo(historyPath()).size() < 1000);
            QVERIFY(QFileInfo(prefs()).size() < 1000);
            QCOMPARE(readSettled(historyPath() + ".bad"), nested(levels));
            QCOMPARE(StateFileNotices::takeAll().size(), 2);
        }
    }

    void overLongValuesAreRefusedAndTheRestKept()
    {
        QByteArray bytes = history(3);
        bytes.replace("Title_=\"r1\"", "Title_=\"" + QByteArray(1 << 20, 't') + "\"");
        bytes.replace("<ROOTITEM>", "<ROOTITEM huge=\"" + QByteArray(8 << 20, 'h') + "\">");
        QVERIFY(writeSettled(historyPath(), bytes));
        QCOMPARE(paths(QVideoSettingXml::analysisConvertedInfo()), QStringList({"/music/r0.mp3", "/music/r2.mp3"}));
        QVERIFY(QFileInfo(historyPath()).size() < 4096);
        QVERIFY(StateFileNotices::takeAll().first().reason.contains("longer than"));

        QVERIFY(writeSettled(prefs(), "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"N\"/><FormatSet Audio_Id=\""
                                        + QByteArray(8 << 20, '5') + "\"/></ROOTITEM>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
        QCOMPARE(QVideoSettingXml::GetItemValue("FormatSet", "Audio_Id", "5000"), QString("5000"));
        QVERIFY(QFileInfo(prefs()).size() < 4096);
    }

    void oversizedFilesAreSetAside()
    {
        QByteArray big = "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"N\" pad=\"";
        big += QByteArray(int(StateFile::kMaxBytes), 'p');
        big += "\"/></ROOTITEM>";
        QVERIFY(writeSettled(prefs(), big));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Y"));
        QCOMPARE(QFileInfo(prefs() + ".bad").size(), qint64(big.size()));
        const QList<StateFileNotices::Notice> notices = StateFileNotices::takeAll();
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().reason.contains("allowed"));
    }

    void pipesAndDevicesNeverBlockOrFlood()
    {
        QVERIFY(::mkfifo(QFile::encodeName(historyPath()).constData(), 0600) == 0);
        QVERIFY(::mkfifo(QFile::encodeName(prefs()).constData(), 0600) == 0);
        QVERIFY(returnsPromptly([] { QVideoSettingXml::analysisConvertedInfo(); }, historyPath()));
        QVERIFY(returnsPromptly([] { QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"); }, prefs()));
        QVERIFY(QFileInfo(historyPath() + ".bad").exists());
        QVERIFY(QFileInfo(prefs() + ".bad").exists());
        QCOMPARE(StateFileNotices::takeAll().size(), 2);

        init();
        QVERIFY(QFile::link("/dev/zero", historyPath()));
        QVERIFY(QFile::link("/dev/zero", lists()));
        QVERIFY(returnsPromptly([] { QVideoSettingXml::analysisConvertedInfo(); }));
        QVERIFY(returnsPromptly([] { QVideoSettingXml::GetAllPlayLists(); }));
        QVERIFY(QFileInfo(historyPath() + ".bad").isSymLink());
        QVERIFY(QFileInfo(lists() + ".bad").isSymLink());
        QCOMPARE(StateFileNotices::takeAll().size(), 2);
    }

    void changesOnDiskAreSeenAndOwnSavesReused()
    {
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Y"));
        QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
        // Another writer changes one letter in place: same size, same inode,
        // possibly the same time stamp.
        QByteArray bytes = readSettled(prefs());
        bytes.replace("bIsCloseDlg=\"N\"", "bIsCloseDlg=\"M\"");
        QVERIFY(writeSettled(prefs(), bytes));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("M"));
        // A file whose times and size say it is unchanged since long before
        // it was read is not parsed again; a different size is.
        QVERIFY(writeSettled(prefs(), "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"Q\"/></ROOTITEM>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Q"));
        QVERIFY(writeSettled(prefs(), "<ROOTITEM><CLOSE_ITEM bIsCloseDlg=\"RR\"/></ROOTITEM>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("RR"));
        QVERIFY(StateFileNotices::takeAll().isEmpty());
    }

    void signatureVouchesOnlyForOldFiles()
    {
        QVERIFY(writeSettled(prefs(), "<ROOTITEM/>"));
        const StateFile::Signature sig = StateFile::signature(prefs());
        QVERIFY(sig.size == 11);
        QVERIFY(!StateFile::signatureTrusted(sig, StateFile::nowNs()));
        QVERIFY(StateFile::signatureTrusted(sig, StateFile::nowNs() + 3000000000LL));
        QVERIFY(!StateFile::signatureTrusted(StateFile::signature(prefs() + ".none"), StateFile::nowNs() + 3000000000LL));
    }
};

QTEST_GUILESS_MAIN(StateFilesTest)
#include "tst_statefiles.moc"
