// The player's playback stream on the private sound server: a drain still
// pending when the stream is closed and freed must never call back into it
// (run under the sanitizers, a late answer is a use after free).
#include "platform/audio/pulsecontext.h"
#include "platform/audio/pulseoutputstream.h"
#include "testsupport.h"

#include <QtTest>

#include <memory>
#include <string>

class OutputStreamTest : public QObject
{
    Q_OBJECT
private:
    static bool openWithTone(PulseOutputStream &stream, double seconds)
    {
        std::string error;
        if (!stream.open(std::string(), 44100, 2, false, &error)) {
            qWarning() << QString::fromStdString(error);
            return false;
        }
        const QVector<float> tone = TestSupport::sineTone(440, seconds);
        const size_t frames = size_t(tone.size() / 2);
        return stream.write(tone.constData(), frames) == frames;
    }

private slots:
    void closingDuringDrainLeavesNoCallback()
    {
        PulseContext ctx;
        QVERIFY2(ctx.connectToServer(), qPrintable(ctx.errorString()));
        // Closed and freed while the drain waits for its answer; the server
        // answers a drain of a removed stream before it confirms the removal.
        for (int round = 0; round < 40; ++round) {
            auto stream = std::make_unique<PulseOutputStream>(&ctx);
            QVERIFY(openWithTone(*stream, 0.05));
            stream->beginDrain();
            QVERIFY(!stream->isDrained());
            stream.reset();
        }
        // Reopening one object over and over must not carry an old drain over.
        PulseOutputStream reused(&ctx);
        for (int round = 0; round < 10; ++round) {
            QVERIFY(openWithTone(reused, 0.05));
            reused.beginDrain();
        }
        reused.close();

        // A last stream drained to its end: every earlier answer has arrived by then.
        PulseOutputStream last(&ctx);
        QVERIFY(openWithTone(last, 0.05));
        last.beginDrain();
        QTRY_VERIFY_WITH_TIMEOUT(last.isDrained(), 5000);
        QVERIFY(!last.hasFailed());
        QVERIFY(ctx.isConnected());
    }
};

QTEST_GUILESS_MAIN(OutputStreamTest)
#include "tst_outputstream.moc"
