#include "statefuzz.h"

#include "childpool.h"
#include "testsupport.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/qplistread.h"
#include "editor/qframechunk.h"
#include "editor/qreadframexml.h"
#include "media/veaudiosettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace StateFuzz {
namespace {

constexpr int kReadExit = 16;       // plus 1 when something was read, 2 when the file was set aside
constexpr int kBrokenBoundExit = 99; // a save multiplied the file, or a preset left its bounds

enum Target { History, Settings, Playlists, Preset, Catalogue, TargetCount };
const char *const kTargetNames[TargetCount] = {"History.xml", "preferences", "CustomedLists.xml",
                                               "effect preset", "catalogue"};

enum Kind { Nesting, Entities, HugeAttribute, WrongKinds, Truncation, ByteFlips, KindCount };
const char *const kKindNames[KindCount] = {"deep nesting", "entities", "huge attributes", "wrong kinds",
                                           "truncation", "byte flips"};

struct Seed {
    Target target;
    QByteArray bytes;
};

QByteArray historySeed()
{
    QByteArray xml = "<ROOTITEM>\n";
    for (int i = 0; i < 6; ++i) {
        xml += QStringLiteral("    <Path_item Converted_path_=\"/music/REC_%1.mp3\">\n"
                              "        <CONVERTED_INFO_ Img_path_=\"\" Title_=\"Song %1\" Resolutin_=\"0*0\" Time_=\"00:03:1%1\""
                              " Size_=\"3.1%1 MB\" Create_time_=\"0%1-12-2026 09:15\" Format_=\"MP3\" Extend_=\"mp3\""
                              " Artist_=\"Artist\" Album_=\"Album\" Genre_=\"Jazz\" preferencePath_=\"/pref/\""
                              " Video_file=\"N\" New_file=\"%2\"/>\n"
                              "        <List_name ListName=\"Road\"/>\n"
                              "        <List_name ListName=\"Night %1\"/>\n"
                              "    </Path_item>\n")
                   .arg(i)
                   .arg(i % 2 ? "Y" : "N")
                   .toUtf8();
    }
    return xml + "</ROOTITEM>\n";
}

QByteArray settingsSeed()
{
    return "<ROOTITEM>\n"
           "    <RECORD_TIME_INFO Bool_Stop_After_Time=\"N\" Stop_time_lenght=\"0\"/>\n"
           "    <XML_AUDIO_RECORD_TYPE BOOL_SYSTEM_AUDIO_=\"Y\" BOOL_MIC_AUDIO_=\"N\"/>\n"
           "    <FormatSet Audio_Categories=\"General Audio\" Audio_Id=\"5000\"/>\n"
           "    <OutPut_path path_value=\"/home/user/Documents/Converted/\"/>\n"
           "    <CLOSE_ITEM bIsCloseDlg=\"Y\"/>\n"
           "    <Screenshots IMG_SUFFIX=\"JPEG\" IMG_Folder=\"/home/user/Pictures/\"/>\n"
           "</ROOTITEM>\n";
}

QByteArray playlistsSeed()
{
    return "<ROOTITEM>\n    <List_name ListName=\"Road\"/>\n    <List_name ListName=\"Night\"/>\n"
           "    <List_name ListName=\"Day &amp; Night\"/>\n</ROOTITEM>\n";
}

QByteArray presetSeed()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<AudioEffect APPMinVersion=\"1\" Version=\"1\" Name=\"Rock\" Thumbnail=\"thumbnail.png\">\n"
           "    <EQ>\n"
           "        <Band hz=\"60\" db=\"5\"/>\n        <Band hz=\"170\" db=\"3\"/>\n"
           "        <Band hz=\"310\" db=\"-3\"/>\n        <Band hz=\"600\" db=\"-5\"/>\n"
           "        <Band hz=\"1000\" db=\"-2\"/>\n        <Band hz=\"3000\" db=\"2\"/>\n"
           "        <Band hz=\"6000\" db=\"5\"/>\n        <Band hz=\"12000\" db=\"6\"/>\n"
           "        <Band hz=\"14000\" db=\"6\"/>\n        <Band hz=\"16000\" db=\"6\"/>\n"
           "    </EQ>\n"
           "    <Rate Value=\"100\"/>\n"
           "</AudioEffect>\n";
}

