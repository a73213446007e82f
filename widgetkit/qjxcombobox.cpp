#include "widgetkit/qjxcombobox.h"

#include "widgetkit/qjxbasebutton.h"

#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

struct QJXComboBox::Data
{
    QJXBaseButton *arrow = nullptr;
    qint16 btnMargins[4] = {-1, -1, 0, 0};
    // A negative margin asks the combo box to place the arrow itself; the
    // placement then follows every resize.
    bool autoLeft = true;
    bool autoTop = true;
    bool keepSize = true;
    QString styleSheet;
    int itemHeight = 19;
    int itemWidth = 0;
    int popupBorder = 0;
    QComboBoxItemAttribute attribute;
    QListWidget *list = nullptr;
    QRect itemIconRect;
    bool autoItemWidth = true;
    qint16 itemTextMargins[4] = {1, 1, 1, 1};
    bool itemFontSet = false;
    QFont itemFont;
    bool itemTextColorSet = false;
    QColor itemTextColors[4] = {QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)};
    QPoint popupOffset = QPoint(0, 0);
};

namespace {

const char kBgRuleBegin[] = "QListView::item {background: ";
const char kHoverRuleBegin[] = "QListView::item:hover {background: ";
const char kSelectedRuleBegin[] = "QListView::item:selected{background-color: ";
const char kBorderRuleBegin[] = "QComboBox QAbstractItemView{background-color:gray; border: ";
const char kWidthRuleBegin[] = "QComboBox QAbstractItemView { min-height: 10px; min-width: ";

} // namespace

QJXComboBox::QJXComboBox(QWidget *parent)
    : QComboBox(parent)
    , QJXBaseRectImageDraw(this)
    , d(new Data)
{
    setWindowFlags(Qt::FramelessWindowHint);
    setTextColor(QPalette().color(QPalette::Text));
    d->itemFont = font();
    connect(this, SIGNAL(currentIndexChanged(QString)), this, SLOT(drawTextChange(QString)));
    connect(this, SIGNAL(currentIndexChanged(int)), this, SLOT(currentIndexChangeSlot(int)));
    d->styleSheet = styleSheet();
    InitMacStyle();
    connect(this, &QJXComboBox::emitShowPopup, this, &QJXComboBox::showPopup);
}

QJXComboBox::~QJXComboBox()
{
    delete d->arrow;
    delete d;
}

void QJXComboBox::InitMacStyle()
{
    setEditable(true);
    if (lineEdit())
        lineEdit()->hide();
}

QList<QJXComboBoxItem *> QJXComboBox::rows() const
{
    QList<QJXComboBoxItem *> out;
    if (!d->list)
        return out;
    for (int i = 0; i < d->list->count(); ++i) {
        if (auto *row = qobject_cast<QJXComboBoxItem *>(d->list->itemWidget(d->list->item(i))))
            out.append(row);
    }
    return out;
}

QListWidget *QJXComboBox::popupList() const
{
    return d->list;
}

void QJXComboBox::ensurePopupList()
{
    if (d->list)
        return;
    // Items already in the plain model would be lost with it: carry them
    // over into drawn rows of the new list.
    struct Carried { QString text; QVariant data; QImage icon; };
    QList<Carried> carried;
    for (int i = 0; i < count(); ++i) {
        const QIcon icon = itemIcon(i);
        QImage image;
        if (!icon.isNull() && !icon.availableSizes().isEmpty())
            image = icon.pixmap(icon.availableSizes().constFirst()).toImage();
        carried.append({itemText(i), itemData(i), image});
    }
    const int current = currentIndex();
    const bool blocked = blockSignals(true);
    d->list = new QListWidget;
    setModel(d->list->model());
    setView(d->list);
    for (int i = 0; i < carried.size(); ++i)
        insertItem(i, carried[i].icon.isNull() ? nullptr : &carried[i].icon, carried[i].text,
                   carried[i].data);
    if (current >= 0 && current < count())
        setCurrentIndex(current);
    blockSignals(blocked);
    if (currentIndex() >= 0)
        drawTextChange(itemText(currentIndex()));
}

