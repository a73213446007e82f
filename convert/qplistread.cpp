#include "convert/qplistread.h"

#include "convert/convertlog.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "convert/qplistparser.h"


#include <memory>

namespace {

const char kAuto[] = "Auto";

QString qs(const std::string &text)
{
    return QString::fromStdString(text);
}

QVariantMap dictOf(const QVariantMap &parent, const char *key)
{
    return parent.value(QLatin1String(key)).toMap();
}

std::string trimmed(std::string text)
{
    return QVideoSettingXml::trim(text);
}

// "Auto" stands for the profile's own choice.
std::string selector(std::string value)
{
    return value == kAuto ? std::string() : value;
}

void startList(bool autoMode, std::vector<std::string> &list)
{
    if (autoMode)
        list.push_back(kAuto);
}

// A value list ("supports") and its "default", both with the unit.
void fillValues(const QVariantMap &dict, const std::string &unit, bool autoMode, std::vector<std::string> &list,
                std::string &byDefault)
{
    byDefault = QPlistRead::getDictValue(dict, "default") + unit;
    startList(autoMode, list);
    QPlistRead::analysisTextInfo(QPlistRead::getDictValue(dict, ""), unit, list);
}

// The parameter entries of the encoder: each one's value (resolution or
// channel) is listed; the last entry whose value equals the selector is
// chosen, else the first of the encoder.
QVariantMap chooseParams(const QVariantMap &profile, const char *listKey, const std::string &encoder,
                         const char *valueKey, const std::string &selector, std::vector<std::string> &values,
                         std::string &chosenValue)
{
    QVariantMap chosen;
    for (const QVariant &entry : profile.value(QLatin1String(listKey)).toList()) {
        const QVariantMap params = entry.toMap();
        if (trimmed(QPlistRead::getDictValue(params, "fourcc")) != encoder)
            continue;
        const std::string value = QPlistRead::getDictValue(params, valueKey);
        values.push_back(value);
        if (chosen.isEmpty() || value == selector) {
            chosen = params;
            chosenValue = value;
        }
    }
    return chosen;
}

enum class Kind { Dictionary, List, Text };

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Dictionary: return QStringLiteral("a dictionary");
    case Kind::List: return QStringLiteral("a list");
    case Kind::Text: break;
    }
    return QStringLiteral("a text");
}

Kind kindOf(const QVariant &value)
{
    if (value.type() == QVariant::Map)
        return Kind::Dictionary;
    if (value.type() == QVariant::List)
        return Kind::List;
    return Kind::Text;
}

// The shapes the readers below rely on: a value of another kind would read
// as an empty list or text without a word, so it makes the catalogue damaged
// and is named with its line.
class ShapeCheck
{
public:
    explicit ShapeCheck(const QPlistParser::Lines &lines)
        : m_lines(lines)
    {
    }

    bool catalogue(const QVariantMap &root)
    {
        if (root.contains(QStringLiteral("Categories")) && !listOf(root, QStringLiteral("Categories"), Kind::Text))
            return false;
        if (root.contains(QStringLiteral("Codecs")) && !dictOfTexts(root, QStringLiteral("Codecs")))
            return false;
        const QStringList named = [&] {
            QStringList names;
            for (const QVariant &v : root.value(QStringLiteral("Categories")).toList())
                names << v.toString();
            return names;
        }();
        for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
            if (it.key() == QLatin1String("Categories") || it.key() == QLatin1String("Codecs"))
                continue;
            if (kindOf(it.value()) != Kind::List) {
                if (named.contains(it.key()))
                    return wrong(it.key(), it.value(), Kind::List);
                continue;  // not a category
            }
            const QVariantList profiles = it.value().toList();
            for (int i = 0; i < profiles.size(); ++i) {
                if (!profile(profiles.at(i), it.key() + QLatin1Char('/') + QString::number(i)))
                    return false;
            }
        }
        return true;
    }

    QString error() const { return m_error; }

