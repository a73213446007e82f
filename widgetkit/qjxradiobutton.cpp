#include "widgetkit/qjxradiobutton.h"

#include <QEvent>

QJXRadioButton::QJXRadioButton(QWidget *parent)
    : QRadioButton(parent)
    , QJXBaseBoxDraw(this, RadioType)
    , QJXBaseButtonDraw(this)
{
}

QJXRadioButton::~QJXRadioButton() = default;

void QJXRadioButton::setCheckImage(QString first, QString second, bool buttonMode,
                                   bool twoFrames)
{
    m_buttonMode = buttonMode;
    if (buttonMode)
        QJXBaseButtonDraw::setButtonImage(first, true);
    else
        QJXBaseBoxDraw::setCheckImage(first, second, QString(), false, twoFrames);
    update();
}

bool QJXRadioButton::isButtonMode() const
{
    return m_buttonMode;
}

void QJXRadioButton::adjustSize()
{
    if (m_buttonMode)
        return;
    if (QJXBaseBoxDraw::isCustomDraw())
        QJXBaseBoxDraw::adjustSize();
    else
        QWidget::adjustSize();
}

void QJXRadioButton::setBtnIcon(QString path)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::setBtnIcon(path);
    else
        QJXBaseBoxDraw::setBtnIcon(path);
}

void QJXRadioButton::setIconRect(QRect rect)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::setIconRect(rect);
    else
        QJXBaseBoxDraw::setIconRect(rect);
}

Qt::Alignment QJXRadioButton::alignment() const
{
    return m_buttonMode ? QJXBaseButtonDraw::alignment() : QJXBaseBoxDraw::alignment();
}

void QJXRadioButton::setAlignment(Qt::Alignment alignment)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::setAlignment(alignment);
    else
        QJXBaseBoxDraw::setAlignment(alignment);
}

void QJXRadioButton::setTextRect(QRect rect)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::setTextRect(rect);
    else
        QJXBaseBoxDraw::setTextRect(rect);
}

void QJXRadioButton::seedClick()
{
    QAbstractButton::click();
}

void QJXRadioButton::paintEvent(QPaintEvent *event)
{
    if (m_buttonMode && QJXBaseButtonDraw::isCustomDraw())
        QJXBaseButtonDraw::paintEvent(event);
    else if (!m_buttonMode && QJXBaseBoxDraw::isCustomDraw())
        QJXBaseBoxDraw::paintEvent(event);
    else
        QRadioButton::paintEvent(event);
}

void QJXRadioButton::mousePressEvent(QMouseEvent *event)
{
    if (m_buttonMode) {
        QJXBaseButtonDraw::mousePressEvent(event);
        QAbstractButton::setChecked(!isChecked());
    }
    QAbstractButton::mousePressEvent(event);
}

void QJXRadioButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::mouseReleaseEvent(event);
    QRadioButton::mouseReleaseEvent(event);
}

void QJXRadioButton::mouseMoveEvent(QMouseEvent *event)
{
    QRadioButton::mouseMoveEvent(event);
}

void QJXRadioButton::enterEvent(QEvent *event)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::enterEvent(event);
    QRadioButton::enterEvent(event);
}

void QJXRadioButton::leaveEvent(QEvent *event)
{
    if (m_buttonMode)
        QJXBaseButtonDraw::leaveEvent(event);
    QRadioButton::leaveEvent(event);
}

void QJXRadioButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (m_buttonMode)
        QJXBaseButtonDraw::changeEvent(event);
    update();
}

void QJXRadioButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    QJXBaseButtonDraw::focusInEvent(event);
}

void QJXRadioButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    QJXBaseButtonDraw::focusOutEvent(event);
}
