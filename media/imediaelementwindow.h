#pragma once
// What the preview engine needs of a display window. The display windows live
// in the item-view library, which itself uses this library, so the engine
// talks to them through this interface and the window class implements it.

#include <QRect>

class IMediaElementWindow
{
public:
    virtual ~IMediaElementWindow() = default;

    // Letter-boxes the inner video view to width:height; ignored unless both
    // are at least 1.
    virtual void setVideoElementSize(int width, int height) = 0;
    // The inner video view's geometry in window coordinates (right and bottom
    // inclusive).
    virtual QRect getVideoElementRect() const = 0;

    // Called on the GUI thread; the pixels are valid for the call only.
    virtual void showImage(const unsigned char *data, unsigned width, unsigned height,
                           unsigned stride) = 0;
    virtual void showYUVImage(const unsigned char *const planes[3], unsigned width,
                              unsigned height, const unsigned strides[3]) = 0;

    virtual void setElementHidden(bool hidden) = 0;
};