private:
    bool profile(const QVariant &value, const QString &path)
    {
        if (kindOf(value) != Kind::Dictionary)
            return wrong(path, value, Kind::Dictionary);
        const QVariantMap map = value.toMap();
        for (const char *key : {"baseinfo", "videoencoders", "audioencoders", "channels", "resolution"}) {
            if (map.contains(QLatin1String(key)) && !dictOfTexts(map, QLatin1String(key), path))
                return false;
        }
        for (const char *key : {"videoparams", "audioparams"}) {
            const QString at = path + QLatin1Char('/') + QLatin1String(key);
            if (!map.contains(QLatin1String(key)))
                continue;
            if (!listOf(map, QLatin1String(key), Kind::Dictionary, path))
                return false;
            const QVariantList params = map.value(QLatin1String(key)).toList();
            for (int i = 0; i < params.size(); ++i) {
                const QVariantMap p = params.at(i).toMap();
                const QString item = at + QLatin1Char('/') + QString::number(i);
                for (const char *sub : {"videobitrate", "framerate", "audiobitrate", "samplerate"}) {
                    if (p.contains(QLatin1String(sub)) && !dictOfTexts(p, QLatin1String(sub), item))
                        return false;
                }
                for (const char *sub : {"fourcc", "resolution", "channel"}) {
                    const QVariant v = p.value(QLatin1String(sub));
                    if (p.contains(QLatin1String(sub)) && kindOf(v) != Kind::Text)
                        return wrong(item + QLatin1Char('/') + QLatin1String(sub), v, Kind::Text);
                }
            }
        }
        return true;
    }

    bool dictOfTexts(const QVariantMap &parent, const QString &key, const QString &parentPath = QString())
    {
        const QString path = parentPath.isEmpty() ? key : parentPath + QLatin1Char('/') + key;
        const QVariant value = parent.value(key);
        if (kindOf(value) != Kind::Dictionary)
            return wrong(path, value, Kind::Dictionary);
        const QVariantMap map = value.toMap();
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            if (kindOf(it.value()) != Kind::Text)
                return wrong(path + QLatin1Char('/') + it.key(), it.value(), Kind::Text);
        }
        return true;
    }

    bool listOf(const QVariantMap &parent, const QString &key, Kind item, const QString &parentPath = QString())
    {
        const QString path = parentPath.isEmpty() ? key : parentPath + QLatin1Char('/') + key;
        const QVariant value = parent.value(key);
        if (kindOf(value) != Kind::List)
            return wrong(path, value, Kind::List);
        const QVariantList list = value.toList();
        for (int i = 0; i < list.size(); ++i) {
            if (kindOf(list.at(i)) != item)
                return wrong(path + QLatin1Char('/') + QString::number(i), list.at(i), item);
        }
        return true;
    }

    bool wrong(const QString &path, const QVariant &value, Kind expected)
    {
        m_error = QStringLiteral("line %1: \"%2\" is %3 where %4 is expected")
                      .arg(m_lines.value(path))
                      .arg(path, kindName(kindOf(value)), kindName(expected));
        return false;
    }

    const QPlistParser::Lines &m_lines;
    QString m_error;
};

} // namespace

QPlistRead::QPlistRead(const std::string &path)
    : m_path(path)
{
    QVariant root;
    QPlistParser::Lines lines;
    if (!QPlistParser::parseFile(qs(path), root, m_error, &lines)) {
        qCWarning(lcConvert) << "output profiles unreadable:" << m_error;
        return;
    }
    if (root.type() != QVariant::Map) {
        m_error = qs(path) + QStringLiteral(": the catalogue is not a dictionary");
        qCWarning(lcConvert) << "output profiles unreadable:" << m_error;
        return;
    }
    ShapeCheck check(lines);
    if (!check.catalogue(root.toMap())) {
        m_error = qs(path) + QStringLiteral(": ") + check.error();
        qCWarning(lcConvert) << "output profiles unreadable:" << m_error;
        return;
    }
    m_catalogue = root.toMap();
    m_loaded = true;
}

