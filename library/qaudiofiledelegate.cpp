#include "library/qaudiofiledelegate.h"

#include "library/qaudiofilechunk.h"
#include "library/qaudiofilemodel.h"
#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QLineEdit>
#include <QPainter>

QAudioFileDelegate::QAudioFileDelegate(QObject *parent)
    : QNameEditDelegate(parent)
{
}

void QAudioFileDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QJXControlStyleDelegate::paint(painter, option, index);
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (!item)
        return;
    const QRect cell = option.rect;
    const int column = index.column();
    const QAudioFileChunk::AudioState state = item->GetAudioState();
    if (column == QAudioFileModel::ColumnState) {
        if (state == QAudioFileChunk::AudioNormal)
            return;
        // A state without a picture (a paused row) has an empty path.
        const QImage image = QJXPictureCache::picture(index.data(Qt::DecorationRole).toString(), 2.0);
        if (image.isNull())
            return;
        const int w = image.width() / 2;
        const int h = image.height() / 2;
        painter->drawImage(QRect(cell.left() + (cell.width() - w) / 2,
                                 cell.top() + (cell.height() - h) / 2, w, h),
                           image);
        return;
    }
    if (column < QAudioFileModel::ColumnName || column > QAudioFileModel::ColumnCreated)
        return;
    painter->save();
    QColor pen = index.data(Qt::ForegroundRole).value<QBrush>().color();
    if (state == QAudioFileChunk::AudioRecording)
        pen = QColor(216, 45, 59);
    else if ((state == QAudioFileChunk::AudioPlaying || state == QAudioFileChunk::AudioPause)
             && !m_bRecording)
        pen = QColor(255, 132, 65);
    painter->setPen(pen);
    painter->setFont(index.data(Qt::FontRole).value<QFont>());
    QString text;
    switch (column) {
    case QAudioFileModel::ColumnName: text = QAudioFileModel::baseName(item->qtext(QRowTexts::FileName)); break;
    case QAudioFileModel::ColumnFormat: text = item->qtext(QRowTexts::Extension).toUpper(); break;
    case QAudioFileModel::ColumnArtist: text = item->qtext(QRowTexts::Artist); break;
    case QAudioFileModel::ColumnAlbum: text = item->qtext(QRowTexts::Album); break;
    case QAudioFileModel::ColumnDuration: text = item->qtext(QRowTexts::PlayTime); break;
    default: text = item->qtext(QRowTexts::CreateTime); break;
    }
    const QColor fill = (option.state & QStyle::State_Selected)
                            ? QColor(72, 68, 67)
                            : index.data(Qt::BackgroundRole).value<QBrush>().color();
    painter->fillRect(cell.adjusted(0, 0, 0, -1), fill);
    if (column == QAudioFileModel::ColumnFormat) {
        painter->drawText(cell, Qt::AlignCenter, text);
    } else {
        const QRect textRect = cell.adjusted(4, 0, 0, 0);
        const QFontMetrics fm = painter->fontMetrics();
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          column == QAudioFileModel::ColumnName
                              ? QUiAnyUtiliy::elideName(fm, text, textRect.width())
                              : fm.elidedText(text, Qt::ElideRight, textRect.width()));
    }
    painter->restore();
}

QWidget *QAudioFileDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    QAudioFileChunk *item = QAudioFileModel::rowItem(index);
    if (index.column() != QAudioFileModel::ColumnName || !item || item->isDeleted())
        return QJXControlStyleDelegate::createEditor(parent, option, index);
    return createNameEditor(parent);
}

void QAudioFileDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (index.column() != QAudioFileModel::ColumnName || !edit) {
        QJXControlStyleDelegate::setEditorData(editor, index);
        return;
    }
    // The shown name is already without its extension: "a.b.mp3" edits as "a.b".
    edit->setText(index.data(Qt::DisplayRole).toString());
}

void QAudioFileDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                      const QModelIndex &index) const
{
    if (!index.isValid() || !editor || !model)
        return;
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (index.column() == QAudioFileModel::ColumnName && edit) {
        emit const_cast<QAudioFileDelegate *>(this)->emitChangeName(index, edit->text());
        return;
    }
    QJXControlStyleDelegate::setModelData(editor, model, index);
}

void QAudioFileDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    if (index.column() != QAudioFileModel::ColumnName) {
        QJXControlStyleDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    placeNameEditor(editor, option.rect);
}
