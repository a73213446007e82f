#include "qjxstylebutton.h"

#include "widgetkit/qjxpicturecache.h"
#include "widgetkit/views/qdelegatestylewidget.h"

#include <QFileInfo>
#include <QPainter>
#include <QStyleOptionButton>

QJXStyleButton::QJXStyleButton(QWidget *parent)
    : QPushButton(parent)
    , m_style(new QDelegateStyleWidget)
{
    setStyle(m_style);
    // Drawn by the delegate inside cells, never as a child of the view.
    hide();
}

QJXStyleButton::~QJXStyleButton()
{
    setStyle(nullptr);
    delete m_style;
}

bool QJXStyleButton::setButtonImage(const QString &normalPath, const QString &selectedPath, bool grid)
{
    if (!QFileInfo::exists(normalPath))
        return false;
    // From the kit's cache: the table's copies of a picture share its pixels.
    QImage normal = QJXPictureCache::picture(normalPath, 2);
    if (normal.isNull()) {
        m_normalImage = QImage();
        return false;
    }
    QImage selected;
    if (!selectedPath.isEmpty() && QFileInfo::exists(selectedPath))
        selected = QJXPictureCache::picture(selectedPath, 2);
    if (selected.isNull())
        selected = normal;
    normal.setDevicePixelRatio(2);
    selected.setDevicePixelRatio(2);
    m_normalImage = normal;
    m_selectedImage = selected;
    resize(normal.width() / 8, normal.height() / 2);
    m_style->setButtonImage(m_normalImage, grid, rect());
    return true;
}

void QJXStyleButton::SetBgSelected(bool selected)
{
    m_style->setCurrentImage(selected ? m_selectedImage : m_normalImage);
    update();
}

void QJXStyleButton::clickWidgt(const QModelIndex &index)
{
    emit emitClickIndex(index);
}

void QJXStyleButton::drawInCell(QPainter *painter, const QRect &rect, bool selected, bool enabled,
                                const QPoint &mousePoint)
{
    SetBgSelected(selected);
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect;
    option.state = isEnabled() ? QStyle::State_Enabled : QStyle::State_None;
    if (!enabled) {
        option.state &= ~QStyle::State_Enabled;
    } else if (rect.contains(mousePoint)) {
        if (m_state == 1)
            option.state |= QStyle::State_MouseOver;
        else if (m_state == 2)
            option.state |= QStyle::State_Sunken;
    }
    style()->drawControl(QStyle::CE_PushButton, &option, painter, this);
}
