// Playlist names, the history file as a path list, and the digest collection,
// on real files.
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "settledfiles.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

using TestSupport::readSettled;

// The document element of the file; the document stays alive until the next call.
QDomElement rootOf(const QString &path)
{
    static QDomDocument kept;
    QDomDocument doc;
    if (!doc.setContent(readSettled(path)))
        return QDomElement();
    kept = doc;
    return kept.documentElement();
}

QStringList attributeOfChildren(const QString &path, const QString &attribute)
{
    QStringList values;
    for (QDomElement e = rootOf(path).firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        values << e.tagName() + "=" + e.attribute(attribute);
    return values;
}

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class PlayListsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVideoSettingXml::waitForHistory();
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    }

    void playListsKeepCreationOrder()
    {
        QVERIFY(QVideoSettingXml::GetAllPlayLists().isEmpty());
        QVERIFY(!QFile::exists(QVideoSettingXml::playListFilePath()));
        QVERIFY(!QVideoSettingXml::RemovePlayList("x"));
        QVERIFY(!QVideoSettingXml::RemoveAllPlayLists());

        for (const char *name : {"Road", "Night", "Road", ""})
            QVERIFY(QVideoSettingXml::AppendPlayList(name));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), (QStringList {"Road", "Night", "Road", ""}));
        QCOMPARE(attributeOfChildren(QVideoSettingXml::playListFilePath(), "ListName"),
                 (QStringList {"List_name=Road", "List_name=Night", "List_name=Road", "List_name="}));
        QCOMPARE(rootOf(QVideoSettingXml::playListFilePath()).tagName(), QString("ROOTITEM"));

        // Rename and remove act on the later of two equal names.
        QVERIFY(QVideoSettingXml::SetPlayListName("Road", "Morning"));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), (QStringList {"Road", "Night", "Morning", ""}));
        QVERIFY(QVideoSettingXml::SetPlayListName("Night", "Road"));
        QVERIFY(QVideoSettingXml::RemovePlayList("Road"));
        QCOMPARE(QVideoSettingXml::GetAllPlayLists(), (QStringList {"Road", "Morning", ""}));
        QVERIFY(!QVideoSettingXml::RemovePlayList("road"));
        QVERIFY(!QVideoSettingXml::SetPlayListName("missing", "x"));

        QVERIFY(QVideoSettingXml::RemoveAllPlayLists());
        QVERIFY(QVideoSettingXml::GetAllPlayLists().isEmpty());
        QVERIFY(rootOf(QVideoSettingXml::playListFilePath()).firstChild().isNull());
        QVERIFY(QVideoSettingXml::RemoveAllPlayLists());
    }

    void writersReportAFailedSave()
    {
        QVERIFY(QVideoSettingXml::AppendPlayList("A"));
        QVERIFY(QVideoSettingXml::AppendPlayList(QString(8000, 'x')));
        const QByteArray before = readSettled(QVideoSettingXml::playListFilePath());
        QVERIFY(before.size() > 8000);

        // A file-size limit below the file's size stands for a full disk:
        // every save must fail, say so, and leave the file as it was.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit limited = saved;
        limited.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool appended = QVideoSettingXml::AppendPlayList("B");
        const bool renamed = QVideoSettingXml::SetPlayListName("A", "C");
        const bool removed = QVideoSettingXml::RemovePlayList("A");
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

        QVERIFY(!appended);
        QVERIFY(!renamed);
        QVERIFY(!removed);
        QCOMPARE(readSettled(QVideoSettingXml::playListFilePath()), before);
        QCOMPARE(QDir(QIAnyUtil::getAppDataPath()).entryList(QDir::Files),
                 QStringList {"CustomedLists.xml"});
    }

    void convertedPathsDropMissingFiles()
    {
        const QString dir = QIAnyUtil::getTempSavePath();
        const QString a = dir + "/a.mp3";
        const QString b = dir + "/b.mp3";
        touch(b);
        QVERIFY(QVideoSettingXml::SetConvertedPath(a));
        QVERIFY(QVideoSettingXml::SetConvertedPath(dir + "/gone.mp3"));
        QVERIFY(QVideoSettingXml::SetConvertedPath(b));
        QVERIFY(QVideoSettingXml::SetConvertedPath(b));
        QVERIFY(QVideoSettingXml::SetConvertedPath(dir + "/B.mp3"));
        QCOMPARE(attributeOfChildren(QVideoSettingXml::historyFilePath(), "Converted_path_").size(), 4);

        QCOMPARE(QVideoSettingXml::GetConvertedPath(), QStringList {b});
        QCOMPARE(attributeOfChildren(QVideoSettingXml::historyFilePath(), "Converted_path_"),
                 QStringList {"Path_item=" + b});
    }

    void deleteConvertedPathRemovesOneEntryPerListedPath()
    {
        QVideoSettingXml::waitForHistory();
        QFile file(QVideoSettingXml::historyFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<ROOTITEM><Path_item Converted_path_=\"/x\"/><Path_item Converted_path_=\"/y\"/>"
                   "<Path_item Converted_path_=\"/x\"/><Path_item Converted_path_=\"/z\"/></ROOTITEM>");
        file.close();
        QVERIFY(!QVideoSettingXml::DeleteConvertedPath({}));
        QVERIFY(QVideoSettingXml::DeleteConvertedPath({"/x", "/z", "/none"}));
        QCOMPARE(attributeOfChildren(QVideoSettingXml::historyFilePath(), "Converted_path_"),
                 (QStringList {"Path_item=/y", "Path_item=/x"}));
        QVERIFY(QVideoSettingXml::DeleteConvertedPath({"/x", "/x"}));
        QCOMPARE(attributeOfChildren(QVideoSettingXml::historyFilePath(), "Converted_path_"),
                 QStringList {"Path_item=/y"});
    }

    void digestsAreCollectedOnce()
    {
        QVERIFY(QVideoSettingXml::getConvertedPathMd5().isEmpty());
        QVERIFY(!QVideoSettingXml::SaveConvertedPathMd5(""));
        QVERIFY(!QFile::exists(QVideoSettingXml::digestFilePath()));
        const QString d1 = "900150983cd24fb0d6963f7d28e17f72";
        const QString d2 = "d41d8cd98f00b204e9800998ecf8427e";
        QVERIFY(QVideoSettingXml::SaveConvertedPathMd5(d1));
        QCOMPARE(attributeOfChildren(QVideoSettingXml::digestFilePath(), "Converted_path_md5"),
                 QStringList {"Path_item=" + d1 + "_"});
        QVERIFY(QVideoSettingXml::SaveConvertedPathMd5(d2));
        QVERIFY(QVideoSettingXml::SaveConvertedPathMd5(d1));
        QVERIFY(QVideoSettingXml::SaveConvertedPathMd5(d2.left(8)));
        QCOMPARE(QVideoSettingXml::getConvertedPathMd5(), d1 + "_" + d2 + "_");
    }
};

QTEST_GUILESS_MAIN(PlayListsTest)
#include "tst_playlists.moc"
