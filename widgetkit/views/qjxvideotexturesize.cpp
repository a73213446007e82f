#include "widgetkit/views/qjxvideotexturesize.h"

#include <algorithm>

namespace {
constexpr int kMinimumSide = 128;
}

int QJXVideoTextureSize::powerOfTwo(int atLeast)
{
    int side = kMinimumSide;
    while (side < atLeast && side < (1 << 30))
        side <<= 1;
    return side;
}

QJXVideoTextureSize QJXVideoTextureSize::packed(int width, int height, int stride)
{
    QJXVideoTextureSize size;
    size.width = powerOfTwo(stride / 4);
    size.height = powerOfTwo(height);
    size.s = float(width) / float(size.width);
    size.t = float(height) / float(size.height);
    return size;
}

QJXVideoTextureSize QJXVideoTextureSize::planar(int width, int height, const int strides[3])
{
    QJXVideoTextureSize size;
    size.width = powerOfTwo(std::max(strides[0], 2 * std::max(strides[1], strides[2])));
    size.height = powerOfTwo(height);
    size.s = float(width) / float(size.width);
    size.t = float(height) / float(size.height);
    return size;
}
