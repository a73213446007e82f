#include "widgetkit/qkitfonts.h"

#include "widgetkit/widgetkitlog.h"

#include "common/qianyutil.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

QString QKitFonts::sansFamily()
{
    // The family the system's general font really resolves to.
    QString family = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
    if (family.isEmpty() || family == QLatin1String("Tahoma")) {
        QFont generic;
        generic.setStyleHint(QFont::SansSerif);
        family = QFontInfo(generic).family();
    }
    return family;
}

void QKitFonts::ensureSubstitutions()
{
    static bool done = false;
    if (done || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    done = true;
    if (!QFontDatabase().families().contains(QStringLiteral("Tahoma")))
        QFont::insertSubstitution(QStringLiteral("Tahoma"), sansFamily());
}

QString QKitFonts::lcdFontFamily()
{
    static QString family;
    static bool tried = false;
    if (tried)
        return family;
    tried = true;
    const QString path = QIAnyUtil::getResourcePath() + QStringLiteral("/Font/LCDFont.ttf");
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    if (families.isEmpty())
        qCWarning(lcWidgetKit, "QKitFonts: cannot load %s", qPrintable(path));
    else
        family = families.first();
    return family;
}
