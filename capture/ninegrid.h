#pragma once
// A skin image cut into a 3 × 3 grid: corners drawn unscaled, edges stretched
// along their side, the centre stretched over the rest.

#include <QRect>
#include <QSize>
#include <QVector>

namespace NineGrid {

// The sizes of the four corner cells; they may differ.
struct Corners
{
    QSize topLeft;
    QSize topRight;
    QSize bottomLeft;
    QSize bottomRight;

    static Corners uniform(const QSize &corner) { return {corner, corner, corner, corner}; }
    bool operator==(const Corners &o) const
    {
        return topLeft == o.topLeft && topRight == o.topRight && bottomLeft == o.bottomLeft
               && bottomRight == o.bottomRight;
    }
};

// Each corner cell takes a third of the image, rounded.
QSize cornerSize(const QSize &image);

struct Cell
{
    QRect source;
    QRect target;
};
// The cells to draw for an image of imageSize over bounds, corners last; an
// edge cell with no room between its corners is left out. An edge band is as
// deep as the deeper of its two corners, so uneven corners leave no gap.
QVector<Cell> cells(const QSize &imageSize, const Corners &corners, const QRect &bounds);

} // namespace NineGrid
