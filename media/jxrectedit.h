#pragma once
// Geometry of dragging a rectangle held as fractions of the picture (the crop
// and the watermarks of the preview): mapping onto the window's video element,
// the hit test of edges, corners and inside, the cursor of each handle, and
// the new rectangle while a handle is dragged.

#include <QRect>
#include <Qt>

namespace JXRectEdit {

enum Handle {
    NoHandle = 0,
    TopLeft = 1,
    BottomLeft = 2,
    Left = 3,
    TopRight = 4,
    BottomRight = 5,
    Right = 6,
    Top = 7,
    Bottom = 8,
    Inside = 9,
};

// Hit distance in pixels.
constexpr int kTolerance = 4;
// Smallest extent of a dragged edge, as a fraction of the picture.
constexpr double kMinExtent = 0.02;

struct FracRect {
    double x = 0, y = 0, width = 0, height = 0;
};

// Pixel edges (left, top, right, bottom) of the rectangle on the element.
QRect toPixels(const FracRect &r, const QRect &element);
// The handle under (mx, my); NoHandle for a rectangle of no size.
Handle hitTest(const FracRect &r, const QRect &element, int mx, int my);
Qt::CursorShape cursorFor(int handle);

bool movesLeft(int handle);
bool movesRight(int handle);
bool movesTop(int handle);
bool movesBottom(int handle);
bool isCorner(int handle);

// The rectangle after dragging `handle` by (dx, dy) picture fractions from
// where it was pressed; dragged edges stop kMinExtent short of the opposite
// edge and at the picture's borders, and no side gets below minWidth/minHeight.
FracRect drag(int handle, const FracRect &pressed, double dx, double dy, double minWidth,
              double minHeight);

// Restores the press-time proportions after a drag, anchored opposite the
// handle and kept inside the picture.
FracRect keepProportions(int handle, const FracRect &pressed, const FracRect &dragged);

// A mouse position rounded half away from zero.
int roundPixel(double v);

} // namespace JXRectEdit
