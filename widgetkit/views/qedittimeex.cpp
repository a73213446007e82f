#include "widgetkit/views/qedittimeex.h"

#include <QLineEdit>

namespace {
constexpr uint64_t kMsPerDay = 24ULL * 3600 * 1000;

// The decimal number of a field; false when the field is not one.
bool field(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    return ok;
}
} // namespace

QEditTimeEx::QEditTimeEx(QWidget *parent) : QJXTimeEdit(parent)
{
    setDisplayFormat(QStringLiteral("hh:mm:ss.zzz"));
    setTextMargins(3, 0, 0, 0);
    connect(this, &QJXDateTimeEdit::emitTimeEdited, this, &QEditTimeEx::onTextEdited);
}

uint64_t QEditTimeEx::timeConvertToInt(const QTime &time)
{
    return ((uint64_t(time.hour()) * 3600 + uint64_t(time.minute()) * 60 + uint64_t(time.second()))
                * 1000
            + uint64_t(time.msec()))
           * 1000;
}

void QEditTimeEx::setCurrentTime(unsigned long long microseconds)
{
    m_current = microseconds;
    const uint64_t ms = microseconds / 1000;
    if (ms >= kMsPerDay)
        return;
    m_shown = QTime(int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60), int(ms % 1000));
    setTime(m_shown);
}

void QEditTimeEx::onTextEdited(const QString &text)
{
    int hour = 0, minute = 0, second = 0, msec = 0;
    bool ok = true;
    QString rest = text;
    int colon = rest.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        ok &= field(rest.left(colon), &hour);
        rest = rest.mid(colon + 1);
    }
    colon = rest.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        ok &= field(rest.left(colon), &minute);
        rest = rest.mid(colon + 1);
    }
    const int point = rest.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        ok &= field(rest.left(point), &second);
        ok &= field(rest.mid(point + 1), &msec);
    }
    const QTime typed(hour, minute, second, msec);
    if (!ok || !typed.isValid()) {
        // Nothing that could be reported: show the last good time again.
        setTime(m_shown);
        return;
    }
    m_shown = typed;
    m_current = timeConvertToInt(typed);
    emit emitTextEdited(m_current);
}
