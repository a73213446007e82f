#include "quianyutiliy.h"

#include "common/qianyutil.h"

void QUiAnyUtiliy::QDpiScaleInit()
{
}

float QUiAnyUtiliy::getDpiScale()
{
    return 1.0f;
}

QString QUiAnyUtiliy::converSize(unsigned long long bytes)
{
    constexpr unsigned long long kilo = 1024ULL;
    if (bytes < kilo)
        return QStringLiteral("%1 B").arg(bytes);
    static const char *const units[] = {"KB", "MB", "GB"};
    unsigned long long step = kilo;
    for (const char *unit : units) {
        if (bytes < step * kilo)
            return QStringLiteral("%1 %2").arg(double(bytes) / double(step), 0, 'f', 2).arg(QLatin1String(unit));
        step *= kilo;
    }
    return QStringLiteral("%1 T").arg(double(bytes) / double(step), 0, 'f', 2);
}

QString QUiAnyUtiliy::getResourcePath()
{
    // One resource folder for the whole program, wherever it is installed.
    return QIAnyUtil::getResourcePath();
}
