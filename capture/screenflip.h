#pragma once
// Rectangles cross between the widgets' top-left, integer coordinates and the
// overlay geometry's bottom-left, floating ones by y' = screen height − (y + h).

#include <QRect>
#include <QRectF>

namespace ScreenFlip {

// A top-left rectangle as the overlay geometry holds it.
QRectF toBottomUp(const QRect &rect, int screenHeight);
// A bottom-left rectangle as widgets take it: every value truncated, the top
// from the truncated sum.
QRect toTopDown(const QRectF &rect, int screenHeight);

} // namespace ScreenFlip