void QJXComboBox::setBackgroundImage(QString path)
{
    if (!QJXBaseRectImageDraw::setBackgroundImage(path))
        return;
    d->styleSheet += QStringLiteral("QComboBox {background-color:transparent;border:none}");
    d->styleSheet += QStringLiteral("QComboBox QAbstractItemView{background-color:transparent;}");
    setStyleSheet(d->styleSheet);
    ensurePopupList();
}

void QJXComboBox::setButtonImage(QString path, bool keepSize)
{
    delete d->arrow;
    d->arrow = nullptr;
    if (!QFile::exists(path))
        return;
    d->arrow = new QJXBaseButton(this);
    d->arrow->setButtonImage(path, true);
    d->arrow->show();
    connect(d->arrow, &QAbstractButton::clicked, this, &QJXComboBox::showPopup);
    connect(d->arrow, &QAbstractButton::clicked, this, &QJXComboBox::emitClicked);
    d->keepSize = keepSize;
    resetBtnLocation();
}

QJXBaseButton *QJXComboBox::arrowButton() const
{
    return d->arrow;
}

void QJXComboBox::setButtonKeepSize(bool keep)
{
    d->keepSize = keep;
    resetBtnLocation();
}

bool QJXComboBox::buttonKeepSize() const
{
    return d->keepSize;
}

void QJXComboBox::setBtnMargins(int left, int top, int right, int bottom)
{
    d->btnMargins[0] = qint16(left);
    d->btnMargins[1] = qint16(top);
    d->btnMargins[2] = qint16(right);
    d->btnMargins[3] = qint16(bottom);
    d->autoLeft = left < 0;
    d->autoTop = top < 0;
    update();
    updateGeometry();
}

void QJXComboBox::setBtnMargins(const QMargins &m)
{
    setBtnMargins(m.left(), m.top(), m.right(), m.bottom());
}

void QJXComboBox::resetBtnLocation()
{
    if (!d->arrow)
        return;
    const int w = width();
    const int h = height();
    const int bw = d->arrow->width();
    const int bh = d->arrow->height();
    if (d->autoLeft)
        d->btnMargins[0] = qint16(w - bw - d->btnMargins[2]);
    if (d->autoTop)
        d->btnMargins[1] = qint16((h - bh - d->btnMargins[3]) / 2);
    const int left = d->btnMargins[0];
    const int top = d->btnMargins[1];
    if (d->keepSize)
        d->arrow->move(left, top);
    else
        d->arrow->setGeometry(left, top, w - d->btnMargins[2] - left,
                              h - d->btnMargins[3] - top);
}

void QJXComboBox::applyLineEditStyle(QWidget *edit)
{
    if (!edit)
        return;
    edit->setStyleSheet(
        QStringLiteral("QLineEdit {background-color:transparent;border:none;color:%1}")
            .arg(d->itemTextColors[0].name()));
}

void QJXComboBox::setTextColor(QColor color)
{
    QJXBaseRectImageDraw::setTextColor(color);
    applyLineEditStyle(lineEdit());
}

void QJXComboBox::setTextColor(QColor normal, QColor hover, QColor pressed, QColor disabled)
{
    QJXBaseRectImageDraw::setTextColor(normal, hover, pressed, disabled);
    if (!d->itemTextColorSet) {
        d->itemTextColors[0] = normal;
        d->itemTextColors[1] = hover;
        d->itemTextColors[2] = pressed;
        d->itemTextColors[3] = disabled;
        resetItemTextColor();
    }
    applyLineEditStyle(lineEdit());
}

void QJXComboBox::setFont(const QFont &font)
{
    QWidget::setFont(font);
    if (!d->itemFontSet) {
        d->itemFont = font;
        resetItemFont();
    }
}

