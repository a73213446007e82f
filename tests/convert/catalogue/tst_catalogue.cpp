// The output-profile catalogue: list texts, codec names, filters, automatic
// profiles and choices of a catalogue written to disk, a damaged file, and
// every preset of the shipped catalogue against the real encoders.

#include "common/jxavcodecanalysis.h"
#include "convert/qplistparser.h"
#include "convert/qplistread.h"
#include "rzcodec/codecids.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>

extern "C" {
#include <libavcodec/avcodec.h>
}

using Strings = std::vector<std::string>;

namespace {

// A catalogue small enough to read at a glance; values carry blanks where
// the reader must trim them.
const char kCatalogue[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0">
<dict>
  <key>Categories</key>
  <array><string>General Video</string><string>Devices</string></array>
  <key>Codecs</key>
  <dict>
    <key>mp3 </key><string>MPEG Layer 3</string>
    <key>h264</key><string>H.264</string>
  </dict>
  <key>General Video</key>
  <array>
    <dict>
      <key>baseinfo</key>
      <dict><key>title</key><string>Movie</string><key>id</key><string>4000</string>
            <key>ext</key><string>mp4</string><key>icon</key><string>mp4</string></dict>
      <key>videoencoders</key>
      <dict><key>supports</key><string>h264, mpeg4</string><key>default</key><string> h264 </string>
            <key>filter</key><string>h264:aac,mp3|mpeg4:mp3</string></dict>
      <key>resolution</key><dict><key>default</key><string>1280*720</string></dict>
      <key>videoparams</key>
      <array>
        <dict><key>fourcc</key><string>h264</string><key>resolution</key><string>640*480</string>
              <key>videobitrate</key><dict><key>default</key><string>800</string><key>low</key><string>400</string>
                <key>high</key><string>1200</string><key>supports</key><string>400,800,1200</string></dict>
              <key>framerate</key><dict><key>default</key><string>25</string><key>supports</key><string>0,25,30</string></dict></dict>
        <dict><key>fourcc</key><string> h264</string><key>resolution</key><string>1280*720</string>
              <key>videobitrate</key><dict><key>default</key><string>2000</string><key>low</key><string>1000</string>
                <key>high</key><string>3000</string><key>supports</key><string>1000,2000,3000</string></dict>
              <key>framerate</key><dict><key>default</key><string>30</string><key>supports</key><string>30</string></dict></dict>
        <dict><key>fourcc</key><string>mpeg4</string><key>resolution</key><string>320*240</string>
              <key>videobitrate</key><dict><key>default</key><string>500</string><key>supports</key><string>500</string></dict>
              <key>framerate</key><dict><key>default</key><string>15</string><key>supports</key><string>15</string></dict></dict>
      </array>
      <key>audioencoders</key><dict><key>supports</key><string>aac,mp3</string><key>default</key><string>aac</string></dict>
      <key>channels</key><dict><key>default</key><string>2</string></dict>
      <key>audioparams</key>
      <array>
        <dict><key>fourcc</key><string>aac</string><key>channel</key><string>2</string>
              <key>audiobitrate</key><dict><key>default</key><string>128</string><key>supports</key><string>96,128</string></dict>
              <key>samplerate</key><dict><key>default</key><string>44100</string><key>supports</key><string>44100,48000</string></dict></dict>
        <dict><key>fourcc</key><string>mp3</string><key>channel</key><string>1</string>
              <key>audiobitrate</key><dict><key>default</key><string>96</string><key>low</key><string>64</string>
                <key>high</key><string>128</string><key>supports</key><string>64,96,128</string></dict>
              <key>samplerate</key><dict><key>default</key><string>32000</string><key>supports</key><string>32000</string></dict></dict>
        <dict><key>fourcc</key><string>mp3</string><key>channel</key><string>2</string>
              <key>audiobitrate</key><dict><key>default</key><string>192</string><key>supports</key><string>192,320</string></dict>
              <key>samplerate</key><dict><key>default</key><string>44100</string><key>supports</key><string>44100</string></dict></dict>
      </array>
    </dict>
    <dict>
      <key>baseinfo</key>
      <dict><key>title</key><string>Auto Sound</string><key>id</key><string>4001</string>
            <key>ext</key><string>mp3</string><key>icon</key><string>mp3</string><key>auto</key><string>1</string></dict>
      <key>audioencoders</key><dict><key>supports</key><string>mp3</string><key>default</key><string>mp3</string></dict>
      <key>channels</key><dict><key>default</key><string>2</string></dict>
      <key>audioparams</key>
      <array>
        <dict><key>fourcc</key><string>mp3</string><key>channel</key><string>2</string>
              <key>audiobitrate</key><dict><key>default</key><string>192</string><key>supports</key><string>128,192</string></dict>
              <key>samplerate</key><dict><key>default</key><string>44100</string><key>supports</key><string>44100</string></dict></dict>
      </array>
    </dict>
  </array>
  <key>Devices</key>
  <array>
    <dict><key>baseinfo</key>
      <dict><key>title</key><string>Player</string><key>id</key><string>7</string>
            <key>ext</key><string>mp3</string><key>icon</key><string>player</string></dict></dict>
  </array>
</dict>
</plist>
)";

Strings list(std::initializer_list<const char *> items)
{
    return Strings(items.begin(), items.end());
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listTexts();
    void codecNames();
    void filterLimitsTheAudioEncoders();
    void profileDefaultsAndChoices();
    void automaticProfile();
    void categoriesAndBaseInfo();
    void damagedCatalogueAnswersEmpty_data();
    void damagedCatalogueAnswersEmpty();
    void processWideReaderKeepsItsFirstPath();
    void shippedPresetsResolveThroughTheCodecTables();
    void hostileCataloguesAreRefusedWithTheirReason_data();
    void hostileCataloguesAreRefusedWithTheirReason();
    void pipeInPlaceOfTheCatalogueNeverBlocks();
    void wrongTypesAreNamedWithTheirLine_data();
    void wrongTypesAreNamedWithTheirLine();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QPlistRead> m_reader;
};

void TestCatalogue::initTestCase()
{
    const QString path = m_dir.filePath("profiles.plist");
    QVERIFY(TestSupport::writeBytes(path, kCatalogue));
    m_reader = std::make_unique<QPlistRead>(path.toStdString());
    QVERIFY2(m_reader->isLoaded(), qPrintable(m_reader->errorString()));
}

void TestCatalogue::listTexts()
{
    Strings out{"kept"};
    QPlistRead::analysisTextInfo(" 64, 0 ,128,, ", " kbps", out);
    QCOMPARE(out, list({"kept", "64 kbps", "Auto", "128 kbps"}));
    out.clear();
    QPlistRead::analysisTextInfo("", out);
    QVERIFY(out.empty());
    QPlistRead::analysisTextInfo(",, ,", out);
    QVERIFY(out.empty());
    QPlistRead::analysisTextInfo("a ,0", out);
    QCOMPARE(out, list({"a", "Auto"}));
}

void TestCatalogue::codecNames()
{
    QCOMPARE(m_reader->getCodecsForKey("mp3"), std::string("MPEG Layer 3"));
    QCOMPARE(m_reader->getCodecsForKey("h264"), std::string("H.264"));
    QCOMPARE(m_reader->getCodecsForKey("aac"), std::string("aac "));
    QCOMPARE(m_reader->getCodecsForKey("xvid"), std::string("xvid"));
    QCOMPARE(m_reader->getCodecsForKey("Auto"), std::string("Auto"));
    QCOMPARE(m_reader->getCodecsForKey(""), std::string());
}

void TestCatalogue::filterLimitsTheAudioEncoders()
{
    Strings out;
    QPlistRead::analysisFilter("h264:aac,mp3|mpeg4:mp3", "mpeg4", out);
    QCOMPARE(out, list({"mp3"}));
    out.clear();
    QPlistRead::analysisFilter("h264:aac,mp3|mpeg4:mp3", "h264", out);
    QCOMPARE(out, list({"aac", "mp3"}));
    out.clear();
    QPlistRead::analysisFilter("h264:aac,mp3|mpeg4:mp3", "vp9", out);
    QVERIFY(out.empty());
    QPlistRead::analysisFilter("h264", "h264", out);
    QVERIFY(out.empty());

    // Through a profile: the filter, not the audio encoder list, decides.
    const auto info = m_reader->GetFormatInfoForPlist("General Video", "4000", "mpeg4", "", "", "");
    QVERIFY(info);
    QCOMPARE(info->audioEncoders, list({"mp3"}));
    QCOMPARE(info->audioEncoder, std::string("mp3"));
    QCOMPARE(info->defaultChannels, std::string("2"));
    QCOMPARE(info->audioChannels, list({"1", "2"}));
    QCOMPARE(info->defaultAudioBitRate, std::string("192 kbps"));
    // Low and high fall back on the default when the profile has none.
    QCOMPARE(info->minAudioBitRate, std::string("192 kbps"));
    QCOMPARE(info->maxAudioBitRate, std::string("192 kbps"));
}

void TestCatalogue::profileDefaultsAndChoices()
{
    auto info = m_reader->GetFormatInfoForPlist("General Video", "4000", "", "", "", "");
    QVERIFY(info);
    QVERIFY(!info->onlyAudio);
    QVERIFY(!info->autoMode);
    QCOMPARE(info->extension, std::string("mp4"));
    QCOMPARE(info->videoEncoders, list({"h264", "mpeg4"}));
    QCOMPARE(info->videoEncoder, std::string("h264"));
    QCOMPARE(info->videoResolutions, list({"640*480", "1280*720"}));
    QCOMPARE(info->defaultResolution, std::string("1280*720"));
    QCOMPARE(info->maxVideoBitRate, std::string("3000 kbps"));
    QCOMPARE(info->minVideoBitRate, std::string("1000 kbps"));
    QCOMPARE(info->defaultFrameRate, std::string("30 fps"));
    QCOMPARE(info->audioEncoders, list({"aac", "mp3"}));

    // Two entries of one encoder: the selector picks B; an unknown one the first.
    info = m_reader->GetFormatInfoForPlist("General Video", "4000", "h264", "640*480", "", "");
    QCOMPARE(info->defaultResolution, std::string("640*480"));
    QCOMPARE(info->defaultVideoBitRate, std::string("800 kbps"));
    QCOMPARE(info->videoFrameRates, list({"Auto", "25 fps", "30 fps"}));
    info = m_reader->GetFormatInfoForPlist("General Video", "4000", "h264", "1*1", "", "");
    QCOMPARE(info->defaultResolution, std::string("640*480"));
    QCOMPARE(info->defaultVideoBitRate, std::string("800 kbps"));

    // An encoder without parameters: lists filled, values not.
    info = m_reader->GetFormatInfoForPlist("General Video", "4000", "vp9", "", "", "");
    QCOMPARE(info->videoEncoders, list({"h264", "mpeg4"}));
    QVERIFY(info->videoResolutions.empty());
    QVERIFY(info->videoBitRates.empty());
    QCOMPARE(info->maxVideoBitRate, std::string());

    // Unknown profile: category and id only; empty id or category: nothing.
    info = m_reader->GetFormatInfoForPlist("General Video", "9999", "", "", "", "");
    QVERIFY(info);
    QCOMPARE(info->formatId, std::string("9999"));
    QCOMPARE(info->category, std::string("General Video"));
    QVERIFY(info->extension.empty() && info->audioEncoders.empty());
    QVERIFY(!m_reader->GetFormatInfoForPlist("General Video", "", "", "", "", ""));
    QVERIFY(!m_reader->GetFormatInfoForPlist("", "4000", "", "", "", ""));
}

void TestCatalogue::automaticProfile()
{
    const auto plain = m_reader->GetFormatInfoForPlist("General Video", "4001", "", "", "", "");
    const auto autoSel = m_reader->GetFormatInfoForPlist("General Video", "4001", "Auto", "Auto", "Auto", "Auto");
    QVERIFY(plain && autoSel);
    QVERIFY(plain->autoMode && plain->onlyAudio);
    QCOMPARE(plain->audioEncoders, list({"Auto", "mp3"}));
    QCOMPARE(plain->audioChannels, list({"Auto", "2"}));
    QCOMPARE(plain->audioBitRates, list({"Auto", "128 kbps", "192 kbps"}));
    QCOMPARE(plain->audioSampleRates, list({"Auto", "44100 HZ"}));
    QVERIFY(plain->videoEncoders.empty());
    QCOMPARE(autoSel->audioEncoder, plain->audioEncoder);
    QCOMPARE(autoSel->defaultChannels, plain->defaultChannels);
    QCOMPARE(autoSel->audioBitRates, plain->audioBitRates);
}

void TestCatalogue::categoriesAndBaseInfo()
{
    QCOMPARE(m_reader->getCategories(), list({"General Video", "Devices"}));
    const auto entries = m_reader->getCategoriesInfoList("General Video");
    QCOMPARE(int(entries.size()), 2);
    QCOMPARE(entries[1].title, std::string("Auto Sound"));
    QCOMPARE(entries[1].id, std::string("4001"));
    QCOMPARE(entries[1].category, std::string("General Video"));
    QCOMPARE(entries[0].icon, std::string("mp4"));
    QVERIFY(m_reader->getCategoriesInfoList("").empty());
    QVERIFY(m_reader->getCategoriesInfoList("Nothing").empty());
    QCOMPARE(m_reader->getFormatInfoForKey("Devices", "7", "title"), std::string("Player"));
    QCOMPARE(m_reader->getFormatInfoForKey("Devices", "8", "title"), std::string());
    QCOMPARE(m_reader->getFormatInfoForKey("Devices", "7", "nothing"), std::string());
}

void TestCatalogue::damagedCatalogueAnswersEmpty_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray cut(kCatalogue);
    cut.truncate(cut.size() / 2);
    QTest::newRow("cut short") << cut;
    QTest::newRow("not a plist") << QByteArray("<html><body/></html>");
    QTest::newRow("dict value without key") << QByteArray("<plist><dict><string>x</string></dict></plist>");
    QTest::newRow("bad integer") << QByteArray("<plist><dict><key>a</key><integer>x1</integer></dict></plist>");
    QTest::newRow("root is a string") << QByteArray("<plist><string>x</string></plist>");
    QTest::newRow("empty file") << QByteArray();
}

