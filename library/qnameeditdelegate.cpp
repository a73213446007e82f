#include "library/qnameeditdelegate.h"

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qjxitemroles.h"

#include <QLineEdit>

QNameEditDelegate::QNameEditDelegate(QObject *parent)
    : QJXControlStyleDelegate(parent)
{
}

IBaseChunk *QNameEditDelegate::itemOfIndex(const QModelIndex &index)
{
    if (!index.isValid() || !index.model())
        return nullptr;
    const QVariant value = index.data(QJXItemRole::ItemPointer);
    if (!value.canConvert<void *>())
        return nullptr;
    return static_cast<IBaseChunk *>(value.value<void *>());
}

QLineEdit *QNameEditDelegate::createNameEditor(QWidget *parent) const
{
    auto *edit = new QLineEdit(parent);
    QFont font = edit->font();
    font.setFamily(QStringLiteral("Tahoma"));
    font.setPixelSize(12);
    edit->setFont(font);
    connect(edit, &QLineEdit::editingFinished, this, &QNameEditDelegate::commitAndCloseEditor);
    return edit;
}

void QNameEditDelegate::placeNameEditor(QWidget *editor, const QRect &cell)
{
    editor->setGeometry(cell.left(), cell.top() + (cell.height() - 20) / 2, cell.width() + 27, 20);
}

void QNameEditDelegate::commitAndCloseEditor()
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    emit commitData(edit);
    emit closeEditor(edit);
}
