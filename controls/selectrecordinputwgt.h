#pragma once
// The input selector: chooses what a recording captures (system sound from
// the loop-back device, or one microphone) and writes the choice into the
// recording options; makes the loop-back device the default output for the
// program's lifetime and gives the previous output back at the end; keeps
// the recording volume of the chosen source in step with the recording
// panel; follows devices that come and go. Only its device button shows.
// Every talk with the sound server runs on the device agent's thread; the
// selector works on the readings the agent hands back after each change.

#include "recorder/audiodevicelist.h"
#include "widgetkit/qjxwidget.h"

#include <QList>
#include <QString>

#include <functional>

namespace Ui {
class SelectRecordInputWgt;
}
class AudioDeviceAgent;
class MacAudioDevice;
class QAction;
class QJXBaseProgress;
class QJXMenu;

class SelectRecordInputWgt : public QJXWidget
{
    Q_OBJECT
public:
    explicit SelectRecordInputWgt(QWidget *parent = nullptr);
    ~SelectRecordInputWgt() override;

    // Starts (true) or stops the 20 ms level meter.
    void startValumeTimer(bool start);

    // State for the owner and for checks.
    QJXMenu *deviceMenu() const { return m_menuDevice; }
    // -1 system sound, otherwise the input-device index last chosen.
    int deviceIndex() const { return m_nDeviceIndex; }
    QString previousOutputName() const { return m_strOldOutput; }
    QString realOutputName() const { return m_strRealOutput; }
    // The device button's picture, relative to the resource folder.
    QString deviceButtonImage() const { return m_deviceImage; }
    // The last device reading handed over.
    const AudioDeviceList &devices() const { return m_devices; }
    // The loop-back device is set up and its reading has arrived.
    bool devicesReady() const { return m_bDevicesReady; }
    // The sound server could be reached at the last reading (true until one says otherwise).
    bool serverReachable() const { return m_bServerReachable; }

    // A device percent of a volume fraction, kept within 0..100.
    static int percentOfFraction(double fraction);

signals:
    void emitMicDeviceChange();
    void emitSetVolumeValue(int value);
    // The sound server went away (false) or can be reached again (true).
    void emitServerReachable(bool reachable);

public slots:
    void OnRecorderVolumeChange(double value);
    void OnSetCtrlEnabled(bool bEnabled);
    void refreshRecordVolume();
    void RefreshRecDevTimer();
    void MicDeviceChange(int row);
    void recorderVulumeChange(double value);
    void OnBtnSystemAudio();
    void OnBtnMicAudio();
    void SystemAudioChange();
    void MicAudioChange();
    void systemAudioVolume(int value);
    void MicrophoneAudioVolume(int value);

private slots:
    void OnActDeviceChange();
    void OnShowDeviceMenu();
    void OnDevicesChanged(const AudioDeviceList &devices, int lastJob);
    void OnServerReachable(bool reachable);

protected:
    void timerEvent(QTimerEvent *event) override;
    void resetControlLocation() override;

private:
    void InitBtn();
    void InitCtrl();
    void getOldOutputDevice();
    void installAudioDevice();
    void InitVirtualDevice();
    void InitMicDevice();
    void InitDeviceMenu();
    void retranslateUi();
    void saveChange();
    void setOldOutPutDevice();
    void ReleaseAction();
    void SwitchRecordType(bool system);
    void InitProgress(QJXBaseProgress *progress);
    void InitDeviceLib();
    void DestroyDevLib();
    float getDeviceVolume();

    // Hands a job to the device thread; readings older than it are not shown.
    void postDeviceJob(std::function<void(MacAudioDevice &)> job);
    // The remembered and the real output, found in the reading made before
    // the loop-back device became the default.
    void findOutputs(const AudioDeviceList &devices);
    // The input that system sound is recorded from: the loop-back device's
    // monitor, listed under the device's name; -1 when there is none.
    int systemSoundInput() const;
    // The input device of the microphone list's current entry, -1 when the
    // list has none.
    int currentMicInput() const;
    // Makes input index of the last reading the default input.
    void makeDefaultInput(int index);
    // Unmutes input index of the last reading and sets its volume.
    void applyInputVolume(int index, int percent);
    void setDeviceImage(const QString &relative);
    void queueLevel(QList<int> &queue, int value);

    Ui::SelectRecordInputWgt *ui;
    QJXMenu *m_menuDevice = nullptr;
    QList<QAction *> m_listDeviceAction;
    int m_nDeviceIndex = 0;
    bool m_bFirstMenu = true;
    int m_nSysLevel = 0;
    int m_nMicLevel = 0;
    QJXBaseProgress *m_proSysLevel = nullptr;
    QJXBaseProgress *m_proMicLevel = nullptr;
    AudioDeviceAgent *m_pAudioDevice = nullptr;
    AudioDeviceList m_devices;
    int m_lastJob = 0;
    int m_setupJob = 0;
    bool m_bDevicesReady = false;
    bool m_bServerReachable = true;
    // The set-up found no server and runs when it is back.
    bool m_bSetupPending = false;
    QList<int> m_listMicLevel;
    QList<int> m_listSysLevel;
    int m_nMeterTimer = 0;
    QString m_strOldOutput;
    QString m_strRealOutput;
    QString m_deviceImage;
};
