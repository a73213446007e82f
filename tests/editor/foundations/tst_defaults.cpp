// The editor's defaults file on disk: created and completed by reads, kept
// by writes, and started afresh (the damaged one kept aside) when damaged.

#include "editor/qcapturesettingdlg.h"
#include "editor/qvedioeditsettingxml.h"
#include "widgetkit/qjxcombobox.h"

#include "common/qianyutil.h"
#include "testsupport.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

namespace {

QDomElement screenshots(const QString &path)
{
    QFile f(path);
    QDomDocument doc;
    if (!f.open(QIODevice::ReadOnly) || !doc.setContent(&f))
        return {};
    return doc.documentElement().firstChildElement("Screenshots");
}

} // namespace

class TestDefaults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void firstReadsCreateAndCompleteTheFile();
    void storedValuesAreReadAndEmptyOnesRestored();
    void aChoiceOnAFreshMachineIsKept();
    void damagedFileIsKeptAsideAndStartedAfresh();
    void snapshotSettingsDialogStoresOnOkOnly();

private:
    QString m_path;
};

void TestDefaults::init()
{
    m_path = QVedioEditSettingXml::filePath();
    QCOMPARE(m_path, QIAnyUtil::getAppDataPath() + "/VedioEditDefaultSetting.xml");
    QFile::remove(m_path);
    QFile::remove(m_path + ".bad");
}

void TestDefaults::firstReadsCreateAndCompleteTheFile()
{
    QCOMPARE(QVedioEditSettingXml::getCaptureImgSuffix(), QString("JPG"));
    QVERIFY(QFile::exists(m_path));
    QDomElement e = screenshots(m_path);
    QVERIFY(!e.isNull());
    QCOMPARE(e.attribute("IMG_SUFFIX"), QString("JPG"));
    QVERIFY(!e.hasAttribute("IMG_Folder"));

    const QString folder = QIAnyUtil::getDocumentPath() + "/Converted/Screenshots/";
    QDir(folder).removeRecursively();
    QCOMPARE(QVedioEditSettingXml::getCaptrueImaSavePath(), folder);
    QVERIFY(QDir(folder).exists());
    e = screenshots(m_path);
    QCOMPARE(e.attribute("IMG_Folder"), folder);
    QCOMPARE(e.attribute("IMG_SUFFIX"), QString("JPG"));
    QVERIFY(e.nextSiblingElement("Screenshots").isNull());
    // UTF-8, indented by four.
    QVERIFY(TestSupport::readBytes(m_path).contains("\n    <Screenshots"));
}

void TestDefaults::storedValuesAreReadAndEmptyOnesRestored()
{
    QVERIFY(TestSupport::writeBytes(m_path, "<ROOTITEM>\n <Screenshots IMG_SUFFIX=\"PNG\" IMG_Folder=\"\"/>\n"
                              " <Other key=\"\u00e9t\u00e9\"/>\n</ROOTITEM>\n"));
    QCOMPARE(QVedioEditSettingXml::getCaptureImgSuffix(), QString("PNG"));
    const QString folder = QVedioEditSettingXml::getCaptrueImaSavePath();
    QVERIFY(folder.endsWith("/Converted/Screenshots/"));
    QCOMPARE(screenshots(m_path).attribute("IMG_Folder"), folder);
    QCOMPARE(screenshots(m_path).attribute("IMG_SUFFIX"), QString("PNG"));
    // Other content of the file survives the rewrite.
    QCOMPARE(QVedioEditSettingXml::GetItemValue("Other", "key", "x"), QString::fromUtf8("\u00e9t\u00e9"));

    QVERIFY(QVedioEditSettingXml::setCaptureImgSuffix("JPG"));
    QVERIFY(QVedioEditSettingXml::setCaptrueImaPath("/tmp/shots"));
    QCOMPARE(QVedioEditSettingXml::getCaptureImgSuffix(), QString("JPG"));
    QCOMPARE(QVedioEditSettingXml::getCaptrueImaSavePath(), QString("/tmp/shots"));
}

void TestDefaults::aChoiceOnAFreshMachineIsKept()
{
    QVERIFY(!QFile::exists(m_path));
    QVERIFY(QVedioEditSettingXml::setCaptureImgSuffix("PNG"));
    QCOMPARE(screenshots(m_path).attribute("IMG_SUFFIX"), QString("PNG"));
    QCOMPARE(QVedioEditSettingXml::getCaptureImgSuffix(), QString("PNG"));

    // A file without the element gets it.
    QVERIFY(TestSupport::writeBytes(m_path, "<ROOTITEM/>"));
    QVERIFY(QVedioEditSettingXml::setCaptrueImaPath("/tmp/elsewhere"));
    QCOMPARE(QVedioEditSettingXml::getCaptrueImaSavePath(), QString("/tmp/elsewhere"));
}

void TestDefaults::damagedFileIsKeptAsideAndStartedAfresh()
{
    const QByteArray damaged = "this is <not xml";
    QVERIFY(TestSupport::writeBytes(m_path, damaged));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("does not parse"));
    QCOMPARE(QVedioEditSettingXml::getCaptureImgSuffix(), QString("JPG"));
    QCOMPARE(TestSupport::readBytes(m_path + ".bad"), damaged);

    QFile f(m_path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QDomDocument doc;
    QVERIFY(doc.setContent(&f));
    const QDomElement root = doc.documentElement();
    QCOMPARE(root.tagName(), QString("ROOTITEM"));
    QCOMPARE(root.childNodes().count(), 1);
    QCOMPARE(root.firstChildElement().tagName(), QString("Screenshots"));
    QCOMPARE(root.firstChildElement().attribute("IMG_SUFFIX"), QString("JPG"));
}

void TestDefaults::snapshotSettingsDialogStoresOnOkOnly()
{
    // A stored format that matches no entry shows "JPG" and is stored so on OK.
    QVERIFY(TestSupport::writeBytes(m_path, "<ROOTITEM><Screenshots IMG_SUFFIX=\"jpg\" IMG_Folder=\"C:\\shots\"/></ROOTITEM>"));
    {
        QCaptureSettingDlg dialog;
        QCOMPARE(dialog.size(), QSize(360, 230));
        QCOMPARE(dialog.formatBox()->currentText(), QString("JPG"));
        QCOMPARE(dialog.chosenFolder(), QString("C:/shots"));
        dialog.formatBox()->setCurrentIndex(1);
        dialog.close(); // Cancel: nothing stored
    }
    QCOMPARE(screenshots(m_path).attribute("IMG_SUFFIX"), QString("jpg"));
    QCaptureSettingDlg dialog;
    dialog.formatBox()->setCurrentIndex(1);
    dialog.onOk();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(screenshots(m_path).attribute("IMG_SUFFIX"), QString("PNG"));
    QCOMPARE(screenshots(m_path).attribute("IMG_Folder"), QString("C:/shots"));
}

QTEST_MAIN(TestDefaults)
#include "tst_defaults.moc"
