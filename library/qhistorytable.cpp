#include "library/qhistorytable.h"

#include "library/qaudiofilemodel.h"
#include "library/qhistorychunk.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>

namespace {
QHistoryChunk *historyRow(const QModelIndex &index)
{
    return dynamic_cast<QHistoryChunk *>(QNameEditDelegate::itemOfIndex(index));
}
} // namespace

// ---- Model ----

QHistorModel::QHistorModel(QObject *parent)
    : QBaseDetailsModel(parent)
{
}

QVariant QHistorModel::data(const QModelIndex &index, int role) const
{
    QHistoryChunk *row = index.isValid() ? dynamic_cast<QHistoryChunk *>(itemAt(index.row())) : nullptr;
    if (!row)
        return QBaseDetailsModel::data(index, role);
    if (role == Qt::DisplayRole && index.column() == 1)
        return row->qtext(QRowTexts::FileName);
    if (role == Qt::DecorationRole && index.column() == 0)
        return QString::fromStdString(row->GetImage());
    if (role == Qt::CheckStateRole)
        return QVariant();
    if (role == kHistoryNewRole && index.column() == 0)
        return row->isNewAdd();
    return QBaseDetailsModel::data(index, role);
}

bool QHistorModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role == Qt::DisplayRole && index.isValid() && index.column() == 1 && itemAt(index.row())) {
        emit emitChangeName(index, value.toString());
        return true;
    }
    return QBaseDetailsModel::setData(index, value, role);
}

Qt::ItemFlags QHistorModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 1)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return QBaseDetailsModel::flags(index);
}

// ---- Delegate ----

QHistoryDelegate::QHistoryDelegate(QObject *parent)
    : QNameEditDelegate(parent)
{
}

std::unique_ptr<QImage> QHistoryDelegate::loadImage(const QString &path)
{
    if (!QFileInfo::exists(path))
        return nullptr;
    auto image = std::make_unique<QImage>(path);
    if (image->isNull())
        return nullptr;
    image->setDevicePixelRatio(2.0);
    return image;
}

void QHistoryDelegate::setItemBgImage(const QString &path)
{
    m_itemBgImage = loadImage(path);
}

void QHistoryDelegate::setItemNewAddImage(const QString &path)
{
    m_newAddImage = loadImage(path);
}

void QHistoryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QStyleOptionViewItem copy(option);
    QNameEditDelegate::paint(painter, copy, index);
}

void QHistoryDelegate::drawBottomLine(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    if (index.column() == 0) {
        const QRect cell = option.rect;
        painter->fillRect(cell, Qt::black);
        const QImage picture(index.data(Qt::DecorationRole).toString());
        if (!picture.isNull()) {
            // Fitted whole into the cell, centred along the spare side.
            const QSize fitted = picture.size().scaled(cell.size(), Qt::KeepAspectRatio);
            const QRect target(cell.left() + (cell.width() - fitted.width()) / 2,
                               cell.top() + (cell.height() - fitted.height()) / 2, fitted.width(),
                               fitted.height());
            painter->drawImage(target, picture);
        } else if (m_itemBgImage) {
            painter->drawImage(cell, *m_itemBgImage);
        }
    }
    QNameEditDelegate::drawBottomLine(painter, option, index);
}

void QHistoryDelegate::drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QNameEditDelegate::drawControl(painter, option, index);
    if (index.column() != 0 || !index.data(kHistoryNewRole).toBool())
        return;
    if (!m_newAddImage) {
        painter->fillRect(option.rect, QColor(255, 0, 0));
        return;
    }
    const QSize size = m_newAddImage->size() / 2;
    painter->drawImage(QRect(option.rect.topLeft(), size), *m_newAddImage);
}

QWidget *QHistoryDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != 1)
        return QNameEditDelegate::createEditor(parent, option, index);
    return createNameEditor(parent);
}

void QHistoryDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (index.column() != 1 || !edit) {
        QNameEditDelegate::setEditorData(editor, index);
        return;
    }
    edit->setText(QAudioFileModel::baseName(index.data(Qt::DisplayRole).toString()));
}

void QHistoryDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (index.column() != 1 || !edit || !model) {
        QNameEditDelegate::setModelData(editor, model, index);
        return;
    }
    model->setData(index, edit->text(), Qt::DisplayRole);
}

void QHistoryDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    if (index.column() != 1) {
        QNameEditDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    placeNameEditor(editor, option.rect);
}

// ---- Sort model ----

QHistorySortModel::QHistorySortModel(QObject *parent)
    : QJXBaseSortModel(parent)
{
}

void QHistorySortModel::setFilterFileType(FileType type)
{
    if (type == m_fileType)
        return;
    beginResetModel();
    m_fileType = type;
    endResetModel();
    invalidateFilter();
}

bool QHistorySortModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_fileType != FileTypeAll && sourceModel()) {
        QHistoryChunk *row = historyRow(sourceModel()->index(sourceRow, 0, sourceParent));
        if (row && row->getVideoType() != (m_fileType == FileTypeVideo))
            return false;
    }
    return QJXBaseSortModel::filterAcceptsRow(sourceRow, sourceParent);
}

Qt::ItemFlags QHistorySortModel::flags(const QModelIndex &index) const
{
    if (index.isValid() && index.column() == 1)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return QJXBaseSortModel::flags(index);
}

// ---- View ----

QTableViewEx::QTableViewEx(QWidget *parent)
    : QJXTableView(parent)
{
    setMouseTracking(true);
}

void QTableViewEx::setSortModel(QJXBaseSortModel *model)
{
    QJXTableView::setSortModel(model);
    m_sortModel = model;
}

QPoint QTableViewEx::getIndexPoint(const QModelIndex &index) const
{
    QModelIndex viewIndex = index;
    if (m_sortModel && index.model() == m_sortModel->sourceModel())
        viewIndex = m_sortModel->mapFromSource(index);
    return viewport()->mapToGlobal(visualRect(viewIndex).center());
}

QString QTableViewEx::describe(QHistoryChunk *row)
{
    if (!row)
        return QString();
    QStringList lines;
    auto optional = [&](const char *label, const std::string &value) {
        if (!value.empty())
            lines << QString::fromLatin1(label).arg(QString::fromStdString(value));
    };
    optional("Title: %1", row->GetTitle());
    optional("Artist: %1", row->GetArtist());
    optional("Genre: %1", row->GetGenre());
    optional("Album: %1", row->GetAlbum());
    lines << QStringLiteral("File size: %1").arg(row->qtext(QRowTexts::FileSize));
    if (row->getVideoType())
        lines << QStringLiteral("Resolution: %1").arg(row->qtext(QRowTexts::Resolution));
    lines << QStringLiteral("Duration: %1").arg(row->qtext(QRowTexts::PlayTime));
    lines << QStringLiteral("Create time: %1").arg(row->qtext(QRowTexts::CreateTime));
    return lines.join(QLatin1Char('\n'));
}

QString QTableViewEx::showToolTipText(const QModelIndex &index)
{
    if (!index.isValid())
        return QString();
    if (!m_sortModel)
        return QJXTableView::showToolTipText(index);
    switch (index.column()) {
    case 0: return tr("Play");
    case 1: return describe(historyRow(index));
    case 2: return tr("Edit Name");
    case 3: return tr("Open File Location");
    case 4: return tr("Edit");
    case 5: return tr("Delete");
    default: return QString();
    }
}