void TestCatalogue::damagedCatalogueAnswersEmpty()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath("damaged.plist");
    QVERIFY(TestSupport::writeBytes(path, bytes));
    QPlistRead reader(path.toStdString());
    QVERIFY(!reader.isLoaded());
    QVERIFY(reader.errorString().contains(path));
    QVERIFY(reader.getCategories().empty());
    QVERIFY(reader.getCategoriesInfoList("General Video").empty());
    const auto info = reader.GetFormatInfoForPlist("General Video", "4000", "", "", "", "");
    QVERIFY(info);
    QVERIFY(info->extension.empty() && info->audioEncoders.empty());
    QCOMPARE(reader.getCodecsForKey("mp3"), std::string("mp3 "));

    QPlistRead missing(m_dir.filePath("missing.plist").toStdString());
    QVERIFY(!missing.isLoaded());
}

void TestCatalogue::processWideReaderKeepsItsFirstPath()
{
    QPlistRead *first = QPlistRead::getPlistRead(m_dir.filePath("profiles.plist").toStdString());
    QPlistRead *second = QPlistRead::getPlistRead(m_dir.filePath("other.plist").toStdString());
    QCOMPARE(first, second);
    QVERIFY(first->isLoaded());
}

void TestCatalogue::shippedPresetsResolveThroughTheCodecTables()
{
    QPlistRead shipped(QPlistRead::cataloguePath());
    QVERIFY2(shipped.isLoaded(), qPrintable(shipped.errorString()));
    QCOMPARE(shipped.getCategories(), list({"General Audio"}));
    const auto presets = shipped.getCategoriesInfoList("General Audio");
    QStringList titles;
    for (const CategoryInfo &p : presets)
        titles << QString::fromStdString(p.title);
    QCOMPARE(titles, QStringList({"MP3", "AAC (M4A)", "WAV", "AIFF", "FLAC", "Ogg Vorbis", "Opus", "WMA",
                                  "AC3", "ALAC (M4A)"}));
    QCOMPARE(presets.front().id, std::string("5000"));

    for (const CategoryInfo &p : presets) {
        const QByteArray name = QByteArray::fromStdString(p.title);
        const auto info = shipped.GetFormatInfoForPlist("General Audio", p.id, "", "", "", "");
        QVERIFY2(info && info->onlyAudio && !info->autoMode, name);
        QVERIFY2(!info->audioEncoders.empty(), name);
        QVERIFY2(!info->audioChannels.empty() && !info->audioSampleRates.empty(), name);
        for (const std::string &key : info->audioEncoders) {
            const int id = JXAVCodecAnalysis::codecIDOfFourcc(key);
            QVERIFY2(rz_codec_id_known(uint32_t(id)), (name + " " + key.c_str()).constData());
            const AVCodecDescriptor *codec = avcodec_descriptor_get_by_name(rz_codec_id_name(uint32_t(id)));
            QVERIFY2(codec, name);
            const AVCodec *encoder = avcodec_find_encoder(codec->id);
            QVERIFY2(encoder, name);
            // Every channel layout of the encoder offers only rates it takes.
            for (const std::string &channel : info->audioChannels) {
                const auto one = shipped.GetFormatInfoForPlist("General Audio", p.id, "", "", key, channel);
                QCOMPARE(one->defaultChannels, channel);
                QVERIFY2(!one->audioSampleRates.empty(), name);
                for (const std::string &rate : one->audioSampleRates) {
                    const int hz = std::stoi(rate);
                    bool accepted = !encoder->supported_samplerates;
                    for (const int *r = encoder->supported_samplerates; r && *r; ++r)
                        accepted = accepted || *r == hz;
                    QVERIFY2(accepted, (name + " " + rate.c_str()).constData());
                }
                // Lossy encoders give a low and a high bit rate from their list.
                if (!one->audioBitRates.empty()) {
                    const auto &rates = one->audioBitRates;
                    QVERIFY2(std::find(rates.begin(), rates.end(), one->minAudioBitRate) != rates.end(), name);
                    QVERIFY2(std::find(rates.begin(), rates.end(), one->maxAudioBitRate) != rates.end(), name);
                    QVERIFY2(std::stoi(one->minAudioBitRate) < std::stoi(one->maxAudioBitRate), name);
                }
            }
        }
        QVERIFY2(!shipped.getCodecsForKey(info->audioEncoder).empty(), name);
    }
}

