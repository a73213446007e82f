#include "media/jxrectedit.h"

#include <algorithm>
#include <cmath>

namespace JXRectEdit {

namespace {

bool near(int a, int b)
{
    return std::abs(a - b) <= kTolerance;
}

double clampTo(double v, double lo, double hi)
{
    return std::max(lo, std::min(v, hi));
}

// One axis of a drag: origin and extent after moving the low or the high edge.
void dragLow(double o0, double e0, double d, double minExtent, double &o, double &e)
{
    const double farEdge = o0 + e0;
    o = clampTo(o0 + d, 0.0, farEdge - kMinExtent);
    e = farEdge - o;
    if (e <= minExtent) {
        e = minExtent;
        o = farEdge - e;
    }
}

void dragHigh(double o0, double e0, double d, double minExtent, double &o, double &e)
{
    const double farEdge = std::max(o0 + kMinExtent, std::min(o0 + d + e0, 1.0));
    o = o0;
    e = farEdge - o0;
    if (e <= minExtent)
        e = minExtent;
}

} // namespace

QRect toPixels(const FracRect &r, const QRect &element)
{
    const int ew = element.right() + 1 - element.left();
    const int eh = element.bottom() + 1 - element.top();
    const int left = int(r.x * ew + element.left());
    const int top = int(r.y * eh + element.top());
    const int right = int(r.width * ew + left);
    const int bottom = int(r.height * eh + top);
    QRect px;
    px.setCoords(left, top, right, bottom);
    return px;
}

Handle hitTest(const FracRect &r, const QRect &element, int mx, int my)
{
    if (!(r.width > 0.0001 && r.height > 0.0001))
        return NoHandle;
    const QRect px = toPixels(r, element);
    const int L = px.left(), T = px.top(), R = px.right(), B = px.bottom();
    const bool withinY = T < my && my < B;
    if (near(mx, L)) {
        if (near(my, T))
            return TopLeft;
        if (near(my, B))
            return BottomLeft;
        return withinY ? Left : NoHandle;
    }
    if (near(mx, R)) {
        if (near(my, T))
            return TopRight;
        if (near(my, B))
            return BottomRight;
        return withinY ? Right : NoHandle;
    }
    if (L < mx && mx < R) {
        if (near(my, T))
            return Top;
        if (near(my, B))
            return Bottom;
        return withinY ? Inside : NoHandle;
    }
    return NoHandle;
}

Qt::CursorShape cursorFor(int handle)
{
    switch (handle) {
    case TopLeft:
    case BottomRight:
        return Qt::SizeFDiagCursor;
    case BottomLeft:
    case TopRight:
        return Qt::SizeBDiagCursor;
    case Left:
    case Right:
        return Qt::SizeHorCursor;
    case Top:
    case Bottom:
        return Qt::SizeVerCursor;
    case Inside:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool movesLeft(int h)
{
    return h == TopLeft || h == BottomLeft || h == Left;
}

bool movesRight(int h)
{
    return h == TopRight || h == BottomRight || h == Right;
}

bool movesTop(int h)
{
    return h == TopLeft || h == TopRight || h == Top;
}

bool movesBottom(int h)
{
    return h == BottomLeft || h == BottomRight || h == Bottom;
}

bool isCorner(int h)
{
    return h == TopLeft || h == BottomLeft || h == TopRight || h == BottomRight;
}

FracRect drag(int handle, const FracRect &p, double dx, double dy, double minWidth,
              double minHeight)
{
    FracRect r = p;
    if (handle == Inside) {
        r.x = clampTo(p.x + dx, 0.0, 1.0 - p.width);
        r.y = clampTo(p.y + dy, 0.0, 1.0 - p.height);
        return r;
    }
    if (movesLeft(handle))
        dragLow(p.x, p.width, dx, minWidth, r.x, r.width);
    if (movesRight(handle))
        dragHigh(p.x, p.width, dx, minWidth, r.x, r.width);
    if (movesTop(handle))
        dragLow(p.y, p.height, dy, minHeight, r.y, r.height);
    if (movesBottom(handle))
        dragHigh(p.y, p.height, dy, minHeight, r.y, r.height);
    return r;
}

FracRect keepProportions(int handle, const FracRect &p, const FracRect &d)
{
    if (handle == Inside || handle == NoHandle || p.width <= 0 || p.height <= 0)
        return d;
    bool widthLeads;
    if (movesLeft(handle) && !isCorner(handle))
        widthLeads = true;
    else if (movesRight(handle) && !isCorner(handle))
        widthLeads = true;
    else if (!isCorner(handle))
        widthLeads = false;
    else
        widthLeads = d.width * p.height > d.height * p.width;

    // Anchors: the edges opposite the handle stay where they were pressed.
    const bool anchorRight = movesLeft(handle);
    const bool anchorBottom = movesTop(handle);
    const double rightEdge = p.x + p.width, bottomEdge = p.y + p.height;

    FracRect r = d;
    double leader = widthLeads ? d.width : d.height;
    auto follow = [&](double lead) {
        return widthLeads ? lead * (p.height / p.width) : lead * (p.width / p.height);
    };
    double follower = follow(leader);

    // Room for the follower up to the picture's border on its free side; an
    // edge handle grows the follower evenly about its middle.
    double room;
    if (widthLeads) {
        if (isCorner(handle))
            room = anchorBottom ? bottomEdge : 1.0 - p.y;
        else
            room = std::min(1.0, 2.0 * std::min(p.y + p.height / 2, 1.0 - p.y - p.height / 2));
    } else {
        if (isCorner(handle))
            room = anchorRight ? rightEdge : 1.0 - p.x;
        else
            room = std::min(1.0, 2.0 * std::min(p.x + p.width / 2, 1.0 - p.x - p.width / 2));
    }
    if (follower > room) {
        follower = room;
        leader = widthLeads ? follower * (p.width / p.height) : follower * (p.height / p.width);
    }

    const double w = widthLeads ? leader : follower;
    const double h = widthLeads ? follower : leader;
    r.width = w;
    r.height = h;
    if (movesLeft(handle))
        r.x = rightEdge - w;
    else if (movesRight(handle))
        r.x = p.x;
    else
        r.x = p.x + (p.width - w) / 2;
    if (movesTop(handle))
        r.y = bottomEdge - h;
    else if (movesBottom(handle))
        r.y = p.y;
    else
        r.y = p.y + (p.height - h) / 2;
    return r;
}

int roundPixel(double v)
{
    return int(std::lround(v));
}

} // namespace JXRectEdit
