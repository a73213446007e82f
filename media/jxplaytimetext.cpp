#include "media/jxplaytimetext.h"

namespace {

struct ClockParts {
    uint64_t hours, minutes, seconds, thousandths;
};

ClockParts split(uint64_t microseconds)
{
    const auto ms = static_cast<uint64_t>(microseconds / 1000.0);
    return {ms / 3600000, (ms / 60000) % 60, (ms / 1000) % 60, ms % 1000};
}

QString two(uint64_t v)
{
    return QString("%1").arg(v, 2, 10, QChar('0'));
}

} // namespace

namespace JXPlayTimeText {

QString clock(uint64_t microseconds)
{
    const ClockParts p = split(microseconds);
    return QString("%1:%2:%3").arg(two(p.hours), two(p.minutes), two(p.seconds));
}

QString clockMs(uint64_t microseconds)
{
    const ClockParts p = split(microseconds);
    return QString("%1:%2:%3.%4")
        .arg(two(p.hours), two(p.minutes), two(p.seconds),
             QString("%1").arg(p.thousandths, 3, 10, QChar('0')));
}

QString span(uint64_t position, uint64_t length)
{
    return QString("%1 / %2").arg(clock(position), clock(length));
}

QString spanMs(uint64_t position, uint64_t length)
{
    return QString("%1 / %2").arg(clockMs(position), clockMs(length));
}

} // namespace JXPlayTimeText
