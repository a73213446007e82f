// The recording options: defaults, what they read from the preferences file,
// and the mask, cursor and area rules.
#include "common/qvideosettingxml.h"
#include "recorder/qrecordareainfo.h"

#include <QtTest>

class RecordAreaInfoTest : public QObject
{
    Q_OBJECT
private slots:
    void readsThePreferencesOnce()
    {
        // Written before the first use: the instance reads them when created.
        QVERIFY(QVideoSettingXml::SetItemValue("CURSOR_OPTION", "Cursor_Show_Value", "y"));
        QVERIFY(QVideoSettingXml::SetItemValue("CURSOR_OPTION", "Cursor_Hight_Click_Value", "N"));
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Bool_Stop_After_Time", "Y"));
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Stop_time_lenght", "3723000000"));
        QRecordAreaInfo *info = QRecordAreaInfo::getAreaInfo();
        QCOMPARE(QRecordAreaInfo::getAreaInfo(), info);
        QVERIFY(!info->getCursorOption(QRecordAreaInfo::ShowCursor));   // "y" is not "Y"
        QVERIFY(info->getCursorOption(QRecordAreaInfo::HighlightCursor));
        QVERIFY(!info->getCursorOption(QRecordAreaInfo::HighlightClick));
        QVERIFY(info->getManuallyAble());
        QCOMPARE(info->getTimingLenght(), 3723000000ull);
        QVERIFY(QVideoSettingXml::SetItemValue("RECORD_TIME_INFO", "Stop_time_lenght", "0"));
        QCOMPARE(info->getTimingLenght(), 3723000000ull);
    }

    void startsWithItsDefaults()
    {
        QRecordAreaInfo *info = QRecordAreaInfo::getAreaInfo();
        QVERIFY(!info->getRecordAudioType(3));
        QVERIFY(!info->getAudioRecordValid(3));
        QVERIFY(!info->getScheduleAble());
        QCOMPARE(info->getRecordSize(), QSize(0, 0));
        int x = 0, y = 0;
        info->getScale(x, y);
        QCOMPARE(x, 1);
        QCOMPARE(y, 1);
        const WatermarkImageSettings w = info->getWatermarkSetting();
        QVERIFY(w.imagePath.empty());
        QCOMPARE(w.alpha, 255);
        QCOMPARE(w.scaleX, 100.0);
        QCOMPARE(w.scaleY, 100.0);
        QCOMPARE(w.loop, 0);
        QCOMPARE(w.align, 0u);
        const QStringList sizes = info->getCustomSizeList();
        QCOMPARE(sizes.size(), 20);
        QCOMPARE(sizes.first(), QString("176*144"));
        QCOMPARE(sizes.at(17), QString("1920*1080"));
        QCOMPARE(sizes.at(18), QString("Full Screen"));
    }

    void masksSetAndClearBits()
    {
        QRecordAreaInfo *info = QRecordAreaInfo::getAreaInfo();
        info->setAudioRecordType(3, true);
        QVERIFY(info->getRecordAudioType(1));
        QVERIFY(info->getRecordAudioType(2));
        info->setAudioRecordType(1, false);
        QVERIFY(!info->getRecordAudioType(1));
        QVERIFY(info->getRecordAudioType(3));
        info->setAudioRecordType(2, false);
        QVERIFY(!info->getRecordAudioType(3));
        info->setAudioRecordValid(2, true);
        QVERIFY(info->getAudioRecordValid(2));
        QVERIFY(!info->getAudioRecordValid(1));
        info->setAudioRecordValid(2, false);
    }

    void cursorRulesAndAreaSwap()
    {
        QRecordAreaInfo *info = QRecordAreaInfo::getAreaInfo();
        QCOMPARE(info->getCursorIndex(QRecordAreaInfo::ShowCursor), -1);
        QVERIFY(info->getCursorOption(QRecordAreaInfo::cursorOption(0)));
        info->setCursorIndex(QRecordAreaInfo::HighlightClick, 4);
        info->setCursorIndex(QRecordAreaInfo::ShowCursor, 9);
        QCOMPARE(info->getCursorIndex(QRecordAreaInfo::HighlightClick), 4);
        QCOMPARE(info->getCursorIndex(QRecordAreaInfo::HighlightCursor), 0);

        info->setStartPt(QPoint(10, 20));
        info->setRecordSize(QSize(640, 480));
        info->setStartPreviousPt(QPoint(1, 2));
        info->setRecordPreviousSize(QSize(3, 4));
        info->swapPtAntSize();
        QCOMPARE(info->getStartPt(), QPoint(1, 2));
        QCOMPARE(info->getRecordSize(), QSize(3, 4));
        info->swapPtAntSize();
        QCOMPARE(info->getStartPt(), QPoint(10, 20));
        QCOMPARE(info->getRecordSize(), QSize(640, 480));
    }
};

QTEST_GUILESS_MAIN(RecordAreaInfoTest)
#include "tst_recordareainfo.moc"
