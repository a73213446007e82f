#include "qcheckheaderview.h"

#include "widgetkit/qjxcheckbox.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

QCheckHeaderView::QCheckHeaderView(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
    , m_checkBox(new QJXCheckBox(viewport()))
{
    setStretchLastSection(true);
    m_checkBox->show();
    connect(m_checkBox, &QAbstractButton::clicked, this, &QCheckHeaderView::OnClickCheckBox);
}

QCheckHeaderView::~QCheckHeaderView()
{
    delete m_background;
    delete m_separator;
    delete m_selectedBackground;
    delete m_orderAscending;
    delete m_orderDescending;
}

bool QCheckHeaderView::loadPixmap(QPixmap *&target, const QString &path)
{
    delete target;
    target = nullptr;
    if (!QFileInfo::exists(path))
        return false;
    target = new QPixmap(path);
    target->setDevicePixelRatio(2);
    return target->width() != 0;
}

bool QCheckHeaderView::setBackgroundImage(const QString &path)
{
    const bool loaded = loadPixmap(m_background, path);
    if (loaded)
        setFixedHeight(int(m_background->height() / m_background->devicePixelRatio()));
    return loaded;
}

bool QCheckHeaderView::setSlipImage(const QString &path)
{
    return loadPixmap(m_separator, path);
}

bool QCheckHeaderView::setSelBackgroundImage(const QString &path)
{
    return loadPixmap(m_selectedBackground, path);
}

bool QCheckHeaderView::setOrderFlagsImage(const QString &path)
{
    delete m_orderAscending;
    delete m_orderDescending;
    m_orderAscending = m_orderDescending = nullptr;
    if (!QFileInfo::exists(path))
        return false;
    QImage picture(path);
    if (picture.isNull() || picture.width() == 0)
        return false;
    m_orderAscending = new QPixmap(QPixmap::fromImage(picture));
    m_orderDescending = new QPixmap(QPixmap::fromImage(picture.mirrored(false, true)));
    m_orderAscending->setDevicePixelRatio(2);
    m_orderDescending->setDevicePixelRatio(2);
    return true;
}

void QCheckHeaderView::setCheckPos(int x, int y)
{
    m_checkPos = QPoint(x, y);
}

void QCheckHeaderView::setCheckInColumn(int column)
{
    m_checkColumn = column;
    updateSection(column);
}

void QCheckHeaderView::setCheckVisable(bool visible)
{
    m_checkBox->setVisible(visible);
}

bool QCheckHeaderView::getCheckVisable() const
{
    return !m_checkBox->isHidden();
}

void QCheckHeaderView::setCheckboxEnable(bool enabled)
{
    m_checkBox->setEnabled(enabled);
}

bool QCheckHeaderView::checkboxEnable() const
{
    return m_checkBox->isEnabled();
}

void QCheckHeaderView::setTristate(bool tristate)
{
    m_checkBox->setTristate(tristate);
}

bool QCheckHeaderView::isTristate() const
{
    return m_checkBox->isTristate();
}

void QCheckHeaderView::setCheckState(Qt::CheckState state)
{
    m_checkBox->setCheckState(state);
}

Qt::CheckState QCheckHeaderView::getCheckState() const
{
    return m_checkBox->checkState();
}

void QCheckHeaderView::setCheckImage(const QString &unchecked, const QString &checked,
                                     const QString &partial)
{
    m_checkBox->setCheckImage(checked, unchecked, partial, false);
    m_checkBox->adjustSize();
}

void QCheckHeaderView::setSortEnable(int column, bool on)
{
    if (on)
        m_unsortedColumns.removeAll(column);
    else if (!m_unsortedColumns.contains(column))
        m_unsortedColumns.append(column);
}

bool QCheckHeaderView::sortEnable(int column) const
{
    return !m_unsortedColumns.contains(column);
}

void QCheckHeaderView::OnClickCheckBox()
{
    if (m_checkBox->checkState() == Qt::PartiallyChecked) {
        m_checkBox->setCheckState(Qt::Checked);
        m_checkBox->update();
    }
    emit checkChange(m_checkBox->isChecked());
}

void QCheckHeaderView::OnStateChanged(int state)
{
    if (state == 0)
        m_checkBox->setCheckState(Qt::Unchecked);
    else if (state == 1)
        m_checkBox->setCheckState(m_checkBox->isTristate() ? Qt::PartiallyChecked : Qt::Unchecked);
    else
        m_checkBox->setCheckState(Qt::Checked);
    m_checkBox->update();
}

void QCheckHeaderView::placeCheckBox(const QRect &section) const
{
    const int y = m_checkPos.y() == -1 ? (section.height() - m_checkBox->height()) / 2 : m_checkPos.y();
    const QPoint place(section.left() + m_checkPos.x(), y);
    if (m_checkBox->pos() != place)
        m_checkBox->move(place);
}

int QCheckHeaderView::sectionTextWidth(int logicalIndex) const
{
    const QString text = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                                 : QString();
    int left = 10;
    if (logicalIndex == m_checkColumn && getCheckVisable())
        left = m_checkPos.x() + m_checkBox->width() + 10;
    return left + QFontMetrics(font()).horizontalAdvance(text) + 10;
}

void QCheckHeaderView::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!m_background) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
    } else {
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
        const QPixmap *background = logicalIndex == m_pressedSection && m_selectedBackground
            ? m_selectedBackground
            : m_background;
        painter->drawPixmap(rect, *background);
        if (m_separator) {
            const QSize size = m_separator->size() / m_separator->devicePixelRatio();
            painter->drawPixmap(QRect(QPoint(rect.right() - size.width() + 1,
                                             rect.top() + (rect.height() - size.height()) / 2),
                                      size),
                                *m_separator);
        }
        int textLeft = rect.left() + 10;
        if (logicalIndex == m_checkColumn && getCheckVisable())
            textLeft = rect.left() + m_checkPos.x() + m_checkBox->width() + 10;
        const QRect textRect(QPoint(textLeft, rect.top()), QPoint(rect.right() - 10, rect.bottom()));
        painter->setPen(m_textColor);
        painter->setFont(font());
        const QString text = model()
            ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
            : QString();
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
        if (isSortIndicatorShown() && sortIndicatorSection() == logicalIndex && m_orderAscending) {
            const QPixmap *flag = sortIndicatorOrder() == Qt::AscendingOrder ? m_orderAscending
                                                                             : m_orderDescending;
            const QSize size = flag->size() / flag->devicePixelRatio();
            painter->drawPixmap(QRect(QPoint(rect.right() - m_orderRightMargin - size.width() + 1,
                                             rect.top() + (rect.height() - size.height()) / 2),
                                      size),
                                *flag);
        }
        painter->restore();
    }
    if (logicalIndex == m_checkColumn)
        placeCheckBox(rect);
}

void QCheckHeaderView::updateClickable(const QPoint &pos)
{
    setSectionsClickable(sortEnable(logicalIndexAt(pos)));
}

void QCheckHeaderView::mouseMoveEvent(QMouseEvent *event)
{
    updateClickable(event->pos());
    QHeaderView::mouseMoveEvent(event);
}

void QCheckHeaderView::mousePressEvent(QMouseEvent *event)
{
    // A press without a move before it must not sort an unsortable column.
    updateClickable(event->pos());
    if (m_selectedBackground) {
        m_pressedSection = logicalIndexAt(event->pos());
        viewport()->update();
    }
    QHeaderView::mousePressEvent(event);
}

void QCheckHeaderView::mouseReleaseEvent(QMouseEvent *event)
{
    QHeaderView::mouseReleaseEvent(event);
    if (m_pressedSection != -1) {
        m_pressedSection = -1;
        viewport()->update();
    }
}
