#pragma once
// A virtual X display of one test alone (Xvfb), which the test may take
// away, as a log-out does, to see what a program on it does then; X tools
// run on it, and its screen is grabbed with the ffmpeg tool.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTest>

namespace TestSupport {

class OwnDisplay
{
public:
    OwnDisplay()
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
        // It names its display on the descriptor given once it is ready; a
        // busy machine can take more than ten seconds to get it there.
        QByteArray said;
        if (m_server.waitForStarted(30000)
            && QTest::qWaitFor(
                [&] {
                    m_server.waitForReadyRead(50);
                    said += m_server.readAllStandardOutput();
                    return said.contains('\n') || m_server.state() == QProcess::NotRunning;
                },
                30000)
            && said.contains('\n'))
            m_name = QLatin1Char(':') + QString::fromLatin1(said.trimmed());
    }
    ~OwnDisplay() { goAway(); }
    OwnDisplay(const OwnDisplay &) = delete;
    OwnDisplay &operator=(const OwnDisplay &) = delete;

    // ":<n>", or empty when the server did not start.
    QString name() const { return m_name; }
    void goAway()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    // The environment of a Qt program shown on this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_name);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }
    // An X tool run on this display; its standard output, or a null array when it failed.
    QByteArray run(const QString &tool, const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(tool, args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return QByteArray();
        const QByteArray out = p.readAllStandardOutput();
        return out.isNull() ? QByteArray("") : out;
    }
    // The screen's pixels in rect as RGB bytes; writes them to png too when named.
    QByteArray grab(const QRect &rect, const QString &png = QString()) const
    {
        const QString input = m_name + QStringLiteral("+%1,%2").arg(rect.x()).arg(rect.y());
        const QString size = QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height());
        if (!png.isEmpty())
            run(QStringLiteral("ffmpeg"), {"-v", "error", "-f", "x11grab", "-video_size", size, "-i", input,
                                           "-frames:v", "1", "-y", png});
        return run(QStringLiteral("ffmpeg"),
                   {"-v", "error", "-f", "x11grab", "-video_size", size, "-i", input, "-frames:v", "1", "-f",
                    "rawvideo", "-pix_fmt", "rgb24", "pipe:1"});
    }

private:
    QProcess m_server;
    QString m_name;
};

} // namespace TestSupport
