#pragma once
// Time texts of the editor's preview: a position and a length in microseconds.

#include <QString>

#include <cstdint>

namespace JXPlayTimeText {

// "hh:mm:ss" (hours not limited) and "hh:mm:ss.zzz" of one time.
QString clock(uint64_t microseconds);
QString clockMs(uint64_t microseconds);

// "position / length" in either form.
QString span(uint64_t position, uint64_t length);
QString spanMs(uint64_t position, uint64_t length);

} // namespace JXPlayTimeText
