// A live display for the recording benchmark's peer pipeline: passes 16-bit
// stereo sound from its standard input to its standard output unchanged and
// draws its waveform in a window 20 times a second, as the program's
// recording pane does:
//   parec ... | bench_livewave | lame ...
// It ends when its input does.

#include <QApplication>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kFramesPerSecond = 20;
constexpr int kColumns = 200; // ten seconds on screen

class Wave : public QWidget
{
public:
    Wave()
        : m_columns(kColumns, 0)
    {
        setWindowTitle(QStringLiteral("live wave"));
        resize(kColumns * 3, 120);
        fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(input, &QSocketNotifier::activated, this, [this] { pass(); });
        auto *frame = new QTimer(this);
        connect(frame, &QTimer::timeout, this, [this] {
            std::rotate(m_columns.begin(), m_columns.begin() + 1, m_columns.end());
            m_columns.back() = m_peak;
            m_peak = 0;
            update();
        });
        frame->start(1000 / kFramesPerSecond);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(24, 26, 32));
        painter.setPen(QColor(90, 200, 140));
        const int middle = height() / 2;
        const double step = double(width()) / kColumns;
        for (int i = 0; i < kColumns; ++i) {
            const int half = int(m_columns[size_t(i)] / 32768.0 * middle);
            const int x = int(i * step);
            painter.drawLine(x, middle - half, x, middle + half);
        }
    }

private:
    void pass()
    {
        const ssize_t n = read(STDIN_FILENO, m_buffer.data(), m_buffer.size());
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            QApplication::quit();
            return;
        }
        if (n < 0)
            return;
        // Whole samples only feed the peak; every byte goes on.
        const size_t samples = size_t(n) / 2;
        for (size_t i = 0; i < samples; ++i) {
            int16_t v;
            std::memcpy(&v, m_buffer.data() + 2 * i, 2);
            m_peak = std::max(m_peak, std::abs(int(v)));
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(STDOUT_FILENO, m_buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                QApplication::quit();
                return;
            }
            done += w;
        }
    }

    std::vector<char> m_buffer = std::vector<char>(64 * 1024);
    std::vector<int> m_columns;
    int m_peak = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    // Raster, as the program's windows.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    Wave wave;
    wave.show();
    return app.exec();
}
