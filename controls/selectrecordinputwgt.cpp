#include "controls/selectrecordinputwgt.h"
#include "ui_selectrecordinputwgt.h"

#include "common/jxcommoninterface.h"
#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "controls/controlslog.h"
#include "recorder/macaudiodevice.h"
#include "platform/audio/loopbackdevice.h"
#include "recorder/qaudiodriverinstaller.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbaseprogress.h"
#include "widgetkit/qjxmenu.h"

#include <QAction>
#include <QCursor>
#include <QTimer>
#include <QTimerEvent>

namespace {

const char *const kVirtualDevice = "RZAudio Device";
const char *const kSettingsGroup = "XML_AUDIO_RECORD_TYPE";
const char *const kSystemKey = "BOOL_SYSTEM_AUDIO_";
const char *const kMicKey = "BOOL_MIC_AUDIO_";
constexpr int kRefreshMs = 200;
constexpr int kMeterMs = 20;
constexpr int kSystemSound = QRecordAreaInfo::SystemSound;
constexpr int kMicrophone = QRecordAreaInfo::Microphone;

QRecordAreaInfo *options()
{
    return QRecordAreaInfo::getAreaInfo();
}

QString resource(const QString &relative)
{
    return QIAnyUtil::getResourcePath() + relative;
}

// Names are matched case-sensitively: only the exact name is the virtual
// device, and anything carrying its name is never a microphone or a real output.
bool isVirtualName(const char *name)
{
    return name && qstrcmp(name, kVirtualDevice) == 0;
}

bool carriesVirtualName(const char *name)
{
    return name && QByteArray(name).contains(kVirtualDevice);
}

} // namespace

SelectRecordInputWgt::SelectRecordInputWgt(QWidget *parent)
    : QJXWidget(parent, DlgPane)
    , ui(new Ui::SelectRecordInputWgt)
{
    setStretchPolicy(StretchNone);
    ui->setupUi(this);
    InitBtn();
    InitCtrl();
    m_pAudioDevice = new MacAudioDevice;
    getOldOutputDevice();
    installAudioDevice();
    InitVirtualDevice();
    InitMicDevice();
    InitDeviceMenu();
    setBackgrounColor(QColor(50, 50, 50));
    resize(ui->m_btnDevice->size());
    m_timerRefresh = new QTimer;
    connect(m_timerRefresh, &QTimer::timeout, this, &SelectRecordInputWgt::RefreshRecDevTimer);
    m_timerRefresh->start(kRefreshMs);
    retranslateUi();
}

SelectRecordInputWgt::~SelectRecordInputWgt()
{
    saveChange();
    setOldOutPutDevice();
    // The device lives in the server, not in this process: left loaded, it
    // would outlive the program.
    if (!LoopbackDevice::instance()->restore())
        qCWarning(lcControls, "input selector: the loop-back device could not be removed");
    delete m_pAudioDevice;
    m_pAudioDevice = nullptr;
    m_timerRefresh->stop();
    delete m_timerRefresh;
    m_timerRefresh = nullptr;
    if (m_menuDevice)
        m_menuDevice->clear();
    ReleaseAction();
    delete m_menuDevice;
    m_menuDevice = nullptr;
    delete ui;
}

// ---- construction ----------------------------------------------------------------

void SelectRecordInputWgt::InitProgress(QJXBaseProgress *progress)
{
    progress->setProgressPolicy(QJXBaseProgress::RoundBar);
    progress->setBarStyle(QJXBaseProgress::StyleLine);
    progress->setFormat(QString());
    progress->move(0, 0);
}

void SelectRecordInputWgt::InitBtn()
{
    connect(ui->m_btnSystemAudio, &QJXBaseButton::clicked, this, &SelectRecordInputWgt::OnBtnSystemAudio);
    connect(ui->m_btnMicDevice, &QJXBaseButton::clicked, this, &SelectRecordInputWgt::OnBtnMicAudio);
    m_proSysLevel = new QJXBaseProgress(ui->m_btnSystemAudio);
    InitProgress(m_proSysLevel);
    m_proMicLevel = new QJXBaseProgress(ui->m_btnMicDevice);
    InitProgress(m_proMicLevel);
    for (QJXBaseProgress *bar : {m_proSysLevel, m_proMicLevel}) {
        bar->setValue(0);
        bar->setUpdateInterval(40);
    }
    const QString group = QLatin1String(kSettingsGroup);
    options()->setAudioRecordType(kSystemSound,
        QVideoSettingXml::GetItemValue(group, QLatin1String(kSystemKey), QStringLiteral("Y"))
            == QLatin1String("Y"));
    options()->setAudioRecordType(kMicrophone,
        QVideoSettingXml::GetItemValue(group, QLatin1String(kMicKey), QStringLiteral("N"))
            == QLatin1String("Y"));
    SystemAudioChange();
    MicAudioChange();
    m_proSysLevel->hide();
    m_proMicLevel->hide();
    ui->m_btnSystemAudio->hide();
    ui->m_btnMicDevice->hide();
}

