#include "controls/qrecordingwidget.h"
#include "ui_qrecordingwidget.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "controls/controlslog.h"
#include "controls/qvolumewidget.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxbaseslider.h"
#include "widgetkit/views/qaudiowavewidget.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTimer>
#include <QtEndian>

#include <climits>

namespace {

const char *const kLcdFamily = "LcdD";
constexpr int kSilenceTickMs = 200;

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The seven-segment font is known to the program as "LcdD", whatever family
// name the font file carries.
void loadLcdFont()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    const int id = QFontDatabase::addApplicationFont(QIAnyUtil::getResourcePath()
                                                     + QStringLiteral("/Font/LCDFont.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        qCWarning(lcControls, "recording panel: the LCD font could not be loaded");
        return;
    }
    if (families.first() != QLatin1String(kLcdFamily))
        QFont::insertSubstitution(QLatin1String(kLcdFamily), families.first());
}

} // namespace

QRecordingWidget::QRecordingWidget(QWidget *parent)
    : QJXWidget(parent, DlgPane)
    , ui(new Ui::QRecordingWidget)
{
    ui->setupUi(this);
    InitCtrl();
    setBackgroundImage(QIAnyUtil::getResourcePath() + QStringLiteral("/image/common/bg_gradual.png"),
                       false);
}

QRecordingWidget::~QRecordingWidget()
{
    delete m_waveWidget;
    m_waveWidget = nullptr;
    if (m_timerSilence->isActive())
        m_timerSilence->stop();
    delete m_timerSilence;
    delete m_volumeWidget;
    delete ui;
}

void QRecordingWidget::InitCtrl()
{
    const QString res = QIAnyUtil::getResourcePath();
    loadLcdFont();

    QInitCtrlStyle::InitFont(ui->m_lblRecordTime, 24);
    ui->m_lblRecordTime->adjustSize();
    QFont lcd = ui->m_lblRecordTime->font();
    lcd.setFamily(QLatin1String(kLcdFamily));
    ui->m_lblRecordTime->setFont(lcd);
    QInitCtrlStyle::InitPalette(ui->m_lblRecordTime, QPalette::WindowText, QColor(255, 132, 65));

    m_volumeImage = QStringLiteral("/image/BottomWidget/btn_volume_little.png");
    ui->m_btnVolume->setButtonImage(res + m_volumeImage, true);
    ui->m_btnVolume->setToolTip(tr("Volume"));
    connect(ui->m_btnVolume, &QJXBaseButton::clicked, this, &QRecordingWidget::OnBtnVolume);

    m_volumeWidget = new QVolumeWidget(nullptr);
    m_volumeWidget->resize(16, 64);
    m_volumeWidget->hide();
    m_volumeSlider = m_volumeWidget->GetSlider();
    m_volumeSlider->setMaximum(100.0);
    connect(m_volumeSlider, &QJXBaseSlider::sendProgressValue, this,
            &QRecordingWidget::OnVolumeChange);

    AudioDataAttribute attribute = waveLineAttribute();
    m_waveWidget = new QAudioWaveWidget(this, &attribute);
    m_waveWidget->hide();
    m_waveWidget->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_timerSilence = new QTimer;
    connect(m_timerSilence, &QTimer::timeout, this, &QRecordingWidget::OnCheckSilence);

    m_dtSilenceStart = QDateTime::fromString(QStringLiteral("00000000000000"),
                                             QStringLiteral("yyyyMMddHHmmss"));
}

void QRecordingWidget::resetControlLocation()
{
    const int W = width();
    const int H = height();
    QLabel *label = ui->m_lblRecordTime;
    label->setGeometry(10, H / 4, int(2.5 * (H / 2)), H / 2);
    fitTimeFont();
    QJXBaseButton *button = ui->m_btnVolume;
    button->move(W - button->width() - 10, (H - button->height()) / 2);
    if (m_waveWidget)
        m_waveWidget->setGeometry(QRect(QPoint(label->geometry().right(), 0),
                                        QPoint(button->x() - 21, H - 1)));
}

// The seven-segment face is wider than the label's 24-pixel size allows at
// small heights: the largest size from 24 down to 9 at which a full time
// fits, else 8. Each size measured loads a face of its own, so the search
// starts where the advance at 24 scales to and steps from there.
void QRecordingWidget::fitTimeFont()
{
    QLabel *label = ui->m_lblRecordTime;
    QFont font = label->font();
    const QString full = QStringLiteral("00:00:00");
    const auto advanceAt = [&font, &full](int size) {
        font.setPixelSize(size);
        return QFontMetrics(font).horizontalAdvance(full);
    };
    constexpr int kLargest = 24;
    constexpr int kSmallest = 8;
    const int room = label->width();
    int size = kLargest;
    const int atLargest = advanceAt(kLargest);
    if (atLargest > room) {
        size = qBound(kSmallest, kLargest * room / qMax(1, atLargest), kLargest - 1);
        while (size < kLargest - 1 && advanceAt(size + 1) <= room)
            ++size;
        while (size > kSmallest && advanceAt(size) > room)
            --size;
    }
    font.setPixelSize(size);
    if (label->font().pixelSize() != size)
        label->setFont(font);
}

