#pragma once
// Times of the record-time options: lengths and times of day kept as
// unsigned microseconds (since midnight for times of day), shown as hours,
// minutes and seconds; and the moment a daily start comes next.

#include <QDateTime>
#include <QString>
#include <QTime>

struct HourMinuteSecond
{
    int hours = 0;    // not reduced modulo 24
    int minutes = 0;
    int seconds = 0;
};

class QScheduleTime
{
public:
    // Milliseconds are dropped.
    static HourMinuteSecond split(unsigned long long microseconds);
    static unsigned long long toMicroseconds(int hours, int minutes, int seconds);
    // "HH:mm:ss": each part read as a decimal number, a part that is no
    // number counting as 0.
    static unsigned long long fromText(const QString &text);
    // The time of day of microseconds since midnight (hours beyond a day wrap).
    static QTime timeOfDay(unsigned long long microseconds);
    // The next moment the daily start comes: today when now's time of day is
    // at or before it, else tomorrow.
    static QDateTime nextStart(unsigned long long startMicroseconds, const QDateTime &now);
    // "hh:mm:ss" of a count of milliseconds, two digits each (hours wrap at 24).
    static QString countdownText(qint64 milliseconds);

private:
    QScheduleTime() = default;
};
