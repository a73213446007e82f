#pragma once
// Copies of decoded frames waiting to be drawn, filled from any thread and
// emptied on the GUI thread. At most nine frames wait; a further frame with
// pixels is refused (an empty frame, which clears the picture, never is).

#include <QMutex>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

struct QJXVideoFrame
{
    enum Kind { Packed, Planar };
    Kind kind = Packed;
    bool empty = true;
    int width = 0;
    int height = 0;
    // Packed: plane 0, four bytes per pixel in blue-green-red-alpha order.
    // Planar: Y, U and V, the chroma planes at half height.
    std::vector<uint8_t> planes[3];
    int strides[3] = {0, 0, 0};
    int rows() const { return (height + 1) / 2 * 2; }
};

class QJXVideoFrameQueue
{
public:
    static constexpr int kMaxPending = 9;

    // Copy the caller's pixels; false when the frame was refused.
    bool pushPacked(const unsigned char *data, unsigned width, unsigned height, unsigned stride);
    bool pushPlanar(const unsigned char *const planes[3], int width, int height,
                    const int strides[3]);

    // Oldest frame, or null when none waits; it stays pending until done().
    std::unique_ptr<QJXVideoFrame> takeOldest();
    void done();
    int pending() const;
    // Frees every queued frame and forgets the pending count.
    void clear();

private:
    bool reserve(bool hasPixels);
    void append(std::unique_ptr<QJXVideoFrame> frame);

    mutable QMutex m_mutex;
    int m_pending = 0;
    std::deque<std::unique_ptr<QJXVideoFrame>> m_frames;
};
