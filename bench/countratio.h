#pragma once
// The ratio of two counts (breaks, underflows, silence) ours / peer, as text:
// a peer that had none leaves no ratio to print.

#include <QString>

inline QString countRatio(double ours, double peer)
{
    if (peer > 0)
        return QString::number(ours / peer, 'f', 2);
    return ours > 0 ? QStringLiteral("peer none") : QStringLiteral("both none");
}
