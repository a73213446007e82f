#include "quianyutiliy.h"

#include "common/qianyutil.h"
#include "widgetkit/qveanyutiliy.h"

void QUiAnyUtiliy::QDpiScaleInit()
{
}

float QUiAnyUtiliy::getDpiScale()
{
    return 1.0f;
}

QString QUiAnyUtiliy::converSize(unsigned long long bytes)
{
    return QVeAnyUtiliy::converSize(bytes);
}

QString QUiAnyUtiliy::getResourcePath()
{
    // One resource folder for the whole program, wherever it is installed.
    return QIAnyUtil::getResourcePath();
}
