#pragma once
// The two questions the library asks before it takes recordings or lists
// away: cancel, remove from the list or delete the files (0, 1, 2); a
// yes-or-no; and the one error the library reports. All are modal; tests
// answer them through the answerer.

#include <QString>

#include <functional>

class QWidget;

class QLibraryQuestions
{
public:
    // 0 Cancel, 1 Remove, 2 Delete.
    static int askRemoveOrDelete(QWidget *owner, const QString &text);
    static bool confirm(QWidget *owner, const QString &text);
    // An error with an OK button.
    static void tell(QWidget *owner, const QString &text);
    // A notice with an OK button.
    static void inform(QWidget *owner, const QString &text);

    // Answers in place of the dialogs while set: the text asked gives
    // 0, 1 or 2 (for a yes-or-no, non-zero is yes).
    static void setAnswerer(std::function<int(const QString &)> answerer);

private:
    QLibraryQuestions() = default;
};
