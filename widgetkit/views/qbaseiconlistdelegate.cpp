#include "qbaseiconlistdelegate.h"

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxitemroles.h"
#include "widgetkit/views/qjxstylebutton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

QBaseIconListDelegate::QBaseIconListDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QBaseIconListDelegate::~QBaseIconListDelegate() = default;

bool QBaseIconListDelegate::addButtonWidget(QDelegateControl *control)
{
    if (!control)
        return false;
    m_controls.insert(control->column(), control);
    return true;
}

void QBaseIconListDelegate::setImageMargins(int left, int top, int right, int bottom)
{
    m_imageMargins = QMargins(left, top, right, bottom);
}

void QBaseIconListDelegate::setDrawTextMargins(int left, int top, int right, int bottom)
{
    m_textMargins = QMargins(left, top, right, bottom);
}

void QBaseIconListDelegate::setHoverRow(int row)
{
    m_hoverRow = row;
    if (row < 0)
        m_mousePoint = QPoint(-1, -1);
}

void QBaseIconListDelegate::setCheckboxImage(const QString &unchecked, const QString &partially,
                                             const QString &checked)
{
    m_checkImages.load(unchecked, partially, checked);
}

void QBaseIconListDelegate::setCheckboxOffest(int left, int top, int right, int bottom)
{
    m_checkOffsets = QMargins(left, top, right, bottom);
}

void QBaseIconListDelegate::setShadowGradualColor(const QColor &first, const QColor &second,
                                                  bool vertical)
{
    m_shadowFirst = first;
    m_shadowSecond = second;
    m_shadowVertical = vertical;
}

IBaseChunk *QBaseIconListDelegate::itemOf(const QModelIndex &index)
{
    if (!index.isValid())
        return nullptr;
    return static_cast<IBaseChunk *>(index.data(QJXItemRole::ItemPointer).value<void *>());
}

QColor QBaseIconListDelegate::itemBgColor(const QModelIndex &index) const
{
    if (!index.isValid())
        return QColor();
    return index.data(Qt::BackgroundRole).value<QBrush>().color();
}

void QBaseIconListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, opt, index);
    emit emitPaintIndex(index);
    if (!index.isValid() || !index.model())
        return;
    painter->save();
    DrawBackground(painter, opt, index);
    drawImage(painter, opt, index);
    DrawTextShadow(painter, opt, index);
    drawItemText(painter, opt, index);
    drawControl(painter, opt, index);
    DrawCheckbox(painter, opt, index);
    painter->restore();
}

void QBaseIconListDelegate::DrawBackground(QPainter *painter, const QStyleOptionViewItem &option,
                                           const QModelIndex &index) const
{
    const QRect tile = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(tile, selected ? m_selectedBgColor : itemBgColor(index));
    int width = 0;
    QColor colour;
    if (selected && m_frameWidth > 0) {
        width = m_frameWidth;
        colour = m_frameColor;
    } else if (!selected && m_hoverFrameWidth >= 1 && index.row() == m_hoverRow) {
        width = m_hoverFrameWidth;
        colour = m_hoverFrameColor;
    }
    if (width <= 0)
        return;
    painter->fillRect(QRect(tile.left(), tile.top(), tile.width(), width), colour);
    painter->fillRect(QRect(tile.left(), tile.top(), width, tile.height()), colour);
    painter->fillRect(QRect(tile.right() - width + 1, tile.top(), width, tile.height()), colour);
    painter->fillRect(QRect(tile.left(), tile.bottom() - width + 1, tile.width(), width), colour);
}

QImage QBaseIconListDelegate::tileImage(const QModelIndex &index)
{
    // In-memory pictures travel as images, never as an address in a text:
    // any text of role 1 is a file path.
    const QImage memory = index.data(QJXItemRole::MemoryImage).value<QImage>();
    if (!memory.isNull())
        return memory;
    const QString path = index.data(Qt::DecorationRole).toString();
    return path.isEmpty() ? QImage() : QImage(path);
}

