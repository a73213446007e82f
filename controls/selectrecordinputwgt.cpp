#include "controls/selectrecordinputwgt.h"
#include "ui_selectrecordinputwgt.h"

#include "common/qianyutil.h"
#include "common/qvideosettingxml.h"
#include "controls/controlslog.h"
#include "platform/audio/loopbackdevice.h"
#include "platform/audio/pulsecontext.h"
#include "recorder/audiodeviceagent.h"
#include "recorder/macaudiodevice.h"
#include "recorder/qaudiodriverinstaller.h"
#include "recorder/qrecordareainfo.h"
#include "widgetkit/qinitctrlstyle.h"
#include "widgetkit/qjxbaseprogress.h"
#include "widgetkit/qjxmenu.h"

#include <QAction>
#include <QCursor>
#include <QElapsedTimer>
#include <QTimerEvent>

namespace {

const char *const kVirtualDevice = "RZAudio Device";
const char *const kSettingsGroup = "XML_AUDIO_RECORD_TYPE";
const char *const kSystemKey = "BOOL_SYSTEM_AUDIO_";
const char *const kMicKey = "BOOL_MIC_AUDIO_";
constexpr int kMeterMs = 20;
// How long a set-up step is tried again while the server answers late (a
// busy machine keeps it from running for seconds) before it is given up.
constexpr int kLateAnswerBudgetMs = 30000;
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

enum class Outcome { Done, Failed, Unanswered, Unreachable };

// Runs step on the device thread again while the server answered part of
// it late, for at most kLateAnswerBudgetMs: the set-up is done once the
// server answers, or its failure says why. A refusal is no late answer.
Outcome untilAnswered(MacAudioDevice &audio, const std::function<bool()> &step)
{
    QElapsedTimer spent;
    spent.start();
    for (;;) {
        const quint64 late = PulseContext::lateAnswers();
        if (step())
            return Outcome::Done;
        const bool answered = PulseContext::lateAnswers() == late;
        if (!audio.serverReachable())
            return Outcome::Unreachable;
        if (answered)
            return Outcome::Failed;
        if (spent.elapsed() >= kLateAnswerBudgetMs || PulseContext::waitsLimited())
            return Outcome::Unanswered;
    }
}

QString lateAnswerText()
{
    return QObject::tr("the sound server did not answer within %1 s").arg(kLateAnswerBudgetMs / 1000);
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
    // The device work is queued in this order on the device thread; the
    // lists and the menu follow the readings it hands back.
    InitDeviceLib();
    getOldOutputDevice();
    installAudioDevice();
    InitVirtualDevice();
    InitMicDevice();
    InitDeviceMenu();
    setBackgrounColor(QColor(50, 50, 50));
    resize(ui->m_btnDevice->size());
    retranslateUi();
}

SelectRecordInputWgt::~SelectRecordInputWgt()
{
    saveChange();
    // Waits for the device thread: the previous output must be back and the
    // device gone before the program ends.
    setOldOutPutDevice();
    DestroyDevLib();
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

void SelectRecordInputWgt::postDeviceJob(std::function<void(MacAudioDevice &)> job)
{
    if (m_pAudioDevice)
        m_lastJob = m_pAudioDevice->post(std::move(job));
}

void SelectRecordInputWgt::OnDevicesChanged(const AudioDeviceList &devices, int lastJob)
{
    // A reading made before the last change asked for would undo it on screen.
    if (lastJob < m_lastJob)
        return;
    const bool becomesReady = !m_bDevicesReady && lastJob >= m_setupJob;
    if (becomesReady) {
        // The first menu of the real devices chooses system sound, as the
        // one built at construction did.
        m_bDevicesReady = true;
        m_bFirstMenu = true;
    }
    const bool changed = becomesReady || !m_devices.sameDevices(devices);
    m_devices = devices;
    if (changed) {
        InitMicDevice();
        InitDeviceMenu();
        emit emitMicDeviceChange();
    } else {
        refreshRecordVolume();
    }
}

int SelectRecordInputWgt::systemSoundInput() const
{
    for (int i = 0; i < m_devices.count(true); ++i) {
        if (isVirtualName(m_devices.name(true, i)))
            return i;
    }
    return -1;
}

int SelectRecordInputWgt::currentMicInput() const
{
    const QVariant chosen = ui->m_cmbMicDevice->currentData(Qt::UserRole);
    bool ok = false;
    const int index = chosen.toInt(&ok);
    return ok ? index : -1;
}

void SelectRecordInputWgt::getOldOutputDevice()
{
    postDeviceJob([this](MacAudioDevice &audio) {
        // A server that answers late (a busy machine) is asked again: read
        // as none, the outputs would leave nothing to give the default back to.
        if (untilAnswered(audio, [&] { return audio.refresh(); }) == Outcome::Unanswered)
            qCWarning(lcControls).noquote()
                << "input selector: the outputs could not be read:" << lateAnswerText();
        const AudioDeviceList before = audio.devices();
        QMetaObject::invokeMethod(this, [this, before] { findOutputs(before); }, Qt::QueuedConnection);
    });
}

void SelectRecordInputWgt::findOutputs(const AudioDeviceList &devices)
{
    m_strRealOutput.clear();
    for (int i = 0; i < devices.count(false); ++i) {
        const char *name = devices.name(false, i);
        if (carriesVirtualName(name))
            continue;
        if (devices.info(false, i)->builtIn) {
            m_strRealOutput = QString::fromUtf8(name);
            break;
        }
        if (m_strRealOutput.isEmpty())
            m_strRealOutput = QString::fromUtf8(name);
    }
    // A default output left on the virtual device by a run that did not
    // restore it must not be what this run gives back at the end.
    const char *current = devices.name(false, devices.defaultIndex(false));
    m_strOldOutput = carriesVirtualName(current) || !current ? m_strRealOutput
                                                             : QString::fromUtf8(current);
}

void SelectRecordInputWgt::installAudioDevice()
{
    const QString path = resource(QStringLiteral("/driver/RZAudio Device.driver"));
    postDeviceJob([this, path](MacAudioDevice &audio) {
        // Without a server there is nothing to set up (the device agent says
        // so, once): the set-up waits until it is back.
        if (!audio.serverReachable()) {
            QMetaObject::invokeMethod(
                this, [this] { m_bSetupPending = true; }, Qt::QueuedConnection);
            return;
        }
        // A late answer may still load the device: the next try adopts it.
        const Outcome outcome
            = untilAnswered(audio, [&] { return QAudioDriverInstaller::installAudioDriverWithPath(path); });
        if (outcome == Outcome::Unreachable)
            QMetaObject::invokeMethod(
                this, [this] { m_bSetupPending = true; }, Qt::QueuedConnection);
        else if (outcome == Outcome::Failed || outcome == Outcome::Unanswered)
            qCWarning(lcControls).noquote()
                << "input selector: the loop-back device is not available:"
                << (outcome == Outcome::Unanswered ? lateAnswerText() : LoopbackDevice::instance()->errorString());
    });
}

void SelectRecordInputWgt::InitVirtualDevice()
{
    postDeviceJob([](MacAudioDevice &audio) {
        QString why;
        const Outcome outcome = untilAnswered(audio, [&] {
            if (!audio.refresh()) {
                why = QObject::tr("the sound server lists no device");
                return false;
            }
            const int index = audio.devices().indexOfName(false, kVirtualDevice);
            if (index < 0) {
                why = QObject::tr("it is not there");
                return false;
            }
            why = QString();
            if (audio.setDefaultDevice(false, index))
                return true;
            why = LoopbackDevice::instance()->errorString();
            return false;
        });
        // Without a server the set-up waits for it (see OnServerReachable).
        if (outcome == Outcome::Failed || outcome == Outcome::Unanswered)
            qCWarning(lcControls).noquote()
                << "input selector: the loop-back device could not become the default output:"
                << (outcome == Outcome::Unanswered ? lateAnswerText() : why);
    });
    m_setupJob = m_lastJob;
}

void SelectRecordInputWgt::setOldOutPutDevice()
{
    if (!m_pAudioDevice)
        return;
    const QByteArray previous = m_strOldOutput.toUtf8();
    m_pAudioDevice->finish([previous](MacAudioDevice &audio) {
        // Devices may have changed since the last reading: look at them afresh.
        audio.refresh();
        const AudioDeviceList &devices = audio.devices();
        const int index = previous.isEmpty() ? -1 : devices.indexOfName(false, previous);
        const QByteArray sink = index >= 0 ? devices.info(false, index)->uid : QByteArray();
        // The device lives in the server, not in this process: left loaded,
        // it would outlive the program. The default goes back only when it
        // is still on the device (a real output the user chose stays) and
        // no other running program uses the device (see LoopbackDevice).
        if (!LoopbackDevice::instance()->restore(sink))
            qCWarning(lcControls) << "input selector: the loop-back device could not be removed:"
                                  << LoopbackDevice::instance()->errorString();
    });
}

void SelectRecordInputWgt::InitMicDevice()
{
    QJXComboBox *list = ui->m_cmbMicDevice;
    list->clear();
    int current = -1;
    const int defaultInput = m_devices.defaultIndex(true);
    for (int i = 0; i < m_devices.count(true); ++i) {
        const char *name = m_devices.name(true, i);
        if (!name || carriesVirtualName(name))
            continue;
        list->addItem(QString::fromUtf8(name), i);
        if (i == defaultInput)
            current = list->count() - 1;
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
    const QIcon mic(resource(QStringLiteral("/image/icon_device_mic.png")));
    const int defaultInput = m_devices.defaultIndex(true);
    for (int i = 0; i < m_devices.count(true); ++i) {
        const char *name = m_devices.name(true, i);
        if (!name || carriesVirtualName(name))
            continue;
        auto *entry = new QAction(mic, QString::fromUtf8(name), nullptr);
        entry->setData(i);
        m_listDeviceAction.append(entry);
        defaultListed = defaultListed || i == defaultInput;
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
    if (idx >= 0) {
        // The entry names the device it was built for; find it again by name
        // in case the list moved since the menu was built.
        const QByteArray name = entry->text().toUtf8();
        if (qstrcmp(m_devices.name(true, idx), name.constData()) != 0)
            idx = m_devices.indexOfName(true, name);
        if (idx < 0) {
            qCWarning(lcControls, "input selector: the chosen microphone is gone");
            return;
        }
        makeDefaultInput(idx);
        InitMicDevice();
    }
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
    makeDefaultInput(idx);
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

void SelectRecordInputWgt::makeDefaultInput(int index)
{
    const AudioDeviceInfo *device = m_devices.info(true, index);
    if (!device || !m_pAudioDevice)
        return;
    // Shown at once; the reading after the change confirms or undoes it.
    m_devices.setDefaultIndex(true, index);
    const QByteArray uid = device->uid;
    postDeviceJob([uid](MacAudioDevice &audio) {
        audio.refresh();
        const int i = audio.devices().indexOfUid(true, uid);
        if (i < 0 || !audio.setDefaultDevice(true, i))
            qCWarning(lcControls, "input selector: the microphone could not become the default input");
    });
}

// The check of the reading that comes back runs in OnDevicesChanged.
void SelectRecordInputWgt::RefreshRecDevTimer()
{
    if (m_pAudioDevice)
        m_pAudioDevice->refresh();
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
    auto show = [](QJXBaseSlider *slider, const AudioDeviceInfo *device) {
        if (!device || device->volume < 0) {
            slider->setValue(100);
            slider->setEnabled(false);
        } else {
            slider->setValue(device->mute == 1 ? 0 : device->volume);
            slider->setEnabled(true);
        }
    };

    const AudioDeviceInfo *mic = m_devices.info(true, currentMicInput());
    show(ui->m_sliderVolume, mic);
    if (mic && mic->volume >= 0 && options()->getRecordAudioType(kMicrophone))
        value = mic->volume;

    if (const AudioDeviceInfo *system = m_devices.info(true, systemSoundInput())) {
        show(ui->m_sliderSysVolume, system);
        if (system->volume >= 0 && options()->getRecordAudioType(kSystemSound))
            value = system->volume;
    }
    if (value >= 0)
        emit emitSetVolumeValue(value);
}

void SelectRecordInputWgt::applyInputVolume(int index, int percent)
{
    const AudioDeviceInfo *device = m_devices.info(true, index);
    // Without a device (no microphone in the list) nothing is touched.
    if (!device || !m_pAudioDevice)
        return;
    const QByteArray uid = device->uid;
    postDeviceJob([uid, percent](MacAudioDevice &audio) {
        audio.refresh();
        const int i = audio.devices().indexOfUid(true, uid);
        if (i < 0)
            return;
        audio.setDeviceMute(true, i, 0);
        if (!audio.setDeviceVolume(true, i, percent))
            qCWarning(lcControls, "input selector: the recording volume could not be set");
    });
}

void SelectRecordInputWgt::OnRecorderVolumeChange(double value)
{
    if (options()->getRecordAudioType(kMicrophone))
        applyInputVolume(currentMicInput(), percentOfFraction(value));
    else if (options()->getRecordAudioType(kSystemSound))
        applyInputVolume(systemSoundInput(), percentOfFraction(value));
}

void SelectRecordInputWgt::recorderVulumeChange(double value)
{
    if (sender() == ui->m_sliderVolume)
        applyInputVolume(currentMicInput(), percentOfFraction(value));
    else if (sender() == ui->m_sliderSysVolume)
        applyInputVolume(systemSoundInput(), percentOfFraction(value));
}

float SelectRecordInputWgt::getDeviceVolume()
{
    const AudioDeviceInfo *system = m_devices.info(true, systemSoundInput());
    if (!system || system->volume < 0)
        return 100.0f;
    return system->mute == 1 ? 0.0f : float(system->volume);
}

void SelectRecordInputWgt::InitDeviceLib()
{
    if (m_pAudioDevice)
        return;
    m_pAudioDevice = new AudioDeviceAgent(nullptr, this);
    connect(m_pAudioDevice, &AudioDeviceAgent::devicesChanged, this,
            &SelectRecordInputWgt::OnDevicesChanged);
    connect(m_pAudioDevice, &AudioDeviceAgent::serverReachable, this, &SelectRecordInputWgt::OnServerReachable);
}

void SelectRecordInputWgt::OnServerReachable(bool reachable)
{
    m_bServerReachable = reachable;
    // A start without a server set nothing up: done now, as at a start.
    if (reachable && m_bSetupPending) {
        m_bSetupPending = false;
        getOldOutputDevice();
        installAudioDevice();
        InitVirtualDevice();
    }
    emit emitServerReachable(reachable);
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
    } else {
        if (m_nMeterTimer != 0)
            killTimer(m_nMeterTimer);
        m_nMeterTimer = 0;
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