void QJXComboBox::setEditable(bool editable)
{
    QComboBox::setEditable(editable);
    if (QLineEdit *edit = lineEdit()) {
        edit->show();
        applyLineEditStyle(edit);
        connect(edit, &QLineEdit::textChanged, this, &QJXComboBox::changeEditColor,
                Qt::UniqueConnection);
    }
}

void QJXComboBox::addItem(const QString &text, const QVariant &userData)
{
    insertItem(count(), text, userData);
}

void QJXComboBox::addItem(const QImage *image, const QString &text, const QVariant &userData)
{
    ensurePopupList();
    insertItem(count(), image, text, userData);
}

void QJXComboBox::insertItem(int index, const QString &text, const QVariant &userData)
{
    if (isCustomDraw() && d->list)
        insertItem(index, nullptr, text, userData);
    else
        QComboBox::insertItem(index, QIcon(), text, userData);
}

void QJXComboBox::insertItem(int index, const QImage *image, const QString &text,
                             const QVariant &userData)
{
    if (!d->list)
        return;
    auto *item = new QListWidgetItem(d->list);
    auto *row = new QJXComboBoxItem(nullptr, item);
    row->setItemAttribute(d->attribute);
    row->setDrawTextMargins(d->itemTextMargins[0], d->itemTextMargins[1], d->itemTextMargins[2],
                            d->itemTextMargins[3]);
    row->setFont(d->itemFont);
    row->QJXBaseRectImageDraw::setTextColor(d->itemTextColors[0], d->itemTextColors[1],
                                            d->itemTextColors[2], d->itemTextColors[3]);
    if (d->itemWidth == 0)
        d->itemWidth = width();
    item->setSizeHint(QSize(d->itemWidth, d->itemHeight));
    if (image && !image->isNull())
        row->setRectIcon(*image);
    row->setIconRect(d->itemIconRect);
    item->setData(Qt::DisplayRole, text);
    item->setData(Qt::UserRole, userData);
    QListWidgetItem *last = d->list->takeItem(d->list->count() - 1);
    const int at = qBound(0, index, d->list->count());
    d->list->insertItem(at, last);
    d->list->setItemWidget(last, row);
    AddItemWidget(row, at);
    if (d->list->count() == 1)
        drawTextChange(text);
}

void QJXComboBox::addItems(const QStringList &texts)
{
    for (const QString &text : texts)
        addItem(text, QVariant());
}

void QJXComboBox::insertItems(int index, const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i)
        insertItem(index + i, texts[i], QVariant());
}

void QJXComboBox::removeItem(int index)
{
    if (isCustomDraw() && d->list) {
        QListWidgetItem *item = d->list->item(index);
        if (!item)
            return;
        auto *row = qobject_cast<QJXComboBoxItem *>(d->list->itemWidget(item));
        removeItemWidgt(row);
        delete row;
        delete item;
        return;
    }
    QComboBox::removeItem(index);
}

void QJXComboBox::setItemText(int index, const QString &text)
{
    QComboBox::setItemText(index, text);
    if (isCustomDraw() && d->list && index >= 0 && index < d->list->count()) {
        d->list->item(index)->setText(text);
        if (index == currentIndex())
            drawTextChange(text);
    }
}

QJXComboBoxItem *QJXComboBox::itemRow(int index) const
{
    if (!IsValid(index))
        return nullptr;
    return qobject_cast<QJXComboBoxItem *>(d->list->itemWidget(d->list->item(index)));
}

QWidget *QJXComboBox::getItemWidgt(int index) const
{
    QJXComboBoxItem *row = itemRow(index);
    return row ? row->getWidgt() : nullptr;
}

bool QJXComboBox::IsValid(int index) const
{
    return d->list && index >= 0 && index < d->list->count();
}

void QJXComboBox::drawTextChange(QString text)
{
    setShowText(text);
}

