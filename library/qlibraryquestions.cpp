#include "library/qlibraryquestions.h"

#include "widgetkit/askmessagedlg.h"
#include "widgetkit/qjxmessagebox.h"

#include <QWidget>

namespace {
std::function<int(const QString &)> &answerer()
{
    static std::function<int(const QString &)> hook;
    return hook;
}

bool staysOnTop(QWidget *owner)
{
    return owner && owner->parentWidget()
           && (owner->parentWidget()->windowFlags() & Qt::WindowStaysOnTopHint);
}
} // namespace

void QLibraryQuestions::setAnswerer(std::function<int(const QString &)> hook)
{
    answerer() = std::move(hook);
}

int QLibraryQuestions::askRemoveOrDelete(QWidget *owner, const QString &text)
{
    if (answerer())
        return answerer()(text);
    AskMessageDlg dialog(owner);
    dialog.setMsgText(text);
    if (staysOnTop(owner))
        dialog.setWindowFlags(dialog.windowFlags() | Qt::WindowStaysOnTopHint);
    return dialog.exec();
}

bool QLibraryQuestions::confirm(QWidget *owner, const QString &text)
{
    if (answerer())
        return answerer()(text) != 0;
    return QJXMessageBox::ShowMessage(owner ? owner->parentWidget() : nullptr, text, QString(),
                                      QJXMessageBox::Warning, QJXMessageBox::YesNoButton)
           == QJXMessageBox::ResultYes;
}

void QLibraryQuestions::inform(QWidget *owner, const QString &text)
{
    if (answerer()) {
        answerer()(text);
        return;
    }
    QJXMessageBox::ShowMessage(owner, text, QString(), QJXMessageBox::Information, QJXMessageBox::OkButton);
}

void QLibraryQuestions::tell(QWidget *owner, const QString &text)
{
    if (answerer()) {
        answerer()(text);
        return;
    }
    QJXMessageBox::ShowMessage(owner, text, QString(), QJXMessageBox::Error, QJXMessageBox::OkButton);
}
