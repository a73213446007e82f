// The effect page on the shipped presets: what is chosen is what the preset
// file says, the user's gains are kept and reset, and the preview player
// plays them: +10 dB at 1 kHz is heard 10 dB louder.

#include "soundcapture.h"
#include "testsupport.h"

#include "common/qianyutil.h"
#include "banddrag.h"

#include "editor/qeffectform.h"
#include "media/jxplayermanager.h"
#include "media/qvideoeditingsettings.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/views/qjxlistview.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

struct PresetFile {
    QString name;
    QList<double> bands, gains;
    int rate = -1;
};

// The preset files read here, straight from the disk, in folder order.
QList<PresetFile> shippedPresets()
{
    QList<PresetFile> list;
    const QDir root(QIAnyUtil::getResourcePath() + "/AudioEffects");
    for (const QString &folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile f(root.filePath(folder + "/config.xml"));
        QDomDocument doc;
        if (!f.open(QIODevice::ReadOnly) || !doc.setContent(&f))
            continue;
        PresetFile p;
        p.name = doc.documentElement().attribute("Name");
        for (QDomElement b = doc.documentElement().firstChildElement("EQ").firstChildElement(); !b.isNull();
             b = b.nextSiblingElement()) {
            p.bands << b.attribute("hz").toDouble();
            p.gains << b.attribute("db").toDouble();
        }
        p.rate = doc.documentElement().firstChildElement("Rate").attribute("Value").toInt();
        list << p;
    }
    return list;
}

QList<double> storedGains(QVideoEditingSettings &hub)
{
    VEAudioSettings a;
    hub.getAudioSettings(a);
    QList<double> gains;
    for (int i = 0; i < a.count; ++i)
        gains << a.gains[i];
    return gains;
}


} // namespace

class TestEffectForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void presetsGoIntoTheRecordAsTheirFilesSay();
    void customedKeepsTheUsersGainsAndResetGoesBack();
    void pagingScrollsWithoutChoosing();
    void timesLongerThanAtLayoutStayWhole();
    void theEqualiserIsHeard();

private:
    double playLevel(double seconds);

    QTemporaryDir m_dir;
    QString m_tone;
    JXPlayerManager *m_manager = nullptr;
    QVideoEditingSettings *m_hub = nullptr;
    QEffectForm *m_form = nullptr;
};

void TestEffectForm::initTestCase()
{
    m_tone = m_dir.filePath("tone1k.wav");
    QVERIFY(TestSupport::writeToneWav(m_tone, 1000, 6.0, 44100, 2, 0.08));
}

void TestEffectForm::init()
{
    m_manager = new JXPlayerManager;
    QVERIFY(m_manager->setPlayFile(m_tone, 0, 0, 3));
    m_hub = new QVideoEditingSettings;
    m_hub->setPlayerManager(m_manager);
    m_form = new QEffectForm;
    m_form->resize(483, 258);
    m_form->SetEditSettings(m_hub);
    m_form->InitSelect();
    m_form->show();
}

void TestEffectForm::cleanup()
{
    delete m_form;
    delete m_hub;
    delete m_manager;
}

void TestEffectForm::presetsGoIntoTheRecordAsTheirFilesSay()
{
    const QList<PresetFile> files = shippedPresets();
    QVERIFY(files.size() >= 10);
    QSignalSpy effect(m_form, &QEffectForm::emitSetAudioEffect);
    for (int row = files.size() - 1; row >= 0; --row) {
        m_form->SetCurrentIndex(row);
        QCOMPARE(m_form->currentRow(), row);
        VEAudioSettings a;
        m_hub->getAudioSettings(a);
        QCOMPARE(a.effectIndex, row);
        QCOMPARE(a.count, files.at(row).bands.size());
        for (int i = 0; i < a.count; ++i) {
            QCOMPARE(a.bands[i], files.at(row).bands.at(i));
            QCOMPARE(a.gains[i], files.at(row).gains.at(i));
            QCOMPARE(m_form->bandGain(i), files.at(row).gains.at(i));
        }
        QCOMPARE(int(a.rate), files.at(row).rate);
        QCOMPARE(effect.last().at(0).toBool(), row > 0);
    }
    QVERIFY(!TestSupport::saveScreenshot(m_form, "editor_effect_page").isEmpty());
}

