#pragma once
// One captured block: interleaved samples exactly as the source delivered
// them, and when they were captured.

#include <QtGlobal>

struct AudioFrame
{
    unsigned char *data = nullptr;
    quint32 size = 0;        // bytes at data
    quint64 timestamp = 0;   // microseconds on the capture clock
};
