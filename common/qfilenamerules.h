#pragma once
// What a typed or recognised name may be as a file name in one folder:
// refused and invisible characters, the first free "name(n).ext" there, and
// moving a file to such a name without replacing or following anything.

#include <QString>

#include <functional>

class QFileNameRules
{
public:
    // The part of a "/"-separated path after its last "/", and the part up
    // to and including it.
    static QString fileNameOf(const QString &path);
    static QString folderOf(const QString &path);
    // Any of / : * " < > | ? or a backslash.
    static bool hasRefusedCharacter(const QString &name);
    // The name without refused characters, control and format characters
    // (direction overrides, zero-width marks) and line or paragraph
    // separators, and without leading dots and blanks; may come back empty.
    static QString cleanedName(const QString &name);
    // folder + title + "." + extension, or with "(1)", "(2)", ... after the
    // title when something already takes the name (a link leading nowhere
    // included), or alsoTaken says so. The folder ends in "/". ownPath, the
    // file being named, does not take its own name.
    static QString firstFreePath(const QString &folder, const QString &title, const QString &extension,
                                 const QString &ownPath = QString(),
                                 const std::function<bool(const QString &path)> &alsoTaken = {});
    // Something is at the path, a link (followed or not) included.
    static bool isTaken(const QString &path);
    // The two paths name one file: the same text, or the same file on disk
    // (a name in another letter case on a folder that ignores case).
    static bool isSameFile(const QString &a, const QString &b);
    // Renames within one file system; never replaces what is at `to` (a link
    // included) and never copies through it. False with errno set on failure.
    static bool moveWithoutReplacing(const QString &from, const QString &to);

private:
    QFileNameRules() = default;
};
