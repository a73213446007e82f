#include "controls/qscheduletime.h"

HourMinuteSecond QScheduleTime::split(unsigned long long microseconds)
{
    const qint64 ms = qint64(double(microseconds) / 1000.0);
    HourMinuteSecond hms;
    hms.hours = int(ms / 3600000);
    hms.minutes = int((ms / 60000) % 60);
    hms.seconds = int((ms / 1000) % 60);
    return hms;
}

unsigned long long QScheduleTime::toMicroseconds(int hours, int minutes, int seconds)
{
    const qint64 total = qint64(hours) * 3600 + qint64(minutes) * 60 + seconds;
    return total > 0 ? static_cast<unsigned long long>(total) * 1000000ULL : 0ULL;
}

unsigned long long QScheduleTime::fromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    auto number = [&parts](int i) {
        return i < parts.size() ? parts.at(i).trimmed().toInt(nullptr, 10) : 0;
    };
    return toMicroseconds(number(0), number(1), number(2));
}

QTime QScheduleTime::timeOfDay(unsigned long long microseconds)
{
    const HourMinuteSecond hms = split(microseconds);
    return QTime(hms.hours % 24, hms.minutes, hms.seconds);
}

QDateTime QScheduleTime::nextStart(unsigned long long startMicroseconds, const QDateTime &now)
{
    const QTime start = timeOfDay(startMicroseconds);
    QDateTime target(now.date(), start, now.timeSpec());
    if (now.time() > start)
        target = QDateTime(now.date().addDays(1), start, now.timeSpec());
    return target;
}

QString QScheduleTime::countdownText(qint64 milliseconds)
{
    const qint64 ms = qMax<qint64>(0, milliseconds);
    return QStringLiteral("%1:%2:%3")
        .arg((ms / 3600000) % 24, 2, 10, QLatin1Char('0'))
        .arg((ms / 60000) % 60, 2, 10, QLatin1Char('0'))
        .arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}
