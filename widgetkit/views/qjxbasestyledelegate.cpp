#include "qjxbasestyledelegate.h"

#include "widgetkit/views/ibasechunk.h"
#include "widgetkit/views/qdelegatecontrol.h"
#include "widgetkit/views/qjxitemroles.h"
#include "widgetkit/views/qjxstylebutton.h"
#include "widgetkit/views/quianyutiliy.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QToolTip>

QJXBaseStyleDelegate::QJXBaseStyleDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QJXBaseStyleDelegate::~QJXBaseStyleDelegate() = default;

bool QJXBaseStyleDelegate::addButtonWidget(QDelegateControl *control)
{
    if (!control)
        return false;
    m_controls.insert(control->column(), control);
    return true;
}

void QJXBaseStyleDelegate::setHoverRow(int row)
{
    m_hoverRow = row;
    // Off the view: no button keeps a hover or pressed look.
    if (row < 0)
        m_mousePoint = QPoint(-1, -1);
}

void QJXBaseStyleDelegate::setCheckboxImage(const QString &unchecked, const QString &partially,
                                            const QString &checked)
{
    m_checkImages.load(unchecked, partially, checked);
}

void QJXBaseStyleDelegate::setCheckboxOffest(int all)
{
    setCheckboxOffest(all, all, all, all);
}

void QJXBaseStyleDelegate::setCheckboxOffest(int left, int top, int right, int bottom)
{
    m_checkOffsetLeft = left;
    m_checkOffsetTop = top;
    m_checkOffsetRight = right;
    m_checkOffsetBottom = bottom;
}

void QJXBaseStyleDelegate::getCheckboxOffest(int &left, int &top, int &right, int &bottom) const
{
    left = m_checkOffsetLeft;
    top = m_checkOffsetTop;
    right = m_checkOffsetRight;
    bottom = m_checkOffsetBottom;
}

IBaseChunk *QJXBaseStyleDelegate::itemOf(const QModelIndex &index)
{
    if (!index.isValid())
        return nullptr;
    return static_cast<IBaseChunk *>(index.data(QJXItemRole::ItemPointer).value<void *>());
}

void QJXBaseStyleDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // Only for painting a cell: a size hint keeps the whole text.
    if (m_nameColumn < 0 || index.column() != m_nameColumn || !option->rect.isValid()
        || !option->features.testFlag(QStyleOptionViewItem::HasDisplay))
        return;
    const QStyle *style = option->widget ? option->widget->style() : QApplication::style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, option, option->widget);
    // The style keeps a margin each side of the text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
    option->text = QUiAnyUtiliy::elideName(QFontMetrics(option->font), option->text,
                                           textRect.width() - 2 * margin);
}

void QJXBaseStyleDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_HasFocus;
    opt.palette.setColor(QPalette::Highlight, m_selectedBgColor);
    opt.palette.setColor(QPalette::HighlightedText, m_selectedTextColor);
    if (index.isValid() && index.data(QJXItemRole::ItemDeleted).toBool())
        opt.palette.setColor(QPalette::HighlightedText,
                             index.data(Qt::ForegroundRole).value<QBrush>().color());
    QStyledItemDelegate::paint(painter, opt, index);
    DrawCheckbox(painter, opt, index);
    drawBottomLine(painter, opt, index);
    drawControl(painter, opt, index);
}

void QJXBaseStyleDelegate::drawBottomLine(QPainter *painter, const QStyleOptionViewItem &option,
                                          const QModelIndex &) const
{
    if (!m_drawBottomLine)
        return;
    const QPen pen = painter->pen();
    painter->setPen(m_bottomLineColor);
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->setPen(pen);
}

QRect QJXBaseStyleDelegate::checkboxRect(const QRect &cell) const
{
    const QSize box = m_checkImages.boxSize();
    const int x = m_checkPos.x() == -1 ? 5 : m_checkPos.x();
    const int y = m_checkPos.y() == -1 ? (cell.height() - box.height()) / 2 : m_checkPos.y();
    return QRect(cell.left() + x, cell.top() + y, box.width(), box.height());
}

