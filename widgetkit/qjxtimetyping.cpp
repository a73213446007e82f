#include "widgetkit/qjxtimetyping.h"

#include <QVector>

namespace QJXTimeTyping {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

struct Field
{
    int start;
    int length;
    bool fraction;
};

QVector<Field> fields(const QString &shown)
{
    QVector<Field> out;
    int i = 0;
    while (i < shown.size()) {
        if (!isDigit(shown[i])) {
            ++i;
            continue;
        }
        const int start = i;
        while (i < shown.size() && isDigit(shown[i]))
            ++i;
        const bool fraction = start > 0 && (shown[start - 1] == QLatin1Char('.')
                                            || shown[start - 1] == QLatin1Char(','));
        out.append({start, i - start, fraction});
    }
    return out;
}

int nextDigit(const QString &text, int from)
{
    while (from < text.size() && !isDigit(text[from]))
        ++from;
    return from;
}

} // namespace

bool handles(const QString &shown)
{
    bool anyDigit = false;
    for (QChar c : shown) {
        if (c.isLetter())
            return false;
        anyDigit |= isDigit(c);
    }
    return anyDigit;
}

QList<Edit> typeDigit(const QString &shown, int cursor, int selStart, int selLength, QChar digit)
{
    // Typing over a selection starts at its beginning and overwrites as it
    // goes: a whole time typed over everything replaces every field, and no
    // field is ever blank (which would be no time at all).
    const QString &base = shown;
    int pos = selLength > 0 ? selStart : cursor;
    pos = nextDigit(base, qMax(0, pos));
    if (pos >= base.size())
        return {};
    int fieldEnd = pos;
    while (fieldEnd < base.size() && isDigit(base[fieldEnd]))
        ++fieldEnd;
    int next = pos + 1;
    if (next == fieldEnd)
        next = qMin(nextDigit(base, next), int(base.size()));

    Edit alone{base, next};
    alone.text[pos] = digit;
    QList<Edit> out{alone};
    if (pos + 1 < fieldEnd) {
        Edit cleared = alone;
        for (int i = pos + 1; i < fieldEnd; ++i)
            cleared.text[i] = QLatin1Char('0');
        out.append(cleared);
        // A digit that cannot lead its field ("7" for hours) is the field's
        // last digit, and typing moves on to the next field.
        if (pos == 0 || !isDigit(base[pos - 1])) {
            Edit units{base, qMin(nextDigit(base, fieldEnd), int(base.size()))};
            for (int i = pos; i < fieldEnd - 1; ++i)
                units.text[i] = QLatin1Char('0');
            units.text[fieldEnd - 1] = digit;
            out.append(units);
        }
    }
    return out;
}

QList<Edit> typeSeparator(const QString &shown, int cursor)
{
    if (cursor < 0 || cursor > shown.size())
        return {};
    if (cursor < shown.size() && !isDigit(shown[cursor])) {
        const int next = nextDigit(shown, cursor);
        return next < shown.size() ? QList<Edit>{{shown, next}} : QList<Edit>{};
    }
    if (cursor == 0 || !isDigit(shown[cursor - 1]))
        return {};
    int start = cursor;
    while (start > 0 && isDigit(shown[start - 1]))
        --start;
    int end = cursor;
    while (end < shown.size() && isDigit(shown[end]))
        ++end;
    Edit e{shown, qMin(nextDigit(shown, end), int(shown.size()))};
    const QString typed = shown.mid(start, cursor - start);
    e.text.replace(start, end - start, typed.rightJustified(end - start, QLatin1Char('0')));
    return {e};
}

int digitBefore(const QString &shown, int cursor)
{
    int pos = qMin(cursor, int(shown.size())) - 1;
    while (pos >= 0 && !isDigit(shown[pos]))
        --pos;
    return pos < 0 ? cursor : pos;
}

QString wholeTime(const QString &shown, const QString &given)
{
    const QVector<Field> places = fields(shown);
    // One number between each two separators; an empty one ("01::03") is a
    // field left blank, which is no time.
    QStringList numbers;
    QString current;
    for (QChar c : given.trimmed()) {
        if (isDigit(c)) {
            current += c;
        } else if (c.isLetterOrNumber() || current.isEmpty()) {
            return QString();
        } else {
            numbers << current;
            current.clear();
        }
    }
    if (current.isEmpty() || numbers.size() + 1 > places.size())
        return QString();
    numbers << current;
    QString out = shown;
    // Replace from the right so earlier positions stay where they were.
    for (int i = places.size() - 1; i >= 0; --i) {
        const Field &f = places[i];
        const QString n = i < numbers.size() ? numbers[i] : QStringLiteral("0");
        if (n.size() > f.length)
            return QString();
        const QString value = f.fraction ? n.leftJustified(f.length, QLatin1Char('0'))
                                         : n.rightJustified(f.length, QLatin1Char('0'));
        out.replace(f.start, f.length, value);
    }
    return out;
}

} // namespace QJXTimeTyping
