#pragma once
// Texture sizes of the frame display: powers of two of at least 128 texels,
// and the share of the texture the picture covers.

struct QJXVideoTextureSize
{
    int width = 0;
    int height = 0;
    float s = 1.0f; // picture width / texture width
    float t = 1.0f; // picture height / texture height

    static int powerOfTwo(int atLeast);
    // Packed frames: one texel per four bytes of a row.
    static QJXVideoTextureSize packed(int width, int height, int stride);
    // Planar frames: the luma texture holds the widest plane row; chroma
    // textures are half as wide and high.
    static QJXVideoTextureSize planar(int width, int height, const int strides[3]);
};
