#include "editor/qvedioeditsettingxml.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"

#include <QDir>

namespace {
const QString kGroup = QStringLiteral("Screenshots");
const QString kSuffixKey = QStringLiteral("IMG_SUFFIX");
const QString kFolderKey = QStringLiteral("IMG_Folder");
} // namespace

QString QVedioEditSettingXml::filePath()
{
    return QIAnyUtil::getAppDataPath() + QStringLiteral("/VedioEditDefaultSetting.xml");
}

bool QVedioEditSettingXml::isValidFile(const QString &path, QDomDocument &doc)
{
    return QVideoSettingXml::isValidFile(path, doc);
}

bool QVedioEditSettingXml::SaveXml(const QString &path, const QDomDocument &doc)
{
    return QVideoSettingXml::SaveXml(path, doc);
}

QString QVedioEditSettingXml::GetItemValue(const QString &group, const QString &key,
                                           const QString &defaultValue)
{
    return QVideoSettingXml::readStoringDefault(group, key, defaultValue, filePath());
}

bool QVedioEditSettingXml::SetItemValue(const QString &group, const QString &key,
                                        const QString &value)
{
    return QVideoSettingXml::SetItemValue(group, key, value, filePath());
}

QString QVedioEditSettingXml::getCaptureImgSuffix()
{
    return GetItemValue(kGroup, kSuffixKey, QStringLiteral("JPG"));
}

bool QVedioEditSettingXml::setCaptureImgSuffix(const QString &suffix)
{
    return SetItemValue(kGroup, kSuffixKey, suffix);
}

QString QVedioEditSettingXml::getCaptrueImaSavePath()
{
    const QString documents = QIAnyUtil::getDocumentPath();
    QString folder = documents + QStringLiteral("/Converted/Screenshots/");
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        folder = documents;
    return GetItemValue(kGroup, kFolderKey, folder);
}

bool QVedioEditSettingXml::setCaptrueImaPath(const QString &folder)
{
    return SetItemValue(kGroup, kFolderKey, folder);
}
