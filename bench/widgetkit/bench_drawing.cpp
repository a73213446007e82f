// Cost of the drawing that runs in every paint: a nine-piece button frame,
// a strip frame copy, and a whole window background with its nine pieces.
//   bench_widgetkit_drawing [iterations]

#include "widgetkit/qbaseimagedraw.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxdialog.h"

#include "bench/benchmeasure.h"

#include <QApplication>
#include <QPainter>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;

    QImage strip(480, 48, QImage::Format_ARGB32_Premultiplied);
    strip.fill(QColor(80, 80, 80));
    strip.setDevicePixelRatio(2);
    QImage frame = QBaseImageDraw::stripFrame(strip, 1);
    QImage target(200, 40, QImage::Format_ARGB32_Premultiplied);

    measure("nine-piece 60x24 frame into 200x40", n, [&] {
        QPainter p(&target);
        QBaseImageDraw::drawBtnImageBg(p, QRect(0, 0, 200, 40), frame, true);
    });
    measure("strip frame copy (120x48 px)", n, [&] { frame = QBaseImageDraw::stripFrame(strip, 2); });

    QJXBaseButton button;
    button.setButtonImage(strip, true);
    button.resize(90, 26);
    button.setText(QStringLiteral("Cancel"));
    QImage buttonTarget(90, 26, QImage::Format_ARGB32_Premultiplied);
    measure("button paint with text (90x26)", n, [&] { button.render(&buttonTarget); });

    QImage bg(480, 480, QImage::Format_ARGB32_Premultiplied);
    bg.fill(QColor(44, 44, 44));
    QJXDialog dialog;
    dialog.setBackgroundImage(bg, true);
    dialog.resize(640, 420);
    QImage windowTarget(640, 420, QImage::Format_ARGB32_Premultiplied);
    measure("window background paint (640x420)", std::max(1, n / 10), [&] { dialog.render(&windowTarget); });
    return 0;
}
