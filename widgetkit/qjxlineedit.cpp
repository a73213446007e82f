#include "widgetkit/qjxlineedit.h"

#include <QFile>
#include <QPainter>
#include <QRegExpValidator>

struct QJXLineEdit::Data
{
    QColor placeholderColor;
    QColor textColor;
    bool placeholderMode = false;
    QString placeholder;
};

QJXLineEdit::QJXLineEdit(QWidget *parent)
    : QLineEdit(parent)
    , QJXBaseRectImageDraw(this)
    , d(new Data)
{
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setAcceptDrops(false);
    d->textColor = palette().color(QPalette::Text);
}

QJXLineEdit::~QJXLineEdit()
{
    delete d;
}

void QJXLineEdit::setBackgroundImage(QString path)
{
    if (!QJXBaseRectImageDraw::setBackgroundImage(path))
        return;
    setStyleSheet(QStringLiteral(
        "QLineEdit {background-color:transparent;border:none; padding: 0px 0px 1px -2px}"));
    setTextMargins(3, 0, 2, 0);
}

void QJXLineEdit::onlyInputNumber()
{
    setValidator(new QRegExpValidator(
        QRegExp(QStringLiteral("^[0-9]*[1-9][0-9]*$"), Qt::CaseSensitive, QRegExp::RegExp),
        this));
}

void QJXLineEdit::setAlignment(Qt::Alignment alignment)
{
    QLineEdit::setAlignment(alignment);
}

void QJXLineEdit::setPalette(const QPalette &palette)
{
    QWidget::setPalette(palette);
    d->textColor = palette.color(QPalette::Text);
}

void QJXLineEdit::setPlaceholderText(const QString &text)
{
    QLineEdit::setPlaceholderText(text);
    d->placeholder = text;
}

void QJXLineEdit::setTextRoleColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::Text, color);
    p.setColor(QPalette::Inactive, QPalette::Text, color);
    p.setColor(QPalette::Disabled, QPalette::Text, color);
    QWidget::setPalette(p);
}

void QJXLineEdit::setPlaceholderTextColor(QColor color, bool on)
{
    d->placeholderColor = color;
    d->placeholderMode = on;
    if (on && text().isEmpty()) {
        QLineEdit::setPlaceholderText(d->placeholder);
        setTextRoleColor(color);
    }
}

void QJXLineEdit::paintEvent(QPaintEvent *event)
{
    QJXBaseRectImageDraw::paintEvent(event);
    QLineEdit::paintEvent(event);
}

void QJXLineEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (d->placeholderMode) {
        QLineEdit::setPlaceholderText(QString());
        setTextRoleColor(d->textColor);
    }
}

void QJXLineEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (d->placeholderMode && text().isEmpty()) {
        QLineEdit::setPlaceholderText(d->placeholder);
        setTextRoleColor(d->placeholderColor);
    }
}

QJXLineEditEx::QJXLineEditEx(QWidget *parent)
    : QJXLineEdit(parent)
{
    m_symbolFont.setFamily(QStringLiteral("Tahoma"));
    m_symbolFont.setPixelSize(11);
}

void QJXLineEditEx::setSymbol(QString symbol)
{
    m_symbol = symbol;
}

void QJXLineEditEx::setSymbolColor(QColor color)
{
    m_symbolColor = color;
}

void QJXLineEditEx::setSymbolFont(QFont font)
{
    m_symbolFont = font;
}

void QJXLineEditEx::setSymbolAlignment(Qt::Alignment alignment)
{
    m_symbolAlignment = int(alignment);
}

void QJXLineEditEx::setSymbolDrawTextMargins(int left, int top, int right, int bottom)
{
    m_symbolMargins[0] = qint16(left);
    m_symbolMargins[1] = qint16(top);
    m_symbolMargins[2] = qint16(right);
    m_symbolMargins[3] = qint16(bottom);
}

void QJXLineEditEx::paintEvent(QPaintEvent *event)
{
    QJXLineEdit::paintEvent(event);
    QPainter painter(this);
    const QFont oldFont = painter.font();
    painter.setFont(m_symbolFont);
    // The symbol is meant to stand out from the typed text, so it takes its own colour.
    painter.setPen(m_symbolColor);
    m_symbolRect = QRect(m_symbolMargins[0], m_symbolMargins[1],
                         width() - m_symbolMargins[0] - m_symbolMargins[2],
                         height() - m_symbolMargins[1] - m_symbolMargins[3]);
    painter.drawText(m_symbolRect, m_symbolAlignment, m_symbol);
    painter.setFont(oldFont);
}

void QJXLineEditEx::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    update();
}