QPlistRead *QPlistRead::getPlistRead(const std::string &path)
{
    // Kept for the life of the process: the format dialog and the start-up
    // resolution share it.
    static std::unique_ptr<QPlistRead> reader;
    if (!reader)
        reader = std::make_unique<QPlistRead>(path);
    return reader.get();
}

std::string QPlistRead::cataloguePath()
{
    return (QIAnyUtil::getResourcePath() + QStringLiteral("/profile/profiles_mac.plist")).toStdString();
}

std::vector<std::string> QPlistRead::getCategories()
{
    m_categories.clear();
    for (const QVariant &name : m_catalogue.value(QStringLiteral("Categories")).toList())
        m_categories.push_back(name.toString().toStdString());
    return m_categories;
}

std::vector<CategoryInfo> QPlistRead::getCategoriesInfoList(const std::string &category) const
{
    std::vector<CategoryInfo> list;
    if (category.empty())
        return list;
    for (const QVariant &entry : m_catalogue.value(qs(category)).toList()) {
        const QVariantMap base = dictOf(entry.toMap(), "baseinfo");
        list.push_back({getDictValue(base, "title"), getDictValue(base, "id"), getDictValue(base, "ext"),
                        category, getDictValue(base, "icon")});
    }
    return list;
}

QVariantMap QPlistRead::findProfile(const std::string &category, const std::string &id) const
{
    for (const QVariant &entry : m_catalogue.value(qs(category)).toList()) {
        const QVariantMap profile = entry.toMap();
        if (getDictValue(dictOf(profile, "baseinfo"), "id") == id)
            return profile;
    }
    return QVariantMap();
}

std::optional<FormatAllInfo> QPlistRead::GetFormatInfoForPlist(const std::string &category, const std::string &id,
                                                               std::string videoEncoder, std::string resolution,
                                                               std::string audioEncoder, std::string channel) const
{
    if (category.empty() || id.empty())
        return std::nullopt;
    FormatAllInfo info;
    info.category = category;
    info.formatId = id;
    const QVariantMap profile = findProfile(category, id);
    if (profile.isEmpty())
        return info;

    const QVariantMap base = dictOf(profile, "baseinfo");
    info.extension = getDictValue(base, "ext");
    info.autoMode = getDictValue(base, "auto") == "1";
    fillVideo(profile, selector(videoEncoder), selector(resolution), info);
    fillAudio(profile, selector(audioEncoder), selector(channel), info);
    return info;
}

void QPlistRead::fillVideo(const QVariantMap &profile, std::string videoEncoder, std::string resolution,
                           FormatAllInfo &info)
{
    const QVariantMap encoders = dictOf(profile, "videoencoders");
    if (encoders.isEmpty()) {
        info.onlyAudio = true;
        return;
    }
    info.onlyAudio = false;
    startList(info.autoMode, info.videoEncoders);
    analysisTextInfo(getDictValue(encoders, "supports"), info.videoEncoders);
    if (videoEncoder.empty())
        videoEncoder = trimmed(getDictValue(encoders, "default"));
    info.videoEncoder = videoEncoder;
    if (resolution.empty())
        resolution = getDictValue(dictOf(profile, "resolution"), "default");
    info.defaultResolution = resolution;

    startList(info.autoMode, info.videoResolutions);
    const QVariantMap chosen = chooseParams(profile, "videoparams", videoEncoder, "resolution", resolution,
                                            info.videoResolutions, info.defaultResolution);
    if (chosen.isEmpty())
        return;
    const QVariantMap bitRate = dictOf(chosen, "videobitrate");
    info.minVideoBitRate = getDictValue(bitRate, "low") + " kbps";
    info.maxVideoBitRate = getDictValue(bitRate, "high") + " kbps";
    fillValues(bitRate, " kbps", info.autoMode, info.videoBitRates, info.defaultVideoBitRate);
    fillValues(dictOf(chosen, "framerate"), " fps", info.autoMode, info.videoFrameRates, info.defaultFrameRate);
}

