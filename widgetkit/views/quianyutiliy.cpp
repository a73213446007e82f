#include "quianyutiliy.h"

#include "common/qianyutil.h"
#include "widgetkit/qveanyutiliy.h"

#include <QFontMetrics>
#include <QRegularExpression>

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

QString QUiAnyUtiliy::elideName(const QFontMetrics &fm, const QString &name, int width)
{
    if (fm.horizontalAdvance(name) <= width)
        return name;
    static const QRegularExpression copySuffix(QStringLiteral("_(Trim|Edit)_\\d+$"));
    const QRegularExpressionMatch m = copySuffix.match(name);
    if (!m.hasMatch())
        return fm.elidedText(name, Qt::ElideMiddle, width);
    const int room = width - fm.horizontalAdvance(m.captured(0));
    if (room <= fm.horizontalAdvance(QChar(0x2026)))
        return fm.elidedText(name, Qt::ElideLeft, width);
    return fm.elidedText(name.left(m.capturedStart()), Qt::ElideRight, room) + m.captured(0);
}