void SelectRecordInputWgt::InitCtrl()
{
    for (QJXBaseSlider *slider : {ui->m_sliderVolume, ui->m_sliderSysVolume}) {
        slider->setProgressPolicy(QJXBaseProgress::VerticalBar);
        slider->setBottomImage(resource(QStringLiteral("/image/slider_bottom.png")));
        slider->setTopImage(resource(QStringLiteral("/image/slider_top.png")));
        slider->setBtnImage(resource(QStringLiteral("/image/slider_btn.png")));
        slider->setFormat(QString());
        connect(slider, &QJXBaseSlider::sendProgressValue, this,
                &SelectRecordInputWgt::recorderVulumeChange);
    }
    QInitCtrlStyle::InitJXCombox1(ui->m_cmbMicDevice, 85, 22);
    ui->m_cmbMicDevice->setMaxVisibleItems(20);
    QInitCtrlStyle::InitFont(ui->m_cmbMicDevice, 12);
    connect(ui->m_cmbMicDevice, QOverload<int>::of(&QComboBox::activated), this,
            &SelectRecordInputWgt::MicDeviceChange);

    ui->m_labSystemAudio->setText(tr("System Audio"));
    ui->m_labMicDevice->setText(tr("No Mic Device"));
    for (QLabel *label : {ui->m_labSystemAudio, ui->m_labMicDevice}) {
        QInitCtrlStyle::InitFont(label, 12);
        label->adjustSize();
        QInitCtrlStyle::InitPalette(label, QPalette::WindowText, QColor(255, 132, 65));
    }
    ui->m_labMicDevice->hide();

    for (QWidget *w : std::initializer_list<QWidget *>{
             ui->m_btnSystemAudio, ui->m_btnMicDevice, m_proSysLevel, m_proMicLevel,
             ui->m_cmbMicDevice, ui->m_sliderVolume, ui->m_sliderSysVolume,
             ui->m_labSystemAudio, ui->m_labMicDevice})
        w->hide();

    setDeviceImage(QStringLiteral("/image/btn_device_system.png"));
    ui->m_btnDevice->setToolTip(tr("Input Device"));
    connect(ui->m_btnDevice, &QJXBaseButton::clicked, this, &SelectRecordInputWgt::OnShowDeviceMenu);
}

void SelectRecordInputWgt::retranslateUi()
{
    ui->m_btnSystemAudio->setToolTip(options()->getRecordAudioType(kSystemSound)
                                         ? tr("System Audio On") : tr("System Audio Off"));
    ui->m_btnMicDevice->setToolTip(options()->getRecordAudioType(kMicrophone)
                                       ? tr("Microphone Audio On") : tr("Microphone Audio Off"));
}

void SelectRecordInputWgt::resetControlLocation()
{
    ui->m_btnDevice->move(0, 0);
}

void SelectRecordInputWgt::setDeviceImage(const QString &relative)
{
    m_deviceImage = relative;
    ui->m_btnDevice->setButtonImage(resource(relative), true);
}

// ---- devices ---------------------------------------------------------------------

int SelectRecordInputWgt::outputIndexOf(const QString &name) const
{
    if (!m_pAudioDevice || name.isEmpty())
        return -1;
    const QByteArray utf8 = name.toUtf8();
    for (int i = 0; i < m_pAudioDevice->getDeviceCount(false); ++i) {
        if (qstrcmp(m_pAudioDevice->getDeviceName(false, i), utf8.constData()) == 0)
            return i;
    }
    return -1;
}

int SelectRecordInputWgt::systemSoundInput() const
{
    if (!m_pAudioDevice)
        return -1;
    for (int i = 0; i < m_pAudioDevice->getDeviceCount(true); ++i) {
        if (isVirtualName(m_pAudioDevice->getDeviceName(true, i)))
            return i;
    }
    return -1;
}