void QBaseIconListDelegate::fitImage(int drawType, const QSize &imagePixels, const QRect &target,
                                     QRect *drawRect, QRect *sourceRect)
{
    *drawRect = QRect();
    *sourceRect = QRect(QPoint(0, 0), imagePixels);
    if (target.width() <= 0 || target.height() <= 0 || imagePixels.isEmpty())
        return;
    const int w = imagePixels.width() / 2;
    const int h = imagePixels.height() / 2;
    const qint64 W = target.width();
    const qint64 H = target.height();
    switch (drawType) {
    case drawPhotoOriginal:
        *drawRect = QRect(target.topLeft(), QSize(w, h));
        break;
    case drawPhotoStretch:
        *drawRect = target;
        break;
    case drawPhotoFit: {
        const QSize fitted = QSize(w, h).scaled(target.size(), Qt::KeepAspectRatio);
        *drawRect = QRect(QPoint(target.left() + (target.width() - fitted.width()) / 2,
                                 target.top() + (target.height() - fitted.height()) / 2),
                          fitted);
        break;
    }
    case drawPhotoFill:
        *drawRect = target;
        if (qint64(h) * W <= qint64(w) * H) {
            const int band = int(qint64(h) * W / H);
            *sourceRect = QRect(2 * ((w - band) / 2), 0, 2 * band, 2 * h);
        } else {
            const int band = int(qint64(w) * H / W);
            *sourceRect = QRect(0, 2 * ((h - band) / 2), 2 * w, 2 * band);
        }
        break;
    default:
        break;
    }
}

void QBaseIconListDelegate::drawImage(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    const QRect tile = option.rect;
    QImage picture = tileImage(index);
    if (!picture.isNull()) {
        picture.setDevicePixelRatio(2);
        const QRect pictureRect = tile.marginsRemoved(m_imageMargins);
        painter->fillRect(pictureRect, m_imageBgColor);
        QRect target;
        QRect source;
        fitImage(m_drawType, picture.size(), pictureRect, &target, &source);
        if (target.isValid()) {
            painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter->drawImage(target, picture, source);
        }
    }
    const QString overlayPath = index.data(QJXItemRole::OverlayImage).toString();
    if (!overlayPath.isEmpty()) {
        QImage overlay(overlayPath);
        if (!overlay.isNull()) {
            overlay.setDevicePixelRatio(2);
            painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter->drawImage(tile, overlay);
        }
    }
}

void QBaseIconListDelegate::DrawTextShadow(QPainter *painter, const QStyleOptionViewItem &option,
                                           const QModelIndex &) const
{
    if (m_shadowRect.width() <= 0)
        return;
    const QRect band = m_shadowRect.translated(option.rect.topLeft());
    QLinearGradient gradient = m_shadowVertical
        ? QLinearGradient(band.center().x(), band.top(), band.center().x(), band.bottom())
        : QLinearGradient(band.left(), band.center().y(), band.right(), band.center().y());
    gradient.setColorAt(0, m_shadowFirst);
    gradient.setColorAt(1, m_shadowSecond);
    painter->setPen(Qt::NoPen);
    painter->fillRect(band, gradient);
}

void QBaseIconListDelegate::drawItemText(QPainter *painter, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    const QString caption = index.data(Qt::DisplayRole).toString();
    if (caption.isEmpty())
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const bool deleted = index.data(QJXItemRole::ItemDeleted).toBool();
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    painter->setFont(m_font);
    painter->setPen(deleted || !selected ? index.data(Qt::ForegroundRole).value<QBrush>().color()
                                         : m_selectTextColor);
    const QRect textRect = option.rect.marginsRemoved(m_textMargins);
    painter->drawText(textRect, int(m_alignment),
                      QFontMetrics(m_font).elidedText(caption, m_elideMode, textRect.width()));
}

QDelegateControl *QBaseIconListDelegate::activeGroup(const QModelIndex &index) const
{
    IBaseChunk *item = itemOf(index);
    if (m_hideCtrl || !item || !item->getControlShow())
        return nullptr;
    QDelegateControl *group = m_controls.value(index.column());
    // Buttons that are not drawn on a tile must not take its clicks either.
    if (!group || group->customDraw() || (group->hoverShow() && index.row() != m_hoverRow))
        return nullptr;
    return group;
}

