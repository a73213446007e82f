#include "widgetkit/qjxtextedit.h"

#include <QFile>
#include <QTextEdit>

QJXTextEdit::QJXTextEdit(QWidget *parent)
    : QWidget(parent)
    , QJXBaseRectImageDraw(this)
{
    setAcceptDrops(false);
    m_edit = new QTextEdit(this);
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_edit->setAcceptDrops(false);
    connect(m_edit, &QTextEdit::textChanged, this, &QJXTextEdit::textEditChange);
    placeEdit();
}

QJXTextEdit::~QJXTextEdit() = default;

QTextEdit *QJXTextEdit::textEdit() const
{
    return m_edit;
}

void QJXTextEdit::setBackgroundImage(QString path)
{
    if (QJXBaseRectImageDraw::setBackgroundImage(path))
        m_edit->setStyleSheet(QStringLiteral("QTextEdit {background-color:transparent;border:none}"));
}

void QJXTextEdit::setEditMargins(int left, int top, int right, int bottom)
{
    m_margins[0] = qint16(left);
    m_margins[1] = qint16(top);
    m_margins[2] = qint16(right);
    m_margins[3] = qint16(bottom);
    placeEdit();
    update();
    updateGeometry();
}

void QJXTextEdit::setEditMargins(const QMargins &m)
{
    setEditMargins(m.left(), m.top(), m.right(), m.bottom());
}

QMargins QJXTextEdit::editMargins() const
{
    return QMargins(m_margins[0], m_margins[1], m_margins[2], m_margins[3]);
}

void QJXTextEdit::textEditChange()
{
    emit textChanged(m_edit->toPlainText());
}

void QJXTextEdit::placeEdit()
{
    m_edit->setGeometry(m_margins[0], m_margins[1], width() - m_margins[0] - m_margins[2],
                        height() - m_margins[1] - m_margins[3]);
}

void QJXTextEdit::paintEvent(QPaintEvent *event)
{
    QJXBaseRectImageDraw::paintEvent(event);
    placeEdit();
}

// Placing the inner edit on resize as well keeps it right before the first paint.
void QJXTextEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeEdit();
}