int SelectRecordInputWgt::currentMicInput() const
{
    const QVariant data = ui->m_cmbMicDevice->currentData(Qt::UserRole);
    bool ok = false;
    const int index = data.toInt(&ok);
    return ok ? index : -1;
}

void SelectRecordInputWgt::getOldOutputDevice()
{
    if (!m_pAudioDevice)
        return;
    m_strRealOutput.clear();
    for (int i = 0; i < m_pAudioDevice->getDeviceCount(false); ++i) {
        const char *name = m_pAudioDevice->getDeviceName(false, i);
        if (carriesVirtualName(name))
            continue;
        if (m_pAudioDevice->getDeviceBuiltIn(false, i)) {
            m_strRealOutput = QString::fromUtf8(name);
            break;
        }
        if (m_strRealOutput.isEmpty())
            m_strRealOutput = QString::fromUtf8(name);
    }
    // A default output left on the virtual device by a run that did not
    // restore it must not be what this run gives back at the end.
    const char *current = m_pAudioDevice->getDeviceName(false, m_pAudioDevice->getDefaultIndex(false));
    m_strOldOutput = carriesVirtualName(current) || !current ? m_strRealOutput
                                                             : QString::fromUtf8(current);
}

void SelectRecordInputWgt::installAudioDevice()
{
    const QString path = resource(QStringLiteral("/driver/RZAudio Device.driver"));
    if (!QAudioDriverInstaller::installAudioDriverWithPath(path))
        qCWarning(lcControls, "input selector: the loop-back device is not available");
    JxCommonInterface::Sleep(100000);
}

void SelectRecordInputWgt::InitVirtualDevice()
{
    if (!m_pAudioDevice)
        return;
    m_pAudioDevice->refresh();
    for (int i = 0; i < m_pAudioDevice->getDeviceCount(false); ++i) {
        if (isVirtualName(m_pAudioDevice->getDeviceName(false, i))) {
            if (!m_pAudioDevice->setDefaultDevice(false, i))
                qCWarning(lcControls, "input selector: the loop-back device could not become the default output");
            return;
        }
    }
}

void SelectRecordInputWgt::setOldOutPutDevice()
{
    if (!m_pAudioDevice)
        return;
    // Devices may have changed since the last check: look at them afresh.
    m_pAudioDevice->refresh();
    int index = outputIndexOf(m_strOldOutput);
    if (index < 0) {
        // The remembered output is gone: the first real one takes its place.
        for (int i = 0; i < m_pAudioDevice->getDeviceCount(false); ++i) {
            if (!carriesVirtualName(m_pAudioDevice->getDeviceName(false, i))) {
                index = i;
                break;
            }
        }
    }
    if (index >= 0 && !m_pAudioDevice->setDefaultDevice(false, index))
        qCWarning(lcControls, "input selector: the previous default output could not be restored");
}

void SelectRecordInputWgt::InitMicDevice()
{
    QJXComboBox *list = ui->m_cmbMicDevice;
    list->clear();
    int current = -1;
    if (m_pAudioDevice) {
        m_pAudioDevice->refresh();
        const int defaultInput = m_pAudioDevice->getDefaultIndex(true);
        for (int i = 0; i < m_pAudioDevice->getDeviceCount(true); ++i) {
            const char *name = m_pAudioDevice->getDeviceName(true, i);
            if (!name || carriesVirtualName(name))
                continue;
            list->addItem(QString::fromUtf8(name), i);
            if (i == defaultInput)
                current = list->count() - 1;
        }
    }
    list->setCurrentIndex(current);
    options()->setAudioRecordValid(kSystemSound, true);
    options()->setAudioRecordValid(kMicrophone, current >= 0);
    if (list->count() == 0)
        list->hide();
    else
        ui->m_labMicDevice->hide();
    refreshRecordVolume();
}

void SelectRecordInputWgt::ReleaseAction()
{
    qDeleteAll(m_listDeviceAction);
    m_listDeviceAction.clear();
}