void QPlistRead::fillAudio(const QVariantMap &profile, std::string audioEncoder, std::string channel,
                           FormatAllInfo &info)
{
    const std::string filter = info.onlyAudio ? std::string()
                                              : getDictValue(dictOf(profile, "videoencoders"), "filter");
    if (filter.empty()) {
        const QVariantMap encoders = dictOf(profile, "audioencoders");
        startList(info.autoMode, info.audioEncoders);
        analysisTextInfo(getDictValue(encoders, "supports"), info.audioEncoders);
        if (audioEncoder.empty())
            audioEncoder = trimmed(getDictValue(encoders, "default"));
        info.audioEncoder = audioEncoder;
    } else {
        analysisFilter(filter, info.videoEncoder, info.audioEncoders);
        if (audioEncoder.empty() && !info.audioEncoders.empty())
            audioEncoder = trimmed(info.audioEncoders.front());
        // The encoder the selection rests on is shown as the chosen one.
        info.audioEncoder = audioEncoder;
    }

    if (channel.empty())
        channel = getDictValue(dictOf(profile, "channels"), "default");
    info.defaultChannels = channel;
    startList(info.autoMode, info.audioChannels);
    const QVariantMap chosen = chooseParams(profile, "audioparams", audioEncoder, "channel", channel,
                                            info.audioChannels, info.defaultChannels);
    if (chosen.isEmpty())
        return;
    const QVariantMap bitRate = dictOf(chosen, "audiobitrate");
    const std::string byDefault = getDictValue(bitRate, "default");
    const std::string low = getDictValue(bitRate, "low");
    const std::string high = getDictValue(bitRate, "high");
    info.minAudioBitRate = (low.empty() ? byDefault : low) + " kbps";
    info.maxAudioBitRate = (high.empty() ? byDefault : high) + " kbps";
    fillValues(bitRate, " kbps", info.autoMode, info.audioBitRates, info.defaultAudioBitRate);
    fillValues(dictOf(chosen, "samplerate"), " HZ", info.autoMode, info.audioSampleRates, info.defaultSampleRate);
}

std::string QPlistRead::getFormatInfoForKey(const std::string &category, const std::string &id,
                                            const std::string &key) const
{
    if (category.empty() || id.empty())
        return std::string();
    return getDictValue(dictOf(findProfile(category, id), "baseinfo"), key);
}

std::string QPlistRead::getCodecsForKey(std::string key) const
{
    if (key.empty() || key == kAuto)
        return key;
    if (key.size() == 3)
        key += ' ';
    const std::string name = getDictValue(dictOf(m_catalogue, "Codecs"), key);
    return name.empty() ? key : name;
}

void QPlistRead::analysisTextInfo(const std::string &text, std::vector<std::string> &list)
{
    analysisTextInfo(text, std::string(), list);
}

void QPlistRead::analysisTextInfo(const std::string &text, const std::string &unit, std::vector<std::string> &list)
{
    std::vector<std::string> items;
    QVideoSettingXml::analysisTextInfo(text, unit, items);
    list.insert(list.end(), items.begin(), items.end());
}

void QPlistRead::analysisFilter(const std::string &filter, const std::string &videoEncoder,
                                std::vector<std::string> &list)
{
    if (videoEncoder.empty())
        return;
    const std::size_t at = filter.find(videoEncoder);
    if (at == std::string::npos)
        return;
    // The key, then one separator character, then the list up to "|".
    const std::size_t start = at + videoEncoder.size() + 1;
    if (start > filter.size())
        return;
    const std::size_t bar = filter.find('|', start);
    analysisTextInfo(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start), list);
}

std::string QPlistRead::getDictValue(const QVariantMap &dict, const std::string &key)
{
    const QVariant value = dict.value(key.empty() ? QStringLiteral("supports") : qs(key));
    return value.canConvert<QString>() ? value.toString().toStdString() : std::string();
}
