#pragma once
// Media probes through the codec layer's media information, and the display
// texts of times, sizes and bit rates.

#include <QImage>
#include <QString>

#include <cstdint>

class JXHelper
{
public:
    // Duration as getTime text; "" when the file can't be opened.
    static QString getFileTime(const QString &path);
    static bool hasVedeoOrAudio(const QString &path);
    static bool isDVDDir(const QString &path);
    // The cover picture, else the first video frame; null when neither.
    static QImage getCoverImage(const QString &path);

    // Times are microseconds. "hh:mm:ss"; hours are not wrapped at 24.
    static QString getTime(uint64_t microseconds);
    static QString getPlayTime(uint64_t position, uint64_t length);
    // Mode 0 "hh:mm:ss.zzz", 1 "h/min/s" words, 2 the shorter words, else "".
    static QString getCountStringTime(uint64_t microseconds, int mode);
    static QString getFileSizeToString(long long bytes);
    static QString getBitRate(int bitsPerSecond);

    // Reveals the file in the file manager.
    static void showFileInFolder(const char *path);
    static void setOpenFinder(const QString &path);

private:
    JXHelper() = default;
};
