#include "widgetkit/qjxdatetimeedit.h"

#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxtimetyping.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
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
    connect(lineEdit(), &QLineEdit::textEdited, this, &QJXDateTimeEdit::lineEdited);
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

void QJXDateTimeEdit::keyPressEvent(QKeyEvent *event)
{
    if (QJXTimeTyping::handles(lineEdit()->text()) && typeKey(event)) {
        event->accept();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

// Keys that change the text; false for those the base class handles
// (arrows, Home, End, Tab, Enter, select all, copy).
bool QJXDateTimeEdit::typeKey(QKeyEvent *event)
{
    QLineEdit *edit = lineEdit();
    if (event->matches(QKeySequence::Paste)) {
        takeWholeTime(QApplication::clipboard()->text());
        return true;
    }
    if (event->matches(QKeySequence::Cut)) {
        // Fields cannot be emptied: cutting copies.
        edit->copy();
        return true;
    }
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return true;
    const QString shown = edit->text();
    if (event->key() == Qt::Key_Backspace) {
        edit->setCursorPosition(QJXTimeTyping::digitBefore(shown, edit->cursorPosition()));
        return true;
    }
    if (event->key() == Qt::Key_Delete)
        return true;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString typed = event->text();
    if (typed.size() != 1 || !typed[0].isPrint())
        return false;
    const QChar c = typed[0];
    QList<QJXTimeTyping::Edit> candidates;
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        const int selStart = edit->hasSelectedText() ? edit->selectionStart() : -1;
        const int selLength = edit->hasSelectedText() ? edit->selectedText().size() : 0;
        candidates = QJXTimeTyping::typeDigit(shown, edit->cursorPosition(), selStart, selLength, c);
    } else if (!c.isLetter()) {
        candidates = QJXTimeTyping::typeSeparator(
            shown, edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition());
    }
    for (const QJXTimeTyping::Edit &e : candidates) {
        if (apply(e.text, e.cursor))
            break;
    }
    return true;
}

bool QJXDateTimeEdit::apply(const QString &text, int cursor, bool report)
{
    QString checked = text;
    int pos = cursor;
    if (validate(checked, pos) != QValidator::Acceptable)
        return false;
    const QDateTime value = dateTimeFromText(checked);
    if (!value.isValid())
        return false;
    const bool changed = report || lineEdit()->text() != checked;
    setDateTime(value);
    lineEdit()->setCursorPosition(cursor);
    if (changed) {
        emit emitTimeEdited(this->text());
        // A listener may have corrected the value; the cursor stays put.
        lineEdit()->setCursorPosition(qMin(cursor, int(lineEdit()->text().size())));
    }
    return true;
}

bool QJXDateTimeEdit::takeWholeTime(const QString &given, bool report)
{
    const QString shown = textFromDateTime(dateTime());
    const QString whole = QJXTimeTyping::wholeTime(shown, given);
    if (!whole.isEmpty() && apply(whole, whole.size(), report))
        return true;
    // Refused: the field shows what it held.
    setDateTime(dateTime());
    lineEdit()->setText(shown);
    return false;
}

// Changes made in the line edit itself (its context menu's paste or
// delete) are taken only as a whole time.
void QJXDateTimeEdit::lineEdited(const QString &text)
{
    if (!QJXTimeTyping::handles(textFromDateTime(dateTime()))) {
        emit emitTimeEdited(text);
        return;
    }
    takeWholeTime(text, true);
}

QJXTimeEdit::QJXTimeEdit(QWidget *parent)
    : QJXDateTimeEdit(QVariant(QTime(0, 0, 0, 0)), QVariant::Time, parent)
{
}

QJXTimeEdit::QJXTimeEdit(const QTime &time, QWidget *parent)
    : QJXDateTimeEdit(QVariant(time), QVariant::Time, parent)
{
}