void QJXComboBox::setShowText(QString text)
{
    setToolTip(text);
    setDrawText(text);
}

void QJXComboBox::currentIndexChangeSlot(int)
{
}

void QJXComboBox::AddItemWidget(QJXComboBoxItem *, int)
{
}

void QJXComboBox::removeItemWidgt(QJXComboBoxItem *)
{
}

void QJXComboBox::setItemFont(const QFont &font)
{
    d->itemFontSet = true;
    d->itemFont = font;
    resetItemFont();
}

void QJXComboBox::resetItemFont()
{
    for (QJXComboBoxItem *row : rows())
        row->setFont(d->itemFont);
}

void QJXComboBox::setItemTextColor(QColor color)
{
    setItemTextColor(color, color, color, color);
}

void QJXComboBox::setItemTextColor(QColor normal, QColor hover, QColor pressed, QColor disabled)
{
    d->itemTextColorSet = true;
    d->itemTextColors[0] = normal;
    d->itemTextColors[1] = hover;
    d->itemTextColors[2] = pressed;
    d->itemTextColors[3] = disabled;
    resetItemTextColor();
}

void QJXComboBox::resetItemTextColor()
{
    for (QJXComboBoxItem *row : rows()) {
        row->QJXBaseRectImageDraw::setTextColor(d->itemTextColors[0], d->itemTextColors[1],
                                                d->itemTextColors[2], d->itemTextColors[3]);
        row->update();
    }
}

void QJXComboBox::setItemTextMargins(int left, int top, int right, int bottom)
{
    d->itemTextMargins[0] = qint16(left);
    d->itemTextMargins[1] = qint16(top);
    d->itemTextMargins[2] = qint16(right);
    d->itemTextMargins[3] = qint16(bottom);
    resetItemTextMargins();
}

void QJXComboBox::resetItemTextMargins()
{
    for (QJXComboBoxItem *row : rows())
        row->setDrawTextMargins(d->itemTextMargins[0], d->itemTextMargins[1],
                                d->itemTextMargins[2], d->itemTextMargins[3]);
}

void QJXComboBox::setItemIconRect(QRect rect)
{
    d->itemIconRect = rect;
    for (QJXComboBoxItem *row : rows())
        row->setIconRect(rect);
}

void QJXComboBox::setItemHeight(int height)
{
    d->itemHeight = height;
    resetItemAttribute();
}

int QJXComboBox::itemHeight() const
{
    return d->itemHeight;
}

void QJXComboBox::setItemWidth(int width)
{
    d->autoItemWidth = false;
    d->itemWidth = width;
    replaceStyleRule(QString::fromLatin1(kWidthRuleBegin), QStringLiteral("px}"),
                     QString::fromLatin1(kWidthRuleBegin) + QString::number(width)
                         + QStringLiteral("px}"));
    afterPopupRuleChange();
}

int QJXComboBox::itemWidth() const
{
    return d->itemWidth;
}

void QJXComboBox::replaceStyleRule(const QString &begin, const QString &end, const QString &rule)
{
    cutStyleString(d->styleSheet, begin, end);
    d->styleSheet += rule;
    setStyleSheet(d->styleSheet);
}

void QJXComboBox::afterPopupRuleChange()
{
    if (d->list && isCustomDraw())
        d->list->setAttribute(Qt::WA_MouseTracking, false);
}

void QJXComboBox::setItemBgColor(QColor color)
{
    if (d->attribute.bgColor != color) {
        d->attribute.bgColor = color;
        resetItemAttribute();
    }
    replaceStyleRule(QString::fromLatin1(kBgRuleBegin), QStringLiteral(";}"),
                     QString::fromLatin1(kBgRuleBegin) + color.name() + QStringLiteral(";}"));
}

