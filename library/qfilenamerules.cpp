#include "library/qfilenamerules.h"

#include <QFileInfo>

namespace {
bool refused(QChar c)
{
    static const QString kRefused = QStringLiteral("/:*\"<>|?\\");
    return kRefused.contains(c);
}
} // namespace

bool QFileNameRules::hasRefusedCharacter(const QString &name)
{
    for (QChar c : name) {
        if (refused(c))
            return true;
    }
    return false;
}

QString QFileNameRules::cleanedName(const QString &name)
{
    QString clean;
    for (QChar c : name) {
        if (!refused(c) && c.category() != QChar::Other_Control)
            clean += c;
    }
    int lead = 0;
    while (lead < clean.size() && (clean.at(lead) == QLatin1Char('.') || clean.at(lead).isSpace()))
        ++lead;
    return clean.mid(lead).trimmed();
}

QString QFileNameRules::firstFreePath(const QString &folder, const QString &title, const QString &extension,
                                      const QString &ownPath)
{
    const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    QString path = folder + title + suffix;
    for (int n = 1; path != ownPath && QFileInfo::exists(path); ++n)
        path = folder + title + QStringLiteral("(%1)").arg(n) + suffix;
    return path;
}
