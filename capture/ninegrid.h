#pragma once
// A skin image cut into a 3 × 3 grid: corners drawn unscaled, edges stretched
// along their side, the centre stretched over the rest.

#include <QRect>
#include <QSize>
#include <QVector>

namespace NineGrid {

// Each corner cell takes a third of the image, rounded.
QSize cornerSize(const QSize &image);

struct Cell
{
    QRect source;
    QRect target;
};
// The cells to draw for an image of imageSize over bounds; an edge cell with
// no room between its corners is left out.
QVector<Cell> cells(const QSize &imageSize, const QSize &corner, const QRect &bounds);

} // namespace NineGrid
