#include "widgetkit/qjxmenustyle.h"

#include "widgetkit/qbaseimagedraw.h"

#include <QComboBox>
#include <QPainter>
#include <QPainterPath>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

bool belongsToComboBox(const QWidget *widget)
{
    return qobject_cast<const QComboBox *>(widget) != nullptr;
}

bool highlighted(const QStyleOption *option)
{
    return (option->state & QStyle::State_Selected) && (option->state & QStyle::State_Enabled);
}

// Draws an image centred in box at its logical size, clamped to the box.
void drawCentred(QPainter *painter, const QRect &box, const QImage &image)
{
    QImage copy = image;
    const int w = qMin(image.width() / 2, box.width());
    const int h = qMin(image.height() / 2, box.height());
    const QRect target(box.x() + (box.width() - w) / 2, box.y() + (box.height() - h) / 2, w, h);
    QBaseImageDraw::drawImage(*painter, target, QRect(0, 0, image.width() / 2, image.height() / 2),
                              copy);
}

} // namespace

QJXMenuStyle::QJXMenuStyle(QStyle *base)
    : QProxyStyle(base ? base : QStyleFactory::create(QStringLiteral("Fusion")))
    , m_attribute(new QJXMenuStyleAttribute)
{
}

QJXMenuStyle::~QJXMenuStyle()
{
    delete m_attribute;
}

QJXMenuStyleAttribute *QJXMenuStyle::attribute()
{
    return m_attribute;
}

QColor QJXMenuStyle::mergedColors(const QColor &a, const QColor &b, int factor)
{
    QColor c;
    c.setRgb(a.red() * factor / 100 + b.red() * (100 - factor) / 100,
             a.green() * factor / 100 + b.green() * (100 - factor) / 100,
             a.blue() * factor / 100 + b.blue() * (100 - factor) / 100, a.alpha());
    return c;
}

int QJXMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    switch (metric) {
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    case PM_MenuPanelWidth:
        return m_attribute->frameWidth;
    case PM_SmallIconSize:
        return m_attribute->iconSize;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void QJXMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    if (element != PE_FrameMenu) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    if (!m_attribute->backgroundImage.isNull()) {
        QImage image = m_attribute->backgroundImage;
        QBaseImageDraw::drawBtnImageBg(*painter, option->rect, image, true);
    } else {
        painter->fillRect(option->rect, m_attribute->frameColor);
    }
    painter->restore();
}

void QJXMenuStyle::drawControl(ControlElement element, const QStyleOption *option,
                               QPainter *painter, const QWidget *widget) const
{
    if (element == CE_MenuItem) {
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            _DrawMenuItem(item, painter, widget);
            return;
        }
    } else if (element == CE_MenuEmptyArea) {
        painter->fillRect(option->rect, m_attribute->areaColor);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize QJXMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                     const QSize &size, const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    const QJXMenuStyleAttribute &a = *m_attribute;
    if (type != CT_MenuItem || !item || (a.itemWidth < 1 && a.itemHeight < 1))
        return QProxyStyle::sizeFromContents(type, option, size, widget);

    int w;
    int h;
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        w = 10;
        h = 2;
    } else {
        w = size.width();
        h = item->fontMetrics.height() + 8;
        if (!item->icon.isNull())
            h = qMax(h, item->icon.actualSize(QSize(a.iconSize, a.iconSize)).height() + 4);
    }
    if (item->text.contains(QLatin1Char('\t')))
        w += 32;
    const int maxIcon = item->maxIconWidth;
    const bool checkable = item->menuHasCheckableItems;
    int extra = (checkable && maxIcon < 20) ? 20 - maxIcon : 0;
    if (maxIcon >= 1)
        extra += maxIcon + 6;
    int width = a.itemWidth >= 1 ? a.itemWidth : w + extra + 52;
    if (a.itemWidth < 1 && (checkable || maxIcon > 0))
        width += 2;
    const int height = a.itemHeight >= 1 ? a.itemHeight : h;
    return QSize(width, height);
}