void SelectRecordInputWgt::InitDeviceMenu()
{
    if (!m_menuDevice) {
        m_menuDevice = new QJXMenu(this);
        QInitCtrlStyle::InitJxMenu(m_menuDevice);
    } else {
        m_menuDevice->clear();
    }
    ReleaseAction();

    auto *system = new QAction(QIcon(resource(QStringLiteral("/image/icon_device_system.png"))),
                               QStringLiteral("System Audio"), nullptr);
    system->setData(-1);
    m_listDeviceAction.append(system);
    bool defaultListed = false;
    if (m_pAudioDevice) {
        m_pAudioDevice->refresh();
        const QIcon mic(resource(QStringLiteral("/image/icon_device_mic.png")));
        const int defaultInput = m_pAudioDevice->getDefaultIndex(true);
        for (int i = 0; i < m_pAudioDevice->getDeviceCount(true); ++i) {
            const char *name = m_pAudioDevice->getDeviceName(true, i);
            if (!name || carriesVirtualName(name))
                continue;
            auto *entry = new QAction(mic, QString::fromUtf8(name), nullptr);
            entry->setData(i);
            m_listDeviceAction.append(entry);
            defaultListed = defaultListed || i == defaultInput;
        }
    }
    options()->setAudioRecordValid(kSystemSound, true);
    options()->setAudioRecordValid(kMicrophone, defaultListed);
    for (QAction *entry : qAsConst(m_listDeviceAction)) {
        connect(entry, &QAction::triggered, this, &SelectRecordInputWgt::OnActDeviceChange);
        m_menuDevice->addAction(entry);
    }
    if (m_bFirstMenu) {
        m_bFirstMenu = false;
        system->trigger();
    }
}

// ---- choices ---------------------------------------------------------------------

void SelectRecordInputWgt::OnShowDeviceMenu()
{
    InitDeviceMenu();
    m_menuDevice->popup(QCursor::pos() + QPoint(-60, 10));
}

void SelectRecordInputWgt::OnActDeviceChange()
{
    auto *entry = qobject_cast<QAction *>(sender());
    if (!entry)
        return;
    int idx = entry->data().toInt();
    if (m_pAudioDevice && idx >= 0) {
        // The entry names the device it was built for; find it again by name
        // in case the list moved since the menu was built.
        const QByteArray name = entry->text().toUtf8();
        if (qstrcmp(m_pAudioDevice->getDeviceName(true, idx), name.constData()) != 0) {
            idx = -2;
            for (int i = 0; i < m_pAudioDevice->getDeviceCount(true); ++i) {
                if (qstrcmp(m_pAudioDevice->getDeviceName(true, i), name.constData()) == 0) {
                    idx = i;
                    break;
                }
            }
            if (idx < 0) {
                qCWarning(lcControls, "input selector: the chosen microphone is gone");
                return;
            }
        }
    }
    if (m_pAudioDevice && idx >= 0 && !m_pAudioDevice->setDefaultDevice(true, idx))
        qCWarning(lcControls, "input selector: the microphone could not become the default input");
    if (idx >= 0)
        InitMicDevice();
    SwitchRecordType(idx == -1);
    m_nDeviceIndex = idx;
    if (options()->getRecordAudioType(kSystemSound)) {
        setDeviceImage(QStringLiteral("/image/btn_device_system.png"));
    } else if (options()->getRecordAudioType(kMicrophone)) {
        setDeviceImage(QStringLiteral("/image/btn_device_mic.png"));
        emit emitMicDeviceChange();
    }
    refreshRecordVolume();
}

void SelectRecordInputWgt::SwitchRecordType(bool system)
{
    options()->setAudioRecordType(kSystemSound, system);
    options()->setAudioRecordValid(kSystemSound, system);
    options()->setAudioRecordType(kMicrophone, !system);
    options()->setAudioRecordValid(kMicrophone, !system);
    ui->m_sliderSysVolume->setVisible(system);
    ui->m_sliderVolume->setVisible(!system);
}

void SelectRecordInputWgt::MicDeviceChange(int row)
{
    bool ok = false;
    const int idx = ui->m_cmbMicDevice->itemData(row, Qt::UserRole).toInt(&ok);
    if (!ok)
        return;
    if (m_pAudioDevice && !m_pAudioDevice->setDefaultDevice(true, idx))
        qCWarning(lcControls, "input selector: the microphone could not become the default input");
    InitMicDevice();
    emit emitMicDeviceChange();
}

void SelectRecordInputWgt::OnSetCtrlEnabled(bool bEnabled)
{
    ui->m_cmbMicDevice->setEnabled(bEnabled);
    ui->m_sliderVolume->setEnabled(bEnabled);
    ui->m_sliderSysVolume->setEnabled(bEnabled);
    ui->m_btnDevice->setEnabled(bEnabled);
}

