#include "widgetkit/qprojectconfig.h"

#include <QtTest>

class TestProjectConfig : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QProjectConfig::releaseProjectConfig(); }
    void oneInstanceKeepsValues();
    void releaseGivesFreshDefaults();
};

void TestProjectConfig::oneInstanceKeepsValues()
{
    QProjectConfig *config = QProjectConfig::getProjectConfig();
    QCOMPARE(QProjectConfig::getProjectConfig(), config);
    config->setCompanyName(QStringLiteral("Velmora"));
    config->setProjectName(QStringLiteral("Velmora Audio Recorder"));
    config->setProjectShortName(QStringLiteral("Audio Recorder"));
    config->setTransparentMargins(8);
    config->setDlgTopAndBottom(30, 60);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    config->setFont(font);

    QProjectConfig *again = QProjectConfig::getProjectConfig();
    QCOMPARE(again->companyName(), QStringLiteral("Velmora"));
    QCOMPARE(again->projectName(), QStringLiteral("Velmora Audio Recorder"));
    QCOMPARE(again->projectShortName(), QStringLiteral("Audio Recorder"));
    QCOMPARE(again->getTransparentMargins(), QMargins(8, 8, 8, 8));
    QCOMPARE(again->dlgTop(), 30);
    QCOMPARE(again->dlgBottom(), 60);
    QCOMPARE(again->font().pixelSize(), 12);

    // One by one, in the order left, top, right, bottom.
    again->setTransparentMargins(1, 2, 3, 4);
    const QMargins m = again->getTransparentMargins();
    QCOMPARE(m.left(), 1);
    QCOMPARE(m.top(), 2);
    QCOMPARE(m.right(), 3);
    QCOMPARE(m.bottom(), 4);
    QMargins other(5, 6, 7, 8);
    again->setTransparentMargins(other);
    QCOMPARE(again->getTransparentMargins(), other);
}

void TestProjectConfig::releaseGivesFreshDefaults()
{
    QProjectConfig *config = QProjectConfig::getProjectConfig();
    config->setDlgTopAndBottom(1, 2);
    config->setTransparentMargins(8);
    config->setProjectName(QStringLiteral("x"));
    QProjectConfig::releaseProjectConfig();
    QProjectConfig::releaseProjectConfig(); // a second release is harmless

    QProjectConfig *fresh = QProjectConfig::getProjectConfig();
    QCOMPARE(fresh->dlgTop(), 22);
    QCOMPARE(fresh->dlgBottom(), 50);
    QCOMPARE(fresh->getTransparentMargins(), QMargins(0, 0, 0, 0));
    QVERIFY(fresh->projectName().isEmpty());
}

QTEST_MAIN(TestProjectConfig)
#include "tst_projectconfig.moc"