void QJXMenuStyle::_DrawMenuItem(const QStyleOptionMenuItem *option, QPainter *painter,
                                 const QWidget *widget) const
{
    const QJXMenuStyleAttribute &a = *m_attribute;
    const QRect r = option->rect;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->fillRect(r, a.itemColor);
    if (option->menuItemType == QStyleOptionMenuItem::Separator) {
        drawSeparator(option, painter, r);
        painter->restore();
        return;
    }
    const bool combo = belongsToComboBox(widget);
    int checkcol = qMax(option->maxIconWidth, 20);
    if (combo)
        checkcol = option->icon.isNull() ? 0 : option->maxIconWidth;
    if (highlighted(option))
        painter->fillRect(r, a.itemSelectColor);
    if (!combo)
        drawCheckState(option, painter, r, widget);
    if (!(option->state & State_Enabled))
        painter->fillRect(r, a.itemDisabledColor);
    drawIcon(option, painter, r, checkcol, widget);
    drawMenuText(option, painter, r, checkcol, widget);
    drawArrow(option, painter, r);
    painter->restore();
}

void QJXMenuStyle::drawSeparator(const QStyleOptionMenuItem *option, QPainter *painter,
                                 const QRect &r) const
{
    const bool rtl = option->direction == Qt::RightToLeft;
    int tw = 0;
    if (!option->text.isEmpty()) {
        const QRect textRect(QPoint(r.left() + 5, r.top()), QPoint(r.right() - 5, r.bottom()));
        painter->setFont(option->font);
        proxy()->drawItemText(painter, visualRect(option->direction, r, textRect),
                              Qt::AlignLeft | Qt::AlignVCenter, option->palette, true,
                              option->text, QPalette::Text);
        tw = option->fontMetrics.horizontalAdvance(option->text) + 5;
    }
    const int y = (r.top() + r.bottom()) / 2;
    painter->setPen(m_attribute->separatorColor);
    painter->drawLine(r.left() + 5 + (rtl ? 0 : tw), y, r.right() - 5 - (rtl ? tw : 0), y);
}

void QJXMenuStyle::drawCheckState(const QStyleOptionMenuItem *option, QPainter *painter,
                                  const QRect &r, const QWidget *widget) const
{
    const QJXMenuStyleAttribute &a = *m_attribute;
    if (option->checkType == QStyleOptionMenuItem::NotCheckable)
        return;
    const int m = (r.top() + r.bottom()) / 2;
    const QRect c = visualRect(option->direction, r,
                               QRect(QPoint(r.left() + 7, m - 6), QPoint(r.left() + 20, m + 7)));
    if (option->checkType == QStyleOptionMenuItem::Exclusive) {
        if (!option->checked)
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (a.radioImage.isNull()) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(highlighted(option) ? a.itemTextSelectColor : a.itemTextColor);
            painter->drawEllipse(QRect(QPoint(c.left() + 4, c.top() + 4),
                                       QPoint(c.right() - 4, c.bottom() - 4)));
        } else {
            drawCentred(painter, c, a.radioImage);
        }
        painter->restore();
        return;
    }
    if (!option->icon.isNull())
        return;
    const QImage &image = option->checked ? a.checkedImage : a.uncheckedImage;
    if (!image.isNull()) {
        drawCentred(painter, c, image);
        return;
    }
    QStyleOptionButton box;
    box.QStyleOption::operator=(*option);
    box.rect = c;
    box.state = option->state & ~State_HasFocus;
    box.state |= option->checked ? State_On : State_Off;
    QProxyStyle::drawPrimitive(PE_IndicatorCheckBox, &box, painter, widget);
}

void QJXMenuStyle::drawIcon(const QStyleOptionMenuItem *option, QPainter *painter,
                            const QRect &r, int checkcol, const QWidget *widget) const
{
    if (option->icon.isNull())
        return;
    const QJXMenuStyleAttribute &a = *m_attribute;
    const QRect iconRect = visualRect(option->direction, r,
                                      QRect(QPoint(r.left() + 4, r.top()),
                                            QPoint(r.left() + checkcol + 3, r.bottom())));
    const bool enabled = option->state & State_Enabled;
    const QIcon::Mode mode = !enabled ? QIcon::Disabled
                                      : (option->state & State_Selected) ? QIcon::Active
                                                                         : QIcon::Normal;
    int size = proxy()->pixelMetric(PM_SmallIconSize, option, widget);
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        size = combo->iconSize().width();
    const QPixmap pixmap = option->icon.pixmap(QSize(size, size), mode,
                                               option->checked ? QIcon::On : QIcon::Off);
    painter->setPen(a.itemTextColor);
    if (option->checkType != QStyleOptionMenuItem::NotCheckable && option->checked) {
        QStyleOption frame = *option;
        frame.rect = iconRect;
        frame.state |= State_Sunken;
        if (option->state & State_Selected)
            frame.palette.setColor(QPalette::Button,
                                   mergedColors(a.itemColor, a.itemSelectColor, 50));
        QProxyStyle::drawPrimitive(PE_PanelButtonCommand, &frame, painter, widget);
    }
    const int pw = int(pixmap.width() / pixmap.devicePixelRatioF());
    const int ph = int(pixmap.height() / pixmap.devicePixelRatioF());
    const QPoint at((iconRect.left() + iconRect.right()) / 2 - (pw - 1) / 2,
                    (iconRect.top() + iconRect.bottom()) / 2 - (ph - 1) / 2);
    painter->drawPixmap(at, pixmap);
}

