#include "editor/qreadframexml.h"

#include "editor/editorlog.h"

#include "editor/qframechunk.h"

#include <QDomElement>
#include <QFile>

bool QReadFrameXML::isValidFile(const QString &path, QDomDocument &doc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QString error;
    int line = 0, column = 0;
    if (!doc.setContent(&file, false, &error, &line, &column)) {
        qCWarning(lcEditor).noquote() << QStringLiteral("%1 does not parse (line %2, column %3: %4)")
                                    .arg(path).arg(line).arg(column).arg(error);
        return false;
    }
    return !doc.documentElement().isNull();
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
                chunk->equalizer.insert(band.attribute(QStringLiteral("hz")).toDouble(),
                                        band.attribute(QStringLiteral("db")).toDouble());
            }
        } else if (tag == QLatin1String("Rate")) {
            const QString value = child.attribute(QStringLiteral("Value"));
            if (!value.isEmpty())
                chunk->rate = value.toInt();
        }
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
