// The block queue between capture and recorder, and the byte ring buffer.
#include "recorder/qaudiobuffer.h"
#include "recorder/qaudioframebuffer.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

class AudioFrameBufferTest : public QObject
{
    Q_OBJECT
private slots:
    void queueKeepsOrderAndCopies()
    {
        QAudioFrameBuffer q;
        QCOMPARE(q.getCount(), 0);
        QVERIFY(q.getFirstFrame() == nullptr);
        q.popFrame();
        QCOMPARE(q.getCount(), 0);
        QCOMPARE(q.getDuration(), quint64(0));

        std::vector<unsigned char> bytes(8192);
        const quint64 stamps[] = {0, 23219, 46439};
        for (int i = 0; i < 3; ++i) {
            std::fill(bytes.begin(), bytes.end(), static_cast<unsigned char>(i + 1));
            AudioFrame f{bytes.data(), quint32(bytes.size()), stamps[i]};
            q.pushFrame(&f);
            if (i == 0)
                QCOMPARE(q.getDuration(), quint64(0));
        }
        QCOMPARE(q.getCount(), 3);
        QCOMPARE(q.getDuration(), quint64(46439));

        // The queue holds copies: changing the queued bytes leaves the caller's alone.
        AudioFrame *first = q.getFirstFrame();
        QVERIFY(first->data != bytes.data());
        QCOMPARE(first->data[0], static_cast<unsigned char>(1));
        QCOMPARE(first->size, quint32(8192));
        first->data[0] = 99;
        QCOMPARE(bytes[0], static_cast<unsigned char>(3));
        QCOMPARE(q.getFirstFrame()->data[0], static_cast<unsigned char>(99));

        q.popFrame();
        QCOMPARE(q.getFirstFrame()->timestamp, quint64(23219));
        QCOMPARE(q.getFirstFrame()->data[100], static_cast<unsigned char>(2));
        QCOMPARE(q.getDuration(), quint64(46439 - 23219));
        // Destroying the queue with frames in it frees them (checked by the sanitizer build).
    }

    void ringBufferWrapsAndOverwrites()
    {
        QAudioBuffer b(8);
        const char abc[] = "abcdef";
        QCOMPARE(b.writeBuffer(abc, 6), 6);
        char out[8] = {};
        QCOMPARE(b.readBuffer(out, 4), 4);
        QCOMPARE(QByteArray(out, 4), QByteArray("abcd"));
        QCOMPARE(b.writeBuffer("123456", 6), 6);   // wraps at the end of the array
        QCOMPARE(b.storedBytes(), 8);
        QCOMPARE(b.readBuffer(out, 8), 8);
        QCOMPARE(QByteArray(out, 8), QByteArray("ef123456"));
        // Overflow keeps the newest bytes.
        QCOMPARE(b.writeBuffer("ABCDEFGHIJ", 10), 10);
        QCOMPARE(b.storedBytes(), 8);
        QCOMPARE(b.readBuffer(out, 8), 8);
        QCOMPARE(QByteArray(out, 8), QByteArray("CDEFGHIJ"));
        // A short read is filled with zeros; skipping drops stored bytes.
        b.writeBuffer("xyz", 3);
        b.skipBuffer(1);
        QCOMPARE(b.readBuffer(out, 4), 4);
        QCOMPARE(QByteArray(out, 4), QByteArray("yz\0\0", 4));
        b.skipBuffer(100);
        QCOMPARE(b.storedBytes(), 0);

        // Skipping past what is stored drops the rest as it is written: the
        // reader's place in the stream is where it asked to be.
        QAudioBuffer late(8);
        late.writeBuffer("12", 2);
        late.skipBuffer(5);
        QCOMPARE(late.storedBytes(), 0);
        late.writeBuffer("34", 2);
        QCOMPARE(late.storedBytes(), 0);
        late.writeBuffer("5678", 4);
        QCOMPARE(late.storedBytes(), 3);
        QCOMPARE(late.readBuffer(out, 3), 3);
        QCOMPARE(QByteArray(out, 3), QByteArray("678"));
    }

    void waitingReaderGivesTheWriterTime()
    {
        // A bound no machine reaches: the read must end because the write came.
        QAudioBuffer b(64);
        b.setWait(true, std::chrono::minutes(5));
        std::atomic<bool> reading{false};
        char out[10] = {};
        std::thread reader([&] {
            reading = true;
            b.readBuffer(out, 10);
        });
        QTRY_VERIFY(reading);
        b.writeBuffer("01234", 5);
        b.writeBuffer("56789", 5);
        reader.join();
        QCOMPARE(QByteArray(out, 10), QByteArray("0123456789"));
        // Turning waiting off lets a waiting reader go at once, with zeros.
        {
            b.setWait(true, std::chrono::minutes(5));
            std::atomic<bool> waiting{false};
            char none[4] = {1, 1, 1, 1};
            std::thread late([&] {
                waiting = true;
                b.readBuffer(none, 4);
            });
            QTRY_VERIFY(waiting);
            b.setWait(false);
            late.join();
            QCOMPARE(QByteArray(none, 4), QByteArray(4, '\0'));
        }
        // Bounded, a read that finds too little gives up and fills with zeros.
        b.setWait(true, std::chrono::milliseconds(1));
        b.writeBuffer("ab", 2);
        QCOMPARE(b.readBuffer(out, 4), 4);
        QCOMPARE(QByteArray(out, 4), QByteArray("ab\0\0", 4));
        // Without waiting, it fills up with zeros at once.
        b.setWait(false);
        QCOMPARE(b.readBuffer(out, 10), 10);
        QCOMPARE(QByteArray(out, 10), QByteArray(10, '\0'));
    }
};

QTEST_GUILESS_MAIN(AudioFrameBufferTest)
#include "tst_audioframebuffer.moc"
