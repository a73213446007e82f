#include "library/qlibrarydelegate.h"

#include "library/qlibrarychunk.h"
#include "library/qlibrarymodel.h"
#include "library/qlibrarytableview.h"
#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/qjxpicturecache.h"

#include <QLineEdit>
#include <QPainter>

QLibraryDelegate::QLibraryDelegate(QObject *parent)
    : QNameEditDelegate(parent)
{
}

void QLibraryDelegate::drawHalfSizeImage(QPainter *painter, const QString &path, int x, const QRect &cell)
{
    QImage image = QJXPictureCache::picture(path, 1.0);
    if (image.isNull())
        return;
    // Pictures are drawn at double resolution; the source is in logical pixels.
    const int w = image.width() / 2;
    const int h = image.height() / 2;
    QRect target(x, cell.top() + (cell.height() - h) / 2, w, h);
    QBaseImageDraw::drawImage(*painter, target, QRect(0, 0, w, h), image);
}

void QLibraryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QLibraryChunk *entry = QLibraryModel::entryAt(index);
    if (!entry)
        return;
    const QRect cell = option.rect;
    const bool plusCell = index.row() == 4 && index.column() == 1;
    if (!plusCell) {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(cell, selected ? QColor(52, 52, 52)
                                         : index.data(Qt::BackgroundRole).value<QBrush>().color());
        if (!entry->getEnable())
            painter->fillRect(cell, QColor(31, 31, 31));
    }
    drawBottomLine(painter, option, index);
    drawControl(painter, option, index);
    DrawCheckbox(painter, option, index);

    if (entry->GetListType() == QLibraryChunk::ListSpace) {
        painter->save();
        painter->setPen(QColor(44, 44, 44));
        painter->drawLine(cell.left(), cell.top() + 12, cell.right(), cell.top() + 12);
        painter->restore();
        return;
    }
    if (index.column() == 0) {
        drawHalfSizeImage(painter, QString::fromStdString(entry->GetIcon()),
                         cell.left() + (entry->getEnable() ? 10 : 5), cell);
        QRect textRect(QPoint(cell.left() + 30, cell.top()), QPoint(cell.right() + 10, cell.bottom()));
        const QString text = painter->fontMetrics().elidedText(
            QString::fromStdString(entry->GetTitle()), Qt::ElideRight, textRect.width());
        painter->save();
        auto *view = qobject_cast<const QLibraryTableView *>(option.widget);
        QColor color(250, 237, 237);
        if (view && view->isDragging() && view->dropRow() == index.row()
            && entry->GetListType() == QLibraryChunk::ListCustom)
            color = QColor(255, 132, 65);
        else if (entry->getEnable())
            color = index.data(Qt::ForegroundRole).value<QBrush>().color();
        painter->setPen(color);
        painter->setFont(index.data(Qt::FontRole).value<QFont>());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
    } else if (index.column() == 1 && entry->GetIsPlaying()) {
        drawHalfSizeImage(painter, QString::fromStdString(entry->GetPlayingIcon()), cell.left(), cell);
    }
}

QWidget *QLibraryDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != 0)
        return QJXControlStyleDelegate::createEditor(parent, option, index);
    QLineEdit *edit = createNameEditor(parent);
    edit->setMaxLength(kMaxNameLength);
    return edit;
}

void QLibraryDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    QLibraryChunk *entry = QLibraryModel::entryAt(index);
    if (index.column() != 0 || !edit || !entry) {
        QJXControlStyleDelegate::setEditorData(editor, index);
        return;
    }
    // The whole name: a playlist name is no file name, and confirming the
    // editor unchanged must not cut it at a dot.
    edit->setText(QString::fromStdString(entry->GetTitle()));
}

void QLibraryDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (!index.isValid() || !model || !edit)
        return;
    emit const_cast<QLibraryDelegate *>(this)->emitChangListName(index, edit->text());
}

void QLibraryDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    const QRect cell = option.rect;
    editor->setGeometry(cell.left() + 25, cell.top() + (cell.height() - 20) / 2,
                        cell.right() - (cell.left() + 25) + 1, 20);
}