namespace {
QByteArray nestedArrays(int levels)
{
    QByteArray bytes = "<plist><dict><key>Categories</key>";
    for (int i = 0; i < levels; ++i)
        bytes += "<array>";
    for (int i = 0; i < levels; ++i)
        bytes += "</array>";
    return bytes + "</dict></plist>";
}
} // namespace

void TestCatalogue::hostileCataloguesAreRefusedWithTheirReason_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("10,000 levels") << nestedArrays(10000) << "nested deeper than 64";
    QTest::newRow("100,000 levels") << nestedArrays(100000) << "nested deeper than 64";
    QByteArray refs;
    for (int i = 0; i < 10000; ++i)
        refs += "&a;";
    QTest::newRow("entities") << QByteArray("<!DOCTYPE plist [<!ENTITY a \"" + QByteArray(100000, 'x')
                                            + "\">]><plist><dict><key>k</key><string>" + refs
                                            + "</string></dict></plist>")
                              << "entity declarations";
    QByteArray big = "<plist><dict><key>k</key><string>";
    big += QByteArray(int(QPlistParser::kMaxBytes), 'x');
    QTest::newRow("too large") << QByteArray(big + "</string></dict></plist>") << "allowed";
}

void TestCatalogue::hostileCataloguesAreRefusedWithTheirReason()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath("hostile.plist");
    QVERIFY(TestSupport::writeBytes(path, bytes));
    QPlistRead reader(path.toStdString());
    QVERIFY(!reader.isLoaded());
    QVERIFY2(reader.errorString().contains(reason), qPrintable(reader.errorString()));
    QVERIFY(reader.getCategories().empty());
    // A plain document type without entities is what property lists carry.
    const QString plain = m_dir.filePath("doctype.plist");
    QVERIFY(TestSupport::writeBytes(plain, QByteArray(kCatalogue).replace("<plist", "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                                                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist")));
    QPlistRead withDoctype(plain.toStdString());
    QVERIFY2(withDoctype.isLoaded(), qPrintable(withDoctype.errorString()));
}

