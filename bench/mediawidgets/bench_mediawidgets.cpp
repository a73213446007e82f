// Costs of the media widgets per delivered block or frame: reducing a 50 ms
// wave block, painting the waveform, and queueing decoded frames of common
// sizes (the copy made on the player's thread). Prints microseconds.
// Run with QT_QPA_PLATFORM=offscreen.

#include "widgetkit/views/qaudiowavewidget.h"
#include "widgetkit/views/qjxvideoframequeue.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

std::vector<unsigned char> toneBlock(int samples)
{
    std::vector<unsigned char> block(size_t(44 + 2 * samples), 0);
    const uint32_t bytes = uint32_t(2 * samples);
    for (int k = 0; k < 4; ++k)
        block[size_t(40 + k)] = uchar(bytes >> (8 * k));
    for (int i = 0; i < samples; ++i) {
        const auto v = uint16_t(32768 + 16000 * std::sin(2 * M_PI * 440 * i / 44100.0));
        block[size_t(44 + 2 * i)] = uchar(v);
        block[size_t(45 + 2 * i)] = uchar(v >> 8);
    }
    return block;
}

double perCall(int rounds, const std::function<void()> &fn)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        fn();
    return double(t.nsecsElapsed()) / 1000.0 / rounds;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    AudioDataAttribute a;
    a.drawMode = 1;
    a.barWidth = 2;
    a.barSpacing = 6;
    a.cellHeight = 1;
    a.cellSpacing = 1;
    a.barColor = QColor(255, 132, 65);
    QAudioWaveWidget wave(nullptr, &a);
    wave.resize(390, 80);
    wave.show();
    std::vector<unsigned char> block = toneBlock(2205);

    const double reduce = perCall(20000, [&] { wave.setAudioData(block.data(), 22050); });
    QImage target(390, 80, QImage::Format_ARGB32_Premultiplied);
    const double paint = perCall(2000, [&] {
        wave.setAudioData(block.data(), 22050);
        target.fill(Qt::transparent);
        wave.render(&target);
    });
    std::printf("wave block of 2205 samples into %d bars: %.2f us\n", wave.barCount(), reduce);
    std::printf("wave block reduced and painted at 390x80: %.1f us\n", paint);

    struct Size { int w, h; };
    for (Size s : {Size{640, 360}, Size{1280, 720}, Size{1920, 1080}}) {
        const int strides[3] = {s.w, s.w / 2, s.w / 2};
        std::vector<unsigned char> y(size_t(s.w) * s.h, 90), u(size_t(s.w / 2) * s.h / 2, 100),
            v(size_t(s.w / 2) * s.h / 2, 150);
        const unsigned char *planes[3] = {y.data(), u.data(), v.data()};
        std::vector<unsigned char> bgra(size_t(s.w) * 4 * s.h, 77);
        QJXVideoFrameQueue queue;
        const double planar = perCall(300, [&] {
            queue.pushPlanar(planes, s.w, s.h, strides);
            queue.takeOldest();
            queue.done();
        });
        const double packed = perCall(300, [&] {
            queue.pushPacked(bgra.data(), unsigned(s.w), unsigned(s.h), unsigned(s.w * 4));
            queue.takeOldest();
            queue.done();
        });
        std::printf("frame %dx%d queued: planar %.0f us, packed %.0f us\n", s.w, s.h, planar,
                    packed);
    }
    return 0;
}
