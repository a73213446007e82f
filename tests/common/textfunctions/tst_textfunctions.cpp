// Path, text, size and time helpers, and the tag-text conversions.
#include "common/commonfunctions.h"
#include "common/vehelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstring>

class TextFunctionsTest : public QObject
{
    Q_OBJECT
private slots:
    void timeTexts()
    {
        QCOMPARE(Ms2String(3723004, true), std::string("01:02:03.004"));
        QCOMPARE(Ms2String(3723004, false), std::string("01:02:03"));
        QCOMPARE(Ms2String(0, false), std::string("00:00:00"));
        QCOMPARE(Ms2String(0, true), std::string("00:00:00.000"));
        QCOMPARE(Ms2String(-5, true), std::string("00:00:00.000"));
        QCOMPARE(Ms2String(360000000, false), std::string("100:00:00"));
        QCOMPARE(Ms2String(59999, true), std::string("00:00:59.999"));
    }
    void parsedTimes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qlonglong>("ms");
        QTest::newRow("h:m:s.ms") << QByteArray("01:02:03.004") << 3723004LL;
        QTest::newRow("m:s") << QByteArray("02:03") << 123000LL;
        QTest::newRow("s") << QByteArray("5") << 5000LL;
        QTest::newRow("1.5 is a second and a half") << QByteArray("1.5") << 1500LL;
        QTest::newRow("1.05") << QByteArray("1.05") << 1050LL;
        QTest::newRow("m:s.f") << QByteArray("2:03.25") << 123250LL;
        QTest::newRow("extra digits dropped") << QByteArray("0:00:01.23456") << 1234LL;
        QTest::newRow("round trip") << QByteArray(Ms2String(45296789, true).c_str()) << 45296789LL;
        QTest::newRow("empty") << QByteArray("") << 0LL;
        QTest::newRow("letters") << QByteArray("ab:cd") << 0LL;
    }
    void parsedTimes()
    {
        QFETCH(QByteArray, text);
        QFETCH(qlonglong, ms);
        QCOMPARE(String2Ms(text.constData()), ms);
    }
    void nullTimeText()
    {
        QCOMPARE(String2Ms(nullptr), 0LL);
    }
    void sizeTexts()
    {
        QCOMPARE(AdjustFileSize(1024), std::wstring(L"1024.00B"));
        QCOMPARE(AdjustFileSize(1025), std::wstring(L"1.00KB"));
        QCOMPARE(AdjustFileSize(1048576), std::wstring(L"1024.00KB"));
        QCOMPARE(AdjustFileSize(1048577), std::wstring(L"1.00MB"));
        QCOMPARE(AdjustFileSize(1073741825), std::wstring(L"1.00GB"));
        QCOMPARE(AdjustFileSize(-1), std::wstring(L"-0.00GB"));
    }
    void pathParts()
    {
        QCOMPARE(ExtractFilePathA("/a/b/c.mp3"), std::string("/a/b/"));
        QCOMPARE(ExtractFilePathW(L"C:\\music\\x.mp3"), std::wstring(L"C:\\music\\"));
        QCOMPARE(ExtractFilePathA("/file"), std::string());
        QCOMPARE(ExtractFileNameA("/file"), std::string("/file"));
        QCOMPARE(ExtractFileNameW(L"/a/b/c.mp3"), std::wstring(L"c.mp3"));
        QCOMPARE(ExtractFileNameA("name"), std::string("name"));
        QCOMPARE(ExtractFileExt(L"/a.b/c.tar.gz"), std::wstring(L".gz"));
        QCOMPARE(ExtractFileExtA("/a.b/noext"), std::string());
        QCOMPARE(ExtractFileExtA(".hidden"), std::string());
        QCOMPARE(ExtractFileDrive(L"C:\\x"), std::wstring(L"C:"));
        QCOMPARE(ExtractFileDrive(L"/x"), std::wstring());
        QCOMPARE(ExtractFilePathA(nullptr), std::string());
    }
    void textHelpers()
    {
        QCOMPARE(trim("\t\n two words \r "), std::string("two words"));
        QCOMPARE(trim(" \t "), std::string());
        QCOMPARE(wcstrim(L"  x y\n"), std::wstring(L"x y"));
        QVERIFY(CompareNoCase("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"));
        QVERIFY(!CompareNoCase("abc", "abd"));
        QVERIFY(CompareNoCaseW(L"Music", L"mUSIC"));
        char text[] = "ABC DEF";
        QCOMPARE(std::string(strlwr(text)), std::string("abc DEF"));
        char spaced[] = " ABC";
        QCOMPARE(std::string(strlwr(spaced)), std::string(" ABC"));
        QVERIFY(RandomStr(0).empty());
        const std::wstring r = RandomStr(12);
        QCOMPARE(r.size(), size_t(12));
        QCOMPARE(RandomStr(12), r);
        QVERIFY(std::all_of(r.begin(), r.end(), [](wchar_t c) {
            return std::wcschr(L"0123456789_abcdefghijklmnopqrstuvwxyz", c) != nullptr;
        }));
    }
    void fileNameValidity()
    {
        QVERIFY(!ValidFileName(nullptr));
        QVERIFY(ValidFileName(L""));
        QVERIFY(ValidFileName(L"C:/music/song.mp3"));
        QVERIFY(!ValidFileName(L"C:/a:b"));
        QVERIFY(!ValidFileName(L"ab:"));
        QVERIFY(!ValidFileName(L"what?.mp3"));
        QVERIFY(!ValidFileName(L"a|b"));
        QVERIFY(!ValidFileName(L" lead"));
        QVERIFY(!ValidFileName(L"trail "));
        QVERIFY(!ValidFileName(L"dir/ x"));
        QVERIFY(!ValidFileName(L"dir \\x"));
        QVERIFY(ValidFileName(L"two words.mp3"));
    }
    void filesOnDisk()
    {
        QTemporaryDir dir;
        const QString base = dir.path();
        QVERIFY(QDir().mkpath(base + "/sub/deeper"));
        for (const char *name : {"a.mp3", "sub/b.Mp3", "sub/deeper/c.mp3.bak", "sub/deeper/d.MP3", "e.wav"}) {
            QFile f(base + "/" + QString(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("12345");
        }
        std::vector<std::string> found;
        OverReadFiles((" " + base.toStdString() + "\t").c_str(), found, ".MP3");
        std::sort(found.begin(), found.end());
        const std::vector<std::string> expected {(base + "/a.mp3").toStdString(),
                                                 (base + "/sub/b.Mp3").toStdString(),
                                                 (base + "/sub/deeper/d.MP3").toStdString()};
        QCOMPARE(found, expected);

        const std::wstring a = (base + "/a.mp3").toStdWString();
        QVERIFY(FileExistW(a.c_str()));
        QVERIFY(FileExist((base + "/e.wav").toUtf8().constData()));
        QVERIFY(!FileExistW(L""));
        QVERIFY(DirectoryExist(base.toStdWString().c_str()));
        QVERIFY(!DirectoryExist(a.c_str()));
        QVERIFY(FileReadable(a.c_str()));
        QVERIFY(FileWritable(a.c_str()));
        QCOMPARE(GetFileSize(a.c_str()), 5LL);  // the writability test kept the bytes
        QCOMPARE(GetFileSize((base + "/none").toStdWString().c_str()), 0LL);
        QVERIFY(!FileReadable((base + "/none").toStdWString().c_str()));
        createPathA((base + "/made/here").toUtf8().constData());
        createPath((base + "/made2/x").toStdWString().c_str());
        QVERIFY(QDir(base + "/made/here").exists());
        QVERIFY(QDir(base + "/made2/x").exists());
    }
    void pathsRelativeToTheProgram()
    {
        const QString app = QCoreApplication::applicationDirPath();
        QCOMPARE(GetAppCurPath(), app.toStdWString());
        QCOMPARE(ExpandFileName(L"res/a.png"), (app + "/res/a.png").toStdWString());
        QVERIFY(ExpandFileName(L"").empty());
        QCOMPARE(CollapseFileName((app + "/res/a.png").toStdWString().c_str()), std::wstring(L"res/a.png"));
        QCOMPARE(CollapseFileName(app.toStdWString().c_str()), std::wstring(L"."));
        QDir parent(app);
        parent.cdUp();
        QCOMPARE(CollapseFileName((parent.path() + "/other/f").toStdWString().c_str()),
                 std::wstring(L"../other/f"));
    }
    void tagTextConversions()
    {
        const auto text = VEHelper::ConvertCharToUtft32("\xF0\x9F\x8E\xB5 Song");
        QVERIFY(text.has_value());
        QCOMPARE(text->size(), size_t(6));
        QCOMPARE((*text)[0], char32_t(0x1F3B5));
        QVERIFY(!VEHelper::ConvertCharToUtft32("\xFF").has_value());
        QVERIFY(VEHelper::ConvertCharToUtft32("")->empty());
        const std::string embedded("before\0after", 12);
        QCOMPARE(VEHelper::charToQString(embedded), QString("before"));
        QCOMPARE(VEHelper::charToQString("\xC3\xA9t\xC3\xA9"), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    }
};

QTEST_GUILESS_MAIN(TextFunctionsTest)
#include "tst_textfunctions.moc"
