// Default-format file: the customised parameters of each output format.
#include "common/qvideosettingxml.h"

#include <QFileInfo>

namespace {

// First child of the document element whose "Format_ID" equals the id.
QDomElement findFormatEntry(const QDomElement &root, const QString &formatId)
{
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("Format_ID")) == formatId)
            return e;
    }
    return QDomElement();
}

} // namespace

std::string &QVideoSettingXml::trim(std::string &text)
{
    if (text.empty())
        return text;
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        text.clear();
        return text;
    }
    text.erase(0, first);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::optional<QualitySet> QVideoSettingXml::GetDefaultFormat(const QString &formatId)
{
    QDomDocument doc;
    if (!loadExisting(defaultFormatFilePath(), doc))
        return std::nullopt;
    const QDomElement entry = findFormatEntry(doc.documentElement(), formatId);
    const QDomElement params = entry.firstChildElement();
    if (params.isNull())
        return std::nullopt;

    auto read = [&params](const char *name) {
        return params.attribute(QLatin1String(name)).trimmed();
    };
    QualitySet set;
    set.onlyAudio = params.attribute(QStringLiteral("OnlyAudio")) == QLatin1String("Y");
    if (!set.onlyAudio) {
        set.videoEncoder = read("V_Encoder");
        set.videoResolution = read("V_Resolution");
        set.videoFrameRate = read("V_FrameRate");
        set.videoBitRate = read("V_BitRate");
        set.videoQuality = read("V_Quality");
    }
    set.audioEncoder = read("A_Encoder");
    set.audioChannel = read("A_Channel");
    set.audioSampleRate = read("A_SampleRate");
    set.audioBitRate = read("A_BitRate");
    return set;
}

bool QVideoSettingXml::SetDefaultFormat(const QString &formatId, const QualitySet &set)
{
    const QString path = defaultFormatFilePath();
    QDomDocument doc;
    if (!loadOrCreate(path, doc))
        return false;
    QDomElement root = ensureRoot(doc);
    QDomElement entry = findFormatEntry(root, formatId);
    if (entry.isNull()) {
        entry = doc.createElement(QStringLiteral("FORMAT_"));
        entry.setAttribute(QStringLiteral("Format_ID"), formatId);
        root.appendChild(entry);
    }
    QDomElement params = entry.firstChildElement();
    if (params.isNull()) {
        params = doc.createElement(QStringLiteral("Format_Custom"));
        entry.appendChild(params);
    }
    params.setAttribute(QStringLiteral("OnlyAudio"), set.onlyAudio ? QStringLiteral("Y") : QStringLiteral("N"));
    params.setAttribute(QStringLiteral("V_Encoder"), set.videoEncoder);
    params.setAttribute(QStringLiteral("V_Resolution"), set.videoResolution);
    params.setAttribute(QStringLiteral("V_FrameRate"), set.videoFrameRate);
    params.setAttribute(QStringLiteral("V_BitRate"), set.videoBitRate);
    params.setAttribute(QStringLiteral("V_Quality"), set.videoQuality);
    params.setAttribute(QStringLiteral("A_Encoder"), set.audioEncoder);
    params.setAttribute(QStringLiteral("A_Channel"), set.audioChannel);
    params.setAttribute(QStringLiteral("A_SampleRate"), set.audioSampleRate);
    params.setAttribute(QStringLiteral("A_BitRate"), set.audioBitRate);
    return SaveXml(path, doc);
}

bool QVideoSettingXml::SetDefaultFormatValue(const QString &formatId, const QString &name,
                                             const QString &value)
{
    const QString path = defaultFormatFilePath();
    QDomDocument doc;
    if (!loadExisting(path, doc))
        return false;
    QDomElement entry = findFormatEntry(doc.documentElement(), formatId);
    if (entry.isNull())
        return false;
    entry.setAttribute(name, value);
    return SaveXml(path, doc);
}

QString QVideoSettingXml::GetDefaultFormatValue(const QString &formatId, const QString &name)
{
    QDomDocument doc;
    if (!loadExisting(defaultFormatFilePath(), doc))
        return QString();
    return findFormatEntry(doc.documentElement(), formatId).attribute(name);
}