void TestCatalogue::pipeInPlaceOfTheCatalogueNeverBlocks()
{
    const QString path = m_dir.filePath("fifo.plist");
    QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    QString error;
    auto done = std::async(std::launch::async, [&] {
        QPlistRead reader(path.toStdString());
        error = reader.errorString();
        return reader.isLoaded();
    });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        done.wait();
        QFAIL("reading a pipe blocked");
    }
    QVERIFY(!done.get());
    QVERIFY2(error.contains("not a regular file"), qPrintable(error));
}

void TestCatalogue::wrongTypesAreNamedWithTheirLine_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("reason");
    QTest::newRow("categories a text")
        << QByteArray("<key>Categories</key>\n  <array><string>General Video</string><string>Devices</string></array>")
        << QByteArray("<key>Categories</key>\n  <string>General Video</string>")
        << "line 5: \"Categories\" is a text where a list is expected";
    QTest::newRow("profile a text")
        << QByteArray("<key>Devices</key>\n  <array>\n    <dict>")
        << QByteArray("<key>Devices</key>\n  <array>\n    <string>x</string><dict>")
        << "\"Devices/0\" is a text where a dictionary is expected";
    QTest::newRow("params a dictionary")
        << QByteArray("<key>audioparams</key>\n      <array>")
        << QByteArray("<key>audioparams</key>\n      <dict/><key>unused</key><array>")
        << "\"General Video/0/audioparams\" is a dictionary where a list is expected";
    QTest::newRow("bit rates a list")
        << QByteArray("<key>audiobitrate</key><dict><key>default</key><string>128</string>")
        << QByteArray("<key>audiobitrate</key><array/><key>x</key><dict><key>default</key><string>128</string>")
        << "\"General Video/0/audioparams/0/audiobitrate\" is a list where a dictionary is expected";
}

void TestCatalogue::wrongTypesAreNamedWithTheirLine()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, reason);
    QByteArray bytes(kCatalogue);
    QVERIFY2(bytes.contains(from), from);
    bytes.replace(bytes.indexOf(from), from.size(), to);
    const QString path = m_dir.filePath("wrongtype.plist");
    QVERIFY(TestSupport::writeBytes(path, bytes));
    QPlistRead reader(path.toStdString());
    QVERIFY(!reader.isLoaded());
    QVERIFY2(reader.errorString().contains(reason), qPrintable(reader.errorString()));
    QVERIFY2(reader.errorString().contains(QRegularExpression("line [1-9][0-9]*:")), qPrintable(reader.errorString()));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
