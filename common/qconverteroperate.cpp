#include "common/qconverteroperate.h"

#include <QStringList>

int QConverterOperate::g_langugeType = 0;
QString QConverterOperate::m_converterPath;
QString QConverterOperate::m_defaultOutPath;
QString QConverterOperate::m_screenshotPath;
QString QConverterOperate::m_logFilePath;
QString QConverterOperate::m_audioDeviceName;
int QConverterOperate::m_bIsKeepClassify = 2;

void QConverterOperate::setLanguageType(const QString &language)
{
    static const QStringList names = {QStringLiteral("English"), QStringLiteral("Chinese"),
                                      QStringLiteral("German"), QStringLiteral("French"),
                                      QStringLiteral("Japanese")};
    const int index = names.indexOf(language);
    g_langugeType = index < 0 ? 0 : index;
}

int QConverterOperate::getLanguageType() { return g_langugeType; }
void QConverterOperate::setConverterPath(const QString &path) { m_converterPath = path; }
QString QConverterOperate::getConverterPath() { return m_converterPath; }
void QConverterOperate::setDefaultOutPath(const QString &path) { m_defaultOutPath = path; }
QString QConverterOperate::getDefaultOutPath() { return m_defaultOutPath; }
void QConverterOperate::setScreenshotsPath(const QString &path) { m_screenshotPath = path; }
QString QConverterOperate::getScreenshotsPath() { return m_screenshotPath; }
void QConverterOperate::setLogFilePath(const QString &path) { m_logFilePath = path; }
QString QConverterOperate::getLogFilePath() { return m_logFilePath; }
void QConverterOperate::setAudioDeviceName(const QString &name) { m_audioDeviceName = name; }
QString QConverterOperate::getAudioDeviceName() { return m_audioDeviceName; }
void QConverterOperate::setKeepClassify(int keep) { m_bIsKeepClassify = keep; }
int QConverterOperate::keepClassify() { return m_bIsKeepClassify; }
