#include "widgetkit/qjxdoublespinbox.h"

#include "widgetkit/qjxbasebutton.h"

QJXDoubleSpinBox::QJXDoubleSpinBox(QWidget *parent)
    : QDoubleSpinBox(parent)
    , QJXBaseRectImageDraw(this)
    , m_buttons(this)
{
    setAcceptDrops(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

QJXDoubleSpinBox::~QJXDoubleSpinBox() = default;

void QJXDoubleSpinBox::setBackgroundImage(QString path)
{
    if (QJXBaseRectImageDraw::setBackgroundImage(path))
        setStyleSheet(QStringLiteral("QDoubleSpinBox {background-color:transparent;border:none}"));
}

void QJXDoubleSpinBox::setUpAndDownBtnImage(QString up, QString down, bool keepSize)
{
    if (!m_buttons.setImages(up, down, keepSize))
        return;
    connect(m_buttons.upButton(), &QAbstractButton::clicked, this, &QJXDoubleSpinBox::stepUp);
    connect(m_buttons.downButton(), &QAbstractButton::clicked, this, &QJXDoubleSpinBox::stepDown);
    for (QJXBaseButton *b : {m_buttons.upButton(), m_buttons.downButton()}) {
        connect(b, &QAbstractButton::pressed, this, &QJXDoubleSpinBox::pressBtn);
        connect(b, &QAbstractButton::released, this, &QJXDoubleSpinBox::releseBtn);
    }
    resetBtnLocation();
}

void QJXDoubleSpinBox::setBtnMargins(int left, int top, int right, int bottom)
{
    m_buttons.setMargins(left, top, right, bottom);
    update();
    updateGeometry();
}

void QJXDoubleSpinBox::setBtnMargins(const QMargins &m)
{
    setBtnMargins(m.left(), m.top(), m.right(), m.bottom());
}

void QJXDoubleSpinBox::resetBtnLocation()
{
    m_buttons.place();
}

QJXBaseButton *QJXDoubleSpinBox::upButton() const
{
    return m_buttons.upButton();
}

QJXBaseButton *QJXDoubleSpinBox::downButton() const
{
    return m_buttons.downButton();
}

void QJXDoubleSpinBox::pressBtn()
{
    m_buttons.press(sender());
}

void QJXDoubleSpinBox::releseBtn()
{
    m_buttons.release();
}

void QJXDoubleSpinBox::paintEvent(QPaintEvent *event)
{
    QJXBaseRectImageDraw::paintEvent(event);
    if (!m_buttons.upButton())
        QAbstractSpinBox::paintEvent(event);
}

void QJXDoubleSpinBox::showEvent(QShowEvent *event)
{
    QDoubleSpinBox::showEvent(event);
    resetBtnLocation();
}

void QJXDoubleSpinBox::resizeEvent(QResizeEvent *event)
{
    QDoubleSpinBox::resizeEvent(event);
    resetBtnLocation();
}

void QJXDoubleSpinBox::timerEvent(QTimerEvent *event)
{
    QDoubleSpinBox::timerEvent(event);
    m_buttons.timerEvent(event);
}
