// Read-only resource lists: the device-format catalogue and the language list.
// They are parsed as they are and never replaced, even when broken.
#include "common/qvideosettingxml.h"

namespace {

QDomElement findByAttribute(const QDomElement &root, const QString &attribute, const QString &value)
{
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(attribute) == value)
            return e;
    }
    return QDomElement();
}

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

} // namespace

void QVideoSettingXml::analysisTextInfo(const std::string &text, std::vector<std::string> &list)
{
    analysisTextInfo(text, std::string(), list);
}

void QVideoSettingXml::analysisTextInfo(const std::string &text, const std::string &unit,
                                        std::vector<std::string> &list)
{
    list.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        std::string piece = text.substr(start, end - start);
        trim(piece);
        if (piece == "0")
            list.push_back("Auto");
        else if (!piece.empty())
            list.push_back(piece + unit);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
}

QString QVideoSettingXml::addUnit(const QString &value, const QString &attributeName)
{
    const QString v = value.trimmed();
    if (v == QLatin1String("0"))
        return QStringLiteral("Auto");
    if (v == QLatin1String("Original") || v == QLatin1String("Auto"))
        return v;
    if (attributeName == QLatin1String("V_FrameRate"))
        return v + QStringLiteral(" fps");
    if (attributeName == QLatin1String("V_BitRate") || attributeName == QLatin1String("A_BitRate"))
        return v + QStringLiteral(" kbps");
    if (attributeName == QLatin1String("V_Quality"))
        return v + QStringLiteral(" %");
    if (attributeName == QLatin1String("A_SampleRate"))
        return v + QStringLiteral(" HZ");
    return v;
}

std::optional<FormatAllInfo> QVideoSettingXml::GetFormatAllInfo(const QString &formatId)
{
    QDomDocument doc;
    if (formatId.isEmpty() || !loadReadOnly(catalogueFilePath(), doc))
        return std::nullopt;
    const QDomElement entry = findByAttribute(doc.documentElement(), QStringLiteral("DevFormat"), formatId);
    const QDomElement lists = entry.firstChildElement(QStringLiteral("ATTRIBUTE_VALUE"));
    if (lists.isNull())
        return std::nullopt;

    FormatAllInfo info;
    info.onlyAudio = entry.attribute(QStringLiteral("OnlyAudio")) == QLatin1String("Y");
    auto split = [&lists](const char *attribute, const char *unit, std::vector<std::string> &out) {
        analysisTextInfo(utf8(lists.attribute(QLatin1String(attribute))), unit, out);
    };
    if (!info.onlyAudio) {
        split("V_Encoder", "", info.videoEncoders);
        split("V_Resolution", "", info.videoResolutions);
        split("V_FrameRate", " fps", info.videoFrameRates);
        split("V_BitRate", " kbps", info.videoBitRates);
    }
    split("A_Encoder", "", info.audioEncoders);
    split("A_Channel", "", info.audioChannels);
    split("A_SampleRate", " HZ", info.audioSampleRates);
    split("A_BitRate", " kbps", info.audioBitRates);
    return info;
}

std::optional<QualitySet> QVideoSettingXml::GetQuality(const QString &level, const QString &formatId)
{
    QDomDocument doc;
    if (level.isEmpty() || !loadReadOnly(catalogueFilePath(), doc))
        return std::nullopt;
    const QDomElement entry = findByAttribute(doc.documentElement(), QStringLiteral("DevFormat"), formatId);
    const QDomElement values = entry.firstChildElement(level);
    if (values.isNull())
        return std::nullopt;

    QualitySet set;
    set.onlyAudio = entry.attribute(QStringLiteral("OnlyAudio")) == QLatin1String("Y");
    for (const QualityField &f : qualityFields()) {
        if (f.video && set.onlyAudio)
            continue;
        const QString name = QLatin1String(f.name);
        set.*f.value = f.counted ? addUnit(values.attribute(name), name) : values.attribute(name).trimmed();
    }
    return set;
}

std::optional<FileFormatInfo> QVideoSettingXml::GetFormatInfo(const QString &formatId)
{
    QDomDocument doc;
    if (formatId.isEmpty() || !loadReadOnly(catalogueFilePath(), doc))
        return std::nullopt;
    const QDomElement entry = findByAttribute(doc.documentElement(), QStringLiteral("DevFormat"), formatId);
    const QDomElement info = entry.firstChildElement(QStringLiteral("VIDIO_FOMAT_INFO"));
    if (info.isNull())
        return std::nullopt;
    return FileFormatInfo {utf8(info.attribute(QStringLiteral("V_Format"))),
                           utf8(info.attribute(QStringLiteral("V_Extend")))};
}

QStringList QVideoSettingXml::GetLanguage(const QString &listPath)
{
    QStringList names;
    QDomDocument doc;
    if (!loadReadOnly(listPath, doc))
        return names;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names << e.attribute(QStringLiteral("Language_Name"));
    return names;
}

QPair<QString, QString> QVideoSettingXml::GetLanguageFile(const QString &listPath, const QString &name)
{
    QPair<QString, QString> result;
    QDomDocument doc;
    if (!loadReadOnly(listPath, doc))
        return result;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("Language_Name")) == name)
            result = qMakePair(e.attribute(QStringLiteral("Language_File")),
                               e.attribute(QStringLiteral("Language_Type")));
    }
    return result;
}
