#include "common/qvideosettingxml.h"

#include "common/commonlog.h"
#include "common/qianyutil.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// First name among "<path>.bad", "<path>.bad.1", ... that is not taken, so
// that an older corrupt copy is never overwritten.
QString freeBadName(const QString &path)
{
    QString candidate = path + QStringLiteral(".bad");
    for (int n = 1; QFileInfo::exists(candidate); ++n)
        candidate = QStringLiteral("%1.bad.%2").arg(path).arg(n);
    return candidate;
}

} // namespace

QDomElement QVideoSettingXml::ensureRoot(QDomDocument &doc)
{
    QDomElement root = doc.documentElement();
    if (root.isNull()) {
        root = doc.createElement(QVideoSettingXml::rootElementName());
        doc.appendChild(root);
    }
    return root;
}

const QString &QVideoSettingXml::rootElementName()
{
    static const QString name = QStringLiteral("ROOTITEM");
    return name;
}

QString QVideoSettingXml::appDataFile(const QString &name)
{
    return QIAnyUtil::getAppDataPath() + QLatin1Char('/') + name;
}

QString QVideoSettingXml::preferencesFilePath()
{
    return appDataFile(QStringLiteral("AudioDefaultSetting.xml"));
}

QString QVideoSettingXml::defaultFormatFilePath()
{
    return appDataFile(QStringLiteral("AudioDefaultFormatSetting.xml"));
}

QString QVideoSettingXml::playListFilePath()
{
    return appDataFile(QStringLiteral("CustomedLists.xml"));
}

QString QVideoSettingXml::digestFilePath()
{
    return appDataFile(QStringLiteral("ConvertedMd5.xml"));
}

QString QVideoSettingXml::catalogueFilePath()
{
    return QIAnyUtil::getResourcePath() + QStringLiteral("/AudioSetting.xml");
}

QString QVideoSettingXml::historyFilePath()
{
    return appDataFile(QStringLiteral("History.xml"));
}

QDomDocument QVideoSettingXml::newDocument()
{
    QDomDocument doc;
    doc.appendChild(doc.createElement(rootElementName()));
    return doc;
}

bool QVideoSettingXml::isValidFile(const QString &path, QDomDocument &doc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    const bool readFailed = file.error() != QFileDevice::NoError;
    file.close();
    if (readFailed) {
        qCWarning(lcCommon) << "Cannot read" << path << file.errorString();
        return false;
    }
    if (bytes.trimmed().isEmpty()) {
        doc = newDocument();
        return true;
    }

    QDomDocument parsed;
    QString error;
    int line = 0;
    int column = 0;
    if (parsed.setContent(bytes, false, &error, &line, &column)) {
        doc = parsed;
        ensureRoot(doc);
        return true;
    }

    // Keep the unreadable file for the user before starting afresh.
    const QString bad = freeBadName(path);
    qCWarning(lcCommon).noquote() << QStringLiteral("%1 does not parse (line %2, column %3: %4); kept as %5")
                                         .arg(path).arg(line).arg(column).arg(error, bad);
    if (!QFile::rename(path, bad)) {
        qCWarning(lcCommon) << "Cannot move" << path << "aside; leaving it untouched";
        return false;
    }
    QFile empty(path);
    if (empty.open(QIODevice::WriteOnly))
        empty.close();
    doc = newDocument();
    return true;
}

bool QVideoSettingXml::writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // Unbuffered: a buffered flush that writes only part of the bytes (full
    // disk, size limit) is not reported by QSaveFile and would be committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCWarning(lcCommon, "error::ParserXML->writeOperateXml->file.open\n");
        qCWarning(lcCommon) << path << file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            qCWarning(lcCommon) << "Cannot write" << path << file.errorString();
            file.cancelWriting();
            return false;
        }
        written += n;
    }
    if (!file.commit()) {
        qCWarning(lcCommon) << "Cannot save" << path << file.errorString();
        return false;
    }
    return true;
}

bool QVideoSettingXml::SaveXml(const QString &path, const QDomDocument &doc)
{
    // toByteArray writes UTF-8 and adds no declaration of its own.
    return writeFileAtomically(path, doc.toByteArray(4));
}

bool QVideoSettingXml::loadOrCreate(const QString &path, QDomDocument &doc)
{
    if (!QFileInfo::exists(path)) {
        doc = newDocument();
        return true;
    }
    return isValidFile(path, doc);
}

bool QVideoSettingXml::loadExisting(const QString &path, QDomDocument &doc)
{
    if (!QFileInfo::exists(path))
        return false;
    return isValidFile(path, doc);
}