void QJXComboBox::setItemHoverColor(QColor color)
{
    if (d->attribute.hoverColor != color)
        d->attribute.hoverColor = color;
    d->attribute.hoverColorSet = true;
    resetItemAttribute();
    replaceStyleRule(QString::fromLatin1(kHoverRuleBegin), QStringLiteral(";}"),
                     QString::fromLatin1(kHoverRuleBegin) + color.name() + QStringLiteral(";}"));
}

QColor QJXComboBox::itemHoverColor() const
{
    return d->attribute.hoverColor;
}

void QJXComboBox::setItemSelectedColor(QColor color)
{
    if (d->attribute.selectedColor != color) {
        d->attribute.selectedColor = color;
        resetItemAttribute();
    }
    replaceStyleRule(QString::fromLatin1(kSelectedRuleBegin), QStringLiteral(";}"),
                     QString::fromLatin1(kSelectedRuleBegin) + color.name()
                         + QStringLiteral(";}"));
}

void QJXComboBox::setItemBorder(int px, QColor color)
{
    d->popupBorder = px;
    replaceStyleRule(QString::fromLatin1(kBorderRuleBegin), QStringLiteral("}"),
                     QString::fromLatin1(kBorderRuleBegin)
                         + QStringLiteral("%1px solid %2}").arg(px).arg(color.name()));
    afterPopupRuleChange();
}

void QJXComboBox::setItemSpacing(int px, QColor color)
{
    if (d->attribute.spacing == px && d->attribute.spacingColor == color)
        return;
    d->attribute.spacing = px;
    d->attribute.spacingColor = color;
    resetItemAttribute();
}

void QJXComboBox::setItemAlignment(Qt::Alignment alignment)
{
    if (d->attribute.alignment == int(alignment))
        return;
    d->attribute.alignment = int(alignment);
    resetItemAttribute();
}

void QJXComboBox::setSeparatorColor(QColor color)
{
    if (d->attribute.separatorColor == color)
        return;
    d->attribute.separatorColor = color;
    resetItemAttribute();
}

void QJXComboBox::resetItemAttribute()
{
    for (QJXComboBoxItem *row : rows())
        row->setItemAttribute(d->attribute);
}

void QJXComboBox::addSeparator()
{
    if (!d->list || d->list->count() == 0)
        return;
    if (QJXComboBoxItem *row = itemRow(d->list->count() - 1))
        row->setSeparatorHeight(1);
}

void QJXComboBox::setItemSeparator(int index, bool on)
{
    if (QJXComboBoxItem *row = itemRow(index))
        row->setSeparatorHeight(on ? 1 : 0);
}

void QJXComboBox::setItemWidgtPos(QPoint pos)
{
    if (d->attribute.widgetPos == pos)
        return;
    d->attribute.widgetPos = pos;
    resetItemWidgtPos();
}

QPoint QJXComboBox::itemWidgtPos() const
{
    return d->attribute.widgetPos;
}

void QJXComboBox::resetItemWidgtPos()
{
    for (QJXComboBoxItem *row : rows())
        row->setWidgtPos(d->attribute.widgetPos);
}

void QJXComboBox::setPopupOffestPoint(QPoint offset)
{
    d->popupOffset = offset;
}

bool QJXComboBox::cutStyleString(QString &sheet, QString begin, QString end)
{
    const int start = sheet.indexOf(begin, 0, Qt::CaseSensitive);
    if (start < 0)
        return false;
    QString rest = sheet.mid(start + begin.size());
    const int stop = rest.indexOf(end, 0, Qt::CaseSensitive);
    if (stop >= 0)
        rest = rest.mid(stop + end.size());
    sheet = sheet.left(start) + rest;
    return true;
}

int QJXComboBox::calcItemMaxWidth() const
{
    int widest = width() - 2 * d->popupBorder;
    if (!d->list)
        return widest;
    for (int i = 0; i < d->list->count(); ++i) {
        QListWidgetItem *item = d->list->item(i);
        if (auto *row = qobject_cast<QJXComboBoxItem *>(d->list->itemWidget(item)))
            widest = qMax(widest, row->calcItemWidth(item->text(), d->itemFont));
    }
    return widest;
}

