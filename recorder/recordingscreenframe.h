#pragma once
// One frame of a screen recording: the record area of the primary screen as
// shown now, with the watermark over it.

#include <QImage>
#include <QPixmap>
#include <QRect>

namespace RecordingScreenFrame {

// The area (in screen points; empty: the whole primary screen) in pixels at
// scaleX × scaleY, the watermark stretched over it. Null without a screen.
QImage grab(const QRect &area, int scaleX, int scaleY, const QPixmap &watermark = QPixmap());

} // namespace RecordingScreenFrame