void SelectRecordInputWgt::RefreshRecDevTimer()
{
    if (!m_pAudioDevice)
        return;
    if (m_pAudioDevice->isNeedRefresh()) {
        InitMicDevice();
        InitDeviceMenu();
        emit emitMicDeviceChange();
    } else {
        refreshRecordVolume();
    }
}

// ---- volume ----------------------------------------------------------------------

int SelectRecordInputWgt::percentOfFraction(double fraction)
{
    return qBound(0, int(fraction * 100 + 0.5), 100);
}

void SelectRecordInputWgt::refreshRecordVolume()
{
    if (!m_pAudioDevice)
        return;
    int value = -1;
    auto show = [](QJXBaseSlider *slider, int volume, int mute) {
        if (volume < 0) {
            slider->setValue(100);
            slider->setEnabled(false);
        } else {
            slider->setValue(mute == 1 ? 0 : volume);
            slider->setEnabled(true);
        }
    };

    const int mic = currentMicInput();
    const int micVolume = mic >= 0 ? m_pAudioDevice->getDeviceVolume(true, mic) : -1;
    const int micMute = mic >= 0 ? m_pAudioDevice->getDeviceMute(true, mic) : -1;
    show(ui->m_sliderVolume, micVolume, micMute);
    if (micVolume >= 0 && options()->getRecordAudioType(kMicrophone))
        value = micVolume;

    const int system = systemSoundInput();
    if (system >= 0) {
        const int volume = m_pAudioDevice->getDeviceVolume(true, system);
        show(ui->m_sliderSysVolume, volume, m_pAudioDevice->getDeviceMute(true, system));
        if (volume >= 0 && options()->getRecordAudioType(kSystemSound))
            value = volume;
    }
    if (value >= 0)
        emit emitSetVolumeValue(value);
}

void SelectRecordInputWgt::applyMicVolume(int percent)
{
    m_timerRefresh->stop();
    const int mic = currentMicInput();
    // Without a microphone in the list no device is touched.
    if (m_pAudioDevice && mic >= 0) {
        m_pAudioDevice->setDeviceMute(true, mic, 0);
        if (!m_pAudioDevice->setDeviceVolume(true, mic, percent))
            qCWarning(lcControls, "input selector: the microphone volume could not be set");
    }
    m_timerRefresh->start(kRefreshMs);
}

void SelectRecordInputWgt::applySystemVolume(int percent)
{
    m_timerRefresh->stop();
    const int system = systemSoundInput();
    if (m_pAudioDevice && system >= 0) {
        m_pAudioDevice->setDeviceMute(true, system, 0);
        if (!m_pAudioDevice->setDeviceVolume(true, system, percent))
            qCWarning(lcControls, "input selector: the system-sound volume could not be set");
    }
    m_timerRefresh->start(kRefreshMs);
}

void SelectRecordInputWgt::OnRecorderVolumeChange(double value)
{
    if (options()->getRecordAudioType(kMicrophone))
        applyMicVolume(percentOfFraction(value));
    else if (options()->getRecordAudioType(kSystemSound))
        applySystemVolume(percentOfFraction(value));
}

void SelectRecordInputWgt::recorderVulumeChange(double value)
{
    if (sender() == ui->m_sliderVolume)
        applyMicVolume(percentOfFraction(value));
    else if (sender() == ui->m_sliderSysVolume)
        applySystemVolume(percentOfFraction(value));
}

float SelectRecordInputWgt::getDeviceVolume()
{
    const int system = systemSoundInput();
    if (system < 0)
        return 100.0f;
    if (m_pAudioDevice->getDeviceMute(true, system) == 1)
        return 0.0f;
    const int volume = m_pAudioDevice->getDeviceVolume(true, system);
    return volume >= 0 ? float(volume) : 100.0f;
}

void SelectRecordInputWgt::InitDeviceLib()
{
    if (!m_pAudioDevice)
        m_pAudioDevice = new MacAudioDevice;
}

void SelectRecordInputWgt::DestroyDevLib()
{
    delete m_pAudioDevice;
    m_pAudioDevice = nullptr;
}

// ---- the hidden toggles ------------------------------------------------------------

void SelectRecordInputWgt::OnBtnSystemAudio()
{
    const bool on = !options()->getRecordAudioType(kSystemSound);
    options()->setAudioRecordType(kSystemSound, on);
    ui->m_btnSystemAudio->setToolTip(on ? tr("System Audio On") : tr("System Audio Off"));
    SystemAudioChange();
}

