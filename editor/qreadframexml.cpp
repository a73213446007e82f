#include "editor/qreadframexml.h"

#include "editor/editorlog.h"

#include "editor/qframechunk.h"

#include "common/statefile.h"
#include "media/veaudiosettings.h"

#include <QDomElement>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {
constexpr qint64 kMaxBytes = 1024 * 1024;
constexpr double kMaxGain = VEEqualizeSettings::kMaxGainDb;
} // namespace

bool QReadFrameXML::isValidFile(const QString &path, QDomDocument &doc)
{
    const StateFile::Reading reading = StateFile::read(path, kMaxBytes);
    if (reading.status != StateFile::Status::Read) {
        if (reading.status != StateFile::Status::Missing)
            qCWarning(lcEditor).noquote() << QStringLiteral("%1 cannot be read: %2").arg(path, reading.reason);
        return false;
    }
    // Checked first: entities and deep nesting never reach the document.
    QString reason;
    if (StateFile::check(reading.bytes, StateFile::kMaxDepth, &reason)) {
        QString error;
        int line = 0, column = 0;
        if (doc.setContent(reading.bytes, false, &error, &line, &column))
            return !doc.documentElement().isNull();
        reason = QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(error);
    }
    qCWarning(lcEditor).noquote() << QStringLiteral("%1 does not parse (%2)").arg(path, reason);
    return false;
}

QFrameChunk *QReadFrameXML::readFrameChunk(const QString &path)
{
    QDomDocument doc;
    if (!QFile::exists(path) || !isValidFile(path, doc))
        return nullptr;

    auto *chunk = new QFrameChunk;
    const QDomElement root = doc.documentElement();
    chunk->appMinVersion = root.attribute(QStringLiteral("APPMinVersion")).toInt();
    chunk->version = root.attribute(QStringLiteral("Version")).toInt();
    chunk->thumbnail = root.attribute(QStringLiteral("Thumbnail"));
    chunk->name = root.attribute(QStringLiteral("Name"));

    for (QDomElement child = root.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag == QLatin1String("FrameInfo")) {
            // The last frame set of the file wins.
            chunk->frameName = child.attribute(QStringLiteral("Name"));
            chunk->frames.clear();
            for (QDomElement f = child.firstChildElement(); !f.isNull(); f = f.nextSiblingElement()) {
                QFrameInfo info;
                info.fileName = f.attribute(QStringLiteral("FileName"));
                info.height = f.attribute(QStringLiteral("Height")).toInt();
                info.width = f.attribute(QStringLiteral("Width")).toInt();
                info.type = f.attribute(QStringLiteral("Type")).toInt();
                chunk->frames.append(info);
            }
        } else if (tag == QLatin1String("EQ")) {
            for (QDomElement band = child.firstChildElement(); !band.isNull();
                 band = band.nextSiblingElement()) {
                const double hz = band.attribute(QStringLiteral("hz")).toDouble();
                double db = band.attribute(QStringLiteral("db")).toDouble();
                if (!std::isfinite(hz) || hz < 0.0) {
                    qCWarning(lcEditor).noquote() << path << "band of" << band.attribute(QStringLiteral("hz"))
                                                  << "Hz skipped";
                    continue;
                }
                if (!std::isfinite(db)) {
                    qCWarning(lcEditor).noquote() << path << "gain of the" << hz << "Hz band is no number; 0 dB";
                    db = 0.0;
                }
                chunk->equalizer.insert(hz, std::clamp(db, -kMaxGain, kMaxGain));
            }
        } else if (tag == QLatin1String("Rate")) {
            const QString value = child.attribute(QStringLiteral("Value"));
            if (!value.isEmpty()) {
                bool ok = false;
                const int rate = value.trimmed().toInt(&ok);
                if (ok && rate >= VEAudioEffectSetting::kMinRate && rate <= VEAudioEffectSetting::kMaxRate)
                    chunk->rate = rate;
                else
                    qCWarning(lcEditor).noquote() << path << "rate" << value << "is not a percentage from"
                                                  << VEAudioEffectSetting::kMinRate << "to"
                                                  << VEAudioEffectSetting::kMaxRate << "; left at" << chunk->rate;
            }
        }
    }
    // One band per slider: the lowest frequencies are kept.
    if (chunk->equalizer.size() > VEEqualizeSettings::kMaxBands) {
        qCWarning(lcEditor).noquote() << path << "has" << chunk->equalizer.size() << "equaliser bands; the first"
                                      << VEEqualizeSettings::kMaxBands << "are kept";
        while (chunk->equalizer.size() > VEEqualizeSettings::kMaxBands)
            chunk->equalizer.erase(std::prev(chunk->equalizer.end()));
    }
    return chunk;
}

int QReadFrameXML::rootNumber(const QString &path, const QString &attribute)
{
    QDomDocument doc;
    if (!QFile::exists(path) || !isValidFile(path, doc))
        return -1;
    return doc.documentElement().attribute(attribute).toInt();
}

int QReadFrameXML::getVersionId(const QString &path)
{
    return rootNumber(path, QStringLiteral("Version"));
}

int QReadFrameXML::getAPPMinVersion(const QString &path)
{
    return rootNumber(path, QStringLiteral("APPMinVersion"));
}
