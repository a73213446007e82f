#pragma once
// What typing does to the text of a time editor whose fields are all digits
// ("hh:mm:ss", "HH:mm:ss.zzz"): a digit overwrites the digit under the cursor
// and the cursor moves on over separators; a separator ends the field being
// typed; a whole time (pasted or typed over everything) fills every field.
// Only texts are worked out here: whether one is a valid time is the
// editor's to judge.

#include <QString>
#include <QStringList>

namespace QJXTimeTyping {

struct Edit
{
    QString text;
    int cursor = 0;
};

// Whether typing is handled here: the shown text has digit fields only.
bool handles(const QString &shown);

// Candidates for a digit typed at the cursor, or at the start of the
// selection; best first: the digit alone, then the digit with the rest of its
// field cleared (so a "2" over "05" hours still gives "20"), then, at the
// start of a field, the digit as the field's last ("7" for hours gives "07").
// Empty when there is no digit place left.
QList<Edit> typeDigit(const QString &shown, int cursor, int selStart, int selLength, QChar digit);

// A separator typed at the cursor: moves past the separator ahead, or
// right-aligns the digits typed so far in the field ("1" then ":" gives
// "01"). Empty when it means nothing there.
QList<Edit> typeSeparator(const QString &shown, int cursor);

// Where Backspace moves: onto the digit before the cursor.
int digitBefore(const QString &shown, int cursor);

// A whole time given as text ("01:02:03.004", "1:2:3", "3.5") laid onto the
// fields of the shown text: missing trailing fields are 0, a field after a
// point is a fraction ("5" is "500"). Empty text when it cannot be one.
QString wholeTime(const QString &shown, const QString &given);

} // namespace QJXTimeTyping
