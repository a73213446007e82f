// The edit record: defaults, deep copies and its travel through queued signals.

#include "media/veeditconfig.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <memory>

class Emitter : public QObject
{
    Q_OBJECT
signals:
    void emitConfig(VEEditConfig config, bool flag);
    void emitTags(VEAudioTagInfo tags, QString path);
};

class Receiver : public QObject
{
    Q_OBJECT
public slots:
    void onConfig(VEEditConfig config, bool flag)
    {
        received = config;
        receivedFlag = flag;
        thread = QThread::currentThread();
        emit done();
    }
signals:
    void done();

public:
    VEEditConfig received;
    bool receivedFlag = false;
    QThread *thread = nullptr;
};

class TestEditRecord : public QObject
{
    Q_OBJECT
private slots:
    void newRecordHasDefaults();
    void equaliserIsCopiedDeeply();
    void coverWithZeroBytesSurvivesCopies();
    void selfAssignmentKeepsEverything();
    void resetKeepsItemLists();
    void coverBytesNeverPassTheStoredLength();
    void recordTravelsThroughQueuedSignal();
};

void TestEditRecord::newRecordHasDefaults()
{
    VEEditConfig c;
    QCOMPARE(c.audioSettings.volume, 100u);
    QCOMPARE(c.audioSettings.speed, 100u);
    QCOMPARE(c.audioSettings.rate, 100u);
    QVERIFY(c.audioSettings.bands == nullptr);
    QVERIFY(c.audioSettings.gains == nullptr);
    QCOMPARE(c.audioSettings.count, 0);
    QCOMPARE(c.endTime, 0ull);
    QCOMPARE(c.programValueInfo.subtlType, -1);
    QVERIFY(c.audioTagInfo == VEAudioTagInfo());
    for (const VEWatermarkSettings *w : {&c.watermark, &c.videoEffectWatermark, &c.frameWatermark}) {
        QCOMPARE(w->textSize, 28u);
        QCOMPARE(w->textColor, 0xFFFFFFFFu);
        QCOMPARE(w->textShadowColor, 0x80000000u);
        QCOMPARE(w->textOutlineColor, 0xFF000000u);
    }
    QCOMPARE(c.videoEffectWatermark.imageMixMode, 1u);
    QCOMPARE(c.videoEffectWatermark.imageWidth, 1.0);
    QCOMPARE(c.frameWatermark.imageMixMode, 0u);
    QCOMPARE(c.frameWatermark.imageHeight, 1.0);
    QCOMPARE(c.watermark.imageWidth, 0.0);
    QCOMPARE(c.cropSettings.pad, 1u);
    QCOMPARE(c.cropSettings.cropRight, 1.0);
    QCOMPARE(c.videoEffect.saturation, 100);
    QCOMPARE(c.subtitleSettings.textSize, 18u);
    QCOMPARE(c.subtitleSettings.marginV, 0.05);
    QCOMPARE(c.audioBackground.weight, 50u);
}

void TestEditRecord::equaliserIsCopiedDeeply()
{
    auto source = std::make_unique<VEEditConfig>();
    double bands[10], gains[10];
    for (int i = 0; i < 10; ++i) {
        bands[i] = 31.25 * (1 << i);
        gains[i] = i - 4.5;
    }
    source->audioSettings.set(bands, gains, 10);

    VEEditConfig copy(*source);
    VEEditConfig assigned;
    assigned = *source;
    QVERIFY(copy.audioSettings.bands != source->audioSettings.bands);
    QVERIFY(assigned.audioSettings.gains != source->audioSettings.gains);
    source.reset(); // frees the source's arrays

    for (const VEEditConfig *c : {&copy, &assigned}) {
        QCOMPARE(c->audioSettings.count, 10);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(c->audioSettings.bands[i], bands[i]);
            QCOMPARE(c->audioSettings.gains[i], gains[i]);
        }
    }
    // Assigning a record without an equaliser frees the target's arrays.
    assigned = VEEditConfig();
    QVERIFY(assigned.audioSettings.bands == nullptr);
    QCOMPARE(assigned.audioSettings.count, 0);
}

