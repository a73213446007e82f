#include "qviewkeys.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>

bool QViewKeys::handle(QAbstractItemView *view, QKeyEvent *event,
                       const std::function<void()> &onEnter, const std::function<void()> &onBackspace)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (view->selectionModel() && view->selectionModel()->hasSelection() && onEnter)
            onEnter();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        event->ignore();
        return true;
    case Qt::Key_Backspace:
        if (!onBackspace)
            return false;
        onBackspace();
        return true;
    default:
        return false;
    }
}
