#pragma once
// What a typed or recognised name may be as a file name in one folder:
// refused characters, and the first free "name(n).ext" there.

#include <QString>

class QFileNameRules
{
public:
    // Any of / : * " < > | ? or a backslash.
    static bool hasRefusedCharacter(const QString &name);
    // The name without refused characters and control characters, and
    // without leading dots and blanks; may come back empty.
    static QString cleanedName(const QString &name);
    // folder + title + "." + extension, or with "(1)", "(2)", ... after the
    // title when a file already takes the name. The folder ends in "/".
    // ownPath, the file being named, does not take its own name.
    static QString firstFreePath(const QString &folder, const QString &title, const QString &extension,
                                 const QString &ownPath = QString());

private:
    QFileNameRules() = default;
};
