#include "recorder/qaudiodriverinstaller.h"
#include "recorder/recorderlog.h"

#include "platform/audio/loopbackdevice.h"

#include <QDebug>

bool QAudioDriverInstaller::installAudioDriverWithPath(const QString &bundlePath)
{
    Q_UNUSED(bundlePath)
    LoopbackDevice *device = LoopbackDevice::instance();
    LoopbackDevice::restoreOnSignals();
    if (!device->repairAfterCrash())
        qCWarning(lcRecorder) << "loop-back device: the default output could not be repaired:"
                   << device->errorString();
    return device->install();
}