void SelectRecordInputWgt::OnBtnMicAudio()
{
    const bool on = !options()->getRecordAudioType(kMicrophone);
    options()->setAudioRecordType(kMicrophone, on);
    ui->m_btnMicDevice->setToolTip(on ? tr("Microphone Audio On") : tr("Microphone Audio Off"));
    MicAudioChange();
}

static void setHighlight(QJXBaseProgress *bar, const QColor &colour)
{
    QPalette p = bar->palette();
    p.setBrush(QPalette::All, QPalette::Highlight, colour);
    bar->setPalette(p);
}

void SelectRecordInputWgt::SystemAudioChange()
{
    const bool on = options()->getRecordAudioType(kSystemSound);
    ui->m_btnSystemAudio->setButtonImage(
        resource(on ? QStringLiteral("/image/btn_system_on.png") : QStringLiteral("/image/btn_system_off.png")),
        true);
    setHighlight(m_proSysLevel, on ? QColor(250, 237, 237) : QColor(14, 14, 14));
    ui->m_btnSystemAudio->repaint();
}

void SelectRecordInputWgt::MicAudioChange()
{
    const bool on = options()->getRecordAudioType(kMicrophone);
    ui->m_btnMicDevice->setButtonImage(
        resource(on ? QStringLiteral("/image/btn_mic_on.png") : QStringLiteral("/image/btn_mic_off.png")),
        true);
    setHighlight(m_proMicLevel, on ? QColor(250, 237, 237) : QColor(14, 14, 14));
    ui->m_btnMicDevice->repaint();
}

// ---- level meter -------------------------------------------------------------------

void SelectRecordInputWgt::queueLevel(QList<int> &queue, int value)
{
    if (queue.size() > 7)
        queue.removeFirst();
    queue.append(value);
}

void SelectRecordInputWgt::systemAudioVolume(int value)
{
    if (!isVisible())
        return;
    const int level = int(float(value) * float(ui->m_sliderSysVolume->value()) / 9600.0f);
    if (level < 0) {
        m_nSysLevel = 0;
        m_listSysLevel.append(0);
        queueLevel(m_listSysLevel, 0);
        return;
    }
    const int capped = qMin(level, 100);
    const int sum = 7 * m_nSysLevel + capped;
    m_nSysLevel = (capped > 0 && sum < 8) ? 1 : sum / 8;
    queueLevel(m_listSysLevel, m_nSysLevel);
}

void SelectRecordInputWgt::MicrophoneAudioVolume(int value)
{
    if (!isVisible())
        return;
    const int level = value / 96;
    if (level < 0) {
        m_nMicLevel = 0;
        m_listMicLevel.append(0);
        queueLevel(m_listMicLevel, 0);
        return;
    }
    m_nMicLevel = (7 * m_nMicLevel + qMin(level, 100)) / 8;
    queueLevel(m_listMicLevel, m_nMicLevel);
}

void SelectRecordInputWgt::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_nMeterTimer || m_nMeterTimer == 0)
        return;
    if (!m_listMicLevel.isEmpty())
        m_proMicLevel->setValue(m_listMicLevel.takeFirst());
    if (!m_listSysLevel.isEmpty())
        m_proSysLevel->setValue(m_listSysLevel.takeFirst());
}

void SelectRecordInputWgt::startValumeTimer(bool start)
{
    m_listMicLevel.clear();
    m_listSysLevel.clear();
    if (start) {
        if (m_nMeterTimer == 0)
            m_nMeterTimer = startTimer(kMeterMs, Qt::CoarseTimer);
        m_timerRefresh->start(kRefreshMs);
    } else {
        if (m_nMeterTimer != 0)
            killTimer(m_nMeterTimer);
        m_nMeterTimer = 0;
        m_timerRefresh->stop();
    }
}

// ---- shut-down ---------------------------------------------------------------------

void SelectRecordInputWgt::saveChange()
{
    const QString group = QLatin1String(kSettingsGroup);
    QVideoSettingXml::SetItemValue(group, QLatin1String(kSystemKey),
        options()->getRecordAudioType(kSystemSound) ? QStringLiteral("Y") : QStringLiteral("N"));
    QVideoSettingXml::SetItemValue(group, QLatin1String(kMicKey),
        options()->getRecordAudioType(kMicrophone) ? QStringLiteral("Y") : QStringLiteral("N"));
}
