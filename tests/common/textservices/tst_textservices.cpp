// Clock, sleep and the strict UTF-8 to 32-bit conversion used for tag texts.
#include "common/jxcommoninterface.h"

#include <QElapsedTimer>
#include <QtTest>

class TextServicesTest : public QObject
{
    Q_OBJECT
private slots:
    void sleepWaitsAtLeastTheAskedTime()
    {
        const quint64 before = JxCommonInterface::getSystemTime();
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(JxCommonInterface::Sleep(20000), 0);
        const quint64 after = JxCommonInterface::getSystemTime();
        QVERIFY(timer.nsecsElapsed() >= 20000000);
        QVERIFY(after - before >= 20000);
        // The clock is in microseconds, not milli- or nanoseconds.
        QVERIFY(after - before < 2000000);
        QCOMPARE(JxCommonInterface::Sleep(-1), -1);
    }
    void clockIsMonotonic()
    {
        quint64 last = JxCommonInterface::getSystemTime();
        QVERIFY(last > 0);
        for (int i = 0; i < 1000; ++i) {
            const quint64 now = JxCommonInterface::getSystemTime();
            QVERIFY(now >= last);
            last = now;
        }
    }
    void convertsValidUtf8()
    {
        const auto empty = JxCommonInterface::ConvertCharToUtft32("");
        QVERIFY(empty.has_value());
        QVERIFY(empty->empty());
        QCOMPARE(empty->c_str()[0], char32_t(0));

        // "Ré" + G clef (outside the BMP) + "!"
        const auto text = JxCommonInterface::ConvertCharToUtft32("R\xC3\xA9\xF0\x9D\x84\x9E!");
        QVERIFY(text.has_value());
        QCOMPARE(text->size(), size_t(4));
        QCOMPARE((*text)[0], char32_t('R'));
        QCOMPARE((*text)[1], char32_t(0xE9));
        QCOMPARE((*text)[2], char32_t(0x1D11E));
        QCOMPARE((*text)[3], char32_t('!'));
        QCOMPARE(text->c_str()[4], char32_t(0));
    }
    void rejectsInvalidUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lone continuation") << QByteArray("a\x80");
        QTest::newRow("bad continuation") << QByteArray("\xC3\x28");
        QTest::newRow("truncated") << QByteArray("abc\xE2\x82");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF");
        QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\xAF");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("five-byte lead") << QByteArray("\xF8\x88\x80\x80\x80");
    }
    void rejectsInvalidUtf8()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!JxCommonInterface::ConvertCharToUtft32(bytes.constData()).has_value());
    }
    void nullTextGivesNothing()
    {
        QVERIFY(!JxCommonInterface::ConvertCharToUtft32(nullptr).has_value());
    }
};

QTEST_GUILESS_MAIN(TextServicesTest)
#include "tst_textservices.moc"