QByteArray catalogueSeed()
{
    QFile shipped(QString::fromStdString(QPlistRead::cataloguePath()));
    if (shipped.open(QIODevice::ReadOnly))
        return shipped.readAll();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Categories</key>\n\t<array><string>General Audio</string></array>\n"
           "\t<key>General Audio</key>\n\t<array>\n\t\t<dict>\n"
           "\t\t\t<key>baseinfo</key>\n\t\t\t<dict><key>title</key><string>MP3</string><key>id</key>"
           "<string>5000</string><key>ext</key><string>mp3</string></dict>\n"
           "\t\t\t<key>audioencoders</key>\n\t\t\t<dict><key>supports</key><string>MP3</string></dict>\n"
           "\t\t\t<key>audioparams</key>\n\t\t\t<array><dict><key>fourcc</key><string>MP3</string>"
           "<key>channel</key><string>2</string><key>samplerate</key><dict><key>default</key>"
           "<string>44100</string><key>supports</key><string>44100,48000</string></dict></dict></array>\n"
           "\t\t</dict>\n\t</array>\n</dict>\n</plist>\n";
}

int randomInt(std::mt19937 &random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, std::max(low, high))(random);
}

// A random position just after a tag's closing ">" (or 0).
int afterATag(const QByteArray &b, std::mt19937 &random)
{
    std::vector<int> places;
    for (int i = 0; i < b.size(); ++i)
        if (b.at(i) == '>')
            places.push_back(i + 1);
    return places.empty() ? 0 : places[size_t(randomInt(random, 0, int(places.size()) - 1))];
}

// Start and end of a random attribute value (between its quotes); -1 when none.
std::pair<int, int> attributeValue(const QByteArray &b, std::mt19937 &random)
{
    std::vector<int> starts;
    for (int i = b.indexOf("=\""); i >= 0; i = b.indexOf("=\"", i + 2))
        starts.push_back(i + 2);
    if (starts.empty())
        return {-1, -1};
    const int start = starts[size_t(randomInt(random, 0, int(starts.size()) - 1))];
    const int end = b.indexOf('"', start);
    return {start, end < 0 ? b.size() : end};
}

QByteArray rootName(const QByteArray &b)
{
    for (int i = b.indexOf('<'); i >= 0; i = b.indexOf('<', i + 1)) {
        if (i + 1 < b.size() && b.at(i + 1) != '?' && b.at(i + 1) != '!') {
            int end = i + 1;
            while (end < b.size() && !QChar(b.at(end)).isSpace() && b.at(end) != '>' && b.at(end) != '/')
                ++end;
            return b.mid(i + 1, end - i - 1);
        }
    }
    return "ROOTITEM";
}