void QRecordingWidget::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void QRecordingWidget::restartSilenceClock()
{
    m_bLastSilent = true;
    m_dtSilenceStart = QDateTime();
    m_heardSinceCheck = false;
    m_lastCheck = QDateTime();
}

void QRecordingWidget::SetRecordState(bool recording)
{
    if (m_waveWidget)
        m_waveWidget->setVisible(recording);
    ui->m_lblRecordTime->setText(QStringLiteral("00:00:00"));
    m_shownSecond = 0;
    // Silence of the previous recording must not count against this one:
    // otherwise a recording started after a long silence is split at once.
    restartSilenceClock();
    if (recording)
        m_timerSilence->start(kSilenceTickMs);
    else
        m_timerSilence->stop();
    m_bAlwaysSilent = true;
}

void QRecordingWidget::OnSetRecordTime(uint64_t time)
{
    const qint64 ms = qint64(double(time) / 1000.0);
    if (ms / 1000 == m_shownSecond)
        return;
    m_shownSecond = ms / 1000;
    ui->m_lblRecordTime->setText(QStringLiteral("%1:%2:%3")
                                     .arg(twoDigits(ms / 3600000))
                                     .arg(twoDigits((ms / 60000) % 60))
                                     .arg(twoDigits((ms / 1000) % 60)));
}

void QRecordingWidget::OnSetAudioData(unsigned char *samples, int sps)
{
    if (!m_waveWidget)
        return;
    bool silent = m_waveWidget->setAudioData(samples, sps);
    // A display that was never laid out has no bars and calls everything
    // silent; the decision must not depend on whether the pane is on screen.
    if (samples && m_waveWidget->barCount() < 1) {
        const quint32 bytes = qFromLittleEndian<quint32>(samples + 40);
        unsigned int level = 0;
        silent = TransData(reinterpret_cast<unsigned short *>(samples + 44), int(qMin<quint32>(bytes / 2, INT_MAX)),
                           &level, 1, 0, true);
    }
    m_bLastSilent = silent;
    if (samples)
        m_heardSinceCheck = true;
    if (!silent && m_bAlwaysSilent) {
        m_bAlwaysSilent = false;
        emit emitIsRecordingAlwaysSilence(false);
    }
}

void QRecordingWidget::OnCheckSilence()
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    const bool heard = m_heardSinceCheck;
    m_heardSinceCheck = false;
    const QDateTime lastCheck = m_lastCheck;
    m_lastCheck = now;
    if (!m_bLastSilent) {
        m_dtSilenceStart = QDateTime();
        return;
    }
    if (!m_dtSilenceStart.isValid()) {
        m_dtSilenceStart = now;
        return;
    }
    // No sound came since the last check: that time is not silence heard,
    // and the silence goes on from where it was.
    if (!heard && lastCheck.isValid()) {
        m_dtSilenceStart = m_dtSilenceStart.addMSecs(lastCheck.msecsTo(now));
        return;
    }
    const qint64 elapsed = m_dtSilenceStart.msecsTo(now);
    const QString group = QStringLiteral("Split_Recording");
    const QString split = QVideoSettingXml::GetItemValue(
        group, QStringLiteral("Split_According_To_Silence"), QStringLiteral("N"));
    bool ok = false;
    qint64 limit = QVideoSettingXml::GetItemValue(group, QStringLiteral("Silence_More_Than"),
                                                  QStringLiteral("0"))
                       .toLongLong(&ok, 10);
    if (!ok)
        limit = 0;
    if (elapsed > limit && limit >= 1 && split == QLatin1String("Y")) {
        m_dtSilenceStart = now;
        emit emitSplitSilence();
    }
}

void QRecordingWidget::OnBtnVolume()
{
    const QPoint local = QVolumeWidget::popupPosition(ui->m_btnVolume->geometry(),
                                                      m_volumeWidget->size());
    m_volumeWidget->move(mapToGlobal(local));
    m_volumeWidget->show();
    m_volumeWidget->activateWindow();
    m_volumeWidget->setFocus(Qt::OtherFocusReason);
}

void QRecordingWidget::OnVolumeChange(double dVal)
{
    ChangeBtnVolImage(dVal);
    emit emitVolumeChange(dVal);
}

void QRecordingWidget::OnSetVolume(int nValue)
{
    if (!m_volumeSlider)
        return;
    const double range = m_volumeSlider->maximum() - m_volumeSlider->minimum();
    ChangeBtnVolImage(range > 0.0 ? nValue / range : 0.0);
    // Set from code: the slider does not report it, so nothing goes back.
    m_volumeSlider->setValue(double(nValue));
}

void QRecordingWidget::ChangeBtnVolImage(double fraction)
{
    if (!m_volumeSlider)
        return;
    m_volumeImage = QVolumeWidget::buttonImageFor(fraction);
    ui->m_btnVolume->setButtonImage(QIAnyUtil::getResourcePath() + m_volumeImage, true);
    ui->m_btnVolume->repaint();
}

void QRecordingWidget::ChangeBtnVolImage(int value)
{
    if (!m_volumeSlider)
        return;
    const double range = m_volumeSlider->maximum() - m_volumeSlider->minimum();
    ChangeBtnVolImage(range > 0.0 ? value / range : 0.0);
}
