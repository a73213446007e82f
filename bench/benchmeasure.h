#pragma once
// Times a body over many calls and prints the mean per call.

#include <QElapsedTimer>
#include <cstdio>

template <class F>
void measure(const char *name, int iterations, F &&body)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i)
        body();
    const double us = timer.nsecsElapsed() / 1000.0 / iterations;
    std::printf("%-44s %9.2f us per call (%d calls)\n", name, us, iterations);
}