QByteArray mutate(const Seed &seed, Kind kind, std::mt19937 &random)
{
    QByteArray b = seed.bytes;
    switch (kind) {
    case Nesting: {
        static const int levels[] = {100, 5000, 20000, 100000};
        const int n = levels[randomInt(random, 0, 3)];
        const QByteArray tag = seed.target == Catalogue ? QByteArray(randomInt(random, 0, 1) ? "array" : "dict")
                                                        : QByteArray("n");
        QByteArray run;
        for (int i = 0; i < n; ++i)
            run += "<" + tag + ">";
        if (randomInt(random, 0, 1))
            for (int i = 0; i < n; ++i)
                run += "</" + tag + ">";
        b.insert(afterATag(b, random), run);
        break;
    }
    case Entities: {
        const QByteArray root = rootName(b);
        QByteArray doctype;
        if (randomInt(random, 0, 1)) {
            // Quadratic: one large entity referenced many times.
            doctype = "<!DOCTYPE " + root + " [<!ENTITY a \"" + QByteArray(randomInt(random, 1000, 100000), 'x') + "\">]>";
        } else {
            // Exponential: ten levels of ten references.
            doctype = "<!DOCTYPE " + root + " [<!ENTITY a0 \"lol\">";
            for (int i = 1; i < 10; ++i) {
                doctype += "<!ENTITY a" + QByteArray::number(i) + " \"";
                for (int j = 0; j < 10; ++j)
                    doctype += "&a" + QByteArray::number(i - 1) + ";";
                doctype += "\">";
            }
            doctype += "]>";
            doctype.replace("<!ENTITY a9", "<!ENTITY a");
        }
        QByteArray refs;
        for (int i = randomInt(random, 1, 2000); i > 0; --i)
            refs += "&a;";
        const auto value = attributeValue(b, random);
        if (value.first >= 0)
            b.replace(value.first, value.second - value.first, refs);
        const int prolog = b.startsWith("<?xml") ? b.indexOf("?>") + 2 : 0;
        b.insert(prolog, doctype);
        break;
    }
    case HugeAttribute: {
        static const int sizes[] = {65536, 1 << 20, 8 << 20, 17 << 20};
        const int size = sizes[randomInt(random, 0, 3)];
        const auto value = attributeValue(b, random);
        if (value.first >= 0 && randomInt(random, 0, 1))
            b.replace(value.first, value.second - value.first, QByteArray(size, 'A'));
        else
            b.insert(std::max(0, b.indexOf('>', b.indexOf(rootName(b)))), " huge=\"" + QByteArray(size, 'B') + "\"");
        break;
    }
    case WrongKinds: {
        static const char *const values[] = {"nan", "inf", "-inf", "-1", "0", "1e308", "abc", "", "-2147483649",
                                             "99999999999999999999", "\t\n", "Y", "&#0;"};
        for (int n = randomInt(random, 1, 4); n > 0; --n) {
            if (seed.target == Catalogue && randomInt(random, 0, 1)) {
                // A value of another kind in place of one.
                static const char *const swaps[][2] = {
                    {"<string>", "<array><string>"}, {"</string>", "</string></array>"},
                    {"<array>", "<string>x</string><array>"}, {"<dict>", "<array/><dict>"},
                    {"<string>", "<dict/><string>"}, {"<array>", "<integer>7</integer><array>"},
                    {"<key>", "<string>k</string><key>"}};
                const auto &swap = swaps[randomInt(random, 0, 6)];
                std::vector<int> at;
                for (int i = b.indexOf(swap[0]); i >= 0; i = b.indexOf(swap[0], i + 1))
                    at.push_back(i);
                if (!at.empty())
                    b.replace(at[size_t(randomInt(random, 0, int(at.size()) - 1))], int(std::strlen(swap[0])), swap[1]);
                continue;
            }
            const auto value = attributeValue(b, random);
            if (value.first >= 0)
                b.replace(value.first, value.second - value.first, values[randomInt(random, 0, 12)]);
        }
        break;
    }
    case Truncation:
        b.truncate(randomInt(random, 0, b.size() - 1));
        break;
    case ByteFlips: {
        char *data = b.data();
        for (int i = randomInt(random, 1, 16); i > 0; --i)
            data[randomInt(random, 0, b.size() - 1)] ^= char(1 << randomInt(random, 0, 7));
        break;
    }
    case KindCount:
        break;
    }
    return b;
}

// A save may re-indent a compact file, never multiply it.
bool sizeIsBounded(const QString &path, qint64 inputSize)
{
    return QFileInfo(path).size() <= 16 * inputSize + 64 * 1024;
}

