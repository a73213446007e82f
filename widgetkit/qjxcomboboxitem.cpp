#include "widgetkit/qjxcomboboxitem.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>

QJXComboBoxItem::QJXComboBoxItem(QWidget *parent, QListWidgetItem *item)
    : QWidget(parent)
    , QJXBaseRectImageDraw(this)
    , m_item(item)
    , m_attribute(new QComboBoxItemAttribute)
{
    setDrawTextMargins(5, 0, 0, 0);
    setBtnMode(true);
}

QJXComboBoxItem::~QJXComboBoxItem()
{
    delete m_attribute;
}

void QJXComboBoxItem::setItemAttribute(QComboBoxItemAttribute attribute)
{
    *m_attribute = attribute;
    update();
}

QComboBoxItemAttribute QJXComboBoxItem::itemAttribute() const
{
    return *m_attribute;
}

int QJXComboBoxItem::calcItemWidth(QString text, QFont font) const
{
    const QMargins m = drawTextMargins();
    return QFontMetrics(font).horizontalAdvance(text) + m.left() + m.right() + 1;
}

void QJXComboBoxItem::setWidgtPos(QPoint pos)
{
    m_attribute->widgetPos = pos;
    placeWidget();
}

void QJXComboBoxItem::setWidgt(QWidget *widget)
{
    m_widget = widget;
}

QWidget *QJXComboBoxItem::getWidgt() const
{
    return m_widget;
}

QListWidgetItem *QJXComboBoxItem::listItem() const
{
    return m_item;
}

int QJXComboBoxItem::index() const
{
    if (!m_item || !m_item->listWidget())
        return -1;
    return m_item->listWidget()->row(m_item);
}

void QJXComboBoxItem::setSeparatorHeight(int height)
{
    m_separatorHeight = height;
    update();
}

int QJXComboBoxItem::separatorHeight() const
{
    return m_separatorHeight;
}

bool QJXComboBoxItem::isHovered() const
{
    return m_hovered;
}

void QJXComboBoxItem::drawBackgroundColor(QPainter &painter)
{
    const QComboBoxItemAttribute &a = *m_attribute;
    painter.setPen(Qt::NoPen);
    setCheckState(false);
    QColor fill = a.bgColor;
    if (a.hoverColorSet) {
        const bool current = m_item && m_item->listWidget()
                             && m_item->listWidget()->currentItem() == m_item;
        if (current) {
            fill = a.selectedColor;
            setCheckState(true);
        } else if (m_hovered) {
            fill = a.hoverColor;
        }
    } else if (m_hovered) {
        fill = a.selectedColor;
    }
    painter.fillRect(rect(), fill);
}

void QJXComboBoxItem::drawSpacing(QPainter &painter)
{
    const QComboBoxItemAttribute &a = *m_attribute;
    if (a.spacing <= 0 || !m_item || !m_item->listWidget())
        return;
    const int row = index();
    const int rows = m_item->listWidget()->count();
    painter.setPen(Qt::NoPen);
    if (row > 0 && a.spacing >= 2)
        painter.fillRect(QRect(0, 0, width(), a.spacing / 2), a.spacingColor);
    if (row + 1 < rows) {
        const int band = (a.spacing + 1) / 2;
        const int bottom = height() - 1 - m_separatorHeight;
        painter.fillRect(QRect(0, bottom - band + 1, width(), band), a.spacingColor);
    }
}

void QJXComboBoxItem::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.save();
    drawBackgroundColor(painter);
    drawSpacing(painter);
    painter.restore();
    if (m_item) {
        setDrawText(m_item->text());
        drawIcon(painter);
        if (alignment() != Qt::Alignment(m_attribute->alignment))
            setAlignment(Qt::Alignment(m_attribute->alignment));
        drawRectText(painter);
    }
    if (m_separatorHeight > 0)
        painter.fillRect(QRect(1, height() - m_separatorHeight, width() - 2, m_separatorHeight),
                         m_attribute->separatorColor);
}

void QJXComboBoxItem::placeWidget()
{
    if (!m_widget)
        return;
    const QPoint pos = m_attribute->widgetPos;
    m_widget->move(pos.x() < 0 ? 2 : pos.x(),
                   pos.y() < 0 ? (height() - m_widget->height()) / 2 : pos.y());
}

void QJXComboBoxItem::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    placeWidget();
}

void QJXComboBoxItem::mousePressEvent(QMouseEvent *event)
{
    mousePressEventDraw(event);
    QWidget::mousePressEvent(event);
}

void QJXComboBoxItem::mouseReleaseEvent(QMouseEvent *event)
{
    mouseReleaseEventDraw(event);
    QWidget::mouseReleaseEvent(event);
}

void QJXComboBoxItem::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
}

void QJXComboBoxItem::enterEvent(QEvent *event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void QJXComboBoxItem::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void QJXComboBoxItem::changeEvent(QEvent *event)
{
    changeEventDraw(event);
    QWidget::changeEvent(event);
}