bool QVideoSettingXml::loadReadOnly(const QString &path, QDomDocument &doc)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QDomDocument parsed;
    QString error;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(&file, false, &error, &line, &column)) {
        qCWarning(lcCommon).noquote() << QStringLiteral("%1 does not parse (line %2, column %3: %4)")
                                             .arg(path).arg(line).arg(column).arg(error);
        return false;
    }
    doc = parsed;
    return !doc.documentElement().isNull();
}

QString QVideoSettingXml::GetItemValue(const QString &group, const QString &key,
                                       const QString &defaultValue, const QString &file)
{
    return getItemValues(group, {{key, defaultValue}}, file).constFirst();
}

bool QVideoSettingXml::SetItemValue(const QString &group, const QString &key,
                                    const QString &value, const QString &file)
{
    return setItemValues(group, {{key, value}}, file);
}

bool QVideoSettingXml::setItemValues(const QString &group, const QList<QPair<QString, QString>> &values,
                                     const QString &file)
{
    const QString path = file.isEmpty() ? preferencesFilePath() : file;
    QDomDocument doc;
    if (!loadOrCreate(path, doc))
        return false;
    QDomElement root = ensureRoot(doc);
    QDomElement groupElement = root.firstChildElement(group);
    if (groupElement.isNull()) {
        groupElement = doc.createElement(group);
        root.appendChild(groupElement);
    }
    for (const auto &value : values)
        groupElement.setAttribute(value.first, value.second);
    return SaveXml(path, doc);
}

QList<QString> QVideoSettingXml::getItemValues(const QString &group,
                                               const QList<QPair<QString, QString>> &keysAndDefaults,
                                               const QString &file)
{
    QList<QString> results;
    for (const auto &pair : keysAndDefaults)
        results << pair.second;
    const QString path = file.isEmpty() ? preferencesFilePath() : file;
    QDomDocument doc;
    bool changed = !QFileInfo::exists(path);
    if (!loadOrCreate(path, doc))
        return results;
    QDomElement root = ensureRoot(doc);
    const QDomElement groupElement = root.firstChildElement(group);
    if (groupElement.isNull()) {
        root.appendChild(doc.createElement(group));
        changed = true;
    } else {
        for (int i = 0; i < keysAndDefaults.size(); ++i) {
            const QString stored = groupElement.attribute(keysAndDefaults.at(i).first);
            if (!stored.isEmpty())
                results[i] = stored;
        }
    }
    // A read that found everything in place leaves the file alone.
    if (changed)
        SaveXml(path, doc);
    return results;
}

QString QVideoSettingXml::readStoringDefault(const QString &group, const QString &key,
                                             const QString &defaultValue, const QString &file)
{
    const QString path = file.isEmpty() ? preferencesFilePath() : file;
    QDomDocument doc;
    if (!loadOrCreate(path, doc))
        return defaultValue;
    QDomElement root = ensureRoot(doc);
    QDomElement groupElement = root.firstChildElement(group);
    QString result = defaultValue;
    if (groupElement.isNull()) {
        groupElement = doc.createElement(group);
        groupElement.setAttribute(key, defaultValue);
        root.appendChild(groupElement);
    } else {
        const QString stored = groupElement.attribute(key);
        if (stored.isEmpty())
            groupElement.setAttribute(key, defaultValue);
        else
            result = stored;
    }
    SaveXml(path, doc);
    return result;
}

QString QVideoSettingXml::getCaptureImgSuffix()
{
    return readStoringDefault(QStringLiteral("Screenshots"), QStringLiteral("IMG_SUFFIX"),
                              QStringLiteral("JPEG"));
}

bool QVideoSettingXml::setCaptureImgSuffix(const QString &suffix)
{
    return SetItemValue(QStringLiteral("Screenshots"), QStringLiteral("IMG_SUFFIX"), suffix);
}

QString QVideoSettingXml::getCaptrueImaSavePath()
{
    qCDebug(lcCommon) << preferencesFilePath();
    const QString documents = QIAnyUtil::getDocumentPath();
    QString folder = documents + QStringLiteral("/Screenshots/");
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        folder = documents;
    return readStoringDefault(QStringLiteral("Screenshots"), QStringLiteral("IMG_Folder"), folder);
}

bool QVideoSettingXml::setCaptrueImaPath(const QString &folder)
{
    return SetItemValue(QStringLiteral("Screenshots"), QStringLiteral("IMG_Folder"), folder);
}