void QBaseIconListDelegate::drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    const QDelegateControl *group = activeGroup(index);
    if (!group)
        return;
    const QVariant enabledValue = index.data(Qt::EditRole);
    const bool enabled = !enabledValue.isValid() || enabledValue.toBool();
    for (QWidget *widget : group->getDrawWidgetList()) {
        auto *button = qobject_cast<QJXStyleButton *>(widget);
        if (!button || !button->isShow())
            continue;
        button->drawInCell(painter, QRect(option.rect.topLeft() + button->getPos(), button->size()),
                           option.state & QStyle::State_Selected, enabled, m_mousePoint);
    }
}

QRect QBaseIconListDelegate::checkboxRect(const QRect &tile) const
{
    const QSize box = m_checkImages.boxSize();
    const int x = m_checkPos.x() == -1 ? 5 : m_checkPos.x();
    const int y = m_checkPos.y() == -1 ? (tile.height() - box.height()) / 2 : m_checkPos.y();
    return QRect(tile.left() + x, tile.top() + y, box.width(), box.height());
}

void QBaseIconListDelegate::DrawCheckbox(QPainter *painter, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    IBaseChunk *item = itemOf(index);
    if (!item)
        return;
    if (QImage *image = m_checkImages.forState(item->GetCheck()))
        painter->drawImage(checkboxRect(option.rect), *image);
}

bool QBaseIconListDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                        const QStyleOptionViewItem &option, const QModelIndex &index)
{
    IBaseChunk *item = m_checkboxEnabled ? itemOf(index) : nullptr;
    if (item && event->type() == QEvent::MouseButtonPress) {
        const QRect hit = checkboxRect(option.rect) + m_checkOffsets;
        if (hit.contains(static_cast<QMouseEvent *>(event)->pos())) {
            emit emitCheckStateChange(index, item->GetCheck() == 2 ? 0 : 2);
            return true;
        }
    }
    return editorControlEvent(event, model, option, index);
}

bool QBaseIconListDelegate::editorControlEvent(QEvent *event, QAbstractItemModel *,
                                               const QStyleOptionViewItem &option,
                                               const QModelIndex &index)
{
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
        || type == QEvent::MouseMove || type == QEvent::MouseButtonDblClick;
    if (mouse)
        m_mousePoint = static_cast<QMouseEvent *>(event)->pos();
    const QDelegateControl *group = activeGroup(index);
    if (!group || !mouse) {
        m_pressedIndex = QModelIndex();
        m_pressedButton = nullptr;
        m_mouseInCtrlRect = false;
        return false;
    }
    bool consumed = false;
    bool inside = false;
    for (QWidget *widget : group->getDrawWidgetList()) {
        auto *button = qobject_cast<QJXStyleButton *>(widget);
        if (!button)
            continue;
        const QRect rect(option.rect.topLeft() + button->getPos(), button->size());
        if (!rect.contains(m_mousePoint)) {
            if (m_mouseState != 0 && !inside)
                consumed = true; // so the tile repaints without the hover look
            button->setBtnState(0);
            continue;
        }
        if (!button->isShow())
            continue;
        consumed = inside = true;
        switch (type) {
        case QEvent::MouseButtonPress:
            m_pressedIndex = index;
            m_pressedButton = button;
            m_mouseState = 2;
            button->setBtnState(2);
            break;
        case QEvent::MouseButtonRelease: {
            m_mouseState = 1;
            button->setBtnState(1);
            const QVariant enabled = index.data(Qt::EditRole);
            if ((!enabled.isValid() || enabled.toBool()) && m_pressedIndex == index
                && m_pressedButton == button) {
                button->clickWidgt(index);
                emit clickWidgt(index);
            }
            break;
        }
        case QEvent::MouseMove:
            m_mouseState = 1;
            button->setBtnState(1);
            break;
        default:
            break;
        }
    }
    if (!inside)
        m_mouseState = 0;
    if (type == QEvent::MouseButtonRelease) {
        m_pressedIndex = QModelIndex();
        m_pressedButton = nullptr;
    }
    m_mouseInCtrlRect = inside;
    return consumed;
}
