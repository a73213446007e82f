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

    QualitySet set;
    set.onlyAudio = params.attribute(QStringLiteral("OnlyAudio")) == QLatin1String("Y");
    for (const QualityField &f : qualityFields()) {
        if (!f.video || !set.onlyAudio)
            set.*f.value = params.attribute(QLatin1String(f.name)).trimmed();
    }
    return set;
}

bool QVideoSettingXml::SetDefaultFormat(const QString &formatId, const QualitySet &set)
{
    return changeXml(defaultFormatFilePath(), true, [&](QDomDocument &doc) {
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
        params.setAttribute(QStringLiteral("OnlyAudio"),
                            set.onlyAudio ? QStringLiteral("Y") : QStringLiteral("N"));
        for (const QualityField &f : qualityFields())
            params.setAttribute(QLatin1String(f.name), set.*f.value);
        return XmlEdit::Save;
    });
}

bool QVideoSettingXml::SetDefaultFormatValue(const QString &formatId, const QString &name,
                                             const QString &value)
{
    return changeXml(defaultFormatFilePath(), false, [&](QDomDocument &doc) {
        QDomElement entry = findFormatEntry(doc.documentElement(), formatId);
        if (entry.isNull())
            return XmlEdit::Refuse;
        entry.setAttribute(name, value);
        return XmlEdit::Save;
    });
}

QString QVideoSettingXml::GetDefaultFormatValue(const QString &formatId, const QString &name)
{
    QDomDocument doc;
    if (!loadExisting(defaultFormatFilePath(), doc))
        return QString();
    return findFormatEntry(doc.documentElement(), formatId).attribute(name);
}