void QJXComboBox::resetItemSize()
{
    if (!d->list)
        return;
    if (d->itemWidth == 0)
        d->itemWidth = width();
    if (d->autoItemWidth) {
        setItemWidth(calcItemMaxWidth());
        d->autoItemWidth = true;
    }
    const int n = d->list->count();
    const int spacing = d->attribute.spacing;
    for (int i = 0; i < n; ++i) {
        QListWidgetItem *item = d->list->item(i);
        auto *row = qobject_cast<QJXComboBoxItem *>(d->list->itemWidget(item));
        int extra = (i > 0 && spacing > 1) ? spacing / 2 : 0;
        if (i + 1 < n)
            extra += (spacing + 1) / 2;
        if (row)
            extra += row->separatorHeight();
        const int w = d->itemWidth ? d->itemWidth : width();
        item->setSizeHint(QSize(w, d->itemHeight + extra));
        if (row)
            row->setFixedWidth(w);
    }
}

void QJXComboBox::showPopup()
{
    resetBtnState();
    resetItemSize();
    QComboBox::showPopup();
    applyLineEditStyle(lineEdit());
    if (!d->popupOffset.isNull()) {
        if (auto *container = findChild<QFrame *>()) {
            const int y = mapToGlobal(QPoint(0, 0)).y() + height();
            container->move(container->x() + d->popupOffset.x(), y);
        }
    }
    if (d->list)
        d->list->scrollToTop();
}

void QJXComboBox::hidePopup()
{
    if (d->list)
        d->list->scrollToTop();
    QComboBox::hidePopup();
}

void QJXComboBox::changeEditColor(QString)
{
    if (auto *edit = qobject_cast<QWidget *>(sender()))
        applyLineEditStyle(edit);
}

void QJXComboBox::mousePressEvent(QMouseEvent *event)
{
    if (d->arrow && isEditable()) {
        emit emitClicked();
        return;
    }
    mousePressEventDraw(event);
    QComboBox::mousePressEvent(event);
    emit emitClicked();
}

void QJXComboBox::mouseReleaseEvent(QMouseEvent *event)
{
    mouseReleaseEventDraw(event);
    QComboBox::mouseReleaseEvent(event);
    if (lineEdit() && lineEdit()->isHidden())
        emit emitShowPopup();
}

void QJXComboBox::enterEvent(QEvent *event)
{
    enterEventDraw(event);
    QComboBox::enterEvent(event);
}

void QJXComboBox::leaveEvent(QEvent *event)
{
    leaveEventDraw(event);
    QComboBox::leaveEvent(event);
}

void QJXComboBox::changeEvent(QEvent *event)
{
    changeEventDraw(event);
    QComboBox::changeEvent(event);
}

void QJXComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    resetBtnLocation();
}

void QJXComboBox::showEvent(QShowEvent *event)
{
    QComboBox::showEvent(event);
    resetBtnLocation();
}

void QJXComboBox::paintEvent(QPaintEvent *event)
{
    if (!isCustomDraw()) {
        QComboBox::paintEvent(event);
        return;
    }
    QLineEdit *edit = lineEdit();
    setTextDrawable(edit ? edit->isHidden() : !isEditable());
    const int w = width();
    QMargins m = drawTextMargins();
    if (d->arrow && d->arrow->x() > w / 2) {
        const int r = w - 1 - d->arrow->x();
        if (r > m.right()) {
            m.setRight(r);
            setDrawTextMargins(m);
        }
    }
    if (isEditable() && edit) {
        const QRect inner(m.left(), m.top(), w - m.left() - m.right(),
                          height() - m.top() - m.bottom());
        const bool moved = edit->x() != m.left();
        edit->setGeometry(inner);
        if (moved)
            applyLineEditStyle(edit);
    }
    QJXBaseRectImageDraw::paintEvent(event);
}
