// The codec ids, container names and frame-rate fractions the codec layer is
// handed; a wrong entry silently records into the wrong codec or container.
#include "common/jxavcodecanalysis.h"

#include <QtTest>

namespace {
quint32 packBigEndian(const char *four)
{
    return (quint32(quint8(four[0])) << 24) | (quint32(quint8(four[1])) << 16)
           | (quint32(quint8(four[2])) << 8) | quint32(quint8(four[3]));
}
quint32 packLittleEndian(const char *four)
{
    const char reversed[4] = {four[3], four[2], four[1], four[0]};
    return packBigEndian(reversed);
}
} // namespace

class CodecNamesTest : public QObject
{
    Q_OBJECT
private slots:
    void codecIds_data()
    {
        QTest::addColumn<QString>("fourcc");
        QTest::addColumn<qint64>("id");
        const struct { const char *name; qint64 id; } rows[] = {
            {"AC3", 86019}, {"in24", 65549}, {"mp43", 17}, {"wma3", 86054}, {"wma2", 86024},
            {"wma1", 86023}, {"MP3", 86017}, {"VP8", 141}, {"VP9", 169}, {"AAC", 86018},
            {"MJPG", 8}, {"MP4V", 13}, {"OGG", 86021}, {"WMV1", 18}, {"WMV2", 19},
            {"VBIS", 86021}, {"mpg1", 1}, {"HMP2", 2}, {"mp2v", 2}, {"mp1v", 1},
            {"H263", 5}, {"H264", 28}, {"H265", packBigEndian("H265")},
            {"Xvid", packLittleEndian("XVID")}, {"DIVX", packLittleEndian("DX50")},
            {"MP2A", 0x15000}, {"PCM", 0x10000}, {"APE", 0x10000}, {"caf", 0x11000},
            {"DV60", 25}, {"flac", 86028}, {"AMRN", 0x12000}, {"flv1", 22},
            {"fmp3", 69645}, {"DV50", 25}, {"WMV3", 72}, {"vc-1", 71},
            {"pcmb", 0x10001}, {"alac", 86032}, {"OGV", 31}, {"OPUS", 0x1503C},
            // Exact comparison: other spellings are unknown.
            {"mp3", 0}, {"aac", 0}, {"H264 ", 0}, {"", 0},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name[0] ? row.name : "empty") << QString(row.name) << row.id;
    }
    void codecIds()
    {
        QFETCH(QString, fourcc);
        QFETCH(qint64, id);
        QCOMPARE(qint64(JXAVCodecAnalysis::codecIDOfFourcc(fourcc.toStdString())), id);
    }
    void packedIdsHaveTheDocumentedValues()
    {
        QCOMPARE(JXAVCodecAnalysis::codecIDOfFourcc("H265"), 1211250229);
        QCOMPARE(JXAVCodecAnalysis::codecIDOfFourcc("Xvid"), 1145656920);
        QCOMPARE(JXAVCodecAnalysis::codecIDOfFourcc("DIVX"), 808802372);
    }
    void containers_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("container");
        const char *rows[][2] = {
            {"m4v", "mp4"}, {"m4a", "mp4"}, {"m4b", "mp4"}, {"m4r", "mp4"}, {"wmv", "asf"},
            {"wma", "asf"}, {"mkv", "matroska"}, {"mka", "matroska"}, {"mpg", "mpeg"},
            {"ts", "mpegts"}, {"trp", "mpegts"}, {"DivX", "avi"}, {"ogv", "ogg"},
            {"WebM", "webm"}, {"aac", "adts"}, {"alac", "mov"},
            {"flac", "flac"}, {"mp3", "mp3"}, {"webm", "webm"}, {"M4A", "M4A"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[0]) << QString(row[1]);
    }
    void containers()
    {
        QFETCH(QString, extension);
        QFETCH(QString, container);
        QCOMPARE(QString::fromStdString(JXAVCodecAnalysis::formatOfFourCC(extension.toStdString())),
                 container);
    }
    void frameRates_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<uint>("num");
        QTest::addColumn<uint>("den");
        QTest::newRow("23.976") << 23.976 << 24000u << 1001u;
        QTest::newRow("23.99") << 23.99 << 24u << 1u;
        QTest::newRow("24") << 24.0 << 24u << 1u;
        QTest::newRow("25") << 25.0 << 25u << 1u;
        QTest::newRow("29.97") << 29.97 << 30000u << 1001u;
        QTest::newRow("29.5") << 29.5 << 29u << 1u;
        QTest::newRow("29.99") << 29.99 << 30u << 1u;
        QTest::newRow("59.94") << 59.94 << 60000u << 1001u;
        QTest::newRow("59.995") << 59.995 << 60u << 1u;
        QTest::newRow("14.999") << 14.999 << 15u << 1u;
        QTest::newRow("0") << 0.0 << 0u << 1u;
        QTest::newRow("negative") << -5.0 << 0u << 1u;
    }
    void frameRates()
    {
        QFETCH(double, rate);
        QFETCH(uint, num);
        QFETCH(uint, den);
        unsigned int n = 7;
        unsigned int d = 7;
        JXAVCodecAnalysis::GetVideoFrameRate(rate, n, d);
        QCOMPARE(n, num);
        QCOMPARE(d, den);
    }
    void containerOfCodecId()
    {
        std::string ext;
        QCOMPARE(JXAVCodecAnalysis::formatOfCodecID(0x15001, ext), std::string("mp3"));
        QCOMPARE(ext, std::string("mp3"));
        QCOMPARE(JXAVCodecAnalysis::formatOfCodecID(0x15002, ext), std::string("mp4"));
        QCOMPARE(ext, std::string("m4a"));
        QCOMPARE(JXAVCodecAnalysis::formatOfCodecID(0x1502A, ext), std::string("asf"));
        QCOMPARE(ext, std::string("asf"));
        QCOMPARE(JXAVCodecAnalysis::formatOfCodecID(28, ext), std::string("mp3"));
        QCOMPARE(ext, std::string("mp3"));
    }
    void containerOfListNameAndBrand_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("container");
        const QString iso = "mov,mp4,m4a,3gp,3g2,mj2";
        QTest::newRow("qt") << iso << "qt  " << "mov";
        QTest::newRow("qt one blank") << iso << "qt " << "mp4";
        QTest::newRow("f4v") << iso << "f4v " << "f4v";
        QTest::newRow("3gp5") << iso << "3gp5" << "3gp";
        QTest::newRow("3g2a") << iso << "3g2a" << "3g2";
        QTest::newRow("M4A") << iso << "M4A " << "mp4";
        QTest::newRow("isom") << iso << "isom" << "mp4";
        QTest::newRow("matroska") << "matroska,webm" << "matroska" << "matroska";
        QTest::newRow("webm") << "matroska,webm" << "webm" << "webm";
        QTest::newRow("mkv other") << "matroska,webm" << "" << "mp4";
        QTest::newRow("other list") << "wav" << "RIFF" << "wav";
        QTest::newRow("empty") << "" << "" << "";
    }
    void containerOfListNameAndBrand()
    {
        QFETCH(QString, list);
        QFETCH(QString, brand);
        QFETCH(QString, container);
        QCOMPARE(QString::fromStdString(JXAVCodecAnalysis::formatForFormatName(list.toStdString(),
                                                                             brand.toStdString())),
                 container);
    }
};

QTEST_GUILESS_MAIN(CodecNamesTest)
#include "tst_codecnames.moc"