void QJXBaseStyleDelegate::DrawCheckbox(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    if (index.column() != m_checkColumn)
        return;
    IBaseChunk *item = itemOf(index);
    if (!item)
        return;
    const QRect cell = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(cell, selected ? QBrush(m_selectedBgColor)
                                     : index.data(Qt::BackgroundRole).value<QBrush>());

    const QRect box = checkboxRect(cell);
    const QRect textRect(QPoint(box.left() + box.width() + m_checkTextSpacing, cell.top()),
                         QPoint(cell.right() - 5, cell.bottom()));
    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty() && textRect.width() > 0) {
        const QVariant fontValue = index.data(Qt::FontRole);
        const QFont font = fontValue.isValid() ? fontValue.value<QFont>() : option.font;
        const QVariant alignValue = index.data(Qt::TextAlignmentRole);
        const Qt::Alignment alignment = alignValue.isValid()
            ? Qt::Alignment(alignValue.toInt())
            : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
        const bool ownColour = item->isDeleted() || !selected;
        painter->setFont(font);
        painter->setPen(ownColour ? index.data(Qt::ForegroundRole).value<QBrush>().color()
                                  : m_selectedTextColor);
        painter->drawText(textRect, int(alignment),
                          QFontMetrics(font).elidedText(text, Qt::ElideRight, textRect.width()));
    }
    if (QImage *image = m_checkImages.forState(item->GetCheck()))
        painter->drawImage(box, *image);
    painter->restore();
}

