#include "widgetkit/qveanyutiliy.h"

#include "common/qianyutil.h"

QString QVeAnyUtiliy::getResourcePath()
{
    return QIAnyUtil::getResourcePath();
}

QString QVeAnyUtiliy::converSize(quint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    const char *const units[] = {"KB", "MB", "GB"};
    double step = 1024.0;
    for (const char *unit : units) {
        if (double(bytes) < step * 1024.0)
            return QStringLiteral("%1 %2").arg(double(bytes) / step, 0, 'f', 2).arg(QLatin1String(unit));
        step *= 1024.0;
    }
    return QStringLiteral("%1 T").arg(double(bytes) / step, 0, 'f', 2);
}