void TestEditRecord::coverWithZeroBytesSurvivesCopies()
{
    VEEditConfig c;
    const std::string picture("\x89PNG\0\0\x01\x02\0end", 11);
    c.audioTagInfo.cover_image = picture;
    c.audioTagInfo.coverSize = int(picture.size());
    EVSubtitleTrack track;
    track.extraData = {0, 1, 0, 2};
    track.selected = true;
    c.subtitleTrackList.append(track);

    VEEditConfig copy = c;
    c.subtitleTrackList.first().extraData[1] = 9;
    QCOMPARE(copy.audioTagInfo.cover_image.size(), size_t(11));
    QVERIFY(copy.audioTagInfo.cover_image == picture);
    QCOMPARE(copy.subtitleTrackList.first().extraData, (std::vector<uint8_t>{0, 1, 0, 2}));
}

void TestEditRecord::selfAssignmentKeepsEverything()
{
    VEEditConfig c;
    double v[3] = {1, 2, 3};
    c.audioSettings.set(v, v, 3);
    c.audioTagInfo.title = "Ünïcødé 標題";
    c.m_fileFormat = "mov";
    VEEditConfig &alias = c;
    c = alias;
    QCOMPARE(c.audioSettings.count, 3);
    QCOMPARE(c.audioSettings.gains[2], 3.0);
    QCOMPARE(QString::fromStdString(c.audioTagInfo.title), QStringLiteral("Ünïcødé 標題"));
    QCOMPARE(c.m_fileFormat, QStringLiteral("mov"));
}

void TestEditRecord::resetKeepsItemLists()
{
    VEEditConfig c;
    c.subltItemList.append(VESubltItemInfo{"a", "b"});
    c.audioList << "x";
    c.audioTrackList.append(VEAudioTrack());
    c.startTime = 5;
    double v[1] = {1};
    c.audioSettings.set(v, v, 1);
    c.reset();
    QCOMPARE(c.subltItemList.size(), 1);
    QCOMPARE(c.audioList.size(), 1);
    QVERIFY(c.audioTrackList.isEmpty());
    QCOMPARE(c.startTime, 0ull);
    QVERIFY(c.audioSettings.bands == nullptr);
}

void TestEditRecord::coverBytesNeverPassTheStoredLength()
{
    VEAudioTagInfo t;
    t.cover_image = "abc";
    t.coverSize = 1000; // claims more than it holds
    QCOMPARE(t.coverBytes(), std::string("abc"));
    t.coverSize = 2;
    QCOMPARE(t.coverBytes(), std::string("ab"));
    t.coverSize = -5;
    QVERIFY(t.coverBytes().empty());
}

void TestEditRecord::recordTravelsThroughQueuedSignal()
{
    QVERIFY(QMetaType::type("VEEditConfig") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("VEAudioTagInfo") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("VECropSettings") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("VEWatermarkSettings") != QMetaType::UnknownType);

    QThread worker;
    Receiver receiver;
    receiver.moveToThread(&worker);
    worker.start();
    Emitter emitter;
    connect(&emitter, SIGNAL(emitConfig(VEEditConfig, bool)), &receiver,
            SLOT(onConfig(VEEditConfig, bool)), Qt::QueuedConnection);
    QSignalSpy done(&receiver, &Receiver::done);

    {
        VEEditConfig c;
        double v[2] = {100, 1000};
        c.audioSettings.set(v, v, 2);
        c.audioTagInfo.artist = "Артист";
        c.watermark.text = "mark";
        emit emitter.emitConfig(c, true);
    } // the sent record is gone before the receiver runs
    // The receiver may answer before a wait would start: poll the count.
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    worker.quit();
    worker.wait();
    QCOMPARE(receiver.thread, &worker);
    QVERIFY(receiver.receivedFlag);
    QCOMPARE(receiver.received.audioSettings.count, 2);
    QCOMPARE(receiver.received.audioSettings.bands[1], 1000.0);
    QCOMPARE(QString::fromStdString(receiver.received.audioTagInfo.artist), QStringLiteral("Артист"));
    QCOMPARE(receiver.received.watermark.text, std::string("mark"));
}

QTEST_GUILESS_MAIN(TestEditRecord)
#include "tst_editrecord.moc"