bool QJXBaseStyleDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                       const QStyleOptionViewItem &option, const QModelIndex &index)
{
    IBaseChunk *item = index.isValid() && index.column() == m_checkColumn && m_checkboxEnabled
        ? itemOf(index)
        : nullptr;
    if (item) {
        if (event->type() == QEvent::MouseButtonPress) {
            const QRect hit = checkboxRect(option.rect).adjusted(
                -m_checkOffsetLeft, -m_checkOffsetTop, m_checkOffsetRight, m_checkOffsetBottom);
            if (hit.contains(static_cast<QMouseEvent *>(event)->pos())) {
                emit emitCheckStateChange(index, item->GetCheck() == 2 ? 0 : 2);
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            // The receiver of the signal sets the state, never the base class.
            return true;
        }
    }
    return editorControlEvent(event, model, option, index);
}

QDelegateControl *QJXBaseStyleDelegate::activeGroup(const QModelIndex &index) const
{
    if (!index.isValid())
        return nullptr;
    QDelegateControl *group = m_controls.value(index.column());
    if (!group || group->customDraw() || (group->hoverShow() && index.row() != m_hoverRow))
        return nullptr;
    return group;
}

QVector<int> QJXBaseStyleDelegate::placeHorizontally(const QDelegateControl *group, int cellWidth,
                                                     int groupWidth, const QVector<int> &widths)
{
    const Qt::Alignment alignment = group->drawAlignment();
    int start = 0;
    if (alignment & (Qt::AlignHCenter | Qt::AlignVCenter))
        start = (cellWidth - groupWidth) / 2;
    else if (alignment & Qt::AlignRight)
        start = cellWidth - groupWidth;
    QVector<int> xs;
    xs.reserve(widths.size());
    int before = 0;
    for (int i = 0; i < widths.size(); ++i) {
        xs << start + before + i * group->drawSpacing();
        before += widths.at(i);
    }
    return xs;
}

std::vector<QJXBaseStyleDelegate::PlacedControl>
QJXBaseStyleDelegate::layoutControls(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    std::vector<PlacedControl> placed;
    const QDelegateControl *group = activeGroup(index);
    if (!group || group->count() == 0)
        return placed;
    QVector<int> widths;
    for (QWidget *widget : group->getDrawWidgetList())
        widths << widget->width();
    const int groupWidth = group->allWidgetWidth() + (group->count() - 1) * group->drawSpacing();
    const QVector<int> xs = placeHorizontally(group, option.rect.width(), groupWidth, widths);
    const QRect cell = option.rect;
    for (int i = 0; i < group->count(); ++i) {
        QWidget *widget = group->widgetFromIndex(i);
        PlacedControl control;
        control.widget = widget;
        control.rect = QRect(cell.left() + xs.at(i), cell.top() + (cell.height() - widget->height()) / 2,
                             widget->width(), widget->height());
        placed.push_back(control);
    }
    return placed;
}

bool QJXBaseStyleDelegate::controlEnabled(const QModelIndex &index, QWidget *) const
{
    const QVariant enabled = index.data(Qt::EditRole);
    return !enabled.isValid() || enabled.toBool();
}

void QJXBaseStyleDelegate::drawControl(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    const std::vector<PlacedControl> placed = layoutControls(option, index);
    for (const PlacedControl &control : placed) {
        if (control.progress) {
            auto *bar = qobject_cast<QProgressBar *>(control.widget);
            if (!bar)
                continue;
            QStyleOptionProgressBar opt;
            opt.initFrom(bar);
            opt.rect = control.rect;
            opt.minimum = bar->minimum();
            opt.maximum = bar->maximum();
            opt.progress = progressValue(index, control.widget);
            opt.text = QStringLiteral("%1%").arg(opt.progress);
            opt.textVisible = true;
            opt.textAlignment = Qt::AlignCenter;
            bar->style()->drawControl(QStyle::CE_ProgressBar, &opt, painter, bar);
            continue;
        }
        auto *button = qobject_cast<QJXStyleButton *>(control.widget);
        if (button && button->isShow())
            button->drawInCell(painter, control.rect, option.state & QStyle::State_Selected,
                               controlEnabled(index, button), m_mousePoint);
    }
}

int QJXBaseStyleDelegate::progressValue(const QModelIndex &, QWidget *) const
{
    return 0;
}

bool QJXBaseStyleDelegate::editorControlEvent(QEvent *event, QAbstractItemModel *model,
                                              const QStyleOptionViewItem &option,
                                              const QModelIndex &index)
{
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
        || type == QEvent::MouseMove || type == QEvent::MouseButtonDblClick;
    // Every mouse position counts, so that a button the mouse left stops
    // looking hovered even when the new cell has no controls.
    if (mouse)
        m_mousePoint = static_cast<QMouseEvent *>(event)->pos();
    const std::vector<PlacedControl> placed = mouse ? layoutControls(option, index)
                                                : std::vector<PlacedControl>();
    if (placed.empty()) {
        m_mouseInCtrlRect = false;
        if (type == QEvent::MouseButtonRelease)
            m_pressedControl = nullptr;
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

    auto *mouseEvent = static_cast<QMouseEvent *>(event);
    bool hit = false;
    for (const PlacedControl &control : placed) {
        auto *button = qobject_cast<QJXStyleButton *>(control.widget);
        if (control.progress || !button)
            continue;
        if (!control.rect.contains(m_mousePoint)) {
            button->setBtnState(0);
            continue;
        }
        if (!button->isShow())
            continue;
        hit = true;
        switch (type) {
        case QEvent::MouseButtonPress:
            m_mouseState = 2;
            button->setBtnState(2);
            m_pressedControl = button;
            m_pressedIndex = index;
            break;
        case QEvent::MouseButtonRelease:
            m_mouseState = 1;
            button->setBtnState(1);
            // A click needs its press on the same button of the same cell, and
            // a disabled cell or control takes none.
            if (m_pressedControl == button && m_pressedIndex == index
                && controlEnabled(index, button)) {
                button->clickWidgt(index);
                emit clickWidgt(index);
            }
            break;
        case QEvent::MouseMove:
            m_mouseState = 1;
            button->setBtnState(1);
            if (!button->toolTip().isEmpty())
                QToolTip::showText(mouseEvent->globalPos(), button->toolTip());
            break;
        default:
            break;
        }
    }
    if (!hit)
        m_mouseState = 0;
    if (type == QEvent::MouseButtonRelease)
        m_pressedControl = nullptr;
    m_mouseInCtrlRect = hit;
    return hit;
}