void QJXMenuStyle::drawMenuText(const QStyleOptionMenuItem *option, QPainter *painter,
                                const QRect &r, int checkcol, const QWidget *widget) const
{
    const QJXMenuStyleAttribute &a = *m_attribute;
    painter->save();
    const bool enabled = option->state & State_Enabled;
    QColor color = highlighted(option) ? a.itemTextSelectColor : a.itemTextColor;
    if (!enabled)
        color = a.itemTextDisabledColor;
    painter->setPen(color);

    const QRect textRect(QPoint(r.left() + checkcol + 7, r.top() + 8),
                         QPoint(r.right() - 14 - option->tabWidth, r.bottom() - 8));
    int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip
                | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, option, widget))
        flags |= Qt::TextHideMnemonic;

    QString text = option->text;
    QString shortcut;
    const int tab = text.indexOf(QLatin1Char('\t'));
    const QRect shortcutRect(QPoint(textRect.right(), textRect.top()),
                             QPoint(r.right(), textRect.bottom()));
    if (tab >= 0) {
        shortcut = text.mid(tab + 1);
        text = text.left(tab);
    }
    QFont font = option->font;
    font.setPointSizeF(QFontInfo(option->font).pointSizeF());
    if (option->menuItemType == QStyleOptionMenuItem::DefaultItem)
        font.setWeight(QFont::Bold);
    painter->setFont(font);

    const QRect vText = visualRect(option->direction, r, textRect);
    const QRect vShortcut = visualRect(option->direction, r, shortcutRect);
    if (!enabled && !(option->state & State_Selected)
        && proxy()->styleHint(SH_EtchDisabledText, option, widget)) {
        painter->setPen(a.itemTextColor);
        if (!shortcut.isEmpty())
            painter->drawText(vShortcut.translated(1, 1), flags, shortcut);
        painter->setPen(option->palette.light().color());
        painter->drawText(vText.translated(1, 1), flags, text);
        painter->setPen(color);
    }
    if (!shortcut.isEmpty())
        painter->drawText(vShortcut, flags, shortcut);
    painter->drawText(vText, flags, text);
    painter->restore();
}

void QJXMenuStyle::drawArrow(const QStyleOptionMenuItem *option, QPainter *painter,
                             const QRect &r) const
{
    if (option->menuItemType != QStyleOptionMenuItem::SubMenu)
        return;
    const QJXMenuStyleAttribute &a = *m_attribute;
    const int h = r.height();
    const int d = (h - 4) / 2;
    const int top = r.top() + h / 2 - (h - 4) / 4;
    const QRect arrow = visualRect(option->direction, r,
                                   QRect(r.right() - 3 - d + 1, top, d, d));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(highlighted(option) ? a.itemTextSelectColor : a.itemTextColor);
    QPolygon triangle;
    if (option->direction == Qt::RightToLeft)
        triangle << QPoint(arrow.right() + 1, arrow.top())
                 << QPoint(arrow.left(), arrow.top() + arrow.height() / 2)
                 << QPoint(arrow.right() + 1, arrow.bottom() + 1);
    else
        triangle << QPoint(arrow.left(), arrow.top())
                 << QPoint(arrow.right() + 1, arrow.top() + arrow.height() / 2)
                 << QPoint(arrow.left(), arrow.bottom() + 1);
    painter->drawPolygon(triangle, Qt::OddEvenFill);
    painter->restore();
}
