#include "textaudit.h"

#include "widgetkit/qjxbaseboxdraw.h"
#include "widgetkit/qjxbasebuttondraw.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QVector>

namespace TextAudit {

namespace {

// A widget's text as a reader sees it, with its box (where it may be drawn)
// and its ink (where its letters, and a button's body, are).
struct Item
{
    QWidget *widget;
    QString text;
    QRect box;
    QRect ink;
    bool solid; // a push button: its whole body covers what lies under it
};

QString nameOf(const QWidget *w)
{
    QString name = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        name += QLatin1Char(' ') + w->objectName();
    return name;
}

QString rectText(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QRect inWindow(const QWidget *w, const QRect &r, const QWidget *window)
{
    return QRect(w->mapTo(window, r.topLeft()), r.size());
}

bool isViewport(const QWidget *w)
{
    auto *area = qobject_cast<const QAbstractScrollArea *>(w->parentWidget());
    return area && area->viewport() == w;
}

// What the widget's parents leave visible of it, in window coordinates. What
// a scroll area holds is shown by scrolling: only the parents inside it clip.
QRect visibleArea(const QWidget *w, const QWidget *window)
{
    QRect area = inWindow(w, w->rect(), window);
    for (const QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (isViewport(p))
            return area;
        area &= inWindow(p, p->rect(), window);
    }
    return area & window->rect();
}

QString plain(const QLabel *label)
{
    if (label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()))) {
        QTextDocument doc;
        doc.setHtml(label->text());
        return doc.toPlainText();
    }
    return label->text();
}

int widest(const QFontMetrics &fm, const QString &text)
{
    int w = 0;
    // Blanks at a line's end draw nothing.
    for (QString line : text.split(QLatin1Char('\n'))) {
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        w = qMax(w, fm.horizontalAdvance(line));
    }
    return w;
}

// A box too low for the letters: ascent and descent must fit (one pixel of
// rounding allowed).
bool tooLow(const QFontMetrics &fm, int lines, int height)
{
    return lines * (fm.ascent() + fm.descent()) > height + 1;
}

void checkFit(QList<Item> &items, QStringList &out, QWidget *w, const QString &text, const QRect &box,
              Qt::Alignment alignment, bool solid, QWidget *window, const QRect &extraInk = QRect())
{
    const QFontMetrics fm(w->font());
    const int lines = text.count(QLatin1Char('\n')) + 1;
    const QSize need(widest(fm, text), lines * fm.height());
    if (need.width() > box.width())
        out << QStringLiteral("%1 \"%2\": text %3 px wide in a box of %4 px")
                   .arg(nameOf(w), text).arg(need.width()).arg(box.width());
    if (tooLow(fm, lines, box.height()))
        out << QStringLiteral("%1 \"%2\": text %3 px high in a box of %4 px")
                   .arg(nameOf(w), text).arg(lines * (fm.ascent() + fm.descent())).arg(box.height());
    QRect ink = QStyle::alignedRect(w->layoutDirection(), alignment, need.boundedTo(box.size()), box);
    if (solid)
        ink = w->rect();
    if (extraInk.isValid())
        ink |= extraInk;
    const QRect inkInWindow = inWindow(w, ink, window);
    const QRect visible = visibleArea(w, window);
    if (!visible.contains(inkInWindow))
        out << QStringLiteral("%1 \"%2\": drawn at %3 but only %4 of it shows")
                   .arg(nameOf(w), text, rectText(inkInWindow), rectText(visible));
    items.append({w, text, inWindow(w, box, window), inkInWindow, solid});
}

void auditLabel(QList<Item> &items, QStringList &out, QLabel *label, QWidget *window)
{
    const QString text = plain(label);
    if (text.isEmpty() || !label->pixmap(Qt::ReturnByValue).isNull())
        return;
    const QRect box = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                     -label->margin(), -label->margin());
    if (label->wordWrap()) {
        const int need = label->heightForWidth(label->width());
        if (need > label->height() + 1)
            out << QStringLiteral("%1 \"%2\": wrapped text %3 px high in a box of %4 px")
                       .arg(nameOf(label), text).arg(need).arg(label->height());
        items.append({label, text, inWindow(label, box, window), inWindow(label, box, window), false});
        return;
    }
    checkFit(items, out, label, text, box, label->alignment(), false, window);
}

