#include "capture/screenflip.h"

namespace ScreenFlip {

QRectF toBottomUp(const QRect &rect, int screenHeight)
{
    return QRectF(rect.x(), screenHeight - (rect.y() + rect.height()), rect.width(),
                  rect.height());
}

QRect toTopDown(const QRectF &rect, int screenHeight)
{
    const int top = screenHeight - int(rect.y() + rect.height());
    return QRect(int(rect.x()), top, int(rect.width()), int(rect.height()));
}

} // namespace ScreenFlip