// In the child: the program's reader of the target, then out without Qt's teardown.
[[noreturn]] void readInChild(Target target, const QString &input, const QString &dataDir, const QString &log)
{
    FuzzChildren::logTo(log);
    ::setenv("XDG_DATA_HOME", QFile::encodeName(dataDir).constData(), 1);
    const qint64 inputSize = QFileInfo(input).size();
    int bits = 0;
    bool bounded = true;
    auto place = [&](const QString &path) { QFile::remove(path); QFile::copy(input, path); };
    switch (target) {
    case History: {
        const QString path = QVideoSettingXml::historyFilePath();
        place(path);
        const QList<convertedInfo> records = QVideoSettingXml::analysisConvertedInfo();
        bits |= records.isEmpty() ? 0 : 1;
        QVideoSettingXml::GetConvertedInfo(records.isEmpty() ? QStringLiteral("/music/REC_1.mp3")
                                                             : records.first().convertedPath);
        convertedInfo info;
        info.convertedPath = QStringLiteral("/fuzz/new.mp3");
        info.listNames << QStringLiteral("Road");
        QVideoSettingXml::SaveConvertedInfo(info);
        QVideoSettingXml::GetConvertedPath();
        QVideoSettingXml::waitForHistory();
        bits |= QFile::exists(path + ".bad") ? 2 : 0;
        bounded = sizeIsBounded(path, inputSize);
        break;
    }
    case Settings: {
        const QString path = QVideoSettingXml::preferencesFilePath();
        place(path);
        bits |= QVideoSettingXml::GetItemValue(QStringLiteral("FormatSet"), QStringLiteral("Audio_Id"),
                                               QStringLiteral("x")) != QLatin1String("x") ? 1 : 0;
        QVideoSettingXml::SetItemValue(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg"), QStringLiteral("N"));
        QVideoSettingXml::getCaptureImgSuffix();
        QVideoSettingXml::GetItemValue(QStringLiteral("CLOSE_ITEM"), QStringLiteral("bIsCloseDlg"), QStringLiteral("Y"));
        bits |= QFile::exists(path + ".bad") ? 2 : 0;
        bounded = sizeIsBounded(path, inputSize);
        break;
    }
    case Playlists: {
        const QString path = QVideoSettingXml::playListFilePath();
        place(path);
        bits |= QVideoSettingXml::GetAllPlayLists().isEmpty() ? 0 : 1;
        QVideoSettingXml::AppendPlayList(QStringLiteral("fuzz"));
        QVideoSettingXml::SetPlayListName(QStringLiteral("Road"), QStringLiteral("Road 2"));
        bits |= QFile::exists(path + ".bad") ? 2 : 0;
        bounded = sizeIsBounded(path, inputSize);
        break;
    }
    case Preset: {
        std::unique_ptr<QFrameChunk> chunk(QReadFrameXML::readFrameChunk(input));
        if (chunk) {
            bits |= 1;
            bounded = chunk->equalizer.size() <= VEEqualizeSettings::kMaxBands
                && (chunk->rate == 100
                    || (chunk->rate >= VEAudioEffectSetting::kMinRate && chunk->rate <= VEAudioEffectSetting::kMaxRate));
            for (auto it = chunk->equalizer.constBegin(); it != chunk->equalizer.constEnd(); ++it)
                bounded = bounded && std::isfinite(it.key()) && std::isfinite(it.value())
                    && std::fabs(it.value()) <= VEEqualizeSettings::kMaxGainDb;
        }
        break;
    }
    case Catalogue: {
        QPlistRead reader(input.toStdString());
        if (reader.isLoaded()) {
            bits |= 1;
            for (const std::string &category : reader.getCategories())
                for (const CategoryInfo &info : reader.getCategoriesInfoList(category))
                    reader.GetFormatInfoForPlist(category, info.id, "", "", "", "");
        }
        break;
    }
    case TargetCount:
        break;
    }
    std::fflush(nullptr);
    ::_exit(bounded ? kReadExit | bits : kBrokenBoundExit);
}

struct Child {
    Target target = History;
    Kind kind = Nesting;
    QString input;
    QString log;
    QString dataDir;
    QString label;
};

} // namespace