void auditButton(QList<Item> &items, QStringList &out, QAbstractButton *button, QWidget *window)
{
    const QString text = button->text();
    if (text.isEmpty())
        return;
    if (auto *box = dynamic_cast<QJXBaseBoxDraw *>(button)) {
        if (box->checkRect().width() > 0) {
            QRect r = box->textRect();
            if (r.width() <= 0)
                r.setRight(button->width() - 1);
            if (r.height() <= 0)
                r.setBottom(button->height() - 1);
            checkFit(items, out, button, text, r, box->alignment(), false, window, box->checkRect());
            return;
        }
    }
    if (auto *draw = dynamic_cast<QJXBaseButtonDraw *>(button)) {
        if (draw->isCustomDraw()) {
            QRect r = draw->textRect();
            if (r.width() <= 0 || r.height() <= 0)
                r = button->rect();
            checkFit(items, out, button, text, r, draw->alignment(), true, window);
            return;
        }
    }
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = text;
    if (qobject_cast<QCheckBox *>(button)) {
        const QRect r = button->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, button);
        checkFit(items, out, button, text, r, Qt::AlignLeft | Qt::AlignVCenter, false, window,
                 button->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, button));
    } else if (qobject_cast<QRadioButton *>(button)) {
        const QRect r = button->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, button);
        checkFit(items, out, button, text, r, Qt::AlignLeft | Qt::AlignVCenter, false, window,
                 button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, button));
    } else {
        const int m = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, button);
        checkFit(items, out, button, text, button->rect().adjusted(m, 0, -m, 0), Qt::AlignCenter,
                 true, window);
    }
}

// Header sections draw their text from 10 px after the left edge to 10 px
// before the right one (the sort arrow stands in that right band).
void auditHeader(QStringList &out, QHeaderView *header)
{
    if (!header->model() || header->orientation() != Qt::Horizontal)
        return;
    const QFontMetrics fm(header->font());
    for (int i = 0; i < header->count(); ++i) {
        if (header->isSectionHidden(i) || header->sectionSize(i) <= 0)
            continue;
        const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
        if (text.isEmpty())
            continue;
        const int need = fm.horizontalAdvance(text) + 20;
        if (need > header->sectionSize(i))
            out << QStringLiteral("%1 section %2 \"%3\": needs %4 px, has %5 px")
                       .arg(nameOf(header)).arg(i).arg(text).arg(need).arg(header->sectionSize(i));
    }
}

bool related(const QWidget *a, const QWidget *b)
{
    return a->isAncestorOf(b) || b->isAncestorOf(a);
}

} // namespace

QStringList faults(QWidget *window)
{
    QStringList out;
    QList<Item> items;
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (!w->isVisible() || w->window() != window || w->width() <= 0 || w->height() <= 0)
            continue;
        if (auto *label = qobject_cast<QLabel *>(w))
            auditLabel(items, out, label, window);
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            auditButton(items, out, button, window);
        else if (auto *header = qobject_cast<QHeaderView *>(w))
            auditHeader(out, header);
        else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // A drop-down's body covers what lies under it.
            const QRect body = inWindow(combo, combo->rect(), window);
            items.append({combo, combo->currentText(), body, body, true});
        }
    }
    for (int i = 0; i < items.size(); ++i) {
        for (int j = i + 1; j < items.size(); ++j) {
            const Item &a = items[i], &b = items[j];
            if (related(a.widget, b.widget))
                continue;
            if (a.ink.intersects(b.ink))
                out << QStringLiteral("%1 \"%2\" at %3 overlaps %4 \"%5\" at %6")
                           .arg(nameOf(a.widget), a.text, rectText(a.ink), nameOf(b.widget), b.text,
                                rectText(b.ink));
        }
    }
    return out;
}

} // namespace TextAudit
