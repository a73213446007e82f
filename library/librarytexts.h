#pragma once
// Size and duration texts of the recordings table's info line, and the
// parsers back from them: sizes as History.xml writes them
// (QIAnyUtil::size2String), durations in whole seconds, minutes, hours,
// days or months; and the path and time
// texts of rows and records.

#include <QString>

class QFileInfo;

#include <optional>

namespace LibraryTexts {

// QIAnyUtil::size2String; empty for a negative value.
QString sizeText(qint64 bytes);
// "%1 Seconds" up to "%1 Months"; empty for a negative value.
QString timeText(qint64 seconds);
// "<number> <unit>" with a unit of sizeText (any case); -1 for another
// unit, 0 for another shape.
qint64 sizeFromText(const QString &text);
// "h:m:s" with any number of hours; 0 for another shape.
qint64 secondsFromText(const QString &text);
// Whole seconds of "h:m:s" when each part is a number; nothing otherwise.
std::optional<qint64> strictSecondsFromText(const QString &text);

// The file's creation time (its modification time where the file system
// keeps none) as "dd-MM-yyyy hh:mm".
QString createdText(const QFileInfo &file);
// The size of the file at the path (links followed) from one stat; -1 when
// there is nothing there.
qint64 fileBytes(const QString &path);

} // namespace LibraryTexts
