#include "widgetkit/qjxdatetimeedit.h"

#include "widgetkit/qjxbasebutton.h"

#include <QLineEdit>

QJXDateTimeEdit::QJXDateTimeEdit(QWidget *parent)
    : QDateTimeEdit(parent)
    , QJXBaseRectImageDraw(this)
    , m_buttons(this)
{
    init();
}

QJXDateTimeEdit::QJXDateTimeEdit(const QVariant &value, QVariant::Type type, QWidget *parent)
    : QDateTimeEdit(value, type, parent)
    , QJXBaseRectImageDraw(this)
    , m_buttons(this)
{
    init();
}

QJXDateTimeEdit::~QJXDateTimeEdit() = default;

void QJXDateTimeEdit::init()
{
    setAcceptDrops(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    connect(lineEdit(), &QLineEdit::textEdited, this, &QJXDateTimeEdit::emitTimeEdited);
}

void QJXDateTimeEdit::setBackgroundImage(QString path)
{
    if (QJXBaseRectImageDraw::setBackgroundImage(path))
        setStyleSheet(QStringLiteral("QDateTimeEdit {background-color:transparent;border:none}"));
}

void QJXDateTimeEdit::setUpAndDownBtnImage(QString up, QString down, bool keepSize)
{
    if (!m_buttons.setImages(up, down, keepSize))
        return;
    connect(m_buttons.upButton(), &QAbstractButton::clicked, this, &QJXDateTimeEdit::stepUp);
    connect(m_buttons.downButton(), &QAbstractButton::clicked, this, &QJXDateTimeEdit::stepDown);
    for (QJXBaseButton *b : {m_buttons.upButton(), m_buttons.downButton()}) {
        connect(b, &QAbstractButton::pressed, this, &QJXDateTimeEdit::pressBtn);
        connect(b, &QAbstractButton::released, this, &QJXDateTimeEdit::releseBtn);
    }
    resetBtnLocation();
}

void QJXDateTimeEdit::setBtnMargins(int left, int top, int right, int bottom)
{
    m_buttons.setMargins(left, top, right, bottom);
    update();
    updateGeometry();
}

void QJXDateTimeEdit::setBtnMargins(const QMargins &m)
{
    setBtnMargins(m.left(), m.top(), m.right(), m.bottom());
}

void QJXDateTimeEdit::resetBtnLocation()
{
    m_buttons.place();
}

void QJXDateTimeEdit::setTextMargins(int left, int top, int right, int bottom)
{
    if (QLineEdit *edit = lineEdit())
        edit->setTextMargins(left, top, right, bottom);
}

void QJXDateTimeEdit::setTextMargins(const QMargins &m)
{
    setTextMargins(m.left(), m.top(), m.right(), m.bottom());
}

QJXBaseButton *QJXDateTimeEdit::upButton() const
{
    return m_buttons.upButton();
}

QJXBaseButton *QJXDateTimeEdit::downButton() const
{
    return m_buttons.downButton();
}

void QJXDateTimeEdit::stepBy(int steps)
{
    QDateTimeEdit::stepBy(steps);
    emit emitTimeEdited(text());
}

void QJXDateTimeEdit::stepUp()
{
    QAbstractSpinBox::stepUp();
}

void QJXDateTimeEdit::stepDown()
{
    QAbstractSpinBox::stepDown();
}

void QJXDateTimeEdit::pressBtn()
{
    m_buttons.press(sender());
}

void QJXDateTimeEdit::releseBtn()
{
    m_buttons.release();
}

void QJXDateTimeEdit::paintEvent(QPaintEvent *event)
{
    QJXBaseRectImageDraw::paintEvent(event);
    if (!m_buttons.upButton())
        QDateTimeEdit::paintEvent(event);
}

void QJXDateTimeEdit::showEvent(QShowEvent *event)
{
    QDateTimeEdit::showEvent(event);
    resetBtnLocation();
}

void QJXDateTimeEdit::resizeEvent(QResizeEvent *event)
{
    QDateTimeEdit::resizeEvent(event);
    resetBtnLocation();
}

void QJXDateTimeEdit::timerEvent(QTimerEvent *event)
{
    QDateTimeEdit::timerEvent(event);
    m_buttons.timerEvent(event);
}

QJXTimeEdit::QJXTimeEdit(QWidget *parent)
    : QJXDateTimeEdit(QVariant(QTime(0, 0, 0, 0)), QVariant::Time, parent)
{
}

QJXTimeEdit::QJXTimeEdit(const QTime &time, QWidget *parent)
    : QJXDateTimeEdit(QVariant(time), QVariant::Time, parent)
{
}
