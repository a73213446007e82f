// The preferences store on real files: what a read creates, what a write
// stores, how a corrupt file is kept aside, and that a save is all or nothing
// even when the writer is killed or the disk refuses the bytes.
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <sys/stat.h>

namespace {

using TestSupport::readBytes;
using TestSupport::writeBytes;

// The file parsed independently of the store; a null document when it does not parse.
QDomDocument parse(const QString &path)
{
    QDomDocument doc;
    if (!doc.setContent(readBytes(path)))
        return QDomDocument();
    return doc;
}

QStringList childNames(const QDomElement &parent)
{
    QStringList names;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names << e.tagName();
    return names;
}

QString writerProgram()
{
    return QCoreApplication::applicationDirPath() + "/settingsstore_writer";
}

} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT
private:
    QString prefs() const { return QVideoSettingXml::preferencesFilePath(); }

private slots:
    void init()
    {
        QDir(QIAnyUtil::getAppDataPath()).removeRecursively();
    }

    void firstReadCreatesFileWithEmptyGroup()
    {
        QVERIFY(!QFile::exists(prefs()));
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "N", ""),
                 QString("N"));
        const QDomDocument doc = parse(prefs());
        QCOMPARE(doc.documentElement().tagName(), QString("ROOTITEM"));
        QCOMPARE(childNames(doc.documentElement()), QStringList {"RECORD_TIME_INFO"});
        QVERIFY(doc.documentElement().firstChildElement().attributes().isEmpty());
        // A read never writes the default into the file.
        QVERIFY(!readBytes(prefs()).contains("Bool_Stop_After_Time"));
    }

    // A value set as it is already stored leaves the file as it was (a
    // write replaces the file: another inode); any change, or a key or group
    // not there yet, writes it.
    void aValueAlreadyStoredLeavesTheFile_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("written");
        QTest::newRow("the same value") << "OutPut_path"
                                        << "path_value"
                                        << "/music/out/" << false;
        QTest::newRow("another value") << "OutPut_path"
                                       << "path_value"
                                       << "/music/other/" << true;
        QTest::newRow("an empty value of a new key") << "OutPut_path"
                                                     << "other_key"
                                                     << "" << true;
        QTest::newRow("a new group") << "RECORD_TIME_INFO"
                                     << "Stop_time_lenght"
                                     << "5000000" << true;
    }

    void aValueAlreadyStoredLeavesTheFile()
    {
        QFETCH(QString, group);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, written);
        QVERIFY(QVideoSettingXml::SetItemValue("OutPut_path", "path_value", "/music/out/"));
        const QByteArray before = readBytes(prefs());
        struct stat was = {};
        QCOMPARE(::stat(QFile::encodeName(prefs()).constData(), &was), 0);
        QVERIFY(QVideoSettingXml::SetItemValue(group, key, value));
        struct stat now = {};
        QCOMPARE(::stat(QFile::encodeName(prefs()).constData(), &now), 0);
        QCOMPARE(now.st_ino != was.st_ino, written);
        QCOMPARE(readBytes(prefs()) != before, written);
        const QDomElement stored = parse(prefs()).documentElement().firstChildElement(group);
        QVERIFY(stored.hasAttribute(key));
        QCOMPARE(stored.attribute(key), value);
    }

    void writeAndReadBack()
    {
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Stop_time_lenght", "5000000"));
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_SCHEDULE_INFO", "Bool_Schedule", "Y"));
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "Y"));
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Stop_time_lenght", "7000000"));
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_TIME_INFO", "Stop_time_lenght", "0"),
                 QString("7000000"));
        QCOMPARE(QVideoSettingXml::GetItemValue("RECORD_SCHEDULE_INFO", "Bool_Schedule", "N"),
                 QString("Y"));

        const QByteArray raw = readBytes(prefs());
        QVERIFY(!raw.startsWith("<?xml"));
        QVERIFY(raw.contains("\n    <RECORD_TIME_INFO "));
        const QDomDocument doc = parse(prefs());
        QCOMPARE(childNames(doc.documentElement()),
                 (QStringList {"RECORD_TIME_INFO", "RECORD_SCHEDULE_INFO"}));
        const QDomElement time = doc.documentElement().firstChildElement("RECORD_TIME_INFO");
        QCOMPARE(time.attributes().count(), 2);
        QCOMPARE(time.attribute("Stop_time_lenght"), QString("7000000"));
        QCOMPARE(time.attribute("Bool_Stop_After_Time"), QString("Y"));
    }

    void unicodeValuesSurviveAsUtf8()
    {
        const QString folder = QString::fromUtf8("/home/ana/Música/録音 & \"quotes\" <x>");
        QVERIFY(QVideoSettingXml::SetItemValue("OutPut_path", "path_value", folder));
        QCOMPARE(QVideoSettingXml::GetItemValue("OutPut_path", "path_value", "-"), folder);
        QVERIFY(readBytes(prefs()).contains(QString::fromUtf8("Música/録音").toUtf8()));
    }

    void writeCreatesMissingFileAndGroup()
    {
        QVERIFY(!QFile::exists(prefs()));
        QVERIFY(QVideoSettingXml::SetItemValue("Split_Recording", "Silence_More_Than", "3000"));
        QVERIFY(QFile::exists(prefs()));
        QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
        QCOMPARE(QVideoSettingXml::GetItemValue("Split_Recording", "Silence_More_Than", "0"),
                 QString("3000"));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("N"));
        QCOMPARE(childNames(parse(prefs()).documentElement()),
                 (QStringList {"Split_Recording", "CLOSE_ITEM"}));
    }

    void emptyOrMissingAttributeReadsDefault()
    {
        QVERIFY(QVideoSettingXml::SetItemValue("Delete_Recorded_File", "Duration_Less_Than", ""));
        QCOMPARE(QVideoSettingXml::GetItemValue("Delete_Recorded_File", "Duration_Less_Than", "1"),
                 QString("1"));
        QCOMPARE(QVideoSettingXml::GetItemValue("Delete_Recorded_File", "Delete_According_To_Silence", "N"),
                 QString("N"));
        const QDomElement group = parse(prefs()).documentElement().firstChildElement();
        QVERIFY(!group.hasAttribute("Delete_According_To_Silence"));
    }

    void groupNamesAreExactAndFirstWins()
    {
        QVERIFY(writeBytes(prefs(), "<ROOTITEM>\n"
                                    "    <FormatSet Audio_Id=\"5001\"/>\n"
                                    "    <FormatSet Audio_Id=\"5002\"/>\n"
                                    "</ROOTITEM>\n"));
        QCOMPARE(QVideoSettingXml::GetItemValue("FormatSet", "Audio_Id", "5000"), QString("5001"));
        QVERIFY(QVideoSettingXml::SetItemValue("FormatSet", "Audio_Id", "5003"));
        QCOMPARE(QVideoSettingXml::GetItemValue("formatset", "Audio_Id", "5000"), QString("5000"));
        const QDomDocument doc = parse(prefs());
        QCOMPARE(childNames(doc.documentElement()),
                 (QStringList {"FormatSet", "FormatSet", "formatset"}));
        const QDomElement first = doc.documentElement().firstChildElement();
        QCOMPARE(first.attribute("Audio_Id"), QString("5003"));
        QCOMPARE(first.nextSiblingElement().attribute("Audio_Id"), QString("5002"));
    }

    void foreignDocumentElementIsKept()
    {
        QVERIFY(writeBytes(prefs(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SETTINGS><A k=\"v\"/></SETTINGS>"));
        QCOMPARE(QVideoSettingXml::GetItemValue("A", "k", "d"), QString("v"));
        QVERIFY(QVideoSettingXml::SetItemValue("B", "k", "w"));
        const QDomDocument doc = parse(prefs());
        QCOMPARE(doc.documentElement().tagName(), QString("SETTINGS"));
        QCOMPARE(childNames(doc.documentElement()), (QStringList {"A", "B"}));
    }

    void corruptFileIsKeptAsBadCopy()
    {
        QVERIFY(QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
        const QByteArray corrupt = readBytes(prefs()).left(30) + QByteArray("\x00\xff garbage", 10);
        QVERIFY(writeBytes(prefs(), corrupt));

        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Y"));
        QCOMPARE(readBytes(prefs() + ".bad"), corrupt);
        const QDomDocument doc = parse(prefs());
        QCOMPARE(doc.documentElement().tagName(), QString("ROOTITEM"));
        QCOMPARE(childNames(doc.documentElement()), QStringList {"CLOSE_ITEM"});

        // A second corrupt file never overwrites the first copy.
        const QByteArray second("<ROOTITEM><unclosed>");
        QVERIFY(writeBytes(prefs(), second));
        QVERIFY(QVideoSettingXml::SetItemValue("REMIND_ITEM", "isShowRemind", "N"));
        QCOMPARE(readBytes(prefs() + ".bad"), corrupt);
        QCOMPARE(readBytes(prefs() + ".bad.1"), second);
        QCOMPARE(QVideoSettingXml::GetItemValue("REMIND_ITEM", "isShowRemind", "Y"), QString("N"));
    }

    void emptyFileIsAnEmptyDocument()
    {
        QVERIFY(writeBytes(prefs(), QByteArray()));
        QCOMPARE(QVideoSettingXml::GetItemValue("UPDATES_ITEM", "bIsAutoUpdate", "N"), QString("N"));
        QVERIFY(!QFile::exists(prefs() + ".bad"));
        QCOMPARE(childNames(parse(prefs()).documentElement()), QStringList {"UPDATES_ITEM"});
    }

    void isValidFileReportsUnopenableFile()
    {
        QDomDocument doc;
        QVERIFY(!QVideoSettingXml::isValidFile(QIAnyUtil::getAppDataPath() + "/missing.xml", doc));
        // A folder in place of the file cannot be read: defaults come back and
        // nothing is written over it.
        QVERIFY(QDir().mkpath(prefs()));
        QCOMPARE(QVideoSettingXml::GetItemValue("CLOSE_ITEM", "bIsCloseDlg", "Y"), QString("Y"));
        QVERIFY(!QVideoSettingXml::SetItemValue("CLOSE_ITEM", "bIsCloseDlg", "N"));
        QVERIFY(QFileInfo(prefs()).isDir());
    }

    void explicitFileArgument()
    {
        const QString other = QIAnyUtil::getAppDataPath() + "/Other.xml";
        QVERIFY(QVideoSettingXml::SetItemValue("G", "k", "v", other));
        QCOMPARE(QVideoSettingXml::GetItemValue("G", "k", "d", other), QString("v"));
        QVERIFY(!QFile::exists(prefs()));
    }

    void saveFailureIsReported()
    {
        QDomDocument doc;
        doc.appendChild(doc.createElement("ROOTITEM"));
        QVERIFY(!QVideoSettingXml::SaveXml(QIAnyUtil::getAppDataPath() + "/no/such/dir/x.xml", doc));
    }

    void fullDiskLeavesPreviousFileAndReportsFailure()
    {
        QVERIFY(QVideoSettingXml::SetItemValue("KEEP", "value", "previous"));
        const QByteArray before = readBytes(prefs());
        QProcess child;
        child.start(writerProgram(), {"limited", prefs()});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(readBytes(prefs()), before);
        QCOMPARE(QDir(QIAnyUtil::getAppDataPath()).entryList(QDir::Files), QStringList {"AudioDefaultSetting.xml"});
    }

    void killedSaveLoopNeverLeavesATruncatedFile()
    {
        const QString file = QIAnyUtil::getAppDataPath() + "/Loop.xml";
        for (int attempt = 0; attempt < 12; ++attempt) {
            QProcess child;
            child.start(writerProgram(), {"loop", file});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(30000));
            QTest::qWait(QRandomGenerator::global()->bounded(150));
            child.kill();  // SIGKILL: no clean-up of any kind
            QVERIFY(child.waitForFinished(10000));

            QVERIFY(QFile::exists(file));
            const QDomDocument doc = parse(file);
            QVERIFY2(!doc.isNull(), qPrintable(QString("attempt %1: file does not parse").arg(attempt)));
            const QDomElement loop = doc.documentElement().firstChildElement("LOOP");
            QVERIFY(!loop.isNull());
            QVERIFY(loop.attributes().count() >= 1);
            for (int i = 0; i < loop.attributes().count(); ++i) {
                const QDomAttr attr = loop.attributes().item(i).toAttr();
                if (attr.name() != "round")
                    QCOMPARE(attr.value().size(), 4000);
            }
            QVERIFY(loop.hasAttribute("round"));
            QVERIFY(!QFile::exists(file + ".bad"));
        }
    }

    void snapshotReadersStoreTheirDefaults()
    {
        QCOMPARE(QVideoSettingXml::getCaptureImgSuffix(), QString("JPEG"));
        QCOMPARE(parse(prefs()).documentElement().firstChildElement("Screenshots").attribute("IMG_SUFFIX"),
                 QString("JPEG"));
        QVERIFY(QVideoSettingXml::setCaptureImgSuffix("PNG"));
        QCOMPARE(QVideoSettingXml::getCaptureImgSuffix(), QString("PNG"));

        const QString folder = QVideoSettingXml::getCaptrueImaSavePath();
        QCOMPARE(folder, QIAnyUtil::getDocumentPath() + "/Screenshots/");
        QVERIFY(QDir(folder).exists());
        QVERIFY(QVideoSettingXml::setCaptrueImaPath("/tmp/shots/"));
        QCOMPARE(QVideoSettingXml::getCaptrueImaSavePath(), QString("/tmp/shots/"));
        QCOMPARE(childNames(parse(prefs()).documentElement()), QStringList {"Screenshots"});
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
