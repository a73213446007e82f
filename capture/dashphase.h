#pragma once
// Phase of the marching dashes around a recording area: 20 down to 0, then 20
// again, one step per animation tick.

struct DashPhase
{
    static constexpr int kLength = 20;
    int value = kLength;
    void step() { value = value > 0 ? value - 1 : kLength; }
};