int run(int variants, int jobs, const QString &faultDir, unsigned seedValue)
{
    QTemporaryDir dir;
    QDir().mkpath(faultDir);
    std::mt19937 random(seedValue);
    const QList<Seed> seeds = {{History, historySeed()},     {Settings, settingsSeed()},
                               {Playlists, playlistsSeed()}, {Preset, presetSeed()},
                               {Catalogue, catalogueSeed()}};
    std::printf("state files, presets and the catalogue: %d seeds, %d variants per seed and mutator\n",
                int(seeds.size()), variants);

    int runs[TargetCount][KindCount] = {};
    int faults[TargetCount][KindCount] = {};
    int read[TargetCount] = {};
    int setAside[TargetCount] = {};
    QHash<int, Child> children;
    FuzzChildren::Pool pool(jobs, [&](const FuzzChildren::End &end) {
        const Child child = children.take(end.id);
        const QString why = end.code == kBrokenBoundExit ? QStringLiteral("a bound was broken")
                                                         : end.fault((end.code & ~3) == kReadExit);
        if (why.isEmpty()) {
            read[child.target] += end.code & 1;
            setAside[child.target] += (end.code >> 1) & 1;
        } else {
            ++faults[child.target][child.kind];
            const QString name = QStringLiteral("%1/%2").arg(faultDir, child.label);
            FuzzChildren::keepFault(name, child.input, child.log);
            std::printf("FAULT %s: %s, %lld ms, %ld KiB\n", qPrintable(name), qPrintable(why), end.ms,
                        end.peakKiB);
        }
        QFile::remove(child.input);
        QFile::remove(child.log);
        QDir(child.dataDir).removeRecursively();
    });

    QElapsedTimer clock;
    clock.start();
    int slot = 0;
    for (const Seed &seed : seeds) {
        for (int k = 0; k < KindCount; ++k) {
            for (int v = 0; v < variants; ++v) {
                const QByteArray bytes = mutate(seed, Kind(k), random);
                Child child;
                child.target = seed.target;
                child.kind = Kind(k);
                child.input = dir.filePath(QStringLiteral("state-%1.xml").arg(slot));
                child.log = dir.filePath(QStringLiteral("state-%1.log").arg(slot));
                child.dataDir = dir.filePath(QStringLiteral("data-%1").arg(slot));
                child.label = QStringLiteral("state-%1-%2-%3.xml").arg(int(seed.target)).arg(k).arg(v);
                QDir().mkpath(child.dataDir);
                if (!TestSupport::writeBytes(child.input, bytes))
                    return -1;
                children.insert(slot, child);
                if (!pool.start(slot++, [&] { readInChild(seed.target, child.input, child.dataDir, child.log); }))
                    return -1;
                ++runs[seed.target][k];
            }
        }
    }
    pool.finish();

    int total = 0;
    int totalFaults = 0;
    for (int t = 0; t < TargetCount; ++t) {
        int targetRuns = 0;
        int targetFaults = 0;
        for (int k = 0; k < KindCount; ++k) {
            targetRuns += runs[t][k];
            targetFaults += faults[t][k];
        }
        std::printf("%-18s %5d run, %d faults; read %d, set aside %d\n", kTargetNames[t], targetRuns,
                    targetFaults, read[t], setAside[t]);
        total += targetRuns;
        totalFaults += targetFaults;
    }
    for (int k = 0; k < KindCount; ++k) {
        int kindRuns = 0;
        int kindFaults = 0;
        for (int t = 0; t < TargetCount; ++t) {
            kindRuns += runs[t][k];
            kindFaults += faults[t][k];
        }
        std::printf("  %-16s %5d run, %d faults\n", kKindNames[k], kindRuns, kindFaults);
    }
    std::printf("state total        %5d run, %d faults in %.1f s; slowest %lld ms, largest peak %ld MiB\n", total,
                totalFaults, clock.elapsed() / 1000.0, pool.slowestMs(), pool.peakKiB() / 1024);
    return totalFaults;
}

} // namespace StateFuzz