void TestEffectForm::customedKeepsTheUsersGainsAndResetGoesBack()
{
    const QList<PresetFile> files = shippedPresets();
    const int rock = 2;
    QCOMPARE(files.at(rock).name, QString("Rock"));
    m_form->SetCurrentIndex(rock);
    QJXBaseButton *reset = m_form->m_btnReset;
    QVERIFY(!reset->isEnabled());

    // Moving a band switches to "Customed", carrying Rock's gains over.
    dragBand(m_form->bandSlider(4), 18.0);
    QCOMPARE(m_form->currentRow(), m_form->customedIndex());
    QVERIFY(reset->isEnabled());
    QList<double> expected = files.at(rock).gains;
    expected[4] = 8.0;
    QCOMPARE(storedGains(*m_hub), expected);
    dragBand(m_form->bandSlider(0), 10.0); // half the range is 0 dB
    expected[0] = 0.0;
    QCOMPARE(storedGains(*m_hub), expected);
    VEAudioSettings a;
    m_hub->getAudioSettings(a);
    QCOMPARE(a.effectIndex, m_form->customedIndex());

    // Reset goes back to Rock as its file says.
    QTest::mouseClick(reset, Qt::LeftButton);
    QCOMPARE(m_form->currentRow(), rock);
    QCOMPARE(storedGains(*m_hub), files.at(rock).gains);
    QCOMPARE(m_form->bandGain(4), files.at(rock).gains.at(4));
    QVERIFY(!reset->isEnabled());
}

void TestEffectForm::pagingScrollsWithoutChoosing()
{
    QSignalSpy effect(m_form, &QEffectForm::emitSetAudioEffect);
    const int rows = int(shippedPresets().size());
    QTest::mouseClick(m_form->m_btnNextPage, Qt::LeftButton);
    QCOMPARE(m_form->page(), 1);
    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(m_form->m_btnNextPage, Qt::LeftButton);
    QCOMPARE(m_form->page(), (rows - 1) / 5);
    QTest::mouseClick(m_form->m_btnPrevPage, Qt::LeftButton);
    QCOMPARE(m_form->page(), (rows - 1) / 5 - 1);
    QCOMPARE(effect.count(), 0);
    QCOMPARE(m_form->currentRow(), 0);
}

void TestEffectForm::timesLongerThanAtLayoutStayWhole()
{
    // Laid out with the short times; the file's read gives the long ones later.
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    m_form->OnSetPlayTime(QStringLiteral("00:00:00 / 00:00:00"));
    const int right = m_form->m_lblTime->geometry().right();
    m_form->OnSetPlayTime(QStringLiteral("00:00:00.000 / 00:00:01.044"));
    const QRect label = m_form->m_lblTime->geometry();
    QCOMPARE(label.right(), right);
    QVERIFY(label.width() >= m_form->m_lblTime->fontMetrics().horizontalAdvance(m_form->m_lblTime->text()));
    QVERIFY2(m_form->rect().contains(label),
             qPrintable(QString("%1 %2").arg(label.right()).arg(m_form->width())));
}

double TestEffectForm::playLevel(double seconds)
{
    SoundCapture capture;
    if (!capture.start())
        return -300;
    // Play the six-second tone from 0.6 s until `seconds` more have been played.
    double played = 0;
    const QMetaObject::Connection progress = connect(m_manager, &JXPlayerManager::emitPlayProgress, this,
                                                     [&played](double fraction) { played = fraction; });
    m_manager->progressValueChange(0.1);
    m_manager->onPlay();
    const bool reached = QTest::qWaitFor([&] { return played >= 0.1 + seconds / 6.0; }, 15000);
    disconnect(progress);
    m_manager->onPause();
    // The player's clock counts what the server played; on a starved machine
    // the capture gets it later: the sound's end is waited for.
    const bool ended = capture.waitForSilenceAfterSound();
    const QVector<float> sound = capture.stop();
    if (!reached || !ended)
        return -300;
    // The steady middle of what was heard, wherever in the capture it began.
    const SoundLevel::Heard h = SoundLevel::heard(sound);
    return SoundLevel::rmsDb(SoundLevel::slice(sound, h.from + 0.4, h.to - 0.2));
}

void TestEffectForm::theEqualiserIsHeard()
{
    m_form->SetCurrentIndex(0);
    const double flat = playLevel(1.6);
    // +10 dB in the 1 kHz band only.
    dragBand(m_form->bandSlider(4), 20.0);
    QCOMPARE(storedGains(*m_hub).at(4), 10.0);
    const double boosted = playLevel(1.6);
    qInfo("1 kHz tone: flat %.2f dB, boosted %.2f dB", flat, boosted);
    QVERIFY2(flat > -40, qPrintable(QString::number(flat)));
    QVERIFY2(std::fabs(boosted - flat - 10.0) < 1.5, qPrintable(QString::number(boosted - flat)));
}

QTEST_MAIN(TestEffectForm)
#include "tst_effectform.moc"
