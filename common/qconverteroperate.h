#pragma once
// Process-wide options several windows share: interface language, output,
// default and screenshot folders, log file, playback device, keep-classify.

#include <QString>

class QConverterOperate
{
public:
    // "English" 0, "Chinese" 1, "German" 2, "French" 3, "Japanese" 4; any other text 0.
    static void setLanguageType(const QString &language);
    static int getLanguageType();

    static void setConverterPath(const QString &path);
    static QString getConverterPath();
    static void setDefaultOutPath(const QString &path);
    static QString getDefaultOutPath();
    static void setScreenshotsPath(const QString &path);
    static QString getScreenshotsPath();
    static void setLogFilePath(const QString &path);
    static QString getLogFilePath();
    static void setAudioDeviceName(const QString &name);
    static QString getAudioDeviceName();
    // 0 by artist, 1 by artist and album, 2 none (the start value).
    static void setKeepClassify(int keep);
    static int keepClassify();

private:
    QConverterOperate() = default;

    static int g_langugeType;
    static QString m_converterPath;
    static QString m_defaultOutPath;
    static QString m_screenshotPath;
    static QString m_logFilePath;
    static QString m_audioDeviceName;
    static int m_bIsKeepClassify;
};
